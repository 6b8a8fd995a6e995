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
    : m_cn(cn), m_session(session), m_run(run), m_host(std::move(host)) {
    m_cn.setTransactionLostHandler([this] { transactionLost(); });
}

TransactionCommands::~TransactionCommands() { m_cn.setTransactionLostHandler({}); }

void TransactionCommands::ended(bool commit, const QString& errorText) {
    m_run.transactionStmtCount = 0;
    if (m_host.SetGridState) m_host.SetGridState(3);
    if (m_host.setButtons) m_host.setButtons(false);
    m_session.append((commit ? ui_text("// { Commit Transaktion um '", "// { Commit Transaction at '")
                             : ui_text("// { Rollback Transaktion um '", "// { Rollback Transaction at '")) +
                     generalDate(now()) + kTail);
    SessionLogRecord r;
    r.logType = commit ? LogTransactionCommit : LogTransactionRollback;
    r.error = !errorText.isEmpty();
    r.errorText = errorText;
    m_session.SessionLogInsert(r);
}

void TransactionCommands::transactionLost() {
    const qint16 lost = m_run.transactionStmtCount;
    const QString text =
        ui_text("Die Verbindung zur Datenbank ist abgebrochen. Die offene Transaktion und ihre %1 nicht "
                "gespeicherten Anweisungen sind verloren; die Datenbank hat sie zurückgenommen.\r\n\r\n"
                "Die nächste Anweisung baut eine neue Verbindung auf.",
                "The connection to the database was lost. The open transaction and its %1 uncommitted "
                "statements are lost; the database has rolled them back.\r\n\r\n"
                "The next statement opens a new connection.")
            .arg(lost);
    ended(false, text);
    showMessage(text, MsgIcon::Exclamation);
}

bool TransactionCommands::rollbackForShutdown() {
    if (!m_cn.Transaction()) return true;
    QString error;
    if (!m_cn.transactionLost()) {
        try {
            m_cn.RollbackTrans();
        } catch (...) {
            error = describeCurrentException().description;
        }
    }
    if (m_cn.transactionLost()) {
        m_cn.settleTransactionLoss();
        return false;
    }
    if (!error.isEmpty()) {
        // The rollback could not be sent: the server rolls the transaction back when the
        // connection ends, it never commits it.
        m_cn.setTransaction(false);
        ended(false, error);
        return false;
    }
    ended(false, QString());
    return true;
}

bool TransactionCommands::cmdStartTrans_Click() {
    return guarded(Reporter::ErrorMsg, "cmdStartTrans_Click", "frmMain", false, [&] {
        m_run.transactionStmtCount = 0;
        if (m_host.SetGridState) m_host.SetGridState(2);
        if (!m_cn.IsConnected() && !m_cn.ReConnect()) return false;
        m_cn.BeginTrans();
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
                       const qint16 count = m_run.transactionStmtCount;
                       m_run.transactionStmtCount = 0;
                       if (m_host.SetGridState) m_host.SetGridState(3);
                       try {
                           if (commit) m_cn.CommitTrans();
                           else m_cn.RollbackTrans();
                       } catch (...) {
                           // The connection broke: the transaction is gone, and the user hears so
                           // instead of a refused commit.
                           if (m_cn.transactionLost()) {
                               m_run.transactionStmtCount = count;
                               m_cn.settleTransactionLoss();
                               return false;
                           }
                           throw;
                       }
                       if (m_cn.IsDisconnected()) m_cn.CloseConnection();
                       ended(commit, QString());
                       return true;
                   });
}

bool TransactionCommands::cmdCommitTrans_Click() { return finish(true); }
bool TransactionCommands::cmdRollbackTrans_Click() { return finish(false); }

namespace {
MsgResult askToKeepOpenTransaction() {
    return showMessage(ui_text("Eine Transaktion ist noch offen. Sollen ihre Änderungen gespeichert werden?\r\n\r\n"
                               "Ja: Commit, Nein: Rollback, Abbrechen: die Verbindung bleibt, wie sie ist.",
                               "A transaction is still open. Do you want to keep its changes?\r\n\r\n"
                               "Yes: commit, No: roll back, Cancel: keep the connection as it is."),
                       MsgIcon::Question, MsgButtons::YesNoCancel, MsgResult::Cancel);
}
} // namespace

bool TransactionCommands::resolveOpenTransaction() {
    if (!m_cn.Transaction()) return resolveSessionTransaction();
    const MsgResult answer = askToKeepOpenTransaction();
    if (answer == MsgResult::Cancel) return false;
    const bool done = answer == MsgResult::Yes ? cmdCommitTrans_Click() : cmdRollbackTrans_Click();
    if (!done) {
        // The server refused: the transaction cannot outlive its connection, so the flag goes.
        m_cn.setTransaction(false);
        if (m_host.setButtons) m_host.setButtons(false);
    }
    return true;
}

// A transaction begun by a BEGIN of the user's own gets the same question; the answer is sent as
// the statement the user would have typed. Closing the connection unasked would roll it back.
bool TransactionCommands::resolveSessionTransaction() {
    if (!m_cn.sessionTransactionOpen()) return true;
    const MsgResult answer = askToKeepOpenTransaction();
    if (answer == MsgResult::Cancel) return false;
    Recordset rs;
    // A refused COMMIT is reported like any statement's failure; the connection's end then rolls back.
    m_cn.Execute(answer == MsgResult::Yes ? QStringLiteral("COMMIT") : QStringLiteral("ROLLBACK"), rs, true, 0, false);
    return true;
}

} // namespace mv
