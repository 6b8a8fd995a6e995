#pragma once
// Data link files (.udl) and the database files that connect without one (Jet and SQLite shortcuts).
#include <QString>
#include <functional>

namespace mv {

// The first two lines of a data link file as this program writes it.
inline constexpr char16_t kUdlHeader[] =
    u"[oledb]\r\n; Everything after this line is an OLE DB initstring\r\n";

// Reads the connection string (the third line) of a data link file: UTF-16LE with byte-order mark as
// written here, UTF-16BE or UTF-8 (with or without byte-order mark) as other tools write it; lines
// may end with CR LF, LF or CR. Throws MvError with a clear text when the file cannot be read, is not
// text, or has fewer than three lines.
QString readDataLinkFile(const QString& fileName);

// Writes a data link file: byte-order mark, UTF-16LE, the two header lines and the connection string,
// each line ended by CR LF. The file is replaced as a whole or not at all. Throws MvError when the
// string spans lines or the file cannot be written.
void writeDataLinkFile(const QString& fileName, const QString& connectionString);

// The connection string of a data link file, or an empty text after the reason has been shown.
QString GetCSFromFile(const QString& fileName);

// Database files that connect directly: Jet when the lower-cased file name contains ".mdb", SQLite when
// it ends in ".db", ".sqlite" or ".sqlite3" (that ending wins over ".mdb" elsewhere in the name).
// Only the file's own name counts, not the folders above it.
enum class FileShortcut { None, Jet, SQLite };
FileShortcut shortcutOf(const QString& fileName);
// The connection string of a shortcut file, empty for FileShortcut::None. Jet:
// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=<file>;Persist Security Info=False";
// SQLite: "Driver=SQLite3;Database=<file>".
QString shortcutConnectionString(const QString& fileName);

// What the data-link dialog answers when asked for a connection string.
struct DataLinkAnswer {
    enum Outcome { Accepted, Cancelled, NoProvider };
    Outcome outcome = Cancelled;
    QString connectionString;
};
// Shows the data-link dialog with a string to start from (empty for a new one).
using DataLinkPrompt = std::function<DataLinkAnswer(const QString& initial)>;

// Asks for a new connection string and saves it in a data link file the user chooses (initial folder
// standardUdlPath). Returns the file written, or an empty text.
QString NewDataLinkFile(const DataLinkPrompt& prompt, const QString& standardUdlPath);

// Asks for a data link file, lets the user edit its connection string and writes the edited string
// back when it changed (Cancel changes nothing). Returns the chosen file (empty when none was chosen).
QString EditDataLinkFile(const DataLinkPrompt& prompt);

} // namespace mv
