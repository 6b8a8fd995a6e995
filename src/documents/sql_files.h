#pragma once
// Reading and writing SQL document files. The text goes to and from the file as it stands (no
// line-end conversion, nothing appended); a file name that cannot work and a file that may not
// be written get the program's own messages before anything is touched.
#include <QString>
#include <optional>

namespace mv {

// Messages of the document files (both languages; line breaks are CR LF).
QString invalidFileNameText(); // "Filename is invalid!"
QString accessDeniedText();    // "Can't save the File, Acces denied!" ...
QString alreadyOpenText(const QString& path);

// Writes text to path, replacing an existing file only when everything was written. A path that
// names a folder or lies in a missing folder, and a file or folder that may not be written, are
// refused with their message (information icon); any other failure is reported by the writer.
// True when the file holds the text.
bool writeSqlFile(const QString& path, const QString& text);

// The whole text of path. A missing file is created empty (so it opens as an empty document). A
// path that names a folder or lies in a missing folder gets the invalid-name message (plain box);
// a file that cannot be read is reported. Nothing when the file could not be read.
std::optional<QString> readSqlFile(const QString& path);

} // namespace mv
