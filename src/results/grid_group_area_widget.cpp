#include "results/grid_group_area_widget.h"

#include "results/grid_table_view.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

namespace mv {

namespace {
constexpr int Margin = 6;
constexpr int Step = 10; // boxes of inner levels sit a little lower, like stairs
} // namespace

GroupByAreaWidget::GroupByAreaWidget(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("GroupByBox"));
    setFrameShape(QFrame::StyledPanel);
    setAcceptDrops(true);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Mid);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void GroupByAreaWidget::setPrompt(const QString& text) {
    m_prompt = text;
    update();
}

void GroupByAreaWidget::setLevels(const QList<Level>& levels) {
    m_levels = levels;
    updateGeometry();
    update();
}

QString GroupByAreaWidget::levelText(int level) const {
    const Level& l = m_levels[level];
    return l.caption + (l.descending ? QStringLiteral(" \u25BC") : QStringLiteral(" \u25B2"));
}

QRect GroupByAreaWidget::levelRect(int level) const {
    const int h = fontMetrics().height() + 8;
    int x = Margin;
    for (int i = 0; i < level; ++i)
        x += fontMetrics().horizontalAdvance(levelText(i)) + 16 + Margin;
    const int w = fontMetrics().horizontalAdvance(levelText(level)) + 16;
    return QRect(x, Margin + std::min(level, 3) * Step / 2, w, h);
}

QSize GroupByAreaWidget::sizeHint() const {
    const int h = fontMetrics().height() + 8 + 2 * Margin + 3 * Step / 2;
    return QSize(200, h);
}

int GroupByAreaWidget::levelAt(const QPoint& point) const {
    for (int i = 0; i < m_levels.size(); ++i)
        if (levelRect(i).contains(point)) return i;
    return -1;
}

int GroupByAreaWidget::dropLevel(const QPoint& point) const {
    int level = 0;
    for (int i = 0; i < m_levels.size(); ++i)
        if (point.x() > levelRect(i).center().x()) level = i + 1;
    return level;
}

void GroupByAreaWidget::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter p(this);
    const QPalette& pal = palette();
    if (m_levels.isEmpty()) {
        p.setPen(pal.color(QPalette::BrightText));
        p.drawText(rect().adjusted(Margin, 0, -Margin, 0), Qt::AlignLeft | Qt::AlignVCenter, m_prompt);
        return;
    }
    for (int i = 0; i < m_levels.size(); ++i) {
        const QRect r = levelRect(i);
        if (i > 0) {
            const QRect prev = levelRect(i - 1);
            p.setPen(pal.color(QPalette::Dark));
            p.drawLine(prev.right() + 1, prev.center().y(), r.left() - 1, prev.center().y());
        }
        p.fillRect(r, pal.color(QPalette::Button));
        p.setPen(pal.color(QPalette::Dark));
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.setPen(pal.color(QPalette::ButtonText));
        p.drawText(r, Qt::AlignCenter, levelText(i));
    }
}

void GroupByAreaWidget::mousePressEvent(QMouseEvent* event) {
    m_pressLevel = event->button() == Qt::LeftButton ? levelAt(event->position().toPoint()) : -1;
    m_pressPos = event->position().toPoint();
    QFrame::mousePressEvent(event);
}

void GroupByAreaWidget::mouseMoveEvent(QMouseEvent* event) {
    if (m_pressLevel < 0 || !(event->buttons() & Qt::LeftButton) ||
        (event->position().toPoint() - m_pressPos).manhattanLength() < QApplication::startDragDistance())
        return QFrame::mouseMoveEvent(event);
    const int level = m_pressLevel;
    m_pressLevel = -1;
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(ColumnMimeType), m_levels[level].key.toUtf8());
    mime->setData(QString::fromLatin1(GroupMimeType), QByteArray::number(level));
    auto* drag = new QDrag(this);
    drag->setMimeData(mime);
    drag->setPixmap(grab(levelRect(level)));
    drag->exec(Qt::MoveAction, Qt::MoveAction);
}

void GroupByAreaWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (m_pressLevel >= 0 && levelAt(event->position().toPoint()) == m_pressLevel)
        emit levelClicked(m_levels[m_pressLevel].key);
    m_pressLevel = -1;
    QFrame::mouseReleaseEvent(event);
}

void GroupByAreaWidget::contextMenuEvent(QContextMenuEvent* event) {
    const int level = levelAt(event->pos());
    if (level >= 0) emit ungroupRequested(m_levels[level].key);
}

void GroupByAreaWidget::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasFormat(QString::fromLatin1(ColumnMimeType))) event->acceptProposedAction();
}

void GroupByAreaWidget::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasFormat(QString::fromLatin1(ColumnMimeType))) event->acceptProposedAction();
}

void GroupByAreaWidget::dropEvent(QDropEvent* event) {
    const QMimeData* mime = event->mimeData();
    if (!mime->hasFormat(QString::fromLatin1(ColumnMimeType))) return;
    event->acceptProposedAction();
    emit columnDropped(QString::fromUtf8(mime->data(QString::fromLatin1(ColumnMimeType))),
                       dropLevel(event->position().toPoint()));
}

} // namespace mv
