#include "db/recordset.h"

#include "app/mv_error.h"
#include "app/texts.h"
#include "db/recordset_data.h"
#include "db/recordset_sort.h"

#include <limits>
#include <utility>

namespace mv {

struct RecordsetEdit {
    bool adding = false;
    int row = -1; // the edited row (adding: the row that was current before)
    std::vector<CellValue> cells;
    std::vector<bool> changed;
};

namespace {

[[noreturn]] void noCurrentRecord() {
    throw MvError(
        rserr::NoCurrentRecord,
        ui_text(QStringLiteral("Entweder BOF oder EOF ist True, oder der aktuelle Datensatz wurde "
                               "gelöscht. Der angeforderte Vorgang erfordert einen aktuellen Datensatz."),
                QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                               "Requested operation requires a current record.")));
}

[[noreturn]] void itemNotFound(const QString& what) {
    throw MvError(
        rserr::ItemNotFound,
        ui_text(QStringLiteral("Das Objekt wurde in der Auflistung entsprechend dem angeforderten "
                               "Namen oder Ordinalwert nicht gefunden (%1)."),
                QStringLiteral("Item cannot be found in the collection corresponding to the requested "
                               "name or ordinal (%1)."))
            .arg(what));
}

[[noreturn]] void illegalOperation() {
    throw MvError(rserr::IllegalOperation, ui_text("Der Vorgang ist in diesem Kontext nicht zulässig.",
                                                   "Operation is not allowed in this context."));
}

} // namespace

Recordset::Recordset() : d(new RecordsetData), m_order(new RecordsetOrder) {}

Recordset::Recordset(const Recordset& other)
    : d(other.d), m_order(other.m_order),
      m_edit(other.m_edit ? std::make_unique<RecordsetEdit>(*other.m_edit) : nullptr), m_open(other.m_open),
      m_updatable(other.m_updatable), m_pos(other.m_pos), m_onDeleted(other.m_onDeleted) {}

Recordset& Recordset::operator=(const Recordset& other) {
    if (this == &other) return *this;
    d = other.d;
    m_order = other.m_order;
    m_edit = other.m_edit ? std::make_unique<RecordsetEdit>(*other.m_edit) : nullptr;
    m_open = other.m_open;
    m_updatable = other.m_updatable;
    m_pos = other.m_pos;
    m_onDeleted = other.m_onDeleted;
    return *this;
}
Recordset::~Recordset() = default;

Recordset Recordset::clone() const {
    Recordset copy(*this);
    copy.m_edit.reset();
    copy.m_onDeleted = false;
    copy.m_pos = copy.recordCount() > 0 ? 0 : -1;
    return copy;
}

// ---- state ----

void Recordset::open() {
    m_open = true;
    m_edit.reset();
    m_onDeleted = false;
    m_pos = recordCount() > 0 ? 0 : -1;
}

void Recordset::close() {
    clearRows();
    m_open = false;
}

void Recordset::ensureOpen() const {
    if (!m_open)
        throw MvError(rserr::ObjectClosed,
                      ui_text("Der Vorgang ist für ein geschlossenes Objekt nicht zulässig.",
                              "Operation is not allowed when the object is closed."));
}

void Recordset::ensureUpdatable() const {
    ensureOpen();
    if (!m_updatable)
        throw MvError(
            rserr::UpdateNotSupported,
            ui_text("Das aktuelle Recordset unterstützt keine Aktualisierungen. Dies ist möglicherweise "
                    "eine Einschränkung des Providers oder des gewählten Sperrtyps.",
                    "Current Recordset does not support updating. This may be a limitation of the "
                    "provider, or of the selected locktype."));
}

// ---- fields ----

int Recordset::fieldCount() const {
    return int(d->fields.size());
}

const FieldInfo& Recordset::field(int index) const {
    return d->fields[checkColumn(index)];
}

const QList<FieldInfo>& Recordset::fields() const {
    return d->fields;
}

int Recordset::fieldIndex(const QString& name) const {
    const QList<FieldInfo>& f = d->fields;
    for (int i = 0; i < f.size(); ++i)
        if (f[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

int Recordset::appendField(const FieldInfo& field) {
    if (std::as_const(d)->rows > 0 || m_edit) illegalOperation();
    d->fields.append(normalisedField(field));
    d->columns.emplace_back(storageKindOf(field.type));
    return int(d->fields.size()) - 1;
}

int Recordset::appendField(const QString& name, int adoType, qint64 definedSize, bool nullable, int precision,
                           int scale) {
    return appendField(FieldInfo{name, adoType, definedSize, precision, scale, nullable});
}

int Recordset::checkColumn(int col) const {
    if (col < 0 || col >= fieldCount()) itemNotFound(QString::number(col));
    return col;
}

int Recordset::checkRow(int row) const {
    if (row < 0 || row >= recordCount()) noCurrentRecord();
    return row;
}

// ---- rows ----

int Recordset::recordCount() const {
    return int(d->rows);
}

qsizetype Recordset::physicalRow(int row) const {
    const std::vector<int>& order = m_order->rows;
    return order.empty() ? row : order[size_t(row)];
}

const std::vector<int>& Recordset::rowOrder() const {
    return m_order->rows;
}

const ColumnStore& Recordset::column(int col) const {
    return d->columns[size_t(checkColumn(col))];
}

bool Recordset::isNull(int row, int col) const {
    return d->columns[size_t(checkColumn(col))].isNull(physicalRow(checkRow(row)));
}

QVariant Recordset::value(int row, int col) const {
    checkColumn(col);
    return columnVariant(d->columns[size_t(col)], physicalRow(checkRow(row)), d->fields[col]);
}

QString Recordset::text(int row, int col) const {
    checkColumn(col);
    return columnText(d->columns[size_t(col)], physicalRow(checkRow(row)), d->fields[col]);
}

void Recordset::setCell(int row, int col, const QVariant& value) {
    ensureUpdatable();
    checkRow(row);
    checkColumn(col);
    const CellValue cell = toCell(value, std::as_const(d)->fields[col]);
    storeCell(d->columns[size_t(col)], physicalRow(row), cell);
}

void Recordset::appendPhysicalRow(const std::vector<CellValue>& cells) {
    if (std::as_const(d)->rows >= std::numeric_limits<int>::max() - 1) illegalOperation();
    RecordsetData* data = d.data();
    for (size_t c = 0; c < data->columns.size(); ++c)
        appendCell(data->columns[c], cells[c]);
    ++data->rows;
    if (!std::as_const(m_order)->rows.empty()) m_order->rows.push_back(int(data->rows - 1));
}

void Recordset::removeRow(int row) {
    const qsizetype physical = physicalRow(row);
    RecordsetData* data = d.data();
    for (ColumnStore& c : data->columns)
        c.erase(physical);
    --data->rows;
    if (!std::as_const(m_order)->rows.empty()) {
        std::vector<int>& order = m_order->rows;
        order.erase(order.begin() + row);
        for (int& r : order)
            if (r > physical) --r;
    }
}

void Recordset::clearRows() {
    m_edit.reset();
    if (std::as_const(d)->rows > 0) {
        RecordsetData* data = d.data();
        for (ColumnStore& c : data->columns)
            c.clear();
        data->rows = 0;
    }
    if (!std::as_const(m_order)->rows.empty()) m_order->rows.clear();
    m_pos = -1;
    m_onDeleted = false;
}

// ---- cursor ----

bool Recordset::bof() const {
    if (m_edit && m_edit->adding) return false;
    return recordCount() == 0 || m_pos < 0;
}

bool Recordset::eof() const {
    if (m_edit && m_edit->adding) return false;
    return recordCount() == 0 || m_pos >= recordCount();
}

void Recordset::moveFirst() {
    commitPending();
    m_onDeleted = false;
    m_pos = recordCount() > 0 ? 0 : -1;
}

void Recordset::moveLast() {
    commitPending();
    m_onDeleted = false;
    m_pos = recordCount() > 0 ? recordCount() - 1 : -1;
}

void Recordset::moveNext() {
    commitPending();
    if (m_onDeleted) {
        // The following row has moved up into the deleted row's place.
        m_onDeleted = false;
        m_pos = std::min(m_pos, recordCount());
        return;
    }
    if (eof()) noCurrentRecord();
    ++m_pos;
}

void Recordset::movePrevious() {
    commitPending();
    if (m_onDeleted) {
        m_onDeleted = false;
        m_pos = m_pos - 1;
        return;
    }
    if (bof()) noCurrentRecord();
    --m_pos;
}

int Recordset::absolutePosition() const {
    if (m_edit && m_edit->adding) return recordCount() + 1;
    if (bof()) return PosBOF;
    if (eof()) return PosEOF;
    return m_pos + 1;
}

void Recordset::setAbsolutePosition(int position) {
    if (position < 1 || position > recordCount())
        throw MvError(rserr::NoCurrentRecord,
                      ui_text(QStringLiteral("Die Position %1 liegt außerhalb der Datensätze (1 bis %2)."),
                              QStringLiteral("Position %1 lies outside the records (1 to %2)."))
                          .arg(position)
                          .arg(recordCount()));
    commitPending();
    m_onDeleted = false;
    m_pos = position - 1;
}

int Recordset::currentRow() const {
    if (m_onDeleted || (m_edit && m_edit->adding) || m_pos < 0 || m_pos >= recordCount()) return -1;
    return m_pos;
}

QVariant Recordset::value(int col) const {
    checkColumn(col);
    if (m_edit) {
        if (m_edit->changed[size_t(col)] || m_edit->adding)
            return cellVariant(m_edit->cells[size_t(col)], d->fields[col]);
    }
    const int row = currentRow();
    if (row < 0) noCurrentRecord();
    return value(row, col);
}

QVariant Recordset::value(const QString& name) const {
    const int col = fieldIndex(name);
    if (col < 0) itemNotFound(name);
    return value(col);
}

bool Recordset::isNull(int col) const {
    const QVariant v = value(col);
    return !v.isValid();
}

QString Recordset::text(int col) const {
    checkColumn(col);
    if (m_edit && (m_edit->changed[size_t(col)] || m_edit->adding)) {
        ColumnStore scratch(storageKindOf(d->fields[col].type));
        appendCell(scratch, m_edit->cells[size_t(col)]);
        return columnText(scratch, 0, d->fields[col]);
    }
    const int row = currentRow();
    if (row < 0) noCurrentRecord();
    return text(row, col);
}

// ---- sort ----

QString Recordset::sort() const {
    return m_order->sortText;
}

void Recordset::setSort(const QString& sortText) {
    ensureOpen();
    const RecordsetData& data = *std::as_const(d);
    const std::vector<SortKey> keys = parseSortKeys(sortText, data.fields);
    commitPending();
    // Only the order is written: the rows stay shared with every copy.
    std::vector<int> rows;
    if (!keys.empty()) rows = sortedRows(data.columns, data.fields, data.rows, keys);
    RecordsetOrder* order = m_order.data();
    order->sortText = sortText;
    order->rows = std::move(rows);
    m_onDeleted = false;
    m_pos = recordCount() > 0 ? 0 : -1;
}

// ---- editing ----

Recordset::EditMode Recordset::editMode() const {
    if (!m_edit) return EditMode::None;
    return m_edit->adding ? EditMode::Add : EditMode::InProgress;
}

void Recordset::addNew() {
    ensureUpdatable();
    commitPending();
    auto edit = std::make_unique<RecordsetEdit>();
    edit->adding = true;
    edit->row = m_onDeleted ? -1 : m_pos;
    edit->cells.assign(size_t(fieldCount()), std::monostate{});
    edit->changed.assign(size_t(fieldCount()), false);
    m_edit = std::move(edit);
    m_onDeleted = false;
}

void Recordset::setValue(int col, const QVariant& value) {
    ensureUpdatable();
    checkColumn(col);
    if (!m_edit) {
        const int row = currentRow();
        if (row < 0) noCurrentRecord();
        auto edit = std::make_unique<RecordsetEdit>();
        edit->row = row;
        edit->cells.assign(size_t(fieldCount()), std::monostate{});
        edit->changed.assign(size_t(fieldCount()), false);
        m_edit = std::move(edit);
    }
    m_edit->cells[size_t(col)] = toCell(value, std::as_const(d)->fields[col]);
    m_edit->changed[size_t(col)] = true;
}

void Recordset::setValue(const QString& name, const QVariant& value) {
    const int col = fieldIndex(name);
    if (col < 0) itemNotFound(name);
    setValue(col, value);
}

void Recordset::update() {
    ensureOpen();
    if (!m_edit) return;
    std::unique_ptr<RecordsetEdit> edit = std::move(m_edit);
    if (edit->adding) {
        appendPhysicalRow(edit->cells);
        m_pos = recordCount() - 1;
    } else {
        const qsizetype physical = physicalRow(edit->row);
        RecordsetData* data = d.data();
        for (size_t c = 0; c < edit->cells.size(); ++c)
            if (edit->changed[c]) storeCell(data->columns[c], physical, edit->cells[c]);
        m_pos = edit->row;
    }
}

void Recordset::cancelUpdate() {
    if (!m_edit) return;
    if (m_edit->adding) m_pos = m_edit->row < 0 ? (recordCount() > 0 ? 0 : -1) : m_edit->row;
    m_edit.reset();
}

void Recordset::commitPending() {
    if (m_edit) update();
}

void Recordset::deleteCurrent() {
    ensureUpdatable();
    if (m_edit && m_edit->adding) {
        // Deleting the row being added drops it.
        cancelUpdate();
        return;
    }
    m_edit.reset();
    const int row = currentRow();
    if (row < 0) noCurrentRecord();
    removeRow(row);
    m_onDeleted = true;
}

qsizetype Recordset::memoryUsage() const {
    qsizetype total = qsizetype(sizeof(RecordsetData));
    for (const ColumnStore& c : d->columns)
        total += c.memoryUsage();
    total += qsizetype(m_order->rows.capacity() * sizeof(int));
    return total;
}

} // namespace mv
