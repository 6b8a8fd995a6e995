// A script's statements run on the connection's worker one after the other while the window takes
// their outcomes in batches. What the protocol and the log say must still be exactly what happened
// in the database: every statement in order, and after a stop nothing more than what was logged.
#include "app/clock.h"
#include "db/db_connect.h"
#include "documents/sql_editor_widget.h"
#include "exec/execute_command.h"
#include "exec/protocol_view.h"
#include "exec/run_settings.h"
#include "session/session_log.h"
#include "support/hang_guard.h"
#include "support/scripted_user_port.h"
#include "support/quiet_execute_host.h"
#include "support/test_databases.h"

#include <QThread>
#include <functional>
#include <limits>
#include <gtest/gtest.h>

using namespace mv;

namespace {


// The session tab shows: every protocol line the run writes reaches it.
struct ScriptHost : mvtest::QuietExecuteHost {
    int shown = 0;
    QStringList shownTexts; // kept when keepShown is set
    bool keepShown = false;
    std::function<void()> onShow;
    ProtocolView* view = nullptr; // the session tab's editor, where a test looks at it
    bool sessionTabSelected() const override { return true; }
    void showSessionText(const QString& text) override {
        if (view) view->show(text);
        record(text);
    }
    void growSessionText(const QString& text, qsizetype kept) override {
        if (view) view->grow(text, kept);
        record(text);
    }
    void record(const QString& text) {
        ++shown;
        if (keepShown) shownTexts << text;
        if (onShow) onShow();
    }
};

class ScriptPipeline : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        db = mvtest::testDatabase(GetParam(), folder);
        session.setProgramFolder(folder.path());
        session.StartSession(false);
    }
    void TearDown() override {
        if (made) {
            Recordset none;
            cn.Execute("drop table " + table(), none, true, 0, false);
        }
    }
    bool connect() { return db.usable() && cn.Init(db.connectionString, "", "", true); }
    QString table() const { return mvtest::ownName(QStringLiteral("mv_pipe_")); }
    void makeTable() {
        Recordset none;
        cn.Execute("drop table if exists " + table(), none, true, 0, false);
        ASSERT_EQ(cn.Execute("create table " + table() + " (id int, label varchar(30))", none, true, 0, false),
                  C_DbConnect::ExecSucceeded)
            << cn.LastError().toStdString();
        made = true;
    }
    // INSERTs of ids 1..n, one statement each, as a dump has them.
    QStringList inserts(int n) const {
        QStringList statements;
        for (int i = 1; i <= n; ++i)
            statements << QString("insert into %1 (id, label) values (%2, 'row %2')").arg(table()).arg(i);
        return statements;
    }
    qint64 rowsInTable() {
        Recordset rs;
        if (cn.Execute("select count(*) from " + table(), rs, true, 0, false) != C_DbConnect::ExecSucceeded) return -1;
        return rs.value(0, 0).toLongLong();
    }

    mvtest::TempFolder folder;
    mvtest::TestDatabase db;
    mvtest::ScriptedUserPort port;
    SessionLog session;
    C_DbConnect cn{session};
    RunSettings run;
    QueryParameters parameters;
    ScriptHost host;
    ExecuteCommand command{cn, session, parameters, run, host};
    bool made = false;
};

// More statements than the worker may run ahead of the window: all are logged, in order, each
// with its own count, and the database has every row.
TEST_P(ScriptPipeline, LongScriptLogsEveryStatementInOrder) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    mvtest::HangGuard guard(std::chrono::seconds(120), "long script");
    makeTable();
    const int n = 2600;
    QStringList statements = inserts(n);
    // A failing statement near the end (a failure closes the connection, and with it the pragma
    // below): the script goes on after it.
    statements.insert(n - 5, "insert into no_such_table_xyz values (1)");
    // The test file lives on a disk: without this, every statement waits for its flush.
    if (GetParam() == "sqlite") statements.prepend("pragma synchronous = off");
    host.script = statements.join(";\n");
    const int before = session.records().recordCount();
    command.cmdExecute();
    const Recordset& log = session.records();
    ASSERT_EQ(log.recordCount() - before, statements.size() + 2);
    EXPECT_EQ(log.value(before, 0).toInt(), int(LogBatchStart));
    EXPECT_EQ(log.value(log.recordCount() - 1, 0).toInt(), int(LogBatchStop));
    for (int i = 0; i < statements.size(); ++i) {
        const int r = before + 1 + i;
        ASSERT_EQ(log.text(r, 3), statements[i]) << "record " << i;
        if (statements[i].startsWith("pragma")) continue;
        const bool bad = statements[i].contains("no_such_table_xyz");
        ASSERT_EQ(log.value(r, 4).toBool(), bad) << "record " << i;
        ASSERT_EQ(log.value(r, 5).toDouble(), bad ? 0.0 : 1.0) << "record " << i;
        if (bad) {
            EXPECT_TRUE(log.text(r, 11).contains("no_such_table_xyz", Qt::CaseInsensitive)) << log.text(r, 11).toStdString();
        }
    }
    const QString text = session.SessionText();
    EXPECT_EQ(text.count("// { Query OK\r\n"), statements.size() - 1);
    EXPECT_EQ(text.count("// { Query caused Errors\r\n"), 1);
    EXPECT_EQ(port.lastText(), "The script caused errors!");
    EXPECT_GT(host.shown, 0) << "the protocol is shown while the script runs";
    EXPECT_EQ(rowsInTable(), n);
    EXPECT_FALSE(cn.execRunning());
}

// A stop while the worker is ahead of the window: the stopped statement is the last one logged,
// and the rows in the database are exactly those of the statements logged as done.
TEST_P(ScriptPipeline, StopLeavesExactlyWhatTheLogReports) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    mvtest::HangGuard guard(std::chrono::seconds(120), "stopped script");
    makeTable();
    const int n = 3000;
    host.script = inserts(n).join(";\n");
    int logged = 0;
    int stoppedAt = -1;
    command.statementLogged = [&](const SessionLogRecord&, bool stopped) {
        if (stopped && stoppedAt < 0) stoppedAt = logged;
        if (++logged == 40) cn.ExecuteStop();
    };
    const int before = session.records().recordCount();
    command.cmdExecute();
    ASSERT_GE(stoppedAt, 39) << "the statements before the stop ran";
    EXPECT_EQ(stoppedAt, logged - 1) << "nothing is logged after the stopped statement";
    EXPECT_LT(logged, n) << "the stop ended the script";
    const Recordset& log = session.records();
    // Batch start, the statements, batch stop.
    ASSERT_EQ(log.recordCount() - before, logged + 2);
    int done = 0;
    for (int r = before + 1; r < log.recordCount() - 1; ++r)
        if (!log.value(r, 4).toBool() && log.text(r, 11).isEmpty()) ++done;
    EXPECT_EQ(done, logged - 1);
    const int last = log.recordCount() - 2;
    EXPECT_TRUE(log.text(last, 11).startsWith("// { Error Number: 3712\r\n")) << log.text(last, 11).toStdString();
    EXPECT_TRUE(log.text(last, 9).isEmpty()) << "a stopped statement has no elapsed time";
    EXPECT_TRUE(port.messages.isEmpty()) << "a stopped script is no failed script: " << port.lastText().toStdString();
    EXPECT_EQ(rowsInTable(), done);
    // The connection serves the next run.
    command.statementLogged = nullptr;
    host.script = "insert into " + table() + " values (0, 'after');\ninsert into " + table() + " values (-1, 'after')";
    command.cmdExecute();
    EXPECT_EQ(rowsInTable(), done + 2);
}

// The protocol on screen while a script runs is the protocol so far: each text shown is the start
// of the final one, also after something else was written to the protocol during the run.
TEST_P(ScriptPipeline, ProtocolShownDuringTheRunIsTheProtocolSoFar) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    mvtest::HangGuard guard(std::chrono::seconds(60), "protocol shown");
    makeTable();
    host.script = inserts(40).join(";\n");
    host.keepShown = true;
    host.onShow = [&] {
        if (host.shown == 1) session.append("// written by someone else during the run\r\n");
    };
    int logged = 0;
    // A slow moment in the middle: the screen is brought up to date after it.
    command.statementLogged = [&](const SessionLogRecord&, bool) {
        if (++logged == 20) QThread::msleep(300);
    };
    const QString before = session.SessionText();
    command.cmdExecute();
    const QString final = session.SessionText();
    ASSERT_GE(host.shownTexts.size(), 3);
    EXPECT_TRUE(host.shownTexts.first().startsWith(before + "//-{ Script execution start! }"))
        << host.shownTexts.first().left(400).toStdString();
    for (qsizetype i = 1; i < host.shownTexts.size(); ++i) {
        EXPECT_TRUE(final.startsWith(host.shownTexts[i])) << "text shown " << i;
        EXPECT_GT(host.shownTexts[i].size(), host.shownTexts[i - 1].size()) << "text shown " << i;
    }
    EXPECT_EQ(host.shownTexts.last(), final);
    EXPECT_TRUE(host.shownTexts[1].contains("// written by someone else during the run\r\n//-{ Script execution start! }"));
    EXPECT_EQ(rowsInTable(), 40);
}

// The session tab's editor shown while a long script runs: it ends up holding exactly the
// protocol, though the protocol got another write and was cleared during the run, and the whole
// text is set only when the protocol before the script changed, not at every refresh.
TEST_P(ScriptPipeline, ProtocolEditorHoldsTheProtocolAfterALongRun) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    mvtest::HangGuard guard(std::chrono::seconds(180), "protocol editor");
    makeTable();
    SqlEditorWidget editor;
    ProtocolView view(&editor);
    host.view = &view;
    const int n = 3000;
    QStringList statements = inserts(n);
    if (GetParam() == "sqlite") statements.prepend("pragma synchronous = off");
    host.script = statements.join(";\n");
    host.onShow = [&] {
        if (host.shown == 2) session.append("// written by someone else during the run\r\n");
        if (host.shown == 5) session.SessionlogClear();
    };
    int logged = 0;
    // Slow moments so that the screen is refreshed often during the run.
    command.statementLogged = [&](const SessionLogRecord&, bool) {
        if (++logged % 300 == 0) QThread::msleep(260);
    };
    command.cmdExecute();
    EXPECT_GE(host.shown, 9);
    EXPECT_EQ(editor.text(), session.SessionText());
    // The first show, then once after the other write and once after the clear.
    EXPECT_EQ(view.fullSets(), 3);
    EXPECT_TRUE(session.SessionText().contains(statements.last() + "\r\n"));
    EXPECT_TRUE(session.SessionText().contains("// { Script execution finished! ["));
    EXPECT_EQ(rowsInTable(), n);

    // A second run on the same editor: one whole set when it starts.
    command.statementLogged = nullptr;
    host.onShow = nullptr;
    host.script = inserts(5).join(";\n");
    command.cmdExecute();
    EXPECT_EQ(editor.text(), session.SessionText());
    EXPECT_EQ(view.fullSets(), 4);
}

INSTANTIATE_TEST_SUITE_P(Targets, ScriptPipeline, ::testing::ValuesIn(mvtest::testDatabaseNames()),
                         mvtest::DatabaseNamePrinter());

} // namespace

namespace {

// The stopwatch text of every statement's duration: hours (two digits at least), minutes, seconds
// and hundredths cut, never rounded; the same as Qt's number formatting gives.
TEST(ElapsedClockText, ReadsLikeAStopwatch) {
    auto reference = [](qint64 msecs) {
        const qint64 ms = std::max<qint64>(0, msecs);
        const qint64 secs = ms / 1000;
        return QStringLiteral("%1:%2:%3.%4")
            .arg(secs / 3600, 2, 10, QLatin1Char('0'))
            .arg((secs / 60) % 60, 2, 10, QLatin1Char('0'))
            .arg(secs % 60, 2, 10, QLatin1Char('0'))
            .arg((ms % 1000) / 10, 2, 10, QLatin1Char('0'));
    };
    const qint64 cases[] = {0,        9,         10,        999,        1000,       59'999,
                            60'000,   3'599'999, 3'600'000, 36'000'000, 359'999'999, 360'000'000,
                            -1,       -3'600'000, std::numeric_limits<qint64>::max()};
    for (qint64 ms : cases)
        EXPECT_EQ(elapsedClockText(ms), reference(ms)) << ms;
    EXPECT_EQ(elapsedClockText(3'723'456), "01:02:03.45");
    EXPECT_EQ(elapsedClockText(-5), "00:00:00.00");
}

} // namespace
