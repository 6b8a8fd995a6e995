#pragma once
// Shared parts of a recordset (rows, sort order), seen only by the recordset and its builder.
#include "db/recordset_cell.h"

#include <QSharedData>
#include <vector>

namespace mv {

struct RecordsetData : QSharedData {
    QList<FieldInfo> fields;
    std::vector<ColumnStore> columns;
    qsizetype rows = 0;
};

struct RecordsetOrder : QSharedData {
    std::vector<int> rows; // row -> physical row; empty while unsorted
    QString sortText;
};

} // namespace mv
