#include "db/odbc/odbc_db_connection.h"

#include "app/texts.h"
#include "db/db_engines.h"
#include "db/odbc/odbc_catalog.h"
#include "db/odbc/odbc_fetch.h"
#include "db/odbc/odbc_pool.h"
#include "db/odbc/odbc_statement.h"
#include "db/odbc/odbc_statement_guard.h"
#include <thread>

namespace mv {

std::unique_ptr<DbConnection> odbc::createConnection() {
    return std::make_unique<odbc::OdbcDbConnection>();
}


} // namespace mv

namespace mv::odbc {

namespace {

using Clock = std::chrono::steady_clock;

// Drivers that end a statement at its time-out themselves get this long before the watchdog
// steps in as well.
constexpr auto NativeTimeoutGrace = std::chrono::seconds(2);
// Clock granularity between the server's timer and ours.
constexpr auto TimeoutTolerance = std::chrono::milliseconds(100);
// A multi-result statement is not followed further than this.
constexpr int MaxDiscardedResults = 10000;
// psqlODBC's own connection attributes: fetch through a server cursor, and its rows per fetch.
constexpr SQLINTEGER PgOptUseDeclareFetch = 65539;
constexpr SQLINTEGER PgOptFetch = 65541;
// A limited fetch reads through the cursor in steps of at most this many rows.
constexpr qint64 MaxCursorFetchRows = 10000;

DbError notOpenError() {
    return DbError(DbError::Kind::NotOpen,
                   ui_text("Die Verbindung ist nicht geöffnet.", "The connection is not open."));
}

} // namespace

OdbcDbConnection::~OdbcDbConnection() {
    disconnect();
}

Session& OdbcDbConnection::session() {
    if (!m_session) throw notOpenError();
    return *m_session;
}

void OdbcDbConnection::open(const QString& connectionString) {
    if (m_session) close();
    std::unique_ptr<Session> s = ConnectionPool::instance().take(connectionString);
    if (!s) s = openSession(connectionString);
    m_info = s->info;
    m_properties = s->properties;
    m_session = std::move(s);
    m_connectionString = connectionString;
    m_inTransaction = false;
    m_broken = false;
    m_failed = false;
    m_open = true;
}

void OdbcDbConnection::close() {
    if (!m_session) return;
    m_open = false;
    std::unique_ptr<Session> s = std::move(m_session);
    if (m_inTransaction || m_broken || m_failed || !s->connection.autocommit()) {
        m_inTransaction = false;
        return; // the destructor rolls back and disconnects
    }
    ConnectionPool::instance().give(m_connectionString, std::move(s));
}

void OdbcDbConnection::disconnect() {
    m_open = false;
    m_inTransaction = false;
    m_session.reset();
}

void OdbcDbConnection::rethrow(const DbError& error) {
    m_failed = true;
    if (error.connectionBroken()) {
        m_broken = true;
        throw error;
    }
    // psqlODBC reports a terminated backend as a general error (HY000, "server closed the
    // connection unexpectedly"): the driver's own verdict tells a lost connection then.
    if (m_session && m_session->connection.dead()) {
        m_broken = true;
        std::vector<DbDiagnostic> records = error.diagnostics();
        DbDiagnostic lost;
        lost.sqlState = QStringLiteral("08S01");
        lost.message = ui_text("Die Verbindung zur Datenquelle besteht nicht mehr.",
                               "The connection to the data source is gone.");
        lost.source = QStringLiteral("Morvenda");
        records.push_back(lost);
        throw DbError(error.kind(), error.description(), std::move(records));
    }
    throw error;
}

void OdbcDbConnection::cancel() {
    m_cancelRequested = true;
    {
        std::lock_guard lock(m_runMutex);
        if (m_executing == SQL_NULL_HANDLE) return;
        m_cancelSent = true;
        SQLCancel(m_executing);
    }
    m_stopResend.arm(Clock::now() + std::chrono::milliseconds(150), [this] { resendStop(); });
}

void OdbcDbConnection::resendStop() {
    // Runs on the resend timer's thread; gives up once the statement has returned or after a few seconds.
    for (int attempt = 0; attempt < 40; ++attempt) {
        {
            std::lock_guard lock(m_runMutex);
            if (m_executing == SQL_NULL_HANDLE || !m_cancelRequested.load()) return;
            SQLCancel(m_executing);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

void OdbcDbConnection::applyTimeout(int seconds) {
    Session& s = session();
    if (s.connection.family() != DriverFamily::MariaDB || !s.serverTimeoutSupported) return;
    if (s.serverTimeout == seconds) return;
    try {
        Statement st(s.connection);
        st.execDirect(QByteArray("SET SESSION max_statement_time=") + QByteArray::number(seconds));
        s.serverTimeout = seconds;
    } catch (const DbError& e) {
        if (e.connectionBroken()) rethrow(e);
        m_failed = true;
        s.serverTimeoutSupported = false; // a server without the variable: the watchdog alone
    }
}

void OdbcDbConnection::setSelectLimit(qint64 limit) {
    Session& s = session();
    if (s.serverSelectLimit == limit) return;
    try {
        Statement st(s.connection);
        st.execDirect(QByteArray("SET SESSION sql_select_limit=") +
                      (limit > 0 ? QByteArray::number(limit) : QByteArray("DEFAULT")));
        s.serverSelectLimit = limit;
    } catch (const DbError& e) {
        rethrow(e);
    }
}

void OdbcDbConnection::setCursorFetch(qint64 rows) {
    Session& s = session();
    if (s.pgFetchRows == rows) return;
    const SQLHDBC dbc = s.connection.handle();
    if (!s.pgFetchDefault) {
        SQLINTEGER declare = 0, fetch = 0;
        if (!SQL_SUCCEEDED(SQLGetConnectAttr(dbc, PgOptUseDeclareFetch, &declare, sizeof declare, nullptr)) ||
            !SQL_SUCCEEDED(SQLGetConnectAttr(dbc, PgOptFetch, &fetch, sizeof fetch, nullptr))) {
            // A driver without the attributes: the row limit alone, as before.
            s.pgFetchDefault = std::pair<SQLINTEGER, SQLINTEGER>{-1, -1};
        } else {
            s.pgFetchDefault = std::pair{declare, fetch};
        }
    }
    if (s.pgFetchDefault->first < 0) return;
    const SQLINTEGER declare = rows > 0 ? 1 : s.pgFetchDefault->first;
    const SQLINTEGER fetch = rows > 0 ? SQLINTEGER(rows) : s.pgFetchDefault->second;
    if (SQL_SUCCEEDED(SQLSetConnectAttr(dbc, PgOptUseDeclareFetch, reinterpret_cast<SQLPOINTER>(SQLLEN(declare)), 0)) &&
        SQL_SUCCEEDED(SQLSetConnectAttr(dbc, PgOptFetch, reinterpret_cast<SQLPOINTER>(SQLLEN(fetch)), 0)))
        s.pgFetchRows = rows;
}

void OdbcDbConnection::applyRowLimit(Statement& statement, qint64 maxRecords) {
    Session& s = session();
    const qint64 limit = qMax<qint64>(0, maxRecords);
    switch (s.connection.family()) {
    case DriverFamily::PostgreSQL:
        // The driver applies SQL_ATTR_MAX_ROWS only after it has buffered the whole result; through
        // a server cursor it reads no more than the limit, in steps the stop request sees.
        setCursorFetch(qMin(limit, MaxCursorFetchRows));
        if (limit > 0) statement.trySetAttr(SQL_ATTR_MAX_ROWS, SQLULEN(limit));
        return;
    case DriverFamily::SQLite:
        if (limit > 0) statement.trySetAttr(SQL_ATTR_MAX_ROWS, SQLULEN(limit));
        return;
    case DriverFamily::MariaDB:
        // The connector applies SQL_ATTR_MAX_ROWS to UPDATE and DELETE as well, changing fewer
        // rows than the statement says; the server's own limit holds for result sets only.
        setSelectLimit(limit);
        return;
    default:
        // Unknown drivers might limit changes too: the fetch stops at the limit by itself.
        return;
    }
}

ExecResult OdbcDbConnection::execute(const QString& sql, const ExecOptions& options) {
    Session& s = session();
    m_cancelRequested = false;
    m_timedOut = false;

    QString text = sql;
    if (s.connection.family() == DriverFamily::MariaDB) {
        const GuardedStatement guarded = guardForMariaDb(sql);
        if (!guarded.refusal.isEmpty()) {
            DbDiagnostic d;
            d.message = guarded.refusal;
            d.source = QStringLiteral("Morvenda");
            throw DbError(DbError::Kind::Failed, guarded.refusal, {d});
        }
        text = guarded.sql;
    }

    const int timeout = qMax(0, options.timeoutSeconds);
    applyTimeout(timeout);
    Statement statement(s.connection);
    if (timeout > 0) statement.trySetAttr(SQL_ATTR_QUERY_TIMEOUT, SQLULEN(timeout));
    applyRowLimit(statement, options.maxRecords);

    const bool nativeTimeout = s.connection.family() == DriverFamily::PostgreSQL ||
                               (s.connection.family() == DriverFamily::MariaDB && s.serverTimeoutSupported);
    if (timeout > 0) {
        const auto deadline = Clock::now() + std::chrono::seconds(timeout) +
                              (nativeTimeout ? NativeTimeoutGrace : Clock::duration::zero());
        m_watchdog.arm(deadline, [this] {
            m_timedOut = true;
            std::lock_guard lock(m_runMutex);
            if (m_executing != SQL_NULL_HANDLE) {
                m_cancelSent = true;
                SQLCancel(m_executing);
            }
        });
    }
    try {
        ExecResult result = run(statement, text.toUtf8(), options);
        m_watchdog.disarm();
        return result;
    } catch (...) {
        m_watchdog.disarm();
        m_failed = true;
        throw;
    }
}

ExecResult OdbcDbConnection::run(Statement& statement, const QByteArray& sql, const ExecOptions& options) {
    auto stopAsked = [&] {
        return m_cancelRequested.load() || (options.stopRequested && options.stopRequested->load());
    };
    auto stopError = [&](const std::vector<DbDiagnostic>& records = {}) {
        if (m_timedOut.load() && !stopAsked())
            return DbError(DbError::Kind::TimedOut, queryTimedOutText(), records);
        return DbError(DbError::Kind::Cancelled, cancelledByUserText(), records);
    };

    {
        std::lock_guard lock(m_runMutex);
        if (stopAsked()) throw stopError();
        m_cancelSent = false;
        m_executing = statement.handle();
    }
    const auto started = Clock::now();
    bool gaveResult = false;
    try {
        gaveResult = statement.execDirect(sql);
    } catch (const DbError& e) {
        {
            std::lock_guard lock(m_runMutex);
            m_executing = SQL_NULL_HANDLE;
        }
        // A stop is known by our own flags, never by the SQLSTATE: each driver reports it differently.
        if (stopAsked() || m_timedOut.load()) throw stopError(e.diagnostics());
        const int timeout = options.timeoutSeconds;
        if (timeout > 0 && Clock::now() - started + TimeoutTolerance >= std::chrono::seconds(timeout))
            throw DbError(DbError::Kind::TimedOut, queryTimedOutText(), e.diagnostics());
        rethrow(e);
    }
    {
        std::lock_guard lock(m_runMutex);
        m_executing = SQL_NULL_HANDLE;
    }
    // A stop that comes after the statement did its work changes nothing: an INSERT that ran is
    // reported as run (it is committed), never as cancelled. A result set is not read then.
    ExecResult result;
    try {
        if (statement.numResultCols() > 0) {
            if (stopAsked() || m_timedOut.load()) throw stopError(statement.takeMessages());
            FetchOutcome fetched = fetchResult(statement, m_session->connection.family(), options.maxRecords,
                                               [&] { return stopAsked() || m_timedOut.load(); },
                                               options.rowBlocks);
            if (fetched.end == FetchEnd::Stopped) throw stopError();
            result.rows = std::move(fetched.rows);
            result.limitReached = fetched.end == FetchEnd::LimitReached;
        } else {
            result.recordsAffected = gaveResult ? qint64(statement.rowCount()) : 0;
        }
        // Only the first result counts; the others are read past (an error in them still fails).
        // MDBTools has no further results and fails the call without a word.
        if (m_session->connection.family() != DriverFamily::MDBTools)
            for (int i = 0; i < MaxDiscardedResults && statement.moreResults(); ++i) {
            }
    } catch (const DbError& e) {
        if (e.kind() == DbError::Kind::Cancelled || e.kind() == DbError::Kind::TimedOut) throw;
        // The cancel reached the handle just after the execution ended and closed it (the driver
        // manager then answers "function sequence error"): the statement ran, its changes stand,
        // only what it returned is gone. That is reported as run, never as cancelled.
        if (m_cancelSent.load()) {
            ExecResult ran;
            ran.messages = e.diagnostics();
            return ran;
        }
        if (stopAsked() || m_timedOut.load()) throw stopError(e.diagnostics());
        rethrow(e);
    }
    result.messages = statement.takeMessages();
    return result;
}

void OdbcDbConnection::beginTransaction() {
    Session& s = session();
    if (m_inTransaction) return;
    try {
        s.connection.setAutocommit(false);
    } catch (const DbError& e) {
        rethrow(e);
    }
    m_inTransaction = true;
}

void OdbcDbConnection::endTransaction(bool commit) {
    Session& s = session();
    if (!m_inTransaction)
        throw DbError(DbError::Kind::Failed,
                      ui_text("Es ist keine Transaktion geöffnet.", "No transaction is open."));
    try {
        s.connection.endTransaction(commit);
        m_inTransaction = false;
        s.connection.setAutocommit(true);
    } catch (const DbError& e) {
        rethrow(e);
    }
}

void OdbcDbConnection::commitTransaction() {
    endTransaction(true);
}

void OdbcDbConnection::rollbackTransaction() {
    endTransaction(false);
}

Recordset OdbcDbConnection::openSchema(SchemaKind kind, const SchemaRestrictions& restrictions) {
    Session& s = session();
    // The driver's catalog functions are queries too: a row limit left from a statement must not
    // cut them short.
    if (s.connection.family() == DriverFamily::MariaDB) setSelectLimit(0);
    try {
        return openSchemaRowset(s, kind, restrictions);
    } catch (const DbError& e) {
        rethrow(e);
    }
}

} // namespace mv::odbc
