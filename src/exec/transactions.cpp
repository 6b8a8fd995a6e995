#include "exec/transactions.h"

#include "app/clock.h"
#include "app/error_report.h"
#include "app/formats.h"
#include "app/texts.h"
#include "app/user_port.h"
#include "db/db_connect.h"
#include "exec/run_settings.h"
#include "session/session_log.h"

namespace mv {

namespace {
const QString kTail = QStringLiteral("' ! }") + QString(30, u'=') + QStringLiteral("\r\n\r\n");
}

TransactionCommands::TransactionCommands(C_DbConnect& cn, SessionLog& session, RunSettings& run, TransactionHost host)
    : m_cn(cn), m_session(session), m_run(run), m_host(std::move(host)) {}

bool TransactionCommands::cmdStartTrans_Click() {
    return guarded(Reporter::ErrorMsg, "cmdStartTrans_Click", "frmMain", false, [&] {
        m_run.transactionStmtCount = 0;
        if (m_host.SetGridState) m_host.SetGridState(2);
        if (!m_cn.IsConnected() && !m_cn.ReConnect()) return false;
        if (!m_cn.Connection()) throw MvError(dberr::NotOpen, ui_text("Keine Datenbankverbindung!", "No database connection!"));
        m_cn.Connection()->beginTransaction();
        m_cn.setTransaction(true);
        m_cn.SetConnectionIcon(QStringLiteral("kActiveConnection"));
        if (m_host.setButtons) m_host.setButtons(true);
        m_session.append(ui_text("// { 'Begin' Transaktion um '", "// { Begin Transaction at '") + generalDate(now()) +
                         kTail);
        SessionLogRecord r;
        r.logType = LogTransactionStart;
        m_session.SessionLogInsert(r);
        return true;
    });
}

bool TransactionCommands::finish(bool commit) {
    return guarded(Reporter::ErrorMsg, commit ? "cmdCommitTrans_Click" : "cmdRollbackTrans_Click", "frmMain", false,
                   [&] {
                       m_run.transactionStmtCount = 0;
                       if (m_host.SetGridState) m_host.SetGridState(3);
                       if (!m_cn.Connection() || !m_cn.Connection()->inTransaction())
                           throw MvError(dberr::NotOpen, ui_text("Keine offene Transaktion!", "No open transaction!"));
                       if (commit) m_cn.Connection()->commitTransaction();
                       else m_cn.Connection()->rollbackTransaction();
                       m_cn.setTransaction(false);
                       if (m_host.setButtons) m_host.setButtons(false);
                       if (m_cn.IsDisconnected()) m_cn.CloseConnection();
                       m_session.append((commit ? ui_text("// { Commit Transaktion um '", "// { Commit Transaction at '")
                                                : ui_text("// { Rollback Transaktion um '",
                                                          "// { Rollback Transaction at '")) +
                                        generalDate(now()) + kTail);
                       SessionLogRecord r;
                       r.logType = commit ? LogTransactionCommit : LogTransactionRollback;
                       m_session.SessionLogInsert(r);
                       return true;
                   });
}

bool TransactionCommands::cmdCommitTrans_Click() { return finish(true); }
bool TransactionCommands::cmdRollbackTrans_Click() { return finish(false); }

bool TransactionCommands::resolveOpenTransaction() {
    if (!m_cn.Transaction()) return true;
    const MsgResult answer = showMessage(
        ui_text("Eine Transaktion ist noch offen. Sollen ihre Änderungen gespeichert werden?\r\n\r\n"
                "Ja: Commit, Nein: Rollback, Abbrechen: die Verbindung bleibt, wie sie ist.",
                "A transaction is still open. Do you want to keep its changes?\r\n\r\n"
                "Yes: commit, No: roll back, Cancel: keep the connection as it is."),
        MsgIcon::Question, MsgButtons::YesNoCancel, MsgResult::Cancel);
    if (answer == MsgResult::Cancel) return false;
    const bool done = answer == MsgResult::Yes ? cmdCommitTrans_Click() : cmdRollbackTrans_Click();
    if (!done) {
        // The server refused: the transaction cannot outlive its connection, so the flag goes.
        m_cn.setTransaction(false);
        if (m_host.setButtons) m_host.setButtons(false);
    }
    return true;
}

} // namespace mv
