#include "app/texts.h"
#include "db/recordset_builder.h"
#include "results/layout_dialog.h"
#include "results/result_detail_window.h"
#include "results/result_grid_widget.h"
#include "support/scripted_user_port.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>
#include <gtest/gtest.h>

using namespace mv;

namespace {

struct Language {
    explicit Language(int lang) { setLanguage(lang); }
    ~Language() { setLanguage(2); }
};

Recordset orders() {
    RecordsetBuilder b({FieldInfo{"no", ado::adInteger}, FieldInfo{"customer", ado::adVarWChar, 30},
                        FieldInfo{"paid", ado::adBoolean}, FieldInfo{"note", ado::adLongVarWChar}});
    b.appendRow({10, "Anna", true, "first\nline two"});
    b.appendRow({11, "Bert", false, QVariant()});
    b.appendRow({12, "Cleo", true, "third"});
    return b.finish();
}

QAction* action(QToolBar* bar, const char* key) {
    for (QAction* a : bar->actions())
        if (a->objectName() == QLatin1String(key)) return a;
    return nullptr;
}

// The layout grid's cell of a table row and attribute.
QModelIndex layoutCell(frmLayout& dialog, int row, int attribute) {
    return dialog.GridLayout->model()->index(row, attribute);
}

} // namespace

TEST(RecordDetail, ListsEveryColumnAndFollowsTheNavigationBar) {
    Language english(2);
    mvtest::ScriptedUserPort port;
    ResultGridWidget grid;
    grid.setRecordset(orders());
    GridColumn note = grid.column(3);
    note.wordWrap = true;
    note.caption = "Remark";
    grid.setColumn(3, note);

    frmResultDetail detail(grid);
    EXPECT_EQ(detail.windowTitle(), "Detail");
    EXPECT_EQ(detail.cmdClose->text(), "&Cancel");
    const QList<frmResultDetail::Item>& items = detail.items();
    ASSERT_EQ(items.size(), 4);
    EXPECT_EQ(items[0].key, "no");
    EXPECT_EQ(items[3].key, "note");
    EXPECT_EQ(items[3].caption, "Remark\t");
    EXPECT_EQ(items[2].kind, frmResultDetail::ItemKind::Check);
    EXPECT_EQ(items[3].kind, frmResultDetail::ItemKind::MultiLine);
    EXPECT_EQ(items[3].editor->height(), 60);
    EXPECT_EQ(items[1].kind, frmResultDetail::ItemKind::Text);
    EXPECT_EQ(detail.itemText("customer"), "Anna");
    EXPECT_EQ(detail.itemText("note"), "first\nline two");

    const struct {
        const char* key;
        const char* customer;
        const char* paid;
    } steps[] = {{"kMoveNext", "Bert", "False"}, {"kMoveNext", "Cleo", "True"},
                 {"kMoveNext", "Cleo", "True"}, // stays on the last record
                 {"kMoveFirst", "Anna", "True"}, {"kMovePrevious", "Anna", "True"},
                 {"kMoveLast", "Cleo", "True"}};
    for (const auto& step : steps) {
        QAction* a = action(detail.tbNavigation, step.key);
        ASSERT_NE(a, nullptr) << step.key;
        a->trigger();
        EXPECT_EQ(detail.itemText("customer"), step.customer) << step.key;
        EXPECT_EQ(detail.itemText("paid"), step.paid) << step.key;
    }
    EXPECT_EQ(grid.currentRecord(), 2);
    EXPECT_TRUE(port.messages.isEmpty());

    Language german(1);
    frmResultDetail again(grid);
    EXPECT_EQ(again.cmdClose->text(), "&Schliessen");
}

TEST(LayoutDialog, ShowsTheColumnsAndSaveAppliesEachRowByIndex) {
    Language english(2);
    mvtest::ScriptedUserPort port;
    ResultGridWidget grid;
    grid.setRecordset(orders());
    bool keep = false;
    frmLayout dialog(grid, keep);
    EXPECT_EQ(dialog.windowTitle(), "Layout");
    EXPECT_EQ(dialog.cmdView->text(), "view");
    EXPECT_EQ(dialog.cmdAnwenden->text(), "&Save");
    EXPECT_EQ(dialog.chkHoldlayout->text(), "Hold layout");
    EXPECT_EQ(dialog.txtRowHeight->text(), "17"); // 255 twips
    EXPECT_EQ(dialog.layoutTable().rowCount(), 4);
    EXPECT_EQ(dialog.GridLayout->dataMode(), 2);
    EXPECT_EQ(dialog.GridLayout->model()->index(1, attr::Caption).data().toString(), "customer");
    EXPECT_EQ(dialog.GridLayout->model()->index(0, attr::Aggregate).data().toString(), "None Aggregate");
    EXPECT_EQ(dialog.GridLayout->model()->index(0, attr::SortType).data().toString(), "Numeric");

    // Rows 0 and 1 trade their targets; row 1 also gets a caption, an aggregate and a width.
    ResultModel* m = dialog.GridLayout->model();
    EXPECT_TRUE(m->setData(layoutCell(dialog, 0, attr::Index), 1));
    EXPECT_TRUE(m->setData(layoutCell(dialog, 1, attr::Index), 0));
    EXPECT_TRUE(m->setData(layoutCell(dialog, 1, attr::Caption), "Kunde"));
    EXPECT_TRUE(m->setData(layoutCell(dialog, 1, attr::Aggregate), 1));
    EXPECT_TRUE(m->setData(layoutCell(dialog, 1, attr::Width), 3000));
    EXPECT_TRUE(m->setData(layoutCell(dialog, 1, attr::Visible), Qt::Unchecked, Qt::CheckStateRole));
    dialog.txtRowHeight->setText("20");
    dialog.chkHoldlayout->setChecked(true);
    dialog.cmdAnwenden->click();

    EXPECT_TRUE(port.messages.isEmpty()) << port.lastText().toStdString();
    EXPECT_EQ(grid.rowHeight(), 300);
    EXPECT_TRUE(keep);
    EXPECT_EQ(grid.column(0).caption, "Kunde");
    EXPECT_EQ(grid.column(0).dataField, "customer");
    EXPECT_EQ(grid.column(0).aggregate, GridAggregate::Count);
    EXPECT_EQ(grid.column(0).width, 3000);
    EXPECT_FALSE(grid.column(0).visible);
    EXPECT_EQ(grid.column(1).caption, "no");
    EXPECT_EQ(grid.column(1).dataField, "no");
    EXPECT_EQ(grid.model()->index(0, 1).data().toString(), "10");

    dialog.cmdView_Click();
    EXPECT_EQ(dialog.GridLayout->view(), 1);
    dialog.cmdView_Click();
    EXPECT_EQ(dialog.GridLayout->view(), 0);
}

TEST(LayoutDialog, ARowHeightThatIsNoNumberAppliesNothing) {
    mvtest::ScriptedUserPort port;
    ResultGridWidget grid;
    grid.setRecordset(orders());
    const GridLayout before = grid.gridLayout();
    bool keep = false;
    frmLayout dialog(grid, keep);
    dialog.GridLayout->model()->setData(layoutCell(dialog, 0, attr::Caption), "changed");
    dialog.chkHoldlayout->setChecked(true);
    for (const char* height : {"twenty", "0"}) {
        port.messages.clear();
        dialog.txtRowHeight->setText(height);
        dialog.cmdAnwenden_Click();
        ASSERT_EQ(port.messages.size(), 1) << height;
        EXPECT_TRUE(port.lastText().contains("cmdAnwenden_Click")) << height;
        EXPECT_TRUE(port.lastText().contains("frmLayout")) << height;
        EXPECT_EQ(grid.gridLayout(), before) << height;
        EXPECT_FALSE(keep) << height;
    }
}

TEST(LayoutDialog, DeletingTheOnlyRowLeavesAnEmptyTable) {
    mvtest::ScriptedUserPort port;
    ResultGridWidget grid;
    grid.setColumns({columnForField(FieldInfo{"only", ado::adInteger}, 0)});
    bool keep = false;
    frmLayout dialog(grid, keep);
    ASSERT_EQ(dialog.layoutTable().rowCount(), 1);
    EXPECT_TRUE(dialog.GridLayout->model()->deleteRows({0}));
    EXPECT_EQ(dialog.layoutTable().rowCount(), 0);
    EXPECT_EQ(dialog.GridLayout->recordCount(), 0);
    // The new-row line appends a row to the table.
    ResultModel* m = dialog.GridLayout->model();
    const int line = m->newRowLine();
    ASSERT_EQ(line, 0);
    EXPECT_TRUE(m->setData(m->index(line, attr::Caption), "added"));
    EXPECT_TRUE(m->commitRow());
    ASSERT_EQ(dialog.layoutTable().rowCount(), 1);
    EXPECT_EQ(dialog.layoutTable().row(0)[attr::Caption], "added");
    EXPECT_TRUE(port.messages.isEmpty());
}
