#pragma once
// The schema rowsets of the SQLite engine, from sqlite_schema and the pragma table functions, with
// the rows and values the SQLite ODBC driver gives (so the explorer shows the same on either
// engine); the primary key's column order is the declared one, where the driver numbers the key
// columns in table order.
#include "db/db_access.h"

struct sqlite3;

namespace mv::sqlite {

// Throws DbError.
Recordset openSchemaRowset(sqlite3* db, SchemaKind kind, const SchemaRestrictions& restrictions);

} // namespace mv::sqlite
