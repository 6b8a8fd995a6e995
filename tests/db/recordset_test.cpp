#include "app/mv_error.h"
#include "db/recordset.h"
#include "db/recordset_builder.h"

#include <gtest/gtest.h>

#include <QDate>
#include <cfloat>

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

Recordset fabricated(const QList<FieldInfo>& fields) {
    Recordset rs;
    for (const FieldInfo& f : fields)
        rs.appendField(f);
    rs.open();
    return rs;
}

void addRow(Recordset& rs, const QVariantList& values) {
    rs.addNew();
    for (int i = 0; i < values.size(); ++i)
        rs.setValue(i, values[i]);
    rs.update();
}

// ---- one value of every type: stored through an edit, read back typed and as text ----

struct TypeCase {
    int type;
    QVariant input;
    QString text;
    int metaType;
    qint64 size = 0;
    int scale = 0;
};

class EveryType : public ::testing::TestWithParam<TypeCase> {};

TEST_P(EveryType, KeepsValueAndShowsText) {
    const TypeCase& c = GetParam();
    Recordset rs = fabricated({FieldInfo{"f", c.type, c.size, 10, c.scale, true}});
    addRow(rs, {c.input});
    EXPECT_EQ(rs.text(0, 0), c.text);
    const QVariant v = rs.value(0, 0);
    EXPECT_EQ(v.metaType().id(), c.metaType);
    EXPECT_FALSE(rs.isNull(0, 0));
    // The display text goes back in unchanged.
    Recordset again = fabricated({FieldInfo{"f", c.type, c.size, 10, c.scale, true}});
    addRow(again, {rs.text(0, 0)});
    EXPECT_EQ(again.text(0, 0), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Recordset, EveryType,
    ::testing::Values(TypeCase{ado::adSmallInt, -32768, "-32768", QMetaType::Int},
                      TypeCase{ado::adInteger, QString(" 42 "), "42", QMetaType::Int},
                      TypeCase{ado::adSingle, 0.1f, "0.1", QMetaType::Float},
                      TypeCase{ado::adDouble, DBL_MAX, "1.7976931348623157E+308", QMetaType::Double},
                      TypeCase{ado::adDouble, 1.25, "1.25", QMetaType::Double},
                      TypeCase{ado::adCurrency, QString("-1.00010"), "-1.0001", QMetaType::QString},
                      TypeCase{ado::adDate, QDateTime(QDate(2024, 1, 31), QTime(12, 34, 56)),
                               "2024-01-31 12:34:56", QMetaType::QDateTime},
                      TypeCase{ado::adDate, 1.0, "1899-12-31 00:00:00", QMetaType::QDateTime},
                      TypeCase{ado::adBoolean, true, "True", QMetaType::Bool},
                      TypeCase{ado::adDecimal, QString(".5"), "0.5", QMetaType::QString},
                      TypeCase{ado::adTinyInt, -128, "-128", QMetaType::Int},
                      TypeCase{ado::adUnsignedTinyInt, 255, "255", QMetaType::Int},
                      TypeCase{ado::adUnsignedSmallInt, 65535, "65535", QMetaType::Int},
                      TypeCase{ado::adUnsignedInt, QString("4294967295"), "4294967295", QMetaType::UInt},
                      TypeCase{ado::adBigInt, qlonglong(-9223372036854775807LL - 1), "-9223372036854775808",
                               QMetaType::LongLong},
                      TypeCase{ado::adUnsignedBigInt, qulonglong(18446744073709551615ULL),
                               "18446744073709551615", QMetaType::ULongLong},
                      TypeCase{ado::adGUID, QString("01234567-89ab-cdef-0123-456789abcdef"),
                               "{01234567-89AB-CDEF-0123-456789ABCDEF}", QMetaType::QString},
                      TypeCase{ado::adBinary, QByteArray("\x00\xff", 2), "00ff", QMetaType::QByteArray, 2},
                      TypeCase{ado::adChar, QString("abc"), "abc", QMetaType::QString, 3},
                      TypeCase{ado::adWChar, QString("äöü"), "äöü", QMetaType::QString, 3},
                      TypeCase{ado::adNumeric, QString("1234.5"), "1234.50", QMetaType::QString, 19, 2},
                      TypeCase{ado::adDBDate, QDate(1, 1, 1), "0001-01-01", QMetaType::QDate},
                      TypeCase{ado::adDBTime, QString("23:59:59.5"), "23:59:59.5", QMetaType::QTime},
                      TypeCase{ado::adDBTimeStamp, QString("2024-02-29T01:02:03.123456789"),
                               "2024-02-29 01:02:03.123456789", QMetaType::QDateTime},
                      TypeCase{ado::adVarChar, QString("x'y\"z"), "x'y\"z", QMetaType::QString, 20},
                      TypeCase{ado::adLongVarChar, QString(5000, QChar('a')), QString(5000, QChar('a')),
                               QMetaType::QString, 10},
                      TypeCase{ado::adVarWChar, QString("tab\there"), "tab\there", QMetaType::QString, 50},
                      TypeCase{ado::adLongVarWChar, QString("line\r\nbreak"), "line\r\nbreak",
                               QMetaType::QString},
                      TypeCase{ado::adVarBinary, QByteArray("AB"), "4142", QMetaType::QByteArray, 10},
                      TypeCase{ado::adLongVarBinary, QString("0a0B"), "0a0b", QMetaType::QByteArray}));

struct BadValue {
    int type;
    QVariant input;
    long number;
    qint64 size = 0;
};

class RejectsValue : public ::testing::TestWithParam<BadValue> {};

TEST_P(RejectsValue, WithItsErrorNumberAndKeepsRowUnchanged) {
    const BadValue& c = GetParam();
    Recordset rs = fabricated({FieldInfo{"f", c.type, c.size, 0, 0, true}});
    addRow(rs, {QVariant()});
    rs.moveFirst();
    EXPECT_EQ(errorNumber([&] { rs.setValue(0, c.input); }), c.number);
    rs.update();
    EXPECT_TRUE(rs.isNull(0, 0));
}

INSTANTIATE_TEST_SUITE_P(
    Recordset, RejectsValue,
    ::testing::Values(BadValue{ado::adInteger, QString("12x"), 13}, BadValue{ado::adSmallInt, 40000, 13},
                      BadValue{ado::adTinyInt, QString("128"), 13}, BadValue{ado::adUnsignedInt, -1, 13},
                      BadValue{ado::adInteger, 1.5, 13}, BadValue{ado::adSingle, 1e300, 13},
                      BadValue{ado::adNumeric, QString("1.2.3"), 13},
                      BadValue{ado::adDBDate, QString("2023-02-29"), 13},
                      BadValue{ado::adDBTimeStamp, QString("2024-01-01 24:00:00"), 13},
                      BadValue{ado::adGUID, QString("{0123}"), 13},
                      BadValue{ado::adVarBinary, QString("abc"), 13},
                      BadValue{ado::adVarChar, QString(256, QChar('x')), -2147217887, 255},
                      BadValue{ado::adVarBinary, QByteArray(3, 'x'), -2147217887, 2}));

TEST(Recordset, EmptyTextIsNullOnlyOutsideTextFields) {
    Recordset rs = fabricated({FieldInfo{"n", ado::adInteger}, FieldInfo{"s", ado::adVarWChar, 10}});
    addRow(rs, {QString(""), QString("")});
    EXPECT_TRUE(rs.isNull(0, 0));
    EXPECT_FALSE(rs.isNull(0, 1));
    EXPECT_EQ(rs.value(0, 1), QVariant(QString("")));
    EXPECT_FALSE(rs.value(0, 0).isValid());
}

TEST(Recordset, FixedTypesGetTheirFixedSize) {
    Recordset rs;
    rs.appendField("a", ado::adInteger, 10);
    rs.appendField("b", ado::adVarChar, 30);
    EXPECT_EQ(rs.field(0).definedSize, 4);
    EXPECT_EQ(rs.field(1).definedSize, 30);
}

TEST(Recordset, FieldIndexIgnoresCaseAndUnknownNamesFail) {
    Recordset rs = fabricated({FieldInfo{"Order Date", ado::adDate}, FieldInfo{"ID", ado::adInteger}});
    EXPECT_EQ(rs.fieldIndex("order date"), 0);
    EXPECT_EQ(rs.fieldIndex("id"), 1);
    EXPECT_EQ(rs.fieldIndex("nope"), -1);
    EXPECT_EQ(errorNumber([&] { rs.field(2); }), 3265);
    EXPECT_EQ(errorNumber([&] {
                  addRow(rs, {});
                  rs.value(QString("nope"));
              }),
              3265);
}

// ---- cursor ----

TEST(RecordsetCursor, EmptyRecordsetIsAtBofAndEof) {
    Recordset rs = fabricated({FieldInfo{"a", ado::adInteger}});
    EXPECT_TRUE(rs.bof());
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(rs.recordCount(), 0);
    EXPECT_EQ(rs.absolutePosition(), Recordset::PosBOF);
    EXPECT_EQ(rs.currentRow(), -1);
    rs.moveFirst();
    rs.moveLast();
    EXPECT_TRUE(rs.bof() && rs.eof());
    EXPECT_EQ(errorNumber([&] { rs.moveNext(); }), 3021);
    EXPECT_EQ(errorNumber([&] { rs.movePrevious(); }), 3021);
    EXPECT_EQ(errorNumber([&] { rs.value(0); }), 3021);
    EXPECT_EQ(errorNumber([&] { rs.setAbsolutePosition(1); }), 3021);
}

TEST(RecordsetCursor, WalksBothWaysAndStopsAtTheEnds) {
    Recordset rs = fabricated({FieldInfo{"a", ado::adInteger}});
    for (int i = 1; i <= 3; ++i)
        addRow(rs, {i});
    rs.moveFirst();
    QList<int> seen;
    while (!rs.eof()) {
        seen << rs.value(0).toInt();
        rs.moveNext();
    }
    EXPECT_EQ(seen, (QList<int>{1, 2, 3}));
    EXPECT_EQ(rs.absolutePosition(), Recordset::PosEOF);
    EXPECT_EQ(errorNumber([&] { rs.moveNext(); }), 3021);
    rs.movePrevious();
    EXPECT_EQ(rs.value(0).toInt(), 3);
    rs.setAbsolutePosition(1);
    rs.movePrevious();
    EXPECT_TRUE(rs.bof());
    EXPECT_FALSE(rs.eof());
    rs.moveNext();
    EXPECT_EQ(rs.absolutePosition(), 1);
    EXPECT_EQ(errorNumber([&] { rs.setAbsolutePosition(4); }), 3021);
}

TEST(RecordsetCursor, ClosedRecordsetRefusesEditsButReportsNoRows) {
    Recordset rs;
    rs.appendField("a", ado::adInteger);
    EXPECT_FALSE(rs.isOpen());
    EXPECT_TRUE(rs.eof());
    EXPECT_FALSE(rs.supportsUpdate());
    EXPECT_EQ(errorNumber([&] { rs.addNew(); }), 3704);
}

// ---- editing ----

TEST(RecordsetEdit, AddNewUpdateCancelAndMoveCommits) {
    Recordset rs = fabricated({FieldInfo{"a", ado::adInteger}, FieldInfo{"b", ado::adVarWChar, 10}});
    rs.addNew();
    EXPECT_EQ(rs.editMode(), Recordset::EditMode::Add);
    EXPECT_FALSE(rs.eof());
    rs.setValue("a", 7);
    EXPECT_EQ(rs.value(0).toInt(), 7);
    EXPECT_FALSE(rs.value(1).isValid());
    rs.cancelUpdate();
    EXPECT_EQ(rs.recordCount(), 0);
    EXPECT_TRUE(rs.eof());

    addRow(rs, {1, "x"});
    EXPECT_EQ(rs.currentRow(), 0);
    rs.setValue(1, "changed");
    EXPECT_EQ(rs.editMode(), Recordset::EditMode::InProgress);
    EXPECT_EQ(rs.text(0, 1), "x"); // stored only by update or a move
    rs.moveFirst();
    EXPECT_EQ(rs.editMode(), Recordset::EditMode::None);
    EXPECT_EQ(rs.text(0, 1), "changed");
}

TEST(RecordsetEdit, DeletingInALoopRemovesEveryRow) {
    Recordset rs = fabricated({FieldInfo{"a", ado::adInteger}});
    for (int i = 0; i < 5; ++i)
        addRow(rs, {i});
    rs.moveFirst();
    while (!rs.eof()) {
        rs.deleteCurrent();
        EXPECT_EQ(errorNumber([&] { rs.value(0); }), 3021);
        rs.moveNext();
    }
    EXPECT_EQ(rs.recordCount(), 0);
}

TEST(RecordsetEdit, DeleteUnderSortKeepsOrderOfTheRest) {
    Recordset rs = fabricated({FieldInfo{"a", ado::adInteger}, FieldInfo{"s", ado::adVarChar, 5}});
    for (int i : {3, 1, 4, 5, 2})
        addRow(rs, {i, QString::number(i)});
    rs.setSort("a DESC");
    rs.setAbsolutePosition(2); // 4
    rs.deleteCurrent();
    rs.moveNext();
    EXPECT_EQ(rs.value(0).toInt(), 3);
    QStringList rest;
    for (int r = 0; r < rs.recordCount(); ++r)
        rest << rs.text(r, 1);
    EXPECT_EQ(rest, (QStringList{"5", "3", "2", "1"}));
    addRow(rs, {9, "9"}); // a new row goes to the end of the order
    EXPECT_EQ(rs.text(rs.recordCount() - 1, 1), "9");
}

TEST(RecordsetEdit, ReadOnlyRecordsetRefusesChanges) {
    Recordset rs = fabricated({FieldInfo{"a", ado::adInteger}});
    addRow(rs, {1});
    rs.setUpdatable(false);
    EXPECT_FALSE(rs.supportsUpdate());
    EXPECT_EQ(errorNumber([&] { rs.addNew(); }), 3251);
    EXPECT_EQ(errorNumber([&] { rs.setCell(0, 0, 2); }), 3251);
    EXPECT_EQ(errorNumber([&] { rs.appendField("b", ado::adInteger); }), 3219);
}

// ---- sharing ----

TEST(RecordsetSharing, CloneSharesUntilOneSideWrites) {
    Recordset rs = fabricated({FieldInfo{"a", ado::adInteger}, FieldInfo{"s", ado::adVarWChar, 10}});
    for (int i = 0; i < 3; ++i)
        addRow(rs, {i, "v" + QString::number(i)});
    Recordset copy = rs.clone();
    EXPECT_EQ(&copy.column(1), &rs.column(1));
    EXPECT_EQ(copy.absolutePosition(), 1);

    copy.setSort("a DESC"); // the order is the copy's own; rows stay shared
    EXPECT_EQ(&copy.column(1), &rs.column(1));
    EXPECT_EQ(rs.text(0, 0), "0");
    EXPECT_EQ(copy.text(0, 0), "2");

    copy.setCell(0, 1, "new");
    EXPECT_NE(&copy.column(1), &rs.column(1));
    EXPECT_EQ(rs.text(2, 1), "v2");
    EXPECT_EQ(copy.text(0, 1), "new");

    rs.moveFirst();
    rs.deleteCurrent();
    EXPECT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(copy.recordCount(), 3);
}

TEST(RecordsetSharing, MovedFromRecordsetStaysUsable) {
    Recordset rs = fabricated({FieldInfo{"a", ado::adInteger}});
    addRow(rs, {1});
    Recordset taken = std::move(rs);
    EXPECT_EQ(taken.recordCount(), 1);
    EXPECT_EQ(rs.recordCount(), 1); // NOLINT(bugprone-use-after-move): a move shares, like a copy
    rs.setCell(0, 0, 2);
    EXPECT_EQ(taken.value(0, 0).toInt(), 1);
}

// ---- sorting ----

TEST(RecordsetSort, MultiKeyStableWithNullsFirstAscending) {
    Recordset rs =
        fabricated({FieldInfo{"Grp", ado::adVarWChar, 10}, FieldInfo{"Amount", ado::adNumeric, 19, 10, 2},
                    FieldInfo{"Id", ado::adInteger}});
    const QList<QVariantList> rows = {{"b", "10", 1},       {"A", "9.5", 2}, {QVariant(), "1", 3},
                                      {"a", QVariant(), 4}, {"B", "10", 5},  {"a", "-3", 6}};
    for (const QVariantList& r : rows)
        addRow(rs, r);
    auto ids = [&] {
        QList<int> out;
        for (int r = 0; r < rs.recordCount(); ++r)
            out << rs.value(r, 2).toInt();
        return out;
    };
    rs.setSort("Grp ASC, Amount DESC");
    EXPECT_EQ(ids(), (QList<int>{3, 2, 6, 4, 1, 5}));
    rs.setSort("[Amount]");
    EXPECT_EQ(ids(), (QList<int>{4, 6, 3, 2, 1, 5}));
    rs.setSort("amount desc");
    EXPECT_EQ(ids(), (QList<int>{1, 5, 2, 3, 6, 4}));
    EXPECT_EQ(rs.sort(), "amount desc");
    EXPECT_EQ(rs.absolutePosition(), 1);
    rs.setSort("");
    EXPECT_EQ(ids(), (QList<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(errorNumber([&] { rs.setSort("Missing"); }), 3265);
}

TEST(RecordsetSort, OrdersEachStorageKindByValue) {
    Recordset rs = fabricated({FieldInfo{"u", ado::adUnsignedBigInt}, FieldInfo{"d", ado::adDouble},
                               FieldInfo{"t", ado::adDBTimeStamp}, FieldInfo{"b", ado::adVarBinary, 4},
                               FieldInfo{"s", ado::adVarWChar, 10}});
    addRow(rs, {qulonglong(18446744073709551615ULL), -1.5, "2024-01-01 00:00:00.000000002",
                QByteArray("\x02"), "Ärger"});
    addRow(rs, {qulonglong(1), qQNaN(), "2024-01-01 00:00:00.000000001", QByteArray("\x01\xff"), "zebra"});
    addRow(rs, {qulonglong(5), 2.0, "1999-12-31 23:59:59", QByteArray("\x01"), "apfel"});
    auto firstOf = [&](const char* key) {
        rs.setSort(key);
        return rs.text(0, 0);
    };
    EXPECT_EQ(firstOf("u"), "1");
    EXPECT_EQ(firstOf("u DESC"), "18446744073709551615");
    EXPECT_EQ(firstOf("d"), "18446744073709551615");
    EXPECT_EQ(firstOf("d DESC"), "1"); // NaN after every number
    EXPECT_EQ(firstOf("t"), "5");
    EXPECT_EQ(firstOf("t DESC"), "18446744073709551615");
    EXPECT_EQ(firstOf("b"), "5");
    EXPECT_EQ(firstOf("s"), "5");
}

// ---- builder ----

TEST(RecordsetBuilder, AppendsTypedCellsColumnByColumn) {
    RecordsetBuilder b({FieldInfo{"i", ado::adInteger}, FieldInfo{"n", ado::adNumeric, 19, 10, 2},
                        FieldInfo{"t", ado::adDBTimeStamp}, FieldInfo{"g", ado::adGUID},
                        FieldInfo{"s", ado::adVarChar, 20}});
    b.appendInt(0, 1);
    b.appendNull(0);
    b.appendDecimal(1, "+007.50");
    b.appendDecimal(1, "NaN");
    EXPECT_TRUE(b.appendDateTime(2, 2024, 1, 31, 12, 0, 0, 5));
    EXPECT_FALSE(b.appendDateTime(2, 0, 0, 0, 0, 0, 0, 0)); // a zero date cannot be stored
    b.appendText(3, std::string_view("01234567-89ab-cdef-0123-456789abcdef"));
    b.appendText(3, std::string_view("not a guid"));
    b.appendText(4, std::string_view("\xc3\xa4"));
    b.appendText(4, QStringView(u"z"));
    EXPECT_EQ(errorNumber([&] { b.appendReal(0, 1.0); }), 13);
    const Recordset rs = b.finish();
    ASSERT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(rs.text(0, 1), "7.50");
    EXPECT_EQ(rs.text(1, 1), "NaN");
    EXPECT_EQ(rs.text(0, 2), "2024-01-31 12:00:00.000000005");
    EXPECT_TRUE(rs.isNull(1, 2));
    EXPECT_EQ(rs.text(0, 3), "{01234567-89AB-CDEF-0123-456789ABCDEF}");
    EXPECT_EQ(rs.text(1, 3), "not a guid");
    EXPECT_EQ(rs.text(0, 4), "ä");
    EXPECT_TRUE(rs.isNull(1, 0));
    EXPECT_TRUE(rs.isOpen());
    EXPECT_EQ(rs.absolutePosition(), 1);
}

TEST(RecordsetBuilder, ColumnsOfDifferentLengthAreRefused) {
    RecordsetBuilder b({FieldInfo{"a", ado::adInteger}, FieldInfo{"b", ado::adInteger}});
    b.appendInt(0, 1);
    EXPECT_EQ(errorNumber([&] { b.finish(); }), 3219);
}

TEST(RecordsetBuilder, RowOfBadValuesLeavesNoPartialRow) {
    RecordsetBuilder b({FieldInfo{"a", ado::adInteger}, FieldInfo{"b", ado::adInteger}});
    b.appendRow({1, 2});
    EXPECT_EQ(errorNumber([&] { b.appendRow({3, "x"}); }), 13);
    b.appendRow({4});
    const Recordset rs = b.finish();
    ASSERT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(rs.value(1, 0).toInt(), 4);
    EXPECT_TRUE(rs.isNull(1, 1));
}

// A million rows of (int, double, varchar(20), timestamp) must stay well below 100 MB; 100000 rows
// show the cost per row without taking long.
TEST(RecordsetBuilder, StorageStaysCompact) {
    RecordsetBuilder b({FieldInfo{"i", ado::adInteger}, FieldInfo{"d", ado::adDouble},
                        FieldInfo{"s", ado::adVarChar, 20}, FieldInfo{"t", ado::adDBTimeStamp}});
    const int rows = 100000;
    for (int r = 0; r < rows; ++r) {
        b.appendInt(0, r);
        b.appendReal(1, r * 0.5);
        b.appendText(2, std::string_view("customer name 12345"));
        b.appendDateTime(3, DateTimeValue{qint64(r) * 1000, 0});
    }
    const Recordset rs = b.finish();
    const double perRow = double(rs.memoryUsage()) / rows;
    EXPECT_LT(perRow, 70.0);
}

} // namespace

namespace {

// Dates come from every engine's text or parts: each day of the calendar, and each day a month
// does not have, gives what QDate gives.
TEST(DateTimeValue, FromPartsAgreesWithQDateOnEveryDay) {
    int checked = 0;
    for (int year : {-4713, -1, 0, 1, 2, 3, 4, 99, 100, 400, 1582, 1600, 1700, 1899, 1900, 1970, 2000, 2024, 2100,
                     2400, 9998, 9999, 10000, 275759}) {
        for (int month = -1; month <= 14; ++month) {
            for (int day = -1; day <= 33; ++day) {
                const std::optional<DateTimeValue> v = DateTimeValue::fromParts(year, month, day, 23, 59, 58, 7);
                ASSERT_EQ(v.has_value(), QDate::isValid(year, month, day)) << year << '-' << month << '-' << day;
                if (!v) continue;
                EXPECT_EQ(v->seconds, QDate(year, month, day).toJulianDay() * 86400 + 86398) << year << '-' << month;
                EXPECT_EQ(v->nanos, 7u);
                EXPECT_EQ(v->date(), QDate(year, month, day));
                ++checked;
            }
        }
    }
    // Every day of four centuries, the Gregorian cycle.
    for (QDate d(1999, 12, 1); d < QDate(2400, 3, 1); d = d.addDays(1)) {
        const std::optional<DateTimeValue> v = DateTimeValue::fromParts(d.year(), d.month(), d.day());
        ASSERT_TRUE(v) << d.toString(Qt::ISODate).toStdString();
        ASSERT_EQ(v->seconds, d.toJulianDay() * 86400) << d.toString(Qt::ISODate).toStdString();
        ++checked;
    }
    EXPECT_GT(checked, 140000);
    EXPECT_FALSE(DateTimeValue::fromParts(2024, 2, 29, 24, 0, 0));
    EXPECT_FALSE(DateTimeValue::fromParts(2024, 2, 29, 0, 0, 0, 1'000'000'000u));
}

} // namespace
