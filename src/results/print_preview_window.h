#pragma once
// The print preview frmPrintPreview of the result grid: the pages as they will print, with
// buttons for the page set-up, printing and closing; and cmdRGPrint, which opens it.
#include "results/grid_print_settings.h"

#include <QDialog>
#include <memory>

class QPrinter;
class QPrintPreviewWidget;
class QPushButton;

namespace mv {

class GridPrintView;
class ResultGridWidget;

class frmPrintPreview : public QDialog {
    Q_OBJECT
  public:
    // Sets the grid's paper to A4 and shows the grid's pages with its print settings.
    explicit frmPrintPreview(ResultGridWidget& grid, QWidget* parent = nullptr);
    ~frmPrintPreview() override;

    // Pages of the preview (after it has been laid out).
    int pageCount() const;
    QPrinter& printer() { return *m_printer; }

    void cmdPageSetup_Click();
    void cmdPrint_Click();

    QPrintPreviewWidget* preview;
    QPushButton* cmdPageSetup;
    QPushButton* cmdPrint;
    QPushButton* cmdClose;

  private:
    void Form_Load();
    void renderPages(QPrinter* printer);

    ResultGridWidget& m_grid;
    std::unique_ptr<QPrinter> m_printer;
};

// The print preview command: the header and footer texts are kept as templates while the preview
// is open (every page shows its own numbers and date) and are the templates again afterwards.
// False after a reported error.
bool cmdRGPrint(ResultGridWidget& grid, QWidget* mainWindow);

} // namespace mv
