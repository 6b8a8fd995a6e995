#include "app/text_encoding.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <array>

namespace mv {
namespace {

// Bytes 0x80..0x9F of Windows-1252. The five bytes the code page leaves undefined stand for the
// control characters of the same number, as Windows itself reads them, so every byte comes back.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString fromWindows1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = (b >= 0x80 && b < 0xA0) ? QChar(Cp1252High[b - 0x80]) : QChar(b);
    }
    return text;
}

std::optional<QByteArray> toWindows1252(const QString& text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char* out = bytes.data();
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            *out++ = char(u);
            continue;
        }
        int found = -1;
        for (int i = 0; i < 32; ++i)
            if (Cp1252High[size_t(i)] == u) found = i;
        if (found < 0) return std::nullopt;
        *out++ = char(0x80 + found);
    }
    return bytes;
}

// A byte-order mark inside the text (after the file's own) stays a character.
constexpr auto Exact = QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;

bool startsWith(const QByteArray& bytes, const char* mark, qsizetype n) {
    return bytes.size() >= n && std::equal(mark, mark + n, bytes.constData());
}

QString decodeWith(QStringConverter::Encoding encoding, QByteArrayView bytes) {
    QStringDecoder decoder(encoding, Exact);
    return decoder.decode(bytes);
}

} // namespace

DecodedText decodeText(const QByteArray& bytes) {
    if (startsWith(bytes, "\xFF\xFE\x00\x00", 4))
        return {decodeWith(QStringConverter::Utf32LE, QByteArrayView(bytes).sliced(4)), TextEncoding::Utf32LE};
    if (startsWith(bytes, "\x00\x00\xFE\xFF", 4))
        return {decodeWith(QStringConverter::Utf32BE, QByteArrayView(bytes).sliced(4)), TextEncoding::Utf32BE};
    if (startsWith(bytes, "\xFF\xFE", 2))
        return {decodeWith(QStringConverter::Utf16LE, QByteArrayView(bytes).sliced(2)), TextEncoding::Utf16LE};
    if (startsWith(bytes, "\xFE\xFF", 2))
        return {decodeWith(QStringConverter::Utf16BE, QByteArrayView(bytes).sliced(2)), TextEncoding::Utf16BE};
    const bool mark = startsWith(bytes, "\xEF\xBB\xBF", 3);
    const QByteArrayView body = QByteArrayView(bytes).sliced(mark ? 3 : 0);
    QStringDecoder utf8(QStringConverter::Utf8, Exact);
    QString text = utf8.decode(body);
    if (!utf8.hasError()) return {text, mark ? TextEncoding::Utf8Bom : TextEncoding::Utf8};
    return {fromWindows1252(bytes), TextEncoding::Windows1252};
}

std::optional<QByteArray> encodeText(const QString& text, TextEncoding encoding) {
    auto with = [&](QStringConverter::Encoding e, const char* mark, qsizetype n) {
        QStringEncoder encoder(e, Exact);
        return QByteArray(mark, n) + QByteArray(encoder.encode(text));
    };
    switch (encoding) {
    case TextEncoding::Utf8: return text.toUtf8();
    case TextEncoding::Utf8Bom: return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case TextEncoding::Utf16LE: return with(QStringConverter::Utf16LE, "\xFF\xFE", 2);
    case TextEncoding::Utf16BE: return with(QStringConverter::Utf16BE, "\xFE\xFF", 2);
    case TextEncoding::Utf32LE: return with(QStringConverter::Utf32LE, "\xFF\xFE\x00\x00", 4);
    case TextEncoding::Utf32BE: return with(QStringConverter::Utf32BE, "\x00\x00\xFE\xFF", 4);
    case TextEncoding::Windows1252: return toWindows1252(text);
    }
    return text.toUtf8();
}

QString encodingName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8: return QStringLiteral("UTF-8");
    case TextEncoding::Utf8Bom: return QStringLiteral("UTF-8 BOM");
    case TextEncoding::Utf16LE: return QStringLiteral("UTF-16 LE");
    case TextEncoding::Utf16BE: return QStringLiteral("UTF-16 BE");
    case TextEncoding::Utf32LE: return QStringLiteral("UTF-32 LE");
    case TextEncoding::Utf32BE: return QStringLiteral("UTF-32 BE");
    case TextEncoding::Windows1252: return QStringLiteral("Windows-1252");
    }
    return {};
}

} // namespace mv
