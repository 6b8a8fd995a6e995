#include "exec/execute_host_view.h"

#include "app/command_bars_widget.h"
#include "app/status_bar_widget.h"
#include "app/texts.h"
#include "app/toolbox_widget.h"
#include "documents/sql_editor_widget.h"
#include "exec/parameter_panel_widget.h"
#include "exec/run_settings.h"
#include "results/result_grid_controller_view.h"
#include "results/result_grid_widget.h"

#include <QLabel>

namespace mv {

MainExecuteHost::MainExecuteHost(SqlEditorWidget* editor, ResultGridWidget* grid, StatusBarWidget* status,
                                 ToolboxWidget* toolbox, ParameterPanelWidget* panel, QueryParameters& parameters,
                                 QLabel* stateLabel, const RunSettings& run, CommandBarsWidget* bars)
    : m_editor(editor), m_grid(grid), m_status(status), m_toolbox(toolbox), m_panel(panel), m_parameters(parameters),
      m_stateLabel(stateLabel), m_run(run), m_bars(bars), m_protocol(new ProtocolView(editor)) {}

QString MainExecuteHost::editorSelectedText() const { return m_editor->selectedText(); }
QString MainExecuteHost::editorText() const { return m_editor->text(); }
void MainExecuteHost::unbindGrid() { m_grid->unbind(); }
void MainExecuteHost::bindGrid(const Recordset& rows) {
    if (keepLayout && keepLayout()) m_grid->holdColumnsOnNextBind();
    m_grid->setRecordset(rows);
}
int MainExecuteHost::gridColumnsShown() const { return m_grid->visibleColumnCount(); }
void MainExecuteHost::refreshGrid() { m_grid->refresh(); }
void MainExecuteHost::setGridBusy(bool busy) { m_grid->setBusySwitch(busy); }
void MainExecuteHost::setPanelText(const QString& key, const QString& text) { m_status->setPanelText(key, text); }
void MainExecuteHost::SetGridState(int state) { mv::SetGridState(m_stateLabel, state, m_run.transactionStmtCount); }

void MainExecuteHost::showParameters(const ParameterSet& set) {
    // The tab's own selection action would parse the whole editor text, not the text being run.
    m_toolbox->selectWithoutAction(ToolboxWidget::Parameter);
    m_panel->ShowParameters(set);
}
const ParameterInputs& MainExecuteHost::parameterInputs() const { return *m_panel; }
bool MainExecuteHost::sessionTabSelected() const { return m_sessionSelected; }

void MainExecuteHost::showSessionText(const QString& text) { m_protocol->show(text); }
void MainExecuteHost::growSessionText(const QString& text, qsizetype kept) { m_protocol->grow(text, kept); }

void MainExecuteHost::setExecuteEnabled(bool enabled) {
    for (const char* key : {"kStart", "kExecute", "kStartStatement", "kStartToFile"}) m_bars->setEnabled(QString::fromUtf8(key), enabled);
}

} // namespace mv
