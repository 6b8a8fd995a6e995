#include "explorer/explorer_catalog.h"

#include "app/error_report.h"
#include "app/texts.h"
#include "db/db_connect.h"
#include "db/recordset.h"
#include "explorer/ddl_templates.h"

namespace mv {

namespace {

bool truthOf(const Recordset& rs, int row, int col) {
    if (col < 0 || rs.isNull(row, col)) return false;
    return rs.value(row, col).toBool();
}

// Adds a section: its heading whether or not the catalog call succeeded, then its kept rows.
void addSection(ChooserContents& out, const QString& heading, int headingIcon, int entryIcon, bool ok,
                const Recordset& rs, const char* nameColumn, const char* schemaColumn, const QString& filter,
                bool counted) {
    out.entries << ChooserEntry{heading, headingIcon, 1};
    if (!ok) return;
    for (int r = 0; r < rs.recordCount(); ++r) {
        const QString name = catalogText(rs, r, nameColumn);
        const QString schema = catalogText(rs, r, schemaColumn);
        if (filterKeeps(filter, schema, name))
            out.entries << ChooserEntry{objectNameText(schema, name), entryIcon, 2};
        if (counted) ++out.count;
    }
}

} // namespace

QString objectNameText(const QString& schema, const QString& name) {
    return schema.isEmpty() ? name : schema + u'.' + name;
}

QString catalogText(const Recordset& rs, int row, const char* column) {
    const int col = rs.fieldIndex(QString::fromLatin1(column));
    if (col < 0 || rs.isNull(row, col)) return {};
    return rs.text(row, col);
}

bool filterKeeps(const QString& filter, const QString& schema, const QString& name) {
    if (filter.isEmpty()) return true;
    return (schema + u'.' + name).contains(filter, Qt::CaseInsensitive);
}

QString orderKey(int n) {
    return QChar(char16_t(65 + n / 10)) + QString::number(n % 10);
}

QString tablesHeading() {
    return ui_text("* Tabellen", "* Tables");
}
QString viewsHeading() {
    return QStringLiteral("* Views");
}
QString linksHeading() {
    return QStringLiteral("* Links");
}
QString proceduresHeading() {
    return QStringLiteral("* Stored Procedures");
}

bool isSectionHeading(const QString& text) {
    return text == tablesHeading() || text == viewsHeading() || text == linksHeading() ||
           text == proceduresHeading();
}

OwnerAndTable splitObjectName(const QString& text) {
    const QStringList pieces = text.split(u'.');
    if (pieces.size() < 2) return {QString(), text};
    return {pieces[0], pieces[1]};
}

ChooserContents readCatalogObjects(C_DbConnect& cn, const QString& filter, bool systemObjects) {
    ChooserContents out;
    {
        Recordset rs;
        const bool ok = cn.GetTablesRs(rs, systemObjects);
        addSection(out, tablesHeading(), icon::TablesHeading, icon::Table, ok, rs, "TABLE_NAME",
                   "TABLE_SCHEMA", filter, true);
    }
    {
        Recordset rs;
        const bool ok = cn.GetViewsRs(rs, systemObjects);
        addSection(out, viewsHeading(), icon::ViewsHeading, icon::View, ok, rs, "TABLE_NAME", "TABLE_SCHEMA",
                   filter, true);
    }
    {
        Recordset rs;
        const bool ok = cn.GetLinkedTablesRs(rs);
        addSection(out, linksHeading(), icon::TablesHeading, icon::View, ok, rs, "TABLE_NAME", "TABLE_SCHEMA",
                   filter, true);
    }
    {
        // A provider without procedures answers true and leaves the recordset as it was: a fresh
        // one per call keeps rows of another section out.
        Recordset rs;
        const bool ok = cn.GetProcsRs(rs, systemObjects);
        addSection(out, proceduresHeading(), icon::Procedure, icon::Procedure, ok, rs, "PROCEDURE_NAME",
                   "PROCEDURE_SCHEMA", filter, false);
    }
    return out;
}

QStringList GetTableKeyFields(C_DbConnect& cn, const QString& owner, const QString& table) {
    return guarded(Reporter::ErrorMsg, "GetTableKeyFields", "Globals", QStringList(), [&] {
        QStringList keys;
        Recordset rs;
        if (!cn.GetKeysRs(owner, table, rs)) return keys;
        const int col = rs.fieldIndex(QStringLiteral("COLUMN_NAME"));
        for (int r = 0; r < rs.recordCount(); ++r)
            keys << (col < 0 || rs.isNull(r, col) ? QString() : rs.text(r, col));
        return keys;
    });
}

QString IndexEntry::kind() const {
    return unique ? QStringLiteral("UNIQUE INDEX") : QStringLiteral("INDEX");
}

QString IndexEntry::text() const {
    return column + u'|' + index + u'|' + kind();
}

QList<IndexEntry> indexEntriesOf(const Recordset& indexes) {
    QList<IndexEntry> entries;
    const int name = indexes.fieldIndex(QStringLiteral("INDEX_NAME"));
    const int column = indexes.fieldIndex(QStringLiteral("COLUMN_NAME"));
    const int unique = indexes.fieldIndex(QStringLiteral("UNIQUE"));
    if (name < 0) return entries;
    int r = 0;
    for (int row = 0; row < indexes.recordCount(); ++row) {
        if (indexes.isNull(row, name)) continue;
        ++r;
        IndexEntry e;
        e.column = column < 0 ? QString() : indexes.text(row, column).toUpper();
        e.index = QString::number(r) + QStringLiteral(": ") + indexes.text(row, name);
        e.unique = truthOf(indexes, row, unique);
        entries << e;
    }
    return entries;
}

QList<IndexEntry> GetTableIndexFields(C_DbConnect& cn, const QString& owner, const QString& table) {
    return guarded(Reporter::Msg, "GetTableIndexFields", "Globals", QList<IndexEntry>(), [&] {
        Recordset rs;
        if (!cn.GetIndexRs(owner, table, rs)) return QList<IndexEntry>();
        return indexEntriesOf(rs);
    });
}

void markKeysAndIndexes(FieldRow& row, const QStringList& keys, const QList<IndexEntry>& indexes) {
    const QString upper = row.name.toUpper();
    for (const QString& key : keys) {
        if (key.compare(row.name, Qt::CaseInsensitive) != 0) continue;
        row.bold = true;
        row.icon = icon::KeyField;
    }
    for (const IndexEntry& e : indexes) {
        if (e.column != upper) continue;
        row.indexes = row.indexes.isEmpty() ? e.index : row.indexes + QStringLiteral(", ") + e.index;
        row.blue = true;
        if (row.icon == icon::KeyField)
            row.icon = e.unique ? icon::KeyUniqueIndexField : icon::KeyIndexField;
        else if (row.icon < icon::KeyField)
            row.icon = e.unique ? icon::UniqueIndexField : icon::IndexField;
    }
}

QList<FieldRow> fieldRowsOf(const Recordset& columns, const QStringList& keys,
                            const QList<IndexEntry>& indexes) {
    QList<FieldRow> rows;
    const int nullable = columns.fieldIndex(QStringLiteral("IS_NULLABLE"));
    for (int r = 0; r < columns.recordCount(); ++r) {
        FieldRow row;
        row.name = catalogText(columns, r, "COLUMN_NAME");
        TranslateDatatype(columns, r, row.type, row.size);
        row.nullable = truthOf(columns, r, nullable) ? QStringLiteral("Yes") : QStringLiteral("No");
        markKeysAndIndexes(row, keys, indexes);
        row.order = orderKey(r + 1);
        rows << row;
    }
    return rows;
}

QString identifierQuoteOf(const C_DbConnect& cn) {
    return cn.Connection() ? cn.info().identifierQuote : QString();
}

} // namespace mv
