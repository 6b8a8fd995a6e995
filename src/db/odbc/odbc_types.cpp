#include "db/odbc/odbc_types.h"

#include <limits>

namespace mv::odbc {

namespace {

// ODBC driver extensions for SQL Server's time types (FreeTDS reports them).
constexpr SQLSMALLINT SqlSsTime2 = -154;
constexpr SQLSMALLINT SqlSsTimestampOffset = -155;

constexpr qint64 LongDefinedSize = std::numeric_limits<qint32>::max();

bool isBooleanName(const QString& typeName) {
    const QString name = typeName.trimmed().toLower();
    return name == QLatin1String("bool") || name == QLatin1String("boolean");
}

bool isCharacterSqlType(SQLSMALLINT sqlType) {
    switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
        return true;
    default:
        return false;
    }
}

} // namespace

bool isLongSqlType(SQLSMALLINT sqlType) {
    return sqlType == SQL_LONGVARCHAR || sqlType == SQL_WLONGVARCHAR || sqlType == SQL_LONGVARBINARY;
}

int adoTypeOf(SQLSMALLINT sqlType, bool isUnsigned, const QString& typeName) {
    if ((isCharacterSqlType(sqlType) || sqlType == SQL_BIT) && isBooleanName(typeName)) return ado::adBoolean;
    switch (sqlType) {
    case SQL_CHAR:
        return ado::adChar;
    case SQL_VARCHAR:
        return ado::adVarChar;
    case SQL_LONGVARCHAR:
        return ado::adLongVarChar;
    case SQL_WCHAR:
        return ado::adWChar;
    case SQL_WVARCHAR:
        return ado::adVarWChar;
    case SQL_WLONGVARCHAR:
        return ado::adLongVarWChar;
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return ado::adNumeric;
    case SQL_TINYINT:
        return isUnsigned ? ado::adUnsignedTinyInt : ado::adTinyInt;
    case SQL_SMALLINT:
        return isUnsigned ? ado::adUnsignedSmallInt : ado::adSmallInt;
    case SQL_INTEGER:
        return isUnsigned ? ado::adUnsignedInt : ado::adInteger;
    case SQL_BIGINT:
        return isUnsigned ? ado::adUnsignedBigInt : ado::adBigInt;
    case SQL_REAL:
        return ado::adSingle;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        return ado::adDouble;
    case SQL_BIT:
        return ado::adBoolean;
    case SQL_BINARY:
        return ado::adBinary;
    case SQL_VARBINARY:
        return ado::adVarBinary;
    case SQL_LONGVARBINARY:
        return ado::adLongVarBinary;
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return ado::adDBDate;
    case SQL_TYPE_TIME:
    case SQL_TIME:
    case SqlSsTime2:
        return ado::adDBTime;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        return ado::adDBTimeStamp;
    case SQL_GUID:
        return ado::adGUID;
    case SqlSsTimestampOffset:
        return ado::adVarWChar;
    default:
        // Intervals and the types of a single DBMS travel as text.
        return ado::adVarWChar;
    }
}

ColumnPlan planColumn(const ColumnDescription& column, DriverFamily family) {
    ColumnPlan plan;
    FieldInfo& f = plan.field;
    f.name = column.name;
    f.type = adoTypeOf(column.sqlType, column.isUnsigned, column.typeName);
    f.nullable = column.nullable != SQL_NO_NULLS;
    const SQLULEN size = column.size;

    // SQLite integers are 64-bit whatever the column declares; its driver describes INTEGER columns
    // and integer expressions as SQL_INTEGER.
    if (family == DriverFamily::SQLite &&
        (f.type == ado::adTinyInt || f.type == ado::adSmallInt || f.type == ado::adInteger ||
         f.type == ado::adUnsignedTinyInt || f.type == ado::adUnsignedSmallInt || f.type == ado::adUnsignedInt))
        f.type = ado::adBigInt;
    // MDBTools describes a Single as SQL_FLOAT of size 4 and writes only 4 bytes into a double.
    if (family == DriverFamily::MDBTools && column.sqlType == SQL_FLOAT && size == 4) f.type = ado::adSingle;
    // A MariaDB TIME is a duration from -838:59:59 to 838:59:59, no time of day: the time structure
    // drops the sign of -01:00:00 and refuses 838:59:59. It travels as the server's text.
    if (family == DriverFamily::MariaDB && f.type == ado::adDBTime) f.type = ado::adVarWChar;

    // Server databases keep values within the declared size; PostgreSQL's sizes are guesses for
    // unsized types, but its driver can re-read a cut value, so everything is bound there.
    const bool sizesHold = family == DriverFamily::PostgreSQL || family == DriverFamily::MariaDB;
    const bool canReread = family == DriverFamily::PostgreSQL;
    const bool longType = isLongSqlType(column.sqlType);

    auto boundOrRead = [&](SQLULEN declaredLimit, SQLLEN bytes, SQLLEN rereadBytes) {
        if (sizesHold && !longType && size > 0 && size <= declaredLimit)
            plan.elementBytes = bytes;
        else if (canReread)
            plan.elementBytes = rereadBytes;
        else
            plan.elementBytes = 0;
    };

    switch (f.type) {
    case ado::adBoolean:
        if (column.sqlType == SQL_BIT) {
            plan.read = ValueRead::Bit;
            plan.cType = SQL_C_BIT;
            plan.elementBytes = sizeof(unsigned char);
        } else {
            plan.read = ValueRead::BoolText;
            plan.cType = SQL_C_CHAR;
            plan.elementBytes = 16;
        }
        break;
    case ado::adTinyInt:
    case ado::adUnsignedTinyInt:
    case ado::adSmallInt:
    case ado::adUnsignedSmallInt:
    case ado::adInteger:
        plan.read = ValueRead::Long;
        plan.cType = SQL_C_SLONG;
        plan.elementBytes = sizeof(SQLINTEGER);
        break;
    case ado::adUnsignedInt:
        plan.read = ValueRead::ULong;
        plan.cType = SQL_C_ULONG;
        plan.elementBytes = sizeof(SQLUINTEGER);
        break;
    case ado::adBigInt:
        plan.read = ValueRead::Integer;
        plan.cType = SQL_C_SBIGINT;
        plan.elementBytes = sizeof(SQLBIGINT);
        break;
    case ado::adUnsignedBigInt:
        plan.read = ValueRead::Unsigned;
        plan.cType = SQL_C_UBIGINT;
        plan.elementBytes = sizeof(SQLUBIGINT);
        break;
    case ado::adSingle:
        if (family == DriverFamily::MariaDB) {
            // Its driver writes a block of SQL_C_FLOAT values eight bytes apart: read doubles, which
            // hold every float exactly, and keep the float they round to.
            plan.read = ValueRead::Double;
            plan.cType = SQL_C_DOUBLE;
            plan.elementBytes = sizeof(SQLDOUBLE);
        } else {
            plan.read = ValueRead::Single;
            plan.cType = SQL_C_FLOAT;
            plan.elementBytes = sizeof(SQLREAL);
        }
        break;
    case ado::adDouble:
        plan.read = ValueRead::Double;
        plan.cType = SQL_C_DOUBLE;
        plan.elementBytes = sizeof(SQLDOUBLE);
        break;
    case ado::adNumeric:
        plan.read = ValueRead::Decimal;
        plan.cType = SQL_C_CHAR;
        f.precision = int(qMin<SQLULEN>(size, 1000));
        f.scale = qMax<int>(0, column.decimals);
        // psqlODBC describes a numeric without precision and scale as (28,6); its values have any
        // scale and come as the server writes them, so nothing may be padded to six places.
        if (family == DriverFamily::PostgreSQL && size == 28 && column.decimals == 6) f.precision = f.scale = 0;
        // A negative scale (PostgreSQL's numeric(5,-2)) arrives as a nonsense one beyond the
        // precision; such values carry no places after the point.
        if (SQLULEN(f.scale) > size) f.scale = 0;
        // Sign, point, a leading zero and the terminator around the digits.
        boundOrRead(100, SQLLEN(size) + 4, 128);
        break;
    case ado::adDBDate:
        plan.read = ValueRead::Date;
        plan.cType = SQL_C_TYPE_DATE;
        plan.elementBytes = sizeof(SQL_DATE_STRUCT);
        break;
    case ado::adDBTime:
        if (column.decimals > 0) {
            // Fractions of a second exist only in the text form.
            plan.read = ValueRead::TimeText;
            plan.cType = SQL_C_CHAR;
            plan.elementBytes = 40;
        } else {
            plan.read = ValueRead::Time;
            plan.cType = SQL_C_TYPE_TIME;
            plan.elementBytes = sizeof(SQL_TIME_STRUCT);
        }
        break;
    case ado::adDBTimeStamp:
        plan.read = ValueRead::Timestamp;
        plan.cType = SQL_C_TYPE_TIMESTAMP;
        plan.elementBytes = sizeof(SQL_TIMESTAMP_STRUCT);
        f.scale = qMax<int>(0, column.decimals);
        break;
    case ado::adGUID:
        plan.read = ValueRead::Guid;
        plan.cType = SQL_C_CHAR;
        plan.elementBytes = 64;
        break;
    case ado::adBinary:
    case ado::adVarBinary:
    case ado::adLongVarBinary:
        plan.read = ValueRead::Binary;
        plan.cType = SQL_C_BINARY;
        f.definedSize = size > 0 && !longType ? qint64(size) : LongDefinedSize;
        boundOrRead(8000, SQLLEN(size), 1024);
        break;
    default:
        plan.read = ValueRead::Text;
        plan.cType = SQL_C_CHAR;
        f.definedSize = size > 0 && !longType ? qint64(size) : LongDefinedSize;
        // Up to four UTF-8 bytes a character, and the terminator.
        boundOrRead(2000, SQLLEN(size) * 4 + 1, 1024);
        break;
    }
    f = normalisedField(f);
    return plan;
}

} // namespace mv::odbc
