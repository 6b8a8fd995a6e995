#include "app/text_file.h"

#include "app/atomic_file.h"
#include "app/error_report.h"
#include "app/texts.h"

#include <QFile>
#include <QStringDecoder>

namespace mv {

bool DateiSpeichern(const QString& path, const QString& text) {
    return guarded(Reporter::ErrorMsg, "DateiSpeichern", "Globals", false, [&] {
        if (path.isEmpty()) return false;
        QString reason;
        if (!writeWholeFile(path, text.toUtf8(), &reason)) {
            throw MvError(err::PathFileAccess,
                          ui_text("Die Datei '%1' konnte nicht geschrieben werden: %2",
                                  "The file '%1' could not be written: %2")
                              .arg(path, reason));
        }
        return true;
    });
}

QString DateiLaden(const QString& path) {
    return guarded(Reporter::ErrorMsg, "DateiLaden", "Globals", QString(), [&] {
        if (path.isEmpty()) return QString();
        QFile f(path);
        if (!f.exists() && f.open(QIODevice::WriteOnly)) f.close();
        if (!f.open(QIODevice::ReadOnly))
            throw MvError(err::PathFileAccess, ui_text("Die Datei '%1' konnte nicht gelesen werden: %2",
                                                       "The file '%1' could not be read: %2")
                                                   .arg(path, f.errorString()));
        QByteArray bytes = f.readAll();
        if (bytes.startsWith("\xEF\xBB\xBF")) bytes.remove(0, 3);
        QStringDecoder utf8(QStringDecoder::Utf8);
        QString text = utf8.decode(bytes);
        // A file in a single-byte code page still opens with every character it holds.
        if (utf8.hasError()) text = QString::fromLatin1(bytes);
        return text;
    });
}

} // namespace mv
