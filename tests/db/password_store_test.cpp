// Remembered passwords: which connection they belong to, when the login dialog offers to keep them,
// and a data link file without a password that connects with the remembered one.
#include "app/settings.h"
#include "app/texts.h"
#include "db/connecting.h"
#include "db/data_link_file.h"
#include "db/db_connect.h"
#include "db/login_dialog.h"
#include "db/password_store.h"
#include "db/secret_password_store.h"
#include "session/session_log.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"
#include "support/test_databases.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace mv;

namespace {

// A keyring in memory that records what the program asked of it.
class MemoryKeyring final : public PasswordStore {
public:
    bool open = true;
    QMap<QString, QString> entries; // connection + "\n" + user -> password
    QStringList calls;
    bool available() override { return open; }
    std::optional<QString> find(const QString& connection, const QString& user) override {
        calls << "find " + user;
        const auto it = entries.constFind(connection + u'\n' + user);
        if (it == entries.cend()) return std::nullopt;
        return *it;
    }
    bool store(const QString& connection, const QString& user, const QString& password) override {
        calls << "store " + user;
        entries.insert(connection + u'\n' + user, password);
        return true;
    }
    bool remove(const QString& connection, const QString& user) override {
        calls << "remove " + user;
        entries.remove(connection + u'\n' + user);
        return true;
    }
};

struct Installed {
    explicit Installed(PasswordStore* store) { setPasswordStore(store); }
    ~Installed() { setPasswordStore(nullptr); }
};

TEST(PasswordStore, ConnectionKeyLeavesOutUserAndPasswordAndIgnoresTheirSpelling) {
    struct Case {
        const char* a;
        const char* b;
        bool same;
    } cases[] = {
        {"Driver={PostgreSQL Unicode};Server=db;Port=5432;Database=sales;UID=anna;PWD=x",
         "driver={PostgreSQL Unicode}; server=db;port=5432;database=sales", true},
        {"Provider=MSDASQL.1;User ID=anna;Password=x;Extended Properties=\"DSN=sales\"",
         "Provider=MSDASQL.1;Extended Properties=\"DSN=sales\"", true},
        {"Driver={MariaDB Unicode};Server=db;User=anna;Password=secret", "Driver={MariaDB Unicode};Server=db", true},
        {"Driver={PostgreSQL Unicode};Server=db;Database=sales", "Driver={PostgreSQL Unicode};Server=db;Database=hr",
         false},
        {"Driver={PostgreSQL Unicode};Server=db", "Driver={PostgreSQL Unicode};Server=other", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(passwordConnectionKey(c.a) == passwordConnectionKey(c.b), c.same) << c.a << " / " << c.b;
        EXPECT_FALSE(passwordConnectionKey(c.a).contains("anna")) << c.a;
        EXPECT_FALSE(passwordConnectionKey(c.a).contains("secret")) << c.a;
    }
    EXPECT_EQ(passwordConnectionKey("Driver={PostgreSQL Unicode};Server=db;Port=5432;UID=anna"),
              "driver=PostgreSQL Unicode;server=db;port=5432");
}

TEST(PasswordStore, RememberStoresForgetsAndNeverTouchesAMissingKeyring) {
    MemoryKeyring keyring;
    const QString cs = "Driver={PostgreSQL Unicode};Server=db;Database=sales";
    rememberPassword(keyring, cs, "anna", "s3cret", true);
    EXPECT_EQ(keyring.find(passwordConnectionKey(cs), "anna"), QString("s3cret"));
    rememberPassword(keyring, cs + ";UID=anna", "anna", "n3w", true);
    EXPECT_EQ(keyring.entries.size(), 1) << "one entry per connection and user";
    EXPECT_EQ(keyring.entries.first(), "n3w");
    rememberPassword(keyring, cs, "anna", "n3w", false);
    EXPECT_TRUE(keyring.entries.isEmpty()) << "not wanted any more: forgotten";
    rememberPassword(keyring, cs, "anna", "", true);
    EXPECT_TRUE(keyring.entries.isEmpty()) << "an empty password is nothing to remember";

    keyring.open = false;
    keyring.calls.clear();
    rememberPassword(keyring, cs, "anna", "s3cret", true);
    EXPECT_TRUE(keyring.calls.isEmpty());
    // Without an installed keyring the program's store is never available.
    EXPECT_FALSE(passwordStore().available());
    EXPECT_FALSE(passwordStore().find("x", "y").has_value());
}

TEST(PasswordStore, LoginDialogOffersToRememberOnlyWithAKeyring) {
    for (int language : {2, 1}) {
        setLanguage(language);
        MemoryKeyring keyring;
        const QString cs = "Driver={PostgreSQL Unicode};Server=db;Database=sales";
        keyring.store(passwordConnectionKey(cs), "anna", "s3cret");
        {
            Installed use(&keyring);
            frmDbCon dialog([](const QString&, const QString&, const QString&) {});
            EXPECT_TRUE(dialog.chkRememberPwd()->isVisibleTo(&dialog));
            EXPECT_EQ(dialog.chkRememberPwd()->text(), language == 1 ? "Kennwort merken" : "Remember password");
            dialog.setConnectionString(cs);
            dialog.setUser("anna");
            EXPECT_EQ(dialog.txtPwd()->text(), "s3cret") << "the remembered password is filled in";
            EXPECT_TRUE(dialog.rememberPassword());
            dialog.setUser("bert");
            EXPECT_EQ(dialog.txtUser()->text(), "bert");
        }
        keyring.open = false;
        Installed use(&keyring);
        frmDbCon dialog([](const QString&, const QString&, const QString&) {});
        EXPECT_FALSE(dialog.chkRememberPwd()->isVisibleTo(&dialog)) << "no keyring: no option";
        dialog.setConnectionString(cs);
        dialog.setUser("anna");
        EXPECT_TRUE(dialog.txtPwd()->text().isEmpty());
        EXPECT_FALSE(dialog.rememberPassword());
    }
    setLanguage(2);
}

class RememberedLogin : public ::testing::Test {
protected:
    RememberedLogin() {
        hooks.showLoginDialog = [this](const QString& cs, const QString& user) { loginShown << cs + " / " + user; };
        session.StartSession(false);
    }
    QString serverString() const {
        QString odbc = pg.connectionString;
        odbc.remove(QRegularExpression("(Uid|Pwd)=[^;]*;?", QRegularExpression::CaseInsensitiveOption));
        if (odbc.endsWith(';')) odbc.chop(1);
        return odbc;
    }
    mvtest::TempFolder folder;
    mvtest::ScriptedUserPort port;
    SessionLog session;
    Settings settings;
    C_DbConnect cn{session};
    ConnectingHooks hooks;
    QStringList loginShown;
    mvtest::TestDatabase pg = mvtest::testDatabase("postgresql", folder);
    MemoryKeyring keyring;
    Installed use{&keyring};
};

TEST_F(RememberedLogin, AFileWithoutPasswordConnectsWithTheRememberedOne) {
    MVTEST_REQUIRE(pg);
    const QString cs = serverString() + ";UID=morvenda";
    const QString udl = folder.file("pg.udl");
    writeDataLinkFile(udl, cs);
    keyring.store(passwordConnectionKey(cs), "morvenda", "morvenda");
    Connecting c(cn, session, settings, hooks);
    c.OpenDataLinkFile(true, udl);
    ASSERT_TRUE(cn.hasConnection()) << port.lastText().toStdString();
    EXPECT_TRUE(loginShown.isEmpty());
    EXPECT_FALSE(session.SessionText().contains("Pwd=morvenda", Qt::CaseInsensitive));
}

TEST_F(RememberedLogin, WithoutARememberedPasswordTheLoginDialogAsks) {
    const QString cs = "Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=1;Database=x;UID=anna";
    const QString udl = folder.file("pg.udl");
    writeDataLinkFile(udl, cs);
    Connecting c(cn, session, settings, hooks);
    c.OpenDataLinkFile(true, udl);
    EXPECT_FALSE(cn.hasConnection());
    EXPECT_EQ(loginShown, QStringList{cs + " / anna"});
    EXPECT_EQ(keyring.calls, QStringList{"find anna"});
    EXPECT_TRUE(port.messages.isEmpty()) << port.lastText().toStdString();
}

// The real keyring, when this session has one (a desktop session, or test.sh's own keyring daemon).
TEST(SecretPasswordStoreTest, StoresFindsAndForgetsInTheDesktopKeyring) {
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        GTEST_SKIP() << "no session bus: the keyring cannot be reached";
    SecretPasswordStore keyring;
    if (!keyring.available()) GTEST_SKIP() << "no Secret Service answers on the session bus";
    const QString connection = QString("driver=test;server=morvenda-test-%1").arg(QCoreApplication::applicationPid());
    ASSERT_TRUE(keyring.store(connection, "anna", "pä ss;wörd"));
    EXPECT_EQ(keyring.find(connection, "anna"), QString("pä ss;wörd"));
    EXPECT_FALSE(keyring.find(connection, "bert").has_value());
    EXPECT_TRUE(keyring.remove(connection, "anna"));
    EXPECT_FALSE(keyring.find(connection, "anna").has_value());
}

} // namespace
