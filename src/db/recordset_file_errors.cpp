#include "db/recordset_file_errors.h"

#include "app/mv_error.h"
#include "app/texts.h"
#include "db/recordset_cell.h"

#include <QFileInfo>

namespace mv::rsfile {

void fileNotFound(const QString& path) {
    throw MvError(rserr::FileNotFound, ui_text(QStringLiteral("Datei nicht gefunden: '%1'"),
                                               QStringLiteral("File not found: '%1'"))
                                           .arg(path));
}

void cannotOpen(const QString& path, const QString& reason) {
    throw MvError(rserr::PathFileAccess,
                  ui_text(QStringLiteral("Die Datei '%1' kann nicht geöffnet werden: %2"),
                          QStringLiteral("The file '%1' cannot be opened: %2"))
                      .arg(path, reason));
}

void cannotWrite(const QString& path, const QString& reason) {
    throw MvError(rserr::SaveToFile,
                  ui_text(QStringLiteral("Die Datei '%1' konnte nicht geschrieben werden: %2"),
                          QStringLiteral("The file '%1' could not be written: %2"))
                      .arg(path, reason));
}

void damaged(const QString& path, const QString& detailGerman, const QString& detailEnglish) {
    throw MvError(rserr::LoadFromFile,
                  ui_text(QStringLiteral("Die Datei '%1' ist kein lesbares Recordset oder beschädigt: %2"),
                          QStringLiteral("The file '%1' is no readable recordset or it is damaged: %2"))
                      .arg(path, ui_text(detailGerman, detailEnglish)));
}

void unsupportedVersion(const QString& path, quint32 version, quint32 newest) {
    throw MvError(
        rserr::LoadFromFile,
        ui_text(QStringLiteral("Die Datei '%1' hat die Formatversion %2; gelesen wird bis Version %3."),
                QStringLiteral("The file '%1' has format version %2; this program reads up to "
                               "version %3."))
            .arg(path)
            .arg(version)
            .arg(newest));
}

void checkReadable(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) fileNotFound(path);
    if (info.isDir()) cannotOpen(path, ui_text("ein Ordner", "a folder"));
}

} // namespace mv::rsfile
