#include "db/mariadb/mariadb_types.h"

#include "db/datetime_text.h"

#include <mysql.h>

#include <charconv>
#include <limits>

namespace mv::mariadb {

namespace {

constexpr qint64 LongDefinedSize = std::numeric_limits<qint32>::max();
// The server's character set number of binary strings.
constexpr unsigned int BinaryCharset = 63;
// Fractions of a second a temporal column can have.
constexpr unsigned int MaxFractionDigits = 6;

// Characters of a text column: the server counts bytes of the result's character set.
qint64 characters(const ColumnFacts& c) {
    if (c.charsetNumber == BinaryCharset) return qint64(c.length);
    return qint64(c.length / qMax(1u, c.maxBytesPerChar));
}

int integerType(const ColumnFacts& c, int signedType, int unsignedType) {
    return c.flags & UNSIGNED_FLAG ? unsignedType : signedType;
}

} // namespace

ColumnType columnType(const ColumnFacts& c) {
    ColumnType t;
    FieldInfo& f = t.field;
    f.name = c.name;
    // AUTO_INCREMENT and TIMESTAMP columns take a Null (for the next number, the current time), so
    // the driver calls them nullable.
    f.nullable = !(c.flags & NOT_NULL_FLAG) || (c.flags & AUTO_INCREMENT_FLAG) || c.type == MYSQL_TYPE_TIMESTAMP;
    const bool binary = c.charsetNumber == BinaryCharset;
    // A size the driver does not know (0) is reported as unlimited.
    auto sized = [&](qint64 size) { f.definedSize = size > 0 ? size : LongDefinedSize; };

    switch (c.type) {
    case MYSQL_TYPE_BIT:
        if (c.length > 1) {
            f.type = ado::adBinary;
            sized(qint64(c.length));
            t.read = Read::Bytes;
        } else {
            f.type = ado::adBoolean;
            t.read = Read::Bit;
        }
        break;
    case MYSQL_TYPE_TINY:
        f.type = integerType(c, ado::adTinyInt, ado::adUnsignedTinyInt);
        t.read = Read::Integer;
        break;
    case MYSQL_TYPE_SHORT:
    case MYSQL_TYPE_YEAR:
        f.type = integerType(c, ado::adSmallInt, ado::adUnsignedSmallInt);
        t.read = Read::Integer;
        break;
    case MYSQL_TYPE_INT24:
    case MYSQL_TYPE_LONG:
        f.type = integerType(c, ado::adInteger, ado::adUnsignedInt);
        t.read = Read::Integer;
        break;
    case MYSQL_TYPE_LONGLONG:
        f.type = integerType(c, ado::adBigInt, ado::adUnsignedBigInt);
        t.read = c.flags & UNSIGNED_FLAG ? Read::Unsigned : Read::Integer;
        break;
    case MYSQL_TYPE_FLOAT:
        f.type = ado::adSingle;
        t.read = Read::Single;
        break;
    case MYSQL_TYPE_DOUBLE:
        f.type = ado::adDouble;
        t.read = Read::Real;
        break;
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL: {
        f.type = ado::adNumeric;
        t.read = Read::Decimal;
        // The display length counts the sign and the point besides the digits.
        const int digits = int(c.length) - (c.flags & UNSIGNED_FLAG ? 0 : 1) - (c.decimals > 0 ? 1 : 0);
        f.precision = qBound(0, digits, 1000);
        f.scale = int(c.decimals) > f.precision ? 0 : int(c.decimals);
        break;
    }
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
        f.type = ado::adDBDate;
        t.read = Read::DateTime;
        break;
    case MYSQL_TYPE_TIMESTAMP:
    case MYSQL_TYPE_DATETIME:
        f.type = ado::adDBTimeStamp;
        t.read = Read::DateTime;
        f.scale = int(qMin(c.decimals, MaxFractionDigits));
        break;
    case MYSQL_TYPE_TIME: {
        // A duration from -838:59:59 to 838:59:59, no time of day: it stays the server's text.
        f.type = ado::adVarWChar;
        const unsigned int fraction = qMin(c.decimals, MaxFractionDigits);
        f.definedSize = 8 + (fraction > 0 ? fraction + 1 : 0);
        t.read = Read::Text;
        break;
    }
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
    case MYSQL_TYPE_JSON:
        f.type = binary ? ado::adLongVarBinary : ado::adLongVarChar;
        f.definedSize = LongDefinedSize;
        t.read = binary ? Read::Bytes : Read::Text;
        break;
    case MYSQL_TYPE_GEOMETRY:
        f.type = ado::adLongVarBinary;
        f.definedSize = LongDefinedSize;
        t.read = Read::Bytes;
        break;
    case MYSQL_TYPE_STRING:
    case MYSQL_TYPE_ENUM:
    case MYSQL_TYPE_SET:
        f.type = binary ? ado::adBinary : ado::adChar;
        sized(characters(c));
        t.read = binary ? Read::Bytes : Read::Text;
        break;
    case MYSQL_TYPE_VARCHAR:
    case MYSQL_TYPE_VAR_STRING:
        f.type = binary ? ado::adVarBinary : ado::adVarChar;
        sized(characters(c));
        t.read = binary ? Read::Bytes : Read::Text;
        break;
    case MYSQL_TYPE_NULL:
    default:
        // NULL and types of later servers travel as text.
        f.type = ado::adVarChar;
        sized(c.type == MYSQL_TYPE_NULL ? 0 : characters(c));
        t.read = binary ? Read::Bytes : Read::Text;
        break;
    }
    f = normalisedField(f);
    return t;
}

void appendText(RecordsetBuilder& b, int col, Read read, std::string_view t) {
    switch (read) {
    case Read::Integer: {
        qint64 v = 0;
        const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
        if (r.ec != std::errc()) return b.appendNull(col);
        return b.appendInt(col, v);
    }
    case Read::Unsigned: {
        // Kept as the bit pattern; the column's type says it is unsigned.
        quint64 v = 0;
        const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
        if (r.ec != std::errc()) return b.appendNull(col);
        return b.appendInt(col, qint64(v));
    }
    case Read::Real:
    case Read::Single: {
        double v = 0;
        const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
        if (r.ec != std::errc()) return b.appendNull(col);
        return b.appendReal(col, read == Read::Single ? double(float(v)) : v);
    }
    case Read::Decimal:
        return b.appendDecimal(col, t);
    case Read::DateTime: {
        // Zero dates ("0000-00-00") and dates with a zero month or day have no value.
        const std::optional<DateTimeParts> p = parseDateTimeText(t);
        if (!p) return b.appendNull(col);
        b.appendDateTime(col, p->year, p->month, p->day, p->hour, p->minute, p->second, p->nanos);
        return;
    }
    case Read::Bit: {
        bool set = false;
        for (char c : t)
            set = set || c != 0;
        return b.appendInt(col, set ? 1 : 0);
    }
    case Read::Bytes:
        return b.appendBytes(col, QByteArrayView(t.data(), qsizetype(t.size())));
    case Read::Text:
        return b.appendText(col, t);
    }
}

} // namespace mv::mariadb
