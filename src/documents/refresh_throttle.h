#pragma once
// Keeps a costly view refresh to a few per second while changes arrive quickly.

#include <QTimer>

#include <functional>

namespace mv {

// The first request after a quiet spell refreshes at once; requests within the following interval
// are folded into one refresh at its end, so the last state is always shown.
class RefreshThrottle {
  public:
    explicit RefreshThrottle(std::function<void()> refresh, int intervalMsecs = 250);
    RefreshThrottle(const RefreshThrottle&) = delete;
    RefreshThrottle& operator=(const RefreshThrottle&) = delete;

    void request();
    // Drops a refresh still owed (the view was rebuilt in full meanwhile).
    void cancelPending() { m_pending = false; }
    bool pending() const { return m_pending; }

  private:
    void intervalEnded();

    std::function<void()> m_refresh;
    QTimer m_timer;
    bool m_pending = false;
};

} // namespace mv
