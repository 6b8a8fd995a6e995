// The native engines against ODBC on the same database: every schema rowset and every fetched
// value must be the same, so switching engines changes nothing the program shows.
#include "db/ado_types.h"
#include "db/db_engines.h"
#include "support/engine_pair.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace mv;
using mvtest::expectSameKeys;
using mvtest::expectSameRows;

namespace {

class SqliteEngines : public mvtest::EnginePair {
  protected:
    SqliteEngines() : EnginePair("sqlite", "mv_engines_sq") {}
};

TEST_F(SqliteEngines, TheConnectionsSayWhichEngineServesThem) {
    EXPECT_TRUE(native->info().managerVersion.startsWith(engineName(DbEngine::Sqlite)));
    EXPECT_FALSE(odbc->info().managerVersion.contains(QLatin1String("native")));
    EXPECT_EQ(native->info().dbmsName, odbc->info().dbmsName);
    EXPECT_EQ(native->info().identifierQuote, odbc->info().identifierQuote);
    EXPECT_EQ(native->info().transactionDdl, odbc->info().transactionDdl);
}

TEST_F(SqliteEngines, EverySchemaRowsetIsTheSame) {
    // A table with every declared type the driver tells apart, a composite key in column order,
    // unique and plain indexes, a default and NOT NULL columns.
    native->execute(QStringLiteral(
        "CREATE TABLE matrix (id INTEGER PRIMARY KEY, big BIGINT NOT NULL DEFAULT 5, num NUMERIC(10,2), "
        "dec DECIMAL(8,3), v VARCHAR(50), t TEXT, d DATE, ts TIMESTAMP, b BOOLEAN, bl BLOB, r REAL, "
        "db DOUBLE, f FLOAT, dt DATETIME, tm TIME, c CHAR(3), nv NVARCHAR(20), u int unsigned, ti TINYINT, "
        "si SMALLINT, untyped, cl CLOB, vb VARBINARY(10), mi MEDIUMINT, lv VARCHAR(300), bt bit)"));
    native->execute(QStringLiteral("CREATE UNIQUE INDEX matrix_v ON matrix (v DESC, t)"));
    native->execute(QStringLiteral("CREATE INDEX matrix_d ON matrix (d)"));
    native->execute(QStringLiteral("CREATE TABLE pair (a INT, b TEXT, note VARCHAR(10), PRIMARY KEY (a, b))"));

    const SchemaKind everyKind[] = {SchemaKind::Tables,         SchemaKind::Columns,
                                    SchemaKind::PrimaryKeys,    SchemaKind::Indexes,
                                    SchemaKind::Procedures,     SchemaKind::ProcedureParameters,
                                    SchemaKind::ProviderTypes};
    for (SchemaKind kind : everyKind)
        expectSameRows(native->openSchema(kind), odbc->openSchema(kind), "rowset " + std::to_string(int(kind)));

    // With restrictions, as the explorer asks: per table, per type, and names that do not exist.
    const Recordset tables = native->openSchema(SchemaKind::Tables);
    QStringList names;
    for (int r = 0; r < tables.recordCount(); ++r)
        names << tables.text(r, 2);
    names << QStringLiteral("no_such_table") << QStringLiteral("MATRIX");
    for (const QString& name : names) {
        const std::string what = name.toStdString();
        const SchemaRestrictions byTable{std::nullopt, std::nullopt, name};
        expectSameRows(native->openSchema(SchemaKind::Columns, byTable), odbc->openSchema(SchemaKind::Columns, byTable),
                       "columns of " + what);
        expectSameRows(native->openSchema(SchemaKind::PrimaryKeys, byTable),
                       odbc->openSchema(SchemaKind::PrimaryKeys, byTable), "key of " + what);
        const SchemaRestrictions indexOf{std::nullopt, std::nullopt, std::nullopt, std::nullopt, name};
        expectSameRows(native->openSchema(SchemaKind::Indexes, indexOf), odbc->openSchema(SchemaKind::Indexes, indexOf),
                       "indexes of " + what);
    }
    for (const char* type : {"TABLE", "VIEW", "SYSTEM TABLE", "table"}) {
        const SchemaRestrictions byType{std::nullopt, std::nullopt, std::nullopt, QString::fromLatin1(type)};
        expectSameRows(native->openSchema(SchemaKind::Tables, byType), odbc->openSchema(SchemaKind::Tables, byType),
                       std::string("tables of type ") + type);
    }
    const SchemaRestrictions byColumn{std::nullopt, std::nullopt, QStringLiteral("matrix"), QStringLiteral("TS")};
    expectSameRows(native->openSchema(SchemaKind::Columns, byColumn), odbc->openSchema(SchemaKind::Columns, byColumn),
                   "one column");
    const SchemaRestrictions byDataType{QStringLiteral("135")};
    expectSameRows(native->openSchema(SchemaKind::ProviderTypes, byDataType),
                   odbc->openSchema(SchemaKind::ProviderTypes, byDataType), "provider types of one ADO type");
}

TEST_F(SqliteEngines, EveryFetchedValueIsTheSame) {
    native->execute(QStringLiteral(
        "CREATE TABLE vals (i INTEGER, big BIGINT, num NUMERIC(10,2), v VARCHAR(50), t TEXT, d DATE, "
        "ts TIMESTAMP, dt DATETIME, tm TIME, b BOOLEAN, bl BLOB, r REAL, si SMALLINT, ti TINYINT, c CHAR(3))"));
    native->execute(QString::fromUtf8(
        "INSERT INTO vals VALUES (-2147483647, 9007199254740993, 12345678.91, 'Grüße, 日本語 ✓', "
        "'a\nlong\ttext', '2024-02-29', '2024-02-29 13:45:30.125', '2024-01-01T10:00:00', '13:45:30', 1, "
        "X'00FF10', 1.5e-300, -32768, 127, 'abc')"));
    native->execute(QStringLiteral("INSERT INTO vals VALUES (NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
                                   "NULL, NULL, NULL, NULL, NULL, NULL, NULL)"));
    native->execute(QStringLiteral("INSERT INTO vals VALUES (0, -9223372036854775807, -0.5, '', '', '1999-12-31', "
                                   "'1999-12-31 23:59:59', '2000-01-01 00:00:00', '00:00:00', 0, X'', 0.0, 0, 0, '')"));
    const char* const queries[] = {
        "SELECT * FROM vals ORDER BY rowid",
        "SELECT * FROM customers ORDER BY customer_id",
        "SELECT * FROM products ORDER BY product_id",
        "SELECT * FROM orders ORDER BY order_id",
        "SELECT * FROM \"Order Details\" ORDER BY order_id, product_id",
        "SELECT * FROM order_summary ORDER BY order_id",
        "SELECT count(*), sum(r), 'lit', NULL, max(v), i + 1 FROM vals",
        "SELECT i FROM vals WHERE 1 = 0",
    };
    for (const char* sql : queries) {
        const ExecResult n = native->execute(QString::fromUtf8(sql));
        const ExecResult o = odbc->execute(QString::fromUtf8(sql));
        ASSERT_TRUE(n.rows.has_value() && o.rows.has_value()) << sql;
        expectSameRows(*n.rows, *o.rows, sql);
    }
    // Counts of changes and the row limit.
    const char* const changes[] = {"UPDATE vals SET t = 'x' WHERE i IS NOT NULL", "UPDATE vals SET t = 'y' WHERE 1 = 0",
                                   "CREATE TABLE other_%1 (a)", "DROP TABLE other_%1"};
    for (const char* sql : changes) {
        const ExecResult n = native->execute(QString::fromUtf8(sql).arg(QLatin1String("n")));
        const ExecResult o = odbc->execute(QString::fromUtf8(sql).arg(QLatin1String("o")));
        EXPECT_EQ(n.recordsAffected, o.recordsAffected) << sql;
        EXPECT_EQ(n.rows.has_value(), o.rows.has_value()) << sql;
    }
    ExecOptions limited;
    limited.maxRecords = 7;
    const ExecResult n = native->execute(QStringLiteral("SELECT * FROM orders ORDER BY order_id"), limited);
    const ExecResult o = odbc->execute(QStringLiteral("SELECT * FROM orders ORDER BY order_id"), limited);
    ASSERT_TRUE(n.rows && o.rows);
    expectSameRows(*n.rows, *o.rows, "limited");
    EXPECT_EQ(n.limitReached, o.limitReached);
}

class PostgresEngines : public mvtest::EnginePair {
  protected:
    PostgresEngines() : EnginePair("postgresql", "mv_engines_pg") {}
};

TEST_F(PostgresEngines, EveryFetchedValueIsTheSame) {
    EXPECT_TRUE(native->info().managerVersion.startsWith(engineName(DbEngine::Postgres)));
    EXPECT_EQ(native->info().dbmsName, odbc->info().dbmsName);
    EXPECT_EQ(native->info().dbmsVersion, odbc->info().dbmsVersion);
    native->execute(named(
        "CREATE TABLE %T% (i2 smallint, i4 integer NOT NULL, i8 bigint, n numeric(10,2), nn numeric, "
        "f4 real, f8 double precision, b boolean, v varchar(50), vv varchar, t text, c char(3), d date, "
        "tm time, ts timestamp, ts3 timestamp(3), tz timestamptz, by bytea, u uuid, j json, iv interval, "
        "ar int[], x xml, m money, s serial)"));
    native->execute(named(
        "INSERT INTO %T% (i2, i4, i8, n, nn, f4, f8, b, v, vv, t, c, d, tm, ts, ts3, tz, by, u, j, iv, "
        "ar, x, m) VALUES (-32768, 2147483647, 9007199254740993, 12345678.91, "
        "1.123456789012345678901234567890, 1.5, 0.1, true, 'Grüße, 日本語 ✓', 'b', 'a\nlong\ttext', 'x', "
        "'2024-02-29', '13:45:30.5', '2024-02-29 13:45:30.125', '1999-12-31 23:59:59.5', "
        "'2024-02-29 13:45:30.125+02', '\\x00ff10', 'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11', '{\"a\": 1}', "
        "'1 day 02:00:00', '{1,2}', '<a/>', 12.34)"));
    native->execute(named("INSERT INTO %T% (i4) VALUES (0)"));
    const char* const queries[] = {
        "SELECT * FROM %T% ORDER BY s",
        "SELECT count(*), sum(i4), max(v), 'lit'::varchar(10), NULL::text, 1.5::numeric(4,1) FROM %T%",
        "SELECT i4 FROM %T% WHERE false",
        "SELECT n FROM generate_series(1, 3000) n",
    };
    for (const char* sql : queries) {
        const ExecResult n = native->execute(named(sql));
        const ExecResult o = odbc->execute(named(sql));
        ASSERT_TRUE(n.rows.has_value() && o.rows.has_value()) << sql;
        expectSameRows(*n.rows, *o.rows, sql);
    }
    const char* const changes[] = {"UPDATE %T% SET t = 'x' WHERE i8 IS NOT NULL",
                                   "UPDATE %T% SET t = 'y' WHERE false", "DELETE FROM %T% WHERE false"};
    for (const char* sql : changes) {
        const ExecResult n = native->execute(named(sql));
        const ExecResult o = odbc->execute(named(sql));
        EXPECT_EQ(n.recordsAffected, o.recordsAffected) << sql;
        EXPECT_EQ(n.rows.has_value(), o.rows.has_value()) << sql;
    }
    // Notices come along as messages on both.
    const ExecResult n = native->execute(QStringLiteral("DROP TABLE IF EXISTS mv_no_such_table_here"));
    const ExecResult o = odbc->execute(QStringLiteral("DROP TABLE IF EXISTS mv_no_such_table_here"));
    ASSERT_EQ(n.messages.size(), 1u);
    ASSERT_EQ(o.messages.size(), 1u);
    EXPECT_TRUE(n.messages.front().message.contains(QLatin1String("does not exist, skipping")));
}

// Every type of the type matrix, a domain and an enum, defaults (one longer than the driver
// keeps), identity, generated and dropped columns, and a view: whole tables, single columns, names
// in capitals, patterns, and the system's tables.
TEST_F(PostgresEngines, TheColumnsAreTheSame) {
    const QStringList cleanup{named("DROP VIEW IF EXISTS %T%_v"), named("DROP TABLE IF EXISTS %T%"),
                              named("DROP TABLE IF EXISTS \"%T%\\back\""),
                              named("DROP DOMAIN IF EXISTS %T%_dom"), named("DROP TYPE IF EXISTS %T%_en")};
    for (const QString& sql : cleanup)
        native->execute(sql);
    native->execute(named("CREATE DOMAIN %T%_dom AS varchar(10)"));
    native->execute(named("CREATE TYPE %T%_en AS ENUM ('a', 'b')"));
    native->execute(named(
        "CREATE TABLE %T% (i2 smallint, i4 integer NOT NULL DEFAULT 7, i8 bigint, n numeric(10,2), nn numeric, "
        "nneg numeric(5,-2), f4 real, f8 double precision, b boolean DEFAULT true, v varchar(50) DEFAULT 'x', "
        "v80 varchar(80), vv varchar, vl varchar(300), t text DEFAULT repeat('long default ', 30), c char(3), cc char, "
        "cl char(300), d date, tm time, tm3 time(3), ttz timetz(2), ts timestamp DEFAULT now(), ts3 timestamp(3), "
        "tz timestamptz, tz0 timestamptz(0), by bytea, u uuid, j json, jb jsonb, iv interval, "
        "ivd interval day to second, ivs interval minute to second(2), iv3 interval(3), ivh interval hour to minute, "
        "ar int[], va varchar(10)[], x xml, m money, s serial, bs bigserial, nm name, ch \"char\", o oid, ip inet, "
        "ci cidr, ma macaddr, pt point, bt bit(3), vb varbit(7), dm %T%_dom, en %T%_en, "
        "idn int GENERATED ALWAYS AS IDENTITY, gen int GENERATED ALWAYS AS (i4 * 2) STORED, gone int, "
        "tv tsvector, r int4range, \"Mixed Case\" int)"));
    native->execute(named("ALTER TABLE %T% DROP COLUMN gone"));
    native->execute(named("COMMENT ON COLUMN %T%.v IS 'remarks stay empty'"));
    native->execute(named("CREATE VIEW %T%_v AS SELECT i4, v, iv, dm FROM %T%"));
    native->execute(named("CREATE TABLE \"%T%\\back\" (a int, b_c int)"));
    const std::optional<QString> none;
    const auto same = [&](const SchemaRestrictions& r, const std::string& what) {
        return sameRowset(SchemaKind::Columns, r, what);
    };
    expectRowsetCases(SchemaKind::Columns, {
        {{none, none, t}, "every column of the table", 56},
        {{none, QStringLiteral("public"), t}, "with its schema", 56},
        {{none, none, t.toUpper()}, "a table in capitals", 56},
        {{none, none, t + QStringLiteral("_v")}, "a view", 4},
        {{none, none, t, QStringLiteral("vl")}, "one column", 1},
        {{none, none, t, QStringLiteral("VL")}, "a column in capitals", 1},
        {{none, none, t, QStringLiteral("Mixed Case")}, "a quoted column", 1},
        {{none, none, t, QStringLiteral("iv_")}, "a pattern is no wildcard", 0},
        {{none, none, t, QStringLiteral("gone")}, "a dropped column", 0},
        {{none, none, t + QStringLiteral("_v"), QStringLiteral("DM")}, "a view's column", 1},
        {{none, none, t + QStringLiteral("\\back")}, "a name with a backslash", 2},
        {{none, none, t + QStringLiteral("\\back"), QStringLiteral("b_c")}, "a column with an underscore", 1},
        {{none, none, QStringLiteral("no_such_table")}, "no table", 0},
        {{QStringLiteral("no_such_database"), none, t}, "another database", 0},
        {{none, QStringLiteral("pg_catalog"), QStringLiteral("pg_class"), QStringLiteral("RELNAME")},
         "a column of a system table", 1},
        {{none, QStringLiteral("information_schema"), QStringLiteral("columns")}, "a system view", -1},
    });
    // Other tests change the user's schemas meanwhile: the whole list is compared where nothing changes.
    EXPECT_GT(same({none, QStringLiteral("pg_catalog")}, "every column of the system tables"), 1000);
    for (const QString& sql : cleanup)
        native->execute(sql);
}

// Routines of every shape: a single value returned, OUT, INOUT, VARIADIC and TABLE arguments, rows
// of a table's type, no arguments, unnamed ones, overloads and a procedure; parameters of every
// built-in type.
TEST_F(PostgresEngines, TheParametersAreTheSame) {
    native->execute(named("CREATE TABLE %T% (a int, c interval, h varchar(10)[], m char(300), n numeric(5,2))"));
    const char* const routines[] = {
        "FUNCTION %T%_one(a int, b text DEFAULT 'q') RETURNS numeric LANGUAGE sql AS 'SELECT 1.0'",
        "FUNCTION %T%_one(c int) RETURNS int LANGUAGE sql AS 'SELECT 1'",
        "FUNCTION %T%_out(OUT x int, INOUT y varchar(10), VARIADIC z int[]) LANGUAGE sql AS 'SELECT 1, y'",
        "FUNCTION %T%_rows() RETURNS SETOF %T% LANGUAGE sql AS 'SELECT * FROM %T%'",
        "FUNCTION %T%_row(a date) RETURNS %T% LANGUAGE sql AS 'SELECT * FROM %T%'",
        "FUNCTION %T%_tab(p int) RETURNS TABLE(q int, r text) LANGUAGE sql AS 'SELECT 1, null::text'",
        "FUNCTION %T%_void() RETURNS void LANGUAGE sql AS 'SELECT'",
        "FUNCTION %T%_rec(a int, OUT b int, OUT c text) RETURNS SETOF record LANGUAGE sql AS 'SELECT 1, null::text'",
        "FUNCTION %T%_anon(int, text) RETURNS int LANGUAGE sql AS 'SELECT 1'",
        "FUNCTION %T%_ints() RETURNS SETOF int LANGUAGE sql AS 'SELECT 1'",
        "PROCEDURE %T%_p(a int, INOUT b varchar, c numeric(5,2)) LANGUAGE sql AS 'SELECT 1'",
        "FUNCTION %T%_types(a smallint, b bigint, c numeric(5,2), d real, e double precision, f boolean, "
        "g varchar(5), h char(3), i date, j time, k timestamp, l timestamptz, m bytea, n uuid, o json, p interval, "
        "q xml, r money, s name, t \"char\", u oid, v inet, w cidr, x macaddr, y timetz, z bit(3), aa text, "
        "ab int4range) RETURNS void LANGUAGE sql AS 'SELECT'",
        "FUNCTION %T%_set(a text, b date) RETURNS SETOF numeric LANGUAGE sql AS 'SELECT 1.0'",
    };
    // Every routine of the test's, whatever its arguments (they use the table's type: before the table).
    struct Dropper {
        DbConnection* c;
        QString prefix;
        void run() {
            c->execute(QStringLiteral(
                "DO $$ DECLARE r record; BEGIN FOR r IN SELECT p.oid::regprocedure AS sig, p.prokind FROM pg_proc p "
                "WHERE starts_with(p.proname, '%1_') LOOP EXECUTE (CASE WHEN r.prokind = 'p' THEN 'DROP PROCEDURE ' "
                "ELSE 'DROP FUNCTION ' END) || r.sig; END LOOP; END $$").arg(prefix));
        }
        ~Dropper() { run(); }
    } dropper{native.get(), t};
    for (const char* routine : routines)
        native->execute(QStringLiteral("CREATE ") + named(routine));
    const std::optional<QString> none;
    const auto same = [&](const SchemaRestrictions& r, const std::string& what) {
        return sameRowset(SchemaKind::ProcedureParameters, r, what);
    };
    struct Case {
        const char* routine;
        std::optional<QString> parameter;
        int rows;
    };
    const Case cases[] = {
        {"_one", none, 5},  {"_out", none, 3},  {"_rows", none, 5}, {"_row", none, 6},  {"_tab", none, 3},
        {"_void", none, 0}, {"_rec", none, 3},  {"_anon", none, 3}, {"_ints", none, 1}, {"_p", none, 3},
        {"_types", none, 28}, {"_one", QStringLiteral("B"), 1}, {"_anon", QString(), 3}, {"_no_such", none, 0},
    };
    for (const Case& c : cases) {
        const std::string what = std::string(c.routine) + " " + c.parameter.value_or(QStringLiteral("-")).toStdString();
        EXPECT_EQ(same({none, none, t + QString::fromLatin1(c.routine), c.parameter}, what), c.rows) << what;
    }
    EXPECT_EQ(same({QStringLiteral("morvenda"), none, t + QStringLiteral("_one")}, "the database as catalog"), 0);
    EXPECT_EQ(same({none, QStringLiteral("public"), t + QStringLiteral("_one")}, "with its schema"), 5);
    for (const char* system : {"lower", "substr", "now", "concat", "pg_get_expr", "to_char", "array_agg"})
        EXPECT_GT(same({none, QStringLiteral("pg_catalog"), QString::fromLatin1(system)}, system), 0) << system;

    // The one column of a set of single values has the type returned. (The ODBC driver gives the
    // type of the routine's last argument there.)
    const Recordset set = native->openSchema(SchemaKind::ProcedureParameters, {none, none, t + QStringLiteral("_set")});
    ASSERT_EQ(set.recordCount(), 3);
    EXPECT_TRUE(set.isNull(2, 3));
    EXPECT_EQ(set.text(2, 15), QStringLiteral("numeric"));
    EXPECT_EQ(set.value(2, 9).toInt(), ado::adNumeric);
}

TEST_F(PostgresEngines, TheProviderTypesAreTheSame) {
    const std::optional<QString> none;
    for (const SchemaRestrictions& r :
         {SchemaRestrictions{}, SchemaRestrictions{QStringLiteral("131")},
          SchemaRestrictions{QStringLiteral("202"), QStringLiteral("true")}, SchemaRestrictions{none, QStringLiteral("false")},
          SchemaRestrictions{QStringLiteral("999")}})
        expectSameRows(native->openSchema(SchemaKind::ProviderTypes, r), odbc->openSchema(SchemaKind::ProviderTypes, r),
                       "provider types " + (r.empty() ? std::string("-") : r[0].value_or(QString()).toStdString()));
}

// The native engine needs no ODBC driver for anything it shows: every schema rowset is read on a
// connection whose driver is not installed.
TEST_F(PostgresEngines, EverySchemaRowsetWithoutTheOdbcDriver) {
    QString cs = native->connectionString();
    cs.replace(QRegularExpression(QStringLiteral("Driver=\\{[^}]*\\}"), QRegularExpression::CaseInsensitiveOption),
               QStringLiteral("Driver={PostgreSQL Not Installed Here}"));
    ASSERT_TRUE(cs.contains(QLatin1String("Not Installed Here")));
    ASSERT_EQ(engineFor(cs), DbEngine::Postgres);
    std::unique_ptr<DbConnection> alone = createDbConnection();
    alone->open(cs);
    const std::optional<QString> none;
    const QString system = QStringLiteral("pg_catalog");
    const std::pair<SchemaKind, SchemaRestrictions> kinds[] = {
        {SchemaKind::Tables, {none, system}},      {SchemaKind::Columns, {none, system, QStringLiteral("pg_am")}},
        {SchemaKind::PrimaryKeys, {none, system}}, {SchemaKind::Indexes, {none, system, none, none, QStringLiteral("pg_am")}},
        {SchemaKind::Procedures, {none, system, QStringLiteral("lower")}},
        {SchemaKind::ProcedureParameters, {none, system, QStringLiteral("lower")}},
        {SchemaKind::ProviderTypes, {}},
    };
    for (const auto& [kind, restrictions] : kinds)
        EXPECT_GT(alone->openSchema(kind, restrictions).recordCount(), 0) << int(kind);
}

// The server's time-out is set inside a transaction; its end takes it back, and the next statement
// has it set again.
TEST_F(PostgresEngines, ATimeOutHoldsAfterTheTransactionThatSetItEnds) {
    ExecOptions oneSecond;
    oneSecond.timeoutSeconds = 1;
    for (const char* end : {"rollback", "commit", "ROLLBACK as a statement"}) {
        native->beginTransaction();
        native->execute(QStringLiteral("SELECT 1"), oneSecond);
        if (QByteArray(end) == "rollback")
            native->rollbackTransaction();
        else if (QByteArray(end) == "commit")
            native->commitTransaction();
        else
            native->execute(QStringLiteral("ROLLBACK"));
        const ExecResult shown = native->execute(QStringLiteral("SHOW statement_timeout"), oneSecond);
        ASSERT_TRUE(shown.rows) << end;
        EXPECT_EQ(shown.rows->text(0, 0), QStringLiteral("1s")) << end;
        EXPECT_EQ(native->execute(QStringLiteral("SHOW statement_timeout")).rows->text(0, 0), QStringLiteral("0")) << end;
    }
}

// In a transaction a failed statement takes back only itself: the transaction goes on, its catalog
// shows what it made, savepoints of the user's own keep working, and its end keeps the rest.
TEST_F(PostgresEngines, AFailedStatementInATransactionTakesBackOnlyItself) {
    const std::optional<QString> none;
    for (DbConnection* c : {native.get(), odbc.get()}) {
        const std::string engine = c == native.get() ? "native" : "ODBC";
        c->beginTransaction();
        c->execute(named("CREATE TABLE %T% (a int)"));
        c->execute(named("INSERT INTO %T% VALUES (1)"));
        EXPECT_THROW(c->execute(QStringLiteral("SELECT * FROM mv_no_such_table_here")), DbError) << engine;
        EXPECT_EQ(c->openSchema(SchemaKind::Tables, {none, none, t}).recordCount(), 1) << engine;
        EXPECT_EQ(c->openSchema(SchemaKind::Columns, {none, none, t}).recordCount(), 1) << engine;
        c->execute(QStringLiteral("SAVEPOINT mine"));
        c->execute(named("INSERT INTO %T% VALUES (2)"));
        c->execute(QStringLiteral("ROLLBACK TO SAVEPOINT mine"));
        EXPECT_THROW(c->execute(named("INSERT INTO %T% VALUES ('not a number')")), DbError) << engine;
        c->execute(named("INSERT INTO %T% VALUES (3)"));
        c->commitTransaction();
        // The next transaction, with several statements after a savepoint of the user's.
        c->beginTransaction();
        c->execute(named("INSERT INTO %T% VALUES (5)"));
        c->execute(QStringLiteral("SAVEPOINT mine"));
        c->execute(named("INSERT INTO %T% VALUES (6)"));
        c->execute(named("INSERT INTO %T% VALUES (7)"));
        c->execute(QStringLiteral("ROLLBACK TO SAVEPOINT mine"));
        c->execute(named("INSERT INTO %T% VALUES (8)"));
        c->execute(QStringLiteral("RELEASE SAVEPOINT mine"));
        c->commitTransaction();
        const ExecResult sum = c->execute(named("SELECT sum(a) FROM %T%"));
        ASSERT_TRUE(sum.rows) << engine;
        EXPECT_EQ(sum.rows->value(0, 0).toLongLong(), 17) << engine;
        c->execute(named("DROP TABLE %T%"));
    }
    // A catalog read that is stopped takes back only itself too, wherever the stop meets it.
    native->beginTransaction();
    native->execute(named("CREATE TABLE %T% (a int)"));
    for (const int delayMs : {0, 1, 2, 5, 10, 20}) {
        std::thread stopper([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            native->cancel();
        });
        try {
            native->openSchema(SchemaKind::Columns, {none, QStringLiteral("pg_catalog")});
        } catch (const DbError& e) {
            EXPECT_EQ(e.kind(), DbError::Kind::Cancelled) << e.what();
        }
        stopper.join();
        native->execute(named("INSERT INTO %T% VALUES (1)"));
    }
    native->commitTransaction();
    EXPECT_EQ(native->execute(named("SELECT count(*) FROM %T%")).rows->value(0, 0).toLongLong(), 6);
    native->execute(named("DROP TABLE %T%"));
    // Where a statement of the user's own leaves the transaction aborted all the same, the native
    // engine reads the catalog on a second session until the transaction ends.
    native->beginTransaction();
    EXPECT_THROW(native->execute(QStringLiteral("ROLLBACK TO SAVEPOINT mv_no_such_savepoint")), DbError);
    EXPECT_EQ(native->openSchema(SchemaKind::Columns, {none, QStringLiteral("pg_catalog"), QStringLiteral("pg_am")})
                  .recordCount(),
              4);
    EXPECT_THROW(native->execute(QStringLiteral("SELECT 1")), DbError);
    native->rollbackTransaction();
    EXPECT_TRUE(native->execute(QStringLiteral("SELECT 1")).rows.has_value());
}

// Tables of every kind the server has, in a second schema too, and the system ones.
TEST_F(PostgresEngines, TheTableListsAreTheSame) {
    const QString s = t + QStringLiteral("_s");
    native->execute(QStringLiteral("DROP SCHEMA IF EXISTS ") + s + QStringLiteral(" CASCADE"));
    native->execute(named("CREATE TABLE %T% (id integer, at date) PARTITION BY RANGE (at)"));
    native->execute(named("CREATE TABLE %T%_p2024 PARTITION OF %T% FOR VALUES FROM ('2024-01-01') TO ('2025-01-01')"));
    native->execute(named("CREATE VIEW %T%_v AS SELECT id FROM %T%"));
    native->execute(named("CREATE MATERIALIZED VIEW %T%_m AS SELECT 1 AS one"));
    native->execute(named("CREATE SEQUENCE %T%_seq"));
    native->execute(named("COMMENT ON TABLE %T% IS 'remarks stay empty'"));
    native->execute(QStringLiteral("CREATE SCHEMA ") + s);
    native->execute(QStringLiteral("CREATE TABLE ") + s + QStringLiteral(".\"Mixed Case\" (a int)"));
    const QStringList cleanup{QStringLiteral("DROP SCHEMA IF EXISTS ") + s + QStringLiteral(" CASCADE"),
                              named("DROP MATERIALIZED VIEW IF EXISTS %T%_m"), named("DROP SEQUENCE IF EXISTS %T%_seq"),
                              named("DROP VIEW IF EXISTS %T%_v")};
    const auto same = [&](const SchemaRestrictions& r, const std::string& what) {
        return sameRowset(SchemaKind::Tables, r, what);
    };
    const std::optional<QString> none;
    // Other tests change the user's schemas meanwhile: whole lists are compared where nothing changes.
    EXPECT_GT(same({none, QStringLiteral("pg_catalog")}, "every system table"), 50);
    expectRowsetCases(SchemaKind::Tables, {
        {{none, none, t}, "one table", 1},
        {{none, none, t.toUpper()}, "a name in capitals is asked for again in lower case", 1},
        {{none, QStringLiteral("PUBLIC"), t.toUpper()}, "so is the schema", 1},
        {{none, none, QStringLiteral("M") + t.mid(1)}, "a name in mixed case", 0},
        {{none, none, QStringLiteral("PG_CLASS")}, "a system table in capitals", 1},
        {{none, none, t + QStringLiteral("_%")}, "a pattern is no wildcard", 0},
        {{none, none, t + QStringLiteral("_v")}, "a view", 1},
        {{none, none, t + QStringLiteral("_m")}, "a materialized view", 1},
        {{none, none, t + QStringLiteral("_p2024")}, "a partition", 1},
        {{none, none, t + QStringLiteral("_seq")}, "a sequence is no table", 0},
        {{none, s}, "a schema", 1},
        {{none, s, QStringLiteral("Mixed Case")}, "a quoted name", 1},
        {{none, QStringLiteral("public"), t}, "table and schema", 1},
        {{none, QStringLiteral("pg_catalog"), QStringLiteral("pg_class")}, "a system table", 1},
        {{none, QStringLiteral("information_schema"), QStringLiteral("tables")}, "a system view", 1},
        {{none, QStringLiteral("pg_toast")}, "toast tables are left out", 0},
        {{QStringLiteral("no_such_database")}, "another database", 0},
        {{none, none, t, QStringLiteral("VIEW")}, "a table asked for as view", 0},
        {{none, none, t + QStringLiteral("_m"), QStringLiteral("VIEW")}, "materialized views are views", 1},
        {{none, none, QStringLiteral("pg_class"), QStringLiteral("TABLE")}, "system tables by user type", 0},
    });
    for (const char* type : {"TABLE", "VIEW", "SYSTEM TABLE", "SYSTEM VIEW", "MATVIEW", "table", "ALIAS"})
        for (const QString& schema : {s, QStringLiteral("pg_catalog")})
            same({none, schema, none, QString::fromLatin1(type)}, std::string("type ") + type);
    for (const QString& sql : cleanup)
        native->execute(sql);
}


// Keys in their own column order, over several tables, and none for views and keyless tables.
TEST_F(PostgresEngines, ThePrimaryKeysAreTheSame) {
    native->execute(named("CREATE TABLE %T% (a int, b int, c int, PRIMARY KEY (c, a))"));
    native->execute(named("CREATE TABLE %T%_nokey (a int UNIQUE)"));
    native->execute(named("CREATE VIEW %T%_v AS SELECT a, c FROM %T%"));
    native->execute(named("CREATE TABLE %T%_part (id int, at date, PRIMARY KEY (id, at)) PARTITION BY RANGE (at)"));
    native->execute(named("CREATE TABLE %T%_part1 PARTITION OF %T%_part FOR VALUES FROM ('2024-01-01') TO ('2025-01-01')"));
    const std::optional<QString> none;
    const auto same = [&](const SchemaRestrictions& r, const std::string& what) {
        return sameRowset(SchemaKind::PrimaryKeys, r, what);
    };
    expectRowsetCases(SchemaKind::PrimaryKeys, {
        {{none, none, t}, "a key of two columns", 2},
        {{none, QStringLiteral("public"), t}, "with its schema", 2},
        {{none, none, t.toUpper()}, "a name in capitals", 2},
        {{none, none, t + QStringLiteral("_nokey")}, "a table with a unique column only", 0},
        {{none, none, t + QStringLiteral("_v")}, "a view", 0},
        {{none, none, t + QStringLiteral("_part")}, "a partitioned table", 2},
        {{none, none, t + QStringLiteral("_part1")}, "a partition", 2},
        {{QStringLiteral("no_such_database"), none, t}, "another database", 0},
    });
    EXPECT_GT(same({none, QStringLiteral("pg_catalog")}, "the system tables' keys"), 0);
    for (const char* sql : {"DROP VIEW %T%_v", "DROP TABLE %T%_nokey", "DROP TABLE %T%_part"})
        native->execute(named(sql));
}

// Indexes of every kind: the key's, unique and descending, hashed, on an expression, partial, clustered.
TEST_F(PostgresEngines, TheIndexesAreTheSame) {
    native->execute(named("CREATE TABLE %T% (a int, b text, c int, PRIMARY KEY (c, a))"));
    native->execute(named("CREATE UNIQUE INDEX %T%_b ON %T% (b DESC)"));
    native->execute(named("CREATE INDEX %T%_h ON %T% USING hash (c)"));
    native->execute(named("CREATE INDEX %T%_e ON %T% (lower(b), a) WHERE a > 0"));
    native->execute(named("CREATE UNIQUE INDEX %T%_ca ON %T% (c, a)"));
    native->execute(named("CLUSTER %T% USING %T%_b"));
    const std::optional<QString> none;
    const auto same = [&](const SchemaRestrictions& r, const std::string& what) {
        return sameRowset(SchemaKind::Indexes, r, what);
    };
    expectRowsetCases(SchemaKind::Indexes, {
        {{none, none, none, none, t}, "every index of the table", 8},
        {{none, QStringLiteral("public"), none, none, t}, "with its schema", 8},
        {{none, none, t + QStringLiteral("_e"), none, t}, "one index", 2},
        {{none, none, none, QStringLiteral("1"), t}, "clustered", 1},
        {{none, none, none, QStringLiteral("2"), t}, "hashed", 1},
        {{none, none, none, QStringLiteral("4"), t}, "the others", 6},
        {{none, none, none, none, t.toUpper()}, "a table in capitals", 8},
        {{QStringLiteral("no_such_database"), none, none, none, t}, "another database", 0},
        {{none, QStringLiteral("pg_catalog"), none, none, QStringLiteral("pg_class")}, "a system table", 5},
    });
    // Other tests change the user's schemas meanwhile: the whole list is compared where nothing changes.
    EXPECT_GT(same({none, QStringLiteral("pg_catalog")}, "every index of the system tables"), 100);
}

// Functions, an overloaded one, names in capitals, and a procedure.
TEST_F(PostgresEngines, TheProceduresAreTheSame) {
    native->execute(named("CREATE TABLE %T% (a int)"));
    native->execute(named("CREATE FUNCTION %T%_f(a int) RETURNS int LANGUAGE sql AS 'SELECT a'"));
    native->execute(named("CREATE FUNCTION %T%_f(a int, b int) RETURNS int LANGUAGE sql AS 'SELECT a + b'"));
    native->execute(named("CREATE FUNCTION \"%T%_F\"() RETURNS int LANGUAGE sql AS 'SELECT 1'"));
    native->execute(named("CREATE PROCEDURE %T%_p(a int) LANGUAGE sql AS 'INSERT INTO %T% VALUES (1)'"));
    native->execute(named("COMMENT ON FUNCTION %T%_f(int) IS 'remarks stay empty'"));
    const std::optional<QString> none;
    const auto same = [&](const SchemaRestrictions& r, const std::string& what) {
        return sameRowset(SchemaKind::Procedures, r, what);
    };
    const QString f = t + QStringLiteral("_f");
    expectRowsetCases(SchemaKind::Procedures, {
        {{none, none, f}, "an overloaded function once", 1},
        {{none, none, t + QStringLiteral("_F")}, "a name in capitals", 1},
        {{none, none, t + QStringLiteral("_p")}, "a procedure", 1},
        {{none, none, t + QStringLiteral("_%")}, "a pattern is no wildcard", 0},
        {{none, none, f, QStringLiteral("3")}, "by type", 1},
        {{none, none, f, QStringLiteral("SYSTEM PROCEDURE")}, "not a system one", 0},
        {{none, QStringLiteral("pg_catalog"), QStringLiteral("lower"), QStringLiteral("SYSTEM PROCEDURE")}, "a system one", 1},
        {{QStringLiteral("morvenda"), none, f}, "the database as catalog", 0},
    });
    // Other tests change the user's schemas meanwhile: the whole list is compared where nothing changes.
    EXPECT_GT(same({none, QStringLiteral("pg_catalog")}, "every system procedure"), 1000);
    for (const char* sql : {"DROP FUNCTION %T%_f(int)", "DROP FUNCTION %T%_f(int, int)", "DROP FUNCTION \"%T%_F\"()",
                            "DROP PROCEDURE %T%_p(int)"})
        native->execute(named(sql));
}

class MariaDbEngines : public mvtest::EnginePair {
  protected:
    MariaDbEngines() : EnginePair("mariadb", "mv_engines_my") {}

    // Both engines run the statement; their results must not differ.
    void expectSame(const QString& sql, const ExecOptions& options = {}) {
        const ExecResult n = native->execute(sql, options);
        const ExecResult o = odbc->execute(sql, options);
        ASSERT_EQ(n.rows.has_value(), o.rows.has_value()) << sql.toStdString();
        if (n.rows) expectSameRows(*n.rows, *o.rows, sql.toStdString());
        EXPECT_EQ(n.recordsAffected, o.recordsAffected) << sql.toStdString();
    }
};

TEST_F(MariaDbEngines, TheConnectionsSayWhichEngineServesThem) {
    EXPECT_TRUE(native->info().managerVersion.startsWith(engineName(DbEngine::MariaDb)));
    EXPECT_FALSE(odbc->info().managerVersion.contains(QLatin1String("native")));
    for (auto field : {&DbInfo::dbmsName, &DbInfo::dbmsVersion, &DbInfo::databaseName, &DbInfo::serverName,
                       &DbInfo::userName, &DbInfo::identifierQuote})
        EXPECT_EQ(native->info().*field, odbc->info().*field);
    EXPECT_EQ(native->info().transactionDdl, odbc->info().transactionDdl);
    // The driver's list of reserved words is cut short (its last word too); what it has, the native
    // list has as well.
    const QStringList driverWords = odbc->info().keywords.mid(0, odbc->info().keywords.size() - 1);
    for (const QString& word : driverWords)
        EXPECT_TRUE(native->info().keywords.contains(word, Qt::CaseInsensitive)) << word.toStdString();
}

TEST_F(MariaDbEngines, EveryFetchedValueIsTheSame) {
    native->execute(named(
        "CREATE TABLE %T% (id INT NOT NULL AUTO_INCREMENT PRIMARY KEY, ti TINYINT, tu TINYINT UNSIGNED, "
        "si SMALLINT, su SMALLINT UNSIGNED, mi MEDIUMINT, mu MEDIUMINT UNSIGNED, i INT, iu INT UNSIGNED, "
        "b BIGINT, bu BIGINT UNSIGNED, d65 DECIMAL(65,30), d10 DECIMAL(10,2), du DECIMAL(5,0) UNSIGNED, "
        "f FLOAT, db DOUBLE, b1 BIT(1), b12 BIT(12), b64 BIT(64), bo BOOLEAN, dt DATE, dtt DATETIME(6), "
        "dt0 DATETIME, ts TIMESTAMP NULL, t3 TIME(3), t TIME, y YEAR, j JSON, e ENUM('red','green') NOT NULL "
        "DEFAULT 'red', st SET('a','b'), u UUID, v VARCHAR(300), vb_ VARCHAR(10) COLLATE utf8mb4_bin, "
        "lt LONGTEXT, tt TINYTEXT, c CHAR(3), vl VARCHAR(20) CHARACTER SET latin1, vbin VARBINARY(10), "
        "bin BINARY(4), lb LONGBLOB, bl BLOB, ip INET6, g POINT, tsn TIMESTAMP NOT NULL DEFAULT '2000-01-01 00:00:00')"));
    native->execute(named(
        "INSERT INTO %T% VALUES (NULL, -128, 255, -32768, 65535, -8388608, 16777215, -2147483648, "
        "4294967295, -9223372036854775808, 18446744073709551615, "
        "'12345678901234567890123456789012345.123456789012345678901234567890', -12345678.91, 99999, 0.15, "
        "-1.7976931348623157e308, b'1', b'101010101010', b'1111111111111111111111111111111111111111111111111111111111111111', "
        "TRUE, '2024-02-29', '2024-02-29 13:45:30.123456', '1000-01-01 00:00:00', '2038-01-19 03:14:07', "
        "'-00:00:00.5', '838:59:59', 2155, '{\"a\": [1, 2.50, null], \"b\": \"ü\"}', 'green', 'a,b', "
        "'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11', 'Grüße, Ærø – 日本語 ✓ 🎉👩‍👩‍👧', 'BinColl', 'a\nlong\ttext', 'tiny', "
        "'ab', 'Müller', x'00ff0041', x'01020304', x'000102', x'', '2001:db8::1', POINT(1, 2), '2001-02-03 04:05:06')"));
    native->execute(named("INSERT INTO %T% (id) VALUES (NULL)"));
    // Zero dates and days that do not exist, as a lenient server keeps them.
    native->execute(QStringLiteral("SET SESSION sql_mode = ''"));
    odbc->execute(QStringLiteral("SET SESSION sql_mode = ''"));
    native->execute(named("INSERT INTO %T% (dt, dtt, dt0, ts, t, y) VALUES ('0000-00-00', "
                                   "'2024-00-10 10:00:00.5', '2024-02-00 00:00:00', '0000-00-00 00:00:00', "
                                   "'-838:59:59', 0)"));
    const char* const queries[] = {
        "SELECT * FROM %T% ORDER BY id",
        "SELECT count(*), sum(i), avg(i), 'lit', NULL, 1.5, -0.0, max(v), i + 1, curdate() + 0, 1e1, "
        "CAST(1 AS UNSIGNED), CAST(-1 AS SIGNED), 'x' AS z, CONCAT(v, 1), HEX(lb), LENGTH(v), b64 + 0, "
        "TIMEDIFF('10:00', '11:30'), SEC_TO_TIME(3661.5), CAST('2024-01-01 10:00:00.123' AS DATETIME(3)), "
        "DATE_ADD(dt, INTERVAL 1 DAY), CAST(db AS CHAR), CAST(v AS BINARY), JSON_EXTRACT(j, '$.a') FROM %T%",
        "SELECT id FROM %T% WHERE 1 = 0",
        "SHOW TABLES LIKE 'order%'",
        "SHOW COLUMNS FROM %T%",
        "VALUES (1, 'a'), (2, 'b')",
        "SELECT * FROM customers ORDER BY 1",
        "SELECT * FROM orders ORDER BY 1",
    };
    for (const char* sql : queries)
        expectSame(named(sql));
    // Counts of changes (only rows that changed count, as on the driver's default); each engine
    // changes rows of its own mark.
    for (const char* sql : {"UPDATE %T% SET v = CONCAT(v, '%1') WHERE id < 3",
                            "UPDATE %T% SET v = v WHERE id < 3", "UPDATE %T% SET v = '%1' WHERE 1 = 0",
                            "INSERT INTO %T% (v) VALUES ('%1'), ('%1')", "DELETE FROM %T% WHERE v = '%1'"}) {
        const ExecResult n = native->execute(named(sql).arg(QLatin1String("n")));
        const ExecResult o = odbc->execute(named(sql).arg(QLatin1String("o")));
        EXPECT_EQ(n.recordsAffected, o.recordsAffected) << sql;
        EXPECT_FALSE(n.rows.has_value() || o.rows.has_value()) << sql;
    }
    // The driver refuses DO ("Syntax error or access violation"); the native engine runs it.
    EXPECT_FALSE(native->execute(QStringLiteral("DO 1 + 1")).rows.has_value());
}

TEST_F(MariaDbEngines, TheRowLimitCutsTheSameRows) {
    ExecOptions limited;
    limited.maxRecords = 7;
    // More rows than the limit: both stop at it and say so.
    const QString sql = QStringLiteral("SELECT * FROM orders ORDER BY order_id");
    const ExecResult n = native->execute(sql, limited);
    const ExecResult o = odbc->execute(sql, limited);
    ASSERT_TRUE(n.rows && o.rows);
    expectSameRows(*n.rows, *o.rows, "limited");
    EXPECT_EQ(n.rows->recordCount(), 7);
    EXPECT_TRUE(n.limitReached);
    EXPECT_EQ(n.limitReached, o.limitReached);
    // The limit holds for rows only: an UPDATE still changes every row it names.
    native->execute(named("CREATE TABLE %T% (n INT)"));
    native->execute(named("INSERT INTO %T% VALUES (1), (2), (3), (4), (5), (6), (7), (8), (9)"));
    ExecOptions three;
    three.maxRecords = 3;
    EXPECT_EQ(native->execute(named("UPDATE %T% SET n = n + 10"), three).recordsAffected, 9);
    // A statement of the engine's own after a limited one is not cut (the limit is per statement).
    EXPECT_EQ(native->execute(named("SELECT n FROM %T%")).rows->recordCount(), 9);
}

TEST_F(MariaDbEngines, TheCatalogRowsetsAreTheSame) {
    // A database of this test's own: listings of every table would otherwise see the tables other
    // tests make meanwhile. Its objects are dropped one by one (dropping a database stalls the
    // server for the other tests running at the same time).
    const QString database = mvtest::ownName(QStringLiteral("mv_catalog_"));
    native->execute(QStringLiteral("CREATE DATABASE IF NOT EXISTS ") + database + QStringLiteral(" CHARACTER SET utf8mb4"));
    const QStringList objects{QStringLiteral("VIEW IF EXISTS %1.%2_v").arg(database, t),
                              QStringLiteral("TABLE IF EXISTS %1.%2").arg(database, t),
                              QStringLiteral("TABLE IF EXISTS %1.nokey").arg(database),
                              QStringLiteral("TABLE IF EXISTS %1.`Order Details`").arg(database),
                              QStringLiteral("PROCEDURE IF EXISTS %1.list_keys").arg(database),
                              QStringLiteral("FUNCTION IF EXISTS %1.twice").arg(database)};
    struct Dropper {
        DbConnection* c;
        QStringList objects;
        void run() {
            for (const QString& o : objects)
                c->execute(QStringLiteral("DROP ") + o);
        }
        ~Dropper() { run(); }
    } dropper{native.get(), objects};
    dropper.run();
    const QString cs = withoutEngineKey(native->connectionString()).replace(QLatin1String("Database=morvenda"),
                                                                           QLatin1String("Database=") + database);
    std::unique_ptr<DbConnection> native = createDbConnection();
    native->open(cs);
    std::unique_ptr<DbConnection> odbc = createDbConnection();
    odbc->open(cs + QStringLiteral(";Engine=ODBC"));
    // Every kind of column the driver describes, a composite key in column order, unique, plain and
    // descending indexes, defaults, comments and a view.
    native->execute(named(
        "CREATE TABLE %T% (id INT NOT NULL, k VARCHAR(20) NOT NULL DEFAULT 'x', ti TINYINT, tu TINYINT UNSIGNED, "
        "si SMALLINT UNSIGNED, mi MEDIUMINT, b BIGINT, bu BIGINT UNSIGNED, d DECIMAL(8,3) DEFAULT 1.5, "
        "du DECIMAL(5,0) UNSIGNED, f FLOAT, db DOUBLE, b1 BIT(1), b12 BIT(12), b64 BIT(64), bo BOOLEAN, dt DATE, "
        "dtt DATETIME(3) DEFAULT CURRENT_TIMESTAMP(3), ts TIMESTAMP NULL, tm TIME, y YEAR, j JSON, "
        "e ENUM('red','green'), st SET('a','b'), u UUID, v VARCHAR(300) COMMENT 'a note', c CHAR(3), "
        "vl VARCHAR(20) CHARACTER SET latin1, vb VARBINARY(10), bn BINARY(4), tx TEXT, tt TINYTEXT, mt MEDIUMTEXT, "
        "lt LONGTEXT, bl BLOB, lb LONGBLOB, ip INET6, g POINT, n2 INT NOT NULL AUTO_INCREMENT, "
        "tsn TIMESTAMP NOT NULL DEFAULT '2000-01-01 00:00:00', dd DOUBLE(10,3) UNSIGNED, "
        "mode SET('NO_UNSIGNED_SUBTRACTION','b') DEFAULT '', zf INT(5) UNSIGNED ZEROFILL, "
        "PRIMARY KEY (id, k), UNIQUE KEY %T%_u (d), KEY %T%_k (dtt DESC, v(10)), KEY %T%_n (n2)) "
        "COMMENT 'the matrix'"));
    // Without a primary key the server takes a unique index of NOT NULL columns as the key (its
    // columns in table order: the driver numbers key columns so).
    native->execute(QStringLiteral("CREATE TABLE nokey (a INT NOT NULL, b INT NOT NULL, c INT, UNIQUE KEY ab (a, b))"));
    native->execute(named("CREATE VIEW %T%_v AS SELECT id, v FROM %T%"));
    native->execute(QStringLiteral("CREATE TABLE `Order Details` (a INT PRIMARY KEY, b INT, KEY b_k (b))"));
    native->execute(QStringLiteral("INSERT INTO `Order Details` VALUES (1, 1), (2, 1), (3, 2)"));
    native->execute(QStringLiteral("ANALYZE TABLE `Order Details`"));
    for (SchemaKind kind : {SchemaKind::Tables, SchemaKind::Columns})
        expectSameRows(native->openSchema(kind), odbc->openSchema(kind), "every row of " + std::to_string(int(kind)));
    // The indexes of this database only: the system tables' cardinalities move while others work.
    const SchemaRestrictions here{database};
    expectSameRows(native->openSchema(SchemaKind::Indexes, here), odbc->openSchema(SchemaKind::Indexes, here),
                   "every index here");
    expectSameKeys(native->openSchema(SchemaKind::PrimaryKeys), odbc->openSchema(SchemaKind::PrimaryKeys),
                   "every key");
    const SchemaRestrictions byTable{std::nullopt, std::nullopt, t};
    const SchemaRestrictions byView{std::nullopt, std::nullopt, t + QStringLiteral("_v")};
    const SchemaRestrictions indexesOf{std::nullopt, std::nullopt, std::nullopt, std::nullopt, t};
    expectSameRows(native->openSchema(SchemaKind::Columns, byTable), odbc->openSchema(SchemaKind::Columns, byTable),
                   "columns");
    expectSameRows(native->openSchema(SchemaKind::Columns, byView), odbc->openSchema(SchemaKind::Columns, byView),
                   "columns of the view");
    expectSameKeys(native->openSchema(SchemaKind::PrimaryKeys, byTable),
                   odbc->openSchema(SchemaKind::PrimaryKeys, byTable), "key");
    expectSameRows(native->openSchema(SchemaKind::Indexes, indexesOf), odbc->openSchema(SchemaKind::Indexes, indexesOf),
                   "indexes");
    // As the explorer asks: by table (letter case aside), by type, and names that do not exist.
    for (const char* name : {"Order Details", "order details", "no_such_table"}) {
        const QString n = QString::fromUtf8(name);
        const SchemaRestrictions one{std::nullopt, std::nullopt, n};
        const SchemaRestrictions indexOne{std::nullopt, std::nullopt, std::nullopt, std::nullopt, n};
        expectSameRows(native->openSchema(SchemaKind::Tables, one), odbc->openSchema(SchemaKind::Tables, one),
                       std::string("table ") + name);
        expectSameRows(native->openSchema(SchemaKind::Columns, one), odbc->openSchema(SchemaKind::Columns, one),
                       std::string("columns of ") + name);
        expectSameKeys(native->openSchema(SchemaKind::PrimaryKeys, one), odbc->openSchema(SchemaKind::PrimaryKeys, one),
                       std::string("key of ") + name);
        expectSameRows(native->openSchema(SchemaKind::Indexes, indexOne),
                       odbc->openSchema(SchemaKind::Indexes, indexOne), std::string("indexes of ") + name);
    }
    for (const char* type : {"TABLE", "VIEW", "SYSTEM VIEW", "view"}) {
        const SchemaRestrictions byType{std::nullopt, std::nullopt, std::nullopt, QString::fromLatin1(type)};
        expectSameRows(native->openSchema(SchemaKind::Tables, byType), odbc->openSchema(SchemaKind::Tables, byType),
                       std::string("tables of type ") + type);
    }
    // Another database named as catalog or as schema; one column of a system table.
    for (const SchemaRestrictions& r : {SchemaRestrictions{QStringLiteral("mysql")},
                                        SchemaRestrictions{std::nullopt, QStringLiteral("information_schema")}})
        expectSameRows(native->openSchema(SchemaKind::Tables, r), odbc->openSchema(SchemaKind::Tables, r),
                       "tables of another database");
    const SchemaRestrictions systemColumn{QStringLiteral("mysql"), std::nullopt, QStringLiteral("db"),
                                          QStringLiteral("Host")};
    expectSameRows(native->openSchema(SchemaKind::Columns, systemColumn),
                   odbc->openSchema(SchemaKind::Columns, systemColumn), "a column of a system table");
    // Routines of the database and of the system databases, by kind and by name.
    native->execute(QStringLiteral("CREATE PROCEDURE list_keys(IN n INT) COMMENT 'lists keys' SELECT n"));
    native->execute(QStringLiteral("CREATE FUNCTION twice(n INT) RETURNS INT DETERMINISTIC RETURN n * 2"));
    for (const SchemaRestrictions& r :
         {SchemaRestrictions{}, SchemaRestrictions{std::nullopt, std::nullopt, QStringLiteral("TWICE")},
          SchemaRestrictions{std::nullopt, std::nullopt, std::nullopt, QStringLiteral("2")},
          SchemaRestrictions{std::nullopt, std::nullopt, std::nullopt, QStringLiteral("3")},
          SchemaRestrictions{std::nullopt, std::nullopt, std::nullopt, QStringLiteral("SYSTEM PROCEDURE")},
          SchemaRestrictions{QStringLiteral("sys")}})
        expectSameRows(native->openSchema(SchemaKind::Procedures, r), odbc->openSchema(SchemaKind::Procedures, r),
                       "procedures");
    for (SchemaKind kind : {SchemaKind::ProcedureParameters, SchemaKind::ProviderTypes})
        expectSameRows(native->openSchema(kind), odbc->openSchema(kind), "rowset " + std::to_string(int(kind)));
    for (const SchemaRestrictions& r : {SchemaRestrictions{std::nullopt, std::nullopt, QStringLiteral("twice")},
                                        SchemaRestrictions{std::nullopt, std::nullopt, QStringLiteral("list_keys"),
                                                           QStringLiteral("n")},
                                        SchemaRestrictions{QStringLiteral("sys"), std::nullopt, std::nullopt, QString()}})
        expectSameRows(native->openSchema(SchemaKind::ProcedureParameters, r),
                       odbc->openSchema(SchemaKind::ProcedureParameters, r), "parameters");
    for (const SchemaRestrictions& r : {SchemaRestrictions{QStringLiteral("131")}, SchemaRestrictions{QStringLiteral("202"), QStringLiteral("true")},
                                        SchemaRestrictions{std::nullopt, QStringLiteral("false")}})
        expectSameRows(native->openSchema(SchemaKind::ProviderTypes, r), odbc->openSchema(SchemaKind::ProviderTypes, r),
                       "provider types by ADO type and best match");
}

} // namespace
