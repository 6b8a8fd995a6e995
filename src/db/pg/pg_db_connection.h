#pragma once
// The PostgreSQL engine of DbConnection, on libpq: rows are read one at a time straight into the
// recordset (single-row mode, no copy of the whole result), Stop cancels at any stage, the
// time-out is the server's statement_timeout (and a watchdog that cancels as well). Takes the
// PostgreSQL ODBC driver's keys (Server, Port, Database, Uid, Pwd, SSLmode). Closed connections
// wait a few seconds for the next statement, as with ODBC.
//
// The schema rowsets are read from pg_catalog on this connection (pg_catalog.h), on a second one
// while a failed statement holds the transaction aborted.
#include "db/db_access.h"
#include "db/pg/pg_catalog.h"

#include <atomic>
#include <chrono>
#include <optional>
#include <map>

typedef struct pg_conn PGconn;
typedef struct pg_cancel PGcancel;

namespace mv::pg {

class PgDbConnection final : public DbConnection {
  public:
    PgDbConnection() = default;
    ~PgDbConnection() override;

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

    // Notices of the running statement (called by libpq on this connection's thread).
    void notice(const DbDiagnostic& message) { m_notices.push_back(message); }

  private:
    PGconn* conn() const;
    void setConnection(PGconn* conn);
    // A statement of the engine's own, without rows; `stoppable`: a stop may cut it short.
    void run(const char* sql, bool stoppable = true);
    void applyTimeout(int seconds);
    // A savepoint around one statement or catalog read of an open transaction; false outside one.
    bool openStatementSavepoint();
    void releaseStatementSavepoint();
    void flushStatementSavepoint();
    void rollBackToStatementSavepoint();
    // Marks a connection the server or the network dropped, so it is never pooled.
    [[noreturn]] void fail(const DbError& error);
    ExecResult readResults(const ExecOptions& options, bool stopAtLimit);
    std::vector<CatalogRow> catalogRows(PGconn* c, PGcancel* cancel, const QString& sql, const QStringList& params);
    void fillNullability(RecordsetBuilder& builder, const std::vector<std::pair<unsigned, int>>& origins);

    QString m_connectionString;
    PGconn* m_conn = nullptr;
    PGcancel* m_cancel = nullptr;
    DbInfo m_info;
    QList<DbProperty> m_properties;
    QString m_infoOf; // the connection string m_info and m_properties were read for
    std::atomic<bool> m_open{false};
    bool m_inTransaction = false;
    bool m_releasePending = false; // the last statement's savepoint waits to be released
    bool m_broken = false;
    int m_serverTimeout = 0;
    std::vector<DbDiagnostic> m_notices;
    // NOT NULL of table columns (table OID, column number), as read once per connection.
    std::map<std::pair<unsigned, int>, bool> m_notNull;

    // Set by cancel() from any thread; the thread running the statement sends the stop.
    std::atomic<bool> m_cancelRequested{false};
    bool m_timedOut = false;
    std::optional<std::chrono::steady_clock::time_point> m_deadline;
    bool m_limitCancel = false;
};

// Closes the idle pooled connections now.
void closeIdleConnections();

} // namespace mv::pg
