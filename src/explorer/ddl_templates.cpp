#include "explorer/ddl_templates.h"

#include "app/error_report.h"
#include "db/recordset.h"

namespace mv {

namespace {

// Plain decimal text of a catalog number; Null writes nothing.
QString numberText(const QVariant& v) {
    if (!v.isValid() || v.isNull()) return {};
    switch (v.metaType().id()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return QString::number(v.toDouble(), 'g', 15);
    default:
        return v.toString();
    }
}

QVariant cellOf(const Recordset& rs, int row, const char* column) {
    const int col = rs.fieldIndex(QString::fromLatin1(column));
    if (col < 0)
        throw MvError(rserr::ItemNotFound,
                      QStringLiteral("Item cannot be found in the collection corresponding "
                                     "to the requested name or ordinal: ") +
                          QString::fromLatin1(column));
    return rs.value(row, col);
}

const QString kCrLf = QStringLiteral("\r\n");
const QString kFieldLine = QStringLiteral("(\r\n\t<FieldName>\t<FieldType>\t<FieldOptions>,\r\n)");

} // namespace

DatatypeText translateDatatype(const QVariant& dataType, const QVariant& characterMaximumLength,
                               const QVariant& characterOctetLength, const QVariant& numericPrecision,
                               const QVariant& numericScale) {
    const QString code = numberText(dataType);
    bool known = false;
    const int c = code.toInt(&known);
    const QString length = numberText(characterMaximumLength);
    const QString precision = numberText(numericPrecision);
    const QString scale = numberText(numericScale);
    if (known) {
        switch (c) {
        case 16:
        case 17:
            return {QStringLiteral("Integer"), QStringLiteral("1 Bytes")};
        case 2:
        case 18:
            return {QStringLiteral("Integer"), QStringLiteral("2 Bytes")};
        case 3:
        case 19:
            return {QStringLiteral("Integer"), QStringLiteral("4 Bytes")};
        case 20:
        case 21:
            return {QStringLiteral("Integer"), QStringLiteral("8 Bytes")};
        case 4:
        case 5:
        case 139:
            return {QStringLiteral("Floatingpoint"), precision};
        case 6:
        case 14:
        case 131:
            // A catalog without precision or scale gives no size, not a lone separator.
            if (scale.isEmpty()) return {QStringLiteral("Decimal"), precision};
            return {QStringLiteral("Decimal"), precision + u',' + scale};
        case 7:
        case 133:
            return {QStringLiteral("Date"), QString()};
        case 134:
            return {QStringLiteral("Time"), QString()};
        case 135:
            return {QStringLiteral("Timestamp"), QString()};
        case 8:
        case 129:
        case 130:
        case 200:
        case 201:
        case 202:
        case 203:
            return {QStringLiteral("Text"), length};
        case 11:
            return {QStringLiteral("Boolean"), length + QStringLiteral(" Bytes")};
        default:
            break;
        }
    }
    return {QStringLiteral("unknown ") + code,
            length + u';' + numberText(characterOctetLength) + u';' + precision + u',' + scale};
}

bool TranslateDatatype(const Recordset& columns, int row, QString& typeText, QString& sizeText) {
    return guardedVoid(Reporter::ErrorMsg, "TranslateDatatype", "Globals", [&] {
        const DatatypeText t = translateDatatype(
            cellOf(columns, row, "DATA_TYPE"), cellOf(columns, row, "CHARACTER_MAXIMUM_LENGTH"),
            cellOf(columns, row, "CHARACTER_OCTET_LENGTH"), cellOf(columns, row, "NUMERIC_PRECISION"),
            cellOf(columns, row, "NUMERIC_SCALE"));
        typeText = t.type;
        sizeText = t.size;
    });
}

QStringList ddlTemplateCaptions() {
    return {QStringLiteral("CREATE TABLE"), QStringLiteral("ALTER TABLE"), QStringLiteral("DROP TABLE")};
}

QStringList ddlKeywordCaptions() {
    return {QStringLiteral("UNIQUE"), QStringLiteral("PRIMARY KEY"), QStringLiteral("NOT NULL"),
            QStringLiteral("CONSTRAINT")};
}

QString tableNamePlaceholder() {
    return QStringLiteral("<TableName>");
}

QString ddlTableName(const std::optional<QString>& workingListSelection) {
    return workingListSelection ? *workingListSelection : tableNamePlaceholder();
}

QString ddlTemplate(int index, const QString& tableName) {
    switch (index) {
    case 0: // always the placeholder: a new table has no entry in the working list yet
        return QStringLiteral("CREATE TABLE\t") + tableNamePlaceholder() + kCrLf + kFieldLine;
    case 1:
        return QStringLiteral("ALTER TABLE\t") + tableName + QStringLiteral("\t<ADD/MODIFY>") + kCrLf +
               kFieldLine;
    case 2:
        return QStringLiteral("DROP TABLE\t") + tableName + kCrLf;
    default:
        throw MvError(err::SubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    }
}

QList<ProviderType> providerTypesOf(const Recordset& types) {
    QList<ProviderType> rows;
    const int name = types.fieldIndex(QStringLiteral("TYPE_NAME"));
    const int size = types.fieldIndex(QStringLiteral("COLUMN_SIZE"));
    for (int r = 0; r < types.recordCount(); ++r) {
        ProviderType t;
        if (name >= 0) t.name = types.text(r, name).toUpper();
        if (size >= 0) t.size = numberText(types.value(r, size));
        rows << t;
    }
    return rows;
}

} // namespace mv
