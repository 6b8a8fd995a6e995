#pragma once
// Reading and writing SQL document files. The text goes to and from the file as it stands (no
// line-end conversion, nothing appended); a file name that cannot work and a file that may not
// be written get the program's own messages before anything is touched.
#include "app/text_encoding.h"

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
// True when the file holds the text. The text is written in `encoding` (UTF-8 when none is given);
// a text with a character that encoding cannot hold is written in UTF-8 instead, with a message,
// and `encoding` then says UTF-8.
bool writeSqlFile(const QString& path, const QString& text, TextEncoding* encoding = nullptr);

// The whole text of path. A missing file is created empty (so it opens as an empty document). A
// path that names a folder or lies in a missing folder gets the invalid-name message (plain box);
// a file that cannot be read is reported. Nothing when the file could not be read. A file larger
// than MaxSqlFileBytes and a text holding a NUL character are refused with a message (the editor
// would cut the text there). `encoding` receives the encoding the file was read in.
std::optional<QString> readSqlFile(const QString& path, TextEncoding* encoding = nullptr);

constexpr qint64 MaxSqlFileBytes = 64 * 1024 * 1024;

} // namespace mv
