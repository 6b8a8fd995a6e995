// The explorer's widgets and commands without a database connection.
#include "app/command_dispatcher.h"
#include "app/main_panes_widget.h"
#include "app/texts.h"
#include "db/db_connect.h"
#include "documents/sql_editor_widget.h"
#include "explorer/ddl_tab_widget.h"
#include "explorer/explorer_commands_widget.h"
#include "explorer/explorer_icons_view.h"
#include "explorer/explorer_widget.h"
#include "session/session_log.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"

#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QPushButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace mv;

namespace {

struct Offline : ::testing::Test {
    Offline() {
        explorer.setEditorProvider([this] { return &editor; });
    }
    mvtest::TempFolder folder;
    mvtest::ScriptedUserPort port;
    SessionLog session;
    C_DbConnect cn{session};
    MainPanesWidget panes;
    ExplorerWidget explorer{cn, panes.paneTables(), panes.tableList(), panes.paneFields(), panes.fieldList()};
    SqlEditorWidget editor;
};

TEST_F(Offline, ReadTablesWithoutConnectionSaysSo) {
    for (int lang : {2, 1}) {
        setLanguage(lang);
        EXPECT_EQ(explorer.ReadTables(""), 0);
        ASSERT_FALSE(port.messages.isEmpty());
        const MessageRequest& box = port.messages.last();
        EXPECT_EQ(box.icon, MsgIcon::Information);
        EXPECT_EQ(box.text, lang == 1 ? "Keine Datenbankobjekte verfügbar" : "No Database Objects available");
        EXPECT_EQ(box.title, lang == 1 ? "Lese Datenbank Objekte" : "Read Database Objects");
    }
    explorer.applyLanguage();
    EXPECT_EQ(explorer.cmbTabList()->placeholderText(), "- Datenbankobjekte auswählen -");
    EXPECT_EQ(explorer.cmdFieldlist()->text(), "Feldliste einfügen >");
    setLanguage(2);
    explorer.applyLanguage();
    EXPECT_EQ(explorer.cmdRefresh()->text(), "&Refresh");
    EXPECT_FALSE(port.waitCursor) << "the wait cursor is back to normal";
}

TEST_F(Offline, CommandsAreRegisteredAndListingsNeedAConnection) {
    CommandDispatcher dispatcher;
    ExplorerCommands commands(cn, explorer, folder.path());
    commands.registerCommands(dispatcher);
    for (const char* key :
         {"kBuildUpdate", "kBuildWhere", "kBuildJoin", "kInsertFields", "kDelTabs", "kExTables", "kExFields",
          "kExViews", "kExViewFields", "kExIndexFields", "kExStProcParas"})
        EXPECT_TRUE(dispatcher.has(key)) << key;

    dispatcher.dispatch("kExTables");
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_EQ(port.lastText(), "No Tables available!");
    dispatcher.dispatch("kExFields");
    EXPECT_EQ(port.lastText(), "No Fields available!");
    for (const char* quiet : {"kExViews", "kExViewFields", "kExIndexFields", "kExStProcParas"})
        dispatcher.dispatch(quiet);
    EXPECT_EQ(port.messages.size(), 2) << "the other listings say nothing without a connection";
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());

    // Without working list entries the skeleton commands insert nothing.
    editor.setText("x");
    for (const char* key : {"kBuildUpdate", "kBuildWhere", "kBuildJoin", "kInsertFields"})
        dispatcher.dispatch(key);
    EXPECT_EQ(editor.text(), "x");
}

TEST_F(Offline, DeleteTabsIsOneUndoStep) {
    ExplorerCommands commands(cn, explorer, folder.path());
    editor.setText("SELECT\t*\nFROM\t\tT");
    commands.cmdmDelTabs();
    EXPECT_EQ(editor.text(), "SELECT *\nFROM  T");
    editor.undo();
    EXPECT_EQ(editor.text(), "SELECT\t*\nFROM\t\tT");
}

TEST_F(Offline, DdlTabInsertsTemplatesKeywordsAndTypes) {
    DdlTabWidget ddl(cn);
    QStringList inserted;
    QList<bool> breaks;
    QObject::connect(&ddl, &DdlTabWidget::insertText, [&](const QString& t, bool lineBreak) {
        inserted << t;
        breaks << lineBreak;
    });
    std::optional<QString> selection;
    ddl.setWorkingListProvider([&] { return selection; });
    ddl.templateButtons()[1]->click();
    selection = QString("dbo.Orders");
    ddl.templateButtons()[1]->click();
    ddl.templateButtons()[2]->click();
    ddl.keywordButtons()[1]->click();
    ASSERT_EQ(inserted.size(), 4);
    EXPECT_TRUE(inserted[0].startsWith("ALTER TABLE\t<TableName>\t<ADD/MODIFY>\r\n"));
    EXPECT_TRUE(inserted[1].startsWith("ALTER TABLE\tdbo.Orders\t<ADD/MODIFY>\r\n"));
    EXPECT_EQ(inserted[2], "DROP TABLE\tdbo.Orders\r\n");
    EXPECT_EQ(inserted[3], "PRIMARY KEY");
    EXPECT_EQ(breaks, (QList<bool>{true, true, true, false}));

    // Disconnected: the type list keeps what it showed.
    ddl.listType()->addTopLevelItem(new QTreeWidgetItem(QStringList{"INTEGER", "10"}));
    EXPECT_EQ(ddl.ShowDataTypes(), 0);
    EXPECT_EQ(ddl.listType()->topLevelItemCount(), 1);
    EXPECT_EQ(ddl.listType()->headerItem()->text(0), "Datatype");
    EXPECT_EQ(ddl.listType()->headerItem()->text(1), "Size");
    ddl.listType()->setCurrentItem(ddl.listType()->topLevelItem(0));
    ddl.listType_DblClick();
    EXPECT_EQ(inserted.last(), "INTEGER");
    EXPECT_FALSE(breaks.last());
    EXPECT_TRUE(port.messages.isEmpty());
}

TEST(ExplorerIcons, EveryKindHasItsOwnPicture) {
    const int kinds[] = {icon::Table,         icon::View,          icon::Procedure,
                         icon::Field,         icon::IndexField,    icon::UniqueIndexField,
                         icon::KeyField,      icon::KeyIndexField, icon::KeyUniqueIndexField,
                         icon::TablesHeading, icon::ViewsHeading};
    QList<QImage> images;
    for (int kind : kinds) {
        const QPixmap pixmap = explorerPixmap(kind);
        ASSERT_FALSE(pixmap.isNull()) << kind;
        EXPECT_EQ(pixmap.size(), QSize(16, 16));
        for (const QImage& other : images)
            EXPECT_NE(pixmap.toImage(), other) << kind;
        images << pixmap.toImage();
        EXPECT_FALSE(explorerIcon(kind).isNull());
    }
    EXPECT_TRUE(explorerPixmap(0).isNull());
    EXPECT_TRUE(explorerIcon(0).isNull());
}

} // namespace
