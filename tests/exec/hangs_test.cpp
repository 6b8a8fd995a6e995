// Never hang, never lose a transaction: the connection object's worker thread, stop at every
// stage, catalog calls during a run, connection loss inside a transaction, statements the driver
// would hang on. Every case runs through the real classes against the real servers.
#include "app/clock.h"
#include "app/texts.h"
#include "db/db_access.h"
#include "db/db_connect.h"
#include "db/db_connect_worker.h"
#include "db/db_connect_refusals.h"
#include "exec/execute_command.h"
#include "exec/run_settings.h"
#include "exec/transactions.h"
#include "session/session_log.h"
#include "support/hang_guard.h"
#include "support/own_server.h"
#include "support/quiet_execute_host.h"
#include "support/scripted_user_port.h"
#include "support/test_databases.h"

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

using namespace mv;

namespace {


struct Host : mvtest::QuietExecuteHost {
    std::optional<Recordset> bound;
    QList<int> gridStates;
    void unbindGrid() override { bound.reset(); }
    void bindGrid(const Recordset& rows) override { bound = rows; }
    int gridColumnsShown() const override { return bound ? bound->fieldCount() : 0; }
    void SetGridState(int state) override { gridStates << state; }
};


class Hangs : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        db = mvtest::testDatabase(GetParam(), folder);
        session.setProgramFolder(folder.path());
        session.StartSession(false);
    }
    void TearDown() override { setLanguage(2); }
    bool connect() { return db.usable() && cn.Init(db.connectionString, "", "", true); }
    QString table() const { return mvtest::ownName(QStringLiteral("mv_hang_")); }
    // A connection of the test's own, on this thread: it kills the other one's session and reads
    // what is committed.
    std::unique_ptr<DbConnection> admin() {
        auto c = createDbConnection();
        c->open(db.connectionString);
        return c;
    }
    qint32 run(const QString& sql, Recordset* rows = nullptr) {
        Recordset rs;
        return cn.Execute(sql, rows ? *rows : rs, true, 0, false);
    }

    mvtest::TempFolder folder;
    mvtest::TestDatabase db;
    mvtest::ScriptedUserPort port;
    SessionLog session;
    C_DbConnect cn{session};
    RunSettings settings;
    QueryParameters parameters;
    Host host;
    ExecuteCommand command{cn, session, parameters, settings, host};
    QList<bool> buttons;
    TransactionCommands tx{cn, session, settings,
                           {[this](bool in) { buttons << in; }, [this](int s) { host.gridStates << s; }}};
};

TEST_P(Hangs, StopEndsTheRunWithinHalfASecondAtEveryStage) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    mvtest::HangGuard guard(std::chrono::seconds(30), "stop at every stage");
    // 0 ms: the statement is still queued or not yet registered with the driver; 300 ms: it runs.
    for (int delay : {0, 300}) {
        QElapsedTimer sinceStop;
        // Every timer here is tied to its scope: a stop that never fired (the statement ended
        // first) must not fire later, in another test, on that test's connection.
        QObject scope;
        QTimer::singleShot(delay, &scope, [&] {
            sinceStop.start();
            cn.ExecuteStop();
        });
        Recordset rs;
        EXPECT_EQ(cn.Execute(mvtest::endlessQuery(GetParam()), rs, true, 0, false), C_DbConnect::ExecStopped) << delay;
        ASSERT_TRUE(sinceStop.isValid());
        EXPECT_LT(sinceStop.elapsed(), 500) << "stop after " << delay << " ms";
    }
    // A stop during the fetch ends it between blocks: the rows so far are not shown as a result.
    // The block ends the stop's timer with the fetch: a fetch faster than the timer must not see
    // its stop hit the statement after it.
    {
        QElapsedTimer sinceStop;
        const QString many = GetParam() == "mariadb"
                                 ? "select a.seq * 1000 + b.seq as n from seq_0_to_999 a, seq_0_to_999 b"
                             : GetParam() == "postgresql"
                                 ? "select g as n, repeat('x', 200) as pad from generate_series(1, 1500000) g"
                                 : "with recursive c(x) as (select 1 union all select x + 1 from c where x < 3000000) "
                                   "select x as n, 'some text to carry along' as pad from c";
        QObject fetchScope;
        QTimer::singleShot(250, &fetchScope, [&] {
            sinceStop.start();
            cn.ExecuteStop();
        });
        Recordset rs;
        const qint32 status = cn.Execute(many, rs, true, 0, false);
        if (status == C_DbConnect::ExecStopped) {
            EXPECT_LT(sinceStop.elapsed(), 500);
        } else {
            // The whole result came before the stop: that is a success, never "cancelled".
            EXPECT_EQ(status, C_DbConnect::ExecSucceeded);
        }
    }
    // The connection still works after every stop.
    Recordset one;
    EXPECT_EQ(run("select 1", &one), C_DbConnect::ExecSucceeded);
}

TEST_P(Hangs, AStopThatMeetsTheStatementOnItsWayToTheServerIsNeverLost) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    // A stop that reaches the server before the statement does is dropped there; the statement
    // must still end. The delays sweep the moments around sending, where that happens.
    mvtest::HangGuard guard(std::chrono::seconds(60), "stop while the statement is sent");
    for (int delay = 0; delay <= 40; delay += 1) {
        QElapsedTimer sinceStop;
        QObject scope;
        QTimer::singleShot(delay, Qt::PreciseTimer, &scope, [&] {
            sinceStop.start();
            cn.ExecuteStop();
        });
        Recordset rs;
        EXPECT_EQ(cn.Execute(mvtest::endlessQuery(GetParam()), rs, true, 0, false), C_DbConnect::ExecStopped) << delay;
        ASSERT_TRUE(sinceStop.isValid()) << delay;
        EXPECT_LT(sinceStop.elapsed(), 500) << "stop after " << delay << " ms";
    }
    Recordset one;
    EXPECT_EQ(run("select 1", &one), C_DbConnect::ExecSucceeded) << cn.LastError().toStdString();
}

TEST_P(Hangs, CatalogCallDuringARunWaitsWithoutFreezingAndALateStopChangesNothing) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    mvtest::HangGuard guard(std::chrono::seconds(30), "catalog call during a run");
    ASSERT_EQ(run("create table " + table() + " (id int)"), C_DbConnect::ExecSucceeded) << port.lastText().toStdString();
    const QString slowInsert =
        GetParam() == "postgresql" ? "insert into " + table() + " select 1 from pg_sleep(1)"
        : GetParam() == "mariadb"  ? "insert into " + table() + " select 1 from dual where sleep(1) = 0"
                                   : "insert into " + table() +
                                        " with recursive c(x) as (select 1 union all select x + 1 from c where x < "
                                        "3000000) select 1 from (select max(x) from c)";
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    bool listed = false;
    int ticksDuringCatalog = 0;
    QObject scope;
    QTimer::singleShot(100, &scope, [&] {
        // The explorer's Refresh while the INSERT runs: it waits behind the statement, and the
        // event loop keeps turning meanwhile.
        ticker.start(20);
        const int before = ticks;
        Recordset tables;
        listed = cn.GetTablesRs(tables);
        ticksDuringCatalog = ticks - before;
        // The statement has finished by now; a Stop that arrives only now changes nothing.
        cn.ExecuteStop();
    });
    Recordset rs;
    const qint32 status = cn.Execute(slowInsert, rs, true, 0, false);
    ticker.stop();
    EXPECT_TRUE(listed);
    EXPECT_EQ(status, C_DbConnect::ExecSucceeded) << cn.LastError().toStdString();
    EXPECT_EQ(cn.RecordsAffected(), 1);
    if (GetParam() != "sqlite") {
        EXPECT_GT(ticksDuringCatalog, 10) << "the window froze while the catalog call waited";
    }
    auto check = admin();
    const ExecResult count = check->execute("select count(*) from " + table());
    ASSERT_TRUE(count.rows.has_value());
    EXPECT_EQ(count.rows->value(0, 0).toLongLong(), 1) << "the committed INSERT stays committed";
    check->execute("drop table " + table());
}

TEST_P(Hangs, ConnectionLostInsideATransactionEndsItAsARollbackAndNeverReconnectsSilently) {
    MVTEST_REQUIRE(db);
    if (GetParam() == "sqlite") GTEST_SKIP() << "a file database has no connection to lose";
    ASSERT_TRUE(connect());
    mvtest::HangGuard guard(std::chrono::seconds(60), "connection lost in a transaction");
    auto other = admin();
    other->execute("create table " + table() + " (id int)");
    ASSERT_TRUE(tx.cmdStartTrans_Click()) << port.lastText().toStdString();
    host.script = "insert into " + table() + " values (1)";
    command.cmdExecute();
    host.script = GetParam() == "postgresql" ? "select pg_backend_pid()" : "select connection_id()";
    command.cmdExecute();
    ASSERT_TRUE(host.bound.has_value());
    ASSERT_EQ(settings.transactionStmtCount, 2);
    const qint64 backend = host.bound->value(0, 0).toLongLong();
    other->execute(GetParam() == "postgresql" ? QString("select pg_terminate_backend(%1)").arg(backend)
                                              : QString("kill connection %1").arg(backend));
    port.messages.clear();
    host.script = "insert into " + table() + " values (2)";
    command.cmdExecute();
    // The statement failed, the user hears that the transaction is gone, and everything ends as
    // after a rollback.
    EXPECT_FALSE(cn.Transaction());
    EXPECT_FALSE(cn.transactionLost());
    EXPECT_EQ(settings.transactionStmtCount, 0);
    ASSERT_FALSE(buttons.isEmpty());
    EXPECT_FALSE(buttons.last());
    EXPECT_EQ(host.gridStates.last(), 3);
    ASSERT_FALSE(port.messages.isEmpty());
    EXPECT_TRUE(port.lastText().startsWith("The connection to the database was lost. The open transaction and its 2 "
                                           "uncommitted statements are lost"))
        << port.lastText().toStdString();
    const Recordset& log = session.records();
    const int last = log.recordCount() - 1;
    EXPECT_EQ(log.value(last, 0).toInt(), int(LogTransactionRollback));
    EXPECT_EQ(log.value(last - 1, 0).toInt(), int(LogUnknown)) << "the failed statement is logged first";
    EXPECT_TRUE(log.value(last - 1, 10).toBool()) << "it ran inside the transaction";
    EXPECT_TRUE(session.SessionText().contains("// { Rollback Transaction at '"));
    // The next statement opens a new connection and commits on its own.
    host.script = "insert into " + table() + " values (3)";
    command.cmdExecute();
    EXPECT_FALSE(log.value(log.recordCount() - 1, 4).toBool()) << log.text(log.recordCount() - 1, 11).toStdString();
    EXPECT_FALSE(log.value(log.recordCount() - 1, 10).toBool());
    const ExecResult rows = other->execute("select id from " + table() + " order by id");
    ASSERT_TRUE(rows.rows.has_value());
    ASSERT_EQ(rows.rows->recordCount(), 1);
    EXPECT_EQ(rows.rows->value(0, 0).toInt(), 3);
    // A rollback now finds no transaction to roll back.
    EXPECT_FALSE(tx.cmdRollbackTrans_Click());
    EXPECT_TRUE(port.lastText().contains("No open transaction!")) << port.lastText().toStdString();
    other->execute("drop table " + table());
}

TEST_P(Hangs, ScriptStopsWhenItsTransactionIsLost) {
    MVTEST_REQUIRE(db);
    if (GetParam() == "sqlite") GTEST_SKIP() << "a file database has no connection to lose";
    ASSERT_TRUE(connect());
    mvtest::HangGuard guard(std::chrono::seconds(60), "script in a lost transaction");
    auto other = admin();
    other->execute("create table " + table() + " (id int)");
    Recordset pid;
    ASSERT_TRUE(tx.cmdStartTrans_Click());
    ASSERT_EQ(run(GetParam() == "postgresql" ? "select pg_backend_pid()" : "select connection_id()", &pid),
              C_DbConnect::ExecSucceeded);
    other->execute(GetParam() == "postgresql" ? QString("select pg_terminate_backend(%1)").arg(pid.value(0, 0).toLongLong())
                                              : QString("kill connection %1").arg(pid.value(0, 0).toLongLong()));
    host.script = "insert into " + table() + " values (1);\ninsert into " + table() + " values (2);\ninsert into " +
                table() + " values (3)";
    command.cmdExecute();
    EXPECT_FALSE(cn.Transaction());
    const ExecResult rows = other->execute("select count(*) from " + table());
    ASSERT_TRUE(rows.rows.has_value());
    EXPECT_EQ(rows.rows->value(0, 0).toLongLong(), 0) << "no statement of the lost transaction was committed";
    other->execute("drop table " + table());
}

TEST_P(Hangs, ServerRestartInsideATransactionLosesItOpenlyAndTheNextStatementReconnects) {
    if (GetParam() == "sqlite") GTEST_SKIP() << "a file database has no server to restart";
    // The shared server serves other tests meanwhile: this one restarts a server of its own.
    mvtest::OwnServer server(GetParam());
    if (!server.start()) {
        if (mvtest::underCI()) FAIL() << server.why().toStdString();
        GTEST_SKIP() << server.why().toStdString();
    }
    mvtest::HangGuard guard(std::chrono::seconds(120), "server restart in a transaction");
    const QString conn = server.connectionString();
    ASSERT_TRUE(cn.Init(conn, "", "", true)) << port.lastText().toStdString();
    auto reader = [&] {
        auto c = createDbConnection();
        c->open(conn);
        return c;
    };
    reader()->execute("create table restart_probe (id int)");
    auto committed = [&] {
        const ExecResult rows = reader()->execute("select id from restart_probe order by id");
        QList<int> ids;
        for (int r = 0; rows.rows && r < rows.rows->recordCount(); ++r) ids << rows.rows->value(r, 0).toInt();
        return ids;
    };

    // A statement outside a transaction after a restart runs: a connection that died while it
    // waited for reuse is not handed out. (The ODBC drivers cannot tell without a round trip:
    // there the first statement may fail, and the one after it reconnects.)
    ASSERT_EQ(run("insert into restart_probe values (1)"), C_DbConnect::ExecSucceeded);
    ASSERT_TRUE(server.restart()) << server.why().toStdString();
    cn.SetScriptMode(true);
    qint32 status = run("insert into restart_probe values (2)");
    if (status == C_DbConnect::ExecFailed && conn.contains("Engine=ODBC"))
        status = run("insert into restart_probe values (2)");
    cn.SetScriptMode(false);
    EXPECT_EQ(status, C_DbConnect::ExecSucceeded) << cn.LastError().toStdString();

    ASSERT_TRUE(tx.cmdStartTrans_Click()) << port.lastText().toStdString();
    for (int id : {3, 4}) {
        host.script = QString("insert into restart_probe values (%1)").arg(id);
        command.cmdExecute();
    }
    ASSERT_EQ(settings.transactionStmtCount, 2);
    ASSERT_TRUE(server.restart()) << server.why().toStdString();
    port.messages.clear();
    host.script = "insert into restart_probe values (5)";
    command.cmdExecute();
    EXPECT_FALSE(cn.Transaction());
    EXPECT_EQ(settings.transactionStmtCount, 0);
    ASSERT_FALSE(buttons.isEmpty());
    EXPECT_FALSE(buttons.last());
    ASSERT_FALSE(port.messages.isEmpty());
    EXPECT_TRUE(port.lastText().startsWith("The connection to the database was lost. The open transaction and its 2 "
                                           "uncommitted statements are lost"))
        << port.lastText().toStdString();
    // The next statement opens a new connection and commits on its own; nothing of the lost
    // transaction was committed.
    host.script = "insert into restart_probe values (6)";
    command.cmdExecute();
    EXPECT_EQ(committed(), (QList<int>{1, 2, 6}));

    // While the server is down a statement fails with a message instead of waiting; once it is
    // back the next one runs.
    ASSERT_TRUE(server.halt()) << server.why().toStdString();
    cn.SetScriptMode(true);
    EXPECT_EQ(run("select 1"), C_DbConnect::ExecFailed);
    cn.SetScriptMode(false);
    ASSERT_TRUE(server.restart()) << server.why().toStdString();
    Recordset one;
    EXPECT_EQ(run("select 7", &one), C_DbConnect::ExecSucceeded) << cn.LastError().toStdString();
    EXPECT_EQ(one.value(0, 0).toInt(), 7);
}

TEST_P(Hangs, AFailedStatementNeverLeavesTheConnectionHanging) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    cn.SetScriptMode(true); // no error boxes
    mvtest::HangGuard guard(std::chrono::seconds(30), "the statement after a refused one");
    // A statement with ";" refused in single-statement mode, a lone END from a cut trigger body,
    // then more statements on the same connection object.
    const QStringList refused = {"SELECT 'it\\'s'; SELECT 2", "END", "select * from no_such_table_here"};
    for (const QString& sql : refused) {
        // PostgreSQL takes a lone END as the end of no transaction (a warning); the others refuse it.
        const qint32 status = run(sql);
        if (!(sql == "END" && GetParam() == "postgresql")) {
            EXPECT_EQ(status, C_DbConnect::ExecFailed) << sql.toStdString();
        }
        for (int i = 0; i < 3; ++i) {
            Recordset rs;
            ASSERT_EQ(run("select 2", &rs), C_DbConnect::ExecSucceeded) << sql.toStdString() << " "
                                                                       << cn.LastError().toStdString();
            EXPECT_EQ(rs.value(0, 0).toInt(), 2);
        }
        Recordset tables;
        EXPECT_TRUE(cn.GetTablesRs(tables)) << sql.toStdString();
    }
    // The same inside a transaction: the connection is kept (it holds the transaction) and works on.
    if (GetParam() == "mariadb") {
        ASSERT_TRUE(tx.cmdStartTrans_Click());
        EXPECT_EQ(run("END"), C_DbConnect::ExecFailed);
        EXPECT_EQ(run("select 3"), C_DbConnect::ExecSucceeded);
        EXPECT_TRUE(tx.cmdRollbackTrans_Click());
    }
}

TEST_P(Hangs, CopyWithClientDataIsRefusedBeforeItIsSent) {
    MVTEST_REQUIRE(db);
    if (GetParam() != "postgresql") GTEST_SKIP() << "COPY is PostgreSQL's";
    ASSERT_TRUE(connect());
    mvtest::HangGuard guard(std::chrono::seconds(20), "COPY FROM STDIN");
    ASSERT_EQ(run("create table " + table() + " (id int, name text)"), C_DbConnect::ExecSucceeded);
    port.messages.clear();
    for (const QString& sql : QStringList{"COPY " + table() + " (id, name) FROM stdin;", "copy (select 1) to stdout"}) {
        QElapsedTimer t;
        t.start();
        EXPECT_EQ(run(sql), C_DbConnect::ExecFailed);
        EXPECT_LT(t.elapsed(), 2000);
        EXPECT_TRUE(cn.LastError().contains("\\copy in psql")) << cn.LastError().toStdString();
        ASSERT_FALSE(port.messages.isEmpty());
        EXPECT_TRUE(port.lastText().contains("server-side file form")) << port.lastText().toStdString();
    }
    setLanguage(1);
    EXPECT_EQ(run("COPY " + table() + " FROM STDIN"), C_DbConnect::ExecFailed);
    EXPECT_TRUE(cn.LastError().contains("Verwenden Sie \\copy in psql")) << cn.LastError().toStdString();
    setLanguage(2);
    // A pg_dump section as a script: the COPY is refused, the rest runs.
    host.script = "insert into " + table() + " values (1, 'a');\nCOPY public." + table() +
                " (id, name) FROM stdin;\ninsert into " + table() + " values (2, 'b')";
    command.cmdExecute();
    Recordset rows;
    ASSERT_EQ(run("select count(*) from " + table(), &rows), C_DbConnect::ExecSucceeded);
    EXPECT_EQ(rows.value(0, 0).toLongLong(), 2);
    // The server-side file form is sent as it is (and fails on the server for a missing file).
    cn.SetScriptMode(true);
    EXPECT_EQ(run("copy " + table() + " from '/nonexistent/mv.csv'"), C_DbConnect::ExecFailed);
    EXPECT_FALSE(cn.LastError().contains("exchange their data with the client")) << cn.LastError().toStdString();
    cn.SetScriptMode(false);
    run("drop table " + table());
}

TEST_P(Hangs, AbandonedWorkNeverHoldsTheWindowAndTheNextStatementRunsOnAFreshConnection) {
    MVTEST_REQUIRE(db);
    if (GetParam() != "postgresql") GTEST_SKIP() << "one server shows it; the worker is the same for all";
    ASSERT_TRUE(connect());
    mvtest::HangGuard guard(std::chrono::seconds(30), "abandoned work");
    const int strandedBefore = ConnectionWorker::strandedThreads();
    QElapsedTimer sinceAbandon;
    // A driver that does not return (here: a statement that ignores no stop, but is given up on
    // before anyone asked it to stop).
    QObject scope;
    QTimer::singleShot(300, &scope, [&] {
        sinceAbandon.start();
        cn.abandonWork();
    });
    Recordset rs;
    EXPECT_EQ(cn.Execute("select pg_sleep(3)", rs, true, 0, false), C_DbConnect::ExecStopped);
    EXPECT_LT(sinceAbandon.elapsed(), 200);
    EXPECT_TRUE(cn.workAbandoned());
    EXPECT_EQ(ConnectionWorker::strandedThreads(), strandedBefore + 1);
    Recordset one;
    EXPECT_EQ(run("select 1", &one), C_DbConnect::ExecSucceeded) << cn.LastError().toStdString();
    EXPECT_EQ(one.value(0, 0).toInt(), 1);
    // The thread left behind ends when its driver call returns.
    QElapsedTimer wait;
    wait.start();
    while (ConnectionWorker::strandedThreads() > strandedBefore && wait.elapsed() < 10000)
        QThread::msleep(50);
    EXPECT_EQ(ConnectionWorker::strandedThreads(), strandedBefore);
}

INSTANTIATE_TEST_SUITE_P(Targets, Hangs, ::testing::ValuesIn(mvtest::testDatabaseNames()), mvtest::DatabaseNamePrinter());

TEST(Refusals, CopyWithClientDataIsFoundWhereverItsWordsStand) {
    struct Case {
        const char* sql;
        bool refused;
    } cases[] = {
        {"COPY t FROM STDIN", true},
        {"copy public.t (a, b) from stdin;", true},
        {"COPY t FROM stdin WITH (FORMAT csv)", true},
        {"  -- a dump\n/* x /* nested */ y */ COPY \"from\" FROM\n\tSTDIN", true},
        {"COPY (SELECT 'to stdout' FROM t) TO STDOUT", true},
        {"COPY t TO stdout (FORMAT csv, HEADER)", true},
        {"COPY BINARY t FROM STDIN", true},
        {"COPY t FROM '/srv/t.csv'", false},
        {"COPY t FROM 'stdin'", false},
        {"COPY t TO '/tmp/x' -- to stdout", false},
        {"COPY (SELECT $$ from stdin $$) TO '/tmp/x'", false},
        {"COPY (SELECT 1 FROM stdin) TO '/tmp/x'", false},
        {"COPY t FROM PROGRAM 'cat stdin'", false},
        {"SELECT 'COPY t FROM STDIN'", false},
        {"INSERT INTO copy VALUES (1)", false},
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(isCopyWithClientData(c.sql), c.refused) << c.sql;
    EXPECT_FALSE(refusalFor("COPY t FROM STDIN", "PostgreSQL").isEmpty());
    EXPECT_TRUE(refusalFor("COPY t FROM STDIN", "SQLite").isEmpty());
}

} // namespace
