#include "app/mv_error.h"
#include "results/grid_layout.h"
#include "results/grid_layout_table.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

using namespace mv;

namespace {

long errorNumber(const std::function<void()>& body) {
    try {
        body();
    } catch (const MvError& e) {
        return e.number();
    }
    return 0;
}

// Every attribute away from its default, so a lost attribute shows.
GridColumn fullColumn(const QString& key, int index) {
    GridColumn c;
    c.key = key;
    c.caption = key + " caption";
    c.aggregate = GridAggregate::StdDev;
    c.index = index;
    c.type = GridColumnType::IconAndText;
    c.format = "#,##0.00";
    c.headerAlignment = GridAlignment::Center;
    c.textAlignment = GridAlignment::Right;
    c.visible = false;
    c.width = 2345;
    c.dataField = key + "_field";
    c.sortType = GridSortType::Time;
    c.cardCaption = true;
    c.groupPrefix = "Group: ";
    c.wordWrap = true;
    c.totalFormat = "0.0";
    c.totalPrefix = "Σ ";
    c.valueList = {{true, "yes", 3}, {false, "no", 4}, {QString("x"), "ex", -1}, {2.5, "two and a half", 1}};
    return c;
}

GridLayout fullLayout() {
    GridLayout layout;
    layout.columns = {fullColumn("B", 0), fullColumn("A", 1), fullColumn("Ümlaut, \"quoted\"", 2)};
    layout.grouping = {{"A", true}, {"B", false}};
    layout.sorting = {{"Ümlaut, \"quoted\"", true}};
    layout.rowHeight = 450;
    return layout;
}

} // namespace

TEST(GridLayoutFile, EveryAttributeSurvivesSaveAndLoad) {
    mvtest::TempFolder dir;
    const GridLayout layout = fullLayout();
    const QString path = dir.file("grid.lyt");
    saveLayoutFile(layout, path);
    const GridLayout back = loadLayoutFile(path);
    ASSERT_EQ(back.columns.size(), 3);
    for (int i = 0; i < 3; ++i) {
        for (int a = 0; a < LayoutAttributeCount; ++a)
            EXPECT_EQ(columnAttribute(back.columns[i], a), columnAttribute(layout.columns[i], a))
                << "column " << i << " attribute " << layoutAttributeCaption(a).toStdString();
        EXPECT_EQ(back.columns[i].valueList, layout.columns[i].valueList);
    }
    EXPECT_EQ(back, layout);
}

TEST(GridLayoutFile, RefusesWhatIsNoLayoutAndNamesTheFile) {
    mvtest::TempFolder dir;
    struct Case {
        const char* name;
        QByteArray text;
    };
    const Case cases[] = {
        {"not json", "{ columns: "},
        {"other format", R"({"format":"something","version":1})"},
        {"newer version", R"({"format":"morvenda-grid-layout","version":99})"},
        {"repeated key",
         R"({"format":"morvenda-grid-layout","version":1,"columns":[{"key":"a"},{"key":"A"}]})"},
        {"unknown group column",
         R"({"format":"morvenda-grid-layout","version":1,"columns":[{"key":"a"}],"grouping":[{"column":"b"}]})"},
        {"aggregate out of range",
         R"({"format":"morvenda-grid-layout","version":1,"columns":[{"key":"a","aggregate":8}]})"},
        {"width as text",
         R"({"format":"morvenda-grid-layout","version":1,"columns":[{"key":"a","width":"wide"}]})"},
        {"zero row height", R"({"format":"morvenda-grid-layout","version":1,"rowHeight":0,"columns":[]})"},
    };
    for (const Case& c : cases) {
        const QString path = dir.write(QString("%1.lyt").arg(c.name), c.text);
        try {
            loadLayoutFile(path);
            ADD_FAILURE() << c.name << " was accepted";
        } catch (const MvError& e) {
            EXPECT_EQ(e.number(), 31037) << c.name;
            EXPECT_TRUE(e.description().contains(path)) << c.name << ": " << e.description().toStdString();
        }
    }
    EXPECT_EQ(errorNumber([&] { loadLayoutFile(dir.file("missing.lyt")); }), 53);
}

TEST(GridLayoutFile, AFailedSaveKeepsTheEarlierFile) {
    mvtest::TempFolder dir;
    const QString path = dir.write("kept.lyt", "earlier");
    GridLayout bad;
    bad.columns = {fullColumn("A", 0), fullColumn("a", 1)};
    EXPECT_EQ(errorNumber([&] { saveLayoutFile(bad, path); }), 31037);
    EXPECT_EQ(dir.read("kept.lyt"), "earlier");
    EXPECT_EQ(errorNumber([&] { saveLayoutFile(fullLayout(), dir.file("no/such/folder/x.lyt")); }), 31036);
}

TEST(GridColumnAttributes, ValuesOutsideTheirListsAreRefused) {
    struct Case {
        int attribute;
        QVariant value;
        bool accepted;
    };
    const Case cases[] = {
        {attr::Aggregate, 7, true},      {attr::Aggregate, 8, false},  {attr::Aggregate, "Sum", false},
        {attr::Type, 3, true},           {attr::Type, -1, false},      {attr::HeaderAlignment, 2, true},
        {attr::TextAlignment, 3, false}, {attr::SortType, 1, true},    {attr::SortType, 0, false},
        {attr::SortType, 6, false},      {attr::Width, 0, true},       {attr::Width, -5, false},
        {attr::Width, 12.5, false},      {attr::Width, "300", true},   {attr::Visible, "True", true},
        {attr::Visible, "maybe", false}, {attr::CardCaption, 0, true}, {attr::Index, -1, false},
    };
    for (const Case& c : cases) {
        GridColumn column;
        const long number = errorNumber([&] { setColumnAttribute(column, c.attribute, c.value); });
        EXPECT_EQ(number == 0, c.accepted)
            << layoutAttributeCaption(c.attribute).toStdString() << " = " << c.value.toString().toStdString();
        if (!c.accepted) {
            EXPECT_EQ(number, 13);
        }
    }
}

TEST(GridColumnAttributes, FieldTypesGiveAlignmentDisplayAndSortType) {
    struct Case {
        int type;
        GridAlignment align;
        GridColumnType display;
        GridSortType sort;
    };
    const Case cases[] = {
        {ado::adInteger, GridAlignment::Right, GridColumnType::Text, GridSortType::Numeric},
        {ado::adNumeric, GridAlignment::Right, GridColumnType::Text, GridSortType::Numeric},
        {ado::adVarWChar, GridAlignment::Left, GridColumnType::Text, GridSortType::String},
        {ado::adBoolean, GridAlignment::Center, GridColumnType::CheckBox, GridSortType::Numeric},
        {ado::adDBDate, GridAlignment::Left, GridColumnType::Text, GridSortType::Date},
        {ado::adDBTime, GridAlignment::Left, GridColumnType::Text, GridSortType::Time},
        {ado::adDBTimeStamp, GridAlignment::Left, GridColumnType::Text, GridSortType::DateTime},
    };
    for (const Case& c : cases) {
        const GridColumn col = columnForField(FieldInfo{"F", c.type}, 4);
        EXPECT_EQ(col.textAlignment, c.align) << c.type;
        EXPECT_EQ(col.type, c.display) << c.type;
        EXPECT_EQ(col.sortType, c.sort) << c.type;
        EXPECT_EQ(col.key, "F");
        EXPECT_EQ(col.dataField, "F");
        EXPECT_EQ(col.index, 4);
    }
}

TEST(LayoutTable, UnboundHandlersReadWriteAppendAndRemoveRows) {
    mvtest::ScriptedUserPort port;
    LayoutTable table;
    table.fill({fullColumn("A", 0), fullColumn("B", 1)});
    ASSERT_EQ(table.rowCount(), 2);
    QVariantList values;
    table.GridUnboundReadData(2, values);
    ASSERT_EQ(values.size(), LayoutAttributeCount);
    EXPECT_EQ(values[attr::Caption], "B caption");
    EXPECT_EQ(values[attr::Index], 1);

    values[attr::Caption] = "changed";
    table.GridUnboundUpdate(2, values);
    table.GridUnboundAddNew(values);
    EXPECT_EQ(table.rowCount(), 3);
    table.GridUnboundDelete(1);
    ASSERT_EQ(table.rowCount(), 2);
    EXPECT_EQ(table.row(0)[attr::Caption], "changed"); // the following rows moved up
    table.GridUnboundDelete(2);
    table.GridUnboundDelete(1);
    EXPECT_EQ(table.rowCount(), 0); // deleting the last row empties the table
    EXPECT_TRUE(port.messages.isEmpty());

    // A row that is not there is reported with the handler's name, and changes nothing.
    table.GridUnboundDelete(1);
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_TRUE(port.lastText().contains("GridUnboundDelete"));
    EXPECT_TRUE(port.lastText().contains("modGrid"));
}

TEST(LayoutTable, AppliesEachRowToTheColumnItsIndexNames) {
    QList<GridColumn> columns = {columnForField(FieldInfo{"a", ado::adInteger}, 0),
                                 columnForField(FieldInfo{"b", ado::adVarWChar}, 1)};
    LayoutTable table;
    table.fill(columns);
    // The first row now aims at column 1 and the second at column 0.
    LayoutRow first = table.row(0), second = table.row(1);
    first[attr::Index] = 1;
    first[attr::Caption] = "to b";
    first[attr::Width] = 777;
    second[attr::Index] = 0;
    second[attr::Caption] = "to a";
    table.GridUnboundUpdate(1, QVariantList(first.begin(), first.end()));
    table.GridUnboundUpdate(2, QVariantList(second.begin(), second.end()));
    table.applyTo(columns);
    EXPECT_EQ(columns[0].caption, "to a");
    EXPECT_EQ(columns[1].caption, "to b");
    EXPECT_EQ(columns[1].width, 777);
    EXPECT_EQ(columns[1].dataField, "a"); // every other attribute travels with the row
}

TEST(LayoutTable, ARowThatFitsNoColumnChangesNothing) {
    const QList<GridColumn> original = {columnForField(FieldInfo{"a", ado::adInteger}, 0),
                                        columnForField(FieldInfo{"b", ado::adVarWChar}, 1)};
    struct Case {
        const char* name;
        int attribute;
        QVariant value;
    };
    const Case cases[] = {{"index beyond the columns", attr::Index, 5},
                          {"index repeated", attr::Index, 0},
                          {"index no number", attr::Index, "x"},
                          {"bad aggregate", attr::Aggregate, 12}};
    for (const Case& c : cases) {
        LayoutTable table;
        table.fill(original);
        LayoutRow second = table.row(1);
        second[attr::Caption] = "changed";
        second[size_t(c.attribute)] = c.value;
        LayoutRow first = table.row(0);
        first[attr::Caption] = "also changed";
        table.GridUnboundUpdate(1, QVariantList(first.begin(), first.end()));
        table.GridUnboundUpdate(2, QVariantList(second.begin(), second.end()));
        QList<GridColumn> columns = original;
        EXPECT_NE(errorNumber([&] { table.applyTo(columns); }), 0) << c.name;
        EXPECT_EQ(columns, original) << c.name;
    }
}
