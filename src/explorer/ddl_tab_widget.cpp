#include "explorer/ddl_tab_widget.h"

#include "app/error_report.h"
#include "app/flow_layout_widget.h"
#include "app/user_port.h"
#include "db/db_connect.h"
#include "db/recordset.h"
#include "exec/sql_names.h"
#include "explorer/ddl_templates.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTreeWidget>

namespace mv {

DdlTabWidget::DdlTabWidget(C_DbConnect& cn, QWidget* parent) : QWidget(parent), m_cn(cn) {
    setObjectName(QStringLiteral("picDDL"));
    auto* columns = new QHBoxLayout(this);
    columns->setContentsMargins(4, 4, 4, 4);
    // The buttons wrap to the width they get and scroll when a small window leaves too little height.
    auto* buttonArea = new QWidget;
    buttonArea->setObjectName(QStringLiteral("picDDLButtons"));
    auto* rows = new QVBoxLayout(buttonArea);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(4);
    const int height = fontMetrics().height() + 8;
    auto addRow = [&](const QString& name, const QStringList& captions, QList<QPushButton*>& into,
                      void (DdlTabWidget::*click)(int)) {
        auto* line = new FlowLayout(nullptr, 4);
        for (int i = 0; i < captions.size(); ++i) {
            auto* button = new QPushButton(captions[i], buttonArea);
            button->setObjectName(name + u'_' + QString::number(i));
            button->setFocusPolicy(Qt::NoFocus); // the editor keeps the focus
            button->setFixedSize(fontMetrics().horizontalAdvance(captions[i]) + 18, height);
            connect(button, &QPushButton::clicked, this, [this, click, i] { (this->*click)(i); });
            line->addWidget(button);
            into << button;
        }
        rows->addLayout(line);
    };
    addRow(QStringLiteral("cmdDDL"), ddlTemplateCaptions(), m_templates, &DdlTabWidget::cmdDDL_Click);
    addRow(QStringLiteral("cmdOps"), ddlKeywordCaptions(), m_keywords, &DdlTabWidget::cmdOps_Click);
    rows->addStretch(1);
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(buttonArea);
    // Never narrower than the widest button: a caption is not cut at the side either.
    scroll->setMinimumWidth(buttonArea->minimumSizeHint().width() + scroll->verticalScrollBar()->sizeHint().width());
    columns->addWidget(scroll, 1);

    m_listType = new QTreeWidget(this);
    m_listType->setObjectName(QStringLiteral("listType"));
    m_listType->setRootIsDecorated(false);
    m_listType->setUniformRowHeights(true);
    m_listType->setColumnCount(2);
    m_listType->setHeaderLabels({QStringLiteral("Datatype"), QStringLiteral("Size")});
    m_listType->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listType->header()->setStretchLastSection(true);
    m_listType->setColumnWidth(0, 160);
    connect(m_listType, &QTreeWidget::itemDoubleClicked, this, [this] { listType_DblClick(); });
    columns->addWidget(m_listType, 1);
}

int DdlTabWidget::ShowDataTypes() {
    return guarded(Reporter::ErrorMsg, "ShowDataTypes", "Globals", 0, [&] {
        WaitCursor wait;
        if (!m_cn.hasConnection() || !m_cn.Connection()) return 0;
        m_listType->clear();
        Recordset rs;
        if (!m_cn.GetProviderTypes(rs)) return 0;
        const QList<ProviderType> types = providerTypesOf(rs);
        QList<QTreeWidgetItem*> items;
        for (const ProviderType& t : types)
            items << new QTreeWidgetItem(QStringList{t.name, t.size});
        m_listType->addTopLevelItems(items);
        return int(types.size());
    });
}

void DdlTabWidget::cmdDDL_Click(int index) {
    guardedVoid(Reporter::Msg, "cmdDDL_Click", "", [&] {
        std::optional<QString> selection = m_workingList ? m_workingList() : std::nullopt;
        if (selection && !selection->isEmpty()) selection = quotedObjectName(*selection, nameRulesOf(m_cn));
        emit insertText(ddlTemplate(index, ddlTableName(selection)), true);
    });
}

void DdlTabWidget::cmdOps_Click(int index) {
    guardedVoid(Reporter::Msg, "cmdOps_Click", "", [&] {
        if (index < 0 || index >= m_keywords.size())
            throw MvError(err::SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
        emit insertText(m_keywords[index]->text(), false);
    });
}

void DdlTabWidget::listType_DblClick() {
    guardedVoid(Reporter::ErrorMsg, "listType_DblClick", "frmMain", [&] {
        if (m_listType->topLevelItemCount() == 0) return;
        const QTreeWidgetItem* type = m_listType->currentItem();
        if (type) emit insertText(type->text(0), false);
    });
}

} // namespace mv
