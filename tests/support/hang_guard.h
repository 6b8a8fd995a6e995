#pragma once
// Ends the test process when a test waits longer than it may: a hang must fail the run loudly,
// never stall it.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace mvtest {

class HangGuard {
public:
    HangGuard(std::chrono::milliseconds limit, std::string what);
    ~HangGuard();
    HangGuard(const HangGuard&) = delete;
    HangGuard& operator=(const HangGuard&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    std::thread m_thread;
};

} // namespace mvtest
