#pragma once
// The group-by area above the result grid: shows the prompt while nothing is grouped, otherwise
// one box per grouping level, outermost first. A column header dropped here groups by that
// column at the level where it lands; a box dragged within the area changes its level, a click
// flips its direction, a right click (or dragging it back onto the header) ends that grouping.
#include <QFrame>

namespace mv {

class GroupByAreaWidget : public QFrame {
    Q_OBJECT
  public:
    struct Level {
        QString key;
        QString caption;
        bool descending = false;
    };

    explicit GroupByAreaWidget(QWidget* parent = nullptr);

    void setPrompt(const QString& text);
    QString prompt() const { return m_prompt; }
    void setLevels(const QList<Level>& levels);
    const QList<Level>& levels() const { return m_levels; }

    QRect levelRect(int level) const;
    // The level a drop at the point goes to (0 .. levels()).
    int dropLevel(const QPoint& point) const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  signals:
    void columnDropped(const QString& key, int level);
    void levelClicked(const QString& key);
    void ungroupRequested(const QString& key);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    int levelAt(const QPoint& point) const;
    QString levelText(int level) const;

    QString m_prompt;
    QList<Level> m_levels;
    QPoint m_pressPos;
    int m_pressLevel = -1;
};

} // namespace mv
