#pragma once
// The ODBC backend of DbConnection: pooled physical connections, statement execution with
// time-outs and stop, transactions, and the schema rowsets.
#include "db/db_access.h"
#include "db/odbc/odbc_session.h"
#include "db/odbc/odbc_watchdog.h"

#include <atomic>
#include <mutex>

namespace mv::odbc {

class Statement;

class OdbcDbConnection final : public DbConnection {
  public:
    OdbcDbConnection() = default;
    ~OdbcDbConnection() override;

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
    // ODBC has no way to ask whether the statements began a transaction of their own.
    bool sessionTransactionOpen() const override { return false; }

    const DbInfo& info() const override { return m_info; }
    QList<DbProperty> properties() const override { return m_properties; }

    Recordset openSchema(SchemaKind kind, const SchemaRestrictions& restrictions = {}) override;

  private:
    Session& session();
    void applyTimeout(int seconds);
    void applyRowLimit(Statement& statement, qint64 maxRecords);
    void setSelectLimit(qint64 limit); // MariaDB's sql_select_limit, 0 = none
    void setCursorFetch(qint64 rows);  // psqlODBC's cursor fetch of this many rows, 0 = as the string says
    void endTransaction(bool commit);
    // Remembers that the physical connection broke, so it is not pooled.
    [[noreturn]] void rethrow(const DbError& error);
    ExecResult run(Statement& statement, const QByteArray& sql, const ExecOptions& options);

    QString m_connectionString;
    std::unique_ptr<Session> m_session;
    DbInfo m_info;
    QList<DbProperty> m_properties;
    std::atomic<bool> m_open{false};
    bool m_inTransaction = false;
    bool m_broken = false;
    // A call on this session failed: it is never pooled (another thread might meet a driver lock
    // the failing thread still holds).
    bool m_failed = false;

    // Stop and time-out of the running statement. The handle is set only while SQLExecDirect
    // runs: SQLCancel is never sent during a fetch (it crashes some drivers).
    std::mutex m_runMutex;
    SQLHSTMT m_executing = SQL_NULL_HANDLE;
    std::atomic<bool> m_cancelRequested{false};
    std::atomic<bool> m_timedOut{false};
    // SQLCancel reached the statement handle during this run.
    std::atomic<bool> m_cancelSent{false};
    Watchdog m_watchdog;
    // Sends a stop again while the statement still executes: a cancel that reached the server
    // before the statement did is dropped there (psqlODBC), and the statement would run on.
    Watchdog m_stopResend;
    void resendStop();
};

} // namespace mv::odbc
