#include "documents/sql_files.h"

#include "app/atomic_file.h"
#include "app/error_report.h"
#include "app/texts.h"
#include "app/user_port.h"

#include <QFile>
#include <QFileInfo>

namespace mv {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// A path the file system can never open as a file: empty name part, a folder, or a missing folder.
bool unusableFileName(const QString& path) {
    const QFileInfo file(path);
    if (path.endsWith(u'/') || file.fileName().isEmpty() || file.isDir()) return true;
    const QFileInfo folder(file.absolutePath());
    return !folder.exists() || !folder.isDir();
}

} // namespace

QString invalidFileNameText() {
    return ui_text("Der Dateiname ist ungültig!", "Filename is invalid!");
}

QString accessDeniedText() {
    return ui_text(QStringLiteral("Die Datei kann nicht gespeichert werden, Zugriff wurde verweigert!") +
                       kCrLf + QStringLiteral("Überprüfen sie ob die Datei 'Schreibgeschützt' ist!"),
                   QStringLiteral("Can't save the File, Acces denied!") + kCrLf +
                       QStringLiteral("Check if the File is 'Write Protected'!"));
}

QString alreadyOpenText(const QString& path) {
    return ui_text(QStringLiteral("Die Datei: ") + kCrLf + QStringLiteral(" { ") + path +
                       QStringLiteral(" } ") + kCrLf + QStringLiteral("ist bereits geöffnet!") + kCrLf +
                       QStringLiteral("Sie die gleiche Datei nicht mehrmals öffnen."),
                   QStringLiteral("The File: ") + kCrLf + QStringLiteral(" { ") + path +
                       QStringLiteral(" } ") + kCrLf + QStringLiteral("is currently open!") + kCrLf +
                       QStringLiteral("You cannot open the same File twice."));
}

bool writeSqlFile(const QString& path, const QString& text, TextEncoding* encoding) {
    if (path.isEmpty()) return false;
    if (unusableFileName(path)) {
        showMessage(invalidFileNameText(), MsgIcon::Information);
        return false;
    }
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    // The file is replaced through a new file in its folder, so both must be writable.
    if ((file.exists() && !file.isWritable()) || !folder.isWritable()) {
        // The file's path follows, so the user knows which file it was.
        showMessage(accessDeniedText() + kCrLf + path, MsgIcon::Information);
        return false;
    }
    const TextEncoding wanted = encoding ? *encoding : TextEncoding::Utf8;
    std::optional<QByteArray> bytes = encodeText(text, wanted);
    const bool toUtf8 = !bytes;
    if (toUtf8) bytes = text.toUtf8();
    QString reason;
    if (!writeWholeFile(path, *bytes, &reason)) {
        showMessage(ui_text("Die Datei '%1' konnte nicht gespeichert werden: %2\r\nDie Datei ist unverändert.",
                            "The file '%1' could not be saved: %2\r\nThe file is unchanged.")
                        .arg(path, reason),
                    MsgIcon::Critical);
        return false;
    }
    if (toUtf8) {
        if (encoding) *encoding = TextEncoding::Utf8;
        showMessage(ui_text("Der Text enthält Zeichen, die %1 nicht darstellen kann. Die Datei '%2' wurde "
                            "deshalb als UTF-8 gespeichert.",
                            "The text holds characters that %1 cannot represent, so the file '%2' was "
                            "saved as UTF-8.")
                        .arg(encodingName(wanted), path),
                    MsgIcon::Information);
    }
    return true;
}

std::optional<QString> readSqlFile(const QString& path, TextEncoding* encoding) {
    if (path.isEmpty()) return QString();
    if (unusableFileName(path)) {
        showMessage(invalidFileNameText(), MsgIcon::None);
        return std::nullopt;
    }
    QFile f(path);
    if (!f.exists() && f.open(QIODevice::WriteOnly)) f.close();
    const QFileInfo info(path);
    // A pipe or device would never end; only plain files are documents.
    if (info.exists() && !info.isFile()) {
        showMessage(invalidFileNameText(), MsgIcon::None);
        return std::nullopt;
    }
    if (info.size() > MaxSqlFileBytes) {
        showMessage(ui_text("Die Datei '%1' ist %2 MB groß; geöffnet werden SQL-Dateien bis %3 MB.",
                            "The file '%1' is %2 MB large; SQL files open up to %3 MB.")
                        .arg(path)
                        .arg(info.size() / (1024 * 1024))
                        .arg(MaxSqlFileBytes / (1024 * 1024)),
                    MsgIcon::Information);
        return std::nullopt;
    }
    if (!f.open(QIODevice::ReadOnly)) {
        showMessage(ui_text("Die Datei '%1' konnte nicht gelesen werden: %2",
                            "The file '%1' could not be read: %2")
                        .arg(path, f.errorString()),
                    MsgIcon::Critical);
        return std::nullopt;
    }
    DecodedText decoded = decodeText(f.readAll());
    if (f.error() != QFileDevice::NoError) {
        showMessage(ui_text("Die Datei '%1' konnte nicht gelesen werden: %2",
                            "The file '%1' could not be read: %2")
                        .arg(path, f.errorString()),
                    MsgIcon::Critical);
        return std::nullopt;
    }
    // The editor ends a text at its first NUL; a save would then cut the file there.
    if (decoded.text.contains(QChar(0))) {
        showMessage(ui_text("Die Datei '%1' enthält NUL-Zeichen und ist wohl keine Textdatei; sie wird "
                            "nicht geöffnet.",
                            "The file '%1' contains NUL characters and seems to be no text file; it is "
                            "not opened.")
                        .arg(path),
                    MsgIcon::Information);
        return std::nullopt;
    }
    if (encoding) *encoding = decoded.encoding;
    return decoded.text;
}

} // namespace mv
