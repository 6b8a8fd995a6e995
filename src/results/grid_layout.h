#pragma once
// Grid columns with their sixteen layout attributes, and the grid layout file.
//
// Layout file (UTF-8 JSON, written atomically):
//   {
//     "format": "morvenda-grid-layout", "version": 1,
//     "rowHeight": 255,                          row height in twips
//     "columns": [ {                             in display order
//        "key": "Name", "caption": "Name", "aggregate": 0, "index": 0, "type": 0, "format": "",
//        "headerAlignment": 0, "textAlignment": 0, "visible": true, "width": 1500 (twips),
//        "dataField": "Name", "sortType": 1, "cardCaption": false, "groupPrefix": "",
//        "wordWrap": false, "totalFormat": "", "totalPrefix": "",
//        "valueList": [ {"value": <JSON value>, "text": "...", "icon": -1} ] } ],
//     "grouping": [ {"column": "<key>", "descending": false} ],   outermost level first
//     "sorting":  [ {"column": "<key>", "descending": true} ]
//   }
// A file is read completely and checked before anything is applied; an unknown attribute value,
// a duplicate key or a grouping or sort entry naming no column is refused with a message.
#include "db/recordset_cell.h"

#include <QList>
#include <QString>
#include <QVariant>

namespace mv {

enum class GridAggregate : int { None = 0, Count, Sum, Average, Min, Max, StdDev, ValueCount };
enum class GridColumnType : int { Text = 0, Icon, IconAndText, CheckBox };
enum class GridAlignment : int { Left = 0, Center, Right };
enum class GridSortType : int { String = 1, Numeric, Date, DateTime, Time };

// One entry of a column's value list: a cell equal to `value` is shown as `text` and, for icon
// columns, with the image of number `icon` from the grid's image list (-1: none).
struct GridValueItem {
    QVariant value;
    QString text;
    int icon = -1;
    bool operator==(const GridValueItem& o) const {
        return value == o.value && text == o.text && icon == o.icon;
    }
};

struct GridColumn {
    QString key; // unique within the grid (letter case ignored); names the column
    QString caption;
    GridAggregate aggregate = GridAggregate::None;
    int index = 0; // position in the grid; set by the grid
    GridColumnType type = GridColumnType::Text;
    QString format;
    GridAlignment headerAlignment = GridAlignment::Left;
    GridAlignment textAlignment = GridAlignment::Left;
    bool visible = true;
    int width = 1500; // twips
    QString dataField;
    GridSortType sortType = GridSortType::String;
    bool cardCaption = false;
    QString groupPrefix;
    bool wordWrap = false;
    QString totalFormat;
    QString totalPrefix;
    QList<GridValueItem> valueList;

    bool operator==(const GridColumn&) const = default;

    // The text of a value-list entry matching the value, or nothing.
    const GridValueItem* valueItem(const QVariant& value) const;
};

// A column for a field: key, caption and data field are the field's name; numbers are right
// aligned, booleans show as check boxes, the sort type follows the field's type.
GridColumn columnForField(const FieldInfo& field, int index);
GridSortType sortTypeForField(int adoType);

// A grouping level or a sort key: the column key and the direction.
struct GridSortKey {
    QString column;
    bool descending = false;
    bool operator==(const GridSortKey&) const = default;
};

struct GridLayout {
    QList<GridColumn> columns; // in display order
    QList<GridSortKey> grouping;
    QList<GridSortKey> sorting;
    int rowHeight = 255; // twips

    bool operator==(const GridLayout&) const = default;
};

constexpr int LayoutAttributeCount = 16;
namespace attr {
enum : int {
    Caption = 0,
    Aggregate,
    Index,
    Type,
    Format,
    HeaderAlignment,
    TextAlignment,
    Visible,
    Width,
    DataField,
    SortType,
    CardCaption,
    GroupPrefix,
    WordWrap,
    TotalFormat,
    TotalPrefix
};
}

// "Column", "Aggregate", "Index", ... in attribute order.
QString layoutAttributeCaption(int attribute);
// The texts of the list attributes by value: aggregates 0..7, types 0..3, alignments 0..2,
// sort types 1..5 ("String" is value 1).
QStringList aggregateNames();
QStringList columnTypeNames();
QStringList alignmentNames();
QStringList sortTypeNames();

// An attribute as a plain value (numbers for lists, bool for flags, text otherwise).
QVariant columnAttribute(const GridColumn& column, int attribute);
// Checks and stores one attribute; throws MvError 13 with the attribute's caption when the value
// does not fit (a list code out of range, a width that is no whole number >= 0).
void setColumnAttribute(GridColumn& column, int attribute, const QVariant& value);

// Keys unique (case ignored) and every grouping and sort key naming a column; throws MvError.
void checkLayout(const GridLayout& layout);

QByteArray layoutToJson(const GridLayout& layout);
// Throws MvError 31037 (with `sourceName`) for text that is no layout of this form.
GridLayout layoutFromJson(const QByteArray& json, const QString& sourceName);
// Throws MvError 31036 when the file cannot be written (an earlier file stays as it was).
void saveLayoutFile(const GridLayout& layout, const QString& path);
// Throws MvError 53 for a missing file, 75 when it cannot be read, 31037 as layoutFromJson.
GridLayout loadLayoutFile(const QString& path);

} // namespace mv
