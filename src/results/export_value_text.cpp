#include "results/export_value_text.h"

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

} // namespace

bool isPlaceholderType(int adoType) {
    return adoType == ado::adLongVarBinary || adoType == ado::adVarBinary || adoType == ado::adBinary ||
           adoType == 13;
}

ValueText::ValueText(const QLocale& locale)
    : m_locale(locale), m_dateFormat(dateWithFullYear(locale)), m_timeFormat(timeWithSeconds(locale)),
      m_point(locale.decimalPoint()) {}

QString ValueText::localised(QString number) const {
    if (m_point != QLatin1String(".")) number.replace(u'.', m_point);
    return number;
}

QString ValueText::timeText(const DateTimeValue& value) const {
    const int s = value.secondsOfDay();
    const QTime clock(s / 3600, s / 60 % 60, s % 60);
    if (value.nanos == 0) return m_locale.toString(clock, m_timeFormat);
    // Fractions of a second follow the seconds, so a time stamp keeps its precision.
    QString digits = QStringLiteral("%1").arg(value.nanos, 9, 10, QLatin1Char('0'));
    while (digits.endsWith(u'0'))
        digits.chop(1);
    QString form = m_timeFormat;
    form.replace(QLatin1String("ss"), QLatin1String("ss'") + m_point + digits + QLatin1String("'"));
    return m_locale.toString(clock, form);
}

QString ValueText::dateTimeText(const DateTimeValue& value, int adoType) const {
    if (adoType == ado::adDBTime) return timeText(value);
    const QString date = m_locale.toString(value.date(), m_dateFormat);
    if (adoType == ado::adDBDate || (value.secondsOfDay() == 0 && value.nanos == 0)) return date;
    return date + u' ' + timeText(value);
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

} // namespace mv
