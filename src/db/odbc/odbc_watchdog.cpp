#include "db/odbc/odbc_watchdog.h"

namespace mv::odbc {

Watchdog::~Watchdog() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_armed = false;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
}

void Watchdog::arm(Clock::time_point deadline, std::function<void()> onExpiry) {
    bool wake = true;
    {
        std::lock_guard lock(m_mutex);
        m_deadline = deadline;
        m_onExpiry = std::move(onExpiry);
        m_armed = true;
        if (!m_thread.joinable()) m_thread = std::thread([this] { loop(); });
        // A thread already asleep until this deadline or an earlier one finds the new arming when
        // it wakes: waking it for every statement of a script would cost a thread switch each.
        wake = !m_sleepingUntil || *m_sleepingUntil > deadline;
    }
    if (wake) m_wake.notify_all();
}

void Watchdog::disarm() {
    // The function runs under the mutex, so taking it waits for a running one to end.
    std::lock_guard lock(m_mutex);
    m_armed = false;
    m_onExpiry = nullptr;
}

void Watchdog::loop() {
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (!m_armed) {
            m_sleepingUntil.reset();
            m_wake.wait(lock);
            continue;
        }
        if (Clock::now() < m_deadline) {
            const Clock::time_point until = m_deadline;
            m_sleepingUntil = until;
            m_wake.wait_until(lock, until);
            m_sleepingUntil.reset();
            continue;
        }
        m_armed = false;
        std::function<void()> expire = std::move(m_onExpiry);
        m_onExpiry = nullptr;
        if (expire) expire();
    }
}

} // namespace mv::odbc
