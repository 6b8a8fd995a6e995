#include "documents/sql_files.h"

#include "app/text_file.h"
#include "app/texts.h"
#include "app/user_port.h"

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

bool writeSqlFile(const QString& path, const QString& text) {
    if (path.isEmpty()) return false;
    if (unusableFileName(path)) {
        showMessage(invalidFileNameText(), MsgIcon::Information);
        return false;
    }
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    // The file is replaced through a new file in its folder, so both must be writable.
    if ((file.exists() && !file.isWritable()) || !folder.isWritable()) {
        showMessage(accessDeniedText(), MsgIcon::Information);
        return false;
    }
    return DateiSpeichern(path, text);
}

std::optional<QString> readSqlFile(const QString& path) {
    if (path.isEmpty()) return QString();
    if (unusableFileName(path)) {
        showMessage(invalidFileNameText(), MsgIcon::None);
        return std::nullopt;
    }
    QString text = DateiLaden(path);
    // The reader reports its own failures and then gives an empty text: tell that apart from an
    // empty file, so an unreadable file never opens as an empty document that a save would empty.
    const QFileInfo after(path);
    if (!after.exists() || (text.isEmpty() && after.size() > 0)) return std::nullopt;
    return text;
}

} // namespace mv
