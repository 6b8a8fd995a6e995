#pragma once
// The schema rowsets the PostgreSQL engine reads from pg_catalog itself, with the rows and values the
// PostgreSQL ODBC driver gives, so the explorer and completion show the same on either engine.
#include "db/db_access.h"

#include <functional>
#include <optional>
#include <vector>

namespace mv::pg {

using CatalogRow = std::vector<std::optional<QString>>;
// Runs a query of the catalog with its text parameters ($1, $2, ...) and returns every row as
// texts. Throws DbError.
using CatalogQuery = std::function<std::vector<CatalogRow>(const QString& sql, const QStringList& params)>;

// `database` is the connection's database. Throws DbError.
Recordset openSchemaRowset(const CatalogQuery& query, const QString& database, SchemaKind kind,
                           const SchemaRestrictions& restrictions);

} // namespace mv::pg
