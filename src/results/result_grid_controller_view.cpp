#include "results/result_grid_controller_view.h"

#include "app/error_report.h"
#include "app/texts.h"
#include "results/layout_dialog.h"
#include "results/result_detail_window.h"
#include "results/result_grid_widget.h"

#include <QApplication>
#include <QLabel>

namespace mv {

namespace {
constexpr char Module[] = "frmMain";

QColor systemColor(QPalette::ColorRole role) {
    return QApplication::palette().color(QPalette::Active, role);
}
} // namespace

void SetGridState(QLabel* label, int state, int count) {
    guardedVoid(Reporter::ErrorMsg, "SetGridState", "modGrid", [&] {
        if (!label) return;
        QString text;
        QColor back;
        switch (state) {
        case 0:
            text = ui_text("editieren ohne aktualisieren", "edit without update");
            back = QColor(0, 255, 0);
            break;
        case 1:
            text = ui_text("editieren und aktualisieren!", "edit and update!");
            back = QColor(255, 0, 0);
            break;
        case 2:
            text = isGerman() ? QString::number(count) + QStringLiteral(" SQL's in der Transaktion")
                              : QStringLiteral("SQL's in Transaction: ") + QString::number(count);
            back = QColor(0, 255, 255);
            break;
        case 3:
            back = systemColor(QPalette::Button);
            break;
        default:
            throw MvError(err::InvalidProcedureCall,
                          ui_text(QStringLiteral("Unbekannter Tabellenzustand %1."),
                                  QStringLiteral("Unknown grid state %1."))
                              .arg(state));
        }
        label->setText(text);
        label->setAutoFillBackground(true);
        QPalette pal = label->palette();
        pal.setColor(QPalette::Window, back);
        label->setPalette(pal);
        label->setProperty("gridState", state);
    });
}

void SetNewGridStyles(ResultGridWidget& grid) {
    guardedVoid(Reporter::ErrorMsg, "SetNewGridStyles", "modGrid", [&] {
        GridFormatStyle style = grid.formatStyle(QStringLiteral("DisabledStyle"));
        style.backColor = systemColor(QPalette::Button);
        grid.setFormatStyle(QStringLiteral("DisabledStyle"), style);
    });
}

ResultGridController::ResultGridController(ResultGridWidget& grid, QLabel* stateLabel, bool allowUpdate,
                                           bool allowAddNew, bool allowDelete, QObject* parent)
    : QObject(parent), m_grid(grid), m_label(stateLabel), m_updatePermission(allowUpdate) {
    m_grid.setAllowAddNew(allowAddNew);
    m_grid.setAllowDelete(allowDelete);
    SetGridState(m_label, allowUpdate ? 1 : 3);

    // The edit guard: without update permission no change reaches the recordset.
    connect(&m_grid, &ResultGridWidget::beforeColUpdate, this,
            [this](int, int, const QVariant&, bool* cancel) {
                guardedVoid(Reporter::ErrorMsg, "Grid_BeforeColUpdate", Module, [&] {
                    if (!m_updatePermission) *cancel = true;
                });
            });
    connect(&m_grid, &ResultGridWidget::beforeUpdate, this, [this](int, bool* cancel) {
        guardedVoid(Reporter::ErrorMsg, "Grid_BeforeUpdate", Module, [&] {
            if (!m_updatePermission) *cancel = true;
        });
    });
    connect(&m_grid, &ResultGridWidget::beforeDelete, this, [this](int, bool* cancel) {
        guardedVoid(Reporter::ErrorMsg, "Grid_BeforeDelete", Module, [&] {
            if (!m_updatePermission) *cancel = true;
        });
    });
    connect(&m_grid, &ResultGridWidget::columnHeaderClick, this,
            &ResultGridController::Grid_ColumnHeaderClick);
    connect(&m_grid, &ResultGridWidget::mouseUp, this,
            [this](Qt::MouseButton button, const QPoint& globalPos) {
                guardedVoid(Reporter::ErrorMsg, "Grid_MouseUp", Module, [&] {
                    if (button == Qt::RightButton) emit contextMenuRequested(globalPos);
                });
            });
    connect(&m_grid, &ResultGridWidget::activated, this, &ResultGridController::openRecordDetail);
}

// ---- commands ----

bool ResultGridController::cmdRGSorting() {
    guardedVoid(Reporter::ErrorMsg, "cmdRGSorting", Module,
                [&] { m_sortingPermission = !m_sortingPermission; });
    return m_sortingPermission;
}

bool ResultGridController::cmdRGGrouping() {
    guardedVoid(Reporter::ErrorMsg, "cmdRGGrouping", Module,
                [&] { m_grid.setGroupByBoxVisible(!m_grid.groupByBoxVisible()); });
    return m_grid.groupByBoxVisible();
}

bool ResultGridController::cmdRGGroupFooter() {
    guardedVoid(Reporter::ErrorMsg, "cmdRGGroupFooter", Module,
                [&] { m_grid.setGroupFooterMode(m_grid.groupFooterMode() == 2 ? 0 : 2); });
    return m_grid.groupFooterMode() == 2;
}

bool ResultGridController::cmdRGNavigation() {
    guardedVoid(Reporter::ErrorMsg, "cmdRGNavigation", Module,
                [&] { m_grid.setNavigatorVisible(!m_grid.navigatorVisible()); });
    return m_grid.navigatorVisible();
}

bool ResultGridController::cmdRGCardView() {
    guardedVoid(Reporter::ErrorMsg, "cmdRGCardView", Module,
                [&] { m_grid.setView(m_grid.view() == 1 ? 0 : 1); });
    return m_grid.view() == 1;
}

void ResultGridController::cmdRBFitColumns() {
    guardedVoid(Reporter::ErrorMsg, "cmdRBFitColumns", Module, [&] { m_grid.fitColumns(); });
}

bool ResultGridController::cmdRBRowHeaders() {
    guardedVoid(Reporter::ErrorMsg, "cmdRBRowHeaders", Module,
                [&] { m_grid.setRowHeadersVisible(!m_grid.rowHeadersVisible()); });
    return m_grid.rowHeadersVisible();
}

bool ResultGridController::cmdRBGridlines() {
    guardedVoid(Reporter::ErrorMsg, "cmdRBGridlines", Module,
                [&] { m_grid.setGridLines(!m_grid.gridLines()); });
    return m_grid.gridLines();
}

bool ResultGridController::cmdRBEvenOdd() {
    guardedVoid(Reporter::ErrorMsg, "smMenu_Click", Module,
                [&] { m_grid.setAlternatingRowColors(!m_grid.alternatingRowColors()); });
    return m_grid.alternatingRowColors();
}

bool ResultGridController::reportHeaderOn() const {
    return m_grid.headerFontBold() && m_grid.headerForeColor() == systemColor(QPalette::HighlightedText) &&
           m_grid.headerStyle() == ResultGridWidget::ReportHeader;
}

bool ResultGridController::cmdRBHeader() {
    guardedVoid(Reporter::ErrorMsg, "cmdRBHeader", Module, [&] {
        if (!reportHeaderOn()) {
            m_grid.setHeaderStyle(ResultGridWidget::ReportHeader);
            m_grid.setHeaderForeColor(systemColor(QPalette::HighlightedText));
            m_grid.setHeaderBackColor(systemColor(QPalette::Highlight));
            m_grid.setHeaderFontBold(true);
        } else {
            m_grid.setHeaderStyle(ResultGridWidget::StandardHeader);
            m_grid.setHeaderBackColor(systemColor(QPalette::Button));
            m_grid.setHeaderForeColor(systemColor(QPalette::ButtonText));
            m_grid.setHeaderFontBold(false);
        }
    });
    return reportHeaderOn();
}

bool ResultGridController::cmdRBAllowAddNew() {
    guardedVoid(Reporter::ErrorMsg, "cmdRBAllowAddNew", Module,
                [&] { m_grid.setAllowAddNew(!m_grid.allowAddNew()); });
    return m_grid.allowAddNew();
}

bool ResultGridController::cmdRBAllowDelete() {
    guardedVoid(Reporter::ErrorMsg, "cmdRBAllowDelete", Module,
                [&] { m_grid.setAllowDelete(!m_grid.allowDelete()); });
    return m_grid.allowDelete();
}

bool ResultGridController::cmdRBAllowEdit() {
    guardedVoid(Reporter::ErrorMsg, "cmdRBAllowEdit", Module, [&] {
        m_updatePermission = !m_updatePermission;
        SetGridState(m_label, m_updatePermission ? 1 : 0);
    });
    return m_updatePermission;
}

QStringList ResultGridController::commandKeys() {
    return {QStringLiteral("kLayout"),
            QStringLiteral("kSorting"),
            QStringLiteral("kGrouping"),
            QStringLiteral("kGroupFooter"),
            QStringLiteral("kNavigation"),
            QStringLiteral("kCardView"),
            QStringLiteral("kFitColumns"),
            QStringLiteral("kShowRowHeaders"),
            QStringLiteral("kShowEvenOdd"),
            QStringLiteral("kShowGridlines"),
            QStringLiteral("kShowReportHeaders"),
            QStringLiteral("kAllowEdit"),
            QStringLiteral("kAllowAddNew"),
            QStringLiteral("kAllowDelete")};
}

bool ResultGridController::runCommand(const QString& key) {
    if (key == QLatin1String("kLayout"))
        openLayoutDialog();
    else if (key == QLatin1String("kSorting"))
        cmdRGSorting();
    else if (key == QLatin1String("kGrouping"))
        cmdRGGrouping();
    else if (key == QLatin1String("kGroupFooter"))
        cmdRGGroupFooter();
    else if (key == QLatin1String("kNavigation"))
        cmdRGNavigation();
    else if (key == QLatin1String("kCardView"))
        cmdRGCardView();
    else if (key == QLatin1String("kFitColumns"))
        cmdRBFitColumns();
    else if (key == QLatin1String("kShowRowHeaders"))
        cmdRBRowHeaders();
    else if (key == QLatin1String("kShowEvenOdd"))
        cmdRBEvenOdd();
    else if (key == QLatin1String("kShowGridlines"))
        cmdRBGridlines();
    else if (key == QLatin1String("kShowReportHeaders"))
        cmdRBHeader();
    else if (key == QLatin1String("kAllowEdit"))
        cmdRBAllowEdit();
    else if (key == QLatin1String("kAllowAddNew"))
        cmdRBAllowAddNew();
    else if (key == QLatin1String("kAllowDelete"))
        cmdRBAllowDelete();
    else
        return false;
    return true;
}

std::optional<bool> ResultGridController::checkState(const QString& key) const {
    if (key == QLatin1String("kSorting")) return m_sortingPermission;
    if (key == QLatin1String("kGrouping")) return m_grid.groupByBoxVisible();
    if (key == QLatin1String("kGroupFooter")) return m_grid.groupFooterMode() == 2;
    if (key == QLatin1String("kNavigation")) return m_grid.navigatorVisible();
    if (key == QLatin1String("kCardView")) return m_grid.view() == 1;
    if (key == QLatin1String("kShowRowHeaders")) return m_grid.rowHeadersVisible();
    if (key == QLatin1String("kShowEvenOdd")) return m_grid.alternatingRowColors();
    if (key == QLatin1String("kShowGridlines")) return m_grid.gridLines();
    if (key == QLatin1String("kShowReportHeaders")) return reportHeaderOn();
    if (key == QLatin1String("kAllowEdit")) return m_updatePermission;
    if (key == QLatin1String("kAllowAddNew")) return m_grid.allowAddNew();
    if (key == QLatin1String("kAllowDelete")) return m_grid.allowDelete();
    return std::nullopt;
}

// ---- handlers ----

void ResultGridController::Grid_ColumnHeaderClick(const QString& key) {
    guardedVoid(Reporter::ErrorMsg, "Grid_ColumnHeaderClick", Module, [&] {
        if (!m_sortingPermission) return;
        const int column = m_grid.findColumn(key);
        if (column < 0) return;
        m_lastSortKey = m_grid.columns()[column].key;
        m_lastSortCaption = m_grid.columns()[column].caption;
        const int order = m_grid.sortOrder(key);
        QList<GridSortKey> keys;
        if (order == 0)
            keys.append({m_lastSortKey, true});
        else if (order == -1)
            keys.append({m_lastSortKey, false});
        m_grid.setSortKeys(keys);
    });
}

void ResultGridController::openLayoutDialog() {
    guardedVoid(Reporter::ErrorMsg, "Form_Load", "frmLayout", [&] {
        frmLayout dialog(m_grid, m_keepLayout, m_grid.window());
        dialog.exec();
    });
}

void ResultGridController::openRecordDetail() {
    guardedVoid(Reporter::ErrorMsg, "Grid_DblClick", Module,
                [&] { openResultDetail(m_grid, m_grid.window()); });
}

} // namespace mv
