// The driver manager's lists, and the strings this program builds opening real databases.
#include "db/connection_string.h"
#include "db/data_link_file.h"
#include "db/data_link_settings.h"
#include "db/odbc/odbc_sources.h"
#include "support/temp_folder.h"
#include "support/test_databases.h"

#include <QFileInfo>
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

using namespace mv;

namespace {

#define SKIP_OR_FAIL(reason)                                                                                 \
    do {                                                                                                     \
        if (mvtest::underCI()) FAIL() << (reason);                                                           \
        GTEST_SKIP() << (reason);                                                                            \
    } while (0)

// Connects with SQLDriverConnect; empty on success, else the first diagnostic.
QString tryConnect(const QString& odbc) {
    SQLHENV env = SQL_NULL_HENV;
    SQLHDBC dbc = SQL_NULL_HDBC;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    QByteArray in = odbc.toUtf8();
    const SQLRETURN rc = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(in.data()), SQL_NTS,
                                          nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT);
    QString error;
    if (SQL_SUCCEEDED(rc)) {
        SQLDisconnect(dbc);
    } else {
        SQLCHAR state[6] = {}, message[512] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLGetDiagRec(SQL_HANDLE_DBC, dbc, 1, state, &native, message, sizeof message, &length);
        error = QStringLiteral("failed %1: %2")
                    .arg(QString::fromUtf8(reinterpret_cast<char*>(state)),
                         QString::fromUtf8(reinterpret_cast<char*>(message)));
    }
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    return error;
}

const odbc::DriverEntry* findDriver(const QList<odbc::DriverEntry>& drivers, const QString& name) {
    for (const odbc::DriverEntry& d : drivers)
        if (d.name == name) return &d;
    return nullptr;
}

TEST(OdbcSources, AttributeListParsing) {
    const char list[] = "Description=SQLite3 ODBC Driver\0Driver=libsqlite3odbc.so\0FileUsage = 1\0\0stale=x";
    const QMap<QString, QString> a = odbc::parseDriverAttributes(list, sizeof list);
    EXPECT_EQ(a.size(), 3);
    EXPECT_EQ(a.value("Driver"), "libsqlite3odbc.so");
    EXPECT_EQ(a.value("FileUsage"), "1");
}

TEST(OdbcSources, ListsTheInstalledDriversWithTheirAttributes) {
    const QList<odbc::DriverEntry> drivers = odbc::listDrivers();
    const odbc::DriverEntry* sqlite = findDriver(drivers, "SQLite3");
    if (!sqlite) SKIP_OR_FAIL("the SQLite3 ODBC driver is not installed");
    EXPECT_EQ(sqlite->attributes.value("Driver"), "libsqlite3odbc.so");
    EXPECT_TRUE(sqlite->usesFile());
    if (const odbc::DriverEntry* pg = findDriver(drivers, "PostgreSQL Unicode")) {
        EXPECT_FALSE(pg->usesFile());
    }
    if (const odbc::DriverEntry* mdb = findDriver(drivers, "MDBTools")) {
        EXPECT_TRUE(mdb->usesFile());
    }
    EXPECT_TRUE(odbc::installedDriverNames().contains("SQLite3"));
}

TEST(OdbcSources, SqliteShortcutOpensTheFile) {
    if (!odbc::installedDriverNames().contains("SQLite3"))
        SKIP_OR_FAIL("the SQLite3 ODBC driver is not installed");
    mvtest::TempFolder dir;
    const QString file = dir.file("new base.sqlite");
    const OdbcTranslation t = toOdbc(shortcutConnectionString(file));
    ASSERT_TRUE(t.ok()) << t.error.toStdString();
    EXPECT_EQ(t.provider, "MSDASQL.1");
    EXPECT_EQ(tryConnect(t.odbc), "");
    EXPECT_TRUE(QFileInfo::exists(file));
}

TEST(OdbcSources, JetShortcutOpensAnAccessFileThroughMdbTools) {
    const QString file = mvtest::fixtureFile(QStringLiteral("nwind.mdb"));
    if (file.isEmpty()) SKIP_OR_FAIL("the fixture nwind.mdb is not there");
    if (!odbc::installedDriverNames().contains("MDBTools"))
        SKIP_OR_FAIL("the MDBTools ODBC driver is not installed");
    const OdbcTranslation t = toOdbc(shortcutConnectionString(file), "Admin", "");
    ASSERT_TRUE(t.ok()) << t.error.toStdString();
    EXPECT_EQ(t.provider, "Microsoft.Jet.OLEDB.4.0");
    EXPECT_TRUE(t.readOnly);
    EXPECT_EQ(tryConnect(t.odbc), "");
}

class DialogStringsOpen : public ::testing::TestWithParam<std::string> {};

// Each target's string read into the dialog's fields, saved in a data link file, read back and
// translated, opens the database.
TEST_P(DialogStringsOpen, ThroughFieldsFileAndTranslation) {
    mvtest::TempFolder dir;
    const mvtest::TestDatabase db = mvtest::testDatabase(GetParam(), dir);
    MVTEST_REQUIRE(db);
    writeDataLinkFile(dir.file("s.udl"), connectionStringOf(dataLinkSettingsFrom(db.connectionString), true));
    const OdbcTranslation t = toOdbc(readDataLinkFile(dir.file("s.udl")));
    ASSERT_TRUE(t.ok()) << t.error.toStdString();
    EXPECT_EQ(t.provider, "MSDASQL.1");
    EXPECT_EQ(tryConnect(t.odbc), "");
}

INSTANTIATE_TEST_SUITE_P(Targets, DialogStringsOpen, ::testing::ValuesIn(mvtest::testDatabaseNames()),
                         mvtest::DatabaseNamePrinter());

} // namespace
