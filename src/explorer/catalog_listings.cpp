#include "explorer/catalog_listings.h"

#include "app/error_report.h"
#include "app/globals.h"
#include "app/text_file.h"
#include "app/texts.h"
#include "app/user_port.h"
#include "db/db_connect.h"
#include "db/recordset.h"
#include "explorer/ddl_templates.h"
#include "explorer/explorer_catalog.h"

namespace mv {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

bool blank(const QString& s) {
    return s.trimmed().isEmpty();
}

QString numberText(const QVariant& v) {
    return (!v.isValid() || v.isNull()) ? QString() : v.toString();
}

QVariant cellOf(const Recordset& rs, int row, const char* column) {
    const int col = rs.fieldIndex(QString::fromLatin1(column));
    return col < 0 ? QVariant() : rs.value(row, col);
}

} // namespace

QString tableListingLine(const QString& schema, const QString& name) {
    const QString s = schema.toUpper(), n = name.toUpper();
    return (!blank(s) && !blank(n) ? s + u'.' + n : n) + kCrLf;
}

QString viewListingLine(const QString& schema, const QString& name) {
    const QString s = schema.toUpper(), n = name.toUpper();
    return (!blank(s) ? s + u'.' + n : n) + kCrLf;
}

QString fieldListingLine(const QString& schema, const QString& table, const QString& column,
                         const QString& type, const QString& size, bool nullable) {
    QString line;
    if (!blank(schema) && !blank(table)) {
        // A second TAB keeps the type column aligned for short qualified names.
        line = schema + u'.' + table + u'.' + column + u'\t';
        if (table.size() + schema.size() + 1 <= 18) line += u'\t';
        line += type + u'(' + size + QStringLiteral("), ");
    } else {
        line = table + u'.' + column + u'\t' + type + u'(' + size + u')';
    }
    line += nullable ? QStringLiteral("\tNULL") : QStringLiteral("\tNOT NULL");
    return line + kCrLf;
}

QStringList indexListingLines(const QString& schema, const QString& table, const Recordset& indexes) {
    QStringList lines;
    const QString qualified = !blank(schema) && !blank(table) ? schema + u'.' + table : table;
    const int name = indexes.fieldIndex(QStringLiteral("INDEX_NAME"));
    const int unique = indexes.fieldIndex(QStringLiteral("UNIQUE"));
    const int column = indexes.fieldIndex(QStringLiteral("COLUMN_NAME"));
    if (name < 0) return lines;
    QString previous;
    QString line;
    auto finish = [&] {
        if (line.isEmpty()) return;
        if (line.endsWith(u',')) line.chop(1);
        lines << line;
        line.clear();
    };
    for (int r = 0; r < indexes.recordCount(); ++r) {
        const QString index = indexes.isNull(r, name) ? QString() : indexes.text(r, name);
        if (index.isEmpty()) continue;
        if (index != previous || line.isEmpty()) {
            finish();
            const bool isUnique =
                unique >= 0 && !indexes.isNull(r, unique) && indexes.value(r, unique).toBool();
            line = qualified + u'\t' + index + u'\t' +
                   (isUnique ? QStringLiteral("UNIQUE") : QStringLiteral("NOT UNIQUE")) + u'\t';
            previous = index;
        }
        line += (column < 0 || indexes.isNull(r, column) ? QString() : indexes.text(r, column)) + u',';
    }
    finish();
    return lines;
}

QString parameterSizeText(const QVariant& characterMaximumLength, const QVariant& numericPrecision,
                          const QVariant& numericScale) {
    for (const QVariant* v : {&characterMaximumLength, &numericPrecision, &numericScale})
        if (v->isValid() && !v->isNull()) return v->toString();
    return {};
}

QString parameterListingLine(const QString& schema, const QString& procedure, const QString& ordinal,
                             const QString& parameter, const QString& type, const QString& size) {
    return schema + u'.' + procedure + u'\t' + ordinal + u'\t' + parameter + u'\t' + type + u'(' + size +
           u')' + kCrLf;
}

CatalogListings::CatalogListings(C_DbConnect& cn, const QString& programFolder)
    : m_cn(cn), m_folder(programFolder) {}

QString CatalogListings::listingPath(const QString& fileName) const {
    return NicenPath(m_folder) + fileName;
}

bool CatalogListings::writeAndAnnounce(const QString& fileName, const QString& text, const QString& german,
                                       const QString& english) {
    // Announced only once the file is there: a failed write is reported by DateiSpeichern instead.
    const QString path = listingPath(fileName);
    if (!DateiSpeichern(path, text)) return false;
    MessageRequest box;
    box.text = ui_text(german.arg(path), english.arg(path));
    box.icon = MsgIcon::None;
    userPort().message(box);
    return true;
}

QString CatalogListings::GetAllTables() {
    return guarded(Reporter::ErrorMsg, "GetAllTables", "Globals", QString(), [&] {
        Recordset rs;
        if (!m_cn.GetTablesRs(rs, false)) return QString();
        if (m_showInGrid) m_showInGrid(rs.clone());
        QString text;
        for (int r = 0; r < rs.recordCount(); ++r)
            text += tableListingLine(catalogText(rs, r, "TABLE_SCHEMA"), catalogText(rs, r, "TABLE_NAME"));
        const QString english = QStringLiteral("The file '%1' was created");
        writeAndAnnounce(QStringLiteral("Tables.txt"), text, english, english);
        return text;
    });
}

QString CatalogListings::GetAllViews() {
    return guarded(Reporter::ErrorMsg, "GetAllViews", "Globals", QString(), [&] {
        Recordset rs;
        if (!m_cn.GetViewsRs(rs, false)) return QString();
        if (m_showInGrid) m_showInGrid(rs.clone());
        QString text;
        for (int r = 0; r < rs.recordCount(); ++r)
            text += viewListingLine(catalogText(rs, r, "TABLE_SCHEMA"), catalogText(rs, r, "TABLE_NAME"));
        writeAndAnnounce(QStringLiteral("Views.txt"), text, QStringLiteral("Die Datei '%1' wurde erzeugt."),
                         QStringLiteral("The file '%1'was created."));
        return text;
    });
}

QString CatalogListings::GetAllFields(bool views, const QString& filter) {
    return guarded(Reporter::ErrorMsg, "GetAllFields", "Globals", QString(), [&] {
        Recordset rs;
        if (!(views ? m_cn.GetViewsRs(rs, false) : m_cn.GetTablesRs(rs, false))) return QString();
        QString text;
        for (int r = 0; r < rs.recordCount(); ++r) {
            const QString schema = catalogText(rs, r, "TABLE_SCHEMA");
            const QString table = catalogText(rs, r, "TABLE_NAME");
            if (!filterKeeps(filter, schema, table)) continue;
            Recordset columns;
            if (!m_cn.GetFieldsRs(schema, table, columns)) continue;
            const int nullable = columns.fieldIndex(QStringLiteral("IS_NULLABLE"));
            for (int c = 0; c < columns.recordCount(); ++c) {
                QString type, size;
                TranslateDatatype(columns, c, type, size);
                const bool isNullable =
                    nullable >= 0 && !columns.isNull(c, nullable) && columns.value(c, nullable).toBool();
                text += fieldListingLine(schema, table, catalogText(columns, c, "COLUMN_NAME"), type, size,
                                         isNullable);
            }
        }
        const QString english = QStringLiteral("The file '%1' was created");
        writeAndAnnounce(views ? QStringLiteral("ViewFields.txt") : QStringLiteral("Fields.txt"), text,
                         english, english);
        return text;
    });
}

QString CatalogListings::GetAllIndexes(const QString& filter) {
    return guarded(Reporter::ErrorMsg, "GetAllIndexes", "Globals", QString(), [&] {
        Recordset rs;
        if (!m_cn.GetTablesRs(rs, false)) return QString();
        QStringList lines;
        for (int r = 0; r < rs.recordCount(); ++r) {
            const QString schema = catalogText(rs, r, "TABLE_SCHEMA");
            const QString table = catalogText(rs, r, "TABLE_NAME");
            if (!filterKeeps(filter, schema, table)) continue;
            Recordset indexes;
            if (!m_cn.GetIndexRs(schema, table, indexes)) continue;
            lines << indexListingLines(schema, table, indexes);
        }
        const QString text = lines.join(kCrLf);
        writeAndAnnounce(QStringLiteral("Indexes.txt"), text, QStringLiteral("Die Datei '%1' wurde erzeugt."),
                         QStringLiteral("The file '%1' was created."));
        return text;
    });
}

QString CatalogListings::GetAllStProcParas(const QString& filter) {
    return guarded(Reporter::ErrorMsg, "GetAllStProcParas", "Globals", QString(), [&] {
        Recordset rs;
        if (!m_cn.GetProcsRs(rs, false)) return QString();
        QString text;
        for (int r = 0; r < rs.recordCount(); ++r) {
            const QString catalogName = catalogText(rs, r, "PROCEDURE_NAME");
            const QString catalogSchema = catalogText(rs, r, "PROCEDURE_SCHEMA");
            const QString name = catalogName.toUpper();
            const QString schema = catalogSchema.toUpper();
            if (!filterKeeps(filter, schema, name)) continue;
            // The parameters are asked for by the catalog's own spelling: a catalog that tells
            // letter case apart knows no upper-cased name.
            Recordset parameters;
            if (!m_cn.GetProcParasRs(catalogSchema, catalogName, parameters)) continue;
            for (int p = 0; p < parameters.recordCount(); ++p)
                text += parameterListingLine(
                    schema, name, numberText(cellOf(parameters, p, "ORDINAL_POSITION")),
                    catalogText(parameters, p, "PARAMETER_NAME"), catalogText(parameters, p, "TYPE_NAME"),
                    parameterSizeText(cellOf(parameters, p, "CHARACTER_MAXIMUM_LENGTH"),
                                      cellOf(parameters, p, "NUMERIC_PRECISION"),
                                      cellOf(parameters, p, "NUMERIC_SCALE")));
        }
        const QString english = QStringLiteral("The file '%1' was created");
        if (!writeAndAnnounce(QStringLiteral("StoredProcParas.txt"), text, english, english))
            return QString();
        return text;
    });
}

void CatalogListings::runCommand(const char* procedure, const QString& noConnectionGerman,
                                 const QString& noConnectionEnglish, const std::function<void()>& body) {
    guardedVoid(Reporter::Msg, procedure, "", [&] {
        if (!m_cn.hasConnection()) {
            if (!noConnectionEnglish.isEmpty()) DispMsg(ui_text(noConnectionGerman, noConnectionEnglish));
            return;
        }
        WaitCursor wait;
        body();
    });
}

void CatalogListings::cmdmAllTables() {
    runCommand("cmdmAllTables", QStringLiteral("Keine Tabellen vorhanden!"),
               QStringLiteral("No Tables available!"), [&] { GetAllTables(); });
}

void CatalogListings::mAllViews_Click() {
    runCommand("mAllViews_Click", {}, {}, [&] { GetAllViews(); });
}

void CatalogListings::cmdmAllFields(const QString& filter) {
    runCommand("cmdmAllFields", QStringLiteral("Keine Felder vorhanden!"),
               QStringLiteral("No Fields available!"), [&] { GetAllFields(false, filter.toUpper()); });
}

void CatalogListings::mAllViewFields_Click(const QString& filter) {
    runCommand("mAllViewFields_Click", {}, {}, [&] { GetAllFields(true, filter.toUpper()); });
}

void CatalogListings::cmdmAllIndexes(const QString& filter) {
    runCommand("cmdmAllIndexes", {}, {}, [&] { GetAllIndexes(filter.toUpper()); });
}

void CatalogListings::cmdmAllStProcParas(const QString& filter) {
    runCommand("cmdmAllStProcParas", {}, {}, [&] { GetAllStProcParas(filter.toUpper()); });
}

} // namespace mv
