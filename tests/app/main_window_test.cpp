#include "app/command_bars_widget.h"
#include "app/main_panes_widget.h"
#include "app/main_window.h"
#include "app/settings_dialog.h"
#include "app/signal_watcher.h"
#include "exec/transactions.h"
#include "app/status_bar_widget.h"
#include "app/texts.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"
#include "support/test_databases.h"
#include "db/db_connect.h"
#include "app/query_panes_widget.h"
#include "documents/sql_editor_widget.h"
#include "results/result_grid_widget.h"
#include <QTimer>
#include <QPushButton>
#include <QSplitter>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <csignal>
#include <gtest/gtest.h>

using namespace mv;

namespace {

AppPaths pathsIn(const mvtest::TempFolder& dir) { return AppPaths{dir.path()}; }

TEST(MainWindow, StartupStepsRunInOrderAndEmptyTheTempFolder) {
    mvtest::TempFolder dir;
    QDir().mkpath(dir.file("temp/keep"));
    dir.write("temp/old.tmp", "x");
    dir.write("temp/keep/inner.txt", "x");
    mvtest::ScriptedUserPort port;
    frmMain w(pathsIn(dir));
    w.startup("");
    EXPECT_EQ(w.lifecycleTrace(),
              (QStringList{"initialize", "language-default", "title", "temp-folder", "run-settings", "load-settings",
                           "menus", "toolkit-tabs", "session-tab", "transaction-count", "recent-lists", "sorting-off",
                           "first-document", "start-session",
                           "command-line", "language-texts", "explorer-lists", "ready"}));
    EXPECT_FALSE(QFile::exists(dir.file("temp/old.tmp")));
    EXPECT_TRUE(QFile::exists(dir.file("temp/keep/inner.txt")));
    EXPECT_TRUE(w.windowTitle().startsWith("-=:|Morvenda "));
    EXPECT_EQ(w.runSettings().maxRecords, 1000);
    EXPECT_EQ(w.runSettings().queryTimeout, 30);
    EXPECT_FALSE(w.batchGlobal());
    EXPECT_TRUE(port.messages.isEmpty());
}

TEST(MainWindow, GermanSettingsGiveGermanTextsAndListColumns) {
    mvtest::TempFolder dir;
    dir.write("Morvenda.ini", "[Settings]\nLanguage=1\n");
    mvtest::ScriptedUserPort port;
    frmMain w(pathsIn(dir));
    w.startup("");
    EXPECT_EQ(w.statusBarPanels()->panelText("kConnection"), "Keine Datenbankverbindung! ");
    EXPECT_EQ(w.statusBarPanels()->panel("kRecords")->toolTip(), "Anzahl der Datensätze des Abfrageergebnisses");
    EXPECT_EQ(w.commandBars()->action("kExit")->text(), "&Beenden");
    EXPECT_EQ(w.panes()->fieldList()->headerItem()->text(2), "Größe");
    EXPECT_EQ(w.panes()->tableList()->headerItem()->text(0), "Tabellen/Views");
    setLanguage(2);
}

TEST(MainWindow, EnglishStatusPanelsAndOnlyExistingCommandsInMenus) {
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    frmMain w(pathsIn(dir));
    w.startup("");
    auto* bar = w.statusBarPanels();
    EXPECT_EQ(bar->panelText("kConnection"), "No database connection! ");
    EXPECT_EQ(bar->panelText("kTime"), "Elapsed time: -- ");
    EXPECT_EQ(bar->panelText("kRecords"), " -- Records ");
    EXPECT_EQ(bar->panelText("kEdit"), "L: 1, C: 1");
    EXPECT_EQ(bar->panel("kEdit")->toolTip(), "Line/Column Number");
    QAction* exit = w.commandBars()->action("kExit");
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->text(), "E&xit");
    EXPECT_EQ(exit->shortcut(), QKeySequence("Alt+Q"));
    // A menu appears only with entries whose commands exist.
    ASSERT_FALSE(w.menuBar()->actions().isEmpty());
    for (QAction* top : w.menuBar()->actions()) {
        ASSERT_NE(top->menu(), nullptr);
        EXPECT_FALSE(top->menu()->actions().isEmpty()) << top->menu()->objectName().toStdString();
        for (QAction* a : top->menu()->actions())
            if (!a->isSeparator() && !a->menu()) {
                EXPECT_TRUE(w.dispatcher().has(a->objectName()));
            }
    }
}

TEST(MainWindow, MinimumSizeIsSixThousandByFourThousandFiveHundredTwips) {
    mvtest::TempFolder dir;
    frmMain w(pathsIn(dir));
    w.show();
    w.resize(100, 100);
    QApplication::processEvents();
    EXPECT_GE(w.width(), 400);
    EXPECT_GE(w.height(), 300);
}

TEST(MainWindow, ShutdownSavesSettingsAndKeepsOtherLines) {
    mvtest::TempFolder dir;
    dir.write("Morvenda.ini", "[Recent Files]\nRF1=/a.sql\n[Settings]\nAutoSyntaxColoring=True\n");
    mvtest::ScriptedUserPort port;
    {
        frmMain w(pathsIn(dir));
        w.startup("");
        w.settings().autoSyntaxColoring = false;
        EXPECT_TRUE(w.close());
        EXPECT_TRUE(w.lifecycleTrace().contains("save-settings"));
    }
    EXPECT_EQ(dir.read("Morvenda.ini"), QByteArray("[Recent Files]\nRF1=/a.sql\n[Settings]\nAutoSyntaxColoring=False\n"));
}

TEST(MainWindow, SigtermRunsTheShutdownSequence) {
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    frmMain w(pathsIn(dir));
    w.startup("");
    w.show();
    QApplication::processEvents();
    std::raise(SIGTERM);
    QElapsedTimer t;
    t.start();
    while (w.isVisible() && t.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.lifecycleTrace().contains("save-settings"));
    EXPECT_TRUE(QFile::exists(dir.file("Morvenda.ini")));
    clearTerminationSignalled();
}

TEST(MainWindow, ExitCommandClosesThroughTheDispatcher) {
    mvtest::TempFolder dir;
    frmMain w(pathsIn(dir));
    w.startup("");
    w.show();
    w.dispatcher().dispatch("kExit");
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.lifecycleTrace().mid(w.lifecycleTrace().indexOf("ready") + 1),
              (QStringList{"save-recent-files", "save-recent-connections", "save-settings", "end-session",
                           "remove-recovery", "end-connection", "clean-explorer", "release"}));
    // The session files of the run are there.
    EXPECT_FALSE(QDir(dir.path()).entryList({"MorvendaSession_T*.txt"}).isEmpty());
    EXPECT_FALSE(QDir(dir.path()).entryList({"MorvendaSession_T*.xml"}).isEmpty());
}

TEST(MainWindow, RecentConnectionsComeFromTheSettingsFileAndOpenWithoutDialog) {
    mvtest::TempFolder dir;
    const QString db = mvtest::demoSqlitePath(dir);
    dir.write("Morvenda.ini", ("[Recent Connections]\n1=" + db + "\n3=/nowhere/b.udl\n").toUtf8());
    mvtest::ScriptedUserPort port;
    frmMain w(pathsIn(dir));
    w.startup("");
    QMenu* sub = w.commandBars()->menu("kRecentConn");
    ASSERT_NE(sub, nullptr);
    QStringList keys;
    for (QAction* a : sub->actions()) keys << a->objectName();
    EXPECT_EQ(keys, (QStringList{"kRC1", "kRC2"}));
    w.dispatcher().dispatch("kRC1");
    EXPECT_TRUE(w.cn().hasConnection());
    EXPECT_TRUE(port.fileRequests.isEmpty());
    EXPECT_EQ(w.statusBarPanels()->panelText("kConnection"), "Admin@" + db);
    EXPECT_EQ(w.statusBarPanels()->connectionIconKey(), "kOpenConnection");
    w.close();
    EXPECT_TRUE(dir.read("Morvenda.ini").contains("2=/nowhere/b.udl"));
    EXPECT_TRUE(dir.read("Morvenda.ini").contains("3=/nowhere/b.udl"));
}

TEST(MainWindow, CommandLineConnectsAndTheStartupDataLinkReplacesIt) {
    mvtest::TempFolder dir;
    const QString first = mvtest::demoSqlitePath(dir);
    QDir().mkpath(dir.file("second"));
    mvtest::TempFolder other;
    const QString second = mvtest::demoSqlitePath(other);
    dir.write("Morvenda.ini", ("[Settings]\nUDL=" + second + "\n").toUtf8());
    mvtest::ScriptedUserPort port;
    frmMain w(pathsIn(dir));
    w.startup("/INI=" + first + " /RUN");
    EXPECT_FALSE(w.batchGlobal()); // no query file
    EXPECT_EQ(w.cn().Database(), second);
    EXPECT_TRUE(w.lifecycleTrace().contains("startup-udl"));
}

TEST(MainWindow, CommandLineRunShowsRowsStatusAndProtocol) {
    mvtest::TempFolder dir;
    const QString db = mvtest::demoSqlitePath(dir);
    const QString query = dir.write("q.sql", "select customer_id, company_name from customers where customer_id <= 5");
    mvtest::ScriptedUserPort port;
    frmMain w(pathsIn(dir));
    w.startup("/INI=" + db + " /QRY=" + query + " /RUN");
    EXPECT_TRUE(w.batchGlobal());
    EXPECT_TRUE(w.lifecycleTrace().contains("batch-run"));
    ASSERT_TRUE(w.queryPanes()->grid()->hasRecordset()) << port.lastText().toStdString();
    EXPECT_EQ(w.queryPanes()->grid()->recordCount(), 5);
    EXPECT_EQ(w.statusBarPanels()->panelText("kRecords"), "5 Records");
    EXPECT_TRUE(w.session().SessionText().contains("// { The Query delivered  2 Columns and  5 Rows!"));
    EXPECT_TRUE(QFile::exists(dir.file("MorvendaSession_temp.txt")));
    // Blank text does nothing; F2 runs again.
    w.queryPanes()->editor()->setText("   \n  ");
    w.dispatcher().dispatch("kStart");
    EXPECT_EQ(w.statusBarPanels()->panelText("kRecords"), "5 Records");
    w.queryPanes()->editor()->setText("select 1 as a, 2 as b, 3 as c");
    w.dispatcher().dispatch("kExecute");
    EXPECT_EQ(w.queryPanes()->grid()->visibleColumnCount(), 3);
    EXPECT_TRUE(port.messages.isEmpty()) << port.lastText().toStdString();
}

TEST(MainWindow, ClosingDuringARunStopsItThenShutsDown) {
    mvtest::TempFolder dir;
    const QString db = mvtest::demoSqlitePath(dir);
    mvtest::ScriptedUserPort port;
    frmMain w(pathsIn(dir));
    w.startup("/INI=" + db);
    w.show();
    w.queryPanes()->editor()->setText("with recursive c(x) as (select 1 union all select x + 1 from c where x < "
                                      "2000000000) select count(*) from c");
    QTimer::singleShot(300, &w, [&] { w.close(); });
    w.dispatcher().dispatch("kExecute");
    QElapsedTimer t;
    t.start();
    while (w.isVisible() && t.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.lifecycleTrace().contains("end-session"));
}

TEST(MainWindow, ExplorerToggleHidesAndRestores) {
    mvtest::TempFolder dir;
    frmMain w(pathsIn(dir));
    w.startup("");
    w.resize(1400, 800);
    w.show();
    QApplication::processEvents();
    w.cmdCloseDB_Click();
    EXPECT_FALSE(w.panes()->leftSplitter()->isVisible());
    EXPECT_EQ(w.panes()->cmdCloseDB()->text(), "DB *");
    w.cmdCloseDB_Click();
    EXPECT_TRUE(w.panes()->leftSplitter()->isVisible());
    EXPECT_EQ(w.panes()->cmdCloseDB()->text(), "DB x");
    EXPECT_EQ(w.panes()->sizes().value(0), 3900 / 15);
}

TEST(SettingsDialog, SaveWritesPathsUdlFontAndLanguage) {
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    IniFile ini(dir.file("Morvenda.ini"));
    Settings s;
    s.standardUDLPath = "/old/udl";
    s.standardQueryPath = "/old/qry";
    s.startupUDL = "/old/start.udl";
    frmSettings d(s, ini);
    EXPECT_EQ(d.windowTitle(), "Morvenda Settings");
    EXPECT_EQ(d.tabs()->tabText(0), "Paths");
    EXPECT_EQ(d.tabs()->currentIndex(), 0);
    d.txtStandardUDLpath()->clear();            // empty: the old value stays
    port.files.push_back(QString("/data/queries/xxx.qry"));
    d.cmdBrowse_Click(1);
    ASSERT_EQ(port.fileRequests.size(), 1);
    EXPECT_EQ(port.fileRequests[0].title, "Browse Query-Path");
    EXPECT_EQ(port.fileRequests[0].filter, "Data Link File (*.qry) | *.qry");
    EXPECT_EQ(port.fileRequests[0].fileName, "xxx.qry");
    EXPECT_EQ(d.txtStandardQueryPath()->text(), "/data/queries");
    d.cmdClear_Click();
    port.fonts.push_back(FontSpec{"DejaVu Sans Mono", true, 11.5});
    d.cmdEditFont_Click();
    EXPECT_EQ(d.lblFontSample()->text(), "DejaVu Sans Mono 11.5");
    d.chooseLanguage(1);
    d.cmdSave_Click();
    setLanguage(2);
    EXPECT_EQ(ini.read("Settings", "StandardUDLPath", "none"), "none");
    EXPECT_EQ(ini.read("Settings", "StandardQueryPath", ""), "/data/queries");
    EXPECT_EQ(ini.read("Settings", "UDL", "XX"), "");
    EXPECT_EQ(ini.read("Settings", "EditFont", ""), "DejaVu Sans Mono|True|1150");
    EXPECT_EQ(ini.read("Settings", "Language", ""), "1");
    EXPECT_EQ(s.standardUDLPath, "/old/udl");
    EXPECT_TRUE(s.startupUDL.isEmpty());
}

TEST(SettingsDialog, CancelAfterChoosingGermanKeepsGermanForTheRunButWritesNothing) {
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    IniFile ini(dir.file("Morvenda.ini"));
    Settings s;
    {
        frmSettings d(s, ini);
        d.chooseLanguage(1);
        d.reject();
    }
    EXPECT_TRUE(isGerman());
    EXPECT_FALSE(QFile::exists(dir.file("Morvenda.ini")));
    frmSettings german(s, ini);
    EXPECT_EQ(german.windowTitle(), "Morvenda Einstellungen");
    EXPECT_TRUE(german.optGerman()->isChecked());
    setLanguage(2);
}

TEST(SettingsDialog, CancelledBrowseChangesNothing) {
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    IniFile ini(dir.file("Morvenda.ini"));
    Settings s;
    s.startupUDL = "/a/b.udl";
    frmSettings d(s, ini);
    d.cmdBrowse_Click(2);
    EXPECT_EQ(port.fileRequests[0].title, "Browse Startup UDL-File");
    EXPECT_EQ(d.txtStartupUDL()->text(), "/a/b.udl");
    EXPECT_TRUE(port.messages.isEmpty());
}

} // namespace

namespace {

// A window connected to a fresh demo database with a table of its own and an open transaction
// holding one inserted row.
struct WindowInTransaction {
    mvtest::TempFolder dir;
    QString db = mvtest::demoSqlitePath(dir);
    mvtest::ScriptedUserPort port;
    frmMain w{pathsIn(dir)};

    bool prepare() {
        w.startup("/INI=" + db);
        w.show();
        Recordset none;
        if (w.cn().Execute("create table mv_tx (id int)", none, true, 0, false) != C_DbConnect::ExecSucceeded)
            return false;
        if (!w.queryPanes()->transactions().cmdStartTrans_Click()) return false;
        w.queryPanes()->editor()->setText("insert into mv_tx values (1)");
        w.dispatcher().dispatch("kExecute");
        return w.cn().Transaction();
    }
    qint64 committedRows() {
        auto c = createDbConnection();
        c->open("Driver=SQLite3;Database=" + db);
        const ExecResult r = c->execute("select count(*) from mv_tx");
        return r.rows ? r.rows->value(0, 0).toLongLong() : -1;
    }
};

} // namespace

TEST(MainWindow, ShutdownAsksAboutDocumentsBeforeTheTransactionAndCancelKeepsBoth) {
    WindowInTransaction t;
    ASSERT_TRUE(t.prepare()) << t.port.lastText().toStdString();
    t.port.messages.clear();
    t.port.answers = {MsgResult::Cancel};
    EXPECT_FALSE(t.w.close());
    ASSERT_EQ(t.port.messages.size(), 1);
    EXPECT_TRUE(t.port.messages.first().text.startsWith("Do you want to save changes in {"))
        << t.port.messages.first().text.toStdString();
    EXPECT_TRUE(t.w.cn().Transaction()) << "Cancel leaves the transaction open";
    EXPECT_TRUE(t.w.isVisible());
    // No for the document, No (roll back) for the transaction: the program ends, nothing committed.
    t.port.answers = {MsgResult::No, MsgResult::No};
    EXPECT_TRUE(t.w.close());
    ASSERT_EQ(t.port.messages.size(), 3);
    EXPECT_TRUE(t.port.messages.at(2).text.startsWith("A transaction is still open."));
    EXPECT_EQ(t.committedRows(), 0);
}

TEST(MainWindow, SigtermRollsAnOpenTransactionBackAndLogsIt) {
    WindowInTransaction t;
    ASSERT_TRUE(t.prepare()) << t.port.lastText().toStdString();
    t.port.messages.clear();
    std::raise(SIGTERM);
    QElapsedTimer clock;
    clock.start();
    while (!t.w.finished() && clock.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 50);
    clearTerminationSignalled();
    ASSERT_TRUE(t.w.finished());
    EXPECT_FALSE(t.w.isVisible());
    EXPECT_EQ(t.committedRows(), 0) << "never committed without the user's word";
    // The transaction is never put as a question (the window's own boxes answer nothing at all
    // once the signal came; this test's port only records them).
    for (const MessageRequest& m : t.port.messages)
        EXPECT_FALSE(m.text.startsWith("A transaction is still open.")) << m.text.toStdString();
    // The saved protocol (the temporary one is "MorvendaSession_temp.txt").
    const QStringList saved = QDir(t.dir.path()).entryList({"MorvendaSession_T2*.txt"});
    ASSERT_EQ(saved.size(), 1);
    const QString text = QString::fromUtf8(t.dir.read(saved.first()));
    EXPECT_TRUE(text.contains("// { Rollback Transaction at '")) << text.toStdString();
    EXPECT_TRUE(QFile::exists(t.dir.file("Morvenda.ini")));
}
