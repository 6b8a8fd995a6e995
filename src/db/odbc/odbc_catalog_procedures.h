#pragma once
// The schema rowsets of stored procedures, their parameters, and the provider's data types.
#include "db/db_access.h"
#include "db/odbc/odbc_session.h"

namespace mv::odbc {

// PROCEDURE_CATALOG, PROCEDURE_SCHEMA, PROCEDURE_NAME, PROCEDURE_TYPE ("SYSTEM PROCEDURE": those in
// the system schemas, or a number 1 unknown, 2 procedure, 3 function).
Recordset proceduresRowset(Session& session, const SchemaRestrictions& restrictions);
// PROCEDURE_CATALOG, PROCEDURE_SCHEMA, PROCEDURE_NAME, PARAMETER_NAME.
Recordset procedureParametersRowset(Session& session, const SchemaRestrictions& restrictions);
// DATA_TYPE (ADO code), BEST_MATCH ("true"/"false", 1/0).
Recordset providerTypesRowset(Session& session, const SchemaRestrictions& restrictions);

} // namespace mv::odbc
