#include "db/pg/pg_types.h"

#include "db/datetime_text.h"

#include <charconv>
#include <limits>
#include <string>

namespace mv::pg {

namespace {

// Type OIDs of the built-in types.
enum : unsigned int {
    BoolOid = 16, ByteaOid = 17, CharOid = 18, NameOid = 19, Int8Oid = 20, Int2Oid = 21, Int4Oid = 23,
    TextOid = 25, OidOid = 26, XmlOid = 142, Float4Oid = 700, Float8Oid = 701, UnknownOid = 705,
    MoneyOid = 790, BpcharOid = 1042, VarcharOid = 1043, DateOid = 1082, TimeOid = 1083, TimestampOid = 1114,
    TimestamptzOid = 1184, IntervalOid = 1186, TimetzOid = 1266, NumericOid = 1700, UuidOid = 2950,
};

constexpr qint64 LongDefinedSize = std::numeric_limits<qint32>::max();
// The driver's sizes for texts without a length of their own.
constexpr qint64 MaxVarcharSize = 255;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// bytea in the hex output format ("\x00ff"); the escape format of old servers byte by byte.
QByteArray byteaOf(std::string_view t) {
    QByteArray out;
    if (t.size() >= 2 && t[0] == '\\' && t[1] == 'x') {
        out.reserve(qsizetype((t.size() - 2) / 2));
        for (size_t i = 2; i + 1 < t.size(); i += 2)
            out.append(char(hexDigit(t[i]) * 16 + hexDigit(t[i + 1])));
        return out;
    }
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '\\' && i + 3 < t.size() + 0 && t[i + 1] >= '0' && t[i + 1] <= '3') {
            out.append(char((t[i + 1] - '0') * 64 + (t[i + 2] - '0') * 8 + (t[i + 3] - '0')));
            i += 3;
        } else if (t[i] == '\\' && i + 1 < t.size() && t[i + 1] == '\\') {
            out.append('\\');
            ++i;
        } else {
            out.append(t[i]);
        }
    }
    return out;
}

} // namespace

ColumnType columnType(const QString& name, unsigned int oid, int typmod) {
    ColumnType c;
    FieldInfo& f = c.field;
    f.name = name;
    f.nullable = true;
    switch (oid) {
    case BoolOid:
        f.type = ado::adBoolean;
        c.read = Read::Boolean;
        break;
    case Int2Oid:
        f.type = ado::adSmallInt;
        c.read = Read::Integer;
        break;
    case Int4Oid:
        f.type = ado::adInteger;
        c.read = Read::Integer;
        break;
    case OidOid:
        f.type = ado::adUnsignedInt;
        c.read = Read::Integer;
        break;
    case Int8Oid:
        f.type = ado::adBigInt;
        c.read = Read::Integer;
        break;
    case Float4Oid:
        f.type = ado::adSingle;
        c.read = Read::Real;
        break;
    case Float8Oid:
        f.type = ado::adDouble;
        c.read = Read::Real;
        break;
    case MoneyOid:
        f.type = ado::adDouble;
        c.read = Read::Money;
        break;
    case NumericOid:
        f.type = ado::adNumeric;
        c.read = Read::Decimal;
        if (typmod >= 4) {
            // The scale is an 11-bit signed number (numeric(5,-2) rounds to hundreds): a negative
            // one has no places after the point.
            f.precision = ((typmod - 4) >> 16) & 0xffff;
            f.scale = qMax(0, (((typmod - 4) & 0x7ff) ^ 1024) - 1024);
        } else {
            // A numeric without precision and scale holds any scale: nothing is padded.
            f.precision = 0;
            f.scale = 0;
        }
        break;
    case DateOid:
        f.type = ado::adDBDate;
        c.read = Read::Date;
        break;
    case TimeOid:
    case TimetzOid:
        f.type = ado::adDBTime;
        c.read = Read::Time;
        break;
    case TimestampOid:
    case TimestamptzOid:
        f.type = ado::adDBTimeStamp;
        c.read = Read::Timestamp;
        f.scale = typmod >= 0 ? typmod : 6;
        break;
    case ByteaOid:
        f.type = ado::adLongVarBinary;
        c.read = Read::Bytes;
        f.definedSize = LongDefinedSize;
        break;
    case UuidOid:
        f.type = ado::adGUID;
        break;
    case CharOid:
        f.type = ado::adChar;
        f.definedSize = 1;
        break;
    case BpcharOid:
        f.type = ado::adChar;
        f.definedSize = typmod > 4 ? typmod - 4 : 1;
        break;
    case VarcharOid:
        f.type = ado::adVarChar;
        f.definedSize = typmod > 4 ? typmod - 4 : MaxVarcharSize;
        break;
    case NameOid:
        f.type = ado::adVarChar;
        f.definedSize = 64;
        break;
    case TextOid:
    case UnknownOid:
    case XmlOid:
        f.type = ado::adLongVarChar;
        f.definedSize = LongDefinedSize;
        break;
    case IntervalOid:
        f.type = ado::adVarChar;
        f.definedSize = 32;
        break;
    default:
        // json, arrays, ranges and the types of extensions travel as text.
        f.type = ado::adVarChar;
        f.definedSize = MaxVarcharSize;
        break;
    }
    f = normalisedField(f);
    return c;
}

void appendText(RecordsetBuilder& b, int col, Read read, std::string_view t) {
    switch (read) {
    case Read::Boolean:
        return b.appendInt(col, !t.empty() && (t[0] == 't' || t[0] == 'T' || t[0] == '1') ? 1 : 0);
    case Read::Integer: {
        qint64 v = 0;
        const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
        if (r.ec != std::errc()) return b.appendNull(col);
        return b.appendInt(col, v);
    }
    case Read::Real: {
        double v = 0;
        const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
        if (r.ec != std::errc()) return b.appendNull(col);
        return b.appendReal(col, v);
    }
    case Read::Money: {
        // "$1,234.56", "-$5.00": the digits, the point and the sign count.
        std::string digits;
        for (char c : t)
            if ((c >= '0' && c <= '9') || c == '.' || c == '-') digits.push_back(c);
        double v = 0;
        const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), v);
        if (r.ec != std::errc()) return b.appendNull(col);
        return b.appendReal(col, v);
    }
    case Read::Decimal:
        return b.appendDecimal(col, t);
    case Read::Date:
    case Read::Time:
    case Read::Timestamp: {
        const std::optional<DateTimeParts> p = parseDateTimeText(t);
        if (!p) return b.appendNull(col);
        b.appendDateTime(col, p->year, p->month, p->day, p->hour, p->minute, p->second, p->nanos);
        return;
    }
    case Read::Bytes:
        return b.appendBytes(col, byteaOf(t));
    case Read::Text:
        return b.appendText(col, t);
    }
}

} // namespace mv::pg
