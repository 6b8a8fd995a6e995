// Stopping a long statement from another thread, and statement time-outs, on the three databases.
#include "db/odbc_target_test.h"

#include <chrono>
#include <future>
#include <thread>

using mv::DbError;
using mv::ExecOptions;
using Clock = std::chrono::steady_clock;

namespace {

class OdbcCancel : public mvtest::OdbcTarget {
  protected:
    // Runs the statement on a worker thread; returns the error kind and the time it took.
    std::pair<std::optional<DbError::Kind>, double>
    runOnWorker(const QString& sql, const ExecOptions& options, std::chrono::milliseconds cancelAfter) {
        const auto started = Clock::now();
        auto worker = std::async(std::launch::async, [&]() -> std::optional<DbError::Kind> {
            try {
                conn->execute(sql, options);
                return std::nullopt;
            } catch (const DbError& e) {
                return e.kind();
            }
        });
        if (cancelAfter.count() > 0) {
            std::this_thread::sleep_for(cancelAfter);
            conn->cancel();
        }
        const auto kind = worker.get();
        return {kind, std::chrono::duration<double>(Clock::now() - started).count()};
    }
};

TEST_P(OdbcCancel, CancelStopsALongStatementWithinASecond) {
    const auto [kind, seconds] = runOnWorker(longStatement(), {}, std::chrono::milliseconds(300));
    ASSERT_TRUE(kind.has_value()) << "the statement was not stopped";
    EXPECT_EQ(*kind, DbError::Kind::Cancelled);
    EXPECT_LT(seconds, 1.3);
    // The connection is usable afterwards, and a cancel between statements changes nothing.
    EXPECT_EQ(scalar(QStringLiteral("SELECT 7")).toInt(), 7);
    conn->cancel();
    EXPECT_EQ(scalar(QStringLiteral("SELECT 8")).toInt(), 8);
}

TEST_P(OdbcCancel, TimeOutEndsTheStatementOnEveryDriver) {
    ExecOptions options;
    options.timeoutSeconds = 1;
    const auto [kind, seconds] = runOnWorker(longStatement(), options, std::chrono::milliseconds(0));
    ASSERT_TRUE(kind.has_value()) << "the statement was not stopped";
    EXPECT_EQ(*kind, DbError::Kind::TimedOut);
    EXPECT_GE(seconds, 0.9);
    EXPECT_LT(seconds, 4.0);
    // The time-out of one statement does not follow the next.
    EXPECT_EQ(scalar(QStringLiteral("SELECT 9")).toInt(), 9);
    options.timeoutSeconds = 5;
    EXPECT_EQ(exec(QStringLiteral("SELECT 10"), options).rows->value(0, 0).toInt(), 10);
}

TEST_P(OdbcCancel, AStopAskedBeforeTheStartIsNotLost) {
    std::atomic<bool> stop{true};
    ExecOptions options;
    options.stopRequested = &stop;
    const auto started = Clock::now();
    try {
        conn->execute(longStatement(), options);
        FAIL() << "ran";
    } catch (const DbError& e) {
        EXPECT_EQ(e.kind(), DbError::Kind::Cancelled);
        EXPECT_EQ(e.number(), mv::dberr::Cancelled);
    }
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - started).count(), 0.5);
}

TEST_P(OdbcCancel, AStopDuringTheFetchEndsItBetweenBlocks) {
    // Enough rows for many blocks; the stop flag is raised once the first rows are in.
    const QString sql = numbers(100000);
    std::atomic<bool> stop{false};
    ExecOptions options;
    options.stopRequested = &stop;
    std::thread raiser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        stop = true;
    });
    std::optional<DbError::Kind> kind;
    try {
        conn->execute(sql, options);
    } catch (const DbError& e) {
        kind = e.kind();
    }
    raiser.join();
    // Either stopped, or (on a very fast machine) already complete; never a crash or a wrong error.
    if (kind) {
        EXPECT_EQ(*kind, DbError::Kind::Cancelled);
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT 11")).toInt(), 11);
}

TEST_P(OdbcCancel, TheNativeSqliteEngineSeesAStopThatMissedItsInterrupt) {
    if (!is("sqlite") || !nativeEngine()) GTEST_SKIP() << "the native SQLite engine watches the flag while it works";
    // Only the flag is raised, as when the interrupt came a moment before the statement started
    // (it then reaches nothing): the statement must still end, and as a stop, not a failure.
    for (int delayMs : {0, 1, 200}) {
        std::atomic<bool> stop{false};
        ExecOptions options;
        options.stopRequested = &stop;
        std::thread raiser([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            stop = true;
        });
        const auto started = Clock::now();
        std::optional<DbError::Kind> kind;
        try {
            conn->execute(longStatement(), options);
        } catch (const DbError& e) {
            kind = e.kind();
        }
        raiser.join();
        ASSERT_TRUE(kind.has_value()) << delayMs;
        EXPECT_EQ(*kind, DbError::Kind::Cancelled) << delayMs;
        EXPECT_LT(std::chrono::duration<double>(Clock::now() - started).count(), 1.0 + delayMs / 1000.0);
        EXPECT_EQ(scalar(QStringLiteral("SELECT 12")).toInt(), 12) << "the next statement is not stopped";
    }
}

MV_ODBC_TARGETS(OdbcCancel);

} // namespace
