// Running a script: the worker runs the statements one after the other, each exactly as Execute
// runs one (reopening and closing a disconnected connection around it, the refusals, the time-out
// and the stop), without waiting for the window between two statements. The window takes the
// finished statements in order, in batches, while the worker goes on with the next ones: a
// statement then costs the database's own time, not two thread hand-offs and an event loop.
#include "db/db_connect.h"

#include "app/clock.h"
#include "app/error_report.h"
#include "app/texts.h"
#include "db/db_connect_refusals.h"
#include "db/db_connect_worker.h"
#include "session/session_log.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <condition_variable>
#include <deque>
#include <mutex>

namespace mv {

// What the worker found for one statement; the window turns it into the last-statement facts.
struct C_DbConnect::ScriptOutcome {
    QDateTime attempt;      // when the statement's turn came
    QDateTime start;        // when it was handed to the driver
    QDateTime finish;
    qint64 startTick = 0;   // steady clock at the attempt
    qint64 finishTick = 0;
    QString refusal;                    // refused before it was sent
    std::exception_ptr openError;       // the connection could not be reopened for it
    std::exception_ptr error;           // the statement failed (or was stopped)
    qint64 recordsAffected = -1;
    std::vector<DbDiagnostic> messages;
    std::optional<std::pair<DbInfo, QList<DbProperty>>> facts; // read when it reopened the connection
    bool transactionLost = false;
};

// The finished statements on their way from the worker to the window. Bounded, so a window that
// falls behind holds the worker back instead of piling up outcomes.
struct C_DbConnect::ScriptChannel {
    static constexpr size_t Room = 4096;
    std::mutex mutex;
    std::condition_variable room;
    std::deque<ScriptOutcome> ready;
    bool finished = false; // the worker is through with the script
    bool closed = false;   // the window no longer listens: the worker ends after its statement
    bool announced = false; // a wake-up of the window is on its way
    QObject* receiver = nullptr; // lives on the window's thread; cleared before it goes

    // Wakes the window unless a wake-up is pending. Called with the mutex held. While statements
    // follow each other quickly the window is woken only for a batch of them (or by its own
    // timer): waking it for each would cost a thread switch per statement on both sides.
    static constexpr size_t Batch = 128;
    void announce(QEventLoop* loop, bool now) {
        if (announced || !receiver || (!now && ready.size() < Batch)) return;
        announced = true;
        QMetaObject::invokeMethod(receiver, [loop] { loop->quit(); }, Qt::QueuedConnection);
    }
};

namespace {

// How often the window looks for finished statements the worker has not announced yet.
constexpr int ScriptTickMs = 50;

struct FailureKind {
    bool cancelled = false;
};

FailureKind kindOfFailure(const std::exception_ptr& error) {
    FailureKind k;
    try {
        std::rethrow_exception(error);
    } catch (const DbError& e) {
        k.cancelled = e.kind() == DbError::Kind::Cancelled;
    } catch (...) {
    }
    return k;
}

} // namespace

void C_DbConnect::ExecuteScript(const QStringList& statements, qint32 nMaxRecords,
                                const std::function<void(qsizetype, qint32)>& each) {
    if (statements.isEmpty() || m_execRunning) return;
    // What the worker needs in hand: the translated string (its failure is reported as a reopen
    // failure by the one-by-one path) and a connection object.
    bool ready = m_hasConnection && !m_transactionLost && m_cn;
    if (ready && m_odbcString.isEmpty()) ready = false;
    if (!ready) {
        for (qsizetype i = 0; i < statements.size(); ++i) {
            Recordset none;
            const qint32 status = Execute(statements[i], none, true, nMaxRecords, false);
            each(i, status);
            if (status == ExecStopped || m_transactionLost) break;
        }
        return;
    }
    guardedVoid(Reporter::ErrorMsg, "ExecuteScript", "C_DbConnect", [&] { runScriptOnWorker(statements, nMaxRecords, each); });
    m_execRunning = false;
    m_stopRequested = false;
}

void C_DbConnect::runScriptOnWorker(const QStringList& statements, qint32 nMaxRecords,
                                    const std::function<void(qsizetype, qint32)>& each) {
    setIcon("kActiveConnection");
    m_stopRequested = false;
    m_stopFlag = std::make_shared<std::atomic<bool>>(false);
    m_execRunning = true;

    QEventLoop loop;
    QObject receiver;
    auto channel = std::make_shared<ScriptChannel>();
    channel->receiver = &receiver;
    // However this function is left (an error thrown on the way too), the worker stops announcing
    // to the receiver before it goes and ends after its statement.
    struct Closing {
        ScriptChannel& channel;
        ~Closing() {
            {
                std::lock_guard lock(channel.mutex);
                channel.closed = true;
                channel.receiver = nullptr;
            }
            channel.room.notify_all();
        }
    } closing{*channel};

    ExecOptions options;
    options.timeoutSeconds = m_queryTimeoutMinutes * 60;
    options.maxRecords = nMaxRecords > 0 ? nMaxRecords : 0;
    const bool reopen = m_isDisconnected && !m_transaction;
    const bool transaction = m_transaction;
    // The job owns what it reads: a job given up on never touches this object.
    m_worker->post([cn = m_cn, statements, options, stop = m_stopFlag, channel, odbc = m_odbcString,
                    dbms = m_info.dbmsName, reopen, transaction, loopPtr = &loop]() mutable {
        options.stopRequested = stop.get();
        bool factsRead = false;
        auto deliver = [&](ScriptOutcome&& o) {
            std::unique_lock lock(channel->mutex);
            channel->room.wait(lock, [&] { return channel->closed || channel->ready.size() < ScriptChannel::Room; });
            if (channel->closed) return false;
            channel->ready.push_back(std::move(o));
            channel->announce(loopPtr, false);
            return true;
        };
        for (const QString& sql : statements) {
            ScriptOutcome o;
            o.startTick = steadyMsecs();
            auto finished = [&] {
                o.finish = now();
                o.finishTick = steadyMsecs();
            };
            // A stop between two statements: the next one does not start.
            if (stop->load()) {
                o.attempt = o.start = now();
                o.error = std::make_exception_ptr(DbError(DbError::Kind::Cancelled, cancelledByUserText()));
                finished();
                deliver(std::move(o));
                break;
            }
            o.refusal = refusalFor(sql, dbms);
            if (!o.refusal.isEmpty()) {
                o.attempt = now();
                finished();
                if (!deliver(std::move(o))) break;
                continue;
            }
            if (!cn->isOpen()) {
                try {
                    cn->open(odbc);
                    if (!factsRead) o.facts = std::make_pair(cn->info(), cn->properties());
                    factsRead = true;
                } catch (...) {
                    o.openError = std::current_exception();
                    if (reopen) cn->disconnect();
                    finished();
                    // Its turn began before the attempt to reopen.
                    o.attempt = o.finish.addMSecs(o.startTick - o.finishTick);
                    if (!deliver(std::move(o))) break;
                    continue;
                }
            }
            // The wall clock is read twice per statement: each reading looks at the time zone.
            o.start = now();
            const bool heldTransaction = cn->sessionTransactionOpen();
            try {
                ExecResult r = cn->execute(sql, options);
                o.recordsAffected = r.recordsAffected;
                o.messages = std::move(r.messages);
            } catch (...) {
                o.error = std::current_exception();
            }
            finished();
            bool last = false;
            if (o.error) {
                const FailureKind k = kindOfFailure(o.error);
                last = k.cancelled;
                // As after a single statement: only a broken connection goes (the next statement
                // opens a fresh one), and inside a transaction it takes the transaction.
                if (sessionGone(o.error, *cn)) {
                    cn->disconnect();
                    // A transaction of the script's own went with the session: what follows must
                    // not run as if it were still inside one.
                    if (heldTransaction) last = true;
                    if (transaction) {
                        o.transactionLost = true;
                        last = true;
                    }
                }
            }
            // A transaction the script's own statements began keeps its connection until it ends.
            if (reopen && cn->isOpen() && !cn->sessionTransactionOpen()) cn->close();
            if (!deliver(std::move(o)) || last) break;
        }
        std::lock_guard lock(channel->mutex);
        channel->finished = true;
        channel->announce(loopPtr, true);
    });

    // The window's side: takes what is ready, keeps the window alive and the elapsed time running.
    bool abandoned = false;
    const auto onAbandoned = connect(m_worker, &ConnectionWorker::workAbandoned, &loop, [&] {
        abandoned = true;
        loop.quit();
    });
    const qint64 scriptStartTick = steadyMsecs();
    QTimer tick;
    connect(&tick, &QTimer::timeout, &loop, [&] {
        if (m_timeObj) m_timeObj(elapsedText(steadyMsecs() - scriptStartTick));
        std::lock_guard lock(channel->mutex);
        if (!channel->ready.empty()) loop.quit();
    });
    tick.start(ScriptTickMs);
    const auto flags = m_async ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents;
    QElapsedTimer sinceEvents;
    sinceEvents.start();
    qsizetype next = 0;
    bool done = false;
    std::deque<ScriptOutcome> batch;
    while (!done) {
        bool finished = false;
        {
            std::lock_guard lock(channel->mutex);
            batch.swap(channel->ready);
            channel->announced = false;
            finished = channel->finished;
        }
        channel->room.notify_all();
        for (ScriptOutcome& o : batch) {
            const qint32 status = takeOutcome(o);
            each(next++, status);
            // The window stays alive while the outcomes keep coming faster than it takes them.
            if (sinceEvents.elapsed() >= 20) {
                QCoreApplication::processEvents(flags);
                sinceEvents.restart();
            }
        }
        if (!batch.empty() && m_timeObj) m_timeObj(elapsedText(m_execMilisec));
        batch.clear();
        if (finished || abandoned) break;
        {
            std::lock_guard lock(channel->mutex);
            if (!channel->ready.empty() || channel->finished) continue;
        }
        loop.exec(flags);
        sinceEvents.restart();
    }
    disconnect(onAbandoned);
    {
        std::lock_guard lock(channel->mutex);
        channel->closed = true;
        channel->receiver = nullptr;
    }
    channel->room.notify_all();
    if (abandoned && next < statements.size()) {
        // The driver never returned: the statement in hand counts as stopped, the rest never run.
        ScriptOutcome o;
        o.attempt = o.start = now();
        o.startTick = steadyMsecs();
        o.finish = now();
        o.finishTick = o.startTick;
        o.error = std::make_exception_ptr(DbError(
            DbError::Kind::Cancelled, ui_text("Die Datenbank antwortet nicht; die Abfrage wurde aufgegeben.",
                                              "The database does not answer; the statement was abandoned.")));
        m_execRunning = false;
        each(next, takeOutcome(o, false));
    }
    m_execRunning = false;
    if (m_timeObj) m_timeObj(elapsedText(m_execMilisec));
    setIcon(!reopen && m_cn && m_cn->isOpen() ? "kActiveConnection" : "kOpenConnection");
}

qint32 C_DbConnect::takeOutcome(const ScriptOutcome& o, bool connectionSettled) {
    if (o.facts) {
        m_info = o.facts->first;
        m_properties = o.facts->second;
    }
    m_execStartTick = o.startTick;
    if (!o.refusal.isEmpty()) {
        m_execStart = o.attempt;
        recordFailure({dberr::ProviderError, o.refusal}, o.finish, o.finishTick);
        return ExecFailed;
    }
    if (o.openError) {
        // As a failed reopen before a single statement: told, written to the protocol, and the
        // statement fails for want of a connection.
        reportFailure(o.openError, "ReConnect");
        m_session.append(failureReport(o.openError) + QStringLiteral("\r\n"));
        setIcon("kErrorConnection");
        m_execStart = o.attempt;
        recordFailure({dberr::NotOpen, ui_text("Keine Datenbankverbindung!", "No database connection!")}, o.finish,
                      o.finishTick);
        return ExecFailed;
    }
    m_execStart = o.start;
    if (!o.error) {
        m_execOk = true;
        m_execFinish = o.finish;
        m_execMilisec = o.finishTick - o.startTick;
        m_recordsAffected = o.recordsAffected < 0 ? 0 : qint32(o.recordsAffected);
        m_lastMessages = o.messages;
        return ExecSucceeded;
    }
    CaughtError failure;
    try {
        std::rethrow_exception(o.error);
    } catch (const DbError& e) {
        m_lastMessages = e.diagnostics();
        failure = {e.number(), e.description()};
    } catch (...) {
        m_lastMessages.clear();
        failure = describeCurrentException();
    }
    recordFailure(failure, o.finish, o.finishTick);
    if (o.transactionLost && connectionSettled) m_transactionLost = true;
    return kindOfFailure(o.error).cancelled ? ExecStopped : ExecFailed;
}

} // namespace mv
