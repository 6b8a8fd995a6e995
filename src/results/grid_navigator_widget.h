#pragma once
// The record navigator under the result grid: first, previous, next and last record buttons and
// the text "Record n of m".
#include <QWidget>

class QLabel;
class QToolButton;

namespace mv {

class RecordNavigatorWidget : public QWidget {
    Q_OBJECT
  public:
    explicit RecordNavigatorWidget(QWidget* parent = nullptr);

    // `position` 0-based, -1 without a current record.
    void setPosition(int position, int count);
    QString text() const;

    QToolButton* cmdFirst;
    QToolButton* cmdPrevious;
    QToolButton* cmdNext;
    QToolButton* cmdLast;

  signals:
    void moveFirst();
    void movePrevious();
    void moveNext();
    void moveLast();

  private:
    QLabel* m_label;
};

} // namespace mv
