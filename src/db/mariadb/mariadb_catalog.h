#pragma once
// The schema rowsets of the MariaDB engine, read from information_schema (the type list is the
// driver's own answer, kept here), with the rows and values the MariaDB ODBC driver gives, so the
// explorer and completion show the same on either engine. The primary key's columns are numbered in the
// key's own order, where the driver numbers them in table order.
#include "db/db_access.h"

#include <functional>
#include <optional>
#include <vector>

namespace mv::mariadb {

using CatalogRow = std::vector<std::optional<QString>>;
// Runs a query of the catalog and returns every row as texts. Throws DbError.
using CatalogQuery = std::function<std::vector<CatalogRow>(const QString& sql)>;

// `database` is the connection's current database. Throws DbError.
Recordset openSchemaRowset(const CatalogQuery& query, const QString& database, SchemaKind kind,
                           const SchemaRestrictions& restrictions);

} // namespace mv::mariadb
