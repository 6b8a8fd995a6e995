#pragma once
// The SQL documents of the window: New, Open, Save, Save As, Close, the two clear-text commands,
// switching between document tabs (each document keeps its text, change flag, result rows and grid
// layout), the recent-files list and the save question at shutdown.
//
// Only the current document lives in the editor. Leaving a document stores the editor text in it
// and parks the grid's rows and layout in the temporary folder under the document's key; entering
// it brings them back. The Session tab (key "kSession") is no document: entering it shows the
// session protocol read-only.
#include "app/ini_file.h"
#include "documents/document_ports.h"
#include "documents/document_recovery.h"
#include "documents/recent_files.h"
#include "documents/refresh_throttle.h"
#include "documents/sql_tabs.h"

#include <QString>

namespace mv {

class CommandDispatcher;
class SessionLog;
enum class SessionChange;
struct Settings;

class DocumentCommands {
  public:
    // `settings` gives the first folder of the file dialogs (standardQueryPath, read at first use)
    // and the length of the recent-file captions.
    DocumentCommands(DocumentView& view, DocumentGridPort& grid, SessionLog& session,
                     const Settings& settings, const QString& programFolder,
                     SqlTabs::RandomSource random = {});
    ~DocumentCommands();
    DocumentCommands(const DocumentCommands&) = delete;
    DocumentCommands& operator=(const DocumentCommands&) = delete;

    DocumentHooks& hooks() { return m_hooks; }
    SqlTabs& documents() { return m_docs; }
    const SqlTabs& documents() const { return m_docs; }
    RecentList& recentFiles() { return m_recent; }
    const RecentList& recentFiles() const { return m_recent; }

    // The key whose content the editor shows: a document key, "kSession", or empty.
    const QString& currentKey() const { return m_currentKey; }
    C_SQLTabs* currentDocument() { return m_docs.item(m_currentKey); }
    // The path last opened or chosen in Save As; cleared by the toolbar clear-text command.
    const QString& currentFileName() const { return m_currentFile; }
    // The folder the file dialogs start in.
    QString lastFolder() const;
    // This instance's own folder for parked results (the program folder's "temp" until set).
    QString tempFolder() const { return m_tempFolder.isEmpty() ? m_programFolder + QStringLiteral("/temp") : m_tempFolder; }
    void setTempFolder(const QString& folder) { m_tempFolder = folder; }

    // ---- start-up ----
    // The fixed Session tab, first in the strip (once).
    void addSessionTab();
    // Reads the list from section "Recent Files" and fills the menu.
    void LoadRecentFiles(const IniFile& ini);
    // kNewFile, kNewScript, kLoad, kScrOpen, kCloseFile, kSave, kScrSave, kSaveAs, kScrSaveAs,
    // kDelSQL, kDelText and the recent entries kRF1..kRF5.
    void registerCommands(CommandDispatcher& dispatcher);

    // ---- commands; each traps and reports its own errors ----
    void NewSQLFile();
    // given: path names the file (recent files, command line); otherwise the open dialog asks.
    // True when a document was opened.
    bool cmdOpenSQLFile(bool given, const QString& path);
    // Opens entry n (1..5) of the recent files.
    bool openRecentFile(int n);
    // True when the current document's text is in its file afterwards.
    bool cmdSQLSave();
    bool cmdSQLSaveAs();
    // Closes the selected document after the save question; the Session tab never closes. True
    // when a document was closed.
    bool CloseSQLFile(const QString& caption);
    // The close button and kCloseFile: CloseSQLFile with the selected tab's caption.
    bool cmdCloseFile_Click();
    void cmdDElQueryText(); // toolbar clear-text
    void cmdDelText();      // menu clear-text
    // True (with a message) when a document is bound to exactly this path.
    bool CheckIfCurrentlyOpen(const QString& path);

    // ---- notifications ----
    // The strip selected another tab: the document left keeps its state, the one entered gets it back.
    void docTabs_Click();
    // The editor's text changed: the current document has unsaved edits.
    void txtSQL_Change();
    // The session log changed: the Session tab, when shown, follows it at once.
    void sessionChanged(SessionChange what);
    void followSessionLog();

    // ---- recovery copies of unsaved documents ----
    // The copies follow the documents once set (the object outlives these commands).
    void setRecovery(DocumentRecovery* recovery) { m_recovery = recovery; }
    // The documents with unsaved changes and their current texts.
    QList<RecoveryCopy> unsavedDocuments() const;
    // Offers each document left by an instance that ended without saving it; restored ones open
    // as changed documents. The old copies are removed afterwards. Returns how many were restored.
    int offerRecovery();

    // ---- shutdown ----
    // Stores the current document, then asks for every changed, non-empty document in turn
    // whether to save it. False when the user cancels (or a save he asked for did not happen):
    // the program keeps running.
    bool CheckUnsavedDocuments();
    bool SaveRecentFiles(const IniFile& ini) const;

  private:
    class Busy;
    friend class Busy;

    void newDocument();
    void restoreDocument(const RecoveryCopy& copy);
    bool openFile(bool given, const QString& path);
    bool save();
    bool saveAs();
    bool close(const QString& caption);
    // Save and Save As with their own error reports, for the commands that call them.
    bool trySave();
    bool trySaveAs();

    // Leave steps: the editor text goes into the current document, the grid's rows and layout to
    // the temporary folder; afterwards no key is current. Nothing is kept for the Session tab.
    void leaveCurrent();
    void parkGrid(const C_SQLTabs& doc);
    // Enter steps for a tab key; keepEditorText when the editor already holds the document's text.
    void enter(const QString& key, bool keepEditorText = false);
    void enterSession();
    void enterDocument(C_SQLTabs& doc, bool keepEditorText);
    // True when parked rows were bound again. Parked headers without rows only come back when
    // headersWithoutRows (a report shows its own layout instead).
    bool restoreGrid(const C_SQLTabs& doc, bool headersWithoutRows);
    // Leaves the current document, selects the tab and enters it.
    void activate(const QString& key, bool keepEditorText = false);
    // Puts a text into the editor without counting it as an edit.
    void putEditorText(const QString& text);
    void showParameters();
    void emptyGrid();
    void loadStandardLayout();
    bool saveReportLayout(const QString& path, const char* procedure, const char* module, bool plainReporter);
    void removeTempFiles(const QString& key);

    // Sets the change flag and the tab's unsaved mark ("*" after the caption).
    void markChanged(C_SQLTabs& doc, bool changed);
    QString selectedKey() const;
    QString selectedCaption() const;
    void setTitle(const QString& text);
    void showRecordCount();
    void processEvents();

    DocumentView& m_view;
    DocumentGridPort& m_grid;
    SessionLog& m_session;
    const Settings& m_settings;
    QString m_programFolder;
    QString m_tempFolder;
    SqlTabs m_docs;
    RecentList m_recent;
    DocumentHooks m_hooks;

    QString m_currentKey;
    QString m_currentFile;
    QString m_lastFolder;
    bool m_lastFolderSet = false;
    bool m_settingText = false;
    int m_busy = 0;
    bool m_switchPending = false;
    bool m_followingSession = false;
    DocumentRecovery* m_recovery = nullptr;
    // A long script adds many log records a second; rebinding the grid for each would cost time
    // growing with the square of the log.
    RefreshThrottle m_logFollow{[this] { followSessionLog(); }};
};

// The question for each recovered document (Yes/No).
QString recoveryQuestionText(const QString& caption);

// The questions of the document commands (title "Morvenda", Yes/No/Cancel, No the default).
QString closeQuestionText(const QString& caption);    // close and menu clear-text
QString shutdownQuestionText(const QString& caption); // at shutdown
QString clearQuestionText();                          // toolbar clear-text

} // namespace mv
