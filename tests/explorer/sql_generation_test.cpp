#include "db/recordset.h"
#include "explorer/sql_generation.h"

#include <gtest/gtest.h>

using namespace mv;

namespace {

struct JoinCase {
    const char* name;
    QStringList tables;
    int kind;
    QString expected;
};

TEST(SqlGeneration, JoinSkeletonByDatabaseKind) {
    const JoinCase cases[] = {
        {"one table gives nothing", {"A"}, 2, ""},
        {"no table gives nothing", {}, 2, ""},
        {"SQL Server", {"A", "B"}, 2, "FROM \tA, B\r\n\t\tWHERE\t\t<KeyXTab1> = <KeyXTab2>\r\n"},
        {"PostgreSQL takes the default",
         {"public.a", "public.b"},
         5,
         "FROM \tpublic.a, public.b\r\n\t\tWHERE\t\t<KeyXTab1> = <KeyXTab2>\r\n"},
        {"DB2 without leading TABs", {"A", "B"}, 4, "FROM \tA, B\r\nWHERE\t\t<KeyXTab1> = <KeyXTab2>\r\n"},
        {"Jet nests",
         {"A", "B", "C"},
         1,
         "FROM A INNER JOIN  B ON (<KeyXTab1> = <KeyXTab2> AND ...)  INNER JOIN  C ON (<KeyXTab1> = "
         "<KeyXTab2> AND ...) "},
    };
    for (const JoinCase& c : cases)
        EXPECT_EQ(buildJoin(c.tables, c.kind), c.expected) << c.name;
    // With the connection's quoting every name is written as the catalog spells it.
    EXPECT_EQ(buildJoin({"public.Order Details", "public.order"}, 5, NameQuoting{5, "\""}),
              "FROM \t\"public\".\"Order Details\", \"public\".\"order\"\r\n\t\tWHERE\t\t<KeyXTab1> = <KeyXTab2>\r\n");
    EXPECT_EQ(buildJoin({"A", "B c"}, 1, NameQuoting{1, ""}),
              "FROM A INNER JOIN  [B c] ON (<KeyXTab1> = <KeyXTab2> AND ...) ");
}

TEST(SqlGeneration, MarkedFieldsAreQuotedAndQualified) {
    struct Case {
        const char* name;
        QStringList fields;
        QString prefix;
        NameQuoting quoting;
        QStringList expected;
    } cases[] = {
        {"plain", {"A", "B"}, "", {2, ""}, {"A", "B"}},
        {"long names", {"A", "B"}, "dbo.T", {2, ""}, {"dbo.T.A", "dbo.T.B"}},
        {"SQL Server brackets", {"my col"}, "", {2, ""}, {"[my col]"}},
        {"Oracle without quote stays bare", {"my col"}, "", {3, ""}, {"my col"}},
        {"PostgreSQL quotes", {"my col"}, "", {5, "\""}, {"\"my col\""}},
        {"MariaDB backticks", {"my col"}, "", {6, "`"}, {"`my col`"}},
        {"table part of a long name is quoted too", {"ID"}, "Order Details", {1, ""}, {"[Order Details].ID"}},
        {"PostgreSQL keeps the catalog's case", {"MixedCase", "select", "Key Id", "qu\"ote", "plain"}, "public.order",
         NameQuoting{5, "\"", SqlDialect::PostgreSQL},
         {"\"public\".\"order\".\"MixedCase\"", "\"public\".\"order\".\"select\"", "\"public\".\"order\".\"Key Id\"",
          "\"public\".\"order\".\"qu\"\"ote\"", "\"public\".\"order\".plain"}},
        {"MariaDB doubles backticks", {"back`tick", "MixedCase", "from"}, "", NameQuoting{6, "`", SqlDialect::MariaDB},
         {"`back``tick`", "MixedCase", "`from`"}},
        {"driver keywords are quoted", {"rownum", "limit"}, "", NameQuoting{0, "\"", SqlDialect::Generic, {"LIMIT", "ROWNUM"}},
         {"\"rownum\"", "\"limit\""}},
        {"SQL Server doubles the closing bracket", {"a]b"}, "", {2, ""}, {"[a]]b]"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(markedFields(c.fields, c.prefix, c.quoting), c.expected) << c.name;
    EXPECT_EQ(markedTableList({"a", "b", "c"}), "a, b, c");
    EXPECT_EQ(markedTableList({}), "");
}

QList<RowValue> row(std::initializer_list<RowValue> values) {
    return QList<RowValue>(values);
}

TEST(SqlGeneration, WhereClauseForTheCurrentRow) {
    struct Case {
        const char* name;
        QStringList keys;
        QList<RowValue> row;
        NameQuoting quoting;
        QString expected;
        QStringList missing;
    } cases[] = {
        {"number and text",
         {"ID", "CODE"},
         row({{"id", "5", true, false}, {"Code", "abc", false, false}}),
         {2, ""},
         "WHERE \tID = 5\r\nAND \tCODE = 'abc'\r\n",
         {}},
        {"apostrophe doubled",
         {"name"},
         row({{"name", "O'Brien", false, false}}),
         {5, "\""},
         "WHERE \tname = 'O''Brien'\r\n",
         {}},
        {"null key left out",
         {"a", "b"},
         row({{"a", "", true, true}, {"b", "7", true, false}}),
         {5, "\""},
         "WHERE \tb = 7\r\n",
         {}},
        {"unset value is empty text",
         {"a"},
         row({{"a", "", false, false}}),
         {5, "\""},
         "WHERE \ta = ''\r\n",
         {}},
        {"missing key reported and left out",
         {"a", "b"},
         row({{"b", "x", false, false}}),
         {5, "\""},
         "WHERE \tb = 'x'\r\n",
         {"a"}},
        {"no result set", {"a"}, {}, {5, "\""}, "", {"a"}},
        {"PostgreSQL key spelled as in the catalog",
         {"Key Id", "Select"},
         row({{"key id", "3", true, false}, {"select", "x", false, false}}),
         {5, "\""},
         "WHERE \t\"Key Id\" = 3\r\nAND \t\"Select\" = 'x'\r\n",
         {}},
        {"key with blank is quoted",
         {"ORDER ID"},
         row({{"order id", "3", true, false}}),
         {2, ""},
         "WHERE \t[ORDER ID] = 3\r\n",
         {}},
    };
    for (const Case& c : cases) {
        QStringList missing;
        EXPECT_EQ(buildWhereClause(c.keys, c.row, c.quoting, [&](const QString& k) { missing << k; }),
                  c.expected)
            << c.name;
        EXPECT_EQ(missing, c.missing) << c.name;
    }
}

TEST(SqlGeneration, RowValuesOfARecordset) {
    Recordset rs;
    rs.appendField("ID", ado::adInteger);
    rs.appendField("NAME", ado::adVarWChar, 50);
    rs.appendField("PRICE", ado::adNumeric, 0, true, 10, 2);
    rs.open();
    rs.addNew();
    rs.setValue(0, 5);
    rs.setValue(1, "O'Brien");
    rs.update();
    const QList<RowValue> values = rowValuesOf(rs, 0);
    ASSERT_EQ(values.size(), 3);
    EXPECT_EQ(values[0].text, "5");
    EXPECT_TRUE(values[0].numeric);
    EXPECT_EQ(values[1].text, "O'Brien");
    EXPECT_FALSE(values[1].numeric);
    EXPECT_TRUE(values[2].isNull);
    EXPECT_TRUE(values[2].numeric);
    // Without a current row every value is unset: neither Null nor a value.
    for (const RowValue& v : rowValuesOf(rs, -1)) {
        EXPECT_FALSE(v.isNull);
        EXPECT_TRUE(v.text.isEmpty());
    }
}

TEST(SqlGeneration, UpdateSkeleton) {
    EXPECT_EQ(buildUpdate("[Order Details]", {"A", "B"}, "WHERE \tID = 1\r\n"),
              "UPDATE \t[Order Details]\r\nSET \t\tA = ValueX,\r\n\t\tB = ValueX\r\nWHERE \tID = 1\r\n");
    EXPECT_EQ(buildUpdate("T", {}, ""), "UPDATE \tT\r\nSET \t\t = ValueX\r\n");
}

TEST(SqlGeneration, DeleteTabs) {
    EXPECT_EQ(deleteTabs("SELECT\t*\r\nFROM\t\tT"), "SELECT *\r\nFROM  T");
    EXPECT_EQ(deleteTabs("no tabs here"), "no tabs here");
}

} // namespace
