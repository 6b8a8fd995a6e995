#include "db/login_decision.h"

#include <gtest/gtest.h>

using namespace mv;

namespace {

OdbcDriverCatalog catalog() {
    odbc::DriverEntry pg{"PostgreSQL Unicode", {}};
    odbc::DriverEntry maria{"MariaDB Unicode", {}};
    odbc::DriverEntry sqlite{"SQLite3", {}};
    odbc::DriverEntry dbase{"Flat Files", {{"FileUsage", "1"}}};
    return OdbcDriverCatalog({pg, maria, sqlite, dbase},
                             {{"pgsales", "PostgreSQL Unicode", false}, {"localfile", "SQLite3", true}});
}

ConnectionKeys keysOf(const QString& cs) {
    return parseConnectionKeys(cs).value_or(ConnectionKeys());
}

struct KindCase {
    const char* cs;
    FileShortcut shortcut;
    LoginKind expected;
};

class LoginKindOf : public ::testing::TestWithParam<KindCase> {};

TEST_P(LoginKindOf, TellsDatabaseFilesFromServers) {
    const KindCase& c = GetParam();
    EXPECT_EQ(loginKindOf(keysOf(c.cs), c.shortcut, catalog()), c.expected) << c.cs;
}

constexpr auto File = LoginKind::FileDatabase;
constexpr auto Server = LoginKind::Server;

INSTANTIATE_TEST_SUITE_P(
    Strings, LoginKindOf,
    ::testing::Values(
        // Provider strings: only Jet is a database file; ODBC through MSDASQL stays a provider string.
        KindCase{"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/d/a.mdb", FileShortcut::None, File},
        KindCase{"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/d/a.mdb", FileShortcut::Jet, File},
        KindCase{"Provider=SQLOLEDB.1;Data Source=srv;Initial Catalog=sales", FileShortcut::None, Server},
        KindCase{"Provider=MSDASQL.1;Extended Properties=\"Driver=SQLite3;Database=/x.db\"", FileShortcut::None,
                 Server},
        // Plain ODBC strings as the data-link dialog writes them.
        KindCase{"Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=5432;Database=morvenda;UID=morvenda",
                 FileShortcut::None, Server},
        KindCase{"DRIVER={mariadb unicode};SERVER=h;DATABASE=d", FileShortcut::None, Server},
        KindCase{"Driver={FreeTDS};Server=h", FileShortcut::None, Server}, // not installed: a server
        KindCase{"Driver=SQLite3;Database=/d/x.db", FileShortcut::None, File},
        KindCase{"Driver=/usr/lib/odbc/libsqlite3odbc.so;Database=/d/x.db", FileShortcut::None, File},
        KindCase{"Driver={MDBTools};DBQ=/d/a.mdb", FileShortcut::None, File},
        KindCase{"Driver={Flat Files};DefaultDir=/d", FileShortcut::None, File},
        // Data sources: their driver decides; one not configured here is taken for a server.
        KindCase{"DSN=pgsales;UID=u", FileShortcut::None, Server},
        KindCase{"DSN=LOCALFILE", FileShortcut::None, File},
        KindCase{"DSN=elsewhere", FileShortcut::None, Server},
        KindCase{"FILEDSN=/d/pg.dsn", FileShortcut::None, Server},
        // Database files opened directly, strings naming nothing, strings that could not be split.
        KindCase{"Driver=SQLite3;Database=/d/x.db", FileShortcut::SQLite, File},
        KindCase{"Server=h;Database=d", FileShortcut::None, File},
        KindCase{"Driver=;Database=d", FileShortcut::None, File},
        KindCase{"not a string", FileShortcut::None, File}));

struct DecisionCase {
    const char* name;
    const char* cs;
    bool given;
    const char* user;
    const char* password;
    bool connectAtOnce;
    const char* expectedUser;
    const char* expectedPassword;
};

class DecideLogin : public ::testing::TestWithParam<DecisionCase> {};

TEST_P(DecideLogin, TakesTheStringsOwnCredentialsThenTheGivenOnes) {
    const DecisionCase& c = GetParam();
    const ConnectionKeys keys = keysOf(c.cs);
    const LoginDecision d =
        decideLogin(keys, loginKindOf(keys, FileShortcut::None, catalog()), c.given, c.user, c.password);
    EXPECT_EQ(d.connectAtOnce, c.connectAtOnce);
    EXPECT_EQ(d.user, QString(c.expectedUser));
    EXPECT_EQ(d.password, QString(c.expectedPassword));
}

constexpr const char* kPg = "Driver={PostgreSQL Unicode};Server=h;Database=d";

INSTANTIATE_TEST_SUITE_P(
    Cases, DecideLogin,
    ::testing::Values(
        // Server ODBC strings.
        DecisionCase{"OdbcBoth", "Driver={PostgreSQL Unicode};Server=h;UID=mo;PWD=pw", false, "", "", true, "mo",
                     "pw"},
        DecisionCase{"OdbcUserOnlyAsks", "Driver={PostgreSQL Unicode};Server=h;UID=mo", false, "", "", false, "mo",
                     ""},
        DecisionCase{"OdbcUserSpelledUser", "Driver={MariaDB Unicode};Server=h;User=mo;Password=pw", false, "", "",
                     true, "mo", "pw"},
        DecisionCase{"OdbcNothingAsks", kPg, false, "", "", false, "", ""},
        DecisionCase{"OdbcGivenBoth", kPg, true, "cl", "clpw", true, "cl", "clpw"},
        DecisionCase{"OdbcArgumentsFromTheMenuDoNotCount", kPg, false, "cl", "clpw", false, "", ""},
        DecisionCase{"OdbcGivenPasswordWithoutUserDoesNotCount", kPg, true, "", "clpw", false, "", ""},
        DecisionCase{"OdbcStringUserWinsGivenPasswordUsed", "Driver={PostgreSQL Unicode};Server=h;UID=mo", true,
                     "cl", "clpw", true, "mo", "clpw"},
        DecisionCase{"OdbcEmptyUidTakesTheGivenUser", "Driver={PostgreSQL Unicode};UID=;PWD=", true, "cl", "clpw",
                     true, "cl", "clpw"},
        DecisionCase{"DsnWithUserAsks", "DSN=pgsales;UID=mo", false, "", "", false, "mo", ""},
        // ODBC strings for file drivers stay database files: "Admin", arguments ignored.
        DecisionCase{"SqliteIsAdmin", "Driver=SQLite3;Database=/x.db", true, "cl", "clpw", true, "Admin", ""},
        // Provider strings keep their rules.
        DecisionCase{"JetAdmin", "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a.mdb", true, "cl", "clpw", true,
                     "Admin", ""},
        DecisionCase{"JetOwnUser", "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a.mdb;User ID=bo", false, "", "",
                     true, "bo", ""},
        DecisionCase{"JetEmptyUserAsks", "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a.mdb;User ID=", false, "",
                     "", false, "", ""},
        DecisionCase{"ProviderBoth", "Provider=SQLOLEDB.1;Password=pw;User ID=sa", false, "", "", true, "sa", "pw"},
        DecisionCase{"ProviderUserOnlyAsks", "Provider=SQLOLEDB.1;User ID=sa", false, "", "", false, "sa", ""},
        DecisionCase{"ProviderFileUserWinsOverGiven", "Provider=SQLOLEDB.1;User ID=sa", true, "cl", "clpw", true,
                     "sa", "clpw"},
        DecisionCase{"ProviderEmptyUserKeyStaysEmpty", "Provider=SQLOLEDB.1;User ID=", true, "cl", "clpw", false,
                     "", "clpw"},
        DecisionCase{"ProviderUidIsNotItsUser", "Provider=MSDASQL.1;UID=mo;PWD=pw", false, "", "", false, "", ""}),
    [](const ::testing::TestParamInfo<DecisionCase>& info) { return std::string(info.param.name); });

} // namespace
