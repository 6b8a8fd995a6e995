#pragma once
// Sort keys of a recordset ("A ASC, [Order Date] DESC") and the stable row order they give.
#include "db/recordset_cell.h"

#include <optional>

#include <vector>

namespace mv {

struct SortKey {
    int column = 0;
    bool descending = false;
};

// Splits the sort text into keys. Names may stand in brackets; ASC / DESC are optional. An empty
// text gives no keys. Throws MvError 3265 for a name that is no field.
std::vector<SortKey> parseSortKeys(const QString& sortText, const QList<FieldInfo>& fields);

// Physical rows 0..rows-1 ordered by the keys. Nulls come first ascending and last descending;
// texts compare without regard to case; equal rows keep their physical order.
std::vector<int> sortedRows(const std::vector<ColumnStore>& columns, const QList<FieldInfo>& fields,
                            qsizetype rows, const std::vector<SortKey>& keys);

// Order of two non-null cells of one column: < 0, 0, > 0.
int compareCells(const ColumnStore& column, int adoType, qsizetype a, qsizetype b);

// A 64-bit key of a non-null cell's leading part, so a sort reads mostly from one array: two cells
// whose keys differ compare as their keys do; equal keys decide only where the key is exact.
// Empty for cells without such a key (decimals, texts beyond ASCII in their first eight bytes).
std::optional<quint64> sortPrefixKey(const ColumnStore& column, int adoType, qsizetype row);
// Equal keys of this storage mean equal cells (whole numbers and reals).
bool sortPrefixExact(StorageKind kind);

} // namespace mv
