#include "app/clock.h"
#include "app/formats.h"
#include "app/texts.h"
#include "db/db_access.h"
#include "db/db_connect.h"
#include "exec/execute_command.h"
#include "exec/run_settings.h"
#include "exec/transactions.h"
#include "session/session_log.h"
#include "support/scripted_user_port.h"
#include "support/test_databases.h"

#include <QDir>
#include <QRegularExpression>
#include <QTimer>
#include <atomic>
#include <memory>
#include <gtest/gtest.h>

static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
static void PrintTo(const QDateTime& d, std::ostream* os) {
    *os << d.toString(Qt::ISODateWithMs).toStdString();
}

using namespace mv;

namespace {

struct NoInputs : ParameterInputs {
    QMap<QString, QString> values;
    QString parameterInput(const QString& name) const override { return values.value(name); }
};

struct FakeHost : ExecuteHost {
    QString selected, text;
    std::optional<Recordset> bound;
    QMap<QString, QString> panels;
    QList<int> gridStates;
    QList<QStringList> shownParameters; // the names of each parameter set the panel was given
    bool sessionTab = false;
    QString sessionShown;
    QList<bool> executeEnabled;
    NoInputs inputs;
    QString editorSelectedText() const override { return selected; }
    QString editorText() const override { return text; }
    void unbindGrid() override { bound.reset(); }
    void bindGrid(const Recordset& rows) override { bound = rows; }
    int gridColumnsShown() const override { return bound ? bound->fieldCount() : 0; }
    void refreshGrid() override {}
    void setGridBusy(bool) override {}
    void setPanelText(const QString& key, const QString& t) override { panels[key] = t; }
    void SetGridState(int state) override { gridStates << state; }
    void showParameters(const ParameterSet& set) override {
        QStringList names;
        for (const Parameter& p : set) names << p.name;
        shownParameters << names;
    }
    const ParameterInputs& parameterInputs() const override { return inputs; }
    bool sessionTabSelected() const override { return sessionTab; }
    void showSessionText(const QString& t) override { sessionShown = t; }
    void setExecuteEnabled(bool enabled) override { executeEnabled << enabled; }
};

const QDateTime kNow(QDate(2026, 12, 6), QTime(11, 47, 28));

// A clock that moves on 1.37 s each time it is read, so every statement has times of its own; the
// steady clock moves on by a longer step at every read, so every measured duration is its own too.
void steppingClock() {
    auto ticks = std::make_shared<std::atomic<qint64>>(0);
    setClock([ticks] { return kNow.addMSecs(1370 * ++*ticks); });
    auto steps = std::make_shared<std::atomic<qint64>>(0);
    auto steady = std::make_shared<std::atomic<qint64>>(0);
    setSteadyClock([steps, steady] { return *steady += 10 * ++*steps; });
}

class ExecuteOn : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        setClock([] { return kNow; });
        setSteadyClock([] { return 0; });
        db = mvtest::testDatabase(GetParam(), folder);
        session.setProgramFolder(folder.path());
        session.StartSession(false);
    }
    void TearDown() override {
        setClock({});
        setSteadyClock({});
        setLanguage(2);
    }
    bool connect() { return db.usable() && cn.Init(db.connectionString, "", "", true); }
    // The log records after the session start and connection records.
    QList<int> logTypesFrom(int first) const {
        QList<int> types;
        for (int r = first; r < session.records().recordCount(); ++r) types << session.records().value(r, 0).toInt();
        return types;
    }
    QString table() const { return mvtest::ownName(QStringLiteral("mv_exec_")); }

    mvtest::TempFolder folder;
    mvtest::TestDatabase db;
    mvtest::ScriptedUserPort port;
    SessionLog session;
    C_DbConnect cn{session};
    RunSettings run;
    QueryParameters parameters;
    FakeHost host;
    ExecuteCommand command{cn, session, parameters, run, host};
};

TEST_P(ExecuteOn, SingleSelectWritesTheExactBlockLogAndStatus) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    cn.setAsync(false);
    host.text = "-- three customers\nselect customer_id from customers where customer_id <= 3 order by customer_id";
    const int logBefore = session.records().recordCount();
    const qsizetype textBefore = session.SessionText().size();
    command.cmdExecute();
    ASSERT_TRUE(host.bound.has_value()) << port.lastText().toStdString();
    EXPECT_EQ(host.bound->recordCount(), 3);
    const QString runText = "select customer_id from customers where customer_id <= 3 order by customer_id";
    const QString expected = "//-{ '" + generalDate(kNow) + "'execution start! }" + QString(35, '-') + "\r\n\r\n" +
                             runText + "\r\n\r\n// { The Query delivered  1 Columns and  3 Rows! ( Max. Records set to " +
                             formatCount(1000) + " )\r\n// { 00:00:00.00\r\n// { Query OK\r\n\r\n";
    EXPECT_EQ(session.SessionText().mid(textBefore), expected);
    EXPECT_EQ(logTypesFrom(logBefore), QList<int>{1});
    const Recordset& log = session.records();
    const int r = log.recordCount() - 1;
    EXPECT_EQ(log.text(r, 3), runText);
    EXPECT_FALSE(log.value(r, 4).toBool());
    EXPECT_EQ(log.value(r, 5).toDouble(), 3.0);
    EXPECT_EQ(log.value(r, 6).toDouble(), 1000.0);
    EXPECT_EQ(log.value(r, 8).toDouble(), 1800.0);
    EXPECT_EQ(log.text(r, 9), "00:00:00.00");
    EXPECT_EQ(host.panels["kRecords"], "3 Records");
    EXPECT_EQ(host.gridStates, QList<int>{3});
    EXPECT_EQ(host.executeEnabled, (QList<bool>{false, true}));
    EXPECT_EQ(QString::fromUtf8(folder.read("MorvendaSession_temp.txt")), session.SessionText());
    EXPECT_TRUE(port.messages.isEmpty());
}

TEST_P(ExecuteOn, SelectionRunsAloneAndGermanBlockSaysSo) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    setLanguage(1);
    run.maxRecords = 0;
    host.text = "this is not sql";
    host.selected = "select 1 as one;";
    const qsizetype textBefore = session.SessionText().size();
    command.cmdExecute();
    ASSERT_TRUE(host.bound.has_value()) << port.lastText().toStdString();
    EXPECT_EQ(session.SessionText().mid(textBefore),
              "//-{ '" + generalDate(kNow) + "'Ausführung gestartet! }" + QString(35, '-') +
                  "\r\n\r\nselect 1 as one\r\n\r\n// { Die Abfrage lieferte  1 Spalten und  1 Zeilen!\r\n"
                  "// { 00:00:00.00\r\n// { Abfrage OK\r\n\r\n");
    EXPECT_EQ(host.panels["kRecords"], "1 Datensatz");
}

TEST_P(ExecuteOn, ScriptWithAFailingStatementGoesOnAndWarnsOnce) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    run.maxRecords = 0;
    host.text = "create table " + table() + " (id int);\ninsert into " + table() +
                " values (1);\nselect * from no_such_table_xyz;\ninsert into " + table() + " values (2);\ndrop table " +
                table();
    const int logBefore = session.records().recordCount();
    const qsizetype textBefore = session.SessionText().size();
    command.cmdExecute();
    EXPECT_EQ(logTypesFrom(logBefore), (QList<int>{40, 2, 2, 2, 2, 2, 41}));
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_EQ(port.lastText(), "The script caused errors!");
    const QString block = session.SessionText().mid(textBefore);
    EXPECT_TRUE(block.startsWith("//-{ Script execution start! }" + QString(32, '-') + "\r\n\r\ncreate table "));
    EXPECT_EQ(block.count("// { The Query Affected "), 5);
    EXPECT_TRUE(block.contains("insert into " + table() + " values (2)\r\n\r\n... executing Query ... please wait!\r\n"
                               "// { The Query Affected  1 Records!\r\n// { 00:00:00.00\r\n// { Query OK\r\n\r\n//" +
                               QString(60, '-') + "\r\n\r\n"));
    EXPECT_TRUE(block.contains("// { Query caused Errors\r\n// { Error Number: "));
    EXPECT_TRUE(block.endsWith("// { Script execution finished! [00:00.00] }" + QString(18, '-') + "\r\n\r\n"));
    EXPECT_FALSE(host.bound.has_value()) << "a script does not fill the grid";
    EXPECT_EQ(host.panels["kRecords"], "0 Records");
    EXPECT_FALSE(cn.GetScriptMode());
}

TEST_P(ExecuteOn, StoppedStatementShowsTheCancelBoxAndLogsTypeZero) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    cn.setAsync(true);
    host.text = db.name == "postgresql" ? "select pg_sleep(20)"
                : db.name == "mariadb"  ? "select sleep(20)"
                                        : "with recursive c(x) as (select 1 union all select x + 1 from c where x < "
                                          "2000000000) select count(*) from c";
    // Tied to this test: a stop that never fired must not reach a later test's connection.
    QObject scope;
    QTimer::singleShot(300, &scope, [&] { cn.ExecuteStop(); });
    const qsizetype textBefore = session.SessionText().size();
    command.cmdExecute();
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_EQ(port.lastText(), "Execution canceled by user!");
    EXPECT_EQ(session.SessionText().mid(textBefore), "// Execution canceled by user!\r\n");
    EXPECT_EQ(session.records().value(session.records().recordCount() - 1, 0).toInt(), 0);
    EXPECT_FALSE(command.running());
}

TEST_P(ExecuteOn, TransactionCountsGoodStatementsAndRollsBack) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    if (db.name == "mariadb") GTEST_SKIP() << "MariaDB commits DDL inside a transaction: the commands stay off";
    QList<bool> buttons;
    TransactionCommands tx(cn, session, run, {[&](bool in) { buttons << in; }, [&](int s) { host.gridStates << s; }});
    Recordset none;
    ASSERT_EQ(cn.Execute("create table " + table() + " (id int)", none, true, 0, false), -1);
    ASSERT_TRUE(tx.cmdStartTrans_Click());
    host.text = "insert into " + table() + " values (1)";
    command.cmdExecute();
    host.text = "insert into " + table() + " values (2)";
    command.cmdExecute();
    host.text = "insert into no_such_table_xyz values (3)";
    command.cmdExecute();
    EXPECT_EQ(run.transactionStmtCount, 2);
    if (db.name == "postgresql") {
        // PostgreSQL aborts the transaction after an error: only a rollback can end it.
        EXPECT_TRUE(tx.cmdRollbackTrans_Click());
    } else {
        EXPECT_TRUE(tx.cmdRollbackTrans_Click());
    }
    EXPECT_EQ(run.transactionStmtCount, 0);
    EXPECT_FALSE(cn.Transaction());
    EXPECT_EQ(buttons, (QList<bool>{true, false}));
    Recordset rows;
    ASSERT_EQ(cn.Execute("select count(*) from " + table(), rows, true, 0, false), -1);
    EXPECT_EQ(rows.value(0, 0).toLongLong(), 0);
    cn.Execute("drop table " + table(), none, true, 0, false);
    EXPECT_TRUE(session.SessionText().contains("// { Begin Transaction at '" + generalDate(kNow) + "' ! }" +
                                               QString(30, '=') + "\r\n\r\n"));
    EXPECT_TRUE(session.SessionText().contains("(Transaction) execution start! }"));
    EXPECT_TRUE(session.SessionText().contains("// { Rollback Transaction at '"));
}

TEST_P(ExecuteOn, FailedStatementReportsItsOwnElapsedTime) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    cn.setAsync(false);
    steppingClock();
    struct Case {
        QString text;
        int fromEnd; // the failed statement's log record, counted from the last one
        QString failedLine;
    };
    const QList<Case> cases{
        {"select * from no_such_table_xyz", 1, "// { The query caused errors\r\n// { Error Number: "},
        {"select 2 as two;\nselect * from no_such_table_xyz", 2, "// { Query caused Errors\r\n// { Error Number: "}};
    // The statement before takes clearly longer than the failing one, so the two durations can
    // never show the same hundredth by chance on a busy machine.
    const QString slow = db.name == "postgresql" ? "select pg_sleep(0.3) is null as one"
                         : db.name == "mariadb"  ? "select sleep(0.3) as one"
                                                 : "with recursive c(x) as (select 1 union all select x + 1 from c "
                                                   "where x < 1000000) select count(*) as one from c";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        host.text = slow;
        command.cmdExecute();
        ASSERT_TRUE(host.bound.has_value()) << port.lastText().toStdString();
        const QDateTime goodFinish = session.records().value(session.records().recordCount() - 1, 2).toDateTime();
        const QString goodElapsed = cn.QueryExecElapsed();
        const qsizetype textBefore = session.SessionText().size();
        host.text = c.text;
        command.cmdExecute();
        const Recordset& log = session.records();
        const int bad = log.recordCount() - c.fromEnd;
        ASSERT_TRUE(log.value(bad, 4).toBool());
        const QDateTime start = log.value(bad, 1).toDateTime();
        const QDateTime finish = log.value(bad, 2).toDateTime();
        EXPECT_GT(start, goodFinish);
        EXPECT_GT(finish, start);
        // The failed statement is the last one run: the connection's duration is its own.
        const QString own = cn.QueryExecElapsed();
        EXPECT_NE(own, goodElapsed);
        EXPECT_EQ(log.text(bad, 9), own);
        EXPECT_TRUE(session.SessionText().mid(textBefore).contains("// { " + own + "\r\n" + c.failedLine))
            << session.SessionText().mid(textBefore).toStdString();
    }
}

// The elapsed time is the measured duration, not the clock's fraction of a second at the finish:
// a statement of half a second that ends at hh:mm:ss.14 shows 00:00:00.50 everywhere.
TEST_P(ExecuteOn, ElapsedTimeIsTheMeasuredDurationToTheHundredth) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    setClock([] { return kNow.addMSecs(140); });
    for (bool async : {false, true}) {
        SCOPED_TRACE(async ? "async" : "sync");
        cn.setAsync(async);
        // The statement starts at 1000 ms and every later reading is 500 ms after it.
        auto reads = std::make_shared<std::atomic<int>>(0);
        setSteadyClock([reads] { return ++*reads == 1 ? qint64(1000) : qint64(1500); });
        const qsizetype textBefore = session.SessionText().size();
        host.text = "select 1 as one";
        command.cmdExecute();
        ASSERT_TRUE(host.bound.has_value()) << port.lastText().toStdString();
        EXPECT_TRUE(session.SessionText().mid(textBefore).contains("// { 00:00:00.50\r\n// { Query OK"))
            << session.SessionText().mid(textBefore).toStdString();
        const Recordset& log = session.records();
        EXPECT_EQ(log.text(log.recordCount() - 1, 9), "00:00:00.50");
        EXPECT_EQ(host.panels["kTime"], "Elapsed time: 00:00:00.50 ");
    }
}

TEST_P(ExecuteOn, OnlyTheParametersOfTheTextBeingRunAreAskedFor) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    cn.setAsync(false);
    host.text = "select @x|Integer@ as x\nselect customer_id from customers where customer_id = @id|Integer@";
    host.selected = "select customer_id from customers where customer_id = @id|Integer@";
    command.cmdExecute();
    EXPECT_EQ(host.shownParameters, QList<QStringList>{{"id"}});
    EXPECT_EQ(port.lastText(), "Please set values for the following Parameter:\r\n  - id\r\n");
    EXPECT_FALSE(host.bound.has_value());
    host.inputs.values["id"] = "3";
    command.cmdExecute();
    EXPECT_EQ(host.shownParameters.size(), 2);
    ASSERT_TRUE(host.bound.has_value()) << port.lastText().toStdString();
    EXPECT_EQ(host.bound->recordCount(), 1);
    EXPECT_TRUE(session.SessionText().contains("customer_id =  3  \r\n"));
    // Without tags nothing is shown.
    host.selected = "select 1 as one";
    command.cmdExecute();
    EXPECT_EQ(host.shownParameters.size(), 2);
}

TEST(ExecuteCommand, StatementThatCannotReachTheDatabaseFailsWithItsOwnTimes) {
    mvtest::TempFolder folder;
    ASSERT_TRUE(QDir().mkpath(folder.file("db")));
    mvtest::ScriptedUserPort port;
    SessionLog session;
    session.setProgramFolder(folder.path());
    session.StartSession(false);
    C_DbConnect cn(session);
    RunSettings run;
    QueryParameters parameters;
    FakeHost host;
    ExecuteCommand command(cn, session, parameters, run, host);
    ASSERT_TRUE(cn.Init("Driver=SQLite3;Database=" + folder.file("db/x.db"), "", "", true))
        << port.lastText().toStdString();
    cn.setAsync(false);
    steppingClock();
    struct SystemClockAgain {
        ~SystemClockAgain() { setClock({}); }
    } systemClockAgain;
    host.text = "select 1 as one";
    command.cmdExecute();
    ASSERT_TRUE(host.bound.has_value()) << port.lastText().toStdString();
    const QDateTime goodFinish = session.records().value(session.records().recordCount() - 1, 2).toDateTime();
    // The database file can no longer be opened: the statement is never sent.
    closePooledConnections();
    ASSERT_TRUE(QDir(folder.path()).rename("db", "gone"));
    host.text = "select 2 as two";
    const qsizetype textBefore = session.SessionText().size();
    command.cmdExecute();
    EXPECT_FALSE(host.bound.has_value());
    const Recordset& log = session.records();
    const int r = log.recordCount() - 1;
    EXPECT_EQ(log.value(r, 0).toInt(), 0);
    EXPECT_TRUE(log.value(r, 4).toBool());
    EXPECT_EQ(log.text(r, 11), "// { Error Number: 3704\r\n// { Error Description: No database connection!");
    const QDateTime start = log.value(r, 1).toDateTime();
    const QDateTime finish = log.value(r, 2).toDateTime();
    EXPECT_GT(start, goodFinish);
    EXPECT_GT(finish, start);
    const QString block = session.SessionText().mid(textBefore);
    EXPECT_TRUE(block.contains("// { " + cn.QueryExecElapsed() +
                               "\r\n// { The query caused errors\r\n// { Error Number: 3704\r\n"))
        << block.toStdString();
    EXPECT_FALSE(block.contains("Query OK"));
    EXPECT_EQ(host.panels["kRecords"], "0 Records");
}

TEST_P(ExecuteOn, RecordCountReportQuotesNamesWithBlanks) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(connect());
    const QString report = command.GetRecordcount("", folder.path());
    EXPECT_TRUE(report.contains("customers\t120\r\n")) << report.toStdString();
    EXPECT_TRUE(QRegularExpression("Order Details\t3,000\r\n").match(report).hasMatch()) << report.toStdString();
    EXPECT_EQ(QString::fromUtf8(folder.read("Recordcount.txt")), report);
    ASSERT_FALSE(port.messages.isEmpty());
    EXPECT_EQ(port.messages.last().text, "The file '" + folder.path() + "/Recordcount.txt' was created");
    const QString filtered = command.GetRecordcount("customers", folder.path());
    EXPECT_EQ(filtered.count("\r\n"), 1);
}

INSTANTIATE_TEST_SUITE_P(Targets, ExecuteOn, ::testing::ValuesIn(mvtest::testDatabaseNames()),
                         mvtest::DatabaseNamePrinter());

TEST(ExecuteCommand, NumbersAndQueryBar) {
    EXPECT_EQ(ExecuteCommand::signed_(0), " 0");
    EXPECT_EQ(ExecuteCommand::signed_(-1), "-1");
    EXPECT_EQ(ExecuteCommand::recordsText(1), "1 Record");
    EXPECT_EQ(ExecuteCommand::recordsText(0), "0 Records");
    mvtest::ScriptedUserPort port;
    SessionLog session;
    C_DbConnect cn(session);
    RunSettings run;
    QueryParameters parameters;
    FakeHost host;
    ExecuteCommand command(cn, session, parameters, run, host);
    EXPECT_TRUE(command.txtMaxRec_LostFocus("2500"));
    EXPECT_EQ(run.maxRecords, 2500);
    EXPECT_FALSE(command.txtMaxRec_LostFocus("many"));
    EXPECT_EQ(run.maxRecords, 2500);
    EXPECT_EQ(port.messages.size(), 1);
    EXPECT_TRUE(command.txtTimeout_LostFocus("5"));
    EXPECT_EQ(command.timeoutText(), "5");
    // Without a connection nothing runs at all.
    host.text = "select 1";
    command.cmdExecute();
    EXPECT_TRUE(host.executeEnabled.isEmpty());
}

} // namespace
