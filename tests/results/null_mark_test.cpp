// NULL cells read a greyed "NULL" in the grid, the card view and the detail window, distinct from
// empty text and from the text "NULL"; what printing and exporting read stays as it was.
#include "db/recordset_builder.h"
#include "results/grid_card_view.h"
#include "results/grid_table_view.h"
#include "results/result_detail_window.h"
#include "results/result_grid_widget.h"
#include "results/result_model.h"
#include "support/scripted_user_port.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <gtest/gtest.h>

using namespace mv;

namespace {

// Row 0: a NULL, an empty text and the text "NULL"; row 1: values everywhere.
Recordset cells() {
    RecordsetBuilder b({FieldInfo{"id", ado::adInteger}, FieldInfo{"name", ado::adVarWChar, 30},
                        FieldInfo{"note", ado::adVarWChar, 30}, FieldInfo{"word", ado::adVarWChar, 30},
                        FieldInfo{"amount", ado::adDouble}});
    b.appendRow({1, QVariant(), QString(""), QString("NULL"), QVariant()});
    b.appendRow({2, QString("Anna"), QString("x"), QString("y"), 2.5});
    return b.finish();
}

QImage cellImage(ResultGridWidget& grid, int row, int column) {
    GridTableView* view = grid.tableView();
    const QRect r = view->visualRect(view->model()->index(row, column));
    return view->viewport()->grab(r).toImage();
}

struct Grid {
    mvtest::ScriptedUserPort port;
    ResultGridWidget grid;
    Grid() {
        grid.resize(700, 300);
        grid.setRecordset(cells());
        grid.show();
        // Equal widths, so the cells' pictures can be compared.
        for (int c = 0; c < 5; ++c) grid.tableView()->setColumnWidth(c, 90);
        QApplication::processEvents();
    }
};

TEST(NullMark, TheModelMarksOnlyNullCellsAndKeepsTheirTextEmpty) {
    Grid g;
    const ResultModel* m = g.grid.model();
    ASSERT_TRUE(m->nullMark());
    const bool expected[2][5] = {{false, true, false, false, true}, {false, false, false, false, false}};
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 5; ++col) {
            const QModelIndex i = m->index(row, col);
            EXPECT_EQ(i.data(ResultModel::NullRole).toBool(), expected[row][col]) << row << ',' << col;
        }
    // Printing reads the display text: empty for NULL, as before.
    EXPECT_EQ(m->index(0, 1).data().toString(), "");
    EXPECT_EQ(m->index(0, 3).data().toString(), "NULL");
    EXPECT_EQ(m->cellText(0, 1), "");
}

TEST(NullMark, TheGridDrawsNullUnlikeEmptyTextAndUnlikeTheWordNull) {
    Grid g;
    const QImage nullOn = cellImage(g.grid, 0, 1);
    const QImage emptyOn = cellImage(g.grid, 0, 2);
    const QImage wordOn = cellImage(g.grid, 0, 3);
    g.grid.model()->setNullMark(false);
    QApplication::processEvents();
    const QImage nullOff = cellImage(g.grid, 0, 1);
    const QImage emptyOff = cellImage(g.grid, 0, 2);
    EXPECT_NE(nullOn, nullOff);   // the mark is drawn
    EXPECT_EQ(nullOff, emptyOff); // switched off, NULL looks like empty text again
    EXPECT_EQ(emptyOn, emptyOff); // empty text never changes
    EXPECT_NE(nullOn, wordOn);    // greyed, not the text colour of the word "NULL"
}

TEST(NullMark, CardViewAndDetailWindowShowIt) {
    Grid g;
    QList<bool> nulls;
    EXPECT_EQ(g.grid.cardView()->cardLines(0, &nulls),
              (QStringList{"id: 1", "name: NULL", "note: ", "word: NULL", "amount: NULL"}));
    EXPECT_EQ(nulls, (QList<bool>{false, true, false, false, true}));
    {
        frmResultDetail detail(g.grid);
        auto* name = detail.findChild<QLineEdit*>("name");
        auto* note = detail.findChild<QLineEdit*>("note");
        ASSERT_TRUE(name && note);
        EXPECT_EQ(name->text(), "");
        EXPECT_EQ(name->placeholderText(), "NULL");
        EXPECT_EQ(note->placeholderText(), "");
        EXPECT_EQ(detail.itemText("name"), "");
    }
    g.grid.model()->setNullMark(false);
    nulls.clear();
    EXPECT_EQ(g.grid.cardView()->cardLines(0, &nulls),
              (QStringList{"id: 1", "name: ", "note: ", "word: NULL", "amount: "}));
    EXPECT_EQ(nulls, (QList<bool>{false, false, false, false, false}));
    frmResultDetail detail(g.grid);
    EXPECT_EQ(detail.findChild<QLineEdit*>("name")->placeholderText(), "");
}

} // namespace
