// The time-out thread of a connection is armed for every statement and mostly disarmed before it
// fires; it is not woken for an arming it will see anyway. Whatever the order of armings, it fires
// at the deadline in force, once, and never after a disarm.
#include "db/odbc/odbc_watchdog.h"

#include <atomic>
#include <chrono>
#include <thread>
#include <gtest/gtest.h>

using namespace mv::odbc;
using namespace std::chrono_literals;

namespace {

struct Fired {
    std::atomic<int> count{0};
    std::atomic<Watchdog::Clock::rep> at{0};
    std::function<void()> hook() {
        return [this] {
            at = Watchdog::Clock::now().time_since_epoch().count();
            ++count;
        };
    }
    Watchdog::Clock::time_point when() const { return Watchdog::Clock::time_point(Watchdog::Clock::duration(at.load())); }
};

// Waits up to `limit` for the count to reach `n`.
bool reaches(const Fired& f, int n, std::chrono::milliseconds limit) {
    const auto end = Watchdog::Clock::now() + limit;
    while (f.count.load() < n && Watchdog::Clock::now() < end)
        std::this_thread::sleep_for(2ms);
    return f.count.load() >= n;
}

TEST(Watchdog, AnEarlierDeadlineWakesAThreadAsleepUntilALaterOne) {
    Watchdog w;
    Fired first, second;
    // The thread goes to sleep until an hour from now ...
    w.arm(Watchdog::Clock::now() + 1h, first.hook());
    std::this_thread::sleep_for(20ms);
    w.disarm();
    // ... and must still fire a deadline 50 ms away.
    const auto start = Watchdog::Clock::now();
    w.arm(start + 50ms, second.hook());
    ASSERT_TRUE(reaches(second, 1, 5s));
    EXPECT_GE(second.when(), start + 50ms);
    EXPECT_EQ(first.count.load(), 0);
}

TEST(Watchdog, ALaterArmingAfterADisarmFiresAtItsOwnDeadlineOnly) {
    Watchdog w;
    Fired early, late;
    // Statement after statement: armed with the same time-out, disarmed before it passes.
    for (int i = 0; i < 200; ++i) {
        w.arm(Watchdog::Clock::now() + 30ms, early.hook());
        w.disarm();
    }
    const auto start = Watchdog::Clock::now();
    w.arm(start + 120ms, late.hook());
    ASSERT_TRUE(reaches(late, 1, 5s));
    EXPECT_GE(late.when(), start + 120ms) << "it fired at an old deadline";
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(late.count.load(), 1) << "it fires once";
    EXPECT_EQ(early.count.load(), 0) << "a disarmed deadline never fires";
}

TEST(Watchdog, DisarmedBeforeTheDeadlineNeverFires) {
    Watchdog w;
    Fired f;
    w.arm(Watchdog::Clock::now() + 40ms, f.hook());
    w.disarm();
    std::this_thread::sleep_for(120ms);
    EXPECT_EQ(f.count.load(), 0);
    // And the thread still serves the next arming.
    w.arm(Watchdog::Clock::now() + 10ms, f.hook());
    EXPECT_TRUE(reaches(f, 1, 5s));
}

} // namespace
