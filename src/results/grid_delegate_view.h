#pragma once
// Draws and edits the cells of the result grid: group header rows across the whole row with
// their expand mark, group footers with the totals, icons of value lists, word wrap, the grid
// lines; value-list columns edit through a drop-down list.
#include <QIcon>
#include <QStyledItemDelegate>

class QTableView;

namespace mv {

class GridItemDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    static constexpr int LevelIndent = 16;
    static constexpr int MarkSize = 9;

    explicit GridItemDelegate(QTableView* view);

    void setImageList(const QList<QIcon>& images) { m_images = images; }
    const QList<QIcon>& imageList() const { return m_images; }
    void setGridLines(bool on) { m_gridLines = on; }
    bool gridLines() const { return m_gridLines; }

    // The x position (viewport) where a group header's text starts for a level, and the box of its
    // expand mark.
    int groupTextX(int level) const;
    QRect markRect(int level, const QRect& cellRect) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

  private:
    int rowStartX() const;
    void paintGroupHeader(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const;
    void paintFooter(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    void paintLines(QPainter* painter, const QRect& rect, bool vertical) const;

    QTableView* m_view;
    QList<QIcon> m_images;
    bool m_gridLines = true;
};

} // namespace mv
