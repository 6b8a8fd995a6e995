#pragma once
// The one long-lived thread of a connection object. Every call on the physical connection runs on
// it, in the order it was asked for: some drivers keep a lock owned by the calling thread after an
// error, so a connection must never meet a second thread. The UI thread only posts work and waits
// in its event loop, so the window never freezes on database work.
#include <QEventLoop>
#include <QObject>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

namespace mv {

class ConnectionWorker : public QObject {
    Q_OBJECT
public:
    struct Job {
        std::function<void()> work;
        std::atomic<bool> done{false};
        std::atomic<bool> abandoned{false};
    };

    explicit ConnectionWorker(QObject* parent = nullptr);
    // Lets the thread finish its queue and ends it; a thread stuck in a driver is left behind.
    ~ConnectionWorker() override;

    // Queues the work; it runs after everything queued before it.
    std::shared_ptr<Job> post(std::function<void()> work);

    // Waits, processing events, until the job is done (true), the work was abandoned (false) or the
    // limit passed (false). `tick` runs about twenty times a second meanwhile.
    bool wait(const std::shared_ptr<Job>& job, const std::function<void()>& tick = {},
              QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents,
              std::chrono::milliseconds limit = std::chrono::milliseconds::zero());

    // Gives up on the work in hand: every wait returns at once, the thread is left to finish (or
    // hang) on its own, and a new thread serves what is posted later.
    void abandon();

    // A job is running or queued.
    bool busy() const;

    // Threads given up on that have not returned from their driver yet (the whole process).
    static int strandedThreads();

signals:
    void jobFinished();
    void workAbandoned();

private:
    struct Shared;
    void start();
    std::shared_ptr<Shared> m_shared;
};

} // namespace mv
