// What a new user meets first, checked through the real window: the help window closes, the Session
// tab follows the log, its grid is readable, dialogs grow with their messages, toolbox captions are
// whole, the status bar does not claim a run that never started, and the Resultgrid menu is grouped.
#include "app/help_window.h"
#include "app/command_bars_widget.h"
#include "app/main_window.h"
#include "app/query_panes_widget.h"
#include "app/status_bar_widget.h"
#include "app/texts.h"
#include "app/toolbox_widget.h"
#include "db/connecting.h"
#include "db/connection_ui_widget.h"
#include "db/data_link_dialog.h"
#include "db/db_connect.h"
#include "documents/document_tabs_widget.h"
#include "documents/find_dialog.h"
#include "documents/quick_search_widget.h"
#include "documents/sql_editor_widget.h"
#include "documents/sql_tabs.h"
#include "exec/parameter_panel_widget.h"
#include "exec/transactions.h"
#include "results/grid_table_view.h"
#include "results/result_grid_widget.h"
#include "session/session_log.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"
#include "support/test_databases.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QComboBox>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTabBar>
#include <QTextBrowser>
#include <QTest>
#include <gtest/gtest.h>

using namespace mv;

namespace {

struct Window {
    explicit Window(int language = 2) {
        if (language == 1) dir.write("Morvenda.ini", "[Settings]\nLanguage=1\n");
        w.startup("");
    }
    ~Window() { setLanguage(2); }
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    frmMain w{AppPaths{dir.path()}};

    bool connectDemo() {
        w.connectionUi()->connecting().OpenDataLinkFile(true, mvtest::demoSqlitePath(dir));
        return w.cn().hasConnection();
    }
    void selectTab(const QString& caption) {
        QTabBar* tabs = w.documents()->docTabs();
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->tabText(i) == caption) tabs->setCurrentIndex(i);
        QApplication::processEvents();
    }
    void showAt(int width, int height) {
        w.show();
        w.resize(width, height);
        // The window manager of a real desktop would have laid it out by now.
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    }
    SqlEditorWidget* editor() const { return w.queryPanes()->editor(); }
    ResultGridWidget* grid() const { return w.queryPanes()->grid(); }
    // Waits until the grid shows every session log record.
    bool gridFollowsLog() {
        return QTest::qWaitFor([&] { return grid()->recordCount() == w.session().records().recordCount(); }, 2000);
    }
};

// The buttons named prefix_0, prefix_1, ... below a widget.
QList<QPushButton*> buttonsNamed(QWidget* parent, const QString& prefix) {
    QList<QPushButton*> found;
    for (QPushButton* b : parent->findChildren<QPushButton*>())
        if (b->objectName().startsWith(prefix + u'_')) found << b;
    return found;
}

// A caption is whole when the button is wide enough for its text and lies inside the visible part of
// the scroll area that holds it.
void expectWholeAndVisible(QPushButton* b, QScrollArea* area, bool mustBeVisible, const char* when) {
    const int need = b->fontMetrics().horizontalAdvance(b->text());
    EXPECT_GE(b->width(), need + 4) << when << ": " << b->text().toStdString() << " is cut";
    const QRect inViewport(b->mapTo(area->viewport(), QPoint(0, 0)), b->size());
    EXPECT_LE(inViewport.right(), area->viewport()->width())
        << when << ": " << b->text().toStdString() << " reaches past the right edge";
    if (mustBeVisible) {
        EXPECT_TRUE(area->viewport()->rect().contains(inViewport))
            << when << ": " << b->text().toStdString() << " is hidden at " << inViewport.y() << " of "
            << area->viewport()->height();
    }
}

TEST(Newcomer, HelpWindowClosesWithItsButtonAndWithEscape) {
    for (int language : {2, 1}) {
        setLanguage(language);
        HelpWindow help;
        ASSERT_TRUE(help.showPage("contents.html"));
        auto* close = help.findChild<QPushButton*>("cmdClose");
        ASSERT_NE(close, nullptr);
        EXPECT_EQ(close->text(), language == 1 ? "Schließen" : "Close");
        close->click();
        EXPECT_FALSE(help.isVisible());

        ASSERT_TRUE(help.showPage("contents.html"));
        help.activateWindow();
        QApplication::processEvents();
        QTest::keyClick(help.browser(), Qt::Key_Escape);
        EXPECT_FALSE(help.isVisible()) << "Escape in the page closes the window";
    }
    setLanguage(2);
}

TEST(Newcomer, SessionTabFollowsConnectingAndTransactionsWhileShown) {
    Window t;
    t.selectTab(sessionTabCaption());
    ASSERT_EQ(t.w.documents()->commands().currentKey(), sessionTabKey());
    const int before = t.grid()->recordCount();
    const QString textBefore = t.editor()->text();

    ASSERT_TRUE(t.connectDemo()) << t.port.lastText().toStdString();
    // Records close together reach the grid together a moment later.
    EXPECT_TRUE(t.gridFollowsLog());
    EXPECT_GT(t.editor()->text().size(), textBefore.size());
    EXPECT_EQ(t.editor()->text(), t.w.session().SessionText()) << "the protocol shows what was written";
    EXPECT_GT(t.grid()->recordCount(), before) << "the connection records are in the grid";
    EXPECT_EQ(t.grid()->recordCount(), t.w.session().records().recordCount());
    EXPECT_TRUE(t.w.statusBarPanels()->panelText("kRecords").contains(
        QString::number(t.w.session().records().recordCount())))
        << "the record count follows too: " << t.w.statusBarPanels()->panelText("kRecords").toStdString();
    EXPECT_TRUE(t.editor()->isReadOnly()) << "still the session look";

    // A column the user widened keeps its width when the next record arrives.
    const int widened = t.grid()->columns()[3].width + 1500;
    t.grid()->tableView()->setColumnWidth(3, widened / 15);
    QApplication::processEvents();
    const int rows = t.grid()->recordCount();
    t.w.queryPanes()->transactions().cmdStartTrans_Click();
    EXPECT_TRUE(t.gridFollowsLog());
    EXPECT_EQ(t.grid()->recordCount(), rows + 1);
    EXPECT_TRUE(t.editor()->text().contains("Begin Transaction")) << t.editor()->text().right(200).toStdString();
    EXPECT_EQ(t.grid()->tableView()->columnWidth(3), widened / 15);
    t.w.queryPanes()->transactions().cmdRollbackTrans_Click();

    // Another document is left alone by the log.
    t.selectTab("NewSQL_01");
    t.editor()->setText("select 1");
    t.w.queryPanes()->transactions().cmdStartTrans_Click();
    EXPECT_EQ(t.editor()->text(), "select 1");
    t.w.queryPanes()->transactions().cmdRollbackTrans_Click();
}

TEST(Newcomer, SessionTabFollowsABurstOfRecordsWithFewBindsAndMissesNone) {
    Window t;
    t.selectTab(sessionTabCaption());
    ASSERT_TRUE(t.gridFollowsLog());
    int binds = 0;
    QObject::connect(t.grid()->tableView()->model(), &QAbstractItemModel::modelAboutToBeReset, [&] { ++binds; });
    const int before = t.grid()->recordCount();

    // One record after a quiet spell is shown at once.
    SessionLogRecord single;
    single.logType = LogSql;
    single.sql = QStringLiteral("select 1");
    t.w.session().SessionLogInsert(single);
    EXPECT_EQ(t.grid()->recordCount(), before + 1);
    QTest::qWait(300);

    // A script's worth of records in quick succession: a few binds, and the last record arrives.
    constexpr int kBurst = 400;
    binds = 0;
    for (int i = 0; i < kBurst; ++i) {
        SessionLogRecord r;
        r.logType = LogSql;
        r.sql = QStringLiteral("insert into t values (%1)").arg(i);
        r.affectedRecords = 1;
        t.w.session().SessionLogInsert(r);
        if (i % 50 == 0) QApplication::processEvents();
    }
    ASSERT_TRUE(t.gridFollowsLog());
    EXPECT_EQ(t.grid()->recordCount(), before + 1 + kBurst);
    EXPECT_LT(binds, kBurst / 20) << "binds for " << kBurst << " records";
    const QAbstractItemModel* model = t.grid()->tableView()->model();
    EXPECT_TRUE(model->data(model->index(model->rowCount() - 1, 3)).toString().contains("values (399)"))
        << model->data(model->index(model->rowCount() - 1, 3)).toString().toStdString();
    QTest::qWait(300);
    EXPECT_EQ(t.grid()->recordCount(), before + 1 + kBurst) << "nothing owed after the burst";
}

TEST(Newcomer, SessionLogGridShowsTimesAndHeadingsWholeAndTheTypeAsText) {
    for (int language : {2, 1}) {
        Window t(language);
        ASSERT_TRUE(t.connectDemo()) << t.port.lastText().toStdString();
        t.showAt(1100, 750);
        t.selectTab(sessionTabCaption());
        GridTableView* view = t.grid()->tableView();
        QAbstractItemModel* model = view->model();
        ASSERT_GE(model->rowCount(), 2);
        const QFontMetrics cells(view->font());
        const QFontMetrics heads(view->horizontalHeader()->font());
        for (int c = 0; c < model->columnCount(); ++c) {
            const QString heading = model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
            EXPECT_GE(view->columnWidth(c), heads.horizontalAdvance(heading)) << "heading cut: " << heading.toStdString();
            // The SQL and connection texts may be longer than any column; times, types and numbers fit.
            const QString key = t.grid()->columns()[c].key;
            if (key == "SQL" || key == "ConnectionString" || key == "Errotext") continue;
            for (int r = 0; r < model->rowCount(); ++r) {
                const QString text = model->data(model->index(r, c), Qt::DisplayRole).toString();
                EXPECT_GE(view->columnWidth(c), cells.horizontalAdvance(text))
                    << key.toStdString() << " cut: " << text.toStdString();
            }
        }
        const int logType = 0;
        EXPECT_EQ(model->data(model->index(0, logType), Qt::DisplayRole).toString(), "Session start");
        const int align = model->data(model->index(0, logType), Qt::TextAlignmentRole).toInt();
        EXPECT_TRUE(align & Qt::AlignLeft) << "the log type is a text, read from the left";
    }
}

TEST(Newcomer, DataLinkDialogGrowsWithATwoLineError) {
    for (int language : {1, 2}) {
        setLanguage(language);
        mvtest::ScriptedUserPort port;
        DataLinkDialog dialog({}, {});
        dialog.show();
        QApplication::processEvents();
        auto* options = dialog.findChild<QLineEdit*>("txtOptions");
        auto* error = dialog.findChild<QLabel*>("lblError");
        auto* ok = dialog.findChild<QPushButton*>("cmdOk");
        ASSERT_TRUE(options && error && ok);
        const int heightBefore = dialog.height();
        options->setText("foo=1;bar");
        QApplication::processEvents();
        ASSERT_TRUE(error->isVisible());
        ASSERT_FALSE(error->text().isEmpty());
        EXPECT_GE(error->height(), error->heightForWidth(error->width()))
            << "the whole message has room: " << error->text().toStdString();
        const QRect errorBox(error->mapTo(&dialog, QPoint(0, 0)), error->size());
        const QRect okBox(ok->mapTo(&dialog, QPoint(0, 0)), ok->size());
        EXPECT_FALSE(errorBox.intersects(okBox)) << "the message runs over the OK button";
        EXPECT_LE(okBox.bottom(), dialog.height()) << "OK is inside the dialog";
        EXPECT_GE(dialog.height(), heightBefore);
    }
    setLanguage(2);
}

TEST(Newcomer, ToolboxCaptionsAreWholeAtTheDefaultSizeAndAtTheMinimum) {
    for (int language : {2, 1}) {
        Window t(language);
        ToolboxWidget* toolbox = t.w.queryPanes()->toolbox();
        struct Size {
            int width, height;
            bool allVisible;
            const char* name;
        } sizes[] = {{1100, 750, true, "1100x750"}, {400, 300, false, "400x300"}};
        for (const Size& s : sizes) {
            t.showAt(s.width, s.height);
            toolbox->showTab(ToolboxWidget::Commands);
            QApplication::processEvents();
            auto* area = qobject_cast<QScrollArea*>(toolbox->panel(ToolboxWidget::Commands));
            ASSERT_NE(area, nullptr);
            for (const char* row : {"cmdSqlCmd", "cmdOps", "cmdMoreSQL"}) {
                const QList<QPushButton*> buttons = buttonsNamed(area, row);
                ASSERT_FALSE(buttons.isEmpty()) << row;
                for (QPushButton* b : buttons) expectWholeAndVisible(b, area, s.allVisible, s.name);
            }
            toolbox->showTab(ToolboxWidget::Ddl);
            QApplication::processEvents();
            QWidget* ddl = toolbox->panel(ToolboxWidget::Ddl);
            auto* ddlArea = ddl->findChild<QScrollArea*>();
            ASSERT_NE(ddlArea, nullptr);
            for (const char* row : {"cmdDDL", "cmdOps"}) {
                const QList<QPushButton*> buttons = buttonsNamed(ddl, row);
                ASSERT_FALSE(buttons.isEmpty()) << row;
                for (QPushButton* b : buttons) expectWholeAndVisible(b, ddlArea, s.allVisible, s.name);
            }
        }
    }
}

TEST(Newcomer, FieldListOptionAndButtonNeverCoverEachOther) {
    for (int language : {1, 2}) {
        Window t(language);
        auto* box = t.w.findChild<QCheckBox*>("chkLongNames");
        auto* button = t.w.findChild<QPushButton*>("cmdFieldlist");
        ASSERT_TRUE(box && button);
        for (QSize size : {QSize(1100, 750), QSize(400, 300)}) {
            t.showAt(size.width(), size.height());
            const QRect b(box->mapTo(&t.w, QPoint(0, 0)), box->size());
            const QRect p(button->mapTo(&t.w, QPoint(0, 0)), button->size());
            EXPECT_FALSE(b.intersects(p)) << size.width() << ": the button covers the check box";
            EXPECT_GE(box->width(), box->sizeHint().width()) << "check box caption cut";
            EXPECT_GE(button->width(), button->sizeHint().width()) << "button caption cut";
            if (size.width() == 1100)
                EXPECT_EQ(p.top(), b.top()) << "one line when there is room, the button at the right";
        }
    }
}

TEST(Newcomer, AParameterTypeErrorLeavesNoRunningQueryInTheStatusBar) {
    for (int language : {2, 1}) {
        Window t(language);
        ASSERT_TRUE(t.connectDemo()) << t.port.lastText().toStdString();
        t.w.cn().setAsync(false);
        t.editor()->setText("select * from customers where customer_id = @id|Integer@");
        t.w.dispatcher().dispatch("kStart"); // asks for the value
        QApplication::processEvents();
        ParameterPanelWidget* panel = t.w.queryPanes()->parameterPanel();
        ASSERT_NE(panel->input("idk"), nullptr);
        panel->input("idk")->setText("twelve");
        t.port.messages.clear();
        t.w.dispatcher().dispatch("kStart");
        QApplication::processEvents();
        ASSERT_FALSE(t.port.messages.isEmpty()) << "the type error is reported";
        const QString records = t.w.statusBarPanels()->panelText("kRecords");
        EXPECT_EQ(records, language == 1 ? " -- Datensätze " : " -- Records ") << records.toStdString();
        EXPECT_FALSE(t.grid()->hasRecordset());
    }
}

TEST(Newcomer, FindWrapsOnceAndSaysSoInTheStatusBar) {
    for (int language : {2, 1}) {
        Window t(language);
        t.editor()->setText("select total from orders;\nselect name from customers");
        t.editor()->SetCaret(1, 10, false); // after the second "select"
        auto* quick = qobject_cast<QuickSearchWidget*>(t.w.queryPanes()->toolbox()->panel(ToolboxWidget::Find));
        ASSERT_NE(quick, nullptr);
        quick->cmdReplace_Click();
        frmFind* dialog = quick->findDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->findChild<QComboBox*>("cboFind")->currentText(), "name") << "the word at the caret";
        dialog->findChild<QComboBox*>("cboFind")->setEditText("total");
        dialog->cmdFind_Click();
        EXPECT_EQ(t.editor()->selectedText(), "total") << "found above the caret";
        EXPECT_TRUE(t.port.messages.isEmpty()) << t.port.lastText().toStdString();
        EXPECT_EQ(t.w.statusBarPanels()->note(), language == 1
                                                     ? "Suche am Textende angekommen, am Anfang fortgesetzt."
                                                     : "Search reached the end, continued from the top.");
        dialog->reject();
    }
}

TEST(Newcomer, ResultgridMenuHasItsSeparatorsBeforeTheSubmenus) {
    Window t;
    QMenu* menu = t.w.commandBars()->menu("kResult");
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> actions = menu->actions();
    for (const char* key : {"kExport", "kImport"}) {
        int at = -1;
        for (int i = 0; i < actions.size(); ++i)
            if (actions[i]->menu() && actions[i]->menu()->objectName() == key) at = i;
        ASSERT_GT(at, 0) << key;
        EXPECT_TRUE(actions[at - 1]->isSeparator()) << "no separator before " << key;
        if (std::string(key) == "kExport") EXPECT_EQ(actions[at]->text(), "Export As...");
    }
    // A separator never ends or doubles up in any menu.
    for (QAction* top : t.w.menuBar()->actions()) {
        const QList<QAction*> entries = top->menu()->actions();
        for (int i = 1; i < entries.size(); ++i)
            EXPECT_FALSE(entries[i]->isSeparator() && entries[i - 1]->isSeparator() && entries[i]->isVisible() &&
                         entries[i - 1]->isVisible())
                << top->menu()->objectName().toStdString() << " at " << i;
        EXPECT_FALSE(entries.last()->isSeparator()) << top->menu()->objectName().toStdString();
    }
}

} // namespace
