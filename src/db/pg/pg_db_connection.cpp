#include "db/pg/pg_db_connection.h"

#include "app/texts.h"
#include "db/connection_string.h"
#include "db/db_engines.h"
#include "db/idle_pool.h"
#include "db/odbc/odbc_session.h" // maskPasswords
#include "db/pg/pg_catalog.h"
#include "db/pg/pg_types.h"
#include "db/recordset_builder.h"

#include <libpq-fe.h>
#include <poll.h>
#include <cerrno>

#include <chrono>
#include <functional>
#include <tuple>

namespace mv {

std::unique_ptr<DbConnection> pg::createConnection() {
    return std::make_unique<pg::PgDbConnection>();
}

} // namespace mv

namespace mv::pg {

namespace {

using Clock = std::chrono::steady_clock;

// The server ends a statement at its time-out; the engine sends its own stop this long after.
constexpr auto TimeoutGrace = std::chrono::seconds(2);
// While waiting for the server, the stop request is looked at this often.
constexpr int PollStepMs = 20;
// A stop not yet known to have met the statement is sent again after this long.
constexpr auto StopResendInterval = std::chrono::milliseconds(100);

DbError notOpen() {
    return DbError(DbError::Kind::NotOpen, ui_text("Die Verbindung ist nicht geöffnet.", "The connection is not open."));
}

QString trimmedMessage(const char* text) {
    return QString::fromUtf8(text ? text : "").trimmed();
}

// A failure of the connection itself (connect, a lost server).
DbError connectionError(PGconn* conn) {
    DbDiagnostic d;
    d.sqlState = QStringLiteral("08001");
    d.nativeError = 101;
    d.message = trimmedMessage(conn ? PQerrorMessage(conn) : "out of memory");
    d.source = QStringLiteral("PostgreSQL");
    return DbError(DbError::Kind::Failed, d.message, {d});
}

DbDiagnostic diagnosticOf(const PGresult* result) {
    DbDiagnostic d;
    d.sqlState = QString::fromLatin1(PQresultErrorField(result, PG_DIAG_SQLSTATE));
    d.nativeError = 1;
    d.message = trimmedMessage(PQresultErrorMessage(result));
    d.source = QStringLiteral("PostgreSQL");
    return d;
}

void noticeReceiver(void* self, const PGresult* result) {
    static_cast<PgDbConnection*>(self)->notice(diagnosticOf(result));
}

struct ResultGuard {
    PGresult* result = nullptr;
    ~ResultGuard() { PQclear(result); }
};

// The server drops a cancel that reaches it before it has read the statement (it counts as one
// for an idle session), so a stop is sent again until it is certain to have met the statement:
// once the statement has shown it runs (a row or a result arrived), one more send is the last.
// Every send is made by the thread that waits on the connection and returns only after the
// server has signalled the backend, so a late cancel can meet nothing but this statement or an
// idle session; the next statement is sent only after this one ended.
class StopSender {
  public:
    explicit StopSender(PGcancel* cancel) : m_cancel(cancel) {}

    // Something of the statement arrived: it runs, or has run, on the server.
    void heard() { m_heard = true; }
    bool sent() const { return m_sent; }

    // Sends when a stop is wanted and the ones before may have been dropped.
    void sendIfDue(bool wanted) {
        if (!wanted || m_certain) return;
        if (m_sent && !m_heard && Clock::now() - m_last < StopResendInterval) return;
        send();
    }
    void send() {
        char error[256];
        if (m_cancel) PQcancel(m_cancel, error, sizeof error);
        m_sent = true;
        m_last = Clock::now();
        if (m_heard) m_certain = true;
    }

  private:
    PGcancel* m_cancel;
    bool m_heard = false;
    bool m_sent = false;
    bool m_certain = false;
    Clock::time_point m_last;
};

// The next result, waited for in short steps rather than inside libpq, so `between` can send a
// stop meanwhile. Null at the end of the statement's results.
PGresult* nextResult(PGconn* c, const std::function<void()>& between) {
    while (PQisBusy(c)) {
        between();
        pollfd p{PQsocket(c), POLLIN, 0};
        if (p.fd < 0) break;
        const int n = ::poll(&p, 1, PollStepMs);
        if (n < 0 && errno != EINTR) break;
        if (n > 0 && !PQconsumeInput(c)) break; // the connection broke: PQgetResult reports it
    }
    return PQgetResult(c);
}

// Sessions of closed connections wait here, with the statement_timeout they have (-1: not known).
struct PoolTraits {
    static void close(PGconn* c) { PQfinish(c); }
    // Neither ended by the server nor left in a transaction.
    static bool usable(PGconn* c) {
        return PQstatus(c) == CONNECTION_OK && idleSocketQuiet(PQsocket(c)) && PQtransactionStatus(c) == PQTRANS_IDLE;
    }
};
using Pool = IdlePool<PGconn, int, PoolTraits>;

// The first word of a statement after blanks and comments, upper-cased.
QString firstWord(const QString& sql) {
    qsizetype i = 0;
    while (i < sql.size()) {
        if (sql[i].isSpace() || sql[i] == u'(') {
            ++i;
        } else if (sql.mid(i, 2) == QLatin1String("--")) {
            const qsizetype end = sql.indexOf(u'\n', i);
            i = end < 0 ? sql.size() : end + 1;
        } else if (sql.mid(i, 2) == QLatin1String("/*")) {
            const qsizetype end = sql.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? sql.size() : end + 2;
        } else {
            break;
        }
    }
    qsizetype end = i;
    while (end < sql.size() && sql[end].isLetter())
        ++end;
    return sql.mid(i, end - i).toUpper();
}

// A new session for the PostgreSQL ODBC driver's keys. Throws DbError.
PGconn* connectTo(const QString& connectionString) {
    QString error;
    const std::optional<ConnectionKeys> keys = parseConnectionKeys(connectionString, &error);
    if (!keys) throw DbError(DbError::Kind::Failed, error);
    auto value = [&](std::initializer_list<const char*> names) {
        for (const char* n : names)
            if (const auto v = keys->find(QLatin1String(n)); v && !v->isEmpty()) return v->toUtf8();
        return QByteArray();
    };
    // The ODBC driver's keys and their libpq names.
    std::vector<std::pair<const char*, QByteArray>> params{
        {"host", value({"Server", "Servername", "Host"})},
        {"port", value({"Port"})},
        {"dbname", value({"Database", "DB"})},
        {"user", value({"Uid", "UserName", "User"})},
        {"password", value({"Pwd", "Password"})},
        {"sslmode", value({"SSLmode", "SSLMode", "sslmode"}).toLower()},
        {"connect_timeout", value({"ConnectTimeout", "LoginTimeout"}).isEmpty() ? QByteArray("15")
                                                                                : value({"ConnectTimeout", "LoginTimeout"})},
        {"client_encoding", QByteArray("UTF8")},
        {"application_name", QByteArray("Morvenda")},
    };
    std::vector<const char*> names, values;
    for (const auto& [name, v] : params) {
        if (v.isEmpty()) continue;
        names.push_back(name);
        values.push_back(v.constData());
    }
    names.push_back(nullptr);
    values.push_back(nullptr);
    PGconn* c = PQconnectdbParams(names.data(), values.data(), 0);
    if (!c || PQstatus(c) != CONNECTION_OK) {
        const DbError e = connectionError(c);
        PQfinish(c);
        throw e;
    }
    // Dates as ISO texts whatever the server's default, so values read the same everywhere.
    PQclear(PQexec(c, "SET DateStyle = 'ISO, YMD'; SET IntervalStyle = 'postgres'; SET extra_float_digits = 3"));
    return c;
}

} // namespace

void closeIdleConnections() {
    Pool::instance().clear();
}

PgDbConnection::~PgDbConnection() {
    disconnect();
}

PGconn* PgDbConnection::conn() const {
    if (!m_conn) throw notOpen();
    return m_conn;
}

void PgDbConnection::setConnection(PGconn* conn) {
    PGcancel* cancel = conn ? PQgetCancel(conn) : nullptr;
    if (m_cancel) PQfreeCancel(m_cancel);
    m_cancel = cancel;
    m_conn = conn;
}

void PgDbConnection::open(const QString& connectionString) {
    if (m_conn) close();
    PGconn* c = nullptr;
    int serverTimeout = -1;
    if (auto idle = Pool::instance().take(connectionString)) std::tie(c, serverTimeout) = *idle;
    const bool pooled = c != nullptr;
    if (!c) c = connectTo(connectionString);
    PQsetNoticeReceiver(c, noticeReceiver, this);
    setConnection(c);
    m_connectionString = connectionString;
    m_inTransaction = false;
    m_releasePending = false;
    m_broken = false;
    m_serverTimeout = serverTimeout;
    m_open = true;
    // A pooled connection of the same string has the facts read last time: a disconnected
    // connection reopens for every statement, and the report need not be built again each time.
    if (pooled && m_infoOf == connectionString) return;
    m_infoOf = connectionString;

    DbInfo info;
    info.dbmsName = QStringLiteral("PostgreSQL");
    const int version = PQserverVersion(c);
    info.dbmsVersion = QStringLiteral("%1.%2.%3").arg(version / 10000).arg(0).arg(version % 100);
    info.driverName = QStringLiteral("libpq");
    info.driverVersion = QString::number(PQlibVersion());
    info.managerVersion = engineName(DbEngine::Postgres) + u' ' + QString::fromLatin1(PQparameterStatus(c, "server_version"));
    info.databaseName = QString::fromUtf8(PQdb(c));
    info.serverName = QString::fromUtf8(PQhost(c));
    info.userName = QString::fromUtf8(PQuser(c));
    info.identifierQuote = QStringLiteral("\"");
    info.transactionDdl = 8;
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
                 << DbProperty{QStringLiteral("Engine"), engineName(DbEngine::Postgres)}
                 << DbProperty{QStringLiteral("Transaction DDL"), QString::number(info.transactionDdl)}
                 << DbProperty{QStringLiteral("Identifier Quote Character"), info.identifierQuote}
                 << DbProperty{QStringLiteral("Multiple Results"), QStringLiteral("Y")}
                 << DbProperty{QStringLiteral("Extended Properties"), odbc::maskPasswords(connectionString)};
}

void PgDbConnection::close() {
    m_open = false;
    PGconn* c = m_conn;
    if (!c) return;
    setConnection(nullptr);
    PQsetNoticeReceiver(c, [](void*, const PGresult*) {}, nullptr);
    // A connection with an open transaction or a broken one is closed for real (rolling back).
    if (m_inTransaction || m_broken || PQstatus(c) != CONNECTION_OK || PQtransactionStatus(c) != PQTRANS_IDLE) {
        m_inTransaction = false;
        PQfinish(c);
        return;
    }
    Pool::instance().give(m_connectionString, c, m_serverTimeout);
}

void PgDbConnection::disconnect() {
    m_open = false;
    PGconn* c = m_conn;
    setConnection(nullptr);
    m_inTransaction = false;
    if (c) PQfinish(c);
}

void PgDbConnection::cancel() {
    // Only the waiting thread talks to the server (see StopSender); it looks at this within a
    // poll step.
    m_cancelRequested = true;
}

void PgDbConnection::fail(const DbError& error) {
    if (error.connectionBroken() || (m_conn && PQstatus(m_conn) != CONNECTION_OK)) m_broken = true;
    throw error;
}

void PgDbConnection::run(const char* sql, bool stoppable) {
    PGconn* c = conn();
    if (!PQsendQuery(c, sql)) fail(connectionError(c));
    StopSender stop(m_cancel);
    std::optional<DbDiagnostic> failure;
    while (PGresult* raw = nextResult(c, [&] { stop.sendIfDue(stoppable && m_cancelRequested.load()); })) {
        ResultGuard r{raw};
        stop.heard();
        const ExecStatusType status = PQresultStatus(raw);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK && !failure) failure = diagnosticOf(raw);
    }
    if (PQstatus(c) != CONNECTION_OK) fail(connectionError(c));
    // A stop that met one of the engine's own statements ends the caller's work as a stop.
    if (failure && failure->sqlState == QLatin1String("57014") && m_cancelRequested)
        fail(DbError(DbError::Kind::Cancelled, cancelledByUserText(), {*failure}));
    if (failure) fail(DbError(DbError::Kind::Failed, failure->message, {*failure}));
}

void PgDbConnection::applyTimeout(int seconds) {
    if (m_serverTimeout == seconds) return;
    run(QByteArray("SET statement_timeout = " + QByteArray::number(qint64(seconds) * 1000)).constData());
    m_serverTimeout = seconds;
}

ExecResult PgDbConnection::execute(const QString& sql, const ExecOptions& options) {
    PGconn* c = conn();
    m_cancelRequested = false;
    m_timedOut = false;
    m_limitCancel = false;
    m_notices.clear();
    if (m_cancelRequested || (options.stopRequested && options.stopRequested->load()))
        throw DbError(DbError::Kind::Cancelled, cancelledByUserText());
    const int timeout = qMax(0, options.timeoutSeconds);
    // A transaction the statement ends takes back the time-out set inside it (a rollback does): it
    // is set again for the next statement.
    struct TransactionEndWatch {
        PgDbConnection* self;
        bool inTransaction;
        ~TransactionEndWatch() {
            if (inTransaction && self->m_conn && PQtransactionStatus(self->m_conn) == PQTRANS_IDLE)
                self->m_serverTimeout = -1;
        }
    } watch{this, PQtransactionStatus(c) != PQTRANS_IDLE};
    applyTimeout(timeout);

    const QString word = firstWord(sql);
    // Statements that end transactions or handle savepoints themselves are left as they are.
    static const QStringList transactionWords{
        QStringLiteral("BEGIN"),     QStringLiteral("START"),   QStringLiteral("COMMIT"),
        QStringLiteral("END"),       QStringLiteral("ROLLBACK"), QStringLiteral("ABORT"),
        QStringLiteral("SAVEPOINT"), QStringLiteral("RELEASE"), QStringLiteral("PREPARE")};
    const bool ownTransactionWork = transactionWords.contains(word);
    // The user's own savepoints must come after ours is released, or releasing ours later would
    // release theirs with it.
    if (ownTransactionWork) flushStatementSavepoint();
    const bool guarded = !ownTransactionWork && openStatementSavepoint();

    if (!PQsendQuery(c, sql.toUtf8().constData())) fail(connectionError(c));
    PQsetSingleRowMode(c);
    // Past the server's own time-out the engine stops the statement itself.
    m_deadline = timeout > 0 ? std::optional(Clock::now() + std::chrono::seconds(timeout) + TimeoutGrace) : std::nullopt;
    // Rows past the limit of a query are not even produced: the rest is cancelled. Anything that
    // may change data runs to its end, its surplus rows read past.
    const bool stopAtLimit = !m_inTransaction && (word == QLatin1String("SELECT") || word == QLatin1String("VALUES") ||
                                                  word == QLatin1String("TABLE"));
    if (!guarded) return readResults(options, stopAtLimit);
    ExecResult result;
    try {
        result = readResults(options, stopAtLimit);
    } catch (const DbError&) {
        rollBackToStatementSavepoint();
        throw;
    }
    releaseStatementSavepoint();
    return result;
}

// Inside a transaction a failed statement takes back only itself, as with the ODBC driver: the
// transaction goes on, and its catalog stays readable.
bool PgDbConnection::openStatementSavepoint() {
    if (PQtransactionStatus(conn()) != PQTRANS_INTRANS) {
        m_releasePending = false;
        return false;
    }
    // A stop waits for the work itself: a savepoint cut short would abort the transaction. The
    // last statement's savepoint is released in the same round trip.
    const bool pending = std::exchange(m_releasePending, false);
    run(pending ? "RELEASE SAVEPOINT mv_statement; SAVEPOINT mv_statement" : "SAVEPOINT mv_statement", false);
    return true;
}

// Released with the next statement's savepoint (one round trip less per statement of a
// transaction); the transaction's end takes it anyway.
void PgDbConnection::releaseStatementSavepoint() {
    m_releasePending = m_conn && PQtransactionStatus(m_conn) == PQTRANS_INTRANS;
}

void PgDbConnection::flushStatementSavepoint() {
    if (std::exchange(m_releasePending, false) && m_conn && PQtransactionStatus(m_conn) == PQTRANS_INTRANS)
        run("RELEASE SAVEPOINT mv_statement", false);
}

void PgDbConnection::rollBackToStatementSavepoint() {
    if (!m_conn || PQstatus(m_conn) != CONNECTION_OK) return;
    // Failed here without harm to the transaction (a stop after the work was done): the savepoint
    // only has to go.
    if (PQtransactionStatus(m_conn) == PQTRANS_INTRANS) m_releasePending = true;
    if (PQtransactionStatus(m_conn) != PQTRANS_INERROR) return;
    try {
        run("ROLLBACK TO SAVEPOINT mv_statement; RELEASE SAVEPOINT mv_statement", false);
    } catch (const DbError&) {
        // The transaction stays aborted; its end reports what remains.
    }
}

ExecResult PgDbConnection::readResults(const ExecOptions& options, bool stopAtLimit) {
    PGconn* c = m_conn;
    auto stopAsked = [&] {
        return m_cancelRequested.load() || (options.stopRequested && options.stopRequested->load());
    };
    auto timedOut = [&] {
        if (!m_timedOut && m_deadline && Clock::now() >= *m_deadline) m_timedOut = true;
        return m_timedOut;
    };
    const qint64 limit = qMax<qint64>(0, options.maxRecords);

    ExecResult result;
    std::optional<DbError> error;
    std::optional<RecordsetBuilder> builder;
    std::vector<Read> reads;
    std::vector<std::pair<unsigned, int>> origins;
    bool firstDone = false; // the first result is complete; later ones are read past
    qint64 rows = 0;
    StopSender stop(m_cancel);

    auto startRows = [&](const PGresult* r) {
        QList<FieldInfo> fields;
        const int columns = PQnfields(r);
        for (int col = 0; col < columns; ++col) {
            const ColumnType t = columnType(QString::fromUtf8(PQfname(r, col)), PQftype(r, col), PQfmod(r, col));
            fields << t.field;
            reads.push_back(t.read);
            origins.emplace_back(PQftable(r, col), PQftablecol(r, col));
        }
        builder.emplace(fields);
        builder->streamTo(options.rowBlocks);
    };

    // After a failure the statement is ending on its own: nothing more is sent.
    auto between = [&] { stop.sendIfDue(!error && (stopAsked() || timedOut())); };

    while (PGresult* raw = nextResult(c, between)) {
        ResultGuard r{raw};
        stop.heard();
        const ExecStatusType status = PQresultStatus(raw);
        if (error) continue; // after a failure the remaining results only end the statement
        switch (status) {
        case PGRES_SINGLE_TUPLE: {
            if (firstDone) break;
            if (!builder) startRows(raw);
            if (limit > 0 && rows >= limit) {
                result.limitReached = true;
                if (stopAtLimit && !stop.sent()) {
                    m_limitCancel = true;
                    stop.send();
                }
                break;
            }
            for (int col = 0; col < int(reads.size()); ++col) {
                if (PQgetisnull(raw, 0, col))
                    builder->appendNull(col);
                else
                    appendText(*builder, col, reads[size_t(col)],
                               std::string_view(PQgetvalue(raw, 0, col), size_t(PQgetlength(raw, 0, col))));
            }
            builder->endRow();
            ++rows;
            if ((rows & 1023) == 0) between();
            break;
        }
        case PGRES_TUPLES_OK:
            if (!firstDone) {
                if (!builder) startRows(raw);
                firstDone = true;
            }
            break;
        case PGRES_COMMAND_OK:
            if (!firstDone) {
                const char* tuples = PQcmdTuples(raw);
                result.recordsAffected = tuples && *tuples ? QByteArray(tuples).toLongLong() : 0;
                firstDone = true;
                m_notNull.clear(); // the statement may have changed a table
            }
            break;
        case PGRES_EMPTY_QUERY:
            firstDone = true;
            result.recordsAffected = 0;
            break;
        case PGRES_COPY_IN:
            // There is no data to send: the server gets the end of the copy with this reason.
            PQputCopyEnd(c, "COPY FROM STDIN is not supported here");
            break;
        case PGRES_COPY_OUT: {
            char* buffer = nullptr;
            while (PQgetCopyData(c, &buffer, 0) > 0)
                PQfreemem(buffer);
            firstDone = true;
            break;
        }
        default: {
            const DbDiagnostic d = diagnosticOf(raw);
            // The rest of a query cancelled at its row limit is not an error.
            if (m_limitCancel && d.sqlState == QLatin1String("57014") && !stopAsked() && !timedOut()) {
                firstDone = true;
                break;
            }
            std::vector<DbDiagnostic> records = m_notices;
            records.push_back(d);
            if (stopAsked())
                error = DbError(DbError::Kind::Cancelled, cancelledByUserText(), records);
            else if (timedOut() || (d.sqlState == QLatin1String("57014") && options.timeoutSeconds > 0))
                error = DbError(DbError::Kind::TimedOut, queryTimedOutText(), records);
            else
                error = DbError(DbError::Kind::Failed, d.message, records);
            break;
        }
        }
    }
    if (PQstatus(c) != CONNECTION_OK) fail(connectionError(c));
    if (PQtransactionStatus(c) == PQTRANS_IDLE) m_inTransaction = false;
    if (!error && (stopAsked() || m_timedOut) && !firstDone)
        error = DbError(stopAsked() ? DbError::Kind::Cancelled : DbError::Kind::TimedOut,
                        stopAsked() ? cancelledByUserText() : queryTimedOutText());
    if (error) fail(*error);
    if (builder) {
        fillNullability(*builder, origins);
        result.rows = builder->finish();
    }
    result.messages = m_notices;
    return result;
}

// NOT NULL columns of tables, as the ODBC driver reports them; read once per table.
void PgDbConnection::fillNullability(RecordsetBuilder& builder, const std::vector<std::pair<unsigned, int>>& origins) {
    QStringList missing;
    for (const auto& o : origins)
        if (o.first != 0 && o.second > 0 && !m_notNull.count(o)) missing << QString::number(o.first);
    if (!missing.isEmpty()) {
        missing.removeDuplicates();
        const QByteArray sql = "SELECT attrelid, attnum, attnotnull FROM pg_catalog.pg_attribute WHERE attnum > 0 AND "
                               "attrelid IN (" + missing.join(u',').toLatin1() + ")";
        ResultGuard r{PQexec(m_conn, sql.constData())};
        if (PQresultStatus(r.result) == PGRES_TUPLES_OK)
            for (int row = 0; row < PQntuples(r.result); ++row)
                m_notNull[{unsigned(QByteArray(PQgetvalue(r.result, row, 0)).toULong()),
                           QByteArray(PQgetvalue(r.result, row, 1)).toInt()}] = PQgetvalue(r.result, row, 2)[0] == 't';
        // The statement may have ended a transaction: nothing here may start one.
    }
    for (size_t col = 0; col < origins.size(); ++col) {
        const auto it = m_notNull.find(origins[col]);
        if (it != m_notNull.end() && it->second) builder.setNullable(int(col), false);
    }
}

bool PgDbConnection::sessionTransactionOpen() const {
    if (!m_conn) return false;
    const PGTransactionStatusType s = PQtransactionStatus(m_conn);
    // A failed one too: it waits for the user's ROLLBACK, as in psql.
    return s == PQTRANS_INTRANS || s == PQTRANS_INERROR;
}

void PgDbConnection::beginTransaction() {
    if (m_inTransaction) return;
    m_cancelRequested = false;
    run("BEGIN");
    m_inTransaction = true;
    m_releasePending = false;
}

void PgDbConnection::commitTransaction() {
    if (!m_inTransaction)
        throw DbError(DbError::Kind::Failed, ui_text("Es ist keine Transaktion geöffnet.", "No transaction is open."));
    m_cancelRequested = false;
    m_serverTimeout = -1; // the commit of an aborted transaction takes its settings back
    m_releasePending = false;
    run("COMMIT");
    m_inTransaction = false;
}

void PgDbConnection::rollbackTransaction() {
    if (!m_inTransaction)
        throw DbError(DbError::Kind::Failed, ui_text("Es ist keine Transaktion geöffnet.", "No transaction is open."));
    m_cancelRequested = false;
    m_serverTimeout = -1; // a time-out set inside the transaction is taken back with it
    m_releasePending = false;
    run("ROLLBACK");
    m_inTransaction = false;
}

Recordset PgDbConnection::openSchema(SchemaKind kind, const SchemaRestrictions& restrictions) {
    PGconn* c = conn();
    m_cancelRequested = false;
    if (PQtransactionStatus(c) != PQTRANS_INERROR) {
        const auto query = [this, c](const QString& sql, const QStringList& params) {
            return catalogRows(c, m_cancel, sql, params);
        };
        // A read that fails (a stop, a time-out) must not take the open transaction with it.
        const bool guarded = openStatementSavepoint();
        try {
            Recordset rows = openSchemaRowset(query, m_info.databaseName, kind, restrictions);
            if (guarded) releaseStatementSavepoint();
            return rows;
        } catch (const DbError&) {
            if (guarded) rollBackToStatementSavepoint();
            throw;
        }
    }
    // A failed statement has aborted the open transaction, and the session answers nothing until it
    // ends: the catalog is read on a second session of the same connection string (it sees what
    // the transaction's statements that went through did not commit, as nothing will).
    const auto idle = Pool::instance().take(m_connectionString);
    PGconn* side = idle ? idle->first : connectTo(m_connectionString);
    struct Side {
        PGconn* conn;
        PGcancel* cancel;
        const QString& key;
        ~Side() {
            PQfreeCancel(cancel);
            if (PQstatus(conn) == CONNECTION_OK && PQtransactionStatus(conn) == PQTRANS_IDLE)
                Pool::instance().give(key, conn, -1);
            else
                PQfinish(conn);
        }
    } guard{side, PQgetCancel(side), m_connectionString};
    const auto query = [&](const QString& sql, const QStringList& params) {
        return catalogRows(guard.conn, guard.cancel, sql, params);
    };
    return openSchemaRowset(query, m_info.databaseName, kind, restrictions);
}

std::vector<CatalogRow> PgDbConnection::catalogRows(PGconn* c, PGcancel* cancel, const QString& sql,
                                                    const QStringList& params) {
    // A failure of a second session is not one of this connection's.
    const auto failWith = [&](const DbError& e) {
        if (c == m_conn) fail(e);
        throw e;
    };
    std::vector<QByteArray> texts;
    for (const QString& p : params) texts.push_back(p.toUtf8());
    std::vector<const char*> values;
    for (const QByteArray& t : texts) values.push_back(t.constData());
    if (!PQsendQueryParams(c, sql.toUtf8().constData(), int(values.size()), nullptr, values.data(), nullptr, nullptr, 0))
        failWith(connectionError(c));
    StopSender stop(cancel);
    std::optional<DbDiagnostic> failure;
    std::vector<CatalogRow> rows;
    while (PGresult* raw = nextResult(c, [&] { stop.sendIfDue(m_cancelRequested.load()); })) {
        ResultGuard r{raw};
        stop.heard();
        if (PQresultStatus(raw) != PGRES_TUPLES_OK) {
            if (!failure) failure = diagnosticOf(raw);
            continue;
        }
        for (int row = 0; row < PQntuples(raw); ++row) {
            CatalogRow out;
            for (int col = 0; col < PQnfields(raw); ++col)
                out.push_back(PQgetisnull(raw, row, col)
                                  ? std::nullopt
                                  : std::optional<QString>(QString::fromUtf8(PQgetvalue(raw, row, col),
                                                                             PQgetlength(raw, row, col))));
            rows.push_back(std::move(out));
        }
    }
    if (PQstatus(c) != CONNECTION_OK) failWith(connectionError(c));
    if (failure && failure->sqlState == QLatin1String("57014") && m_cancelRequested)
        failWith(DbError(DbError::Kind::Cancelled, cancelledByUserText(), {*failure}));
    if (failure) failWith(DbError(DbError::Kind::Failed, failure->message, {*failure}));
    return rows;
}

} // namespace mv::pg
