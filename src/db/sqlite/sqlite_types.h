#pragma once
// SQLite's declared column types on the ADO scale, read the way the SQLite ODBC driver reads them
// (so a column has the same type on either engine), and the date and time texts SQLite keeps.
#include "db/datetime_text.h"
#include "db/recordset_cell.h"

#include <QString>
#include <optional>
#include <string_view>

namespace mv::sqlite {

struct DeclaredType {
    int sqlType = 0;     // the ODBC SQL type the driver reports
    int adoType = 0;     // its ADO type code
    qint64 length = 0;   // the size a result column has (the first number in parentheses)
    qint64 digits = 0;   // the catalog's column size (the second number, or the first alone)
    bool isUnsigned = false;
    bool isLong = false; // long text or long binary: no useful upper size
};

// The declared type text ("VARCHAR(50)", "integer unsigned", ...); an empty text (an expression)
// is typed by the storage class of its first value (`storageClass`: SQLITE_INTEGER, ...).
DeclaredType declaredType(const QString& typeText, int storageClass = 0);

} // namespace mv::sqlite
