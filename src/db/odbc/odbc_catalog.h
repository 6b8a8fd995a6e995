#pragma once
// The OLE DB schema rowsets built from the ODBC catalog functions: the columns renamed to the OLE
// DB names, ODBC types mapped to ADO codes, restrictions applied as exact values, system objects
// recognised by the layer (the drivers disagree on them), and the drivers' catalog quirks handled.
#include "db/db_access.h"
#include "db/odbc/odbc_session.h"

namespace mv::odbc {

// Throws DbError; a catalog function the driver lacks gives kind NotSupported (3251).
Recordset openSchemaRowset(Session& session, SchemaKind kind, const SchemaRestrictions& restrictions);

} // namespace mv::odbc
