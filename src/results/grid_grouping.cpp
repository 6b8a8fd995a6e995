#include "results/grid_grouping.h"

#include "db/recordset_sort.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace mv {

namespace {

constexpr qint64 NoValue = std::numeric_limits<qint64>::max();
constexpr qint64 SecondsPerDay = 86400;
constexpr int MaxParsedText = 64;

// A stored text as a string view without a heap copy; empty when it is too long (no number or
// date is that long) or not plain ASCII.
bool asciiView(QByteArrayView bytes, char16_t (&buffer)[MaxParsedText], QStringView& out) {
    if (bytes.size() > MaxParsedText) return false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c & 0x80) return false;
        buffer[i] = char16_t(c);
    }
    out = QStringView(buffer, bytes.size());
    return true;
}

double parseNumberText(QByteArrayView bytes) {
    char16_t buffer[MaxParsedText];
    QStringView view;
    if (!asciiView(bytes, buffer, view)) return std::numeric_limits<double>::quiet_NaN();
    const auto d = cell::parseDouble(view.trimmed());
    return d ? *d : std::numeric_limits<double>::quiet_NaN();
}

qint64 parseDateText(QByteArrayView bytes, int adoType) {
    char16_t buffer[MaxParsedText];
    QStringView view;
    if (!asciiView(bytes, buffer, view)) return NoValue;
    const auto v = cell::parseDateTime(view.trimmed(), adoType);
    return v ? v->seconds : NoValue;
}

template <class T> int threeWay(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Compares the cells of one field by the key's sort type, on physical rows.
class KeyReader {
  public:
    KeyReader(const Recordset& rs, int field, GridSortType sortType, bool descending)
        : m_column(&rs.column(field)), m_type(rs.field(field).type), m_descending(descending) {
        const StorageKind kind = m_column->kind();
        if (kind == StorageKind::Text && sortType == GridSortType::Numeric) {
            m_mode = Mode::Number;
            m_numbers.resize(size_t(m_column->size()));
            for (qsizetype r = 0; r < m_column->size(); ++r)
                if (!m_column->isNull(r)) m_numbers[size_t(r)] = parseNumberText(m_column->bytesAt(r));
        } else if (kind == StorageKind::Text && sortType != GridSortType::String) {
            m_mode = Mode::Seconds;
            const int type = sortType == GridSortType::Date   ? ado::adDBDate
                             : sortType == GridSortType::Time ? ado::adDBTime
                                                              : ado::adDBTimeStamp;
            m_seconds.resize(size_t(m_column->size()));
            for (qsizetype r = 0; r < m_column->size(); ++r)
                if (!m_column->isNull(r)) m_seconds[size_t(r)] = parseDateText(m_column->bytesAt(r), type);
        } else if (kind == StorageKind::DateTime && sortType == GridSortType::Date) {
            m_mode = Mode::DayOnly;
        } else if (kind == StorageKind::DateTime && sortType == GridSortType::Time) {
            m_mode = Mode::TimeOnly;
        }
    }

    int compare(qsizetype a, qsizetype b) const {
        const int c = compareAscending(a, b);
        return m_descending ? -c : c;
    }

    int compareAscending(qsizetype a, qsizetype b) const {
        const bool na = m_column->isNull(a), nb = m_column->isNull(b);
        if (na || nb) return na == nb ? 0 : (na ? -1 : 1);
        switch (m_mode) {
        case Mode::Natural:
            return compareCells(*m_column, m_type, a, b);
        case Mode::Number: {
            const double x = m_numbers[size_t(a)], y = m_numbers[size_t(b)];
            if (std::isnan(x) || std::isnan(y)) return threeWay(std::isnan(x), std::isnan(y));
            return threeWay(x, y);
        }
        case Mode::Seconds:
            return threeWay(m_seconds[size_t(a)], m_seconds[size_t(b)]);
        case Mode::DayOnly:
            return threeWay(m_column->dateTimeAt(a).seconds / SecondsPerDay,
                            m_column->dateTimeAt(b).seconds / SecondsPerDay);
        case Mode::TimeOnly: {
            const DateTimeValue x = m_column->dateTimeAt(a), y = m_column->dateTimeAt(b);
            const int c = threeWay(x.seconds % SecondsPerDay, y.seconds % SecondsPerDay);
            return c != 0 ? c : threeWay(x.nanos, y.nanos);
        }
        }
        return 0;
    }

    // The numeric value of a non-Null cell for totals.
    std::optional<double> number(qsizetype phys) const {
        switch (m_column->kind()) {
        case StorageKind::Integer:
            if (m_type == ado::adUnsignedBigInt) return double(quint64(m_column->intAt(phys)));
            return double(m_column->intAt(phys));
        case StorageKind::Real:
            return m_column->realAt(phys);
        case StorageKind::Decimal:
        case StorageKind::Text: {
            const double d =
                m_mode == Mode::Number ? m_numbers[size_t(phys)] : parseNumberText(m_column->bytesAt(phys));
            if (std::isnan(d)) return std::nullopt;
            return d;
        }
        default:
            return std::nullopt;
        }
    }
    // Adds a non-Null cell to an exact sum: integers and decimal texts are exact, doubles are not.
    void addExactly(ExactSum& sum, qsizetype phys) const {
        switch (m_column->kind()) {
        case StorageKind::Integer:
            if (m_type == ado::adUnsignedBigInt)
                sum.addUnsigned(quint64(m_column->intAt(phys)));
            else
                sum.addInteger(m_column->intAt(phys));
            return;
        case StorageKind::Decimal: {
            const QByteArrayView text = m_column->bytesAt(phys);
            sum.add(std::string_view(text.data(), size_t(text.size())));
            return;
        }
        default:
            sum.spoil();
        }
    }
    bool isNull(qsizetype phys) const { return m_column->isNull(phys); }
    // Whether the cell has a value of the key's kind: a text that holds no number (or no date)
    // orders after all others but is no candidate for a smallest or largest value.
    bool hasKeyValue(qsizetype phys) const {
        if (m_mode == Mode::Number) return !std::isnan(m_numbers[size_t(phys)]);
        if (m_mode == Mode::Seconds) return m_seconds[size_t(phys)] != NoValue;
        return true;
    }

    // The cells compare in the column's own order, so the recordset's sort keys apply.
    bool natural() const { return m_mode == Mode::Natural; }
    bool descending() const { return m_descending; }
    const ColumnStore& column() const { return *m_column; }
    int adoType() const { return m_type; }

  private:
    enum class Mode { Natural, Number, Seconds, DayOnly, TimeOnly };
    const ColumnStore* m_column;
    int m_type;
    bool m_descending;
    Mode m_mode = Mode::Natural;
    std::vector<double> m_numbers;
    std::vector<qint64> m_seconds;
};

struct CancelCheck {
    const std::atomic<bool>* flag;
    quint32 calls = 0;
    void operator()() {
        if (flag && (++calls & 0x3FFF) == 0 && flag->load(std::memory_order_relaxed))
            throw ArrangementCancelled{};
    }
};

void merge(AggregateState& into, const AggregateState& part, const Recordset& rs, const KeyReader* reader) {
    into.rows += part.rows;
    into.values += part.values;
    if (part.numbers > 0) {
        const double n = double(into.numbers + part.numbers);
        const double delta = part.mean - into.mean;
        into.m2 += part.m2 + delta * delta * double(into.numbers) * double(part.numbers) / n;
        into.mean += delta * double(part.numbers) / n;
        into.numbers += part.numbers;
        into.sum += part.sum;
        into.exactSum.merge(part.exactSum);
    }
    if (!reader) return;
    if (part.minRow >= 0 && (into.minRow < 0 || reader->compareAscending(rs.physicalRow(part.minRow),
                                                                         rs.physicalRow(into.minRow)) < 0))
        into.minRow = part.minRow;
    if (part.maxRow >= 0 && (into.maxRow < 0 || reader->compareAscending(rs.physicalRow(part.maxRow),
                                                                         rs.physicalRow(into.maxRow)) > 0))
        into.maxRow = part.maxRow;
}

void totalGroups(GridArrangement& a, const Recordset& rs, CancelCheck& check) {
    const size_t specCount = a.aggregates_.size();
    const int levels = a.levelCount();
    if (specCount == 0 || levels == 0) return;
    a.aggregates.assign(size_t(levels), {});
    for (int level = 0; level < levels; ++level)
        a.aggregates[size_t(level)].assign(size_t(a.groupCount(level)) * specCount, AggregateState{});

    const int last = levels - 1;
    for (size_t s = 0; s < specCount; ++s) {
        const GridAggregateSpec& wanted = a.aggregates_[s];
        std::optional<KeyReader> reader;
        if (wanted.field >= 0) reader.emplace(rs, wanted.field, wanted.sortType, false);
        const bool wantNumbers = wanted.function == GridAggregate::Sum ||
                                 wanted.function == GridAggregate::Average ||
                                 wanted.function == GridAggregate::StdDev;
        const bool wantExtremes = wanted.function == GridAggregate::Min || wanted.function == GridAggregate::Max;
        for (int g = 0; g < a.groupCount(last); ++g) {
            AggregateState& st = a.aggregates[size_t(last)][size_t(g) * specCount + s];
            const int begin = a.groupBegin(last, g), end = a.groupEnd(last, g);
            st.rows = end - begin;
            if (!reader) continue;
            for (int p = begin; p < end; ++p) {
                check();
                const int row = a.recordAt(p);
                const qsizetype phys = rs.physicalRow(row);
                if (reader->isNull(phys)) continue;
                ++st.values;
                if (wantNumbers) {
                    if (const auto v = reader->number(phys)) {
                        ++st.numbers;
                        st.sum += *v;
                        reader->addExactly(st.exactSum, phys);
                        const double delta = *v - st.mean;
                        st.mean += delta / double(st.numbers);
                        st.m2 += delta * (*v - st.mean);
                    }
                }
                if (wantExtremes && reader->hasKeyValue(phys)) {
                    if (st.minRow < 0 || reader->compareAscending(phys, rs.physicalRow(st.minRow)) < 0)
                        st.minRow = row;
                    if (st.maxRow < 0 || reader->compareAscending(phys, rs.physicalRow(st.maxRow)) > 0)
                        st.maxRow = row;
                }
            }
        }
        // Outer levels from their inner groups.
        for (int level = last - 1; level >= 0; --level) {
            const std::vector<int>& inner = a.groupStarts[size_t(level + 1)];
            size_t child = 0;
            for (int g = 0; g < a.groupCount(level); ++g) {
                AggregateState& st = a.aggregates[size_t(level)][size_t(g) * specCount + s];
                const int end = a.groupEnd(level, g);
                while (child < inner.size() && inner[child] < end) {
                    merge(st, a.aggregates[size_t(level + 1)][child * specCount + s], rs,
                          wantExtremes && reader ? &*reader : nullptr);
                    ++child;
                }
            }
        }
    }
}

} // namespace

int GridArrangement::groupEnd(int level, int group) const {
    const std::vector<int>& starts = groupStarts[size_t(level)];
    return size_t(group) + 1 < starts.size() ? starts[size_t(group) + 1] : rowCount;
}

int GridArrangement::groupOf(int level, int position) const {
    const std::vector<int>& starts = groupStarts[size_t(level)];
    return int(std::upper_bound(starts.begin(), starts.end(), position) - starts.begin()) - 1;
}

void GridArrangement::removeRecords(const std::vector<int>& records,
                                    std::vector<std::vector<int>>* keptGroups) {
    if (records.empty()) return;
    const int n = rowCount;
    std::vector<char> gone(size_t(n), 0);
    for (int r : records)
        if (r >= 0 && r < n) gone[size_t(r)] = 1;
    // Kept positions before each position, and the new index of each record.
    std::vector<int> keptBefore(size_t(n) + 1, 0);
    std::vector<int> newRecord;
    if (!order.empty()) {
        newRecord.assign(size_t(n), 0);
        int kept = 0;
        for (int r = 0; r < n; ++r) {
            newRecord[size_t(r)] = kept;
            if (!gone[size_t(r)]) ++kept;
        }
    }
    std::vector<int> newOrder;
    if (!order.empty()) newOrder.reserve(size_t(n));
    for (int p = 0; p < n; ++p) {
        const int r = recordAt(p);
        keptBefore[size_t(p) + 1] = keptBefore[size_t(p)] + (gone[size_t(r)] ? 0 : 1);
        if (!order.empty() && !gone[size_t(r)]) newOrder.push_back(newRecord[size_t(r)]);
    }
    const size_t specCount = aggregates_.size();
    if (keptGroups) keptGroups->assign(groupStarts.size(), {});
    for (size_t level = 0; level < groupStarts.size(); ++level) {
        std::vector<int> starts;
        std::vector<AggregateState> totals;
        for (int g = 0; g < groupCount(int(level)); ++g) {
            const int begin = keptBefore[size_t(groupBegin(int(level), g))];
            const int end = keptBefore[size_t(groupEnd(int(level), g))];
            if (begin == end) continue;
            starts.push_back(begin);
            if (keptGroups) (*keptGroups)[level].push_back(g);
            if (level < aggregates.size())
                for (size_t s = 0; s < specCount; ++s)
                    totals.push_back(aggregates[level][size_t(g) * specCount + s]);
        }
        groupStarts[level] = std::move(starts);
        if (level < aggregates.size()) aggregates[level] = std::move(totals);
    }
    order = std::move(newOrder);
    rowCount = keptBefore[size_t(n)];
    totalsStale = true;
}

void GridArrangement::appendRecord(int record) {
    if (!order.empty()) order.push_back(record);
    ++rowCount;
    if (!groupStarts.empty()) totalsStale = true;
}

GridArrangement arrangeRows(const Recordset& rs, const std::vector<GridOrderKey>& groupKeys,
                            const std::vector<GridOrderKey>& sortKeys,
                            const std::vector<GridAggregateSpec>& aggregates_, const std::atomic<bool>* cancel) {
    GridArrangement a;
    a.rowCount = rs.recordCount();
    a.groupKeys = groupKeys;
    a.aggregates_ = aggregates_;
    CancelCheck check{cancel};
    const int n = a.rowCount;

    std::vector<KeyReader> readers;
    for (const GridOrderKey& k : groupKeys)
        readers.emplace_back(rs, k.field, k.sortType, k.descending);
    for (const GridOrderKey& k : sortKeys)
        readers.emplace_back(rs, k.field, k.sortType, k.descending);
    if (readers.empty() || n == 0) {
        a.groupStarts.assign(groupKeys.size(), n > 0 ? std::vector<int>{0} : std::vector<int>{});
        return a;
    }

    // The first key's leading part travels with the row where the column's own order applies
    // (texts above all: one array read instead of a text comparison for most pairs).
    enum : quint8 { NullCell = 0, Keyed = 1, Unkeyed = 2 };
    struct Item {
        quint64 key;
        int row;
        int phys;
        quint8 state;
    };
    const KeyReader& first = readers.front();
    const bool prefixed = first.natural();
    const bool exactKeys = prefixed && sortPrefixExact(first.column().kind());
    std::vector<Item> items(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const int phys = int(rs.physicalRow(i));
        Item item{0, i, phys, Unkeyed};
        if (prefixed) {
            if (first.column().isNull(phys)) {
                item.state = NullCell;
            } else if (const auto key = sortPrefixKey(first.column(), first.adoType(), phys)) {
                item.key = *key;
                item.state = Keyed;
            }
        }
        items[size_t(i)] = item;
    }
    std::stable_sort(items.begin(), items.end(), [&](const Item& x, const Item& y) {
        check();
        size_t from = 0;
        if (prefixed) {
            int c = 0;
            if (x.state == NullCell || y.state == NullCell)
                c = x.state == y.state ? 0 : (x.state == NullCell ? -1 : 1);
            else if (x.state == Keyed && y.state == Keyed && x.key != y.key)
                c = x.key < y.key ? -1 : 1;
            else if (!(x.state == Keyed && y.state == Keyed && exactKeys))
                c = first.compareAscending(x.phys, y.phys);
            if (c != 0) return first.descending() ? c > 0 : c < 0;
            from = 1;
        }
        for (size_t k = from; k < readers.size(); ++k) {
            const int c = readers[k].compare(x.phys, y.phys);
            if (c != 0) return c < 0;
        }
        return false;
    });
    a.order.resize(size_t(n));
    for (int p = 0; p < n; ++p)
        a.order[size_t(p)] = items[size_t(p)].row;

    // A new group of a level starts where any key up to that level changes.
    const size_t levels = groupKeys.size();
    a.groupStarts.assign(levels, std::vector<int>{0});
    for (int p = 1; p < n && levels > 0; ++p) {
        check();
        size_t firstDiff = levels;
        for (size_t k = 0; k < levels; ++k) {
            if (readers[k].compareAscending(items[size_t(p) - 1].phys, items[size_t(p)].phys) != 0) {
                firstDiff = k;
                break;
            }
        }
        for (size_t level = firstDiff; level < levels; ++level)
            a.groupStarts[level].push_back(p);
    }
    std::vector<Item>().swap(items);
    totalGroups(a, rs, check);
    return a;
}

QVariant aggregateValue(const AggregateState& s, GridAggregate function, const Recordset& rs, int field) {
    switch (function) {
    case GridAggregate::None:
        return {};
    case GridAggregate::Count:
        return s.rows;
    case GridAggregate::ValueCount:
        return s.values;
    case GridAggregate::Sum:
        if (s.numbers > 0 && s.exactSum.exact()) return QVariant(s.exactSum.text());
        return s.numbers > 0 ? QVariant(s.sum) : QVariant();
    case GridAggregate::Average:
        return s.numbers > 0 ? QVariant(s.mean) : QVariant();
    case GridAggregate::StdDev:
        return s.numbers > 1 ? QVariant(std::sqrt(s.m2 / double(s.numbers - 1))) : QVariant();
    case GridAggregate::Min:
        return s.minRow >= 0 && field >= 0 ? rs.value(s.minRow, field) : QVariant();
    case GridAggregate::Max:
        return s.maxRow >= 0 && field >= 0 ? rs.value(s.maxRow, field) : QVariant();
    }
    return {};
}

// ---- outline ----

void GroupOutline::reset(const GridArrangement* arrangement, bool footers, bool expanded) {
    m_arr = arrangement;
    m_footers = footers;
    m_expanded.clear();
    if (m_arr)
        for (int level = 0; level < m_arr->levelCount(); ++level)
            m_expanded.emplace_back(size_t(m_arr->groupCount(level)), char(expanded));
    recompute();
}

void GroupOutline::remap(const std::vector<std::vector<int>>& keptGroups) {
    for (size_t level = 0; level < m_expanded.size() && level < keptGroups.size(); ++level) {
        std::vector<char> flags;
        flags.reserve(keptGroups[level].size());
        for (int old : keptGroups[level])
            flags.push_back(m_expanded[level][size_t(old)]);
        m_expanded[level] = std::move(flags);
    }
    recompute();
}

void GroupOutline::setFooters(bool footers) {
    m_footers = footers;
    recompute();
}

int GroupOutline::childBegin(int level, int group) const {
    const std::vector<int>& inner = m_arr->groupStarts[size_t(level) + 1];
    return int(std::lower_bound(inner.begin(), inner.end(), m_arr->groupBegin(level, group)) - inner.begin());
}

void GroupOutline::recompute() {
    m_running.clear();
    if (!m_arr || m_arr->levelCount() == 0) return;
    const int levels = m_arr->levelCount();
    m_running.assign(size_t(levels), {});
    for (int level = levels - 1; level >= 0; --level) {
        const int groups = m_arr->groupCount(level);
        std::vector<qint64>& running = m_running[size_t(level)];
        running.assign(size_t(groups) + 1, 0);
        size_t child = 0;
        for (int g = 0; g < groups; ++g) {
            qint64 inner = 0;
            if (level == levels - 1) {
                inner = m_arr->groupEnd(level, g) - m_arr->groupBegin(level, g);
            } else {
                const std::vector<int>& starts = m_arr->groupStarts[size_t(level) + 1];
                const std::vector<qint64>& below = m_running[size_t(level) + 1];
                const size_t first = child;
                const int end = m_arr->groupEnd(level, g);
                while (child < starts.size() && starts[child] < end)
                    ++child;
                inner = below[child] - below[first];
            }
            const qint64 height =
                1 + (m_footers ? 1 : 0) + (m_expanded[size_t(level)][size_t(g)] ? inner : 0);
            running[size_t(g) + 1] = running[size_t(g)] + height;
        }
    }
}

int GroupOutline::rowCount() const {
    if (!m_arr) return 0;
    if (m_running.empty()) return m_arr->rowCount;
    return int(std::min<qint64>(m_running[0].back(), std::numeric_limits<int>::max()));
}

GroupOutline::Item GroupOutline::item(int displayRow) const {
    if (m_running.empty()) return {Kind::Record, -1, -1, displayRow};
    const int levels = int(m_running.size());
    qint64 d = displayRow;
    for (int level = 0; level < levels; ++level) {
        const std::vector<qint64>& running = m_running[size_t(level)];
        const int g = int(std::upper_bound(running.begin(), running.end(), d) - running.begin()) - 1;
        const qint64 offset = d - running[size_t(g)];
        const qint64 height = running[size_t(g) + 1] - running[size_t(g)];
        if (offset == 0) return {Kind::Header, level, g, -1};
        if (m_footers && offset == height - 1) return {Kind::Footer, level, g, -1};
        if (level == levels - 1)
            return {Kind::Record, level, g, int(m_arr->groupBegin(level, g) + offset - 1)};
        d = m_running[size_t(level) + 1][size_t(childBegin(level, g))] + offset - 1;
    }
    return {};
}

bool GroupOutline::isExpanded(int level, int group) const {
    if (level < 0 || size_t(level) >= m_expanded.size()) return false;
    if (group < 0 || size_t(group) >= m_expanded[size_t(level)].size()) return false;
    return m_expanded[size_t(level)][size_t(group)] != 0;
}

void GroupOutline::setExpanded(int level, int group, bool expanded) {
    if (level < 0 || size_t(level) >= m_expanded.size()) return;
    if (group < 0 || size_t(group) >= m_expanded[size_t(level)].size()) return;
    m_expanded[size_t(level)][size_t(group)] = char(expanded);
    recompute();
}

void GroupOutline::setAllExpanded(bool expanded) {
    for (std::vector<char>& flags : m_expanded)
        std::fill(flags.begin(), flags.end(), char(expanded));
    recompute();
}

int GroupOutline::displayRowOfPosition(int position) const {
    if (m_running.empty()) return position;
    const int levels = int(m_running.size());
    int g = m_arr->groupOf(0, position);
    qint64 base = m_running[0][size_t(g)];
    for (int level = 0;; ++level) {
        if (!isExpanded(level, g)) return int(base);
        if (level == levels - 1) return int(base + 1 + (position - m_arr->groupBegin(level, g)));
        const int first = childBegin(level, g);
        const int inner = m_arr->groupOf(level + 1, position);
        base += 1 + m_running[size_t(level) + 1][size_t(inner)] - m_running[size_t(level) + 1][size_t(first)];
        g = inner;
    }
}

} // namespace mv
