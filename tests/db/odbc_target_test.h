#pragma once
// A test fixture run once per test database: an open connection and table names of its own.
#include "db/db_access.h"
#include "db/db_engines.h"
#include "support/temp_folder.h"
#include "support/test_databases.h"

#include <QCoreApplication>
#include <QStringList>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>

namespace mvtest {

class OdbcTarget : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        m_db = testDatabase(GetParam(), m_folder);
        MVTEST_REQUIRE(m_db);
        conn = mv::createDbConnection();
        conn->open(m_db.connectionString);
    }

    void TearDown() override {
        if (!conn) return;
        if (conn->inTransaction()) conn->rollbackTransaction();
        for (auto it = m_objects.crbegin(); it != m_objects.crend(); ++it) {
            try {
                conn->execute(*it);
            } catch (const mv::DbError&) {
                // the test may have dropped it already
            }
        }
        conn->disconnect();
    }

    bool is(const char* name) const { return GetParam() == name; }
    // The connection is served by a database's own client library rather than ODBC.
    bool nativeEngine() const { return mv::engineFor(m_db.connectionString) != mv::DbEngine::Odbc; }
    const QString& connectionString() const { return m_db.connectionString; }

    // A table name unique to this process and test; dropped after the test.
    QString table(const char* stem) {
        const QString name =
            QStringLiteral("mvo%1_%2_%3").arg(QCoreApplication::applicationPid()).arg(++s_counter).arg(stem);
        m_objects << QStringLiteral("DROP TABLE %1").arg(name);
        return name;
    }
    // Registers a statement that removes an object made by the test.
    void dropLater(const QString& statement) { m_objects << statement; }

    mv::ExecResult exec(const QString& sql, const mv::ExecOptions& options = {}) {
        return conn->execute(sql, options);
    }
    qint64 count(const QString& sql) { return exec(sql).recordsAffected; }
    mv::Recordset rows(const QString& sql, const mv::ExecOptions& options = {}) {
        mv::ExecResult r = exec(sql, options);
        EXPECT_TRUE(r.rows.has_value()) << sql.toStdString();
        return r.rows.value_or(mv::Recordset());
    }
    QVariant scalar(const QString& sql) {
        mv::Recordset rs = rows(sql);
        return rs.recordCount() > 0 ? rs.value(0, 0) : QVariant();
    }

    // The numbers 1..count as column n (and `extra` as a second column), without recursion, which
    // MariaDB limits to 1000 steps.
    static QString numbers(int count, const char* extra = nullptr) {
        const QString digits = QStringLiteral(
            "(SELECT 0 AS d UNION ALL SELECT 1 UNION ALL SELECT 2 UNION ALL SELECT 3 UNION ALL SELECT 4 "
            "UNION ALL "
            "SELECT 5 UNION ALL SELECT 6 UNION ALL SELECT 7 UNION ALL SELECT 8 UNION ALL SELECT 9)");
        const QString n = QStringLiteral("(a.d + 10 * b.d + 100 * c.d + 1000 * e.d + 10000 * f.d + 1)");
        const QString inner =
            QStringLiteral("SELECT %1 AS n FROM %2 a, %2 b, %2 c, %2 e, %2 f WHERE %1 <= %3")
                .arg(n, digits)
                .arg(count);
        return QStringLiteral("SELECT n%1 FROM (%2) s ORDER BY n")
            .arg(extra ? QStringLiteral(", %1 AS label").arg(QString::fromLatin1(extra)) : QString(), inner);
    }

    // A statement that runs for about ten seconds, unless stopped.
    QString longStatement() const {
        if (GetParam() == "postgresql") return QStringLiteral("SELECT pg_sleep(10)");
        if (GetParam() == "mariadb") return QStringLiteral("SELECT SLEEP(10)");
        return QStringLiteral(
            "WITH RECURSIVE c(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM c WHERE n < 300000000) "
            "SELECT count(*) FROM c");
    }

    std::unique_ptr<mv::DbConnection> conn;

  private:
    TempFolder m_folder;
    TestDatabase m_db;
    QStringList m_objects;
    static inline std::atomic<int> s_counter{0};
};

#define MV_ODBC_TARGETS(Suite)                                                                               \
    INSTANTIATE_TEST_SUITE_P(Targets, Suite, ::testing::ValuesIn(::mvtest::testDatabaseNames()),             \
                             ::mvtest::DatabaseNamePrinter())

} // namespace mvtest
