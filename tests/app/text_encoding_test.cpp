// Files come back in the encoding they were read in, byte for byte; the settings file keeps its
// encoding and never takes a line break from a value.
#include "app/ini_file.h"
#include "app/text_encoding.h"
#include "documents/recent_files.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"

#include <QStringEncoder>
#include <sys/stat.h>
#include <gtest/gtest.h>

using namespace mv;

namespace {

QByteArray utf16le(const QString& s) { return QStringEncoder(QStringConverter::Utf16LE)(s); }

struct EncodingCase {
    const char* name;
    QByteArray bytes;
    QString text;
    TextEncoding encoding;
};

TEST(TextEncoding, EveryKindReadsAndWritesBackByteForByte) {
    const EncodingCase cases[] = {
        {"utf8", "select 'ä€' -- ok\r\n", QString::fromUtf8("select 'ä€' -- ok\r\n"), TextEncoding::Utf8},
        {"utf8 with mark", "\xEF\xBB\xBFselect 1", "select 1", TextEncoding::Utf8Bom},
        {"utf8 mark twice", "\xEF\xBB\xBF\xEF\xBB\xBFx", QString(QChar(0xFEFF)) + "x", TextEncoding::Utf8Bom},
        {"utf16le", QByteArray("\xFF\xFE", 2) + utf16le("Select 'ä'\r\n"), "Select 'ä'\r\n", TextEncoding::Utf16LE},
        {"utf16be", QByteArray("\xFE\xFF\x00S\x00\xE4", 6), "Sä", TextEncoding::Utf16BE},
        {"utf32le", QByteArray("\xFF\xFE\x00\x00S\x00\x00\x00", 8), "S", TextEncoding::Utf32LE},
        {"utf32be", QByteArray("\x00\x00\xFE\xFF\x00\x00\x00S", 8), "S", TextEncoding::Utf32BE},
        {"windows-1252 euro", "select '\x80 5' -- M\xFCller", QString::fromUtf8("select '€ 5' -- Müller"),
         TextEncoding::Windows1252},
        {"latin-1 in a path", "1=/home/j\xFCrgen/a.sql", QString::fromUtf8("1=/home/jürgen/a.sql"),
         TextEncoding::Windows1252},
        {"undefined 1252 bytes", "a\x81\x8D\x8F\x90\x9D", QString("a") + QChar(0x81) + QChar(0x8D) + QChar(0x8F) +
                                                              QChar(0x90) + QChar(0x9D),
         TextEncoding::Windows1252},
        {"garbage", QByteArray("\xC3\x28\xFF\xFE\x00\x01", 6).mid(0), QString(), TextEncoding::Windows1252},
        {"empty", "", "", TextEncoding::Utf8},
    };
    for (const EncodingCase& c : cases) {
        const DecodedText d = decodeText(c.bytes);
        EXPECT_EQ(d.encoding, c.encoding) << c.name;
        if (!c.text.isNull()) EXPECT_EQ(d.text, c.text) << c.name;
        const std::optional<QByteArray> back = encodeText(d.text, d.encoding);
        ASSERT_TRUE(back) << c.name;
        EXPECT_EQ(*back, c.bytes) << c.name;
    }
}

TEST(TextEncoding, EveryByteSurvivesWindows1252) {
    QByteArray all;
    for (int b = 1; b < 256; ++b) all += char(b);
    all += "\xC3"; // never valid UTF-8 at the end
    const DecodedText d = decodeText(all);
    ASSERT_EQ(d.encoding, TextEncoding::Windows1252);
    EXPECT_EQ(encodeText(d.text, TextEncoding::Windows1252), all);
    // A character the code page has no byte for cannot be written in it.
    EXPECT_FALSE(encodeText(QString::fromUtf8("Ω"), TextEncoding::Windows1252));
    EXPECT_EQ(encodeText(QString::fromUtf8("€"), TextEncoding::Windows1252), QByteArray("\x80"));
}

TEST(SettingsFile, ALegacyEncodedFileKeepsItsBytesWhenAnotherKeyIsWritten) {
    mvtest::TempFolder dir;
    const QByteArray before = "[Recent Files]\r\n1=/home/j\xFCrgen/Abfrage \x80.sql\r\n[Settings]\r\nLanguage=1\r\n";
    const QString path = dir.write("Morvenda.ini", before);
    const IniFile ini(path);
    EXPECT_EQ(ini.read("Recent Files", "1", ""), QString::fromUtf8("/home/jürgen/Abfrage €.sql"));
    ASSERT_TRUE(ini.write("Settings", "AutoSyntaxColoring", "True"));
    EXPECT_EQ(dir.read("Morvenda.ini"),
              "[Recent Files]\r\n1=/home/j\xFCrgen/Abfrage \x80.sql\r\n[Settings]\r\nLanguage=1\r\n"
              "AutoSyntaxColoring=True\r\n");
    // A character the code page lacks turns the whole file into UTF-8, losing nothing.
    ASSERT_TRUE(ini.write("Settings", "StandardQueryPath", QString::fromUtf8("/data/Ωmega")));
    EXPECT_EQ(ini.read("Recent Files", "1", ""), QString::fromUtf8("/home/jürgen/Abfrage €.sql"));
    EXPECT_EQ(ini.read("Settings", "StandardQueryPath", ""), QString::fromUtf8("/data/Ωmega"));
    EXPECT_TRUE(dir.read("Morvenda.ini").contains("j\xC3\xBCrgen"));
}

TEST(SettingsFile, LineBreaksInValuesNeverReachTheFile) {
    mvtest::TempFolder dir;
    const QString path = dir.write("Morvenda.ini", "[Settings]\nLanguage=2\n");
    const IniFile ini(path);
    const QString evil = "q\n[Settings]\nLanguage=1\nUDL=/tmp/evil.udl\r\n.sql";
    ASSERT_TRUE(ini.write("Recent Files", "1", evil));
    EXPECT_EQ(ini.read("Settings", "Language", ""), "2");
    EXPECT_EQ(ini.read("Settings", "UDL", "none"), "none");
    EXPECT_EQ(ini.keys("Recent Files"), QStringList{"1"});
    EXPECT_FALSE(dir.read("Morvenda.ini").contains("\nUDL="));

    // The recent list does not take such a name at all: it could not come back from the file.
    mvtest::ScriptedUserPort port;
    RecentList recent(RecentListKind::files());
    EXPECT_FALSE(recent.insert(evil));
    EXPECT_TRUE(recent.insert("/tmp/plain.sql"));
    EXPECT_EQ(recent.entries(), QStringList{"/tmp/plain.sql"});
}

TEST(SettingsFile, APipeIsNoSettingsFile) {
    mvtest::TempFolder dir;
    const QString fifo = dir.file("Morvenda.ini");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Reading would wait for a writer for ever; the defaults come back at once.
    EXPECT_EQ(IniFile(fifo).read("Settings", "Language", "2"), "2");
    EXPECT_TRUE(IniFile(fifo).keys("Settings").isEmpty());
}

} // namespace
