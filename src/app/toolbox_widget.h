#pragma once
// The SQL toolbox: the tab strip tabToolkit with its panels (commands, find, query options, DDL,
// parameters). Selecting a tab shows its panel; the parameter tab parses the editor text first.
#include <QTabWidget>
#include <functional>

namespace mv {

class ToolboxWidget : public QTabWidget {
    Q_OBJECT
public:
    enum Tab { Commands = 1, Find = 2, Options = 3, Ddl = 4, Parameter = 5, History = 6 };

    explicit ToolboxWidget(QWidget* parent = nullptr);

    // Adds the panel of a tab; tabs keep their fixed order whatever order they are added in. A panel
    // that does not scroll by itself is shown in a scroll area.
    void setPanel(Tab tab, QWidget* panel);
    QWidget* panel(Tab tab) const;
    bool isShown(Tab tab) const;
    void showTab(Tab tab);
    // Selects the tab without running its on-selected action (the caller fills the panel itself).
    void selectWithoutAction(Tab tab);
    Tab currentTab() const { return tabAt(currentIndex()); }
    // Run when a tab is selected (DDL refreshes its type list, Parameter parses the text).
    void setOnSelected(Tab tab, std::function<void()> action);
    // The pane height tabs 1 to 4 ask for (1430 twips); tab 5 keeps the height.
    // Brings a collapsed toolbox back, so a tab the program selects can be seen.
    std::function<void()> showCollapsed;
    std::function<void(int pixels)> requestHeight;
    void applyLanguage();

private:
    void selected(int index);
    Tab tabAt(int index) const;
    QMap<int, QWidget*> m_panels; // as given
    QMap<int, QWidget*> m_pages;  // as shown: the panel, or the scroll area around it
    QMap<int, std::function<void()>> m_onSelected;
};

} // namespace mv
