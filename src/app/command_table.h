#pragma once
// The command vocabulary: every menu entry, toolbar button and status bar panel by key, with its
// captions in both languages. The window builds its bars from these tables.
#include <QString>
#include <vector>

namespace mv {

struct MenuEntry {
    enum Kind { Menu, Command, Submenu, Separator, EndSubmenu };
    Kind kind;
    const char* key;     // empty for plain separators
    const char* english;
    const char* german;  // nullptr: the English caption stays
    const char* shortcut;
    bool checkable = false;
    bool hiddenAtStart = false;
};

struct ToolbarEntry {
    const char* key; // nullptr: separator
    const char* english;
    const char* german;
    const char* tipEnglish;
    const char* tipGerman;
};

struct StatusPanel {
    const char* key;
    const char* english;
    const char* german;
    const char* tipEnglish;
    const char* tipGerman;
};

const std::vector<MenuEntry>& menuTable();
const std::vector<ToolbarEntry>& toolbarTable();
const std::vector<StatusPanel>& statusPanels();

// The caption of an entry in the current language.
QString menuCaption(const MenuEntry& e);

} // namespace mv
