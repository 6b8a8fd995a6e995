#include "db/db_connect_worker.h"

#include <QTimer>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace mv {

namespace {
std::atomic<int> g_stranded{0};
} // namespace

struct ConnectionWorker::Shared {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::shared_ptr<Job>> queue;
    std::shared_ptr<Job> running;
    // Where completions are announced; cleared (under the mutex) before that object goes away or
    // when the thread is given up on.
    ConnectionWorker* notifier = nullptr;
    bool stopping = false;
    bool abandoned = false;
    bool stranded = false; // counted in g_stranded until the thread returns
    bool ended = false;
    std::condition_variable endedWake;
    std::thread thread;

    // Stops the thread after the job in hand; queued jobs never run. True when a job is running
    // (the thread is then left to return on its own).
    bool giveUp() {
        notifier = nullptr;
        abandoned = true;
        stopping = true;
        for (const auto& job : queue)
            job->abandoned = true;
        queue.clear();
        if (!running) return false;
        running->abandoned = true;
        stranded = true;
        ++g_stranded;
        return true;
    }
};

ConnectionWorker::ConnectionWorker(QObject* parent) : QObject(parent) {}

ConnectionWorker::~ConnectionWorker() {
    if (!m_shared) return;
    // What is queued still runs (closing the connection is such work), for a short while; a
    // driver that does not return by then is never waited for.
    bool ended = false;
    {
        std::unique_lock lock(m_shared->mutex);
        m_shared->notifier = nullptr;
        m_shared->stopping = true;
        m_shared->wake.notify_all();
        ended = m_shared->endedWake.wait_for(lock, std::chrono::seconds(2), [&] { return m_shared->ended; });
        if (!ended) m_shared->giveUp();
    }
    if (ended)
        m_shared->thread.join();
    else
        m_shared->thread.detach();
}

void ConnectionWorker::start() {
    m_shared = std::make_shared<Shared>();
    m_shared->notifier = this;
    std::shared_ptr<Shared> shared = m_shared;
    m_shared->thread = std::thread([shared] {
        std::unique_lock lock(shared->mutex);
        for (;;) {
            shared->wake.wait(lock, [&] { return shared->stopping || !shared->queue.empty(); });
            if (shared->queue.empty()) break; // stopping with nothing left
            std::shared_ptr<Job> job = std::move(shared->queue.front());
            shared->queue.pop_front();
            shared->running = job;
            lock.unlock();
            if (job->work) job->work();
            lock.lock();
            shared->running.reset();
            job->done = true;
            job->work = nullptr; // what it captured goes now, on this thread
            if (shared->abandoned) break;
            if (ConnectionWorker* n = shared->notifier)
                QMetaObject::invokeMethod(n, [n] { emit n->jobFinished(); }, Qt::QueuedConnection);
        }
        if (shared->stranded) --g_stranded;
        shared->ended = true;
        shared->endedWake.notify_all();
    });
}

std::shared_ptr<ConnectionWorker::Job> ConnectionWorker::post(std::function<void()> work) {
    if (!m_shared) start();
    auto job = std::make_shared<Job>();
    job->work = std::move(work);
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->queue.push_back(job);
    }
    m_shared->wake.notify_all();
    return job;
}

bool ConnectionWorker::wait(const std::shared_ptr<Job>& job, const std::function<void()>& tick,
                            QEventLoop::ProcessEventsFlags flags, std::chrono::milliseconds limit) {
    if (job->done) return true;
    if (job->abandoned) return false;
    QEventLoop loop;
    QTimer timer;
    bool timedOut = false;
    QTimer limiter;
    connect(this, &ConnectionWorker::jobFinished, &loop, &QEventLoop::quit);
    connect(this, &ConnectionWorker::workAbandoned, &loop, &QEventLoop::quit);
    // Between ticks the loop sleeps in the event dispatcher: waiting never spins a core.
    connect(&timer, &QTimer::timeout, &loop, [&] {
        if (tick) tick();
        if (job->done || job->abandoned) loop.quit();
    });
    timer.start(50);
    if (limit > std::chrono::milliseconds::zero()) {
        limiter.setSingleShot(true);
        connect(&limiter, &QTimer::timeout, &loop, [&] {
            timedOut = true;
            loop.quit();
        });
        limiter.start(limit);
    }
    while (!job->done && !job->abandoned && !timedOut)
        loop.exec(flags);
    return job->done;
}

void ConnectionWorker::abandon() {
    if (!m_shared) return;
    std::shared_ptr<Shared> old = std::move(m_shared);
    bool runningJob = false;
    {
        std::lock_guard lock(old->mutex);
        runningJob = old->giveUp();
    }
    old->wake.notify_all();
    if (runningJob)
        old->thread.detach();
    else if (old->thread.joinable())
        old->thread.join(); // nothing runs: the thread ends at once
    emit workAbandoned();
}

bool ConnectionWorker::busy() const {
    if (!m_shared) return false;
    std::lock_guard lock(m_shared->mutex);
    return m_shared->running != nullptr || !m_shared->queue.empty();
}

int ConnectionWorker::strandedThreads() {
    return g_stranded.load();
}

} // namespace mv
