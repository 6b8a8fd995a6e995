// Values that drivers describe wrongly still arrive as the database holds them: SQLite integers
// beyond 32 bits and Access Single columns, each checked against the database's own tool.
#include "db/ado_types.h"
#include "db/db_access.h"
#include "support/native_client.h"
#include "support/temp_folder.h"
#include "support/test_databases.h"

#include <gtest/gtest.h>

namespace {

TEST(OdbcValues, SqliteIntegersAreSixtyFourBitWhateverTheDriverDeclares) {
    mvtest::TempFolder folder;
    const mvtest::TestDatabase db = mvtest::testDatabase("sqlite", folder);
    MVTEST_REQUIRE(db);
    auto conn = mv::createDbConnection();
    conn->open(db.connectionString);
    conn->execute(QStringLiteral("CREATE TABLE tracks (id INTEGER PRIMARY KEY, bytes INTEGER, small SMALLINT)"));
    conn->execute(QStringLiteral(
        "INSERT INTO tracks VALUES (1, 5000000000, 40000), (2, 9223372036854775807, -1), "
        "(3, -9223372036854775808, 0), (4, 112386255350, NULL), (5, 2147483648, 2147483647)"));
    const QStringList queries{
        QStringLiteral("SELECT id, bytes, small FROM tracks ORDER BY id"),
        QStringLiteral("SELECT SUM(bytes) FROM tracks WHERE id IN (1, 4)"),
        QStringLiteral("SELECT bytes * 2, bytes + 1 FROM tracks WHERE id = 1"),
        QStringLiteral("SELECT max(bytes), min(bytes), count(*) FROM tracks"),
    };
    for (const QString& sql : queries) {
        SCOPED_TRACE(sql.toStdString());
        const mv::ExecResult r = conn->execute(sql);
        ASSERT_TRUE(r.rows.has_value());
        const mvtest::NativeResult native = mvtest::nativeQuery(db.connectionString, sql);
        ASSERT_TRUE(native.ok()) << native.error.toStdString();
        ASSERT_EQ(r.rows->recordCount(), native.rows.size());
        for (int row = 0; row < r.rows->recordCount(); ++row) {
            for (int col = 0; col < r.rows->fieldCount(); ++col) {
                const mvtest::NativeValue expected = native.rows[row].value(col);
                EXPECT_EQ(r.rows->isNull(row, col), !expected.has_value());
                if (!expected) continue;
                EXPECT_EQ(r.rows->text(row, col), *expected) << "row " << row << " column " << col;
                EXPECT_EQ(r.rows->value(row, col).toLongLong(), expected->toLongLong());
                EXPECT_EQ(r.rows->field(col).type, mv::ado::adBigInt);
            }
        }
    }
}

TEST(OdbcValues, AccessSingleColumnsReadAsTheirFloatValues) {
    QString why;
    const QString file = mvtest::fixtureFile(QStringLiteral("nwind.mdb"), &why);
    if (file.isEmpty()) GTEST_SKIP() << why.toStdString();
    const mvtest::NativeResult native = mvtest::mdbExport(file, QStringLiteral("Order Details"));
    if (!native.ok()) GTEST_SKIP() << native.error.toStdString();
    auto conn = mv::createDbConnection();
    conn->open(QStringLiteral("Driver=MDBTools;DBQ=%1").arg(file));
    const mv::ExecResult r =
        conn->execute(QStringLiteral("SELECT OrderID, ProductID, UnitPrice, Quantity, Discount FROM [Order Details]"));
    ASSERT_TRUE(r.rows.has_value());
    const mv::Recordset& rs = *r.rows;
    ASSERT_EQ(rs.recordCount(), native.rows.size());
    EXPECT_EQ(rs.field(4).type, mv::ado::adSingle);
    int fifteen = 0;
    for (int row = 0; row < rs.recordCount(); ++row) {
        // mdb-export prints nine digits ("0.15000001"); as a float it is the same value.
        const float expected = native.rows[row].value(4).value_or(QString()).toFloat();
        ASSERT_EQ(rs.value(row, 4).toFloat(), expected) << "row " << row;
        EXPECT_EQ(rs.value(row, 0).toLongLong(), native.rows[row].value(0)->toLongLong());
        if (expected == 0.15f) {
            ++fifteen;
            EXPECT_EQ(rs.text(row, 4), QStringLiteral("0.15"));
        }
    }
    EXPECT_GT(fifteen, 100);
    // Only numbers of fixed size: the driver cannot fill row arrays, so rows still come one by one.
    const mv::ExecResult ids = conn->execute(QStringLiteral("SELECT OrderID, Discount FROM [Order Details]"));
    ASSERT_TRUE(ids.rows.has_value());
    ASSERT_EQ(ids.rows->recordCount(), native.rows.size());
    EXPECT_EQ(ids.rows->text(ids.rows->recordCount() - 1, 0), native.rows.last().value(0).value_or("?"));
}

} // namespace
