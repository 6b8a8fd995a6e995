#include "results/export_columns.h"

namespace mv {

ExportColumns allFieldColumns(const Recordset& rs) {
    ExportColumns columns;
    columns.reserve(rs.fieldCount());
    for (int i = 0; i < rs.fieldCount(); ++i)
        columns.append({i, rs.field(i).name});
    return columns;
}

ExportColumns resolvedColumns(const Recordset& rs, const ExportColumns& columns) {
    if (columns.isEmpty()) return allFieldColumns(rs);
    for (const ExportColumn& c : columns)
        rs.field(c.field); // throws for an unknown field
    return columns;
}

} // namespace mv
