#include "explorer/explorer_icons_view.h"

#include "explorer/explorer_catalog.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QtMath>

namespace mv {

namespace {

// Every picture is drawn on a 16 x 16 grid and scaled.

void drawGrid(QPainter& p, const QColor& header, bool dashed) {
    const QRectF box(1.5, 2.5, 13, 11);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(Qt::white);
    p.drawRect(box);
    p.fillRect(QRectF(2, 3, 12, 3), header);
    QPen line(QColor(150, 150, 150), 1, dashed ? Qt::DotLine : Qt::SolidLine);
    p.setPen(line);
    p.drawLine(QPointF(2, 9.5), QPointF(14, 9.5));
    p.drawLine(QPointF(6.5, 6), QPointF(6.5, 13));
    p.drawLine(QPointF(10.5, 6), QPointF(10.5, 13));
}

void drawTable(QPainter& p) {
    drawGrid(p, QColor(58, 110, 165), false);
}

void drawView(QPainter& p) {
    drawGrid(p, QColor(60, 141, 60), true);
    // A lens over the corner: a view looks at tables.
    p.setPen(QPen(QColor(40, 40, 40), 1.6));
    p.setBrush(QColor(220, 240, 255, 200));
    p.drawEllipse(QPointF(10.5, 10.5), 3, 3);
    p.drawLine(QPointF(12.7, 12.7), QPointF(15, 15));
}

void drawGear(QPainter& p) {
    QPainterPath gear;
    const QPointF c(8, 8);
    const int teeth = 8;
    QPolygonF outline;
    for (int i = 0; i < teeth * 2; ++i) {
        const double a0 = (i - 0.35) * M_PI / teeth;
        const double a1 = (i + 0.35) * M_PI / teeth;
        const double r = (i % 2 == 0) ? 7.2 : 5.4;
        outline << c + QPointF(r * std::cos(a0), r * std::sin(a0))
                << c + QPointF(r * std::cos(a1), r * std::sin(a1));
    }
    gear.addPolygon(outline);
    gear.closeSubpath();
    gear.addEllipse(c, 2.2, 2.2);
    gear.setFillRule(Qt::OddEvenFill);
    p.setPen(QPen(QColor(70, 40, 100), 0.8));
    p.setBrush(QColor(140, 90, 190));
    p.drawPath(gear);
}

void drawFolder(QPainter& p, const QColor& mark) {
    p.setPen(QPen(QColor(150, 110, 20), 1));
    p.setBrush(QColor(240, 200, 80));
    QPolygonF folder;
    folder << QPointF(1.5, 4.5) << QPointF(6, 4.5) << QPointF(7.5, 3) << QPointF(14.5, 3)
           << QPointF(14.5, 13.5) << QPointF(1.5, 13.5);
    p.drawPolygon(folder);
    p.fillRect(QRectF(5, 7, 7, 4.5), Qt::white);
    p.fillRect(QRectF(5, 7, 7, 1.5), mark);
}

void drawField(QPainter& p) {
    p.setPen(QPen(QColor(60, 80, 110), 1));
    p.setBrush(QColor(200, 220, 245));
    p.drawRect(QRectF(1.5, 4.5, 13, 7));
    p.fillRect(QRectF(2, 5, 3, 6), QColor(90, 130, 190));
}

void drawKey(QPainter& p) {
    const QColor gold(205, 160, 20);
    p.setPen(QPen(QColor(120, 90, 0), 1));
    p.setBrush(gold);
    p.drawEllipse(QPointF(4.5, 7.5), 3.3, 3.3);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(4, 7.5), 1, 1);
    p.setBrush(gold);
    p.drawRect(QRectF(7.5, 6.5, 7, 2));
    p.drawRect(QRectF(11, 8.5, 1.5, 2.5));
    p.drawRect(QRectF(13, 8.5, 1.5, 3));
}

// Index marks in the lower right corner: a triangle for an index, a diamond for a unique one.
void drawIndexMark(QPainter& p, bool unique) {
    p.setPen(QPen(QColor(0, 0, 120), 0.8));
    p.setBrush(unique ? QColor(210, 40, 40) : QColor(30, 60, 220));
    QPolygonF mark;
    if (unique)
        mark << QPointF(12, 8.5) << QPointF(15.5, 12) << QPointF(12, 15.5) << QPointF(8.5, 12);
    else
        mark << QPointF(8.5, 9.5) << QPointF(15.5, 9.5) << QPointF(12, 15.5);
    p.drawPolygon(mark);
}

bool draw(QPainter& p, int n) {
    switch (n) {
    case icon::Table:
        drawTable(p);
        return true;
    case icon::View:
        drawView(p);
        return true;
    case icon::Procedure:
        drawGear(p);
        return true;
    case icon::Field:
        drawField(p);
        return true;
    case icon::IndexField:
        drawField(p);
        drawIndexMark(p, false);
        return true;
    case icon::UniqueIndexField:
        drawField(p);
        drawIndexMark(p, true);
        return true;
    case icon::KeyField:
        drawKey(p);
        return true;
    case icon::KeyIndexField:
        drawKey(p);
        drawIndexMark(p, false);
        return true;
    case icon::KeyUniqueIndexField:
        drawKey(p);
        drawIndexMark(p, true);
        return true;
    case icon::TablesHeading:
        drawFolder(p, QColor(58, 110, 165));
        return true;
    case icon::ViewsHeading:
        drawFolder(p, QColor(60, 141, 60));
        return true;
    default:
        return false;
    }
}

} // namespace

QPixmap explorerPixmap(int iconNumber, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    const bool drawn = draw(p, iconNumber);
    p.end();
    return drawn ? pixmap : QPixmap();
}

QIcon explorerIcon(int iconNumber) {
    static QHash<int, QIcon> cache;
    const auto found = cache.constFind(iconNumber);
    if (found != cache.constEnd()) return *found;
    QIcon result;
    for (int size : {16, 32}) {
        const QPixmap pixmap = explorerPixmap(iconNumber, size);
        if (!pixmap.isNull()) result.addPixmap(pixmap);
    }
    cache.insert(iconNumber, result);
    return result;
}

} // namespace mv
