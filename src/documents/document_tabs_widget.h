#pragma once
// The document tab strip docTabs with its close button cmdCloseFile, over the one editor txtEdit:
// the tabs and the editor as the document commands see them, the look of the Session tab, and
// the recent-files submenu.
#include "documents/document_commands.h"

#include <QWidget>

class QTabBar;
class QToolButton;

namespace mv {

class CommandBarsWidget;
class CommandDispatcher;
class SqlEditorWidget;

class DocumentTabsWidget : public QWidget, public DocumentView {
    Q_OBJECT
  public:
    // The editor and the grid belong to the window and outlive this widget.
    DocumentTabsWidget(SqlEditorWidget& editor, DocumentGridPort& grid, SessionLog& session,
                       const Settings& settings, const QString& programFolder, QWidget* parent = nullptr,
                       SqlTabs::RandomSource random = {});
    ~DocumentTabsWidget() override;

    DocumentCommands& commands() { return m_commands; }
    QTabBar* docTabs() const { return m_tabs; }
    QToolButton* cmdCloseFile() const { return m_close; }
    SqlEditorWidget& editor() const { return m_editor; }

    // The menus and toolbar whose entries the Session tab switches off, and whose kRecentFile
    // submenu lists the recent files (sets the commands' refreshRecentFilesMenu hook).
    void setCommandBars(CommandBarsWidget* bars);
    void registerCommands(CommandDispatcher& dispatcher) { m_commands.registerCommands(dispatcher); }
    // One entry kRF<n> per recent file, captioned with its shortened path. False after a reported error.
    bool RefreshRecentFilesMenu();
    // Texts of the current language.
    void applyLanguage();
    bool sessionShown() const { return m_sessionShown; }

    // DocumentView
    QString editorText() const override;
    void setEditorText(const QString& text) override;
    void clearEditorText() override;
    int editorLineCount() const override;
    void setCaret(int line, int column, bool focus) override;
    int tabCount() const override;
    int selectedTabIndex() const override;
    QString tabKey(int index) const override;
    QString tabCaption(int index) const override;
    int tabIndex(const QString& key) const override;
    void addTab(const QString& key, const QString& caption) override;
    void setTabCaption(const QString& key, const QString& caption) override;
    void removeTab(const QString& key) override;
    void selectTab(const QString& key) override;
    // Session shown: the editor is read-only on light grey without its context menu, the document
    // commands and the close button are off, "Clear logging" shows. Otherwise the reverse.
    void EnableSession(bool shown) override;

  signals:
    // After EnableSession: whether the session document is the one shown.
    void sessionModeChanged(bool shown);

  private:
    void onCurrentChanged();
    void setEntries(const QString& key, bool enabled, bool visibility);

    SqlEditorWidget& m_editor;
    const Settings& m_settings;
    QTabBar* m_tabs;
    QToolButton* m_close;
    CommandBarsWidget* m_bars = nullptr;
    bool m_silent = false;
    bool m_sessionShown = false;
    DocumentCommands m_commands;
};

} // namespace mv
