#include "db/pod_buffer.h"
#include "db/recordset_column.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace mv;

namespace {

quint64 valueAt(size_t i) { return i * 0x9E3779B97F4A7C15ull; }

// Every value still where it was put.
::testing::AssertionResult holdsSequence(const PodBuffer<quint64>& b, size_t count) {
    if (b.size() != count) return ::testing::AssertionFailure() << "size " << b.size() << ", expected " << count;
    for (size_t i = 0; i < count; ++i)
        if (b[i] != valueAt(i)) return ::testing::AssertionFailure() << "value " << i << " changed";
    return ::testing::AssertionSuccess();
}

struct Growth {
    const char* name;
    size_t count;
    void (*fill)(PodBuffer<quint64>&, size_t);
};

} // namespace

// Growing from nothing past the size where blocks become mappings, in the ways the columns grow,
// keeps every value; shrinking afterwards leaves no more than the values' own pages.
TEST(PodBuffer, GrowsAcrossManyReallocationsKeepingTheContent) {
    const size_t mappedCount = 3 * podbuffer::Block::MapThreshold / sizeof(quint64) + 123;
    const Growth cases[] = {
        {"one by one, small", 1000, [](PodBuffer<quint64>& b, size_t n) { for (size_t i = 0; i < n; ++i) b.push_back(valueAt(i)); }},
        {"one by one, mapped", mappedCount, [](PodBuffer<quint64>& b, size_t n) { for (size_t i = 0; i < n; ++i) b.push_back(valueAt(i)); }},
        {"runs of 1000", mappedCount,
         [](PodBuffer<quint64>& b, size_t n) {
             std::vector<quint64> run;
             for (size_t i = 0; i < n; ++i) {
                 run.push_back(valueAt(i));
                 if (run.size() == 1000 || i + 1 == n) {
                     b.append(run.data(), run.size());
                     run.clear();
                 }
             }
         }},
        {"extended and cut back", mappedCount,
         [](PodBuffer<quint64>& b, size_t n) {
             // As text is encoded: room for the longest form, then only what was written is kept.
             for (size_t i = 0; i < n; i += 7) {
                 const size_t start = b.size(), take = std::min<size_t>(7, n - i);
                 quint64* tail = b.extend(40);
                 for (size_t k = 0; k < take; ++k)
                     tail[k] = valueAt(i + k);
                 b.resize(start + take);
             }
         }},
        {"reserved exactly, then past it", mappedCount,
         [](PodBuffer<quint64>& b, size_t n) {
             b.reserve(n / 3);
             for (size_t i = 0; i < n; ++i) b.push_back(valueAt(i));
         }},
    };
    for (const Growth& g : cases) {
        SCOPED_TRACE(g.name);
        PodBuffer<quint64> b;
        g.fill(b, g.count);
        EXPECT_TRUE(holdsSequence(b, g.count));
        EXPECT_GE(b.capacity(), b.size());
        b.shrink_to_fit();
        EXPECT_TRUE(holdsSequence(b, g.count));
        EXPECT_GE(b.allocatedBytes(), g.count * sizeof(quint64));
        EXPECT_LT(b.allocatedBytes(), g.count * sizeof(quint64) + 65536);
        // Still growable after the squeeze.
        b.push_back(valueAt(g.count));
        EXPECT_TRUE(holdsSequence(b, g.count + 1));
    }
}

TEST(PodBuffer, ShrinkingBelowTheMappingSizeKeepsTheValues) {
    PodBuffer<quint64> b;
    for (size_t i = 0; i < 2 * podbuffer::Block::MapThreshold / sizeof(quint64); ++i) b.push_back(valueAt(i));
    b.resize(100);
    b.shrink_to_fit();
    EXPECT_TRUE(holdsSequence(b, 100));
    EXPECT_EQ(b.allocatedBytes(), 100 * sizeof(quint64));
    b.resize(0);
    b.shrink_to_fit();
    EXPECT_EQ(b.allocatedBytes(), 0u);
    b.push_back(valueAt(0));
    EXPECT_TRUE(holdsSequence(b, 1));
}

TEST(PodBuffer, CopiesAreIndependentAndMovesLeaveAnEmptyUsableBuffer) {
    for (const size_t count : {size_t(10), podbuffer::Block::MapThreshold / sizeof(quint64) * 2}) {
        SCOPED_TRACE(count);
        PodBuffer<quint64> original;
        for (size_t i = 0; i < count; ++i) original.push_back(valueAt(i));
        PodBuffer<quint64> copy = original;
        copy[count / 2] = 1;
        copy.push_back(2);
        EXPECT_TRUE(holdsSequence(original, count));
        PodBuffer<quint64> assigned;
        assigned.push_back(7);
        assigned = original;
        EXPECT_TRUE(assigned == original);
        PodBuffer<quint64> moved = std::move(original);
        EXPECT_TRUE(holdsSequence(moved, count));
        EXPECT_TRUE(original.empty()); // NOLINT(bugprone-use-after-move): the moved-from state is the point
        original.push_back(valueAt(0));
        EXPECT_TRUE(holdsSequence(original, 1));
    }
}

TEST(PodBuffer, InsertAndEraseMoveOnlyTheValuesBehind) {
    struct Edit {
        const char* name;
        size_t at, insertCount, eraseCount;
    };
    const Edit edits[] = {
        {"insert at the front", 0, 3, 0}, {"insert in the middle", 50, 5, 0}, {"insert at the end", 100, 2, 0},
        {"erase the first", 0, 0, 1},     {"erase in the middle", 40, 0, 10}, {"erase the tail", 90, 0, 10},
    };
    for (const Edit& e : edits) {
        SCOPED_TRACE(e.name);
        PodBuffer<char> b;
        std::string model;
        for (int i = 0; i < 100; ++i) {
            b.push_back(char('a' + i % 26));
            model.push_back(char('a' + i % 26));
        }
        if (e.insertCount > 0) {
            b.insert(e.at, e.insertCount, '#');
            model.insert(e.at, e.insertCount, '#');
        } else {
            b.erase(e.at, e.eraseCount);
            model.erase(e.at, e.eraseCount);
        }
        EXPECT_EQ(std::string(b.begin(), b.end()), model);
    }
}

// ColumnStore against a plain model: appends, overwrites, Nulls and erasures anywhere (the null
// bits cross word boundaries, texts change length in the middle of the arena).
TEST(ColumnStoreEdits, MatchAPlainModelOverAnyMixOfChanges) {
    for (const StorageKind kind : {StorageKind::Text, StorageKind::Integer, StorageKind::DateTime}) {
        SCOPED_TRACE(int(kind));
        std::mt19937 random(20261207);
        ColumnStore column(kind);
        std::vector<std::optional<qint64>> model;
        auto store = [&](std::optional<qint64> v, std::optional<size_t> row) {
            if (row) model[*row] = v;
            else model.push_back(v);
            const std::string text = v ? std::string(size_t(*v % 23), char('A' + *v % 26)) : std::string();
            if (!v) return row ? column.setNull(qsizetype(*row)) : column.appendNull();
            switch (kind) {
            case StorageKind::Integer:
                return row ? column.setInt(qsizetype(*row), *v) : column.appendInt(*v);
            case StorageKind::DateTime:
                return row ? column.setDateTime(qsizetype(*row), {*v, quint32(*v % 1000)})
                           : column.appendDateTime({*v, quint32(*v % 1000)});
            default:
                return row ? column.setBytes(qsizetype(*row), QByteArrayView(text.data(), qsizetype(text.size())))
                           : column.appendBytes(QByteArrayView(text.data(), qsizetype(text.size())));
            }
        };
        for (int step = 0; step < 3000; ++step) {
            const int op = int(random() % 10);
            const std::optional<qint64> value = random() % 5 == 0 ? std::nullopt : std::optional<qint64>(random() % 1000);
            if (op < 5 || model.empty()) {
                store(value, std::nullopt);
            } else if (op < 8) {
                store(value, random() % model.size());
            } else {
                const size_t row = random() % model.size();
                model.erase(model.begin() + qsizetype(row));
                column.erase(qsizetype(row));
            }
        }
        ASSERT_EQ(size_t(column.size()), model.size());
        ASSERT_GT(model.size(), 500u);
        for (size_t r = 0; r < model.size(); ++r) {
            SCOPED_TRACE(r);
            ASSERT_EQ(column.isNull(qsizetype(r)), !model[r].has_value());
            const qint64 v = model[r].value_or(0);
            if (kind == StorageKind::Integer) ASSERT_EQ(column.intAt(qsizetype(r)), v);
            if (kind == StorageKind::DateTime) {
                ASSERT_EQ(column.dateTimeAt(qsizetype(r)).seconds, v);
                ASSERT_EQ(column.dateTimeAt(qsizetype(r)).nanos, quint32(v % 1000));
            }
            if (kind == StorageKind::Text)
                ASSERT_EQ(column.bytesAt(qsizetype(r)).toByteArray(),
                          model[r] ? QByteArray(qsizetype(v % 23), char('A' + v % 26)) : QByteArray());
        }
        // The raw parts go through fromParts unchanged.
        ColumnStore::Parts parts;
        parts.nulls.append(column.nullWords().data(), column.nullWords().size());
        parts.ints.append(column.ints().data(), column.ints().size());
        parts.nanos.append(column.nanos().data(), column.nanos().size());
        parts.arena.append(column.arena().data(), column.arena().size());
        parts.offsets.append(column.offsets().data(), column.offsets().size());
        const auto again = ColumnStore::fromParts(kind, column.size(), std::move(parts));
        ASSERT_TRUE(again.has_value());
        for (qsizetype r = 0; r < column.size(); ++r) {
            ASSERT_EQ(again->isNull(r), column.isNull(r));
            if (kind == StorageKind::Text) ASSERT_EQ(again->bytesAt(r), column.bytesAt(r));
            else ASSERT_EQ(again->intAt(r), column.intAt(r));
        }
    }
}

// Raw parts as a damaged file could hand them over: each inconsistency is refused, never trusted.
TEST(ColumnStoreParts, InconsistentPartsAreRefused) {
    struct Case {
        const char* name;
        StorageKind kind;
        qsizetype rows;
        void (*damage)(ColumnStore::Parts&);
    };
    // Three rows, all consistent; each case spoils one thing.
    auto good = [](StorageKind kind) {
        ColumnStore::Parts p;
        p.nulls = {0b010};
        p.ints = {1, 0, 3};
        p.reals = {1.5, 0, 3.5};
        p.nanos = {0, 0, 999'999'999};
        p.arena = {'a', 'b', 'c'};
        p.offsets = {0, 1, 1, 3};
        if (kind != StorageKind::Integer && kind != StorageKind::DateTime) p.ints = {};
        if (kind != StorageKind::Real) p.reals = {};
        if (kind != StorageKind::DateTime) p.nanos = {};
        if (kind != StorageKind::Text) p.arena = {}, p.offsets = {};
        return p;
    };
    for (const StorageKind kind : {StorageKind::Integer, StorageKind::Real, StorageKind::DateTime, StorageKind::Text}) {
        ColumnStore::Parts p = good(kind);
        EXPECT_TRUE(ColumnStore::fromParts(kind, 3, std::move(p)).has_value()) << int(kind);
    }
    const Case cases[] = {
        {"negative row count", StorageKind::Integer, -1, [](ColumnStore::Parts&) {}},
        {"too few rows for the values", StorageKind::Integer, 2, [](ColumnStore::Parts&) {}},
        {"a null word too many", StorageKind::Integer, 3, [](ColumnStore::Parts& p) { p.nulls.push_back(0); }},
        {"no null words", StorageKind::Integer, 3, [](ColumnStore::Parts& p) { p.nulls.clear(); }},
        {"a null bit beyond the last row", StorageKind::Integer, 3, [](ColumnStore::Parts& p) { p.nulls[0] |= 1u << 3; }},
        {"an integer missing", StorageKind::Integer, 3, [](ColumnStore::Parts& p) { p.ints.resize(2); }},
        {"a real too many", StorageKind::Real, 3, [](ColumnStore::Parts& p) { p.reals.push_back(0); }},
        {"nanoseconds of a whole second", StorageKind::DateTime, 3, [](ColumnStore::Parts& p) { p.nanos[2] = 1'000'000'000; }},
        {"nanoseconds missing", StorageKind::DateTime, 3, [](ColumnStore::Parts& p) { p.nanos.resize(2); }},
        {"offsets not starting at 0", StorageKind::Text, 3, [](ColumnStore::Parts& p) { p.offsets[0] = 1; }},
        {"offsets going back", StorageKind::Text, 3, [](ColumnStore::Parts& p) { p.offsets[2] = 0; }},
        {"offsets beyond the arena", StorageKind::Text, 3, [](ColumnStore::Parts& p) { p.offsets[3] = 4; }},
        {"arena longer than the offsets say", StorageKind::Text, 3, [](ColumnStore::Parts& p) { p.arena.push_back('d'); }},
        {"an offset missing", StorageKind::Text, 3, [](ColumnStore::Parts& p) { p.offsets.resize(3); }},
    };
    for (const Case& c : cases) {
        ColumnStore::Parts p = good(c.kind);
        c.damage(p);
        EXPECT_FALSE(ColumnStore::fromParts(c.kind, c.rows, std::move(p)).has_value()) << c.name;
    }
}
