// Documents: switching tabs (text, change flag, rows and layout come back), the Session tab, the
// recent files in the window and the save question at shutdown.
#include "app/command_bars_widget.h"
#include "app/command_dispatcher.h"
#include "app/ini_file.h"
#include "documents/documents_support.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace mv;
using mvtest::DocumentsFixture;

namespace {

TEST(DocumentTabs, SwitchingBringsBackTextChangeFlagRowsAndLayout) {
    DocumentsFixture f;
    f.type("select a, b from t");
    f.grid.bind(mvtest::sampleRows(3));
    f.grid.columns = {"B", "A"};
    const QString keyA = f.doc("NewSQL_01")->sKey;
    ASSERT_TRUE(f.commands().cmdOpenSQLFile(true, f.write("b.sql", "select 2")));
    EXPECT_TRUE(QFile::exists(tempLayoutFile(f.file("temp"), keyA)));
    EXPECT_TRUE(QFile::exists(tempDataFile(f.file("temp"), keyA)));
    // A document that never had results shows an empty grid.
    EXPECT_FALSE(f.grid.bound);
    EXPECT_TRUE(f.grid.columns.isEmpty());

    f.click("NewSQL_01");
    EXPECT_EQ(f.editor.text(), "select a, b from t");
    EXPECT_TRUE(f.doc("NewSQL_01")->Change);
    EXPECT_EQ(f.grid.recordCount(), 3);
    EXPECT_EQ(f.grid.rows.text(2, 1), "row 2");
    EXPECT_EQ(f.grid.columns, (QStringList{"B", "A"}));
    EXPECT_EQ(f.titles.last(), "NewSQL_01");
    EXPECT_EQ(f.counts.last(), 3);
    EXPECT_EQ(f.editor.caretPos(), (SqlEditorWidget::TextPos{0, 0}));

    f.click("b.sql");
    EXPECT_EQ(f.editor.text(), "select 2");
    EXPECT_FALSE(f.doc("b.sql")->Change);
    EXPECT_FALSE(f.grid.bound);
    EXPECT_EQ(f.counts.last(), 0);
    // Undo in one document never brings back another document's text.
    f.editor.undo();
    EXPECT_EQ(f.editor.text(), "select 2");
}

TEST(DocumentTabs, RowsThatWentAwayDoNotComeBackAndClosingRemovesTheParkedFiles) {
    DocumentsFixture f;
    f.grid.bind(mvtest::sampleRows(2));
    const QString key = f.doc("NewSQL_01")->sKey;
    f.commands().NewSQLFile();
    f.click("NewSQL_01");
    ASSERT_TRUE(f.grid.bound);
    // A failed run leaves the grid without rows: the old rows are not this document's result any
    // more, but the headers it still shows come back with the document.
    f.grid.unbind();
    f.click("NewSQL_02");
    EXPECT_TRUE(f.grid.columns.isEmpty());
    f.click("NewSQL_01");
    EXPECT_FALSE(f.grid.bound);
    EXPECT_EQ(f.grid.columns, (QStringList{"A", "B"}));
    EXPECT_FALSE(QFile::exists(tempDataFile(f.file("temp"), key)));

    f.grid.bind(mvtest::sampleRows(1));
    f.click("NewSQL_02");
    ASSERT_TRUE(QFile::exists(tempDataFile(f.file("temp"), key)));
    f.click("NewSQL_01");
    EXPECT_TRUE(f.commands().CloseSQLFile("NewSQL_01"));
    EXPECT_FALSE(QFile::exists(tempDataFile(f.file("temp"), key)));
    EXPECT_FALSE(QFile::exists(tempLayoutFile(f.file("temp"), key)));
}

TEST(DocumentTabs, SaveAsKeepsTheRowsOfTheRenamedDocument) {
    DocumentsFixture f;
    f.type("select 1");
    f.grid.bind(mvtest::sampleRows(4));
    f.port.files.push_back(f.file("kept.sql"));
    ASSERT_TRUE(f.commands().cmdSQLSaveAs());
    EXPECT_EQ(f.grid.recordCount(), 4);
    f.commands().NewSQLFile();
    f.click("kept.sql");
    EXPECT_EQ(f.grid.recordCount(), 4);
    EXPECT_EQ(f.editor.text(), "select 1");
    EXPECT_FALSE(f.doc("kept.sql")->Change);
}

TEST(DocumentTabs, EnteringAReportLoadsItsLayoutUntilItHasRows) {
    DocumentsFixture f;
    f.write("r.rpt", "select a, b from t");
    f.write("r.rpt.bin", "B,A");
    ASSERT_TRUE(f.commands().cmdOpenSQLFile(true, f.file("r.rpt")));
    f.click("NewSQL_01");
    f.grid.keepLayout = false;
    f.grid.loaded.clear();
    f.click("r.rpt");
    EXPECT_EQ(f.grid.loaded, QStringList{f.file("r.rpt.bin")});
    EXPECT_EQ(f.grid.columns, (QStringList{"B", "A"}));
    EXPECT_TRUE(f.grid.keepLayout);

    // With rows the report comes back as it was left.
    f.grid.bind(mvtest::sampleRows(2));
    f.grid.columns = {"A"};
    f.click("NewSQL_01");
    f.click("r.rpt");
    EXPECT_EQ(f.grid.recordCount(), 2);
    EXPECT_EQ(f.grid.columns, QStringList{"A"});
}

TEST(DocumentTabs, NewDocumentsAndTheSessionTabUseTheStandardLayout) {
    DocumentsFixture f;
    f.write("Standard.lyt", "S1,S2");
    f.grid.bind(mvtest::sampleRows(1));
    f.commands().NewSQLFile();
    EXPECT_FALSE(f.grid.bound);
    EXPECT_EQ(f.grid.columns, (QStringList{"S1", "S2"}));
    f.grid.loaded.clear();
    f.click("Session");
    EXPECT_EQ(f.grid.loaded, QStringList{f.file("Standard.lyt")});
    EXPECT_EQ(f.grid.sessionShown, 1);
}

TEST(DocumentTabs, TheSessionTabShowsTheProtocolReadOnly) {
    DocumentsFixture f;
    QMainWindow window;
    CommandDispatcher dispatcher;
    f.tabs.registerCommands(dispatcher);
    for (const char* key : {"kExecute", "kStop", "kDelLog"})
        dispatcher.add(key, [] {});
    CommandBarsWidget bars(&window, dispatcher);
    bars.buildMenuBar();
    bars.buildToolbar();
    f.tabs.setCommandBars(&bars);
    QList<bool> modes;
    QObject::connect(&f.tabs, &DocumentTabsWidget::sessionModeChanged, [&](bool shown) { modes << shown; });
    auto toolbarAction = [&](const QString& key) {
        for (QAction* a : bars.toolbar()->actions())
            if (a->objectName() == key) return a;
        return static_cast<QAction*>(nullptr);
    };

    f.type("select 1");
    f.session.append("// more protocol\r\n");
    f.click("Session");
    EXPECT_EQ(f.editor.text(), f.session.SessionText());
    EXPECT_TRUE(f.editor.isReadOnly());
    EXPECT_EQ(f.titles.last(), "Session");
    EXPECT_EQ(f.editor.caretPos().line, f.editor.lines() - 1);
    EXPECT_EQ(modes, QList<bool>{true});
    EXPECT_FALSE(f.tabs.cmdCloseFile()->isEnabled());
    for (const char* key : {"kSave", "kSaveAs", "kCloseFile"})
        EXPECT_FALSE(bars.action(key)->isEnabled()) << key;
    for (const char* key : {"kScrSave", "kScrSaveAs", "kDelSQL", "kExecute", "kStop"})
        EXPECT_FALSE(toolbarAction(key)->isEnabled()) << key;
    EXPECT_FALSE(bars.menu("kQuery")->menuAction()->isEnabled());
    EXPECT_TRUE(bars.action("kDelLog")->isVisible());
    // The protocol cannot be edited, and it is no document.
    f.editor.SelectAllText();
    f.editor.removeSelectedText();
    EXPECT_EQ(f.editor.text(), f.session.SessionText());
    f.commands().cmdDElQueryText();
    EXPECT_TRUE(f.port.messages.isEmpty());

    f.click("NewSQL_01");
    EXPECT_FALSE(f.editor.isReadOnly());
    EXPECT_EQ(f.editor.text(), "select 1");
    EXPECT_TRUE(f.tabs.cmdCloseFile()->isEnabled());
    EXPECT_TRUE(bars.action("kSave")->isEnabled());
    EXPECT_TRUE(toolbarAction("kScrSave")->isEnabled());
    EXPECT_FALSE(bars.action("kDelLog")->isVisible());
    EXPECT_EQ(modes.last(), false);
}

TEST(DocumentTabs, RecentFilesFollowOpeningOnly) {
    DocumentsFixture f;
    QMainWindow window;
    CommandDispatcher dispatcher;
    f.tabs.registerCommands(dispatcher);
    CommandBarsWidget bars(&window, dispatcher);
    bars.buildMenuBar();
    f.tabs.setCommandBars(&bars);
    QMenu* recent = bars.menu("kRecentFile");
    ASSERT_NE(recent, nullptr);

    QStringList paths;
    for (int i = 1; i <= 6; ++i) {
        paths << f.write(QStringLiteral("f%1.sql").arg(i), QByteArray::number(i));
        ASSERT_TRUE(f.commands().cmdOpenSQLFile(true, paths.last()));
    }
    EXPECT_EQ(f.commands().recentFiles().entries(),
              (QStringList{paths[5], paths[4], paths[3], paths[2], paths[1]}));
    ASSERT_EQ(recent->actions().size(), 5);
    EXPECT_EQ(recent->actions()[0]->objectName(), "kRF1");
    EXPECT_EQ(recent->actions()[0]->text(), paths[5]);

    // A file from the list opens again through its entry; one already open is refused.
    f.click("f4.sql");
    EXPECT_TRUE(f.commands().CloseSQLFile("f4.sql"));
    ASSERT_TRUE(dispatcher.dispatch("kRF3"));
    EXPECT_EQ(f.selectedCaption(), "f4.sql");
    EXPECT_EQ(f.editor.text(), "4");
    EXPECT_EQ(f.commands().recentFiles().entries().first(), paths[5]);

    // New documents and Save As leave the list alone.
    f.commands().NewSQLFile();
    f.port.files.push_back(f.file("saved.sql"));
    f.commands().cmdSQLSaveAs();
    EXPECT_EQ(f.commands().recentFiles().size(), 5);
    EXPECT_FALSE(f.commands().recentFiles().entries().contains(f.file("saved.sql")));

    // Through the settings file: keys 1 and 3 give entries kRF1 and kRF2; saving writes 1 and 2.
    const IniFile ini(f.write("Morvenda.ini", "[Recent Files]\n1=/q/one.sql\n3=/q/three.sql\n"));
    f.commands().LoadRecentFiles(ini);
    EXPECT_EQ(f.commands().recentFiles().entries(), (QStringList{"/q/one.sql", "/q/three.sql"}));
    EXPECT_EQ(recent->actions()[1]->text(), "/q/three.sql");
    ASSERT_TRUE(f.commands().SaveRecentFiles(ini));
    EXPECT_EQ(ini.read("Recent Files", "2", ""), "/q/three.sql");
    EXPECT_EQ(ini.read("Recent Files", "3", ""), "/q/three.sql");
}

TEST(DocumentTabs, ShutdownAsksForEachChangedDocument) {
    DocumentsFixture f;
    f.type("first");
    f.commands().NewSQLFile();
    f.commands().NewSQLFile();
    f.type("third");
    f.click("NewSQL_02");

    // No, then Cancel: nothing is saved and both documents stay as they were.
    f.port.answers = {MsgResult::No, MsgResult::Cancel};
    EXPECT_FALSE(f.commands().CheckUnsavedDocuments());
    ASSERT_EQ(f.port.messages.size(), 2);
    EXPECT_EQ(f.port.messages[0].text, "Do you want to save changes in {NewSQL_01} ?");
    EXPECT_EQ(f.port.messages[1].text, "Do you want to save changes in {NewSQL_03} ?");
    EXPECT_EQ(f.port.messages[1].defaultButton, MsgResult::No);
    EXPECT_EQ(f.port.messages[1].title, "Morvenda");
    EXPECT_TRUE(f.port.fileRequests.isEmpty());
    EXPECT_EQ(f.selectedCaption(), "NewSQL_03*"); // still unsaved: the tab keeps its mark
    EXPECT_EQ(f.editor.text(), "third");
    EXPECT_TRUE(f.doc("NewSQL_01")->Change);

    // Yes with a cancelled dialog keeps the program running as well.
    f.port.messages.clear();
    f.port.answers = {MsgResult::Yes};
    EXPECT_FALSE(f.commands().CheckUnsavedDocuments());

    // Yes saves under a chosen name; an unchanged document is not asked about.
    f.port.messages.clear();
    f.port.answers = {MsgResult::Yes, MsgResult::No};
    f.port.files.push_back(f.file("first.sql"));
    EXPECT_TRUE(f.commands().CheckUnsavedDocuments());
    EXPECT_EQ(f.port.messages.size(), 2);
    EXPECT_EQ(f.read("first.sql"), "first");
}

} // namespace
