#include "results/export_value_text.h"

#include "app/byte_append.h"

#include "db/recordset_values.h"

namespace mv {
namespace {

// The locale's time with seconds, without the time zone the long form carries.
QString timeWithSeconds(const QLocale& locale) {
    const QString longForm = locale.timeFormat(QLocale::LongFormat);
    QString out;
    bool quoted = false;
    for (QChar c : longForm) {
        if (c == u'\'') quoted = !quoted;
        if (!quoted && c == u't') continue;
        out += c;
    }
    out = out.simplified();
    if (!out.contains(QLatin1String("ss"))) out = QStringLiteral("HH:mm:ss");
    return out;
}

QString dateWithFullYear(const QLocale& locale) {
    QString form = locale.dateFormat(QLocale::ShortFormat);
    if (!form.contains(QLatin1String("yyyy"))) form.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return form;
}

// A quoted part of a format, read the way the locale's formatter reads it: '' outside quotes is
// one quote, '' inside quotes is a quote in the text, an unclosed quote runs to the end.
QString quotedText(QStringView format, qsizetype& i) {
    ++i;
    if (i == format.size()) return {};
    if (format[i] == u'\'') {
        ++i;
        return QStringLiteral("'");
    }
    QString out;
    while (i < format.size()) {
        if (format[i] == u'\'') {
            if (i + 1 < format.size() && format[i + 1] == u'\'') {
                out += u'\'';
                i += 2;
            } else {
                break;
            }
        } else {
            out += format[i++];
        }
    }
    if (i < format.size()) ++i;
    return out;
}

bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Nine digits of nanoseconds without their trailing zeros; `nanos` is not 0.
QString fractionDigits(quint32 nanos) {
    char16_t digits[9];
    for (int i = 8; i >= 0; --i) {
        digits[i] = char16_t(u'0' + nanos % 10);
        nanos /= 10;
    }
    int n = 9;
    while (n > 0 && digits[n - 1] == u'0')
        --n;
    return QString(reinterpret_cast<const QChar*>(digits), n);
}

// UTF-8 of a text that is mostly ASCII, without a conversion buffer for the ASCII ones.
void appendAsUtf8(QByteArray& out, QStringView text) {
    const qsizetype from = out.size();
    out.resize(from + text.size());
    char* dst = out.data() + from;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c >= 0x80) {
            out.resize(from);
            out += text.toUtf8();
            return;
        }
        dst[i] = char(c);
    }
}

bool isAscii(QByteArrayView bytes) {
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

} // namespace

bool isPlaceholderType(int adoType) {
    return adoType == ado::adLongVarBinary || adoType == ado::adVarBinary || adoType == ado::adBinary ||
           adoType == 13;
}

ValueText::ValueText(const QLocale& locale)
    : m_locale(locale), m_dateFormat(dateWithFullYear(locale)), m_timeFormat(timeWithSeconds(locale)),
      m_point(locale.decimalPoint()), m_pointUtf8(m_point.toUtf8()) {
    // Digits outside the basic plane take two code units each; those locales keep the formatter.
    const QString zero = locale.zeroDigit();
    if (zero.size() != 1) return;
    m_zero = zero[0];
    for (int month = 1; month <= 12; ++month)
        m_monthNames << locale.monthName(month, QLocale::ShortFormat);
    m_date = parsed(m_dateFormat, true, m_point);
    m_time = parsed(m_timeFormat, false, m_point);
    for (NumericFormat* f : {&m_date, &m_time})
        for (NumericFormat::Part& part : f->parts)
            part.literalUtf8 = part.literal.toUtf8();
    for (const QString& name : m_monthNames)
        m_monthNamesUtf8 << name.toUtf8();
    m_asciiDigits = m_zero == u'0';
}

// Walks the format as the locale's formatter does (quotes, then runs of one character). Day,
// month (number or short name) and year (two or four digits) in a date, hours, minutes and
// seconds in a time become fields; any other letter (long month names, day names, AM/PM, time
// zones, eras, milliseconds) makes the format unusable here, everything else is literal text.
// Without AM/PM, h is the 24-hour clock like H.
ValueText::NumericFormat ValueText::parsed(QStringView format, bool date, QStringView point) {
    using Field = NumericFormat::Field;
    NumericFormat f;
    auto literal = [&f](QStringView text) {
        if (f.parts.isEmpty() || f.parts.last().field != Field::Literal)
            f.parts.append(NumericFormat::Part{});
        f.parts.last().literal += text;
    };
    qsizetype secondsAt = -1;
    qsizetype secondsPart = -1;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format[i];
        if (c == u'\'') {
            literal(quotedText(format, i));
            continue;
        }
        qsizetype repeat = 1;
        while (i + repeat < format.size() && format[i + repeat] == c)
            ++repeat;
        Field field = Field::Literal;
        if (date) {
            if (c == u'd' && repeat <= 2)
                field = Field::Day;
            else if (c == u'M' && repeat <= 2)
                field = Field::Month;
            else if (c == u'M' && repeat == 3)
                field = Field::MonthName;
            else if (c == u'y' && repeat == 4)
                field = Field::Year;
            else if (c == u'y' && repeat == 2)
                field = Field::ShortYear;
        } else {
            if ((c == u'h' || c == u'H') && repeat <= 2)
                field = Field::Hour;
            else if (c == u'm' && repeat <= 2)
                field = Field::Minute;
            else if (c == u's' && repeat <= 2)
                field = Field::Second;
        }
        if (field == Field::Literal) {
            if (isAsciiLetter(c)) return {};
            literal(format.mid(i, repeat));
        } else {
            f.parts.append(NumericFormat::Part{field, int(repeat), {}});
            if (field == Field::Second && repeat == 2) {
                secondsAt = i;
                secondsPart = f.parts.size() - 1;
            }
        }
        i += repeat;
    }
    // The locale path puts the fraction in as a quoted text after every "ss" of the format; that
    // reads as "after the seconds" only when "ss" is there once, as the seconds, and no quote
    // follows to join the inserted one.
    if (secondsPart >= 0 && format.count(u"ss") == 1 && format.indexOf(u"ss") == secondsAt &&
        (secondsAt + 2 == format.size() || format[secondsAt + 2] != u'\'') && !point.contains(u'\''))
        f.fractionAfter = secondsPart;
    f.usable = true;
    return f;
}

void ValueText::appendNumber(QString& out, int value, int width) const {
    char16_t digits[12];
    int n = 0;
    do {
        digits[n++] = char16_t(m_zero.unicode() + value % 10);
        value /= 10;
    } while (value != 0);
    for (int i = n; i < width; ++i)
        out += m_zero;
    while (n > 0)
        out += QChar(digits[--n]);
}

void ValueText::appendFormatted(QString& out, const NumericFormat& format, const int (&values)[3],
                                QStringView fraction) const {
    using Field = NumericFormat::Field;
    for (qsizetype i = 0; i < format.parts.size(); ++i) {
        const NumericFormat::Part& part = format.parts[i];
        switch (part.field) {
        case Field::Literal:
            out += part.literal;
            break;
        case Field::Day:
        case Field::Hour:
            appendNumber(out, values[0], part.width);
            break;
        case Field::Month:
        case Field::Minute:
            appendNumber(out, values[1], part.width);
            break;
        case Field::Year:
        case Field::Second:
            appendNumber(out, values[2], part.width);
            break;
        case Field::ShortYear:
            appendNumber(out, values[2] % 100, part.width);
            break;
        case Field::MonthName:
            out += m_monthNames[values[1] - 1];
            break;
        }
        if (i == format.fractionAfter) out += fraction;
    }
}

QString ValueText::localised(QString number) const {
    if (m_point != QLatin1String(".")) number.replace(u'.', m_point);
    return number;
}

void ValueText::appendDate(QString& out, const DateTimeValue& value) const {
    const QDate date = value.date();
    int year = 0, month = 0, day = 0;
    date.getDate(&year, &month, &day);
    // Years before 1 carry the locale's minus sign: the formatter writes those.
    if (m_date.usable && year >= 1)
        appendFormatted(out, m_date, {day, month, year}, {});
    else
        out += m_locale.toString(date, m_dateFormat);
}

void ValueText::appendTime(QString& out, const DateTimeValue& value) const {
    const int s = value.secondsOfDay();
    const int clock[3] = {s / 3600, s / 60 % 60, s % 60};
    if (m_time.usable && value.nanos == 0) {
        appendFormatted(out, m_time, clock, {});
        return;
    }
    // Fractions of a second follow the seconds, so a time stamp keeps its precision.
    const QString fraction = value.nanos == 0 ? QString() : m_point + fractionDigits(value.nanos);
    if (m_time.usable && m_time.fractionAfter >= 0) {
        appendFormatted(out, m_time, clock, fraction);
        return;
    }
    const QTime time(clock[0], clock[1], clock[2]);
    if (value.nanos == 0) {
        out += m_locale.toString(time, m_timeFormat);
        return;
    }
    QString form = m_timeFormat;
    form.replace(QLatin1String("ss"), QLatin1String("ss'") + fraction + QLatin1String("'"));
    out += m_locale.toString(time, form);
}

void ValueText::appendDateTimeText(QString& out, const DateTimeValue& value, int adoType) const {
    if (adoType == ado::adDBTime) {
        appendTime(out, value);
        return;
    }
    appendDate(out, value);
    if (adoType == ado::adDBDate || (value.secondsOfDay() == 0 && value.nanos == 0)) return;
    out += u' ';
    appendTime(out, value);
}

void ValueText::appendFormattedUtf8(QByteArray& out, const NumericFormat& format, const int (&values)[3]) const {
    using Field = NumericFormat::Field;
    auto number = [&out](int value, int width) {
        // Written from the end of the buffer backwards, zeros in front up to the width, then
        // appended in one piece.
        char digits[24];
        char* end = digits + sizeof digits;
        char* p = end;
        do {
            *--p = char('0' + value % 10);
            value /= 10;
        } while (value != 0 && p > digits);
        while (end - p < width && p > digits)
            *--p = '0';
        appendRaw(out, p, end - p);
    };
    for (const NumericFormat::Part& part : format.parts) {
        switch (part.field) {
        case Field::Literal:
            appendRaw(out, part.literalUtf8);
            break;
        case Field::Day:
        case Field::Hour:
            number(values[0], part.width);
            break;
        case Field::Month:
        case Field::Minute:
            number(values[1], part.width);
            break;
        case Field::Year:
        case Field::Second:
            number(values[2], part.width);
            break;
        case Field::ShortYear:
            number(values[2] % 100, part.width);
            break;
        case Field::MonthName:
            appendRaw(out, m_monthNamesUtf8[values[1] - 1]);
            break;
        }
    }
}

bool ValueText::appendDateTimeUtf8(QByteArray& out, const DateTimeValue& value, int adoType) const {
    if (!m_asciiDigits) return false;
    const bool withDate = adoType != ado::adDBTime;
    const bool withTime =
        adoType == ado::adDBTime || (adoType != ado::adDBDate && (value.secondsOfDay() != 0 || value.nanos != 0));
    if (withTime && (!m_time.usable || value.nanos != 0)) return false;
    int year = 0, month = 0, day = 0;
    if (withDate) {
        if (!m_date.usable) return false;
        value.date().getDate(&year, &month, &day);
        if (year < 1) return false;
        appendFormattedUtf8(out, m_date, {day, month, year});
    }
    if (withTime) {
        if (withDate) out += ' ';
        const int s = value.secondsOfDay();
        appendFormattedUtf8(out, m_time, {s / 3600, s / 60 % 60, s % 60});
    }
    return true;
}

QString ValueText::dateTimeText(const DateTimeValue& value, int adoType) const {
    QString out;
    out.reserve(40);
    appendDateTimeText(out, value, adoType);
    return out;
}

QString ValueText::text(const Recordset& rs, int row, int col) const {
    const ColumnStore& column = rs.column(col);
    const qsizetype physical = rs.physicalRow(row);
    if (column.isNull(physical)) return {};
    const FieldInfo& field = rs.field(col);
    switch (column.kind()) {
    case StorageKind::Integer:
        return cell::formatInteger(column.intAt(physical), field.type);
    case StorageKind::Real:
        return localised(field.type == ado::adSingle ? cell::formatSingle(float(column.realAt(physical)))
                                                     : cell::formatDouble(column.realAt(physical)));
    case StorageKind::Decimal:
        return localised(columnText(column, physical, field));
    case StorageKind::DateTime:
        return dateTimeText(column.dateTimeAt(physical), field.type);
    case StorageKind::Binary:
    case StorageKind::Text:
        break;
    }
    return columnText(column, physical, field);
}

void ValueText::appendUtf8(QByteArray& out, const Recordset& rs, int row, int col) const {
    appendUtf8(out, rs.column(col), rs.field(col), rs.physicalRow(row), rs, row, col);
}

void ValueText::appendUtf8(QByteArray& out, const ColumnStore& column, const FieldInfo& field, qsizetype physical,
                           const Recordset& rs, int row, int col) const {
    if (column.isNull(physical)) return;
    switch (column.kind()) {
    case StorageKind::Integer:
        cell::appendInteger(out, column.intAt(physical), field.type);
        return;
    case StorageKind::Real: {
        const qsizetype from = out.size();
        if (field.type == ado::adSingle)
            cell::appendSingle(out, float(column.realAt(physical)));
        else
            cell::appendDouble(out, column.realAt(physical));
        if (m_pointUtf8 == ".") return;
        const qsizetype point = out.indexOf('.', from);
        if (point >= 0) out.replace(point, 1, m_pointUtf8);
        return;
    }
    case StorageKind::DateTime: {
        if (appendDateTimeUtf8(out, column.dateTimeAt(physical), field.type)) return;
        // One buffer per thread: the date and time parts are written as text first.
        thread_local QString scratch;
        scratch.resize(0);
        appendDateTimeText(scratch, column.dateTimeAt(physical), field.type);
        appendAsUtf8(out, scratch);
        return;
    }
    case StorageKind::Text: {
        // Valid UTF-8 comes out as it is stored; anything else as the text reads it (with
        // replacement characters).
        const QByteArrayView bytes = column.bytesAt(physical);
        if (isAscii(bytes) || bytes.isValidUtf8())
            appendRaw(out, bytes.data(), bytes.size());
        else
            out += text(rs, row, col).toUtf8();
        return;
    }
    case StorageKind::Decimal:
    case StorageKind::Binary:
        break;
    }
    appendAsUtf8(out, text(rs, row, col));
}

} // namespace mv
