#include "app/toolbox_widget.h"

#include "app/texts.h"

#include <QFrame>
#include <QScrollArea>

namespace mv {

namespace {
QString caption(int tab) {
    switch (tab) {
    case ToolboxWidget::Commands: return ui_text("SQL-Befehle", "SQL-Commands");
    case ToolboxWidget::Find: return ui_text("Suchen/Ersetzen", "Find/Replace");
    case ToolboxWidget::Options: return ui_text("Abfrage Optionen", "Query Options");
    case ToolboxWidget::Ddl: return QStringLiteral("DDL");
    case ToolboxWidget::History: return ui_text("Verlauf", "History");
    default: return QStringLiteral("Parameter");
    }
}
} // namespace

ToolboxWidget::ToolboxWidget(QWidget* parent) : QTabWidget(parent) {
    setObjectName(QStringLiteral("tabToolkit"));
    setDocumentMode(true);
    connect(this, &QTabWidget::currentChanged, this, &ToolboxWidget::selected);
}

ToolboxWidget::Tab ToolboxWidget::tabAt(int index) const {
    QWidget* w = widget(index);
    for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it)
        if (it.value() == w) return Tab(it.key());
    return Commands;
}

void ToolboxWidget::setPanel(Tab tab, QWidget* panel) {
    m_panels.insert(tab, panel);
    // In a small window the pane is lower than a panel: the panel scrolls rather than being cut off.
    QWidget* page = panel;
    if (!qobject_cast<QScrollArea*>(panel)) {
        auto* scroll = new QScrollArea;
        scroll->setObjectName(panel->objectName() + QStringLiteral("Scroll"));
        scroll->setWidgetResizable(true);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidget(panel);
        page = scroll;
    }
    m_pages.insert(tab, page);
    int index = 0;
    for (auto it = m_pages.cbegin(); it != m_pages.cend() && it.key() < tab; ++it) ++index;
    const QSignalBlocker block(this);
    insertTab(index, page, caption(tab));
}

QWidget* ToolboxWidget::panel(Tab tab) const { return m_panels.value(tab); }

bool ToolboxWidget::isShown(Tab tab) const { return m_pages.value(tab) && currentWidget() == m_pages.value(tab); }

void ToolboxWidget::showTab(Tab tab) {
    if (QWidget* w = m_pages.value(tab)) {
        if (currentWidget() == w) selected(currentIndex());
        else setCurrentWidget(w);
    }
}

void ToolboxWidget::selectWithoutAction(Tab tab) {
    if (isHidden() && showCollapsed) showCollapsed();
    QWidget* w = m_pages.value(tab);
    if (!w || currentWidget() == w) return;
    const QSignalBlocker block(this);
    setCurrentWidget(w);
}

void ToolboxWidget::setOnSelected(Tab tab, std::function<void()> action) { m_onSelected.insert(tab, std::move(action)); }

void ToolboxWidget::selected(int index) {
    if (index < 0) return;
    const Tab tab = tabAt(index);
    if (tab != Parameter && requestHeight) requestHeight(1430 / 15);
    if (const auto action = m_onSelected.value(tab)) action();
}

void ToolboxWidget::applyLanguage() {
    for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it) setTabText(indexOf(it.value()), caption(it.key()));
}

} // namespace mv
