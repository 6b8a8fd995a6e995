#include "app/settings.h"
#include "app/texts.h"
#include "db/connecting.h"
#include "db/connection_ui_widget.h"
#include "db/data_link_file.h"
#include "db/db_connect.h"
#include "session/session_log.h"
#include "support/scripted_user_port.h"
#include "support/test_databases.h"

#include <QMainWindow>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace mv;

namespace {

// The PostgreSQL test server's ODBC string without its user and password.
QString withoutCredentials(QString odbc) {
    odbc.remove(QRegularExpression("(Uid|Pwd)=[^;]*;?", QRegularExpression::CaseInsensitiveOption));
    if (odbc.endsWith(';')) odbc.chop(1);
    return odbc;
}

class ConnectingTest : public ::testing::Test {
protected:
    ConnectingTest() {
        settings.standardUDLPath = folder.path();
        hooks.setAsyncSwitch = [this](bool c, bool e) { calls << QString("async %1 %2").arg(c).arg(e); };
        hooks.setConnectionCaption = [this](const QString& t) { caption = t; };
        hooks.cleanUpExplorer = [this] { calls << "cleanup"; };
        hooks.readTables = [this] { calls << "readTables"; };
        hooks.refreshRecentMenu = [this] { calls << "menu"; };
        hooks.showLoginDialog = [this](const QString& cs, const QString& user) {
            loginShownWith << cs;
            loginUsers << user;
        };
        session.StartSession(false);
    }
    QString writeUdl(const QString& name, const QString& cs) {
        const QString path = folder.file(name);
        writeDataLinkFile(path, cs);
        return path;
    }

    mvtest::TempFolder folder;
    mvtest::ScriptedUserPort port;
    SessionLog session;
    Settings settings;
    C_DbConnect cn{session};
    ConnectingHooks hooks;
    QStringList calls;
    QString caption;
    QStringList loginShownWith;
    QStringList loginUsers;
};

TEST_F(ConnectingTest, CancelledOpenDialogDoesNothing) {
    Connecting c(cn, session, settings, hooks);
    c.OpenDataLinkFile(false);
    ASSERT_EQ(port.fileRequests.size(), 1);
    EXPECT_EQ(port.fileRequests[0].title, "Open Data Link File");
    EXPECT_TRUE(port.fileRequests[0].filter.startsWith("Data Link File (*.udl) | *.udl|Access Database (*.mdb) | *.mdb|"));
    EXPECT_EQ(port.fileRequests[0].initialDir, folder.path());
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_TRUE(port.messages.isEmpty());
    EXPECT_FALSE(port.waitCursor);
}

TEST_F(ConnectingTest, SqliteFileConnectsAtOnceAndUpdatesEverything) {
    const QString db = mvtest::demoSqlitePath(folder);
    ASSERT_FALSE(db.isEmpty());
    Connecting c(cn, session, settings, hooks);
    port.files.push_back(db);
    c.OpenDataLinkFile(false);
    ASSERT_TRUE(cn.hasConnection()) << port.lastText().toStdString();
    EXPECT_EQ(c.CurrentDataLinkFile(), db);
    EXPECT_EQ(caption, "Admin@" + db);
    EXPECT_TRUE(session.SessionText().endsWith("// asyncronous execution:\tenabled\r\n\r\n"));
    EXPECT_EQ(calls, (QStringList{"cleanup", "async 1 1", "cleanup", "menu", "readTables"}));
    EXPECT_EQ(c.recentConnections().entries(), QStringList{db});
    EXPECT_TRUE(loginShownWith.isEmpty());
    EXPECT_FALSE(port.waitCursor);
    // The same file again keeps the list as it is.
    calls.clear();
    c.OpenDataLinkFile(true, db);
    EXPECT_FALSE(calls.contains("menu"));
    EXPECT_EQ(c.recentConnections().size(), 1);
}

TEST_F(ConnectingTest, DataLinkFileWithUserAndPasswordConnectsAtOnce) {
    const auto pg = mvtest::testDatabase("postgresql", folder);
    MVTEST_REQUIRE(pg);
    const QString odbc = withoutCredentials(pg.connectionString) + ';';
    const QString udl = writeUdl("pg.udl", "Provider=MSDASQL.1;Password=morvenda;User ID=morvenda;Extended Properties=\"" +
                                               odbc + "\"");
    Connecting c(cn, session, settings, hooks);
    c.OpenDataLinkFile(true, udl);
    EXPECT_TRUE(cn.hasConnection()) << port.lastText().toStdString();
    EXPECT_EQ(cn.mvDatabase(), 5);
    EXPECT_EQ(caption, "morvenda@morvenda");
    EXPECT_TRUE(loginShownWith.isEmpty());
    EXPECT_FALSE(session.SessionText().contains("Password=morvenda"));
}

TEST_F(ConnectingTest, OdbcCredentialsInsideExtendedPropertiesStillAskForTheLogin) {
    const QString cs = "Provider=MSDASQL.1;Extended Properties=\"Driver=SQLite3;Database=/x.db\"";
    const QString udl = writeUdl("odbc.udl", cs);
    Connecting c(cn, session, settings, hooks);
    c.OpenDataLinkFile(true, udl);
    EXPECT_EQ(loginShownWith, QStringList{cs});
}

TEST_F(ConnectingTest, ServerProviderWithoutCredentialsAsksInTheLoginDialog) {
    const QString cs = "Provider=SQLOLEDB.1;Data Source=dbhost;Initial Catalog=sales";
    const QString udl = writeUdl("mssql.udl", cs);
    Connecting c(cn, session, settings, hooks);
    c.OpenDataLinkFile(true, udl);
    EXPECT_FALSE(cn.hasConnection());
    EXPECT_EQ(loginShownWith, QStringList{cs});
    EXPECT_FALSE(port.waitCursor);
}

TEST_F(ConnectingTest, CommandLineUserAndPasswordCompleteAServerString) {
    const QString cs = "Provider=SQLOLEDB.1;Data Source=127.0.0.1,1;Initial Catalog=sales";
    const QString udl = writeUdl("mssql.udl", cs);
    Connecting c(cn, session, settings, hooks);
    c.OpenDataLinkFile(true, udl, "sa", "secret");
    // Both were given, so no dialog: the connect is tried (and fails: no server there).
    EXPECT_TRUE(loginShownWith.isEmpty());
    EXPECT_FALSE(cn.hasConnection());
    EXPECT_FALSE(session.SessionText().contains("secret"));
    EXPECT_TRUE(c.recentConnections().entries().isEmpty());
    EXPECT_FALSE(calls.contains("readTables"));
}

TEST_F(ConnectingTest, PlainServerStringWithoutPasswordAsksWithItsUser) {
    const QString cs = "Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=1;Database=sales;UID=clerk";
    Connecting c(cn, session, settings, hooks);
    c.OpenDataLinkFile(true, writeUdl("pg.udl", cs));
    EXPECT_FALSE(cn.hasConnection());
    EXPECT_EQ(loginShownWith, QStringList{cs});
    EXPECT_EQ(loginUsers, QStringList{"clerk"});
    EXPECT_FALSE(port.waitCursor);
}

TEST_F(ConnectingTest, PlainServerStringFromTheMenuIgnoresTheArgumentsAndAsks) {
    const QString cs = "Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=1;Database=sales";
    Connecting c(cn, session, settings, hooks);
    port.files.push_back(writeUdl("pg.udl", cs));
    c.OpenDataLinkFile(false, {}, "clerk", "secret");
    EXPECT_EQ(loginShownWith, QStringList{cs});
    EXPECT_EQ(loginUsers, QStringList{""});
}

// A plain ODBC string as "New Database Connection" writes it, against the PostgreSQL server.
class ConnectingPlainOdbcTest : public ConnectingTest {
protected:
    void SetUp() override {
        pg = mvtest::testDatabase("postgresql", folder);
        odbc = withoutCredentials(pg.connectionString);
    }
    mvtest::TestDatabase pg;
    QString odbc;
};

TEST_F(ConnectingPlainOdbcTest, UserAndPasswordInTheFileConnectAsThatUser) {
    MVTEST_REQUIRE(pg);
    Connecting c(cn, session, settings, hooks);
    c.OpenDataLinkFile(true, writeUdl("pg.udl", odbc + ";UID=morvenda;PWD=morvenda"));
    ASSERT_TRUE(cn.hasConnection()) << port.lastText().toStdString();
    EXPECT_EQ(cn.mvDatabase(), 5);
    EXPECT_EQ(caption, "morvenda@morvenda");
    EXPECT_TRUE(loginShownWith.isEmpty());
    EXPECT_TRUE(session.SessionText().contains("// With User:\t\t\tmorvenda\r\n"));
}

TEST_F(ConnectingPlainOdbcTest, CommandLineUserAndPasswordAreUsed) {
    MVTEST_REQUIRE(pg);
    Connecting c(cn, session, settings, hooks);
    c.OpenDataLinkFile(true, writeUdl("pg.udl", odbc), "morvenda", "morvenda");
    ASSERT_TRUE(cn.hasConnection()) << port.lastText().toStdString();
    EXPECT_EQ(caption, "morvenda@morvenda");
    EXPECT_TRUE(loginShownWith.isEmpty());
    EXPECT_TRUE(session.SessionText().contains("// With User:\t\t\tmorvenda\r\n"));
}

TEST_F(ConnectingPlainOdbcTest, MissingPasswordIsAskedInTheLoginDialog) {
    MVTEST_REQUIRE(pg);
    QMainWindow window;
    auto* ui = new ConnectionUi(&window, nullptr, nullptr, session, settings);
    QString shownUser, shownString;
    bool answered = false;
    // The dialog runs modally: answer it once it is on screen, as the user would.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        frmDbCon* dlg = ui->loginDialog();
        if (answered || !dlg || !dlg->isVisible()) return;
        answered = true;
        shownUser = dlg->txtUser()->text();
        shownString = dlg->txtConStr()->text();
        dlg->txtPwd()->setText("morvenda");
        dlg->cmdOk()->click();
    });
    answer.start(10);
    const QString cs = odbc + ";UID=morvenda";
    ui->connecting().OpenDataLinkFile(true, writeUdl("pg.udl", cs));
    answer.stop();
    ASSERT_TRUE(answered) << "the login dialog was not shown";
    EXPECT_EQ(shownUser, "morvenda");
    EXPECT_EQ(shownString, cs);
    ASSERT_TRUE(ui->cn().hasConnection()) << port.lastText().toStdString();
    EXPECT_EQ(ui->connecting().connectionCaption(), "morvenda@morvenda");
    EXPECT_EQ(ui->iconKey(), "kOpenConnection");
}

TEST_F(ConnectingTest, GarbageDataLinkFileStopsWithAMessage) {
    folder.write("bad.udl", QByteArray("\x00\x01\x02garbage", 10));
    Connecting c(cn, session, settings, hooks);
    c.OpenDataLinkFile(true, folder.file("bad.udl"));
    EXPECT_FALSE(cn.hasConnection());
    EXPECT_EQ(port.messages.size(), 1);
    EXPECT_FALSE(calls.contains("cleanup"));
}

TEST_F(ConnectingTest, SixthFileDropsTheOldest) {
    Connecting c(cn, session, settings, hooks);
    for (int i = 1; i <= 6; ++i) c.InsertRecentConn(QString("/f%1.udl").arg(i));
    EXPECT_EQ(c.recentConnections().entries(),
              (QStringList{"/f6.udl", "/f5.udl", "/f4.udl", "/f3.udl", "/f2.udl"}));
}

} // namespace

namespace {

TEST_F(ConnectingTest, APipeOrFolderGivenAsConnectionFileIsRefusedAtOnce) {
    setLanguage(2);
    for (const char* name : {"link.udl", "data.db", "old.mdb"}) {
        const QString fifo = folder.file(name);
        ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        Connecting c(cn, session, settings, hooks);
        port.messages.clear();
        c.OpenDataLinkFile(true, fifo); // would wait for a writer for ever if it were opened
        EXPECT_EQ(port.lastText(), "\"" + fifo + "\" is not a regular file.") << name;
        EXPECT_FALSE(cn.hasConnection());
        EXPECT_TRUE(calls.isEmpty());
    }
}

} // namespace
