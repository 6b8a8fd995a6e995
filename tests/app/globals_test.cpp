#include "app/app_paths.h"
#include "app/command_line.h"
#include "app/globals.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace mv;

namespace {

TEST(Globals, VersionHasTwoDigitRevision) {
    EXPECT_TRUE(QRegularExpression("^\\d+\\.\\d+\\.\\d\\d+$").match(getVersion()).hasMatch()) << getVersion().toStdString();
    EXPECT_EQ(windowTitle("NewSQL_01"), "-=:|Morvenda " + getVersion() + " { NewSQL_01 }");
    EXPECT_TRUE(windowTitle("").endsWith("{  }"));
}

TEST(Globals, PathParts) {
    EXPECT_EQ(ExtractFileTitle(""), "");
    EXPECT_EQ(ExtractFileTitle("/a/b/x.sql"), "x.sql");
    EXPECT_EQ(ExtractFileTitle("x.sql"), "x.sql");
    EXPECT_EQ(ExtractFilePath(""), "");
    EXPECT_EQ(ExtractFilePath("/a/b/x.sql"), "/a/b");
    EXPECT_EQ(ExtractFilePath("/x.sql"), "/");
    EXPECT_EQ(ExtractFilePath("x.sql"), "");
    EXPECT_EQ(NicenPath("/a/b"), "/a/b/");
    EXPECT_EQ(NicenPath("/a/b/"), "/a/b/");
}

TEST(Globals, ShortenPath) {
    EXPECT_EQ(COM_ShortenPath("/home/ann/q.sql", 60), "/home/ann/q.sql");
    EXPECT_EQ(COM_ShortenPath("C:/Programme/Foo/Bar/test.sql", 20), "C:/.../Bar/test.sql");
    EXPECT_EQ(COM_ShortenPath("/home/ann/projects/sales/reports/2026/q4.sql", 30), "/.../reports/2026/q4.sql");
    // A last part longer than the maximum still leaves the head and the marker.
    EXPECT_EQ(COM_ShortenPath("/a/averyveryverylongfilename.sql", 10), "/...");
}

TEST(Globals, IsCollItem) {
    const KeyedCollection c = {{"Provider", "MSDASQL.1"}, {"Password", ""}};
    EXPECT_TRUE(IsCollItem(c, "provider"));
    EXPECT_FALSE(IsCollItem(c, "Password"));
    EXPECT_FALSE(IsCollItem(c, "User ID"));
    EXPECT_FALSE(IsCollItem({}, "Provider"));
}

TEST(Globals, CheckNameBracketsOnlyJetAndSqlServer) {
    struct Case {
        int kind;
        QString in, out;
    } cases[] = {{0, "Order Details", "Order Details"},  {2, "Order Details", "[Order Details]"},
                 {1, "dbo.Order Details", "dbo.[Order Details]"}, {2, "Orders", "Orders"},
                 {5, "public.Order Details", "public.Order Details"}};
    for (auto& c : cases) {
        QString name = c.in;
        EXPECT_FALSE(CheckName(name, c.kind));
        EXPECT_EQ(name, c.out) << c.kind;
    }
}

struct CmdCase {
    const char* text;
    const char* ini;
    const char* qry;
    const char* usr;
    const char* pwd;
    bool run;
    bool hasSwitches;
};

class CommandLines : public ::testing::TestWithParam<CmdCase> {};

TEST_P(CommandLines, Parse) {
    const CmdCase& c = GetParam();
    const CommandLine cl = parseCommandLine(QString::fromUtf8(c.text));
    EXPECT_EQ(cl.dataLinkFile, c.ini);
    EXPECT_EQ(cl.queryFile(), c.qry);
    EXPECT_EQ(cl.user, c.usr);
    EXPECT_EQ(cl.password, c.pwd);
    EXPECT_EQ(cl.run, c.run);
    EXPECT_EQ(cl.hasSwitches, c.hasSwitches);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, CommandLines,
    ::testing::Values(
        CmdCase{"", "", "", "", "", false, false}, CmdCase{"hello world", "", "", "", "", false, false},
        CmdCase{"/INI=/home/ann/sales.udl /QRY=/tmp/q.sql /RUN", "/home/ann/sales.udl", "/tmp/q.sql", "", "", true, true},
        CmdCase{"/ini=/db/sales.mdb", "/db/sales.mdb", "", "", "", false, true},
        CmdCase{"/USR admin /PWD=s/e/c", "", "", "admin", "s/e/c", false, true},
        CmdCase{"/USRadmin", "", "", "dmin", "", false, true},
        CmdCase{"/RUNNOW /qry=a.sql /QRY=b.sql", "", "b.sql", "", "", true, true},
        CmdCase{"/INI=  /a b/x.udl   /XYZ=1", "", "", "", "", false, true},
        CmdCase{"/INI=/a b/x.udl   /XYZ=1", "/a b/x.udl", "", "", "", false, true},
        CmdCase{"/INI=/a.udl /INI=/b.udl", "/b.udl", "", "", "", false, true}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(CommandLine, EachQueryFileIsKept) {
    EXPECT_EQ(parseCommandLine("/QRY=a.sql /QRY=b.sql").queryFiles, (QStringList{"a.sql", "b.sql"}));
    EXPECT_EQ(joinArguments({"/usr/bin/morvenda", "/INI=/a.udl", "/RUN"}), "/INI=/a.udl /RUN");
}

TEST(CommandLine, FilesFromTheDesktopBecomeSwitches) {
    mvtest::TempFolder dir;
    const QString script = dir.write("report q1.sql", "select 1");
    const QString link = dir.write("sales.UDL", "");
    const QString db = dir.write("demo.sqlite3", "");
    const QString plain = dir.write("notes.txt", "select 2");
    struct Case {
        QStringList arguments;
        QString joined;
    } cases[] = {
        {{"morvenda", script}, "/QRY=" + script},
        {{"morvenda", link}, "/INI=" + link},
        {{"morvenda", db, "/RUN"}, "/INI=" + db + " /RUN"},
        {{"morvenda", plain}, "/QRY=" + plain},
        // Switches and names that are no files stay as they were.
        {{"morvenda", "/INI=" + link, "/qry=" + script}, "/INI=" + link + " /qry=" + script},
        {{"morvenda", dir.file("missing.sql")}, dir.file("missing.sql")},
        {{"morvenda", dir.path()}, dir.path()},
    };
    for (const Case& c : cases) EXPECT_EQ(joinArguments(c.arguments), c.joined) << c.arguments.join(' ').toStdString();
    const CommandLine cl = parseCommandLine(joinArguments({"morvenda", link, script}));
    EXPECT_EQ(cl.dataLinkFile, link);
    EXPECT_EQ(cl.queryFile(), script) << "a blank inside the path survives";
}

TEST(AppPathsTest, AnInstalledProgramNeverKeepsItsFilesBesideTheExecutable) {
    QStandardPaths::setTestModeEnabled(true);
    const QString desktopData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    mvtest::TempFolder dir;
    // A build folder: writable and without an installation around it.
    QDir().mkpath(dir.file("build"));
    EXPECT_EQ(AppPaths::forExecutableFolder(dir.file("build")).programFolder, dir.file("build"));
    // <prefix>/bin beside <prefix>/share/applications/<id>.desktop: even when writable.
    QDir().mkpath(dir.file("usr/bin"));
    QDir().mkpath(dir.file("usr/share/applications"));
    dir.write(QString("usr/share/applications/%1.desktop").arg(AppPaths::DesktopId), "[Desktop Entry]\n");
    const AppPaths installed = AppPaths::forExecutableFolder(dir.file("usr/bin"));
    EXPECT_EQ(installed.programFolder, QDir::cleanPath(desktopData));
    EXPECT_NE(installed.settingsFile(), dir.file("usr/bin/Morvenda.ini"));
    EXPECT_TRUE(QDir(desktopData).exists());
    QStandardPaths::setTestModeEnabled(false);
}

} // namespace
