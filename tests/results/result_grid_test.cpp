#include "app/mv_error.h"
#include "app/texts.h"
#include "db/recordset_builder.h"
#include "results/grid_card_view.h"
#include "results/grid_group_area_widget.h"
#include "results/grid_navigator_widget.h"
#include "results/grid_table_view.h"
#include "results/result_grid_controller_view.h"
#include "results/result_grid_widget.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QStackedWidget>
#include <gtest/gtest.h>

using namespace mv;

namespace {

struct Language {
    explicit Language(int lang) { setLanguage(lang); }
    ~Language() { setLanguage(2); }
};

Recordset people() {
    RecordsetBuilder b({FieldInfo{"id", ado::adInteger}, FieldInfo{"name", ado::adVarWChar, 30},
                        FieldInfo{"active", ado::adBoolean}, FieldInfo{"city", ado::adVarWChar, 30},
                        FieldInfo{"score", ado::adDouble}});
    b.appendRow({1, "Anna", true, "Bonn", 3.5});
    b.appendRow({2, "Bert", false, "Köln", 1.0});
    b.appendRow({3, "Cleo", true, "Bonn", 2.0});
    b.appendRow({4, "Dora", false, "Aachen", 4.0});
    return b.finish();
}

QStringList columnTexts(const ResultGridWidget& grid, int column) {
    QStringList out;
    const ResultModel* m = grid.model();
    for (int r = 0; r < m->rowCount(); ++r)
        out << m->index(r, column).data().toString();
    return out;
}

void sendKey(QWidget* w, int key, const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

void clickHeader(ResultGridWidget& grid, int column) {
    QHeaderView* header = grid.tableView()->horizontalHeader();
    const QPoint pos(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                     header->height() / 2);
    QMouseEvent press(QEvent::MouseButtonPress, pos, header->viewport()->mapToGlobal(pos), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(header->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, pos, header->viewport()->mapToGlobal(pos), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(header->viewport(), &release);
}

// Types into the name cell of a row and leaves the row, as a user does.
void typeIntoRow(ResultGridWidget& grid, int row, const QString& text) {
    GridTableView* table = grid.tableView();
    table->setCurrentIndex(grid.model()->index(row, 1));
    sendKey(table, Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(table->indexWidget(table->currentIndex()));
    ASSERT_NE(editor, nullptr);
    editor->setText(text);
    sendKey(editor, Qt::Key_Return);
    table->setCurrentIndex(grid.model()->index(row == 0 ? 1 : 0, 1));
}

void dropOnGroupArea(ResultGridWidget& grid, const QString& key, QPoint pos) {
    QMimeData mime;
    mime.setData(ColumnMimeType, key.toUtf8());
    QDragEnterEvent enter(pos, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid.groupByBox(), &enter);
    QDropEvent drop(pos, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(grid.groupByBox(), &drop);
}

struct Fixture {
    mvtest::ScriptedUserPort port;
    ResultGridWidget grid;
    QLabel label;
    ResultGridController controller;
    explicit Fixture(bool allowUpdate = false) : controller(grid, &label, allowUpdate, false, false) {
        grid.resize(700, 400);
        grid.show();
        grid.setRecordset(people());
        QApplication::processEvents();
    }
};

} // namespace

TEST(ResultGrid, BindingShowsEveryRowAndFieldAndUnbindingEmpties) {
    Fixture f;
    ResultGridWidget& grid = f.grid;
    EXPECT_EQ(grid.dataMode(), 1);
    EXPECT_EQ(grid.recordCount(), 4);
    EXPECT_EQ(grid.visibleColumnCount(), 5);
    EXPECT_EQ(columnTexts(grid, 1), QStringList({"Anna", "Bert", "Cleo", "Dora"}));
    EXPECT_EQ(grid.model()->index(0, 2).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(grid.currentRecord(), 0);
    EXPECT_EQ(grid.currentValue("NAME").value().toString(), "Anna");
    EXPECT_EQ(grid.currentValue(4).value().toDouble(), 3.5);
    EXPECT_FALSE(grid.currentValue("nope").has_value());

    // Kept columns survive the next binding; without the request they are made anew.
    GridColumn c = grid.column(1);
    c.caption = "Person";
    grid.setColumn(1, c);
    grid.holdColumnsOnNextBind();
    grid.setRecordset(people());
    EXPECT_EQ(grid.column(1).caption, "Person");
    grid.setRecordset(people());
    EXPECT_EQ(grid.column(1).caption, "name");

    grid.unbind();
    EXPECT_EQ(grid.dataMode(), 0);
    EXPECT_EQ(grid.model()->rowCount(), 0);
    EXPECT_EQ(grid.columnCount(), 5);
    EXPECT_EQ(grid.currentRecord(), -1);
    EXPECT_FALSE(grid.currentValue(0).has_value());

    grid.setBusySwitch(false);
    EXPECT_FALSE(grid.tableView()->isEnabled());
    grid.setBusySwitch(true);
    EXPECT_TRUE(grid.tableView()->isEnabled());
}

TEST(ResultGrid, HeaderClicksSortDescendingAscendingThenNotAtAll) {
    Fixture f;
    clickHeader(f.grid, 1);
    EXPECT_TRUE(f.grid.sortKeys().isEmpty()); // sorting not allowed yet
    EXPECT_EQ(columnTexts(f.grid, 1), QStringList({"Anna", "Bert", "Cleo", "Dora"}));

    EXPECT_TRUE(f.controller.cmdRGSorting());
    const struct {
        int order;
        QStringList names;
    } steps[] = {{-1, {"Dora", "Cleo", "Bert", "Anna"}},
                 {1, {"Anna", "Bert", "Cleo", "Dora"}},
                 {0, {"Anna", "Bert", "Cleo", "Dora"}}};
    for (const auto& step : steps) {
        clickHeader(f.grid, 1);
        EXPECT_EQ(f.grid.sortOrder("name"), step.order);
        EXPECT_EQ(columnTexts(f.grid, 1), step.names);
    }
    EXPECT_TRUE(f.grid.sortKeys().isEmpty());
    EXPECT_EQ(f.controller.lastSortKey(), "name");
    EXPECT_EQ(f.controller.lastSortCaption(), "name");
    // Sorting by another column replaces the first.
    clickHeader(f.grid, 4);
    clickHeader(f.grid, 1);
    EXPECT_EQ(f.grid.sortKeys(), (QList<GridSortKey>{{"name", true}}));
    // The current row stays on its record while the order changes.
    f.grid.setCurrentPosition(0);
    const int record = f.grid.currentRecord();
    clickHeader(f.grid, 1);
    EXPECT_EQ(f.grid.currentRecord(), record);
}

TEST(ResultGrid, WithoutUpdatePermissionEditsNeverReachTheRecordset) {
    Fixture f(true);
    EXPECT_EQ(f.label.text(), "edit and update!");
    EXPECT_FALSE(f.controller.cmdRBAllowEdit());
    EXPECT_EQ(f.label.text(), "edit without update");
    EXPECT_EQ(f.label.palette().color(QPalette::Window), QColor(0, 255, 0));

    typeIntoRow(f.grid, 0, "Xaver");
    EXPECT_EQ(f.grid.recordset().text(0, 1), "Anna");
    EXPECT_EQ(f.grid.model()->index(0, 1).data().toString(), "Anna");
    EXPECT_FALSE(f.grid.model()->hasPendingRow());
    EXPECT_EQ(f.label.palette().color(QPalette::Window), QColor(0, 255, 0));

    EXPECT_TRUE(f.controller.cmdRBAllowEdit());
    EXPECT_EQ(f.label.palette().color(QPalette::Window), QColor(255, 0, 0));
    typeIntoRow(f.grid, 0, "Xaver");
    EXPECT_EQ(f.grid.recordset().text(0, 1), "Xaver");

    // A value the field cannot hold is refused with a message; the cell keeps its value.
    f.grid.model()->setData(f.grid.model()->index(1, 0), "not a number");
    EXPECT_FALSE(f.port.messages.isEmpty());
    EXPECT_TRUE(f.port.lastText().contains("Grid_BeforeColUpdate"));
    EXPECT_EQ(f.grid.recordset().text(1, 0), "2");
}

TEST(ResultGrid, NewRowLineAppendsAndDeletingRemovesRecords) {
    Fixture f(true);
    EXPECT_TRUE(f.controller.cmdRBAllowAddNew());
    ResultModel* m = f.grid.model();
    ASSERT_EQ(m->rowCount(), 5);
    EXPECT_EQ(m->rowKind(4), ResultModel::RowKind::NewRow);
    EXPECT_TRUE(m->setData(m->index(4, 0), "5"));
    EXPECT_TRUE(m->setData(m->index(4, 1), "Eve"));
    f.grid.tableView()->setCurrentIndex(m->index(4, 1));
    f.grid.tableView()->setCurrentIndex(m->index(0, 1)); // leaving the new row writes it
    ASSERT_EQ(f.grid.recordset().recordCount(), 5);
    EXPECT_EQ(f.grid.recordset().text(4, 1), "Eve");
    EXPECT_EQ(m->rowCount(), 6);

    EXPECT_TRUE(f.controller.cmdRBAllowDelete());
    f.grid.tableView()->selectRow(1);
    EXPECT_TRUE(f.grid.deleteSelectedRows());
    EXPECT_EQ(f.grid.recordset().recordCount(), 4);
    EXPECT_EQ(columnTexts(f.grid, 1).mid(0, 4), QStringList({"Anna", "Cleo", "Dora", "Eve"}));

    // Without update permission a delete is cancelled too.
    f.controller.cmdRBAllowEdit();
    f.grid.tableView()->selectRow(0);
    EXPECT_FALSE(f.grid.deleteSelectedRows());
    EXPECT_EQ(f.grid.recordset().recordCount(), 4);
}

TEST(GridState, LabelTextsAndColoursInBothLanguages) {
    struct Case {
        int language;
        int state;
        const char* text;
        QColor back;
    };
    const QColor face = QApplication::palette().color(QPalette::Active, QPalette::Button);
    const Case cases[] = {
        {1, 0, "editieren ohne aktualisieren", QColor(0, 255, 0)},
        {2, 0, "edit without update", QColor(0, 255, 0)},
        {1, 1, "editieren und aktualisieren!", QColor(255, 0, 0)},
        {2, 1, "edit and update!", QColor(255, 0, 0)},
        {1, 2, "7 SQL's in der Transaktion", QColor(0, 255, 255)},
        {2, 2, "SQL's in Transaction: 7", QColor(0, 255, 255)},
        {1, 3, "", face},
        {2, 3, "", face},
    };
    for (const Case& c : cases) {
        Language lang(c.language);
        QLabel label("before");
        SetGridState(&label, c.state, 7);
        EXPECT_EQ(label.text(), QString(c.text)) << c.language << "/" << c.state;
        EXPECT_EQ(label.palette().color(QPalette::Window), c.back) << c.language << "/" << c.state;
    }
    mvtest::ScriptedUserPort port;
    QLabel label("before");
    SetGridState(&label, 9);
    EXPECT_EQ(label.text(), "before");
    ASSERT_EQ(port.messages.size(), 1);
    EXPECT_TRUE(port.lastText().contains("SetGridState"));
    EXPECT_TRUE(port.lastText().contains("modGrid"));
}

TEST(ResultGridCommands, EveryToggleFlipsItsSettingAndItsCheckMark) {
    Fixture f;
    const char* keys[] = {"kSorting",           "kGrouping",       "kGroupFooter", "kNavigation",
                          "kCardView",          "kShowRowHeaders", "kShowEvenOdd", "kShowGridlines",
                          "kShowReportHeaders", "kAllowEdit",      "kAllowAddNew", "kAllowDelete"};
    for (const char* key : keys) {
        const std::optional<bool> before = f.controller.checkState(key);
        ASSERT_TRUE(before.has_value()) << key;
        ASSERT_TRUE(f.controller.runCommand(key)) << key;
        EXPECT_EQ(f.controller.checkState(key), !*before) << key;
        f.controller.runCommand(key);
        EXPECT_EQ(f.controller.checkState(key), *before) << key;
    }
    EXPECT_FALSE(f.controller.checkState("kFitColumns").has_value());
    EXPECT_FALSE(f.controller.runCommand("kNoSuchKey"));
    EXPECT_TRUE(f.port.messages.isEmpty());

    // The settings behind the marks.
    EXPECT_TRUE(f.controller.cmdRGGrouping());
    EXPECT_TRUE(f.grid.groupByBox()->isVisibleTo(&f.grid));
    EXPECT_TRUE(f.controller.cmdRGNavigation());
    EXPECT_TRUE(f.grid.navigator()->isVisibleTo(&f.grid));
    EXPECT_TRUE(f.controller.cmdRGCardView());
    EXPECT_EQ(f.grid.findChild<QStackedWidget*>()->currentWidget(), f.grid.cardView());
    EXPECT_TRUE(f.controller.cmdRGGroupFooter());
    EXPECT_EQ(f.grid.groupFooterMode(), 2);

    // The report-style mark needs all three header settings.
    EXPECT_TRUE(f.controller.cmdRBHeader());
    EXPECT_EQ(f.grid.headerStyle(), 2);
    f.grid.setHeaderFontBold(false);
    EXPECT_EQ(f.controller.checkState("kShowReportHeaders"), false);
    EXPECT_TRUE(f.controller.cmdRBHeader()); // reads the grid: not report style, so it turns it on
    EXPECT_FALSE(f.controller.cmdRBHeader());
    EXPECT_EQ(f.grid.headerStyle(), 3);
}

TEST(ResultGrid, FitColumnsWidensToContentAndCaption) {
    Fixture f;
    GridColumn c = f.grid.column(1);
    c.width = 150;
    f.grid.setColumn(1, c);
    f.controller.cmdRBFitColumns();
    EXPECT_GT(f.grid.column(1).width, 150);
    EXPECT_EQ(f.grid.tableView()->columnWidth(1) * 15, f.grid.column(1).width);
    EXPECT_FALSE(f.controller.checkState("kFitColumns").has_value());
}

TEST(ResultGrid, DraggedRowsAreTabSeparatedCellsWithCrLfBetweenRows) {
    Fixture f;
    GridColumn hidden = f.grid.column(3);
    hidden.visible = false;
    f.grid.setColumn(3, hidden);
    auto* table = f.grid.tableView();
    table->clearSelection();
    table->selectionModel()->select(f.grid.model()->index(0, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    table->selectionModel()->select(f.grid.model()->index(2, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const QString expected = "1\tAnna\tTrue\t3.5\r\n3\tCleo\tTrue\t2";
    EXPECT_EQ(f.grid.selectedRowsText(), expected);
    std::unique_ptr<QMimeData> mime(f.grid.model()->mimeData(table->selectionModel()->selectedIndexes()));
    EXPECT_EQ(mime->text(), expected);
    EXPECT_EQ(f.grid.model()->supportedDragActions(), Qt::CopyAction);
    EXPECT_TRUE(f.grid.model()->flags(f.grid.model()->index(0, 0)) & Qt::ItemIsDragEnabled);
}

TEST(ResultGrid, DroppedHeadersGroupAtTheirLevelWithFootersAndTotals) {
    Language german(1);
    Fixture f;
    f.grid.applyLanguage();
    f.controller.cmdRGGrouping();
    EXPECT_EQ(f.grid.groupByBoxPrompt(),
              "Ziehen sie hierauf einen Spaltenkopf um nach dieser Spalte zu gruppieren");
    GridColumn score = f.grid.column(4);
    score.aggregate = GridAggregate::Sum;
    score.totalPrefix = "Summe ";
    f.grid.setColumn(4, score);

    dropOnGroupArea(f.grid, "city", QPoint(5, 5));
    EXPECT_EQ(f.grid.groupKeys(), (QList<GridSortKey>{{"city", false}}));
    ResultModel* m = f.grid.model();
    // Aachen (1), Bonn (2), Köln (1): a header row before each group's records.
    ASSERT_EQ(m->rowCount(), 7);
    EXPECT_EQ(m->index(0, 0).data(ResultModel::GroupCaptionRole).toString(), "city: Aachen (1)");
    EXPECT_EQ(m->index(2, 3).data(ResultModel::GroupCaptionRole).toString(), "city: Bonn (2)");
    EXPECT_EQ(m->index(3, 1).data().toString(), "Anna");

    f.controller.cmdRGGroupFooter();
    ASSERT_EQ(m->rowCount(), 10);
    EXPECT_EQ(m->rowKind(6), ResultModel::RowKind::GroupFooter);
    EXPECT_EQ(m->index(6, 4).data().toString(), "Summe 5.5");

    m->setGroupExpanded(3, false);
    EXPECT_EQ(m->rowCount(), 8);
    m->setGroupExpanded(3, true);

    // A second column dropped to the left of the first becomes the outer level.
    dropOnGroupArea(f.grid, "active", QPoint(1, 5));
    EXPECT_EQ(f.grid.groupKeys(), (QList<GridSortKey>{{"active", false}, {"city", false}}));
    EXPECT_EQ(m->index(0, 0).data(ResultModel::GroupCaptionRole).toString(), "active: False (2)");
    EXPECT_EQ(m->index(1, 0).data(ResultModel::GroupLevelRole).toInt(), 1);
    f.grid.ungroup("active");
    f.grid.ungroup("city");
    EXPECT_EQ(m->rowCount(), 4);
    EXPECT_TRUE(f.port.messages.isEmpty());
}

TEST(ResultGrid, CardViewAndNavigatorFollowTheCurrentRecord) {
    Language english(2);
    Fixture f;
    f.controller.cmdRGNavigation();
    f.controller.cmdRGCardView();
    GridColumn name = f.grid.column(1);
    name.cardCaption = true;
    f.grid.setColumn(1, name);
    GridCardView* cards = f.grid.cardView();
    EXPECT_EQ(cards->cardTitle(2), "Cleo");
    EXPECT_EQ(cards->cardLines(2).first(), "id: 3");
    EXPECT_EQ(f.grid.navigator()->text(), "Record 1 of 4");
    sendKey(cards, Qt::Key_Right);
    EXPECT_EQ(f.grid.currentRecord(), 1);
    EXPECT_EQ(f.grid.navigator()->text(), "Record 2 of 4");
    f.grid.moveLast();
    EXPECT_EQ(cards->currentPosition(), 3);
    EXPECT_EQ(f.grid.navigator()->text(), "Record 4 of 4");
    f.controller.cmdRGCardView();
    EXPECT_EQ(f.grid.tableView()->currentIndex().row(), 3);
}

TEST(ResultGrid, LayoutSavedFromTheGridIsRestoredByLoadingIt) {
    mvtest::TempFolder dir;
    Fixture f;
    QList<GridColumn> columns = f.grid.columns();
    columns.move(3, 0);
    columns[1].caption = "Nummer";
    columns[1].format = "000";
    columns[1].width = 999;
    columns[2].headerAlignment = GridAlignment::Right;
    columns[2].textAlignment = GridAlignment::Center;
    columns[4].visible = false;
    columns[4].aggregate = GridAggregate::Max;
    GridLayout layout;
    layout.columns = columns;
    layout.grouping = {{"city", true}};
    layout.sorting = {{"score", false}};
    layout.rowHeight = 330;
    f.grid.applyGridLayout(layout);
    const QString path = dir.file("grid.lyt");
    f.grid.saveLayout(path);

    ResultGridWidget other;
    other.setRecordset(people());
    other.loadLayout(path);
    EXPECT_EQ(other.gridLayout(), f.grid.gridLayout());
    EXPECT_EQ(other.rowHeight(), 330);
    EXPECT_EQ(other.tableView()->verticalHeader()->defaultSectionSize(), 22);
    EXPECT_EQ(other.tableView()->columnWidth(1), 999 / 15);
    EXPECT_TRUE(other.tableView()->isColumnHidden(4));
    EXPECT_EQ(columnTexts(other, 1), columnTexts(f.grid, 1));
    // Köln, Bonn, Aachen; within Bonn by score: Cleo before Anna.
    EXPECT_EQ(other.model()->index(3, 1).data().toString(), "003");

    // A damaged file changes nothing.
    const QString bad = dir.write("bad.lyt", "{");
    const GridLayout before = other.gridLayout();
    EXPECT_THROW(other.loadLayout(bad), MvError);
    EXPECT_EQ(other.gridLayout(), before);
}
