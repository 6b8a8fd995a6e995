// Documents: numbering and keys, opening, saving and the prompts of closing and clearing.
#include "app/mv_error.h"
#include "app/texts.h"
#include "documents/documents_support.h"
#include "documents/sql_files.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace mv;
using mvtest::DocumentsFixture;

namespace {

long errorNumber(const std::function<void()>& f) {
    try {
        f();
    } catch (const MvError& e) {
        return e.number();
    }
    return 0;
}

// ---- names and keys ----

TEST(DocumentNames, CountersKeysAndFileRules) {
    EXPECT_EQ(counterText(1), "01");
    EXPECT_EQ(counterText(123), "123");
    EXPECT_EQ(newDocumentName(7), "NewSQL_07");
    EXPECT_EQ(documentKey(0.123456789, 1), "Q123456789_01");
    EXPECT_EQ(documentKey(0.9999999996, 12), "Q1000000000_12");
    EXPECT_EQ(documentKey(0.0, 100), "Q0_100");
    for (const char* report : {"/a/x.rpt", "/a/X.RPT", "/a/x.Rpt.sql", "/a.rpt/x"})
        EXPECT_TRUE(isReportFile(report)) << report;
    for (const char* other : {"/a/x.sql", "/a/rpt", "/a/x.rp"})
        EXPECT_FALSE(isReportFile(other)) << other;
    EXPECT_EQ(reportLayoutFile("/a/report.rpt"), "/a/report.rpt.bin");
    EXPECT_EQ(tempLayoutFile("/p/temp", "Q1_01"), "/p/temp/Q1_01.lyt");
    EXPECT_EQ(tempDataFile("/p/temp", "Q1_01"), "/p/temp/Q1_01.dat");
    EXPECT_EQ(standardLayoutFile("/p"), "/p/Standard.lyt");
}

TEST(DocumentNames, CountersStopAt32767AndKeysNeverRepeat) {
    std::deque<double> values{0.5, 0.5, 0.7};
    SqlTabs tabs([&] {
        const double v = values.front();
        values.pop_front();
        return v;
    });
    C_SQLTabs first;
    first.sKey = tabs.makeKey(1);
    tabs.add(first);
    EXPECT_EQ(first.sKey, "Q500000000_01");
    EXPECT_EQ(tabs.makeKey(1), "Q700000000_01");
    EXPECT_EQ(errorNumber([&] { tabs.add(first); }), 457);

    for (int i = 1; i <= 32767; ++i)
        ASSERT_EQ(tabs.nextNewDocumentNumber(), i);
    EXPECT_EQ(errorNumber([&] { tabs.nextNewDocumentNumber(); }), 6);
    EXPECT_EQ(tabs.newDocumentCount(), 32767);
    EXPECT_EQ(tabs.nextOpenedFileNumber(), 1);
}

TEST(Documents, NewDocumentsAreNumberedOnAndOpeningTakesItsOwnCounter) {
    DocumentsFixture f;
    EXPECT_EQ(f.captions(), (QStringList{"Session", "NewSQL_01"}));
    EXPECT_EQ(f.titles.last(), "NewSQL_01");
    f.commands().NewSQLFile();
    EXPECT_TRUE(f.commands().CloseSQLFile("NewSQL_02"));
    const QString path = f.write("a.sql", "select 1");
    ASSERT_TRUE(f.commands().cmdOpenSQLFile(true, path));
    f.commands().NewSQLFile();
    EXPECT_EQ(f.captions(), (QStringList{"Session", "NewSQL_01", "a.sql", "NewSQL_03"}));
    EXPECT_EQ(f.selectedCaption(), "NewSQL_03");
    EXPECT_TRUE(f.doc("NewSQL_03")->sKey.endsWith("_03"));
    EXPECT_TRUE(f.doc("a.sql")->sKey.endsWith("_01"));
    EXPECT_EQ(f.doc("NewSQL_03")->sFile, "NewSQL_03");
    EXPECT_FALSE(f.doc("NewSQL_03")->Change);
    QStringList keys = f.commands().documents().keys();
    keys.removeDuplicates();
    EXPECT_EQ(keys.size(), 3);
    for (const QString& key : keys)
        EXPECT_TRUE(QRegularExpression("^Q\\d{1,10}_\\d{2,}$").match(key).hasMatch()) << key.toStdString();
}

// ---- open ----

TEST(Documents, OpenShowsTheFileAsItStands) {
    DocumentsFixture f;
    const QString path = f.write("crlf.qry", "select *\r\nfrom t\r\nwhere x = 'ä'");
    ASSERT_TRUE(f.commands().cmdOpenSQLFile(true, path));
    EXPECT_EQ(f.editor.text(), "select *\r\nfrom t\r\nwhere x = 'ä'");
    EXPECT_EQ(f.editor.lineEnd(), "\r\n");
    EXPECT_EQ(f.selectedCaption(), "crlf.qry");
    EXPECT_EQ(f.titles.last(), "crlf.qry");
    EXPECT_FALSE(f.doc("crlf.qry")->Change);
    EXPECT_EQ(f.commands().currentFileName(), path);
    EXPECT_EQ(f.commands().lastFolder(), f.dir.path());
    EXPECT_EQ(f.commands().recentFiles().entries(), QStringList{path});
    // Text the program inserts follows the document's line ends.
    f.editor.SetCaret(3, 0, false);
    f.editor.BeiCursorEinfuegen("and y\nand z", true, false);
    ASSERT_TRUE(f.commands().cmdSQLSave());
    EXPECT_EQ(f.read("crlf.qry"), "select *\r\nfrom t\r\nwhere x = 'ä'\r\nand y\r\nand z");
    // A new document writes LF.
    f.commands().NewSQLFile();
    EXPECT_EQ(f.editor.lineEnd(), "\n");
}

TEST(Documents, OpenDialogAsksWithTheScriptFilterFirstAndCancelOpensNothing) {
    DocumentsFixture f;
    f.settings.standardQueryPath = f.file("queries");
    EXPECT_FALSE(f.commands().cmdOpenSQLFile(false, QString()));
    ASSERT_EQ(f.port.fileRequests.size(), 1);
    const FileDialogRequest& r = f.port.fileRequests.first();
    EXPECT_EQ(r.mode, FileDialogRequest::Open);
    EXPECT_EQ(r.title, "Open SQL-Script");
    EXPECT_EQ(r.filter, "Script|*.sql|Query|*.qry|Data definition|*.ddl|Report|*.rpt|All Files|*.*");
    EXPECT_EQ(r.initialDir, f.file("queries"));
    EXPECT_TRUE(r.fileName.isEmpty());
    EXPECT_TRUE(r.mustExist);
    EXPECT_EQ(f.captions().size(), 2);

    f.port.files.push_back(f.write("b.ddl", "create table t (a int)"));
    ASSERT_TRUE(f.commands().cmdOpenSQLFile(false, QString()));
    EXPECT_EQ(f.selectedCaption(), "b.ddl");
    EXPECT_EQ(f.editor.text(), "create table t (a int)");
}

TEST(Documents, TheSamePathOpensOnceAnotherSpellingTwice) {
    DocumentsFixture f;
    const QString path = f.write("a.sql", "x");
    ASSERT_TRUE(f.commands().cmdOpenSQLFile(true, path));
    EXPECT_FALSE(f.commands().cmdOpenSQLFile(true, path));
    ASSERT_EQ(f.port.messages.size(), 1);
    EXPECT_EQ(f.port.messages[0].text,
              "The File: \r\n { " + path +
                  " } \r\nis currently open!\r\nYou cannot open the same File twice.");
    EXPECT_EQ(f.port.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(f.port.messages[0].title, "Morvenda");
    EXPECT_EQ(f.captions().size(), 3);
    ASSERT_TRUE(f.commands().cmdOpenSQLFile(true, f.dir.path() + "/./a.sql"));
    EXPECT_EQ(f.captions(), (QStringList{"Session", "NewSQL_01", "a.sql", "a.sql"}));
    EXPECT_EQ(f.commands().recentFiles().size(), 2);
}

TEST(Documents, AMissingFileIsCreatedEmptyAnUnusableNameOpensNothing) {
    DocumentsFixture f;
    ASSERT_TRUE(f.commands().cmdOpenSQLFile(true, f.file("new.sql")));
    EXPECT_TRUE(QFile::exists(f.file("new.sql")));
    EXPECT_EQ(f.editor.text(), "");
    EXPECT_TRUE(f.port.messages.isEmpty());

    for (const QString& bad : {f.file("no/such/folder/x.sql"), f.dir.path()}) {
        f.port.messages.clear();
        EXPECT_FALSE(f.commands().cmdOpenSQLFile(true, bad));
        ASSERT_EQ(f.port.messages.size(), 1);
        EXPECT_EQ(f.port.messages[0].text, "Filename is invalid!");
        EXPECT_EQ(f.port.messages[0].icon, MsgIcon::None);
    }
    EXPECT_EQ(f.captions().size(), 3);
    EXPECT_EQ(f.commands().recentFiles().size(), 1);
}

// ---- save ----

TEST(Documents, SaveWritesTheFileAndNewDocumentsAskForAName) {
    DocumentsFixture f;
    const QString path = f.write("ReNewal.sql", "old");
    ASSERT_TRUE(f.commands().cmdOpenSQLFile(true, f.write("plain.sql", "select 1")));
    f.type("-- ");
    EXPECT_TRUE(f.doc("plain.sql")->Change);
    ASSERT_TRUE(f.commands().cmdSQLSave());
    EXPECT_EQ(f.read("plain.sql"), "-- select 1");
    EXPECT_FALSE(f.doc("plain.sql")->Change);
    EXPECT_TRUE(f.port.fileRequests.isEmpty());

    // A caption holding "New" anywhere asks for a file name; cancelling keeps everything.
    for (const QString& caption : {QString("NewSQL_01"), QString("ReNewal.sql")}) {
        if (caption == "ReNewal.sql")
            ASSERT_TRUE(f.commands().cmdOpenSQLFile(true, path));
        else
            f.click(caption);
        f.type("x");
        f.port.fileRequests.clear();
        EXPECT_FALSE(f.commands().cmdSQLSave());
        ASSERT_EQ(f.port.fileRequests.size(), 1) << caption.toStdString();
        EXPECT_EQ(f.port.fileRequests[0].fileName, caption);
        EXPECT_TRUE(f.doc(caption)->Change);
    }
    EXPECT_EQ(f.read("ReNewal.sql"), "old");
    // The test is case-sensitive: "Renewal" holds no "New" and saves in place.
    ASSERT_TRUE(f.commands().cmdOpenSQLFile(true, f.write("Renewal.sql", "r")));
    f.type("x");
    EXPECT_TRUE(f.commands().cmdSQLSave());
    EXPECT_EQ(f.read("Renewal.sql"), "xr");
}

TEST(Documents, SaveAsRenamesTheTabKeepsTheKeyAndAsksBeforeReplacing) {
    DocumentsFixture f;
    f.settings.standardQueryPath = f.file("q");
    f.type("select 2");
    const QString key = f.doc("NewSQL_01")->sKey;
    f.port.files.push_back(f.file("two.sql"));
    ASSERT_TRUE(f.commands().cmdSQLSaveAs());
    const FileDialogRequest& r = f.port.fileRequests.first();
    EXPECT_EQ(r.mode, FileDialogRequest::Save);
    EXPECT_EQ(r.title, "Save As ...");
    EXPECT_EQ(r.fileName, "NewSQL_01");
    EXPECT_EQ(r.initialDir, f.file("q"));
    EXPECT_TRUE(r.confirmOverwrite);
    EXPECT_EQ(f.read("two.sql"), "select 2");
    EXPECT_EQ(f.captions(), (QStringList{"Session", "two.sql"}));
    EXPECT_EQ(f.titles.last(), "two.sql");
    C_SQLTabs* doc = f.doc("two.sql");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->sKey, key);
    EXPECT_EQ(doc->sFile, f.file("two.sql"));
    EXPECT_FALSE(doc->Change);
    EXPECT_EQ(f.commands().lastFolder(), f.dir.path());
    // The next Save As starts in the file's folder; the recent list stays as it was.
    f.port.fileRequests.clear();
    f.commands().cmdSQLSaveAs();
    EXPECT_EQ(f.port.fileRequests.first().initialDir, f.dir.path());
    EXPECT_EQ(f.port.fileRequests.first().fileName, "two.sql");
    EXPECT_TRUE(f.commands().recentFiles().entries().isEmpty());
}

TEST(Documents, ReportsKeepTheirLayoutBesideTheFile) {
    DocumentsFixture f;
    f.type("select * from t");
    f.grid.bind(mvtest::sampleRows(2));
    f.grid.columns = {"B", "A"};
    f.port.files.push_back(f.file("sales.rpt"));
    ASSERT_TRUE(f.commands().cmdSQLSaveAs());
    EXPECT_EQ(f.read("sales.rpt.bin"), "B,A");
    EXPECT_TRUE(f.grid.keepLayout);

    // Save rewrites the layout of a file whose name holds ".rpt" in any case.
    const QString upper = f.write("Q.RPT", "select 1");
    ASSERT_TRUE(f.commands().cmdOpenSQLFile(true, upper));
    f.grid.columns = {"X"};
    ASSERT_TRUE(f.commands().cmdSQLSave());
    EXPECT_EQ(f.read("Q.RPT.bin"), "X");

    // Opening a report loads its layout and keeps it for the next run.
    f.grid.keepLayout = false;
    f.write("other.rpt", "select 3");
    f.write("other.rpt.bin", "C,D");
    ASSERT_TRUE(f.commands().cmdOpenSQLFile(true, f.file("other.rpt")));
    EXPECT_EQ(f.grid.columns, (QStringList{"C", "D"}));
    EXPECT_TRUE(f.grid.keepLayout);
    EXPECT_FALSE(f.grid.bound);
}

TEST(Documents, AFailedSaveKeepsTheOldFileAndTheDocumentChanged) {
    DocumentsFixture f;
    // A name so long that the replacement file beside it cannot be made.
    const QString longName = QString(250, u'n') + ".sql";
    const QString path = f.write(longName, "old text");
    ASSERT_TRUE(f.commands().cmdOpenSQLFile(true, path));
    f.type("new ");
    EXPECT_FALSE(f.commands().cmdSQLSave());
    EXPECT_EQ(f.read(longName), "old text");
    EXPECT_TRUE(f.doc(longName)->Change);
    ASSERT_EQ(f.port.messages.size(), 1);
    EXPECT_TRUE(f.port.messages[0].text.contains(path));

    // Save As into a missing folder: the document stays bound to its file, still changed.
    f.port.messages.clear();
    f.port.files.push_back(f.file("missing/x.sql"));
    EXPECT_FALSE(f.commands().cmdSQLSaveAs());
    ASSERT_EQ(f.port.messages.size(), 1);
    EXPECT_EQ(f.port.messages[0].text, "Filename is invalid!");
    EXPECT_EQ(f.port.messages[0].icon, MsgIcon::Information);
    EXPECT_EQ(f.doc(longName)->sFile, path);
    EXPECT_TRUE(f.doc(longName)->Change);
    EXPECT_EQ(f.selectedCaption(), longName + "*");
}

// ---- close and clear ----

struct PromptCase {
    MsgResult answer;
    bool closed;
    QByteArray fileAfter;
};

class ClosePrompt : public ::testing::TestWithParam<PromptCase> {};

TEST_P(ClosePrompt, EachAnswer) {
    const PromptCase c = GetParam();
    DocumentsFixture f;
    ASSERT_TRUE(f.commands().cmdOpenSQLFile(true, f.write("c.sql", "text")));
    f.type("more ");
    f.port.answers.push_back(c.answer);
    EXPECT_EQ(f.commands().cmdCloseFile_Click(), c.closed);
    ASSERT_EQ(f.port.messages.size(), 1);
    const MessageRequest& m = f.port.messages[0];
    EXPECT_EQ(m.text, "Do you want to save changes in\r\n{c.sql} ?");
    EXPECT_EQ(m.title, "Morvenda");
    EXPECT_EQ(m.icon, MsgIcon::Question);
    EXPECT_EQ(m.buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(m.defaultButton, MsgResult::No);
    EXPECT_EQ(f.read("c.sql"), c.fileAfter);
    if (c.closed) {
        EXPECT_EQ(f.captions(), (QStringList{"Session", "NewSQL_01"}));
        // The neighbour the strip selected is the current document now.
        EXPECT_EQ(f.commands().currentKey(), f.doc(f.selectedCaption())->sKey);
        EXPECT_EQ(f.editor.text(), "");
    } else {
        EXPECT_EQ(f.selectedCaption(), "c.sql*");
        EXPECT_EQ(f.editor.text(), "more text");
        EXPECT_TRUE(f.doc("c.sql")->Change);
    }
}

INSTANTIATE_TEST_SUITE_P(Documents, ClosePrompt,
                         ::testing::Values(PromptCase{MsgResult::Yes, true, "more text"},
                                           PromptCase{MsgResult::No, true, "text"},
                                           PromptCase{MsgResult::Cancel, false, "text"}));

TEST(Documents, CloseAsksOnlyForChangedTextAndNeverClosesTheSessionTab) {
    DocumentsFixture f;
    f.type("x");
    EXPECT_TRUE(f.doc("NewSQL_01")->Change);
    // Emptied again, the text is what it was when saved (nothing): unchanged.
    f.editor.clearText();
    EXPECT_FALSE(f.doc("NewSQL_01")->Change);
    f.commands().NewSQLFile();
    EXPECT_TRUE(f.commands().CloseSQLFile("NewSQL_02"));
    f.click("NewSQL_01");
    EXPECT_TRUE(f.commands().CloseSQLFile("NewSQL_01"));
    EXPECT_TRUE(f.port.messages.isEmpty());
    EXPECT_EQ(f.captions(), QStringList{"Session"});
    // The strip fell back to the Session tab, which shows the protocol and cannot close.
    EXPECT_EQ(f.commands().currentKey(), "kSession");
    EXPECT_EQ(f.editor.text(), f.session.SessionText());
    EXPECT_FALSE(f.commands().cmdCloseFile_Click());
    EXPECT_EQ(f.captions(), QStringList{"Session"});
}

TEST(Documents, YesToCloseWithACancelledSaveAsKeepsTheDocument) {
    DocumentsFixture f;
    f.type("unsaved work");
    f.port.answers.push_back(MsgResult::Yes);
    EXPECT_FALSE(f.commands().cmdCloseFile_Click());
    EXPECT_EQ(f.port.fileRequests.size(), 1);
    EXPECT_EQ(f.captions(), (QStringList{"Session", "NewSQL_01*"}));
    EXPECT_EQ(f.editor.text(), "unsaved work");
}

class ToolbarClear : public ::testing::TestWithParam<MsgResult> {};

TEST_P(ToolbarClear, EachAnswer) {
    const MsgResult answer = GetParam();
    DocumentsFixture f;
    ASSERT_TRUE(f.commands().cmdOpenSQLFile(true, f.write("t.sql", "keep me")));
    f.port.answers.push_back(answer);
    f.port.files.push_back(f.file("copy.sql"));
    f.commands().cmdDElQueryText();
    ASSERT_EQ(f.port.messages.size(), 1);
    EXPECT_EQ(f.port.messages[0].text, "Do you want to save changes?");
    EXPECT_EQ(f.port.messages[0].defaultButton, MsgResult::No);
    EXPECT_EQ(f.port.messages[0].buttons, MsgButtons::YesNoCancel);
    if (answer == MsgResult::Cancel) {
        EXPECT_EQ(f.editor.text(), "keep me");
        EXPECT_EQ(f.commands().currentFileName(), f.file("t.sql"));
        return;
    }
    EXPECT_EQ(f.editor.text(), "");
    EXPECT_TRUE(f.commands().currentFileName().isEmpty());
    EXPECT_EQ(f.titles.last(), "");
    EXPECT_EQ(QFile::exists(f.file("copy.sql")), answer == MsgResult::Yes);
    if (answer == MsgResult::Yes) {
        EXPECT_EQ(f.read("copy.sql"), "keep me");
    }
    // The clearing is an edit the user can take back.
    f.editor.undo();
    EXPECT_EQ(f.editor.text(), "keep me");
}

INSTANTIATE_TEST_SUITE_P(Documents, ToolbarClear,
                         ::testing::Values(MsgResult::Yes, MsgResult::No, MsgResult::Cancel));

TEST(Documents, MenuClearAsksOnlyForChangedText) {
    DocumentsFixture f;
    ASSERT_TRUE(f.commands().cmdOpenSQLFile(true, f.write("m.sql", "abc")));
    f.commands().cmdDelText();
    EXPECT_TRUE(f.port.messages.isEmpty());
    EXPECT_EQ(f.editor.text(), "");

    f.type("typed");
    f.port.answers = {MsgResult::Cancel, MsgResult::Yes};
    f.commands().cmdDelText();
    EXPECT_EQ(f.editor.text(), "typed");
    ASSERT_EQ(f.port.messages.size(), 1);
    EXPECT_EQ(f.port.messages[0].text, "Do you want to save changes in\r\n{m.sql} ?");
    f.commands().cmdDelText();
    EXPECT_EQ(f.read("m.sql"), "typed");
    EXPECT_EQ(f.editor.text(), "");
}

TEST(Documents, MessagesInGerman) {
    setLanguage(1);
    EXPECT_EQ(alreadyOpenText("/x.sql"), "Die Datei: \r\n { /x.sql } \r\nist bereits geöffnet!\r\nSie die "
                                         "gleiche Datei nicht mehrmals öffnen.");
    EXPECT_EQ(closeQuestionText("a.sql"), "Wollen sie die Änderungen in der Datei \r\n{a.sql} speichern?");
    EXPECT_EQ(shutdownQuestionText("a.sql"), "Wollen sie die Änderungen in {a.sql} speichern?");
    EXPECT_EQ(clearQuestionText(), "Wollen sie die Änderungen speichern?");
    EXPECT_EQ(invalidFileNameText(), "Der Dateiname ist ungültig!");
    EXPECT_EQ(accessDeniedText(), "Die Datei kann nicht gespeichert werden, Zugriff wurde verweigert!\r\n"
                                  "Überprüfen sie ob die Datei 'Schreibgeschützt' ist!");
    {
        DocumentsFixture f;
        f.commands().cmdOpenSQLFile(false, QString());
        EXPECT_EQ(f.port.fileRequests.first().title, "SQL-Skript öffnen");
        f.commands().cmdSQLSaveAs();
        EXPECT_EQ(f.port.fileRequests.last().title, "Speichern Unter ...");
    }
    setLanguage(2);
    EXPECT_EQ(accessDeniedText(),
              "Can't save the File, Acces denied!\r\nCheck if the File is 'Write Protected'!");
}

} // namespace
