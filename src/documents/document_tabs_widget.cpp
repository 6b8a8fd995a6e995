#include "documents/document_tabs_widget.h"

#include "app/command_bars_widget.h"
#include "app/error_report.h"
#include "app/settings.h"
#include "app/texts.h"
#include "documents/sql_editor_widget.h"

#include <QAction>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QMenu>
#include <QScopedValueRollback>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>

namespace mv {

namespace {
// The entries that only work on a SQL document.
const char* const kDocumentEntries[] = {"kScrSave", "kScrSaveAs", "kDelSQL",    "kExecute", "kStop",
                                        "kQuery",   "kEdit",      "kCloseFile", "kSave",    "kSaveAs"};
// The entries that only belong to the session document.
const char* const kSessionEntries[] = {"kDelLog", "kLogSep"};
const QColor kSessionPaper(204, 204, 204);
} // namespace

DocumentTabsWidget::DocumentTabsWidget(SqlEditorWidget& editor, DocumentGridPort& grid, SessionLog& session,
                                       const Settings& settings, const QString& programFolder,
                                       QWidget* parent, SqlTabs::RandomSource random)
    : QWidget(parent), m_editor(editor), m_settings(settings),
      m_commands(*this, grid, session, settings, programFolder, std::move(random)) {
    setObjectName(QStringLiteral("docTabsPane"));
    m_tabs = new QTabBar(this);
    m_tabs->setObjectName(QStringLiteral("docTabs"));
    m_tabs->setDocumentMode(true);
    m_tabs->setExpanding(false);
    m_tabs->setUsesScrollButtons(true);
    m_tabs->setElideMode(Qt::ElideNone);
    m_tabs->setSelectionBehaviorOnRemove(QTabBar::SelectRightTab);
    m_close = new QToolButton(this);
    m_close->setObjectName(QStringLiteral("cmdCloseFile"));
    m_close->setText(QStringLiteral("x"));
    m_close->setAutoRaise(true);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(m_close);
    applyLanguage();

    connect(m_tabs, &QTabBar::currentChanged, this, [this] { onCurrentChanged(); });
    connect(m_close, &QToolButton::clicked, this, [this] { m_commands.cmdCloseFile_Click(); });
    connect(&m_editor, &QsciScintilla::textChanged, this, [this] { m_commands.txtSQL_Change(); });
}

DocumentTabsWidget::~DocumentTabsWidget() = default;

void DocumentTabsWidget::applyLanguage() {
    m_close->setToolTip(ui_text("SQL-Skript schließen", "Close SQL-File"));
}

void DocumentTabsWidget::setCommandBars(CommandBarsWidget* bars) {
    m_bars = bars;
    m_commands.hooks().refreshRecentFilesMenu = [this] { RefreshRecentFilesMenu(); };
}

bool DocumentTabsWidget::RefreshRecentFilesMenu() {
    try {
        QMenu* submenu = m_bars ? m_bars->menu(QStringLiteral("kRecentFile")) : nullptr;
        if (!submenu) return true;
        for (const RecentMenuItem& item : m_commands.recentFiles().menuItems(m_settings.fileShortLen))
            m_bars->setSubmenuEntry(submenu, item.key, item.caption);
        QCoreApplication::processEvents();
        return true;
    } catch (...) {
        const CaughtError e = describeCurrentException();
        DispMsg(e.description, e.number, QStringLiteral("Globals"), QString());
        return false;
    }
}

void DocumentTabsWidget::onCurrentChanged() {
    if (!m_silent) m_commands.docTabs_Click();
}

// ---- editor ----

QString DocumentTabsWidget::editorText() const {
    return m_editor.text();
}

void DocumentTabsWidget::setEditorText(const QString& text) {
    // The session editor is read-only, and a read-only editor refuses every text change.
    const bool readOnly = m_editor.isReadOnly();
    if (readOnly) m_editor.setReadOnly(false);
    m_editor.setText(text);
    // Undo must never bring back another document's text.
    m_editor.SendScintilla(QsciScintillaBase::SCI_EMPTYUNDOBUFFER);
    m_editor.setModified(false);
    if (readOnly) m_editor.setReadOnly(true);
}

void DocumentTabsWidget::clearEditorText() {
    m_editor.clearText();
}

int DocumentTabsWidget::editorLineCount() const {
    return m_editor.lines();
}

void DocumentTabsWidget::setCaret(int line, int column, bool focus) {
    m_editor.SetCaret(line, column, focus);
}

// ---- tab strip ----

int DocumentTabsWidget::tabCount() const {
    return m_tabs->count();
}

int DocumentTabsWidget::selectedTabIndex() const {
    return m_tabs->currentIndex();
}

QString DocumentTabsWidget::tabKey(int index) const {
    return m_tabs->tabData(index).toString();
}

QString DocumentTabsWidget::tabCaption(int index) const {
    return m_tabs->tabText(index);
}

int DocumentTabsWidget::tabIndex(const QString& key) const {
    for (int i = 0; i < m_tabs->count(); ++i)
        if (tabKey(i) == key) return i;
    return -1;
}

void DocumentTabsWidget::addTab(const QString& key, const QString& caption) {
    const QScopedValueRollback<bool> silent(m_silent, true);
    const int index = m_tabs->addTab(caption);
    m_tabs->setTabData(index, key);
}

void DocumentTabsWidget::setTabCaption(const QString& key, const QString& caption) {
    const int index = tabIndex(key);
    if (index >= 0) m_tabs->setTabText(index, caption);
}

void DocumentTabsWidget::removeTab(const QString& key) {
    const int index = tabIndex(key);
    if (index < 0) return;
    const QScopedValueRollback<bool> silent(m_silent, true);
    m_tabs->removeTab(index);
}

void DocumentTabsWidget::selectTab(const QString& key) {
    const int index = tabIndex(key);
    if (index < 0) return;
    const QScopedValueRollback<bool> silent(m_silent, true);
    m_tabs->setCurrentIndex(index);
}

// ---- session look ----

void DocumentTabsWidget::EnableSession(bool shown) {
    guardedVoid(Reporter::ErrorMsg, "EnableSession", "frmMain", [&] {
        for (const char* key : kDocumentEntries)
            setEntries(QString::fromUtf8(key), !shown, false);
        for (const char* key : kSessionEntries)
            setEntries(QString::fromUtf8(key), shown, true);
        m_close->setEnabled(!shown);
        m_editor.setReadOnly(shown);
        m_editor.setEditorPaper(shown ? kSessionPaper : QColor(Qt::white));
        m_editor.setContextMenuEnabled(!shown);
        m_sessionShown = shown;
    });
    emit sessionModeChanged(shown);
}

void DocumentTabsWidget::setEntries(const QString& key, bool on, bool visibility) {
    if (!m_bars) return;
    auto apply = [&](QAction* a) {
        if (!a) return;
        if (visibility)
            a->setVisible(on);
        else
            a->setEnabled(on);
    };
    apply(m_bars->action(key));
    if (QMenu* menu = m_bars->menu(key)) apply(menu->menuAction());
    if (QToolBar* toolbar = m_bars->toolbar())
        for (QAction* a : toolbar->actions())
            if (a->objectName() == key) apply(a);
}

} // namespace mv
