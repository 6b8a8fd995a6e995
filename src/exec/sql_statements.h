#pragma once
// Cutting a script into statements the way the dialect's own command-line client does: at the
// statement delimiter outside strings, quoted names and comments, never inside the body of a
// trigger, function or procedure.
#include "exec/sql_lexer.h"

#include <QList>
#include <QString>
#include <optional>

namespace mv {

// Where one statement stands in the text: [begin, end), without the blanks around it and without
// its delimiter. Comments in front of a statement belong to it.
struct SqlStatementRange {
    qsizetype begin = 0;
    qsizetype end = 0;
    bool operator==(const SqlStatementRange&) const = default;
};

// The statements of the text in order. Text holding no code (blanks, plain comments) gives none.
// By dialect:
// - PostgreSQL (as psql): ";" outside parentheses, and outside BEGIN ... END of a CREATE FUNCTION
//   or PROCEDURE with a standard SQL body; dollar-quoted bodies are strings.
// - MariaDB (as the mariadb client): DELIMITER lines set the delimiter and are no statements; with
//   ";" in force a BEGIN ... END body of CREATE PROCEDURE / FUNCTION / TRIGGER / EVENT and a
//   BEGIN NOT ATOMIC block hold their inner ";" (the client would cut there).
// - SQLite (as sqlite3): CREATE TRIGGER ends only at the ";" after "; END".
// - SQL Server: a line holding only GO ends a statement; BEGIN ... END of a routine holds its ";".
// - Generic and Access: ";" outside parentheses and outside BEGIN ... END of a routine.
QList<SqlStatementRange> sqlStatementRanges(const QString& text, SqlDialect dialect);

// The statement whose range holds the position, or the nearest one before it; the first one when
// the position lies in front of every statement. Nothing when the text holds no statement.
std::optional<SqlStatementRange> sqlStatementAt(const QString& text, SqlDialect dialect, qsizetype position);

} // namespace mv
