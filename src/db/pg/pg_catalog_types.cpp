#include "db/pg/pg_catalog_types.h"

#include <sql.h>
#include <sqlext.h>

namespace mv::pg {

namespace {

enum : unsigned {
    BoolOid = 16, ByteaOid = 17, CharOid = 18, NameOid = 19, Int8Oid = 20, Int2Oid = 21, Int4Oid = 23,
    TextOid = 25, OidOid = 26, XidOid = 28, XmlOid = 142, XmlArrayOid = 143, CidrOid = 650, Float4Oid = 700,
    Float8Oid = 701, MoneyOid = 790, MacaddrOid = 829, InetOid = 869, BpcharOid = 1042, VarcharOid = 1043,
    DateOid = 1082, TimeOid = 1083, TimestampOid = 1114, TimestamptzOid = 1184, IntervalOid = 1186,
    TimetzOid = 1266, BitOid = 1560, NumericOid = 1700, AnyOid = 2276, UuidOid = 2950,
};

// The driver's sizes of texts without a length of their own.
constexpr qint64 MaxVarcharSize = 255;
constexpr qint64 MaxLongVarcharSize = 8190;
// It counts four bytes a character.
constexpr qint64 BytesPerChar = 4;
// A parameter's modifier as the driver passes it: no modifier, yet not the -1 of a column.
constexpr int UnknownModifier = -2;

// The interval's fields in the upper half of its modifier, as the server encodes them.
constexpr int MonthBit = 1 << 17, YearBit = 1 << 18, DayBit = 1 << 19, HourBit = 1 << 26, MinuteBit = 1 << 27,
              SecondBit = 1 << 28;

struct IntervalKind {
    qint64 width; // digits and separators of the fields
    const char* name;
};

IntervalKind intervalKind(int m) {
    if (m == -1) return {25, nullptr};
    const auto has = [m](int bit) { return (m & bit) != 0; };
    if (has(YearBit)) return has(MonthBit) ? IntervalKind{24, "interval year to month"} : IntervalKind{16, "interval year"};
    if (has(MonthBit)) return {16, "interval month"};
    if (has(DayBit)) {
        if (has(SecondBit)) return {25, "interval day to second"};
        if (has(MinuteBit)) return {25, "interval day to minute"};
        if (has(HourBit)) return {25, "interval day to hour"};
        return {16, "interval day"};
    }
    if (has(HourBit)) {
        if (has(SecondBit)) return {17, "interval hour to second"};
        if (has(MinuteBit)) return {17, "interval hour to minute"};
        return {17, "interval hour"};
    }
    if (has(MinuteBit)) return has(SecondBit) ? IntervalKind{15, "interval minute to second"} : IntervalKind{15, "interval minute"};
    if (has(SecondBit)) return {9, "interval second"};
    return {25, "interval"};
}

qint64 intervalSize(int m) {
    // The fraction's digits are a 16-bit number to the driver: a modifier it shifted into the
    // negative gives none.
    const qint16 scale = (m & SecondBit) == 0 ? 0 : (m & 0xffff) == 0xffff ? 6 : qint16(m & 0xffff);
    const qint64 width = intervalKind(m).width;
    return scale > 0 ? width + 1 + scale : width;
}

// Arrays of the built-in types: the driver ignores their modifier.
bool builtInArray(unsigned oid) {
    return oid == XmlArrayOid || (oid >= 1000 && oid <= 1041);
}

// Bytes of a text of `size` characters; a short text that would outgrow the driver's longest
// short one is held to it.
qint64 textBytes(qint64 size) {
    return size <= MaxVarcharSize && size * BytesPerChar > MaxVarcharSize ? MaxVarcharSize : size * BytesPerChar;
}

qint64 charSize(unsigned oid, int m) {
    if (oid == TextOid) return MaxLongVarcharSize;
    if (m < 0 || builtInArray(oid)) return MaxVarcharSize;
    return m > 0 ? m : MaxVarcharSize;
}

DriverType describe(unsigned oid, int m, int nameLength, bool column) {
    DriverType t;
    const auto fixed = [&](qint64 sqlType, qint64 size, std::optional<qint64> digits) {
        t.sqlType = sqlType;
        t.columnSize = size;
        t.decimalDigits = digits;
    };
    const auto timeDigits = [m] { return qint64(m > -1 ? m : 6); };
    // Texts of other types carry no byte length in a column row; a parameter row takes its size.
    t.octetLength = column ? std::optional<qint64>(-1) : std::nullopt;
    switch (oid) {
    case BoolOid:
        fixed(SQL_BIT, 1, 0);
        break;
    case CharOid:
        fixed(SQL_CHAR, 1, std::nullopt);
        break;
    case NameOid:
        fixed(SQL_VARCHAR, nameLength, std::nullopt);
        break;
    case Int2Oid:
        fixed(SQL_SMALLINT, 5, 0);
        break;
    case Int4Oid:
    case OidOid:
    case XidOid:
        fixed(SQL_INTEGER, 10, 0);
        break;
    case Int8Oid:
        fixed(SQL_BIGINT, 19, 0);
        break;
    case NumericOid:
        fixed(SQL_NUMERIC, m > -1 ? (m >> 16) & 0xffff : 28, m > -1 ? m & 0xffff : 6);
        break;
    case Float4Oid:
        fixed(SQL_REAL, 9, 0);
        break;
    case Float8Oid:
        fixed(SQL_FLOAT, 17, 0);
        break;
    case MoneyOid:
        fixed(SQL_FLOAT, 10, 0);
        break;
    case DateOid:
        fixed(SQL_TYPE_DATE, 10, std::nullopt);
        break;
    case TimeOid:
        fixed(SQL_TYPE_TIME, 8, timeDigits());
        break;
    case TimestampOid:
    case TimestamptzOid:
        fixed(SQL_TYPE_TIMESTAMP, 26, timeDigits());
        break;
    case ByteaOid:
        fixed(SQL_LONGVARBINARY, SQL_NO_TOTAL, std::nullopt);
        break;
    case UuidOid:
        fixed(SQL_GUID, 37, std::nullopt);
        break;
    case InetOid:
    case CidrOid:
        fixed(SQL_VARCHAR, 50, std::nullopt);
        break;
    case MacaddrOid:
        fixed(SQL_VARCHAR, 17, std::nullopt);
        break;
    case IntervalOid:
        fixed(SQL_VARCHAR, intervalSize(m), std::nullopt);
        break;
    case TextOid:
        fixed(SQL_LONGVARCHAR, MaxLongVarcharSize, std::nullopt);
        t.octetLength = textBytes(MaxLongVarcharSize);
        break;
    case VarcharOid:
    case BpcharOid: {
        const qint64 size = charSize(oid, m);
        const bool isLong = size > MaxVarcharSize;
        fixed(isLong ? SQL_LONGVARCHAR : oid == BpcharOid ? SQL_CHAR : SQL_VARCHAR, size, std::nullopt);
        t.octetLength = textBytes(size);
        break;
    }
    case XmlOid:
        fixed(SQL_LONGVARCHAR, charSize(oid, m), std::nullopt);
        break;
    default:
        // json, arrays, ranges, enums and the types of extensions are texts to the driver.
        fixed(SQL_VARCHAR, charSize(oid, m), std::nullopt);
        break;
    }
    return t;
}

} // namespace

DriverType describeColumnType(unsigned oid, int typmod, int nameLength) {
    // The driver takes the length header off every modifier but those of the date and time and
    // bit types (so varbit(7) is 3 long to it).
    int m = typmod;
    const bool kept = oid == TimestampOid || oid == TimestamptzOid || oid == TimeOid || oid == TimetzOid || oid == BitOid;
    if (!kept && m >= 4) m -= 4;
    return describe(oid, m, nameLength, true);
}

DriverType describeParameterType(unsigned oid, int nameLength) {
    return describe(oid, UnknownModifier, nameLength, false);
}

std::optional<QString> parameterTypeName(unsigned oid) {
    const char* name = "unknown";
    switch (oid) {
    case CharOid:
    case BpcharOid:
        name = "char";
        break;
    case Int8Oid:
        name = "int8";
        break;
    case NumericOid:
        name = "numeric";
        break;
    case VarcharOid:
        name = "varchar";
        break;
    case TextOid:
        name = "text";
        break;
    case NameOid:
        name = "name";
        break;
    case Int2Oid:
        name = "int2";
        break;
    case OidOid:
        name = "oid";
        break;
    case XidOid:
        name = "xid";
        break;
    case Int4Oid:
        name = "int4";
        break;
    case Float4Oid:
        name = "float4";
        break;
    case Float8Oid:
        name = "float8";
        break;
    case DateOid:
        name = "date";
        break;
    case TimeOid:
        name = "time";
        break;
    case TimestamptzOid:
        name = "timestamptz";
        break;
    case TimestampOid:
        name = "timestamp without time zone";
        break;
    case MoneyOid:
        name = "money";
        break;
    case BoolOid:
        name = "bool";
        break;
    case ByteaOid:
        name = "bytea";
        break;
    case XmlOid:
        name = "xml";
        break;
    case MacaddrOid:
        name = "macaddr";
        break;
    case InetOid:
        name = "inet";
        break;
    case CidrOid:
        name = "cidr";
        break;
    case UuidOid:
        name = "uuid";
        break;
    case IntervalOid:
        name = intervalKind(UnknownModifier).name;
        break;
    case AnyOid:
        name = "any";
        break;
    default:
        break;
    }
    return name ? std::optional<QString>(QString::fromLatin1(name)) : std::nullopt;
}

} // namespace mv::pg
