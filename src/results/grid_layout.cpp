#include "results/grid_layout.h"

#include "app/atomic_file.h"
#include "app/mv_error.h"
#include "app/texts.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace mv {

namespace {

const QString FormatName = QStringLiteral("morvenda-grid-layout");
constexpr int FormatVersion = 1;
constexpr long LoadError = 31037;
constexpr long SaveError = 31036;

bool isNumberLike(const QVariant& v) {
    switch (v.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
        return true;
    default:
        return false;
    }
}

[[noreturn]] void badAttribute(int attribute, const QVariant& value) {
    throw MvError(err::TypeMismatch,
                  ui_text(QStringLiteral("Der Wert \"%1\" passt nicht zum Layout-Attribut \"%2\"."),
                          QStringLiteral("The value \"%1\" does not fit the layout attribute \"%2\"."))
                      .arg(value.toString(), layoutAttributeCaption(attribute)));
}

int listCode(int attribute, const QVariant& value, int lowest, int highest) {
    bool ok = false;
    const double d = value.toDouble(&ok);
    const int code = int(d);
    if (!ok || d != code || code < lowest || code > highest) badAttribute(attribute, value);
    return code;
}

bool flagValue(int attribute, const QVariant& value) {
    if (value.metaType().id() == QMetaType::Bool) return value.toBool();
    if (isNumberLike(value)) return value.toDouble() != 0;
    const QString t = value.toString().trimmed();
    if (t.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0 || t == QLatin1String("1")) return true;
    if (t.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0 || t == QLatin1String("0") || t.isEmpty())
        return false;
    badAttribute(attribute, value);
}

[[noreturn]] void notALayout(const QString& source, const QString& reason) {
    throw MvError(LoadError, ui_text(QStringLiteral("Die Datei \"%1\" ist keine lesbare Layout-Datei: %2"),
                                     QStringLiteral("The file \"%1\" is no readable layout file: %2"))
                                 .arg(source, reason));
}

QJsonObject columnToJson(const GridColumn& c) {
    QJsonArray values;
    for (const GridValueItem& item : c.valueList) {
        values.append(QJsonObject{{QStringLiteral("value"), QJsonValue::fromVariant(item.value)},
                                  {QStringLiteral("text"), item.text},
                                  {QStringLiteral("icon"), item.icon}});
    }
    return QJsonObject{{QStringLiteral("key"), c.key},
                       {QStringLiteral("caption"), c.caption},
                       {QStringLiteral("aggregate"), int(c.aggregate)},
                       {QStringLiteral("index"), c.index},
                       {QStringLiteral("type"), int(c.type)},
                       {QStringLiteral("format"), c.format},
                       {QStringLiteral("headerAlignment"), int(c.headerAlignment)},
                       {QStringLiteral("textAlignment"), int(c.textAlignment)},
                       {QStringLiteral("visible"), c.visible},
                       {QStringLiteral("width"), c.width},
                       {QStringLiteral("dataField"), c.dataField},
                       {QStringLiteral("sortType"), int(c.sortType)},
                       {QStringLiteral("cardCaption"), c.cardCaption},
                       {QStringLiteral("groupPrefix"), c.groupPrefix},
                       {QStringLiteral("wordWrap"), c.wordWrap},
                       {QStringLiteral("totalFormat"), c.totalFormat},
                       {QStringLiteral("totalPrefix"), c.totalPrefix},
                       {QStringLiteral("valueList"), values}};
}

QJsonArray keysToJson(const QList<GridSortKey>& keys) {
    QJsonArray out;
    for (const GridSortKey& k : keys)
        out.append(
            QJsonObject{{QStringLiteral("column"), k.column}, {QStringLiteral("descending"), k.descending}});
    return out;
}

// Reads a JSON member with the attribute's own checks; a missing member keeps the default.
struct ColumnReader {
    const QJsonObject& o;
    GridColumn& c;
    void text(const char* name, int attribute) {
        const QJsonValue v = o.value(QLatin1String(name));
        if (v.isUndefined()) return;
        if (!v.isString()) badAttribute(attribute, v.toVariant());
        setColumnAttribute(c, attribute, v.toString());
    }
    void value(const char* name, int attribute) {
        const QJsonValue v = o.value(QLatin1String(name));
        if (v.isUndefined()) return;
        if (!v.isDouble() && !v.isBool()) badAttribute(attribute, v.toVariant());
        setColumnAttribute(c, attribute, v.toVariant());
    }
};

GridColumn columnFromJson(const QJsonValue& value) {
    if (!value.isObject())
        throw MvError(LoadError, ui_text("Spalte ohne Attribute", "column without attributes"));
    const QJsonObject o = value.toObject();
    GridColumn c;
    c.key = o.value(QLatin1String("key")).toString();
    ColumnReader r{o, c};
    r.text("caption", attr::Caption);
    r.value("aggregate", attr::Aggregate);
    r.value("index", attr::Index);
    r.value("type", attr::Type);
    r.text("format", attr::Format);
    r.value("headerAlignment", attr::HeaderAlignment);
    r.value("textAlignment", attr::TextAlignment);
    r.value("visible", attr::Visible);
    r.value("width", attr::Width);
    r.text("dataField", attr::DataField);
    r.value("sortType", attr::SortType);
    r.value("cardCaption", attr::CardCaption);
    r.text("groupPrefix", attr::GroupPrefix);
    r.value("wordWrap", attr::WordWrap);
    r.text("totalFormat", attr::TotalFormat);
    r.text("totalPrefix", attr::TotalPrefix);
    for (const QJsonValue& item : o.value(QLatin1String("valueList")).toArray()) {
        const QJsonObject io = item.toObject();
        c.valueList.append({io.value(QLatin1String("value")).toVariant(),
                            io.value(QLatin1String("text")).toString(),
                            io.value(QLatin1String("icon")).toInt(-1)});
    }
    return c;
}

QList<GridSortKey> keysFromJson(const QJsonValue& value) {
    QList<GridSortKey> keys;
    for (const QJsonValue& v : value.toArray()) {
        const QJsonObject o = v.toObject();
        keys.append(
            {o.value(QLatin1String("column")).toString(), o.value(QLatin1String("descending")).toBool()});
    }
    return keys;
}

} // namespace

const GridValueItem* GridColumn::valueItem(const QVariant& value) const {
    if (valueList.isEmpty() || !value.isValid()) return nullptr;
    const bool numeric = isNumberLike(value);
    const QString text = numeric ? QString() : value.toString();
    for (const GridValueItem& item : valueList) {
        if (numeric && isNumberLike(item.value)) {
            if (item.value.toDouble() == value.toDouble()) return &item;
        } else if (!numeric && !isNumberLike(item.value)) {
            if (item.value.toString() == text) return &item;
        }
    }
    return nullptr;
}

GridSortType sortTypeForField(int adoType) {
    if (ado::isNumericType(adoType) || adoType == ado::adBoolean) return GridSortType::Numeric;
    if (adoType == ado::adDBDate) return GridSortType::Date;
    if (adoType == ado::adDBTime) return GridSortType::Time;
    if (ado::isDateType(adoType)) return GridSortType::DateTime;
    return GridSortType::String;
}

GridColumn columnForField(const FieldInfo& field, int index) {
    GridColumn c;
    c.key = field.name;
    c.caption = field.name;
    c.dataField = field.name;
    c.index = index;
    c.sortType = sortTypeForField(field.type);
    if (ado::isNumericType(field.type)) c.textAlignment = GridAlignment::Right;
    if (field.type == ado::adBoolean) {
        c.type = GridColumnType::CheckBox;
        c.textAlignment = GridAlignment::Center;
    }
    return c;
}

QString layoutAttributeCaption(int attribute) {
    static const char* const names[LayoutAttributeCount] = {
        "Column",        "Aggregate", "Index",        "Type",        "Format",   "Headeralignment",
        "Textalignment", "Visible",   "Width",        "Data Field",  "Sorttype", "Card Caption",
        "Group Prefix",  "Word wrap", "Total Format", "Total Prefix"};
    if (attribute < 0 || attribute >= LayoutAttributeCount) return {};
    return QString::fromLatin1(names[attribute]);
}

QStringList aggregateNames() {
    return {QStringLiteral("None Aggregate"), QStringLiteral("Count"),      QStringLiteral("Sum"),
            QStringLiteral("Average"),        QStringLiteral("Min"),        QStringLiteral("Max"),
            QStringLiteral("Standard Dev"),   QStringLiteral("Value Count")};
}
QStringList columnTypeNames() {
    return {QStringLiteral("Text"), QStringLiteral("Icon"), QStringLiteral("Icon and Text"),
            QStringLiteral("CheckBox")};
}
QStringList alignmentNames() {
    return {QStringLiteral("Left"), QStringLiteral("Center"), QStringLiteral("Right")};
}
QStringList sortTypeNames() {
    return {QStringLiteral("String"), QStringLiteral("Numeric"), QStringLiteral("Date"),
            QStringLiteral("DateTime"), QStringLiteral("Time")};
}

QVariant columnAttribute(const GridColumn& c, int attribute) {
    switch (attribute) {
    case attr::Caption:
        return c.caption;
    case attr::Aggregate:
        return int(c.aggregate);
    case attr::Index:
        return c.index;
    case attr::Type:
        return int(c.type);
    case attr::Format:
        return c.format;
    case attr::HeaderAlignment:
        return int(c.headerAlignment);
    case attr::TextAlignment:
        return int(c.textAlignment);
    case attr::Visible:
        return c.visible;
    case attr::Width:
        return c.width;
    case attr::DataField:
        return c.dataField;
    case attr::SortType:
        return int(c.sortType);
    case attr::CardCaption:
        return c.cardCaption;
    case attr::GroupPrefix:
        return c.groupPrefix;
    case attr::WordWrap:
        return c.wordWrap;
    case attr::TotalFormat:
        return c.totalFormat;
    case attr::TotalPrefix:
        return c.totalPrefix;
    default:
        return {};
    }
}

void setColumnAttribute(GridColumn& c, int attribute, const QVariant& value) {
    const QVariant v = value.isValid() ? value : QVariant(QString());
    switch (attribute) {
    case attr::Caption:
        c.caption = v.toString();
        break;
    case attr::Aggregate:
        c.aggregate = GridAggregate(listCode(attribute, v, 0, 7));
        break;
    case attr::Index:
        c.index = listCode(attribute, v, 0, 32767);
        break;
    case attr::Type:
        c.type = GridColumnType(listCode(attribute, v, 0, 3));
        break;
    case attr::Format:
        c.format = v.toString();
        break;
    case attr::HeaderAlignment:
        c.headerAlignment = GridAlignment(listCode(attribute, v, 0, 2));
        break;
    case attr::TextAlignment:
        c.textAlignment = GridAlignment(listCode(attribute, v, 0, 2));
        break;
    case attr::Visible:
        c.visible = flagValue(attribute, v);
        break;
    case attr::Width:
        c.width = listCode(attribute, v, 0, 1'000'000);
        break;
    case attr::DataField:
        c.dataField = v.toString();
        break;
    case attr::SortType:
        c.sortType = GridSortType(listCode(attribute, v, 1, 5));
        break;
    case attr::CardCaption:
        c.cardCaption = flagValue(attribute, v);
        break;
    case attr::GroupPrefix:
        c.groupPrefix = v.toString();
        break;
    case attr::WordWrap:
        c.wordWrap = flagValue(attribute, v);
        break;
    case attr::TotalFormat:
        c.totalFormat = v.toString();
        break;
    case attr::TotalPrefix:
        c.totalPrefix = v.toString();
        break;
    default:
        badAttribute(attribute, value);
    }
}

void checkLayout(const GridLayout& layout) {
    QSet<QString> keys;
    for (const GridColumn& c : layout.columns) {
        const QString k = c.key.toCaseFolded();
        if (c.key.isEmpty() || keys.contains(k))
            throw MvError(LoadError,
                          ui_text(QStringLiteral("Der Spaltenschlüssel \"%1\" ist leer oder doppelt."),
                                  QStringLiteral("The column key \"%1\" is empty or repeated."))
                              .arg(c.key));
        keys.insert(k);
    }
    for (const QList<GridSortKey>* list : {&layout.grouping, &layout.sorting}) {
        for (const GridSortKey& key : *list) {
            if (!keys.contains(key.column.toCaseFolded()))
                throw MvError(
                    LoadError,
                    ui_text(
                        QStringLiteral("Die Gruppierung oder Sortierung nennt die unbekannte Spalte \"%1\"."),
                        QStringLiteral("The grouping or sorting names the unknown column \"%1\"."))
                        .arg(key.column));
        }
    }
    if (layout.rowHeight <= 0 || layout.rowHeight > 32767 * 15)
        throw MvError(LoadError, ui_text(QStringLiteral("Die Zeilenhöhe %1 ist ungültig."),
                                         QStringLiteral("The row height %1 is not valid."))
                                     .arg(layout.rowHeight));
}

QByteArray layoutToJson(const GridLayout& layout) {
    QJsonArray columns;
    for (const GridColumn& c : layout.columns)
        columns.append(columnToJson(c));
    const QJsonObject root{{QStringLiteral("format"), FormatName},
                           {QStringLiteral("version"), FormatVersion},
                           {QStringLiteral("rowHeight"), layout.rowHeight},
                           {QStringLiteral("columns"), columns},
                           {QStringLiteral("grouping"), keysToJson(layout.grouping)},
                           {QStringLiteral("sorting"), keysToJson(layout.sorting)}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

GridLayout layoutFromJson(const QByteArray& json, const QString& sourceName) {
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (doc.isNull()) notALayout(sourceName, parseError.errorString());
    const QJsonObject root = doc.object();
    if (root.value(QLatin1String("format")).toString() != FormatName)
        notALayout(sourceName, ui_text("falsches Format", "wrong format"));
    const int version = root.value(QLatin1String("version")).toInt(0);
    if (version < 1 || version > FormatVersion)
        notALayout(sourceName, ui_text(QStringLiteral("Version %1 wird nicht unterstützt"),
                                       QStringLiteral("version %1 is not supported"))
                                   .arg(version));
    GridLayout layout;
    try {
        const QJsonValue height = root.value(QLatin1String("rowHeight"));
        if (!height.isUndefined()) {
            if (!height.isDouble() || height.toDouble() != double(height.toInt()))
                throw MvError(LoadError, QStringLiteral("rowHeight"));
            layout.rowHeight = height.toInt();
        }
        int position = 0;
        for (const QJsonValue& v : root.value(QLatin1String("columns")).toArray()) {
            GridColumn c = columnFromJson(v);
            if (!v.toObject().contains(QLatin1String("index"))) c.index = position;
            layout.columns.append(std::move(c));
            ++position;
        }
        layout.grouping = keysFromJson(root.value(QLatin1String("grouping")));
        layout.sorting = keysFromJson(root.value(QLatin1String("sorting")));
        checkLayout(layout);
    } catch (const MvError& e) {
        notALayout(sourceName, e.description());
    }
    return layout;
}

void saveLayoutFile(const GridLayout& layout, const QString& path) {
    checkLayout(layout);
    QString reason;
    if (!writeWholeFile(path, layoutToJson(layout), &reason))
        throw MvError(SaveError,
                      ui_text(QStringLiteral("Das Layout konnte nicht in \"%1\" gespeichert werden: %2"),
                              QStringLiteral("The layout could not be saved to \"%1\": %2"))
                          .arg(path, reason));
}

GridLayout loadLayoutFile(const QString& path) {
    QFile file(path);
    if (!file.exists())
        throw MvError(err::FileNotFound,
                      ui_text(QStringLiteral("Die Layout-Datei \"%1\" wurde nicht gefunden."),
                              QStringLiteral("The layout file \"%1\" was not found."))
                          .arg(path));
    if (!file.open(QIODevice::ReadOnly))
        throw MvError(err::PathFileAccess,
                      ui_text(QStringLiteral("Die Layout-Datei \"%1\" kann nicht gelesen werden: %2"),
                              QStringLiteral("The layout file \"%1\" cannot be read: %2"))
                          .arg(path, file.errorString()));
    return layoutFromJson(file.readAll(), path);
}

} // namespace mv
