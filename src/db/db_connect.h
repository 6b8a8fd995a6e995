#pragma once
// The program's one gateway to the database: connects from a connection string, recognises the
// kind of database, writes its connection report to the session, runs statements synchronously or
// on a worker thread with a running elapsed-time display and a stop request, keeps the facts of
// the last statement, and offers the catalog queries.
#include "db/db_access.h"
#include "db/recordset.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

namespace mv {

class SessionLog;
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
    void EndCn();
    void RepeatInitLog();

    // --- executing ---
    qint32 Execute(const QString& sSQL, Recordset& rs, bool bUseClient, qint32 nMaxRecords, bool bReadOnly);
    void exec(const QString& sSQL, Recordset& rs, bool bUseClient, qint32 nMaxRecords, bool bReadOnly);
    void ExecuteStop();
    // Minutes; the execute command hands over its time-out setting.
    void setQueryTimeout(int minutes) { m_queryTimeoutMinutes = minutes; }
    // Where the running elapsed time is written (the status bar's time panel).
    void setQTimeObj(std::function<void(const QString&)> display);

    // --- transactions (the flag keeps the connection open between statements) ---
    bool Transaction() const { return m_transaction; }
    void setTransaction(bool value) { m_transaction = value; }

    // --- state ---
    DbConnection* Connection() const { return m_cn.get(); }
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

signals:
    // The statement started by exec() completed (on the UI thread).
    void executeComplete();

private:
    struct Completion {
        quint64 runId = 0;
        ExecResult result;
        std::exception_ptr error;
    };
    void Cn_ExecuteComplete(const Completion& c, Recordset* rs);
    // Records a statement that failed now: finish time, LastError, no records affected.
    void statementFailed(const CaughtError& failure);
    void startWorker(const QString& sql, const ExecOptions& options, Recordset* rs);
    void joinWorker();
    void waitForCompletion();
    void openPhysical();
    QString failureReport(const std::exception_ptr& error) const;
    void reportFailure(const std::exception_ptr& error, const char* procedure);
    void setIcon(const char* key);
    bool schemaQuery(const char* procedure, SchemaKind kind, const SchemaRestrictions& restrictions,
                     Recordset& rs, const std::vector<long>& tolerated, bool toleratedResult,
                     bool clearOnFailure, const QString& sort = {});

    SessionLog& m_session;
    ConnectionHost* m_host;
    std::unique_ptr<DbConnection> m_cn;
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
    std::atomic<bool> m_stopFlag{false};
    int m_queryTimeoutMinutes = 30;
    QDateTime m_execStart;
    QDateTime m_execFinish;
    qint64 m_execStartTick = 0; // steady clock at m_execStart
    qint64 m_execMilisec = 0;
    qint32 m_recordsAffected = 0;
    QString m_lastError;
    std::vector<DbDiagnostic> m_lastMessages;
    std::function<void(const QString&)> m_timeObj;
    std::thread m_worker;
    quint64 m_runId = 0;
};

} // namespace mv
