#include "db/recordset_xml_schema.h"

#include "db/ado_types.h"

namespace mv::xmlrs {

TypeForm typeFormOf(int adoType) {
    using namespace ado;
    switch (adoType) {
    case adSmallInt:
        return {"i2", nullptr, false, true};
    case adInteger:
        return {"int", nullptr, false, true};
    case adSingle:
        return {"r4", nullptr, false, true};
    case adDouble:
        return {"float", nullptr, false, true};
    case adCurrency:
        return {"number", "currency", false, true};
    case adDate:
        return {"dateTime", "variantdate", false, false};
    case adBoolean:
        return {"boolean", nullptr, false, false};
    case adDecimal:
        return {"number", "decimal", true, true};
    case adTinyInt:
        return {"i1", nullptr, false, true};
    case adUnsignedTinyInt:
        return {"ui1", nullptr, false, true};
    case adUnsignedSmallInt:
        return {"ui2", nullptr, false, true};
    case adUnsignedInt:
        return {"ui4", nullptr, false, true};
    case adBigInt:
        return {"i8", nullptr, false, true};
    case adUnsignedBigInt:
        return {"ui8", nullptr, false, true};
    case adGUID:
        return {"uuid", nullptr, false, false};
    case adBinary:
    case adVarBinary:
    case adLongVarBinary:
        return {"bin.hex", nullptr, false, false};
    case adChar:
    case adVarChar:
    case adLongVarChar:
        return {"string", "str", false, false};
    case adNumeric:
        return {"number", "numeric", true, true};
    case adDBDate:
        return {"date", nullptr, false, false};
    case adDBTime:
        return {"time", nullptr, false, false};
    case adDBTimeStamp:
        return {"dateTime", "timestamp", true, true};
    default:
        return {"string", nullptr, false, false};
    }
}

int adoTypeOf(const QString& dtTypeIn, const QString& dbTypeIn, bool fixedLength, bool isLong) {
    using namespace ado;
    const QString dt = dtTypeIn.trimmed().toLower();
    const QString db = dbTypeIn.trimmed().toLower();
    if (dt == u"i1") return adTinyInt;
    if (dt == u"ui1") return adUnsignedTinyInt;
    if (dt == u"i2") return adSmallInt;
    if (dt == u"ui2") return adUnsignedSmallInt;
    if (dt == u"int" || dt == u"i4") return adInteger;
    if (dt == u"ui4") return adUnsignedInt;
    if (dt == u"i8") return db == u"currency" ? adCurrency : adBigInt;
    if (dt == u"ui8") return adUnsignedBigInt;
    if (dt == u"r4") return adSingle;
    if (dt == u"float" || dt == u"r8") return adDouble;
    if (dt == u"number" || dt == u"fixed.14.4") {
        if (db == u"currency" || dt == u"fixed.14.4") return adCurrency;
        if (db == u"decimal") return adDecimal;
        return adNumeric;
    }
    if (dt == u"boolean") return adBoolean;
    if (dt == u"datetime" || dt == u"datetime.tz") return db == u"variantdate" ? adDate : adDBTimeStamp;
    if (dt == u"date") return adDBDate;
    if (dt == u"time" || dt == u"time.tz") return adDBTime;
    if (dt == u"uuid") return adGUID;
    if (dt == u"bin.hex" || dt == u"bin.base64") {
        if (isLong) return adLongVarBinary;
        return fixedLength ? adBinary : adVarBinary;
    }
    // A string, no type at all, or one this form does not know: text.
    const bool narrow = db == u"str" || db == u"char" || db == u"varchar";
    if (isLong) return narrow ? adLongVarChar : adLongVarWChar;
    if (fixedLength) return narrow ? adChar : adWChar;
    return narrow ? adVarChar : adVarWChar;
}

bool hasMarks(QStringView text) {
    return text.contains(QChar(MarkHigh));
}

QString restoreMarked(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() == MarkHigh && i + 2 < text.size() && text[i + 1].unicode() == MarkLow) {
            const char16_t letter = text[i + 2].unicode();
            if (letter >= u'@' && letter <= u'_')
                out += QChar(char16_t(letter - u'@'));
            else if (letter == u'a')
                out += QChar(char16_t(0xFFFE));
            else if (letter == u'b')
                out += QChar(char16_t(0xFFFF));
            else if (letter == u'c')
                out += QChar(MarkHigh), out += QChar(MarkLow);
            else {
                // Not a stand-in: the character is itself, and what follows stays.
                out += QChar(MarkHigh), out += QChar(MarkLow);
                ++i;
                continue;
            }
            i += 2;
            continue;
        }
        out += text[i];
    }
    return out;
}

namespace {

const char Mark[4] = {char(0xF4), char(0x8F), char(0xBF), char(0xBD)};

void appendMarked(QByteArray& out, char letter) {
    out.append(Mark, 4);
    out.append(letter);
}

// The stand-in letter for a code point XML cannot carry, or 0 when it can be left alone.
char letterFor(quint32 codePoint) {
    if (codePoint < 0x20 && codePoint != 0x9 && codePoint != 0xA && codePoint != 0xD)
        return char('@' + codePoint);
    if (codePoint == 0xFFFE) return 'a';
    if (codePoint == 0xFFFF) return 'b';
    if (codePoint == 0x10FFFD) return 'c';
    return 0;
}

bool isSafe(quint8 b) {
    return (b >= 0x20 && b != '&' && b != 0xEF && b != 0xF4) || b == 9 || b == 10 || b == 13;
}

} // namespace

QByteArray InputGuard::filter(const QByteArray& chunk, bool last) {
    QByteArray in = m_carry + chunk;
    m_carry.clear();
    if (m_disabled) return in;
    QByteArray out;
    out.reserve(in.size() + 16);
    const qsizetype n = in.size();
    const auto byte = [&](qsizetype i) { return quint8(in[i]); };
    qsizetype i = 0;
    while (i < n) {
        qsizetype run = i;
        while (run < n && isSafe(byte(run)))
            ++run;
        if (run > i) out.append(in.constData() + i, run - i);
        i = run;
        if (i >= n) break;
        const quint8 b = byte(i);
        if (b < 0x20) {
            appendMarked(out, char('@' + b));
            ++i;
        } else if (b == 0xEF || b == 0xF4) {
            const qsizetype length = b == 0xEF ? 3 : 4;
            if (i + length > n && !last) {
                m_carry = in.mid(i);
                break;
            }
            const QByteArray seq = in.mid(i, length);
            if (seq == "\xEF\xBF\xBE")
                appendMarked(out, 'a'), i += 3;
            else if (seq == "\xEF\xBF\xBF")
                appendMarked(out, 'b'), i += 3;
            else if (seq == QByteArray(Mark, 4))
                out.append(Mark, 4), i += 4; // a stand-in our writer wrote; restored after parsing
            else
                out.append(char(b)), ++i;
        } else { // '&'
            const qsizetype semicolon = in.indexOf(';', i);
            const qsizetype maxLength = 12;
            if ((semicolon < 0 || semicolon - i > maxLength) && i + maxLength >= n && !last) {
                m_carry = in.mid(i);
                break;
            }
            char letter = 0;
            if (semicolon > i + 2 && semicolon - i <= maxLength && in[i + 1] == '#') {
                const bool hex = in[i + 2] == 'x' || in[i + 2] == 'X';
                const QByteArray digits = in.mid(i + (hex ? 3 : 2), semicolon - i - (hex ? 3 : 2));
                bool ok = false;
                const quint32 value = digits.toUInt(&ok, hex ? 16 : 10);
                if (ok) letter = letterFor(value);
            }
            if (letter) {
                appendMarked(out, letter);
                i = semicolon + 1;
            } else {
                out.append('&');
                ++i;
            }
        }
    }
    return out;
}

} // namespace mv::xmlrs
