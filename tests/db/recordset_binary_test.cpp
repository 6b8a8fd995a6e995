#include "app/mv_error.h"
#include "db/recordset_binary.h"
#include "db/recordset_builder.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QFile>

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

// Every type, each with a value, a Null and (for texts) an empty text.
Recordset everyType() {
    const QList<FieldInfo> fields = {{"small", ado::adSmallInt},
                                     {"int", ado::adInteger, 0, 10},
                                     {"single", ado::adSingle},
                                     {"double", ado::adDouble},
                                     {"money", ado::adCurrency},
                                     {"date", ado::adDate},
                                     {"flag", ado::adBoolean, 0, 0, 0, false},
                                     {"dec", ado::adDecimal, 0, 28, 4},
                                     {"tiny", ado::adTinyInt},
                                     {"utiny", ado::adUnsignedTinyInt},
                                     {"usmall", ado::adUnsignedSmallInt},
                                     {"uint", ado::adUnsignedInt},
                                     {"big", ado::adBigInt},
                                     {"ubig", ado::adUnsignedBigInt},
                                     {"guid", ado::adGUID},
                                     {"bin", ado::adBinary, 3},
                                     {"char", ado::adChar, 4},
                                     {"wchar", ado::adWChar, 4},
                                     {"num", ado::adNumeric, 0, 12, 3},
                                     {"dbdate", ado::adDBDate},
                                     {"dbtime", ado::adDBTime},
                                     {"stamp", ado::adDBTimeStamp, 0, 27, 9},
                                     {"Order Date", ado::adVarChar, 20},
                                     {"memo", ado::adLongVarChar, 1073741823},
                                     {"vw", ado::adVarWChar, 30},
                                     {"lw", ado::adLongVarWChar},
                                     {"vb", ado::adVarBinary, 8},
                                     {"lb", ado::adLongVarBinary},
                                     {"odd", ado::adVarNumeric},
                                     {"variant", ado::adVariant, 12}};
    RecordsetBuilder b(fields);
    b.appendRow({-32768,
                 2147483647,
                 3.5f,
                 0.1,
                 "922337203685477.5807",
                 QDateTime(QDate(1899, 12, 30), QTime(0, 0)),
                 true,
                 "-0.0001",
                 -128,
                 255,
                 65535,
                 4294967295u,
                 qlonglong(-1),
                 qulonglong(18446744073709551615ULL),
                 "{00000000-0000-0000-0000-000000000001}",
                 QByteArray("\0\1\2", 3),
                 "ab  ",
                 "äöü ",
                 "12.5",
                 QDate(9999, 12, 31),
                 "00:00:00.000000001",
                 "0001-01-01 00:00:00",
                 "x'\"<>&\t\r\n\x01",
                 QString(70000, QChar(u'\u20ac')),
                 "",
                 "\U0001F600",
                 QByteArray("\xff"),
                 QByteArray(),
                 "1",
                 "v"});
    b.appendRow({});
    b.appendRow({1,
                 2,
                 -0.0f,
                 -1e-300,
                 "0",
                 QDateTime(QDate(1, 1, 1), QTime(23, 59, 59, 999)),
                 false,
                 "1E+5",
                 0,
                 0,
                 0,
                 0u,
                 qlonglong(0),
                 qulonglong(0),
                 "{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}",
                 QByteArray(""),
                 "",
                 "",
                 "-0",
                 QDate(2000, 2, 29),
                 "12:00:00",
                 "2038-01-19 03:14:08.5",
                 "",
                 "",
                 "",
                 "",
                 QByteArray(""),
                 QByteArray(""),
                 "0",
                 ""});
    return b.finish();
}

void expectSame(const Recordset& a, const Recordset& b) {
    ASSERT_EQ(a.fields(), b.fields());
    ASSERT_EQ(a.recordCount(), b.recordCount());
    for (int r = 0; r < a.recordCount(); ++r) {
        for (int c = 0; c < a.fieldCount(); ++c) {
            SCOPED_TRACE(QString("row %1 field %2").arg(r).arg(a.field(c).name).toStdString());
            EXPECT_EQ(a.isNull(r, c), b.isNull(r, c));
            EXPECT_EQ(a.value(r, c), b.value(r, c));
            EXPECT_EQ(a.text(r, c), b.text(r, c));
        }
    }
}

TEST(RecordsetBinary, EveryTypeSurvivesExactly) {
    mvtest::TempFolder tmp;
    const Recordset rs = everyType();
    saveBinary(rs, tmp.file("a.dat"));
    const Recordset back = loadBinary(tmp.file("a.dat"));
    expectSame(rs, back);
    EXPECT_TRUE(back.supportsUpdate());
    EXPECT_EQ(back.column(21).dateTimeAt(2).nanos, 500000000u);
}

TEST(RecordsetBinary, KeepsSortOrderAndReadOnlyFlag) {
    mvtest::TempFolder tmp;
    Recordset rs = everyType();
    rs.setSort("vw DESC, int");
    rs.setUpdatable(false);
    saveBinary(rs, tmp.file("s.dat"));
    const Recordset back = loadBinary(tmp.file("s.dat"));
    EXPECT_EQ(back.sort(), "vw DESC, int");
    EXPECT_EQ(back.rowOrder(), rs.rowOrder());
    EXPECT_FALSE(back.supportsUpdate());
    expectSame(rs, back);
}

TEST(RecordsetBinary, EmptyAndFieldlessRecordsets) {
    mvtest::TempFolder tmp;
    Recordset empty;
    empty.appendField("a", ado::adVarWChar, 10);
    empty.open();
    saveBinary(empty, tmp.file("e.dat"));
    const Recordset back = loadBinary(tmp.file("e.dat"));
    EXPECT_EQ(back.fieldCount(), 1);
    EXPECT_EQ(back.recordCount(), 0);
    EXPECT_TRUE(back.bof() && back.eof());

    Recordset none;
    none.open();
    saveBinary(none, tmp.file("n.dat"));
    EXPECT_EQ(loadBinary(tmp.file("n.dat")).fieldCount(), 0);
}

// Cut at every length and with every single byte altered, a file is refused and nothing crashes.
TEST(RecordsetBinary, EveryTruncationAndByteFlipIsRefused) {
    mvtest::TempFolder tmp;
    RecordsetBuilder b({FieldInfo{"i", ado::adInteger}, FieldInfo{"s", ado::adVarWChar, 10},
                        FieldInfo{"t", ado::adDBTimeStamp}, FieldInfo{"n", ado::adNumeric, 19, 10, 2}});
    b.appendRow({1, "abc", "2024-01-31 12:00:00", "1.5"});
    b.appendRow({QVariant(), "", QVariant(), "-2"});
    Recordset rs = b.finish();
    rs.setSort("s");
    saveBinary(rs, tmp.file("ok.dat"));
    const QByteArray good = tmp.read("ok.dat");
    ASSERT_GT(good.size(), 100);
    for (qsizetype n = 0; n < good.size(); ++n) {
        const QString path = tmp.write("cut.dat", good.left(n));
        EXPECT_EQ(errorNumber([&] { loadBinary(path); }), 31037) << "length " << n;
    }
    for (qsizetype i = 0; i < good.size(); ++i) {
        QByteArray bad = good;
        bad[i] = char(bad[i] ^ 0x5A);
        const QString path = tmp.write("flip.dat", bad);
        EXPECT_EQ(errorNumber([&] { loadBinary(path); }), 31037) << "byte " << i;
    }
    EXPECT_EQ(errorNumber([&] { loadBinary(tmp.write("long.dat", good + "x")); }), 31037);
}

TEST(RecordsetBinary, ForeignMissingAndNewerFilesGiveClearErrors) {
    mvtest::TempFolder tmp;
    EXPECT_EQ(errorNumber([&] { loadBinary(tmp.write("text.dat", "just some text, not a recordset")); }),
              31037);
    EXPECT_EQ(errorNumber([&] { loadBinary(tmp.file("missing.dat")); }), 53);
    EXPECT_EQ(errorNumber([&] { loadBinary(tmp.path()); }), 75);

    Recordset rs;
    rs.open();
    saveBinary(rs, tmp.file("v.dat"));
    QByteArray newer = tmp.read("v.dat");
    newer[8] = char(RecordsetBinaryVersion + 1);
    try {
        loadBinary(tmp.write("v2.dat", newer));
        FAIL() << "a newer version was read";
    } catch (const MvError& e) {
        EXPECT_EQ(e.number(), 31037);
        EXPECT_TRUE(e.description().contains("version 2")) << e.description().toStdString();
    }
}

TEST(RecordsetBinary, FailedSaveLeavesTheOldFile) {
    mvtest::TempFolder tmp;
    EXPECT_EQ(errorNumber([&] { saveBinary(everyType(), tmp.file("no/such/folder/x.dat")); }), 31036);
    const QString path = tmp.write("keep.dat", "old");
    QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::ExeOwner);
    const long number = errorNumber([&] { saveBinary(everyType(), path); });
    QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (number == 0) GTEST_SKIP() << "this user may write into a read-only folder";
    EXPECT_EQ(number, 31036);
    EXPECT_EQ(tmp.read("keep.dat"), "old");
}

} // namespace
