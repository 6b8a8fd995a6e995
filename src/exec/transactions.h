#pragma once
// Explicit transactions on the open connection: begin, commit, rollback, with their protocol
// lines and log records, and the question when a connection with an open transaction goes away.
#include <QString>
#include <functional>

namespace mv {

class C_DbConnect;
class SessionLog;
struct RunSettings;

struct TransactionHost {
    std::function<void(bool inTransaction)> setButtons; // Begin enabled outside, Commit/Rollback inside
    std::function<void(int state)> SetGridState;
};

class TransactionCommands {
public:
    TransactionCommands(C_DbConnect& cn, SessionLog& session, RunSettings& run, TransactionHost host);
    ~TransactionCommands();
    TransactionCommands(const TransactionCommands&) = delete;
    TransactionCommands& operator=(const TransactionCommands&) = delete;

    bool cmdStartTrans_Click();
    bool cmdCommitTrans_Click();
    bool cmdRollbackTrans_Click();

    // Before the connection is closed or replaced: asks whether to commit, roll back or cancel
    // when a transaction is open. False when the user cancelled (keep everything as it is).
    bool resolveOpenTransaction();
    // At an unattended end (a termination signal): an open transaction is rolled back, never
    // committed, and that is logged. False when the rollback could not be sent (the server then
    // rolls back when the connection ends).
    bool rollbackForShutdown();

private:
    bool finish(bool commit);
    bool resolveSessionTransaction();
    // The transaction ended: counter, label, buttons, protocol line and log record.
    void ended(bool commit, const QString& errorText);
    // The connection broke under the transaction: it ends as after a rollback and the user is told.
    void transactionLost();
    C_DbConnect& m_cn;
    SessionLog& m_session;
    RunSettings& m_run;
    TransactionHost m_host;
};

} // namespace mv
