// The parameter tab of the main window follows the text: the text being run when execution asks
// for values, and the current document when documents are created, opened or switched.
#include "app/main_window.h"
#include "app/query_panes_widget.h"
#include "app/toolbox_widget.h"
#include "db/connecting.h"
#include "db/connection_ui_widget.h"
#include "db/db_connect.h"
#include "documents/document_commands.h"
#include "documents/document_tabs_widget.h"
#include "documents/sql_editor_widget.h"
#include "exec/parameter_panel_widget.h"
#include "results/result_grid_widget.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"
#include "support/test_databases.h"

#include <QApplication>
#include <QLineEdit>
#include <QTabBar>
#include <gtest/gtest.h>

static void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
static void PrintTo(const QStringList& l, std::ostream* os) {
    *os << '{' << l.join(", ").toStdString() << '}';
}

using namespace mv;

namespace {

const QString kAskFor = "Please set values for the following Parameter:\r\n";

struct Window {
    Window() { w.startup(""); }
    mvtest::TempFolder dir;
    mvtest::ScriptedUserPort port;
    frmMain w{AppPaths{dir.path()}};

    bool connectDemo() {
        w.connectionUi()->connecting().OpenDataLinkFile(true, mvtest::demoSqlitePath(dir));
        return w.cn().hasConnection();
    }
    ToolboxWidget* toolbox() const { return w.queryPanes()->toolbox(); }
    ParameterPanelWidget* panel() const { return w.queryPanes()->parameterPanel(); }
    SqlEditorWidget* editor() const { return w.queryPanes()->editor(); }
    QString typed(const QString& key) const {
        QLineEdit* input = panel()->input(key);
        return input ? input->text() : QStringLiteral("<no input>");
    }
    // F2, with the messages of this run only.
    void execute() {
        port.messages.clear();
        w.dispatcher().dispatch(QStringLiteral("kStart"));
        QApplication::processEvents();
    }
    void selectDocument(const QString& caption) {
        QTabBar* tabs = w.documents()->docTabs();
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->tabText(i) == caption || tabs->tabText(i) == caption + u'*') tabs->setCurrentIndex(i);
        QApplication::processEvents();
    }
};

TEST(ParameterTab, ExecutionRefreshesTheTabThatIsAlreadyShowing) {
    Window t;
    ASSERT_TRUE(t.connectDemo()) << t.port.lastText().toStdString();
    t.w.cn().setAsync(false);
    t.toolbox()->showTab(ToolboxWidget::Parameter);
    ASSERT_TRUE(t.panel()->itemKeys().isEmpty());

    t.editor()->setText("select * from customers where customer_id = @id|Integer@");
    t.execute();
    ASSERT_EQ(t.panel()->itemKeys(), QStringList{"idk"});
    EXPECT_EQ(t.port.lastText(), kAskFor + "  - id\r\n");

    // A second parameter joins; the value typed for the first stays.
    t.panel()->input("idk")->setText("3");
    t.editor()->setText(
        "select * from customers where customer_id = @id|Integer@ and customer_id <> @other|Integer@");
    t.execute();
    ASSERT_EQ(t.panel()->itemKeys(), QStringList({"idk", "otherk"}));
    EXPECT_EQ(t.typed("idk"), "3");
    EXPECT_EQ(t.port.lastText(), kAskFor + "  - other\r\n");

    t.panel()->input("otherk")->setText("4");
    t.execute();
    EXPECT_TRUE(t.port.messages.isEmpty()) << t.port.lastText().toStdString();
    ASSERT_TRUE(t.w.queryPanes()->grid()->hasRecordset());
    EXPECT_EQ(t.w.queryPanes()->grid()->recordset().recordCount(), 1);
    EXPECT_EQ(t.panel()->itemKeys(), QStringList({"idk", "otherk"}));

    // The same name with another type is another parameter: its value is asked for afresh.
    t.editor()->setText("select * from customers where customer_id = @id|Double@");
    t.execute();
    EXPECT_EQ(t.panel()->itemKeys(), QStringList{"idk"});
    EXPECT_EQ(t.typed("idk"), "");
    EXPECT_EQ(t.port.lastText(), kAskFor + "  - id\r\n");
}

TEST(ParameterTab, ExecutionShowsOnlyTheParametersOfTheSelection) {
    Window t;
    ASSERT_TRUE(t.connectDemo()) << t.port.lastText().toStdString();
    t.w.cn().setAsync(false);
    t.toolbox()->showTab(ToolboxWidget::Options);
    const QString line = "select * from customers where customer_id = @id|Integer@";
    t.editor()->setText(line + "\nselect @elsewhere|Integer@");
    t.editor()->setSelection(0, 0, 0, int(line.size()));
    ASSERT_EQ(t.editor()->selectedText(), line);
    t.execute();
    EXPECT_TRUE(t.toolbox()->isShown(ToolboxWidget::Parameter));
    ASSERT_EQ(t.panel()->itemKeys(), QStringList{"idk"});
    EXPECT_EQ(t.port.lastText(), kAskFor + "  - id\r\n");

    t.panel()->input("idk")->setText("5");
    t.editor()->setSelection(0, 0, 0, int(line.size()));
    t.execute();
    EXPECT_TRUE(t.port.messages.isEmpty()) << t.port.lastText().toStdString();
    ASSERT_TRUE(t.w.queryPanes()->grid()->hasRecordset());
    EXPECT_EQ(t.w.queryPanes()->grid()->recordset().recordCount(), 1);
}

TEST(ParameterTab, NewOpenedAndSwitchedDocumentsShowTheirOwnParameters) {
    Window t;
    DocumentCommands& docs = t.w.documents()->commands();
    t.editor()->setText("select @a|Integer@");
    t.toolbox()->showTab(ToolboxWidget::Parameter);
    EXPECT_EQ(t.panel()->itemKeys(), QStringList{"ak"});

    docs.NewSQLFile();
    EXPECT_TRUE(t.panel()->itemKeys().isEmpty());
    t.editor()->setText("select @b|Date@");

    t.selectDocument("NewSQL_01");
    EXPECT_EQ(t.editor()->text(), "select @a|Integer@");
    ASSERT_EQ(t.panel()->itemKeys(), QStringList{"ak"});
    t.panel()->input("ak")->setText("7");

    t.selectDocument("NewSQL_02");
    EXPECT_EQ(t.panel()->itemKeys(), QStringList{"bk"});

    const QString file = t.dir.write("params.sql", "select @c|Double@ + @a|Integer@");
    ASSERT_TRUE(docs.cmdOpenSQLFile(true, file));
    EXPECT_EQ(t.panel()->itemKeys(), QStringList({"ck", "ak"}));

    // With another tab showing, documents leave the panel alone until the tab is chosen again.
    t.toolbox()->showTab(ToolboxWidget::Commands);
    t.selectDocument("NewSQL_02");
    EXPECT_EQ(t.panel()->itemKeys(), QStringList({"ck", "ak"}));
    t.toolbox()->showTab(ToolboxWidget::Parameter);
    EXPECT_EQ(t.panel()->itemKeys(), QStringList{"bk"});
    EXPECT_TRUE(t.port.messages.isEmpty()) << t.port.lastText().toStdString();
}

} // namespace
