#pragma once
// The in-memory, detached result set: fields, typed columnar rows, a cursor, a sort order and
// row edits, in the manner of an ADO client-side recordset.
//
// Sharing: copies (and clone()) are O(1) and share the rows until one side changes them; every
// copy has its own cursor, sort order and edit buffer. A sort keeps a row permutation and never
// copies column data.
//
// Rows: index 0 .. recordCount()-1 in the current sort order. Cells are read by row and column
// (value, isNull, text) or at the cursor (value(col)).
//
// Threads: a recordset may be filled on one thread and handed to another; copies on different
// threads are independent. One object is not used by two threads at once.
//
// Errors: every failing operation throws MvError with an ADO-style number (see rserr in
// recordset_cell.h) and a message in the user's language. Nothing fails silently.
//
// Cursor: after opening, sorting or cloning the cursor is on the first row (BOF and EOF together
// when there are none). moveNext at EOF and movePrevious at BOF throw 3021; moveFirst and moveLast
// on an empty recordset leave BOF/EOF set. Moving the cursor, sorting or saving while an edit is
// pending stores the edit first (as update()).
//
// Editing: setValue(col, v) on the current row begins an edit; addNew() begins a new row; update()
// stores it, cancelUpdate() drops it. After deleteCurrent() there is no current record until the
// next move; moveNext then reaches the row that followed the deleted one. A new row is appended at
// the end of the current order.
#include "db/recordset_cell.h"

#include <QSharedDataPointer>
#include <memory>
#include <vector>

namespace mv {

class RecordsetBuilder;
struct RecordsetData;
struct RecordsetOrder;
struct RecordsetEdit;

class Recordset {
  public:
    enum class EditMode { None = 0, InProgress = 1, Add = 2 };
    static constexpr int PosBOF = -2; // absolutePosition() before the first row
    static constexpr int PosEOF = -3; // absolutePosition() after the last row

    // A closed recordset without fields (fabricate one: appendField(...), then open()).
    Recordset();
    // Copies share the rows (a move is a copy, so no recordset is ever left without data). The
    // cursor, sort and a pending edit are copied with it.
    Recordset(const Recordset& other);
    Recordset& operator=(const Recordset& other);
    ~Recordset();

    // A copy of the rows and the sort with its own cursor on the first row.
    Recordset clone() const;

    // --- state ---
    bool isOpen() const { return m_open; }
    void open();  // a fabricated recordset: after its fields are appended
    void close(); // drops the rows and any edit; the fields stay
    bool supportsUpdate() const { return m_open && m_updatable; }
    void setUpdatable(bool updatable) { m_updatable = updatable; }

    // --- fields ---
    int fieldCount() const;
    const FieldInfo& field(int index) const; // throws 3265 when out of range
    const QList<FieldInfo>& fields() const;
    int fieldIndex(const QString& name) const; // case-insensitive; -1 when there is none
    // Only while the recordset holds no rows (3219 otherwise). Returns the new field's index.
    int appendField(const FieldInfo& field);
    int appendField(const QString& name, int adoType, qint64 definedSize = 0, bool nullable = true,
                    int precision = 0, int scale = 0);

    // --- rows, in the current order ---
    int recordCount() const;
    bool isNull(int row, int col) const;
    QVariant value(int row, int col) const; // invalid QVariant for Null, typed otherwise (see cellVariant)
    QString text(int row, int col) const;   // display text; empty for Null
    // Typed access for the grid: the column's storage and the physical index of a row in it.
    const ColumnStore& column(int col) const;
    qsizetype physicalRow(int row) const;
    // The permutation from row to physical row; empty while unsorted (for the persistence).
    const std::vector<int>& rowOrder() const;
    // Sets a cell directly (as setValue + update on that row); throws like setValue.
    void setCell(int row, int col, const QVariant& value);

    // --- cursor ---
    bool bof() const;
    bool eof() const;
    void moveFirst();
    void moveNext();
    void movePrevious();
    void moveLast();
    int absolutePosition() const; // 1-based; PosBOF / PosEOF outside the rows
    void setAbsolutePosition(int position);
    int currentRow() const;        // -1 without a stored current row (BOF, EOF, deleted, new row)
    QVariant value(int col) const; // the current row, pending edits included; 3021 without one
    QVariant value(const QString& name) const;
    bool isNull(int col) const;
    QString text(int col) const;

    // --- sort: "A ASC, [Order Date] DESC"; empty restores the natural order ---
    QString sort() const;
    void setSort(const QString& sortText);

    // --- editing ---
    EditMode editMode() const;
    void addNew();
    void setValue(int col, const QVariant& value);
    void setValue(const QString& name, const QVariant& value);
    void update();
    void cancelUpdate();
    void deleteCurrent();
    void clearRows(); // every row goes; fields stay

    // Bytes held by the rows (reserve included), for checks of the storage cost.
    qsizetype memoryUsage() const;

  private:
    friend class RecordsetBuilder;

    void ensureOpen() const;
    void ensureUpdatable() const;
    int checkColumn(int col) const;
    int checkRow(int row) const;
    void commitPending();
    void removeRow(int row);
    void appendPhysicalRow(const std::vector<CellValue>& cells);

    QSharedDataPointer<RecordsetData> d;
    QSharedDataPointer<RecordsetOrder> m_order;
    std::unique_ptr<RecordsetEdit> m_edit;
    bool m_open = false;
    bool m_updatable = true;
    int m_pos = -1;           // row index; -1 BOF, recordCount() EOF
    bool m_onDeleted = false; // the row at m_pos was deleted
};

} // namespace mv
