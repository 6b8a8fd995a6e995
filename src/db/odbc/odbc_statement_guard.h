#pragma once
// Statements a driver would misread, caught before they reach it.
//
// The MariaDB connector decides from a statement's first word whether it returns rows. For a few
// statements that do return rows (VALUES ..., SET STATEMENT ... FOR SELECT, OPTIMIZE, REPAIR,
// XA RECOVER, HANDLER ... READ, CACHE INDEX, LOAD INDEX) it guesses wrong, leaves the result
// unread, and the next call on the connection crashes or fails "out of sync". Run inside an
// anonymous compound statement (BEGIN NOT ATOMIC ... END) the same statement reaches the client
// as a procedure result, which the connector reads correctly; the statement itself is unchanged.
#include <QString>
#include <QStringView>
#include <optional>

namespace mv::odbc {

// The text after leading blanks and comments ("--", "#" and "/* */").
QStringView skipBlanksAndComments(QStringView sql);

// The first `count` words of the statement in upper case, ignoring leading blanks, comments and
// opening parentheses ("(VALUES (1))" -> "VALUES").
QStringList leadingWords(QStringView sql, int count);

struct GuardedStatement {
    QString sql; // what to send to the driver
    bool rewritten = false;
    QString refusal; // not empty: do not send; the text says why (current language)
};

// The MariaDB connector's view of a statement: unchanged, wrapped, or refused.
GuardedStatement guardForMariaDb(const QString& sql);

} // namespace mv::odbc
