#pragma once
// ODBC SQL types on the ADO scale, and how each result column is read: bound in blocks, or value by
// value with SQLGetData.
#include "db/odbc/odbc_connection.h"
#include "db/odbc/odbc_statement.h"
#include "db/recordset_cell.h"

namespace mv::odbc {

// The ADO type code of an ODBC SQL type. The type name decides where the SQL type alone is
// ambiguous: PostgreSQL's "bool" arrives as a character type.
int adoTypeOf(SQLSMALLINT sqlType, bool isUnsigned, const QString& typeName = {});

// True for the SQL types whose values have no useful upper size.
bool isLongSqlType(SQLSMALLINT sqlType);

// How one column's values are converted on their way into the column store.
enum class ValueRead {
    Long,      // SQL_C_SLONG: the integer types up to 32 bits (some drivers cannot give them as 64)
    ULong,     // SQL_C_ULONG
    Integer,   // SQL_C_SBIGINT
    Unsigned,  // SQL_C_UBIGINT, kept as bit pattern
    Bit,       // SQL_C_BIT
    Single,    // SQL_C_FLOAT
    Double,    // SQL_C_DOUBLE
    Decimal,   // SQL_C_CHAR, exact text
    Text,      // SQL_C_CHAR, UTF-8
    BoolText,  // SQL_C_CHAR "1"/"0"/"true"/"false"
    Guid,      // SQL_C_CHAR, canonical braces form
    Binary,    // SQL_C_BINARY
    Date,      // SQL_C_TYPE_DATE
    Time,      // SQL_C_TYPE_TIME
    TimeText,  // SQL_C_CHAR "hh:mm:ss.fffffffff": the time structure has no fractions of a second
    Timestamp, // SQL_C_TYPE_TIMESTAMP
};

struct ColumnPlan {
    FieldInfo field;
    ValueRead read = ValueRead::Text;
    SQLSMALLINT cType = SQL_C_CHAR;
    // Bytes of one value in a bound buffer; 0: the column is read with SQLGetData.
    SQLLEN elementBytes = 0;
    bool bound() const { return elementBytes > 0; }
    // A bound value may be longer than its buffer (the driver's size is a guess).
    bool mayTruncate() const {
        return read == ValueRead::Text || read == ValueRead::Decimal || read == ValueRead::Binary ||
               read == ValueRead::BoolText || read == ValueRead::Guid || read == ValueRead::TimeText;
    }
};

// The plan of one result column for the given driver.
ColumnPlan planColumn(const ColumnDescription& column, DriverFamily family);

} // namespace mv::odbc
