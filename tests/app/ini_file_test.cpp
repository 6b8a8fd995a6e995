#include "app/ini_file.h"
#include "support/temp_folder.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace mv;

namespace {

TEST(IniFile, MissingFileOrKeyGivesDefault) {
    mvtest::TempFolder dir;
    IniFile ini(dir.file("none.ini"));
    EXPECT_EQ(ini.read("Settings", "Language", "2"), "2");
    dir.write("a.ini", "[Settings]\nLanguage=1\n");
    IniFile a(dir.file("a.ini"));
    EXPECT_EQ(a.read("Other", "Language", "d"), "d");
    EXPECT_EQ(a.read("Settings", "Missing", "d"), "d");
    EXPECT_FALSE(QFileInfo::exists(dir.file("none.ini")));
}

TEST(IniFile, NamesCompareWithoutCaseAndValuesAreCutAt254) {
    mvtest::TempFolder dir;
    const QByteArray longValue(300, 'x');
    dir.write("a.ini", "[recent connections]\n  rc1 = /a b.udl  \n[Long]\nv=" + longValue + "\n");
    IniFile ini(dir.file("a.ini"));
    EXPECT_EQ(ini.read("Recent Connections", "RC1", ""), "/a b.udl");
    EXPECT_EQ(ini.read("long", "V", "").size(), 254);
    EXPECT_EQ(ini.keys("RECENT CONNECTIONS"), QStringList{"rc1"});
}

TEST(IniFile, WriteCreatesFileSectionAndKey) {
    mvtest::TempFolder dir;
    IniFile ini(dir.file("new.ini"));
    ASSERT_TRUE(ini.write("Settings", "UDL", "/x.udl"));
    ASSERT_TRUE(ini.write("Recent Files", "RF1", "/q.sql"));
    ASSERT_TRUE(ini.write("Settings", "Language", "1"));
    EXPECT_EQ(dir.read("new.ini"), QByteArray("[Settings]\nUDL=/x.udl\nLanguage=1\n\n[Recent Files]\nRF1=/q.sql\n"));
}

TEST(IniFile, WriteKeepsCommentsUnknownSectionsAndLineEnds) {
    mvtest::TempFolder dir;
    const QByteArray before = "; comment\r\n[Mine]\r\nfoo = bar\r\n\r\n[Settings]\r\nLanguage=2\r\n# tail\r\n";
    dir.write("a.ini", before);
    IniFile ini(dir.file("a.ini"));
    ASSERT_TRUE(ini.write("SETTINGS", "language", "1"));
    EXPECT_EQ(dir.read("a.ini"),
              QByteArray("; comment\r\n[Mine]\r\nfoo = bar\r\n\r\n[Settings]\r\nLanguage=1\r\n# tail\r\n"));
    ASSERT_TRUE(ini.write("Mine", "new", "v"));
    EXPECT_TRUE(dir.read("a.ini").startsWith("; comment\r\n[Mine]\r\nfoo = bar\r\nnew=v\r\n\r\n[Settings]"));
}

TEST(IniFile, RemoveSectionKeepsTheRest) {
    mvtest::TempFolder dir;
    dir.write("a.ini", "[A]\nx=1\n[Recent Files]\nRF1=a\nRF2=b\n[B]\ny=2\n");
    IniFile ini(dir.file("a.ini"));
    ASSERT_TRUE(ini.removeSection("recent files"));
    EXPECT_EQ(dir.read("a.ini"), QByteArray("[A]\nx=1\n[B]\ny=2\n"));
}

TEST(IniFile, FailedWriteLeavesFileIntact) {
    mvtest::TempFolder dir;
    dir.write("a.ini", "[A]\nx=1\n");
    IniFile ini(dir.file("missing-folder/a.ini"));
    EXPECT_FALSE(ini.write("A", "x", "2"));
    EXPECT_EQ(dir.read("a.ini"), QByteArray("[A]\nx=1\n"));
}

} // namespace
