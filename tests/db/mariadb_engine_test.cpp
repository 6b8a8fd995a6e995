// The native MariaDB engine beyond what every engine shares: the connection keys it takes, kills
// that reach a session between statements, the session settings a pooled connection carries, and
// lost connections.
#include "db/mariadb/mariadb_connect.h"
#include "db/odbc_target_test.h"

#include <chrono>
#include <future>
#include <thread>

using mv::DbError;
using mv::ExecOptions;

namespace {

TEST(MariaDbAddress, TheDriversKeysNameTheSameServer) {
    struct Case {
        const char* cs;
        const char* host;
        unsigned int port;
        const char* database;
        const char* user;
        const char* password;
    };
    const Case cases[] = {
        {"Driver={MariaDB Unicode};Server=db.example;Port=3307;Database=sales;Uid=ann;Pwd=secret", "db.example", 3307,
         "sales", "ann", "secret"},
        {"DRIVER=MariaDB;SERVER= h ;DB=d;USER=u;PASSWORD={a;b}", "h", 0, "d", "u", "a;b"},
        {"Driver=MySQL ODBC 8.0 Unicode Driver;Host=h;UserName=u;Pwd= blank ", "h", 0, "", "u", " blank "},
        {"Driver={MariaDB Unicode}", "", 0, "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cs);
        const auto a = mv::mariadb::serverAddress(QString::fromUtf8(c.cs));
        ASSERT_TRUE(a.has_value());
        EXPECT_EQ(a->host, QByteArray(c.host));
        EXPECT_EQ(a->port, c.port);
        EXPECT_EQ(a->database, QByteArray(c.database));
        EXPECT_EQ(a->user, QByteArray(c.user));
        EXPECT_EQ(a->password, QByteArray(c.password));
        EXPECT_EQ(a->connectTimeout, 15u);
        EXPECT_FALSE(a->sslEnforce);
    }
    EXPECT_FALSE(mv::mariadb::serverAddress(QStringLiteral("Server=a;Server=b")).has_value());
}

TEST(MariaDbAddress, SslAndOptionKeysAreMapped) {
    const auto a = mv::mariadb::serverAddress(QStringLiteral(
        "Driver={MariaDB Unicode};Server=h;SSLCA=/ca.pem;SSLCERT=/c.pem;SSLKEY=/k.pem;SSLVERIFY=1;TLSVERSION=6;"
        "Option=67108866;Conn_Timeout=3;Socket=/run/my.sock;InitStmt=SET NAMES utf8mb4"));
    ASSERT_TRUE(a.has_value());
    EXPECT_EQ(a->sslCa, QByteArray("/ca.pem"));
    EXPECT_EQ(a->sslCert, QByteArray("/c.pem"));
    EXPECT_EQ(a->sslKey, QByteArray("/k.pem"));
    EXPECT_TRUE(a->sslVerify);
    EXPECT_TRUE(a->sslEnforce);
    EXPECT_EQ(a->tlsVersion, QByteArray("TLSv1.2,TLSv1.3"));
    EXPECT_TRUE(a->foundRows);
    EXPECT_TRUE(a->multiStatements);
    EXPECT_EQ(a->connectTimeout, 3u);
    EXPECT_EQ(a->socket, QByteArray("/run/my.sock"));
    EXPECT_EQ(a->initStatement, QByteArray("SET NAMES utf8mb4"));
    // The MySQL driver's SSLMODE.
    for (const char* mode : {"REQUIRED", "verify_ca", "VERIFY_IDENTITY"}) {
        const auto m = mv::mariadb::serverAddress(QStringLiteral("Driver=MySQL;SSLMODE=") + QLatin1String(mode));
        EXPECT_TRUE(m->sslEnforce) << mode;
        EXPECT_EQ(m->sslVerify, QByteArray(mode) == "VERIFY_IDENTITY") << mode;
    }
}

class MariaDbNative : public mvtest::OdbcTarget {
  protected:
    void SetUp() override {
        OdbcTarget::SetUp();
        if (!conn) return;
        if (!nativeEngine()) GTEST_SKIP() << "the native engine's own behaviour";
        admin = mv::createDbConnection();
        admin->open(connectionString());
    }
    void TearDown() override {
        if (admin) admin->disconnect();
        OdbcTarget::TearDown();
    }
    qint64 sessionId(mv::DbConnection& c) { return c.execute(QStringLiteral("SELECT CONNECTION_ID()")).rows->value(0, 0).toLongLong(); }

    std::unique_ptr<mv::DbConnection> admin;
};

TEST_P(MariaDbNative, AKillBetweenStatementsChangesNothing) {
    // A stop that reaches the server after the statement ended must not hit the next one.
    admin->execute(QStringLiteral("KILL QUERY %1").arg(sessionId(*conn)));
    EXPECT_EQ(scalar(QStringLiteral("SELECT 1 + 1")).toInt(), 2);
    const QString t = table("idlekill");
    exec(QStringLiteral("CREATE TABLE %1 (n INT)").arg(t));
    admin->execute(QStringLiteral("KILL QUERY %1").arg(sessionId(*conn)));
    EXPECT_EQ(count(QStringLiteral("INSERT INTO %1 VALUES (1), (2)").arg(t)), 2);
}

TEST_P(MariaDbNative, AStoppedChangeLeavesNoRowAndTheSessionGoesOn) {
    const QString t = table("stopped");
    exec(QStringLiteral("CREATE TABLE %1 (n INT) ENGINE=InnoDB").arg(t));
    auto worker = std::async(std::launch::async, [&]() -> std::optional<DbError> {
        try {
            conn->execute(QStringLiteral("INSERT INTO %1 SELECT SLEEP(5)").arg(t));
            return std::nullopt;
        } catch (const DbError& e) {
            return e;
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    conn->cancel();
    const std::optional<DbError> error = worker.get();
    ASSERT_TRUE(error.has_value()) << "the INSERT was not stopped";
    EXPECT_EQ(error->kind(), DbError::Kind::Cancelled);
    EXPECT_EQ(error->description(), mv::cancelledByUserText());
    EXPECT_EQ(admin->execute(QStringLiteral("SELECT count(*) FROM %1").arg(t)).rows->value(0, 0).toInt(), 0);
    EXPECT_EQ(count(QStringLiteral("INSERT INTO %1 VALUES (7)").arg(t)), 1);
}

TEST_P(MariaDbNative, APooledSessionKeepsNoLimitOrTimeOutOfItsLastStatement) {
    const QString t = table("pooled");
    exec(QStringLiteral("CREATE TABLE %1 (n INT)").arg(t));
    exec(QStringLiteral("INSERT INTO %1 VALUES (1), (2), (3), (4), (5)").arg(t));
    const qint64 before = sessionId(*conn);
    ExecOptions limited;
    limited.maxRecords = 2;
    limited.timeoutSeconds = 1;
    const mv::ExecResult cut = exec(QStringLiteral("SELECT n FROM %1 ORDER BY n").arg(t), limited);
    EXPECT_EQ(cut.rows->recordCount(), 2);
    EXPECT_TRUE(cut.limitReached);
    conn->close();
    conn->open(connectionString());
    EXPECT_EQ(sessionId(*conn), before) << "the idle session was not taken up again";
    const mv::ExecResult all = exec(QStringLiteral("SELECT n FROM %1 ORDER BY n").arg(t));
    EXPECT_EQ(all.rows->recordCount(), 5);
    EXPECT_FALSE(all.limitReached);
    // Exactly as many rows as the limit: nothing was cut.
    limited.maxRecords = 5;
    EXPECT_FALSE(exec(QStringLiteral("SELECT n FROM %1").arg(t), limited).limitReached);
    EXPECT_EQ(scalar(QStringLiteral("SELECT SLEEP(1.5)")).toInt(), 0) << "the time-out of the last run followed";
}

TEST_P(MariaDbNative, ALostSessionIsReportedAndNeverPooled) {
    const qint64 id = sessionId(*conn);
    conn->beginTransaction();
    admin->execute(QStringLiteral("KILL CONNECTION %1").arg(id));
    try {
        exec(QStringLiteral("SELECT 1"));
        FAIL() << "a killed session answered";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.connectionBroken());
        EXPECT_EQ(e.kind(), DbError::Kind::Failed);
    }
    EXPECT_TRUE(conn->inTransaction()) << "the transaction must end by the caller, never silently";
    conn->close();
    conn->open(connectionString());
    EXPECT_NE(sessionId(*conn), id);
    EXPECT_FALSE(conn->inTransaction());
}

TEST_P(MariaDbNative, OnlyTheFirstResultOfAProcedureCountsAndALaterErrorFails) {
    const QString p = mvtest::ownName(QStringLiteral("mvp_proc"));
    exec(QStringLiteral("DROP PROCEDURE IF EXISTS %1").arg(p));
    dropLater(QStringLiteral("DROP PROCEDURE IF EXISTS %1").arg(p));
    exec(QStringLiteral("CREATE PROCEDURE %1(IN fail INT) BEGIN SELECT 1 AS a UNION ALL SELECT 2; SELECT 'second'; "
                        "IF fail THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'late failure'; END IF; END")
             .arg(p));
    const mv::ExecResult r = exec(QStringLiteral("CALL %1(0)").arg(p));
    ASSERT_TRUE(r.rows.has_value());
    EXPECT_EQ(r.rows->recordCount(), 2);
    EXPECT_EQ(r.rows->field(0).name, QStringLiteral("a"));
    try {
        exec(QStringLiteral("CALL %1(1)").arg(p));
        FAIL() << "the failure after the first result was lost";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.description().contains(QLatin1String("late failure")));
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT 3")).toInt(), 3);
    // Two statements in one call need the driver's option, as through ODBC.
    EXPECT_THROW(exec(QStringLiteral("SELECT 1; SELECT 2")), DbError);
    auto multi = mv::createDbConnection();
    multi->open(connectionString() + QStringLiteral(";Option=67108864"));
    EXPECT_EQ(multi->execute(QStringLiteral("SELECT 4; SELECT 5")).rows->value(0, 0).toInt(), 4);
    multi->disconnect();
}

TEST_P(MariaDbNative, KeysKeepTheirOwnColumnOrder) {
    // The driver numbers key columns in table order; the key's own order is what a WHERE on the key
    // and the explorer's key display need.
    const QString t = table("keyorder");
    exec(QStringLiteral("CREATE TABLE %1 (a INT NOT NULL, b INT NOT NULL, c INT NOT NULL, d INT, PRIMARY KEY (c, a), "
                        "UNIQUE KEY bd (b, c))")
             .arg(t));
    const mv::Recordset key = conn->openSchema(mv::SchemaKind::PrimaryKeys, {std::nullopt, std::nullopt, t});
    ASSERT_EQ(key.recordCount(), 2);
    EXPECT_EQ(key.text(0, 3), QStringLiteral("c"));
    EXPECT_EQ(key.value(0, 4).toInt(), 1);
    EXPECT_EQ(key.text(1, 3), QStringLiteral("a"));
    EXPECT_EQ(key.value(1, 4).toInt(), 2);
    // Without a primary key, the first unique index of NOT NULL columns is the key, in its order.
    const QString u = table("uniquekey");
    exec(QStringLiteral("CREATE TABLE %1 (a INT NOT NULL, b INT NOT NULL, c INT, UNIQUE KEY ba (b, a), UNIQUE KEY c (c))")
             .arg(u));
    const mv::Recordset unique = conn->openSchema(mv::SchemaKind::PrimaryKeys, {std::nullopt, std::nullopt, u});
    ASSERT_EQ(unique.recordCount(), 2);
    EXPECT_EQ(unique.text(0, 3), QStringLiteral("b"));
    EXPECT_EQ(unique.text(1, 3), QStringLiteral("a"));
    const mv::Recordset indexes =
        conn->openSchema(mv::SchemaKind::Indexes, {std::nullopt, std::nullopt, std::nullopt, std::nullopt, u});
    for (int r = 0; r < indexes.recordCount(); ++r)
        EXPECT_EQ(indexes.value(r, 6).toBool(), indexes.text(r, 5) == QLatin1String("ba")) << indexes.text(r, 5).toStdString();
}

INSTANTIATE_TEST_SUITE_P(Targets, MariaDbNative, ::testing::Values(std::string("mariadb")),
                         mvtest::DatabaseNamePrinter());

} // namespace
