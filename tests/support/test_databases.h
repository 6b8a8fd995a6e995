#pragma once
// The databases a test can run against: a fresh SQLite copy of the demo database, and the PostgreSQL
// and MariaDB test servers that test.sh starts (found through MV_TEST_PG / MV_TEST_MY).
#include "support/temp_folder.h"

#include <QString>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace mvtest {

struct TestDatabase {
    QString name;             // "sqlite" | "postgresql" | "mariadb"
    QString connectionString; // ODBC connection string
    QString skipReason;       // empty when usable
    bool usable() const { return skipReason.isEmpty() && !connectionString.isEmpty(); }
};

// The target names in a fixed order, for parameterised suites.
const std::vector<std::string>& testDatabaseNames();

// One target. "sqlite" builds a fresh demo database in `folder`; the servers come from the environment.
TestDatabase testDatabase(std::string_view name, const TempFolder& folder);

// Every target, in the order of testDatabaseNames().
std::vector<TestDatabase> testDatabases(const TempFolder& folder);

// Builds a fresh copy of the demo database in `folder` and returns its path; empty when that failed
// (the reason is then in *error when given).
QString demoSqlitePath(const TempFolder& folder, QString* error = nullptr);

// The SQL file the SQLite demo database is built from (MV_TEST_SQLITE_SQL or the one in examples/).
QString demoSqliteSql();

// A file of the shared test fixtures (two Jet databases): MV_TEST_FIXTURES or ../shared/fixtures beside
// the source folder. Empty when it is not there; `why` then says where it was looked for.
QString fixtureFile(const QString& name, QString* why = nullptr);

// A name of this test process's own, `stem` and the process number: the tests run under both
// engine prefixes at once, and a table of a fixed name would be dropped by the other run.
QString ownName(const QString& stem);

// The statement with every %T% replaced by `table`.
QString withTable(const char* text, const QString& table);

// A statement that runs until it is stopped, per target. On MariaDB it works rather than sleeps:
// with other sessions sleeping at the same time, a KILL that met a SLEEP() just entering its wait
// itself took 2 s to return (the server's wake-up of the waiting session), and a killed SLEEP() or
// BENCHMARK() ends without an error.
QString endlessQuery(const std::string& target);

// True when the tests run under CI (CI=true): a missing database is then a failure, not a skip.
bool underCI();

// Test names read ".../sqlite", ".../postgresql", ".../mariadb":
// INSTANTIATE_TEST_SUITE_P(Targets, MySuite, ::testing::ValuesIn(mvtest::testDatabaseNames()),
//                          mvtest::DatabaseNamePrinter());
struct DatabaseNamePrinter {
    static std::string nameOf(const std::string& name) { return name; }
    static std::string nameOf(const char* name) { return name; }
    static std::string nameOf(const QString& name) { return name.toStdString(); }
    static std::string nameOf(const TestDatabase& db) { return db.name.toStdString(); }
    template <class Param>
    std::string operator()(const ::testing::TestParamInfo<Param>& info) const {
        return nameOf(info.param);
    }
};

void PrintTo(const TestDatabase& db, std::ostream* os);

} // namespace mvtest

// Skips the test with the reason when `db` cannot be used, or fails it under CI.
// Use in a test body or a void helper.
#define MVTEST_REQUIRE(db)                                                                          \
    do {                                                                                            \
        const ::mvtest::TestDatabase& mvtestRequired_ = (db);                                       \
        if (!mvtestRequired_.usable()) {                                                            \
            if (::mvtest::underCI())                                                                \
                FAIL() << mvtestRequired_.name.toStdString() << ": "                                \
                       << mvtestRequired_.skipReason.toStdString();                                 \
            else                                                                                    \
                GTEST_SKIP() << mvtestRequired_.name.toStdString() << ": "                          \
                             << mvtestRequired_.skipReason.toStdString();                           \
        }                                                                                           \
    } while (false)
