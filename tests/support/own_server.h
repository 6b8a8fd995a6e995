#pragma once
// A PostgreSQL or MariaDB server of the test's own (scripts/test-servers.sh on free ports and a
// folder of its own), for tests that stop and restart a server: the shared test servers serve
// other tests at the same time. Stopped when the object goes.
#include "support/temp_folder.h"

#include <QString>

#include <string>

namespace mvtest {

class OwnServer {
public:
    // "postgresql" or "mariadb".
    explicit OwnServer(std::string name);
    ~OwnServer();
    OwnServer(const OwnServer&) = delete;
    OwnServer& operator=(const OwnServer&) = delete;

    // Creates and starts the server; false with the reason in why() (not root, no server
    // programs, a failed start).
    bool start();
    // Stops it and starts it again on the data it has: every connection to it is lost.
    bool restart();
    // Stops it and keeps its data, for a restart.
    bool halt();
    // Stops it for good.
    bool stop();
    QString why() const { return m_why; }

    // The connection string, with the engine the tests are forced to (MV_TEST_ENGINE).
    QString connectionString() const;

private:
    bool script(const QString& command);

    std::string m_name;
    TempFolder m_folder;
    int m_port = 0;
    bool m_started = false;
    QString m_why;
};

} // namespace mvtest
