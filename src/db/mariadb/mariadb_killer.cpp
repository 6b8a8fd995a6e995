#include "db/mariadb/mariadb_killer.h"

#include <mysql.h>

#include <chrono>

namespace mv::mariadb {

namespace {

constexpr auto ResendInterval = std::chrono::milliseconds(100);
// A server that ignores kills this long is left alone.
constexpr int MaxAttempts = 100;

QByteArray keyOf(const ServerAddress& a) {
    return a.host + '\n' + QByteArray::number(a.port) + '\n' + a.socket + '\n' + a.user + '\n' + a.password + '\n' +
           a.sslKey + a.sslCert + a.sslCa + a.sslCaPath + (a.sslEnforce ? "1" : "0") + (a.sslVerify ? "1" : "0");
}

} // namespace

QueryKiller::~QueryKiller() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable()) m_thread.join();
    if (m_connection) mysql_close(m_connection);
}

void QueryKiller::setTarget(const ServerAddress& address, unsigned long threadId) {
    std::lock_guard lock(m_mutex);
    m_address = address;
    m_threadId = threadId;
    m_running = false;
    m_killing = false;
}

void QueryKiller::statementStarted() {
    std::lock_guard lock(m_mutex);
    m_running = true;
    m_killing = false;
}

void QueryKiller::statementEnded() {
    // The thread sends under the mutex: taking it waits for a kill on its way.
    std::lock_guard lock(m_mutex);
    m_running = false;
    m_killing = false;
}

void QueryKiller::kill() {
    {
        std::lock_guard lock(m_mutex);
        if (!m_running || m_killing) return;
        m_killing = true;
        if (!m_thread.joinable()) m_thread = std::thread([this] { loop(); });
    }
    m_wake.notify_all();
}

void QueryKiller::closeConnection() {
    {
        std::lock_guard lock(m_mutex);
        if (!m_thread.joinable()) return;
        m_closeRequested = true;
    }
    m_wake.notify_all();
}

void QueryKiller::loop() {
    std::unique_lock lock(m_mutex);
    int attempts = 0;
    while (!m_stopping) {
        if (m_closeRequested && m_connection) {
            mysql_close(m_connection);
            m_connection = nullptr;
        }
        m_closeRequested = false;
        if (!m_killing || !m_running) {
            attempts = 0;
            m_wake.wait(lock);
            continue;
        }
        if (attempts >= MaxAttempts) {
            m_killing = false;
            continue;
        }
        ++attempts;
        const QByteArray key = keyOf(m_address);
        if (m_connection && key != m_addressKey) {
            mysql_close(m_connection);
            m_connection = nullptr;
        }
        if (!m_connection) {
            // Connecting may take a while: the statement may end meanwhile, so the lock is let go.
            const ServerAddress address = m_address;
            lock.unlock();
            MYSQL* c = nullptr;
            try {
                ServerAddress plain = address;
                plain.database.clear();
                plain.initStatement.clear();
                c = connectTo(plain);
            } catch (const DbError&) {
                c = nullptr; // tried again after the interval
            }
            lock.lock();
            m_connection = c;
            m_addressKey = key;
        }
        if (m_connection && m_running && m_killing) {
            const QByteArray sql = "KILL QUERY " + QByteArray::number(quint64(m_threadId));
            if (mysql_real_query(m_connection, sql.constData(), sql.size()) != 0 && mysql_errno(m_connection) >= 2000) {
                // The second connection broke: a new one next time.
                mysql_close(m_connection);
                m_connection = nullptr;
            }
        }
        m_wake.wait_for(lock, ResendInterval);
    }
}

} // namespace mv::mariadb
