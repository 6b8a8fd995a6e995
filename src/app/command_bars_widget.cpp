#include "app/command_bars_widget.h"

#include "app/command_dispatcher.h"
#include "app/command_table.h"
#include "app/texts.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHash>
#include <QIcon>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSet>
#include <QToolBar>

#include <algorithm>

namespace mv {

namespace {
// Menu entries that do what a toolbar button does show the button's picture.
QIcon pictureFor(const QString& key) {
    static const QHash<QString, QString> sameAs = {
        {QStringLiteral("kOpenConn"), QStringLiteral("kScrOpenCon")},
        {QStringLiteral("kNewFile"), QStringLiteral("kNewScript")},
        {QStringLiteral("kLoad"), QStringLiteral("kScrOpen")},
        {QStringLiteral("kSave"), QStringLiteral("kScrSave")},
        {QStringLiteral("kSaveAs"), QStringLiteral("kScrSaveAs")},
        {QStringLiteral("kDelText"), QStringLiteral("kDelSQL")},
        {QStringLiteral("kStart"), QStringLiteral("kExecute")},
        {QStringLiteral("kHelpIndex"), QStringLiteral("kHelpContents")},
    };
    const QString file = QStringLiteral(":/icons/") + sameAs.value(key, key) + QStringLiteral(".svg");
    return QFile::exists(file) ? QIcon(file) : QIcon();
}
} // namespace

CommandBarsWidget::CommandBarsWidget(QMainWindow* window, CommandDispatcher& dispatcher)
    : QObject(window), m_window(window), m_dispatcher(dispatcher) {}

void CommandBarsWidget::buildMenuBar() {
    QMenuBar* bar = m_window->menuBar();
    bar->clear();
    m_menus.clear();
    QMenu* top = nullptr;
    QMenu* current = nullptr;
    QAction* pendingSeparator = nullptr;
    // The separator before a submenu waits for the submenu's end: only then is it known to be shown.
    QAction* separatorBeforeSubmenu = nullptr;
    for (const MenuEntry& e : menuTable()) {
        const QString key = QString::fromUtf8(e.key);
        switch (e.kind) {
        case MenuEntry::Menu:
            top = current = new QMenu(menuCaption(e), bar);
            top->setObjectName(key);
            m_menus.insert(key, top);
            connect(top, &QMenu::aboutToShow, this, [this, key] { emit menuAboutToShow(key); });
            pendingSeparator = nullptr;
            break;
        case MenuEntry::Submenu: {
            auto* sub = new QMenu(menuCaption(e), top);
            sub->setObjectName(key);
            sub->setIcon(pictureFor(key));
            m_menus.insert(key, sub);
            current = sub;
            separatorBeforeSubmenu = pendingSeparator;
            pendingSeparator = nullptr;
            break;
        }
        case MenuEntry::EndSubmenu: {
            QMenu* sub = current;
            current = top;
            pendingSeparator = separatorBeforeSubmenu;
            separatorBeforeSubmenu = nullptr;
            // A submenu is shown when it has entries or is filled at run time (recent lists).
            const bool filledLater =
                m_dispatcher.has(sub->objectName() == QLatin1String("kRecentConn") ? QStringLiteral("kRC1")
                                                                                   : QStringLiteral("kRF1"));
            const bool isRecent = sub->objectName().startsWith(QLatin1String("kRecent"));
            if (!sub->actions().isEmpty() || (isRecent && filledLater)) {
                if (pendingSeparator && !current->actions().isEmpty()) current->addAction(pendingSeparator);
                pendingSeparator = nullptr;
                current->addMenu(sub);
            }
            break;
        }
        case MenuEntry::Separator: {
            auto* sep = new QAction(current);
            sep->setSeparator(true);
            if (!key.isEmpty()) {
                sep->setObjectName(key);
                sep->setVisible(!e.hiddenAtStart);
                m_actions.insert(key, sep);
                current->addAction(sep);
            } else if (!current->actions().isEmpty()) {
                pendingSeparator = sep;
            }
            break;
        }
        case MenuEntry::Command: {
            if (!m_dispatcher.has(key)) break;
            if (pendingSeparator && current->actions().size() > 0) current->addAction(pendingSeparator);
            pendingSeparator = nullptr;
            auto* a = new QAction(pictureFor(key), menuCaption(e), current);
            a->setObjectName(key);
            if (e.shortcut && *e.shortcut) a->setShortcut(QKeySequence(QString::fromUtf8(e.shortcut)));
            a->setCheckable(e.checkable);
            a->setVisible(!e.hiddenAtStart);
            connect(a, &QAction::triggered, this, [this, key] { m_dispatcher.dispatch(key); });
            m_actions.insert(key, a);
            current->addAction(a);
            m_window->addAction(a); // shortcuts work while the menu is closed
            break;
        }
        }
    }
    QSet<QKeySequence> mnemonics;
    for (const MenuEntry& e : menuTable()) {
        if (e.kind != MenuEntry::Menu) continue;
        QMenu* m = m_menus.value(QString::fromUtf8(e.key));
        if (!m) continue;
        const auto actions = m->actions();
        if (std::any_of(actions.begin(), actions.end(), [](QAction* a) { return !a->isSeparator(); })) {
            bar->addMenu(m);
            mnemonics.insert(QKeySequence::mnemonic(m->title()));
        }
    }
    m_overMnemonics.clear();
    for (QAction* a : std::as_const(m_actions))
        if (!a->shortcut().isEmpty() && mnemonics.contains(a->shortcut()))
            m_overMnemonics.insert(a->shortcut(), a);
    qApp->removeEventFilter(this);
    if (!m_overMnemonics.isEmpty()) qApp->installEventFilter(this);
}

bool CommandBarsWidget::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    if (QApplication::activeWindow() != m_window || QApplication::activePopupWidget() ||
        QApplication::activeModalWidget())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    QAction* a = m_overMnemonics.value(QKeySequence(key->keyCombination()));
    if (!a || !a->isEnabled() || !a->isVisible()) return false;
    // Claiming the override keeps the menu bar from taking the key; the key press then runs the entry.
    event->accept();
    if (event->type() == QEvent::KeyPress) a->trigger();
    return true;
}

void CommandBarsWidget::setSubmenuEntry(QMenu* submenu, const QString& key, const QString& caption) {
    for (QAction* a : submenu->actions()) {
        if (a->objectName() == key) {
            a->setText(QString(caption).replace(u'&', QStringLiteral("&&")));
            return;
        }
    }
    auto* a = submenu->addAction(QString(caption).replace(u'&', QStringLiteral("&&")));
    a->setObjectName(key);
    m_actions.insert(key, a);
    connect(a, &QAction::triggered, this, [this, key] { m_dispatcher.dispatch(key); });
}

void CommandBarsWidget::setEnabled(const QString& key, bool enabled) {
    if (QAction* a = m_actions.value(key)) a->setEnabled(enabled);
    if (QAction* a = m_toolbarActions.value(key)) a->setEnabled(enabled);
    if (QMenu* m = m_menus.value(key)) m->setEnabled(enabled);
}

void CommandBarsWidget::buildToolbar() {
    if (!m_toolbar) {
        m_toolbar = m_window->addToolBar(QStringLiteral("Toolbar"));
        m_toolbar->setObjectName(QStringLiteral("smToolbar"));
        m_toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        m_toolbar->setMovable(false);
    }
    m_toolbar->clear();
    bool pendingSeparator = false;
    for (const ToolbarEntry& e : toolbarTable()) {
        if (!e.key) {
            pendingSeparator = !m_toolbar->actions().isEmpty();
            continue;
        }
        const QString key = QString::fromUtf8(e.key);
        if (!m_dispatcher.has(key)) continue;
        if (pendingSeparator) m_toolbar->addSeparator();
        pendingSeparator = false;
        auto* a = m_toolbar->addAction(ui_text(e.german, e.english));
        a->setObjectName(key);
        a->setToolTip(ui_text(e.tipGerman, e.tipEnglish));
        m_toolbarActions.insert(key, a);
        a->setIcon(pictureFor(key));
        connect(a, &QAction::triggered, this, [this, key] {
            // The editor loses the focus first, so its text is complete when the command reads it.
            if (m_focusTarget) m_focusTarget->setFocus();
            m_dispatcher.dispatch(key);
        });
    }
    m_toolbar->setVisible(!m_toolbar->actions().isEmpty());
}

} // namespace mv
