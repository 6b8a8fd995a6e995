#pragma once
// Reading an import file: its bytes, and its text for the text formats.
#include <QByteArray>
#include <QString>

namespace mv {

// The whole file. A missing file throws MvError 53, one that cannot be read 75 (both with the
// file name, in the user's language). Nothing is created.
QByteArray readImportFile(const QString& path);

// UTF-8 text (a byte-order mark is dropped), UTF-16 with its byte-order mark; a file that is no
// valid UTF-8 is read in the Windows single-byte code page 1252, as older programs write them.
QString decodeImportText(const QByteArray& bytes);

// One byte of code page 1252 as a character.
QChar windows1252Char(uchar byte);

} // namespace mv
