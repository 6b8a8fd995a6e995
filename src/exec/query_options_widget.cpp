#include "exec/query_options_widget.h"

#include "app/texts.h"
#include "exec/execute_command.h"
#include "exec/transactions.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace mv {

QueryOptionsWidget::QueryOptionsWidget(ExecuteCommand& execute, TransactionCommands& transactions, QWidget* parent)
    : QWidget(parent), m_execute(execute), m_transactions(transactions) {
    setObjectName(QStringLiteral("picOptions"));
    m_maxLabel = new QLabel(this);
    m_allLabel = new QLabel(this);
    m_timeoutLabel = new QLabel(this);
    m_maxRec = new QLineEdit(this);
    m_maxRec->setObjectName(QStringLiteral("txtMaxRec"));
    m_maxRec->setMaximumWidth(90);
    m_timeout = new QLineEdit(this);
    m_timeout->setObjectName(QStringLiteral("txtTimeout"));
    m_timeout->setMaximumWidth(60);
    m_async = new QCheckBox(this);
    m_async->setObjectName(QStringLiteral("chkAsync"));
    m_async->setChecked(true);
    m_start = new QPushButton(QStringLiteral("Begin Transaction"), this);
    m_start->setObjectName(QStringLiteral("cmdStartTrans"));
    m_commit = new QPushButton(QStringLiteral("Commit Transaction"), this);
    m_commit->setObjectName(QStringLiteral("cmdCommitTrans"));
    m_rollback = new QPushButton(QStringLiteral("Rollback Transaction!"), this);
    m_rollback->setObjectName(QStringLiteral("cmdRollbackTrans"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_maxLabel, 0, 0);
    grid->addWidget(m_maxRec, 0, 1);
    grid->addWidget(m_allLabel, 0, 2);
    grid->addWidget(m_timeoutLabel, 1, 0);
    grid->addWidget(m_timeout, 1, 1);
    grid->addWidget(m_async, 1, 2);
    grid->addWidget(m_start, 0, 4);
    grid->addWidget(m_commit, 0, 5);
    grid->addWidget(m_rollback, 1, 5);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(2, 1);

    m_maxRec->installEventFilter(this);
    m_timeout->installEventFilter(this);
    connect(m_maxRec, &QLineEdit::returnPressed, this, &QueryOptionsWidget::txtMaxRec_LostFocus);
    connect(m_timeout, &QLineEdit::returnPressed, this, &QueryOptionsWidget::txtTimeout_LostFocus);
    connect(m_async, &QCheckBox::clicked, this, [this](bool on) { m_execute.chkAsync_Click(on); });
    connect(m_start, &QPushButton::clicked, this, [this] { m_transactions.cmdStartTrans_Click(); });
    connect(m_commit, &QPushButton::clicked, this, [this] { m_transactions.cmdCommitTrans_Click(); });
    connect(m_rollback, &QPushButton::clicked, this, [this] { m_transactions.cmdRollbackTrans_Click(); });
    applyLanguage();
    showValues();
    setTransactionButtons(false);
}

bool QueryOptionsWidget::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        if (watched == m_maxRec) txtMaxRec_LostFocus();
        if (watched == m_timeout) txtTimeout_LostFocus();
    }
    return QWidget::eventFilter(watched, event);
}

void QueryOptionsWidget::applyLanguage() {
    m_maxLabel->setText(ui_text("Max. Datensätze", "Max Records:"));
    m_allLabel->setText(ui_text("0 = Alle", "0 = All"));
    m_timeoutLabel->setText(QStringLiteral("Timeout [min]:"));
    m_async->setText(ui_text("Asynchrone Ausführung", "execute asyncron"));
}

void QueryOptionsWidget::showValues() {
    m_maxRec->setText(m_execute.maxRecText());
    m_timeout->setText(m_execute.timeoutText());
}

void QueryOptionsWidget::txtMaxRec_LostFocus() {
    m_execute.txtMaxRec_LostFocus(m_maxRec->text());
    m_maxRec->setText(m_execute.maxRecText());
}

void QueryOptionsWidget::txtTimeout_LostFocus() {
    m_execute.txtTimeout_LostFocus(m_timeout->text());
    m_timeout->setText(m_execute.timeoutText());
}

void QueryOptionsWidget::setTransactionButtons(bool inTransaction) {
    m_inTransaction = inTransaction;
    m_start->setEnabled(!inTransaction && m_available);
    m_commit->setEnabled(inTransaction);
    m_rollback->setEnabled(inTransaction);
}

void QueryOptionsWidget::setTransactionsAvailable(bool available) {
    m_available = available;
    setTransactionButtons(m_inTransaction);
}

void QueryOptionsWidget::setAsyncSwitch(bool checked, bool enabled) {
    m_async->setChecked(checked);
    m_async->setEnabled(enabled);
    m_execute.chkAsync_Click(checked);
}

} // namespace mv
