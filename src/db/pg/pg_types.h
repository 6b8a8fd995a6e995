#pragma once
// PostgreSQL's result column types on the ADO scale, typed and sized as the PostgreSQL ODBC driver
// types them (so a column is the same on either engine), and the texts of their values.
#include "db/recordset_builder.h"

#include <string_view>

namespace mv::pg {

// How the text of a value goes into the recordset.
enum class Read { Boolean, Integer, Real, Money, Decimal, Date, Time, Timestamp, Bytes, Text };

struct ColumnType {
    FieldInfo field;
    Read read = Read::Text;
};

// The column of type `oid` with the type modifier `typmod` (-1: none).
ColumnType columnType(const QString& name, unsigned int oid, int typmod);

// Appends one non-null value given as PostgreSQL's text.
void appendText(RecordsetBuilder& builder, int col, Read read, std::string_view text);

} // namespace mv::pg
