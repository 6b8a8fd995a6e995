#include "app/texts.h"
#include "db/db_connect.h"
#include "session/session_log.h"
#include "support/scripted_user_port.h"
#include "support/test_databases.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

using namespace mv;

namespace {

struct RecordingHost : ConnectionHost {
    QStringList icons;
    std::optional<bool> startTrans;
    QString caption;
    void SetConnectionIcon(const QString& key) override { icons << key; }
    void setStartTransEnabled(bool enabled) override { startTrans = enabled; }
    void setConnectionCaption(const QString& text) override { caption = text; }
};

TEST(DbConnect, ElapsedTextAndKinds) {
    // Durations, hundredths cut like a stopwatch's.
    const std::pair<qint64, const char*> durations[] = {
        {0, "00:00:00.00"},        {9, "00:00:00.00"},         {500, "00:00:00.50"},
        {12370, "00:00:12.37"},    {59999, "00:00:59.99"},     {3723000, "01:02:03.00"},
        {360000000, "100:00:00.00"}, {-40, "00:00:00.00"},
    };
    for (const auto& [ms, text] : durations)
        EXPECT_EQ(C_DbConnect::elapsedText(ms), QString("Elapsed time: ") + text + " ") << ms;
    setLanguage(1);
    EXPECT_EQ(C_DbConnect::elapsedText(3723000), "Verstrichene Zeit: 01:02:03.00 ");
    setLanguage(2);
    struct Case {
        const char* provider;
        const char* dbms;
        std::optional<qint32> kind;
        std::optional<bool> async;
    } cases[] = {{"MSDASQL.1", "PostgreSQL", 5, true}, {"MSDASQL.1", "MariaDB", 6, true},
                 {"MSDASQL.1", "MySQL", 6, true},      {"MSDASQL.1", "SQLite", 0, true},
                 {"MSDASQL.1", "DBASE", std::nullopt, false},
                 {"Microsoft.Jet.OLEDB.4.0", "", 1, true}, {"SQLOLEDB.1", "", 2, true},
                 {"MSDAORA.1", "", 3, true},           {"IBMDADB2.1", "", 4, true},
                 {"SomethingElse", "", 99, true},      {"msdasql.1", "PostgreSQL", 99, true}};
    for (const Case& c : cases) {
        const auto [kind, async] = C_DbConnect::kindOf(c.provider, c.dbms);
        EXPECT_EQ(kind, c.kind) << c.provider << " " << c.dbms;
        EXPECT_EQ(async, c.async) << c.provider << " " << c.dbms;
    }
}

TEST(DbConnect, FailedConnectReportsOnceAndLogsTheFailure) {
    mvtest::ScriptedUserPort port;
    SessionLog session;
    session.StartSession(false);
    RecordingHost host;
    C_DbConnect cn(session, &host);
    EXPECT_FALSE(cn.Init("Driver={No Such Driver};Database=x;PWD=secret", "", "", true));
    EXPECT_FALSE(cn.hasConnection());
    EXPECT_EQ(port.messages.size(), 1);
    EXPECT_TRUE(port.lastText().endsWith("in Module {C_DbConnect}\r\nin Function {Init}"));
    EXPECT_EQ(host.icons.last(), "kErrorConnection");
    EXPECT_TRUE(session.SessionText().contains("// Connection failed!\r\n//" + QString(78, '-') + "\r\n// Number:\t\t"));
    const Recordset& log = session.records();
    ASSERT_EQ(log.recordCount(), 2);
    EXPECT_EQ(log.value(1, 0).toInt(), 10);
    EXPECT_TRUE(log.value(1, 4).toBool());
    EXPECT_FALSE(log.text(1, 12).contains("secret"));
}

TEST(DbConnect, EndCnWithoutConnectionResetsFlagsIconAndCaption) {
    SessionLog session;
    RecordingHost host;
    C_DbConnect cn(session, &host);
    cn.EndCn();
    EXPECT_FALSE(cn.hasConnection());
    EXPECT_FALSE(cn.IsConnected());
    EXPECT_EQ(host.icons, QStringList{"kCloseConnection"});
    EXPECT_EQ(host.caption, "No database connection! ");
}

class DbConnectOn : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        db = mvtest::testDatabase(GetParam(), folder);
        session.StartSession(false);
    }
    bool connect(bool disconnected = true) { return cn.Init(db.connectionString, "", "", disconnected); }
    QString longStatement() const {
        if (db.name == "postgresql") return "select pg_sleep(20)";
        if (db.name == "mariadb") return "select sleep(20)";
        return "with recursive c(x) as (select 1 union all select x + 1 from c where x < 2000000000) "
               "select count(*) from c";
    }

    mvtest::TempFolder folder;
    mvtest::TestDatabase db;
    mvtest::ScriptedUserPort port;
    SessionLog session;
    RecordingHost host;
    C_DbConnect cn{session, &host};
};

TEST_P(DbConnectOn, ConnectReportKindAndDisconnectedMode) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    EXPECT_TRUE(cn.hasConnection());
    EXPECT_FALSE(cn.IsConnected()) << "disconnected mode closes the physical connection";
    EXPECT_EQ(host.icons.last(), "kOpenConnection");
    const qint32 expectedKind = db.name == "postgresql" ? 5 : db.name == "mariadb" ? 6 : 0;
    EXPECT_EQ(cn.mvDatabase(), expectedKind);
    const QString report = cn.InitLog();
    EXPECT_TRUE(report.startsWith("// Connection established!\r\n//" + QString(78, '-') + "\r\n// On Database:\t\t"));
    EXPECT_TRUE(report.contains("\r\n// Using Provider:\t\tMSDASQL.1\r\n"));
    EXPECT_TRUE(report.contains("// Connection String:\t"));
    EXPECT_FALSE(report.contains("Pwd=morvenda"));
    // MariaDB commits on DDL inside a transaction: the transaction commands stay off for it.
    const bool transactions = db.name != "mariadb";
    EXPECT_TRUE(report.endsWith(QString("// Transaction:\t\t") + (transactions ? "Enabled" : "Disabled") + "\r\n"));
    EXPECT_EQ(host.startTrans, transactions);
    EXPECT_TRUE(session.SessionText().endsWith(report));
    EXPECT_EQ(session.records().value(session.records().recordCount() - 1, 0).toInt(), 10);
    EXPECT_TRUE(port.messages.isEmpty());
}

TEST_P(DbConnectOn, SyncAndAsyncSelectsReturnRowsAndReopen) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    for (bool async : {false, true}) {
        cn.setAsync(async);
        Recordset rs;
        ASSERT_EQ(cn.Execute("  -- leading comment\nselect customer_id from customers order by customer_id", rs,
                             true, 0, true),
                  C_DbConnect::ExecSucceeded)
            << port.lastText().toStdString();
        EXPECT_GT(rs.recordCount(), 10);
        EXPECT_FALSE(cn.IsConnected());
        EXPECT_EQ(host.icons.last(), "kOpenConnection");
        EXPECT_TRUE(cn.QueryExecFinish() >= cn.QueryExecStart());
        EXPECT_GE(cn.QueryExecMilisec(), 0);
        EXPECT_LE(cn.QueryExecMilisec(), cn.QueryExecStart().msecsTo(cn.QueryExecFinish()) + 1000);
    }
}

TEST_P(DbConnectOn, RowLimitAndAffectedCounts) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    Recordset rs;
    ASSERT_EQ(cn.Execute("select * from orders", rs, true, 7, true), C_DbConnect::ExecSucceeded);
    EXPECT_EQ(rs.recordCount(), 7);
    const QString table = mvtest::ownName(QStringLiteral("mv_affected_"));
    Recordset none;
    ASSERT_EQ(cn.Execute("create table " + table + " (id int, v int)", none, true, 0, false), -1);
    ASSERT_EQ(cn.Execute("insert into " + table + " values (1, 1), (2, 1), (3, 2)", none, true, 0, false), -1);
    EXPECT_EQ(cn.RecordsAffected(), 3);
    ASSERT_EQ(cn.Execute("update " + table + " set v = 5 where v = 1", none, true, 0, false), -1);
    EXPECT_EQ(cn.RecordsAffected(), 2);
    ASSERT_EQ(cn.Execute("delete from " + table + " where v = 99", none, true, 0, false), -1);
    EXPECT_EQ(cn.RecordsAffected(), 0);
    ASSERT_EQ(cn.Execute("drop table " + table, none, true, 0, false), -1);
    EXPECT_TRUE(port.messages.isEmpty()) << port.lastText().toStdString();
}

TEST_P(DbConnectOn, FailingStatementShowsErrorUnlessScriptMode) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    Recordset rs;
    EXPECT_EQ(cn.Execute("select * from no_such_table_here", rs, true, 0, true), C_DbConnect::ExecFailed);
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_TRUE(port.lastText().startsWith("// { Error Number: "));
    EXPECT_TRUE(cn.LastError().contains("\r\n// { Error Description: "));
    cn.SetScriptMode(true);
    EXPECT_EQ(cn.Execute("select * from no_such_table_here", rs, true, 0, true), C_DbConnect::ExecFailed);
    EXPECT_EQ(port.messages.size(), 1);
    cn.SetScriptMode(false);
    EXPECT_EQ(cn.Execute("select 1", rs, true, 0, true), C_DbConnect::ExecSucceeded);
}

TEST_P(DbConnectOn, StopEndsALongStatementWithinASecondAndTheConnectionStaysUsable) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    cn.setAsync(true);
    QString shown;
    cn.setQTimeObj([&](const QString& t) { shown = t; });
    Recordset rs;
    QElapsedTimer timer;
    // Tied to this test: a stop that never fired must not reach a later test's connection.
    QObject scope;
    QTimer::singleShot(400, &scope, [&] {
        timer.start();
        cn.ExecuteStop();
    });
    EXPECT_EQ(cn.Execute(longStatement(), rs, true, 0, true), C_DbConnect::ExecStopped);
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_TRUE(shown.startsWith("Elapsed time: 00:00:0"));
    EXPECT_TRUE(port.messages.isEmpty()) << port.lastText().toStdString();
    Recordset again;
    ASSERT_EQ(cn.Execute("select count(*) from customers", again, true, 0, true), C_DbConnect::ExecSucceeded);
    EXPECT_EQ(again.recordCount(), 1);
}

TEST_P(DbConnectOn, CatalogQueriesAreDetachedAndRestricted) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    Recordset tables;
    ASSERT_TRUE(cn.GetTablesRs(tables));
    EXPECT_FALSE(cn.IsConnected());
    QStringList names;
    for (int r = 0; r < tables.recordCount(); ++r) names << tables.text(r, tables.fieldIndex("TABLE_NAME"));
    EXPECT_TRUE(names.contains("customers"));
    EXPECT_TRUE(names.contains("Order Details"));
    Recordset views;
    ASSERT_TRUE(cn.GetViewsRs(views));
    EXPECT_GE(views.recordCount(), 1);
    Recordset fields;
    ASSERT_TRUE(cn.GetFieldsRs("", "customers", fields));
    EXPECT_GE(fields.recordCount(), 3);
    EXPECT_GE(fields.fieldIndex("DATA_TYPE"), 0);
    Recordset keys;
    ASSERT_TRUE(cn.GetKeysRs("", "customers", keys));
    ASSERT_EQ(keys.recordCount(), 1);
    Recordset index;
    ASSERT_TRUE(cn.GetIndexRs("", "customers", index));
    EXPECT_EQ(index.sort(), "INDEX_NAME,ORDINAL_POSITION");
    Recordset types;
    ASSERT_TRUE(cn.GetProviderTypes(types)) << port.lastText().toStdString();
    EXPECT_GT(types.recordCount(), 5);
    EXPECT_TRUE(port.messages.isEmpty()) << port.lastText().toStdString();
}

TEST_P(DbConnectOn, PropertiesReportNumbersLinesAndMasksPasswords) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect(false));
    const QString text = cn.GetCnProperties();
    EXPECT_TRUE(text.startsWith("// Connection Properties:\r\n {001} "));
    EXPECT_FALSE(text.contains("'morvenda'\r\n") && text.toUpper().contains("PASSWORD: 'MORVENDA'"));
    EXPECT_FALSE(text.contains("Pwd=morvenda"));
}

TEST_P(DbConnectOn, EndCnClosesAndAServerRestartIsSurvived) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect(false));
    EXPECT_TRUE(cn.IsConnected());
    cn.EndCn();
    EXPECT_FALSE(cn.hasConnection());
    EXPECT_EQ(host.icons.last(), "kCloseConnection");
    ASSERT_TRUE(connect(true));
    Recordset rs;
    EXPECT_EQ(cn.Execute("select 1", rs, true, 0, true), C_DbConnect::ExecSucceeded);
}

INSTANTIATE_TEST_SUITE_P(Targets, DbConnectOn, ::testing::ValuesIn(mvtest::testDatabaseNames()),
                         mvtest::DatabaseNamePrinter());

} // namespace
