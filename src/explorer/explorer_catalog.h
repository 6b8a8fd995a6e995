#pragma once
// What the explorer reads from the catalog, as plain data: the entries of the object chooser, the
// rows of the field list with their key and index marks, the key columns and index entries of a
// table, and the naming rules shared by every explorer list (object name text, filter, order key).
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace mv {

class C_DbConnect;
class Recordset;

// The icon number of an explorer entry; it is also the entry's kind.
namespace icon {
constexpr int Table = 3;
constexpr int View = 4;      // views and linked tables
constexpr int Procedure = 5; // the procedures heading and every procedure
constexpr int Field = 8;
constexpr int IndexField = 9;        // in a non-unique index
constexpr int UniqueIndexField = 10; // in a unique index
constexpr int KeyField = 11;
constexpr int KeyIndexField = 12;       // key, also in a non-unique index
constexpr int KeyUniqueIndexField = 13; // key, also in a unique index
constexpr int TablesHeading = 16;       // tables and links
constexpr int ViewsHeading = 17;
} // namespace icon

// One entry of the object chooser. Headings have indentation 1, objects 2.
struct ChooserEntry {
    QString text;
    int icon = 0;
    int indent = 2;
    bool isHeading() const { return indent == 1; }
    bool operator==(const ChooserEntry&) const = default;
};

struct ChooserContents {
    QList<ChooserEntry> entries;
    qint32 count = 0; // tables, views and links read, filtered out or not; procedures not counted
};

// schema + "." + name, or the bare name when the schema is empty (a Null schema counts as empty).
QString objectNameText(const QString& schema, const QString& name);
// A text value of a catalog row; Null gives an empty text.
QString catalogText(const Recordset& rs, int row, const char* column);
// True when the filter is empty or occurs in schema + "." + name, ignoring letter case.
bool filterKeeps(const QString& filter, const QString& schema, const QString& name);
// "A1" ... "A9", "B0", ...: sorting by it restores the catalog order of the n-th field (n from 1).
QString orderKey(int n);

// The section headings of the chooser in the current language, in their order.
QString tablesHeading();
QString viewsHeading();
QString linksHeading();
QString proceduresHeading();
bool isSectionHeading(const QString& text);

// Owner and table of an object name text: without "." the owner is empty; otherwise the first
// piece is the owner and the second the table.
struct OwnerAndTable {
    QString owner;
    QString table;
};
OwnerAndTable splitObjectName(const QString& text);

// The chooser's entries: the three table sections, then the procedures, each under its heading
// (headings also when the catalog call failed).
ChooserContents readCatalogObjects(C_DbConnect& cn, const QString& filter, bool systemObjects);

// Primary key column names as the catalog spells them, in catalog order; empty when there are none.
QStringList GetTableKeyFields(C_DbConnect& cn, const QString& owner, const QString& table);

// One row of a table's indexes: the upper-case column, the index part "r: NAME" (r counts the
// index rows read) and whether the index is unique.
struct IndexEntry {
    QString column;
    QString index;
    bool unique = false;
    // "ID|2: PK_T|UNIQUE INDEX"
    QString text() const;
    QString kind() const; // "UNIQUE INDEX" or "INDEX"
    bool operator==(const IndexEntry&) const = default;
};
// Index entries of an index rowset (sorted by index name and position); rows without an index
// name are skipped.
QList<IndexEntry> indexEntriesOf(const Recordset& indexes);
QList<IndexEntry> GetTableIndexFields(C_DbConnect& cn, const QString& owner, const QString& table);

// One row of the field list.
struct FieldRow {
    QString name;
    QString type;
    QString size;
    QString nullable; // "Yes" / "No"
    QString indexes;  // index parts joined by ", "
    QString order;    // order key
    int icon = icon::Field;
    bool bold = false; // key field
    bool blue = false; // in an index
};
// Puts the key and index marks on a row from the table's key columns and index entries.
void markKeysAndIndexes(FieldRow& row, const QStringList& keys, const QList<IndexEntry>& indexes);
// The field rows of the columns rowset, with type texts, nullability and order keys, marked.
QList<FieldRow> fieldRowsOf(const Recordset& columns, const QStringList& keys,
                            const QList<IndexEntry>& indexes);

// The identifier quote of the connection's data source (empty without one).
QString identifierQuoteOf(const C_DbConnect& cn);

} // namespace mv
