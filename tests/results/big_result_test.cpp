// A million rows through the real grid: bound, scrolled, sorted and grouped, while every heap
// allocation of the process is counted. Building anything per row (an object, a text) would
// cost at least a million allocations; the grid must stay far below that.
#include "db/recordset_builder.h"
#include "results/grid_table_view.h"
#include "results/result_grid_widget.h"
#include "support/scripted_user_port.h"

#include <QApplication>
#include <QScrollBar>
#include <atomic>
#include <charconv>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {
std::atomic<bool> g_counting{false};
std::atomic<long long> g_allocations{0};
} // namespace

// Every heap allocation (operator new and Qt's own texts and lists) reaches malloc. A sanitizer
// brings its own malloc, which must not be replaced: there the grid is exercised without counting.
#if defined(__SANITIZE_ADDRESS__)
#define MV_COUNTS_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MV_COUNTS_ALLOCATIONS 0
#endif
#endif
#ifndef MV_COUNTS_ALLOCATIONS
#define MV_COUNTS_ALLOCATIONS 1
extern "C" void* __libc_malloc(size_t size);
extern "C" void* malloc(size_t size) {
    if (g_counting.load(std::memory_order_relaxed)) g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(size);
}
#endif

using namespace mv;

namespace {

constexpr int Rows = 1'000'000;
constexpr long long Budget =
    50'000; // allocations allowed for one operation on all rows (a per-row text alone is a million)

struct Counting {
    Counting() {
        g_allocations = 0;
        g_counting = true;
    }
    // Without counting, every operation is within the budget.
    long long stop() {
        g_counting = false;
        return MV_COUNTS_ALLOCATIONS ? g_allocations.load() : 0;
    }
};

Recordset million() {
    RecordsetBuilder b({FieldInfo{"id", ado::adInteger}, FieldInfo{"name", ado::adVarWChar, 20},
                        FieldInfo{"grp", ado::adInteger}, FieldInfo{"amount", ado::adDouble}});
    b.reserve(Rows);
    for (int i = 0; i < Rows; ++i) {
        const int id = int((qint64(i) * 7919) % Rows); // a permutation of 0 .. Rows-1
        b.appendInt(0, id);
        char name[16] = {'N'};
        const auto end = std::to_chars(name + 1, name + sizeof name, id).ptr;
        b.appendText(1, std::string_view(name, size_t(end - name)));
        b.appendInt(2, i % 10);
        b.appendReal(3, 1.0);
    }
    return b.finish();
}

int idAt(const ResultGridWidget& grid, int row) {
    return grid.model()->index(row, 0).data().toInt();
}

} // namespace

TEST(MillionRows, BindScrollSortAndGroupWithoutPerRowObjects) {
    mvtest::ScriptedUserPort port;
    ResultGridWidget grid;
    grid.resize(800, 500);
    grid.show();
    Recordset rs = million();

    Counting bind;
    grid.setRecordset(rs);
    QApplication::processEvents();
    EXPECT_LT(bind.stop(), Budget);
    ASSERT_EQ(grid.recordCount(), Rows);
    ASSERT_EQ(grid.model()->rowCount(), Rows);
    EXPECT_GT(grid.column(1).width, 0); // fitted from a sample

    // Scrolled to the end and drawn.
    grid.tableView()->scrollToBottom();
    QApplication::processEvents();
    EXPECT_FALSE(grid.grab().isNull());
    EXPECT_EQ(grid.model()->index(Rows - 1, 1).data().toString(),
              "N" + QString::number(idAt(grid, Rows - 1)));

    Counting fit;
    grid.fitColumns();
    EXPECT_LT(fit.stop(), Budget);

    // The sort runs on the worker: the grid keeps answering meanwhile with the old order.
    const int firstBefore = idAt(grid, 0);
    Counting sort;
    grid.setSortKeys({{"id", true}});
    EXPECT_TRUE(grid.isArranging());
    EXPECT_EQ(idAt(grid, 0), firstBefore);
    grid.waitForArrangement();
    EXPECT_LT(sort.stop(), Budget);
    EXPECT_EQ(idAt(grid, 0), Rows - 1);
    EXPECT_EQ(idAt(grid, Rows - 1), 0);
    for (int row = 0; row < Rows; row += 9973)
        EXPECT_EQ(idAt(grid, row), Rows - 1 - row);
    const qsizetype orderBytes = qsizetype(grid.model()->arrangement().order.capacity() * sizeof(int));
    EXPECT_LE(orderBytes, qsizetype(Rows) * 4);

    // Grouped with totals: ten groups, a header and a footer each.
    GridColumn amount = grid.column(3);
    amount.aggregate = GridAggregate::Sum;
    grid.setColumn(3, amount);
    grid.waitForArrangement();
    grid.setGroupFooterMode(2);
    Counting group;
    grid.setGroupKeys({{"grp", false}});
    grid.waitForArrangement();
    EXPECT_LT(group.stop(), Budget);
    ResultModel* m = grid.model();
    ASSERT_EQ(m->rowCount(), Rows + 20);
    EXPECT_EQ(m->index(0, 0).data(ResultModel::GroupCaptionRole).toString(), "grp: 0 (100000)");
    EXPECT_EQ(idAt(grid, 1), Rows - 10); // within a group still by id, descending
    EXPECT_EQ(m->rowKind(100001), ResultModel::RowKind::GroupFooter);
    EXPECT_EQ(m->index(100001, 3).data().toString(), "100000");

    grid.setAllGroupsExpanded(false);
    EXPECT_EQ(m->rowCount(), 20);
    grid.tableView()->scrollToBottom();
    EXPECT_FALSE(grid.grab().isNull());
    EXPECT_TRUE(port.messages.isEmpty());
}
