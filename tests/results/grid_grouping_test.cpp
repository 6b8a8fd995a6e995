#include "db/recordset_builder.h"
#include "db/recordset_sort.h"
#include "results/grid_format.h"
#include "results/grid_grouping.h"

#include <gtest/gtest.h>

#include <QDateTime>

#include <algorithm>
#include <cmath>

using namespace mv;

namespace {

// region (text), amount (double, one Null), qty (int), code (text holding numbers)
Recordset sales() {
    RecordsetBuilder b({FieldInfo{"region", ado::adVarWChar, 20}, FieldInfo{"amount", ado::adDouble},
                        FieldInfo{"qty", ado::adInteger}, FieldInfo{"code", ado::adVarWChar, 10}});
    b.appendRow({"North", 10.0, 1, "10"});
    b.appendRow({"South", 4.0, 2, "9"});
    b.appendRow({"north", 30.0, 3, "100"}); // texts group without regard to case
    b.appendRow({"South", QVariant(), 4, "x"});
    b.appendRow({"North", 20.0, 5, QVariant()});
    b.appendRow({"East", 7.0, 6, "-1"});
    return b.finish();
}

std::vector<int> orderOf(const GridArrangement& a) {
    std::vector<int> out;
    for (int p = 0; p < a.rowCount; ++p)
        out.push_back(a.recordAt(p));
    return out;
}

} // namespace

TEST(GridArrangement, OrdersByKeysStablyWithNullsFirstAscendingAndLastDescending) {
    const Recordset rs = sales();
    struct Case {
        const char* name;
        std::vector<GridOrderKey> sorts;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {"amount ascending", {{1, false, GridSortType::Numeric}}, {3, 1, 5, 0, 4, 2}},
        {"amount descending", {{1, true, GridSortType::Numeric}}, {2, 4, 0, 5, 1, 3}},
        {"region then qty descending",
         {{0, false, GridSortType::String}, {2, true, GridSortType::Numeric}},
         {5, 4, 2, 0, 3, 1}},
        {"code as text", {{3, false, GridSortType::String}}, {4, 5, 0, 2, 1, 3}},
        {"code as numbers, texts that are none last",
         {{3, false, GridSortType::Numeric}},
         {4, 5, 1, 0, 2, 3}},
    };
    for (const Case& c : cases) {
        const GridArrangement a = arrangeRows(rs, {}, c.sorts, {});
        EXPECT_EQ(orderOf(a), c.expected) << c.name;
        EXPECT_EQ(a.levelCount(), 0) << c.name;
    }
}

TEST(GridArrangement, TextDatesOrderAsDatesWhenTheColumnSaysSo) {
    RecordsetBuilder b({FieldInfo{"d", ado::adVarWChar, 30}});
    for (const char* d : {"2024-03-01", "2023-12-31 23:00:00", "2024-01-15", "not a date"})
        b.appendRow({QString(d)});
    const Recordset rs = b.finish();
    EXPECT_EQ(orderOf(arrangeRows(rs, {}, {{0, false, GridSortType::DateTime}}, {})),
              (std::vector<int>{1, 2, 0, 3}));
}

TEST(GridArrangement, GroupsAndTotalsEveryAggregate) {
    const Recordset rs = sales();
    const std::vector<GridAggregateSpec> aggregates_ = {
        {1, GridAggregate::Count, GridSortType::Numeric},
        {1, GridAggregate::Sum, GridSortType::Numeric},
        {1, GridAggregate::Average, GridSortType::Numeric},
        {1, GridAggregate::Min, GridSortType::Numeric},
        {1, GridAggregate::Max, GridSortType::Numeric},
        {1, GridAggregate::StdDev, GridSortType::Numeric},
        {1, GridAggregate::ValueCount, GridSortType::Numeric},
        {3, GridAggregate::Sum, GridSortType::Numeric},
        {3, GridAggregate::Max, GridSortType::Numeric},
        {3, GridAggregate::Max, GridSortType::String},
    };
    const GridArrangement a = arrangeRows(rs, {{0, false, GridSortType::String}}, {}, aggregates_);
    ASSERT_EQ(a.levelCount(), 1);
    ASSERT_EQ(a.groupCount(0), 3); // East, North (3 rows, any case), South
    EXPECT_EQ(a.groupStarts[0], (std::vector<int>{0, 1, 4}));

    struct Expect {
        int group;
        int wanted;
        QVariant value; // invalid: nothing to show
    };
    const double northSd = std::sqrt(((10.0 - 20) * (10 - 20) + (30.0 - 20) * (30 - 20) + 0) / 2.0);
    const Expect expected[] = {
        {1, 0, qint64(3)},  {1, 1, 60.0},      {1, 2, 20.0},       {1, 3, 10.0},  {1, 4, 30.0},
        {1, 5, northSd},    {1, 6, qint64(3)}, {2, 0, qint64(2)},  {2, 1, 4.0},   {2, 2, 4.0},
        {2, 5, QVariant()}, {2, 6, qint64(1)}, {0, 5, QVariant()}, {1, 7, 110.0}, {2, 7, 9.0},
        {1, 8, "100"},      {2, 8, "9"},       {2, 9, "x"},        {1, 9, "100"},
    };
    for (const Expect& e : expected) {
        const GridAggregateSpec& wanted = aggregates_[size_t(e.wanted)];
        const QVariant v = aggregateValue(a.total(0, e.group, e.wanted), wanted.function, rs, wanted.field);
        if (!e.value.isValid()) {
            EXPECT_FALSE(v.isValid()) << "group " << e.group << " wanted " << e.wanted;
            continue;
        }
        if (e.value.metaType().id() == QMetaType::Double)
            EXPECT_NEAR(v.toDouble(), e.value.toDouble(), 1e-9) << "group " << e.group << " wanted " << e.wanted;
        else
            EXPECT_EQ(v.toString(), e.value.toString()) << "group " << e.group << " wanted " << e.wanted;
    }
}

TEST(GridArrangement, OuterLevelsTotalTheirInnerGroups) {
    RecordsetBuilder b(
        {FieldInfo{"a", ado::adVarWChar, 5}, FieldInfo{"b", ado::adInteger}, FieldInfo{"v", ado::adInteger}});
    const int rows[][3] = {{1, 1, 5}, {2, 1, 1}, {1, 2, 7}, {1, 1, 3}, {2, 2, 2}, {1, 2, 9}};
    for (const auto& r : rows)
        b.appendRow({QString::number(r[0]), r[1], r[2]});
    const Recordset rs = b.finish();
    const std::vector<GridAggregateSpec> aggregates_ = {{2, GridAggregate::Sum, GridSortType::Numeric},
                                                  {2, GridAggregate::StdDev, GridSortType::Numeric},
                                                  {2, GridAggregate::Min, GridSortType::Numeric}};
    const GridArrangement a =
        arrangeRows(rs, {{0, false, GridSortType::String}, {1, true, GridSortType::Numeric}},
                    {{2, false, GridSortType::Numeric}}, aggregates_);
    ASSERT_EQ(a.levelCount(), 2);
    EXPECT_EQ(a.groupStarts[0], (std::vector<int>{0, 4}));
    EXPECT_EQ(a.groupStarts[1], (std::vector<int>{0, 2, 4, 5}));
    EXPECT_EQ(orderOf(a), (std::vector<int>{2, 5, 3, 0, 4, 1})); // b descending, then v ascending
    EXPECT_DOUBLE_EQ(aggregateValue(a.total(0, 0, 0), GridAggregate::Sum, rs, 2).toDouble(), 24.0);
    EXPECT_DOUBLE_EQ(aggregateValue(a.total(1, 1, 0), GridAggregate::Sum, rs, 2).toDouble(), 8.0);
    // The merged deviation equals the one computed over all four values 3, 5, 7, 9.
    EXPECT_NEAR(aggregateValue(a.total(0, 0, 1), GridAggregate::StdDev, rs, 2).toDouble(),
                std::sqrt(20.0 / 3), 1e-12);
    EXPECT_EQ(aggregateValue(a.total(0, 0, 2), GridAggregate::Min, rs, 2).toInt(), 3);
}

// Sums of 64-bit integers and long decimals are exact, also across groups; doubles stay doubles.
TEST(GridArrangement, SumsOfIntegersAndDecimalsAreExact) {
    RecordsetBuilder b({FieldInfo{"g", ado::adVarWChar, 5}, FieldInfo{"big", ado::adBigInt},
                        FieldInfo{"huge", ado::adUnsignedBigInt}, FieldInfo{"dec", ado::adNumeric, 0, 40, 3},
                        FieldInfo{"real", ado::adDouble}});
    b.appendRow({"a", qlonglong(9007199254740993LL), qulonglong(18446744073709551615ULL),
                 "12345678901234567890123456789012.125", 0.1});
    b.appendRow({"a", qlonglong(1), qulonglong(1), "-0.005", 0.2});
    b.appendRow({"b", qlonglong(-9223372036854775807LL - 1), QVariant(), "-12345678901234567890123456789012.12", 0.3});
    b.appendRow({"b", QVariant(), qulonglong(2), "0.5", QVariant()});
    const Recordset rs = b.finish();
    std::vector<GridAggregateSpec> sums;
    for (int f = 1; f <= 4; ++f)
        sums.push_back({f, GridAggregate::Sum, GridSortType::Numeric});
    const GridArrangement a = arrangeRows(rs, {{0, false, GridSortType::String}}, {}, sums);
    ASSERT_EQ(a.levelCount(), 1);
    struct Expected {
        int group, wanted;
        const char* sum;
    } cases[] = {
        {0, 0, "9007199254740994"},   {0, 1, "18446744073709551616"},
        {0, 2, "12345678901234567890123456789012.120"},
        {1, 0, "-9223372036854775808"}, {1, 1, "2"}, {1, 2, "-12345678901234567890123456789011.62"},
    };
    for (const Expected& e : cases) {
        const QVariant v = aggregateValue(a.total(0, e.group, e.wanted), GridAggregate::Sum, rs, e.wanted + 1);
        EXPECT_EQ(v.toString().toStdString(), e.sum) << "group " << e.group << " field " << e.wanted + 1;
    }
    // A double column sums as a double.
    const QVariant reals = aggregateValue(a.total(0, 0, 3), GridAggregate::Sum, rs, 4);
    EXPECT_EQ(reals.metaType().id(), QMetaType::Double);
    EXPECT_DOUBLE_EQ(reals.toDouble(), 0.1 + 0.2);
}

TEST(ExactSum, AddsAndMergesDecimalsOfAnyLength) {
    const struct {
        std::vector<const char*> values;
        const char* sum; // nullptr: not exact
    } cases[] = {
        {{"1", "2"}, "3"},
        {{"0.1", "0.2"}, "0.3"},
        {{"-1.50", "1.5"}, "0.00"},
        {{"99999999999999999999999999999999999999", "1"}, "100000000000000000000000000000000000000"},
        {{"-0.001", "-0.009"}, "-0.010"},
        {{"5", "-7.25"}, "-2.25"},
        {{"1e5"}, nullptr},
        {{"NaN"}, nullptr},
        {{"."}, nullptr},
        {{}, nullptr},
    };
    for (const auto& c : cases) {
        ExactSum sum;
        for (const char* v : c.values)
            sum.add(v);
        EXPECT_EQ(sum.exact(), c.sum != nullptr) << (c.sum ? c.sum : "inexact");
        if (c.sum) EXPECT_EQ(sum.text().toStdString(), c.sum);
        // Two halves merged give the same.
        ExactSum left, right;
        for (size_t i = 0; i < c.values.size(); ++i)
            (i % 2 ? right : left).add(c.values[i]);
        left.merge(right);
        EXPECT_EQ(left.exact(), sum.exact());
        if (c.sum) EXPECT_EQ(left.text().toStdString(), c.sum);
    }
}

TEST(GroupOutline, HeadersRecordsAndFootersFollowExpansion) {
    RecordsetBuilder b({FieldInfo{"g", ado::adInteger}});
    for (int g : {1, 1, 2, 2, 2, 3})
        b.appendRow({g});
    const Recordset rs = b.finish();
    const GridArrangement a = arrangeRows(rs, {{0, false, GridSortType::Numeric}}, {}, {});
    GroupOutline outline;
    outline.reset(&a, true);
    using K = GroupOutline::Kind;
    const auto kinds = [&] {
        std::string s;
        for (int r = 0; r < outline.rowCount(); ++r)
            s += "RHF"[int(outline.item(r).kind)];
        return s;
    };
    EXPECT_EQ(kinds(), "HRRFHRRRFHRF");
    EXPECT_EQ(outline.item(6).position, 3);
    EXPECT_EQ(outline.displayRowOfPosition(3), 6);

    outline.setExpanded(0, 1, false);
    EXPECT_EQ(kinds(), "HRRFHFHRF");
    EXPECT_EQ(outline.displayRowOfPosition(3), 4); // hidden: its group's header
    EXPECT_EQ(outline.item(7).kind, K::Record);
    EXPECT_EQ(outline.item(7).position, 5);

    outline.setFooters(false);
    EXPECT_EQ(kinds(), "HRRHHR");
    outline.setAllExpanded(false);
    EXPECT_EQ(kinds(), "HHH");
    outline.setAllExpanded(true);
    EXPECT_EQ(outline.rowCount(), 9);
}

TEST(GroupOutline, RemovedRecordsCloseUpAndEmptyGroupsVanish) {
    RecordsetBuilder b({FieldInfo{"g", ado::adInteger}});
    for (int g : {2, 1, 2, 3, 1})
        b.appendRow({g});
    const Recordset rs = b.finish();
    GridArrangement a = arrangeRows(rs, {{0, false, GridSortType::Numeric}}, {}, {});
    EXPECT_EQ(orderOf(a), (std::vector<int>{1, 4, 0, 2, 3}));
    GroupOutline outline;
    outline.reset(&a, false);
    outline.setExpanded(0, 0, false); // group 1 collapsed
    std::vector<std::vector<int>> kept;
    a.removeRecords({0, 2}, &kept); // both rows of group 2
    outline.remap(kept);
    EXPECT_EQ(orderOf(a), (std::vector<int>{0, 2, 1})); // later records moved down
    EXPECT_EQ(a.groupStarts[0], (std::vector<int>{0, 2}));
    EXPECT_EQ(kept[0], (std::vector<int>{0, 2}));
    EXPECT_FALSE(outline.isExpanded(0, 0)); // group 1 stays collapsed
    EXPECT_TRUE(outline.isExpanded(0, 1));
    EXPECT_TRUE(a.totalsStale);
    EXPECT_EQ(outline.rowCount(), 3);
}

TEST(GridFormat, FormatsNumbersDatesAndTexts) {
    const QVariant when = QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9), Qt::UTC);
    struct Case {
        QVariant value;
        int type;
        const char* format;
        const char* expected;
    };
    const Case cases[] = {
        {1234.567, ado::adDouble, "0.00", "1234.57"},
        {1234.567, ado::adDouble, "#,##0.0", "1,234.6"},
        {0.5, ado::adDouble, "#.##", ".5"},
        {-3.0, ado::adDouble, "0;(0)", "(3)"},
        {0.0, ado::adDouble, "0.0;-0.0;\"none\"", "none"},
        {-0.001, ado::adDouble, "0.00", "0.00"},
        {0.256, ado::adDouble, "0.0%", "25.6%"},
        {12345.0, ado::adDouble, "0.00E+00", "1.23E+04"},
        {42, ado::adInteger, "\"No. \"000", "No. 042"},
        {QString("1234.5"), ado::adNumeric, "#,##0.00", "1,234.50"},
        {true, ado::adBoolean, "Yes/No", "Yes"},
        {when, ado::adDBTimeStamp, "yyyy-mm-dd hh:nn:ss", "2024-03-05 14:07:09"},
        {when, ado::adDBTimeStamp, "d.m.yy", "5.3.24"},
        {when, ado::adDBTimeStamp, "h:mm AM/PM", "2:07 PM"},
        {QString("Mixed"), ado::adVarWChar, ">", "MIXED"},
        {QString("Mixed"), ado::adVarWChar, "0.00", "Mixed"},
        {QVariant(), ado::adInteger, "0.00", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatGridValue(c.value, c.type, c.format), QString(c.expected))
            << c.format << " on " << c.value.toString().toStdString();
}

namespace {

// The order the grid gave before keys travelled with the rows: a stable sort that compares the
// cells one by one, key after key.
std::vector<int> cellByCellOrder(const Recordset& rs, const std::vector<GridOrderKey>& keys) {
    std::vector<int> rows(size_t(rs.recordCount()));
    for (size_t i = 0; i < rows.size(); ++i)
        rows[i] = int(i);
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
        for (const GridOrderKey& k : keys) {
            const ColumnStore& c = rs.column(k.field);
            const qsizetype pa = rs.physicalRow(a), pb = rs.physicalRow(b);
            const bool na = c.isNull(pa), nb = c.isNull(pb);
            int cmp = 0;
            if (na || nb)
                cmp = na == nb ? 0 : (na ? -1 : 1);
            else
                cmp = compareCells(c, rs.field(k.field).type, pa, pb);
            if (k.descending) cmp = -cmp;
            if (cmp != 0) return cmp < 0;
        }
        return false;
    });
    return rows;
}

} // namespace

TEST(GridArrangement, LeadingKeysOrderRowsAsTheirCellsDo) {
    // Texts that share long beginnings, differ only in case or beyond ASCII, are empty or Null;
    // numbers with ties; date-times that differ in the fraction only.
    const QStringList words{QStringLiteral("customer 0001"), QStringLiteral("Customer 0001"), QStringLiteral("customer 0002"),
                            QStringLiteral("customer"),      QStringLiteral("custom"),        QString(),
                            QString::fromUtf8("Äpfel"),      QString::fromUtf8("apfel"),      QString::fromUtf8("Ölkanne"),
                            QStringLiteral("zebra"),         QString::fromUtf8("zebra ß"),    QStringLiteral("ab\x7f")};
    RecordsetBuilder b({FieldInfo{"t", ado::adVarWChar, 40}, FieldInfo{"n", ado::adInteger},
                        FieldInfo{"d", ado::adDouble}, FieldInfo{"at", ado::adDBTimeStamp}});
    quint32 s = 12345;
    auto next = [&s] { return s = s * 1103515245u + 12345u; };
    for (int i = 0; i < 3000; ++i) {
        const quint32 r = next();
        b.appendRow({r % 13 == 0 ? QVariant() : QVariant(words[int(r % words.size())] + QString::number(r % 3)),
                     r % 17 == 0 ? QVariant() : QVariant(int(next() % 50) - 25),
                     r % 19 == 0 ? QVariant() : QVariant(double(int(next() % 40) - 20) / 4.0),
                     QVariant(QDateTime(QDate(2024, 1, 1 + int(r % 3)), QTime(0, 0, 0, int(next() % 3))))});
    }
    Recordset rs = b.finish();
    const std::vector<std::vector<GridOrderKey>> keySets{
        {{0, false, GridSortType::String}},
        {{0, true, GridSortType::String}},
        {{0, false, GridSortType::String}, {1, true, GridSortType::Numeric}},
        {{1, false, GridSortType::Numeric}, {0, true, GridSortType::String}},
        {{2, true, GridSortType::Numeric}, {3, false, GridSortType::DateTime}},
        {{3, false, GridSortType::DateTime}, {1, false, GridSortType::Numeric}},
    };
    for (const bool sorted : {false, true}) {
        if (sorted) rs.setSort(QStringLiteral("n DESC")); // rows in another order than stored
        for (size_t k = 0; k < keySets.size(); ++k) {
            const GridArrangement a = arrangeRows(rs, {}, keySets[k], {});
            EXPECT_EQ(orderOf(a), cellByCellOrder(rs, keySets[k])) << "key set " << k << (sorted ? " on sorted rows" : "");
        }
    }
}
