#pragma once
// Idle physical connections kept open for a few seconds after their user closed them, keyed by the
// full connection string, so that running statement after statement in disconnected mode does not
// reconnect each time. Thread-safe; a background thread closes connections whose idle time is over.
#include "db/odbc/odbc_session.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

namespace mv::odbc {

class ConnectionPool {
  public:
    using Clock = std::chrono::steady_clock;

    static ConnectionPool& instance();

    explicit ConnectionPool(std::chrono::milliseconds idleTime = std::chrono::seconds(5),
                            size_t capacity = 8);
    ~ConnectionPool(); // closes every idle connection
    ConnectionPool(const ConnectionPool&) = delete;
    ConnectionPool& operator=(const ConnectionPool&) = delete;

    // The most recently returned idle connection for the key that is still alive; nothing when
    // there is none.
    std::unique_ptr<Session> take(const QString& key);
    // Keeps the connection for the idle time. The caller gives only healthy connections without an
    // open transaction. Never throws (a connection that cannot be kept is closed).
    void give(const QString& key, std::unique_ptr<Session> session) noexcept;
    // Closes every idle connection now.
    void clear() noexcept;

    size_t idleCount() const;
    void setIdleTime(std::chrono::milliseconds idleTime);

  private:
    struct Entry {
        QString key;
        std::unique_ptr<Session> session;
        Clock::time_point expires;
    };

    void reaperLoop();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Entry> m_idle; // oldest first
    std::chrono::milliseconds m_idleTime;
    size_t m_capacity;
    bool m_stopping = false;
    std::thread m_reaper;
};

} // namespace mv::odbc
