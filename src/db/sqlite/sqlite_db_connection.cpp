#include "db/sqlite/sqlite_db_connection.h"

#include "app/texts.h"
#include "db/connection_string.h"
#include "db/db_engines.h"
#include "db/recordset_builder.h"
#include "db/sqlite/sqlite_catalog.h"
#include "db/sqlite/sqlite_types.h"

#include <QFileInfo>
#include <sqlite3.h>

#include <chrono>
#include <string_view>

namespace mv {

std::unique_ptr<DbConnection> sqlite::createConnection() {
    return std::make_unique<sqlite::SqliteDbConnection>();
}

} // namespace mv

namespace mv::sqlite {

namespace {

// SQLite keeps memory statistics under one lock for the whole process. A script's connection, the
// query history's writer and the window's history connection work at the same time and took that
// lock in turns thousands of times a second: a fifth of a SQLite script's time went to waking each
// other. Nothing here reads those statistics. It has to be set before SQLite's first use, so here,
// before main.
[[maybe_unused]] const int g_memoryStatisticsOff = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);

using Clock = std::chrono::steady_clock;

// The SQLite ODBC driver waits this long for a locked database unless Timeout says otherwise.
constexpr int DefaultBusyTimeoutMs = 100000;
// Rows between two looks at the stop request (an interrupt ends the step by itself).
constexpr qint64 RowsBetweenStopChecks = 1024;
// Virtual machine instructions between two looks at the stop request while a statement works.
constexpr int ProgressCheckInstructions = 10000;
// A closed connection's file stays open this long for the next open() of the same string.
constexpr auto IdleKeep = std::chrono::seconds(5);

bool isTrue(const QString& value) {
    const QString v = value.trimmed().toLower();
    return v == QLatin1String("1") || v == QLatin1String("yes") || v == QLatin1String("true") ||
           v == QLatin1String("on");
}

// Messages read as the SQLite ODBC driver writes them: "[SQLite]no such table: t (1)".
DbError failure(const QString& message, int code = SQLITE_ERROR) {
    DbDiagnostic d;
    d.sqlState = QStringLiteral("HY000");
    d.nativeError = code;
    d.source = QStringLiteral("[SQLite]");
    d.message = d.source + message;
    return DbError(DbError::Kind::Failed, d.message, {d});
}

// The statement finalised whatever way the block is left.
struct StatementGuard {
    sqlite3_stmt* statement = nullptr;
    ~StatementGuard() { sqlite3_finalize(statement); }
};

// How the values of one result column go into the recordset.
enum class Read { Integer, Boolean, Real, DateTime, Text, Binary };

Read readOf(StorageKind kind, int adoType) {
    switch (kind) {
    case StorageKind::Integer:
        return adoType == ado::adBoolean ? Read::Boolean : Read::Integer;
    case StorageKind::Real:
        return Read::Real;
    case StorageKind::DateTime:
        return Read::DateTime;
    case StorageKind::Binary:
        return Read::Binary;
    case StorageKind::Text:
    case StorageKind::Decimal:
        break;
    }
    return Read::Text;
}

std::string_view textOf(sqlite3_stmt* st, int col) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, col));
    const int bytes = sqlite3_column_bytes(st, col);
    return text ? std::string_view(text, size_t(bytes)) : std::string_view();
}

void appendCell(RecordsetBuilder& b, sqlite3_stmt* st, int col, Read read) {
    const int storage = sqlite3_column_type(st, col);
    if (storage == SQLITE_NULL) return b.appendNull(col);
    switch (read) {
    case Read::Integer:
    case Read::Boolean: {
        qint64 v = 0;
        if (storage == SQLITE_TEXT) {
            // A text that is no number has no value here (the driver reads it the same way).
            const std::string_view t = textOf(st, col);
            bool ok = false;
            v = QByteArray(t.data(), qsizetype(t.size())).trimmed().toLongLong(&ok);
            if (!ok) return b.appendNull(col);
        } else if (storage == SQLITE_BLOB) {
            return b.appendNull(col);
        } else {
            v = sqlite3_column_int64(st, col);
        }
        return b.appendInt(col, read == Read::Boolean ? (v != 0 ? 1 : 0) : v);
    }
    case Read::Real:
        if (storage == SQLITE_BLOB) return b.appendNull(col);
        return b.appendReal(col, sqlite3_column_double(st, col));
    case Read::DateTime: {
        if (storage != SQLITE_TEXT) return b.appendNull(col);
        const std::optional<DateTimeParts> p = parseDateTimeText(textOf(st, col));
        if (!p) return b.appendNull(col);
        b.appendDateTime(col, p->year, p->month, p->day, p->hour, p->minute, p->second, p->nanos);
        return;
    }
    case Read::Text:
        return b.appendText(col, textOf(st, col));
    case Read::Binary: {
        const void* data = sqlite3_column_blob(st, col);
        const int bytes = sqlite3_column_bytes(st, col);
        return b.appendBytes(col, QByteArrayView(static_cast<const char*>(data), bytes));
    }
    }
}

// The field of a result column: its declared type (the first value's storage class for an
// expression), sized as the driver sizes it; every column may be Null, as the driver says.
FieldInfo fieldOf(sqlite3_stmt* st, int col, bool haveRow) {
    FieldInfo f;
    f.name = QString::fromUtf8(sqlite3_column_name(st, col));
    const char* decl = sqlite3_column_decltype(st, col);
    const DeclaredType t =
        declaredType(decl ? QString::fromUtf8(decl) : QString(), haveRow ? sqlite3_column_type(st, col) : 0);
    f.type = t.adoType;
    // SQLite integers are 64-bit whatever the column declares.
    if (f.type == ado::adTinyInt || f.type == ado::adSmallInt || f.type == ado::adInteger ||
        f.type == ado::adUnsignedTinyInt || f.type == ado::adUnsignedSmallInt || f.type == ado::adUnsignedInt)
        f.type = ado::adBigInt;
    const StorageKind kind = storageKindOf(f.type);
    if (kind == StorageKind::Text || kind == StorageKind::Binary)
        f.definedSize = t.length > 0 && !t.isLong ? t.length : qint64(std::numeric_limits<qint32>::max());
    f.nullable = true;
    return normalisedField(f);
}

bool onlyBlanksAndComments(sqlite3* db, const char* tail) {
    while (tail && *tail) {
        sqlite3_stmt* next = nullptr;
        const char* rest = nullptr;
        if (sqlite3_prepare_v2(db, tail, -1, &next, &rest) != SQLITE_OK) return false;
        if (next) {
            sqlite3_finalize(next);
            return false;
        }
        if (rest == tail) break;
        tail = rest;
    }
    return true;
}

} // namespace

DbError sqliteError(sqlite3* db, int code) {
    const QString message = QStringLiteral("%1 (%2)")
                                .arg(db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(code)))
                                .arg(code & 0xff);
    return failure(message, code & 0xff);
}

SqliteDbConnection::~SqliteDbConnection() {
    disconnect();
}

sqlite3* SqliteDbConnection::db() const {
    if (!m_db || !m_open.load())
        throw DbError(DbError::Kind::NotOpen, ui_text("Die Verbindung ist nicht geöffnet.", "The connection is not open."));
    return m_db;
}

void SqliteDbConnection::open(const QString& connectionString) {
    // The file closed a moment ago is taken up again: a disconnected connection closes after
    // every statement, and opening means reading the schema anew.
    if (m_db && !m_open.load() && connectionString == m_connectionString && Clock::now() - m_idleSince < IdleKeep &&
        m_idleGeneration == poolGeneration()) {
        m_inTransaction = false;
        m_open = true;
        return;
    }
    if (m_db) disconnect();
    QString error;
    const std::optional<ConnectionKeys> keys = parseConnectionKeys(connectionString, &error);
    if (!keys) throw failure(error);
    QString file = keys->value(QStringLiteral("Database"));
    if (file.isEmpty()) file = keys->value(QStringLiteral("DBQ"));
    if (file.trimmed().isEmpty())
        throw failure(ui_text("Die Verbindungszeichenfolge nennt keine Datenbankdatei (Database=...).",
                              "The connection string names no database file (Database=...)."));
    const bool noCreate = isTrue(keys->value(QStringLiteral("NoCreat")));
    // One thread at a time uses a connection (sqlite3_interrupt is safe from any thread): no lock
    // around every column read.
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
    if (!noCreate) flags |= SQLITE_OPEN_CREATE;
    sqlite3* handle = nullptr;
    const int rc = sqlite3_open_v2(file.toUtf8().constData(), &handle, flags, nullptr);
    if (rc != SQLITE_OK) {
        const DbError e = sqliteError(handle, rc);
        sqlite3_close_v2(handle);
        throw e;
    }
    bool ok = false;
    const int timeout = keys->value(QStringLiteral("Timeout")).trimmed().toInt(&ok);
    sqlite3_busy_timeout(handle, ok && timeout >= 0 ? timeout : DefaultBusyTimeoutMs);
    sqlite3_extended_result_codes(handle, 0);
    if (isTrue(keys->value(QStringLiteral("FKSupport"))))
        sqlite3_exec(handle, "PRAGMA foreign_keys = ON", nullptr, nullptr, nullptr);

    DbInfo info;
    const QString version = QString::fromLatin1(sqlite3_libversion());
    info.dbmsName = QStringLiteral("SQLite");
    info.dbmsVersion = version;
    info.driverName = QStringLiteral("libsqlite3");
    info.driverVersion = version;
    info.managerVersion = engineName(DbEngine::Sqlite) + u' ' + version;
    info.databaseName = QFileInfo(file).absoluteFilePath();
    info.identifierQuote = QStringLiteral("\"");
    info.transactionDdl = 8;
    const bool readOnly = sqlite3_db_readonly(handle, "main") == 1;

    m_properties.clear();
    m_properties << DbProperty{QStringLiteral("Data Source Name"), QString()}
                 << DbProperty{QStringLiteral("Current Catalog"), info.databaseName}
                 << DbProperty{QStringLiteral("Server Name"), QString()}
                 << DbProperty{QStringLiteral("User Name"), QString()}
                 << DbProperty{QStringLiteral("DBMS Name"), info.dbmsName}
                 << DbProperty{QStringLiteral("DBMS Version"), info.dbmsVersion}
                 << DbProperty{QStringLiteral("Driver Name"), info.driverName}
                 << DbProperty{QStringLiteral("Driver Version"), info.driverVersion}
                 << DbProperty{QStringLiteral("Engine"), engineName(DbEngine::Sqlite)}
                 << DbProperty{QStringLiteral("Transaction DDL"), QString::number(info.transactionDdl)}
                 << DbProperty{QStringLiteral("Identifier Quote Character"), info.identifierQuote}
                 << DbProperty{QStringLiteral("Read-Only Data Source"), readOnly ? QStringLiteral("Y") : QStringLiteral("N")}
                 << DbProperty{QStringLiteral("Multiple Results"), QStringLiteral("N")}
                 << DbProperty{QStringLiteral("Extended Properties"), connectionString};
    m_info = info;
    {
        std::lock_guard lock(m_handleMutex);
        m_db = handle;
    }
    m_connectionString = connectionString;
    m_inTransaction = false;
    m_open = true;
}

void SqliteDbConnection::close() {
    // An open transaction is rolled back and the file closed for real; otherwise the handle waits
    // for the next open() of the same string (it holds no lock while no statement runs).
    if (m_inTransaction || !m_db) {
        disconnect();
        return;
    }
    m_open = false;
    m_watchdog.disarm();
    m_idleSince = Clock::now();
    m_idleGeneration = poolGeneration();
}

void SqliteDbConnection::disconnect() {
    m_open = false;
    m_watchdog.disarm();
    sqlite3* handle = nullptr;
    {
        std::lock_guard lock(m_handleMutex);
        handle = m_db;
        m_db = nullptr;
    }
    if (!handle) return;
    // An open transaction is rolled back: a connection is never closed with its changes pending.
    if (m_inTransaction && !sqlite3_get_autocommit(handle))
        sqlite3_exec(handle, "ROLLBACK", nullptr, nullptr, nullptr);
    m_inTransaction = false;
    sqlite3_close_v2(handle);
}

int SqliteDbConnection::ProgressCheck::stop(void* context) {
    const auto* c = static_cast<const ProgressCheck*>(context);
    const bool asked = c->connection->m_cancelRequested.load() || c->connection->m_timedOut.load() ||
                       (c->stopRequested && c->stopRequested->load());
    return asked ? 1 : 0;
}

void SqliteDbConnection::cancel() {
    m_cancelRequested = true;
    std::lock_guard lock(m_handleMutex);
    if (m_db) sqlite3_interrupt(m_db);
}

ExecResult SqliteDbConnection::execute(const QString& sql, const ExecOptions& options) {
    sqlite3* h = db();
    m_cancelRequested = false;
    m_timedOut = false;
    auto stopAsked = [&] {
        return m_cancelRequested.load() || (options.stopRequested && options.stopRequested->load());
    };
    if (stopAsked()) throw DbError(DbError::Kind::Cancelled, cancelledByUserText());

    // sqlite3_interrupt only reaches statements already running: a stop that comes between the
    // check above and the first step would be lost, so the engine also asks while it works.
    ProgressCheck check{this, options.stopRequested};
    sqlite3_progress_handler(h, ProgressCheckInstructions, &ProgressCheck::stop, &check);
    struct ProgressGuard {
        sqlite3* h;
        ~ProgressGuard() { sqlite3_progress_handler(h, 0, nullptr, nullptr); }
    } progressGuard{h};
    auto stopError = [&] {
        if (m_timedOut.load() && !stopAsked()) return DbError(DbError::Kind::TimedOut, queryTimedOutText());
        return DbError(DbError::Kind::Cancelled, cancelledByUserText());
    };

    const QByteArray utf8 = sql.toUtf8();
    StatementGuard guard;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(h, utf8.constData(), int(utf8.size()), &guard.statement, &tail);
    if (rc != SQLITE_OK) {
        if (rc == SQLITE_INTERRUPT || stopAsked() || m_timedOut.load()) throw stopError();
        throw sqliteError(h, rc);
    }
    const bool single = onlyBlanksAndComments(h, tail);
    if (stopAsked() || m_timedOut.load()) throw stopError();
    if (!single) throw failure(ui_text("Es ist nur eine SQL-Anweisung erlaubt.", "only one SQL statement allowed"));
    if (!guard.statement) return ExecResult{std::nullopt, 0, false, {}};

    const int timeout = qMax(0, options.timeoutSeconds);
    if (timeout > 0)
        m_watchdog.arm(Clock::now() + std::chrono::seconds(timeout), [this] {
            m_timedOut = true;
            std::lock_guard lock(m_handleMutex);
            if (m_db) sqlite3_interrupt(m_db);
        });
    try {
        ExecResult result = step(guard.statement, options);
        m_watchdog.disarm();
        return result;
    } catch (...) {
        m_watchdog.disarm();
        throw;
    }
}

ExecResult SqliteDbConnection::step(sqlite3_stmt* st, const ExecOptions& options) {
    sqlite3* h = m_db;
    auto stopAsked = [&] {
        return m_cancelRequested.load() || (options.stopRequested && options.stopRequested->load());
    };
    auto stopError = [&] {
        if (m_timedOut.load() && !stopAsked()) return DbError(DbError::Kind::TimedOut, queryTimedOutText());
        return DbError(DbError::Kind::Cancelled, cancelledByUserText());
    };
    auto failed = [&](int rc) {
        if (stopAsked() || m_timedOut.load() || rc == SQLITE_INTERRUPT) return stopError();
        return sqliteError(h, rc);
    };

    const sqlite3_int64 changesBefore = sqlite3_total_changes64(h);
    int rc = sqlite3_step(st);
    const int columns = sqlite3_column_count(st);
    ExecResult result;
    if (columns == 0) {
        while (rc == SQLITE_ROW)
            rc = sqlite3_step(st);
        if (rc != SQLITE_DONE) throw failed(rc);
        if (m_inTransaction && sqlite3_get_autocommit(h)) m_inTransaction = false;
        result.recordsAffected = sqlite3_total_changes64(h) != changesBefore ? qint64(sqlite3_changes64(h)) : 0;
        return result;
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) throw failed(rc);

    QList<FieldInfo> fields;
    std::vector<Read> reads;
    for (int c = 0; c < columns; ++c) {
        fields << fieldOf(st, c, rc == SQLITE_ROW);
        reads.push_back(readOf(storageKindOf(fields.last().type), fields.last().type));
    }
    RecordsetBuilder builder(fields);
    builder.streamTo(options.rowBlocks);
    const qint64 limit = qMax<qint64>(0, options.maxRecords);
    qint64 rows = 0;
    while (rc == SQLITE_ROW) {
        if (limit > 0 && rows >= limit) {
            result.limitReached = true;
            break;
        }
        for (int c = 0; c < columns; ++c)
            appendCell(builder, st, c, reads[size_t(c)]);
        builder.endRow();
        ++rows;
        if (rows % RowsBetweenStopChecks == 0 && (stopAsked() || m_timedOut.load())) throw stopError();
        rc = sqlite3_step(st);
    }
    if (!result.limitReached && rc != SQLITE_DONE) throw failed(rc);
    if (stopAsked() || m_timedOut.load()) throw stopError();
    result.rows = builder.finish();
    return result;
}

void SqliteDbConnection::run(const char* sql) {
    sqlite3* h = db();
    const int rc = sqlite3_exec(h, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) throw sqliteError(h, rc);
}

bool SqliteDbConnection::sessionTransactionOpen() const {
    return m_db && !sqlite3_get_autocommit(m_db);
}

void SqliteDbConnection::beginTransaction() {
    if (m_inTransaction) return;
    run("BEGIN");
    m_inTransaction = true;
}

void SqliteDbConnection::commitTransaction() {
    if (!m_inTransaction)
        throw DbError(DbError::Kind::Failed, ui_text("Es ist keine Transaktion geöffnet.", "No transaction is open."));
    // SQLite may have rolled the transaction back by itself (a full disk, say): nothing to commit.
    if (!sqlite3_get_autocommit(db())) run("COMMIT");
    m_inTransaction = false;
}

void SqliteDbConnection::rollbackTransaction() {
    if (!m_inTransaction)
        throw DbError(DbError::Kind::Failed, ui_text("Es ist keine Transaktion geöffnet.", "No transaction is open."));
    if (!sqlite3_get_autocommit(db())) run("ROLLBACK");
    m_inTransaction = false;
}

Recordset SqliteDbConnection::openSchema(SchemaKind kind, const SchemaRestrictions& restrictions) {
    return openSchemaRowset(db(), kind, restrictions);
}

} // namespace mv::sqlite
