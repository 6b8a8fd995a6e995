#pragma once
// How the PostgreSQL ODBC driver describes a type in its catalog results (SQL type, size, digits,
// bytes), so the native engine's column and parameter rowsets read the same as the driver's.
#include <QString>

#include <optional>

namespace mv::pg {

struct DriverType {
    qint64 sqlType = 0;
    std::optional<qint64> columnSize;
    std::optional<qint64> decimalDigits;
    // Negative where the driver gives no length (the rowset shows Null); nothing where it falls
    // back to the column size.
    std::optional<qint64> octetLength;
};

// A table column of type `oid` (a domain's base type) with the type modifier as the server keeps
// it (-1: none). `nameLength` is the server's longest identifier.
DriverType describeColumnType(unsigned oid, int typmod, int nameLength);

// A routine's parameter or result column: the driver knows no modifier there.
DriverType describeParameterType(unsigned oid, int nameLength);

// The driver's own name of a parameter's type: its fixed names of the built-in types, "unknown"
// for every other (so "unknown" for json, arrays, domains).
std::optional<QString> parameterTypeName(unsigned oid);

} // namespace mv::pg
