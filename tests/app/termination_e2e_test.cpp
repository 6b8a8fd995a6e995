// The built program, started as a user starts it, gets a termination signal in states where it
// used to wait for ever: a box open during start-up, a statement running. It must end within
// five seconds, with its settings and session files written.
#include "support/temp_folder.h"
#include "support/test_databases.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

namespace {

struct Outcome {
    bool ended = false;
    int exitCode = -1;
    qint64 endedAfterMs = -1;
};

// Copies the program into `folder` (its settings and session files go beside it), starts it with
// the arguments, waits `settle` and sends SIGTERM.
Outcome startAndTerminate(const mvtest::TempFolder& folder, const QStringList& arguments, int settleMs) {
    const QString program = folder.file("morvenda");
    QFile::remove(program);
    if (!QFile::copy(QStringLiteral(MV_BINARY_DIR "/morvenda"), program)) return {};
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("LC_ALL", "C.UTF-8");
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(program, arguments);
    if (!p.waitForStarted(5000)) return {};
    QThread::msleep(settleMs);
    Outcome o;
    if (p.state() != QProcess::Running) return o; // it must still be waiting when the signal comes
    QElapsedTimer t;
    t.start();
    ::kill(pid_t(p.processId()), SIGTERM);
    o.ended = p.waitForFinished(8000);
    o.endedAfterMs = t.elapsed();
    if (!o.ended) {
        p.kill();
        p.waitForFinished(2000);
        return o;
    }
    o.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return o;
}

QStringList sessionFiles(const mvtest::TempFolder& folder) {
    // Saved under their time stamp; "MorvendaSession_temp.txt" is the running protocol.
    return QDir(folder.path()).entryList({"MorvendaSession_T2*.txt", "MorvendaSession_T2*.xml"});
}

TEST(Termination, SigtermWhileAStartupBoxIsOpenEndsTheProgramWithItsFiles) {
    mvtest::TempFolder folder;
    const Outcome o = startAndTerminate(folder, {"/INI=/missing.udl"}, 2500);
    ASSERT_TRUE(o.ended) << "the program was still running 8 s after SIGTERM";
    EXPECT_LT(o.endedAfterMs, 5000);
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_TRUE(QFile::exists(folder.file("Morvenda.ini")));
    EXPECT_EQ(sessionFiles(folder).size(), 2) << sessionFiles(folder).join(' ').toStdString();
}

TEST(Termination, SigtermDuringARunningStatementStopsItAndEnds) {
    mvtest::TempFolder folder;
    QString error;
    const QString db = mvtest::demoSqlitePath(folder, &error);
    ASSERT_FALSE(db.isEmpty()) << error.toStdString();
    const QString query = folder.write(
        "slow.sql", "with recursive c(x) as (select 1 union all select x + 1 from c where x < 4000000000) "
                    "select count(*) from c");
    const Outcome o = startAndTerminate(folder, {"/INI=" + db, "/QRY=" + query, "/RUN"}, 2500);
    ASSERT_TRUE(o.ended) << "the program was still running 8 s after SIGTERM";
    EXPECT_LT(o.endedAfterMs, 5000);
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_TRUE(QFile::exists(folder.file("Morvenda.ini")));
    const QStringList files = QDir(folder.path()).entryList({"MorvendaSession_T2*.txt"});
    ASSERT_EQ(files.size(), 1);
    const QString protocol = QString::fromUtf8(folder.read(files.first()));
    EXPECT_TRUE(protocol.contains("// Execution canceled by user!")) << protocol.toStdString();
}

} // namespace
