#include "results/print_preview_window.h"

#include "app/error_report.h"
#include "app/texts.h"
#include "app/user_port.h"
#include "results/grid_print_view.h"
#include "results/result_grid_widget.h"

#include <QHBoxLayout>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

namespace mv {

namespace {
constexpr char Module[] = "frmPrintPreview";
constexpr int A4 = 9;
} // namespace

frmPrintPreview::frmPrintPreview(ResultGridWidget& grid, QWidget* parent)
    : QDialog(parent), m_grid(grid), m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)) {
    setObjectName(QLatin1String(Module));
    setModal(true);
    preview = new QPrintPreviewWidget(m_printer.get(), this);
    preview->setObjectName(QStringLiteral("preview"));
    cmdPageSetup = new QPushButton(this);
    cmdPageSetup->setObjectName(QStringLiteral("cmdPageSetup"));
    cmdPrint = new QPushButton(this);
    cmdPrint->setObjectName(QStringLiteral("cmdPrint"));
    cmdClose = new QPushButton(this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdPageSetup);
    buttons->addWidget(cmdPrint);
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    auto* root = new QVBoxLayout(this);
    root->addLayout(buttons);
    root->addWidget(preview, 1);
    resize(900, 700);

    connect(preview, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* p) { renderPages(p); });
    connect(cmdPageSetup, &QPushButton::clicked, this, [this] { cmdPageSetup_Click(); });
    connect(cmdPrint, &QPushButton::clicked, this, [this] { cmdPrint_Click(); });
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);
    guardedVoid(Reporter::ErrorMsg, "Form_Load", Module, [this] { Form_Load(); });
}

frmPrintPreview::~frmPrintPreview() = default;

void frmPrintPreview::Form_Load() {
    setWindowTitle(ui_text("Druckvorschau für Ergebnistabelle", "Print Preview: Resultgrid"));
    cmdPageSetup->setText(ui_text("Seite einrichten", "Page Setup"));
    cmdPrint->setText(ui_text("Drucken", "Print"));
    cmdClose->setText(ui_text("Schließen", "Close"));
    m_grid.printSettings().paperSize = A4;
    applyPageSetup(*m_printer, m_grid.printSettings());
    preview->updatePreview();
}

void frmPrintPreview::renderPages(QPrinter* printer) {
    guardedVoid(Reporter::ErrorMsg, "Form_Load", Module, [&] {
        // The printer may come from the print dialog: give it the grid's page set-up too.
        applyPageSetup(*printer, m_grid.printSettings());
        GridPrintView(m_grid, m_grid.printSettings()).print(*printer);
    });
}

int frmPrintPreview::pageCount() const {
    return preview->pageCount();
}

void frmPrintPreview::cmdPageSetup_Click() {
    guardedVoid(Reporter::ErrorMsg, "cmdPageSetup_Click", Module, [this] {
        QPageSetupDialog dialog(m_printer.get(), this);
        if (dialog.exec() != QDialog::Accepted) return;
        // The orientation chosen there is the grid's from now on; the paper stays as chosen.
        m_grid.printSettings().landscape = m_printer->pageLayout().orientation() == QPageLayout::Landscape;
        if (m_printer->pageLayout().pageSize().id() != QPageSize::A4) m_grid.printSettings().paperSize = 0;
        preview->updatePreview();
    });
}

void frmPrintPreview::cmdPrint_Click() {
    guardedVoid(Reporter::ErrorMsg, "cmdPrint_Click", Module, [this] {
        QPrintDialog dialog(m_printer.get(), this);
        if (dialog.exec() != QDialog::Accepted) return;
        preview->print();
    });
}

bool cmdRGPrint(ResultGridWidget& grid, QWidget* mainWindow) {
    // Pages are rendered from copies of the templates, so the settings never hold page numbers;
    // the texts are put back all the same in case anything changed them while the window was open.
    GridPrintSettings templates;
    bool saved = false;
    const bool ok = guardedVoid(Reporter::ErrorMsg, "cmdRGPrint", "frmMain", [&] {
        userPort().setWaitCursor(true);
        templates = grid.printSettings();
        saved = true;
        userPort().setWaitCursor(false);
        frmPrintPreview window(grid, mainWindow);
        window.exec();
    });
    userPort().setWaitCursor(false);
    if (saved) {
        GridPrintSettings& s = grid.printSettings();
        s.headerLeft = templates.headerLeft;
        s.headerCenter = templates.headerCenter;
        s.headerRight = templates.headerRight;
        s.footerLeft = templates.footerLeft;
        s.footerCenter = templates.footerCenter;
        s.footerRight = templates.footerRight;
    }
    return ok;
}

} // namespace mv
