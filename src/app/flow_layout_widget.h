#pragma once
// A layout that lines its widgets up left to right and starts a new line when the width runs out,
// so that a row of buttons in a narrow pane wraps instead of squeezing the captions.
#include <QLayout>
#include <QList>

namespace mv {

class FlowLayout : public QLayout {
public:
    explicit FlowLayout(QWidget* parent = nullptr, int spacing = 4);
    ~FlowLayout() override;

    void addItem(QLayoutItem* item) override;
    int count() const override { return int(m_items.size()); }
    QLayoutItem* itemAt(int index) const override { return m_items.value(index); }
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return place(QRect(0, 0, width, 0), false); }
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;
    // The last item keeps to the right edge while it shares a line with others (a row of options with
    // its button at the end).
    void setLastItemRight(bool on) { m_lastRight = on; }

private:
    // Lays the items out in rect (when apply) and returns the height used.
    int place(const QRect& rect, bool apply) const;
    QList<QLayoutItem*> m_items;
    bool m_lastRight = false;
};

} // namespace mv
