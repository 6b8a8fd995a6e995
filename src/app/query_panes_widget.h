#pragma once
// The right-hand panes at work: the SQL toolbox, the editor and the result grid, with the
// execute command, transactions and the editor's commands wired to them.
#include "exec/parameters.h"

#include <QElapsedTimer>
#include <QObject>
#include <functional>
#include <memory>

class QLabel;

namespace mv {

class C_DbConnect;
class CatalogLoader;
class SqlCompletionWidget;
class CommandBarsWidget;
class CommandDispatcher;
class ConnectionUi;
class ExecuteCommand;
class MainExecuteHost;
class MainPanesWidget;
class ParameterPanelWidget;
class QueryHistory;
class QueryHistoryWidget;
class QueryOptionsWidget;
class ResultCommands;
class QuickSearchWidget;
class ResultGridWidget;
class SessionLog;
class SqlEditorWidget;
class SqlToolboxWidget;
class StatusBarWidget;
class ToolboxWidget;
class TransactionCommands;
struct RunSettings;
struct Settings;

class QueryPanes : public QObject {
    Q_OBJECT
public:
    QueryPanes(MainPanesWidget* panes, StatusBarWidget* status, CommandBarsWidget* bars, ConnectionUi& connection,
               SessionLog& session, Settings& settings, RunSettings& run, QWidget* window);
    ~QueryPanes() override;

    void registerCommands(CommandDispatcher& dispatcher);
    // Start-up: the settings' font and colouring, the tabs, the label state, the async switch.
    void applySettings();
    void SetToolkitTabs();
    void applyLanguage();
    void refreshEditMenu();
    // The toolbox toggle: collapses the toolbox pane, or restores it with the tab that was selected.
    void cmdToolbox_Click();

    SqlEditorWidget* editor() const { return m_editor; }
    ResultGridWidget* grid() const { return m_grid; }
    ResultCommands* results() const { return m_results; }
    ToolboxWidget* toolbox() const { return m_toolbox; }
    SqlToolboxWidget* sqlCommands() const { return m_commands; }
    QueryOptionsWidget* options() const { return m_options; }
    ParameterPanelWidget* parameterPanel() const { return m_paramPanel; }
    QLabel* stateLabel() const { return m_stateLabel; }
    ExecuteCommand& execute() { return *m_execute; }
    TransactionCommands& transactions() { return *m_transactions; }
    MainExecuteHost& executeHost() { return *m_host; }
    // The Execute command, run only when the editor holds more than blanks.
    void startExecute();
    // Runs the one statement around the caret, marked for a moment in the editor.
    void startStatementAtCaret();
    // Execute to File: the selection or the statement at the caret, its rows into a CSV file.
    void startToFile();
    bool running() const;
    // The explorer's filter text, for the record-count report.
    std::function<QString()> tableFilter;
    // Opens a text in a new document (the History tab's Open).
    std::function<void(const QString&)> openInNewDocument;
    QueryHistory& history() { return *m_history; }
    QueryHistoryWidget* historyPanel() const { return m_historyPanel; }
    SqlCompletionWidget* completion() const { return m_completion; }
    CatalogLoader* catalogLoader() const { return m_catalogLoader; }
    // Reads the completion catalog of the connection anew in the background (after connecting and
    // on the explorer's Refresh); dropCatalog forgets it (the connection ended or changes).
    void reloadCatalog();
    void dropCatalog();

signals:
    void runFinished();

private:
    void recordHistory(const struct SessionLogRecord& record, bool stopped);
    void runAgain(const QString& sql);

    MainPanesWidget* m_panes;
    StatusBarWidget* m_status;
    CommandBarsWidget* m_bars;
    ConnectionUi& m_connection;
    SessionLog& m_session;
    Settings& m_settings;
    RunSettings& m_run;
    QWidget* m_window;
    QueryParameters m_parameters;
    SqlEditorWidget* m_editor;
    ResultGridWidget* m_grid;
    ResultCommands* m_results;
    QLabel* m_stateLabel;
    ToolboxWidget* m_toolbox;
    SqlToolboxWidget* m_commands;
    QuickSearchWidget* m_find;
    QueryOptionsWidget* m_options;
    QWidget* m_paramPage;
    ParameterPanelWidget* m_paramPanel;
    std::unique_ptr<MainExecuteHost> m_host;
    std::unique_ptr<ExecuteCommand> m_execute;
    std::unique_ptr<TransactionCommands> m_transactions;
    std::unique_ptr<QueryHistory> m_history;
    // When the history list was last refilled during a run, and whether it misses entries since.
    QElapsedTimer m_historyShown;
    bool m_historyStale = false;
    static constexpr qint64 HistoryRefreshMs = 250;
    QueryHistoryWidget* m_historyPanel = nullptr;
    bool m_historyOpened = false;
    SqlCompletionWidget* m_completion = nullptr;
    CatalogLoader* m_catalogLoader = nullptr;
};

} // namespace mv
