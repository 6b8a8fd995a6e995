#pragma once
// The SQLite engine of DbConnection, on SQLite's own library: statements are stepped straight into
// the recordset, Stop and the time-out interrupt the database (also during the fetch), the catalog
// comes from sqlite_schema and the pragma functions. Takes the SQLite ODBC driver's keys
// (Database, Timeout, NoCreat, FKSupport).
#include "db/db_access.h"
#include "db/odbc/odbc_watchdog.h"

#include <atomic>
#include <chrono>
#include <mutex>

struct sqlite3;
struct sqlite3_stmt;

namespace mv::sqlite {

class SqliteDbConnection final : public DbConnection {
  public:
    SqliteDbConnection() = default;
    ~SqliteDbConnection() override;

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

    // The database handle, for the catalog readers of this engine.
    sqlite3* handle() const { return m_db; }

  private:
    sqlite3* db() const;
    // Runs a statement of the engine's own (transactions), without a result.
    void run(const char* sql);
    ExecResult step(sqlite3_stmt* statement, const ExecOptions& options);

    // The progress handler's look at the stop request and the time-out during one execute().
    struct ProgressCheck {
        const SqliteDbConnection* connection;
        const std::atomic<bool>* stopRequested;
        static int stop(void* context);
    };

    QString m_connectionString;
    sqlite3* m_db = nullptr;
    DbInfo m_info;
    QList<DbProperty> m_properties;
    std::atomic<bool> m_open{false};
    bool m_inTransaction = false;
    std::chrono::steady_clock::time_point m_idleSince; // when close() left the file open
    quint64 m_idleGeneration = 0;                      // closePooledConnections() had run so often

    // sqlite3_interrupt is safe from any thread while the handle is open; the mutex keeps the
    // handle from closing under it.
    std::mutex m_handleMutex;
    std::atomic<bool> m_cancelRequested{false};
    std::atomic<bool> m_timedOut{false};
    odbc::Watchdog m_watchdog;
};

// The error of the last call on the handle, in the form the ODBC driver reports it.
DbError sqliteError(sqlite3* db, int code);

} // namespace mv::sqlite
