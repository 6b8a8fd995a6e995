#include "app/clock.h"
#include "app/formats.h"
#include "app/mv_error.h"
#include "app/texts.h"
#include "db/recordset_builder.h"
#include "results/grid_print_view.h"
#include "results/print_preview_window.h"
#include "results/print_settings_dialog.h"
#include "results/result_grid_widget.h"
#include "support/scripted_user_port.h"
#include "support/temp_folder.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

using namespace mv;

namespace {

struct Language {
    explicit Language(int lang) { setLanguage(lang); }
    ~Language() { setLanguage(2); }
};

struct PinnedClock {
    explicit PinnedClock(const QDateTime& at) {
        setClock([at] { return at; });
    }
    ~PinnedClock() { setClock({}); }
};

Recordset numbered(int rows, int extraColumns = 0) {
    QList<FieldInfo> fields{FieldInfo{"no", ado::adInteger}, FieldInfo{"name", ado::adVarWChar, 30}};
    for (int c = 0; c < extraColumns; ++c)
        fields << FieldInfo{QStringLiteral("wide%1").arg(c), ado::adVarWChar, 30};
    RecordsetBuilder b(fields);
    for (int r = 1; r <= rows; ++r) {
        QVariantList row{r, QStringLiteral("Row%1").arg(r)};
        for (int c = 0; c < extraColumns; ++c)
            row << QStringLiteral("W%1x%2").arg(c).arg(r);
        b.appendRow(row);
    }
    return b.finish();
}

// Renders the grid into a PDF and returns the text of each page.
QStringList printedPages(const ResultGridWidget& grid, const GridPrintSettings& settings,
                         const QString& pdf) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    applyPageSetup(printer, settings);
    GridPrintView(grid, settings).print(printer);
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(QChar('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();
    return pages;
}

} // namespace

TEST(PageTexts, PlaceholdersAreReplacedEverywhereInOrder) {
    const struct {
        const char* text;
        int page, pages;
        const char* expected;
    } cases[] = {
        {"Page: #PageNumber of #nPages", 2, 5, "Page: 2 of 5"},
        {"Seite: #PageNumber von #nPages", 1, 1, "Seite: 1 von 1"},
        {"#PageNumber/#PageNumber", 3, 9, "3/3"},
        {"#nPages#nPages #Date", 1, 12, "1212 DATE"},
        {"no placeholder", 4, 4, "no placeholder"},
        {"#pagenumber", 4, 4, "#pagenumber"}, // the placeholders are spelt exactly
    };
    for (const auto& c : cases)
        EXPECT_EQ(substitutePageText(c.text, c.page, c.pages, "DATE"), c.expected) << c.text;
}

TEST(PageTexts, LengthsConvertBetweenMillimetresAndTwips) {
    EXPECT_EQ(mmToTwips(15), 850);
    EXPECT_EQ(mmToTwips(10), 567);
    EXPECT_EQ(mmToTwips(0), 0);
    EXPECT_EQ(twipsToMmText(850), "15");
    EXPECT_EQ(twipsToMmText(567), "10");
    EXPECT_EQ(twipsToMmText(0), "");
    EXPECT_EQ(twipsToMmText(20), ""); // under half a millimetre
}

TEST(PrintSettingsDialog, ShowsTheSettingsAndSaveWritesThemBack) {
    Language english(2);
    mvtest::ScriptedUserPort port;
    GridPrintSettings s = standardPrintSettings();
    s.topMargin = 0;
    s.fitToPageWidth = true;
    frmRGPrintSettings dialog(s);
    EXPECT_EQ(dialog.windowTitle(), "Print Settings");
    EXPECT_EQ(dialog.txtTopMargin->text(), "");
    EXPECT_EQ(dialog.txtLeftMargin->text(), "15");
    EXPECT_EQ(dialog.txtHeaderDistance->text(), "10");
    EXPECT_EQ(dialog.txtHRight->text(), "#Date");
    EXPECT_EQ(dialog.txtFRight->text(), "Page: #PageNumber of #nPages");
    EXPECT_EQ(dialog.lblHeaderFont->text(), "Header Example Text");
    EXPECT_EQ(dialog.lblHeaderFont->font().family(), "Arial");
    EXPECT_TRUE(dialog.opPortrait->isChecked());
    EXPECT_TRUE(dialog.chkFitcol->isChecked());

    dialog.txtTopMargin->setText("20");
    dialog.txtRightMargin->setText("0");
    dialog.txtFooterDistance->setText("");
    dialog.txtHLeft->setText("Orders");
    dialog.txtFCenter->setText("#PageNumber");
    dialog.opLandscape->setChecked(true);
    dialog.chkFitcol->setChecked(false);
    dialog.chkPrintBkColors->setChecked(true);
    port.fonts.push_back(FontSpec{"Courier New", true, 12});
    dialog.cmdFooterFont->click();
    EXPECT_EQ(dialog.lblFooterFont->font().family(), "Courier New");
    dialog.cmdSave->click();

    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(s.topMargin, 1134);
    EXPECT_EQ(s.rightMargin, 0);
    EXPECT_EQ(s.footerDistance, 0);
    EXPECT_EQ(s.leftMargin, 850);
    EXPECT_EQ(s.headerLeft, "Orders");
    EXPECT_EQ(s.footerCenter, "#PageNumber");
    EXPECT_EQ(s.footerFont, (FontSpec{"Courier New", true, 12}));
    EXPECT_EQ(s.headerFont, (FontSpec{"Arial", false, 10}));
    EXPECT_TRUE(s.landscape);
    EXPECT_FALSE(s.fitToPageWidth);
    EXPECT_TRUE(s.noBackgroundColors);
    EXPECT_TRUE(port.messages.isEmpty());

    // Opened again, the zero lengths show as empty fields and 20 mm as 20.
    frmRGPrintSettings again(s);
    EXPECT_EQ(again.txtTopMargin->text(), "20");
    EXPECT_EQ(again.txtRightMargin->text(), "");
    EXPECT_TRUE(again.opLandscape->isChecked());
}

TEST(PrintSettingsDialog, ALengthThatIsNoNumberWritesNothingAndKeepsTheDialogOpen) {
    Language english(2);
    for (const char* bad : {"abc", "-3", "12.5", "40000"}) {
        mvtest::ScriptedUserPort port;
        GridPrintSettings s = standardPrintSettings();
        const GridPrintSettings before = s;
        frmRGPrintSettings dialog(s);
        dialog.txtTopMargin->setText("30");
        dialog.txtHLeft->setText("changed");
        dialog.txtBottomMargin->setText(bad);
        dialog.cmdSave->click();
        EXPECT_EQ(s, before) << bad;
        EXPECT_NE(dialog.result(), QDialog::Accepted) << bad;
        ASSERT_EQ(port.messages.size(), 1) << bad;
        EXPECT_TRUE(
            port.lastText().contains("Bottom Margin [mm]: Please enter a whole number from 0 to 32767."))
            << port.lastText().toStdString();
        EXPECT_TRUE(port.lastText().contains("cmdSave_Click"));
    }
}

TEST(PrintSettingsDialog, CancelWritesNothingAndResetFillsTheStandardSettings) {
    Language german(1);
    mvtest::ScriptedUserPort port;
    GridPrintSettings s = standardPrintSettings();
    s.topMargin = 0;
    s.headerRight.clear();
    s.footerLeft = "mine";
    s.landscape = true;
    s.headerFont = FontSpec{"Courier New", false, 8};
    s.fitToPageWidth = true;
    const GridPrintSettings before = s;

    frmRGPrintSettings dialog(s);
    EXPECT_EQ(dialog.windowTitle(), "Druckeinstellungen");
    EXPECT_EQ(dialog.cmdSave->text(), "Speichern");
    EXPECT_EQ(dialog.cmdReset->text(), "Standard Einstellungen");
    EXPECT_EQ(dialog.chkFitcol->text(), "Inhalt auf eine Seitenbreite skalieren");
    EXPECT_EQ(dialog.opLandscape->text(), "Querformat");
    dialog.cmdReset->click();
    EXPECT_EQ(dialog.txtTopMargin->text(), "15");
    EXPECT_EQ(dialog.txtFooterDistance->text(), "10");
    EXPECT_EQ(dialog.txtHRight->text(), "#Date");
    EXPECT_EQ(dialog.txtFLeft->text(), "Morvenda");
    EXPECT_EQ(dialog.txtFRight->text(), "Seite: #PageNumber von #nPages");
    EXPECT_EQ(dialog.lblHeaderFont->font().family(), "Arial");
    EXPECT_TRUE(dialog.opPortrait->isChecked());
    EXPECT_TRUE(dialog.chkFitcol->isChecked()); // the defaults leave the two flags alone
    dialog.cmdCancel->click();
    EXPECT_EQ(s, before);
}

TEST(GridPrinting, EveryPageCarriesItsHeaderAndFooter) {
    Language english(2);
    mvtest::ScriptedUserPort port;
    const QDateTime at(QDate(2026, 3, 4), QTime(5, 6, 7));
    PinnedClock clock(at);
    mvtest::TempFolder temp;
    ResultGridWidget grid;
    grid.setRecordset(numbered(150));
    GridPrintSettings s = standardPrintSettings();
    s.headerLeft = "Orders #PageNumber/#PageNumber";

    QPrinter probe(QPrinter::HighResolution);
    probe.setOutputFormat(QPrinter::PdfFormat);
    applyPageSetup(probe, s);
    const int pages = GridPrintView(grid, s).pageCount(probe);
    ASSERT_GE(pages, 3);

    const QStringList text = printedPages(grid, s, temp.file("grid.pdf"));
    ASSERT_EQ(text.size(), pages);
    for (int page = 1; page <= pages; ++page) {
        const QString& t = text[page - 1];
        EXPECT_TRUE(t.contains(QStringLiteral("Page: %1 of %2").arg(page).arg(pages))) << page;
        EXPECT_TRUE(t.contains(QStringLiteral("Orders %1/%1").arg(page))) << page;
        EXPECT_TRUE(t.contains(generalDate(at))) << page;
        EXPECT_TRUE(t.contains("Morvenda")) << page;
        EXPECT_TRUE(t.contains("name")) << page; // the column captions on every page
        EXPECT_FALSE(t.contains("#PageNumber")) << page;
    }
    EXPECT_TRUE(text.first().contains(QRegularExpression("\\bRow1\\b")));
    EXPECT_FALSE(text.first().contains("Row150"));
    EXPECT_TRUE(text.last().contains("Row150"));

    // Landscape pages hold fewer rows.
    s.landscape = true;
    QPrinter wide(QPrinter::HighResolution);
    wide.setOutputFormat(QPrinter::PdfFormat);
    applyPageSetup(wide, s);
    EXPECT_GT(GridPrintView(grid, s).pageCount(wide), pages);
}

TEST(GridPrinting, WideTablesContinueOnFurtherPagesUnlessFittedToTheWidth) {
    Language german(1);
    mvtest::ScriptedUserPort port;
    mvtest::TempFolder temp;
    ResultGridWidget grid;
    grid.setRecordset(numbered(5, 8));
    QList<GridColumn> columns = grid.columns();
    for (GridColumn& c : columns)
        c.width = 2500;
    columns[3].visible = false;
    grid.setColumns(columns);
    GridPrintSettings s = standardPrintSettings();

    const QStringList bands = printedPages(grid, s, temp.file("bands.pdf"));
    ASSERT_GE(bands.size(), 2);
    EXPECT_TRUE(bands[0].contains(QStringLiteral("Seite: 1 von %1").arg(bands.size())));
    EXPECT_TRUE(bands[0].contains("Row5"));
    EXPECT_FALSE(bands[0].contains("W7x5"));
    EXPECT_TRUE(bands.last().contains("W7x5"));
    for (const QString& page : bands)
        EXPECT_FALSE(page.contains("W1x1")) << "a hidden column was printed";

    s.fitToPageWidth = true;
    const QStringList fitted = printedPages(grid, s, temp.file("fitted.pdf"));
    ASSERT_EQ(fitted.size(), 1);
    EXPECT_TRUE(fitted[0].contains("Row5"));
    EXPECT_TRUE(fitted[0].contains("W7x5"));
    EXPECT_TRUE(fitted[0].contains("Seite: 1 von 1"));
}

TEST(GridPrinting, MarginsThatLeaveNoRoomAreRefused) {
    Language english(2);
    ResultGridWidget grid;
    grid.setRecordset(numbered(3));
    GridPrintSettings s = standardPrintSettings();
    s.topMargin = s.bottomMargin = mmToTwips(150);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    applyPageSetup(printer, s);
    EXPECT_THROW(GridPrintView(grid, s).pageCount(printer), MvError);
}

TEST(PrintPreview, ShowsThePagesOnA4AndKeepsTheTemplates) {
    Language german(1);
    mvtest::ScriptedUserPort port;
    ResultGridWidget grid;
    grid.setRecordset(numbered(150));
    grid.printSettings() = standardPrintSettings();
    grid.printSettings().paperSize = 1;
    const GridPrintSettings before = grid.printSettings();

    frmPrintPreview preview(grid);
    EXPECT_EQ(preview.windowTitle(), "Druckvorschau für Ergebnistabelle");
    EXPECT_EQ(preview.cmdPageSetup->text(), "Seite einrichten");
    EXPECT_EQ(preview.cmdPrint->text(), "Drucken");
    EXPECT_EQ(preview.cmdClose->text(), "Schließen");
    EXPECT_EQ(grid.printSettings().paperSize, 9);
    EXPECT_EQ(preview.printer().pageLayout().pageSize().id(), QPageSize::A4);
    EXPECT_EQ(preview.pageCount(), GridPrintView(grid, grid.printSettings()).pageCount(preview.printer()));
    EXPECT_GE(preview.pageCount(), 3);
    EXPECT_EQ(grid.printSettings().footerRight, before.footerRight);
    EXPECT_EQ(grid.printSettings().headerRight, "#Date");
    EXPECT_TRUE(port.messages.isEmpty());
}

TEST(PrintPreview, TheCommandOpensThePreviewAndLeavesTheTemplatesAsTheyWere) {
    Language english(2);
    mvtest::ScriptedUserPort port;
    ResultGridWidget grid;
    grid.setRecordset(numbered(10));
    grid.printSettings() = standardPrintSettings();
    grid.printSettings().headerCenter = "#PageNumber #nPages #Date";
    const GridPrintSettings before = grid.printSettings();
    QString title;
    QTimer::singleShot(0, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            title = w->windowTitle();
            w->close();
        }
    });
    EXPECT_TRUE(cmdRGPrint(grid, nullptr));
    EXPECT_EQ(title, "Print Preview: Resultgrid");
    GridPrintSettings after = grid.printSettings();
    after.paperSize = before.paperSize;
    EXPECT_EQ(after, before);
    EXPECT_FALSE(port.waitCursor);
    EXPECT_TRUE(port.messages.isEmpty());
}

TEST(GridPrinting, GroupHeadersArePrintedWithTheirCaptions) {
    Language english(2);
    mvtest::ScriptedUserPort port;
    mvtest::TempFolder temp;
    RecordsetBuilder b({FieldInfo{"city", ado::adVarWChar, 30}, FieldInfo{"name", ado::adVarWChar, 30}});
    b.appendRow({"Oslo", "Anna"});
    b.appendRow({"Lyon", "Bert"});
    b.appendRow({"Oslo", "Cleo"});
    ResultGridWidget grid;
    grid.setRecordset(b.finish());
    grid.groupBy("city");
    grid.waitForArrangement();
    ResultModel* m = grid.model();
    ASSERT_EQ(m->rowKind(0), ResultModel::RowKind::GroupHeader);
    const QString caption = m->data(m->index(0, 0), ResultModel::GroupCaptionRole).toString();
    ASSERT_FALSE(caption.isEmpty());

    const QStringList pages = printedPages(grid, standardPrintSettings(), temp.file("groups.pdf"));
    ASSERT_EQ(pages.size(), 1);
    EXPECT_TRUE(pages[0].contains(caption)) << pages[0].toStdString();
    EXPECT_TRUE(pages[0].contains("Cleo"));
}
