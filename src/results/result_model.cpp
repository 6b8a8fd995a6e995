#include "results/result_model.h"

#include "app/error_report.h"
#include "app/texts.h"
#include "results/grid_format.h"

#include <QHash>
#include <QMimeData>
#include <QSet>
#include <algorithm>

namespace mv {

namespace {
constexpr char PendingMark[] = "\u270E";
}

ResultModel::ResultModel(QObject* parent) : QAbstractTableModel(parent) {
    resetArrangement();
}

ResultModel::~ResultModel() {
    stopWorker();
}

// ---- source ----

void ResultModel::setRecordset(const Recordset& rs) {
    stopWorker();
    beginResetModel();
    m_pending = {};
    m_mode = Mode::Bound;
    m_unbound = nullptr;
    m_cachedRow = -1;
    m_rs = rs;
    if (!m_keepColumns) {
        QList<GridColumn> columns;
        QSet<QString> keys;
        for (int f = 0; f < m_rs.fieldCount(); ++f) {
            GridColumn c = columnForField(m_rs.field(f), f);
            // Repeated field names (a join's "id" twice) still need unique keys.
            QString key = c.key.isEmpty() ? QStringLiteral("Column%1").arg(f + 1) : c.key;
            for (int n = 2; keys.contains(key.toCaseFolded()); ++n)
                key = c.key + QStringLiteral("_%1").arg(n);
            keys.insert(key.toCaseFolded());
            c.key = key;
            columns.append(c);
        }
        m_columns = columns;
        m_sortKeys.clear();
        m_groupKeys.clear();
    }
    m_keepColumns = false;
    resolveFields();
    ++m_structure;
    resetArrangement();
    endResetModel();
    emit columnsChanged();
    if (!m_sortKeys.isEmpty() || !m_groupKeys.isEmpty()) rearrange();
}

void ResultModel::unbind() {
    stopWorker();
    beginResetModel();
    m_pending = {};
    m_mode = Mode::Empty;
    m_unbound = nullptr;
    m_rs = Recordset();
    m_cachedRow = -1;
    ++m_structure;
    resolveFields();
    resetArrangement();
    endResetModel();
}

void ResultModel::setUnboundSource(GridUnboundSource* source) {
    stopWorker();
    beginResetModel();
    m_pending = {};
    m_rs = Recordset();
    m_unbound = source;
    m_mode = source ? Mode::Unbound : Mode::Empty;
    m_sortKeys.clear();
    m_groupKeys.clear();
    m_cachedRow = -1;
    ++m_structure;
    resolveFields();
    resetArrangement();
    endResetModel();
}

void ResultModel::refresh() {
    stopWorker();
    beginResetModel();
    m_cachedRow = -1;
    if (m_pending.active && m_pending.record >= recordCount()) m_pending = {};
    ++m_structure;
    resolveFields();
    resetArrangement();
    endResetModel();
    if (!m_sortKeys.isEmpty() || !m_groupKeys.isEmpty()) rearrange();
}

int ResultModel::recordCount() const {
    switch (m_mode) {
    case Mode::Bound:
        return m_rs.isOpen() ? m_rs.recordCount() : 0;
    case Mode::Unbound:
        return m_unbound ? m_unbound->rowCount() : 0;
    case Mode::Empty:
        break;
    }
    return 0;
}

// ---- columns ----

void ResultModel::resolveFields() {
    m_fieldOf.assign(size_t(m_columns.size()), -1);
    QStringList names;
    if (m_mode == Mode::Bound)
        for (int f = 0; f < m_rs.fieldCount(); ++f)
            names << m_rs.field(f).name;
    else if (m_mode == Mode::Unbound && m_unbound)
        names = m_unbound->fieldNames();
    // The n-th column naming a field takes the n-th field of that name, so repeated names each
    // find their own field; fewer fields of that name than columns: the first is shared. One
    // look-up table for all, so a hundred thousand columns stay linear.
    QHash<QString, QList<int>> fieldsNamed;
    fieldsNamed.reserve(names.size());
    for (int f = 0; f < names.size(); ++f)
        fieldsNamed[names[f].toCaseFolded()].append(f);
    QHash<QString, int> seen;
    for (int c = 0; c < m_columns.size(); ++c) {
        const QString name = m_columns[c].dataField.toCaseFolded();
        if (name.isEmpty()) continue;
        const auto fields = fieldsNamed.constFind(name);
        if (fields == fieldsNamed.cend()) continue;
        int& wanted = seen[name];
        m_fieldOf[size_t(c)] = wanted < fields->size() ? fields->at(wanted) : fields->first();
        ++wanted;
    }
}

void ResultModel::setColumns(const QList<GridColumn>& columns) {
    applyLayout(columns, m_groupKeys, m_sortKeys);
}

void ResultModel::applyLayout(const QList<GridColumn>& columns, const QList<GridSortKey>& groups,
                              const QList<GridSortKey>& sorts) {
    GridLayout check;
    check.columns = columns;
    checkLayout(check);
    if (m_pending.active) commitRow();
    const bool arranged = !m_sortKeys.isEmpty() || !m_groupKeys.isEmpty();
    beginResetModel();
    m_columns = columns;
    for (int i = 0; i < m_columns.size(); ++i)
        m_columns[i].index = i;
    m_groupKeys = groups;
    m_sortKeys = sorts;
    resolveFields();
    dropMissingKeys();
    if (m_sortKeys.isEmpty() && m_groupKeys.isEmpty()) resetArrangement();
    endResetModel();
    emit columnsChanged();
    if (!m_sortKeys.isEmpty() || !m_groupKeys.isEmpty())
        rearrange();
    else if (arranged)
        emit arrangementFinished();
}

void ResultModel::dropMissingKeys() {
    const auto missing = [this](const GridSortKey& k) { return findColumn(k.column) < 0; };
    m_sortKeys.removeIf(missing);
    m_groupKeys.removeIf(missing);
}

void ResultModel::clearColumns() {
    if (m_pending.active) commitRow();
    beginResetModel();
    m_columns.clear();
    m_sortKeys.clear();
    m_groupKeys.clear();
    resolveFields();
    resetArrangement();
    endResetModel();
    emit columnsChanged();
}

int ResultModel::findColumn(const QString& key) const {
    for (int c = 0; c < m_columns.size(); ++c)
        if (m_columns[c].key.compare(key, Qt::CaseInsensitive) == 0) return c;
    return -1;
}

int ResultModel::fieldOfColumn(int column) const {
    return column >= 0 && size_t(column) < m_fieldOf.size() ? m_fieldOf[size_t(column)] : -1;
}

void ResultModel::moveColumn(int from, int to) {
    if (from < 0 || from >= m_columns.size() || to < 0 || to >= m_columns.size() || from == to) return;
    QList<GridColumn> columns = m_columns;
    columns.move(from, to);
    setColumns(columns);
}

void ResultModel::setColumnWidth(int column, int twips) {
    if (column >= 0 && column < m_columns.size()) m_columns[column].width = std::max(0, twips);
}

int ResultModel::visibleColumnCount() const {
    return int(
        std::count_if(m_columns.begin(), m_columns.end(), [](const GridColumn& c) { return c.visible; }));
}

// ---- display rows ----

bool ResultModel::hasNewRowLine() const {
    if (!m_allowAddNew || m_columns.isEmpty() || m_arr.levelCount() > 0) return false;
    if (m_mode == Mode::Bound) return m_rs.supportsUpdate();
    return m_mode == Mode::Unbound;
}

void ResultModel::setAllowAddNew(bool on) {
    if (on == m_allowAddNew) return;
    if (!on && m_pending.active && m_pending.record < 0) m_pending = {};
    beginResetModel();
    m_allowAddNew = on;
    endResetModel();
}

ResultModel::RowKind ResultModel::rowKind(int row) const {
    if (hasNewRowLine() && row == m_outline.rowCount()) return RowKind::NewRow;
    switch (m_outline.item(row).kind) {
    case GroupOutline::Kind::Header:
        return RowKind::GroupHeader;
    case GroupOutline::Kind::Footer:
        return RowKind::GroupFooter;
    case GroupOutline::Kind::Record:
        break;
    }
    return RowKind::Record;
}

int ResultModel::recordOfRow(int row) const {
    if (row < 0 || row >= m_outline.rowCount()) return -1;
    const GroupOutline::Item item = m_outline.item(row);
    return item.kind == GroupOutline::Kind::Record ? m_arr.recordAt(item.position) : -1;
}

int ResultModel::positionOfRecord(int record) const {
    if (record < 0 || record >= m_arr.rowCount) return -1;
    if (m_arr.order.empty()) return record;
    const auto it = std::find(m_arr.order.begin(), m_arr.order.end(), record);
    return it == m_arr.order.end() ? -1 : int(it - m_arr.order.begin());
}

int ResultModel::positionOfRow(int row) const {
    if (row < 0 || row >= m_outline.rowCount()) return -1;
    const GroupOutline::Item item = m_outline.item(row);
    return item.kind == GroupOutline::Kind::Record ? item.position : -1;
}

int ResultModel::rowOfPosition(int position) const {
    if (position < 0 || position >= m_arr.rowCount) return -1;
    return m_outline.displayRowOfPosition(position);
}

void ResultModel::revealPosition(int position) {
    if (position < 0 || position >= m_arr.rowCount || m_arr.levelCount() == 0) return;
    bool hidden = false;
    for (int level = 0; level < m_arr.levelCount(); ++level)
        hidden = hidden || !m_outline.isExpanded(level, m_arr.groupOf(level, position));
    if (!hidden) return;
    beginResetModel();
    for (int level = 0; level < m_arr.levelCount(); ++level) {
        const int group = m_arr.groupOf(level, position);
        if (!m_outline.isExpanded(level, group)) m_outline.setExpanded(level, group, true);
    }
    endResetModel();
}

int ResultModel::rowOfRecord(int record) const {
    const int position = positionOfRecord(record);
    return position < 0 ? -1 : m_outline.displayRowOfPosition(position);
}

bool ResultModel::isGroupExpanded(int row) const {
    const GroupOutline::Item item = m_outline.item(row);
    return item.kind == GroupOutline::Kind::Header && m_outline.isExpanded(item.level, item.group);
}

void ResultModel::setGroupExpanded(int row, bool expanded) {
    if (row < 0 || row >= m_outline.rowCount()) return;
    const GroupOutline::Item item = m_outline.item(row);
    if (item.kind != GroupOutline::Kind::Header || m_outline.isExpanded(item.level, item.group) == expanded)
        return;
    beginResetModel();
    m_outline.setExpanded(item.level, item.group, expanded);
    endResetModel();
}

void ResultModel::setAllGroupsExpanded(bool expanded) {
    if (m_arr.levelCount() == 0) return;
    beginResetModel();
    m_outline.setAllExpanded(expanded);
    endResetModel();
}

// ---- cells ----

int ResultModel::fieldType(int field) const {
    if (m_mode == Mode::Bound && field >= 0 && field < m_rs.fieldCount()) return m_rs.field(field).type;
    return ado::adVarWChar;
}

QVariant ResultModel::storedValue(int record, int field) const {
    if (field < 0 || record < 0) return {};
    if (m_mode == Mode::Bound) {
        if (record >= m_rs.recordCount()) return {};
        return columnVariant(m_rs.column(field), m_rs.physicalRow(record), m_rs.field(field));
    }
    if (m_mode == Mode::Unbound && m_unbound) {
        if (m_cachedRow != record) {
            m_cachedValues = m_unbound->readRow(record + 1);
            m_cachedRow = record;
        }
        return field < m_cachedValues.size() ? m_cachedValues[field] : QVariant();
    }
    return {};
}

QString ResultModel::plainText(int record, int field) const {
    if (m_mode == Mode::Bound && field >= 0 && record >= 0 && record < m_rs.recordCount())
        return columnText(m_rs.column(field), m_rs.physicalRow(record), m_rs.field(field));
    return formatGridValue(storedValue(record, field), fieldType(field), QString());
}

QVariant ResultModel::cellValue(int record, int column) const {
    const int field = fieldOfColumn(column);
    if (field < 0) return {};
    if (m_pending.active && m_pending.record == record) {
        const auto it = m_pending.values.find(field);
        if (it != m_pending.values.end()) return it->second;
    }
    if (record < 0) return {};
    return storedValue(record, field);
}

void ResultModel::setNullMark(bool on) {
    if (m_nullMark == on) return;
    m_nullMark = on;
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {NullRole});
}

bool ResultModel::isNullCell(int record, int column) const {
    const int field = fieldOfColumn(column);
    if (field < 0 || record < 0) return false;
    if (m_pending.active && m_pending.record == record) {
        const auto it = m_pending.values.find(field);
        if (it != m_pending.values.end()) return !it->second.isValid() || it->second.isNull();
    }
    if (m_mode == Mode::Bound) return record < m_rs.recordCount() && m_rs.isNull(record, field);
    const QVariant v = storedValue(record, field);
    return !v.isValid() || v.isNull();
}

QString ResultModel::displayText(const GridColumn& column, int field, const QVariant& value) const {
    if (const GridValueItem* item = column.valueItem(value)) return item->text;
    return formatGridValue(value, fieldType(field), column.format);
}

QString ResultModel::cellText(int record, int column) const {
    if (column < 0 || column >= m_columns.size()) return {};
    const GridColumn& c = m_columns[column];
    const int field = fieldOfColumn(column);
    const bool pending = m_pending.active && m_pending.record == record && m_pending.values.count(field);
    if (!pending && c.format.isEmpty() && c.valueList.isEmpty()) return plainText(record, field);
    return displayText(c, field, cellValue(record, column));
}

QString ResultModel::rowsText(QList<int> rows) const {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QStringList lines;
    for (int row : rows) {
        const int record = recordOfRow(row);
        if (record < 0) continue;
        QStringList cells;
        for (int c = 0; c < m_columns.size(); ++c)
            if (m_columns[c].visible) cells << cellText(record, c);
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QStringLiteral("\r\n"));
}

QString ResultModel::groupCaption(int level, int group) const {
    if (level < 0 || level >= m_groupColumns.size()) return {};
    const int column = findColumn(m_groupColumns[level]);
    if (column < 0) return {};
    const GridColumn& c = m_columns[column];
    const int first = m_arr.recordAt(m_arr.groupBegin(level, group));
    const QVariant value = storedValue(first, fieldOfColumn(column));
    const QString text = displayText(c, fieldOfColumn(column), value);
    const QString prefix = c.groupPrefix.isEmpty() ? c.caption + QStringLiteral(": ") : c.groupPrefix;
    const int count = m_arr.groupEnd(level, group) - m_arr.groupBegin(level, group);
    return QStringLiteral("%1%2 (%3)").arg(prefix, text).arg(count);
}

QString ResultModel::footerText(int level, int group, int column) const {
    const GridColumn& c = m_columns[column];
    if (c.aggregate == GridAggregate::None || m_arr.totalsStale) return {};
    const int wanted = int(m_specColumns.indexOf(c.key));
    if (wanted < 0 || level >= int(m_arr.aggregates.size())) return {};
    const int field = fieldOfColumn(column);
    const QVariant value = aggregateValue(m_arr.total(level, group, wanted), c.aggregate, m_rs, field);
    if (!value.isValid()) return c.totalPrefix;
    const QString format = c.totalFormat.isEmpty() && c.aggregate != GridAggregate::Count &&
                                   c.aggregate != GridAggregate::ValueCount
                               ? c.format
                               : c.totalFormat;
    QString text;
    if (c.aggregate == GridAggregate::Min || c.aggregate == GridAggregate::Max)
        text = formatGridValue(value, fieldType(field), format);
    else if (value.metaType().id() == QMetaType::LongLong && format.isEmpty())
        text = QString::number(value.toLongLong());
    else if (value.metaType().id() == QMetaType::QString && format.isEmpty())
        text = value.toString(); // an exact sum, digit for digit
    else
        text = formatGridNumber(value.toDouble(), format);
    return c.totalPrefix + text;
}

static Qt::Alignment toQt(GridAlignment a) {
    switch (a) {
    case GridAlignment::Center:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    case GridAlignment::Right:
        return Qt::AlignRight | Qt::AlignVCenter;
    case GridAlignment::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

int ResultModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return m_outline.rowCount() + (hasNewRowLine() ? 1 : 0);
}

int ResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= m_columns.size()) return {};
    const int row = index.row(), column = index.column();
    const GridColumn& c = m_columns[column];
    const RowKind kind = rowKind(row);
    if (role == RowKindRole) return int(kind);
    if (role == WordWrapRole) return c.wordWrap;

    if (kind == RowKind::GroupHeader || kind == RowKind::GroupFooter) {
        const GroupOutline::Item item = m_outline.item(row);
        switch (role) {
        case GroupLevelRole:
            return item.level;
        case GroupExpandedRole:
            return m_outline.isExpanded(item.level, item.group);
        case GroupCaptionRole:
            return kind == RowKind::GroupHeader ? groupCaption(item.level, item.group) : QString();
        case Qt::DisplayRole:
            if (kind == RowKind::GroupFooter) return footerText(item.level, item.group, column);
            return {};
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(toQt(c.textAlignment));
        default:
            return {};
        }
    }

    const int record = kind == RowKind::NewRow ? -1 : recordOfRow(row);
    switch (role) {
    case RecordRole:
        return record;
    case NullRole:
        return m_nullMark && kind == RowKind::Record && c.type != GridColumnType::CheckBox &&
               c.valueList.isEmpty() && isNullCell(record, column);
    case Qt::DisplayRole: {
        if (c.type == GridColumnType::CheckBox) return {};
        if (c.type == GridColumnType::Icon && !c.valueList.isEmpty()) return {};
        if (kind == RowKind::NewRow && !(m_pending.active && m_pending.record < 0)) return {};
        return cellText(record, column);
    }
    case Qt::EditRole: {
        const QVariant v = cellValue(record, column);
        if (c.type == GridColumnType::CheckBox || !c.valueList.isEmpty()) return v;
        if (v.metaType().id() == QMetaType::QString) return v;
        return v.isValid() ? QVariant(formatGridValue(v, fieldType(fieldOfColumn(column)), QString()))
                           : QVariant(QString());
    }
    case Qt::CheckStateRole: {
        if (c.type != GridColumnType::CheckBox) return {};
        const QVariant v = cellValue(record, column);
        const bool on = v.metaType().id() == QMetaType::Bool
                            ? v.toBool()
                            : (v.isValid() && v.toString() != QLatin1String("0") &&
                               v.toString().compare(QLatin1String("false"), Qt::CaseInsensitive) != 0 &&
                               !v.toString().isEmpty());
        return on ? Qt::Checked : Qt::Unchecked;
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(toQt(c.textAlignment));
    case IconRole: {
        if (c.type != GridColumnType::Icon && c.type != GridColumnType::IconAndText) return -1;
        const GridValueItem* item = c.valueItem(cellValue(record, column));
        return item ? item->icon : -1;
    }
    default:
        return {};
    }
}

bool ResultModel::isEditable(int column) const {
    if (!m_allowEdit || fieldOfColumn(column) < 0) return false;
    if (m_mode == Mode::Bound) return m_rs.supportsUpdate();
    return m_mode == Mode::Unbound;
}

Qt::ItemFlags ResultModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    const RowKind kind = rowKind(index.row());
    Qt::ItemFlags f = Qt::ItemIsEnabled;
    if (kind == RowKind::GroupFooter) return f;
    f |= Qt::ItemIsSelectable;
    if (kind == RowKind::GroupHeader) return f;
    if (kind == RowKind::Record) f |= Qt::ItemIsDragEnabled;
    if (isEditable(index.column())) {
        f |= Qt::ItemIsEditable;
        if (m_columns[index.column()].type == GridColumnType::CheckBox) f |= Qt::ItemIsUserCheckable;
    }
    return f;
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= m_columns.size()) return {};
        if (role == Qt::DisplayRole) return m_columns[section].caption;
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(toQt(m_columns[section].headerAlignment));
        return {};
    }
    if (role != Qt::DisplayRole || section < 0 || section >= rowCount()) return {};
    const RowKind kind = rowKind(section);
    if (kind == RowKind::NewRow)
        return m_pending.active && m_pending.record < 0 ? QString::fromUtf8(PendingMark)
                                                        : QStringLiteral("*");
    if (kind != RowKind::Record) return {};
    const int record = recordOfRow(section);
    if (m_pending.active && m_pending.record == record) return QString::fromUtf8(PendingMark);
    return QString::number(m_outline.item(section).position + 1);
}

QStringList ResultModel::mimeTypes() const {
    return {QStringLiteral("text/plain")};
}

QMimeData* ResultModel::mimeData(const QModelIndexList& indexes) const {
    QList<int> rows;
    for (const QModelIndex& i : indexes)
        rows << i.row();
    auto* mime = new QMimeData;
    mime->setText(rowsText(rows));
    return mime;
}

} // namespace mv
