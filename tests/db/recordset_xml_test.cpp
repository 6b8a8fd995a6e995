#include "app/mv_error.h"
#include "db/recordset_builder.h"
#include "db/recordset_xml.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDate>

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

QByteArray crlf(QByteArray text) {
    return text.replace("\n", "\r\n");
}

QByteArray toXml(const Recordset& rs) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    saveXml(rs, &buffer);
    return buffer.data();
}

Recordset fromXml(const QByteArray& xml) {
    QBuffer buffer;
    buffer.setData(xml);
    buffer.open(QIODevice::ReadOnly);
    return loadXml(&buffer);
}

const QByteArray Namespaces = "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'\n"
                              "\txmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'\n"
                              "\txmlns:rs='urn:schemas-microsoft-com:rowset'\n"
                              "\txmlns:z='#RowsetSchema'>\n";

TEST(RecordsetXml, WritesTheDocumentedSampleByteForByte) {
    RecordsetBuilder b({FieldInfo{"ID", ado::adInteger, 4, 0, 0, false},
                        FieldInfo{"Order Date", ado::adDBTimeStamp, 16, 0, 0, true},
                        FieldInfo{"Price", ado::adNumeric, 19, 10, 2, true}});
    b.appendRow({1, QDateTime(QDate(2024, 1, 31), QTime(12, 34, 56)), "1234.56"});
    b.appendRow({2});
    const QByteArray expected =
        crlf(Namespaces +
             "<s:Schema id='RowsetSchema'>\n"
             "\t<s:ElementType name='row' content='eltOnly' rs:updatable='true'>\n"
             "\t\t<s:AttributeType name='ID' rs:number='1' rs:write='true'>\n"
             "\t\t\t<s:datatype dt:type='int' dt:maxLength='4' rs:precision='0' rs:fixedlength='true' "
             "rs:maybenull='false'/>\n"
             "\t\t</s:AttributeType>\n"
             "\t\t<s:AttributeType name='c1' rs:name='Order Date' rs:number='2' rs:nullable='true' "
             "rs:write='true'>\n"
             "\t\t\t<s:datatype dt:type='dateTime' rs:dbtype='timestamp' dt:maxLength='16' rs:scale='0' "
             "rs:precision='0' rs:fixedlength='true'/>\n"
             "\t\t</s:AttributeType>\n"
             "\t\t<s:AttributeType name='Price' rs:number='3' rs:nullable='true' rs:write='true'>\n"
             "\t\t\t<s:datatype dt:type='number' rs:dbtype='numeric' dt:maxLength='19' rs:scale='2' "
             "rs:precision='10' rs:fixedlength='true'/>\n"
             "\t\t</s:AttributeType>\n"
             "\t\t<s:extends type='rs:rowbase'/>\n"
             "\t</s:ElementType>\n"
             "</s:Schema>\n"
             "<rs:data>\n"
             "\t<z:row ID='1' c1='2024-01-31T12:34:56' Price='1234.56'/>\n"
             "\t<z:row ID='2'/>\n"
             "</rs:data>\n"
             "</xml>");
    EXPECT_EQ(toXml(b.finish()), expected);
}

struct WrittenValue {
    FieldInfo field;
    QVariant value;
    QByteArray datatype; // the s:datatype line's attributes after dt:type
    QByteArray row;      // the written row
};

class WritesType : public ::testing::TestWithParam<WrittenValue> {};

TEST_P(WritesType, SchemaAndValueTextAsDocumented) {
    const WrittenValue& c = GetParam();
    RecordsetBuilder b({c.field});
    b.appendRow({c.value});
    const Recordset rs = b.finish();
    const QByteArray xml = toXml(rs);
    EXPECT_TRUE(xml.contains("<s:datatype dt:type=" + c.datatype + "/>")) << xml.constData();
    EXPECT_TRUE(xml.contains("\t<z:row " + c.row + "/>\r\n")) << xml.constData();
    const Recordset back = fromXml(xml);
    EXPECT_EQ(back.fields(), rs.fields());
    EXPECT_EQ(back.value(0, 0), rs.value(0, 0));
}

INSTANTIATE_TEST_SUITE_P(
    RecordsetXml, WritesType,
    ::testing::Values(
        WrittenValue{{"v", ado::adSmallInt, 0, 5},
                     -32768,
                     "'i2' dt:maxLength='2' rs:precision='5' rs:fixedlength='true'",
                     "v='-32768'"},
        WrittenValue{{"v", ado::adSingle, 0, 7},
                     0.1f,
                     "'r4' dt:maxLength='4' rs:precision='7' rs:fixedlength='true'",
                     "v='0.1'"},
        WrittenValue{{"v", ado::adDouble, 0, 15},
                     1.7976931348623157e308,
                     "'float' dt:maxLength='8' rs:precision='15' rs:fixedlength='true'",
                     "v='1.7976931348623157E+308'"},
        WrittenValue{{"v", ado::adCurrency, 0, 19},
                     "-1.0001",
                     "'number' rs:dbtype='currency' dt:maxLength='8' rs:precision='19' rs:fixedlength='true'",
                     "v='-1.0001'"},
        WrittenValue{{"v", ado::adDate},
                     QDateTime(QDate(2024, 1, 31), QTime(12, 34, 56)),
                     "'dateTime' rs:dbtype='variantdate' dt:maxLength='16' rs:fixedlength='true'",
                     "v='2024-01-31T12:34:56'"},
        WrittenValue{
            {"v", ado::adBoolean}, false, "'boolean' dt:maxLength='2' rs:fixedlength='true'", "v='False'"},
        WrittenValue{{"v", ado::adDecimal, 0, 18, 3},
                     "0.500",
                     "'number' rs:dbtype='decimal' dt:maxLength='16' rs:scale='3' rs:precision='18' "
                     "rs:fixedlength='true'",
                     "v='0.5'"},
        WrittenValue{{"v", ado::adTinyInt},
                     -1,
                     "'i1' dt:maxLength='1' rs:precision='0' rs:fixedlength='true'",
                     "v='-1'"},
        WrittenValue{{"v", ado::adUnsignedTinyInt},
                     200,
                     "'ui1' dt:maxLength='1' rs:precision='0' rs:fixedlength='true'",
                     "v='200'"},
        WrittenValue{{"v", ado::adUnsignedSmallInt},
                     60000,
                     "'ui2' dt:maxLength='2' rs:precision='0' rs:fixedlength='true'",
                     "v='60000'"},
        WrittenValue{{"v", ado::adUnsignedInt},
                     4000000000u,
                     "'ui4' dt:maxLength='4' rs:precision='0' rs:fixedlength='true'",
                     "v='4000000000'"},
        WrittenValue{{"v", ado::adBigInt},
                     qlonglong(-5),
                     "'i8' dt:maxLength='8' rs:precision='0' rs:fixedlength='true'",
                     "v='-5'"},
        WrittenValue{{"v", ado::adUnsignedBigInt},
                     qulonglong(18446744073709551615ULL),
                     "'ui8' dt:maxLength='8' rs:precision='0' rs:fixedlength='true'",
                     "v='18446744073709551615'"},
        WrittenValue{{"v", ado::adGUID},
                     "{01234567-89AB-CDEF-0123-456789ABCDEF}",
                     "'uuid' dt:maxLength='16' rs:fixedlength='true'",
                     "v='{01234567-89AB-CDEF-0123-456789ABCDEF}'"},
        WrittenValue{{"v", ado::adBinary, 2},
                     QByteArray("\xAB\x01"),
                     "'bin.hex' dt:maxLength='2' rs:fixedlength='true'",
                     "v='ab01'"},
        WrittenValue{{"v", ado::adChar, 3},
                     "abc",
                     "'string' rs:dbtype='str' dt:maxLength='3' rs:fixedlength='true'",
                     "v='abc'"},
        WrittenValue{
            {"v", ado::adWChar, 3}, "äbc", "'string' dt:maxLength='3' rs:fixedlength='true'", "v='äbc'"},
        WrittenValue{{"v", ado::adNumeric, 0, 10, 3},
                     "5",
                     "'number' rs:dbtype='numeric' dt:maxLength='19' rs:scale='3' rs:precision='10' "
                     "rs:fixedlength='true'",
                     "v='5.000'"},
        WrittenValue{{"v", ado::adDBDate},
                     QDate(2024, 2, 29),
                     "'date' dt:maxLength='6' rs:fixedlength='true'",
                     "v='2024-02-29'"},
        WrittenValue{{"v", ado::adDBTime},
                     "07:08:09",
                     "'time' dt:maxLength='6' rs:fixedlength='true'",
                     "v='07:08:09'"},
        WrittenValue{{"v", ado::adDBTimeStamp, 0, 23, 3},
                     "2024-01-31 12:34:56.123",
                     "'dateTime' rs:dbtype='timestamp' dt:maxLength='16' rs:scale='3' rs:precision='23' "
                     "rs:fixedlength='true'",
                     "v='2024-01-31T12:34:56.123000000'"},
        WrittenValue{
            {"v", ado::adVarChar, 20}, "a'b", "'string' rs:dbtype='str' dt:maxLength='20'", "v='a&#x27;b'"},
        WrittenValue{{"v", ado::adLongVarChar, 2147483647},
                     "<&>",
                     "'string' rs:dbtype='str' dt:maxLength='2147483647' rs:long='true'",
                     "v='&#x3c;&#x26;&#x3e;'"},
        WrittenValue{{"v", ado::adVarWChar, 10},
                     "\t\n\r\"",
                     "'string' dt:maxLength='10'",
                     "v='&#x9;&#xA;&#xD;&#x22;'"},
        WrittenValue{{"v", ado::adLongVarWChar, 0}, "", "'string' dt:maxLength='0' rs:long='true'", "v=''"},
        WrittenValue{
            {"v", ado::adVarBinary, 4}, QByteArray("\x00\xff", 2), "'bin.hex' dt:maxLength='4'", "v='00ff'"},
        WrittenValue{{"v", ado::adLongVarBinary, 9},
                     QByteArray(""),
                     "'bin.hex' dt:maxLength='9' rs:long='true'",
                     "v=''"}));

TEST(RecordsetXml, UnlistedTypeIsWrittenAsTextAndReadBackAsText) {
    RecordsetBuilder b({FieldInfo{"v", ado::adVariant, 12}});
    b.appendRow({"anything"});
    const QByteArray xml = toXml(b.finish());
    EXPECT_TRUE(xml.contains("<s:datatype dt:type='string' dt:maxLength='12'/>"));
    const Recordset back = fromXml(xml);
    EXPECT_EQ(back.field(0).type, ado::adVarWChar);
    EXPECT_EQ(back.text(0, 0), "anything");
}

TEST(RecordsetXml, AwkwardNamesAndTextsSurvive) {
    QString allControls;
    for (char16_t c = 0; c < 0x20; ++c)
        allControls += QChar(c);
    allControls +=
        QString(QChar(0xFFFE)) + QChar(0xFFFF) + QString::fromUcs4(U"\U0010FFFD\U0001F600") + "'\"&<>;&#x1;";
    RecordsetBuilder b({FieldInfo{"c1", ado::adInteger}, FieldInfo{"a b", ado::adVarWChar, 200},
                        FieldInfo{"c1", ado::adVarWChar, 10},
                        FieldInfo{QString("x\ty") + QChar(1), ado::adInteger},
                        FieldInfo{"Ümlaut", ado::adInteger}, FieldInfo{"c1_1", ado::adInteger},
                        FieldInfo{"", ado::adInteger}});
    b.appendRow({1, allControls, "", 4, 5, 6, 7});
    b.appendRow({QVariant(), "", QVariant(), QVariant(), QVariant(), QVariant(), QVariant()});
    const Recordset rs = b.finish();
    const QByteArray xml = toXml(rs);
    EXPECT_TRUE(xml.contains("<s:AttributeType name='c1' rs:number='1'"));
    EXPECT_TRUE(xml.contains("<s:AttributeType name='c1_2' rs:name='a b' rs:number='2'")) << xml.constData();
    EXPECT_TRUE(xml.contains("<s:AttributeType name='c2' rs:name='c1' rs:number='3'"));
    // A control character goes as the reader's stand-in (U+10FFFD and a letter): XML has no form for it.
    EXPECT_TRUE(xml.contains("<s:AttributeType name='c3' rs:name='x&#x9;y\xF4\x8F\xBF\xBD" "A' rs:number='4'"));
    EXPECT_TRUE(xml.contains("\t<z:row c1_2=''/>\r\n"));
    const Recordset back = fromXml(xml);
    ASSERT_EQ(back.fields(), rs.fields());
    ASSERT_EQ(back.recordCount(), 2);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < rs.fieldCount(); ++c) {
            EXPECT_EQ(back.isNull(r, c), rs.isNull(r, c)) << r << "/" << c;
            EXPECT_EQ(back.value(r, c), rs.value(r, c)) << r << "/" << c;
        }
}

TEST(RecordsetXml, WritesInTheCurrentOrderAndStreamsRows) {
    RecordsetBuilder b({FieldInfo{"n", ado::adInteger}, FieldInfo{"s", ado::adVarWChar, 100}});
    for (int i = 0; i < 3000; ++i)
        b.appendRow({i, QString(40, QChar('x'))});
    Recordset rs = b.finish();
    rs.setSort("n DESC");
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    XmlRecordsetWriter writer(&buffer);
    writer.writeHeader(rs.fields());
    for (int r = 0; r < rs.recordCount(); ++r)
        writer.writeRow(rs, r);
    EXPECT_GT(buffer.size(), 64 * 1024); // rows reach the device before the end
    EXPECT_TRUE(writer.finish());
    const Recordset back = fromXml(buffer.data());
    ASSERT_EQ(back.recordCount(), 3000);
    EXPECT_EQ(back.value(0, 0).toInt(), 2999);
    EXPECT_EQ(back.value(2999, 0).toInt(), 0);
}

TEST(RecordsetXml, FileRoundTripIsAtomicAndReadsBack) {
    mvtest::TempFolder tmp;
    RecordsetBuilder b({FieldInfo{"a", ado::adInteger}});
    b.appendRow({1});
    const Recordset rs = b.finish();
    saveXml(rs, tmp.file("r.xml"));
    EXPECT_EQ(loadXml(tmp.file("r.xml")).value(0, 0).toInt(), 1);
    EXPECT_EQ(errorNumber([&] { saveXml(rs, tmp.file("missing/r.xml")); }), 31036);
    EXPECT_EQ(errorNumber([&] { loadXml(tmp.file("none.xml")); }), 53);
}

// ---- what other writers produce ----

struct Accepted {
    const char* what;
    QByteArray schema; // AttributeType elements
    QByteArray data;   // the rs:data element
    QList<int> types;
    QStringList texts; // row by row, field by field; "<null>" for Null
};

class ReadsVariant : public ::testing::TestWithParam<Accepted> {};

TEST_P(ReadsVariant, GivesTheRowsItLeaves) {
    const Accepted& c = GetParam();
    const QByteArray xml = Namespaces +
                           "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>" +
                           c.schema + "</s:ElementType></s:Schema>" + c.data + "</xml>";
    const Recordset rs = fromXml(xml);
    QList<int> types;
    for (const FieldInfo& f : rs.fields())
        types << f.type;
    EXPECT_EQ(types, c.types);
    QStringList texts;
    for (int r = 0; r < rs.recordCount(); ++r)
        for (int f = 0; f < rs.fieldCount(); ++f)
            texts << (rs.isNull(r, f) ? "<null>" : rs.text(r, f));
    EXPECT_EQ(texts, c.texts);
}

INSTANTIATE_TEST_SUITE_P(
    RecordsetXml, ReadsVariant,
    ::testing::Values(
        Accepted{
            "type on AttributeType, aliases i4 and r8",
            "<s:AttributeType name='a' dt:type='i4'/><s:AttributeType name='b'><s:datatype dt:type='r8'/>"
            "</s:AttributeType>",
            "<rs:data><z:row a='5' b='2.5'/></rs:data>",
            {3, 5},
            {"5", "2.5"}},
        Accepted{"no dt:type is a string; empty data element",
                 "<s:AttributeType name='a'/>",
                 "<rs:data/>",
                 {202},
                 {}},
        Accepted{"undeclared attributes are ignored",
                 "<s:AttributeType name='a' dt:type='int'/>",
                 "<rs:data><z:row zz='x' a='1'/></rs:data>",
                 {3},
                 {"1"}},
        Accepted{"pending changes",
                 "<s:AttributeType name='id' dt:type='int'/><s:AttributeType name='s'/>",
                 "<rs:data><z:row id='1' s='keep'/>"
                 "<rs:update><rs:original><z:row id='2' s='old'/></rs:original><z:row s='new'/></rs:update>"
                 "<rs:insert><z:row id='3' s='added'/><z:row id='4'/></rs:insert>"
                 "<rs:delete><z:row id='5' s='gone'/></rs:delete></rs:data>",
                 {3, 202},
                 {"1", "keep", "2", "new", "3", "added", "4", "<null>"}},
        Accepted{
            "currency as i8, booleans as digits, base64",
            "<s:AttributeType name='m'><s:datatype dt:type='i8' rs:dbtype='currency'/></s:AttributeType>"
            "<s:AttributeType name='f' dt:type='boolean'/><s:AttributeType name='b' dt:type='bin.base64'/>",
            "<rs:data><z:row m='12.3400' f='1' b='AAH/'/><z:row f='0'/></rs:data>",
            {6, 11, 204},
            {"12.34", "True", "0001ff", "<null>", "False", "<null>"}},
        Accepted{"other prefixes, same namespaces",
                 "<s:AttributeType name='a' dt:type='int'/>",
                 "<q:data xmlns:q='urn:schemas-microsoft-com:rowset' xmlns:r='#RowsetSchema'><r:row a='7'/>"
                 "<z:row a='8'/><row a='9'/></q:data>",
                 {3},
                 {"7", "8"}},
        Accepted{
            "fixed and long strings, char references, date-time forms",
            "<s:AttributeType name='c'><s:datatype dt:type='string' rs:dbtype='str' rs:fixedlength='true' "
            "dt:maxLength='2'/></s:AttributeType><s:AttributeType name='l'><s:datatype dt:type='string' "
            "rs:long='true'/></s:AttributeType><s:AttributeType name='t' dt:type='dateTime'/>",
            "<rs:data><z:row c='ab' l='x&#x1;&#10;y' t='2024-01-31 12:00:00Z'/></rs:data>",
            {129, 203, 135},
            {"ab", QString("x") + QChar(1) + "\ny", "2024-01-31 12:00:00"}}));

struct Damaged {
    const char* what;
    QByteArray xml;
};

class RefusesDamaged : public ::testing::TestWithParam<Damaged> {};

TEST_P(RefusesDamaged, WithAClearError) {
    try {
        fromXml(GetParam().xml);
        FAIL() << "read without error";
    } catch (const MvError& e) {
        EXPECT_EQ(e.number(), 31037);
        EXPECT_TRUE(e.description().contains("line")) << e.description().toStdString();
    }
}

const QByteArray Schema1 = "<s:Schema><s:ElementType name='row'><s:AttributeType name='a' dt:type='int'/>"
                           "</s:ElementType></s:Schema>";

INSTANTIATE_TEST_SUITE_P(
    RecordsetXml, RefusesDamaged,
    ::testing::Values(
        Damaged{"empty", ""}, Damaged{"no xml", "just text"}, Damaged{"other root", "<html><body/></html>"},
        Damaged{"no schema", Namespaces + "</xml>"},
        Damaged{"data first", Namespaces + "<rs:data/>" + Schema1 + "</xml>"},
        Damaged{"cut off", Namespaces + Schema1 + "<rs:data><z:row a='1'/>"},
        Damaged{"bad integer", Namespaces + Schema1 + "<rs:data><z:row a='1x'/></rs:data></xml>"},
        Damaged{"out of range", Namespaces +
                                    "<s:Schema><s:ElementType><s:AttributeType name='a' dt:type='ui1'/>"
                                    "</s:ElementType></s:Schema><rs:data><z:row a='256'/></rs:data></xml>"},
        Damaged{"bad date",
                Namespaces + "<s:Schema><s:ElementType><s:AttributeType name='a' dt:type='date'/>"
                             "</s:ElementType></s:Schema><rs:data><z:row a='2024-13-01'/></rs:data></xml>"},
        Damaged{"odd hex", Namespaces +
                               "<s:Schema><s:ElementType><s:AttributeType name='a' dt:type='bin.hex'/>"
                               "</s:ElementType></s:Schema><rs:data><z:row a='abc'/></rs:data></xml>"},
        Damaged{"name twice", Namespaces +
                                  "<s:Schema><s:ElementType><s:AttributeType name='a'/><s:AttributeType "
                                  "name='a'/></s:ElementType></s:Schema></xml>"},
        Damaged{"bad size", Namespaces +
                                "<s:Schema><s:ElementType><s:AttributeType name='a'><s:datatype "
                                "dt:maxLength='x'/></s:AttributeType></s:ElementType></s:Schema></xml>"},
        Damaged{"unbound prefix", "<xml><s:Schema/></xml>"}));

TEST(RecordsetXml, EveryTruncationIsRefused) {
    RecordsetBuilder b({FieldInfo{"a", ado::adInteger}, FieldInfo{"s", ado::adVarWChar, 10}});
    b.appendRow({1, QString("x") + QChar(2)});
    const QByteArray good = toXml(b.finish());
    for (qsizetype n = 0; n < good.size(); ++n)
        EXPECT_EQ(errorNumber([&] { fromXml(good.left(n)); }), 31037) << "length " << n;
    EXPECT_EQ(fromXml(good).recordCount(), 1);
}

} // namespace
