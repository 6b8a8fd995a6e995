#pragma once
// The database access layer as the rest of the program sees it: open a connection from a connection
// string, run statements into detached recordsets or affected-row counts, stop them, run
// transactions, read the facts of the data source and its catalog. Nothing outside the backend
// knows which client library is underneath: ODBC, or a database's own client library.
#include "app/mv_error.h"
#include "db/recordset.h"
#include "db/recordset_builder.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace mv {

// One message of the data source (ODBC: one diagnostic record).
struct DbDiagnostic {
    QString sqlState;     // five characters, may be empty (some drivers leave it out)
    long nativeError = 0; // the database's own error number
    QString message;      // as the driver wrote it, including its bracketed prefixes
    QString source;       // who reported it: the bracketed prefixes, or the driver's name
};

namespace dberr {
// The general failure number of a data source error (E_FAIL, what ADO reports for driver errors).
constexpr long ProviderError = -2147467259;
// The statement ran longer than its time-out (DB_E_ABORTLIMITREACHED).
constexpr long TimedOut = -2147217871;
// The statement was stopped by the user (ADO's "operation has been cancelled").
constexpr long Cancelled = 3712;
// The connection is not open.
constexpr long NotOpen = 3704;
} // namespace dberr

// A failure of the database layer. number() is dberr::ProviderError for a refusal by the data
// source, err::NotSupportedByProvider (3251) for a function the driver lacks, dberr::Cancelled
// or dberr::TimedOut for a stopped statement; description() holds the driver's messages, one a line.
class DbError : public MvError {
  public:
    enum class Kind { Failed, NotSupported, Cancelled, TimedOut, NotOpen };

    DbError(Kind kind, const QString& description, std::vector<DbDiagnostic> diagnostics = {});

    Kind kind() const { return m_kind; }
    const std::vector<DbDiagnostic>& diagnostics() const { return m_diagnostics; }
    // The connection itself broke (SQLSTATE class 08 or the driver said so); it must not be reused.
    bool connectionBroken() const;

    static long numberOf(Kind kind);

  private:
    Kind m_kind;
    std::vector<DbDiagnostic> m_diagnostics;
};

// The texts every engine reports a stopped or timed-out statement with, so they read the same on all.
QString cancelledByUserText();
QString queryTimedOutText();

struct ExecOptions {
    int timeoutSeconds = 0; // 0: no time-out
    qint64 maxRecords = 0;  // 0: no limit; rows beyond are neither fetched nor kept
    // An extra stop request of the caller, read before the statement starts and between fetched
    // blocks (a stop requested before the worker reached execute() is not lost).
    const std::atomic<bool>* stopRequested = nullptr;
    // When set, the rows of a result set go to it block by block while they are fetched, and the
    // result's recordset holds the fields only.
    RowBlockSink* rowBlocks = nullptr;
};

struct ExecResult {
    std::optional<Recordset> rows;      // set when the statement returned a result set (maybe no rows)
    qint64 recordsAffected = -1;        // rows changed by a statement without result set; -1: unknown
    bool limitReached = false;          // the row limit cut the result
    std::vector<DbDiagnostic> messages; // notices and warnings the statement produced
};

// What the data source says about itself; read when the connection opens.
struct DbInfo {
    QString dbmsName; // "PostgreSQL", "MariaDB", "SQLite", ...
    QString dbmsVersion;
    QString driverName; // the driver's library, e.g. "psqlodbcw.so"
    QString driverVersion;
    QString driverOdbcVersion;
    QString managerVersion; // the driver manager's version text
    QString dataSourceName; // DSN, empty for a DSN-less connection
    QString databaseName;   // the current database (catalog)
    QString serverName;
    QString userName;
    QString identifierQuote; // "\"", "`", or " " when the source does not quote
    QStringList keywords;    // the source's reserved words beyond ODBC's (SQL_KEYWORDS)
    // SQL_TXN_CAPABLE on the OLE DB scale: 0 none, 1 DML only, 2 DDL commits the transaction,
    // 4 DDL is ignored, 8 DDL and DML.
    int transactionDdl = 0;
};

// The OLE DB schema rowsets the program reads, numbered as ADO numbers them.
enum class SchemaKind {
    Columns = 4,
    Indexes = 12,
    Procedures = 16,
    Tables = 20,
    ProviderTypes = 22,
    ProcedureParameters = 26,
    PrimaryKeys = 28,
};

// One value per restriction column of the rowset, in the rowset's order; an empty optional (or a
// missing trailing entry) means no restriction on that column. Values compare exactly, not as
// patterns.
//   Tables:              TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, TABLE_TYPE
//   Columns:             TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME, COLUMN_NAME
//   Indexes:             TABLE_CATALOG, TABLE_SCHEMA, INDEX_NAME, TYPE, TABLE_NAME
//   PrimaryKeys:         TABLE_CATALOG, TABLE_SCHEMA, TABLE_NAME
//   Procedures:          PROCEDURE_CATALOG, PROCEDURE_SCHEMA, PROCEDURE_NAME, PROCEDURE_TYPE
//   ProcedureParameters: PROCEDURE_CATALOG, PROCEDURE_SCHEMA, PROCEDURE_NAME, PARAMETER_NAME
//   ProviderTypes:       DATA_TYPE, BEST_MATCH
using SchemaRestrictions = std::vector<std::optional<QString>>;

using DbProperty = std::pair<QString, QString>;

// One connection to one data source. A connection is used by one thread at a time; only cancel()
// may be called from another thread while a statement runs. Failures throw DbError.
class DbConnection {
  public:
    virtual ~DbConnection() = default;

    // Opens the connection (a pooled one for the same string is taken when there is one).
    virtual void open(const QString& connectionString) = 0;
    // Ends the use of the physical connection: it goes to the pool for a few seconds, so the next
    // open() of the same string is quick. An open transaction is rolled back and that connection
    // is closed for real. Never throws.
    virtual void close() = 0;
    // Closes the physical connection without pooling it. Never throws.
    virtual void disconnect() = 0;
    virtual bool isOpen() const = 0;
    // The string given to open().
    virtual QString connectionString() const = 0;

    virtual ExecResult execute(const QString& sql, const ExecOptions& options = {}) = 0;
    // Stops the statement running on this connection: interrupts its execution and ends its fetch
    // at the next block. execute() then throws DbError with kind Cancelled (what the statement
    // changed before it was stopped may stay, as with any cancel). Thread-safe; a cancel while no
    // statement runs is forgotten when the next one starts (use ExecOptions::stopRequested for a
    // stop that must not be lost).
    virtual void cancel() = 0;

    virtual void beginTransaction() = 0;
    virtual void commitTransaction() = 0;
    virtual void rollbackTransaction() = 0;
    virtual bool inTransaction() const = 0;
    // A transaction the statements themselves opened (a BEGIN of the user's, or autocommit turned
    // off) and not yet ended. Closing the connection would roll it back, so it stays open between
    // statements until it ends. False where the connection cannot tell (ODBC).
    virtual bool sessionTransactionOpen() const = 0;

    // Facts of the data source, read when the connection was last opened.
    virtual const DbInfo& info() const = 0;
    // Name/value pairs for the connection properties report, in a fixed order (passwords masked),
    // as of the last open().
    virtual QList<DbProperty> properties() const = 0;

    // A detached recordset with the columns of the OLE DB schema rowset.
    virtual Recordset openSchema(SchemaKind kind, const SchemaRestrictions& restrictions = {}) = 0;
};

// A new, closed connection; the string given to open() chooses the engine (see db_engines.h).
std::unique_ptr<DbConnection> createDbConnection();

// Closes every pooled idle connection now (at shutdown, or when a test wants a clean state).
void closePooledConnections();

} // namespace mv
