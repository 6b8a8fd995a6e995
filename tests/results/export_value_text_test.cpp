#include "db/recordset_builder.h"
#include "results/export_value_text.h"

#include <gtest/gtest.h>

using namespace mv;

namespace {

// What the locale's own formatter makes of a value: the date in the short form with the full
// year, the time with seconds, the fraction of a second (trailing zeros dropped) after the seconds
// with the locale's decimal point.
QString formatterTime(const QLocale& locale, const ValueText& text, const DateTimeValue& value) {
    const int s = value.secondsOfDay();
    const QTime clock(s / 3600, s / 60 % 60, s % 60);
    if (value.nanos == 0) return locale.toString(clock, text.timeFormat());
    QString digits = QStringLiteral("%1").arg(value.nanos, 9, 10, QLatin1Char('0'));
    while (digits.endsWith(u'0'))
        digits.chop(1);
    QString form = text.timeFormat();
    form.replace(QLatin1String("ss"),
                 QLatin1String("ss'") + locale.decimalPoint() + digits + QLatin1String("'"));
    return locale.toString(clock, form);
}

QString formatterText(const QLocale& locale, const ValueText& text, const DateTimeValue& value, int type) {
    if (type == ado::adDBTime) return formatterTime(locale, text, value);
    const QString date = locale.toString(value.date(), text.dateFormat());
    if (type == ado::adDBDate || (value.secondsOfDay() == 0 && value.nanos == 0)) return date;
    return date + u' ' + formatterTime(locale, text, value);
}

struct Moment {
    int year, month, day, hour, minute, second;
    quint32 nanos;
};

const Moment Moments[] = {
    {2024, 1, 31, 0, 0, 0, 0},               // midnight
    {2024, 1, 31, 12, 0, 0, 0},              // noon
    {2023, 6, 15, 23, 59, 59, 0},            // last second of the day
    {2023, 6, 15, 0, 0, 0, 100'000'000},     // .1 just after midnight
    {2023, 6, 15, 13, 7, 5, 123'456'789},    // all nine digits
    {2023, 6, 15, 1, 2, 3, 1},               // one nanosecond
    {2023, 6, 15, 9, 8, 7, 120'000'000},     // trailing zeros dropped
    {987, 3, 4, 5, 6, 7, 0},                 // before 1000
    {1, 1, 1, 0, 0, 1, 0},                   // year 1
    {2024, 2, 29, 10, 11, 12, 0},            // leap day
    {1999, 12, 31, 23, 59, 59, 999'999'999}, // end of the year
    {9999, 12, 31, 0, 0, 0, 0},              // last day four digits hold
    {12345, 6, 7, 8, 9, 10, 0},              // five-digit year
    {2000, 10, 10, 10, 10, 10, 0},           // two-digit fields throughout
    {-44, 3, 15, 11, 0, 0, 0},               // before year 1: the locale writes it
};

const char* const Locales[] = {"C",     "en_US", "en_GB", "de_DE", "de_CH", "fr_FR", "fr_CA", "es_ES",
                               "it_IT", "nl_NL", "sv_SE", "pl_PL", "ru_RU", "ja_JP", "zh_CN", "zh_TW",
                               "ko_KR", "ar_EG", "ar_SA", "hi_IN", "mr_IN", "bn_BD", "my_MM", "fa_IR",
                               "pt_BR", "tr_TR", "fi_FI", "hu_HU", "bg_BG", "th_TH", "he_IL", "sq_AL"};

Recordset moments() {
    RecordsetBuilder b(
        {FieldInfo{"D", ado::adDBDate}, FieldInfo{"T", ado::adDBTime}, FieldInfo{"S", ado::adDBTimeStamp}});
    for (const Moment& m : Moments) {
        const auto value =
            DateTimeValue::fromParts(m.year, m.month, m.day, m.hour, m.minute, m.second, m.nanos);
        EXPECT_TRUE(value) << m.year << "-" << m.month << "-" << m.day;
        for (int col = 0; col < 3; ++col)
            b.appendDateTime(col, *value);
    }
    return b.finish();
}

TEST(ExportValueTextDates, ReadExactlyAsTheLocaleWritesThemInEveryLocale) {
    const Recordset rs = moments();
    QList<QLocale> locales{QLocale::system()};
    for (const char* name : Locales)
        locales.append(QLocale(QString::fromLatin1(name)));
    for (const QLocale& locale : locales) {
        const ValueText text(locale);
        for (int row = 0; row < rs.recordCount(); ++row) {
            for (int col = 0; col < 3; ++col) {
                const DateTimeValue value = rs.column(col).dateTimeAt(rs.physicalRow(row));
                const QString expected = formatterText(locale, text, value, rs.field(col).type);
                EXPECT_EQ(text.text(rs, row, col), expected)
                    << locale.name().toStdString() << " row " << row << " column " << col << " date format "
                    << text.dateFormat().toStdString() << " time format " << text.timeFormat().toStdString();
                // The exports' bytes, written straight where the format allows it.
                QByteArray bytes("x");
                text.appendUtf8(bytes, rs, row, col);
                EXPECT_EQ(bytes, "x" + expected.toUtf8()) << locale.name().toStdString() << " row " << row << " column " << col;
            }
        }
    }
}

TEST(ExportValueTextDates, EveryMonthAndHourMatches) {
    RecordsetBuilder b({FieldInfo{"S", ado::adDBTimeStamp}});
    for (int month = 1; month <= 12; ++month)
        for (int hour = 0; hour < 24; ++hour)
            b.appendDateTime(0,
                             *DateTimeValue::fromParts(2021, month, month + hour, hour, hour * 2, 59 - hour));
    const Recordset rs = b.finish();
    for (const char* name : {"de_DE", "ar_EG", "fa_IR", "ja_JP", "en_US", "ko_KR", "C"}) {
        const QLocale locale(QString::fromLatin1(name));
        const ValueText text(locale);
        for (int row = 0; row < rs.recordCount(); ++row)
            EXPECT_EQ(
                text.text(rs, row, 0),
                formatterText(locale, text, rs.column(0).dateTimeAt(rs.physicalRow(row)), ado::adDBTimeStamp))
                << name << " row " << row;
    }
}

// The comparison above only means something when both ways are taken: numeric formats (also with
// Arabic-Indic or Persian digits) and month names are written here, AM/PM goes to the locale.
TEST(ExportValueTextDates, NumericFormatsAreWrittenWithoutTheFormatter) {
    struct Case {
        const char* locale;
        bool dates;
        bool times;
    };
    const Case cases[] = {
        {"de_DE", true, true},  {"en_GB", true, true}, {"ja_JP", true, true},  {"fi_FI", true, true},
        {"ar_EG", true, false}, {"fa_IR", true, true}, {"fr_CA", true, true},  {"bg_BG", true, true},
        {"en_US", true, false}, {"ko_KR", true, true}, {"zh_TW", true, false}, {"C", true, true},
    };
    for (const Case& c : cases) {
        const ValueText text{QLocale(QString::fromLatin1(c.locale))};
        EXPECT_EQ(text.writesDatesItself(), c.dates) << c.locale << " " << text.dateFormat().toStdString();
        EXPECT_EQ(text.writesTimesItself(), c.times) << c.locale << " " << text.timeFormat().toStdString();
    }
}

} // namespace
