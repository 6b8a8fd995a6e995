#pragma once
// Shared pieces of the schema rowsets: restriction values, the scope a catalog call works in,
// system objects, reading catalog results, and building the output recordsets.
#include "db/db_access.h"
#include "db/odbc/odbc_session.h"
#include "db/odbc/odbc_statement.h"
#include "db/recordset_builder.h"

#include <QStringList>
#include <QVariant>
#include <initializer_list>
#include <optional>
#include <vector>

namespace mv::odbc::catalog {

using Cell = std::optional<QString>;
using Row = std::vector<Cell>;

// The restriction at index i; nothing when it is absent.
std::optional<QString> restriction(const SchemaRestrictions& r, size_t i);
// A restriction is an exact value (letter case aside); an empty text matches an empty or Null value.
bool matches(const Cell& value, const std::optional<QString>& wanted);
// The restriction as a driver pattern argument: nothing for none or an empty text.
CatalogArg patternArg(const std::optional<QString>& wanted);

// Where a catalog call looks. MariaDB has catalogs (databases) but no schemas: the layer shows a
// database other than the current one as the schema, and asks for the current one when no schema
// is given (the driver would list every database otherwise).
struct Scope {
    CatalogArg catalog;
    CatalogArg schema;
};
std::vector<Scope> scopesFor(const Session& session, const std::optional<QString>& catalog,
                             const std::optional<QString>& schema, bool withSystem);
// The TABLE_SCHEMA to report for a row the driver gave with this catalog and schema.
Cell reportedSchema(const Session& session, const Cell& catalog, const Cell& schema);

// System objects by where they live and how they are named.
bool isSystemSchema(const Session& session, const Cell& catalog, const Cell& schema);
bool isSystemName(const Session& session, const QString& name);

// Every row of the statement's current result, each cell as text (Null as nothing).
std::vector<Row> readAll(Statement& statement);
// The cell at 1-based column number; nothing past the end of the row.
Cell at(const Row& row, int column);
std::optional<qint64> intAt(const Row& row, int column);

struct FieldSpec {
    const char* name;
    int type;
    qint64 size = 0;
};

// Output of one rowset: fields by description, rows by values in field order. A text field grows to its
// longest value (names and remarks have no limit every driver keeps); a negative number in an
// unsigned field (a driver's "unknown") becomes Null.
class RowsetWriter {
  public:
    explicit RowsetWriter(std::initializer_list<FieldSpec> fields);
    void add(QVariantList values);
    Recordset finish();

  private:
    QList<FieldInfo> m_fields;
    std::vector<QVariantList> m_rows;
};

// The empty rowsets with the OLE DB columns of each schema rowset (the same on every engine).
RowsetWriter tablesWriter();
RowsetWriter columnsWriter();
RowsetWriter primaryKeysWriter();
RowsetWriter indexesWriter();
RowsetWriter proceduresWriter();
RowsetWriter procedureParametersWriter();
RowsetWriter providerTypesWriter();

QVariant v(const Cell& cell);
QVariant v(const std::optional<qint64>& value);
QVariant vBool(bool value);

// The existing tables (not views) the restrictions name, as the driver spells them.
struct TableRef {
    Cell catalog;
    Cell schema;
    QString name;
    QString type; // as normalised by classifyTableType
};
std::vector<TableRef> findTables(Session& session, const std::optional<QString>& catalog,
                                 const std::optional<QString>& schema, const std::optional<QString>& table,
                                 bool viewsToo);

// TABLE_TYPE as the layer reports it: "TABLE", "VIEW", "SYSTEM TABLE", "SYSTEM VIEW", or the
// driver's own text for anything else (linked tables keep "FOREIGN TABLE", "SYNONYM", ...).
QString classifyTableType(const Session& session, const Cell& catalog, const Cell& schema,
                          const QString& name, const QString& driverType);
bool isLinkedType(const QString& driverType);

// The sizes of a column or parameter row on the OLE DB scale, from the ODBC ones.
struct Sizes {
    std::optional<qint64> characterMaximumLength;
    std::optional<qint64> characterOctetLength;
    std::optional<qint64> numericPrecision;
    std::optional<qint64> numericScale;
    std::optional<qint64> datetimePrecision;
};
Sizes sizesFor(int adoType, const std::optional<qint64>& columnSize,
               const std::optional<qint64>& decimalDigits, const std::optional<qint64>& octetLength);

// A catalog column's ADO type and sizes from its ODBC type, type name and sizes. Where a driver's
// description loses what the column declares, the declaration decides: SQLite's driver reports
// NUMERIC(10,2) as a double of size 2 and DECIMAL(5) as text; MDBTools gives Access's number types
// no precision (Currency keeps 19 digits, 4 after the point; Single 7; Double 15).
struct CatalogType {
    int adoType = 0;
    Sizes sizes;
};
CatalogType catalogColumnType(DriverFamily family, const std::optional<qint64>& sqlType, const Cell& typeName,
                              const std::optional<qint64>& columnSize, const std::optional<qint64>& decimalDigits,
                              const std::optional<qint64>& octetLength);

// The PROVIDER_TYPES rowset from the rows of SQLGetTypeInfo (in its column order).
Recordset providerTypesFromTypeInfo(const std::vector<Row>& typeInfoRows, const SchemaRestrictions& restrictions);

// The same from a driver's type table written out as texts (nullptr: Null), for the engines that
// answer as a driver would without asking one.
template <class Table>
Recordset providerTypesFromTexts(const Table& table, const SchemaRestrictions& restrictions) {
    std::vector<Row> rows;
    for (const auto& type : table) {
        Row row;
        for (const char* cell : type)
            row.push_back(cell ? Cell(QString::fromLatin1(cell)) : std::nullopt);
        rows.push_back(std::move(row));
    }
    return providerTypesFromTypeInfo(rows, restrictions);
}

// The ADO type of a catalog row's ODBC type and type name.
int adoTypeOfCatalog(const std::optional<qint64>& sqlType, const Cell& typeName);

} // namespace mv::odbc::catalog
