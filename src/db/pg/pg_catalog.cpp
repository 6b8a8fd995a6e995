#include "db/pg/pg_catalog.h"

#include "db/odbc/odbc_catalog_support.h"

#include <algorithm>

namespace mv::pg {

using namespace odbc::catalog;

namespace {

bool nonEmpty(const std::optional<QString>& v) {
    return v && !v->isEmpty();
}

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

QString patternOf(const std::optional<QString>& wanted) {
    return nonEmpty(wanted) ? *wanted : QStringLiteral("%");
}

QString reportedType(const QString& driverType) {
    return driverType == QLatin1String("MATVIEW") ? QStringLiteral("VIEW") : driverType;
}

bool typeWanted(const QString& reported, const QString& driverType, const std::optional<QString>& wanted) {
    if (!nonEmpty(wanted)) return true;
    const QString w = wanted->trimmed();
    return reported.compare(w, Qt::CaseInsensitive) == 0 || driverType.compare(w, Qt::CaseInsensitive) == 0;
}

Recordset tablesRowset(const CatalogQuery& query, const QString& database, const SchemaRestrictions& r) {
    const auto catalogR = restriction(r, 0), schemaR = restriction(r, 1), nameR = restriction(r, 2),
               typeR = restriction(r, 3);
    const bool withSystem = !nonEmpty(typeR) || typeR->trimmed().toUpper().startsWith(QLatin1String("SYSTEM "));
    RowsetWriter out = tablesWriter();
    if (!matches(database, catalogR)) return out.finish();
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
    for (const CatalogRow& row : rows) {
        const QString schema = at(row, 1).value_or(QString()), name = at(row, 2).value_or(QString()),
                      driverType = at(row, 3).value_or(QString());
        if (driverType == QLatin1String("SYSTEM TABLE") && !withSystem) continue;
        if (!matches(schema, schemaR) || !matches(name, nameR)) continue;
        const QString type = reportedType(driverType);
        if (!typeWanted(type, driverType, typeR)) continue;
        // The driver has no remarks for tables: an empty text.
        out.add({database, schema, name, type, v(Cell(QString(QLatin1String(""))))});
    }
    return out.finish();
}

} // namespace

std::optional<Recordset> openSchemaRowset(const CatalogQuery& query, const QString& database, SchemaKind kind,
                           const SchemaRestrictions& restrictions) {
    switch (kind) {
    case SchemaKind::Tables:
        return tablesRowset(query, database, restrictions);
    default:
        return std::nullopt;
    }
}

} // namespace mv::pg
