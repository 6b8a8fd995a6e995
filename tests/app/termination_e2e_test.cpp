// The built program, started as a user starts it, gets a termination signal in states where it
// used to wait for ever: a box open during start-up, a statement running. It must end within
// five seconds, with its settings and session files written.
#include "db/data_link_file.h"
#include "db/db_access.h"
#include "support/temp_folder.h"
#include "support/test_databases.h"

#include <QCoreApplication>
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

TEST(Termination, SigtermWhileTheLoginDialogWaitsEndsTheProgramWithItsFiles) {
    mvtest::TempFolder folder;
    const mvtest::TestDatabase db = mvtest::testDatabase("postgresql", folder);
    MVTEST_REQUIRE(db);
    // A server with a user name and no password: the program asks in its login dialog.
    QStringList parts = db.connectionString.split(';');
    parts.removeIf([](const QString& p) { return p.startsWith("Pwd=", Qt::CaseInsensitive); });
    const QString udl = folder.file("nopassword.udl");
    mv::writeDataLinkFile(udl, parts.join(';'));
    const Outcome o = startAndTerminate(folder, {"/INI=" + udl}, 2500);
    ASSERT_TRUE(o.ended) << "the program was still running 8 s after SIGTERM";
    EXPECT_LT(o.endedAfterMs, 5000);
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_TRUE(QFile::exists(folder.file("Morvenda.ini")));
    EXPECT_EQ(sessionFiles(folder).size(), 2) << sessionFiles(folder).join(' ').toStdString();
}

class TerminationOn : public ::testing::TestWithParam<std::string> {};

TEST_P(TerminationOn, SigtermDuringARunningStatementStopsItAndEnds) {
    mvtest::TempFolder folder;
    const mvtest::TestDatabase db = mvtest::testDatabase(GetParam(), folder);
    MVTEST_REQUIRE(db);
    // The start-up argument: the database file itself, or a data link file for a server.
    QString target;
    if (GetParam() == "sqlite") {
        target = db.connectionString.section("Database=", 1).section(';', 0, 0);
    } else {
        target = folder.file("server.udl");
        mv::writeDataLinkFile(target, db.connectionString);
    }
    ASSERT_FALSE(target.isEmpty()) << db.connectionString.toStdString();
    // A mark in the statement, to find it on the server afterwards.
    const QString mark = QString("mv-sigterm-%1").arg(QCoreApplication::applicationPid());
    const QString sql = GetParam() == "postgresql" ? "select /* " + mark + " */ pg_sleep(60)"
                        : GetParam() == "mariadb"
                            ? "select /* " + mark + " */ count(*) from seq_1_to_100000 a, seq_1_to_100000 b"
                            : "with recursive c(x) as (select 1 union all select x + 1 from c where x < 4000000000) "
                              "select count(*) from c";
    const QString query = folder.write("slow.sql", sql.toUtf8());
    const Outcome o = startAndTerminate(folder, {"/INI=" + target, "/QRY=" + query, "/RUN"}, 2500);
    ASSERT_TRUE(o.ended) << "the program was still running 8 s after SIGTERM";
    EXPECT_LT(o.endedAfterMs, 5000);
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_TRUE(QFile::exists(folder.file("Morvenda.ini")));
    const QStringList files = QDir(folder.path()).entryList({"MorvendaSession_T2*.txt"});
    ASSERT_EQ(files.size(), 1);
    const QString protocol = QString::fromUtf8(folder.read(files.first()));
    EXPECT_TRUE(protocol.contains("// Execution canceled by user!")) << protocol.toStdString();
    if (GetParam() == "sqlite") return;
    // The statement was stopped on the server too, not left running there.
    auto check = mv::createDbConnection();
    check->open(db.connectionString);
    const QString running =
        GetParam() == "postgresql"
            ? "select count(*) from pg_stat_activity where state = 'active' and pid <> pg_backend_pid() and "
              "query like '%" + mark + "%'"
            : "select count(*) from information_schema.processlist where id <> connection_id() and info like '%" +
                  mark + "%'";
    qint64 left = -1;
    for (int i = 0; i < 20 && left != 0; ++i) {
        if (i > 0) QThread::msleep(100);
        const mv::ExecResult r = check->execute(running);
        left = r.rows ? r.rows->value(0, 0).toLongLong() : -1;
    }
    EXPECT_EQ(left, 0) << "the statement still runs on the server";
}

INSTANTIATE_TEST_SUITE_P(Targets, TerminationOn, ::testing::ValuesIn(mvtest::testDatabaseNames()),
                         mvtest::DatabaseNamePrinter());

} // namespace
