#include "db/odbc/odbc_pool.h"

#include <vector>

namespace mv::odbc {

ConnectionPool& ConnectionPool::instance() {
    static ConnectionPool pool;
    return pool;
}

ConnectionPool::ConnectionPool(std::chrono::milliseconds idleTime, size_t capacity)
    : m_idleTime(idleTime), m_capacity(qMax<size_t>(capacity, 1)) {}

ConnectionPool::~ConnectionPool() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_reaper.joinable()) m_reaper.join();
    clear();
}

std::unique_ptr<Session> ConnectionPool::take(const QString& key) {
    std::vector<std::unique_ptr<Session>> broken;
    std::unique_ptr<Session> found;
    {
        std::lock_guard lock(m_mutex);
        for (auto it = m_idle.end(); it != m_idle.begin();) {
            --it;
            if (it->key != key) continue;
            std::unique_ptr<Session> s = std::move(it->session);
            it = m_idle.erase(it);
            if (s->connection.dead()) {
                broken.push_back(std::move(s));
                continue;
            }
            found = std::move(s);
            break;
        }
    }
    // Broken connections are closed outside the lock: a disconnect may take a while.
    broken.clear();
    return found;
}

void ConnectionPool::give(const QString& key, std::unique_ptr<Session> session) noexcept {
    if (!session) return;
    if (!session->connection.connected() || !session->connection.autocommit()) return; // closed by the dtor
    std::unique_ptr<Session> evicted;
    try {
        std::lock_guard lock(m_mutex);
        if (m_stopping) return;
        if (m_idle.size() >= m_capacity) {
            evicted = std::move(m_idle.front().session);
            m_idle.pop_front();
        }
        m_idle.push_back(Entry{key, std::move(session), Clock::now() + m_idleTime});
        if (!m_reaper.joinable()) m_reaper = std::thread([this] { reaperLoop(); });
    } catch (...) {
        // Without room or thread the connection is simply closed (by the unique_ptr).
    }
    m_wake.notify_all();
}

void ConnectionPool::clear() noexcept {
    std::deque<Entry> idle;
    {
        std::lock_guard lock(m_mutex);
        idle.swap(m_idle);
    }
    idle.clear();
}

size_t ConnectionPool::idleCount() const {
    std::lock_guard lock(m_mutex);
    return m_idle.size();
}

void ConnectionPool::setIdleTime(std::chrono::milliseconds idleTime) {
    std::lock_guard lock(m_mutex);
    m_idleTime = idleTime;
}

void ConnectionPool::reaperLoop() {
    std::unique_lock lock(m_mutex);
    while (!m_stopping) {
        if (m_idle.empty()) {
            m_wake.wait(lock);
            continue;
        }
        const Clock::time_point now = Clock::now();
        std::vector<std::unique_ptr<Session>> expired;
        for (auto it = m_idle.begin(); it != m_idle.end();) {
            if (it->expires <= now) {
                expired.push_back(std::move(it->session));
                it = m_idle.erase(it);
            } else {
                ++it;
            }
        }
        if (!expired.empty()) {
            lock.unlock();
            expired.clear(); // disconnects
            lock.lock();
            continue;
        }
        Clock::time_point next = m_idle.front().expires;
        for (const Entry& e : m_idle)
            next = qMin(next, e.expires);
        m_wake.wait_until(lock, next);
    }
}

} // namespace mv::odbc
