#include "app/query_panes_widget.h"

#include "app/command_bars_widget.h"
#include "app/command_dispatcher.h"
#include "app/main_panes_widget.h"
#include "app/result_commands_widget.h"
#include "app/settings.h"
#include "app/status_bar_widget.h"
#include "app/texts.h"
#include "app/toolbox_widget.h"
#include "db/connecting.h"
#include "db/completion_catalog.h"
#include "db/connection_ui_widget.h"
#include "db/db_connect.h"
#include "documents/find_dialog.h"
#include "documents/quick_search_widget.h"
#include "documents/sql_completion_widget.h"
#include "documents/sql_editor_widget.h"
#include "documents/sql_formatter.h"
#include "documents/sql_toolbox_widget.h"
#include "exec/sql_names.h"
#include "exec/execute_command.h"
#include "exec/execute_host_view.h"
#include "exec/new_parameter_dialog.h"
#include "exec/parameter_panel_widget.h"
#include "exec/query_options_widget.h"
#include "exec/run_settings.h"
#include "exec/sql_names.h"
#include "exec/statement_at_caret.h"
#include "exec/transactions.h"
#include "results/result_grid_widget.h"
#include "results/result_model.h"
#include "session/query_history.h"
#include "session/query_history_widget.h"
#include "session/session_log.h"

#include <QAction>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTabBar>
#include <QVBoxLayout>

namespace mv {

namespace {
class EditorTags : public ParameterTagEditor {
  public:
    explicit EditorTags(SqlEditorWidget* e) : m_editor(e) {}
    void insertAtCursor(const QString& text) override { m_editor->BeiCursorEinfuegen(text, false, true); }
    QString wholeText() const override { return m_editor->text(); }

  private:
    SqlEditorWidget* m_editor;
};
} // namespace

QueryPanes::QueryPanes(MainPanesWidget* panes, StatusBarWidget* status, CommandBarsWidget* bars,
                       ConnectionUi& connection, SessionLog& session, Settings& settings, RunSettings& run,
                       QWidget* window)
    : QObject(window), m_panes(panes), m_status(status), m_bars(bars), m_connection(connection),
      m_session(session), m_settings(settings), m_run(run), m_window(window) {
    // The editor under the document tabs.
    m_editor = new SqlEditorWidget(panes->paneQuery());
    panes->paneQuery()->layout()->addWidget(m_editor);
    connect(m_editor, &SqlEditorWidget::caretTextChanged, this,
            [this](const QString& t) { m_status->setPanelText(QStringLiteral("kEdit"), t); });
    m_completion = new SqlCompletionWidget(m_editor);
    m_catalogLoader = new CatalogLoader(this);
    connect(m_catalogLoader, &CatalogLoader::loaded, this,
            [this] { m_completion->setCatalog(m_catalogLoader->catalog()); });

    // The result grid with its state label above it.
    m_stateLabel = new QLabel(panes->paneResult());
    m_stateLabel->setObjectName(QStringLiteral("lblState"));
    m_stateLabel->setMinimumHeight(18);
    m_grid = new ResultGridWidget(panes->paneResult());
    m_grid->setObjectName(QStringLiteral("Grid"));
    panes->paneResult()->layout()->addWidget(m_stateLabel);
    panes->paneResult()->layout()->addWidget(m_grid);
    m_results = new ResultCommands(*m_grid, m_stateLabel, bars, session, this);

    // The SQL toolbox.
    m_toolbox = new ToolboxWidget(panes->paneSQL());
    panes->paneSQL()->layout()->addWidget(m_toolbox);
    m_toolbox->requestHeight = [this](int px) {
        QList<int> sizes = m_panes->rightSplitter()->sizes();
        const int total = sizes.value(0) + sizes.value(1);
        sizes[0] = px + m_toolbox->tabBar()->sizeHint().height();
        sizes[1] = std::max(1, total - sizes[0]);
        m_panes->rightSplitter()->setSizes(sizes);
    };
    m_toolbox->showCollapsed = [this] { cmdToolbox_Click(); };
    m_commands = new SqlToolboxWidget;
    connect(m_commands, &SqlToolboxWidget::insertText, this, [this](const QString& text, bool lineBreak) {
        m_editor->BeiCursorEinfuegen(text, lineBreak, true);
    });
    m_find = new QuickSearchWidget;
    m_find->setEditor(m_editor);

    m_paramPage = new QWidget;
    m_paramPage->setObjectName(QStringLiteral("picParameter"));
    m_paramPanel = new ParameterPanelWidget;
    auto* newParam = new QPushButton(m_paramPage);
    newParam->setObjectName(QStringLiteral("cmdInsertParameter"));
    auto* paramLayout = new QHBoxLayout(m_paramPage);
    paramLayout->setContentsMargins(2, 2, 2, 2);
    paramLayout->addWidget(m_paramPanel, 1); // the panel scrolls its own rows
    paramLayout->addWidget(newParam, 0, Qt::AlignTop);
    connect(newParam, &QPushButton::clicked, this, [this] {
        EditorTags tags(m_editor);
        cmdInsertParameter_Click(tags, m_parameters, *m_paramPanel, m_window);
    });

    m_host = std::make_unique<MainExecuteHost>(m_editor, m_grid, status, m_toolbox, m_paramPanel,
                                               m_parameters, m_stateLabel, run, bars);
    m_host->keepLayout = [this] { return m_results->keepLayout(); };
    C_DbConnect& cn = connection.cn();
    m_execute = std::make_unique<ExecuteCommand>(cn, session, m_parameters, run, *m_host);
    m_history = std::make_unique<QueryHistory>(session.programFolder() + QStringLiteral("/MorvendaHistory.sqlite"),
                                               settings.historyMaxEntries);
    m_execute->statementLogged = [this](const SessionLogRecord& r, bool stopped) { recordHistory(r, stopped); };
    m_execute->runEnded = [this] {
        m_history->flush();
        if (m_historyStale && m_historyPanel && m_toolbox->isShown(ToolboxWidget::History)) m_historyPanel->refresh();
        m_historyStale = false;
    };
    TransactionHost th;
    th.setButtons = [this](bool in) { m_options->setTransactionButtons(in); };
    th.SetGridState = [this](int state) { m_host->SetGridState(state); };
    m_transactions = std::make_unique<TransactionCommands>(cn, session, run, th);
    m_options = new QueryOptionsWidget(*m_execute, *m_transactions);
    connect(&connection, &ConnectionUi::startTransEnabledChanged, m_options,
            &QueryOptionsWidget::setTransactionsAvailable);
    connection.hooks().confirmEndConnection = [this] { return m_transactions->resolveOpenTransaction(); };
    connection.hooks().setAsyncSwitch = [this](bool checked, bool enabled) {
        m_run.async = checked;
        m_run.asyncEnabled = enabled;
        m_options->setAsyncSwitch(checked, enabled);
    };
}

QueryPanes::~QueryPanes() = default;

void QueryPanes::SetToolkitTabs() {
    // The button rows wrap to the pane's width; what does not fit its height scrolls.
    auto* commandsScroll = new QScrollArea;
    commandsScroll->setObjectName(QStringLiteral("picCommands"));
    commandsScroll->setWidgetResizable(true);
    commandsScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    commandsScroll->setWidget(m_commands);
    commandsScroll->setFrameShape(QFrame::NoFrame);
    commandsScroll->setMinimumWidth(m_commands->minimumSizeHint().width() +
                                    commandsScroll->verticalScrollBar()->sizeHint().width());
    m_toolbox->setPanel(ToolboxWidget::Commands, commandsScroll);
    m_toolbox->setPanel(ToolboxWidget::Find, m_find);
    m_toolbox->setPanel(ToolboxWidget::Options, m_options);
    m_toolbox->setPanel(ToolboxWidget::Parameter, m_paramPage);
    m_toolbox->setOnSelected(ToolboxWidget::Parameter, [this] {
        m_parameters.ParseParameter(m_editor->text(), sqlDialectOf(m_connection.cn()));
        m_paramPanel->ShowParameters(m_parameters.parameterSet());
    });
    m_historyPanel = new QueryHistoryWidget(*m_history);
    connect(m_historyPanel, &QueryHistoryWidget::openRequested, this, [this](const QString& sql) {
        if (openInNewDocument) openInNewDocument(sql);
    });
    connect(m_historyPanel, &QueryHistoryWidget::runRequested, this, &QueryPanes::runAgain);
    m_toolbox->setPanel(ToolboxWidget::History, m_historyPanel);
    m_toolbox->setOnSelected(ToolboxWidget::History, [this] { m_historyPanel->refresh(); });
    m_toolbox->setCurrentIndex(0);
}

void QueryPanes::reloadCatalog() {
    C_DbConnect& cn = m_connection.cn();
    dropCatalog();
    if (!cn.hasConnection() || !cn.Connection()) return;
    const DbInfo& info = cn.Connection()->info();
    m_completion->setDialect({cn.mvDatabase(), info.dbmsName, info.identifierQuote, info.keywords});
    m_catalogLoader->load(cn.Connection()->connectionString(), cn.mvDatabase());
}

void QueryPanes::dropCatalog() {
    m_catalogLoader->clear();
    m_completion->setCatalog({});
    m_completion->setDialect({});
}

void QueryPanes::recordHistory(const SessionLogRecord& r, bool stopped) {
    HistoryEntry e;
    e.started = r.execStart.isValid() ? r.execStart : QDateTime::currentDateTime();
    // The connection's measured duration of this statement (steady clock, not the wall clock).
    e.durationMs = std::max<qint64>(0, m_connection.cn().QueryExecMilisec());
    const QString link = m_connection.connecting().CurrentDataLinkFile();
    e.connection = link.isEmpty() ? r.connectionString : QFileInfo(link).fileName();
    e.sql = r.sql;
    e.rows = qint64(r.affectedRecords);
    e.ok = !r.error && !stopped;
    e.error = stopped ? ui_text("Die Abfrage wurde vom benutzer unterbrochen!", "Execution canceled by user!")
                      : r.errorText;
    if (!m_history->add(e)) return;
    if (!m_historyPanel || !m_toolbox->isShown(ToolboxWidget::History)) return;
    // During a script the list follows a few times a second, and once more when the run ends:
    // searching and refilling it for every statement would cost more than the statement.
    if (m_historyShown.isValid() && m_historyShown.elapsed() < HistoryRefreshMs) {
        m_historyStale = true;
        return;
    }
    m_historyPanel->refresh();
    m_historyShown.start();
    m_historyStale = false;
}

void QueryPanes::runAgain(const QString& sql) {
    if (running() || sql.trimmed().isEmpty()) return;
    m_execute->cmdExecuteText(sql);
    m_options->showValues();
    emit runFinished();
}

void QueryPanes::cmdToolbox_Click() {
    QSplitter* right = m_panes->rightSplitter();
    QList<int> sizes = right->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    QPushButton* button = m_panes->cmdToolbox();
    if (sizes.value(0) >= MainPanesWidget::twips(40) && !m_toolbox->isHidden()) {
        m_toolbox->hide();
        sizes[0] = 0;
        sizes[1] = total;
        right->setSizes(sizes);
        button->setText(QStringLiteral("SQL *"));
    } else {
        m_toolbox->show();
        sizes[0] = MainPanesWidget::twips(1484) + m_toolbox->tabBar()->sizeHint().height();
        sizes[1] = std::max(1, total - sizes[0]);
        right->setSizes(sizes);
        m_toolbox->showTab(m_toolbox->currentTab());
        button->setText(QStringLiteral("SQL x"));
    }
}

void QueryPanes::applySettings() {
    m_editor->setEditFont(m_settings.editFont);
    m_editor->setAutoColoring(m_settings.autoSyntaxColoring);
    m_results->applySettings(m_settings);
    m_grid->model()->setNullMark(m_settings.showNullMark);
    m_completion->setAutoPopup(m_settings.autoCompletion);
    // The history opens with the first settings; later ones change its size only.
    if (!m_history->isOpen() && !m_historyOpened) {
        m_historyOpened = true;
        m_history->setMaxEntries(m_settings.historyMaxEntries);
        m_history->open();
    } else {
        m_history->setMaxEntries(m_settings.historyMaxEntries);
    }
}

void QueryPanes::applyLanguage() {
    m_toolbox->applyLanguage();
    m_find->applyLanguage();
    if (m_historyPanel) m_historyPanel->applyLanguage();
    m_options->applyLanguage();
    m_grid->applyLanguage();
    if (auto* b = m_paramPage->findChild<QPushButton*>(QStringLiteral("cmdInsertParameter")))
        b->setText(ui_text("Neu", "new"));
    m_status->setPanelText(QStringLiteral("kEdit"), m_editor->caretText());
}

void QueryPanes::startExecute() {
    if (m_editor->text().trimmed().isEmpty()) return;
    m_execute->cmdExecute();
    m_options->showValues();
    emit runFinished();
}

void QueryPanes::startStatementAtCaret() {
    if (running()) return;
    const QString text = m_editor->text();
    const SqlEditorWidget::TextPos caret = m_editor->caretPos();
    const TextSpan span =
        statementAtCaret(text, offsetOfLineColumn(text, caret.line, caret.column), sqlDialectOf(m_connection.cn()));
    if (span.isEmpty()) return;
    SqlEditorWidget::TextPos from, to;
    lineColumnOfOffset(text, span.start, from.line, from.column);
    lineColumnOfOffset(text, span.end, to.line, to.column);
    m_editor->flashRange(from, to);
    m_execute->cmdExecuteText(text.mid(span.start, span.end - span.start));
    m_options->showValues();
    emit runFinished();
}

void QueryPanes::startToFile() {
    if (running()) return;
    // The selection, or else the statement the caret is in.
    QString sql = m_editor->selectedText();
    if (sql.trimmed().isEmpty()) {
        const QString text = m_editor->text();
        const SqlEditorWidget::TextPos caret = m_editor->caretPos();
        const TextSpan span = statementAtCaret(text, offsetOfLineColumn(text, caret.line, caret.column),
                                               sqlDialectOf(m_connection.cn()));
        if (span.isEmpty()) return;
        sql = text.mid(span.start, span.end - span.start);
    }
    m_execute->cmdExecuteToFile(sql);
    m_options->showValues();
    emit runFinished();
}

bool QueryPanes::running() const {
    return m_execute->running();
}

void QueryPanes::refreshEditMenu() {
    if (QAction* a = m_bars->action(QStringLiteral("kUndo"))) a->setEnabled(m_editor->canUndo());
    if (QAction* a = m_bars->action(QStringLiteral("kRedo"))) a->setEnabled(m_editor->canRedo());
    if (QAction* a = m_bars->action(QStringLiteral("kPaste"))) a->setEnabled(m_editor->canPaste());
}

void QueryPanes::registerCommands(CommandDispatcher& d) {
    m_results->registerCommands(d, *m_execute);
    d.add(QStringLiteral("kStart"), [this] { startExecute(); });
    d.add(QStringLiteral("kExecute"), [this] { startExecute(); });
    d.add(QStringLiteral("kStartStatement"), [this] { startStatementAtCaret(); });
    d.add(QStringLiteral("kStartToFile"), [this] { startToFile(); });
    d.add(QStringLiteral("kStop"), [this] { m_connection.cn().ExecuteStop(); });
    d.add(QStringLiteral("kUndo"), [this] { m_editor->undo(); });
    d.add(QStringLiteral("kRedo"), [this] { m_editor->redo(); });
    d.add(QStringLiteral("kCut"), [this] { m_editor->cut(); });
    d.add(QStringLiteral("kCopy"), [this] { m_editor->copy(); });
    d.add(QStringLiteral("kPaste"), [this] { m_editor->paste(); });
    d.add(QStringLiteral("kSelectAll"), [this] { m_editor->SelectAllText(); });
    d.add(QStringLiteral("kComment"), [this] { m_editor->CommentLines(true); });
    d.add(QStringLiteral("kUnComment"), [this] { m_editor->CommentLines(false); });
    d.add(QStringLiteral("kTab"), [this] { m_editor->IndentSelection(true); });
    d.add(QStringLiteral("kUnTab"), [this] { m_editor->IndentSelection(false); });
    d.add(QStringLiteral("kAutoColoring"), [this] {
        m_settings.autoSyntaxColoring = m_editor->toggleAutoColoring();
        if (QAction* a = m_bars->action(QStringLiteral("kAutoColoring")))
            a->setChecked(m_settings.autoSyntaxColoring);
    });
    auto applyChange = [this](const std::optional<EditorTextChange>& change) {
        if (!change) return;
        if (change->selectionOnly) {
            m_editor->replaceSelectedText(change->text);
        } else {
            m_editor->SelectAllText();
            m_editor->replaceSelectedText(change->text);
            m_editor->SetCaret(0, 0, true);
        }
    };
    d.add(QStringLiteral("kFormatSQL"), [this, applyChange] {
        applyChange(cmdmSqlFormatChange(m_editor->text(), m_editor->selectedText(),
                                        sqlDialectOf(m_connection.cn())));
    });
    d.add(QStringLiteral("kUcase"),
          [this, applyChange] { applyChange(cmdmUpcaseChange(m_editor->text(), m_editor->selectedText())); });
    d.add(QStringLiteral("kExRecordcount"), [this] {
        if (!m_connection.cn().hasConnection()) return;
        const QString filter = tableFilter ? tableFilter().toUpper() : QString();
        m_execute->GetRecordcount(filter, m_session.programFolder());
    });
}

} // namespace mv
