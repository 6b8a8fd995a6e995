#include "results/result_grid_widget.h"

#include "app/mv_error.h"
#include "app/texts.h"
#include "results/grid_card_view.h"
#include "results/grid_delegate_view.h"
#include "results/grid_group_area_widget.h"
#include "results/grid_navigator_widget.h"
#include "results/grid_table_view.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace mv {

namespace {
constexpr int SampleLimit = 300; // rows measured when fitting columns
constexpr int FitMin = 24, FitMax = 600;
const QString OddRow = QStringLiteral("OddRow");
const QString DisabledStyle = QStringLiteral("DisabledStyle");
} // namespace

ResultGridWidget::ResultGridWidget(QWidget* parent) : QWidget(parent), m_print(standardPrintSettings()) {
    setObjectName(QStringLiteral("Grid"));
    m_model = new ResultModel(this);
    m_groupBox = new GroupByAreaWidget(this);
    m_table = new GridTableView(this);
    m_table->setResultModel(m_model);
    m_cards = new GridCardView(this);
    m_cards->setResultModel(m_model);
    m_stack = new QStackedWidget(this);
    m_stack->addWidget(m_table);
    m_stack->addWidget(m_cards);
    m_navigator = new RecordNavigatorWidget(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_groupBox);
    layout->addWidget(m_stack, 1);
    layout->addWidget(m_navigator);
    m_groupBox->setVisible(false);
    m_navigator->setVisible(false);

    const QPalette pal = palette();
    m_styles.insert(OddRow, {pal.color(QPalette::AlternateBase), QColor(), false});
    m_styles.insert(DisabledStyle, {pal.color(QPalette::Window), QColor(), false});
    m_headerFore = pal.color(QPalette::ButtonText);
    m_headerBack = pal.color(QPalette::Button);

    connect(m_model, &ResultModel::beforeColUpdate, this, &ResultGridWidget::beforeColUpdate);
    connect(m_model, &ResultModel::beforeUpdate, this, &ResultGridWidget::beforeUpdate);
    connect(m_model, &ResultModel::beforeDelete, this, &ResultGridWidget::beforeDelete);
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, &ResultGridWidget::onModelAboutToReset);
    connect(m_model, &QAbstractItemModel::modelReset, this, &ResultGridWidget::onModelReset);
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &ResultGridWidget::updateNavigator);
    connect(m_model, &ResultModel::columnsChanged, this, [this] {
        applyColumnGeometry();
        updateGroupBox();
    });
    connect(m_model, &ResultModel::arrangementFinished, this, [this] {
        applyColumnGeometry();
        updateGroupBox();
    });

    connect(m_table, &GridTableView::currentRowChanged, this, &ResultGridWidget::onCurrentRowChanged);
    connect(m_table, &GridTableView::activated, this, &ResultGridWidget::activated);
    connect(m_table, &GridTableView::mouseUp, this, &ResultGridWidget::mouseUp);
    connect(m_table, &GridTableView::rowDrag, this, &ResultGridWidget::rowDrag);
    GridHeaderView* header = m_table->gridHeader();
    connect(header, &QHeaderView::sectionClicked, this, [this](int logical) {
        if (logical >= 0 && logical < columnCount()) emit columnHeaderClick(columns()[logical].key);
    });
    connect(header, &QHeaderView::sectionResized, this, [this](int logical, int, int size) {
        if (!m_applyingGeometry) m_model->setColumnWidth(logical, size * TwipsPerPixel);
    });
    connect(header, &GridHeaderView::columnDropped, this,
            [this](const QString& key, int position, bool fromGroups) {
                if (fromGroups)
                    ungroup(key);
                else
                    moveColumn(key, position);
            });

    connect(m_groupBox, &GroupByAreaWidget::columnDropped, this,
            [this](const QString& key, int level) { groupBy(key, level); });
    connect(m_groupBox, &GroupByAreaWidget::ungroupRequested, this, &ResultGridWidget::ungroup);
    connect(m_groupBox, &GroupByAreaWidget::levelClicked, this, [this](const QString& key) {
        QList<GridSortKey> keys = groupKeys();
        for (GridSortKey& k : keys)
            if (k.column.compare(key, Qt::CaseInsensitive) == 0) k.descending = !k.descending;
        setGroupKeys(keys);
    });

    connect(m_cards, &GridCardView::currentPositionChanged, this, [this](int position) {
        if (!m_settingCurrent) setCurrentPosition(position);
    });
    connect(m_cards, &GridCardView::activated, this, &ResultGridWidget::activated);
    connect(m_cards, &GridCardView::mouseUp, this, &ResultGridWidget::mouseUp);

    connect(m_navigator, &RecordNavigatorWidget::moveFirst, this, &ResultGridWidget::moveFirst);
    connect(m_navigator, &RecordNavigatorWidget::movePrevious, this, &ResultGridWidget::movePrevious);
    connect(m_navigator, &RecordNavigatorWidget::moveNext, this, &ResultGridWidget::moveNext);
    connect(m_navigator, &RecordNavigatorWidget::moveLast, this, &ResultGridWidget::moveLast);

    setRowHeight(m_rowHeight);
    applyPalette();
    applyHeaderLook();
    applyLanguage();
}

ResultGridWidget::~ResultGridWidget() = default;

// ---- binding ----

void ResultGridWidget::setRecordset(const Recordset& rs) {
    m_table->finishEditing();
    const bool freshColumns = !m_model->keepsColumnsOnNextBind();
    m_rememberedRecord = -2; // a new source: nothing to restore
    m_model->setRecordset(rs);
    if (freshColumns) {
        QList<int> rows;
        for (int r = 0; r < std::min(100, m_model->rowCount()); ++r)
            rows << r;
        fitColumnsTo(rows);
    }
    m_position = -1;
    if (m_model->positionCount() > 0) setCurrentPosition(0);
    updateNavigator();
}

const Recordset& ResultGridWidget::recordset() const {
    return m_model->recordset();
}

void ResultGridWidget::unbind() {
    m_table->finishEditing();
    m_rememberedRecord = -2;
    m_model->unbind();
    m_position = -1;
    updateNavigator();
}

void ResultGridWidget::refresh() {
    m_table->finishEditing();
    m_model->refresh();
}

void ResultGridWidget::rebind() {
    if (!hasRecordset()) return;
    const Recordset rs = recordset();
    holdColumnsOnNextBind();
    setRecordset(rs);
}

void ResultGridWidget::clearColumns() {
    m_table->finishEditing();
    m_model->clearColumns();
}

void ResultGridWidget::holdColumnsOnNextBind() {
    m_model->keepColumnsOnNextBind();
}

void ResultGridWidget::setBusySwitch(bool on) {
    m_busySwitch = on;
    if (!on) m_table->finishEditing();
    m_table->setEnabled(on);
    m_cards->setEnabled(on);
    m_navigator->setEnabled(on);
    m_groupBox->setEnabled(on);
}

void ResultGridWidget::setUnboundSource(GridUnboundSource* source) {
    m_table->finishEditing();
    m_rememberedRecord = -2;
    m_model->setUnboundSource(source);
    m_position = -1;
    if (m_model->positionCount() > 0) setCurrentPosition(0);
    updateNavigator();
}

// ---- layout ----

GridLayout ResultGridWidget::gridLayout() const {
    GridLayout layout;
    layout.columns = columns();
    layout.grouping = groupKeys();
    layout.sorting = sortKeys();
    layout.rowHeight = m_rowHeight;
    return layout;
}

void ResultGridWidget::applyGridLayout(const GridLayout& layout) {
    checkLayout(layout);
    m_table->finishEditing();
    m_model->applyLayout(layout.columns, layout.grouping, layout.sorting);
    setRowHeight(layout.rowHeight);
    applyColumnGeometry();
    updateGroupBox();
}

void ResultGridWidget::saveLayout(const QString& path) const {
    saveLayoutFile(gridLayout(), path);
}

void ResultGridWidget::loadLayout(const QString& path) {
    applyGridLayout(loadLayoutFile(path));
}

// ---- columns ----

GridColumn ResultGridWidget::column(int position) const {
    if (position < 0 || position >= columnCount())
        throw MvError(err::SubscriptOutOfRange, ui_text(QStringLiteral("Die Spalte %1 gibt es nicht."),
                                                        QStringLiteral("There is no column %1."))
                                                    .arg(position));
    return columns()[position];
}

void ResultGridWidget::setColumns(const QList<GridColumn>& columns) {
    m_table->finishEditing();
    m_model->setColumns(columns);
}

void ResultGridWidget::setColumn(int position, const GridColumn& column) {
    QList<GridColumn> all = columns();
    this->column(position); // checks the position
    all[position] = column;
    setColumns(all);
}

void ResultGridWidget::addColumn(const GridColumn& column) {
    if (findColumn(column.key) >= 0)
        throw MvError(err::KeyNotFound,
                      ui_text(QStringLiteral("Der Spaltenschlüssel \"%1\" ist bereits vergeben."),
                              QStringLiteral("The column key \"%1\" is already taken."))
                          .arg(column.key));
    QList<GridColumn> all = columns();
    all.append(column);
    setColumns(all);
}

void ResultGridWidget::removeColumn(const QString& key) {
    const int position = findColumn(key);
    if (position < 0) return;
    QList<GridColumn> all = columns();
    all.removeAt(position);
    setColumns(all);
}

void ResultGridWidget::moveColumn(const QString& key, int position) {
    const int from = findColumn(key);
    if (from < 0) return;
    const int to = std::clamp(position > from ? position - 1 : position, 0, columnCount() - 1);
    m_table->finishEditing();
    m_model->moveColumn(from, to);
}

void ResultGridWidget::setImageList(const QList<QIcon>& images) {
    m_table->gridDelegate()->setImageList(images);
    m_table->viewport()->update();
}

// ---- current row ----

int ResultGridWidget::currentRecord() const {
    if (m_position < 0 || m_position >= m_model->positionCount()) return -1;
    return m_model->recordAtPosition(m_position);
}

void ResultGridWidget::setCurrentPosition(int position) {
    const int count = m_model->positionCount();
    if (count == 0) {
        m_position = -1;
        updateNavigator();
        return;
    }
    position = std::clamp(position, 0, count - 1);
    m_table->finishEditing();
    m_model->revealPosition(position);
    const int row = m_model->rowOfPosition(position);
    int column = m_table->currentIndex().column();
    if (column < 0 || m_table->isColumnHidden(column)) {
        column = 0;
        while (column < columnCount() - 1 && m_table->isColumnHidden(column))
            ++column;
    }
    const bool changed = position != m_position;
    m_settingCurrent = true;
    if (columnCount() > 0) {
        const QModelIndex index = m_model->index(row, column);
        m_table->setCurrentIndex(index);
        m_table->scrollTo(index);
    }
    m_cards->setCurrentPosition(position);
    m_settingCurrent = false;
    m_position = position;
    updateNavigator();
    if (changed) emit currentRecordChanged(currentRecord());
}

void ResultGridWidget::moveFirst() {
    setCurrentPosition(0);
}
void ResultGridWidget::movePrevious() {
    setCurrentPosition(std::max(0, m_position - 1));
}
void ResultGridWidget::moveNext() {
    setCurrentPosition(m_position < 0 ? 0 : m_position + 1);
}
void ResultGridWidget::moveLast() {
    setCurrentPosition(m_model->positionCount() - 1);
}

std::optional<QVariant> ResultGridWidget::currentValue(int column) const {
    const int record = currentRecord();
    if (record < 0 || column < 0 || column >= columnCount()) return std::nullopt;
    return m_model->cellValue(record, column);
}

std::optional<QVariant> ResultGridWidget::currentValue(const QString& key) const {
    return currentValue(findColumn(key));
}

void ResultGridWidget::onCurrentRowChanged(int row) {
    if (m_settingCurrent) return;
    const int position = m_model->positionOfRow(row);
    if (position == m_position) return;
    m_position = position;
    if (position >= 0) {
        m_settingCurrent = true;
        m_cards->setCurrentPosition(position);
        m_settingCurrent = false;
    }
    updateNavigator();
    emit currentRecordChanged(currentRecord());
}

void ResultGridWidget::onModelAboutToReset() {
    if (m_rememberedRecord == -2) return; // the source changes: nothing to keep
    m_rememberedRecord = currentRecord();
    m_rememberedPosition = m_position;
    m_rememberedStamp = m_model->structureStamp();
}

void ResultGridWidget::onModelReset() {
    applyColumnGeometry();
    updateGroupBox();
    const int remembered = m_rememberedRecord;
    m_rememberedRecord = -1;
    if (remembered == -2) return;
    int position = -1;
    if (remembered >= 0) {
        // Same records: find the record again (a sort moved it); records came or went: keep the place.
        position = m_rememberedStamp == m_model->structureStamp()
                       ? m_model->positionOfRecord(remembered)
                       : std::min(m_rememberedPosition, m_model->positionCount() - 1);
    }
    const int before = currentRecord();
    m_position = -1;
    if (position >= 0) {
        const int row = m_model->rowOfPosition(position);
        m_settingCurrent = true;
        if (columnCount() > 0 && row >= 0) {
            int column = 0;
            while (column < columnCount() - 1 && m_table->isColumnHidden(column))
                ++column;
            m_table->setCurrentIndex(m_model->index(row, column));
        }
        // A record hidden in a collapsed group is no current record.
        if (m_model->positionOfRow(row) == position) {
            m_position = position;
            m_cards->setCurrentPosition(position);
        }
        m_settingCurrent = false;
    }
    updateNavigator();
    if (currentRecord() != before) emit currentRecordChanged(currentRecord());
}

// ---- order and groups ----

void ResultGridWidget::setSortKeys(const QList<GridSortKey>& keys) {
    m_table->finishEditing();
    m_model->setSortKeys(keys);
    applyColumnGeometry();
}

int ResultGridWidget::sortOrder(const QString& key) const {
    for (const GridSortKey& k : m_model->sortKeys())
        if (k.column.compare(key, Qt::CaseInsensitive) == 0) return k.descending ? -1 : 1;
    return 0;
}

void ResultGridWidget::setGroupKeys(const QList<GridSortKey>& keys) {
    m_table->finishEditing();
    m_model->setGroupKeys(keys);
    updateGroupBox();
}

void ResultGridWidget::groupBy(const QString& key, int level) {
    const int column = findColumn(key);
    if (column < 0) return;
    QList<GridSortKey> keys = groupKeys();
    GridSortKey entry{columns()[column].key, false};
    for (int i = 0; i < keys.size(); ++i) {
        if (keys[i].column.compare(key, Qt::CaseInsensitive) == 0) {
            entry.descending = keys[i].descending;
            keys.removeAt(i);
            if (level > i) --level;
            break;
        }
    }
    if (level < 0 || level > keys.size())
        keys.append(entry);
    else
        keys.insert(level, entry);
    setGroupKeys(keys);
}

void ResultGridWidget::ungroup(const QString& key) {
    QList<GridSortKey> keys = groupKeys();
    keys.removeIf([&](const GridSortKey& k) { return k.column.compare(key, Qt::CaseInsensitive) == 0; });
    if (keys.size() != groupKeys().size()) setGroupKeys(keys);
}

void ResultGridWidget::updateGroupBox() {
    QList<GroupByAreaWidget::Level> levels;
    for (const GridSortKey& k : groupKeys()) {
        const int c = findColumn(k.column);
        levels.append({k.column, c >= 0 ? columns()[c].caption : k.column, k.descending});
    }
    m_groupBox->setLevels(levels);
}

// ---- display options ----

void ResultGridWidget::setGroupByBoxVisible(bool on) {
    m_groupByBoxVisible = on;
    m_groupBox->setVisible(on);
}

QString ResultGridWidget::groupByBoxPrompt() const {
    return m_groupBox->prompt();
}
void ResultGridWidget::setGroupByBoxPrompt(const QString& text) {
    m_groupBox->setPrompt(text);
}

void ResultGridWidget::setGroupFooterMode(int mode) {
    m_model->setGroupFooters(mode == 2);
}

void ResultGridWidget::setNavigatorVisible(bool on) {
    m_navigatorVisible = on;
    m_navigator->setVisible(on);
}

void ResultGridWidget::setView(int view) {
    m_view = view == 1 ? 1 : 0;
    m_table->finishEditing();
    m_stack->setCurrentIndex(m_view);
    if (m_position >= 0) m_cards->setCurrentPosition(m_position);
}

bool ResultGridWidget::rowHeadersVisible() const {
    return !m_table->verticalHeader()->isHidden();
}
void ResultGridWidget::setRowHeadersVisible(bool on) {
    m_table->verticalHeader()->setHidden(!on);
}
bool ResultGridWidget::alternatingRowColors() const {
    return m_table->alternatingRowColors();
}
void ResultGridWidget::setAlternatingRowColors(bool on) {
    m_table->setAlternatingRowColors(on);
}
bool ResultGridWidget::gridLines() const {
    return m_table->gridDelegate()->gridLines();
}

void ResultGridWidget::setGridLines(bool on) {
    m_table->gridDelegate()->setGridLines(on);
    m_table->viewport()->update();
}

void ResultGridWidget::setHeaderStyle(int style) {
    m_headerStyle = style;
    applyHeaderLook();
}
void ResultGridWidget::setHeaderForeColor(const QColor& color) {
    m_headerFore = color;
    applyHeaderLook();
}
void ResultGridWidget::setHeaderBackColor(const QColor& color) {
    m_headerBack = color;
    applyHeaderLook();
}
void ResultGridWidget::setHeaderFontBold(bool on) {
    m_headerBold = on;
    applyHeaderLook();
}

void ResultGridWidget::applyHeaderLook() {
    QHeaderView* header = m_table->horizontalHeader();
    QFont font = m_table->font();
    font.setBold(m_headerBold);
    header->setFont(font);
    if (m_headerStyle == ReportHeader) {
        header->setStyleSheet(
            QStringLiteral(
                "QHeaderView::section { background-color: %1; color: %2; font-weight: %4; border: none; "
                "border-right: 1px solid %3; border-bottom: 1px solid %3; padding: 2px 4px; }")
                .arg(m_headerBack.name(), m_headerFore.name(), palette().color(QPalette::Mid).name(),
                     m_headerBold ? QStringLiteral("bold") : QStringLiteral("normal")));
    } else {
        header->setStyleSheet(QString());
        QPalette pal = header->palette();
        pal.setColor(QPalette::Button, m_headerBack);
        pal.setColor(QPalette::ButtonText, m_headerFore);
        header->setPalette(pal);
    }
}

QFont ResultGridWidget::gridFont() const {
    return m_table->font();
}

void ResultGridWidget::setGridFont(const QFont& font) {
    m_table->setFont(font);
    m_cards->setFont(font);
    applyHeaderLook();
}

QColor ResultGridWidget::backColor() const {
    return m_table->palette().color(QPalette::Active, QPalette::Base);
}

void ResultGridWidget::setBackColor(const QColor& color) {
    for (QWidget* w : {static_cast<QWidget*>(m_table), static_cast<QWidget*>(m_cards)}) {
        QPalette pal = w->palette();
        pal.setColor(QPalette::Active, QPalette::Base, color);
        pal.setColor(QPalette::Inactive, QPalette::Base, color);
        w->setPalette(pal);
    }
}

void ResultGridWidget::setFormatStyle(const QString& name, const GridFormatStyle& style) {
    m_styles.insert(name, style);
    applyPalette();
}

void ResultGridWidget::applyPalette() {
    const GridFormatStyle odd = m_styles.value(OddRow);
    const GridFormatStyle disabled = m_styles.value(DisabledStyle);
    for (QWidget* w : {static_cast<QWidget*>(m_table), static_cast<QWidget*>(m_cards)}) {
        QPalette pal = w->palette();
        if (odd.backColor.isValid()) pal.setColor(QPalette::AlternateBase, odd.backColor);
        if (disabled.backColor.isValid()) {
            pal.setColor(QPalette::Disabled, QPalette::Base, disabled.backColor);
            pal.setColor(QPalette::Disabled, QPalette::AlternateBase, disabled.backColor);
        }
        if (disabled.foreColor.isValid())
            pal.setColor(QPalette::Disabled, QPalette::Text, disabled.foreColor);
        w->setPalette(pal);
    }
}

void ResultGridWidget::setRowHeight(int twips) {
    m_rowHeight = std::max(TwipsPerPixel, twips);
    m_table->verticalHeader()->setDefaultSectionSize(std::max(1, m_rowHeight / TwipsPerPixel));
}

void ResultGridWidget::applyColumnGeometry() {
    m_applyingGeometry = true;
    const QList<GridColumn>& cols = columns();
    QHeaderView* header = m_table->horizontalHeader();
    // Only what changes is passed on: every change makes the view move the sections after it,
    // which a hundred thousand columns would pay for a hundred thousand times. For the same
    // reason the header paints nothing meanwhile: a header that paints looks up where each changed
    // section now stands, which takes every section's position anew.
    const bool painting = header->updatesEnabled();
    header->setUpdatesEnabled(false);
    for (int c = 0; c < cols.size(); ++c) {
        if (m_table->isColumnHidden(c) != !cols[c].visible) m_table->setColumnHidden(c, !cols[c].visible);
        const int width = std::max(1, cols[c].width / TwipsPerPixel);
        if (m_table->columnWidth(c) != width) m_table->setColumnWidth(c, width);
    }
    header->setUpdatesEnabled(painting);
    const QList<GridSortKey> keys = sortKeys();
    const int sorted = keys.isEmpty() ? -1 : findColumn(keys.first().column);
    header->setSortIndicatorShown(sorted >= 0);
    if (sorted >= 0)
        header->setSortIndicator(sorted, keys.first().descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    m_applyingGeometry = false;
}

QList<int> ResultGridWidget::sampleRows() const {
    QList<int> rows;
    const int count = m_model->rowCount();
    for (int r = 0; r < std::min(100, count); ++r)
        rows << r;
    const int top = m_table->rowAt(0);
    if (top >= 0) {
        int bottom = m_table->rowAt(m_table->viewport()->height() - 1);
        if (bottom < 0) bottom = count - 1;
        for (int r = top; r <= bottom && rows.size() < SampleLimit; ++r)
            rows << r;
    }
    return rows;
}

void ResultGridWidget::fitColumnsTo(const QList<int>& rows) {
    const QFontMetrics cells(m_table->font());
    const QFontMetrics heads(m_table->horizontalHeader()->font());
    const QList<GridColumn>& cols = columns();
    std::vector<int> records;
    for (int row : rows)
        if (const int record = m_model->recordOfRow(row); record >= 0) records.push_back(record);
    for (int c = 0; c < cols.size(); ++c) {
        int width = heads.horizontalAdvance(cols[c].caption) + 28;
        if (cols[c].type == GridColumnType::CheckBox) {
            width = std::max(width, 28);
        } else {
            const int icon = cols[c].type == GridColumnType::Text ? 0 : 20;
            for (int record : records)
                width = std::max(width, cells.horizontalAdvance(m_model->cellText(record, c)) + 12 + icon);
        }
        m_model->setColumnWidth(c, std::clamp(width, FitMin, FitMax) * TwipsPerPixel);
    }
    applyColumnGeometry();
}

void ResultGridWidget::fitColumns() {
    fitColumnsTo(sampleRows());
}

void ResultGridWidget::applyLanguage() {
    setGroupByBoxPrompt(ui_text("Ziehen sie hierauf einen Spaltenkopf um nach dieser Spalte zu gruppieren",
                                "Drag a column header here to group by that column"));
    updateNavigator();
}

void ResultGridWidget::updateNavigator() {
    m_navigator->setPosition(m_position, m_model->positionCount());
}

// ---- editing ----

void ResultGridWidget::setAllowEdit(bool on) {
    m_model->setAllowEdit(on);
    m_table->setEditTriggers(on ? QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed |
                                      QAbstractItemView::SelectedClicked
                                : QAbstractItemView::NoEditTriggers);
    m_table->viewport()->update();
}

bool ResultGridWidget::allowDelete() const {
    return m_table->allowDelete();
}
void ResultGridWidget::setAllowDelete(bool on) {
    m_table->setAllowDelete(on);
}

bool ResultGridWidget::commitRow() {
    m_table->finishEditing();
    return m_model->commitRow();
}

bool ResultGridWidget::deleteSelectedRows() {
    if (m_view == 1) {
        if (!allowDelete() || m_position < 0) return false;
        return m_model->deleteRows({m_model->rowOfPosition(m_position)});
    }
    return m_table->deleteSelectedRows();
}

QString ResultGridWidget::selectedRowsText() const {
    QList<int> rows = m_table->selectedRowNumbers();
    if (rows.isEmpty() && m_position >= 0) rows << m_model->rowOfPosition(m_position);
    return m_model->rowsText(rows);
}

} // namespace mv
