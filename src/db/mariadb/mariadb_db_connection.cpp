#include "db/mariadb/mariadb_db_connection.h"

#include "app/texts.h"
#include "db/db_engines.h"
#include "db/idle_pool.h"
#include "db/mariadb/mariadb_catalog.h"
#include "db/mariadb/mariadb_keywords.h"
#include "db/mariadb/mariadb_types.h"
#include "db/odbc/odbc_session.h"
#include "db/recordset_builder.h"

#include <mysql.h>
#include <mysqld_error.h>

#include <chrono>
#include <map>
#include <tuple>

namespace mv {

std::unique_ptr<DbConnection> mariadb::createConnection() {
    return std::make_unique<mariadb::MariaDbConnection>();
}

} // namespace mv

namespace mv::mariadb {

namespace {

using Clock = std::chrono::steady_clock;

// The server ends a statement at its time-out; the watchdog steps in this long after.
constexpr auto TimeoutGrace = std::chrono::seconds(2);
// Rows between two looks at the stop request.
constexpr qint64 RowsBetweenStopChecks = 1024;

DbError notOpen() {
    return DbError(DbError::Kind::NotOpen, ui_text("Die Verbindung ist nicht geöffnet.", "The connection is not open."));
}

// Sessions of closed connections wait here, with the settings they have.
struct PoolTraits {
    static void close(MYSQL* m) { mysql_close(m); }
    static bool usable(MYSQL* m) { return idleSocketQuiet(int(mysql_get_socket(m))); }
};
using Pool = IdlePool<MYSQL, SessionSettings, PoolTraits>;

// The result of mysql_use_result freed whatever way the block is left (the rest of its rows is
// read past then).
struct ResultGuard {
    MYSQL_RES* result = nullptr;
    ~ResultGuard() {
        if (result) mysql_free_result(result);
    }
};

unsigned int bytesPerChar(unsigned int charset) {
    static std::mutex mutex;
    static std::map<unsigned int, unsigned int> known;
    std::lock_guard lock(mutex);
    const auto it = known.find(charset);
    if (it != known.end()) return it->second;
    const MARIADB_CHARSET_INFO* info = mariadb_get_charset_by_nr(charset);
    const unsigned int bytes = info && info->char_maxlen > 0 ? info->char_maxlen : 1;
    known.emplace(charset, bytes);
    return bytes;
}

// The server's version as the ODBC driver writes it: "10.11.000019".
QString versionText(unsigned long version) {
    return QStringLiteral("%1.%2.%3")
        .arg(version / 10000, 2, 10, QLatin1Char('0'))
        .arg(version / 100 % 100, 2, 10, QLatin1Char('0'))
        .arg(version % 100, 6, 10, QLatin1Char('0'));
}

} // namespace

void closeIdleConnections() {
    Pool::instance().clear();
}

MariaDbConnection::~MariaDbConnection() {
    disconnect();
}

MYSQL* MariaDbConnection::handle() const {
    if (!m_mysql) throw notOpen();
    return m_mysql;
}

void MariaDbConnection::open(const QString& connectionString) {
    if (m_mysql) close();
    QString error;
    const std::optional<ServerAddress> address = serverAddress(connectionString, &error);
    if (!address) throw DbError(DbError::Kind::Failed, error);
    MYSQL* m = nullptr;
    SessionSettings settings;
    if (auto idle = Pool::instance().take(connectionString))
        std::tie(m, settings) = *idle;
    else
        m = connectTo(*address);
    m_mysql = m;
    m_settings = settings;
    m_address = *address;
    m_connectionString = connectionString;
    m_inTransaction = false;
    m_broken = false;
    m_killer.setTarget(m_address, mysql_thread_id(m));
    readInfo();
    m_open = true;
}

void MariaDbConnection::readInfo() {
    MYSQL* m = m_mysql;
    DbInfo info;
    const QString serverText = QString::fromUtf8(mysql_get_server_info(m));
    info.dbmsName = serverText.contains(QLatin1String("MariaDB"), Qt::CaseInsensitive) ? QStringLiteral("MariaDB")
                                                                                         : QStringLiteral("MySQL");
    info.dbmsVersion = versionText(mysql_get_server_version(m));
    info.driverName = QStringLiteral("libmariadb");
    info.driverVersion = QString::fromUtf8(mysql_get_client_info());
    info.managerVersion = engineName(DbEngine::MariaDb) + u' ' + info.driverVersion;
    // The current database as the session tracks it (a USE changes it).
    const char* schema = nullptr;
    if (mariadb_get_infov(m, MARIADB_CONNECTION_SCHEMA, &schema) == 0 && schema)
        info.databaseName = QString::fromUtf8(schema);
    else
        info.databaseName = QString::fromUtf8(m_address.database);
    info.serverName = m_address.host.isEmpty() ? QStringLiteral("localhost") : QString::fromUtf8(m_address.host);
    info.userName = QString::fromUtf8(m_address.user);
    info.identifierQuote = QStringLiteral("`");
    info.keywords = reservedWords();
    // DDL commits an open transaction.
    info.transactionDdl = 2;
    m_info = info;
    m_properties.clear();
    m_properties << DbProperty{QStringLiteral("Data Source Name"), QString()}
                 << DbProperty{QStringLiteral("Current Catalog"), info.databaseName}
                 << DbProperty{QStringLiteral("Server Name"), info.serverName}
                 << DbProperty{QStringLiteral("User Name"), info.userName}
                 << DbProperty{QStringLiteral("DBMS Name"), info.dbmsName}
                 << DbProperty{QStringLiteral("DBMS Version"), info.dbmsVersion}
                 << DbProperty{QStringLiteral("Driver Name"), info.driverName}
                 << DbProperty{QStringLiteral("Driver Version"), info.driverVersion}
                 << DbProperty{QStringLiteral("Engine"), engineName(DbEngine::MariaDb)}
                 << DbProperty{QStringLiteral("Transaction DDL"), QString::number(info.transactionDdl)}
                 << DbProperty{QStringLiteral("Identifier Quote Character"), info.identifierQuote}
                 << DbProperty{QStringLiteral("Multiple Results"), QStringLiteral("Y")}
                 << DbProperty{QStringLiteral("Catalog Term"), QStringLiteral("database")}
                 << DbProperty{QStringLiteral("Procedure Term"), QStringLiteral("stored procedure")}
                 << DbProperty{QStringLiteral("Extended Properties"), odbc::maskPasswords(m_connectionString)};
}

void MariaDbConnection::close() {
    m_open = false;
    m_watchdog.disarm();
    m_killer.closeConnection();
    MYSQL* m = m_mysql;
    if (!m) return;
    m_mysql = nullptr;
    // A connection with an open transaction or a broken one is closed for real (rolling back).
    if (m_inTransaction || m_broken) {
        m_inTransaction = false;
        mysql_close(m);
        return;
    }
    Pool::instance().give(m_connectionString, m, m_settings);
}

void MariaDbConnection::disconnect() {
    m_open = false;
    m_watchdog.disarm();
    m_killer.closeConnection();
    m_inTransaction = false;
    if (m_mysql) mysql_close(m_mysql);
    m_mysql = nullptr;
}

void MariaDbConnection::cancel() {
    m_cancelRequested = true;
    m_killer.kill();
}

void MariaDbConnection::fail(const DbError& error) {
    if (error.connectionBroken()) m_broken = true;
    throw error;
}

void MariaDbConnection::run(const QByteArray& sql) {
    MYSQL* m = handle();
    if (mysql_real_query(m, sql.constData(), sql.size()) != 0) fail(failureOf(m));
    // A statement of ours has no rows; should one have them, they are read past.
    if (MYSQL_RES* r = mysql_store_result(m)) mysql_free_result(r);
}

void MariaDbConnection::applyTimeout(int seconds) {
    if (!m_settings.timeoutSupported || m_settings.timeoutSeconds == seconds) return;
    MYSQL* m = handle();
    const QByteArray sql = "SET SESSION max_statement_time=" + QByteArray::number(seconds);
    if (mysql_real_query(m, sql.constData(), sql.size()) != 0) {
        const DbError e = failureOf(m);
        if (e.connectionBroken()) fail(e);
        // A server without the variable: the watchdog alone.
        m_settings.timeoutSupported = false;
        return;
    }
    m_settings.timeoutSeconds = seconds;
}

void MariaDbConnection::applySelectLimit(qint64 limit) {
    if (m_settings.selectLimit == limit) return;
    run("SET SESSION sql_select_limit=" + (limit > 0 ? QByteArray::number(limit) : QByteArray("DEFAULT")));
    m_settings.selectLimit = limit;
}

bool MariaDbConnection::stopAsked(const ExecOptions& options) const {
    return m_cancelRequested.load() || (options.stopRequested && options.stopRequested->load());
}

DbError MariaDbConnection::stopError(std::vector<DbDiagnostic> records) const {
    if (m_timedOut.load() && !m_cancelRequested.load())
        return DbError(DbError::Kind::TimedOut, queryTimedOutText(), std::move(records));
    return DbError(DbError::Kind::Cancelled, cancelledByUserText(), std::move(records));
}

DbError MariaDbConnection::statementError(const ExecOptions& options) {
    const DbDiagnostic d = diagnosticOf(m_mysql);
    if (d.nativeError == ER_STATEMENT_TIMEOUT && !stopAsked(options))
        return DbError(DbError::Kind::TimedOut, queryTimedOutText(), {d});
    // A lost connection is reported as such even when a stop was asked for.
    const DbError failed(DbError::Kind::Failed, d.message, {d});
    if (failed.connectionBroken()) return failed;
    if (stopAsked(options)) return DbError(DbError::Kind::Cancelled, cancelledByUserText(), {d});
    if (m_timedOut.load()) return DbError(DbError::Kind::TimedOut, queryTimedOutText(), {d});
    return failed;
}

ExecResult MariaDbConnection::execute(const QString& sql, const ExecOptions& options) {
    handle();
    m_cancelRequested = false;
    m_timedOut = false;
    if (stopAsked(options)) throw DbError(DbError::Kind::Cancelled, cancelledByUserText());
    const int timeout = qMax(0, options.timeoutSeconds);
    applyTimeout(timeout);
    // One row beyond the limit tells whether the limit cut the result.
    const qint64 limit = qMax<qint64>(0, options.maxRecords);
    applySelectLimit(limit > 0 ? limit + 1 : 0);
    if (timeout > 0)
        m_watchdog.arm(Clock::now() + std::chrono::seconds(timeout) +
                           (m_settings.timeoutSupported ? TimeoutGrace : Clock::duration::zero()),
                       [this] {
                           m_timedOut = true;
                           m_killer.kill();
                       });
    // From here a stop kills the statement; before, the request alone ends it.
    m_killer.statementStarted();
    try {
        if (stopAsked(options)) throw DbError(DbError::Kind::Cancelled, cancelledByUserText());
        ExecResult result = runStatement(sql.toUtf8(), options);
        m_killer.statementEnded();
        m_watchdog.disarm();
        return result;
    } catch (...) {
        m_killer.statementEnded();
        m_watchdog.disarm();
        throw;
    }
}

ExecResult MariaDbConnection::runStatement(const QByteArray& sql, const ExecOptions& options) {
    MYSQL* m = m_mysql;
    if (mysql_real_query(m, sql.constData(), sql.size()) != 0) fail(statementError(options));
    ExecResult result;
    // Only the first result counts; the others (a procedure's status, further result sets) are
    // read past, an error among them still fails the statement.
    bool first = true;
    for (;;) {
        if (mysql_field_count(m) > 0) {
            if (first) {
                readRows(result, options);
            } else {
                ResultGuard rest{mysql_use_result(m)};
                if (!rest.result) fail(statementError(options));
                while (mysql_fetch_row(rest.result)) {
                }
                if (mysql_errno(m)) fail(statementError(options));
            }
        } else if (first) {
            const my_ulonglong affected = mysql_affected_rows(m);
            result.recordsAffected = affected == my_ulonglong(-1) ? -1 : qint64(affected);
        }
        first = false;
        if (!mysql_more_results(m)) break;
        const int next = mysql_next_result(m);
        if (next > 0) fail(statementError(options));
        if (next < 0) break;
    }
    // An INSERT that ran has its changes made: a stop that reached it only afterwards changes
    // nothing. A result set asked to stop is not handed over.
    if (result.rows && (stopAsked(options) || m_timedOut.load())) fail(stopError());
    return result;
}

void MariaDbConnection::readRows(ExecResult& result, const ExecOptions& options) {
    MYSQL* m = m_mysql;
    ResultGuard guard{mysql_use_result(m)};
    if (!guard.result) fail(statementError(options));
    const unsigned int columns = mysql_num_fields(guard.result);
    const MYSQL_FIELD* fields = mysql_fetch_fields(guard.result);
    QList<FieldInfo> infos;
    std::vector<Read> reads;
    for (unsigned int c = 0; c < columns; ++c) {
        const MYSQL_FIELD& f = fields[c];
        ColumnFacts facts;
        facts.name = QString::fromUtf8(f.name, qsizetype(f.name_length));
        facts.type = int(f.type);
        facts.flags = f.flags;
        facts.length = f.length;
        facts.decimals = f.decimals;
        facts.charsetNumber = f.charsetnr;
        facts.maxBytesPerChar = bytesPerChar(f.charsetnr);
        const ColumnType t = columnType(facts);
        infos << t.field;
        reads.push_back(t.read);
    }
    RecordsetBuilder builder(infos);
    builder.streamTo(options.rowBlocks);
    const qint64 limit = qMax<qint64>(0, options.maxRecords);
    qint64 seen = 0, kept = 0;
    bool stopping = false;
    while (MYSQL_ROW row = mysql_fetch_row(guard.result)) {
        ++seen;
        if (seen % RowsBetweenStopChecks == 0 && !stopping && (stopAsked(options) || m_timedOut.load())) {
            // The server stops sending once the kill reaches it; what is on its way is read past.
            stopping = true;
            m_killer.kill();
        }
        if (stopping) continue;
        if (limit > 0 && kept >= limit) {
            result.limitReached = true;
            continue;
        }
        const unsigned long* lengths = mysql_fetch_lengths(guard.result);
        for (unsigned int c = 0; c < columns; ++c) {
            if (!row[c])
                builder.appendNull(int(c));
            else
                appendText(builder, int(c), reads[c], std::string_view(row[c], lengths[c]));
        }
        builder.endRow();
        ++kept;
    }
    if (mysql_errno(m)) fail(statementError(options));
    if (stopping) fail(stopError());
    result.rows = builder.finish();
}

bool MariaDbConnection::sessionTransactionOpen() const {
    // The server says so after every statement, also for work begun with autocommit off.
    unsigned int status = 0;
    return m_mysql && mariadb_get_infov(m_mysql, MARIADB_CONNECTION_SERVER_STATUS, &status) == 0 &&
           (status & SERVER_STATUS_IN_TRANS) != 0;
}

void MariaDbConnection::beginTransaction() {
    MYSQL* m = handle();
    if (m_inTransaction) return;
    if (mysql_autocommit(m, 0)) fail(failureOf(m));
    m_inTransaction = true;
}

void MariaDbConnection::commitTransaction() {
    MYSQL* m = handle();
    if (!m_inTransaction)
        throw DbError(DbError::Kind::Failed, ui_text("Es ist keine Transaktion geöffnet.", "No transaction is open."));
    if (mysql_commit(m)) fail(failureOf(m));
    m_inTransaction = false;
    if (mysql_autocommit(m, 1)) fail(failureOf(m));
}

void MariaDbConnection::rollbackTransaction() {
    MYSQL* m = handle();
    if (!m_inTransaction)
        throw DbError(DbError::Kind::Failed, ui_text("Es ist keine Transaktion geöffnet.", "No transaction is open."));
    if (mysql_rollback(m)) fail(failureOf(m));
    m_inTransaction = false;
    if (mysql_autocommit(m, 1)) fail(failureOf(m));
}

Recordset MariaDbConnection::openSchema(SchemaKind kind, const SchemaRestrictions& restrictions) {
    MYSQL* m = handle();
    // A row limit left from a statement must not cut the catalog short.
    applySelectLimit(0);
    const char* schema = nullptr;
    const QString database = mariadb_get_infov(m, MARIADB_CONNECTION_SCHEMA, &schema) == 0 && schema
                                 ? QString::fromUtf8(schema)
                                 : m_info.databaseName;
    return openSchemaRowset([this](const QString& sql) { return catalogRows(sql); }, database, kind, restrictions);
}

std::vector<CatalogRow> MariaDbConnection::catalogRows(const QString& sql) {
    MYSQL* m = handle();
    const QByteArray utf8 = sql.toUtf8();
    if (mysql_real_query(m, utf8.constData(), utf8.size()) != 0) fail(failureOf(m));
    ResultGuard result{mysql_store_result(m)};
    if (!result.result) {
        if (mysql_errno(m)) fail(failureOf(m));
        return {};
    }
    const unsigned int columns = mysql_num_fields(result.result);
    std::vector<CatalogRow> rows;
    while (MYSQL_ROW row = mysql_fetch_row(result.result)) {
        const unsigned long* lengths = mysql_fetch_lengths(result.result);
        CatalogRow out;
        out.reserve(columns);
        for (unsigned int c = 0; c < columns; ++c)
            out.push_back(row[c] ? std::optional<QString>(QString::fromUtf8(row[c], qsizetype(lengths[c])))
                                 : std::nullopt);
        rows.push_back(std::move(out));
    }
    return rows;
}

} // namespace mv::mariadb
