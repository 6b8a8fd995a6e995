#pragma once
// Which columns an export writes, in which order and under which caption. The result grid fills
// this from its visible columns; without it every field is written in field order under its name.
#include "db/recordset.h"

#include <QList>
#include <QString>

namespace mv {

struct ExportColumn {
    int field = 0;   // index of the recordset field
    QString caption; // header text
    bool operator==(const ExportColumn&) const = default;
};

using ExportColumns = QList<ExportColumn>;

// Every field in field order, captioned with its name.
ExportColumns allFieldColumns(const Recordset& rs);
// The columns to write: `columns` itself, or every field when it is empty. A field index outside
// the recordset throws MvError 3265.
ExportColumns resolvedColumns(const Recordset& rs, const ExportColumns& columns);

} // namespace mv
