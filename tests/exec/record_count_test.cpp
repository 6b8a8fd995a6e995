#include "db/db_connect.h"
#include "exec/execute_command.h"
#include "exec/run_settings.h"
#include "session/session_log.h"
#include "support/scripted_user_port.h"
#include "support/quiet_execute_host.h"
#include "support/test_databases.h"

#include <gtest/gtest.h>

using namespace mv;

namespace {


// The record-count report touches only the time panel of the window.
struct PanelHost : mvtest::QuietExecuteHost {
    QMap<QString, QString> panels;
    void setPanelText(const QString& key, const QString& t) override { panels[key] = t; }
};

class RecordCountOn : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        db = mvtest::testDatabase(GetParam(), folder);
        session.setProgramFolder(folder.path());
        session.StartSession(false);
    }
    // The table names of the report's lines (without schema) and their counts.
    QMap<QString, QString> tablesIn(const QString& report) const {
        QMap<QString, QString> tables;
        for (const QString& line : report.split("\r\n", Qt::SkipEmptyParts)) {
            const QString qualified = line.section('\t', 0, 0);
            tables.insert(qualified.section('.', -1), line.section('\t', 1));
        }
        return tables;
    }

    mvtest::TempFolder folder;
    mvtest::TestDatabase db;
    mvtest::ScriptedUserPort port;
    SessionLog session;
    C_DbConnect cn{session};
    RunSettings run;
    QueryParameters parameters;
    PanelHost host;
    ExecuteCommand command{cn, session, parameters, run, host};
};

TEST_P(RecordCountOn, UpperCasedFilterFindsTablesWhateverTheCaseOfTheirNames) {
    MVTEST_REQUIRE(db);
    ASSERT_TRUE(cn.Init(db.connectionString, "", "", true)) << port.lastText().toStdString();
    // The menu hands the explorer's filter over upper-cased.
    for (const QString& filter : {QString("ORDER"), QString("order"), QString("oRdEr")}) {
        const QString report = command.GetRecordcount(filter, folder.path());
        const QMap<QString, QString> tables = tablesIn(report);
        EXPECT_EQ(tables.value("orders"), "1,000") << filter.toStdString() << ": " << report.toStdString();
        EXPECT_EQ(tables.value("Order Details"), "3,000") << report.toStdString();
        EXPECT_FALSE(tables.contains("customers"));
        for (const QString& name : tables.keys())
            EXPECT_TRUE(name.contains("order", Qt::CaseInsensitive)) << name.toStdString();
        EXPECT_EQ(QString::fromUtf8(folder.read("Recordcount.txt")), report);
    }
    const QMap<QString, QString> customers = tablesIn(command.GetRecordcount("CUSTOMERS", folder.path()));
    EXPECT_EQ(customers.value("customers"), "120");
    EXPECT_FALSE(customers.contains("orders"));
}

INSTANTIATE_TEST_SUITE_P(Targets, RecordCountOn, ::testing::ValuesIn(mvtest::testDatabaseNames()),
                         mvtest::DatabaseNamePrinter());

} // namespace
