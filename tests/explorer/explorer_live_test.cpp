// The explorer against the demo database on SQLite, PostgreSQL and MariaDB.
#include "app/main_panes_widget.h"
#include "db/db_connect.h"
#include "documents/sql_editor_widget.h"
#include "explorer/catalog_listings.h"
#include "explorer/ddl_tab_widget.h"
#include "explorer/explorer_commands_widget.h"
#include "explorer/explorer_widget.h"
#include "session/session_log.h"
#include "support/scripted_user_port.h"
#include "support/test_databases.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace mv;

namespace {

class ExplorerOn : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        db = mvtest::testDatabase(GetParam(), folder);
        if (!db.usable()) return;
        ASSERT_TRUE(cn.Init(db.connectionString, "", "", true)) << port.lastText().toStdString();
        panes.prepareExplorerLists();
        explorer.setEditorProvider([this] { return &editor; });
    }
    void TearDown() override {
        for (const QString& table : dropAfter) {
            Recordset rs;
            cn.Execute("DROP TABLE " + table, rs, true, 0, false);
        }
    }

    bool pg() const { return db.name == "postgresql"; }
    // The object name text of a demo object.
    QString object(const QString& name) const { return pg() ? "public." + name : name; }

    int chooserIndex(const QString& text) const {
        QComboBox* combo = explorer.cmbTabList();
        for (int i = 0; i < combo->count(); ++i)
            if (combo->itemText(i) == text) return i;
        return -1;
    }
    // Picks the object from the chooser into the working list and selects it there.
    QTreeWidgetItem* pick(const QString& text) {
        const int index = chooserIndex(text);
        if (index < 0) return nullptr;
        explorer.cmbTabList_Click(index);
        QTreeWidget* list = explorer.lTabList();
        QTreeWidgetItem* item = list->topLevelItem(list->topLevelItemCount() - 1);
        list->setCurrentItem(item);
        return item;
    }
    QTreeWidgetItem* field(const QString& name) const {
        const auto found = explorer.lFelder()->findItems(name, Qt::MatchExactly, 0);
        return found.isEmpty() ? nullptr : found.first();
    }
    QString file(const QString& name) const { return QString::fromUtf8(folder.read(name)); }
    QString uniqueTable(const char* stem) const {
        return mvtest::ownName(QString("mvx_%1_").arg(stem));
    }

    mvtest::TempFolder folder;
    mvtest::TestDatabase db;
    mvtest::ScriptedUserPort port;
    SessionLog session;
    C_DbConnect cn{session};
    MainPanesWidget panes;
    ExplorerWidget explorer{cn, panes.paneTables(), panes.tableList(), panes.paneFields(), panes.fieldList()};
    SqlEditorWidget editor;
    QStringList dropAfter;
};

TEST_P(ExplorerOn, ReadTablesListsTheDemoObjectsUnderTheirHeadings) {
    MVTEST_REQUIRE(db);
    qint32 count = explorer.ReadTables("");
    QComboBox* combo = explorer.cmbTabList();
    const int tables = chooserIndex("* Tables"), views = chooserIndex("* Views"),
              links = chooserIndex("* Links"), procs = chooserIndex("* Stored Procedures");
    ASSERT_EQ(tables, 0);
    EXPECT_LT(tables, views);
    EXPECT_LT(views, links);
    EXPECT_LT(links, procs);
    for (const QString& t : {object("customers"), object("Order Details")}) {
        const int i = chooserIndex(t);
        EXPECT_TRUE(i > tables && i < views) << t.toStdString();
    }
    const int view = chooserIndex(object("order_summary"));
    EXPECT_TRUE(view > views && view < links);
    if (db.name != "sqlite") {
        EXPECT_GT(chooserIndex(object("orders_between")), procs);
    }
    EXPECT_EQ(combo->currentIndex(), -1) << "the chooser shows its prompt";
    EXPECT_GE(count, 5);
    EXPECT_TRUE(port.messages.isEmpty()) << port.lastText().toStdString();

    // A filter hides rows but still counts them; procedures are never counted. Other tests make and
    // drop tables on the same server meanwhile: the pair is read again until none came or went.
    qint32 filtered = explorer.ReadTables("ORD");
    for (int attempt = 0; attempt < 5 && filtered != count; ++attempt) {
        count = explorer.ReadTables("");
        filtered = explorer.ReadTables("ORD");
    }
    EXPECT_EQ(filtered, count);
    EXPECT_GT(chooserIndex(object("Order Details")), 0);
    EXPECT_GT(chooserIndex(object("order_summary")), 0);
    EXPECT_EQ(chooserIndex(object("customers")), -1);
    for (int i = chooserIndex("* Stored Procedures") + 1; i < combo->count(); ++i)
        EXPECT_TRUE(combo->itemText(i).contains("ORD", Qt::CaseInsensitive))
            << combo->itemText(i).toStdString();
}

TEST_P(ExplorerOn, FieldListColumnsShowTypeSizeAndNullWhole) {
    MVTEST_REQUIRE(db);
    explorer.ReadTables("");
    ASSERT_NE(pick(object("customers")), nullptr);
    explorer.lTabList_MouseUp(Qt::LeftButton);
    QTreeWidget* list = explorer.lFelder();
    ASSERT_GT(list->topLevelItemCount(), 0);
    const QFontMetrics heads(list->header()->font());
    for (int c = 0; c < 4; ++c) { // field, type, size, NULL
        EXPECT_GE(list->columnWidth(c), heads.horizontalAdvance(list->headerItem()->text(c)))
            << "heading " << list->headerItem()->text(c).toStdString();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = list->topLevelItem(i);
            const int icon = c == 0 ? list->iconSize().width() + 4 : 0;
            EXPECT_GE(list->columnWidth(c), QFontMetrics(item->font(c)).horizontalAdvance(item->text(c)) + icon)
                << item->text(c).toStdString() << " in column " << c;
        }
    }
}

TEST_P(ExplorerOn, ShowFieldsMarksKeysAndIndexes) {
    MVTEST_REQUIRE(db);
    explorer.ReadTables("");
    QTreeWidgetItem* entry = pick(object("customers"));
    ASSERT_NE(entry, nullptr);
    explorer.lTabList_MouseUp(Qt::LeftButton);
    ASSERT_EQ(explorer.lFelder()->topLevelItemCount(), 8);
    EXPECT_EQ(entry->text(1), "8");

    QTreeWidgetItem* id = field("customer_id");
    ASSERT_NE(id, nullptr);
    EXPECT_TRUE(id->font(0).bold());
    EXPECT_EQ(id->data(0, Qt::UserRole).toInt(), icon::KeyUniqueIndexField) << "key in the unique key index";
    EXPECT_TRUE(id->text(4).startsWith("1: ")) << id->text(4).toStdString();
    EXPECT_EQ(id->text(1), "Integer");
    EXPECT_EQ(id->text(2), "4 Bytes");
    EXPECT_EQ(id->text(3), "No");
    EXPECT_EQ(id->text(5), "A1");

    QTreeWidgetItem* email = field("email");
    ASSERT_NE(email, nullptr);
    EXPECT_EQ(email->data(0, Qt::UserRole).toInt(), icon::UniqueIndexField);
    EXPECT_FALSE(email->font(0).bold());
    EXPECT_EQ(email->foreground(0).color(), QColor(0, 0, 255));
    EXPECT_TRUE(email->text(4).endsWith(": ux_customers_email")) << email->text(4).toStdString();
    EXPECT_EQ(field("contact_name")->text(3), "Yes");
    EXPECT_EQ(field("contact_name")->data(0, Qt::UserRole).toInt(), icon::Field);

    // Shown fields are not read again for the same table; after a clean-up they are.
    email->setText(1, "changed");
    explorer.ShowFields();
    EXPECT_EQ(field("email")->text(1), "changed");
    explorer.CleanUpDbExplorer();
    EXPECT_EQ(explorer.cmbTabList()->count(), 0);
    EXPECT_EQ(explorer.lTabList()->topLevelItemCount(), 0);
    EXPECT_EQ(explorer.lFelder()->topLevelItemCount(), 0);
    explorer.ReadTables("");
    pick(object("customers"));
    explorer.ShowFields();
    EXPECT_EQ(field("email")->text(1), "Text");
    EXPECT_TRUE(port.messages.isEmpty()) << port.lastText().toStdString();
}

TEST_P(ExplorerOn, InsertsQuotedNamesFieldListsAndProcedureCalls) {
    MVTEST_REQUIRE(db);
    explorer.ReadTables("");
    ASSERT_NE(pick(object("Order Details")), nullptr);
    explorer.lTabList_DblClick();
    const QString q = db.name == "mariadb" ? "`" : "\"";
    // "public" is an ODBC reserved word: quoted too.
    const QString quotedTable = (pg() ? "\"public\"." : "") + q + "Order Details" + q;
    EXPECT_EQ(editor.text(), quotedTable);

    explorer.lTabList_MouseUp(Qt::LeftButton);
    ASSERT_EQ(explorer.lFelder()->topLevelItemCount(), 5);
    EXPECT_TRUE(field("order_id")->font(0).bold());
    EXPECT_TRUE(field("product_id")->font(0).bold());
    field("quantity")->setSelected(true);
    field("order_id")->setSelected(true);
    editor.setText("");
    explorer.cmdFieldlist_Click();
    EXPECT_EQ(editor.text(), "order_id, quantity") << "in list order";
    explorer.chkLongNames()->setChecked(true);
    EXPECT_EQ(explorer.GetMarkedFieldlist(),
              quotedTable + ".order_id, " + quotedTable + ".quantity");

    if (db.name != "sqlite") {
        ASSERT_NE(pick(object("orders_between")), nullptr);
        explorer.lTabList_MouseUp(Qt::LeftButton);
        QStringList names;
        for (int i = 0; i < explorer.lFelder()->topLevelItemCount(); ++i)
            names << explorer.lFelder()->topLevelItem(i)->text(0);
        EXPECT_TRUE(names.contains("FROM_DATE") && names.contains("TO_DATE"))
            << names.join(",").toStdString();
        editor.setText("");
        explorer.lTabList_DblClick();
        EXPECT_EQ(editor.text(), "EXEC " + QString(pg() ? "\"public\"." : "") + "orders_between");
        // A right click also shows the procedure's catalog row.
        explorer.lTabList_MouseUp(Qt::RightButton);
        ASSERT_FALSE(port.messages.isEmpty());
        EXPECT_EQ(port.messages.last().title, "Morvenda Stored Procedure Info");
        EXPECT_TRUE(port.lastText().contains("PROCEDURE_NAME = orders_between\r\n"))
            << port.lastText().toStdString();
    }
}

TEST_P(ExplorerOn, ListingsAreWrittenWithTheirLineFormats) {
    MVTEST_REQUIRE(db);
    CatalogListings listings(cn, folder.path());
    Recordset shown;
    listings.setShowInGrid([&](const Recordset& rs) { shown = rs; });

    listings.cmdmAllTables();
    EXPECT_GE(shown.recordCount(), 4);
    const QString tables = file("Tables.txt");
    EXPECT_TRUE(tables.contains((pg() ? "PUBLIC." : "") + QString("ORDER DETAILS\r\n")))
        << tables.toStdString();
    EXPECT_TRUE(tables.endsWith("\r\n"));
    EXPECT_EQ(port.lastText(), "The file '" + folder.path() + "/Tables.txt' was created");

    listings.mAllViews_Click();
    EXPECT_TRUE(file("Views.txt").contains((pg() ? "PUBLIC." : "") + QString("ORDER_SUMMARY\r\n")));
    EXPECT_EQ(port.lastText(), "The file '" + folder.path() + "/Views.txt'was created.");

    listings.cmdmAllFields("customers");
    const QString fields = file("Fields.txt");
    const QStringList expected =
        pg() ? QStringList{"public.customers.customer_id\t\tInteger(4 Bytes), \tNOT NULL\r\n",
                           "public.customers.contact_name\t\tText(60), \tNULL\r\n",
                           "public.customers.created_at\t\tTimestamp(), \tNOT NULL\r\n"}
             : QStringList{"customers.customer_id\tInteger(4 Bytes)\tNOT NULL\r\n",
                           "customers.contact_name\tText(60)\tNULL\r\n",
                           "customers.created_at\tTimestamp()\tNOT NULL\r\n"};
    for (const QString& line : expected)
        EXPECT_TRUE(fields.contains(line)) << fields.toStdString();
    EXPECT_FALSE(fields.contains("orders.")) << "the filter keeps other tables out";

    listings.mAllViewFields_Click("order_summary");
    EXPECT_TRUE(file("ViewFields.txt").contains(object("order_summary") + ".company_name\t"));

    listings.cmdmAllIndexes("");
    const QString indexes = file("Indexes.txt");
    EXPECT_TRUE(indexes.contains(object("customers") + "\tux_customers_email\tUNIQUE\temail\r\n"))
        << indexes.toStdString();
    EXPECT_TRUE(indexes.contains(object("orders") + "\tix_orders_customer\tNOT UNIQUE\tcustomer_id"));
    EXPECT_FALSE(indexes.endsWith("\r\n"));
    EXPECT_FALSE(indexes.contains(",\r\n"));
    EXPECT_EQ(port.lastText(), "The file '" + folder.path() + "/Indexes.txt' was created.");

    listings.cmdmAllStProcParas("ORDERS_BETWEEN");
    const QString parameters = file("StoredProcParas.txt");
    EXPECT_EQ(port.lastText(), "The file '" + folder.path() + "/StoredProcParas.txt' was created");
    if (db.name == "sqlite") {
        EXPECT_EQ(parameters, "");
    } else {
        const QString prefix = pg() ? "PUBLIC.ORDERS_BETWEEN\t" : ".ORDERS_BETWEEN\t";
        EXPECT_TRUE(parameters.contains(prefix)) << parameters.toStdString();
        EXPECT_TRUE(
            parameters.startsWith(prefix + "1\tfrom_date\tdate()\r\n" + prefix + "2\tto_date\tdate()\r\n"))
            << parameters.toStdString();
        for (const QString& line : parameters.split("\r\n", Qt::SkipEmptyParts))
            EXPECT_TRUE(line.startsWith(prefix)) << line.toStdString();
    }
}

// A long text column (MariaDB LONGTEXT: 4294967295 characters) and a NUMERIC(10,2) show in the field
// list and Fields.txt with the type and size they declare.
TEST_P(ExplorerOn, LongTextAndDecimalFieldsShowTheirDeclaredSizes) {
    MVTEST_REQUIRE(db);
    const QString table = uniqueTable("sizes");
    const QString longText = db.name == "mariadb" ? "LONGTEXT" : "TEXT";
    Recordset none;
    ASSERT_EQ(cn.Execute("CREATE TABLE " + table + " (id INTEGER NOT NULL PRIMARY KEY, doc " + longText +
                             ", amount NUMERIC(10,2))",
                         none, true, 0, false),
              C_DbConnect::ExecSucceeded)
        << port.lastText().toStdString();
    dropAfter << table;
    explorer.ReadTables("");
    ASSERT_NE(pick(object(table)), nullptr);
    explorer.lTabList_MouseUp(Qt::LeftButton);
    ASSERT_EQ(explorer.lFelder()->topLevelItemCount(), 3) << port.lastText().toStdString();
    EXPECT_EQ(field("amount")->text(1) + " " + field("amount")->text(2), "Decimal 10,2");
    EXPECT_EQ(field("doc")->text(1), "Text");
    if (db.name == "mariadb") {
        EXPECT_EQ(field("doc")->text(2), "4294967295");
    }

    CatalogListings listings(cn, folder.path());
    listings.setShowInGrid([](const Recordset&) {});
    listings.cmdmAllFields(table);
    const QString fields = file("Fields.txt");
    EXPECT_TRUE(fields.contains(table + ".doc\t")) << fields.toStdString();
    EXPECT_TRUE(fields.contains("Decimal(10,2)")) << fields.toStdString();
    for (const auto& m : port.messages)
        EXPECT_FALSE(m.text.contains("Type mismatch")) << m.text.toStdString();
}

TEST_P(ExplorerOn, BuildWhereFindsTheRowWithAnApostropheInItsKey) {
    MVTEST_REQUIRE(db);
    const QString table = uniqueTable("keys");
    Recordset none;
    ASSERT_EQ(cn.Execute("CREATE TABLE " + table + " (code VARCHAR(20) NOT NULL PRIMARY KEY, n INTEGER)",
                         none, true, 0, false),
              C_DbConnect::ExecSucceeded)
        << port.lastText().toStdString();
    dropAfter << table;
    ASSERT_EQ(cn.Execute("INSERT INTO " + table + " VALUES ('O''Brien', 7)", none, true, 0, false),
              C_DbConnect::ExecSucceeded);
    Recordset row;
    ASSERT_EQ(cn.Execute("SELECT code, n FROM " + table, row, true, 0, true), C_DbConnect::ExecSucceeded);
    ASSERT_EQ(row.recordCount(), 1);

    ExplorerCommands commands(cn, explorer, folder.path());
    commands.setCurrentRowReader([&] { return rowValuesOf(row, 0); });
    explorer.ReadTables(table.toUpper());
    ASSERT_NE(pick(object(table)), nullptr);
    const QString where = commands.BuildWhere();
    // The key is written as the catalog spells it.
    EXPECT_EQ(where, "WHERE \tcode = 'O''Brien'\r\n");

    Recordset found;
    ASSERT_EQ(cn.Execute("SELECT n FROM " + table + " " + where, found, true, 0, true),
              C_DbConnect::ExecSucceeded)
        << port.lastText().toStdString();
    ASSERT_EQ(found.recordCount(), 1);
    EXPECT_EQ(found.text(0, 0), "7");

    // The UPDATE skeleton for marked fields, with the same WHERE clause.
    explorer.lTabList_MouseUp(Qt::LeftButton);
    field("n")->setSelected(true);
    editor.setText("");
    commands.cmdmBuildUpd();
    EXPECT_EQ(editor.text(),
              "UPDATE \t" + QString(pg() ? "\"public\"." : "") + table + "\nSET \t\tn = ValueX\nWHERE \tcode = 'O''Brien'\n");
    EXPECT_TRUE(port.messages.isEmpty()) << port.lastText().toStdString();
}

TEST_P(ExplorerOn, WorkingListAndFieldListHandling) {
    MVTEST_REQUIRE(db);
    explorer.ReadTables("");
    // A heading adds nothing; the same object may be added twice.
    explorer.cmbTabList_Click(chooserIndex("* Views"));
    EXPECT_EQ(explorer.lTabList()->topLevelItemCount(), 0);
    pick(object("orders"));
    pick(object("orders"));
    pick(object("products"));
    ASSERT_EQ(explorer.lTabList()->topLevelItemCount(), 3);
    EXPECT_EQ(explorer.lTabList()->topLevelItem(2)->data(0, Qt::UserRole).toInt(), icon::Table);

    // Marked tables in list order, for the join skeleton.
    for (int i : {0, 2})
        explorer.lTabList()->topLevelItem(i)->setSelected(true);
    ExplorerCommands commands(cn, explorer, folder.path());
    const QString schema = pg() ? "\"public\"." : "";
    EXPECT_EQ(commands.BuildJoin(), "FROM \t" + schema + "orders, " + schema + "products" +
                                        "\r\n\t\tWHERE\t\t<KeyXTab1> = <KeyXTab2>\r\n");

    // A right click puts the entry's name in place of every occurrence of the editor's selection.
    editor.setText("SELECT X.a FROM X");
    editor.setSelection(0, 16, 0, 17);
    explorer.lTabList_MouseUp(Qt::RightButton);
    EXPECT_EQ(editor.text(), "SELECT " + object("products") + ".a FROM " + object("products"));

    // The field list sorts by the clicked column, flipping the direction on every click.
    explorer.lTabList_MouseUp(Qt::LeftButton);
    QTreeWidget* fields = explorer.lFelder();
    ASSERT_EQ(fields->topLevelItemCount(), 5);
    explorer.lFelder_ColumnClick(0);
    EXPECT_EQ(fields->topLevelItem(0)->text(0), "category");
    explorer.lFelder_ColumnClick(5);
    EXPECT_EQ(fields->topLevelItem(0)->text(5), "A5");
    explorer.lFelder_ColumnClick(5);
    EXPECT_EQ(fields->topLevelItem(0)->text(0), "product_id");

    // Right button on a field: its name replaces the selection everywhere.
    editor.setText("a + a");
    editor.setSelection(0, 0, 0, 1);
    explorer.lFelder_MouseDown(Qt::RightButton, fields->topLevelItem(0));
    EXPECT_EQ(editor.text(), "product_id + product_id");

    // Delete without Shift removes the selected entry of the working list.
    explorer.lTabList()->setCurrentItem(explorer.lTabList()->topLevelItem(0));
    explorer.lTabList_KeyDown(Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(explorer.lTabList()->topLevelItemCount(), 3);
    explorer.lTabList_KeyDown(Qt::Key_Delete, Qt::NoModifier);
    EXPECT_EQ(explorer.lTabList()->topLevelItemCount(), 2);
    EXPECT_TRUE(port.messages.isEmpty()) << port.lastText().toStdString();
}

TEST_P(ExplorerOn, DataTypeListFromTheProvider) {
    MVTEST_REQUIRE(db);
    DdlTabWidget ddl(cn);
    const int count = ddl.ShowDataTypes();
    EXPECT_GT(count, 10);
    ASSERT_EQ(ddl.listType()->topLevelItemCount(), count);
    QStringList names;
    for (int i = 0; i < count; ++i)
        names << ddl.listType()->topLevelItem(i)->text(0);
    EXPECT_TRUE(names.contains("VARCHAR")) << names.join(",").toStdString();
    for (const QString& n : names)
        EXPECT_EQ(n, n.toUpper());
    EXPECT_TRUE(port.messages.isEmpty()) << port.lastText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Targets, ExplorerOn, ::testing::ValuesIn(mvtest::testDatabaseNames()),
                         mvtest::DatabaseNamePrinter());

} // namespace
