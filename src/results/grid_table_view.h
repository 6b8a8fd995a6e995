#pragma once
// The table part of the result grid: a header whose column captions can be dragged (onto the
// group-by area to group, within the header to move the column), and a table view over the
// result model that writes a row's pending edit when the current row changes, expands and
// collapses groups, deletes rows on request and drags selected rows out as text.
#include <QHeaderView>
#include <QTableView>

namespace mv {

class GridItemDelegate;
class ResultModel;

// MIME type of a dragged column header (the column key, UTF-8) and the mark of a dragged group.
inline constexpr char ColumnMimeType[] = "application/x-morvenda-grid-column";
inline constexpr char GroupMimeType[] = "application/x-morvenda-grid-group";

class GridHeaderView : public QHeaderView {
    Q_OBJECT
  public:
    explicit GridHeaderView(QWidget* parent = nullptr);

    // The display position a drop at x (viewport) goes to.
    int dropPosition(int x) const;

  signals:
    // A column header, or a group taken out of the group-by area, dropped onto the header.
    void columnDropped(const QString& key, int position, bool fromGroupArea);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    bool nearSectionEdge(const QPoint& pos) const;
    void startColumnDrag(int logical);

    QPoint m_pressPos;
    int m_pressSection = -1;
};

class GridTableView : public QTableView {
    Q_OBJECT
  public:
    explicit GridTableView(QWidget* parent = nullptr);

    void setResultModel(ResultModel* model);
    ResultModel* resultModel() const { return m_model; }
    GridItemDelegate* gridDelegate() const { return m_delegate; }
    GridHeaderView* gridHeader() const { return m_header; }

    bool allowDelete() const { return m_allowDelete; }
    void setAllowDelete(bool on) { m_allowDelete = on; }
    // Ends an open cell editor, keeping what was typed.
    void finishEditing();
    // Deletes the selected rows (when deleting is allowed).
    bool deleteSelectedRows();
    QList<int> selectedRowNumbers() const;

  signals:
    void currentRowChanged(int row);
    void activated();
    void mouseUp(Qt::MouseButton button, const QPoint& globalPos);
    void rowDrag();

  protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;

  private:
    bool toggleGroupAt(const QModelIndex& index);

    ResultModel* m_model = nullptr;
    GridItemDelegate* m_delegate;
    GridHeaderView* m_header;
    bool m_allowDelete = false;
};

} // namespace mv
