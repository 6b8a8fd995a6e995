#include "results/import_source.h"

#include "app/mv_error.h"
#include "app/texts.h"

#include <QFile>
#include <QStringDecoder>

namespace mv {
namespace {

// 0x80 .. 0x9F of code page 1252; the other bytes are the Latin-1 characters of the same number.
constexpr char16_t High1252[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                   0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

QChar windows1252Char(uchar byte) {
    return byte >= 0x80 && byte < 0xA0 ? QChar(High1252[byte - 0x80]) : QChar(byte);
}

QByteArray readImportFile(const QString& path) {
    QFile file(path);
    if (!file.exists())
        throw MvError(
            err::FileNotFound,
            ui_text("Die Datei '%1' wurde nicht gefunden.", "The file '%1' was not found.").arg(path));
    if (!file.open(QIODevice::ReadOnly))
        throw MvError(err::PathFileAccess, ui_text("Die Datei '%1' konnte nicht gelesen werden: %2",
                                                   "The file '%1' could not be read: %2")
                                               .arg(path, file.errorString()));
    return file.readAll();
}

QString decodeImportText(const QByteArray& bytes) {
    QByteArrayView view(bytes);
    if (view.startsWith("\xFF\xFE") || view.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(view.startsWith("\xFF") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        return utf16.decode(view.sliced(2));
    }
    if (view.startsWith("\xEF\xBB\xBF")) view = view.sliced(3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(view);
    if (!utf8.hasError()) return text;
    text.clear();
    text.reserve(view.size());
    for (char c : view)
        text += windows1252Char(uchar(c));
    return text;
}

} // namespace mv
