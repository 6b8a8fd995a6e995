#pragma once
// Writing catalog names into generated SQL so the server reads exactly the catalog's object: a
// name is put in the connection's identifier quotes when the dialect would read it otherwise.
#include "exec/sql_lexer.h"

#include <QString>
#include <QStringList>

namespace mv {

class C_DbConnect;

// What decides how a name is written on one connection.
struct NameRules {
    SqlDialect dialect = SqlDialect::Generic;
    int databaseKind = 0;     // mvDatabase: 1 Jet and 2 SQL Server quote with brackets
    QString identifierQuote;  // the driver's ("\"", "`"); empty or blank when it has none
    QStringList keywords;     // the driver's reserved words (SQL_KEYWORDS), any case
};

// The rules of the connected data source (Generic ones without a connection).
NameRules nameRulesOf(const C_DbConnect& cn);
// The dialect of the connected data source (Generic without a connection).
SqlDialect sqlDialectOf(const C_DbConnect& cn);

// The reserved words of ODBC (upper case), which every data source may reserve.
const QStringList& odbcReservedWords();

// True when the name must be quoted: it is not a plain name (a letter or "_", then letters, digits
// and "_", all ASCII), it is a reserved word of ODBC or of the driver, or, on PostgreSQL, it is not
// all lower case (an unquoted name would be folded to lower case).
bool nameNeedsQuotes(const QString& name, const NameRules& rules);

// One name as the server must read it: in quotes when needed, with an embedded closing quote
// character doubled. Unchanged when the source has no quote character.
QString quotedName(const QString& name, const NameRules& rules);

// An object name text "schema.name" (or a bare "name"): both parts quoted on their own. The first
// "." separates them, so a name holding "." is only safe without schema.
QString quotedObjectName(const QString& objectText, const NameRules& rules);

} // namespace mv
