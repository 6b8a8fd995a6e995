// Running statements: the statement runs on the connection's worker thread while the UI thread
// keeps processing events, updates the elapsed time and lets the user stop it.
#include "db/db_connect.h"

#include "app/clock.h"
#include "app/error_report.h"
#include "app/texts.h"
#include "app/user_port.h"
#include "db/db_connect_worker.h"
#include "db/db_connect_refusals.h"

namespace mv {

namespace {
bool isStop(const std::exception_ptr& error) {
    if (!error) return false;
    try {
        std::rethrow_exception(error);
    } catch (const DbError& e) {
        return e.kind() == DbError::Kind::Cancelled;
    } catch (...) {
    }
    return false;
}
} // namespace

void C_DbConnect::ExecuteStop() {
    // A stop after the statement finished changes nothing about its result.
    if (!m_execRunning) return;
    m_stopRequested = true;
    *m_stopFlag = true;
    if (m_cn) m_cn->cancel();
}

qint32 C_DbConnect::Execute(const QString& sSQL, Recordset& rs, bool bUseClient, qint32 nMaxRecords, bool bReadOnly,
                            std::shared_ptr<RowBlockSink> blocks) {
    // A second Execute while one waits (an event processed in the wait loop) must not start.
    if (m_execRunning) return ExecFailed;
    qint32 status = ExecFailed;
    const bool ok = guardedVoid(Reporter::ErrorMsg, "Execute", "C_DbConnect", [&] {
        setIcon("kActiveConnection");
        m_stopRequested = false;
        // A fresh flag per run: a job abandoned earlier keeps its own.
        m_stopFlag = std::make_shared<std::atomic<bool>>(false);
        m_execRunning = true;
        exec(sSQL, rs, bUseClient, nMaxRecords, bReadOnly, blocks);
        if (m_pendingJob) {
            auto job = std::static_pointer_cast<ConnectionWorker::Job>(m_pendingJob);
            auto completion = m_pendingCompletion;
            Recordset* target = m_pendingRs;
            m_pendingJob.reset();
            m_pendingCompletion.reset();
            m_pendingRs = nullptr;
            // Without the asynchronous switch the window still repaints, but takes no input.
            const auto flags = m_async ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents;
            const bool done = m_worker->wait(
                job, [&] { if (m_timeObj) m_timeObj(elapsedText(steadyMsecs() - m_execStartTick)); }, flags);
            if (!done) {
                // Abandoned: the driver never returned. The statement counts as stopped.
                Completion c;
                c.error = std::make_exception_ptr(DbError(
                    DbError::Kind::Cancelled, ui_text("Die Datenbank antwortet nicht; die Abfrage wurde aufgegeben.",
                                                      "The database does not answer; the statement was abandoned.")));
                completion = std::make_shared<Completion>(c);
            }
            Cn_ExecuteComplete(*completion, target);
            if (isStop(completion->error)) status = ExecStopped;
            else status = m_execOk ? ExecSucceeded : ExecFailed;
        } else {
            status = ExecFailed;
        }
        // The panel ends on the statement's measured duration, the same the protocol shows.
        if (m_timeObj) m_timeObj(elapsedText(m_execMilisec));
        m_stopRequested = false;
        if (!m_isDisconnected || m_transaction) {
            setIcon(m_cn && m_cn->isOpen() ? "kActiveConnection" : "kOpenConnection");
        } else {
            m_execRunning = false;
            CloseConnection();
            setIcon(IsConnected() ? "kActiveConnection" : "kOpenConnection");
        }
    });
    m_execRunning = false;
    if (!ok) {
        if (m_isDisconnected && IsConnected() && !m_transaction) CloseConnection();
        return ExecFailed;
    }
    return status;
}

void C_DbConnect::exec(const QString& sSQL, Recordset& rs, bool bUseClient, qint32 nMaxRecords, bool /*bReadOnly*/,
                       std::shared_ptr<RowBlockSink> blocks) {
    const QDateTime attempt = now();
    // The duration counts from here: reopening the connection is part of running the statement.
    m_execStartTick = steadyMsecs();
    const QString noConnection = ui_text("Keine Datenbankverbindung!", "No database connection!");
    CaughtError failure{dberr::NotOpen, noConnection};
    bool refused = false;
    const bool handedOver = guarded(Reporter::ErrorMsg, "exec", "C_DbConnect", false, [&] {
        try {
            // A statement the driver would hang on never leaves the program.
            const QString refusal = refusalFor(sSQL, m_info.dbmsName);
            if (!refusal.isEmpty()) {
                failure = {dberr::ProviderError, refusal};
                refused = true;
                return false;
            }
            // ReConnect reports its own failure; it never reconnects under an open transaction.
            if (m_hasConnection && !IsConnected() && !ReConnect()) return false;
            if (!m_cn) throw DbError(DbError::Kind::NotOpen, noConnection);
            m_execOk = true;
            ExecOptions options;
            options.timeoutSeconds = m_queryTimeoutMinutes * 60;
            options.maxRecords = (bUseClient && nMaxRecords > 0) ? nMaxRecords : 0;
            m_execStart = now();
            m_lastMessages.clear();
            auto completion = std::make_shared<Completion>();
            // The job owns what it reads: a job given up on never touches this object.
            m_pendingJob = m_worker->post([cn = m_cn, sql = sSQL, options, stop = m_stopFlag, completion,
                                           blocks]() mutable {
                options.stopRequested = stop.get();
                options.rowBlocks = blocks.get();
                if (blocks)
                    blocks->stopFetch = [cn, stop] {
                        *stop = true;
                        cn->cancel();
                    };
                try {
                    completion->result = cn->execute(sql, options);
                } catch (...) {
                    completion->error = std::current_exception();
                }
            });
            m_pendingCompletion = completion;
            m_pendingRs = &rs;
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
        if (refused && !m_scriptMode) showMessage(m_lastError, MsgIcon::Exclamation);
    }
}

void C_DbConnect::Cn_ExecuteComplete(const Completion& c, Recordset* rs) {
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
            failure = {e.number(), e.description()};
        } catch (...) {
            failure = describeCurrentException();
        }
        statementFailed(failure);
        afterFailure(c.error);
        // A statement the user stopped is not an error to show.
        if (!m_scriptMode && !isStop(c.error)) showMessage(m_lastError, MsgIcon::Exclamation);
    });
}

void C_DbConnect::statementFailed(const CaughtError& failure) {
    // A failed statement has its own finish, so its elapsed time is its own.
    recordFailure(failure, now(), steadyMsecs());
}

void C_DbConnect::recordFailure(const CaughtError& failure, const QDateTime& finish, qint64 finishTick) {
    m_execFinish = finish;
    m_execMilisec = finishTick - m_execStartTick;
    m_execOk = false;
    m_recordsAffected = 0;
    m_lastError = ui_text("// { Fehlernummer: ", "// { Error Number: ") + QString::number(failure.number) +
                  QStringLiteral("\r\n") + ui_text("// { Fehlerbeschreibung: ", "// { Error Description: ") +
                  failure.description;
}

} // namespace mv
