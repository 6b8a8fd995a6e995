#include "db/recordset_values.h"

#include "app/byte_append.h"

#include "db/ado_types.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace mv {

namespace {

constexpr qint64 SecondsPerDay = 86400;

qint64 floorDiv(qint64 a, qint64 b) {
    qint64 q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}

// ASCII copy of a text, on the stack when short; not ok when it holds anything else (no number or
// date is spelled so).
class Ascii {
  public:
    explicit Ascii(QStringView text) {
        char* out = m_small;
        if (text.size() >= qsizetype(sizeof m_small)) {
            m_big.resize(size_t(text.size()));
            out = m_big.data();
        }
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t c = text[i].unicode();
            if (c > 0x7F) return;
            out[i] = char(c);
        }
        ok = true;
        view = std::string_view(out, size_t(text.size()));
    }
    Ascii(const Ascii&) = delete;
    Ascii& operator=(const Ascii&) = delete;

    bool ok = false;
    std::string_view view;

  private:
    char m_small[64];
    std::string m_big;
};

bool equalsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

char* writePadded(char* out, quint64 value, int width) {
    char digits[24];
    int n = 0;
    do {
        digits[n++] = char('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int i = n; i < width; ++i)
        *out++ = '0';
    while (n > 0)
        *out++ = digits[--n];
    return out;
}

// Reads 1..maxDigits digits at pos; -1 when there are none.
qint64 readNumber(std::string_view s, size_t& pos, int minDigits, int maxDigits) {
    qint64 value = 0;
    int count = 0;
    while (pos < s.size() && isDigit(s[pos]) && count < maxDigits) {
        value = value * 10 + (s[pos] - '0');
        ++pos;
        ++count;
    }
    return count >= minDigits ? value : -1;
}

struct TimeParts {
    int hour = 0, minute = 0, second = 0;
    quint32 nanos = 0;
};

std::optional<TimeParts> readTime(std::string_view s, size_t& pos) {
    TimeParts t;
    const qint64 h = readNumber(s, pos, 1, 2);
    if (h < 0 || pos >= s.size() || s[pos] != ':') return std::nullopt;
    ++pos;
    const qint64 m = readNumber(s, pos, 2, 2);
    if (m < 0) return std::nullopt;
    qint64 sec = 0;
    if (pos < s.size() && s[pos] == ':') {
        ++pos;
        sec = readNumber(s, pos, 2, 2);
        if (sec < 0) return std::nullopt;
        if (pos < s.size() && s[pos] == '.') {
            ++pos;
            const size_t start = pos;
            const qint64 frac = readNumber(s, pos, 1, 9);
            if (frac < 0) return std::nullopt;
            qint64 scaled = frac;
            for (size_t n = pos - start; n < 9; ++n)
                scaled *= 10;
            t.nanos = quint32(scaled);
            // More than nine digits cannot be held exactly.
            if (pos < s.size() && isDigit(s[pos])) return std::nullopt;
        }
    }
    if (h > 23 || m > 59 || sec > 59) return std::nullopt;
    t.hour = int(h);
    t.minute = int(m);
    t.second = int(sec);
    return t;
}

} // namespace

namespace {

// The Julian day of a Gregorian date of the years 1 to 9999, as QDate counts it; nullopt for a
// day the month does not have. Computed here: every date and time value fetched comes this way.
std::optional<qint64> commonEraJulianDay(int year, int month, int day) {
    if (month < 1 || month > 12 || day < 1) return std::nullopt;
    static constexpr int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    if (day > lengths[month - 1] + (month == 2 && leap ? 1 : 0)) return std::nullopt;
    const qint64 a = (14 - month) / 12;
    const qint64 y = qint64(year) + 4800 - a;
    const qint64 m = month + 12 * a - 3;
    return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

} // namespace

std::optional<DateTimeValue> DateTimeValue::fromParts(int year, int month, int day, int hour, int minute,
                                                      int second, quint32 nanos) {
    std::optional<qint64> julianDay;
    if (year >= 1 && year <= 9999) {
        julianDay = commonEraJulianDay(year, month, day);
    } else if (QDate::isValid(year, month, day)) {
        julianDay = QDate(year, month, day).toJulianDay();
    }
    if (!julianDay) return std::nullopt;
    auto time = fromTimeParts(hour, minute, second, nanos);
    if (!time) return std::nullopt;
    time->seconds += *julianDay * SecondsPerDay;
    return time;
}

std::optional<DateTimeValue> DateTimeValue::fromTimeParts(int hour, int minute, int second, quint32 nanos) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        nanos > 999'999'999u)
        return std::nullopt;
    return DateTimeValue{qint64(hour) * 3600 + minute * 60 + second, nanos};
}

DateTimeValue DateTimeValue::fromDateTime(const QDateTime& value) {
    DateTimeValue v = fromTime(value.time());
    v.seconds += value.date().toJulianDay() * SecondsPerDay;
    return v;
}

DateTimeValue DateTimeValue::fromDate(QDate value) {
    return DateTimeValue{value.toJulianDay() * SecondsPerDay, 0};
}

DateTimeValue DateTimeValue::fromTime(QTime value) {
    if (!value.isValid()) return {};
    return DateTimeValue{value.msecsSinceStartOfDay() / 1000, quint32(value.msec()) * 1'000'000u};
}

qint64 DateTimeValue::julianDay() const {
    return floorDiv(seconds, SecondsPerDay);
}
int DateTimeValue::secondsOfDay() const {
    // The remainder itself: day times seconds would overflow for the most distant values a file
    // can hold.
    const qint64 r = seconds % SecondsPerDay;
    return int(r < 0 ? r + SecondsPerDay : r);
}
QDate DateTimeValue::date() const {
    return QDate::fromJulianDay(julianDay());
}
QTime DateTimeValue::time() const {
    return QTime::fromMSecsSinceStartOfDay(secondsOfDay() * 1000 + int(nanos / 1'000'000u));
}
QDateTime DateTimeValue::toDateTime() const {
    return QDateTime(date(), time(), Qt::UTC);
}

namespace cell {

namespace {
template <class T> void appendFloating(QByteArray& out, T value) {
    if (std::isnan(value)) return void(out.append("NaN"));
    if (std::isinf(value)) return void(out.append(value > 0 ? "INF" : "-INF"));
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, value);
    for (char* p = buf; p != r.ptr; ++p)
        if (*p == 'e') *p = 'E';
    appendRaw(out, buf, r.ptr - buf);
}
} // namespace

void appendDouble(QByteArray& out, double value) {
    appendFloating(out, value);
}
void appendSingle(QByteArray& out, float value) {
    appendFloating(out, value);
}

QString formatDouble(double value) {
    QByteArray out;
    appendDouble(out, value);
    return QString::fromLatin1(out);
}

QString formatSingle(float value) {
    QByteArray out;
    appendSingle(out, value);
    return QString::fromLatin1(out);
}

namespace {
template <class T> std::optional<T> parseFloating(QStringView text) {
    const Ascii ascii(text);
    if (!ascii.ok) return std::nullopt;
    std::string_view s = trimmed(ascii.view);
    if (!s.empty() && !isDigit(s.back()) && s.back() != '.') {
        if (equalsNoCase(s, "nan")) return std::numeric_limits<T>::quiet_NaN();
        if (equalsNoCase(s, "inf") || equalsNoCase(s, "+inf") || equalsNoCase(s, "infinity"))
            return std::numeric_limits<T>::infinity();
        if (equalsNoCase(s, "-inf") || equalsNoCase(s, "-infinity"))
            return -std::numeric_limits<T>::infinity();
    }
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return std::nullopt;
    T value{};
    const auto r = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return std::nullopt;
    return value;
}
} // namespace

std::optional<double> parseDouble(QStringView text) {
    return parseFloating<double>(text);
}
std::optional<float> parseSingle(QStringView text) {
    return parseFloating<float>(text);
}

bool integerInRange(qint64 v, int adoType) {
    switch (adoType) {
    case ado::adTinyInt:
        return v >= -128 && v <= 127;
    case ado::adUnsignedTinyInt:
        return v >= 0 && v <= 255;
    case ado::adSmallInt:
        return v >= -32768 && v <= 32767;
    case ado::adUnsignedSmallInt:
        return v >= 0 && v <= 65535;
    case ado::adInteger:
        return v >= std::numeric_limits<qint32>::min() && v <= std::numeric_limits<qint32>::max();
    case ado::adUnsignedInt:
        return v >= 0 && v <= qint64(std::numeric_limits<quint32>::max());
    case ado::adBoolean:
        return v == 0 || v == 1;
    default:
        return true;
    }
}

std::optional<bool> parseBoolean(QStringView text) {
    const QStringView t = text.trimmed();
    if (t.compare(u"true", Qt::CaseInsensitive) == 0 || t == u"1" || t == u"-1") return true;
    if (t.compare(u"false", Qt::CaseInsensitive) == 0 || t == u"0") return false;
    return std::nullopt;
}

std::optional<qint64> parseInteger(QStringView text, int adoType) {
    if (adoType == ado::adBoolean) {
        const auto b = parseBoolean(text);
        if (!b) return std::nullopt;
        return *b ? 1 : 0;
    }
    const Ascii ascii(text);
    if (!ascii.ok) return std::nullopt;
    std::string_view s = trimmed(ascii.view);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return std::nullopt;
    if (adoType == ado::adUnsignedBigInt) {
        quint64 u = 0;
        const auto r = std::from_chars(s.data(), s.data() + s.size(), u);
        if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return std::nullopt;
        return qint64(u);
    }
    qint64 v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size()) return std::nullopt;
    if (!integerInRange(v, adoType)) return std::nullopt;
    return v;
}

void appendInteger(QByteArray& out, qint64 value, int adoType) {
    if (adoType == ado::adBoolean) return void(out.append(value ? "True" : "False"));
    char buf[24];
    const auto r = adoType == ado::adUnsignedBigInt ? std::to_chars(buf, buf + sizeof buf, quint64(value))
                                                    : std::to_chars(buf, buf + sizeof buf, value);
    appendRaw(out, buf, r.ptr - buf);
}

QString formatInteger(qint64 value, int adoType) {
    QByteArray out;
    appendInteger(out, value, adoType);
    return QString::fromLatin1(out);
}

std::optional<QByteArray> canonicalDecimal(std::string_view text) {
    std::string_view s = trimmed(text);
    size_t pos = 0;
    bool negative = false;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) negative = s[pos++] == '-';
    std::string digits;
    qint64 intCount = 0;
    while (pos < s.size() && isDigit(s[pos]))
        digits.push_back(s[pos++]), ++intCount;
    if (pos < s.size() && s[pos] == '.') {
        ++pos;
        while (pos < s.size() && isDigit(s[pos]))
            digits.push_back(s[pos++]);
    }
    if (digits.empty()) return std::nullopt;
    qint64 exponent = 0;
    if (pos < s.size() && (s[pos] == 'e' || s[pos] == 'E')) {
        ++pos;
        bool negExp = false;
        if (pos < s.size() && (s[pos] == '+' || s[pos] == '-')) negExp = s[pos++] == '-';
        const qint64 e = readNumber(s, pos, 1, 4);
        if (e < 0 || e > 400) return std::nullopt;
        exponent = negExp ? -e : e;
    }
    if (pos != s.size()) return std::nullopt;

    const qint64 point = intCount + exponent;
    const qint64 len = qint64(digits.size());
    std::string intPart, fracPart;
    if (point <= 0) {
        intPart = "0";
        fracPart = std::string(size_t(-point), '0') + digits;
    } else if (point >= len) {
        intPart = digits + std::string(size_t(point - len), '0');
    } else {
        intPart = digits.substr(0, size_t(point));
        fracPart = digits.substr(size_t(point));
    }
    const size_t firstNonZero = intPart.find_first_not_of('0');
    intPart = firstNonZero == std::string::npos ? "0" : intPart.substr(firstNonZero);
    while (!fracPart.empty() && fracPart.back() == '0')
        fracPart.pop_back();
    if (intPart == "0" && fracPart.empty()) negative = false;

    QByteArray out;
    out.reserve(qsizetype(intPart.size() + fracPart.size() + 2));
    if (negative) out.append('-');
    out.append(intPart.data(), qsizetype(intPart.size()));
    if (!fracPart.empty()) {
        out.append('.');
        out.append(fracPart.data(), qsizetype(fracPart.size()));
    }
    return out;
}

QByteArray padDecimal(const QByteArray& canonical, int scale) {
    if (scale <= 0) return canonical;
    const qsizetype dot = canonical.indexOf('.');
    // A stored text that is no number stays as it is.
    for (char c : canonical)
        if (!isDigit(c) && c != '-' && c != '.') return canonical;
    const qsizetype have = dot < 0 ? 0 : canonical.size() - dot - 1;
    if (have >= scale) return canonical;
    QByteArray out = canonical;
    if (dot < 0) out.append('.');
    out.append(QByteArray(scale - have, '0'));
    return out;
}

namespace {
bool isPlainDecimal(std::string_view s) {
    size_t i = 0;
    if (i < s.size() && s[i] == '-') ++i;
    const size_t start = i;
    while (i < s.size() && isDigit(s[i]))
        ++i;
    if (i == start) return false;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i]))
            ++i;
    }
    return i == s.size();
}

int compareMagnitude(std::string_view a, std::string_view b) {
    const size_t da = a.find('.'), db = b.find('.');
    std::string_view ia = a.substr(0, da), ib = b.substr(0, db);
    while (ia.size() > 1 && ia.front() == '0')
        ia.remove_prefix(1);
    while (ib.size() > 1 && ib.front() == '0')
        ib.remove_prefix(1);
    if (ia.size() != ib.size()) return ia.size() < ib.size() ? -1 : 1;
    if (const int c = ia.compare(ib); c != 0) return c < 0 ? -1 : 1;
    std::string_view fa = da == std::string_view::npos ? std::string_view() : a.substr(da + 1);
    std::string_view fb = db == std::string_view::npos ? std::string_view() : b.substr(db + 1);
    while (!fa.empty() && fa.back() == '0')
        fa.remove_suffix(1);
    while (!fb.empty() && fb.back() == '0')
        fb.remove_suffix(1);
    const int c = fa.compare(fb);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}
} // namespace

int compareDecimal(std::string_view a, std::string_view b) {
    const bool na = isPlainDecimal(a), nb = isPlainDecimal(b);
    if (!na || !nb) {
        if (na != nb) return na ? -1 : 1;
        const int c = a.compare(b);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    const bool negA = a.front() == '-', negB = b.front() == '-';
    if (negA) a.remove_prefix(1);
    if (negB) b.remove_prefix(1);
    const int mag = compareMagnitude(a, b);
    if (mag == 0) return 0; // "-0" and "0" are the same number
    if (negA != negB) return negA ? -1 : 1;
    return negA ? -mag : mag;
}

QString decimalFromDouble(double value) {
    if (!std::isfinite(value)) return formatDouble(value);
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    const auto canon = canonicalDecimal(std::string_view(buf, size_t(r.ptr - buf)));
    return canon ? QString::fromLatin1(*canon) : formatDouble(value);
}

void appendDate(QByteArray& out, const DateTimeValue& value) {
    int y = 0, m = 0, d = 0;
    value.date().getDate(&y, &m, &d);
    char buf[32];
    char* p = buf;
    if (y < 0) *p++ = '-';
    p = writePadded(p, quint64(y < 0 ? -qint64(y) : y), 4);
    *p++ = '-';
    p = writePadded(p, quint64(m), 2);
    *p++ = '-';
    p = writePadded(p, quint64(d), 2);
    out.append(buf, p - buf);
}

void appendTime(QByteArray& out, const DateTimeValue& value, bool trimFraction) {
    const int s = value.secondsOfDay();
    char buf[32];
    char* p = writePadded(buf, quint64(s / 3600), 2);
    *p++ = ':';
    p = writePadded(p, quint64(s / 60 % 60), 2);
    *p++ = ':';
    p = writePadded(p, quint64(s % 60), 2);
    if (value.nanos != 0) {
        *p++ = '.';
        p = writePadded(p, value.nanos, 9);
        if (trimFraction)
            while (p[-1] == '0')
                --p;
    }
    out.append(buf, p - buf);
}

QString formatDate(const DateTimeValue& value) {
    QByteArray out;
    appendDate(out, value);
    return QString::fromLatin1(out);
}

QString formatTime(const DateTimeValue& value, bool trimFraction) {
    QByteArray out;
    appendTime(out, value, trimFraction);
    return QString::fromLatin1(out);
}

QString formatDateTime(const DateTimeValue& value, QChar separator, bool trimFraction) {
    QByteArray out;
    appendDate(out, value);
    out.append(char(separator.unicode()));
    appendTime(out, value, trimFraction);
    return QString::fromLatin1(out);
}

std::optional<DateTimeValue> parseDateTime(QStringView text, int adoType) {
    const Ascii ascii(text);
    if (!ascii.ok) return std::nullopt;
    std::string_view s = trimmed(ascii.view);
    if (!s.empty() && (s.back() == 'Z' || s.back() == 'z')) s.remove_suffix(1);
    size_t pos = 0;

    // A bare time of day.
    const size_t colon = s.find(':'), dash = s.find('-', 1);
    if (colon != std::string_view::npos && (dash == std::string_view::npos || colon < dash)) {
        if (adoType != ado::adDBTime) return std::nullopt;
        const auto t = readTime(s, pos);
        if (!t || pos != s.size()) return std::nullopt;
        return DateTimeValue::fromTimeParts(t->hour, t->minute, t->second, t->nanos);
    }

    bool negativeYear = false;
    if (pos < s.size() && s[pos] == '-') negativeYear = true, ++pos;
    const qint64 year = readNumber(s, pos, 1, 6);
    if (year < 0 || pos >= s.size() || s[pos] != '-') return std::nullopt;
    ++pos;
    const qint64 month = readNumber(s, pos, 1, 2);
    if (month < 0 || pos >= s.size() || s[pos] != '-') return std::nullopt;
    ++pos;
    const qint64 day = readNumber(s, pos, 1, 2);
    if (day < 0) return std::nullopt;
    TimeParts t;
    if (pos < s.size()) {
        if (s[pos] != 'T' && s[pos] != 't' && s[pos] != ' ') return std::nullopt;
        while (pos < s.size() && s[pos] == ' ')
            ++pos;
        if (pos < s.size() && (s[pos] == 'T' || s[pos] == 't')) ++pos;
        const auto parsed = readTime(s, pos);
        if (!parsed || pos != s.size()) return std::nullopt;
        t = *parsed;
    }
    const int y = int(negativeYear ? -year : year);
    if (adoType == ado::adDBDate) return DateTimeValue::fromParts(y, int(month), int(day));
    if (adoType == ado::adDBTime) {
        if (!QDate::isValid(y, int(month), int(day))) return std::nullopt;
        return DateTimeValue::fromTimeParts(t.hour, t.minute, t.second, t.nanos);
    }
    return DateTimeValue::fromParts(y, int(month), int(day), t.hour, t.minute, t.second, t.nanos);
}

std::optional<QString> canonicalGuid(QStringView text) {
    QStringView t = text.trimmed();
    if (t.startsWith(QLatin1Char('{')) && t.endsWith(QLatin1Char('}'))) t = t.mid(1, t.size() - 2);
    QString hex;
    hex.reserve(32);
    if (t.size() == 36) {
        for (qsizetype i = 0; i < t.size(); ++i) {
            const bool dashPlace = i == 8 || i == 13 || i == 18 || i == 23;
            if (dashPlace != (t[i] == QLatin1Char('-'))) return std::nullopt;
            if (!dashPlace) hex.append(t[i]);
        }
    } else if (t.size() == 32) {
        hex = t.toString();
    } else {
        return std::nullopt;
    }
    for (QChar c : hex)
        if (!isxdigit(c.unicode() > 0x7F ? 0 : c.unicode())) return std::nullopt;
    hex = hex.toUpper();
    return QLatin1Char('{') + hex.mid(0, 8) + QLatin1Char('-') + hex.mid(8, 4) + QLatin1Char('-') +
           hex.mid(12, 4) + QLatin1Char('-') + hex.mid(16, 4) + QLatin1Char('-') + hex.mid(20, 12) +
           QLatin1Char('}');
}

QByteArray toHex(QByteArrayView bytes) {
    return bytes.toByteArray().toHex();
}

std::optional<QByteArray> fromHex(QStringView text) {
    if (text.size() % 2 != 0) return std::nullopt;
    QByteArray out(text.size() / 2, Qt::Uninitialized);
    auto nibble = [](char16_t c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (qsizetype i = 0; i < out.size(); ++i) {
        const int hi = nibble(text[2 * i].unicode()), lo = nibble(text[2 * i + 1].unicode());
        if (hi < 0 || lo < 0) return std::nullopt;
        out[i] = char(hi * 16 + lo);
    }
    return out;
}

} // namespace cell
} // namespace mv
