#pragma once
// What the document commands need of the window: the editor and the tab strip (DocumentView),
// the result grid (DocumentGridPort) and a few window callbacks (DocumentHooks).
#include "db/recordset.h"

#include <QString>
#include <functional>

namespace mv {

// The editor txtEdit and the tab strip docTabs. Changes the commands make here never come back
// as tab notifications; the commands do their own leave and enter work.
class DocumentView {
  public:
    virtual ~DocumentView() = default;

    // ---- editor ----
    virtual QString editorText() const = 0;
    // Replaces the whole text (also on the read-only session editor); the undo history starts anew.
    virtual void setEditorText(const QString& text) = 0;
    // Empties the text as an edit the user can undo.
    virtual void clearEditorText() = 0;
    virtual int editorLineCount() const = 0;
    virtual void setCaret(int line, int column, bool focus) = 0;

    // ---- tab strip; index 0 is the first tab, -1 none ----
    virtual int tabCount() const = 0;
    virtual int selectedTabIndex() const = 0;
    virtual QString tabKey(int index) const = 0;
    virtual QString tabCaption(int index) const = 0;
    virtual int tabIndex(const QString& key) const = 0;
    virtual void addTab(const QString& key, const QString& caption) = 0;
    virtual void setTabCaption(const QString& key, const QString& caption) = 0;
    // Removes the tab; the strip then selects a neighbour.
    virtual void removeTab(const QString& key) = 0;
    virtual void selectTab(const QString& key) = 0;

    // The session document is shown (true) or a SQL document (false): editor look and the
    // commands that only work on documents.
    virtual void EnableSession(bool shown) = 0;
};

// The result grid as the documents use it. Layout files are opaque to the documents: whatever
// the grid's layout persistence writes, it reads again.
class DocumentGridPort {
  public:
    virtual ~DocumentGridPort() = default;
    // 1 while a recordset is bound.
    virtual int dataMode() const = 0;
    // A copy of the bound recordset with the grid's edits; a closed one when nothing is bound.
    virtual Recordset currentRecordset() const = 0;
    virtual void bind(const Recordset& rows) = 0;
    // The rows go; the columns stay.
    virtual void unbind() = 0;
    virtual void clearColumns() = 0;
    // The columns the grid shows headers for, with or without rows.
    virtual int columnCount() const = 0;
    virtual int recordCount() const = 0;
    // Both throw MvError; a failed load changes nothing.
    virtual void saveLayout(const QString& path) const = 0;
    virtual void loadLayout(const QString& path) = 0;
    // The grid keeps its columns when new rows are bound.
    virtual void setKeepLayout(bool on) = 0;
    // Fills the grid with the session log records (the Session tab).
    virtual void showSessionLog() = 0;
    // New session log records arrived while the Session tab is shown: the grid takes them and keeps
    // its columns as the user left them.
    virtual void updateSessionLog() { showSessionLog(); }
};

// Window callbacks; each may be left empty.
struct DocumentHooks {
    std::function<void(const QString&)> setTitle;       // SetTitle with the tab caption
    std::function<void(qint64)> showRecordCount;        // the status bar's record count
    std::function<void(const QString&)> showParameters; // the parameters page shows the text's tags
    std::function<void()> refreshRecentFilesMenu;       // the list of recent files changed
    std::function<void()> processEvents;                // pending UI events run
};

} // namespace mv
