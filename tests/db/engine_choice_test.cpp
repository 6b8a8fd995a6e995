// Which engine serves a connection string, and the key that forces ODBC.
#include "db/db_engines.h"

#include <gtest/gtest.h>

using namespace mv;

namespace {

TEST(EngineChoice, SqlitePostgresqlAndMariaDbGoNativeUnlessOdbcIsAskedFor) {
    struct Case {
        const char* cs;
        DbEngine engine;
    };
    const Case cases[] = {
        {"Driver=SQLite3;Database=/d/x.db", DbEngine::Sqlite},
        {"DRIVER={SQLite3};Database={/d/a;b.sqlite}", DbEngine::Sqlite},
        {"Driver=SQLite3 ODBC Driver;Database=/d/x.db", DbEngine::Sqlite},
        {"Driver=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so;Database=/d/x.db", DbEngine::Sqlite},
        {"Driver=SQLite3;Database=/d/x.db;Engine=ODBC", DbEngine::Odbc},
        {"engine = odbc ;Driver=SQLite3;Database=/d/x.db", DbEngine::Odbc},
        // SQLite 2 files need the old driver.
        {"Driver=SQLite;Database=/d/x.db", DbEngine::Odbc},
        {"DSN=sales;Uid=a", DbEngine::Odbc},
        {"Driver={PostgreSQL Unicode};Server=h;Database=d", DbEngine::Postgres},
        {"Driver=PostgreSQL ANSI;Server=h;Database=d", DbEngine::Postgres},
        {"Driver={PostgreSQL Unicode};Server=h;Engine=ODBC", DbEngine::Odbc},
        {"Driver={MariaDB Unicode};Server=h;Database=d", DbEngine::MariaDb},
        {"Driver=MariaDB ODBC 3.1 Driver;Server=h", DbEngine::MariaDb},
        {"Driver=/usr/lib/x86_64-linux-gnu/odbc/libmaodbc.so;Server=h", DbEngine::MariaDb},
        {"Driver={MySQL ODBC 8.0 Unicode Driver};Server=h", DbEngine::MariaDb},
        {"Driver={MariaDB Unicode};Server=h;Engine=ODBC", DbEngine::Odbc},
        {"Driver=MDBTools;DBQ=/d/x.mdb", DbEngine::Odbc},
        {"Driver=SQLite3;Database=/d/x.db;Engine=ODBC;Engine=Native", DbEngine::Odbc}, // no valid key list
        {"", DbEngine::Odbc},
    };
    for (const Case& c : cases)
        EXPECT_EQ(engineFor(QString::fromUtf8(c.cs)), c.engine) << c.cs;
}

TEST(EngineChoice, TheSettingSendsEverythingThroughOdbc) {
    setNativeEnginesEnabled(false);
    EXPECT_EQ(engineFor(QStringLiteral("Driver=SQLite3;Database=/d/x.db")), DbEngine::Odbc);
    setNativeEnginesEnabled(true);
    EXPECT_EQ(engineFor(QStringLiteral("Driver=SQLite3;Database=/d/x.db")), DbEngine::Sqlite);
}

TEST(EngineChoice, TheEngineKeyIsTakenOutWhereverItStands) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"Driver=SQLite3;Database=/d/x.db;Engine=ODBC", "Driver=SQLite3;Database=/d/x.db;"},
        {"Engine=ODBC;Driver=SQLite3;Database=/d/x.db", "Driver=SQLite3;Database=/d/x.db"},
        {"Driver=SQLite3; engine = odbc ;Database={/d/a;Engine=b.db}", "Driver=SQLite3;Database={/d/a;Engine=b.db}"},
        {"Driver=SQLite3;Database=/d/x.db", "Driver=SQLite3;Database=/d/x.db"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(withoutEngineKey(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

} // namespace
