#pragma once
// SQL skeletons from what the user marked in the explorer, built from plain data: the marked
// table and field lists, the join skeleton, the WHERE clause that pins the result grid's current
// row by its primary key, and the UPDATE statement. Line breaks are CR LF.
#include "exec/sql_names.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace mv {

class Recordset;

// The name quoting of the connected database: its kind (mvDatabase), identifier quote, dialect
// (Generic: the kind's) and reserved words.
struct NameQuoting {
    int databaseKind = 0;
    QString identifierQuote;
    SqlDialect dialect = SqlDialect::Generic;
    QStringList keywords{};
    NameRules rules() const;
    QString quoted(const QString& name) const;             // one name (a field, a key column)
    QString quotedObject(const QString& objectText) const; // "schema.name" or "name"
};

// One value of the result grid's current row.
struct RowValue {
    QString field;        // the column name
    QString text;         // the value's text; empty for Null and for an unset value
    bool numeric = false; // written without quotes
    bool isNull = false;
};
// The current row of the result grid; empty without a result set.
using CurrentRowReader = std::function<QList<RowValue>()>;
// The values of a recordset row (row -1: no current row, every value unset).
QList<RowValue> rowValuesOf(const Recordset& rs, int row);

// The texts joined by ", " (the marked entries of a list, in list order).
QString markedTableList(const QStringList& marked);
// Each field quoted, prefixed with the quoted tablePrefix + "." when tablePrefix is given.
QStringList markedFields(const QStringList& fields, const QString& tablePrefix, const NameQuoting& quoting);

// The join skeleton over the marked tables (each quoted); empty for fewer than two.
QString buildJoin(const QStringList& tables, int databaseKind, const NameQuoting& quoting = {});

// The WHERE clause for the key columns: one line per key found in the row ("WHERE" or "AND " and
// a TAB before it). A key missing from the row is handed to onMissing and left out; a Null value
// is left out silently. A text value is quoted with its apostrophes doubled.
QString buildWhereClause(const QStringList& keys, const QList<RowValue>& row, const NameQuoting& quoting,
                         const std::function<void(const QString& key)>& onMissing);

// "UPDATE " TAB table CR LF "SET " TAB TAB f1 = ValueX, ... CR LF + where.
QString buildUpdate(const QString& quotedTable, const QStringList& fields, const QString& where);

// The text with every TAB replaced by one blank.
QString deleteTabs(const QString& text);

} // namespace mv
