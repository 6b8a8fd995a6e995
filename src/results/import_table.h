#pragma once
// Collects an imported table of texts and turns it into a recordset whose fields are all
// variable-length character fields (type 200) of 255 characters, or as long as the longest value
// of the column, so no value is ever cut or refused.
#include "db/recordset.h"
#include "db/recordset_column.h"

#include <QStringList>
#include <vector>

namespace mv {

class TextTableBuilder {
  public:
    explicit TextTableBuilder(const QStringList& names);

    int columnCount() const { return int(m_names.size()); }
    qsizetype rowCount() const { return m_rows; }
    // One value per column (the caller has checked the count; another count throws 3219).
    void addRow(const QStringList& values);
    // The open recordset, cursor on its first row. The builder is empty afterwards.
    Recordset finish();

    static constexpr qint64 DefaultSize = 255;

  private:
    QStringList m_names;
    std::vector<ColumnStore> m_columns;
    std::vector<qint64> m_longest;
    qsizetype m_rows = 0;
};

} // namespace mv
