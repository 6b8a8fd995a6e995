#include "results/import_table.h"

#include "app/mv_error.h"
#include "db/recordset_builder.h"

#include <algorithm>

namespace mv {

TextTableBuilder::TextTableBuilder(const QStringList& names)
    : m_names(names), m_columns(size_t(names.size()), ColumnStore(StorageKind::Text)),
      m_longest(size_t(names.size()), DefaultSize) {}

void TextTableBuilder::addRow(const QStringList& values) {
    if (values.size() != m_names.size())
        throw MvError(
            rserr::IllegalOperation,
            QStringLiteral("row of %1 values for %2 columns").arg(values.size()).arg(m_names.size()));
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const QString& v = values[qsizetype(i)];
        m_columns[i].appendBytes(v.toUtf8());
        m_longest[i] = std::max<qint64>(m_longest[i], v.size());
    }
    ++m_rows;
}

Recordset TextTableBuilder::finish() {
    RecordsetBuilder builder;
    for (qsizetype i = 0; i < m_names.size(); ++i)
        builder.addField(FieldInfo{m_names[i], ado::adVarChar, m_longest[size_t(i)], 0, 0, true});
    for (size_t i = 0; i < m_columns.size(); ++i)
        builder.setColumn(int(i), std::move(m_columns[i]));
    *this = TextTableBuilder(QStringList());
    return builder.finish();
}

} // namespace mv
