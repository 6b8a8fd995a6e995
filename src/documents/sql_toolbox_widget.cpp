#include "documents/sql_toolbox_widget.h"

#include "app/error_report.h"
#include "app/flow_layout_widget.h"
#include "app/mv_error.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace mv {

SqlToolboxWidget::SqlToolboxWidget(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picCommands"));
    auto* rows = new QVBoxLayout(this);
    // Three rows fit the toolbox's standard height; a narrow pane wraps them and scrolls.
    rows->setContentsMargins(2, 2, 2, 2);
    rows->setSpacing(2);
    BuildCmdToolbar();
    BuildOpToolbar();
    BuildCmdToolbarTwo();
    rows->addStretch(1);
}

void SqlToolboxWidget::BuildCmdToolbar() {
    guardedVoid(Reporter::Msg, "BuildCmdToolbar", "", [&] {
        m_sqlCmd =
            buildRow(QStringLiteral("cmdSqlCmd"), sqlCommandCaptions(), &SqlToolboxWidget::cmdSqlCmd_Click);
    });
}

void SqlToolboxWidget::BuildOpToolbar() {
    guardedVoid(Reporter::Msg, "BuildOpToolbar", "", [&] {
        m_ops = buildRow(QStringLiteral("cmdOps"), operatorCaptions(), &SqlToolboxWidget::cmdOps_Click);
    });
}

void SqlToolboxWidget::BuildCmdToolbarTwo() {
    guardedVoid(Reporter::Msg, "BuildCmdToolbarTwo", "", [&] {
        m_moreSql =
            buildRow(QStringLiteral("cmdMoreSQL"), moreSqlCaptions(), &SqlToolboxWidget::cmdMoreSQL_Click);
    });
}

QList<QPushButton*> SqlToolboxWidget::buildRow(const QString& name, const QStringList& captions,
                                               void (SqlToolboxWidget::*click)(int)) {
    QList<QPushButton*> buttons;
    // A row wraps onto further lines in a narrow pane; every button keeps its whole caption.
    auto* line = new FlowLayout(nullptr, 4);
    const int height = fontMetrics().height() + 8;
    for (int i = 0; i < captions.size(); ++i) {
        auto* button = new QPushButton(captions[i], this);
        button->setObjectName(name + QLatin1Char('_') + QString::number(i));
        button->setFocusPolicy(Qt::NoFocus); // the editor keeps the focus while buttons are clicked
        connect(button, &QPushButton::clicked, this, [this, click, i] { (this->*click)(i); });
        button->setFixedSize(std::max(fontMetrics().horizontalAdvance(captions[i]) + 18, height + 6), height);
        buttons << button;
        line->addWidget(button);
    }
    static_cast<QVBoxLayout*>(layout())->addLayout(line);
    return buttons;
}

QList<QPushButton*> SqlToolboxWidget::row(const QString& name) const {
    if (name == QLatin1String("cmdSqlCmd")) return m_sqlCmd;
    if (name == QLatin1String("cmdOps")) return m_ops;
    if (name == QLatin1String("cmdMoreSQL")) return m_moreSql;
    return {};
}

QString SqlToolboxWidget::caption(const QString& rowName, int index) const {
    const QList<QPushButton*> buttons = row(rowName);
    if (index < 0 || index >= buttons.size())
        throw MvError(err::SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    return buttons[index]->text();
}

void SqlToolboxWidget::cmdSqlCmd_Click(int index) {
    guardedVoid(Reporter::Msg, "cmdSqlCmd_Click", "frmMain", [&] {
        const ExplorerPick pick = m_pick ? m_pick() : ExplorerPick{};
        emit insertText(sqlCommandTemplate(caption(QStringLiteral("cmdSqlCmd"), index), pick), true);
    });
}

void SqlToolboxWidget::cmdOps_Click(int index) {
    guardedVoid(Reporter::Msg, "cmdOps_Click", "frmMain",
                [&] { emit insertText(caption(QStringLiteral("cmdOps"), index), false); });
}

void SqlToolboxWidget::cmdMoreSQL_Click(int index) {
    guardedVoid(Reporter::Msg, "cmdMoreSQL_Click", "frmMain", [&] {
        emit insertText(captionWithTabs(caption(QStringLiteral("cmdMoreSQL"), index)), true);
    });
}

} // namespace mv
