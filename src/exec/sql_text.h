#pragma once
// Text routines that prepare SQL for execution: comment stripping, trimming, cutting a script into
// statements and writing a value as an SQL literal for the connected database.
#include "exec/sql_lexer.h"

#include <QString>
#include <QStringList>
#include <QVariant>

namespace mv {

// The connection object's database kind (mvDatabase).
namespace dbkind {
constexpr int Odbc = 0;
constexpr int Jet = 1;
constexpr int SqlServer = 2;
constexpr int Oracle = 3;
constexpr int Db2 = 4;
constexpr int PostgreSql = 5;
constexpr int MySql = 6;
constexpr int Other = 99;
} // namespace dbkind

// The most statements one script may hold (a 16-bit count).
constexpr int MaxStatements = 32767;

// Removes the comments the dialect's lexer finds; markers inside strings, quoted names and
// dollar-quoted bodies are text. A line comment ends before its line break, which stays; a removed
// block comment leaves one blank when text touches it on both sides. MariaDB's executable comments
// ("/*! ... */", "/*M! ... */") are code and stay.
QString StripComment(const QString& text, SqlDialect dialect = SqlDialect::Generic);

// Removes leading and trailing CR, LF, tab, vertical tab, no-break space and space.
QString TrimStr(const QString& text);

// Cuts text into statements as the dialect's own client does (sqlStatementRanges). Comments stay in
// the statements; statements without code are dropped. The list always holds at least one element
// (one empty string when there is no statement); it is empty only after a reported error (more than
// MaxStatements).
QStringList SplitStmts(const QString& text, SqlDialect dialect = SqlDialect::Generic);

// The value as an SQL literal for database kind dbKind:
// - a number (not text) and an empty value come back unchanged;
// - a date, time or date-time, or a text that reads as one, is written in the kind's date form (an
//   ODBC escape for every kind that has no form of its own);
// - a text beginning with "#" becomes the number after it (read with the user's number format);
// - any other text becomes " '...' " with apostrophes doubled (and backslashes for MySQL).
// On an error (a "#" text that is no number) the error is reported, the result is an empty value
// and *ok, when given, is set to false.
QVariant Quote(const QVariant& value, int dbKind, bool* ok = nullptr);

// The text a value of Quote stands for when pasted into a statement: numbers in the SQL (C locale)
// form, dates, times and date-times as yyyy-MM-dd, hh:mm:ss, yyyy-MM-dd hh:mm:ss, empty as "".
QString sqlLiteralText(const QVariant& value);

// Reads a date, a time or a date-time from text: ISO (yyyy-MM-dd [hh:mm[:ss]], also with "T"),
// d.M.yyyy [h:mm[:ss]], the user's short date form, or a time alone (h:mm[:ss]). The result holds a
// QDate, QTime or QDateTime; it is invalid when the text does not read as a date.
QVariant readDateText(const QString& text);

} // namespace mv
