#include "app/main_window.h"

#include "app/command_bars_widget.h"
#include "app/error_report.h"
#include "app/globals.h"
#include "app/main_panes_widget.h"
#include "app/settings_dialog.h"
#include "app/signal_watcher.h"
#include "app/status_bar_widget.h"
#include "app/texts.h"

#include <QApplication>
#include <QCloseEvent>

namespace mv {

namespace {
constexpr int kMinWidth = 6000 / 15;
constexpr int kMinHeight = 4500 / 15;
} // namespace

frmMain::frmMain(const AppPaths& paths, QWidget* parent)
    : QMainWindow(parent), m_paths(paths), m_ini(paths.settingsFile()) {
    setObjectName(QStringLiteral("frmMain"));
    m_dispatcher.setWindowName(objectName());
    m_panes = new MainPanesWidget(this);
    setCentralWidget(m_panes);
    m_status = new StatusBarWidget(this);
    setStatusBar(m_status);
    m_bars = new CommandBarsWidget(this, m_dispatcher);
    m_signals = new SignalWatcher(this);
    connect(m_signals, &SignalWatcher::terminationRequested, this, [this] { close(); });
    setMinimumSize(kMinWidth, kMinHeight);
    resize(1100, 750);
    registerCommands();
}

frmMain::~frmMain() = default;

void frmMain::registerCommands() {
    m_dispatcher.add(QStringLiteral("kSettings"), [this] { openSettingsDialog(); });
    m_dispatcher.add(QStringLiteral("kExit"), [this] { close(); });
}

void frmMain::SetTitle(const QString& sDatei) {
    guardedVoid(Reporter::Msg, "SetTitle", "", [&] { setWindowTitle(mv::windowTitle(sDatei)); });
}

void frmMain::startup(const QString& commandLine) {
    // Steps 1 and 2: the platform's shell library and common controls need nothing here; the
    // connection object is created first when it exists.
    trace("initialize");

    // Loading (steps 3 to 21) is one unit: an error skips the rest of it.
    const bool loaded = guardedVoid(Reporter::Msg, "frmMain.Form_Load", "", [&] { loadingSteps(commandLine); });
    if (!loaded) trace("loading-failed");

    guardedVoid(Reporter::Msg, "Form_Initialize", "frmMain", [&] {
        // 22. the explorer's list views get their columns
        m_panes->prepareExplorerLists();
        trace("explorer-lists");
        // 23. a configured start-up data link file and 24. the requested run follow here once
        // connecting and executing exist.
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
    trace("temp-folder");
    // 6.
    m_run.maxRecords = 1000;
    m_run.queryTimeout = 30;
    trace("run-settings");
    // 9. (7 and 8, toolbox rows and the editor, come with their subsystems)
    LoadSettings(m_ini, m_paths.programFolder, m_settings);
    trace("load-settings");
    // 10.
    m_bars->buildMenuBar();
    m_bars->buildToolbar();
    trace("menus");
    // 14.
    m_run.transactionStmtCount = 0;
    trace("transaction-count");
    // 17.
    m_run.resultSorting = false;
    trace("sorting-off");
    // 20.
    m_commandLine = parseCommandLine(commandLine);
    m_batchGlobal = false; // a run needs a connection, which the command line cannot open yet
    trace("command-line");
    // 21.
    SetLanguageSpecific();
    QCoreApplication::processEvents();
    trace("language-texts");
}

void frmMain::SetLanguageSpecific() { m_status->applyLanguage(); }

bool frmMain::runShutdown() {
    if (m_shutdownDone) return true;
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
    // 1. to 4. (documents, recent lists) come with their subsystems.
    step("save-settings", [&] { SaveSettings(m_ini, m_settings); });
    step("release", [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != this && w->isVisible() && w->objectName() != objectName()) w->close();
    });
    m_inShutdown = false;
    m_shutdownDone = true;
    return true;
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (runShutdown()) event->accept();
    else event->ignore();
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (isMinimized()) return;
    if (width() < kMinWidth || height() < kMinHeight)
        resize(std::max(width(), kMinWidth), std::max(height(), kMinHeight));
}

void frmMain::openSettingsDialog() {
    frmSettings dialog(m_settings, m_ini, this);
    dialog.exec();
}

} // namespace mv
