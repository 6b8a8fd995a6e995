// A transaction the user's own statements begin (BEGIN typed in the editor or in a script) keeps
// its connection in disconnected mode until a COMMIT or ROLLBACK ends it: the statements between
// run inside it, nothing is committed early, and a ROLLBACK takes them all back.
#include "db/db_access.h"
#include "db/db_connect.h"
#include "exec/run_settings.h"
#include "exec/transactions.h"
#include "session/session_log.h"
#include "support/hang_guard.h"
#include "support/scripted_user_port.h"
#include "support/test_databases.h"

#include <gtest/gtest.h>

using namespace mv;

namespace {

class UserTransaction : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        db = mvtest::testDatabase(GetParam(), folder);
        MVTEST_REQUIRE(db);
        if (db.connectionString.contains(QLatin1String("Engine=ODBC"), Qt::CaseInsensitive))
            GTEST_SKIP() << "ODBC cannot tell whether the statements began a transaction of their own";
        session.setProgramFolder(folder.path());
        session.StartSession(false);
        ASSERT_TRUE(cn.Init(db.connectionString, "", "", true));
        cn.SetScriptMode(true);
        ASSERT_EQ(run(QStringLiteral("create table %1 (k integer)").arg(table)), C_DbConnect::ExecSucceeded)
            << cn.LastError().toStdString();
    }
    void TearDown() override {
        cn.EndCn();
        closePooledConnections();
        if (db.usable()) {
            auto admin = createDbConnection();
            admin->open(db.connectionString);
            admin->execute(QStringLiteral("drop table if exists %1").arg(table));
            admin->disconnect();
        }
    }
    qint32 run(const QString& sql) {
        Recordset rs;
        return cn.Execute(sql, rs, true, 0, false);
    }
    // What another session sees: only what was committed.
    QString committed() {
        auto other = createDbConnection();
        other->open(db.connectionString);
        const ExecResult r = other->execute(QStringLiteral("select count(*), coalesce(sum(k), 0) from %1").arg(table));
        other->disconnect();
        return r.rows ? r.rows->text(0, 0) + u':' + r.rows->text(0, 1) : QString();
    }

    mvtest::TempFolder folder;
    mvtest::TestDatabase db;
    mvtest::ScriptedUserPort port;
    SessionLog session;
    C_DbConnect cn{session};
    const QString table = mvtest::ownName(QStringLiteral("mv_user_tx_"));
};

TEST_P(UserTransaction, StatementsBetweenBeginAndCommitRunInsideItOneAtATime) {
    mvtest::HangGuard guard(std::chrono::seconds(60), "a transaction of the user's own");
    EXPECT_FALSE(cn.IsConnected()); // disconnected mode: closed between statements
    ASSERT_EQ(run(QStringLiteral("begin")), C_DbConnect::ExecSucceeded) << cn.LastError().toStdString();
    EXPECT_TRUE(cn.IsConnected()) << "the transaction's connection was closed";
    ASSERT_EQ(run(QStringLiteral("insert into %1 (k) values (1)").arg(table)), C_DbConnect::ExecSucceeded);
    ASSERT_EQ(run(QStringLiteral("insert into %1 (k) values (2)").arg(table)), C_DbConnect::ExecSucceeded);
    EXPECT_EQ(committed(), QStringLiteral("0:0")) << "rows were committed before the COMMIT";
    ASSERT_EQ(run(QStringLiteral("commit")), C_DbConnect::ExecSucceeded) << cn.LastError().toStdString();
    EXPECT_EQ(committed(), QStringLiteral("2:3"));
    EXPECT_FALSE(cn.IsConnected()) << "the connection stayed open after the transaction ended";
}

TEST_P(UserTransaction, ARollbackInAScriptTakesBackEveryStatementSinceItsBegin) {
    mvtest::HangGuard guard(std::chrono::seconds(60), "a script with a transaction of its own");
    const QStringList script{QStringLiteral("begin"),
                             QStringLiteral("insert into %1 (k) values (1)").arg(table),
                             QStringLiteral("insert into %1 (k) values (2)").arg(table),
                             QStringLiteral("rollback"),
                             QStringLiteral("insert into %1 (k) values (10)").arg(table)};
    QList<qint32> statuses;
    cn.ExecuteScript(script, 0, [&](qsizetype, qint32 status) { statuses << status; });
    ASSERT_EQ(statuses.size(), script.size());
    for (qsizetype i = 0; i < script.size(); ++i)
        EXPECT_EQ(statuses[i], C_DbConnect::ExecSucceeded) << script[i].toStdString();
    EXPECT_EQ(committed(), QStringLiteral("1:10"));
    EXPECT_FALSE(cn.IsConnected());
}

// Before the connection goes (exit, another connection) the user is asked, as for a transaction
// begun with the button, and the answer is sent as COMMIT or ROLLBACK.
TEST_P(UserTransaction, ItsEndIsAskedForBeforeTheConnectionGoes) {
    mvtest::HangGuard guard(std::chrono::seconds(60), "the question about a transaction of the user's own");
    RunSettings settings;
    TransactionCommands tx(cn, session, settings, {});
    const QString insert = QStringLiteral("insert into %1 (k) values (1)").arg(table);
    EXPECT_TRUE(tx.resolveOpenTransaction()); // nothing open: nothing asked
    EXPECT_TRUE(port.messages.isEmpty());
    struct Case {
        MsgResult answer;
        bool proceeds;
        const char* committedAfter;
    } cases[] = {{MsgResult::Cancel, false, "0:0"}, {MsgResult::No, true, "0:0"}, {MsgResult::Yes, true, "1:1"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.answer));
        if (!cn.sessionTransactionOpen()) {
            ASSERT_EQ(run(QStringLiteral("begin")), C_DbConnect::ExecSucceeded);
            ASSERT_EQ(run(insert), C_DbConnect::ExecSucceeded);
        }
        port.messages.clear();
        port.answers = {c.answer};
        EXPECT_EQ(tx.resolveOpenTransaction(), c.proceeds);
        ASSERT_EQ(port.messages.size(), 1);
        EXPECT_EQ(port.lastText(), "A transaction is still open. Do you want to keep its changes?\r\n\r\n"
                                   "Yes: commit, No: roll back, Cancel: keep the connection as it is.");
        EXPECT_EQ(cn.sessionTransactionOpen(), !c.proceeds);
        EXPECT_EQ(committed(), QLatin1String(c.committedAfter));
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, UserTransaction, ::testing::ValuesIn(mvtest::testDatabaseNames()),
                         mvtest::DatabaseNamePrinter());

} // namespace
