#pragma once
// Toolbox tab 3: maximum records, time-out, asynchronous execution and the transaction buttons.
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace mv {

class ExecuteCommand;
class TransactionCommands;

class QueryOptionsWidget : public QWidget {
    Q_OBJECT
public:
    QueryOptionsWidget(ExecuteCommand& execute, TransactionCommands& transactions, QWidget* parent = nullptr);

    QLineEdit* txtMaxRec() const { return m_maxRec; }
    QLineEdit* txtTimeout() const { return m_timeout; }
    QCheckBox* chkAsync() const { return m_async; }
    QPushButton* cmdStartTrans() const { return m_start; }
    QPushButton* cmdCommitTrans() const { return m_commit; }
    QPushButton* cmdRollbackTrans() const { return m_rollback; }

    // Rewrites both fields from the run settings ("#,##0" and "0").
    void showValues();
    // Begin enabled outside a transaction, Commit and Rollback inside; Begin only when the
    // connection allows transactions.
    void setTransactionButtons(bool inTransaction);
    void setTransactionsAvailable(bool available);
    void setAsyncSwitch(bool checked, bool enabled);
    void applyLanguage();

    void txtMaxRec_LostFocus();
    void txtTimeout_LostFocus();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ExecuteCommand& m_execute;
    TransactionCommands& m_transactions;
    QLabel* m_maxLabel;
    QLabel* m_allLabel;
    QLabel* m_timeoutLabel;
    QLineEdit* m_maxRec;
    QLineEdit* m_timeout;
    QCheckBox* m_async;
    QPushButton* m_start;
    QPushButton* m_commit;
    QPushButton* m_rollback;
    bool m_available = false;
    bool m_inTransaction = false;
};

} // namespace mv
