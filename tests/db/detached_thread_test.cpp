// Threads nobody waits for while the program runs are still waited for before it ends.
#include "db/detached_thread.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <gtest/gtest.h>

using namespace mv;
using namespace std::chrono_literals;

TEST(DetachedThread, TheEndWaitsForWorkStillRunningAndForNothingElse) {
    std::mutex m;
    std::condition_variable cv;
    bool release = false;
    std::atomic<int> finished{0};
    for (int i = 0; i < 8; ++i)
        startDetached([&] {
            std::unique_lock lock(m);
            cv.wait(lock, [&] { return release; });
            ++finished;
        });
    // Quick work started meanwhile ends and is joined without waiting for the blocked ones.
    for (int i = 0; i < 50; ++i)
        startDetached([&] { ++finished; });
    EXPECT_FALSE(detachedThreadsEnded(50ms));
    {
        const std::lock_guard lock(m);
        release = true;
    }
    cv.notify_all();
    EXPECT_TRUE(detachedThreadsEnded(10s));
    EXPECT_EQ(finished.load(), 58);
    EXPECT_TRUE(detachedThreadsEnded(0ms));
}
