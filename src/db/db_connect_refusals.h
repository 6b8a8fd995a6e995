#pragma once
// Statements that only a database's own command-line client can run, refused before they are
// sent: the driver would wait for ever for data that never comes.
#include <QString>

namespace mv {

// True for PostgreSQL's COPY ... FROM STDIN and COPY ... TO STDOUT (any letter case, with
// comments, column lists, a query in parentheses and options anywhere).
bool isCopyWithClientData(const QString& sql);

// The message (current language) that refuses the statement on a data source with that DBMS
// name, or an empty text when it may be sent.
QString refusalFor(const QString& sql, const QString& dbmsName);

} // namespace mv
