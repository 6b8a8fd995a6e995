#pragma once
// Value texts of recordset cells: the exact forms used for display and in the XML persistence,
// and their strict parsers. Nothing here touches a recordset; the functions are shared by the
// recordset, its persistence and the importers.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <compare>
#include <optional>
#include <string_view>

namespace mv {

// A date, a time of day or a date-time without time zone, to the nanosecond. A bare time has
// day 0; a bare date has time 0. Counting seconds from the Julian day keeps every year that
// databases hold and compares by plain integer order.
struct DateTimeValue {
    qint64 seconds = 0; // Julian day * 86400 + seconds of the day
    quint32 nanos = 0;  // 0 .. 999'999'999

    static std::optional<DateTimeValue> fromParts(int year, int month, int day, int hour = 0, int minute = 0,
                                                  int second = 0, quint32 nanos = 0);
    static std::optional<DateTimeValue> fromTimeParts(int hour, int minute, int second, quint32 nanos = 0);
    // Date and clock time as the value shows them; a time zone is ignored, never converted.
    static DateTimeValue fromDateTime(const QDateTime& value);
    static DateTimeValue fromDate(QDate value);
    static DateTimeValue fromTime(QTime value);

    qint64 julianDay() const;
    int secondsOfDay() const;
    QDate date() const;
    QTime time() const; // milliseconds precision
    // UTC carries the wall-clock time unchanged: no local-time gap or shift can alter it.
    QDateTime toDateTime() const;

    auto operator<=>(const DateTimeValue&) const = default;
};

namespace cell {

// Shortest text that reads back to the same value, exponent as "E+308"; "NaN", "INF", "-INF".
QString formatDouble(double value);
QString formatSingle(float value);
void appendDouble(QByteArray& out, double value);
void appendSingle(QByteArray& out, float value);
std::optional<double> parseDouble(QStringView text);
std::optional<float> parseSingle(QStringView text);

// Whole numbers in the range of the ADO type (booleans: 0 / 1; adUnsignedBigInt as bit pattern).
std::optional<qint64> parseInteger(QStringView text, int adoType);
bool integerInRange(qint64 value, int adoType);
QString formatInteger(qint64 value, int adoType);
void appendInteger(QByteArray& out, qint64 value, int adoType);
std::optional<bool> parseBoolean(QStringView text);

// Exact decimals: optional sign, digits, optional fraction, optional exponent. The canonical form
// has no '+', no leading zeros before the point (".5" becomes "0.5"), no trailing fraction zeros
// and no "-0". Empty when the text is no decimal number.
std::optional<QByteArray> canonicalDecimal(std::string_view text);
// The canonical text with at least `scale` fraction digits (never rounded).
QByteArray padDecimal(const QByteArray& canonical, int scale);
// Order of two stored decimal texts; texts that are no number sort after all numbers.
int compareDecimal(std::string_view a, std::string_view b);
QString decimalFromDouble(double value);

// Date-times: "yyyy-MM-ddThh:mm:ss" (separator 'T' or ' '), fractions ".123000000" (nine digits,
// written only when not zero; `trimFraction` drops trailing zeros for display).
QString formatDate(const DateTimeValue& value);
void appendDate(QByteArray& out, const DateTimeValue& value);
void appendTime(QByteArray& out, const DateTimeValue& value, bool trimFraction);
QString formatTime(const DateTimeValue& value, bool trimFraction);
QString formatDateTime(const DateTimeValue& value, QChar separator, bool trimFraction);
// Accepts a date, a time, or a date-time with 'T' or blank, 1 to 9 fraction digits and a
// trailing 'Z'. For adDBDate only the date counts, for adDBTime only the time of day.
std::optional<DateTimeValue> parseDateTime(QStringView text, int adoType);

// "{01234567-89AB-CDEF-0123-456789ABCDEF}" from any of the usual GUID spellings.
std::optional<QString> canonicalGuid(QStringView text);

// Lower-case hex, two digits a byte; the parser rejects odd lengths and non-hex characters.
QByteArray toHex(QByteArrayView bytes);
std::optional<QByteArray> fromHex(QStringView text);

} // namespace cell
} // namespace mv
