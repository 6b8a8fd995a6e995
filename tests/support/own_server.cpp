#include "support/own_server.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace mvtest {

namespace {
// A port nobody listens on now (the server takes it a moment later).
int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}
} // namespace

OwnServer::OwnServer(std::string name) : m_name(std::move(name)) {}

OwnServer::~OwnServer() {
    if (m_started && !stop()) return;
    // Where the script keeps sockets and logs when the server's user cannot reach the folder.
    const QByteArray folder = m_folder.file(QStringLiteral("servers")).toUtf8();
    QDir(QStringLiteral("/tmp/mv-test-servers-") +
         QString::fromLatin1(QCryptographicHash::hash(folder, QCryptographicHash::Md5).toHex().left(12)))
        .removeRecursively();
}

bool OwnServer::script(const QString& command) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const bool pg = m_name == "postgresql";
    env.insert(QStringLiteral("MV_SERVERS"), pg ? QStringLiteral("pg") : QStringLiteral("my"));
    env.insert(pg ? QStringLiteral("MV_PG_PORT") : QStringLiteral("MV_MY_PORT"), QString::number(m_port));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(QStringLiteral("bash"), {QStringLiteral(MV_SOURCE_DIR "/scripts/test-servers.sh"), command,
                                     m_folder.file(QStringLiteral("servers"))});
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        m_why = QStringLiteral("test-servers.sh %1 did not end").arg(command);
        return false;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        m_why = QStringLiteral("test-servers.sh %1 failed: %2").arg(command, QString::fromLocal8Bit(p.readAll()));
        return false;
    }
    return true;
}

bool OwnServer::start() {
    if (geteuid() != 0) {
        m_why = QStringLiteral("a server of the test's own needs root (as test-servers.sh does)");
        return false;
    }
    const QString program = m_name == "postgresql" ? QStringLiteral("/usr/lib/postgresql/15/bin/pg_ctl")
                                                   : QStringLiteral("/usr/sbin/mariadbd");
    if (!QFileInfo(program).isExecutable()) {
        m_why = program + QStringLiteral(" is not installed");
        return false;
    }
    // Two tries: another program may take the free port before the server does.
    for (int attempt = 0; attempt < 2; ++attempt) {
        m_port = freePort();
        m_started = true;
        if (script(QStringLiteral("start"))) return true;
        stop();
    }
    return false;
}

bool OwnServer::restart() {
    return script(QStringLiteral("restart"));
}

bool OwnServer::halt() {
    return script(QStringLiteral("halt"));
}

bool OwnServer::stop() {
    const bool ok = script(QStringLiteral("stop"));
    if (ok) m_started = false;
    return ok;
}

QString OwnServer::connectionString() const {
    QString s = m_name == "postgresql" ? QStringLiteral("Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=%1;"
                                                        "Database=morvenda;Uid=morvenda;Pwd=morvenda")
                                       : QStringLiteral("Driver={MariaDB Unicode};Server=127.0.0.1;Port=%1;"
                                                        "Database=morvenda;Uid=morvenda;Pwd=morvenda");
    s = s.arg(m_port);
    if (qEnvironmentVariable("MV_TEST_ENGINE").trimmed().toLower() == QLatin1String("odbc"))
        s += QStringLiteral(";Engine=ODBC");
    return s;
}

} // namespace mvtest
