#pragma once
// The program's one gateway to the database: connects from a connection string, recognises the
// kind of database, writes its connection report to the session, runs statements with a running
// elapsed-time display and a stop request, keeps the facts of the last statement, and offers the
// catalog queries and transactions. Every call on the physical connection runs on the object's own
// long-lived worker thread (ConnectionWorker); the UI thread waits for it in its event loop.
#include "db/db_access.h"
#include "db/recordset.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

namespace mv {

class SessionLog;
class ConnectionWorker;
struct CaughtError;

// What the connection object touches on the main window.
class ConnectionHost {
public:
    virtual ~ConnectionHost() = default;
    virtual void SetConnectionIcon(const QString& key) = 0; // kActiveConnection, kOpenConnection, ...
    virtual void setStartTransEnabled(bool enabled) = 0;    // cmdStartTrans
    virtual void setConnectionCaption(const QString& text) = 0; // status bar panel kConnection
};

// Database kinds.
enum DatabaseKind : qint32 {
    KindOdbc = 0,
    KindJet = 1,
    KindSqlServer = 2,
    KindOracle = 3,
    KindDb2 = 4,
    KindPostgreSql = 5,
    KindMySql = 6,
    KindOther = 99,
};

class C_DbConnect : public QObject {
    Q_OBJECT
public:
    enum ExecStatus : qint32 { ExecFailed = 0, ExecSucceeded = -1, ExecStopped = -10 };

    C_DbConnect(SessionLog& session, ConnectionHost* host = nullptr, QObject* parent = nullptr);
    ~C_DbConnect() override;

    void setFrmWork(ConnectionHost* host) { m_host = host; }
    void SetConnectionIcon(const QString& key) {
        if (m_host) m_host->SetConnectionIcon(key);
    }

    // --- connecting ---
    bool Init(const QString& sConStr, const QString& sUser, const QString& sPwd, bool bDisconnect);
    bool ReConnect();
    bool CloseConnection();
    // A transaction the user's own statements began (BEGIN typed) and have not ended yet.
    bool sessionTransactionOpen();
    void EndCn();
    void RepeatInitLog();

    // --- executing ---
    // With `blocks` a result's rows stream to it on the worker while they are fetched (rs gets the
    // fields only); everything else is as without. The job shares the sink, so a job given up on
    // never hands rows to a sink that is gone.
    qint32 Execute(const QString& sSQL, Recordset& rs, bool bUseClient, qint32 nMaxRecords, bool bReadOnly,
                   std::shared_ptr<RowBlockSink> blocks = {});
    void exec(const QString& sSQL, Recordset& rs, bool bUseClient, qint32 nMaxRecords, bool bReadOnly,
              std::shared_ptr<RowBlockSink> blocks = {});
    void ExecuteStop();
    // Runs a script's statements one after the other, each as Execute runs it, without waiting for
    // the window between two of them. `each` gets every statement's index and status in order on
    // this thread, with the last-statement facts (LastError, RecordsAffected, QueryExec...) set to
    // that statement's. Ends after a stopped statement or when the transaction was lost.
    void ExecuteScript(const QStringList& statements, qint32 nMaxRecords,
                       const std::function<void(qsizetype index, qint32 status)>& each);
    // Minutes; the execute command hands over its time-out setting.
    void setQueryTimeout(int minutes) { m_queryTimeoutMinutes = minutes; }
    // Where the running elapsed time is written (the status bar's time panel).
    void setQTimeObj(std::function<void(const QString&)> display);

    // --- transactions (the flag keeps the connection open between statements) ---
    bool Transaction() const { return m_transaction; }
    void setTransaction(bool value) { m_transaction = value; }
    // On the worker; throw DbError. A lost connection ends the transaction (see below).
    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    // The connection broke while a transaction was open: the server has rolled it back. No
    // statement reconnects until settleTransactionLoss() has ended the transaction here as well.
    bool transactionLost() const { return m_transactionLost; }
    // Ends a lost transaction: the flag goes and the handler (counter, buttons, log, the user's
    // message) runs once. Does nothing when no transaction was lost.
    void settleTransactionLoss();
    void setTransactionLostHandler(std::function<void()> handler) { m_onTransactionLost = std::move(handler); }

    // --- waiting, stopping and shutdown ---
    // A statement, catalog call or transaction step is running or queued on the worker.
    bool busy() const;
    // Stops the running statement and waits up to `grace` for it; when the driver does not return
    // by then, the work is abandoned: its thread is left behind and the connection is dropped
    // without another call into the driver. True when nothing had to be abandoned.
    bool stopAndSettle(std::chrono::milliseconds grace);
    // Gives up on the running work at once (the user agreed, or the program is ending).
    void abandonWork();
    bool workAbandoned() const { return m_abandoned; }

    // --- state ---
    // The connection itself: only info(), isOpen() and cancel() may be called from the UI thread;
    // everything else goes through this object, which runs it on its worker.
    DbConnection* Connection() const { return m_cn.get(); }
    // The facts of the data source as of the last open.
    const DbInfo& info() const { return m_info; }
    // A catalog rowset on the worker (queued behind a running statement). Throws DbError.
    Recordset openSchema(SchemaKind kind, const SchemaRestrictions& restrictions);
    qint32 mvDatabase() const { return m_kind; }
    bool hasConnection() const { return m_hasConnection; }
    bool IsConnected() const { return m_cn && m_cn->isOpen(); }
    bool IsDisconnected() const { return m_isDisconnected; }
    bool execRunning() const { return m_execRunning; }
    void SetScriptMode(bool value) { m_scriptMode = value; }
    bool GetScriptMode() const { return m_scriptMode; }
    bool async() const { return m_async; }
    void setAsync(bool value) { m_async = value; }
    bool allowAsync() const { return m_allowAsync; }
    void setAllowAsync(bool value) { m_allowAsync = m_async = value; }
    QDateTime QueryExecStart() const { return m_execStart; }
    QDateTime QueryExecFinish() const { return m_execFinish; }
    // The measured duration of the last statement in milliseconds, from the steady clock (the wall
    // clock times above may jump), and as "hh:mm:ss.cc".
    qint64 QueryExecMilisec() const { return m_execMilisec; }
    QString QueryExecElapsed() const;
    qint32 RecordsAffected() const { return m_recordsAffected; }
    QString LastError() const { return m_lastError; }
    QString Database() const;
    QString DBUser() const { return m_user; }
    QString InitConString() const { return m_conString; }
    QString InitLog() const { return m_initLog; }
    QString providerName() const { return m_provider; }
    // Messages (notices, warnings) of the last statement.
    const std::vector<DbDiagnostic>& lastMessages() const { return m_lastMessages; }

    // The status bar's elapsed-time text: "Elapsed time: hh:mm:ss.cc ".
    static QString elapsedText(qint64 msecs);
    // The kind and whether statements may run asynchronously, from provider and DBMS name.
    static std::pair<std::optional<qint32>, std::optional<bool>> kindOf(const QString& provider,
                                                                          const QString& dbmsName);

    // --- catalog queries ---
    bool GetTablesRs(Recordset& rs, bool systemObjects = false);
    bool GetViewsRs(Recordset& rs, bool systemObjects = false);
    bool GetLinkedTablesRs(Recordset& rs);
    bool GetProcsRs(Recordset& rs, bool systemObjects = false);
    bool GetFieldsRs(const QString& owner, const QString& table, Recordset& rs);
    bool GetIndexRs(const QString& owner, const QString& table, Recordset& rs);
    bool GetKeysRs(const QString& owner, const QString& table, Recordset& rs);
    bool GetProcParasRs(const QString& owner, const QString& procedure, Recordset& rs);
    bool GetProviderTypes(Recordset& rs);
    QString GetCnProperties();

private:
    struct Completion {
        ExecResult result;
        std::exception_ptr error;
    };
    struct ScriptOutcome;
    struct ScriptChannel;
    void Cn_ExecuteComplete(const Completion& c, Recordset* rs);
    // Records a statement that failed now: finish time, LastError, no records affected.
    void statementFailed(const CaughtError& failure);
    // The same with the finish the worker measured.
    void recordFailure(const CaughtError& failure, const QDateTime& finish, qint64 finishTick);
    void runScriptOnWorker(const QStringList& statements, qint32 nMaxRecords,
                           const std::function<void(qsizetype, qint32)>& each);
    // Makes a statement's outcome the last-statement facts; its status.
    qint32 takeOutcome(const ScriptOutcome& o, bool connectionSettled = true);
    // Runs the work on the worker and waits for it in the event loop; rethrows what it threw.
    void onWorker(std::function<void()> work);
    void openPhysical();
    // After a statement or call failed: a broken connection is dropped (and inside a transaction
    // marks the transaction as lost); any other failure keeps the session.
    void afterFailure(const std::exception_ptr& error);
    // The failure ended the session on the server (or the connection is closed).
    static bool sessionGone(const std::exception_ptr& error, const DbConnection& cn);
    void dropConnection();
    QString failureReport(const std::exception_ptr& error) const;
    void reportFailure(const std::exception_ptr& error, const char* procedure);
    void setIcon(const char* key);
    bool schemaQuery(const char* procedure, SchemaKind kind, const SchemaRestrictions& restrictions,
                     Recordset& rs, const std::vector<long>& tolerated, bool toleratedResult,
                     bool clearOnFailure, const QString& sort = {});

    SessionLog& m_session;
    ConnectionHost* m_host;
    std::shared_ptr<DbConnection> m_cn;
    ConnectionWorker* m_worker;
    DbInfo m_info;
    QList<DbProperty> m_properties;
    QString m_conString;
    QString m_odbcString;
    QString m_user;
    QString m_password;
    QString m_provider;
    QString m_initLog;
    qint32 m_kind = KindOdbc;
    bool m_isDisconnected = false;
    bool m_hasConnection = false;
    bool m_transaction = false;
    bool m_allowAsync = true;
    bool m_async = true;
    bool m_scriptMode = false;
    bool m_execRunning = false;
    bool m_execOk = true;
    bool m_stopRequested = false;
    bool m_transactionLost = false;
    bool m_abandoned = false;
    std::function<void()> m_onTransactionLost;
    // Shared with the worker's job, so an abandoned job never reads a flag that is gone.
    std::shared_ptr<std::atomic<bool>> m_stopFlag = std::make_shared<std::atomic<bool>>(false);
    int m_queryTimeoutMinutes = 30;
    QDateTime m_execStart;
    QDateTime m_execFinish;
    qint64 m_execStartTick = 0; // steady clock at m_execStart
    qint64 m_execMilisec = 0;
    qint32 m_recordsAffected = 0;
    QString m_lastError;
    std::vector<DbDiagnostic> m_lastMessages;
    std::function<void(const QString&)> m_timeObj;
    // The statement handed to the worker by exec() and not yet completed.
    std::shared_ptr<void> m_pendingJob;
    std::shared_ptr<Completion> m_pendingCompletion;
    Recordset* m_pendingRs = nullptr;
};

} // namespace mv
