#pragma once
// Card view of the result grid: one card per record in display order, titled by the column marked
// as card caption (or the record number), listing "caption: value" of every other visible column.
// Only the cards in sight are drawn, so a million records scroll as easily as ten.
#include <QAbstractScrollArea>

namespace mv {

class ResultModel;

class GridCardView : public QAbstractScrollArea {
    Q_OBJECT
  public:
    explicit GridCardView(QWidget* parent = nullptr);

    void setResultModel(ResultModel* model);
    int currentPosition() const { return m_current; }
    // Selects the card of a position (clamped) and scrolls it into sight.
    void setCurrentPosition(int position);

    int cardWidth() const { return m_cardWidth; }
    int cardHeight() const;
    int cardsPerRow() const;
    // The position of the card at a viewport point; -1 none.
    int positionAt(const QPoint& point) const;
    QRect cardRect(int position) const; // viewport coordinates

    // The card's title and its lines, as drawn.
    QString cardTitle(int position) const;
    // A NULL value reads "NULL" while the model's NULL mark is on; nulls, when given, tells which.
    QStringList cardLines(int position, QList<bool>* nulls = nullptr) const;

  signals:
    void currentPositionChanged(int position);
    void activated();
    void mouseUp(Qt::MouseButton button, const QPoint& globalPos);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void updateScrollBars();
    int lineHeight() const;
    int captionColumn() const;
    void ensureVisible(int position);

    ResultModel* m_model = nullptr;
    int m_current = -1;
    int m_cardWidth = 260;
    static constexpr int Gap = 8;
};

} // namespace mv
