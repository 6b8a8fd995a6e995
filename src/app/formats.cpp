#include "app/formats.h"

#include <QLocale>

namespace mv {

QString generalDate(const QDateTime& dt) {
    const QLocale locale;
    return locale.toString(dt.date(), QLocale::ShortFormat) + u' ' + dt.time().toString(QStringLiteral("HH:mm:ss"));
}

QString formatCount(qint64 n) {
    QLocale locale;
    locale.setNumberOptions(QLocale::DefaultNumberOptions);
    return locale.toString(n);
}

QString fileStamp(const QDateTime& dt) { return dt.toString(QStringLiteral("yyyy_MM_dd__hh_mm_ss")); }

} // namespace mv
