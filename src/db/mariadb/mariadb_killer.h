#pragma once
// Stops a statement running on a MariaDB connection: KILL QUERY <thread id> sent from a thread of
// its own on a second connection. A kill that reaches the server before the statement does is lost
// there, so it is sent again every 100 ms until the statement has ended.
#include "db/mariadb/mariadb_connect.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace mv::mariadb {

class QueryKiller {
  public:
    QueryKiller() = default;
    ~QueryKiller();
    QueryKiller(const QueryKiller&) = delete;
    QueryKiller& operator=(const QueryKiller&) = delete;

    // The session whose statements are stopped; a new address drops the second connection.
    void setTarget(const ServerAddress& address, unsigned long threadId);
    // Marks the span in which a kill reaches a statement of the target.
    void statementStarted();
    // After it returns no kill is sent for the statement that ended.
    void statementEnded();
    // From any thread, never blocking: kills the running statement until it ends; nothing when
    // no statement runs.
    void kill();
    // Lets go of the second connection (the next kill opens a new one).
    void closeConnection();

  private:
    void loop();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::thread m_thread;
    ServerAddress m_address;
    QByteArray m_addressKey; // what the second connection was opened with
    unsigned long m_threadId = 0;
    bool m_running = false;
    bool m_killing = false;
    bool m_closeRequested = false;
    bool m_stopping = false;
    MYSQL* m_connection = nullptr; // the second connection, used on the thread only
};

} // namespace mv::mariadb
