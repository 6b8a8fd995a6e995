#include "app/main_window.h"

#include "app/about_dialog.h"
#include "app/command_bars_widget.h"
#include "app/error_report.h"
#include "app/globals.h"
#include "app/help_window.h"
#include "app/qt_translation.h"
#include "app/main_panes_widget.h"
#include "app/query_panes_widget.h"
#include "app/result_commands_widget.h"
#include "app/settings_dialog.h"
#include "app/signal_watcher.h"
#include "app/status_bar_widget.h"
#include "app/text_file.h"
#include "app/texts.h"
#include "app/user_port.h"
#include "app/toolbox_widget.h"
#include "db/connection_ui_widget.h"
#include "db/db_connect.h"
#include "documents/document_commands.h"
#include "documents/document_recovery.h"
#include "documents/document_tabs_widget.h"
#include "documents/sql_editor_widget.h"
#include "documents/sql_toolbox_widget.h"
#include "exec/execute_command.h"
#include "exec/execute_host_view.h"
#include "exec/parameter_panel_widget.h"
#include "exec/query_options_widget.h"
#include "exec/transactions.h"
#include "explorer/ddl_tab_widget.h"
#include "explorer/explorer_commands_widget.h"
#include "explorer/explorer_widget.h"
#include "explorer/sql_generation.h"
#include "results/print_preview_window.h"
#include "results/print_settings_dialog.h"
#include "results/result_grid_widget.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <QHBoxLayout>
#include <QLayout>
#include <QPushButton>

namespace mv {

namespace {
constexpr int kMinWidth = 6000 / 15;
constexpr int kMinHeight = 4500 / 15;
// After a termination signal: how long a running statement gets to stop before it is given up
// on, and when the process ends whatever state it is in.
constexpr int kStopGraceMs = 1500;
constexpr int kUserStopGraceMs = 2500;
} // namespace

frmMain::frmMain(const AppPaths& paths, QWidget* parent)
    : QMainWindow(parent), m_paths(paths), m_ini(paths.settingsFile()), m_session(paths.programFolder) {
    setObjectName(QStringLiteral("frmMain"));
    m_dispatcher.setWindowName(objectName());
    m_panes = new MainPanesWidget(this);
    setCentralWidget(m_panes);
    m_status = new StatusBarWidget(this);
    setStatusBar(m_status);
    m_bars = new CommandBarsWidget(this, m_dispatcher);
    m_bars->setFocusTarget(m_panes->cmdCloseDB());
    connect(m_panes->cmdCloseDB(), &QPushButton::clicked, this, [this] { cmdCloseDB_Click(); });
    m_signals = new SignalWatcher(this);
    connect(m_signals, &SignalWatcher::terminationRequested, this, [this] { terminate(); });
    setMinimumSize(kMinWidth, kMinHeight);
    resize(1100, 750);
}

frmMain::~frmMain() {
    // The children would go only after this window's own members (session log, settings, run
    // settings), which they use, and in the order they were made, so the connection object before
    // the panes and commands that work on it. Here they go first, the connection object last.
    if (m_connection) m_connection->setParent(nullptr);
    QList<QPointer<QObject>> children;
    for (QObject* child : this->children())
        if (!qobject_cast<QLayout*>(child)) children << child; // the window's own layout stays to the end
    for (const QPointer<QObject>& child : std::as_const(children)) delete child.data();
    delete m_connection;
}

C_DbConnect& frmMain::cn() {
    return m_connection->cn();
}

void frmMain::createExplorer() {
    m_explorer = new ExplorerWidget(cn(), m_panes->paneTables(), m_panes->tableList(), m_panes->paneFields(),
                                    m_panes->fieldList(), this);
    m_explorer->setEditorProvider([this] { return m_query->editor(); });
    auto* commands = new ExplorerCommands(cn(), *m_explorer, m_paths.programFolder, this);
    commands->setCurrentRowReader([this] {
        ResultGridWidget* g = m_query->grid();
        return g->hasRecordset() ? rowValuesOf(g->recordset(), g->currentRecord()) : QList<RowValue>();
    });
    commands->setShowInGrid([this](const Recordset& rs) { m_query->grid()->setRecordset(rs); });
    commands->registerCommands(m_dispatcher);
    m_connection->hooks().readTables = [this] {
        m_explorer->ReadTables(QString());
        m_query->reloadCatalog();
    };
    m_connection->hooks().cleanUpExplorer = [this] {
        m_explorer->CleanUpDbExplorer();
        m_query->dropCatalog();
    };
    connect(m_explorer->cmdRefresh(), &QPushButton::clicked, m_query, &QueryPanes::reloadCatalog);
    m_query->sqlCommands()->setExplorerPickProvider(m_explorer->explorerPickProvider());
    m_query->tableFilter = [this] { return m_explorer->filterText(); };
    auto* ddl = new DdlTabWidget(cn());
    ddl->setWorkingListProvider([this] { return m_explorer->selectedObjectText(); });
    connect(ddl, &DdlTabWidget::insertText, this, [this](const QString& t, bool lineBreak) {
        m_query->editor()->BeiCursorEinfuegen(t, lineBreak, true);
    });
    m_query->toolbox()->setPanel(ToolboxWidget::Ddl, ddl);
    m_query->toolbox()->setOnSelected(ToolboxWidget::Ddl, [ddl] { ddl->ShowDataTypes(); });
}

void frmMain::createDocuments() {
    m_docs = new DocumentTabsWidget(*m_query->editor(), *m_query->results(), m_session, m_settings,
                                    m_paths.programFolder, m_panes->paneQuery());
    QHBoxLayout* bar = m_panes->queryBar();
    bar->insertWidget(2, m_docs, 1);
    if (QLayoutItem* stretch = bar->itemAt(3); stretch && stretch->spacerItem()) {
        bar->removeItem(stretch); // gives the item back to us
        delete stretch;
    }
    m_docs->setCommandBars(m_bars);
    m_recovery = new DocumentRecovery(
        m_paths.programFolder + QStringLiteral("/recovery"),
        [this] { return m_docs->commands().unsavedDocuments(); }, m_docs);
    m_docs->commands().setRecovery(m_recovery);
    DocumentHooks& hooks = m_docs->commands().hooks();
    hooks.setTitle = [this](const QString& caption) { SetTitle(caption); };
    hooks.showRecordCount = [this](qint64 n) { m_query->execute().ShowRecordCount(n); };
    hooks.showParameters = [this](const QString&) {
        if (m_query->toolbox()->isShown(ToolboxWidget::Parameter))
            m_query->toolbox()->showTab(ToolboxWidget::Parameter);
    };
    m_query->openInNewDocument = [this](const QString& sql) {
        m_docs->commands().NewSQLFile();
        m_query->editor()->setText(sql);
    };
    connect(m_docs, &DocumentTabsWidget::sessionModeChanged, this,
            [this](bool shown) { m_query->executeHost().setSessionTabSelected(shown); });
    connect(m_status, &StatusBarWidget::panelClicked, this, [this](const QString& key) {
        // The connection panel opens the connection's properties in a new document.
        if (key != QLatin1String("kConnection") || !cn().hasConnection()) return;
        m_docs->commands().NewSQLFile();
        m_query->editor()->setText(cn().GetCnProperties());
    });
}

void frmMain::clearSessionLog() {
    if (!m_session.SessionlogClear()) return;
    cn().RepeatInitLog();
    m_query->editor()->setText(m_session.SessionText());
    m_query->results()->ShowSessionLogGrid();
    m_query->execute().ShowRecordCount(m_session.records().recordCount());
}

void frmMain::registerCommands() {
    m_docs->registerCommands(m_dispatcher);
    m_dispatcher.add(QStringLiteral("kDelLog"), [this] { clearSessionLog(); });
    m_dispatcher.add(QStringLiteral("kPrintSettings"), [this] {
        frmRGPrintSettings dialog(m_query->grid()->printSettings(), this);
        dialog.exec();
    });
    m_dispatcher.add(QStringLiteral("kPrint"), [this] { cmdRGPrint(*m_query->grid(), this); });
    m_connection->registerCommands(m_dispatcher);
    m_query->registerCommands(m_dispatcher);
    m_dispatcher.add(QStringLiteral("kSettings"), [this] { openSettingsDialog(); });
    m_dispatcher.add(QStringLiteral("kExit"), [this] { close(); });
    m_dispatcher.add(QStringLiteral("kHelpContents"),
                     [this] { helpWindow()->showPage(QString::fromUtf8(HelpWindow::ContentsPage)); });
    m_dispatcher.add(QStringLiteral("kAbout"), [this] {
        frmAbout about(this);
        about.exec();
    });
    m_dispatcher.add(QStringLiteral("kHelpIndex"),
                     [this] { helpWindow()->showPage(QString::fromUtf8(HelpWindow::IndexPage)); });
}

void frmMain::SetTitle(const QString& sDatei) {
    guardedVoid(Reporter::Msg, "SetTitle", "", [&] { setWindowTitle(mv::windowTitle(sDatei)); });
}

void frmMain::startup(const QString& commandLine) {
    m_startupRunning = true;
    struct Done {
        frmMain* w;
        ~Done() {
            w->m_startupRunning = false;
            // A termination during start-up ends the program once start-up has stepped out.
            if (w->m_terminating) w->close();
        }
    } done{this};
    // 1. The platform's shell library and common controls need nothing here.
    // 2. The connection object, with this window as its work window.
    guardedVoid(Reporter::Msg, "Form_Initialize", "frmMain", [&] {
        if (!m_connection) {
            m_connection = new ConnectionUi(this, m_status, m_bars, m_session, m_settings);
            m_query =
                new QueryPanes(m_panes, m_status, m_bars, *m_connection, m_session, m_settings, m_run, this);
            connect(m_query, &QueryPanes::runFinished, this, [this] {
                if (m_closeAfterRun) QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
            });
            connect(m_panes->cmdToolbox(), &QPushButton::clicked, m_query, &QueryPanes::cmdToolbox_Click);
            createExplorer();
            createDocuments();
            registerCommands();
        }
    });
    trace("initialize");
    if (m_terminating) return;

    // Loading (steps 3 to 21) is one unit: an error skips the rest of it.
    const bool loaded =
        guardedVoid(Reporter::Msg, "frmMain.Form_Load", "", [&] { loadingSteps(commandLine); });
    if (!loaded) trace("loading-failed");
    // Shutdown has begun: nothing more starts.
    if (m_terminating) return;

    guardedVoid(Reporter::Msg, "Form_Initialize", "frmMain", [&] {
        // 22. the explorer's list views get their columns
        m_panes->prepareExplorerLists();
        trace("explorer-lists");
        // 23. a configured start-up data link file replaces a connection of the command line
        if (!m_settings.startupUDL.isEmpty()) {
            m_connection->connecting().OpenDataLinkFile(true, m_settings.startupUDL);
            trace("startup-udl");
        }
        if (m_terminating) return;
        // 24.
        if (m_batchGlobal) {
            trace("batch-run");
            m_query->startExecute();
        }
    });
    trace("ready");
}

void frmMain::loadingSteps(const QString& commandLine) {
    // 3.
    setLanguage(2);
    trace("language-default");
    // 4.
    SetTitle(QString());
    trace("title");
    // 5.
    prepareTempFolder(m_paths.tempFolder());
    // Each instance parks its results in a folder of its own, so two instances in one program
    // folder never remove each other's.
    m_tempRun = std::make_unique<InstanceFolder>(m_paths.tempFolder());
    if (!m_tempRun->path().isEmpty()) m_docs->commands().setTempFolder(m_tempRun->path());
    trace("temp-folder");
    // 6.
    m_run.maxRecords = 1000;
    m_run.queryTimeout = 30;
    trace("run-settings");
    // 9. (7 and 8, toolbox rows and the editor, come with their subsystems)
    LoadSettings(m_ini, m_paths.programFolder, m_settings);
    LoadExtraSettings(m_ini, m_settings);
    m_query->applySettings();
    m_recovery->setDelaySeconds(m_settings.recoverySeconds);
    m_recovery->start();
    trace("load-settings");
    if (m_terminating) return;
    // 10.
    // A builder that fails leaves the rest of the window usable.
    guardedVoid(Reporter::ErrorMsg, "SetXPMenu", "frmMain", [&] { m_bars->buildMenuBar(); });
    guardedVoid(Reporter::ErrorMsg, "SeXPToolbar", "frmMain", [&] { m_bars->buildToolbar(); });
    if (QAction* a = m_bars->action(QStringLiteral("kAutoColoring")))
        a->setChecked(m_settings.autoSyntaxColoring);
    m_query->editor()->setContextMenu(m_bars->menu(QStringLiteral("kEdit")));
    connect(m_bars, &CommandBarsWidget::menuAboutToShow, this, [this](const QString& key) {
        if (key == QLatin1String("kEdit")) m_query->refreshEditMenu();
        if (key == QLatin1String("kResult")) m_query->results()->refreshResultMenu();
    });
    trace("menus");
    // 12.
    guardedVoid(Reporter::ErrorMsg, "SetToolkitTabs", "frmMain", [&] { m_query->SetToolkitTabs(); });
    trace("toolkit-tabs");
    // 13.
    m_docs->commands().addSessionTab();
    trace("session-tab");
    // 14.
    m_run.transactionStmtCount = 0;
    cn().setTransaction(false);
    trace("transaction-count");
    // 15.
    m_query->executeHost().SetGridState(m_settings.allowUpdate ? 1 : 3);
    // 16.
    m_connection->connecting().LoadRecentConnections(m_ini);
    m_docs->commands().LoadRecentFiles(m_ini);
    trace("recent-lists");
    if (m_terminating) return;
    // 17.
    m_run.resultSorting = false;
    m_query->options()->setAsyncSwitch(true, true);
    trace("sorting-off");
    // 18.
    m_docs->commands().NewSQLFile();
    trace("first-document");
    // 19.
    m_session.StartSession(false);
    trace("start-session");
    if (m_terminating) return;
    // 20.
    m_commandLine = parseCommandLine(commandLine);
    m_batchGlobal = false;
    for (const QString& query : m_commandLine.queryFiles)
        m_docs->commands().cmdOpenSQLFile(true, query);
    if (!m_commandLine.dataLinkFile.isEmpty()) {
        m_connection->connecting().OpenDataLinkFile(true, m_commandLine.dataLinkFile, m_commandLine.user,
                                                    m_commandLine.password);
        if (m_terminating) return;
        m_batchGlobal = !m_commandLine.queryFile().isEmpty() && cn().hasConnection() && m_commandLine.run;
    }
    trace("command-line");
    // 21.
    SetLanguageSpecific();
    QCoreApplication::processEvents();
    trace("language-texts");
    // Documents a crashed or killed instance left unsaved; a batch run asks nothing and leaves
    // them for the next start.
    if (!m_batchGlobal) m_docs->commands().offerRecovery();
}

void frmMain::SetLanguageSpecific() {
    applyToolkitLanguage(isGerman());
    m_status->applyLanguage();
    // A connection opened from the command line keeps its caption.
    if (cn().hasConnection())
        m_status->setPanelText(QStringLiteral("kConnection"), m_connection->connecting().connectionCaption());
    m_query->applyLanguage();
    m_explorer->applyLanguage();
    m_docs->applyLanguage();
    m_panes->applyLanguage();
}

bool frmMain::runShutdown() {
    if (m_shutdownDone) return true;
    if (!m_query) {
        // Never started: there is nothing to save or close.
        m_shutdownDone = true;
        return true;
    }
    if (m_inShutdown) return false;
    m_inShutdown = true;
    // Shutdown never stops on an error; each step runs on its own.
    auto step = [this](const char* name, auto&& body) {
        try {
            body();
        } catch (...) {
        }
        trace(name);
    };
    if (!m_terminating) {
        // 1. and 2. The documents with unsaved changes come first: Cancel there keeps the
        // documents and an open transaction as they were.
        const bool documentsDone = m_docs->commands().CheckUnsavedDocuments();
        // An open transaction is committed, rolled back, or the program keeps running.
        const bool transactionDone = documentsDone && !m_terminating && m_query->transactions().resolveOpenTransaction();
        // A termination signal that came while a question was open takes over from here.
        if (!transactionDone || m_terminating) {
            m_inShutdown = false;
            return false;
        }
    } else {
        // Nobody is asked: the documents keep their recovery copies, and a transaction is rolled
        // back, never committed without the user's word.
        step("leave-documents", [&] { m_docs->commands().CheckUnsavedDocuments(); });
        step("rollback-transaction", [&] { m_query->transactions().rollbackForShutdown(); });
    }
    // 3.
    step("save-recent-files", [&] { m_docs->commands().SaveRecentFiles(m_ini); });
    step("save-recent-connections", [&] { m_connection->connecting().SaveRecentConnections(m_ini); });
    step("save-settings", [&] { SaveSettings(m_ini, m_settings); });
    step("end-session", [&] { m_session.EndSession(); });
    // The user has decided about every unsaved document: no copy outlives a normal end.
    step("remove-recovery", [&] { m_recovery->finish(); });
    step("end-connection", [&] { cn().EndCn(); });
    step("clean-explorer", [&] { m_explorer->CleanUpDbExplorer(); });
    step("release", [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != this && w->isVisible() && w->objectName() != objectName()) w->close();
    });
    m_inShutdown = false;
    m_shutdownDone = true;
    return true;
}

void frmMain::closeModalDialogs() {
    // Every dialog's own loop returns as if cancelled; what waited on it carries on and sees that
    // the program is ending.
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(w); dialog && dialog->isVisible()) dialog->reject();
}

void frmMain::terminate() {
    if (m_terminating) return;
    m_terminating = true;
    setTerminationSignalled();
    emit terminationBegun();
    closeModalDialogs();
    if (m_query && m_query->running()) {
        m_closeAfterRun = true;
        cn().ExecuteStop();
        QTimer::singleShot(kStopGraceMs, this, [this] { checkStuckRun(); });
    } else if (m_connection && cn().busy()) {
        // A catalog call or transaction step waits on the database: stop it, or give it up.
        QTimer::singleShot(0, this, [this] { cn().stopAndSettle(std::chrono::milliseconds(kStopGraceMs)); });
    }
    // Start-up closes the window itself once it has stepped out; otherwise closing is tried until
    // it goes through (a dialog's loop or a run may still be unwinding).
    if (m_startupRunning) return;
    auto* retry = new QTimer(this);
    connect(retry, &QTimer::timeout, this, [this, retry] {
        if (m_shutdownDone) {
            retry->stop();
            return;
        }
        closeModalDialogs();
        close();
    });
    retry->start(100);
    QTimer::singleShot(0, this, [this] { close(); });
}

void frmMain::checkStuckRun() {
    if (!m_query || !m_query->running() || m_askingToAbandon) return;
    if (!m_terminating) {
        m_askingToAbandon = true;
        const MsgResult answer = showMessage(
            ui_text("Die Datenbank reagiert nicht auf den Abbruch der Abfrage.\r\n\r\nSoll die Abfrage "
                    "aufgegeben und Morvenda beendet werden? Was die Abfrage auf dem Server noch tut, "
                    "bleibt dann offen.",
                    "The database does not respond to stopping the statement.\r\n\r\nAbandon the statement "
                    "and close Morvenda? What the statement still does on the server is then left open."),
            MsgIcon::Question, MsgButtons::YesNo, MsgResult::No);
        m_askingToAbandon = false;
        if (!m_query->running()) return; // it ended meanwhile
        if (answer != MsgResult::Yes && !m_terminating) {
            m_closeAfterRun = false;
            return;
        }
    }
    cn().abandonWork();
}

void frmMain::closeEvent(QCloseEvent* event) {
    // Closing during a run stops the statement first; the window closes when the run has ended.
    if (m_query && m_query->running()) {
        const bool first = !m_closeAfterRun;
        m_closeAfterRun = true;
        cn().ExecuteStop();
        event->ignore();
        if (first) QTimer::singleShot(m_terminating ? kStopGraceMs : kUserStopGraceMs, this, [this] { checkStuckRun(); });
        return;
    }
    if (runShutdown())
        event->accept();
    else
        event->ignore();
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (isMinimized()) return;
    if (width() < kMinWidth || height() < kMinHeight)
        resize(std::max(width(), kMinWidth), std::max(height(), kMinHeight));
}

void frmMain::cmdCloseDB_Click() {
    QSplitter* left = m_panes->leftSplitter();
    QPushButton* button = m_panes->cmdCloseDB();
    if (left->width() >= MainPanesWidget::twips(40) && left->isVisible()) {
        left->hide();
        button->setText(QStringLiteral("DB *"));
    } else {
        left->show();
        m_panes->refresh();
        QList<int> sizes = m_panes->sizes();
        const int total = sizes.value(0) + sizes.value(1);
        sizes[0] = MainPanesWidget::twips(3900);
        sizes[1] = std::max(1, total - sizes[0]);
        m_panes->setSizes(sizes);
        button->setText(QStringLiteral("DB x"));
    }
}

HelpWindow* frmMain::helpWindow() {
    if (!m_help) m_help = new HelpWindow(this);
    return m_help;
}

void frmMain::openSettingsDialog() {
    frmSettings dialog(m_settings, m_ini, this);
    connect(&dialog, &frmSettings::editFontChanged, this,
            [this](const FontSpec& font) { m_query->editor()->setEditFont(font); });
    connect(&dialog, &frmSettings::extrasChanged, this, [this] {
        m_query->applySettings();
        m_recovery->setDelaySeconds(m_settings.recoverySeconds);
    });
    dialog.exec();
}

} // namespace mv
