#include "db/pg/pg_catalog.h"

#include "app/texts.h"
#include "db/odbc/odbc_catalog_support.h"
#include "db/pg/pg_catalog_support.h"

#include <algorithm>
#include <map>
#include <set>

namespace mv::pg {

using namespace odbc::catalog;

namespace {

const QStringList SystemSchemas{QStringLiteral("pg_catalog"), QStringLiteral("information_schema"),
                                QStringLiteral("pg_toast")};

} // namespace

bool nonEmpty(const std::optional<QString>& v) {
    return v && !v->isEmpty();
}

namespace {

// The driver lists the system schemas' tables and views (as SYSTEM TABLE) only when asked for that
// type; every other schema gives tables, views, materialized views, foreign and partitioned tables.
// Names match as LIKE patterns, case-sensitively, before the exact comparison below.
const char* const TablesSql =
    "SELECT n.nspname, c.relname, CASE WHEN n.nspname IN ('pg_catalog', 'information_schema') "
    "THEN 'SYSTEM TABLE' WHEN c.relkind = 'v' THEN 'VIEW' WHEN c.relkind = 'm' THEN 'MATVIEW' "
    "WHEN c.relkind = 'f' THEN 'FOREIGN TABLE' ELSE 'TABLE' END "
    "FROM pg_catalog.pg_class c JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
    "WHERE ((n.nspname IN ('pg_catalog', 'information_schema') AND c.relkind IN ('r', 'v')) "
    "OR (n.nspname NOT IN ('pg_catalog', 'information_schema', 'pg_toast') AND n.nspname !~ '^pg_(toast_)?temp_' "
    "AND c.relkind IN ('r', 'v', 'm', 'f', 'p'))) "
    "AND n.nspname LIKE $1 AND c.relname LIKE $2 "
    "ORDER BY n.nspname IN ('pg_catalog', 'information_schema'), n.nspname, c.relname";

} // namespace

std::optional<qint64> number(const std::optional<QString>& text) {
    bool ok = false;
    const qint64 n = text ? text->toLongLong(&ok) : 0;
    return ok ? std::optional<qint64>(n) : std::nullopt;
}

QString patternOf(const std::optional<QString>& wanted) {
    if (!nonEmpty(wanted)) return QStringLiteral("%");
    // A backslash escapes only a wildcard or a backslash, as the driver reads patterns; before any
    // other character it is the character itself.
    QString out;
    const QString& w = *wanted;
    for (qsizetype i = 0; i < w.size(); ++i) {
        if (w[i] != u'\\') {
            out += w[i];
        } else if (i + 1 < w.size() && (w[i + 1] == u'%' || w[i + 1] == u'_' || w[i + 1] == u'\\')) {
            out += w[i];
            out += w[++i];
        } else {
            out += QLatin1String("\\\\");
        }
    }
    return out;
}

namespace {

QString reportedType(const QString& driverType) {
    return driverType == QLatin1String("MATVIEW") ? QStringLiteral("VIEW") : driverType;
}

bool typeWanted(const QString& reported, const QString& driverType, const std::optional<QString>& wanted) {
    if (!nonEmpty(wanted)) return true;
    const QString w = wanted->trimmed();
    return reported.compare(w, Qt::CaseInsensitive) == 0 || driverType.compare(w, Qt::CaseInsensitive) == 0;
}

} // namespace

std::vector<Relation> relations(const CatalogQuery& query, const std::optional<QString>& schemaR,
                                const std::optional<QString>& nameR, bool withSystem) {
    const QStringList args{patternOf(schemaR), patternOf(nameR)};
    std::vector<CatalogRow> rows = query(QString::fromLatin1(TablesSql), args);
    // The driver asks again in lower case for names written all in capitals that found nothing,
    // for the user's and the system's tables apart.
    QStringList lowered;
    for (const QString& a : args)
        lowered << (a == a.toUpper() ? a.toLower() : a);
    const auto isSystem = [](const CatalogRow& row) { return at(row, 3) == QStringLiteral("SYSTEM TABLE"); };
    const bool userFound = std::any_of(rows.begin(), rows.end(), [&](const CatalogRow& row) { return !isSystem(row); });
    const bool systemFound = std::any_of(rows.begin(), rows.end(), isSystem);
    if (lowered != args && (!userFound || !systemFound)) {
        std::vector<CatalogRow> merged;
        std::vector<CatalogRow> again = query(QString::fromLatin1(TablesSql), lowered);
        for (const bool system : {false, true})
            for (const CatalogRow& row : (system ? systemFound : userFound) ? rows : again)
                if (isSystem(row) == system) merged.push_back(row);
        rows = std::move(merged);
    }
    std::vector<Relation> found;
    for (const CatalogRow& row : rows) {
        Relation r{at(row, 1).value_or(QString()), at(row, 2).value_or(QString()), at(row, 3).value_or(QString())};
        if (isSystem(row) && !withSystem) continue;
        if (!matches(r.schema, schemaR) || !matches(r.name, nameR)) continue;
        found.push_back(std::move(r));
    }
    return found;
}

namespace {

Recordset tablesRowset(const CatalogQuery& query, const QString& database, const SchemaRestrictions& r) {
    const auto catalogR = restriction(r, 0), typeR = restriction(r, 3);
    const bool withSystem = !nonEmpty(typeR) || typeR->trimmed().toUpper().startsWith(QLatin1String("SYSTEM "));
    RowsetWriter out = tablesWriter();
    if (!matches(database, catalogR)) return out.finish();
    for (const Relation& rel : relations(query, restriction(r, 1), restriction(r, 2), withSystem)) {
        const QString type = reportedType(rel.driverType);
        if (!typeWanted(type, rel.driverType, typeR)) continue;
        // The driver has no remarks for tables: an empty text.
        out.add({database, rel.schema, rel.name, type, v(Cell(QString(QLatin1String(""))))});
    }
    return out.finish();
}

// The key's columns in the key's order.
const char* const PrimaryKeySql =
    "SELECT a.attname, k.ord, con.conname FROM pg_catalog.pg_constraint con "
    "JOIN pg_catalog.pg_class c ON c.oid = con.conrelid "
    "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
    "CROSS JOIN LATERAL unnest(con.conkey) WITH ORDINALITY AS k(attnum, ord) "
    "JOIN pg_catalog.pg_attribute a ON a.attrelid = c.oid AND a.attnum = k.attnum "
    "WHERE con.contype = 'p' AND n.nspname = $1 AND c.relname = $2 ORDER BY k.ord";

Recordset primaryKeysRowset(const CatalogQuery& query, const QString& database, const SchemaRestrictions& r) {
    RowsetWriter out = primaryKeysWriter();
    if (!matches(database, restriction(r, 0))) return out.finish();
    for (const Relation& rel : relations(query, restriction(r, 1), restriction(r, 2), true)) {
        if (reportedType(rel.driverType).contains(QLatin1String("VIEW"))) continue;
        for (const CatalogRow& key : query(QString::fromLatin1(PrimaryKeySql), {rel.schema, rel.name}))
            out.add({database, rel.schema, rel.name, v(at(key, 1)), v(number(at(key, 2))), v(at(key, 3))});
    }
    return out.finish();
}

// Each index's columns in order (an expression as its text): the primary key's index first, then
// the other indexes before the unique ones, by name, as the driver lists them.
const char* const IndexesSql =
    "SELECT ic.relname, i.indisunique, i.indisclustered, am.amname = 'hash', k.ord, "
    "pg_catalog.pg_get_indexdef(i.indexrelid, k.ord::int, true), "
    "CASE WHEN i.indoption[k.ord - 1] & 1 = 1 THEN 'D' ELSE 'A' END "
    "FROM pg_catalog.pg_index i JOIN pg_catalog.pg_class c ON c.oid = i.indrelid "
    "JOIN pg_catalog.pg_namespace n ON n.oid = c.relnamespace "
    "JOIN pg_catalog.pg_class ic ON ic.oid = i.indexrelid JOIN pg_catalog.pg_am am ON am.oid = ic.relam "
    "CROSS JOIN LATERAL generate_series(1, i.indnkeyatts) AS k(ord) "
    "WHERE n.nspname = $1 AND c.relname = $2 ORDER BY i.indisprimary DESC, i.indisunique, ic.relname, k.ord";

Recordset indexesRowset(const CatalogQuery& query, const QString& database, const SchemaRestrictions& r) {
    const auto indexR = restriction(r, 2), typeR = restriction(r, 3);
    RowsetWriter out = indexesWriter();
    if (!matches(database, restriction(r, 0))) return out.finish();
    for (const Relation& rel : relations(query, restriction(r, 1), restriction(r, 4), true)) {
        if (reportedType(rel.driverType).contains(QLatin1String("VIEW"))) continue;
        QStringList keyColumns;
        Cell keyName;
        for (const CatalogRow& key : query(QString::fromLatin1(PrimaryKeySql), {rel.schema, rel.name})) {
            keyColumns << at(key, 1).value_or(QString());
            keyName = at(key, 3);
        }
        const std::vector<CatalogRow> rows = query(QString::fromLatin1(IndexesSql), {rel.schema, rel.name});
        std::map<QString, QStringList> indexColumns;
        for (const CatalogRow& row : rows)
            indexColumns[at(row, 1).value_or(QString())] << at(row, 6).value_or(QString());
        for (const CatalogRow& row : rows) {
            const QString name = at(row, 1).value_or(QString());
            if (!matches(name, indexR)) continue;
            const bool unique = at(row, 2) == QStringLiteral("t"), clustered = at(row, 3) == QStringLiteral("t");
            // On the OLE DB scale: clustered 1, hashed 2, any other 4.
            const qint64 type = clustered ? 1 : at(row, 4) == QStringLiteral("t") ? 2 : 4;
            if (nonEmpty(typeR) && QString::number(type) != typeR->trimmed()) continue;
            const bool primary = (keyName && keyName->compare(name, Qt::CaseInsensitive) == 0) ||
                                 (unique && !keyColumns.isEmpty() && indexColumns[name] == keyColumns);
            out.add({database, rel.schema, rel.name, database, rel.schema, name, vBool(primary), vBool(unique),
                     vBool(clustered), type, v(number(at(row, 5))), v(at(row, 6)),
                     at(row, 7) == QStringLiteral("D") ? 2 : 1, QVariant(), QVariant()});
        }
    }
    return out.finish();
}

// Functions and procedures as the driver lists them: in the catalog's own order, every one a
// function, with an empty catalog and empty remarks.
const char* const ProceduresSql =
    "SELECT n.nspname, p.proname FROM pg_catalog.pg_proc p "
    "JOIN pg_catalog.pg_namespace n ON n.oid = p.pronamespace "
    "WHERE n.nspname LIKE $1 AND p.proname LIKE $2 ORDER BY p.ctid";

Recordset proceduresRowset(const CatalogQuery& query, const SchemaRestrictions& r) {
    const auto catalogR = restriction(r, 0), schemaR = restriction(r, 1), nameR = restriction(r, 2),
               typeR = restriction(r, 3);
    const QString empty(QLatin1String(""));
    const bool systemOnly =
        typeR && typeR->trimmed().compare(QLatin1String("SYSTEM PROCEDURE"), Qt::CaseInsensitive) == 0;
    // On the OLE DB scale, a function is 3.
    const qint64 type = 3;
    RowsetWriter out = proceduresWriter();
    if (!matches(empty, catalogR)) return out.finish();
    if (typeR && !typeR->trimmed().isEmpty() && !systemOnly && QString::number(type) != typeR->trimmed())
        return out.finish();
    std::set<std::pair<QString, QString>> seen;
    for (const CatalogRow& row : query(QString::fromLatin1(ProceduresSql), {patternOf(schemaR), patternOf(nameR)})) {
        const QString schema = at(row, 1).value_or(QString()), name = at(row, 2).value_or(QString());
        if (!matches(schema, schemaR) || !matches(name, nameR)) continue;
        if (systemOnly && !SystemSchemas.contains(schema)) continue;
        if (!seen.insert({schema, name}).second) continue;
        out.add({empty, schema, name, type, empty});
    }
    return out.finish();
}

} // namespace

Recordset openSchemaRowset(const CatalogQuery& query, const QString& database, SchemaKind kind,
                           const SchemaRestrictions& restrictions) {
    switch (kind) {
    case SchemaKind::Tables:
        return tablesRowset(query, database, restrictions);
    case SchemaKind::Columns:
        return columnsRowset(query, database, restrictions);
    case SchemaKind::PrimaryKeys:
        return primaryKeysRowset(query, database, restrictions);
    case SchemaKind::Indexes:
        return indexesRowset(query, database, restrictions);
    case SchemaKind::Procedures:
        return proceduresRowset(query, restrictions);
    case SchemaKind::ProcedureParameters:
        return procedureParametersRowset(query, database, restrictions);
    case SchemaKind::ProviderTypes:
        return providerTypesRowset(restrictions);
    }
    throw DbError(DbError::Kind::NotSupported, ui_text("Der Vorgang wird vom Provider nicht unterstützt.",
                                                       "Operation is not supported by this provider."));
}

} // namespace mv::pg
