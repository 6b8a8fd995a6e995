#pragma once
// Number and date texts in the user's formats.
#include <QDateTime>
#include <QString>

namespace mv {

// The user's general date format: short date and the time with seconds.
QString generalDate(const QDateTime& dt);
// "#,##0": whole number with the locale's thousands separator.
QString formatCount(qint64 n);
// "YYYY_MM_dd__hh_mm_ss" for file names.
QString fileStamp(const QDateTime& dt);

} // namespace mv
