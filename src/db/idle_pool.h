#pragma once
// Idle sessions of closed connections, by connection string: a disconnected connection closes
// after every statement, and its next statement takes the session back instead of connecting
// anew. A session waits a few seconds; the oldest goes when the pool is full.
//
// `Traits` knows the client library: `static void close(Session*)`, and `static bool usable(Session*)`
// for a session that may be handed out again (its server did not end it meanwhile).
#include <QString>

#include <chrono>
#include <deque>
#include <mutex>
#include <optional>
#include <utility>

#include <poll.h>

namespace mv {

// A server that ended (restart, shutdown, a terminated session) has said so on the idle socket:
// its last message or the end of the stream waits there. An idle session of ours has nothing to
// read otherwise.
inline bool idleSocketQuiet(int fd) {
    pollfd p{fd, POLLIN, 0};
    return fd >= 0 && ::poll(&p, 1, 0) == 0;
}

template <class Session, class State, class Traits>
class IdlePool {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr auto IdleTime = std::chrono::seconds(5);
    static constexpr size_t Capacity = 4;

    static IdlePool& instance() {
        static IdlePool pool;
        return pool;
    }
    ~IdlePool() { clear(); }

    // The session last given for `key` and the state it was given with; nothing when none waits
    // or the one waiting is no longer usable (it is closed then).
    std::optional<std::pair<Session*, State>> take(const QString& key) {
        std::lock_guard lock(m_mutex);
        expire();
        for (auto it = m_idle.rbegin(); it != m_idle.rend(); ++it) {
            if (it->key != key) continue;
            std::pair<Session*, State> found{it->session, it->state};
            m_idle.erase(std::next(it).base());
            if (Traits::usable(found.first)) return found;
            Traits::close(found.first);
            return std::nullopt;
        }
        return std::nullopt;
    }

    void give(const QString& key, Session* session, State state) {
        std::lock_guard lock(m_mutex);
        expire();
        if (m_idle.size() >= Capacity) {
            Traits::close(m_idle.front().session);
            m_idle.pop_front();
        }
        m_idle.push_back({key, session, std::move(state), Clock::now() + IdleTime});
    }

    void clear() {
        std::lock_guard lock(m_mutex);
        for (const Entry& e : m_idle)
            Traits::close(e.session);
        m_idle.clear();
    }

  private:
    struct Entry {
        QString key;
        Session* session;
        State state;
        Clock::time_point expires;
    };
    void expire() {
        const auto now = Clock::now();
        while (!m_idle.empty() && m_idle.front().expires <= now) {
            Traits::close(m_idle.front().session);
            m_idle.pop_front();
        }
    }
    std::mutex m_mutex;
    std::deque<Entry> m_idle;
};

} // namespace mv
