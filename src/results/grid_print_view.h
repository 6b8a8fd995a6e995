#pragma once
// The result grid on paper: the grid's visible columns and display rows (group headers, records,
// group footers) laid out page by page below a page header and above a page footer.
//
// Rows are all one height, so page breaks are computed, not measured: nothing is built per row.
// Columns wider than the page continue on further pages (all column bands of a block of rows
// come before the next block), unless the table is fitted to the page width.
//
// The header and footer texts of the settings are templates; every page gets its own copy with
// "#PageNumber", "#nPages" and "#Date" replaced, so the templates keep their placeholders.
#include "results/grid_print_settings.h"

#include <QList>
#include <QRectF>
#include <QString>

class QFont;
class QPainter;
class QPrinter;

namespace mv {

class ResultGridWidget;

// One text of a page: every "#PageNumber", then every "#nPages", then every "#Date" replaced.
QString substitutePageText(const QString& text, int page, int pageCount, const QString& dateText);

// The six header and footer texts of one page (templates substituted).
struct PageTexts {
    QString headerLeft, headerCenter, headerRight;
    QString footerLeft, footerCenter, footerRight;
};
PageTexts pageTexts(const GridPrintSettings& templates, int page, int pageCount, const QString& dateText);

// A font of the settings for painting on a device.
QFont printFont(const FontSpec& font);

// Orientation and paper size of the settings on the printer (A4 for the paper-size code 9, the
// printer's own size otherwise); the printer then paints on the whole sheet.
void applyPageSetup(QPrinter& printer, const GridPrintSettings& settings);

class GridPrintView {
  public:
    // Reads the grid when printing; `settings` are the page set-up and the text templates.
    GridPrintView(const ResultGridWidget& grid, const GridPrintSettings& settings);

    // Pages the grid needs on the printer as it is set up. Throws MvError when the margins leave
    // no room for a single row.
    int pageCount(const QPrinter& printer) const;
    // Paints every page (the printer's page set-up as it is); returns the number of pages.
    // Throws MvError like pageCount(); nothing is painted then.
    int print(QPrinter& printer) const;

  private:
    struct Band {
        int first = 0; // index into the visible columns
        int last = -1;
    };
    struct Geometry {
        QRectF paper; // device pixels
        QRectF body;  // the table's area (unscaled)
        double headerTop = 0;
        double footerBottom = 0;
        double scale = 1.0; // fit to page width
        double rowHeight = 0;
        QList<int> columns;   // visible columns (model positions)
        QList<double> widths; // their widths, device pixels (unscaled)
        QList<Band> bands;
        int rows = 0; // display rows to print
        int rowsPerPage = 1;
        int rowPages = 1;
        int pages() const { return rowPages * int(bands.isEmpty() ? 1 : bands.size()); }
    };

    static bool hasHeader(const GridPrintSettings& s);
    static bool hasFooter(const GridPrintSettings& s);
    Geometry geometry(const QPrinter& printer) const;
    void paintTexts(QPainter& p, const Geometry& g, const PageTexts& texts) const;
    void paintTable(QPainter& p, const Geometry& g, int firstRow, int rowCount, const Band& band,
                    double dpi) const;
    void paintColumnHeaders(QPainter& p, const Geometry& g, const Band& band, double cellPadding) const;
    void paintRow(QPainter& p, const Geometry& g, int row, double top, const Band& band,
                  double cellPadding) const;

    const ResultGridWidget& m_grid;
    GridPrintSettings m_settings;
};

} // namespace mv
