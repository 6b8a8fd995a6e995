// Every file the program writes, on a full disk and on a read-only one: the write is reported with
// the file's path, an earlier file stays byte for byte as it was, and no temporary file is left.
#include "app/atomic_file.h"
#include "app/ini_file.h"
#include "app/settings.h"
#include "documents/recent_files.h"
#include "app/text_file.h"
#include "app/texts.h"
#include "db/data_link_file.h"
#include "db/recordset_binary.h"
#include "db/recordset_builder.h"
#include "db/recordset_xml.h"
#include "documents/sql_files.h"
#include "results/export_file.h"
#include "results/grid_layout.h"
#include "session/session_log.h"
#include "support/scripted_user_port.h"
#include "support/small_file_system.h"

#include <QDir>
#include <functional>
#include <gtest/gtest.h>

using namespace mv;

namespace {

// Large enough that it never fits into the last free bytes of a full file system.
QString bigText() {
    return QString(200'000, u'x');
}

Recordset bigRecordset() {
    RecordsetBuilder b({FieldInfo{"id", ado::adInteger}, FieldInfo{"name", ado::adVarWChar, 50000}});
    for (int i = 0; i < 20; ++i) b.appendRow({i, QString(20'000, QChar(u'a' + i))});
    return b.finish();
}

// A writer writes its (new, large) content to path; true when it says it succeeded. Writers that
// report through exceptions have them caught here and their text kept.
struct Writer {
    const char* name;
    std::function<bool(const QString& path, QString* error)> write;
};

template <class F> bool throwing(F&& body, QString* error) {
    try {
        body();
        return true;
    } catch (const MvError& e) {
        *error = e.description();
        return false;
    }
}

const Writer kWriters[] = {
    {"TextFile", [](const QString& p, QString*) { return DateiSpeichern(p, bigText()); }},
    {"SqlFile", [](const QString& p, QString*) { return writeSqlFile(p, bigText()); }},
    {"SqlFileUtf16",
     [](const QString& p, QString*) {
         TextEncoding e = TextEncoding::Utf16LE;
         return writeSqlFile(p, bigText(), &e);
     }},
    {"Settings",
     [](const QString& p, QString*) {
         RecentList recent(RecentListKind::files());
         recent.insert("/data/" + bigText() + ".sql");
         return recent.save(IniFile(p));
     }},
    {"SettingsAtExit",
     [](const QString& p, QString*) {
         // The file is large, so even the one key written at exit needs room.
         Settings s;
         s.autoSyntaxColoring = false;
         SaveSettings(IniFile(p), s);
         return QFile(p).size() > 0 && IniFile(p).read("Settings", "AutoSyntaxColoring", "") == "False";
     }},
    {"DataLink",
     [](const QString& p, QString* e) {
         return throwing([&] { writeDataLinkFile(p, "DSN=x;Extended=" + bigText()); }, e);
     }},
    {"Export",
     [](const QString& p, QString* e) {
         return throwing(
             [&] {
                 writeFileAtomically(p, [](QIODevice& d) {
                     ExportSink sink(d);
                     for (int i = 0; i < 50; ++i) sink.write(QByteArray(10'000, 'e'));
                 });
             },
             e);
     }},
    {"Layout",
     [](const QString& p, QString* e) {
         GridLayout layout;
         for (int i = 0; i < 2000; ++i) {
             GridColumn c;
             c.key = c.caption = QStringLiteral("column_with_a_long_name_%1").arg(i);
             layout.columns << c;
         }
         return throwing([&] { saveLayoutFile(layout, p); }, e);
     }},
    {"RecordsetBinary", [](const QString& p, QString* e) { return throwing([&] { saveBinary(bigRecordset(), p); }, e); }},
    {"RecordsetXml", [](const QString& p, QString* e) { return throwing([&] { saveXml(bigRecordset(), p); }, e); }},
};

class Writers : public testing::TestWithParam<Writer> {};

void expectRefusedAndIntact(const Writer& w, mvtest::SmallFileSystem& fs, const QString& path,
                            const QByteArray& before, const QStringList& entriesBefore) {
    mvtest::ScriptedUserPort port;
    QString error;
    EXPECT_FALSE(w.write(path, &error)) << w.name;
    // Told, with the path: as a message box or in the error the caller reports.
    const QString told = error.isEmpty() ? port.lastText() : error;
    EXPECT_TRUE(told.contains(path)) << w.name << ": " << told.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << w.name;
    EXPECT_EQ(f.readAll(), before) << w.name;
    EXPECT_EQ(fs.entries(), entriesBefore) << w.name << ": a temporary file was left";
}

TEST_P(Writers, FullDiskKeepsTheEarlierFileAndSaysSo) {
    mvtest::SmallFileSystem fs(192);
    MVTEST_REQUIRE_SMALL_FS(fs);
    const Writer& w = GetParam();
    const QString path = fs.file("target.file");
    // The earlier file is one the writer wrote itself, so it is what the program would read.
    {
        mvtest::ScriptedUserPort port;
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("the earlier content\r\n");
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    const QStringList entries = fs.entries();
    fs.fill();
    expectRefusedAndIntact(w, fs, path, before, entries);
}

TEST_P(Writers, ReadOnlyDiskKeepsTheEarlierFileAndSaysSo) {
    mvtest::SmallFileSystem fs(1024);
    MVTEST_REQUIRE_SMALL_FS(fs);
    const Writer& w = GetParam();
    const QString path = fs.file("target.file");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("kept as it was");
    }
    ASSERT_TRUE(fs.setReadOnly(true));
    expectRefusedAndIntact(w, fs, path, "kept as it was", fs.entries());
    fs.setReadOnly(false);
}

TEST_P(Writers, WritesWholeWhenThereIsRoom) {
    mvtest::SmallFileSystem fs(8192);
    MVTEST_REQUIRE_SMALL_FS(fs);
    const Writer& w = GetParam();
    mvtest::ScriptedUserPort port;
    const QString path = fs.file("target.file");
    QString error;
    EXPECT_TRUE(w.write(path, &error)) << w.name << error.toStdString();
    EXPECT_GT(QFileInfo(path).size(), std::string(w.name) == "SettingsAtExit" ? 10 : 100'000) << w.name;
    EXPECT_EQ(fs.entries(), QStringList{"target.file"}) << w.name;
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, Writers, testing::ValuesIn(kWriters),
                         [](const testing::TestParamInfo<Writer>& i) { return std::string(i.param.name); });

TEST(AtomicFile, ARemovedFolderAndAFolderNameAreRefusedWithTheirReason) {
    setLanguage(2);
    QString reason;
    EXPECT_FALSE(writeWholeFile("/tmp/mv-no-such-folder-4711/x.txt", "x", &reason));
    EXPECT_EQ(reason, "The folder does not exist");
    EXPECT_FALSE(writeWholeFile(QDir::tempPath(), "x", &reason));
    EXPECT_EQ(reason, "The name belongs to a folder");
    setLanguage(1);
    EXPECT_FALSE(writeWholeFile("/tmp/mv-no-such-folder-4711/x.txt", "x", &reason));
    EXPECT_EQ(reason, "Der Ordner existiert nicht");
    setLanguage(2);
}

TEST(AtomicFile, ReplacingKeepsPermissionsAndFollowsALink) {
    mvtest::TempFolder dir;
    const QString real = dir.write("real.sql", "old");
    QFile::setPermissions(real, QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(QFile::link(real, dir.file("link.sql")));
    QString reason;
    ASSERT_TRUE(writeWholeFile(dir.file("link.sql"), "new", &reason)) << reason.toStdString();
    EXPECT_TRUE(QFileInfo(dir.file("link.sql")).isSymLink());
    EXPECT_EQ(dir.read("real.sql"), "new");
    EXPECT_EQ(QFile::permissions(real) & 0x0FFF, QFile::ReadUser | QFile::WriteUser);
}

TEST(AtomicFile, CancelledOrUncommittedWritesLeaveNothing) {
    mvtest::TempFolder dir;
    dir.write("a.txt", "before");
    {
        AtomicFile f(dir.file("a.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("half");
    } // never committed
    {
        AtomicFile f(dir.file("a.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(1 << 20, 'z'));
        f.cancelWriting();
        EXPECT_FALSE(f.commit());
    }
    EXPECT_EQ(dir.read("a.txt"), "before");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"a.txt"});
}

TEST(SessionFiles, AFullDiskLeavesNoEmptySessionFile) {
    mvtest::SmallFileSystem fs(128);
    MVTEST_REQUIRE_SMALL_FS(fs);
    mvtest::ScriptedUserPort port;
    SessionLog log(fs.path());
    log.StartSession(false);
    log.append(bigText());
    fs.fill();
    log.EndSession();
    EXPECT_FALSE(port.messages.isEmpty());
    EXPECT_TRUE(fs.entries().isEmpty()) << fs.entries().join(',').toStdString();
}

} // namespace
