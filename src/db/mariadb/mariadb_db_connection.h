#pragma once
// The MariaDB/MySQL engine of DbConnection, on MariaDB Connector/C: rows stream from the server
// straight into the recordset (mysql_use_result, no copy of the whole result), Stop is KILL QUERY
// from a second connection at any stage, the time-out is the server's max_statement_time (and a
// watchdog that kills as well), the row limit is the server's sql_select_limit. Takes the MariaDB
// ODBC driver's keys (Server, Port, Socket, Database, Uid, Pwd, the SSL keys). Closed connections
// wait a few seconds for the next statement, as with ODBC. The catalog is read from
// information_schema on the connection itself.
#include "db/db_access.h"
#include "db/mariadb/mariadb_catalog.h"
#include "db/mariadb/mariadb_connect.h"
#include "db/mariadb/mariadb_killer.h"
#include "db/odbc/odbc_watchdog.h"

#include <atomic>

namespace mv::mariadb {

// The session variables the engine sets, as last set on a server session.
struct SessionSettings {
    int timeoutSeconds = 0;       // max_statement_time, 0: none
    bool timeoutSupported = true; // MySQL has no max_statement_time
    qint64 selectLimit = 0;       // sql_select_limit, 0: none
};

class MariaDbConnection final : public DbConnection {
  public:
    MariaDbConnection() = default;
    ~MariaDbConnection() override;

    void open(const QString& connectionString) override;
    void close() override;
    void disconnect() override;
    bool isOpen() const override { return m_open.load(); }
    QString connectionString() const override { return m_connectionString; }

    ExecResult execute(const QString& sql, const ExecOptions& options = {}) override;
    void cancel() override;

    void beginTransaction() override;
    void commitTransaction() override;
    void rollbackTransaction() override;
    bool inTransaction() const override { return m_inTransaction; }
    bool sessionTransactionOpen() const override;

    const DbInfo& info() const override { return m_info; }
    QList<DbProperty> properties() const override { return m_properties; }

    Recordset openSchema(SchemaKind kind, const SchemaRestrictions& restrictions = {}) override;

  private:
    MYSQL* handle() const;
    void readInfo();
    // A statement of the engine's own, without rows.
    void run(const QByteArray& sql);
    void applyTimeout(int seconds);
    void applySelectLimit(qint64 limit);
    // Marks a connection the server or the network dropped, so it is never pooled.
    [[noreturn]] void fail(const DbError& error);
    ExecResult runStatement(const QByteArray& sql, const ExecOptions& options);
    void readRows(ExecResult& result, const ExecOptions& options);
    bool stopAsked(const ExecOptions& options) const;
    std::vector<CatalogRow> catalogRows(const QString& sql);
    DbError stopError(std::vector<DbDiagnostic> records = {}) const;
    DbError statementError(const ExecOptions& options);

    QString m_connectionString;
    ServerAddress m_address;
    MYSQL* m_mysql = nullptr;
    SessionSettings m_settings;
    DbInfo m_info;
    QList<DbProperty> m_properties;
    std::atomic<bool> m_open{false};
    bool m_inTransaction = false;
    bool m_broken = false;

    std::atomic<bool> m_cancelRequested{false};
    std::atomic<bool> m_timedOut{false};
    QueryKiller m_killer;
    odbc::Watchdog m_watchdog;
};

// Closes the idle pooled connections now.
void closeIdleConnections();

} // namespace mv::mariadb
