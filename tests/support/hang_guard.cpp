#include "support/hang_guard.h"

#include <cstdio>
#include <cstdlib>

namespace mvtest {

HangGuard::HangGuard(std::chrono::milliseconds limit, std::string what) {
    m_thread = std::thread([this, limit, what = std::move(what)] {
        std::unique_lock lock(m_mutex);
        if (m_wake.wait_for(lock, limit, [this] { return m_done; })) return;
        std::fprintf(stderr, "HANG: %s waited longer than %lld ms\n", what.c_str(),
                     static_cast<long long>(limit.count()));
        std::fflush(stderr);
        std::abort();
    });
}

HangGuard::~HangGuard() {
    {
        std::lock_guard lock(m_mutex);
        m_done = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

} // namespace mvtest
