#include "results/grid_format.h"

#include "app/formats.h"
#include "db/ado_types.h"
#include "db/recordset_values.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>
#include <QTimeZone>
#include <algorithm>
#include <cmath>
#include <optional>

namespace mv {

namespace {

// A format section split into the text before the number, the number pattern and the text after.
struct NumberPattern {
    QString prefix, suffix;
    int intMin = 0;  // '0' placeholders before the point
    int fracMin = 0; // '0' placeholders after the point
    int fracMax = 0; // all placeholders after the point
    bool grouping = false;
    bool percent = false;
    bool scientific = false;
    bool expSignAlways = false;
    int expDigits = 0;
    bool hasDigits = false;
};

QStringList splitSections(const QString& format) {
    QStringList out;
    QString current;
    bool quoted = false;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == QLatin1Char('"')) quoted = !quoted;
        if (c == QLatin1Char('\\') && i + 1 < format.size()) {
            current += c;
            current += format[++i];
            continue;
        }
        if (c == QLatin1Char(';') && !quoted) {
            out << current;
            current.clear();
            continue;
        }
        current += c;
    }
    out << current;
    return out;
}

NumberPattern parseNumberPattern(const QString& s) {
    NumberPattern p;
    bool afterPoint = false, seenDigit = false, done = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        QString* literal = seenDigit ? &p.suffix : &p.prefix;
        if (c == QLatin1Char('"')) {
            const qsizetype end = s.indexOf(QLatin1Char('"'), i + 1);
            const qsizetype stop = end < 0 ? s.size() : end;
            *literal += s.mid(i + 1, stop - i - 1);
            i = stop;
            if (seenDigit) done = true;
            continue;
        }
        if (c == QLatin1Char('\\')) {
            if (i + 1 < s.size()) *literal += s[++i];
            if (seenDigit) done = true;
            continue;
        }
        if (!done && (c == QLatin1Char('0') || c == QLatin1Char('#'))) {
            seenDigit = p.hasDigits = true;
            if (afterPoint) {
                ++p.fracMax;
                if (c == QLatin1Char('0')) p.fracMin = p.fracMax;
            } else if (c == QLatin1Char('0')) {
                ++p.intMin;
            }
            continue;
        }
        if (!done && c == QLatin1Char('.') && !afterPoint) {
            afterPoint = seenDigit = p.hasDigits = true;
            continue;
        }
        if (!done && c == QLatin1Char(',') && seenDigit && !afterPoint) {
            p.grouping = true;
            continue;
        }
        if (!done && seenDigit && (c == QLatin1Char('E') || c == QLatin1Char('e')) && i + 1 < s.size() &&
            (s[i + 1] == QLatin1Char('+') || s[i + 1] == QLatin1Char('-'))) {
            p.scientific = true;
            p.expSignAlways = s[i + 1] == QLatin1Char('+');
            i += 2;
            while (i < s.size() && (s[i] == QLatin1Char('0') || s[i] == QLatin1Char('#'))) {
                ++p.expDigits;
                ++i;
            }
            --i;
            done = true;
            continue;
        }
        if (c == QLatin1Char('%')) p.percent = true;
        if (seenDigit) done = true;
        *literal += c;
    }
    return p;
}

QString groupDigits(const QString& digits, const QLocale& locale) {
    QString out;
    const QString sep = locale.groupSeparator();
    const qsizetype n = digits.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += sep;
        out += digits[i];
    }
    return out;
}

QString fixedDigits(double magnitude, const NumberPattern& p, const QLocale& locale) {
    QString text = QString::number(magnitude, 'f', p.fracMax);
    QString intPart = text, fracPart;
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point >= 0) {
        intPart = text.left(point);
        fracPart = text.mid(point + 1);
    }
    while (fracPart.size() > p.fracMin && fracPart.endsWith(QLatin1Char('0')))
        fracPart.chop(1);
    if (intPart == QLatin1String("0") && p.intMin == 0) intPart.clear();
    while (intPart.size() < p.intMin)
        intPart.prepend(QLatin1Char('0'));
    if (p.grouping) intPart = groupDigits(intPart, locale);
    return fracPart.isEmpty() ? intPart : intPart + locale.decimalPoint() + fracPart;
}

QString scientificDigits(double magnitude, const NumberPattern& p, const QLocale& locale) {
    int exponent = magnitude == 0 ? 0 : int(std::floor(std::log10(magnitude)));
    const int leading = std::max(1, p.intMin);
    exponent -= leading - 1;
    double mantissa = magnitude / std::pow(10.0, exponent);
    // Rounding can carry the mantissa into one more digit.
    if (QString::number(mantissa, 'f', p.fracMax).indexOf(QLatin1Char('.')) > leading ||
        (p.fracMax == 0 && QString::number(mantissa, 'f', 0).size() > leading)) {
        ++exponent;
        mantissa = magnitude / std::pow(10.0, exponent);
    }
    NumberPattern m = p;
    m.grouping = false;
    m.intMin = leading;
    QString exp =
        QString::number(std::abs(exponent)).rightJustified(std::max(1, p.expDigits), QLatin1Char('0'));
    const QString sign =
        exponent < 0 ? QStringLiteral("-") : (p.expSignAlways ? QStringLiteral("+") : QString());
    return fixedDigits(mantissa, m, locale) + QLatin1Char('E') + sign + exp;
}

QString applyNumber(double value, const QString& format) {
    const QLocale locale;
    const QStringList sections = splitSections(format);
    QString section = sections[0];
    bool showSign = value < 0;
    if (value < 0 && sections.size() > 1 && !sections[1].isEmpty()) {
        section = sections[1];
        showSign = false;
    } else if (value == 0 && sections.size() > 2 && !sections[2].isEmpty()) {
        section = sections[2];
    }
    const NumberPattern p = parseNumberPattern(section);
    if (!p.hasDigits) return p.prefix + p.suffix;
    double magnitude = std::abs(value) * (p.percent ? 100.0 : 1.0);
    QString digits =
        p.scientific ? scientificDigits(magnitude, p, locale) : fixedDigits(magnitude, p, locale);
    // A negative value that rounds to zero shows no sign.
    const bool nonZero = std::any_of(digits.begin(), digits.end(),
                                     [](QChar c) { return c >= QLatin1Char('1') && c <= QLatin1Char('9'); });
    if (showSign && nonZero) digits.prepend(locale.negativeSign());
    return p.prefix + digits + p.suffix;
}

// ---- dates ----

bool isMinuteContext(const QString& f, qsizetype pos, qsizetype len) {
    // After an hour token (literals between ignored) or before a seconds token.
    for (qsizetype i = pos - 1; i >= 0; --i) {
        const QChar c = f[i].toLower();
        if (c == QLatin1Char('h')) return true;
        if (c.isLetter()) break;
    }
    for (qsizetype i = pos + len; i < f.size(); ++i) {
        const QChar c = f[i].toLower();
        if (c == QLatin1Char('s')) return true;
        if (c.isLetter()) break;
    }
    return false;
}

QString applyDate(const QDateTime& dt, const QString& f) {
    const QLocale locale;
    const QDate d = dt.date();
    const QTime t = dt.time();
    const bool twelveHour = f.contains(QLatin1String("AM/PM"), Qt::CaseInsensitive) ||
                            f.contains(QLatin1String("A/P"), Qt::CaseInsensitive);
    QString out;
    for (qsizetype i = 0; i < f.size();) {
        const QChar c = f[i];
        if (c == QLatin1Char('"')) {
            const qsizetype end = f.indexOf(QLatin1Char('"'), i + 1);
            const qsizetype stop = end < 0 ? f.size() : end;
            out += f.mid(i + 1, stop - i - 1);
            i = stop + 1;
            continue;
        }
        if (c == QLatin1Char('\\')) {
            if (i + 1 < f.size()) out += f[i + 1];
            i += 2;
            continue;
        }
        if (f.mid(i, 5).compare(QLatin1String("AM/PM"), Qt::CaseInsensitive) == 0) {
            const bool pm = t.hour() >= 12;
            QString mark = pm ? QStringLiteral("PM") : QStringLiteral("AM");
            if (f[i].isLower()) mark = mark.toLower();
            out += mark;
            i += 5;
            continue;
        }
        if (f.mid(i, 3).compare(QLatin1String("A/P"), Qt::CaseInsensitive) == 0) {
            QString mark = t.hour() >= 12 ? QStringLiteral("P") : QStringLiteral("A");
            if (f[i].isLower()) mark = mark.toLower();
            out += mark;
            i += 3;
            continue;
        }
        const QChar lc = c.toLower();
        qsizetype len = 1;
        while (i + len < f.size() && f[i + len].toLower() == lc)
            ++len;
        switch (lc.unicode()) {
        case 'd':
            if (len == 1)
                out += QString::number(d.day());
            else if (len == 2)
                out += QString::number(d.day()).rightJustified(2, QLatin1Char('0'));
            else if (len == 3)
                out += locale.dayName(d.dayOfWeek(), QLocale::ShortFormat);
            else
                out += locale.dayName(d.dayOfWeek(), QLocale::LongFormat);
            break;
        case 'm':
            if (len <= 2 && isMinuteContext(f, i, len))
                out += len == 1 ? QString::number(t.minute())
                                : QString::number(t.minute()).rightJustified(2, QLatin1Char('0'));
            else if (len == 1)
                out += QString::number(d.month());
            else if (len == 2)
                out += QString::number(d.month()).rightJustified(2, QLatin1Char('0'));
            else if (len == 3)
                out += locale.monthName(d.month(), QLocale::ShortFormat);
            else
                out += locale.monthName(d.month(), QLocale::LongFormat);
            break;
        case 'y':
            if (len <= 2)
                out += QString::number(d.year() % 100).rightJustified(2, QLatin1Char('0'));
            else
                out += QString::number(d.year()).rightJustified(4, QLatin1Char('0'));
            break;
        case 'h': {
            int h = t.hour();
            if (twelveHour) h = h % 12 == 0 ? 12 : h % 12;
            out += len == 1 ? QString::number(h) : QString::number(h).rightJustified(2, QLatin1Char('0'));
            break;
        }
        case 'n':
            out += len == 1 ? QString::number(t.minute())
                            : QString::number(t.minute()).rightJustified(2, QLatin1Char('0'));
            break;
        case 's':
            out += len == 1 ? QString::number(t.second())
                            : QString::number(t.second()).rightJustified(2, QLatin1Char('0'));
            break;
        default:
            out += f.mid(i, len);
            break;
        }
        i += len;
    }
    return out;
}

std::optional<double> numberOf(const QVariant& value, int adoType) {
    if (!value.isValid()) return std::nullopt;
    if (value.metaType().id() == QMetaType::Bool) return value.toBool() ? -1.0 : 0.0;
    if (!ado::isNumericType(adoType) && adoType != ado::adBoolean) return std::nullopt;
    bool ok = false;
    const double d = value.toDouble(&ok);
    if (ok) return d;
    const auto parsed = cell::parseDouble(value.toString());
    return parsed ? std::optional<double>(*parsed) : std::nullopt;
}

std::optional<QDateTime> dateOf(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::QDateTime:
        return value.toDateTime();
    case QMetaType::QDate:
        return QDateTime(value.toDate(), QTime(0, 0), Qt::UTC);
    case QMetaType::QTime:
        return QDateTime(QDate(1899, 12, 30), value.toTime(), Qt::UTC);
    default:
        return std::nullopt;
    }
}

// Named formats as patterns or as texts of their own; empty when the name is no named format.
std::optional<QString> namedFormat(const QString& name, const QVariant& value, int adoType) {
    const QString n = name.trimmed().toLower();
    const QLocale locale;
    const auto num = numberOf(value, adoType);
    const auto date = dateOf(value);
    if (n == QLatin1String("general number")) return num ? QString::number(*num, 'g', 15) : value.toString();
    if (n == QLatin1String("currency")) return num ? locale.toCurrencyString(*num) : value.toString();
    if (n == QLatin1String("fixed"))
        return num ? applyNumber(*num, QStringLiteral("0.00")) : value.toString();
    if (n == QLatin1String("standard"))
        return num ? applyNumber(*num, QStringLiteral("#,##0.00")) : value.toString();
    if (n == QLatin1String("percent"))
        return num ? applyNumber(*num, QStringLiteral("0.00%")) : value.toString();
    if (n == QLatin1String("scientific"))
        return num ? applyNumber(*num, QStringLiteral("0.00E+00")) : value.toString();
    if (n == QLatin1String("yes/no")) return num ? QString(*num != 0 ? "Yes" : "No") : value.toString();
    if (n == QLatin1String("true/false"))
        return num ? QString(*num != 0 ? "True" : "False") : value.toString();
    if (n == QLatin1String("on/off")) return num ? QString(*num != 0 ? "On" : "Off") : value.toString();
    if (n == QLatin1String("general date")) return date ? generalDate(*date) : value.toString();
    if (n == QLatin1String("long date"))
        return date ? locale.toString(date->date(), QLocale::LongFormat) : value.toString();
    if (n == QLatin1String("medium date"))
        return date ? applyDate(*date, QStringLiteral("dd-mmm-yy")) : value.toString();
    if (n == QLatin1String("short date"))
        return date ? locale.toString(date->date(), QLocale::ShortFormat) : value.toString();
    if (n == QLatin1String("long time"))
        return date ? locale.toString(date->time(), QLocale::LongFormat) : value.toString();
    if (n == QLatin1String("medium time"))
        return date ? applyDate(*date, QStringLiteral("hh:nn AM/PM")) : value.toString();
    if (n == QLatin1String("short time"))
        return date ? applyDate(*date, QStringLiteral("hh:nn")) : value.toString();
    return std::nullopt;
}

} // namespace

QString formatGridNumber(double value, const QString& format) {
    if (format.isEmpty()) {
        // Whole totals read as whole numbers ("100000", not "1E+05").
        if (std::isfinite(value) && value == std::trunc(value) && std::abs(value) < 1e15)
            return QString::number(qint64(value));
        return QString::number(value, 'g', 15);
    }
    if (auto named = namedFormat(format, value, ado::adDouble)) return *named;
    return applyNumber(value, format);
}

QString formatGridValue(const QVariant& value, int adoType, const QString& format) {
    if (!value.isValid()) return {};
    const auto plain = [&] {
        if (value.metaType().id() == QMetaType::QDateTime)
            return cell::formatDateTime(DateTimeValue::fromDateTime(value.toDateTime()), QLatin1Char(' '),
                                        true);
        if (value.metaType().id() == QMetaType::Bool) return QString(value.toBool() ? "True" : "False");
        return value.toString();
    };
    if (format.isEmpty()) return plain();
    if (auto named = namedFormat(format, value, adoType)) return *named;
    if (const auto date = dateOf(value)) return applyDate(*date, format);
    if (const auto num = numberOf(value, adoType)) return applyNumber(*num, format);
    if (format == QLatin1String(">")) return value.toString().toUpper();
    if (format == QLatin1String("<")) return value.toString().toLower();
    return plain();
}

} // namespace mv
