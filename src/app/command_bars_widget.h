#pragma once
// Builds the menu bar and the main toolbar from the command tables. Only entries whose command
// exists in the dispatcher are shown; every action's objectName() is its key.
#include <QHash>
#include <QKeySequence>
#include <QObject>

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;

namespace mv {

class CommandDispatcher;

class CommandBarsWidget : public QObject {
    Q_OBJECT
public:
    CommandBarsWidget(QMainWindow* window, CommandDispatcher& dispatcher);

    void buildMenuBar();  // English captions, German by key in German
    void buildToolbar();  // a click first moves the focus to `focusTarget` when set
    void setFocusTarget(QWidget* w) { m_focusTarget = w; }

    QAction* action(const QString& key) const { return m_actions.value(key); }
    QAction* toolbarAction(const QString& key) const { return m_toolbarActions.value(key); }
    // Enables or disables the menu entry and the toolbar button of a key.
    void setEnabled(const QString& key, bool enabled);
    QMenu* menu(const QString& key) const { return m_menus.value(key); }
    QToolBar* toolbar() const { return m_toolbar; }
    // Adds or recaptions the entry `key` of a submenu filled at run time (recent lists).
    void setSubmenuEntry(QMenu* submenu, const QString& key, const QString& caption);

protected:
    // Explicit shortcuts win over the menu bar's access keys (Alt+Q exits, though "&Query" has Q too).
    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    // Emitted before a top-level menu opens, so check marks and enabled states can be refreshed.
    void menuAboutToShow(const QString& key);

private:
    QMainWindow* m_window;
    CommandDispatcher& m_dispatcher;
    QHash<QString, QAction*> m_actions;
    QHash<QString, QAction*> m_toolbarActions;
    QHash<QString, QMenu*> m_menus;
    QHash<QKeySequence, QAction*> m_overMnemonics;
    QToolBar* m_toolbar = nullptr;
    QWidget* m_focusTarget = nullptr;
};

} // namespace mv
