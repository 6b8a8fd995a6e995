#include "app/globals.h"
#include "app/texts.h"
#include "documents/recent_files.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace mv;

namespace {

QStringList paths(int first, int last) {
    QStringList list;
    for (int i = first; i <= last; ++i)
        list << QStringLiteral("/q/file%1.sql").arg(i);
    return list;
}

TEST(RecentList, KeepsTheFiveNewestNewestFirst) {
    RecentList list(RecentListKind::files());
    for (const QString& p : paths(1, 6))
        EXPECT_TRUE(list.insert(p));
    EXPECT_EQ(list.entries(),
              (QStringList{"/q/file6.sql", "/q/file5.sql", "/q/file4.sql", "/q/file3.sql", "/q/file2.sql"}));
}

TEST(RecentList, KnownPathKeepsItsPlaceAndEmptyPathIsIgnored) {
    RecentList list(RecentListKind::files());
    for (const QString& p : paths(1, 3))
        list.insert(p);
    EXPECT_FALSE(list.insert("/q/file1.sql"));
    EXPECT_FALSE(list.insert(QString()));
    EXPECT_EQ(list.entries(), (QStringList{"/q/file3.sql", "/q/file2.sql", "/q/file1.sql"}));
    // The comparison is exact: another spelling is another entry.
    EXPECT_TRUE(list.insert("/q/FILE1.sql"));
    EXPECT_EQ(list.entries().first(), "/q/FILE1.sql");
}

TEST(RecentList, MenuItemsFollowListPlacesWithShortenedCaptions) {
    RecentList list(RecentListKind::files());
    const QString longPath = QStringLiteral("/home/user/projects/reports/2024/quarterly/summary.sql");
    list.insert("/a.sql");
    list.insert(longPath);
    EXPECT_EQ(list.menuItems(30),
              (QList<RecentMenuItem>{{"kRF1", COM_ShortenPath(longPath, 30)}, {"kRF2", "/a.sql"}}));
    EXPECT_NE(list.menuItems(30)[0].caption, longPath);
    EXPECT_EQ(list.menuItems(200)[0].caption, longPath);
    EXPECT_EQ(list.entry(1), longPath);
    EXPECT_EQ(list.entry(2), "/a.sql");
    EXPECT_EQ(list.entry(0), std::nullopt);
    EXPECT_EQ(list.entry(3), std::nullopt);
}

TEST(RecentList, LoadsFilledKeysIntoConsecutivePlaces) {
    mvtest::ScriptedUserPort port;
    mvtest::TempFolder dir;
    dir.write("m.ini", "[Recent Files]\n1=/a.sql\n3=/c.sql\n4=\n[Recent Connections]\n1=/x.udl\n2=/y.udl\n");
    IniFile ini(dir.file("m.ini"));
    RecentList files(RecentListKind::files());
    files.insert("/stale.sql");
    files.load(ini);
    EXPECT_EQ(files.entries(), (QStringList{"/a.sql", "/c.sql"}));
    EXPECT_EQ(files.menuItems(60), (QList<RecentMenuItem>{{"kRF1", "/a.sql"}, {"kRF2", "/c.sql"}}));

    RecentList connections(RecentListKind::connections());
    connections.load(ini);
    EXPECT_EQ(connections.entries(), (QStringList{"/x.udl", "/y.udl"}));
    EXPECT_EQ(connections.menuItems(60)[1].key, "kRC2");
    EXPECT_TRUE(port.messages.isEmpty());
}

TEST(RecentList, MissingFileOrSectionGivesEmptyList) {
    mvtest::TempFolder dir;
    RecentList list(RecentListKind::files());
    list.load(IniFile(dir.file("none.ini")));
    EXPECT_TRUE(list.entries().isEmpty());
    dir.write("m.ini", "[Settings]\nLanguage=1\n");
    list.load(IniFile(dir.file("m.ini")));
    EXPECT_TRUE(list.entries().isEmpty());
}

TEST(RecentList, SaveWritesListPlacesAndKeepsLaterKeysAndForeignLines) {
    mvtest::ScriptedUserPort port;
    mvtest::TempFolder dir;
    dir.write("m.ini", "; mine\r\n[Settings]\r\nLanguage=1\r\n\r\n[Recent Files]\r\n1=/a.sql\r\n3=/c.sql\r\n"
                       "\r\n[Other]\r\nx=1\r\n");
    IniFile ini(dir.file("m.ini"));
    RecentList list(RecentListKind::files());
    list.load(ini);
    ASSERT_TRUE(list.save(ini));
    EXPECT_EQ(dir.read("m.ini"), QByteArray("; mine\r\n[Settings]\r\nLanguage=1\r\n\r\n[Recent Files]\r\n"
                                            "1=/a.sql\r\n3=/c.sql\r\n2=/c.sql\r\n\r\n[Other]\r\nx=1\r\n"));
    // The leftover key repeats an entry; it must not come back as a second menu item.
    list.load(ini);
    EXPECT_EQ(list.entries(), (QStringList{"/a.sql", "/c.sql"}));
    EXPECT_TRUE(port.messages.isEmpty());
}

TEST(RecentList, SaveRoundTripsAFullList) {
    mvtest::TempFolder dir;
    IniFile ini(dir.file("new.ini"));
    RecentList list(RecentListKind::files());
    for (const QString& p : paths(1, 7))
        list.insert(p);
    ASSERT_TRUE(list.save(ini));
    EXPECT_EQ(dir.read("new.ini"),
              QByteArray("[Recent Files]\n1=/q/file7.sql\n2=/q/file6.sql\n3=/q/file5.sql\n"
                         "4=/q/file4.sql\n5=/q/file3.sql\n"));
    RecentList again(RecentListKind::files());
    again.load(ini);
    EXPECT_EQ(again.entries(), list.entries());
}

TEST(RecentList, ConnectionsUseTheirOwnSection) {
    mvtest::TempFolder dir;
    dir.write("m.ini", "[Recent Files]\n1=/a.sql\n");
    IniFile ini(dir.file("m.ini"));
    RecentList list(RecentListKind::connections());
    list.insert("/db/one.udl");
    ASSERT_TRUE(list.save(ini));
    EXPECT_EQ(dir.read("m.ini"),
              QByteArray("[Recent Files]\n1=/a.sql\n\n[Recent Connections]\n1=/db/one.udl\n"));
}

TEST(RecentList, PathThatMayHaveBeenCutIsNotLoaded) {
    mvtest::TempFolder dir;
    const QString longPath = u'/' + QString(300, u'x') + QStringLiteral(".sql");
    IniFile ini(dir.file("m.ini"));
    RecentList list(RecentListKind::files());
    list.insert("/short.sql");
    list.insert(longPath);
    ASSERT_TRUE(list.save(ini));
    RecentList again(RecentListKind::files());
    again.load(ini);
    EXPECT_EQ(again.entries(), QStringList{"/short.sql"});
}

TEST(RecentList, UnwritableFileIsReportedInBothLanguages) {
    mvtest::ScriptedUserPort port;
    mvtest::TempFolder dir;
    IniFile ini(dir.file("missing-folder/m.ini"));
    RecentList files(RecentListKind::files());
    files.insert("/a.sql");
    EXPECT_FALSE(files.save(ini));
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_TRUE(port.lastText().startsWith(QStringLiteral("The settings file \"") + ini.path() +
                                           QStringLiteral("\" cannot be written. [75]")));
    EXPECT_TRUE(port.lastText().endsWith(QStringLiteral("in Function <SaveRecentFiles>")));
    EXPECT_FALSE(port.lastText().contains(QStringLiteral("Module")));

    setLanguage(1);
    RecentList connections(RecentListKind::connections());
    connections.insert("/a.udl");
    EXPECT_FALSE(connections.save(ini));
    setLanguage(2);
    ASSERT_EQ(port.messages.size(), 2);
    EXPECT_TRUE(port.lastText().startsWith(QStringLiteral("Die Einstellungsdatei \"") + ini.path() +
                                           QStringLiteral("\" kann nicht geschrieben werden. [75]")));
    EXPECT_TRUE(port.lastText().contains(QStringLiteral("in Modul {Globals}")));
    EXPECT_TRUE(port.lastText().endsWith(QStringLiteral("in Funktion {SaveRecentConnections}")));
    EXPECT_FALSE(QFile::exists(ini.path()));
}

} // namespace
