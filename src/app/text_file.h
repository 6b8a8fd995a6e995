#pragma once
// Whole text files: UTF-8 without byte-order mark, written and read as they stand.
#include <QString>

namespace mv {

// Writes text to path, replacing the file atomically: a failed write leaves an earlier file as it
// was and is reported. An empty path does nothing. True when written.
bool DateiSpeichern(const QString& path, const QString& text);
// The file's text; a missing file is created empty. An empty path gives an empty text.
QString DateiLaden(const QString& path);

} // namespace mv
