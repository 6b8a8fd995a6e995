#pragma once
// The grid's arrangement of a recordset: the display order (group keys, then sort keys), the
// groups of every grouping level and the totals of the aggregate columns per group; and the
// outline that turns groups and records into display rows.
//
// Cost: an arrangement holds a handful of flat arrays (the order, the first position of every
// group per level, the totals per group); nothing is built per record beyond an int in the order,
// so a million rows cost a few megabytes and no object per row. Groups are ranges of the order.
#include "db/recordset.h"
#include "results/exact_sum.h"
#include "results/grid_layout.h"

#include <atomic>
#include <vector>

namespace mv {

// One key: a recordset field, the direction and how the field's values compare (texts that hold
// numbers or dates can be ordered as such; other combinations use the field's own order).
struct GridOrderKey {
    int field = 0;
    bool descending = false;
    GridSortType sortType = GridSortType::String;
};

struct GridAggregateSpec {
    int field = -1; // -1: a column without a field, only counts
    GridAggregate function = GridAggregate::None;
    GridSortType sortType = GridSortType::String; // the order for Min and Max
};

// Totals of one column over one group.
struct AggregateState {
    qint64 rows = 0;                  // rows of the group
    qint64 values = 0;                // non-Null cells
    qint64 numbers = 0;               // cells with a numeric value
    double sum = 0, mean = 0, m2 = 0; // m2: sum of squared deviations from the mean
    ExactSum exactSum;                // the sum of integer and decimal cells, exactly
    int minRow = -1, maxRow = -1;     // recordset rows of the smallest and largest non-Null cell
};

struct GridArrangement {
    int rowCount = 0;
    std::vector<int> order; // display position -> recordset row; empty: the recordset's order
    std::vector<GridOrderKey> groupKeys;
    std::vector<GridAggregateSpec> aggregates_;
    std::vector<std::vector<int>> groupStarts;           // [level] first position of each group
    std::vector<std::vector<AggregateState>> aggregates; // [level][group * aggregates_ + wanted]
    bool totalsStale = false;                            // rows were removed after the totals were made

    int recordAt(int position) const { return order.empty() ? position : order[size_t(position)]; }
    int levelCount() const { return int(groupStarts.size()); }
    int groupCount(int level) const { return int(groupStarts[size_t(level)].size()); }
    int groupBegin(int level, int group) const { return groupStarts[size_t(level)][size_t(group)]; }
    int groupEnd(int level, int group) const;
    // The group of a level that holds a position.
    int groupOf(int level, int position) const;
    const AggregateState& total(int level, int group, int wanted) const {
        return aggregates[size_t(level)][size_t(group) * aggregates_.size() + size_t(wanted)];
    }

    // Takes out records (recordset rows, any order, no repeats): the order and groups close up,
    // groups left empty vanish, later records move down. `keptGroups[level]` receives, for every
    // group that stays, its former index. The totals are marked stale.
    void removeRecords(const std::vector<int>& records, std::vector<std::vector<int>>* keptGroups = nullptr);
    // A record appended to the recordset goes to the end of the order.
    void appendRecord(int record);
};

// Thrown out of arrangeRows when `cancel` was set.
struct ArrangementCancelled {};

// Orders the rows by the group keys, then the sort keys; rows that compare equal keep the
// recordset's order. Nulls come first ascending and last descending; texts compare without regard
// to case. Then finds the groups of every level and totals each wanted per group.
GridArrangement arrangeRows(const Recordset& rs, const std::vector<GridOrderKey>& groupKeys,
                            const std::vector<GridOrderKey>& sortKeys,
                            const std::vector<GridAggregateSpec>& aggregates_,
                            const std::atomic<bool>* cancel = nullptr);

// The value of a total: Count and Value Count as numbers, Sum, Average and Standard Dev (of a
// sample) as doubles over the numeric cells, Min and Max as the cell's value. Invalid when there
// is nothing to show (no numeric cell, fewer than two for the deviation).
QVariant aggregateValue(const AggregateState& s, GridAggregate function, const Recordset& rs, int field);

// The display rows of an arrangement: per group a header row, its contents when expanded (the
// groups of the next level, or the records at the last level), and a footer row when footers are
// on. Without grouping the display rows are the records. A row is found by binary search over
// running heights per level, so collapsing or expanding costs one pass over the groups.
class GroupOutline {
  public:
    enum class Kind { Record, Header, Footer };
    struct Item {
        Kind kind = Kind::Record;
        int level = -1;
        int group = -1;
        int position = -1; // for records: the display position in the arrangement's order
    };

    void reset(const GridArrangement* arrangement, bool footers, bool expanded = true);
    // After removeRecords: keeps the expansion of the groups that stayed.
    void remap(const std::vector<std::vector<int>>& keptGroups);
    void setFooters(bool footers);
    bool footers() const { return m_footers; }

    int rowCount() const;
    Item item(int displayRow) const;
    bool isExpanded(int level, int group) const;
    void setExpanded(int level, int group, bool expanded);
    void setAllExpanded(bool expanded);
    // The display row of a record position, or of the header of the outermost collapsed group
    // that hides it.
    int displayRowOfPosition(int position) const;

  private:
    void recompute();
    int childBegin(int level, int group) const; // first group of level + 1 inside the group

    const GridArrangement* m_arr = nullptr;
    bool m_footers = false;
    std::vector<std::vector<char>> m_expanded;
    std::vector<std::vector<qint64>> m_running; // [level] display rows before each group; size groups + 1
};

} // namespace mv
