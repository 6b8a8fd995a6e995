// Recordset files that claim what no database gives are refused with a message instead of
// freezing or crashing the grid; sorting treats empty texts as the smallest.
#include "app/mv_error.h"
#include "app/texts.h"
#include "db/recordset_binary.h"
#include "db/recordset_builder.h"
#include "db/recordset_xml.h"
#include "support/temp_folder.h"

#include <QBuffer>
#include <gtest/gtest.h>

using namespace mv;

namespace {

QByteArray withScale(const char* scale, const char* precision) {
    return QByteArray("<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' "
                      "xmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882' "
                      "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>"
                      "<s:Schema id='RowsetSchema'><s:ElementType name='row' content='eltOnly'>"
                      "<s:AttributeType name='v' rs:number='1'><s:datatype dt:type='number' rs:dbtype='numeric' "
                      "rs:scale='") +
           scale + "' rs:precision='" + precision +
           "'/></s:AttributeType></s:ElementType></s:Schema><rs:data><z:row v='1.5'/></rs:data></xml>";
}

QString loadError(const QByteArray& xml) {
    QBuffer b;
    b.setData(xml);
    b.open(QIODevice::ReadOnly);
    try {
        const Recordset rs = loadXml(&b, "big.xml");
        (void)rs.text(0, 0);
    } catch (const MvError& e) {
        return e.description();
    }
    return {};
}

TEST(RecordsetLimits, ScaleAndPrecisionBeyondAnyDatabaseAreRefused) {
    setLanguage(2);
    EXPECT_EQ(loadError(withScale("200000000", "10")),
              "The file 'big.xml' is no readable recordset or it is damaged: line 1: '200000000' is no valid "
              "number (rs:scale)");
    EXPECT_TRUE(loadError(withScale("2147483647", "10")).contains("rs:scale"));
    EXPECT_TRUE(loadError(withScale("2", "1001")).contains("rs:precision"));
    // The most a database gives still reads, and shows with its digits.
    EXPECT_EQ(loadError(withScale("1000", "1000")), "");
    QBuffer b;
    QByteArray xml = withScale("3", "38");
    b.setData(xml);
    b.open(QIODevice::ReadOnly);
    EXPECT_EQ(loadXml(&b).text(0, 0), "1.500");
}

TEST(RecordsetLimits, BinaryFilesWithImpossibleDigitsAreDamaged) {
    mvtest::TempFolder dir;
    RecordsetBuilder b({FieldInfo{"v", ado::adNumeric, 19, 1000, 1000}});
    b.appendRow({QVariant()});
    saveBinary(b.finish(), dir.file("ok.dat"));
    EXPECT_EQ(loadBinary(dir.file("ok.dat")).field(0).scale, 1000);
    RecordsetBuilder bad({FieldInfo{"v", ado::adNumeric, 19, 10, 200000000}});
    bad.appendRow({QVariant()});
    saveBinary(bad.finish(), dir.file("bad.dat"));
    try {
        loadBinary(dir.file("bad.dat"));
        ADD_FAILURE() << "read";
    } catch (const MvError& e) {
        EXPECT_TRUE(e.description().contains("invalid size or precision")) << e.description().toStdString();
    }
}

TEST(RecordsetLimits, EmptyTextsSortFirstAndWholeAsKeys) {
    RecordsetBuilder b({FieldInfo{"t", ado::adVarWChar, 20}});
    for (const char* v : {"b", "", "a", "", "abcdefghij", "abcdefgh"}) b.appendRow({QString(v)});
    Recordset rs = b.finish();
    rs.setSort("t");
    QStringList order;
    for (int r = 0; r < rs.recordCount(); ++r) order << rs.text(r, 0);
    EXPECT_EQ(order, (QStringList{"", "", "a", "abcdefgh", "abcdefghij", "b"}));
}

} // namespace

namespace {

// Found by the fuzzer: a binary file may hold any 64-bit second count; its text must not overflow.
TEST(RecordsetLimits, TheMostDistantDatesHaveATimeOfDay) {
    for (const qint64 s : {std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::min() + 1,
                           qint64(-106751991167300) * 86400 - 5, qint64(-1), qint64(0), std::numeric_limits<qint64>::max()}) {
        const int t = DateTimeValue{s, 0}.secondsOfDay();
        EXPECT_GE(t, 0) << s;
        EXPECT_LT(t, 86400) << s;
    }
    EXPECT_EQ((DateTimeValue{-1, 0}.secondsOfDay()), 86399);
}

} // namespace
