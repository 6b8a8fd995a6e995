#pragma once
// One timer thread per connection: calls a function once when a deadline passes, unless disarmed
// first. Used for statement time-outs on drivers that ignore SQL_ATTR_QUERY_TIMEOUT.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace mv::odbc {

class Watchdog {
  public:
    using Clock = std::chrono::steady_clock;

    Watchdog() = default;
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // Replaces any earlier arming.
    void arm(Clock::time_point deadline, std::function<void()> onExpiry);
    // After it returns the function is neither running nor going to run.
    void disarm();

  private:
    void loop();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::function<void()> m_onExpiry;
    Clock::time_point m_deadline;
    bool m_armed = false;
    // The deadline the thread sleeps until while armed; empty while it waits unarmed or runs.
    std::optional<Clock::time_point> m_sleepingUntil;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace mv::odbc
