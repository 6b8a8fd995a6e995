#pragma once
// What the editor's completion offers at the caret: keywords and functions of the connection's
// dialect, schemas, tables, views, procedures, and after "alias." or "table." the columns of the
// table that name stands for in the statement at the caret. Names come quoted where the dialect
// needs it.
#include "db/completion_catalog.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace mv {

struct CompletionDialect {
    int databaseKind = 0;    // the connection object's kind (0 ODBC, 5 PostgreSQL, 6 MySQL, ...)
    QString dbmsName;        // "SQLite", "PostgreSQL", ...: tells the ODBC kinds apart
    QString identifierQuote; // the driver's quote character; empty or blank when unknown
    QStringList keywords;    // the driver's reserved words
};

// The name as it must stand in SQL on the connection: the program's name quoting (quotedName),
// told the dialect's rules.
QString quotedNameFor(const QString& name, const CompletionDialect& dialect);

// One table named in a FROM, JOIN, UPDATE or INTO clause, with its alias (empty when none).
struct TableReference {
    QString schema;
    QString table;
    QString alias;
    bool operator==(const TableReference&) const = default;
};
// The table references of one statement, quoted names unquoted, in text order.
QList<TableReference> tableReferences(const QString& statement);

struct CompletionItem {
    enum Kind { Keyword, Function, Schema, Table, View, Column, Procedure };
    QString label;  // what the list shows
    QString insert; // what replaces the typed word
    Kind kind = Keyword;
};

struct Completion {
    qsizetype from = 0; // the typed word (with an opening quote) that the choice replaces
    qsizetype to = 0;
    QString typed;      // the word without quote
    bool qualified = false; // after "name."
    QList<CompletionItem> items; // sorted by label, case-insensitively; labels unique
};

// The completion at caret (a character offset into text). Without a catalog only keywords and
// functions are offered (and nothing after a "."). Items start with the typed word, whatever the case.
Completion completeAt(const QString& text, qsizetype caret, const CompletionCatalog* catalog,
                      const CompletionDialect& dialect);

// The keywords and functions of a dialect, upper case.
QStringList dialectKeywords(const CompletionDialect& dialect);
QStringList dialectFunctions(const CompletionDialect& dialect);

} // namespace mv
