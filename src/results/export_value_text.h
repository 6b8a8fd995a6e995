#pragma once
// The text an export writes for one cell: numbers with the locale's decimal separator and without
// digit grouping, dates in the locale's short date form (always with a four-digit year, so no
// century is lost) followed by the time with seconds when it is not midnight, booleans as
// True / False, texts as they are; Null is the empty text. Binary and object fields are never
// written as data: the exports put a placeholder in their place.
#include "db/recordset.h"

#include <QList>
#include <QLocale>
#include <QStringList>

namespace mv {

// Long binary, variable binary, binary and object interface.
bool isPlaceholderType(int adoType);

class ValueText {
  public:
    explicit ValueText(const QLocale& locale = QLocale());

    // Row in the recordset's current order.
    QString text(const Recordset& rs, int row, int col) const;
    // The same text appended as UTF-8, straight from the column for texts and numbers (no string
    // per cell); the exports write their lines with it.
    void appendUtf8(QByteArray& out, const Recordset& rs, int row, int col) const;
    // The same for a writer that holds the column, its field and the physical row already.
    void appendUtf8(QByteArray& out, const ColumnStore& column, const FieldInfo& field, qsizetype physical,
                    const Recordset& rs, int row, int col) const;

    const QString& dateFormat() const { return m_dateFormat; }
    const QString& timeFormat() const { return m_timeFormat; }
    // Whether dates and times are written here rather than by the locale's formatter; the text
    // is the same either way.
    bool writesDatesItself() const { return m_date.usable; }
    bool writesTimesItself() const { return m_time.usable; }

  private:
    // A date or time format taken apart once. When it holds only numbers and literals the digits
    // are written here, exactly as the locale's formatter would write them, instead of asking the
    // locale for every cell (the system locale answers under a lock); otherwise `usable` is false
    // and the locale formats.
    struct NumericFormat {
        enum class Field : quint8 { Literal, Day, Month, Year, ShortYear, Hour, Minute, Second, MonthName };
        struct Part {
            Field field = Field::Literal;
            int width = 1; // digits at least
            QString literal;
            QByteArray literalUtf8;
        };
        QList<Part> parts;
        bool usable = false;
        // The part a fraction of a second follows; -1 when fractions go through the locale.
        qsizetype fractionAfter = -1;
    };

    static NumericFormat parsed(QStringView format, bool date, QStringView point);
    void appendNumber(QString& out, int value, int width) const;
    // `values`: day, month, year for a date; hours, minutes, seconds for a time.
    void appendFormatted(QString& out, const NumericFormat& format, const int (&values)[3],
                         QStringView fraction) const;
    void appendDate(QString& out, const DateTimeValue& value) const;
    void appendTime(QString& out, const DateTimeValue& value) const;
    void appendDateTimeText(QString& out, const DateTimeValue& value, int adoType) const;
    // The same text as bytes straight into `out` when it comes from the numeric formats with
    // ASCII digits and no fraction of a second; false, with nothing written, otherwise.
    bool appendDateTimeUtf8(QByteArray& out, const DateTimeValue& value, int adoType) const;
    void appendFormattedUtf8(QByteArray& out, const NumericFormat& format, const int (&values)[3]) const;
    QString dateTimeText(const DateTimeValue& value, int adoType) const;
    QString localised(QString number) const;

    QLocale m_locale;
    QString m_dateFormat;
    QString m_timeFormat;
    QString m_point;
    QByteArray m_pointUtf8;
    QChar m_zero;
    NumericFormat m_date;
    NumericFormat m_time;
    // The locale's short month names, as the formatter writes them in a date.
    QStringList m_monthNames;
    QList<QByteArray> m_monthNamesUtf8;
    bool m_asciiDigits = false;
};

} // namespace mv
