#include "db/db_connect.h"

#include "app/clock.h"
#include "app/error_report.h"
#include "app/texts.h"
#include "app/user_port.h"
#include "db/connection_string.h"
#include "db/db_connect_worker.h"
#include "session/session_log.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace mv {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kTab = QStringLiteral("\t");
QString separatorLine() { return QStringLiteral("//") + QString(78, u'-'); }
} // namespace

C_DbConnect::C_DbConnect(SessionLog& session, ConnectionHost* host, QObject* parent)
    : QObject(parent), m_session(session), m_host(host), m_worker(new ConnectionWorker(this)) {}

C_DbConnect::~C_DbConnect() {
    if (m_cn) {
        m_cn->cancel();
        // The connection is closed on its own thread; the worker's end waits a short while for it.
        // (A connection given up on is no longer here: its stuck job holds it.)
        m_worker->post([cn = std::move(m_cn)]() mutable { cn.reset(); });
    }
    m_hasConnection = false;
}

void C_DbConnect::onWorker(std::function<void()> work) {
    auto error = std::make_shared<std::exception_ptr>();
    auto job = m_worker->post([work = std::move(work), error] {
        try {
            work();
        } catch (...) {
            *error = std::current_exception();
        }
    });
    if (!m_worker->wait(job))
        throw DbError(DbError::Kind::Failed, ui_text("Die Datenbank antwortet nicht; der Vorgang wurde aufgegeben.",
                                                     "The database does not answer; the operation was abandoned."));
    if (*error) std::rethrow_exception(*error);
}

bool C_DbConnect::busy() const { return m_execRunning || m_worker->busy(); }

void C_DbConnect::abandonWork() {
    if (!m_worker->busy()) return;
    m_abandoned = true;
    // The stuck job keeps its own reference to the connection; this object never touches that
    // connection again, and the next statement opens a new one on a new thread.
    m_cn.reset();
    // An open transaction goes with the connection (the server rolls it back when the
    // connection ends); it is settled like a lost one.
    if (m_transaction) m_transactionLost = true;
    m_worker->abandon();
    setIcon("kErrorConnection");
}

bool C_DbConnect::stopAndSettle(std::chrono::milliseconds grace) {
    if (!busy()) return true;
    m_stopRequested = true;
    *m_stopFlag = true;
    if (m_cn) m_cn->cancel();
    // Wait for whatever is queued last: when it is done, everything before it is done too.
    auto marker = m_worker->post([] {});
    if (m_worker->wait(marker, {}, QEventLoop::AllEvents, grace)) return true;
    abandonWork();
    return false;
}

void C_DbConnect::dropConnection() {
    if (!m_cn) return;
    try {
        onWorker([cn = m_cn] { cn->disconnect(); });
    } catch (...) {
    }
}

void C_DbConnect::afterFailure(const std::exception_ptr& error) {
    if (!m_cn || !error) return;
    if (!sessionGone(error, *m_cn)) return;
    // The server has ended the session: inside a transaction that took the transaction with it,
    // and nothing may reconnect silently under it.
    if (m_transaction) m_transactionLost = true;
    dropConnection();
}

bool C_DbConnect::sessionGone(const std::exception_ptr& error, const DbConnection& cn) {
    // An ordinary SQL error, a stop and a time-out leave the session as it was (its SET values,
    // temporary tables, attached databases), as every native client keeps it: every engine ends
    // a stop cleanly, and all calls of a connection come from its one worker thread, so a driver
    // lock left with the thread that saw an error is taken again by that same thread. Only a
    // connection that broke is closed; the next statement opens a fresh one.
    if (!cn.isOpen()) return true;
    try {
        std::rethrow_exception(error);
    } catch (const DbError& e) {
        return e.connectionBroken();
    } catch (...) {
    }
    return false;
}

void C_DbConnect::settleTransactionLoss() {
    if (!m_transactionLost) return;
    m_transactionLost = false;
    m_transaction = false;
    setIcon(m_cn && m_cn->isOpen() ? "kActiveConnection" : "kOpenConnection");
    if (m_onTransactionLost) m_onTransactionLost();
}

void C_DbConnect::BeginTrans() {
    if (busy()) throw DbError(DbError::Kind::Failed, ui_text("Es läuft noch eine Abfrage.", "A statement is still running."));
    if (!m_cn) throw DbError(DbError::Kind::NotOpen, ui_text("Keine Datenbankverbindung!", "No database connection!"));
    try {
        onWorker([cn = m_cn] { cn->beginTransaction(); });
    } catch (...) {
        afterFailure(std::current_exception());
        throw;
    }
    m_transaction = true;
}

void C_DbConnect::CommitTrans() {
    if (busy()) throw DbError(DbError::Kind::Failed, ui_text("Es läuft noch eine Abfrage.", "A statement is still running."));
    if (!m_cn || !m_cn->inTransaction())
        throw DbError(DbError::Kind::NotOpen, ui_text("Keine offene Transaktion!", "No open transaction!"));
    try {
        onWorker([cn = m_cn] { cn->commitTransaction(); });
    } catch (...) {
        afterFailure(std::current_exception());
        throw;
    }
    m_transaction = false;
}

void C_DbConnect::RollbackTrans() {
    if (busy()) throw DbError(DbError::Kind::Failed, ui_text("Es läuft noch eine Abfrage.", "A statement is still running."));
    if (!m_cn || !m_cn->inTransaction())
        throw DbError(DbError::Kind::NotOpen, ui_text("Keine offene Transaktion!", "No open transaction!"));
    try {
        onWorker([cn = m_cn] { cn->rollbackTransaction(); });
    } catch (...) {
        afterFailure(std::current_exception());
        throw;
    }
    m_transaction = false;
}

Recordset C_DbConnect::openSchema(SchemaKind kind, const SchemaRestrictions& restrictions) {
    if (!m_cn) throw DbError(DbError::Kind::NotOpen, ui_text("Keine Datenbankverbindung!", "No database connection!"));
    auto result = std::make_shared<Recordset>();
    try {
        onWorker([cn = m_cn, kind, restrictions, result] { *result = cn->openSchema(kind, restrictions); });
    } catch (...) {
        afterFailure(std::current_exception());
        throw;
    }
    return *result;
}

void C_DbConnect::setIcon(const char* key) {
    if (m_host) m_host->SetConnectionIcon(QString::fromUtf8(key));
}

void C_DbConnect::setQTimeObj(std::function<void(const QString&)> display) { m_timeObj = std::move(display); }

QString C_DbConnect::elapsedText(qint64 msecs) {
    return ui_text("Verstrichene Zeit: ", "Elapsed time: ") + elapsedClockText(msecs) + u' ';
}

QString C_DbConnect::QueryExecElapsed() const { return elapsedClockText(m_execMilisec); }

std::pair<std::optional<qint32>, std::optional<bool>> C_DbConnect::kindOf(const QString& provider,
                                                                            const QString& dbmsName) {
    if (provider == QLatin1String("MSDASQL.1")) {
        const QString dbms = dbmsName.toUpper();
        if (dbms == QLatin1String("POSTGRESQL")) return {KindPostgreSql, true};
        if (dbms == QLatin1String("MYSQL") || dbms == QLatin1String("MARIADB")) return {KindMySql, true};
        if (dbms == QLatin1String("DBASE") || dbms == QLatin1String("PARADOX")) return {std::nullopt, false};
        return {KindOdbc, true};
    }
    if (provider == QLatin1String("Microsoft.Jet.OLEDB.4.0") || provider == QLatin1String("Microsoft.Jet.OLEDB.3.5"))
        return {KindJet, true};
    if (provider == QLatin1String("SQLOLEDB.1")) return {KindSqlServer, true};
    if (provider == QLatin1String("MSDAORA.1")) return {KindOracle, true};
    if (provider == QLatin1String("IBMDADB2.1")) return {KindDb2, true};
    // Any other provider: asynchronous execution stays allowed, since our layer runs every
    // statement on a worker thread the same way.
    return {KindOther, true};
}

QString C_DbConnect::Database() const {
    const QString cs = m_conString;
    const qsizetype at = cs.indexOf(QLatin1String("Data Source="));
    if (at >= 0) {
        const qsizetype from = at + 12;
        const qsizetype semi = cs.indexOf(u';', from);
        return cs.mid(from, semi < 0 ? -1 : semi - from);
    }
    // An ODBC string may also stand inside "Extended Properties" of a data link file.
    for (QString text = cs; !text.isEmpty();) {
        const auto keys = parseConnectionKeys(text);
        if (!keys) break;
        for (const char* key : {"Database", "DSN", "Server", "DBQ", "Initial Catalog"}) {
            const QString v = keys->value(QLatin1String(key));
            if (!v.isEmpty()) return v;
        }
        text = keys->value(QStringLiteral("Extended Properties"));
    }
    return {};
}

void C_DbConnect::openPhysical() {
    // The translation asks the driver manager for its drivers, which reads its files: once per
    // Init, not for every statement a disconnected connection reopens for.
    if (m_odbcString.isEmpty()) {
        // User and password go to the driver only when both are given; the string may carry them.
        const bool both = !m_user.isEmpty() && !m_password.isEmpty();
        const OdbcTranslation t = toOdbc(m_conString, both ? m_user : QString(), both ? m_password : QString());
        if (!t.ok()) throw DbError(DbError::Kind::Failed, t.error);
        m_odbcString = t.odbc;
    }
    if (!m_cn) m_cn = createDbConnection();
    auto facts = std::make_shared<std::pair<DbInfo, QList<DbProperty>>>();
    onWorker([cn = m_cn, odbc = m_odbcString, facts] {
        cn->open(odbc);
        *facts = {cn->info(), cn->properties()};
    });
    m_info = facts->first;
    m_properties = facts->second;
}

QString C_DbConnect::failureReport(const std::exception_ptr& error) const {
    QString text = ui_text("// Verbindung fehlgeschlagen!", "// Connection failed!") + kCrLf + separatorLine() + kCrLf;
    auto block = [&](long number, const QString& source, long native, const QString& state, const QString& desc) {
        text += ui_text("// Nummer:", "// Number:") + kTab + kTab + QString::number(number) + kCrLf;
        text += ui_text("// Quelle:", "// Source:") + kTab + kTab + source + kTab + kCrLf;
        text += ui_text("// Nativer Fehler:", "// Native Error:") + kTab + QString::number(native) + kCrLf;
        text += ui_text("// SQL-Status:", "// SQLState:") + kTab + kTab + state + kCrLf;
        text += ui_text("// Beschreibung:", "// Description:") + kTab + desc + kCrLf;
    };
    try {
        std::rethrow_exception(error);
    } catch (const DbError& e) {
        if (e.diagnostics().empty()) block(e.number(), QString(), 0, QString(), e.description());
        for (const DbDiagnostic& d : e.diagnostics()) block(e.number(), d.source, d.nativeError, d.sqlState, d.message);
    } catch (...) {
        const CaughtError c = describeCurrentException();
        block(c.number, QString(), 0, QString(), c.description);
    }
    return text;
}

void C_DbConnect::reportFailure(const std::exception_ptr& error, const char* procedure) {
    try {
        std::rethrow_exception(error);
    } catch (...) {
        report(Reporter::ErrorMsg, describeCurrentException(), procedure, "C_DbConnect");
    }
}

bool C_DbConnect::Init(const QString& sConStr, const QString& sUser, const QString& sPwd, bool bDisconnect) {
    if (busy()) stopAndSettle(std::chrono::seconds(2));
    try {
        // A new connection replaces the previous one; the old one ends on the worker.
        if (m_cn) {
            std::shared_ptr<DbConnection> old = std::move(m_cn);
            try {
                onWorker([old]() mutable { old->disconnect(); });
            } catch (...) {
            }
        }
        m_transaction = false;
        m_transactionLost = false;
        m_cn = createDbConnection();
        m_conString = sConStr;
        m_user = sUser;
        m_password = sPwd;
        m_odbcString.clear();
        openPhysical();
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        reportFailure(error, "Init");
        const QString report = failureReport(error);
        m_session.append(report + kCrLf);
        SessionLogRecord r;
        r.logType = LogConnection;
        r.error = true;
        r.errorText = report;
        r.connectionString = HidePassword(sConStr);
        m_session.SessionLogInsert(r);
        if (bDisconnect) dropConnection();
        setIcon("kErrorConnection");
        return false;
    }
    return guarded(Reporter::ErrorMsg, "Init", "C_DbConnect", false, [&] {
        m_isDisconnected = bDisconnect;
        m_provider = providerOf(sConStr);
        const DbInfo& info = m_info;
        const bool transactions = info.transactionDdl == 8 || info.transactionDdl == 16;
        if (m_host) m_host->setStartTransEnabled(transactions);
        QString report = ui_text("// Verbindung hergestellt!", "// Connection established!") + kCrLf;
        report += separatorLine() + kCrLf;
        report += ui_text("// Mit Datenbank:", "// On Database:") + kTab + kTab + Database() + kCrLf;
        report += ui_text("// Mit Benutzer:", "// With User:") + kTab + (isGerman() ? kTab : kTab + kTab) + m_user + kCrLf;
        report += ui_text("// Über Provider:", "// Using Provider:") + kTab + kTab + m_provider + kCrLf;
        report += QStringLiteral("// ADO Version:") + kTab + kTab + info.managerVersion + kCrLf;
        report += QStringLiteral("// Connection String:") + kTab + HidePassword(sConStr) + kCrLf;
        report += ui_text("// Transaktion:", "// Transaction:") + kTab + kTab +
                  (transactions ? ui_text("Verfügbar", "Enabled") : ui_text("Nicht Verfügbar", "Disabled")) + kCrLf;
        const auto [kind, async] = kindOf(m_provider, info.dbmsName);
        if (kind) m_kind = *kind;
        if (async) setAllowAsync(*async);
        if (bDisconnect) CloseConnection();
        m_hasConnection = true;
        m_session.append(report);
        SessionLogRecord r;
        r.logType = LogConnection;
        r.sql = report;
        r.connectionString = HidePassword(sConStr);
        m_session.SessionLogInsert(r);
        m_initLog = report;
        return true;
    });
}

void C_DbConnect::RepeatInitLog() {
    guardedVoid(Reporter::ErrorMsg, "RepeatInitLog", "C_DbConnect", [&] {
        m_session.append(m_initLog);
        SessionLogRecord r;
        r.logType = LogConnection;
        r.sql = m_initLog;
        r.connectionString = HidePassword(m_conString);
        m_session.SessionLogInsert(r);
    });
}

bool C_DbConnect::ReConnect() {
    if (IsConnected() && m_transaction) return false;
    // A transaction whose connection broke is over: a new connection would silently commit
    // every statement, so it is ended here first (the user is told).
    settleTransactionLoss();
    try {
        openPhysical();
        setIcon("kActiveConnection");
        return true;
    } catch (...) {
        const std::exception_ptr error = std::current_exception();
        reportFailure(error, "ReConnect");
        m_session.append(failureReport(error) + kCrLf);
        if (m_isDisconnected) dropConnection();
        setIcon("kErrorConnection");
        return false;
    }
}

bool C_DbConnect::CloseConnection() {
    guardedVoid(Reporter::ErrorMsg, "CloseConnection", "C_DbConnect", [&] {
        if (!IsConnected() || m_transaction || m_execRunning) return;
        // A transaction the user's own statements began stays with its connection until they end it:
        // closing would roll it back, and the next statements would commit one by one.
        bool closed = false;
        onWorker([cn = m_cn, &closed] {
            if (cn->sessionTransactionOpen()) return;
            cn->close();
            closed = true;
        });
        setIcon(closed ? "kOpenConnection" : "kActiveConnection");
    });
    return false;
}

bool C_DbConnect::sessionTransactionOpen() {
    if (!IsConnected() || m_execRunning) return false;
    bool open = false;
    try {
        onWorker([cn = m_cn, &open] { open = cn->sessionTransactionOpen(); });
    } catch (...) {
        return false;
    }
    return open;
}

void C_DbConnect::EndCn() {
    guardedVoid(Reporter::ErrorMsg, "EndCn", "C_DbConnect", [&] {
        // A statement still running is stopped; a driver that does not return is left behind.
        if (busy()) stopAndSettle(std::chrono::seconds(2));
        if (m_cn) {
            std::shared_ptr<DbConnection> old = std::move(m_cn);
            try {
                onWorker([old]() mutable {
                    if (old->isOpen()) old->close();
                    old.reset();
                });
            } catch (...) {
            }
        }
        m_cn.reset();
        m_transactionLost = false;
        m_hasConnection = false;
        // A transaction never outlives its connection (closing rolled it back).
        m_transaction = false;
        setIcon("kCloseConnection");
        if (m_host) m_host->setConnectionCaption(ui_text("Keine Datenbankverbindung! ", "No database connection! "));
    });
}

} // namespace mv
