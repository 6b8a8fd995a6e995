#include "db/detached_thread.h"

#include "db/db_connect_worker.h"

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace mv {

namespace {

struct Registry {
    std::mutex mutex;
    std::condition_variable ended;
    struct Entry {
        std::thread thread;
        std::shared_ptr<bool> done; // under mutex
    };
    std::vector<Entry> threads;

    // Under mutex. A thread marked done only has to return: joining it takes no time.
    void joinEnded() {
        std::erase_if(threads, [](Entry& e) {
            if (!*e.done) return false;
            e.thread.join();
            return true;
        });
    }
};

// Never destroyed: a thread that outlives main still finds it.
Registry& registry() {
    static auto* r = new Registry;
    return *r;
}

} // namespace

void startDetached(std::function<void()> work) {
    Registry& r = registry();
    auto done = std::make_shared<bool>(false);
    const std::lock_guard lock(r.mutex);
    r.joinEnded();
    std::thread t([&r, done, work = std::move(work)]() mutable {
        work();
        work = nullptr; // what it captured goes on this thread, before the program may end
        {
            const std::lock_guard guard(r.mutex);
            *done = true;
        }
        r.ended.notify_all();
    });
    r.threads.push_back({std::move(t), std::move(done)});
}

bool detachedThreadsEnded(std::chrono::milliseconds limit) {
    Registry& r = registry();
    std::unique_lock lock(r.mutex);
    const bool all = r.ended.wait_for(lock, limit, [&] {
        for (const auto& e : r.threads)
            if (!*e.done) return false;
        return true;
    });
    r.joinEnded();
    return all;
}

void endProgram(int rc, std::chrono::milliseconds limit) {
    if (!detachedThreadsEnded(limit) || ConnectionWorker::strandedThreads() > 0) {
        std::fflush(nullptr);
        std::_Exit(rc);
    }
    std::exit(rc);
}

} // namespace mv
