#include "app/mv_error.h"
#include "db/recordset_builder.h"
#include "results/grid_group_area_widget.h"
#include "results/grid_table_view.h"
#include "results/result_grid_widget.h"
#include "support/scripted_user_port.h"

#include <QApplication>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <gtest/gtest.h>

using namespace mv;

namespace {

void drop(QWidget* target, const QString& key, QPoint pos, bool fromGroupArea = false) {
    QMimeData mime;
    mime.setData(ColumnMimeType, key.toUtf8());
    if (fromGroupArea) mime.setData(GroupMimeType, "0");
    QDragEnterEvent enter(pos, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QDropEvent dropped(pos, Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &dropped);
}

Recordset numbered(int rows) {
    RecordsetBuilder b({FieldInfo{"id", ado::adInteger}, FieldInfo{"mod", ado::adInteger}});
    b.reserve(rows);
    for (int i = 0; i < rows; ++i) {
        b.appendInt(0, (qint64(i) * 7919) % rows);
        b.appendInt(1, i % 7);
    }
    return b.finish();
}

} // namespace

TEST(GridColumns, RepeatedFieldNamesGetTheirOwnKeysAndFields) {
    RecordsetBuilder b({FieldInfo{"id", ado::adInteger}, FieldInfo{"ID", ado::adInteger},
                        FieldInfo{"name", ado::adVarWChar, 9}});
    b.appendRow({1, 100, "a"});
    ResultGridWidget grid;
    grid.setRecordset(b.finish());
    ASSERT_EQ(grid.columnCount(), 3);
    EXPECT_EQ(grid.column(0).key, "id");
    EXPECT_EQ(grid.column(1).key, "ID_2");
    EXPECT_EQ(grid.model()->index(0, 0).data().toString(), "1");
    EXPECT_EQ(grid.model()->index(0, 1).data().toString(), "100");
    EXPECT_EQ(grid.currentValue("ID_2").value().toInt(), 100);

    // A key that is taken is refused; nothing changes.
    GridColumn again = grid.column(2);
    EXPECT_THROW(grid.addColumn(again), MvError);
    EXPECT_EQ(grid.columnCount(), 3);
}

TEST(GridColumns, ValueListsShowTextsIconsAndCheckBoxes) {
    RecordsetBuilder b({FieldInfo{"state", ado::adInteger}, FieldInfo{"flag", ado::adVarWChar, 5}});
    b.appendRow({1, "1"});
    b.appendRow({2, "0"});
    b.appendRow({3, QVariant()});
    ResultGridWidget grid;
    grid.clearColumns();
    GridColumn state;
    state.key = state.dataField = state.caption = "state";
    state.type = GridColumnType::IconAndText;
    state.valueList = {{1, "open", 0}, {2, "closed", 1}};
    GridColumn icon = state;
    icon.key = "stateIcon";
    icon.type = GridColumnType::Icon;
    GridColumn flag;
    flag.key = flag.dataField = flag.caption = "flag";
    flag.type = GridColumnType::CheckBox;
    grid.addColumn(state);
    grid.addColumn(icon);
    grid.addColumn(flag);
    grid.holdColumnsOnNextBind();
    grid.setRecordset(b.finish());
    ResultModel* m = grid.model();
    ASSERT_EQ(grid.columnCount(), 3);
    EXPECT_EQ(m->index(0, 0).data().toString(), "open");
    EXPECT_EQ(m->index(1, 0).data(ResultModel::IconRole).toInt(), 1);
    EXPECT_EQ(m->index(2, 0).data().toString(), "3"); // no entry: the value itself
    EXPECT_EQ(m->index(2, 0).data(ResultModel::IconRole).toInt(), -1);
    EXPECT_FALSE(m->index(0, 1).data().isValid()); // icon only
    EXPECT_EQ(m->index(0, 1).data(ResultModel::IconRole).toInt(), 0);
    EXPECT_EQ(m->index(0, 2).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(m->index(1, 2).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_EQ(m->index(2, 2).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_EQ(m->cellText(0, 1), "open"); // what a drag or the detail window shows
}

TEST(GridColumns, HeadersDroppedOnTheHeaderMoveAndGroupsDroppedThereEnd) {
    mvtest::ScriptedUserPort port;
    ResultGridWidget grid;
    grid.resize(600, 300);
    grid.show();
    grid.setRecordset(numbered(5));
    grid.setGroupByBoxVisible(true);
    QApplication::processEvents();
    QHeaderView* header = grid.tableView()->horizontalHeader();
    const int endOfSecond = header->sectionViewportPosition(1) + header->sectionSize(1) - 2;
    drop(header->viewport(), "id", QPoint(endOfSecond, 5));
    ASSERT_EQ(grid.column(0).key, "mod");
    EXPECT_EQ(grid.column(1).key, "id");

    drop(grid.groupByBox(), "mod", QPoint(5, 5));
    EXPECT_EQ(grid.groupKeys().size(), 1);
    EXPECT_EQ(grid.groupByBox()->levels().size(), 1);
    drop(header->viewport(), "mod", QPoint(5, 5), true);
    EXPECT_TRUE(grid.groupKeys().isEmpty());
    EXPECT_EQ(grid.model()->rowCount(), 5);
    EXPECT_TRUE(port.messages.isEmpty());
}

TEST(GridArrangingOffTheUiThread, RecordsRemovedMeanwhileAreNotShownAgain) {
    mvtest::ScriptedUserPort port;
    const int rows = ResultModel::SyncLimit + 10'000;
    ResultGridWidget grid;
    grid.setRecordset(numbered(rows));
    grid.setSortKeys({{"id", false}});
    ASSERT_TRUE(grid.isArranging());
    // Rows 0 .. 99 hold the ids i * 7919 mod rows; they go while the worker sorts.
    QList<int> doomed;
    for (int r = 0; r < 100; ++r)
        doomed << r;
    EXPECT_TRUE(grid.model()->deleteRows(doomed));
    grid.waitForArrangement();
    ASSERT_EQ(grid.recordCount(), rows - 100);
    ASSERT_EQ(grid.model()->rowCount(), rows - 100);
    int previous = -1;
    for (int row = 0; row < grid.model()->rowCount(); ++row) {
        const int id = grid.model()->index(row, 0).data().toInt();
        ASSERT_GT(id, previous) << row;
        previous = id;
    }
    EXPECT_EQ(grid.model()->index(0, 0).data().toInt(), 1); // id 0 was in row 0
    EXPECT_TRUE(port.messages.isEmpty());
}

TEST(GridUnbound, RowsComeFromTheSourceAndEditsGoBack) {
    struct Source : GridUnboundSource {
        QList<QVariantList> rows{{1, "one"}, {2, "two"}};
        QStringList fieldNames() const override { return {"n", "text"}; }
        int rowCount() const override { return int(rows.size()); }
        QVariantList readRow(int i) const override { return rows[i - 1]; }
        void updateRow(int i, const QVariantList& v) override { rows[i - 1] = v; }
        void addRow(const QVariantList& v) override { rows.append(v); }
        void deleteRow(int i) override { rows.removeAt(i - 1); }
    } source;
    ResultGridWidget grid;
    grid.setColumns({columnForField(FieldInfo{"text", ado::adVarWChar}, 0)});
    grid.setUnboundSource(&source);
    ResultModel* m = grid.model();
    EXPECT_EQ(grid.dataMode(), 2);
    ASSERT_EQ(m->rowCount(), 2);
    EXPECT_EQ(m->index(1, 0).data().toString(), "two");
    EXPECT_TRUE(m->setData(m->index(1, 0), "TWO"));
    EXPECT_TRUE(grid.commitRow());
    EXPECT_EQ(source.rows[1], (QVariantList{2, "TWO"})); // the other value of the row stays
    EXPECT_TRUE(m->deleteRows({0}));
    EXPECT_EQ(source.rows.size(), 1);
    EXPECT_EQ(m->index(0, 0).data().toString(), "TWO");
    grid.setUnboundSource(nullptr);
    EXPECT_EQ(grid.dataMode(), 0);
}
