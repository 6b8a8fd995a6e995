// The main window's whole command vocabulary: the menu table, the toolbar, both languages, the
// toolbox toggle and the commands that the table routes.
#include "app/command_bars_widget.h"
#include "app/command_table.h"
#include "app/help_window.h"
#include "app/main_panes_widget.h"
#include "app/main_window.h"
#include "app/query_panes_widget.h"
#include "app/status_bar_widget.h"
#include "app/texts.h"
#include "app/toolbox_widget.h"
#include "db/connecting.h"
#include "db/connection_ui_widget.h"
#include "db/db_connect.h"
#include "documents/document_tabs_widget.h"
#include "documents/sql_editor_widget.h"
#include "session/session_log.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"
#include "support/test_databases.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QTabBar>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <gtest/gtest.h>

using namespace mv;

namespace {

// Closes every modal dialog a command opens and remembers which one it was.
class ModalCloser {
  public:
    ModalCloser() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                m_closed << w->objectName();
                if (auto* d = qobject_cast<QDialog*>(w))
                    d->reject();
                else
                    w->close();
            }
        });
        m_timer.start(20);
    }
    QStringList takeClosed() { return std::exchange(m_closed, {}); }

  private:
    QTimer m_timer;
    QStringList m_closed;
};

struct Window {
    explicit Window(const QByteArray& ini = {}) {
        if (!ini.isEmpty()) dir.write("Morvenda.ini", ini);
        w.startup("");
    }
    ~Window() { setLanguage(2); }
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    frmMain w{AppPaths{dir.path()}};
    CommandBarsWidget& bars() { return *w.commandBars(); }
    bool connectDemo() {
        w.connectionUi()->connecting().OpenDataLinkFile(true, mvtest::demoSqlitePath(dir));
        return w.cn().hasConnection();
    }
};

QList<const MenuEntry*> commandEntries() {
    QList<const MenuEntry*> list;
    for (const MenuEntry& e : menuTable())
        if (e.kind == MenuEntry::Command) list << &e;
    return list;
}

TEST(CommandVocabulary, EveryMenuEntryIsBuiltInOrderWithItsCaptionShortcutAndCommand) {
    Window t;
    QStringList expectedTop, builtTop;
    QMap<QString, QStringList> expectedEntries;
    QString top;
    for (const MenuEntry& e : menuTable()) {
        if (e.kind == MenuEntry::Menu)
            expectedTop << QString::fromUtf8(e.english), top = QString::fromUtf8(e.key);
        if (e.kind == MenuEntry::Command) expectedEntries[top] << QString::fromUtf8(e.key);
    }
    for (QAction* a : t.w.menuBar()->actions())
        builtTop << a->text();
    EXPECT_EQ(builtTop, expectedTop);

    for (const MenuEntry* e : commandEntries()) {
        const QString key = QString::fromUtf8(e->key);
        SCOPED_TRACE(key.toStdString());
        EXPECT_TRUE(t.w.dispatcher().has(key));
        QAction* a = t.bars().action(key);
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->text(), QString::fromUtf8(e->english));
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromUtf8(e->shortcut)));
        EXPECT_EQ(a->isCheckable(), e->checkable);
        EXPECT_EQ(a->isVisible(), !e->hiddenAtStart);
    }
    // Within each menu (submenus flattened) the entries keep the table's order.
    for (auto it = expectedEntries.cbegin(); it != expectedEntries.cend(); ++it) {
        QStringList built;
        std::function<void(QMenu*)> walk = [&](QMenu* m) {
            for (QAction* a : m->actions()) {
                if (a->menu())
                    walk(a->menu());
                else if (!a->isSeparator())
                    built << a->objectName();
            }
        };
        walk(t.bars().menu(it.key()));
        EXPECT_EQ(built, it.value()) << it.key().toStdString();
    }
    // The session log's separator and entry stay hidden until the log is shown.
    EXPECT_FALSE(t.bars().action("kLogSep")->isVisible());
    EXPECT_FALSE(t.bars().action("kDelLog")->isVisible());
}

TEST(CommandVocabulary, EveryMenuKeyDispatchesWithoutAnErrorAndOpensItsDialog) {
    Window t;
    t.w.show();
    ModalCloser closer;
    const QMap<QString, QString> dialogs = {{"kSettings", "frmSettings"},
                                            {"kLayout", "frmLayout"},
                                            {"kPrintSettings", "frmRGPrintSettings"},
                                            {"kAbout", "frmAbout"}};
    for (const MenuEntry* e : commandEntries()) {
        const QString key = QString::fromUtf8(e->key);
        if (key == QLatin1String("kExit")) continue; // closes the window: its own test
        SCOPED_TRACE(key.toStdString());
        t.port.messages.clear();
        EXPECT_TRUE(t.w.dispatcher().dispatch(key));
        for (const MessageRequest& m : t.port.messages)
            EXPECT_FALSE(m.text.contains(QLatin1String("Function"))) << m.text.toStdString();
        const QStringList closed = closer.takeClosed();
        if (dialogs.contains(key)) {
            EXPECT_EQ(closed, QStringList{dialogs.value(key)});
        }
    }
    // The help commands show the contents and the index page.
    ASSERT_NE(t.w.helpWindow(), nullptr);
    t.w.dispatcher().dispatch("kHelpContents");
    EXPECT_TRUE(t.w.helpWindow()->isVisible());
    EXPECT_TRUE(t.w.helpWindow()->browser()->source().toString().endsWith("docs/contents.html"));
    t.w.dispatcher().dispatch("kHelpIndex");
    EXPECT_TRUE(t.w.helpWindow()->browser()->source().toString().endsWith("docs/index.html"));
}

TEST(CommandVocabulary, GermanCaptionsByKeyAndThreeThatStayEnglish) {
    Window t("[Settings]\nLanguage=1\n");
    for (const MenuEntry& e : menuTable()) {
        if (e.kind != MenuEntry::Command && e.kind != MenuEntry::Submenu) continue;
        const QString key = QString::fromUtf8(e.key);
        QAction* a = e.kind == MenuEntry::Command ? t.bars().action(key) : t.bars().menu(key)->menuAction();
        ASSERT_NE(a, nullptr) << key.toStdString();
        EXPECT_EQ(a->text(), QString::fromUtf8(e.german ? e.german : e.english)) << key.toStdString();
    }
    EXPECT_EQ(t.bars().action("kShowEvenOdd")->text(), "Show &Even-Odd Colors");
    EXPECT_EQ(t.bars().action("kExStProcParas")->text(), "All Stored Proc. &Parameter");
    EXPECT_EQ(t.bars().menu("kImport")->title(), "Import...");
    EXPECT_EQ(t.bars().menu("kExport")->title(), "Exportieren als...");
    for (const ToolbarEntry& e : toolbarTable()) {
        if (!e.key) continue;
        QAction* a = t.bars().toolbarAction(QString::fromUtf8(e.key));
        ASSERT_NE(a, nullptr) << e.key;
        EXPECT_EQ(a->text(), QString::fromUtf8(e.german));
        EXPECT_EQ(a->toolTip(), QString::fromUtf8(e.tipGerman));
        EXPECT_FALSE(a->icon().isNull()) << e.key;
    }
}

TEST(CommandVocabulary, ToolbarInOrderAndAClickTakesTheFocusFromTheEditor) {
    Window t;
    t.w.show();
    QApplication::setActiveWindow(&t.w);
    auto* toolbar = t.w.findChild<QToolBar*>("smToolbar");
    ASSERT_NE(toolbar, nullptr);
    QStringList built, expected;
    for (QAction* a : toolbar->actions())
        built << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    for (const ToolbarEntry& e : toolbarTable())
        expected << (e.key ? QString::fromUtf8(e.key) : QStringLiteral("-"));
    EXPECT_EQ(built, expected);
    EXPECT_EQ(t.bars().toolbarAction("kScrSaveAs")->toolTip(), "Save SQL-Script As...");

    SqlEditorWidget* editor = t.w.queryPanes()->editor();
    editor->setText("select 1");
    editor->setFocus();
    QApplication::processEvents();
    t.bars().toolbarAction("kDelSQL")->trigger();
    EXPECT_EQ(QApplication::focusWidget(), t.w.panes()->cmdCloseDB());
    EXPECT_EQ(editor->text(), "");
}

TEST(CommandVocabulary, ShortcutsWinOverTheMenuAccessKeys) {
    for (bool german : {false, true}) {
        Window t(german ? "[Settings]\nLanguage=1\n" : "");
        t.w.show();
        QApplication::setActiveWindow(&t.w);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&t.w));
        SqlEditorWidget* editor = t.w.queryPanes()->editor();
        editor->setFocus();
        // Alt+N is a plain shortcut; Alt+Q is both Exit's shortcut and the Query menu's access key.
        const int docs = t.w.documents()->tabCount();
        QTest::keyClick(editor, Qt::Key_N, Qt::AltModifier);
        EXPECT_EQ(t.w.documents()->tabCount(), docs + 1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q, Qt::AltModifier);
        QApplication::processEvents();
        EXPECT_FALSE(t.w.isVisible()) << (german ? "German" : "English");
    }
}

TEST(CommandVocabulary, SettingsFontReachesTheEditorAtOnce) {
    Window t;
    ModalCloser closer;
    FontSpec chosen;
    chosen.name = "DejaVu Sans Mono";
    chosen.bold = true;
    chosen.pointSize = 13;
    t.port.fonts.push_back(chosen);
    // The dialog is open while the font is chosen; the closer ends it after the click.
    QTimer::singleShot(0, [] {
        if (auto* b = QApplication::activeModalWidget()->findChild<QAbstractButton*>("cmdEditFont"))
            b->click();
    });
    t.w.dispatcher().dispatch("kSettings");
    EXPECT_EQ(t.w.queryPanes()->editor()->editFont(), chosen);
}

TEST(CommandVocabulary, TheFourthRecentFileOpensWithoutADialog) {
    mvtest::TempFolder files;
    QStringList paths;
    QByteArray ini = "[Recent Files]\n";
    for (int i = 1; i <= 5; ++i) {
        paths << files.write(QStringLiteral("r%1.sql").arg(i), "select " + QByteArray::number(i));
        ini += QByteArray::number(i) + "=" + paths.last().toUtf8() + "\n";
    }
    Window t(ini);
    QMenu* recent = t.bars().menu("kRecentFile");
    ASSERT_NE(recent, nullptr);
    ASSERT_GE(recent->actions().size(), 4);
    recent->actions()[3]->trigger();
    EXPECT_TRUE(t.port.fileRequests.isEmpty());
    EXPECT_EQ(t.w.queryPanes()->editor()->text(), "select 4");
    EXPECT_TRUE(t.w.windowTitle().contains("r4.sql"));
}

TEST(CommandVocabulary, ToolboxTogglePressedTwiceRestoresTheSelectedTab) {
    Window t;
    t.w.resize(1200, 800);
    t.w.show();
    QApplication::processEvents();
    ToolboxWidget* toolbox = t.w.queryPanes()->toolbox();
    QPushButton* button = t.w.panes()->cmdToolbox();
    EXPECT_EQ(button->text(), "SQL x");
    EXPECT_EQ(button->toolTip(), "Show/Hide  SQL Toolbox");
    toolbox->showTab(ToolboxWidget::Options);
    QApplication::processEvents();

    button->click();
    QApplication::processEvents();
    EXPECT_EQ(button->text(), "SQL *");
    EXPECT_FALSE(toolbox->isVisible());
    EXPECT_EQ(t.w.panes()->rightSplitter()->sizes().value(0), 0);

    button->click();
    QApplication::processEvents();
    EXPECT_EQ(button->text(), "SQL x");
    EXPECT_TRUE(toolbox->isVisible());
    EXPECT_EQ(toolbox->currentTab(), ToolboxWidget::Options);
    EXPECT_TRUE(toolbox->panel(ToolboxWidget::Options)->isVisible());
    EXPECT_GT(t.w.panes()->rightSplitter()->sizes().value(0), 1430 / 15);

    // A run that needs parameter values brings a collapsed toolbox back with the parameter tab.
    ASSERT_TRUE(t.connectDemo());
    button->click();
    ASSERT_TRUE(toolbox->isHidden());
    t.w.queryPanes()->editor()->setText("select * from customers where customer_id = @id|Integer@");
    t.w.dispatcher().dispatch("kStart");
    EXPECT_FALSE(toolbox->isHidden());
    EXPECT_EQ(button->text(), "SQL x");
    EXPECT_EQ(toolbox->currentTab(), ToolboxWidget::Parameter);
}

TEST(CommandVocabulary, ResultMenuCheckMarksFollowTheGrid) {
    Window t;
    ASSERT_TRUE(t.connectDemo());
    t.w.queryPanes()->editor()->setText("select * from customers");
    t.w.dispatcher().dispatch("kStart");
    QMenu* menu = t.bars().menu("kResult");
    auto checked = [&](const char* key) {
        emit menu->aboutToShow();
        return t.bars().action(key)->isChecked();
    };
    const QStringList toggles = {"kGrouping",    "kNavigation",    "kCardView",          "kShowRowHeaders",
                                 "kShowEvenOdd", "kShowGridlines", "kShowReportHeaders", "kSorting"};
    for (const QString& key : toggles) {
        const QByteArray k = key.toUtf8();
        const bool before = checked(k);
        t.w.dispatcher().dispatch(key);
        EXPECT_EQ(checked(k), !before) << k.constData();
        // A change the menu did not make shows too: the mark is read from the grid when the menu opens.
        t.bars().action(k)->setChecked(before);
        EXPECT_EQ(checked(k), !before) << k.constData();
        t.w.dispatcher().dispatch(key);
        EXPECT_EQ(checked(k), before) << k.constData();
    }
}

TEST(CommandVocabulary, ControlTextsInBothLanguages) {
    struct Row {
        const char* object;
        const char* english;
        const char* german;
    };
    const Row rows[] = {
        {"chkSysObjs", "System Objects", "System Objekte"},
        {"cmdRefresh", "&Refresh", "Aktualisieren"},
        {"chkLongNames", "Long Names", "lange Namen"},
        {"cmdFieldlist", "Insert Fieldlist >", "Feldliste einfügen >"},
        {"opWord", "Whole Word", "Ganzes Wort"},
        {"opMatchCase", "Match Case", "Mustervergleich"},
        {"cmdReplace", "Replace", "Ersetzen"},
        {"cmdFind", "Start", "Start"},
        {"chkAsync", "execute asyncron", "Asynchrone Ausführung"},
        {"cmdStartTrans", "Begin Transaction", "Begin Transaction"},
        {"cmdCommitTrans", "Commit Transaction", "Commit Transaction"},
        {"cmdRollbackTrans", "Rollback Transaction!", "Rollback Transaction!"},
        {"cmdCloseDB", "DB x", "DB x"},
        {"cmdToolbox", "SQL x", "SQL x"},
        {"cmdInsertParameter", "new", "Neu"},
    };
    const Row tips[] = {
        {"cmdCloseDB", "Show/Hide Dtabase Explorer", "Zeige/verstecke Datenbank Explorer"},
        {"cmdToolbox", "Show/Hide  SQL Toolbox", "Zeige/verstecke SQL-Werkzeugleiste"},
        {"txtFilterTable", "no '*' or '%' needed", "kein '*' oder '%' benutzen"},
        {"cmdCloseFile", "Close SQL-File", "SQL-Skript schließen"},
    };
    for (bool german : {false, true}) {
        Window t(german ? "[Settings]\nLanguage=1\n" : "");
        for (const Row& r : rows) {
            auto* b = t.w.findChild<QAbstractButton*>(r.object);
            ASSERT_NE(b, nullptr) << r.object;
            EXPECT_EQ(b->text(), QString::fromUtf8(german ? r.german : r.english)) << r.object;
        }
        for (const Row& r : tips) {
            auto* w = t.w.findChild<QWidget*>(r.object);
            ASSERT_NE(w, nullptr) << r.object;
            EXPECT_EQ(w->toolTip(), QString::fromUtf8(german ? r.german : r.english)) << r.object;
        }
        QStringList tabs;
        for (int i = 0; i < t.w.queryPanes()->toolbox()->count(); ++i)
            tabs << t.w.queryPanes()->toolbox()->tabText(i);
        EXPECT_EQ(
            tabs,
            german ? QStringList({"SQL-Befehle", "Suchen/Ersetzen", "Abfrage Optionen", "DDL", "Parameter", "Verlauf"})
                   : QStringList({"SQL-Commands", "Find/Replace", "Query Options", "DDL", "Parameter", "History"}));
    }
}

TEST(CommandVocabulary, ConnectionPanelClickOpensThePropertiesInANewDocument) {
    Window t;
    emit t.w.statusBarPanels()->panelClicked("kConnection");
    EXPECT_EQ(t.w.queryPanes()->editor()->text(), ""); // no connection: nothing happens
    ASSERT_TRUE(t.connectDemo());
    const QString before = t.w.windowTitle();
    emit t.w.statusBarPanels()->panelClicked("kConnection");
    EXPECT_NE(t.w.windowTitle(), before);
    EXPECT_EQ(t.w.queryPanes()->editor()->text(), t.w.cn().GetCnProperties());
    EXPECT_FALSE(t.w.queryPanes()->editor()->text().isEmpty());
}

TEST(HelpWindow, GermanPagesWhenGermanAndAMissingPageIsReported) {
    mvtest::ScriptedUserPort port;
    setLanguage(1);
    EXPECT_EQ(HelpWindow::pageResource("contents.html"), ":/docs/de/contents.html");
    setLanguage(2);
    EXPECT_EQ(HelpWindow::pageResource("contents.html"), ":/docs/contents.html");
    EXPECT_EQ(HelpWindow::pageResource("../x.html"), "");
    HelpWindow help;
    EXPECT_FALSE(help.showPage("no-such-page.html"));
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_TRUE(port.messages[0].text.contains("The help page {no-such-page.html} does not exist."));
    EXPECT_TRUE(port.messages[0].text.contains("modHTMLHelp"));
    // The pages share one style sheet: the heading colour comes from it, in both languages.
    for (int language : {2, 1}) {
        setLanguage(language);
        ASSERT_TRUE(help.showPage("running.html"));
        const QTextBlock title = help.browser()->document()->findBlockByNumber(1);
        EXPECT_EQ(title.blockFormat().headingLevel(), 1);
        EXPECT_EQ(title.charFormat().foreground().color(), QColor("#1f3f6f")) << language;
    }
    setLanguage(2);
}

TEST(HelpWindow, EveryLinkOfEveryPageLeadsToAnExistingPageAndAnchor) {
    QStringList pages;
    for (QDirIterator it(":/docs", {"*.html"}, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        pages << it.next();
    ASSERT_GE(pages.size(), 2);
    const QRegularExpression href(R"re(href\s*=\s*"([^"]+)")re");
    const QRegularExpression anchor(R"re((?:id|name)\s*=\s*"([^"]+)")re");
    auto read = [](const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    };
    for (const QString& page : pages) {
        const QString html = read(page);
        for (auto m = href.globalMatch(html); m.hasNext();) {
            const QUrl link(m.next().captured(1));
            if (!link.scheme().isEmpty()) continue; // addresses outside the help
            const QUrl target = QUrl("qrc" + page).resolved(link);
            const QString file = ":" + target.path();
            ASSERT_TRUE(QFile::exists(file)) << page.toStdString() << " -> " << link.toString().toStdString();
            if (!link.fragment().isEmpty()) {
                QStringList anchors;
                for (auto a = anchor.globalMatch(read(file)); a.hasNext();)
                    anchors << a.next().captured(1);
                EXPECT_TRUE(anchors.contains(link.fragment()))
                    << page.toStdString() << " -> " << link.toString().toStdString();
            }
        }
    }
    // The German help has the same pages as the English one.
    for (const QString& page : pages)
        if (!page.startsWith(":/docs/de/")) {
            EXPECT_TRUE(QFile::exists(":/docs/de/" + page.mid(7))) << page.toStdString();
        }
}

} // namespace
