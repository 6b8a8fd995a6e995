#pragma once
// Fills a new recordset column by column without a QVariant per cell: the ODBC fetch appends
// each column of a fetched block with the typed append matching the column's storage kind, the
// loaders and importers use the same calls. finish() hands over the open recordset.
//
// Each column grows on its own; finish() checks that all have the same length. A typed append to
// a column of another storage kind throws MvError 13 (a programming error, reported loudly).
#include "db/recordset.h"

#include <functional>
#include <string_view>

namespace mv {

// Takes a result's rows while they are fetched instead of a whole recordset at the end: blocks of
// about blockRows() rows, each a recordset of its own with the result's fields, in order. The last
// block (possibly without rows) comes when the result is complete; a result that fails or is
// stopped ends without it. take() runs on the fetching thread and may wait (a full queue), which
// holds the fetch back: memory stays at a few blocks.
class RowBlockSink {
  public:
    virtual ~RowBlockSink() = default;
    virtual qsizetype blockRows() const { return 10000; }
    virtual void take(Recordset&& block, bool last) = 0;
    // Set by whoever runs the statement: ends it as stopped (a sink that can take no more rows
    // calls it from take()).
    std::function<void()> stopFetch;
};

class RecordsetBuilder {
  public:
    RecordsetBuilder() = default;
    explicit RecordsetBuilder(const QList<FieldInfo>& fields);

    // Before the first cell only (3219 otherwise). Fixed types get their fixed size.
    int addField(const FieldInfo& field);
    int fieldCount() const { return int(m_fields.size()); }
    const FieldInfo& field(int col) const { return m_fields[col]; }
    StorageKind kind(int col) const { return m_columns[size_t(col)].kind(); }
    // Whether a field may hold Null, as far as the source knows only after its rows (any time
    // before finish()).
    void setNullable(int col, bool nullable) { m_fields[col].nullable = nullable; }
    // Room for this many rows (text columns: average bytes per cell guess, 16).
    void reserve(qsizetype rows);

    void appendNull(int col);
    void appendInt(int col, qint64 value);  // Integer: whole numbers; booleans 0 / 1
    void appendReal(int col, double value); // Real
    // Decimal: kept exactly; an ASCII text that is no decimal number (a server's "NaN") is kept as
    // it came.
    void appendDecimal(int col, std::string_view ascii);
    void appendDateTime(int col, DateTimeValue value); // DateTime (date or time part as the type needs)
    // DateTime from its parts; a date that does not exist (year 0, "0000-00-00") is stored as Null
    // and false returned.
    bool appendDateTime(int col, int year, int month, int day, int hour, int minute, int second,
                        quint32 nanos);
    void appendText(int col, std::string_view utf8); // Text (GUIDs are brought to "{...}" form)
    void appendText(int col, QStringView text);
    void appendBytes(int col, QByteArrayView bytes); // Binary
    // Any kind, converted by the edit rules of toCell (throws 13 / too long).
    void appendValue(int col, const QVariant& value);
    // One value per field, in field order; missing trailing values are Null.
    void appendRow(const QVariantList& values);

    // Rows complete in every column.
    qsizetype rowCount() const;

    // With a sink the rows stream: endRow() after each row hands a full block over, finish() the
    // rest as the last block and returns the result's fields without rows. Set before the first
    // row; nullptr keeps every row.
    void streamTo(RowBlockSink* sink);
    void endRow() {
        if (m_sink && ++m_blockFill >= m_blockRows) handOff(false);
    }
    bool streaming() const { return m_sink != nullptr; }

    // For the binary persistence: a whole column at once, and the saved sort.
    void setColumn(int col, ColumnStore&& column);
    void setRowOrder(std::vector<int> rows, const QString& sortText);
    void setUpdatable(bool updatable) { m_updatable = updatable; }

    // The open recordset, cursor on its first row. Throws 3219 when the columns differ in length,
    // the row order is no permutation or there are more rows than a 32-bit count holds. The
    // builder is empty afterwards.
    Recordset finish();

  private:
    ColumnStore& columnOf(int col, StorageKind kind);
    // The rows so far as a recordset of their own; the columns start again empty.
    void handOff(bool last);
    Recordset takeRows(bool squeeze);

    QList<FieldInfo> m_fields;
    std::vector<ColumnStore> m_columns;
    std::vector<int> m_order;
    QString m_sortText;
    bool m_updatable = true;
    bool m_hasCells = false; // once a cell is in, no field can be added
    RowBlockSink* m_sink = nullptr;
    qsizetype m_blockRows = 0;
    qsizetype m_blockFill = 0;
};

} // namespace mv
