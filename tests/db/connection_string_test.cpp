#include "app/texts.h"
#include "db/connection_string.h"
#include "support/scripted_user_port.h"

#include <gtest/gtest.h>

using namespace mv;

namespace {

struct MaskCase {
    const char* name;
    QString input;
    QString expected;
};

class HidePasswordTable : public ::testing::TestWithParam<MaskCase> {};

TEST_P(HidePasswordTable, MasksEveryPasswordAndKeepsTheRest) {
    mvtest::ScriptedUserPort port;
    EXPECT_EQ(HidePassword(GetParam().input), GetParam().expected);
    EXPECT_TRUE(port.messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HidePasswordTable,
    ::testing::Values(
        MaskCase{"OleDbExample", "Provider=SQLOLEDB.1;Password=secret;User ID=sa",
                 "Provider=SQLOLEDB.1;Password=##########;User ID=sa"},
        MaskCase{"AtTheEnd", "Provider=X;User ID=sa;Password=abc",
                 "Provider=X;User ID=sa;Password=##########"},
        MaskCase{"KeyRewritten", "password=abc;x=1", "Password=##########;x=1"},
        MaskCase{"EmptyValueMaskedToo", "Password=;User ID=sa", "Password=##########;User ID=sa"},
        MaskCase{"TwoPasswordsFirstLong",
                 "Password=averyveryverylongsecret;Jet OLEDB:Database Password=x;Mode=1",
                 "Password=##########;Jet OLEDB:Database Password=##########;Mode=1"},
        MaskCase{"OdbcPwdAnyCase", "Driver={PostgreSQL Unicode};Uid=u;Pwd=morvenda;Port=5",
                 "Driver={PostgreSQL Unicode};Uid=u;Pwd=##########;Port=5"},
        MaskCase{"OdbcPwdUpper", "DSN=x;PWD=abc;", "DSN=x;PWD=##########;"},
        MaskCase{"BracesWithSemicolonAndEscapedBrace", "Driver=x;PWD={a;b}}c};UID=u",
                 "Driver=x;PWD=##########;UID=u"},
        MaskCase{"QuotedValue", "Password=\"a;b\"\"c\";User ID=u", "Password=##########;User ID=u"},
        MaskCase{"InsideExtendedProperties",
                 "Provider=MSDASQL.1;Extended Properties=\"DSN=x;UID=u;PWD=secret\"",
                 "Provider=MSDASQL.1;Extended Properties=\"DSN=x;UID=u;PWD=##########\""},
        MaskCase{"InsideUnquotedValue", "Extended Properties=PWD=secret",
                 "Extended Properties=PWD=##########"},
        MaskCase{"UnterminatedBraceMasksToTheEnd", "PWD={abc;UID=u", "PWD=##########"},
        MaskCase{"BlankBeforeEquals", "Password =x;A=1", "Password =##########;A=1"},
        MaskCase{"NoPassword", "Driver=SQLite3;Database=/tmp/x.db", "Driver=SQLite3;Database=/tmp/x.db"},
        MaskCase{"Empty", "", ""}),
    [](const auto& info) { return info.param.name; });

TEST(ParseConnectionString, KeepsOrderAndFindsKeysWithoutRegardToCase) {
    const auto keys = ParseConnectionString(
        "Provider=SQLOLEDB.1;Integrated Security=SSPI;Initial Catalog=Sales;Data Source=SRV01");
    ASSERT_TRUE(keys);
    ASSERT_EQ(keys->size(), 4);
    EXPECT_EQ(keys->items()[0].key, "Provider");
    EXPECT_EQ(keys->items()[3].key, "Data Source");
    EXPECT_EQ(keys->value("INITIAL CATALOG"), "Sales");
    EXPECT_TRUE(keys->contains("data source"));
    EXPECT_FALSE(keys->contains("User ID"));
}

TEST(ParseConnectionString, KeepsBlanksAndWholeValuesAndUnwrapsEnclosedOnes) {
    const auto keys = ParseConnectionString(
        "Provider=X; User ID = sa;Extended Properties=DSN=a=b;Password=\"p;w\";Other={x;y}");
    ASSERT_TRUE(keys);
    EXPECT_EQ(keys->value(" User ID "), " sa");
    EXPECT_FALSE(keys->contains("User ID"));
    EXPECT_EQ(keys->value("Extended Properties"), "DSN=a=b");
    EXPECT_EQ(keys->value("Password"), "p;w");
    EXPECT_EQ(keys->value("Other"), "x;y");
}

TEST(ParseConnectionString, EmptyPartsFromTrailingSemicolonsAreSkipped) {
    mvtest::ScriptedUserPort port;
    const auto keys = ParseConnectionString("Driver=SQLite3;;Database=/x.db;");
    ASSERT_TRUE(keys);
    EXPECT_EQ(keys->size(), 2);
    EXPECT_TRUE(port.messages.isEmpty());
}

TEST(ParseConnectionString, PartWithoutEqualsIsReportedWithoutEchoingIt) {
    mvtest::ScriptedUserPort port;
    EXPECT_FALSE(ParseConnectionString("Provider=X;Password=ab;zzsecret"));
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_TRUE(port.lastText().startsWith(
        "The connection string is not valid: part 3 is not of the form key=value."));
    EXPECT_TRUE(port.lastText().contains("{ParseConnectionString}"));
    EXPECT_FALSE(port.lastText().contains("zzsecret"));
}

TEST(ParseConnectionString, DuplicateKeyInAnyCaseIsReported) {
    mvtest::ScriptedUserPort port;
    setLanguage(1);
    const auto keys = ParseConnectionString("User ID=a;user id=b");
    setLanguage(2);
    EXPECT_FALSE(keys);
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_TRUE(
        port.lastText().startsWith("Der Schlüssel \"user id\" kommt im Connection String zweimal vor."));
}

TEST(ConnectionKeys, AddingAnExistingKeyKeepsItsValue) {
    ConnectionKeys keys;
    EXPECT_TRUE(keys.add("User ID", "sa"));
    EXPECT_FALSE(keys.add("user id", "Admin"));
    EXPECT_EQ(keys.value("USER ID"), "sa");
    EXPECT_EQ(keys.find("Password"), std::nullopt);
}

TEST(ProviderOf, ReportsTheProviderAsTheConnectionDoes) {
    const std::pair<QString, QString> cases[] = {
        {"", "MSDASQL.1"},
        {"Driver=SQLite3;Database=/x.db", "MSDASQL.1"},
        {"DSN=Sales", "MSDASQL.1"},
        {"Provider=MSDASQL;DSN=x", "MSDASQL.1"},
        {"provider=msdasql.1", "MSDASQL.1"},
        {"Provider=SQLOLEDB;Data Source=x", "SQLOLEDB.1"},
        {"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/a.mdb", "Microsoft.Jet.OLEDB.4.0"},
        {"Provider=microsoft.jet.oledb.3.5", "Microsoft.Jet.OLEDB.3.5"},
        {"Provider=MSDAORA", "MSDAORA.1"},
        {"Provider=IBMDADB2.1", "IBMDADB2.1"},
        {"Provider= SQLNCLI11 ", "SQLNCLI11"},
    };
    for (const auto& [cs, provider] : cases)
        EXPECT_EQ(providerOf(cs), provider) << cs.toStdString();
}

TEST(OdbcValue, EnclosesInBracesOnlyWhenNeeded) {
    EXPECT_EQ(odbcValue("abc"), "abc");
    EXPECT_EQ(odbcValue("a;b"), "{a;b}");
    EXPECT_EQ(odbcValue("a}b"), "{a}}b}");
    EXPECT_EQ(odbcValue("a=b"), "{a=b}");
    EXPECT_EQ(odbcValue(" a"), "{ a}");
    EXPECT_EQ(odbcValue("PostgreSQL Unicode"), "PostgreSQL Unicode");
    EXPECT_EQ(odbcValue("a;b", false), "a;b");
    EXPECT_FALSE(driverTakesBraces("SQLite3"));
    EXPECT_FALSE(driverTakesBraces("MDBTools"));
    EXPECT_TRUE(driverTakesBraces("PostgreSQL Unicode"));
}

struct TranslationCase {
    std::string name;
    QString input;
    QStringList drivers;
    QString user, password;
    QString odbc;     // expected string, or empty when an error is expected
    QString provider; // expected provider
    QString errorHas; // a piece of the expected error
    bool readOnly;
};

TranslationCase ok(const char* name, const QString& input, const QStringList& drivers, const QString& user,
                   const QString& password, const QString& odbc, const QString& provider,
                   bool readOnly = false) {
    return {name, input, drivers, user, password, odbc, provider, QString(), readOnly};
}

TranslationCase fails(const char* name, const QString& input, const QStringList& drivers,
                      const QString& provider, const QString& errorHas) {
    return {name, input, drivers, QString(), QString(), QString(), provider, errorHas, false};
}

const QStringList kDrivers{"SQLite3", "PostgreSQL Unicode", "MariaDB Unicode", "MDBTools", "FreeTDS"};

class ToOdbcTable : public ::testing::TestWithParam<TranslationCase> {};

TEST_P(ToOdbcTable, Translates) {
    const TranslationCase& c = GetParam();
    const OdbcTranslation t = toOdbc(c.input, c.drivers, c.user, c.password);
    EXPECT_EQ(t.provider, c.provider);
    if (c.errorHas.isEmpty()) {
        EXPECT_TRUE(t.ok()) << t.error.toStdString();
        EXPECT_EQ(t.odbc, c.odbc);
        EXPECT_EQ(t.readOnly, c.readOnly);
    } else {
        EXPECT_FALSE(t.ok());
        EXPECT_TRUE(t.odbc.isEmpty());
        EXPECT_TRUE(t.error.contains(c.errorHas)) << t.error.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToOdbcTable,
    ::testing::Values(
        ok("PlainOdbcPassesUnchanged",
           "Driver={PostgreSQL Unicode};Server=h;Port=1;Database=d;Uid=u;Pwd={p;w}", kDrivers, "", "",
           "Driver={PostgreSQL Unicode};Server=h;Port=1;Database=d;Uid=u;Pwd={p;w}", "MSDASQL.1"),
        ok("TrailingSemicolonDropped", "Driver=SQLite3;Database=/x.db;", kDrivers, "", "",
           "Driver=SQLite3;Database=/x.db", "MSDASQL.1"),
        ok("MsdasqlDataSourceIsDsn",
           "Provider=MSDASQL.1;Persist Security Info=False;Data Source=Sales;User ID=sa;Password=pw",
           kDrivers, "", "", "DSN=Sales;UID=sa;PWD=pw", "MSDASQL.1"),
        ok("ExtendedPropertiesMergedTopLevelWins",
           "Provider=MSDASQL.1;Password=top;User ID=sa;Extended "
           "Properties=\"DSN=pg;UID=ep;PWD=ep;Database=d\"",
           kDrivers, "", "", "DSN=pg;PWD=top;UID=sa;Database=d", "MSDASQL.1"),
        ok("DataSourceBesideDriverIsServer",
           "Provider=MSDASQL;Data Source=h;Initial Catalog=db;Extended Properties=\"Driver={PostgreSQL "
           "Unicode};Port=5\"",
           kDrivers, "", "", "Driver={PostgreSQL Unicode};SERVER=h;DATABASE=db;Port=5", "MSDASQL.1"),
        ok("UserAndPasswordArgumentsOverride", "Driver=SQLite3;Database=/x.db;UID=a;PWD=b", kDrivers, "u",
           "p", "Driver=SQLite3;Database=/x.db;UID=u;PWD=p", "MSDASQL.1"),
        ok("ArgumentsEnclosedForServerDrivers", "Driver={MariaDB Unicode};Server=h", kDrivers, "a;b", "x}y",
           "Driver={MariaDB Unicode};Server=h;UID={a;b};PWD={x}}y}", "MSDASQL.1"),
        ok("JetToMdbTools",
           "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/d/nw.mdb;Persist Security Info=False;User "
           "ID=Admin;Password=",
           kDrivers, "", "", "Driver=MDBTools;DBQ=/d/nw.mdb", "Microsoft.Jet.OLEDB.4.0", true),
        ok("Jet35ToMdbTools", "Provider=Microsoft.Jet.OLEDB.3.5;Data Source=\"/d/a b.mdb\"", kDrivers, "", "",
           "Driver=MDBTools;DBQ=/d/a b.mdb", "Microsoft.Jet.OLEDB.3.5", true),
        fails("JetWithoutMdbTools", "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/d/nw.mdb", {"SQLite3"},
              "Microsoft.Jet.OLEDB.4.0", "\"MDBTools\", which is not installed (package odbc-mdbtools)"),
        fails("JetWithoutFile", "Provider=Microsoft.Jet.OLEDB.4.0;Mode=Read", kDrivers,
              "Microsoft.Jet.OLEDB.4.0", "names no database file"),
        fails("JetFileWithSemicolon", "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/d/a;b.mdb\"", kDrivers,
              "Microsoft.Jet.OLEDB.4.0", "cannot open a file name containing \";\""),
        ok("SqlServerToFreeTds",
           "Provider=SQLOLEDB.1;Integrated Security=SSPI;Initial Catalog=Sales;Data Source=SRV01", kDrivers,
           "", "", "Driver=FreeTDS;Trusted_Connection=Yes;Database=Sales;Server=SRV01", "SQLOLEDB.1"),
        ok("SqlServerPortAndUser",
           "Provider=SQLOLEDB;Data Source=tcp:srv,1433;User ID=sa;Password=pw;Packet Size=4096", kDrivers, "",
           "", "Driver=FreeTDS;Server=srv;Port=1433;UID=sa;PWD=pw", "SQLOLEDB.1"),
        fails("SqlServerWithoutFreeTds", "Provider=SQLOLEDB.1;Data Source=SRV01", {"SQLite3"}, "SQLOLEDB.1",
              "\"FreeTDS\", which is not installed (package tdsodbc)"),
        ok("OracleWhenInstalled", "Provider=MSDAORA.1;Data Source=orcl;User ID=scott;Password=tiger",
           {"Oracle 21 ODBC driver"}, "", "", "Driver=Oracle 21 ODBC driver;DBQ=orcl;UID=scott;PWD=tiger",
           "MSDAORA.1"),
        fails("OracleMissing", "Provider=MSDAORA.1;Data Source=orcl", kDrivers, "MSDAORA.1",
              "needs an ODBC driver for Oracle"),
        ok("Db2WhenInstalled", "Provider=IBMDADB2.1;Data Source=SAMPLE;User ID=db2inst1",
           {"IBM DB2 ODBC DRIVER"}, "", "", "Driver=IBM DB2 ODBC DRIVER;Database=SAMPLE;UID=db2inst1",
           "IBMDADB2.1"),
        fails("Db2Missing", "Provider=IBMDADB2.1;Data Source=SAMPLE", kDrivers, "IBMDADB2.1",
              "needs an ODBC driver for DB2"),
        fails("UnknownProvider", "Provider=MSOLAP.8;Data Source=x", kDrivers, "MSOLAP.8",
              "MSOLAP.8 has no ODBC counterpart"),
        ok("BracesUnwrappedForLiteralDrivers", "Driver=SQLite3;Database={/tmp/x y.db};NoCreat=1", kDrivers,
           "", "", "Driver=SQLite3;Database=/tmp/x y.db;NoCreat=1", "MSDASQL.1"),
        fails("SemicolonForLiteralDriver", "Driver=SQLite3;Database={/tmp/a;b.db}", kDrivers, "MSDASQL.1",
              "The ODBC driver SQLite3 cannot open a file name containing \";\"."),
        fails("BadPartNotEchoed", "Driver=SQLite3;PWD=ab;zzsecret", kDrivers, "MSDASQL.1",
              "part 3 is not of the form key=value")),
    [](const auto& info) { return info.param.name; });

TEST(ToOdbc, ErrorsComeInTheProgramsLanguage) {
    setLanguage(1);
    const OdbcTranslation t = toOdbc("Provider=SQLOLEDB.1;Data Source=x", QStringList());
    setLanguage(2);
    EXPECT_EQ(t.error, "Der Provider SQLOLEDB.1 braucht den ODBC-Treiber \"FreeTDS\"; er ist nicht "
                       "installiert (Paket tdsodbc).");
}

TEST(SplitConnectionString, ResolvesDoubledClosersAndRecordsPositions) {
    const QString cs = "A={x}}y};B='it''s';C=plain";
    const QList<ConnectionPart> parts = splitConnectionString(cs);
    ASSERT_EQ(parts.size(), 3);
    EXPECT_EQ(parts[0].value, "x}y");
    EXPECT_EQ(parts[0].rawValue, "{x}}y}");
    EXPECT_EQ(parts[1].value, "it's");
    EXPECT_EQ(cs.mid(parts[2].valueStart, parts[2].valueEnd - parts[2].valueStart), "plain");
}

} // namespace
