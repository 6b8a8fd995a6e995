#include "explorer/explorer_widget.h"

#include <QScopedValueRollback>

#include "app/error_report.h"
#include "app/flow_layout_widget.h"
#include "app/globals.h"
#include "app/texts.h"
#include "app/user_port.h"
#include "db/db_connect.h"
#include "db/recordset.h"
#include "documents/sql_editor_widget.h"
#include "exec/sql_names.h"
#include "explorer/explorer_icons_view.h"
#include "explorer/stored_procedures.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTreeWidget>

namespace mv {

namespace {

constexpr int KindRole = Qt::UserRole;
constexpr int IndentRole = Qt::UserRole + 1;
constexpr int IndentStep = 12; // pixels per indentation level below the first

// Draws the chooser's entries indented by their level: objects sit under their heading.
class IndentDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem shifted(option);
        const int indent = index.data(IndentRole).toInt();
        shifted.rect.adjust(std::max(0, indent - 1) * IndentStep, 0, 0, 0);
        QStyledItemDelegate::paint(painter, shifted, index);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.rwidth() += std::max(0, index.data(IndentRole).toInt() - 1) * IndentStep;
        return size;
    }
};

QBoxLayout* paneLayout(QWidget* pane) {
    if (auto* box = qobject_cast<QBoxLayout*>(pane->layout())) return box;
    auto* box = new QVBoxLayout(pane);
    box->setContentsMargins(0, 0, 0, 0);
    return box;
}

} // namespace

void replaceEditorText(SqlEditorWidget* editor, const QString& text) {
    if (!editor || editor->text() == text) return;
    editor->beginUndoAction();
    editor->selectAll(true);
    editor->replaceSelectedText(text);
    editor->endUndoAction();
}

ExplorerWidget::ExplorerWidget(C_DbConnect& cn, QWidget* paneTables, QTreeWidget* lTabList,
                               QWidget* paneFields, QTreeWidget* lFelder, QObject* parent)
    : QObject(parent), m_cn(cn), m_lTabList(lTabList), m_lFelder(lFelder) {
    setObjectName(QStringLiteral("DbExplorer"));
    buildTableControls(paneTables);
    buildFieldControls(paneFields);

    for (QTreeWidget* list : {lTabList, lFelder}) {
        list->setSelectionMode(QAbstractItemView::ExtendedSelection);
        list->setRootIsDecorated(false);
        list->setSortingEnabled(false);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    }
    if (lTabList->columnCount() < 2) lTabList->setColumnCount(2);
    if (lFelder->columnCount() < 6) lFelder->setColumnCount(6);
    m_tabViewport = lTabList->viewport();
    m_fieldViewport = lFelder->viewport();
    lTabList->installEventFilter(this);
    m_tabViewport->installEventFilter(this);
    m_fieldViewport->installEventFilter(this);
    connect(lTabList, &QTreeWidget::itemDoubleClicked, this, [this] { lTabList_DblClick(); });
    connect(lFelder, &QTreeWidget::itemDoubleClicked, this, [this] { lFelder_DblClick(); });
    lFelder->header()->setSectionsClickable(true);
    connect(lFelder->header(), &QHeaderView::sectionClicked, this, [this](int c) { lFelder_ColumnClick(c); });
    applyLanguage();
}

void ExplorerWidget::buildTableControls(QWidget* pane) {
    auto* grid = new QGridLayout;
    grid->setContentsMargins(2, 2, 2, 0);
    grid->setSpacing(3);
    m_lblFilter = new QLabel(pane);
    m_lblFilter->setObjectName(QStringLiteral("lblFilter"));
    m_txtFilterTable = new QLineEdit(pane);
    m_txtFilterTable->setObjectName(QStringLiteral("txtFilterTable"));
    m_cmdRefresh = new QPushButton(pane);
    m_cmdRefresh->setObjectName(QStringLiteral("cmdRefresh"));
    m_chkSysObjs = new QCheckBox(pane);
    m_chkSysObjs->setObjectName(QStringLiteral("chkSysObjs"));
    m_cmbTabList = new QComboBox(pane);
    m_cmbTabList->setObjectName(QStringLiteral("cmbTabList"));
    m_cmbTabList->setItemDelegate(new IndentDelegate(m_cmbTabList));
    m_cmbTabList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_cmbTabList->setMinimumContentsLength(12);
    m_cmbTabList->setMaxVisibleItems(25);
    grid->addWidget(m_lblFilter, 0, 0);
    grid->addWidget(m_txtFilterTable, 0, 1);
    grid->addWidget(m_cmdRefresh, 0, 2);
    grid->addWidget(m_chkSysObjs, 1, 0, 1, 3);
    grid->addWidget(m_cmbTabList, 2, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    paneLayout(pane)->insertLayout(0, grid);

    connect(m_cmdRefresh, &QPushButton::clicked, this, [this] { cmdRefresh_Click(); });
    connect(m_chkSysObjs, &QCheckBox::clicked, this, [this] { cmdRefresh_Click(); });
    connect(m_txtFilterTable, &QLineEdit::returnPressed, this, [this] { cmdRefresh_Click(); });
    connect(m_cmbTabList, &QComboBox::activated, this, [this](int index) { cmbTabList_Click(index); });
}

void ExplorerWidget::buildFieldControls(QWidget* pane) {
    // In a narrow pane the button goes below the check box instead of over its caption.
    auto* row = new FlowLayout(nullptr, 4);
    row->setLastItemRight(true);
    row->setContentsMargins(2, 2, 2, 0);
    m_chkLongNames = new QCheckBox(pane);
    m_chkLongNames->setObjectName(QStringLiteral("chkLongNames"));
    m_cmdFieldlist = new QPushButton(pane);
    m_cmdFieldlist->setObjectName(QStringLiteral("cmdFieldlist"));
    m_cmdFieldlist->setFocusPolicy(Qt::NoFocus); // the editor keeps the focus
    row->addWidget(m_chkLongNames);
    row->addWidget(m_cmdFieldlist);
    paneLayout(pane)->insertLayout(0, row);
    connect(m_cmdFieldlist, &QPushButton::clicked, this, [this] { cmdFieldlist_Click(); });
}

void ExplorerWidget::applyLanguage() {
    m_lblFilter->setText(QStringLiteral("Filter:"));
    m_txtFilterTable->setToolTip(ui_text("kein '*' oder '%' benutzen", "no '*' or '%' needed"));
    m_cmdRefresh->setText(ui_text("Aktualisieren", "&Refresh"));
    m_chkSysObjs->setText(ui_text("System Objekte", "System Objects"));
    m_cmbTabList->setPlaceholderText(ui_text("- Datenbankobjekte auswählen -", "Select Database Object - "));
    m_chkLongNames->setText(ui_text("lange Namen", "Long Names"));
    m_cmdFieldlist->setText(ui_text("Feldliste einfügen >", "Insert Fieldlist >"));
}

QString ExplorerWidget::filterText() const {
    return m_txtFilterTable->text().toUpper();
}

// ---- Filling and emptying ----

qint32 ExplorerWidget::ReadTables(const QString& filter) {
    // A catalog call waits in the event loop (behind a running statement): a second request meanwhile
    // is dropped, the first one fills the lists.
    if (m_readingCatalog) return 0;
    const QScopedValueRollback reading(m_readingCatalog, true);
    return guarded(Reporter::ErrorMsg, "ReadTables", "Globals", qint32(0), [&] {
        WaitCursor wait;
        if (!m_cn.hasConnection() || !m_cn.Connection()) {
            MessageRequest box;
            box.text = ui_text("Keine Datenbankobjekte verfügbar", "No Database Objects available");
            box.title = ui_text("Lese Datenbank Objekte", "Read Database Objects");
            box.icon = MsgIcon::Information;
            userPort().message(box);
            return qint32(0);
        }
        const bool systemObjects = m_chkSysObjs->isChecked();
        m_cmbTabList->clear();
        const ChooserContents contents = readCatalogObjects(m_cn, filter, systemObjects);
        fillChooser(contents.entries);
        return contents.count;
    });
}

void ExplorerWidget::fillChooser(const QList<ChooserEntry>& entries) {
    m_cmbTabList->clear();
    for (const ChooserEntry& e : entries) {
        m_cmbTabList->addItem(explorerIcon(e.icon), e.text);
        const int i = m_cmbTabList->count() - 1;
        m_cmbTabList->setItemData(i, e.icon, KindRole);
        m_cmbTabList->setItemData(i, e.indent, IndentRole);
        if (e.isHeading()) {
            QFont bold = m_cmbTabList->font();
            bold.setBold(true);
            m_cmbTabList->setItemData(i, bold, Qt::FontRole);
        }
    }
    m_cmbTabList->setCurrentIndex(-1);
}

void ExplorerWidget::ShowFields() {
    if (m_readingCatalog) return;
    const QScopedValueRollback reading(m_readingCatalog, true);
    guardedVoid(Reporter::ErrorMsg, "ShowFields", "Globals", [&] {
        WaitCursor wait;
        if (m_lTabList->topLevelItemCount() == 0) return;
        QTreeWidgetItem* entry = m_lTabList->currentItem();
        if (!entry) return;
        const QString text = entry->text(0);
        if (text == m_shownTable && m_lFelder->topLevelItemCount() > 0) return;
        m_shownTable = text;
        const OwnerAndTable name = splitObjectName(text);
        m_lFelder->clear();
        Recordset columns;
        const bool ok = m_cn.GetFieldsRs(name.owner, name.table, columns);
        const QList<IndexEntry> indexes = GetTableIndexFields(m_cn, name.owner, name.table);
        const QStringList keys = GetTableKeyFields(m_cn, name.owner, name.table);
        const QList<FieldRow> rows = ok ? fieldRowsOf(columns, keys, indexes) : QList<FieldRow>();
        showFieldRows(rows);
        entry->setText(1, QString::number(rows.size()));
    });
}

void ExplorerWidget::showFieldRows(const QList<FieldRow>& rows) {
    QList<QTreeWidgetItem*> items;
    for (const FieldRow& row : rows) {
        auto* item = new QTreeWidgetItem(
            QStringList{row.name, row.type, row.size, row.nullable, row.indexes, row.order});
        item->setIcon(0, explorerIcon(row.icon));
        item->setData(0, KindRole, row.icon);
        for (int c = 0; c < 6; ++c) {
            if (row.bold) {
                QFont font = m_lFelder->font();
                font.setBold(true);
                item->setFont(c, font);
            }
            if (row.blue) item->setForeground(c, QColor(0, 0, 255));
        }
        items << item;
    }
    m_lFelder->addTopLevelItems(items);
    fitFieldColumns();
}

void ExplorerWidget::fitFieldColumns() {
    // Type names such as "character varying" are longer than any fixed width; every column gets
    // what its header and its texts need, and the list scrolls sideways when the pane is narrower.
    for (int c = 0; c < m_lFelder->columnCount(); ++c)
        m_lFelder->resizeColumnToContents(c);
}

int ExplorerWidget::ShowProcedureParameters(const QString& name) {
    if (m_readingCatalog) return 0;
    const QScopedValueRollback reading(m_readingCatalog, true);
    return guarded(Reporter::ErrorMsg, "ShowProcedureParameters", "Globals", 0, [&] {
        WaitCursor wait;
        if (!m_cn.hasConnection() || !m_cn.Connection()) return 0;
        m_lFelder->clear();
        // The field list no longer shows the remembered table: choosing it again reloads it.
        m_shownTable.clear();
        const QList<ParameterRow> rows = readProcedureParameters(m_cn, name);
        QList<QTreeWidgetItem*> items;
        for (const ParameterRow& p : rows)
            items << new QTreeWidgetItem(QStringList{p.name, p.type, p.description});
        m_lFelder->addTopLevelItems(items);
        fitFieldColumns();
        return int(rows.size());
    });
}

bool ExplorerWidget::CleanUpDbExplorer() {
    return guarded(Reporter::ErrorMsg, "CleanUpDbExplorer", "Globals", false, [&] {
        m_cmbTabList->clear();
        m_cmbTabList->setCurrentIndex(-1);
        m_lTabList->clear();
        m_lFelder->clear();
        return true;
    });
}

// ---- What is marked ----

std::optional<QString> ExplorerWidget::selectedObjectText() const {
    if (m_lTabList->topLevelItemCount() == 0) return std::nullopt;
    const QTreeWidgetItem* item = m_lTabList->currentItem();
    return item ? item->text(0) : QString();
}

QStringList ExplorerWidget::markedTables() const {
    QStringList marked;
    for (int i = 0; i < m_lTabList->topLevelItemCount(); ++i)
        if (m_lTabList->topLevelItem(i)->isSelected()) marked << m_lTabList->topLevelItem(i)->text(0);
    return marked;
}

QStringList ExplorerWidget::markedFieldList() const {
    QStringList names;
    for (int i = 0; i < m_lFelder->topLevelItemCount(); ++i)
        if (m_lFelder->topLevelItem(i)->isSelected()) names << m_lFelder->topLevelItem(i)->text(0);
    const QString prefix = m_chkLongNames->isChecked() ? selectedObjectText().value_or(QString()) : QString();
    return markedFields(names, prefix, quoting());
}

QString ExplorerWidget::GetMarkedTablelist() const {
    return guarded(Reporter::ErrorMsg, "GetMarkedTablelist", "Globals", QString(),
                   [&] { return markedTableList(markedTables()); });
}

QString ExplorerWidget::GetMarkedFieldlist() const {
    return guarded(Reporter::ErrorMsg, "GetMarkedFieldlist", "Globals", QString(),
                   [&] { return markedFieldList().join(QStringLiteral(", ")); });
}

NameQuoting ExplorerWidget::quoting() const {
    const NameRules rules = nameRulesOf(m_cn);
    return {rules.databaseKind, rules.identifierQuote, rules.dialect, rules.keywords};
}

ExplorerPick ExplorerWidget::explorerPick() const {
    ExplorerPick pick;
    pick.table = selectedObjectText().value_or(QString());
    pick.fields = markedFieldList();
    pick.databaseKind = m_cn.mvDatabase();
    pick.identifierQuote = identifierQuoteOf(m_cn);
    pick.dialect = sqlDialectOf(m_cn);
    pick.keywords = nameRulesOf(m_cn).keywords;
    return pick;
}

ExplorerPickProvider ExplorerWidget::explorerPickProvider() const {
    QPointer<ExplorerWidget> self(const_cast<ExplorerWidget*>(this));
    return [self] { return self ? self->explorerPick() : ExplorerPick{}; };
}

void ExplorerWidget::insertAtCaret(const QString& text, bool newLine) {
    if (SqlEditorWidget* e = editor()) e->BeiCursorEinfuegen(text, newLine, true);
}

void ExplorerWidget::replaceSelectionEverywhere(const QString& replacement) {
    SqlEditorWidget* e = editor();
    if (!e || !e->hasSelectedText()) return;
    const QString selected = e->selectedText();
    if (selected.isEmpty()) return;
    QString text = e->text();
    text.replace(selected, replacement, Qt::CaseSensitive);
    replaceEditorText(e, text);
}

int ExplorerWidget::entryKind(const QTreeWidgetItem* item) const {
    return item ? item->data(0, KindRole).toInt() : 0;
}

// ---- Event handlers ----

void ExplorerWidget::cmbTabList_Click(int index) {
    guardedVoid(Reporter::Msg, "cmbTabList_Click", "", [&] {
        if (index < 0 || index >= m_cmbTabList->count()) return;
        const QString text = m_cmbTabList->itemText(index);
        if (text.isEmpty() || isSectionHeading(text) ||
            m_cmbTabList->itemData(index, IndentRole).toInt() == 1)
            return;
        const int kind = m_cmbTabList->itemData(index, KindRole).toInt();
        auto* item = new QTreeWidgetItem(QStringList{text, QString()});
        item->setIcon(0, explorerIcon(kind));
        item->setData(0, KindRole, kind);
        m_lTabList->addTopLevelItem(item);
    });
}

void ExplorerWidget::cmdRefresh_Click() {
    ReadTables(filterText());
}

void ExplorerWidget::cmdFieldlist_Click() {
    guardedVoid(Reporter::Msg, "cmdFieldlist", "", [&] {
        const QString list = GetMarkedFieldlist();
        if (!list.isEmpty()) insertAtCaret(list, false);
    });
}

void ExplorerWidget::lTabList_MouseUp(Qt::MouseButton button) {
    try {
        if (m_lTabList->topLevelItemCount() == 0) return;
        QTreeWidgetItem* entry = m_lTabList->currentItem();
        if (!entry) return;
        const int kind = entryKind(entry);
        const QString text = entry->text(0);
        if (kind == icon::Table || kind == icon::View)
            ShowFields();
        else if (kind == icon::Procedure)
            ShowProcedureParameters(text);
        if (button != Qt::RightButton) return;
        if (kind == icon::Procedure) {
            QString name = text;
            ShowProcedureInfo(m_cn, name);
        }
        replaceSelectionEverywhere(text);
    } catch (...) {
        userPort().setWaitCursor(false);
        report(Reporter::Msg, describeCurrentException(), "lTabList_MouseUp", "");
    }
}

void ExplorerWidget::lTabList_DblClick() {
    guardedVoid(Reporter::Msg, "lTabList_DblClick", "", [&] {
        if (m_lTabList->topLevelItemCount() == 0) return;
        QTreeWidgetItem* entry = m_lTabList->currentItem();
        if (!entry) return;
        const int kind = entryKind(entry);
        QString name = entry->text(0);
        if (kind == icon::Table || kind == icon::View) {
            insertAtCaret(quoting().quotedObject(name), false);
        } else if (kind == icon::Procedure) {
            name.remove(QStringLiteral(";1"));
            insertAtCaret(QStringLiteral("EXEC ") + quoting().quotedObject(name), false);
        }
    });
}

void ExplorerWidget::lTabList_KeyDown(int key, Qt::KeyboardModifiers modifiers) {
    guardedVoid(Reporter::Msg, "lTabList_KeyDown", "", [&] {
        if (key != Qt::Key_Delete || (modifiers & Qt::ShiftModifier)) return;
        if (m_lTabList->topLevelItemCount() == 0) return;
        if (QTreeWidgetItem* entry = m_lTabList->currentItem()) delete entry;
    });
}

void ExplorerWidget::lFelder_DblClick() {
    guardedVoid(Reporter::Msg, "lFelder_DblClick", "", [&] {
        const QTreeWidgetItem* field = m_lFelder->currentItem();
        if (!field) return;
        QString name = quoting().quoted(field->text(0));
        if (m_chkLongNames->isChecked()) name = quoting().quotedObject(selectedObjectText().value_or(QString())) + u'.' + name;
        insertAtCaret(name, false);
    });
}

void ExplorerWidget::lFelder_MouseDown(Qt::MouseButton button, QTreeWidgetItem* item) {
    guardedVoid(Reporter::Msg, "lFelder_MouseDown", "", [&] {
        if (button != Qt::RightButton || m_lFelder->topLevelItemCount() == 0) return;
        const QTreeWidgetItem* field = item ? item : m_lFelder->currentItem();
        if (!field) return;
        replaceSelectionEverywhere(field->text(0));
    });
}

void ExplorerWidget::lFelder_ColumnClick(int column) {
    guardedVoid(Reporter::ErrorMsg, "lFelder_ColumnClick", "frmMain", [&] {
        m_sortDescending = !m_sortDescending;
        const Qt::SortOrder order = m_sortDescending ? Qt::DescendingOrder : Qt::AscendingOrder;
        m_lFelder->header()->setSortIndicatorShown(true);
        m_lFelder->header()->setSortIndicator(column, order);
        m_lFelder->sortItems(column, order);
    });
}

bool ExplorerWidget::eventFilter(QObject* watched, QEvent* event) {
    // The lists belong to the panes, which may already be tearing them down when their last
    // events arrive: only the pointers kept at installation are compared, nothing is asked of a
    // list before the event is one the explorer handles.
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonRelease && watched == m_tabViewport && m_lTabList) {
        lTabList_MouseUp(static_cast<QMouseEvent*>(event)->button());
    } else if (type == QEvent::KeyPress && watched == m_lTabList) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete) {
            lTabList_KeyDown(key->key(), key->modifiers());
            return true;
        }
    } else if (type == QEvent::MouseButtonPress && watched == m_fieldViewport && m_lFelder) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton)
            lFelder_MouseDown(mouse->button(), m_lFelder->itemAt(mouse->position().toPoint()));
    }
    return QObject::eventFilter(watched, event);
}

} // namespace mv
