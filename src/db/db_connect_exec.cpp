// Running statements: synchronously, or on a worker thread while the UI thread keeps processing
// events, updates the elapsed time and lets the user stop the statement.
#include "db/db_connect.h"

#include "app/clock.h"
#include "app/error_report.h"
#include "app/texts.h"
#include "app/user_port.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace mv {

void C_DbConnect::joinWorker() {
    if (m_worker.joinable()) m_worker.join();
}

void C_DbConnect::ExecuteStop() {
    m_stopRequested = true;
    m_stopFlag = true;
    if (m_execRunning && m_cn) m_cn->cancel();
}

qint32 C_DbConnect::Execute(const QString& sSQL, Recordset& rs, bool bUseClient, qint32 nMaxRecords, bool bReadOnly) {
    // A second Execute while one waits (an event processed in the wait loop) must not start.
    if (m_execRunning) return ExecFailed;
    qint32 status = ExecFailed;
    const bool ok = guardedVoid(Reporter::ErrorMsg, "Execute", "C_DbConnect", [&] {
        setIcon("kActiveConnection");
        m_stopRequested = false;
        m_stopFlag = false;
        m_execRunning = true;
        exec(sSQL, rs, bUseClient, nMaxRecords, bReadOnly);
        waitForCompletion();
        // The panel ends on the statement's measured duration, the same the protocol shows.
        if (m_timeObj) m_timeObj(elapsedText(m_execMilisec));
        if (m_stopRequested) {
            status = ExecStopped;
            m_stopRequested = false;
        } else {
            status = m_execOk ? ExecSucceeded : ExecFailed;
        }
        if (!m_isDisconnected || m_transaction) {
            setIcon("kActiveConnection");
        } else {
            if (m_cn && m_cn->isOpen()) m_cn->close();
            setIcon("kOpenConnection");
        }
    });
    if (!ok) {
        if (m_isDisconnected && IsConnected() && !m_transaction) m_cn->close();
        m_execRunning = false;
        return ExecFailed;
    }
    return status;
}

void C_DbConnect::waitForCompletion() {
    if (!m_execRunning) return;
    QEventLoop loop;
    QTimer tick;
    // The display moves about twenty times a second; between ticks the loop sleeps in the
    // event dispatcher, so waiting never spins a core.
    connect(&tick, &QTimer::timeout, &loop, [&] {
        if (m_timeObj) m_timeObj(elapsedText(steadyMsecs() - m_execStartTick));
    });
    connect(this, &C_DbConnect::executeComplete, &loop, &QEventLoop::quit);
    tick.start(50);
    while (m_execRunning) loop.exec();
}

void C_DbConnect::exec(const QString& sSQL, Recordset& rs, bool bUseClient, qint32 nMaxRecords, bool /*bReadOnly*/) {
    const QDateTime attempt = now();
    // The duration counts from here: reopening the connection is part of running the statement.
    m_execStartTick = steadyMsecs();
    const QString noConnection = ui_text("Keine Datenbankverbindung!", "No database connection!");
    CaughtError failure{dberr::NotOpen, noConnection};
    const bool handedOver = guarded(Reporter::ErrorMsg, "exec", "C_DbConnect", false, [&] {
        try {
            // ReConnect reports its own failure.
            if (m_isDisconnected && !IsConnected() && !ReConnect()) return false;
            if (!m_cn) throw DbError(DbError::Kind::NotOpen, noConnection);
            m_execOk = true;
            ExecOptions options;
            options.timeoutSeconds = m_queryTimeoutMinutes * 60;
            options.maxRecords = (bUseClient && nMaxRecords > 0) ? nMaxRecords : 0;
            options.stopRequested = &m_stopFlag;
            m_execStart = now();
            m_lastMessages.clear();
            joinWorker();
            const quint64 id = ++m_runId;
            if (m_async) {
                startWorker(sSQL, options, &rs);
            } else {
                Completion c;
                c.runId = id;
                try {
                    c.result = m_cn->execute(sSQL, options);
                } catch (...) {
                    c.error = std::current_exception();
                }
                Cn_ExecuteComplete(c, &rs);
            }
            return true;
        } catch (...) {
            failure = describeCurrentException();
            throw;
        }
    });
    if (!handedOver) {
        // Nothing reached the provider: this statement failed now, and the facts of the one
        // before must not stand for it.
        m_execStart = attempt;
        statementFailed(failure);
        m_execRunning = false;
    }
}

void C_DbConnect::startWorker(const QString& sql, const ExecOptions& options, Recordset* rs) {
    DbConnection* cn = m_cn.get();
    const quint64 id = m_runId;
    m_worker = std::thread([this, cn, sql, options, rs, id] {
        auto c = std::make_shared<Completion>();
        c->runId = id;
        try {
            c->result = cn->execute(sql, options);
        } catch (...) {
            c->error = std::current_exception();
        }
        // The completion is delivered on the UI thread, like the driver's execute-complete event.
        QMetaObject::invokeMethod(this, [this, c, rs] { Cn_ExecuteComplete(*c, rs); }, Qt::QueuedConnection);
    });
}

void C_DbConnect::Cn_ExecuteComplete(const Completion& c, Recordset* rs) {
    if (c.runId != m_runId) return;
    guardedVoid(Reporter::ErrorMsg, "Cn_ExecuteComplete", "C_DbConnect", [&] {
        if (!c.error) {
            m_execFinish = now();
            m_execMilisec = steadyMsecs() - m_execStartTick;
            m_recordsAffected = c.result.recordsAffected < 0 ? 0 : qint32(c.result.recordsAffected);
            m_lastMessages = c.result.messages;
            if (c.result.rows && rs) *rs = *c.result.rows;
            return;
        }
        CaughtError failure;
        try {
            std::rethrow_exception(c.error);
        } catch (const DbError& e) {
            m_lastMessages = e.diagnostics();
            // A broken connection is dropped, so the next statement opens a fresh one.
            if (e.connectionBroken() && m_cn) m_cn->disconnect();
            failure = {e.number(), e.description()};
        } catch (...) {
            failure = describeCurrentException();
        }
        statementFailed(failure);
        // A statement the user stopped is not an error to show.
        if (!m_scriptMode && !m_stopRequested) showMessage(m_lastError, MsgIcon::Exclamation);
    });
    m_execRunning = false;
    emit executeComplete();
}

void C_DbConnect::statementFailed(const CaughtError& failure) {
    // A failed statement has its own finish, so its elapsed time is its own.
    m_execFinish = now();
    m_execMilisec = steadyMsecs() - m_execStartTick;
    m_execOk = false;
    m_recordsAffected = 0;
    m_lastError = ui_text("// { Fehlernummer: ", "// { Error Number: ") + QString::number(failure.number) +
                  QStringLiteral("\r\n") + ui_text("// { Fehlerbeschreibung: ", "// { Error Description: ") +
                  failure.description;
}

} // namespace mv
