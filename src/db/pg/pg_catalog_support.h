#pragma once
// Pieces the PostgreSQL engine's schema rowsets share.
#include "db/pg/pg_catalog.h"

namespace mv::pg {

bool nonEmpty(const std::optional<QString>& v);
std::optional<qint64> number(const std::optional<QString>& text);
// A restriction as a LIKE pattern of the catalog queries: everything for none.
QString patternOf(const std::optional<QString>& wanted);

struct Relation {
    QString schema;
    QString name;
    QString driverType;
};

// The relations the driver lists for the restrictions, the user's first, then (where asked for) the
// system's.
std::vector<Relation> relations(const CatalogQuery& query, const std::optional<QString>& schemaR,
                                const std::optional<QString>& nameR, bool withSystem);

// The rowsets read in pg_catalog_columns.cpp.
Recordset columnsRowset(const CatalogQuery& query, const QString& database, const SchemaRestrictions& r);
Recordset procedureParametersRowset(const CatalogQuery& query, const QString& database, const SchemaRestrictions& r);
Recordset providerTypesRowset(const SchemaRestrictions& r);

} // namespace mv::pg
