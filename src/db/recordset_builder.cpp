#include "db/recordset_builder.h"

#include "app/mv_error.h"
#include "app/texts.h"
#include "db/recordset_data.h"

#include <algorithm>
#include <limits>

namespace mv {

namespace {

[[noreturn]] void wrongKind(const FieldInfo& field) {
    throw MvError(rserr::TypeMismatch, ui_text(QStringLiteral("Typen unverträglich (Feld '%1', Typ %2)"),
                                               QStringLiteral("Type mismatch (field '%1', type %2)"))
                                           .arg(field.name, ado::typeName(field.type)));
}

[[noreturn]] void inconsistent(const QString& german, const QString& english) {
    throw MvError(rserr::IllegalOperation, ui_text(german, english));
}

} // namespace

RecordsetBuilder::RecordsetBuilder(const QList<FieldInfo>& fields) {
    for (const FieldInfo& f : fields)
        addField(f);
}

int RecordsetBuilder::addField(const FieldInfo& field) {
    // A flag instead of a look at every column: a hundred thousand fields stay linear.
    if (m_hasCells)
        inconsistent(QStringLiteral("Der Vorgang ist in diesem Kontext nicht zulässig."),
                     QStringLiteral("Operation is not allowed in this context."));
    m_fields.append(normalisedField(field));
    m_columns.emplace_back(storageKindOf(field.type));
    return int(m_fields.size()) - 1;
}

void RecordsetBuilder::reserve(qsizetype rows) {
    for (ColumnStore& c : m_columns)
        c.reserve(rows, rows * 16);
}

ColumnStore& RecordsetBuilder::columnOf(int col, StorageKind kind) {
    ColumnStore& c = m_columns.at(size_t(col));
    if (c.kind() != kind) wrongKind(m_fields[col]);
    m_hasCells = true;
    return c;
}

void RecordsetBuilder::appendNull(int col) {
    m_columns.at(size_t(col)).appendNull();
    m_hasCells = true;
}

void RecordsetBuilder::appendInt(int col, qint64 value) {
    columnOf(col, StorageKind::Integer).appendInt(value);
}

void RecordsetBuilder::appendReal(int col, double value) {
    if (m_fields[col].type == ado::adSingle) value = double(float(value));
    columnOf(col, StorageKind::Real).appendReal(value);
}

void RecordsetBuilder::appendDecimal(int col, std::string_view ascii) {
    ColumnStore& c = columnOf(col, StorageKind::Decimal);
    if (const auto canon = cell::canonicalDecimal(ascii))
        c.appendBytes(*canon);
    else
        c.appendBytes(QByteArrayView(ascii.data(), qsizetype(ascii.size())));
}

void RecordsetBuilder::appendDateTime(int col, DateTimeValue value) {
    const int type = m_fields[col].type;
    if (type == ado::adDBDate) value = DateTimeValue{value.julianDay() * 86400, 0};
    if (type == ado::adDBTime) value = DateTimeValue{value.secondsOfDay(), value.nanos};
    columnOf(col, StorageKind::DateTime).appendDateTime(value);
}

bool RecordsetBuilder::appendDateTime(int col, int year, int month, int day, int hour, int minute, int second,
                                      quint32 nanos) {
    const int type = m_fields[col].type;
    std::optional<DateTimeValue> v =
        type == ado::adDBTime ? DateTimeValue::fromTimeParts(hour, minute, second, nanos)
                              : DateTimeValue::fromParts(year, month, day, hour, minute, second, nanos);
    ColumnStore& c = columnOf(col, StorageKind::DateTime);
    if (!v) {
        c.appendNull();
        return false;
    }
    appendDateTime(col, *v);
    return true;
}

void RecordsetBuilder::appendText(int col, std::string_view utf8) {
    ColumnStore& c = columnOf(col, StorageKind::Text);
    if (m_fields[col].type == ado::adGUID) {
        if (const auto guid = cell::canonicalGuid(QString::fromUtf8(utf8.data(), qsizetype(utf8.size())))) {
            c.appendBytes(guid->toLatin1());
            return;
        }
    }
    c.appendBytes(QByteArrayView(utf8.data(), qsizetype(utf8.size())));
}

void RecordsetBuilder::appendText(int col, QStringView text) {
    ColumnStore& c = columnOf(col, StorageKind::Text);
    if (m_fields[col].type == ado::adGUID) {
        if (const auto guid = cell::canonicalGuid(text)) return c.appendBytes(guid->toLatin1());
    }
    c.appendUtf16(text);
}

void RecordsetBuilder::appendBytes(int col, QByteArrayView bytes) {
    columnOf(col, StorageKind::Binary).appendBytes(bytes);
}

void RecordsetBuilder::appendValue(int col, const QVariant& value) {
    ColumnStore& c = m_columns.at(size_t(col));
    appendCell(c, toCell(value, m_fields[col]));
    m_hasCells = true;
}

void RecordsetBuilder::appendRow(const QVariantList& values) {
    if (values.size() > m_fields.size())
        inconsistent(QStringLiteral("Die Zeile hat %1 Werte, das Recordset nur %2 Felder.")
                         .arg(values.size())
                         .arg(m_fields.size()),
                     QStringLiteral("The row has %1 values, the recordset only %2 fields.")
                         .arg(values.size())
                         .arg(m_fields.size()));
    // Convert every value first, so a bad one leaves no partial row behind.
    std::vector<CellValue> cells;
    cells.reserve(size_t(m_fields.size()));
    for (int i = 0; i < m_fields.size(); ++i)
        cells.push_back(i < values.size() ? toCell(values[i], m_fields[i]) : CellValue{});
    for (size_t i = 0; i < cells.size(); ++i)
        appendCell(m_columns[i], cells[i]);
    if (!cells.empty()) m_hasCells = true;
}

qsizetype RecordsetBuilder::rowCount() const {
    if (m_columns.empty()) return 0;
    qsizetype n = std::numeric_limits<qsizetype>::max();
    for (const ColumnStore& c : m_columns)
        n = std::min(n, c.size());
    return n;
}

void RecordsetBuilder::setColumn(int col, ColumnStore&& column) {
    ColumnStore& target = m_columns.at(size_t(col));
    if (target.kind() != column.kind()) wrongKind(m_fields[col]);
    target = std::move(column);
    if (target.size() > 0) m_hasCells = true;
}

void RecordsetBuilder::setRowOrder(std::vector<int> rows, const QString& sortText) {
    m_order = std::move(rows);
    m_sortText = sortText;
}

void RecordsetBuilder::streamTo(RowBlockSink* sink) {
    m_sink = sink;
    m_blockRows = sink ? std::max<qsizetype>(1, sink->blockRows()) : 0;
    m_blockFill = 0;
    if (sink) reserve(m_blockRows);
}

void RecordsetBuilder::handOff(bool last) {
    // The block keeps its columns as grown: each block is written and dropped, so trimming them
    // would only copy.
    Recordset block = takeRows(false);
    m_blockFill = 0;
    if (!last) reserve(m_blockRows);
    m_sink->take(std::move(block), last);
}

Recordset RecordsetBuilder::finish() {
    if (m_sink) {
        const QList<FieldInfo> fields = m_fields;
        handOff(true);
        *this = RecordsetBuilder();
        return RecordsetBuilder(fields).finish();
    }
    Recordset rs = takeRows(true);
    *this = RecordsetBuilder();
    return rs;
}

Recordset RecordsetBuilder::takeRows(bool squeeze) {
    const qsizetype rows = rowCount();
    for (const ColumnStore& c : m_columns)
        if (c.size() != rows)
            inconsistent(QStringLiteral("Die Spalten des Recordsets sind ungleich lang."),
                         QStringLiteral("The columns of the recordset differ in length."));
    if (rows >= std::numeric_limits<int>::max())
        inconsistent(QStringLiteral("Das Recordset hat zu viele Datensätze."),
                     QStringLiteral("The recordset has too many records."));
    if (!m_order.empty()) {
        std::vector<bool> seen(size_t(rows), false);
        bool valid = qsizetype(m_order.size()) == rows;
        for (size_t i = 0; valid && i < m_order.size(); ++i) {
            const int r = m_order[i];
            valid = r >= 0 && r < rows && !seen[size_t(r)];
            if (valid) seen[size_t(r)] = true;
        }
        if (!valid)
            inconsistent(QStringLiteral("Die Sortierfolge des Recordsets ist ungültig."),
                         QStringLiteral("The row order of the recordset is invalid."));
    }

    Recordset rs;
    {
        RecordsetData* data = rs.d.data();
        data->fields = m_fields;
        data->columns.reserve(m_columns.size());
        for (ColumnStore& c : m_columns) {
            const StorageKind kind = c.kind();
            data->columns.push_back(std::move(c));
            c = ColumnStore(kind);
            if (squeeze) data->columns.back().squeeze();
        }
        data->rows = rows;
        RecordsetOrder* order = rs.m_order.data();
        order->rows = std::move(m_order);
        order->sortText = std::move(m_sortText);
        m_order.clear();
        m_sortText.clear();
    }
    rs.m_updatable = m_updatable;
    rs.open();
    return rs;
}

} // namespace mv
