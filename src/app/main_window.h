#pragma once
// The main window: runs the start-up and shutdown sequences and wires commands to the
// subsystem objects that do the work.
#include "app/app_paths.h"
#include "app/command_dispatcher.h"
#include "app/command_line.h"
#include "app/ini_file.h"
#include "app/instance_folder.h"
#include "app/settings.h"
#include "exec/run_settings.h"
#include "session/session_log.h"

#include <QMainWindow>
#include <QStringList>
#include <memory>

namespace mv {

class C_DbConnect;
class CommandBarsWidget;
class ConnectionUi;
class QueryPanes;
class ExplorerWidget;
class HelpWindow;
class DocumentRecovery;
class DocumentTabsWidget;
class MainPanesWidget;
class SignalWatcher;
class StatusBarWidget;

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(const AppPaths& paths, QWidget* parent = nullptr);
    ~frmMain() override;

    // Runs the start-up steps in their fixed order; `commandLine` is the text after the program.
    void startup(const QString& commandLine);
    // Runs the shutdown steps; false when the user cancelled (the window stays open).
    bool runShutdown();
    // A termination signal arrived: the program ends within seconds without asking anything; a
    // running statement is stopped (abandoned when its driver does not return), an open
    // transaction rolled back, the settings and session files written.
    void terminate();
    bool terminating() const { return m_terminating; }
    // The shutdown has run (also before the event loop started).
    bool finished() const { return m_shutdownDone; }

    // The step names, in the order they ran (start-up and shutdown), for anyone who needs to see it.
    const QStringList& lifecycleTrace() const { return m_trace; }

    void SetTitle(const QString& sDatei);

    const AppPaths& paths() const { return m_paths; }
    Settings& settings() { return m_settings; }
    const IniFile& settingsFile() const { return m_ini; }
    RunSettings& runSettings() { return m_run; }
    CommandDispatcher& dispatcher() { return m_dispatcher; }
    CommandBarsWidget* commandBars() const { return m_bars; }
    StatusBarWidget* statusBarPanels() const { return m_status; }
    MainPanesWidget* panes() const { return m_panes; }
    const CommandLine& commandLine() const { return m_commandLine; }
    bool batchGlobal() const { return m_batchGlobal; }
    SessionLog& session() { return m_session; }
    C_DbConnect& cn();
    ConnectionUi* connectionUi() const { return m_connection; }
    QueryPanes* queryPanes() const { return m_query; }
    ExplorerWidget* explorer() const { return m_explorer; }
    DocumentTabsWidget* documents() const { return m_docs; }
    // The help window, made when first asked for.
    HelpWindow* helpWindow();
    // The explorer toggle: hides or shows the explorer panes.
    void cmdCloseDB_Click();

signals:
    // A termination signal arrived; the shutdown without questions follows.
    void terminationBegun();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void trace(const char* step) { m_trace << QString::fromUtf8(step); }
    void registerCommands();
    void loadingSteps(const QString& commandLine);
    void SetLanguageSpecific();
    void openSettingsDialog();

    AppPaths m_paths;
    std::unique_ptr<InstanceFolder> m_tempRun; // this instance's parked results
    DocumentRecovery* m_recovery = nullptr; // belongs to the documents widget
    IniFile m_ini;
    Settings m_settings;
    RunSettings m_run;
    SessionLog m_session;
    CommandDispatcher m_dispatcher;
    CommandLine m_commandLine;
    bool m_batchGlobal = false;
    bool m_shutdownDone = false;
    bool m_inShutdown = false;
    QStringList m_trace;

    MainPanesWidget* m_panes;
    StatusBarWidget* m_status;
    CommandBarsWidget* m_bars;
    SignalWatcher* m_signals;
    ConnectionUi* m_connection = nullptr;
    QueryPanes* m_query = nullptr;
    ExplorerWidget* m_explorer = nullptr;
    DocumentTabsWidget* m_docs = nullptr;
    HelpWindow* m_help = nullptr;
    void createDocuments();
    void clearSessionLog();
    void createExplorer();
    bool m_closeAfterRun = false;
    bool m_terminating = false;
    bool m_startupRunning = false;
    bool m_askingToAbandon = false;
    // Closing while a statement runs: the statement was asked to stop; a driver that does not
    // return is given up on (at once when terminating, with the user's word otherwise).
    void checkStuckRun();
    void closeModalDialogs();
};

} // namespace mv
