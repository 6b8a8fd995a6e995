#pragma once
// Table definitions by template: the statement skeletons of the DDL buttons, the keyword buttons,
// the provider's data type list, and the short type and size texts of a catalog column.
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

namespace mv {

class C_DbConnect;
class Recordset;

struct DatatypeText {
    QString type;
    QString size;
    bool operator==(const DatatypeText&) const = default;
};

// The type and size texts of an ADO type code with the column's lengths (Null values write
// nothing): "Integer" / "4 Bytes", "Decimal" / "10,2", "Text" / "50", "unknown 72" / ";;,", ...
DatatypeText translateDatatype(const QVariant& dataType, const QVariant& characterMaximumLength,
                               const QVariant& characterOctetLength, const QVariant& numericPrecision,
                               const QVariant& numericScale);
// The same from a row of a columns rowset. On an error (a missing column) it is reported and the
// outputs keep what they held; false then.
bool TranslateDatatype(const Recordset& columns, int row, QString& typeText, QString& sizeText);

// The captions of the template buttons cmdDDL: "CREATE TABLE", "ALTER TABLE", "DROP TABLE".
QStringList ddlTemplateCaptions();
// The captions of the keyword buttons: "UNIQUE", "PRIMARY KEY", "NOT NULL", "CONSTRAINT".
QStringList ddlKeywordCaptions();
// The placeholder of the table name.
QString tableNamePlaceholder();

// The table name a template uses: the working list's selected entry text (empty when nothing is
// selected), or "<TableName>" when the working list has no entries (nothing given).
QString ddlTableName(const std::optional<QString>& workingListSelection);
// The statement skeleton of a template button (index 0 .. 2); line breaks are CR LF.
QString ddlTemplate(int index, const QString& tableName);

// One row of the provider's data type list.
struct ProviderType {
    QString name; // upper-cased TYPE_NAME
    QString size; // COLUMN_SIZE as text, empty for Null
    bool operator==(const ProviderType&) const = default;
};
QList<ProviderType> providerTypesOf(const Recordset& types);

} // namespace mv
