#include "app/main_panes_widget.h"

#include "app/texts.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace mv {

MainPanesWidget::MainPanesWidget(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
    setObjectName(QStringLiteral("splMain"));
    m_left = new QSplitter(Qt::Vertical, this);
    m_right = new QSplitter(Qt::Vertical, this);
    m_paneTables = makePane("paneTables", m_left);
    m_paneFields = makePane("paneFields", m_left);
    m_paneSQL = makePane("paneSQL", m_right);
    m_paneQuery = makePane("paneQuery", m_right);
    m_paneResult = makePane("paneResult", m_right);

    m_lTabList = new QTreeWidget(m_paneTables);
    m_lTabList->setObjectName(QStringLiteral("lTabList"));
    m_paneTables->layout()->addWidget(m_lTabList);
    m_lFelder = new QTreeWidget(m_paneFields);
    m_lFelder->setObjectName(QStringLiteral("lFelder"));
    m_paneFields->layout()->addWidget(m_lFelder);
    m_queryBar = new QHBoxLayout;
    m_queryBar->setContentsMargins(0, 0, 0, 0);
    m_cmdCloseDB = new QPushButton(QStringLiteral("DB x"), m_paneQuery);
    m_cmdCloseDB->setObjectName(QStringLiteral("cmdCloseDB"));
    m_cmdCloseDB->setFixedWidth(48);
    m_queryBar->addWidget(m_cmdCloseDB);
    m_cmdToolbox = new QPushButton(QStringLiteral("SQL x"), m_paneQuery);
    m_cmdToolbox->setObjectName(QStringLiteral("cmdToolbox"));
    m_cmdToolbox->setFixedWidth(48);
    m_queryBar->addWidget(m_cmdToolbox);
    applyLanguage();
    m_queryBar->addStretch();
    static_cast<QVBoxLayout*>(m_paneQuery->layout())->addLayout(m_queryBar);
    for (QTreeWidget* list : {m_lTabList, m_lFelder}) {
        list->setRootIsDecorated(false);
        list->setUniformRowHeights(true);
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    }

    setStretchFactor(0, 1);
    setStretchFactor(1, 3);
    m_right->setStretchFactor(0, 0);
    m_right->setStretchFactor(1, 2);
    m_right->setStretchFactor(2, 3);
    m_right->setSizes({twips(1430) + 30, twips(4000), twips(5500)});
    setSizes({twips(4300), twips(11000)});
}

void MainPanesWidget::applyLanguage() {
    m_cmdCloseDB->setToolTip(ui_text("Zeige/verstecke Datenbank Explorer", "Show/Hide Dtabase Explorer"));
    m_cmdToolbox->setToolTip(ui_text("Zeige/verstecke SQL-Werkzeugleiste", "Show/Hide  SQL Toolbox"));
}

QWidget* MainPanesWidget::makePane(const char* name, QSplitter* into) {
    auto* pane = new QWidget(into);
    pane->setObjectName(QString::fromUtf8(name));
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    into->addWidget(pane);
    return pane;
}

void MainPanesWidget::prepareExplorerLists() {
    struct Column {
        const char* german;
        const char* english;
        int width;
    };
    const Column fields[] = {{"Feld", "Field", 2500},          {"Typ", "Type", 1200},
                             {"Größe", "Size", 800},           {"NULL", "NULL", 700},
                             {"Indexname", "Indexname", 3000}, {"Reihenfolge", "Order", 800}};
    const Column tables[] = {{"Tabellen/Views", "Tables/Views", 2700}, {"Spalten", "Columns", 1440}};
    auto apply = [](QTreeWidget* list, const Column* cols, int n) {
        QStringList captions;
        for (int i = 0; i < n; ++i)
            captions << ui_text(cols[i].german, cols[i].english);
        list->setColumnCount(n);
        list->setHeaderLabels(captions);
        for (int i = 0; i < n; ++i)
            list->setColumnWidth(i, twips(cols[i].width));
    };
    apply(m_lFelder, fields, 6);
    apply(m_lTabList, tables, 2);
}

} // namespace mv
