#include "results/grid_print_view.h"

#include "app/clock.h"
#include "app/formats.h"
#include "app/mv_error.h"
#include "app/texts.h"
#include "results/result_grid_widget.h"

#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <cmath>

namespace mv {

namespace {

constexpr double TwipsPerInch = 1440.0;

double twipsToDevice(int twips, double dpi) {
    return twips * dpi / TwipsPerInch;
}

Qt::Alignment alignmentOf(const QVariant& v) {
    if (v.metaType() == QMetaType::fromType<Qt::Alignment>()) return v.value<Qt::Alignment>();
    if (v.metaType() == QMetaType::fromType<Qt::AlignmentFlag>()) return v.value<Qt::AlignmentFlag>();
    return v.isValid() ? Qt::Alignment(v.toInt()) : Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter);
}

const QColor GroupBack(0xE0, 0xE0, 0xE0);
const QColor FooterBack(0xF0, 0xF0, 0xF0);
const QColor LineColor(0xA0, 0xA0, 0xA0);

} // namespace

QString substitutePageText(const QString& text, int page, int pageCount, const QString& dateText) {
    QString s = text;
    s.replace(QLatin1String("#PageNumber"), QString::number(page));
    s.replace(QLatin1String("#nPages"), QString::number(pageCount));
    s.replace(QLatin1String("#Date"), dateText);
    return s;
}

PageTexts pageTexts(const GridPrintSettings& t, int page, int pageCount, const QString& dateText) {
    auto sub = [&](const QString& s) { return substitutePageText(s, page, pageCount, dateText); };
    return {sub(t.headerLeft), sub(t.headerCenter), sub(t.headerRight),
            sub(t.footerLeft), sub(t.footerCenter), sub(t.footerRight)};
}

QFont printFont(const FontSpec& font) {
    QFont f(font.name);
    f.setPointSizeF(font.pointSize > 0 ? font.pointSize : 10.0);
    f.setBold(font.bold);
    return f;
}

void applyPageSetup(QPrinter& printer, const GridPrintSettings& settings) {
    if (settings.paperSize == 9) printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(settings.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setFullPage(true);
}

GridPrintView::GridPrintView(const ResultGridWidget& grid, const GridPrintSettings& settings)
    : m_grid(grid), m_settings(settings) {}

GridPrintView::Geometry GridPrintView::geometry(const QPrinter& printer) const {
    Geometry g;
    const double dpi = printer.resolution();
    const GridPrintSettings& s = m_settings;
    g.paper = printer.paperRect(QPrinter::DevicePixel);
    g.paper.moveTopLeft({0, 0});
    g.headerTop = twipsToDevice(s.headerDistance, dpi);
    g.footerBottom = g.paper.height() - twipsToDevice(s.footerDistance, dpi);

    // The table never runs into the header or footer lines, whatever the margins say.
    const double headerLine = QFontMetricsF(printFont(s.headerFont), &printer).height();
    const double footerLine = QFontMetricsF(printFont(s.footerFont), &printer).height();
    double top = twipsToDevice(s.topMargin, dpi);
    double bottom = g.paper.height() - twipsToDevice(s.bottomMargin, dpi);
    if (hasHeader(s)) top = std::max(top, g.headerTop + headerLine * 1.5);
    if (hasFooter(s)) bottom = std::min(bottom, g.footerBottom - footerLine * 1.5);
    const double left = twipsToDevice(s.leftMargin, dpi);
    const double right = g.paper.width() - twipsToDevice(s.rightMargin, dpi);
    g.body = QRectF(QPointF(left, top), QPointF(right, bottom));
    g.rowHeight = std::max(1.0, twipsToDevice(m_grid.rowHeight(), dpi));

    const ResultModel& model = *m_grid.model();
    double total = 0;
    for (int c = 0; c < model.columnCount(); ++c) {
        const GridColumn& col = model.columns()[c];
        if (!col.visible || col.width <= 0) continue;
        g.columns << c;
        g.widths << twipsToDevice(col.width, dpi);
        total += g.widths.last();
    }
    if (g.body.width() < 1 || g.body.height() < g.rowHeight * 2)
        throw MvError(err::InvalidProcedureCall,
                      ui_text("Die Ränder lassen auf der Seite keinen Platz für die Tabelle.",
                              "The margins leave no room for the table on the page."));

    if (m_settings.fitToPageWidth && total > g.body.width()) g.scale = g.body.width() / total;
    const double bandWidth = g.body.width() / g.scale;
    for (int i = 0; i < g.columns.size();) {
        Band band{i, i};
        double used = g.widths[i];
        while (band.last + 1 < g.columns.size() && used + g.widths[band.last + 1] <= bandWidth + 0.5)
            used += g.widths[++band.last];
        g.bands << band;
        i = band.last + 1;
    }

    g.rows = model.rowCount() - (model.hasNewRowLine() ? 1 : 0);
    // One line of column captions on every page, then the rows.
    g.rowsPerPage = std::max(1, int(std::floor(g.body.height() / g.scale / g.rowHeight)) - 1);
    g.rowPages = std::max(1, (g.rows + g.rowsPerPage - 1) / g.rowsPerPage);
    return g;
}

bool GridPrintView::hasHeader(const GridPrintSettings& s) {
    return !(s.headerLeft.isEmpty() && s.headerCenter.isEmpty() && s.headerRight.isEmpty());
}

bool GridPrintView::hasFooter(const GridPrintSettings& s) {
    return !(s.footerLeft.isEmpty() && s.footerCenter.isEmpty() && s.footerRight.isEmpty());
}

int GridPrintView::pageCount(const QPrinter& printer) const {
    return geometry(printer).pages();
}

int GridPrintView::print(QPrinter& printer) const {
    const Geometry g = geometry(printer);
    const int pages = g.pages();
    const QString date = generalDate(now());
    QPainter p;
    if (!p.begin(&printer))
        throw MvError(err::PathFileAccess,
                      ui_text("Der Drucker kann nicht beginnen.", "The printer cannot start."));
    const int bandCount = std::max(1, int(g.bands.size()));
    for (int page = 1; page <= pages; ++page) {
        if (page > 1) printer.newPage();
        paintTexts(p, g, pageTexts(m_settings, page, pages, date));
        if (g.bands.isEmpty()) continue;
        const int rowPage = (page - 1) / bandCount;
        const Band& band = g.bands[(page - 1) % bandCount];
        const int first = rowPage * g.rowsPerPage;
        paintTable(p, g, first, std::min(g.rowsPerPage, g.rows - first), band, printer.resolution());
    }
    p.end();
    return pages;
}

void GridPrintView::paintTexts(QPainter& p, const Geometry& g, const PageTexts& t) const {
    const double left = g.body.left(), width = g.body.width();
    p.save();
    p.setPen(Qt::black);
    p.setFont(printFont(m_settings.headerFont));
    const double hh = QFontMetricsF(p.font(), p.device()).height();
    const QRectF header(left, g.headerTop, width, hh);
    p.drawText(header, Qt::AlignLeft | Qt::AlignTop, t.headerLeft);
    p.drawText(header, Qt::AlignHCenter | Qt::AlignTop, t.headerCenter);
    p.drawText(header, Qt::AlignRight | Qt::AlignTop, t.headerRight);
    p.setFont(printFont(m_settings.footerFont));
    const double fh = QFontMetricsF(p.font(), p.device()).height();
    const QRectF footer(left, g.footerBottom - fh, width, fh);
    p.drawText(footer, Qt::AlignLeft | Qt::AlignBottom, t.footerLeft);
    p.drawText(footer, Qt::AlignHCenter | Qt::AlignBottom, t.footerCenter);
    p.drawText(footer, Qt::AlignRight | Qt::AlignBottom, t.footerRight);
    p.restore();
}

void GridPrintView::paintTable(QPainter& p, const Geometry& g, int firstRow, int rowCount, const Band& band,
                               double dpi) const {
    p.save();
    p.translate(g.body.topLeft());
    p.scale(g.scale, g.scale);
    QFont font = m_grid.gridFont();
    if (font.pointSizeF() <= 0) font.setPointSizeF(font.pixelSize() * 0.75);
    p.setFont(font);
    const double padding = dpi / 48; // half a millimetre or so
    paintColumnHeaders(p, g, band, padding);
    for (int i = 0; i < rowCount; ++i)
        paintRow(p, g, firstRow + i, (i + 1) * g.rowHeight, band, padding);
    p.restore();
}

void GridPrintView::paintColumnHeaders(QPainter& p, const Geometry& g, const Band& band,
                                       double padding) const {
    const ResultModel& model = *m_grid.model();
    p.save();
    QFont font = p.font();
    font.setBold(m_grid.headerFontBold());
    p.setFont(font);
    double x = 0;
    for (int i = band.first; i <= band.last; ++i) {
        const QRectF cell(x, 0, g.widths[i], g.rowHeight);
        const QColor back = m_grid.headerBackColor();
        if (!m_settings.noBackgroundColors && back.isValid()) p.fillRect(cell, back);
        const QColor fore = m_grid.headerForeColor();
        p.setPen(fore.isValid() ? fore : QColor(Qt::black));
        const int c = g.columns[i];
        p.drawText(cell.adjusted(padding, 0, -padding, 0),
                   alignmentOf(model.headerData(c, Qt::Horizontal, Qt::TextAlignmentRole)) |
                       Qt::AlignVCenter | Qt::TextSingleLine,
                   model.headerData(c, Qt::Horizontal).toString());
        p.setPen(LineColor);
        p.drawRect(cell);
        x += g.widths[i];
    }
    p.restore();
}

void GridPrintView::paintRow(QPainter& p, const Geometry& g, int row, double top, const Band& band,
                             double padding) const {
    const ResultModel& model = *m_grid.model();
    double width = 0;
    for (int i = band.first; i <= band.last; ++i)
        width += g.widths[i];
    const QRectF line(0, top, width, g.rowHeight);
    const auto kind = ResultModel::RowKind(model.data(model.index(row, 0), ResultModel::RowKindRole).toInt());
    const bool colours = !m_settings.noBackgroundColors;
    const bool lines = m_grid.gridLines();

    p.save();
    if (kind == ResultModel::RowKind::GroupHeader) {
        if (colours) p.fillRect(line, GroupBack);
        const QModelIndex index = model.index(row, g.columns[band.first]);
        const double indent = model.data(index, ResultModel::GroupLevelRole).toInt() * g.rowHeight;
        QFont font = p.font();
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(line.adjusted(padding + indent, 0, -padding, 0),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   model.data(index, ResultModel::GroupCaptionRole).toString());
        p.setPen(LineColor);
        p.drawLine(line.bottomLeft(), line.bottomRight());
        p.restore();
        return;
    }

    const GridFormatStyle odd = m_grid.formatStyle(QStringLiteral("OddRow"));
    QColor back = m_grid.backColor();
    if (kind == ResultModel::RowKind::GroupFooter)
        back = FooterBack;
    else if (m_grid.alternatingRowColors() && row % 2 == 1 && odd.backColor.isValid())
        back = odd.backColor;
    if (colours && back.isValid() && back != QColor(Qt::white)) p.fillRect(line, back);

    const int record = model.recordOfRow(row);
    double x = 0;
    for (int i = band.first; i <= band.last; ++i) {
        const int c = g.columns[i];
        const QRectF cell(x, top, g.widths[i], g.rowHeight);
        const QModelIndex index = model.index(row, c);
        const GridColumn& col = model.columns()[c];
        p.setPen(kind == ResultModel::RowKind::Record && odd.foreColor.isValid() && row % 2 == 1 &&
                         m_grid.alternatingRowColors()
                     ? odd.foreColor
                     : QColor(Qt::black));
        const Qt::Alignment align = alignmentOf(model.data(index, Qt::TextAlignmentRole));
        const QRectF inner = cell.adjusted(padding, 0, -padding, 0);
        if (kind == ResultModel::RowKind::Record && col.type == GridColumnType::CheckBox) {
            const double side = std::min(g.rowHeight * 0.6, cell.width() - 2 * padding);
            QRectF box(0, 0, side, side);
            box.moveCenter(cell.center());
            p.drawRect(box);
            if (model.data(index, Qt::CheckStateRole).toInt() == Qt::Checked) {
                p.drawLine(box.topLeft() + QPointF(side * 0.2, side * 0.5),
                           box.topLeft() + QPointF(side * 0.45, side * 0.8));
                p.drawLine(box.topLeft() + QPointF(side * 0.45, side * 0.8),
                           box.topLeft() + QPointF(side * 0.8, side * 0.2));
            }
        } else {
            // An icon column prints its value-list text: the paper has no image list.
            QString text = model.data(index, Qt::DisplayRole).toString();
            if (text.isEmpty() && record >= 0 && col.type == GridColumnType::Icon)
                text = model.cellText(record, c);
            const bool wrap = model.data(index, ResultModel::WordWrapRole).toBool();
            p.save();
            p.setClipRect(inner);
            p.drawText(inner, align | (wrap ? Qt::TextWordWrap : Qt::TextSingleLine), text);
            p.restore();
        }
        if (lines) {
            p.setPen(LineColor);
            p.drawRect(cell);
        }
        x += g.widths[i];
    }
    p.restore();
}

} // namespace mv
