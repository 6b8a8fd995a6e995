// A connected session keeps what the user set in it (search path, variables, temporary tables,
// attached databases, pragmas) across a failed, stopped or scripted statement, as the native
// clients do; only a session the server ended is replaced.
#include "app/texts.h"
#include "db/db_access.h"
#include "db/db_connect.h"
#include "session/session_log.h"
#include "support/hang_guard.h"
#include "support/scripted_user_port.h"
#include "support/test_databases.h"

#include <QTimer>
#include <gtest/gtest.h>

using namespace mv;

namespace {

struct Probe {
    QString sql;
    QString expected; // the first cell's text
};

// What a target's session is given, how to see it is still there, and what must never be seen.
struct SessionState {
    QStringList setup;
    std::vector<Probe> probes;
    QStringList failing; // syntax error, missing table, constraint violation
    QStringList cleanup; // on a connection of its own, after the test
};

SessionState stateFor(const std::string& target, const QString& own, const QString& folder) {
    const QString failingSyntax = QStringLiteral("selec 1 from %1").arg(own);
    const QString missing = QStringLiteral("select * from %1_missing").arg(own);
    const QString duplicate = QStringLiteral("insert into %1_tmp (k) values (1)").arg(own);
    SessionState s;
    s.failing = {failingSyntax, missing, duplicate};
    if (target == "postgresql") {
        // A table of the same name in two schemas: the search path decides which one is read.
        s.setup = {QStringLiteral("create schema %1").arg(own),
                   QStringLiteral("create table public.%1 (v varchar(10))").arg(own),
                   QStringLiteral("insert into public.%1 values ('public')").arg(own),
                   QStringLiteral("create table %1.%1 (v varchar(10))").arg(own),
                   QStringLiteral("insert into %1.%1 values ('own')").arg(own),
                   QStringLiteral("set search_path to %1, public").arg(own),
                   QStringLiteral("set mv.kept = 'yes'"),
                   QStringLiteral("create temporary table %1_tmp (k integer primary key)").arg(own),
                   QStringLiteral("insert into %1_tmp (k) values (1)").arg(own)};
        s.probes = {{QStringLiteral("select v from %1").arg(own), QStringLiteral("own")},
                    {QStringLiteral("select current_setting('mv.kept')"), QStringLiteral("yes")},
                    {QStringLiteral("select count(*) from %1_tmp").arg(own), QStringLiteral("1")}};
        s.cleanup = {QStringLiteral("drop schema if exists %1 cascade").arg(own),
                     QStringLiteral("drop table if exists public.%1").arg(own)};
    } else if (target == "mariadb") {
        s.setup = {QStringLiteral("create temporary table %1_tmp (k integer primary key)").arg(own),
                   QStringLiteral("insert into %1_tmp (k) values (1)").arg(own),
                   QStringLiteral("set @mv_kept = 41"),
                   QStringLiteral("set session sql_mode = 'ANSI_QUOTES'")};
        // The connector rejects a lone END (a cut trigger body) and keeps its connection lock with
        // the calling thread; the same thread takes it again, so the session can stay.
        s.failing << QStringLiteral("END") << QStringLiteral("SELECT 'it\\'s'; SELECT 2");
        s.probes = {{QStringLiteral("select count(*) from %1_tmp").arg(own), QStringLiteral("1")},
                    {QStringLiteral("select @mv_kept + 1"), QStringLiteral("42")},
                    {QStringLiteral("select @@session.sql_mode"), QStringLiteral("ANSI_QUOTES")}};
    } else {
        s.setup = {QStringLiteral("pragma foreign_keys = on"),
                   QStringLiteral("attach database '%1/%2_side.db' as side").arg(folder, own),
                   QStringLiteral("create temp table %1_tmp (k integer primary key)").arg(own),
                   QStringLiteral("insert into %1_tmp (k) values (1)").arg(own)};
        s.probes = {{QStringLiteral("pragma foreign_keys"), QStringLiteral("1")},
                    {QStringLiteral("select count(*) from pragma_database_list where name = 'side'"),
                     QStringLiteral("1")},
                    {QStringLiteral("select count(*) from %1_tmp").arg(own), QStringLiteral("1")}};
    }
    return s;
}


class SessionKept : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        db = mvtest::testDatabase(GetParam(), folder);
        session.setProgramFolder(folder.path());
        session.StartSession(false);
        state = stateFor(GetParam(), mvtest::ownName(QStringLiteral("mv_keep_")), folder.path());
    }
    void TearDown() override {
        cn.EndCn();
        // The changed session must not reach another test through the idle pool.
        closePooledConnections();
        if (db.usable() && !state.cleanup.isEmpty()) {
            auto admin = createDbConnection();
            admin->open(db.connectionString);
            for (const QString& sql : state.cleanup) admin->execute(sql);
            admin->close();
        }
        setLanguage(2);
    }
    // Connected mode: one session from Init to the end.
    void connectAndSet() {
        ASSERT_TRUE(cn.Init(db.connectionString, "", "", false));
        cn.SetScriptMode(true); // failures are recorded, not shown
        for (const QString& sql : state.setup) ASSERT_EQ(run(sql), C_DbConnect::ExecSucceeded) << sql.toStdString()
                                                                                             << cn.LastError().toStdString();
        expectStateKept("after setting it");
    }
    qint32 run(const QString& sql, Recordset* rows = nullptr) {
        Recordset rs;
        return cn.Execute(sql, rows ? *rows : rs, true, 0, false);
    }
    void expectStateKept(const std::string& when) {
        for (const Probe& p : state.probes) {
            Recordset rs;
            ASSERT_EQ(run(p.sql, &rs), C_DbConnect::ExecSucceeded)
                << when << ": " << p.sql.toStdString() << " " << cn.LastError().toStdString();
            ASSERT_GE(rs.recordCount(), 1) << when << ": " << p.sql.toStdString();
            EXPECT_EQ(rs.text(0, 0), p.expected) << when << ": " << p.sql.toStdString();
        }
    }

    mvtest::TempFolder folder;
    mvtest::TestDatabase db;
    mvtest::ScriptedUserPort port;
    SessionLog session;
    C_DbConnect cn{session};
    SessionState state;
};

TEST_P(SessionKept, AFailedStatementLeavesTheSessionAsItWas) {
    MVTEST_REQUIRE(db);
    connectAndSet();
    mvtest::HangGuard guard(std::chrono::seconds(60), "statements after a failed one");
    for (const QString& sql : state.failing) {
        EXPECT_EQ(run(sql), C_DbConnect::ExecFailed) << sql.toStdString();
        EXPECT_FALSE(cn.LastError().isEmpty());
        EXPECT_TRUE(cn.IsConnected()) << sql.toStdString();
        expectStateKept("after " + sql.toStdString());
    }
}

TEST_P(SessionKept, AStoppedStatementLeavesTheSessionAsItWas) {
    MVTEST_REQUIRE(db);
    connectAndSet();
    mvtest::HangGuard guard(std::chrono::seconds(60), "statements after a stopped one");
    // 0 ms: stopped before it reached the server; 300 ms: stopped while it runs.
    for (int delay : {0, 300}) {
        QObject scope; // a stop that never fired must not hit a later statement
        QTimer::singleShot(delay, &scope, [&] { cn.ExecuteStop(); });
        Recordset rs;
        EXPECT_EQ(cn.Execute(mvtest::endlessQuery(GetParam()), rs, true, 0, false), C_DbConnect::ExecStopped) << delay;
        expectStateKept("after a stop at " + std::to_string(delay) + " ms");
    }
}

TEST_P(SessionKept, AFailedStatementInAScriptLeavesTheSessionToTheStatementsAfterIt) {
    MVTEST_REQUIRE(db);
    connectAndSet();
    mvtest::HangGuard guard(std::chrono::seconds(60), "a script with failed statements");
    QStringList script = state.failing;
    for (const Probe& p : state.probes) script << p.sql;
    QList<qint32> statuses;
    cn.ExecuteScript(script, 0, [&](qsizetype, qint32 status) { statuses << status; });
    ASSERT_EQ(statuses.size(), script.size());
    for (qsizetype i = 0; i < script.size(); ++i)
        EXPECT_EQ(statuses[i], i < state.failing.size() ? C_DbConnect::ExecFailed : C_DbConnect::ExecSucceeded)
            << script[i].toStdString();
    expectStateKept("after the script");
}

TEST_P(SessionKept, AfterAStopDuringTheFetchTheKeptSessionStillCommitsEachStatement) {
    MVTEST_REQUIRE(db);
    connectAndSet();
    mvtest::HangGuard guard(std::chrono::seconds(60), "statements after a stopped fetch");
    // Outside the session's own search path on PostgreSQL, so the other session finds it.
    const QString table = (GetParam() == "postgresql" ? QStringLiteral("public.") : QString()) +
                          mvtest::ownName(QStringLiteral("mv_keep_rows_"));
    ASSERT_EQ(run(QStringLiteral("create table %1 (k integer)").arg(table)), C_DbConnect::ExecSucceeded)
        << cn.LastError().toStdString();
    state.cleanup << QStringLiteral("drop table if exists %1").arg(table);
    // A row limit reads through a server cursor where the driver has one: its stop must not leave
    // the session inside the cursor's transaction.
    const QString many = GetParam() == "mariadb"
                             ? "select a.seq * 1000 + b.seq as n from seq_0_to_999 a, seq_0_to_999 b"
                         : GetParam() == "postgresql"
                             ? "select g as n, repeat('x', 200) as pad from generate_series(1, 1500000) g"
                             : "with recursive c(x) as (select 1 union all select x + 1 from c where x < 3000000) "
                               "select x as n, 'some text to carry along' as pad from c";
    for (qint32 limit : {0, 1000000}) {
        QObject scope;
        QTimer::singleShot(250, &scope, [&] { cn.ExecuteStop(); });
        Recordset rs;
        const qint32 status = cn.Execute(many, rs, true, limit, false);
        EXPECT_TRUE(status == C_DbConnect::ExecStopped || status == C_DbConnect::ExecSucceeded) << limit;
        ASSERT_EQ(run(QStringLiteral("insert into %1 (k) values (%2)").arg(table).arg(limit)),
                  C_DbConnect::ExecSucceeded)
            << cn.LastError().toStdString();
        expectStateKept("after a stopped fetch with limit " + std::to_string(limit));
    }
    // Another session sees both rows: nothing waits uncommitted in the kept one.
    auto other = createDbConnection();
    other->open(db.connectionString);
    const ExecResult seen = other->execute(QStringLiteral("select count(*) from %1").arg(table));
    ASSERT_TRUE(seen.rows);
    EXPECT_EQ(seen.rows->text(0, 0), QStringLiteral("2"));
    other->disconnect();
}

INSTANTIATE_TEST_SUITE_P(Targets, SessionKept, ::testing::ValuesIn(mvtest::testDatabaseNames()),
                         mvtest::DatabaseNamePrinter());

} // namespace
