#pragma once
// The layout table: one row per grid column with its sixteen attribute values, the data source of
// the layout dialog's unbound grid. Rows are addressed 1-based by the unbound handlers.
#include "results/grid_layout.h"

#include <array>
#include <vector>

namespace mv {

using LayoutRow = std::array<QVariant, LayoutAttributeCount>;

class LayoutTable {
  public:
    int rowCount() const { return int(m_rows.size()); }
    const LayoutRow& row(int index0) const { return m_rows[size_t(index0)]; }

    // One row per column, in the columns' order.
    void fill(const QList<GridColumn>& columns);
    void clear() { m_rows.clear(); }

    // The handlers of the unbound grid; `rowIndex` is 1-based. Errors are reported (module
    // "modGrid") and leave the table unchanged.
    void GridUnboundReadData(int rowIndex, QVariantList& values) const;
    void GridUnboundUpdate(int rowIndex, const QVariantList& values);
    void GridUnboundAddNew(const QVariantList& values);
    void GridUnboundDelete(int rowIndex);

    // Applies the table to the columns: the column whose position equals a row's "Index" value
    // receives the row's other fifteen values. Every row is checked first (an index that names no
    // column or repeats, a value that does not fit); on any fault MvError is thrown and no column
    // is changed.
    void applyTo(QList<GridColumn>& columns) const;

  private:
    void checkRowIndex(int rowIndex) const;
    static LayoutRow rowFrom(const QVariantList& values);

    std::vector<LayoutRow> m_rows;
};

} // namespace mv
