#include "app/mv_error.h"
#include "app/texts.h"
#include "db/data_link_file.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"

#include <QDir>
#include <QStringEncoder>
#include <gtest/gtest.h>

using namespace mv;

namespace {

QByteArray utf16le(const QString& text) {
    return QStringEncoder(QStringConverter::Utf16LE)(text);
}

const QString kHeader = "[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n";

TEST(DataLinkFile, WritesBomUtf16LeAndCrLfLines) {
    mvtest::TempFolder dir;
    const QString cs = "Provider=SQLOLEDB.1;Data Source=Grüße€";
    writeDataLinkFile(dir.file("a.udl"), cs);
    const QByteArray bytes = dir.read("a.udl");
    EXPECT_EQ(bytes.left(4), QByteArray("\xFF\xFE[\x00", 4));
    EXPECT_EQ(bytes, QByteArray("\xFF\xFE", 2) + utf16le(kHeader + cs + "\r\n"));
    EXPECT_EQ(readDataLinkFile(dir.file("a.udl")), cs);
}

TEST(DataLinkFile, OverwritingALongerFileLeavesNoOldBytes) {
    mvtest::TempFolder dir;
    const QString file = dir.write("a.udl", QByteArray(5000, 'x'));
    writeDataLinkFile(file, "DSN=x");
    EXPECT_EQ(dir.read("a.udl"), QByteArray("\xFF\xFE", 2) + utf16le(kHeader + "DSN=x\r\n"));
}

TEST(DataLinkFile, MultiLineStringIsRefusedAndTheOldFileKept) {
    mvtest::TempFolder dir;
    const QString file = dir.write("a.udl", "old");
    try {
        writeDataLinkFile(file, "DSN=x\r\nPWD=y");
        FAIL() << "no error";
    } catch (const MvError& e) {
        EXPECT_EQ(e.description(), "The connection string must be a single line.");
    }
    EXPECT_EQ(dir.read("a.udl"), "old");
}

TEST(DataLinkFile, UnwritableFolderGivesAClearError) {
    mvtest::TempFolder dir;
    try {
        writeDataLinkFile(dir.file("missing/a.udl"), "DSN=x");
        FAIL() << "no error";
    } catch (const MvError& e) {
        EXPECT_EQ(e.number(), err::PathFileAccess);
        EXPECT_TRUE(
            e.description().startsWith("The file \"" + dir.file("missing/a.udl") + "\" cannot be written: "));
    }
}

struct ReadCase {
    const char* name;
    QByteArray bytes;
    QString expected;
};

class ReadEncodings : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadEncodings, TakesTheThirdLine) {
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    EXPECT_EQ(GetCSFromFile(dir.write("a.udl", GetParam().bytes)), GetParam().expected);
    EXPECT_TRUE(port.messages.isEmpty()) << port.lastText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadEncodings,
    ::testing::Values(ReadCase{"Utf16LeBom",
                               QByteArray("\xFF\xFE", 2) + utf16le("[oledb]\r\n; x\r\nDSN=Grüße\r\n"),
                               "DSN=Grüße"},
                      ReadCase{"Utf16LeNoBom", utf16le("[oledb]\r\n; x\r\nDSN=a\r\n"), "DSN=a"},
                      ReadCase{"Utf16BeBom",
                               QByteArray("\xFE\xFF", 2) +
                                   QStringEncoder(QStringConverter::Utf16BE)(QString("a\r\nb\r\nDSN=b")),
                               "DSN=b"},
                      ReadCase{"Utf8", QString("[oledb]\n; x\nPWD=Grüße\n").toUtf8(), "PWD=Grüße"},
                      ReadCase{"Utf8Bom",
                               QByteArray("\xEF\xBB\xBF") + QString("a\r\nb\r\nDSN=€\r\nmore\r\n").toUtf8(),
                               "DSN=€"},
                      ReadCase{"CrOnly", "a\rb\rDSN=c", "DSN=c"},
                      ReadCase{"FirstLinesIgnored", "anything\r\nat all\r\nDriver=SQLite3;Database=/x.db\r\n",
                               "Driver=SQLite3;Database=/x.db"},
                      ReadCase{"EmptyThirdLine", "[oledb]\r\n; x\r\n\r\n", ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct FailCase {
    const char* name;
    QByteArray bytes;
    QString text; // expected start of the box text
};

class ReadFailures : public ::testing::TestWithParam<FailCase> {};

TEST_P(ReadFailures, ReportsAndReturnsEmpty) {
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    const QString file = dir.write("a.udl", GetParam().bytes);
    EXPECT_EQ(GetCSFromFile(file), "");
    ASSERT_EQ(port.messages.size(), 1);
    QString expected = GetParam().text;
    expected.replace("%1", file);
    EXPECT_TRUE(port.lastText().startsWith(expected)) << port.lastText().toStdString();
    EXPECT_TRUE(port.lastText().endsWith("in Module {Globals}\r\nin Function {GetCSFromFile}"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadFailures,
    ::testing::Values(
        FailCase{
            "TwoLines", "[oledb]\r\n; x\r\n",
            "The data link file \"%1\" has fewer than three lines, so it holds no connection string. [62]"},
        FailCase{"EmptyFile", "", "The data link file \"%1\" has fewer than three lines"},
        FailCase{"Binary", QByteArray("\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR\x00\x00", 18),
                 "The file \"%1\" is not a data link file: it holds no readable text. [321]"},
        FailCase{"InvalidUtf8", "a\r\nb\r\nDSN=\xC3\x28\r\n", "The file \"%1\" is not a data link file"},
        FailCase{"OddUtf16", QByteArray("\xFF\xFE\x41\x00\x42", 5),
                 "The file \"%1\" is not a data link file"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GetCSFromFile, MissingFileIsReported) {
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    EXPECT_EQ(GetCSFromFile(dir.file("none.udl")), "");
    EXPECT_TRUE(port.lastText().startsWith("The file \"" + dir.file("none.udl") + "\" was not found. [53]"));
}

TEST(GetCSFromFile, InvalidFileNameShowsItsOwnPlainBox) {
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    setLanguage(1);
    EXPECT_EQ(GetCSFromFile(""), "");
    setLanguage(2);
    EXPECT_EQ(GetCSFromFile(dir.path()), "");
    ASSERT_EQ(port.messages.size(), 2);
    EXPECT_EQ(port.messages[0].text, "Der Dateiname ist ungültig!");
    EXPECT_EQ(port.messages[1].text, "Filename is invalid!");
    EXPECT_EQ(port.messages[1].icon, MsgIcon::None);
    EXPECT_EQ(port.messages[1].buttons, MsgButtons::Ok);
    EXPECT_EQ(port.messages[1].title, "Morvenda");
}

TEST(Shortcuts, WhichFilesConnectDirectly) {
    const std::pair<QString, FileShortcut> cases[] = {
        {"C:\\Data\\Old.MDB", FileShortcut::Jet},
        {"/x/x.mdb.bak", FileShortcut::Jet},
        {"/data.mdb.d/conn.udl", FileShortcut::None},
        {"/x/conn.udl", FileShortcut::None},
        {"/x/a.db", FileShortcut::SQLite},
        {"/x/A.SQLite3", FileShortcut::SQLite},
        {"/x/b.sqlite", FileShortcut::SQLite},
        {"/x/x.mdb.db", FileShortcut::SQLite},
        {"/x/a.dbf", FileShortcut::None},
    };
    for (const auto& [file, kind] : cases)
        EXPECT_EQ(shortcutOf(file), kind) << file.toStdString();
}

TEST(Shortcuts, ConnectionStrings) {
    EXPECT_EQ(shortcutConnectionString("/d/Nwind.MDB"),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/d/Nwind.MDB;Persist Security Info=False");
    EXPECT_EQ(shortcutConnectionString("/d/a;b.mdb"),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\"/d/a;b.mdb\";Persist Security Info=False");
    EXPECT_EQ(shortcutConnectionString("/d/demo.db"), "Driver=SQLite3;Database=/d/demo.db");
    EXPECT_EQ(shortcutConnectionString("/d/a;b.sqlite"), "Driver=SQLite3;Database={/d/a;b.sqlite}");
    EXPECT_EQ(shortcutConnectionString("/d/demo.udl"), "");
}

// A prompt that records what it was given and answers as told.
struct FakePrompt {
    DataLinkAnswer answer;
    QStringList asked;
    DataLinkPrompt fn() {
        return [this](const QString& initial) {
            asked << initial;
            return answer;
        };
    }
};

TEST(NewDataLinkFile, SavesTheDialogsStringWhereTheUserSays) {
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    port.files.push_back(dir.file("new.udl"));
    FakePrompt prompt{{DataLinkAnswer::Accepted, "Driver=SQLite3;Database=/x.db"}, {}};
    EXPECT_EQ(NewDataLinkFile(prompt.fn(), "/std/udl"), dir.file("new.udl"));
    EXPECT_EQ(prompt.asked, QStringList{""});
    ASSERT_EQ(port.fileRequests.size(), 1);
    const FileDialogRequest& r = port.fileRequests[0];
    EXPECT_EQ(r.mode, FileDialogRequest::Save);
    EXPECT_EQ(r.title, "Save Data Link File");
    EXPECT_EQ(r.filter, "Data Link File (*.udl) | *.udl");
    EXPECT_EQ(r.initialDir, "/std/udl");
    EXPECT_EQ(r.fileName, "");
    EXPECT_EQ(readDataLinkFile(dir.file("new.udl")), "Driver=SQLite3;Database=/x.db");
}

TEST(NewDataLinkFile, CancelInTheDialogOrTheSaveDialogWritesNothing) {
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    FakePrompt cancelled{{DataLinkAnswer::Cancelled, {}}, {}};
    EXPECT_EQ(NewDataLinkFile(cancelled.fn(), dir.path()), "");
    EXPECT_TRUE(port.fileRequests.isEmpty());
    FakePrompt accepted{{DataLinkAnswer::Accepted, "DSN=x"}, {}};
    EXPECT_EQ(NewDataLinkFile(accepted.fn(), dir.path()), ""); // the save dialog is cancelled
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    EXPECT_TRUE(port.messages.isEmpty());
}

TEST(NewDataLinkFile, NoProviderMessageInBothLanguages) {
    mvtest::ScriptedUserPort port;
    FakePrompt none{{DataLinkAnswer::NoProvider, {}}, {}};
    NewDataLinkFile(none.fn(), "");
    setLanguage(1);
    NewDataLinkFile(none.fn(), "");
    setLanguage(2);
    ASSERT_EQ(port.messages.size(), 2);
    EXPECT_EQ(port.messages[0].text, "No provider available.");
    EXPECT_EQ(port.messages[0].title, "Morvenda: No valid provider");
    EXPECT_EQ(port.messages[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(port.messages[1].text, "Kein Provider verfügbar.");
    EXPECT_EQ(port.messages[1].title, "Morvenda: Kein gültiger Provider");
    EXPECT_TRUE(port.fileRequests.isEmpty());
}

TEST(EditDataLinkFile, OkWritesTheEditedStringBack) {
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    const QString file = dir.write("e.udl", QString("[oledb]\n; x\nDSN=old\n").toUtf8());
    port.files.push_back(file);
    FakePrompt prompt{{DataLinkAnswer::Accepted, "DSN=new;UID=u"}, {}};
    setLanguage(1);
    EXPECT_EQ(EditDataLinkFile(prompt.fn()), file);
    setLanguage(2);
    EXPECT_EQ(prompt.asked, QStringList{"DSN=old"});
    const FileDialogRequest& r = port.fileRequests[0];
    EXPECT_EQ(r.mode, FileDialogRequest::Open);
    EXPECT_EQ(r.title, "Data Link Datei öffnen");
    EXPECT_EQ(r.filter, "Data Link Datei (*.udl) | *.udl");
    EXPECT_EQ(r.initialDir, "");
    EXPECT_EQ(dir.read("e.udl"), QByteArray("\xFF\xFE", 2) + utf16le(kHeader + "DSN=new;UID=u\r\n"));
}

TEST(EditDataLinkFile, CancelOrAnUnchangedStringLeavesTheFileAsItWas) {
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    const QByteArray original = QString("[oledb]\n; x\nDSN=old\n").toUtf8();
    const QString file = dir.write("e.udl", original);
    port.files = {file, file};
    FakePrompt cancelled{{DataLinkAnswer::Cancelled, "DSN=other"}, {}};
    EditDataLinkFile(cancelled.fn());
    FakePrompt unchanged{{DataLinkAnswer::Accepted, "DSN=old"}, {}};
    EditDataLinkFile(unchanged.fn());
    EXPECT_EQ(dir.read("e.udl"), original);
}

TEST(EditDataLinkFile, AnUnreadableFileIsReportedAndNotOfferedForEditing) {
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    const QByteArray garbage("\x00\x01\x02\x03\xFF\xFF\x00", 7);
    port.files.push_back(dir.write("g.udl", garbage));
    FakePrompt prompt{{DataLinkAnswer::Accepted, "DSN=x"}, {}};
    EditDataLinkFile(prompt.fn());
    EXPECT_TRUE(prompt.asked.isEmpty());
    EXPECT_EQ(dir.read("g.udl"), garbage);
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_TRUE(port.lastText().contains("is not a data link file"));
}

TEST(EditDataLinkFile, NothingChosenDoesNothing) {
    mvtest::ScriptedUserPort port;
    FakePrompt prompt{{DataLinkAnswer::Accepted, "DSN=x"}, {}};
    EXPECT_EQ(EditDataLinkFile(prompt.fn()), "");
    EXPECT_TRUE(prompt.asked.isEmpty());
}

} // namespace
