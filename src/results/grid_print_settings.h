#pragma once
// The grid's printer properties: page set-up and the page header and footer, kept for the run.
// Lengths are twips. The printing code reads and writes them; the grid only holds them.
#include "app/user_port.h"

#include <QString>

namespace mv {

struct GridPrintSettings {
    int topMargin = 850;
    int leftMargin = 850;
    int bottomMargin = 850;
    int rightMargin = 850;
    int headerDistance = 567;
    int footerDistance = 567;
    QString headerLeft;
    QString headerCenter;
    QString headerRight = QStringLiteral("#Date");
    FontSpec headerFont{QStringLiteral("Arial"), false, 10.0};
    QString footerLeft = QStringLiteral("Morvenda");
    QString footerCenter;
    QString footerRight; // set by standardPrintSettings() in the current language
    FontSpec footerFont{QStringLiteral("Arial"), false, 10.0};
    bool landscape = false;
    int paperSize = 9; // the Windows paper-size code; 9 is A4
    bool fitToPageWidth = false;
    bool noBackgroundColors = false;

    bool operator==(const GridPrintSettings&) const = default;
};

// The standard page set-up: 15 mm margins, 10 mm header and footer distances, the date on the
// right of the header, the program title and the page number in the footer (current language).
GridPrintSettings standardPrintSettings();

} // namespace mv
