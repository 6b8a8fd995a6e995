#include "results/grid_card_view.h"

#include "app/texts.h"
#include "results/result_model.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace mv {

GridCardView::GridCardView(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("GridCards"));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Window);
    horizontalScrollBar()->setRange(0, 0);
}

void GridCardView::setResultModel(ResultModel* model) {
    m_model = model;
    const auto changed = [this] {
        const int count = m_model ? m_model->positionCount() : 0;
        if (m_current >= count) m_current = count - 1;
        if (m_current < 0 && count > 0) m_current = 0;
        updateScrollBars();
        viewport()->update();
    };
    connect(model, &QAbstractItemModel::modelReset, this, changed);
    connect(model, &QAbstractItemModel::rowsInserted, this, changed);
    connect(model, &QAbstractItemModel::rowsRemoved, this, changed);
    connect(model, &QAbstractItemModel::dataChanged, viewport(), [this] { viewport()->update(); });
    changed();
}

int GridCardView::lineHeight() const {
    return fontMetrics().height() + 4;
}

int GridCardView::captionColumn() const {
    if (!m_model) return -1;
    const QList<GridColumn>& columns = m_model->columns();
    for (int c = 0; c < columns.size(); ++c)
        if (columns[c].cardCaption) return c;
    return -1;
}

QStringList GridCardView::cardLines(int position, QList<bool>* nulls) const {
    QStringList lines;
    if (!m_model || position < 0 || position >= m_model->positionCount()) return lines;
    const int record = m_model->recordAtPosition(position);
    const int caption = captionColumn();
    const QList<GridColumn>& columns = m_model->columns();
    for (int c = 0; c < columns.size(); ++c) {
        if (!columns[c].visible || c == caption) continue;
        const bool null = m_model->nullMark() && columns[c].valueList.isEmpty() &&
                          columns[c].type != GridColumnType::CheckBox && m_model->isNullCell(record, c);
        lines << columns[c].caption + QStringLiteral(": ") +
                     (null ? ResultModel::nullText() : m_model->cellText(record, c));
        if (nulls) nulls->append(null);
    }
    return lines;
}

QString GridCardView::cardTitle(int position) const {
    if (!m_model || position < 0 || position >= m_model->positionCount()) return {};
    const int caption = captionColumn();
    if (caption >= 0) return m_model->cellText(m_model->recordAtPosition(position), caption);
    return ui_text(QStringLiteral("Datensatz %1"), QStringLiteral("Record %1")).arg(position + 1);
}

int GridCardView::cardHeight() const {
    int lines = 0;
    if (m_model) {
        const int caption = captionColumn();
        const QList<GridColumn>& columns = m_model->columns();
        for (int c = 0; c < columns.size(); ++c)
            if (columns[c].visible && c != caption) ++lines;
    }
    return (lines + 1) * lineHeight() + 8;
}

int GridCardView::cardsPerRow() const {
    return std::max(1, (viewport()->width() - Gap) / (m_cardWidth + Gap));
}

QRect GridCardView::cardRect(int position) const {
    const int perRow = cardsPerRow();
    const qint64 row = position / perRow, col = position % perRow;
    const qint64 y = Gap + row * (cardHeight() + Gap) - verticalScrollBar()->value();
    return QRect(int(Gap + col * (m_cardWidth + Gap)), int(y), m_cardWidth, cardHeight());
}

int GridCardView::positionAt(const QPoint& point) const {
    if (!m_model) return -1;
    const int perRow = cardsPerRow();
    const qint64 y = qint64(point.y()) + verticalScrollBar()->value() - Gap;
    if (y < 0 || point.x() < Gap) return -1;
    const qint64 row = y / (cardHeight() + Gap);
    const int col = (point.x() - Gap) / (m_cardWidth + Gap);
    if (col >= perRow) return -1;
    const qint64 position = row * perRow + col;
    if (position >= m_model->positionCount()) return -1;
    return cardRect(int(position)).contains(point) ? int(position) : -1;
}

void GridCardView::updateScrollBars() {
    const int count = m_model ? m_model->positionCount() : 0;
    const qint64 rows = (count + cardsPerRow() - 1) / cardsPerRow();
    const qint64 total = Gap + rows * (cardHeight() + Gap);
    const qint64 range = std::max<qint64>(0, total - viewport()->height());
    verticalScrollBar()->setRange(0, int(std::min<qint64>(range, std::numeric_limits<int>::max())));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(lineHeight());
}

void GridCardView::ensureVisible(int position) {
    const QRect r = cardRect(position);
    if (r.top() < 0)
        verticalScrollBar()->setValue(verticalScrollBar()->value() + r.top() - Gap);
    else if (r.bottom() > viewport()->height())
        verticalScrollBar()->setValue(verticalScrollBar()->value() + r.bottom() - viewport()->height() + Gap);
}

void GridCardView::setCurrentPosition(int position) {
    const int count = m_model ? m_model->positionCount() : 0;
    position = count == 0 ? -1 : std::clamp(position, 0, count - 1);
    if (position >= 0) ensureVisible(position);
    if (position == m_current) return;
    m_current = position;
    viewport()->update();
    emit currentPositionChanged(position);
}

void GridCardView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void GridCardView::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    if (!m_model) return;
    const int count = m_model->positionCount();
    const int perRow = cardsPerRow();
    const int height = cardHeight() + Gap;
    const qint64 firstRow = std::max<qint64>(0, (verticalScrollBar()->value() - Gap) / height);
    const qint64 lastRow = (qint64(verticalScrollBar()->value()) + viewport()->height()) / height;
    const QPalette& pal = palette();
    const int lh = lineHeight();
    for (qint64 row = firstRow; row <= lastRow; ++row) {
        for (int col = 0; col < perRow; ++col) {
            const qint64 position = row * perRow + col;
            if (position >= count) return;
            const QRect r = cardRect(int(position));
            const bool current = position == m_current;
            p.fillRect(r, pal.color(QPalette::Base));
            p.setPen(pal.color(QPalette::Mid));
            p.drawRect(r.adjusted(0, 0, -1, -1));
            const QRect title(r.left() + 1, r.top() + 1, r.width() - 2, lh);
            p.fillRect(title, current ? pal.color(QPalette::Highlight) : pal.color(QPalette::Button));
            p.setPen(current ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::ButtonText));
            QFont bold = font();
            bold.setBold(true);
            p.setFont(bold);
            p.drawText(title.adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter,
                       fontMetrics().elidedText(cardTitle(int(position)), Qt::ElideRight, title.width() - 8));
            p.setFont(font());
            int y = title.bottom() + 4;
            QList<bool> nulls;
            const QStringList lines = cardLines(int(position), &nulls);
            for (int i = 0; i < lines.size(); ++i) {
                const QRect lineRect(r.left() + 5, y, r.width() - 10, lh);
                const QString& line = lines[i];
                p.setPen(pal.color(QPalette::Text));
                if (nulls.value(i)) {
                    // The caption in the text colour, the NULL mark greyed after it.
                    const QString head = line.left(line.size() - ResultModel::nullText().size());
                    p.drawText(lineRect, Qt::AlignLeft | Qt::AlignVCenter,
                               fontMetrics().elidedText(head, Qt::ElideRight, lineRect.width()));
                    const int offset = fontMetrics().horizontalAdvance(head);
                    p.setPen(pal.color(QPalette::Disabled, QPalette::Text));
                    p.drawText(lineRect.adjusted(offset, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                               fontMetrics().elidedText(ResultModel::nullText(), Qt::ElideRight,
                                                        std::max(0, lineRect.width() - offset)));
                } else {
                    p.drawText(lineRect, Qt::AlignLeft | Qt::AlignVCenter,
                               fontMetrics().elidedText(line, Qt::ElideRight, lineRect.width()));
                }
                y += lh;
            }
        }
    }
}

void GridCardView::mousePressEvent(QMouseEvent* event) {
    const int position = positionAt(event->position().toPoint());
    if (position >= 0) setCurrentPosition(position);
    QAbstractScrollArea::mousePressEvent(event);
}

void GridCardView::mouseReleaseEvent(QMouseEvent* event) {
    QAbstractScrollArea::mouseReleaseEvent(event);
    emit mouseUp(event->button(), event->globalPosition().toPoint());
}

void GridCardView::mouseDoubleClickEvent(QMouseEvent* event) {
    const int position = positionAt(event->position().toPoint());
    if (position < 0) return;
    setCurrentPosition(position);
    emit activated();
}

void GridCardView::keyPressEvent(QKeyEvent* event) {
    const int perRow = cardsPerRow();
    const int page = std::max(1, viewport()->height() / (cardHeight() + Gap)) * perRow;
    int target = m_current;
    switch (event->key()) {
    case Qt::Key_Left:
        target -= 1;
        break;
    case Qt::Key_Right:
        target += 1;
        break;
    case Qt::Key_Up:
        target -= perRow;
        break;
    case Qt::Key_Down:
        target += perRow;
        break;
    case Qt::Key_PageUp:
        target -= page;
        break;
    case Qt::Key_PageDown:
        target += page;
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = m_model ? m_model->positionCount() - 1 : 0;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit activated();
        return;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    setCurrentPosition(target);
    event->accept();
}

} // namespace mv
