#include "app/command_table.h"

#include "app/texts.h"

namespace mv {

const std::vector<MenuEntry>& menuTable() {
    using E = MenuEntry;
    static const std::vector<MenuEntry> table = {
        {E::Menu, "kFile", "&File", "&Datei", ""},
        {E::Command, "kNewConn", "&New Database Connection", "Neue &Datenbankverbindung", ""},
        {E::Command, "kEditConn", "&Edit Database Connection", "Datenbankverbindung &editieren", ""},
        {E::Command, "kOpenConn", "&Open Database Connection", "Datenbankverbindung &öffnen", ""},
        {E::Submenu, "kRecentConn", "Open &Recent Connection", "Zuletzt &geöffnete Datenbankverbindungen", ""},
        {E::EndSubmenu, "", "", nullptr, ""},
        {E::Separator, "", "", nullptr, ""},
        {E::Command, "kNewFile", "&New SQL Script", "&Neues SQL Skript", "Alt+N"},
        {E::Command, "kLoad", "&Load SQL Script", "SQL Skript &laden", ""},
        {E::Command, "kCloseFile", "&Close SQL Script", "SQL Skript s&chliessen", ""},
        {E::Command, "kSave", "&Save SQL Script", "SQL Skript &speichern", "Ctrl+S"},
        {E::Command, "kSaveAs", "Save SQL &As ...", "SQL Skript speichern &unter ...", ""},
        {E::Submenu, "kRecentFile", "Open &Recent SQL Script", "&Zuletzt geöffnete SQL Skripte", ""},
        {E::EndSubmenu, "", "", nullptr, ""},
        {E::Separator, "", "", nullptr, ""},
        {E::Command, "kSettings", "&Settings", "E&instellungen", ""},
        {E::Separator, "", "", nullptr, ""},
        {E::Command, "kExit", "E&xit", "&Beenden", "Alt+Q"},

        {E::Menu, "kEdit", "&Edit SQL", "SQL-&Editieren", ""},
        {E::Command, "kUndo", "&Undo", "&Rückgängig", ""},
        {E::Command, "kRedo", "&Redo", "&Wiederholen", ""},
        {E::Command, "kCut", "&Cut", "&Ausschneiden", ""},
        {E::Command, "kCopy", "C&opy", "&Kopieren", ""},
        {E::Command, "kPaste", "&Paste", "&Einfügen", ""},
        {E::Command, "kSelectAll", "&Select all", "&Alles auswählen", "Ctrl+A"},
        {E::Separator, "", "", nullptr, ""},
        {E::Command, "kUcase", "&Ucase", "Umwandeln in &Grossbuchstaben", ""},
        {E::Command, "kDelTabs", "&Delete Tabs", "Alle &Tabs löschen", ""},
        {E::Command, "kFormatSQL", "&Format SQL", "SQL &formatieren", ""},
        {E::Command, "kDelText", "Delete &Querytext", "&SQL Text löschen", ""},
        {E::Separator, "", "", nullptr, ""},
        {E::Command, "kComment", "&Comment Row", "Zeile &Einkommentieren", "Alt+C"},
        {E::Command, "kUnComment", "&UnComment Row", "Zeile &Auskommentieren", "Alt+U"},
        {E::Command, "kTab", "&Increase indent", "Einzug &vergrössern", ""},
        {E::Command, "kUnTab", "&Reduce indent", "Einzug verkl&einern", ""},
        {E::Separator, "", "", nullptr, ""},
        {E::Command, "kAutoColoring", "&Autosyntax Coloring", "&Automatische Texteinfärbung", "", true},

        {E::Menu, "kQuery", "&Query", "S&QL-Abfrage", ""},
        {E::Command, "kStart", "&Execute Query", "Abfrage &ausführen", "F2"},
        {E::Command, "kStop", "&Stop Query", "Abfrage &stoppen", "F3"},
        {E::Command, "kStartStatement", "Execute S&tatement at Cursor", "Anweisung am &Cursor ausführen",
         "Ctrl+Return"},
        {E::Command, "kStartToFile", "Execute to &File...", "In &Datei ausführen...", "Shift+F2"},
        {E::Separator, "", "", nullptr, ""},
        {E::Command, "kBuildUpdate", "Build &Update", "&Update erzeugen", ""},
        {E::Command, "kBuildWhere", "Build &Where", "&Where erzeugen", ""},
        {E::Command, "kBuildJoin", "Build &Join", "&Join erzeugen", ""},
        {E::Separator, "", "", nullptr, ""},
        {E::Command, "kInsertFields", "&Insert Fieldlist", "&Feldliste Einfügen", "Alt+I"},

        {E::Menu, "kResult", "&Resultgrid", "&Ergebnistabelle", ""},
        {E::Command, "kLayout", "&Layout settings", "&Layout einrichten", ""},
        {E::Command, "kSorting", "Allow Column &Sorting", "Spalten&sortierung erlauben", "", true},
        {E::Separator, "", "", nullptr, ""},
        {E::Command, "kGrouping", "Allow Column &Grouping", "&Gruppierung erlauben", "", true},
        {E::Command, "kGroupFooter", "Show Group &Footer", "Gruppen &Fuß anzeigen", "", true},
        {E::Separator, "", "", nullptr, ""},
        {E::Command, "kNavigation", "Show Record &Navigation", "Datensatz &Navigation anzeigen", "", true},
        {E::Command, "kCardView", "&Card View", "&Kartenansicht", "", true},
        {E::Command, "kFitColumns", "&Fit All Columns", "&Automatische Spaltenbreite", ""},
        {E::Separator, "", "", nullptr, ""},
        {E::Command, "kShowRowHeaders", "Show Row &Headers", "&Zeilenköpfe anzeigen", "", true},
        {E::Command, "kShowEvenOdd", "Show &Even-Odd Colors", nullptr, "", true},
        {E::Command, "kShowGridlines", "Show &Gridlines", "&Gitterlinien anzeigen", "", true},
        {E::Command, "kShowReportHeaders", "&Report Style", "&Reportkopf anzeigen", "", true},
        {E::Separator, "", "", nullptr, ""},
        {E::Command, "kPrintSettings", "&Print Settings", "&Druckeinstellungen", ""},
        {E::Command, "kPrint", "&Print Preview", "Druck &Vorschau", ""},
        {E::Separator, "kLogSep", "", nullptr, "", false, true},
        {E::Command, "kDelLog", "&Clear logging", "Logging löschen", "", false, true},
        {E::Separator, "", "", nullptr, ""},
        {E::Submenu, "kExport", "Export As...", "Exportieren als...", ""},
        {E::Command, "kExportRTF", "RTF-File", "RTF-Datei", ""},
        {E::Command, "kExportCSV", "CSV-File", "CSV-Datei", ""},
        {E::Command, "kExportText", "Text-File", "Textdatei", ""},
        {E::Command, "kExportXML", "XML(Morvenda)-File", "XML(Morvenda)-Datei", ""},
        {E::Command, "kExportXHTML", "XHTML-File", "XHTML-Datei", ""},
        {E::EndSubmenu, "", "", nullptr, ""},
        {E::Separator, "", "", nullptr, ""},
        {E::Submenu, "kImport", "Import...", nullptr, ""},
        {E::Command, "kImportXML", "XML(Morvenda)-File", "XML(Morvenda)-Datei", ""},
        {E::Command, "kImportRTF", "RTF-File", "RTF-Datei", ""},
        {E::Command, "kImportCSV", "CSV-File", "CSV-Datei", ""},
        {E::EndSubmenu, "", "", nullptr, ""},

        {E::Menu, "kDBInfo", "&DBInfo", "&DBInfo", ""},
        {E::Command, "kExTables", "All &Tables", "Alle &Tabellen", ""},
        {E::Command, "kExFields", "All &Fields", "Alle &Felder", ""},
        {E::Command, "kExViews", "All &Views", "Alle &Views", ""},
        {E::Command, "kExViewFields", "All V&iew-Fields", "Alle V&iew-Felder", ""},
        {E::Command, "kExIndexFields", "All &Index-Fields", "Alle &Index-Felder", ""},
        {E::Command, "kExStProcParas", "All Stored Proc. &Parameter", nullptr, ""},
        {E::Command, "kExRecordcount", "All &Recordcount", "Alle &Datensatzmengen", ""},

        {E::Menu, "kHelp", "&?", "&?", ""},
        {E::Command, "kHelpContents", "Help &Contents", "&Inhalt", "F1"},
        {E::Command, "kHelpIndex", "Help &Index", "Inde&x", ""},
        {E::Separator, "", "", nullptr, ""},
        {E::Command, "kAbout", "&About Morvenda...", "&Info zu Morvenda...", ""},
    };
    return table;
}

const std::vector<ToolbarEntry>& toolbarTable() {
    static const std::vector<ToolbarEntry> table = {
        {"kScrOpenCon", "Connect", "Verbinden", "Open Connection", "Verbindung zur Datenbank herstellen"},
        {"kNewScript", "New", "Neu", "New SQL-Script", "Neues SQL_Skript"},
        {"kScrOpen", "Open", "Öffnen", "Open SQL-Script", "SQL-Skript öffnen"},
        {"kScrSave", "Save", "Speichern", "Save SQL-Script", "SQL-Skript speichern"},
        {"kScrSaveAs", "Save As", "Speichern..", "Save SQL-Script As...", "SQL-Skript speichern unter..."},
        {"kDelSQL", "Delete", "Löschen", "Delete Querytext", "Querytext löschen"},
        {nullptr, "", "", "", ""},
        {"kExecute", "Execute", "Ausführen", "Execute Query", "Query ausführen"},
        {"kStop", "Stop", "Stop", "Stop Query execution", "Query ausführung stoppen"},
    };
    return table;
}

const std::vector<StatusPanel>& statusPanels() {
    static const std::vector<StatusPanel> panels = {
        {"kConnection", "No database connection! ", "Keine Datenbankverbindung! ", "Connection: user@database",
         "Verbindung: benutzer@datenbank"},
        {"kTime", "Elapsed time: -- ", "Ausführungszeit: -- ", "Elapsed time", "verstrichene Ausführungszeit"},
        {"kRecords", " -- Records ", " -- Datensätze ", "Number of data records",
         "Anzahl der Datensätze des Abfrageergebnisses"},
        {"kEdit", "", "", "Line/Column Number", "Zeilen/Spalten -nummer"},
    };
    return panels;
}

QString menuCaption(const MenuEntry& e) {
    return e.german ? ui_text(e.german, e.english) : QString::fromUtf8(e.english);
}

} // namespace mv
