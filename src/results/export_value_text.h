#pragma once
// The text an export writes for one cell: numbers with the locale's decimal separator and without
// digit grouping, dates in the locale's short date form (always with a four-digit year, so no
// century is lost) followed by the time with seconds when it is not midnight, booleans as
// True / False, texts as they are; Null is the empty text. Binary and object fields are never
// written as data: the exports put a placeholder in their place.
#include "db/recordset.h"

#include <QLocale>

namespace mv {

// Long binary, variable binary, binary and object interface.
bool isPlaceholderType(int adoType);

class ValueText {
  public:
    explicit ValueText(const QLocale& locale = QLocale());

    // Row in the recordset's current order.
    QString text(const Recordset& rs, int row, int col) const;

    const QString& dateFormat() const { return m_dateFormat; }
    const QString& timeFormat() const { return m_timeFormat; }

  private:
    QString dateTimeText(const DateTimeValue& value, int adoType) const;
    QString timeText(const DateTimeValue& value) const;
    QString localised(QString number) const;

    QLocale m_locale;
    QString m_dateFormat;
    QString m_timeFormat;
    QString m_point;
};

} // namespace mv
