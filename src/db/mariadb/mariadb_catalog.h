#pragma once
// The schema rowsets of the MariaDB engine read from information_schema (tables, columns, primary
// keys, indexes, procedures) and the type list, with the rows and values the MariaDB ODBC driver gives, so the explorer
// and completion show the same on either engine. The primary key's columns are numbered in the
// key's own order, where the driver numbers them in table order.
#include "db/db_access.h"

#include <functional>
#include <optional>
#include <vector>

namespace mv::mariadb {

using CatalogRow = std::vector<std::optional<QString>>;
// Runs a query of the catalog and returns every row as texts. Throws DbError.
using CatalogQuery = std::function<std::vector<CatalogRow>(const QString& sql)>;

// Whether the rowset of that kind comes from here (the others still come from the driver).
bool readsNatively(SchemaKind kind);

// `database` is the connection's current database. Throws DbError.
Recordset openSchemaRowset(const CatalogQuery& query, const QString& database, SchemaKind kind,
                           const SchemaRestrictions& restrictions);

} // namespace mv::mariadb
