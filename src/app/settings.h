#pragma once
// The in-memory settings of a run and their reading from and writing to the settings file.
#include "app/ini_file.h"
#include "app/user_port.h"

#include <QString>

namespace mv {

struct Settings {
    bool autoSyntaxColoring = true;
    bool allowUpdate = false;
    bool allowAddNew = false;
    bool allowDelete = false;
    int fileShortLen = 60;
    QString startupUDL;        // empty: no data link file at start
    QString standardUDLPath;   // empty until read
    QString standardQueryPath; // empty until read
    FontSpec editFont;         // Courier New, 10 pt, not bold
    int language = 2;
    // Section "Extras" (LoadExtraSettings): the work aids beyond the settings above.
    bool autoCompletion = true;       // the completion list opens on its own after "." and 3 letters
    bool showNullMark = true;         // NULL cells read a greyed "NULL"
    int historyMaxEntries = 50000;    // the query history keeps at most this many statements
    // SQLite and PostgreSQL through their own client libraries; False: every connection uses ODBC.
    bool nativeEngines = true;
    int recoverySeconds = 5; // copies of unsaved documents this long after an edit; 0: none
};

// Reads every key of section "Settings" in its fixed order. A value that cannot be converted
// stops the reading at that key (reported); the keys after it keep their earlier values.
// `programFolder` is the default of both paths. Also sets the program language.
void LoadSettings(const IniFile& ini, const QString& programFolder, Settings& settings);
// Writes what is saved at exit: AutoSyntaxColoring.
void SaveSettings(const IniFile& ini, const Settings& settings);

// Section "Extras": AutoCompletion, ShowNull (True/False) and HistoryMaxEntries (100 to
// 10,000,000). A value that does not read keeps its default and is reported.
void LoadExtraSettings(const IniFile& ini, Settings& settings);
void SaveExtraSettings(const IniFile& ini, const Settings& settings);

// The EditFont value: name|bold|size in hundredths of a point.
QString editFontText(const FontSpec& font);

// Conversions with the program's rules; throw MvError 13 (type mismatch) or 6 (overflow).
bool toBoolean(const QString& text);
int toInt16(const QString& text);
// The leading number of a text (blanks before it ignored); 0 when it starts with none.
double leadingNumber(const QString& text);

} // namespace mv
