#include "app/main_window.h"

#include "app/command_bars_widget.h"
#include "app/error_report.h"
#include "app/globals.h"
#include "app/main_panes_widget.h"
#include "app/settings_dialog.h"
#include "app/signal_watcher.h"
#include "app/status_bar_widget.h"
#include "app/texts.h"
#include "db/connection_ui_widget.h"
#include "db/db_connect.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPushButton>

namespace mv {

namespace {
constexpr int kMinWidth = 6000 / 15;
constexpr int kMinHeight = 4500 / 15;
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
    connect(m_signals, &SignalWatcher::terminationRequested, this, [this] { close(); });
    setMinimumSize(kMinWidth, kMinHeight);
    resize(1100, 750);
}

frmMain::~frmMain() = default;

C_DbConnect& frmMain::cn() { return m_connection->cn(); }

void frmMain::registerCommands() {
    m_connection->registerCommands(m_dispatcher);
    m_dispatcher.add(QStringLiteral("kSettings"), [this] { openSettingsDialog(); });
    m_dispatcher.add(QStringLiteral("kExit"), [this] { close(); });
}

void frmMain::SetTitle(const QString& sDatei) {
    guardedVoid(Reporter::Msg, "SetTitle", "", [&] { setWindowTitle(mv::windowTitle(sDatei)); });
}

void frmMain::startup(const QString& commandLine) {
    // 1. The platform's shell library and common controls need nothing here.
    // 2. The connection object, with this window as its work window.
    guardedVoid(Reporter::Msg, "Form_Initialize", "frmMain", [&] {
        if (!m_connection) {
            m_connection = new ConnectionUi(this, m_status, m_bars, m_session, m_settings);
            registerCommands();
        }
    });
    trace("initialize");

    // Loading (steps 3 to 21) is one unit: an error skips the rest of it.
    const bool loaded = guardedVoid(Reporter::Msg, "frmMain.Form_Load", "", [&] { loadingSteps(commandLine); });
    if (!loaded) trace("loading-failed");

    guardedVoid(Reporter::Msg, "Form_Initialize", "frmMain", [&] {
        // 22. the explorer's list views get their columns
        m_panes->prepareExplorerLists();
        trace("explorer-lists");
        // 23. a configured start-up data link file replaces a connection of the command line
        if (!m_settings.startupUDL.isEmpty()) {
            m_connection->connecting().OpenDataLinkFile(true, m_settings.startupUDL);
            trace("startup-udl");
        }
        // 24. the requested run follows here once executing exists.
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
    cn().setTransaction(false);
    trace("transaction-count");
    // 16.
    m_connection->connecting().LoadRecentConnections(m_ini);
    trace("recent-lists");
    // 17.
    m_run.resultSorting = false;
    trace("sorting-off");
    // 19.
    m_session.StartSession(false);
    trace("start-session");
    // 20.
    m_commandLine = parseCommandLine(commandLine);
    m_batchGlobal = false;
    if (!m_commandLine.dataLinkFile.isEmpty()) {
        m_connection->connecting().OpenDataLinkFile(true, m_commandLine.dataLinkFile, m_commandLine.user,
                                                    m_commandLine.password);
        m_batchGlobal = !m_commandLine.queryFile().isEmpty() && cn().hasConnection() && m_commandLine.run;
    }
    trace("command-line");
    // 21.
    SetLanguageSpecific();
    QCoreApplication::processEvents();
    trace("language-texts");
}

void frmMain::SetLanguageSpecific() {
    m_status->applyLanguage();
    m_panes->cmdCloseDB()->setToolTip(ui_text("Zeige/verstecke Datenbank Explorer", "Show/Hide Dtabase Explorer"));
}

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
    // 1. to 3. (documents, recent files) come with their subsystems.
    step("save-recent-connections", [&] { m_connection->connecting().SaveRecentConnections(m_ini); });
    step("save-settings", [&] { SaveSettings(m_ini, m_settings); });
    step("end-session", [&] { m_session.EndSession(); });
    step("end-connection", [&] { cn().EndCn(); });
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

void frmMain::cmdCloseDB_Click() {
    QSplitter* left = m_panes->leftSplitter();
    QPushButton* button = m_panes->cmdCloseDB();
    if (left->width() >= MainPanesWidget::twips(40) && left->isVisible()) {
        left->hide();
        button->setText(QStringLiteral("DB *"));
    } else {
        left->show();
        QList<int> sizes = m_panes->sizes();
        const int total = sizes.value(0) + sizes.value(1);
        sizes[0] = MainPanesWidget::twips(3900);
        sizes[1] = std::max(1, total - sizes[0]);
        m_panes->setSizes(sizes);
        button->setText(QStringLiteral("DB x"));
    }
}

void frmMain::openSettingsDialog() {
    frmSettings dialog(m_settings, m_ini, this);
    dialog.exec();
}

} // namespace mv
