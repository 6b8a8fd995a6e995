// The completion catalog is read in the background: the window never waits for it, not even for
// a connect to a server that does not answer.
#include "db/completion_catalog.h"
#include "db/db_connect.h"
#include "support/test_databases.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace mv;

namespace {

// A port that takes connections and never says a word: a client's connect waits there until its
// own time-out.
class SilentServer {
public:
    SilentServer() {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof a;
        if (m_fd >= 0 && ::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(m_fd, 16) == 0 &&
            ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &size) == 0)
            m_port = ntohs(a.sin_port);
    }
    ~SilentServer() {
        if (m_fd >= 0) ::close(m_fd);
    }
    int port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
};

TEST(CatalogLoaderWaits, NeverForAConnectToAServerThatDoesNotAnswer) {
    SilentServer silent;
    ASSERT_NE(silent.port(), 0);
    const QString cs = QString("Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=%1;Database=x;Uid=u;Pwd=p;"
                               "ConnectTimeout=20")
                           .arg(silent.port());
    QElapsedTimer took;
    {
        CatalogLoader loader;
        QSignalSpy failed(&loader, &CatalogLoader::failed);
        loader.load(cs, KindPostgreSql);
        QTest::qWait(200);
        ASSERT_TRUE(loader.loading());
        took.start();
        loader.clear();
        EXPECT_LT(took.elapsed(), 100) << "clearing waited for the connect";
        EXPECT_FALSE(loader.loading());
        // A new load while the old one still hangs; the loader goes while it runs.
        loader.load(cs, KindPostgreSql);
        QTest::qWait(100);
        EXPECT_TRUE(loader.loading());
        EXPECT_TRUE(failed.isEmpty());
        took.restart();
    }
    EXPECT_LT(took.elapsed(), 100) << "the loader's end waited for the connect";
}

class CatalogLoaderOn : public ::testing::TestWithParam<std::string> {};

TEST_P(CatalogLoaderOn, ReadsTheDemoTablesAndTheirColumns) {
    mvtest::TempFolder folder;
    const mvtest::TestDatabase db = mvtest::testDatabase(GetParam(), folder);
    MVTEST_REQUIRE(db);
    const int kind = GetParam() == "postgresql" ? KindPostgreSql : GetParam() == "mariadb" ? KindMySql : KindOther;
    CatalogLoader loader;
    QSignalSpy loaded(&loader, &CatalogLoader::loaded);
    QSignalSpy failed(&loader, &CatalogLoader::failed);
    loader.load(db.connectionString, kind);
    for (int i = 0; i < 300 && loaded.isEmpty() && failed.isEmpty(); ++i)
        QTest::qWait(50);
    ASSERT_EQ(loaded.size(), 1) << (failed.isEmpty() ? "no answer" : failed[0][0].toString().toStdString());
    EXPECT_FALSE(loader.loading());
    ASSERT_TRUE(loader.catalog());
    const CatalogTable* customers = loader.catalog()->find({}, "customers");
    ASSERT_NE(customers, nullptr);
    EXPECT_FALSE(customers->view);
    ASSERT_GE(customers->columns.size(), 2);
    EXPECT_EQ(customers->columns.mid(0, 2), (QStringList{"customer_id", "company_name"}))
        << customers->columns.join(',').toStdString();
    // A load replaced by clear() is not heard afterwards.
    loader.load(db.connectionString, kind);
    loader.clear();
    QTest::qWait(1500);
    EXPECT_EQ(loaded.size(), 1);
    EXPECT_FALSE(loader.catalog());
}

INSTANTIATE_TEST_SUITE_P(Targets, CatalogLoaderOn, ::testing::ValuesIn(mvtest::testDatabaseNames()),
                         mvtest::DatabaseNamePrinter());

} // namespace
