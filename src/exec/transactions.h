#pragma once
// Explicit transactions on the open connection: begin, commit, rollback, with their protocol
// lines and log records, and the question when a connection with an open transaction goes away.
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

    bool cmdStartTrans_Click();
    bool cmdCommitTrans_Click();
    bool cmdRollbackTrans_Click();

    // Before the connection is closed or replaced: asks whether to commit, roll back or cancel
    // when a transaction is open. False when the user cancelled (keep everything as it is).
    bool resolveOpenTransaction();

private:
    bool finish(bool commit);
    C_DbConnect& m_cn;
    SessionLog& m_session;
    RunSettings& m_run;
    TransactionHost m_host;
};

} // namespace mv
