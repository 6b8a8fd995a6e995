// The native engines against ODBC on the same database: every schema rowset and every fetched
// value must be the same, so switching engines changes nothing the program shows.
#include "db/ado_types.h"
#include "db/db_engines.h"
#include "support/test_databases.h"

#include <QDateTime>
#include <gtest/gtest.h>

using namespace mv;

namespace {

QString describe(const Recordset& rs, int row, int col) {
    const QVariant v = rs.value(row, col);
    return v.isValid() ? QStringLiteral("%1 (%2)").arg(v.toString(), QString::fromLatin1(v.typeName()))
                       : QStringLiteral("<null>");
}

// The SQLite ODBC driver reads reals through a text of 15 digits (1009.1400000000001 arrives as
// 1009.14); the native engine keeps the value SQLite stores. Equal to those 15 digits is the same.
bool sameReal(const Recordset& native, const Recordset& odbc, int r, int c) {
    if (native.column(c).kind() != StorageKind::Real || native.isNull(r, c) || odbc.isNull(r, c)) return false;
    const double a = native.value(r, c).toDouble(), b = odbc.value(r, c).toDouble();
    return QString::number(a, 'g', 15) == QString::number(b, 'g', 15);
}

// Fields and every cell; the first difference is reported with its place.
void expectSameRows(const Recordset& native, const Recordset& odbc, const std::string& what) {
    ASSERT_EQ(native.fieldCount(), odbc.fieldCount()) << what;
    for (int c = 0; c < native.fieldCount(); ++c) {
        const FieldInfo& n = native.field(c);
        const FieldInfo& o = odbc.field(c);
        EXPECT_EQ(n.name, o.name) << what;
        EXPECT_EQ(n.type, o.type) << what << " field " << n.name.toStdString();
        EXPECT_EQ(n.definedSize, o.definedSize) << what << " field " << n.name.toStdString();
        EXPECT_EQ(n.nullable, o.nullable) << what << " field " << n.name.toStdString();
        EXPECT_EQ(n.precision, o.precision) << what << " field " << n.name.toStdString();
        EXPECT_EQ(n.scale, o.scale) << what << " field " << n.name.toStdString();
    }
    ASSERT_EQ(native.recordCount(), odbc.recordCount()) << what;
    for (int r = 0; r < native.recordCount(); ++r)
        for (int c = 0; c < native.fieldCount(); ++c)
            if (native.value(r, c) != odbc.value(r, c) && !sameReal(native, odbc, r, c)) {
                ADD_FAILURE() << what << " row " << r << " field " << native.field(c).name.toStdString()
                              << ": native " << describe(native, r, c).toStdString() << ", ODBC "
                              << describe(odbc, r, c).toStdString();
                return;
            }
}

class SqliteEngines : public ::testing::Test {
  protected:
    void SetUp() override {
        m_db = mvtest::testDatabase("sqlite", m_folder);
        MVTEST_REQUIRE(m_db);
        const QString cs = withoutEngineKey(m_db.connectionString);
        native = createDbConnection();
        native->open(cs);
        odbc = createDbConnection();
        odbc->open(cs + QStringLiteral(";Engine=ODBC"));
    }

    std::unique_ptr<DbConnection> native;
    std::unique_ptr<DbConnection> odbc;

  private:
    mvtest::TempFolder m_folder;
    mvtest::TestDatabase m_db;
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

class PostgresEngines : public ::testing::Test {
  protected:
    void SetUp() override {
        m_db = mvtest::testDatabase("postgresql", m_folder);
        MVTEST_REQUIRE(m_db);
        const QString cs = withoutEngineKey(m_db.connectionString);
        native = createDbConnection();
        native->open(cs);
        odbc = createDbConnection();
        odbc->open(cs + QStringLiteral(";Engine=ODBC"));
        native->execute(QStringLiteral("DROP TABLE IF EXISTS mv_engines_pg"));
    }
    void TearDown() override {
        if (native) native->execute(QStringLiteral("DROP TABLE IF EXISTS mv_engines_pg"));
    }

    std::unique_ptr<DbConnection> native;
    std::unique_ptr<DbConnection> odbc;

  private:
    mvtest::TempFolder m_folder;
    mvtest::TestDatabase m_db;
};

TEST_F(PostgresEngines, EveryFetchedValueIsTheSame) {
    EXPECT_TRUE(native->info().managerVersion.startsWith(engineName(DbEngine::Postgres)));
    EXPECT_EQ(native->info().dbmsName, odbc->info().dbmsName);
    EXPECT_EQ(native->info().dbmsVersion, odbc->info().dbmsVersion);
    native->execute(QStringLiteral(
        "CREATE TABLE mv_engines_pg (i2 smallint, i4 integer NOT NULL, i8 bigint, n numeric(10,2), nn numeric, "
        "f4 real, f8 double precision, b boolean, v varchar(50), vv varchar, t text, c char(3), d date, "
        "tm time, ts timestamp, ts3 timestamp(3), tz timestamptz, by bytea, u uuid, j json, iv interval, "
        "ar int[], x xml, m money, s serial)"));
    native->execute(QString::fromUtf8(
        "INSERT INTO mv_engines_pg (i2, i4, i8, n, nn, f4, f8, b, v, vv, t, c, d, tm, ts, ts3, tz, by, u, j, iv, "
        "ar, x, m) VALUES (-32768, 2147483647, 9007199254740993, 12345678.91, "
        "1.123456789012345678901234567890, 1.5, 0.1, true, 'Grüße, 日本語 ✓', 'b', 'a\nlong\ttext', 'x', "
        "'2024-02-29', '13:45:30.5', '2024-02-29 13:45:30.125', '1999-12-31 23:59:59.5', "
        "'2024-02-29 13:45:30.125+02', '\\x00ff10', 'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11', '{\"a\": 1}', "
        "'1 day 02:00:00', '{1,2}', '<a/>', 12.34)"));
    native->execute(QStringLiteral("INSERT INTO mv_engines_pg (i4) VALUES (0)"));
    const char* const queries[] = {
        "SELECT * FROM mv_engines_pg ORDER BY s",
        "SELECT count(*), sum(i4), max(v), 'lit'::varchar(10), NULL::text, 1.5::numeric(4,1) FROM mv_engines_pg",
        "SELECT i4 FROM mv_engines_pg WHERE false",
        "SELECT n FROM generate_series(1, 3000) n",
    };
    for (const char* sql : queries) {
        const ExecResult n = native->execute(QString::fromUtf8(sql));
        const ExecResult o = odbc->execute(QString::fromUtf8(sql));
        ASSERT_TRUE(n.rows.has_value() && o.rows.has_value()) << sql;
        expectSameRows(*n.rows, *o.rows, sql);
    }
    const char* const changes[] = {"UPDATE mv_engines_pg SET t = 'x' WHERE i8 IS NOT NULL",
                                   "UPDATE mv_engines_pg SET t = 'y' WHERE false", "DELETE FROM mv_engines_pg WHERE false"};
    for (const char* sql : changes) {
        const ExecResult n = native->execute(QString::fromUtf8(sql));
        const ExecResult o = odbc->execute(QString::fromUtf8(sql));
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

TEST_F(PostgresEngines, TheCatalogRowsetsAreTheSame) {
    native->execute(QStringLiteral("CREATE TABLE mv_engines_pg (id integer PRIMARY KEY, v varchar(20) NOT NULL)"));
    const SchemaRestrictions byTable{std::nullopt, std::nullopt, QStringLiteral("mv_engines_pg")};
    for (SchemaKind kind : {SchemaKind::Columns, SchemaKind::PrimaryKeys})
        expectSameRows(native->openSchema(kind, byTable), odbc->openSchema(kind, byTable),
                       "rowset " + std::to_string(int(kind)));
    expectSameRows(native->openSchema(SchemaKind::ProviderTypes), odbc->openSchema(SchemaKind::ProviderTypes),
                   "provider types");
}

} // namespace
