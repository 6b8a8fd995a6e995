#include "app/signal_watcher.h"

#include <QSocketNotifier>
#include <atomic>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace mv {
namespace {
int g_fds[2] = {-1, -1};
std::atomic<bool> g_terminating{false};

void onSignal(int sig) {
    const unsigned char b = static_cast<unsigned char>(sig);
    // Only async-signal-safe work here: hand the number to the UI thread.
    [[maybe_unused]] const ssize_t n = ::write(g_fds[0], &b, 1);
}
} // namespace

bool terminationSignalled() { return g_terminating.load(); }
void setTerminationSignalled() { g_terminating = true; }
void clearTerminationSignalled() { g_terminating = false; }

SignalWatcher::SignalWatcher(QObject* parent) : QObject(parent) {
    if (g_fds[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM, 0, g_fds) != 0) return;
    m_notifier = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalWatcher::readSignal);
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

SignalWatcher::~SignalWatcher() {
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
}

void SignalWatcher::readSignal() {
    unsigned char b = 0;
    if (::read(g_fds[1], &b, 1) != 1) return;
    setTerminationSignalled();
    emit terminationRequested(b);
}

} // namespace mv
