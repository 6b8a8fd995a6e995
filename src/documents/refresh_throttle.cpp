#include "documents/refresh_throttle.h"

namespace mv {

RefreshThrottle::RefreshThrottle(std::function<void()> refresh, int intervalMsecs)
    : m_refresh(std::move(refresh)) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(intervalMsecs);
    m_timer.callOnTimeout([this] { intervalEnded(); });
}

void RefreshThrottle::request() {
    if (m_timer.isActive()) {
        m_pending = true;
        return;
    }
    // Started before the refresh: a request the refresh itself causes waits for the interval.
    m_timer.start();
    m_pending = false;
    m_refresh();
}

void RefreshThrottle::intervalEnded() {
    if (!m_pending) return;
    // A new interval, so a steady stream of changes is shown once per interval.
    m_pending = false;
    m_timer.start();
    m_refresh();
}

} // namespace mv
