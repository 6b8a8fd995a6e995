#pragma once
// Text files in the encoding they were found in. A file is read as UTF-32 or UTF-16 when it starts
// with their byte-order mark, as UTF-8 when it is valid UTF-8 (with or without a mark), and
// otherwise as the legacy 8-bit code page Windows-1252. Written back in the same encoding, an
// unchanged text gives the same bytes.
#include <QByteArray>
#include <QString>
#include <optional>

namespace mv {

enum class TextEncoding { Utf8, Utf8Bom, Utf16LE, Utf16BE, Utf32LE, Utf32BE, Windows1252 };

struct DecodedText {
    QString text;
    TextEncoding encoding = TextEncoding::Utf8;
};

DecodedText decodeText(const QByteArray& bytes);
// Nothing when a character of text has no place in the encoding (only Windows-1252 lacks any).
std::optional<QByteArray> encodeText(const QString& text, TextEncoding encoding);
// The encoding's name as users know it ("UTF-8", "UTF-16 LE", "Windows-1252", ...).
QString encodingName(TextEncoding encoding);

} // namespace mv
