// Opening connections: failures with the driver's records, the facts of the data source, and the
// pool that keeps closed connections for a moment.
#include "db/odbc/odbc_pool.h"
#include "db/odbc_target_test.h"

#include <QRegularExpression>
#include <thread>

using mv::DbError;

namespace {

class OdbcConnect : public mvtest::OdbcTarget {};

QString withKey(QString cs, const QString& key, const QString& value) {
    const QRegularExpression re(QStringLiteral("(^|;)%1=[^;]*").arg(key),
                                QRegularExpression::CaseInsensitiveOption);
    return cs.replace(re, QStringLiteral("\\1%1=%2").arg(key, value));
}

void expectConnectFailure(const QString& cs) {
    SCOPED_TRACE(cs.toStdString());
    auto c = mv::createDbConnection();
    try {
        c->open(cs);
        FAIL() << "connected";
    } catch (const DbError& e) {
        ASSERT_FALSE(e.diagnostics().empty());
        EXPECT_FALSE(e.diagnostics().front().message.isEmpty());
        EXPECT_FALSE(e.description().isEmpty());
    }
    EXPECT_FALSE(c->isOpen());
    EXPECT_THROW(c->execute(QStringLiteral("SELECT 1")), DbError);
}

TEST_P(OdbcConnect, FailuresCarryTheDriverRecords) {
    expectConnectFailure(QStringLiteral("Driver={No Such Driver Anywhere};Database=x"));
    if (is("sqlite")) {
        expectConnectFailure(QStringLiteral("Driver=SQLite3;Database=/nonexistent/dir/x.db"));
        return;
    }
    // The test PostgreSQL trusts local users, so a database that does not exist stands in there.
    if (is("mariadb"))
        expectConnectFailure(
            withKey(connectionString(), QStringLiteral("Pwd"), QStringLiteral("wrong-password")));
    else
        expectConnectFailure(
            withKey(connectionString(), QStringLiteral("Database"), QStringLiteral("no_such_db")));
    expectConnectFailure(withKey(connectionString(), QStringLiteral("Port"), QStringLiteral("1")));
}

TEST_P(OdbcConnect, InfoAndPropertiesDescribeTheSource) {
    const mv::DbInfo& info = conn->info();
    const QString expected = is("sqlite")       ? QStringLiteral("SQLite")
                             : is("postgresql") ? QStringLiteral("PostgreSQL")
                                                : QStringLiteral("MariaDB");
    EXPECT_EQ(info.dbmsName, expected);
    EXPECT_FALSE(info.dbmsVersion.isEmpty());
    EXPECT_FALSE(info.driverName.isEmpty());
    EXPECT_EQ(info.identifierQuote, is("mariadb") ? QStringLiteral("`") : QStringLiteral("\""));
    // SQL_TXN_CAPABLE: SQLite and PostgreSQL all (8); MariaDB commits on DDL (2).
    EXPECT_EQ(info.transactionDdl, is("mariadb") ? 2 : 8);

    const QList<mv::DbProperty> props = conn->properties();
    bool sawDbms = false, sawDdl = false;
    for (const auto& [name, value] : props) {
        if (name == QLatin1String("DBMS Name")) sawDbms = value == expected;
        if (name == QLatin1String("Transaction DDL")) sawDdl = value == QString::number(info.transactionDdl);
        EXPECT_FALSE(value.contains(QLatin1String("Pwd=morvenda"), Qt::CaseInsensitive))
            << name.toStdString();
    }
    EXPECT_TRUE(sawDbms);
    EXPECT_TRUE(sawDdl);
}

TEST_P(OdbcConnect, ClosedConnectionsWaitInThePoolButNotWithATransaction) {
    mv::odbc::ConnectionPool& pool = mv::odbc::ConnectionPool::instance();
    mv::closePooledConnections();
    conn->close();
    EXPECT_FALSE(conn->isOpen());
    // A native SQLite connection opens in microseconds and is closed for real.
    EXPECT_EQ(pool.idleCount(), nativeEngine() ? 0u : 1u);
    conn->open(connectionString()); // takes it back
    EXPECT_EQ(pool.idleCount(), 0u);
    EXPECT_EQ(scalar(QStringLiteral("SELECT 1")).toInt(), 1);

    conn->beginTransaction();
    conn->close(); // rolled back and closed for real
    EXPECT_EQ(pool.idleCount(), 0u);
    EXPECT_FALSE(conn->inTransaction());
    conn->open(connectionString());
    EXPECT_EQ(scalar(QStringLiteral("SELECT 2")).toInt(), 2);
}

TEST(OdbcPool, IdleConnectionsCloseAfterTheirTimeAndTheKeyMatters) {
    mvtest::TempFolder folder;
    const QString cs = QStringLiteral("Driver=SQLite3;Database=%1").arg(folder.file(QStringLiteral("p.db")));
    mv::odbc::ConnectionPool pool(std::chrono::milliseconds(150), 4);
    pool.give(cs, mv::odbc::openSession(cs));
    EXPECT_EQ(pool.take(cs + QStringLiteral(";")), nullptr); // another string is another key
    ASSERT_EQ(pool.idleCount(), 1u);
    for (int i = 0; i < 100 && pool.idleCount() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(pool.idleCount(), 0u);
    EXPECT_EQ(pool.take(cs), nullptr);
}

TEST(OdbcPool, ManyThreadsShareThePoolSafely) {
    mvtest::TempFolder folder;
    const QString cs = QStringLiteral("Driver=SQLite3;Database=%1").arg(folder.file(QStringLiteral("q.db")));
    mv::odbc::ConnectionPool pool(std::chrono::seconds(10), 3);
    std::vector<std::thread> threads;
    std::atomic<int> reused{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 25; ++i) {
                std::unique_ptr<mv::odbc::Session> s = pool.take(cs);
                if (s)
                    ++reused;
                else
                    s = mv::odbc::openSession(cs);
                pool.give(cs, std::move(s));
            }
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_LE(pool.idleCount(), 3u); // the capacity holds
    EXPECT_GT(reused.load(), 50);
    pool.clear();
    EXPECT_EQ(pool.idleCount(), 0u);
}

MV_ODBC_TARGETS(OdbcConnect);

} // namespace
