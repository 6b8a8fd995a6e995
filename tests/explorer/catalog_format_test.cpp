#include "db/recordset.h"
#include "explorer/catalog_listings.h"
#include "explorer/explorer_catalog.h"
#include "explorer/stored_procedures.h"

#include <gtest/gtest.h>

using namespace mv;

namespace {

// An index rowset as the catalog gives it: INDEX_NAME, UNIQUE, COLUMN_NAME per row.
Recordset indexRowset(const QList<std::tuple<QVariant, bool, QString>>& rows) {
    Recordset rs;
    rs.appendField("INDEX_NAME", ado::adVarWChar, 128);
    rs.appendField("UNIQUE", ado::adBoolean);
    rs.appendField("COLUMN_NAME", ado::adVarWChar, 128);
    rs.open();
    for (const auto& [name, unique, column] : rows) {
        rs.addNew();
        rs.setValue(0, name);
        rs.setValue(1, unique);
        rs.setValue(2, column);
        rs.update();
    }
    return rs;
}

TEST(CatalogFormat, NamesFilterAndOrderKey) {
    EXPECT_EQ(objectNameText("dbo", "T"), "dbo.T");
    EXPECT_EQ(objectNameText("", "T"), "T");
    struct {
        const char* filter;
        const char* schema;
        const char* name;
        bool kept;
    } filters[] = {{"", "dbo", "x", true},         {"ORD", "dbo", "Orders", true},
                   {"ORD", "dbo", "ORDERS", true}, {"ORD", "", "customers", false},
                   {"DBO.C", "dbo", "cust", true}, {".CUST", "", "cust", true},
                   {"%", "", "cust", false}};
    for (const auto& f : filters)
        EXPECT_EQ(filterKeeps(f.filter, f.schema, f.name), f.kept) << f.filter << f.name;
    const std::pair<int, const char*> keys[] = {{1, "A1"}, {9, "A9"}, {10, "B0"}, {11, "B1"}, {25, "C5"}};
    for (const auto& [n, key] : keys)
        EXPECT_EQ(orderKey(n), key);
    EXPECT_TRUE(orderKey(9) < orderKey(10));
    EXPECT_EQ(splitObjectName("dbo.T").owner, "dbo");
    EXPECT_EQ(splitObjectName("dbo.T").table, "T");
    EXPECT_EQ(splitObjectName("Order Details").owner, "");
    EXPECT_EQ(splitObjectName("Order Details").table, "Order Details");
}

TEST(CatalogFormat, IndexEntriesCountRowsAndSkipUnnamed) {
    const Recordset rs = indexRowset(
        {{QVariant(), false, "x"}, {"IX_A", false, "a"}, {"PK_T", true, "id"}, {"PK_T", true, "code"}});
    const QList<IndexEntry> entries = indexEntriesOf(rs);
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0].text(), "A|1: IX_A|INDEX");
    EXPECT_EQ(entries[1].text(), "ID|2: PK_T|UNIQUE INDEX");
    EXPECT_EQ(entries[2].text(), "CODE|3: PK_T|UNIQUE INDEX");
}

TEST(CatalogFormat, KeyAndIndexMarks) {
    struct Case {
        const char* name;
        QStringList keys;
        QList<IndexEntry> indexes;
        int icon;
        bool bold, blue;
        QString indexText;
    } cases[] = {
        {"plain field", {}, {}, icon::Field, false, false, ""},
        {"key only", {"ID"}, {}, icon::KeyField, true, false, ""},
        {"key in unique index",
         {"ID"},
         {{"ID", "1: PK_T", true}},
         icon::KeyUniqueIndexField,
         true,
         true,
         "1: PK_T"},
        {"key in plain index", {"ID"}, {{"ID", "1: IX", false}}, icon::KeyIndexField, true, true, "1: IX"},
        {"unique index", {}, {{"ID", "1: UX", true}}, icon::UniqueIndexField, false, true, "1: UX"},
        {"two indexes, the later decides",
         {},
         {{"ID", "1: UX", true}, {"ID", "2: IX", false}},
         icon::IndexField,
         false,
         true,
         "1: UX, 2: IX"},
        {"key marks stay once set",
         {"ID"},
         {{"ID", "1: PK", true}, {"ID", "2: IX", false}},
         icon::KeyUniqueIndexField,
         true,
         true,
         "1: PK, 2: IX"},
        {"other column", {"OTHER"}, {{"OTHER", "1: PK", true}}, icon::Field, false, false, ""},
    };
    for (const Case& c : cases) {
        FieldRow row;
        row.name = "id";
        markKeysAndIndexes(row, c.keys, c.indexes);
        EXPECT_EQ(row.icon, c.icon) << c.name;
        EXPECT_EQ(row.bold, c.bold) << c.name;
        EXPECT_EQ(row.blue, c.blue) << c.name;
        EXPECT_EQ(row.indexes, c.indexText) << c.name;
    }
}

TEST(CatalogFormat, TableAndViewLines) {
    EXPECT_EQ(tableListingLine("dbo", "Orders"), "DBO.ORDERS\r\n");
    EXPECT_EQ(tableListingLine("", "Orders"), "ORDERS\r\n");
    EXPECT_EQ(tableListingLine("  ", "Orders"), "ORDERS\r\n");
    EXPECT_EQ(viewListingLine("public", "order_summary"), "PUBLIC.ORDER_SUMMARY\r\n");
    EXPECT_EQ(viewListingLine("", "v"), "V\r\n");
}

TEST(CatalogFormat, FieldLines) {
    struct Case {
        const char *schema, *table, *column, *type, *size;
        bool nullable;
        const char* expected;
    } cases[] = {
        {"dbo", "T", "ID", "Integer", "4 Bytes", false, "dbo.T.ID\t\tInteger(4 Bytes), \tNOT NULL\r\n"},
        // 6 + 11 + 1 = 18: still two TABs; one more character: one TAB.
        {"public", "order_items", "x", "Text", "5", true, "public.order_items.x\t\tText(5), \tNULL\r\n"},
        {"public", "order_itemsX", "x", "Text", "5", true, "public.order_itemsX.x\tText(5), \tNULL\r\n"},
        {"", "customers", "city", "Text", "40", false, "customers.city\tText(40)\tNOT NULL\r\n"},
        {"", "Order Details", "discount", "Decimal", "4,2", true,
         "Order Details.discount\tDecimal(4,2)\tNULL\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fieldListingLine(c.schema, c.table, c.column, c.type, c.size, c.nullable), c.expected)
            << c.expected;
}

TEST(CatalogFormat, IndexLines) {
    const Recordset rs = indexRowset(
        {{QVariant(), false, "ignored"}, {"IX_B", false, "b1"}, {"IX_B", false, "b2"}, {"PK_T", true, "id"}});
    EXPECT_EQ(indexListingLines("dbo", "T", rs),
              (QStringList{"dbo.T\tIX_B\tNOT UNIQUE\tb1,b2", "dbo.T\tPK_T\tUNIQUE\tid"}));
    EXPECT_EQ(indexListingLines("", "T", indexRowset({{"PK", true, "id"}})),
              QStringList{"T\tPK\tUNIQUE\tid"});
    EXPECT_TRUE(indexListingLines("", "T", indexRowset({})).isEmpty());
}

TEST(CatalogFormat, ProcedureParameterLines) {
    const QVariant null;
    EXPECT_EQ(parameterSizeText(50, 10, 2), "50");
    EXPECT_EQ(parameterSizeText(null, 10, 2), "10");
    EXPECT_EQ(parameterSizeText(null, null, 2), "2");
    EXPECT_EQ(parameterSizeText(null, null, null), "");
    EXPECT_EQ(parameterListingLine("", "ORDERS_BETWEEN", "1", "from_date", "DATE", ""),
              ".ORDERS_BETWEEN\t1\tfrom_date\tDATE()\r\n");
    EXPECT_EQ(parameterListingLine("DBO", "P", "2", "@n", "varchar", "50"), "DBO.P\t2\t@n\tvarchar(50)\r\n");
}

TEST(CatalogFormat, ProcedureNames) {
    EXPECT_EQ(splitProcedureName("dbo.GetOrders;1").owner, "dbo");
    EXPECT_EQ(splitProcedureName("dbo.GetOrders;1").procedure, "GetOrders;1");
    EXPECT_EQ(splitProcedureName("p").owner, "");
    struct {
        const char *text, *schema, *name;
    } infos[] = {
        {"dbo.GetOrders;1", "dbo", "GetOrders"}, {"GetAll;1", "", "GetAll"}, {"a.b.c.d", "a", "b.c"}};
    for (const auto& i : infos) {
        EXPECT_EQ(procedureInfoName(i.text).schema, i.schema) << i.text;
        EXPECT_EQ(procedureInfoName(i.text).name, i.name) << i.text;
    }

    Recordset rs;
    rs.appendField("PROCEDURE_SCHEMA", ado::adVarWChar, 128);
    rs.appendField("PROCEDURE_NAME", ado::adVarWChar, 128);
    rs.open();
    EXPECT_EQ(procedureInfoText(rs), "");
    rs.addNew();
    rs.setValue(1, "GetOrders;1");
    rs.update();
    EXPECT_EQ(procedureInfoText(rs), "PROCEDURE_SCHEMA = \r\nPROCEDURE_NAME = GetOrders;1\r\n");
}

} // namespace
