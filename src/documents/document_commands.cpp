#include "documents/document_commands.h"

#include "app/command_dispatcher.h"
#include "app/error_report.h"
#include "app/globals.h"
#include "app/settings.h"
#include "app/texts.h"
#include "app/user_port.h"
#include "db/recordset_binary.h"
#include "documents/sql_files.h"
#include "session/session_log.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QScopedValueRollback>

namespace mv {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
constexpr const char* kGlobals = "Globals";
constexpr const char* kWindow = "frmMain";

MsgResult askYesNoCancel(const QString& text) {
    return showMessage(text, MsgIcon::Question, MsgButtons::YesNoCancel, MsgResult::No);
}
} // namespace

QString closeQuestionText(const QString& caption) {
    return ui_text(QStringLiteral("Wollen sie die Änderungen in der Datei ") + kCrLf + u'{' + caption +
                       QStringLiteral("} speichern?"),
                   QStringLiteral("Do you want to save changes in") + kCrLf + u'{' + caption +
                       QStringLiteral("} ?"));
}

QString shutdownQuestionText(const QString& caption) {
    return ui_text(QStringLiteral("Wollen sie die Änderungen in {") + caption +
                       QStringLiteral("} speichern?"),
                   QStringLiteral("Do you want to save changes in {") + caption + QStringLiteral("} ?"));
}

QString recoveryQuestionText(const QString& caption) {
    return ui_text(QStringLiteral("Morvenda wurde nicht ordnungsgemäß beendet. Das Dokument {") + caption +
                       QStringLiteral("} hatte ungespeicherte Änderungen.") + kCrLf +
                       QStringLiteral("Wollen sie es wiederherstellen?"),
                   QStringLiteral("Morvenda did not end properly. The document {") + caption +
                       QStringLiteral("} had unsaved changes.") + kCrLf +
                       QStringLiteral("Do you want to restore it?"));
}

QString clearQuestionText() {
    return ui_text("Wollen sie die Änderungen speichern?", "Do you want to save changes?");
}

// Marks a command at work. Commands that arrive meanwhile (through pending events) are dropped; a
// tab the user selected meanwhile is entered once the work is done.
class DocumentCommands::Busy {
  public:
    explicit Busy(DocumentCommands& c) : m_c(c) { ++m_c.m_busy; }
    ~Busy() {
        if (--m_c.m_busy == 0 && m_c.m_switchPending) {
            m_c.m_switchPending = false;
            m_c.docTabs_Click();
        }
    }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

  private:
    DocumentCommands& m_c;
};

DocumentCommands::DocumentCommands(DocumentView& view, DocumentGridPort& grid, SessionLog& session,
                                   const Settings& settings, const QString& programFolder,
                                   SqlTabs::RandomSource random)
    : m_view(view), m_grid(grid), m_session(session), m_settings(settings), m_programFolder(programFolder),
      m_docs(std::move(random)), m_recent(RecentListKind::files()) {
    m_session.setChangeListener([this](SessionChange what) { sessionChanged(what); });
}

DocumentCommands::~DocumentCommands() { m_session.setChangeListener({}); }

void DocumentCommands::sessionChanged(SessionChange what) {
    if (m_currentKey != sessionTabKey() || m_followingSession) return;
    if (what == SessionChange::Records) {
        m_logFollow.request();
        return;
    }
    const QScopedValueRollback<bool> following(m_followingSession, true);
    putEditorText(m_session.SessionText());
    m_view.setCaret(m_view.editorLineCount(), 0, false);
}

void DocumentCommands::followSessionLog() {
    if (m_currentKey != sessionTabKey() || m_followingSession) return;
    const QScopedValueRollback<bool> following(m_followingSession, true);
    m_grid.updateSessionLog();
    showRecordCount();
}

QString DocumentCommands::lastFolder() const {
    return m_lastFolderSet ? m_lastFolder : m_settings.standardQueryPath;
}

// ---- start-up and shutdown ----

void DocumentCommands::addSessionTab() {
    if (m_view.tabIndex(sessionTabKey()) < 0) m_view.addTab(sessionTabKey(), sessionTabCaption());
}

void DocumentCommands::LoadRecentFiles(const IniFile& ini) {
    m_recent.load(ini);
    if (m_hooks.refreshRecentFilesMenu) m_hooks.refreshRecentFilesMenu();
}

bool DocumentCommands::SaveRecentFiles(const IniFile& ini) const {
    return m_recent.save(ini);
}

void DocumentCommands::registerCommands(CommandDispatcher& d) {
    for (const char* key : {"kNewFile", "kNewScript"})
        d.add(QString::fromUtf8(key), [this] { NewSQLFile(); });
    for (const char* key : {"kLoad", "kScrOpen"})
        d.add(QString::fromUtf8(key), [this] { cmdOpenSQLFile(false, QString()); });
    for (const char* key : {"kSave", "kScrSave"})
        d.add(QString::fromUtf8(key), [this] { cmdSQLSave(); });
    for (const char* key : {"kSaveAs", "kScrSaveAs"})
        d.add(QString::fromUtf8(key), [this] { cmdSQLSaveAs(); });
    d.add(QStringLiteral("kCloseFile"), [this] { cmdCloseFile_Click(); });
    d.add(QStringLiteral("kDelSQL"), [this] { cmdDElQueryText(); });
    d.add(QStringLiteral("kDelText"), [this] { cmdDelText(); });
    d.addIndexed(QStringLiteral("kRF"), [this](int n) { openRecentFile(n); });
}

bool DocumentCommands::CheckUnsavedDocuments() {
    if (m_busy) return false;
    Busy busy(*this);
    leaveCurrent();
    for (const QString& key : m_docs.keys()) {
        const C_SQLTabs* doc = m_docs.item(key);
        if (!doc || !doc->Change || doc->sSQL.isEmpty()) continue;
        activate(key);
        const MsgResult answer = askYesNoCancel(shutdownQuestionText(doc->sTabText));
        if (answer == MsgResult::Cancel) return false;
        // A save the user asked for that did not happen keeps the program open, so nothing is lost.
        if (answer == MsgResult::Yes && !trySaveAs()) return false;
    }
    return true;
}

// ---- commands ----

void DocumentCommands::NewSQLFile() {
    if (m_busy) return;
    Busy busy(*this);
    guardedVoid(Reporter::ErrorMsg, "NewSQLFile", kGlobals, [&] { newDocument(); });
}

bool DocumentCommands::cmdOpenSQLFile(bool given, const QString& path) {
    if (m_busy) return false;
    Busy busy(*this);
    return guarded(Reporter::ErrorMsg, "cmdOpenSQLFile", kGlobals, false,
                   [&] { return openFile(given, path); });
}

bool DocumentCommands::openRecentFile(int n) {
    const std::optional<QString> path = m_recent.entry(n);
    return path && cmdOpenSQLFile(true, *path);
}

bool DocumentCommands::cmdSQLSave() {
    if (m_busy) return false;
    Busy busy(*this);
    return trySave();
}

bool DocumentCommands::cmdSQLSaveAs() {
    if (m_busy) return false;
    Busy busy(*this);
    return trySaveAs();
}

bool DocumentCommands::CloseSQLFile(const QString& caption) {
    if (m_busy) return false;
    Busy busy(*this);
    return guarded(Reporter::ErrorMsg, "CloseSQLFile", kGlobals, false, [&] { return close(caption); });
}

bool DocumentCommands::cmdCloseFile_Click() {
    return CloseSQLFile(selectedCaption());
}

void DocumentCommands::cmdDElQueryText() {
    if (m_busy) return;
    Busy busy(*this);
    guardedVoid(Reporter::ErrorMsg, "cmdDElQueryText", kGlobals, [&] {
        if (!currentDocument()) return;
        const MsgResult answer = askYesNoCancel(clearQuestionText());
        if (answer == MsgResult::Cancel) return;
        // The text only goes once it is in a file, when the user wants it kept.
        if (answer == MsgResult::Yes && !trySaveAs()) return;
        m_view.clearEditorText();
        m_currentFile.clear();
        setTitle(QString());
    });
}

void DocumentCommands::cmdDelText() {
    if (m_busy) return;
    Busy busy(*this);
    guardedVoid(Reporter::ErrorMsg, "cmdDelText", "modSourceEdit", [&] {
        const C_SQLTabs* doc = currentDocument();
        if (!doc) return;
        if (doc->Change) {
            const MsgResult answer = askYesNoCancel(closeQuestionText(selectedCaption()));
            if (answer == MsgResult::Cancel) return;
            if (answer == MsgResult::Yes && !trySave()) return;
        }
        m_view.clearEditorText();
    });
}

bool DocumentCommands::CheckIfCurrentlyOpen(const QString& path) {
    return guarded(Reporter::ErrorMsg, "CheckIfCurrentlyOpen", kGlobals, false, [&] {
        if (!m_docs.findFile(path)) return false;
        showMessage(alreadyOpenText(path), MsgIcon::Information);
        return true;
    });
}

bool DocumentCommands::trySave() {
    return guarded(Reporter::ErrorMsg, "cmdSQLSave", kWindow, false, [&] { return save(); });
}

bool DocumentCommands::trySaveAs() {
    return guarded(Reporter::Msg, "cmdSQLSaveAs", "", false, [&] { return saveAs(); });
}

void DocumentCommands::newDocument() {
    const int number = m_docs.nextNewDocumentNumber();
    C_SQLTabs doc;
    doc.sKey = m_docs.makeKey(number);
    doc.sFile = doc.sTabText = newDocumentName(number);
    leaveCurrent();
    C_SQLTabs& added = m_docs.add(doc);
    m_view.addTab(added.sKey, added.sTabText);
    m_view.selectTab(added.sKey);
    m_currentKey = added.sKey;
    m_view.EnableSession(false);
    putEditorText(QString());
    showParameters();
    setTitle(added.sTabText);
    added.sSaved.clear();
    markChanged(added, false);
    emptyGrid();
    showRecordCount();
    loadStandardLayout();
}

bool DocumentCommands::openFile(bool given, const QString& path) {
    QString file = path;
    if (!given) {
        FileDialogRequest request;
        request.mode = FileDialogRequest::Open;
        request.title = ui_text("SQL-Skript öffnen", "Open SQL-Script");
        request.filter = sqlFileFilter();
        request.initialDir = lastFolder();
        request.mustExist = true;
        file = userPort().chooseFile(request).value_or(QString());
    }
    if (file.isEmpty()) return false;
    if (CheckIfCurrentlyOpen(file)) return false;
    // Read first: a file that cannot be read opens no document (a later save would empty it).
    TextEncoding encoding = TextEncoding::Utf8;
    const std::optional<QString> text = readSqlFile(file, &encoding);
    if (!text) return false;
    m_currentFile = file;
    m_lastFolder = ExtractFilePath(file);
    m_lastFolderSet = true;

    const int number = m_docs.nextOpenedFileNumber();
    C_SQLTabs doc;
    doc.sKey = m_docs.makeKey(number);
    doc.sFile = file;
    doc.sTabText = ExtractFileTitle(file);
    doc.encoding = encoding;
    leaveCurrent();
    m_view.EnableSession(false);
    C_SQLTabs& added = m_docs.add(doc);
    m_view.addTab(added.sKey, added.sTabText);
    m_view.selectTab(added.sKey);
    m_currentKey = added.sKey;
    putEditorText(*text);
    m_view.setCaret(0, 0, true);
    added.sSaved = *text;
    markChanged(added, false);
    showParameters();
    setTitle(added.sTabText);
    if (m_recent.insert(file) && m_hooks.refreshRecentFilesMenu) m_hooks.refreshRecentFilesMenu();

    emptyGrid();
    if (isReportFile(file)) {
        const QString layout = reportLayoutFile(file);
        if (QFile::exists(layout)) m_grid.loadLayout(layout);
        m_grid.setKeepLayout(true);
    }
    showRecordCount();
    return true;
}

bool DocumentCommands::save() {
    C_SQLTabs* doc = currentDocument();
    if (!doc) return false;
    if (doc->sTabText.contains(QLatin1String("New"))) return trySaveAs();
    const QString text = m_view.editorText();
    if (!writeSqlFile(doc->sFile, text, &doc->encoding)) return false;
    if (isReportFile(doc->sFile))
        saveReportLayout(reportLayoutFile(doc->sFile), "cmdSQLSave", kWindow, false);
    doc->sSaved = text;
    markChanged(*doc, false);
    if (m_recovery) m_recovery->sync();
    return true;
}

bool DocumentCommands::saveAs() {
    C_SQLTabs* doc = currentDocument();
    if (!doc) return false;
    FileDialogRequest request;
    request.mode = FileDialogRequest::Save;
    request.title = ui_text("Speichern Unter ...", "Save As ...");
    request.filter = sqlFileFilter();
    request.fileName = doc->sTabText;
    request.initialDir =
        doc->sFile.contains(QLatin1String("New")) ? lastFolder() : ExtractFilePath(doc->sFile);
    request.mustExist = false;
    // Replacing an existing file is confirmed in the dialog.
    request.confirmOverwrite = true;
    const std::optional<QString> chosen = userPort().chooseFile(request);
    if (!chosen) return false;
    m_currentFile = *chosen;
    if (chosen->isEmpty()) return false;

    // The document takes the new name only once its text is in the file, so a failed write
    // leaves it marked changed and bound to its old file.
    const QString text = m_view.editorText();
    if (!writeSqlFile(*chosen, text, &doc->encoding)) return false;
    if (isReportFile(*chosen)) saveReportLayout(reportLayoutFile(*chosen), "cmdSQLSaveAs", "", true);
    m_lastFolder = ExtractFilePath(*chosen);
    m_lastFolderSet = true;
    doc->sFile = *chosen;
    doc->sTabText = ExtractFileTitle(*chosen);
    doc->sSQL = text;
    doc->sSaved = text;
    markChanged(*doc, false);
    activate(doc->sKey, true);
    setTitle(doc->sTabText);
    if (m_recovery) m_recovery->sync();
    processEvents();
    return true;
}

bool DocumentCommands::close(const QString& caption) {
    const QString key = selectedKey();
    if (key.isEmpty() || key == sessionTabKey() || m_view.tabCount() < 2) return false;
    C_SQLTabs* doc = m_docs.item(key);
    if (!doc) return false;
    if (key != m_currentKey) activate(key);
    if (!m_view.editorText().isEmpty() && doc->Change) {
        const MsgResult answer = askYesNoCancel(closeQuestionText(caption));
        if (answer == MsgResult::Cancel) return false;
        // A cancelled or failed save keeps the document open.
        if (answer == MsgResult::Yes && !trySave()) return false;
    }
    m_docs.remove(key);
    m_view.removeTab(key);
    m_currentKey.clear();
    removeTempFiles(key);
    if (m_recovery) m_recovery->sync();
    processEvents();
    // The neighbour the strip selected becomes current, so the editor never keeps the closed text.
    const QString next = selectedKey();
    if (!next.isEmpty()) enter(next);
    return true;
}

// ---- notifications ----

void DocumentCommands::docTabs_Click() {
    if (m_busy) {
        m_switchPending = true;
        return;
    }
    Busy busy(*this);
    const QString key = selectedKey();
    if (key.isEmpty() || key == m_currentKey) return;
    leaveCurrent();
    enter(key);
}

void DocumentCommands::txtSQL_Change() {
    if (m_settingText) return;
    // Undoing back to the saved text makes the document unchanged again.
    if (C_SQLTabs* doc = currentDocument()) {
        const bool changed = m_view.editorText() != doc->sSaved;
        if (changed != doc->Change) markChanged(*doc, changed);
    }
    if (m_recovery) m_recovery->schedule();
}

void DocumentCommands::markChanged(C_SQLTabs& doc, bool changed) {
    doc.Change = changed;
    m_view.setTabCaption(doc.sKey, changed ? doc.sTabText + u'*' : doc.sTabText);
}


// ---- recovery ----

QList<RecoveryCopy> DocumentCommands::unsavedDocuments() const {
    QList<RecoveryCopy> copies;
    for (const QString& key : m_docs.keys()) {
        const C_SQLTabs* doc = m_docs.item(key);
        if (!doc || !doc->Change) continue;
        RecoveryCopy c;
        c.key = key;
        // A document never saved is named without a folder.
        if (doc->sFile.contains(u'/')) c.file = doc->sFile;
        c.caption = doc->sTabText;
        c.encoding = doc->encoding;
        c.text = key == m_currentKey ? m_view.editorText() : doc->sSQL;
        copies << c;
    }
    return copies;
}

int DocumentCommands::offerRecovery() {
    if (!m_recovery || m_busy) return 0;
    const QList<RecoveryCopy> copies = m_recovery->orphanCopies();
    int restored = 0;
    {
        Busy busy(*this);
        for (const RecoveryCopy& copy : copies) {
            const MsgResult answer =
                showMessage(recoveryQuestionText(copy.caption), MsgIcon::Question, MsgButtons::YesNo, MsgResult::Yes);
            if (answer != MsgResult::Yes) continue;
            guardedVoid(Reporter::ErrorMsg, "offerRecovery", kGlobals, [&] { restoreDocument(copy); });
            ++restored;
        }
    }
    // The restored documents now have copies of this instance; the old ones have served.
    m_recovery->sync();
    m_recovery->removeOrphans();
    return restored;
}

void DocumentCommands::restoreDocument(const RecoveryCopy& copy) {
    // A file opened meanwhile (command line) keeps its own document; the copy comes back as new.
    const bool ownFile = !copy.file.isEmpty() && !m_docs.findFile(copy.file);
    const int number = ownFile ? m_docs.nextOpenedFileNumber() : m_docs.nextNewDocumentNumber();
    C_SQLTabs doc;
    doc.sKey = m_docs.makeKey(number);
    doc.sFile = ownFile ? copy.file : newDocumentName(number);
    doc.sTabText = ownFile ? ExtractFileTitle(copy.file) : doc.sFile;
    doc.encoding = copy.encoding;
    leaveCurrent();
    m_view.EnableSession(false);
    C_SQLTabs& added = m_docs.add(doc);
    m_view.addTab(added.sKey, added.sTabText);
    m_view.selectTab(added.sKey);
    m_currentKey = added.sKey;
    putEditorText(copy.text);
    m_view.setCaret(0, 0, true);
    // Undoing back to what the file holds makes the document unchanged, as for any opened file.
    if (ownFile) {
        QFile file(copy.file);
        if (file.open(QIODevice::ReadOnly)) added.sSaved = decodeText(file.readAll()).text;
    }
    markChanged(added, true);
    showParameters();
    setTitle(added.sTabText);
    emptyGrid();
    showRecordCount();
}

// ---- leave and enter ----

void DocumentCommands::activate(const QString& key, bool keepEditorText) {
    leaveCurrent();
    m_view.selectTab(key);
    enter(key, keepEditorText);
}

void DocumentCommands::leaveCurrent() {
    const QString key = m_currentKey;
    m_currentKey.clear();
    C_SQLTabs* doc = m_docs.item(key);
    if (!doc) return; // the Session tab keeps nothing
    doc->sSQL = m_view.editorText();
    guardedVoid(Reporter::ErrorMsg, "docTabs_BeforeClick", kWindow, [&] { parkGrid(*doc); });
}

void DocumentCommands::parkGrid(const C_SQLTabs& doc) {
    const QString layout = tempLayoutFile(tempFolder(), doc.sKey);
    const QString data = tempDataFile(tempFolder(), doc.sKey);
    // Whatever was parked on an earlier leave is not what the grid shows now.
    removeTempFiles(doc.sKey);
    try {
        const bool rowsShown = m_grid.dataMode() == 1;
        // Headers without rows (a failed statement keeps the last result's columns) come back too.
        if (rowsShown || m_grid.columnCount() > 0) {
            QDir().mkpath(tempFolder());
            m_grid.saveLayout(layout);
            if (rowsShown) {
                const Recordset rows = m_grid.currentRecordset();
                if (rows.isOpen()) saveBinary(rows, data);
            }
            processEvents();
        }
    } catch (...) {
        // Half parked would come back as half the grid: the document comes back empty instead.
        removeTempFiles(doc.sKey);
        m_grid.unbind();
        throw;
    }
    m_grid.unbind();
}

void DocumentCommands::enter(const QString& key, bool keepEditorText) {
    guardedVoid(Reporter::ErrorMsg, "docTabs_Click", kWindow, [&] {
        if (key == sessionTabKey()) {
            enterSession();
        } else if (C_SQLTabs* doc = m_docs.item(key)) {
            enterDocument(*doc, keepEditorText);
        }
    });
}

void DocumentCommands::enterSession() {
    m_currentKey = sessionTabKey();
    m_view.EnableSession(true);
    setTitle(sessionTabCaption());
    putEditorText(m_session.SessionText());
    m_view.setCaret(m_view.editorLineCount(), 0, false);
    loadStandardLayout();
    m_grid.showSessionLog();
    m_logFollow.cancelPending();
    showRecordCount();
}

void DocumentCommands::enterDocument(C_SQLTabs& doc, bool keepEditorText) {
    m_currentKey = doc.sKey;
    m_view.EnableSession(false);
    const bool change = doc.Change;
    if (!keepEditorText) {
        putEditorText(doc.sSQL);
        m_view.setCaret(0, 0, true);
    }
    doc.Change = change;
    showParameters();
    setTitle(doc.sTabText);
    const bool report = isReportFile(doc.sFile);
    const QString reportLayout = report ? reportLayoutFile(doc.sFile) : QString();
    const bool ownLayout = report && QFile::exists(reportLayout);
    // The report's own layout shows until its statement has rows; rows that come back keep the
    // layout they were shown with.
    const bool rowsBack = restoreGrid(doc, !ownLayout);
    if (ownLayout && !rowsBack) {
        m_grid.unbind();
        m_grid.loadLayout(reportLayout);
    }
    if (report) m_grid.setKeepLayout(true);
    showRecordCount();
}

bool DocumentCommands::restoreGrid(const C_SQLTabs& doc, bool headersWithoutRows) {
    const QString layout = tempLayoutFile(tempFolder(), doc.sKey);
    const QString data = tempDataFile(tempFolder(), doc.sKey);
    if (!QFile::exists(layout) || (!headersWithoutRows && !QFile::exists(data))) {
        emptyGrid();
        return false;
    }
    try {
        bool bound = false;
        if (QFile::exists(data)) {
            Recordset rows = loadBinary(data);
            rows.setUpdatable(false);
            m_grid.bind(rows);
            bound = true;
        } else {
            m_grid.unbind();
        }
        m_grid.loadLayout(layout);
        processEvents();
        return bound;
    } catch (...) {
        // Parked files that cannot be read leave an empty grid; the document itself is fine.
        report(Reporter::ErrorMsg, describeCurrentException(), "docTabs_Click", kWindow);
        emptyGrid();
        return false;
    }
}

// ---- helpers ----

void DocumentCommands::putEditorText(const QString& text) {
    const QScopedValueRollback<bool> loading(m_settingText, true);
    m_view.setEditorText(text);
}

// The parameter page, when it shows, follows the document that became current.
void DocumentCommands::showParameters() {
    if (m_hooks.showParameters) m_hooks.showParameters(m_view.editorText());
}

void DocumentCommands::emptyGrid() {
    m_grid.unbind();
    m_grid.clearColumns();
}

void DocumentCommands::loadStandardLayout() {
    const QString path = standardLayoutFile(m_programFolder);
    if (QFile::exists(path)) m_grid.loadLayout(path);
}

bool DocumentCommands::saveReportLayout(const QString& path, const char* procedure, const char* module,
                                        bool plainReporter) {
    try {
        m_grid.saveLayout(path);
        return true;
    } catch (...) {
        report(plainReporter ? Reporter::Msg : Reporter::ErrorMsg, describeCurrentException(), procedure,
               module);
        return false;
    }
}

void DocumentCommands::removeTempFiles(const QString& key) {
    QFile::remove(tempLayoutFile(tempFolder(), key));
    QFile::remove(tempDataFile(tempFolder(), key));
}

QString DocumentCommands::selectedKey() const {
    const int index = m_view.selectedTabIndex();
    return index < 0 ? QString() : m_view.tabKey(index);
}

QString DocumentCommands::selectedCaption() const {
    const int index = m_view.selectedTabIndex();
    if (index < 0) return QString();
    // The document's own caption, without the unsaved mark.
    if (const C_SQLTabs* doc = m_docs.item(m_view.tabKey(index))) return doc->sTabText;
    return m_view.tabCaption(index);
}

void DocumentCommands::setTitle(const QString& text) {
    if (m_hooks.setTitle) m_hooks.setTitle(text);
}

void DocumentCommands::showRecordCount() {
    if (m_hooks.showRecordCount) m_hooks.showRecordCount(m_grid.recordCount());
}

void DocumentCommands::processEvents() {
    if (m_hooks.processEvents)
        m_hooks.processEvents();
    else
        QCoreApplication::processEvents();
}

} // namespace mv
