#pragma once
// Display formats of grid columns and totals, in the usual format-string language:
//
// - named formats: "General Number", "Currency", "Fixed", "Standard", "Percent", "Scientific",
//   "Yes/No", "True/False", "On/Off", "General Date", "Long Date", "Medium Date", "Short Date",
//   "Long Time", "Medium Time", "Short Time" (letter case ignored);
// - numbers: up to three sections "positive;negative;zero" of the placeholders 0 (digit) and
//   # (optional digit), '.' (decimal point), ',' between digit placeholders (thousands
//   separator), '%' (times 100), E+ / E- with digits (exponent); other characters, "quoted" texts
//   and \-escaped characters stand as they are before or after the number;
// - dates and times: d dd ddd dddd, m mm mmm mmmm (minutes after h or before s), yy yyyy,
//   h hh, n nn, s ss, AM/PM am/pm A/P a/p; other characters stand as they are;
// - texts: ">" upper case, "<" lower case.
// Separators and month names are those of the user's locale. An empty format gives the plain
// text; a format that does not suit the value (a date format on a text) gives the plain text too.
#include <QString>
#include <QVariant>

namespace mv {

// `value` as the recordset gives it (cellVariant), `adoType` the field's type; Null gives "".
QString formatGridValue(const QVariant& value, int adoType, const QString& format);
// A number with a format (totals); without one, up to 15 significant digits.
QString formatGridNumber(double value, const QString& format);

} // namespace mv
