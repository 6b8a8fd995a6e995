#include "app/mv_error.h"
#include "db/recordset.h"
#include "explorer/ddl_templates.h"
#include "support/scripted_user_port.h"

#include <gtest/gtest.h>

using namespace mv;

namespace {

TEST(DdlTemplates, TranslateDatatypeByCode) {
    const QVariant null;
    struct Case {
        QVariant code, length, octets, precision, scale;
        DatatypeText expected;
    } cases[] = {
        {16, null, null, 3, 0, {"Integer", "1 Bytes"}},
        {18, null, null, 5, 0, {"Integer", "2 Bytes"}},
        {3, null, null, 10, 0, {"Integer", "4 Bytes"}},
        {21, null, null, 20, 0, {"Integer", "8 Bytes"}},
        {5, null, null, 15, null, {"Floatingpoint", "15"}},
        {139, null, null, null, null, {"Floatingpoint", ""}},
        {131, null, null, 10, 2, {"Decimal", "10,2"}},
        {6, null, null, 19, 4, {"Decimal", "19,4"}},
        {131, null, null, null, null, {"Decimal", ""}},
        {131, null, null, 38, null, {"Decimal", "38"}},
        {201, qulonglong(4294967295ULL), qulonglong(17179869180ULL), null, null, {"Text", "4294967295"}},
        {133, null, null, null, null, {"Date", ""}},
        {134, null, null, null, null, {"Time", ""}},
        {135, null, null, 26, null, {"Timestamp", ""}},
        {202, 50, 100, null, null, {"Text", "50"}},
        {201, null, null, null, null, {"Text", ""}},
        {11, 1, null, null, null, {"Boolean", "1 Bytes"}},
        {72, null, null, null, null, {"unknown 72", ";;,"}},
        {204, 16, 16, null, null, {"unknown 204", "16;16;,"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(translateDatatype(c.code, c.length, c.octets, c.precision, c.scale), c.expected)
            << c.code.toInt();
}

TEST(DdlTemplates, TranslateDatatypeFromAColumnsRow) {
    Recordset rs;
    rs.appendField("DATA_TYPE", ado::adUnsignedSmallInt);
    rs.appendField("CHARACTER_MAXIMUM_LENGTH", ado::adUnsignedBigInt);
    rs.appendField("CHARACTER_OCTET_LENGTH", ado::adUnsignedBigInt);
    rs.appendField("NUMERIC_PRECISION", ado::adUnsignedSmallInt);
    rs.appendField("NUMERIC_SCALE", ado::adSmallInt);
    rs.open();
    rs.addNew();
    rs.setValue(0, 131);
    rs.setValue(3, 10);
    rs.setValue(4, 2);
    rs.update();
    QString type = "before", size = "before";
    EXPECT_TRUE(TranslateDatatype(rs, 0, type, size));
    EXPECT_EQ(type, "Decimal");
    EXPECT_EQ(size, "10,2");

    // A rowset without the type columns: reported, the outputs keep what they held.
    mvtest::ScriptedUserPort port;
    Recordset other;
    other.appendField("X", ado::adInteger);
    other.open();
    other.addNew();
    other.update();
    type = "kept", size = "kept";
    EXPECT_FALSE(TranslateDatatype(other, 0, type, size));
    EXPECT_EQ(type, "kept");
    EXPECT_EQ(size, "kept");
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_TRUE(port.lastText().endsWith("in Module {Globals}\r\nin Function {TranslateDatatype}"));
}

TEST(DdlTemplates, TemplatesWithTableName) {
    const QString fieldLine = "(\r\n\t<FieldName>\t<FieldType>\t<FieldOptions>,\r\n)";
    EXPECT_EQ(ddlTableName(std::nullopt), "<TableName>");
    EXPECT_EQ(ddlTableName(QString()), "");
    EXPECT_EQ(ddlTableName(QString("dbo.Orders")), "dbo.Orders");
    EXPECT_EQ(ddlTemplate(0, "dbo.Orders"), "CREATE TABLE\t<TableName>\r\n" + fieldLine);
    EXPECT_EQ(ddlTemplate(1, "dbo.Orders"), "ALTER TABLE\tdbo.Orders\t<ADD/MODIFY>\r\n" + fieldLine);
    EXPECT_EQ(ddlTemplate(1, "<TableName>"), "ALTER TABLE\t<TableName>\t<ADD/MODIFY>\r\n" + fieldLine);
    EXPECT_EQ(ddlTemplate(2, "Order Details"), "DROP TABLE\tOrder Details\r\n");
    EXPECT_THROW(ddlTemplate(3, "T"), MvError);
    EXPECT_EQ(ddlKeywordCaptions(), (QStringList{"UNIQUE", "PRIMARY KEY", "NOT NULL", "CONSTRAINT"}));
}

TEST(DdlTemplates, ProviderTypeRows) {
    Recordset rs;
    rs.appendField("TYPE_NAME", ado::adVarWChar, 128);
    rs.appendField("COLUMN_SIZE", ado::adUnsignedInt);
    rs.open();
    rs.addNew();
    rs.setValue(0, "varchar");
    rs.setValue(1, 255);
    rs.update();
    rs.addNew();
    rs.setValue(0, "bytea");
    rs.update();
    EXPECT_EQ(providerTypesOf(rs), (QList<ProviderType>{{"VARCHAR", "255"}, {"BYTEA", ""}}));
}

} // namespace
