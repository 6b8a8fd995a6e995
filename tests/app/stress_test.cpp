// Random sequences of what a user does (execute, stop at any moment, explorer refresh during a run,
// begin/commit/rollback, document switches) against the real window and each database. Nothing may
// wait longer than ten seconds, and the committed rows must be exactly those the sequence
// committed.
#include "app/main_window.h"
#include "app/query_panes_widget.h"
#include "db/connecting.h"
#include "db/connection_ui_widget.h"
#include "db/db_connect.h"
#include "documents/document_tabs_widget.h"
#include "documents/sql_editor_widget.h"
#include "exec/transactions.h"
#include "explorer/explorer_widget.h"
#include "session/session_log.h"
#include "support/hang_guard.h"
#include "support/scripted_user_port.h"
#include "support/test_databases.h"

#include <QApplication>
#include <QSet>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <random>

using namespace mv;

namespace {

constexpr int kSequences = 200;

class Stress : public ::testing::TestWithParam<std::string> {};

// The last statement's outcome, as its log record has it.
enum class Outcome { Succeeded, Failed, Stopped };
Outcome lastOutcome(const SessionLog& session) {
    const Recordset& log = session.records();
    const int r = log.recordCount() - 1;
    if (log.value(r, 4).toBool()) return Outcome::Failed;
    return log.value(r, 0).toInt() == 0 ? Outcome::Stopped : Outcome::Succeeded;
}

TEST_P(Stress, RandomUserSequencesNeverHangAndCommitExactlyWhatWasCommitted) {
    mvtest::TempFolder dir;
    const mvtest::TestDatabase db = mvtest::testDatabase(GetParam(), dir);
    MVTEST_REQUIRE(db);
    mvtest::ScriptedUserPort port;
    frmMain w(AppPaths{dir.path()});
    w.startup("");
    w.show();
    ASSERT_TRUE(w.connectionUi()->connecting().connect(db.connectionString, "", "")) << port.lastText().toStdString();
    const bool postgres = GetParam() == "postgresql";
    const QString table = QString("mv_stress_%1").arg(QCoreApplication::applicationPid());
    const QString slow = postgres                   ? "select count(*) from pg_sleep(0.2)"
                         : GetParam() == "mariadb" ? "select sleep(0.2)"
                                                   : "with recursive c(x) as (select 1 union all select x + 1 "
                                                     "from c where x < 400000) select count(*) from c";
    auto admin = createDbConnection();
    admin->open(db.connectionString);
    admin->execute("drop table if exists " + table);
    admin->execute("create table " + table + " (id int)");
    admin->disconnect();

    w.dispatcher().dispatch("kNewFile");
    w.dispatcher().dispatch("kNewFile");
    TransactionCommands& tx = w.queryPanes()->transactions();
    std::mt19937 random(20261207);
    QSet<int> committed;
    // Rows of a PostgreSQL transaction in which a statement was stopped: a stop that came before
    // the statement was sent leaves the transaction intact, one that reached the server dooms it.
    // Either outcome is right; the rows must then be all there or all gone.
    QList<QSet<int>> eitherWay;
    int nextId = 1;
    // What the user does while a statement runs; whatever has not happened when the run ends is
    // dropped (a Stop pressed later belongs to no run of this step).
    QTimer during;
    during.setSingleShot(true);
    std::function<void()> action;
    QObject::connect(&during, &QTimer::timeout, [&] {
        if (action) action();
    });
    auto execute = [&](const QString& sql) {
        w.queryPanes()->editor()->setText(sql);
        w.dispatcher().dispatch("kExecute");
        during.stop();
        return lastOutcome(w.session());
    };
    for (int sequence = 0; sequence < kSequences; ++sequence) {
        mvtest::HangGuard guard(std::chrono::seconds(10), GetParam() + " sequence " + std::to_string(sequence));
        QSet<int> pending;
        bool inTransaction = false;
        bool aborted = false;      // PostgreSQL: a failed statement dooms the transaction
        bool maybeAborted = false; // PostgreSQL: a stopped one may have
        const int steps = 3 + int(random() % 4);
        for (int step = 0; step < steps; ++step) {
            switch (random() % 8) {
            case 0:
            case 1: {
                const int id = nextId++;
                // Sometimes Stop comes while the INSERT runs, or just after it finished: the
                // outcome shown must be what happened in the database.
                if (random() % 3 == 0) {
                    action = [&] { w.dispatcher().dispatch("kStop"); };
                    during.start(int(random() % 20));
                }
                const Outcome o = execute(QString("insert into %1 values (%2)").arg(table).arg(id));
                if (o == Outcome::Succeeded)
                    (inTransaction ? pending : committed).insert(id);
                else if (inTransaction && o == Outcome::Failed)
                    aborted = aborted || postgres;
                else if (inTransaction)
                    maybeAborted = maybeAborted || postgres;
                break;
            }
            case 2: {
                // Stop at a random moment: before the statement reached the driver, while it runs,
                // or after it finished (which must change nothing).
                action = [&] { w.dispatcher().dispatch("kStop"); };
                during.start(int(random() % 300));
                const Outcome o = execute(slow);
                if (o == Outcome::Failed && inTransaction) aborted = aborted || postgres;
                if (o == Outcome::Stopped && inTransaction) maybeAborted = maybeAborted || postgres;
                break;
            }
            case 3: {
                // The explorer's Refresh while a statement runs.
                action = [&] { w.explorer()->ReadTables(QString()); };
                during.start(int(random() % 150));
                const Outcome o = execute(slow);
                // (PostgreSQL refuses every statement of a doomed transaction.)
                if (!(inTransaction && postgres && (aborted || maybeAborted)))
                    EXPECT_EQ(o, Outcome::Succeeded) << w.cn().LastError().toStdString();
                if (o == Outcome::Failed && inTransaction) aborted = aborted || postgres;
                break;
            }
            case 4:
                if (!inTransaction && tx.cmdStartTrans_Click()) {
                    inTransaction = true;
                    pending.clear();
                    aborted = maybeAborted = false;
                }
                break;
            case 5:
                if (inTransaction) {
                    if (tx.cmdCommitTrans_Click() && !aborted) {
                        if (maybeAborted)
                            eitherWay << pending;
                        else
                            committed.unite(pending);
                    }
                    inTransaction = w.cn().Transaction();
                    pending.clear();
                }
                break;
            case 6:
                if (inTransaction) {
                    tx.cmdRollbackTrans_Click();
                    inTransaction = w.cn().Transaction();
                    pending.clear();
                }
                break;
            default: {
                // Another document: its own text and grid come back.
                DocumentTabsWidget* docs = w.documents();
                const int index = 1 + int(random() % uint(std::max(1, docs->tabCount() - 1)));
                docs->selectTab(docs->tabKey(index));
                QApplication::processEvents();
                break;
            }
            }
            ASSERT_FALSE(w.queryPanes()->running());
        }
        if (inTransaction) tx.cmdRollbackTrans_Click();
        ASSERT_FALSE(w.cn().Transaction()) << sequence;
    }
    auto check = createDbConnection();
    check->open(db.connectionString);
    const ExecResult rows = check->execute("select id from " + table);
    ASSERT_TRUE(rows.rows.has_value());
    QSet<int> found;
    for (int r = 0; r < rows.rows->recordCount(); ++r) found.insert(rows.rows->value(r, 0).toInt());
    check->execute("drop table " + table);
    for (const QSet<int>& rows : eitherWay) {
        const QSet<int> there = found & rows;
        EXPECT_TRUE(there.isEmpty() || there == rows) << "a transaction committed in part";
        found -= rows;
    }
    EXPECT_EQ(found.size(), committed.size());
    EXPECT_EQ(found - committed, QSet<int>()) << "committed against the user's answer";
    EXPECT_EQ(committed - found, QSet<int>()) << "committed rows lost";
    w.close();
}

INSTANTIATE_TEST_SUITE_P(Targets, Stress, ::testing::ValuesIn(mvtest::testDatabaseNames()), mvtest::DatabaseNamePrinter());

} // namespace
