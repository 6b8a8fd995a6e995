#include "app/result_commands_widget.h"

#include "app/command_bars_widget.h"
#include "app/command_dispatcher.h"
#include "app/error_report.h"
#include "app/settings.h"
#include "app/texts.h"
#include "exec/execute_command.h"
#include "results/export_commands.h"
#include "results/import_commands.h"
#include "results/result_grid_controller_view.h"
#include "results/result_grid_widget.h"
#include "session/session_log.h"

#include <QAction>
#include <QMenu>

namespace mv {

ResultCommands::ResultCommands(ResultGridWidget& grid, QLabel* stateLabel, CommandBarsWidget* bars,
                               SessionLog& session, QObject* parent)
    : QObject(parent), m_grid(grid), m_stateLabel(stateLabel), m_bars(bars), m_session(session) {}

ResultCommands::~ResultCommands() = default;

void ResultCommands::applySettings(const Settings& settings) {
    if (m_controller) return;
    m_controller = new ResultGridController(m_grid, m_stateLabel, settings.allowUpdate, settings.allowAddNew,
                                            settings.allowDelete, this);
    connect(m_controller, &ResultGridController::contextMenuRequested, this, [this](const QPoint& pos) {
        if (QMenu* menu = m_bars->menu(QStringLiteral("kResult"))) menu->popup(pos);
    });
}

bool ResultCommands::keepLayout() const { return m_controller && m_controller->keepLayout(); }

void ResultCommands::refreshResultMenu() {
    if (!m_controller) return;
    for (const QString& key : ResultGridController::commandKeys())
        if (const auto state = m_controller->checkState(key))
            if (QAction* a = m_bars->action(key)) a->setChecked(*state);
}

void ResultCommands::registerCommands(CommandDispatcher& d, ExecuteCommand& execute) {
    for (const QString& key : ResultGridController::commandKeys()) {
        d.add(key, [this, key] {
            if (!m_controller) return;
            m_controller->runCommand(key);
            refreshResultMenu();
        });
    }
    for (const char* k : {"kExportRTF", "kExportCSV", "kExportText", "kExportXML", "kExportXHTML"}) {
        const QString key = QString::fromUtf8(k);
        d.add(key, [this, key] {
            const Recordset& rs = m_grid.recordset();
            // The visible columns in their order and with their captions go into the file, each
            // with the field the grid shows in it: repeated names must not all find the first.
            ExportColumns columns;
            const QList<GridColumn>& grid = m_grid.columns();
            for (int i = 0; i < grid.size(); ++i) {
                const int field = m_grid.model()->fieldOfColumn(i);
                if (grid[i].visible && field >= 0 && field < rs.fieldCount()) columns.append({field, grid[i].caption});
            }
            ResultExporter(&m_sharedFileName).runCommand(key, rs, columns);
        });
    }
    for (const char* k : {"kImportXML", "kImportRTF", "kImportCSV"}) {
        const QString key = QString::fromUtf8(k);
        d.add(key, [this, key, &execute] {
            const ImportResult result = ResultImporter(&m_sharedFileName).runCommand(key);
            // Cancelled or failed: the grid keeps what it shows.
            if (!result.imported()) return;
            m_grid.setRecordset(result.recordset);
            execute.ShowRecordCount(result.recordset.recordCount());
        });
    }
}

bool ResultCommands::ShowSessionLogGrid() {
    return guarded(Reporter::ErrorMsg, "ShowSessionLogGrid", "Globals", false, [&] {
        const Recordset& records = m_session.records();
        m_grid.clearColumns();
        struct Caption {
            const char* field;
            const char* german;
            const char* english;
        };
        static const Caption captions[] = {
            {"LogType", "Logging Typ", "Logtype"},
            {"ExecStart", "Startzeit", "Start time"},
            {"ExecFinish", "Endzeit", "End time"},
            {"SQL", "SQL", "SQL"},
            {"Error", "Fehler", "Error"},
            {"AffectedRecords", "Anzahl Datensätze", "Affected records"},
            {"RecordLimit", "max. Datensätze", "max. records"},
            {"Async", "Asynchron", "Asyncron"},
            {"Timeout", "max. Ausführungsdauer", "Timeout"},
            {"ExecTime", "Ausführungszeit", "Execution time"},
            {"Transaction", "Transaktion", "Transaction"},
            {"Errotext", "Fehlerbeschreibung", "Error description"},
            {"ConnectionString", "Connection String", "Connectionstring"},
        };
        QList<GridColumn> columns;
        for (int i = 0; i < records.fieldCount(); ++i) {
            GridColumn c = columnForField(records.field(i), i);
            for (const Caption& cap : captions)
                if (records.field(i).name == QLatin1String(cap.field)) c.caption = ui_text(cap.german, cap.english);
            if (c.key == QLatin1String("LogType")) {
                for (int code : {0, 1, 2, 10, 20, 21, 22, 30, 31, 40, 41})
                    c.valueList.append({QVariant(code), logTypeText(code), -1});
                // The code is shown as its name: a text, read from the left.
                c.textAlignment = GridAlignment::Left;
            }
            columns.append(c);
        }
        m_grid.holdColumnsOnNextBind();
        m_grid.setColumns(columns);
        m_grid.setRecordset(records);
        m_grid.fitColumns();
        m_grid.refresh();
        return true;
    });
}

void ResultCommands::updateSessionLog() {
    if (m_grid.columnCount() != m_session.records().fieldCount()) {
        ShowSessionLogGrid();
        return;
    }
    guardedVoid(Reporter::ErrorMsg, "ShowSessionLogGrid", "Globals", [&] {
        m_grid.holdColumnsOnNextBind();
        m_grid.setRecordset(m_session.records());
        m_grid.refresh();
    });
}

int ResultCommands::dataMode() const { return m_grid.dataMode(); }
Recordset ResultCommands::currentRecordset() const { return m_grid.recordset(); }
void ResultCommands::bind(const Recordset& rows) { m_grid.setRecordset(rows); }
void ResultCommands::unbind() { m_grid.unbind(); }
void ResultCommands::clearColumns() { m_grid.clearColumns(); }
int ResultCommands::columnCount() const { return m_grid.columnCount(); }
int ResultCommands::recordCount() const { return m_grid.recordCount(); }
void ResultCommands::saveLayout(const QString& path) const { m_grid.saveLayout(path); }
void ResultCommands::loadLayout(const QString& path) { m_grid.loadLayout(path); }
void ResultCommands::setKeepLayout(bool on) {
    if (m_controller) m_controller->setKeepLayout(on);
}

} // namespace mv
