#pragma once
// MariaDB's result columns on the ADO scale, typed and sized as the MariaDB ODBC driver describes
// them (so a column is the same on either engine), and the texts of their values as the server
// sends them.
#include "db/recordset_builder.h"

#include <string_view>

namespace mv::mariadb {

// How the text of a value goes into the recordset.
enum class Read { Integer, Unsigned, Real, Single, Decimal, DateTime, Bit, Bytes, Text };

struct ColumnType {
    FieldInfo field;
    Read read = Read::Text;
};

// What the server says about a result column (the parts of MYSQL_FIELD the type depends on).
struct ColumnFacts {
    QString name;
    int type = 0;              // enum_field_types
    unsigned int flags = 0;    // NOT_NULL_FLAG, UNSIGNED_FLAG, BINARY_FLAG, ...
    unsigned long length = 0;  // display length in bytes of the result's character set
    unsigned int decimals = 0;
    unsigned int charsetNumber = 0; // 63: binary
    unsigned int maxBytesPerChar = 1;
};

ColumnType columnType(const ColumnFacts& column);

// Appends one non-null value given as the server's text (or bytes, for binary and BIT columns).
void appendText(RecordsetBuilder& builder, int col, Read read, std::string_view text);

} // namespace mv::mariadb
