#pragma once
// The execute command's view of the main window: editor, grid, status bar, parameter tab, the
// grid state label and the Execute entries.
#include "exec/execute_command.h"
#include "exec/protocol_view.h"

#include <QStringList>
#include <functional>

class QLabel;

namespace mv {

class CommandBarsWidget;
class ParameterPanelWidget;
class QueryParameters;
class ResultGridWidget;
class SqlEditorWidget;
class StatusBarWidget;
class ToolboxWidget;
struct RunSettings;

class MainExecuteHost : public ExecuteHost {
public:
    MainExecuteHost(SqlEditorWidget* editor, ResultGridWidget* grid, StatusBarWidget* status, ToolboxWidget* toolbox,
                    ParameterPanelWidget* panel, QueryParameters& parameters, QLabel* stateLabel,
                    const RunSettings& run, CommandBarsWidget* bars);

    QString editorSelectedText() const override;
    QString editorText() const override;
    void unbindGrid() override;
    void bindGrid(const Recordset& rows) override;
    int gridColumnsShown() const override;
    void refreshGrid() override;
    void setGridBusy(bool busy) override;
    void setPanelText(const QString& key, const QString& text) override;
    void SetGridState(int state) override;
    void showParameters(const ParameterSet& set) override;
    const ParameterInputs& parameterInputs() const override;
    bool sessionTabSelected() const override;
    void showSessionText(const QString& text) override;
    void growSessionText(const QString& text, qsizetype kept) override;
    void setExecuteEnabled(bool enabled) override;

    // The session document is being shown (the documents subsystem tells).
    void setSessionTabSelected(bool selected) { m_sessionSelected = selected; }
    // The grid keeps its columns when new rows are bound (set in the layout dialog).
    std::function<bool()> keepLayout;

private:
    SqlEditorWidget* m_editor;
    ResultGridWidget* m_grid;
    StatusBarWidget* m_status;
    ToolboxWidget* m_toolbox;
    ParameterPanelWidget* m_panel;
    QueryParameters& m_parameters;
    QLabel* m_stateLabel;
    const RunSettings& m_run;
    CommandBarsWidget* m_bars;
    ProtocolView* m_protocol;
    bool m_sessionSelected = false;
};

} // namespace mv
