// The SQL the explorer and the toolbox write runs on tables whose names need quoting: mixed case,
// reserved words, blanks, the quote characters themselves; and the record-count report never runs
// what a table name holds.
#include "db/db_connect.h"
#include "db/recordset.h"
#include "documents/editor_text.h"
#include "exec/execute_command.h"
#include "exec/run_settings.h"
#include "exec/sql_names.h"
#include "explorer/ddl_templates.h"
#include "explorer/explorer_catalog.h"
#include "explorer/sql_generation.h"
#include "session/session_log.h"
#include "support/scripted_user_port.h"
#include "support/quiet_execute_host.h"
#include "support/test_databases.h"

#include <gtest/gtest.h>

using namespace mv;

namespace {


using QuietHost = mvtest::QuietExecuteHost;

const QStringList TableNames{"MixedCase", "order", "Order Details", "qu\"ote", "back`tick"};

class GeneratedSqlOn : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        db = mvtest::testDatabase(GetParam(), folder);
        session.setProgramFolder(folder.path());
        session.StartSession(false);
    }
    bool pg() const { return GetParam() == "postgresql"; }
    bool my() const { return GetParam() == "mariadb"; }

    bool exec(const QString& sql, Recordset* rs = nullptr) {
        Recordset local;
        const bool ok = cn.Execute(sql, rs ? *rs : local, true, 0, false) == C_DbConnect::ExecSucceeded;
        EXPECT_TRUE(ok) << sql.toStdString() << "\n" << cn.LastError().toStdString();
        return ok;
    }
    // Connects to a database of its own for the names (a schema that needs quotes on PostgreSQL).
    // Each test has its own MariaDB database: a pooled connection keeps the database it was in.
    // Both carry the process number: the test runs under both engine prefixes at once.
    void connect(const QString& myDatabaseStem) {
        const QString myDatabase = mvtest::ownName(myDatabaseStem + u'_');
        ASSERT_TRUE(cn.Init(db.connectionString, "", "", true)) << port.lastText().toStdString();
        if (pg()) {
            schema = mvtest::ownName("Weird Names ");
            exec("DROP SCHEMA IF EXISTS \"" + schema + "\" CASCADE");
            exec("CREATE SCHEMA \"" + schema + "\"");
        } else if (my()) {
            exec("DROP DATABASE IF EXISTS " + myDatabase);
            exec("CREATE DATABASE " + myDatabase + " CHARACTER SET utf8mb4");
            QString other = db.connectionString;
            other.replace("Database=morvenda", "Database=" + myDatabase);
            cn.CloseConnection();
            ASSERT_TRUE(cn.Init(other, "", "", true)) << port.lastText().toStdString();
        } else {
            cn.CloseConnection();
            ASSERT_TRUE(cn.Init("Driver=SQLite3;Database=" + folder.path() + "/names.db", "", "", true));
        }
        rules = nameRulesOf(cn);
        quoting = NameQuoting{rules.databaseKind, rules.identifierQuote, rules.dialect, rules.keywords};
    }
    QString object(const QString& table) const { return schema.isEmpty() ? table : schema + u'.' + table; }

    mvtest::TempFolder folder;
    mvtest::TestDatabase db;
    mvtest::ScriptedUserPort port;
    SessionLog session;
    C_DbConnect cn{session};
    RunSettings run;
    QueryParameters parameters;
    QuietHost host;
    ExecuteCommand command{cn, session, parameters, run, host};
    QString schema;
    NameRules rules;
    NameQuoting quoting;
};

TEST_P(GeneratedSqlOn, RunsOnNamesThatNeedQuotes) {
    MVTEST_REQUIRE(db);
    connect("mv_weird_names");
    const QStringList columns{"Key Id", "select"};
    for (const QString& table : TableNames) {
        const QString t = quoting.quotedObject(object(table));
        ASSERT_TRUE(exec("CREATE TABLE " + t + " (" + quoting.quoted("Key Id") + " INTEGER NOT NULL PRIMARY KEY, " +
                         quoting.quoted("select") + " VARCHAR(20))"));
        exec("INSERT INTO " + t + " VALUES (1, 'one'), (2, 'two')");
    }
    for (const QString& table : TableNames) {
        SCOPED_TRACE(table.toStdString());
        const QString objectText = object(table);
        const QStringList fields = markedFields(columns, QString(), quoting);
        const ExplorerPick pick{objectText, fields, rules.databaseKind, rules.identifierQuote, rules.dialect,
                                rules.keywords};
        Recordset rs;
        exec(sqlCommandTemplate("SELECT <f> FROM", pick) + " ORDER BY 1", &rs);
        EXPECT_EQ(rs.recordCount(), 2);
        exec(sqlCommandTemplate("SELECT * FROM", pick));
        const QStringList longNames = markedFields(columns, objectText, quoting);
        exec("SELECT " + longNames.join(", ") + " FROM " + quoting.quotedObject(objectText));

        // The key columns come as the catalog spells them; the WHERE clause pins the first row.
        const OwnerAndTable name = splitObjectName(objectText);
        const QStringList keys = GetTableKeyFields(cn, pg() ? schema : name.owner, pg() ? table : name.table);
        ASSERT_EQ(keys, QStringList{"Key Id"});
        const QString where = buildWhereClause(keys, rowValuesOf(rs, 0), quoting, [](const QString&) {});
        Recordset pinned;
        exec("SELECT * FROM " + quoting.quotedObject(objectText) + "\r\n" + where, &pinned);
        EXPECT_EQ(pinned.recordCount(), 1) << where.toStdString();

        QString update = buildUpdate(quoting.quotedObject(objectText), markedFields({"select"}, QString(), quoting), where);
        update.replace("ValueX", "'changed'");
        exec(update);
        EXPECT_EQ(cn.RecordsAffected(), 1) << update.toStdString();
    }
    QString join = buildJoin({object("order"), object("Order Details")}, rules.databaseKind, quoting);
    join.replace("<KeyXTab1> = <KeyXTab2>", "1 = 1");
    Recordset joined;
    exec("SELECT count(*) " + join, &joined);
    EXPECT_EQ(joined.text(0, 0), "4");

    const QString report = command.GetRecordcount(QString(), folder.path());
    for (const QString& table : TableNames)
        EXPECT_TRUE(report.contains(object(table) + "\t2")) << table.toStdString() << "\n" << report.toStdString();

    for (const QString& table : TableNames)
        exec(ddlTemplate(2, ddlTableName(quoting.quotedObject(object(table)))));
    if (pg()) exec("DROP SCHEMA \"" + schema + "\" CASCADE");
}

// A table whose name is a statement: the report counts it like any other and runs nothing else.
TEST_P(GeneratedSqlOn, RecordCountRunsNothingATableNameHolds) {
    MVTEST_REQUIRE(db);
    connect("mv_hostile_names");
    const QString victim = quoting.quotedObject(object("victim"));
    const QString hostileName = pg() ? "a;DELETE/**/FROM/**/\"" + schema + "\".victim"
                                     : QStringLiteral("a;DELETE/**/FROM/**/victim");
    exec("CREATE TABLE " + victim + " (id INTEGER)");
    exec("INSERT INTO " + victim + " VALUES (1), (2), (3)");
    ASSERT_TRUE(exec("CREATE TABLE " + quoting.quotedObject(object(hostileName)) + " (id INTEGER)"));
    const QString report = command.GetRecordcount(QString(), folder.path());
    EXPECT_TRUE(report.contains(object(hostileName) + "\t0")) << report.toStdString();
    Recordset rs;
    exec("SELECT count(*) FROM " + victim, &rs);
    EXPECT_EQ(rs.text(0, 0), "3");
    if (pg()) exec("DROP SCHEMA \"" + schema + "\" CASCADE");
}

INSTANTIATE_TEST_SUITE_P(Targets, GeneratedSqlOn, ::testing::ValuesIn(mvtest::testDatabaseNames()),
                         mvtest::DatabaseNamePrinter());

TEST(NameQuoting, QuotesWhatTheDialectWouldReadOtherwise) {
    struct Case {
        SqlDialect dialect;
        int kind;
        const char* quote;
        const char* name;
        const char* expected;
    } cases[] = {
        {SqlDialect::PostgreSQL, 5, "\"", "customers", "customers"},
        {SqlDialect::PostgreSQL, 5, "\"", "MixedCase", "\"MixedCase\""},
        {SqlDialect::PostgreSQL, 5, "\"", "order", "\"order\""},
        {SqlDialect::PostgreSQL, 5, "\"", "qu\"ote", "\"qu\"\"ote\""},
        {SqlDialect::PostgreSQL, 5, "\"", "1st", "\"1st\""},
        {SqlDialect::PostgreSQL, 5, "\"", "größe", "\"größe\""},
        {SqlDialect::MariaDB, 6, "`", "MixedCase", "MixedCase"},
        {SqlDialect::MariaDB, 6, "`", "back`tick", "`back``tick`"},
        {SqlDialect::MariaDB, 6, "`", "Key Id", "`Key Id`"},
        {SqlDialect::SQLite, 0, "\"", "select", "\"select\""},
        {SqlDialect::SqlServer, 2, "\"", "a]b", "[a]]b]"},
        {SqlDialect::Generic, 0, " ", "Key Id", "Key Id"},
    };
    for (const Case& c : cases) {
        const NameRules rules{c.dialect, c.kind, c.quote, {}};
        EXPECT_EQ(quotedName(QString::fromUtf8(c.name), rules), QString::fromUtf8(c.expected)) << c.name;
    }
    const NameRules pg{SqlDialect::PostgreSQL, 5, "\"", {}};
    EXPECT_EQ(quotedObjectName("public.Order Details", pg), "\"public\".\"Order Details\"");
    EXPECT_EQ(quotedObjectName("sales.orders", pg), "sales.orders");
}

} // namespace
