#include "db/data_link_file.h"

#include "app/atomic_file.h"
#include "app/error_report.h"
#include "app/texts.h"
#include "app/user_port.h"
#include "db/connection_string.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace mv {
namespace {

constexpr long kInputPastEndOfFile = 62;
constexpr long kInvalidFileFormat = 321;
// A data link file holds three short lines; anything far larger is not one.
constexpr qint64 kMaxDataLinkFileSize = 1 << 20;

QString invalidFileNameText() {
    return ui_text("Der Dateiname ist ungültig!", "Filename is invalid!");
}

QString notTextError(const QString& fileName) {
    return ui_text(
        QStringLiteral("Die Datei \"%1\" ist keine Data Link Datei: sie enthält keinen lesbaren Text.")
            .arg(fileName),
        QStringLiteral("The file \"%1\" is not a data link file: it holds no readable text.").arg(fileName));
}

bool isInvalidFileName(const QString& fileName) {
    return fileName.trimmed().isEmpty() || fileName.contains(QChar(u'\0')) || QFileInfo(fileName).isDir();
}

QByteArray readBytes(const QString& fileName) {
    if (isInvalidFileName(fileName)) throw MvError(err::InvalidProcedureCall, invalidFileNameText());
    QFile file(fileName);
    if (!file.exists())
        throw MvError(err::FileNotFound,
                      ui_text(QStringLiteral("Die Datei \"%1\" wurde nicht gefunden.").arg(fileName),
                              QStringLiteral("The file \"%1\" was not found.").arg(fileName)));
    // A pipe or device would block until someone writes to it.
    if (!QFileInfo(fileName).isFile())
        throw MvError(kInvalidFileFormat,
                      ui_text(QStringLiteral("\"%1\" ist keine gewöhnliche Datei.").arg(fileName),
                              QStringLiteral("\"%1\" is not a regular file.").arg(fileName)));
    if (!file.open(QIODevice::ReadOnly))
        throw MvError(err::PathFileAccess,
                      ui_text(QStringLiteral("Die Datei \"%1\" kann nicht gelesen werden: %2"),
                              QStringLiteral("The file \"%1\" cannot be read: %2"))
                          .arg(fileName, file.errorString()));
    // Bounded, so that a device or a huge file chosen by mistake cannot exhaust memory.
    const QByteArray bytes = file.read(kMaxDataLinkFileSize + 1);
    if (bytes.size() > kMaxDataLinkFileSize) throw MvError(kInvalidFileFormat, notTextError(fileName));
    return bytes;
}

// Decodes strictly: a byte sequence that is not valid in the detected encoding is an error.
std::optional<QString> decodeText(const QByteArray& bytes) {
    QStringConverter::Encoding encoding = QStringConverter::Utf8;
    qsizetype skip = 0;
    const auto at = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 2 && at(0) == 0xFF && at(1) == 0xFE) {
        encoding = QStringConverter::Utf16LE;
        skip = 2;
    } else if (bytes.size() >= 2 && at(0) == 0xFE && at(1) == 0xFF) {
        encoding = QStringConverter::Utf16BE;
        skip = 2;
    } else if (bytes.size() >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) {
        skip = 3;
    } else if (bytes.size() >= 2 && at(0) != 0 && at(1) == 0) {
        encoding = QStringConverter::Utf16LE; // UTF-16LE written without byte-order mark
    }
    const QByteArray body = bytes.mid(skip);
    if (encoding != QStringConverter::Utf8 && body.size() % 2 != 0) return std::nullopt;
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(body);
    if (decoder.hasError()) return std::nullopt;
    for (QChar c : text)
        if (c.category() == QChar::Other_Control && c != u'\t' && c != u'\r' && c != u'\n')
            return std::nullopt;
    return text;
}

// The lines of a text as a line-reading loop sees them: a final line break ends the last line.
QStringList linesOf(const QString& text) {
    QString normal = text;
    normal.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normal.replace(u'\r', u'\n');
    QStringList lines = normal.split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

void reportReadFailure(const MvError& e) {
    if (e.number() == err::InvalidProcedureCall) {
        MessageRequest box;
        box.text = invalidFileNameText();
        box.icon = MsgIcon::None;
        userPort().message(box);
        return;
    }
    DispErrorMsg(e.description(), e.number(), QStringLiteral("GetCSFromFile"), QStringLiteral("Globals"));
}

QString udlFilter() {
    return ui_text("Data Link Datei (*.udl) | *.udl", "Data Link File (*.udl) | *.udl");
}

void showNoProvider() {
    showMessage(ui_text("Kein Provider verfügbar.", "No provider available."), MsgIcon::Exclamation,
                MsgButtons::Ok, std::nullopt,
                ui_text("Morvenda: Kein gültiger Provider", "Morvenda: No valid provider"));
}

QString ownName(const QString& fileName) {
    const qsizetype slash = std::max(fileName.lastIndexOf(u'/'), fileName.lastIndexOf(u'\\'));
    return fileName.mid(slash + 1);
}

} // namespace

QString readDataLinkFile(const QString& fileName) {
    const std::optional<QString> text = decodeText(readBytes(fileName));
    if (!text) throw MvError(kInvalidFileFormat, notTextError(fileName));
    const QStringList lines = linesOf(*text);
    if (lines.size() < 3)
        throw MvError(
            kInputPastEndOfFile,
            ui_text(QStringLiteral("Die Data Link Datei \"%1\" hat weniger als drei Zeilen und enthält "
                                   "daher keinen Connection String.")
                        .arg(fileName),
                    QStringLiteral("The data link file \"%1\" has fewer than three lines, so it holds no "
                                   "connection string.")
                        .arg(fileName)));
    return lines[2];
}

void writeDataLinkFile(const QString& fileName, const QString& connectionString) {
    if (isInvalidFileName(fileName)) throw MvError(err::InvalidProcedureCall, invalidFileNameText());
    if (connectionString.contains(u'\r') || connectionString.contains(u'\n'))
        throw MvError(err::InvalidProcedureCall,
                      ui_text("Der Connection String darf nur eine Zeile lang sein.",
                              "The connection string must be a single line."));
    const QString text = QString::fromUtf16(kUdlHeader) + connectionString + QStringLiteral("\r\n");
    QByteArray bytes("\xFF\xFE", 2);
    bytes += QStringEncoder(QStringConverter::Utf16LE)(text);
    QString reason;
    if (!writeWholeFile(fileName, bytes, &reason))
        throw MvError(err::PathFileAccess,
                      ui_text(QStringLiteral("Die Datei \"%1\" kann nicht geschrieben werden: %2"),
                              QStringLiteral("The file \"%1\" cannot be written: %2"))
                          .arg(fileName, reason));
}

QString GetCSFromFile(const QString& fileName) {
    return guarded(Reporter::ErrorMsg, "GetCSFromFile", "Globals", QString(), [&] {
        try {
            return readDataLinkFile(fileName);
        } catch (const MvError& e) {
            reportReadFailure(e);
            return QString();
        }
    });
}

FileShortcut shortcutOf(const QString& fileName) {
    const QString name = ownName(fileName).toLower();
    if (name.endsWith(QLatin1String(".db")) || name.endsWith(QLatin1String(".sqlite")) ||
        name.endsWith(QLatin1String(".sqlite3")))
        return FileShortcut::SQLite;
    if (name.contains(QLatin1String(".mdb"))) return FileShortcut::Jet;
    return FileShortcut::None;
}

QString shortcutConnectionString(const QString& fileName) {
    switch (shortcutOf(fileName)) {
    case FileShortcut::Jet: {
        // A name with ";" would end the value early: enclose it in quotes, which the parser respects.
        QString source = fileName;
        if (source.contains(u';') || source.contains(u'"'))
            source = u'"' + source.replace(QLatin1String("\""), QLatin1String("\"\"")) + u'"';
        return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + source +
               QStringLiteral(";Persist Security Info=False");
    }
    case FileShortcut::SQLite:
        return QStringLiteral("Driver=SQLite3;Database=") + odbcValue(fileName);
    case FileShortcut::None:
        break;
    }
    return {};
}

QString NewDataLinkFile(const DataLinkPrompt& prompt, const QString& standardUdlPath) {
    return guarded(Reporter::ErrorMsg, "NewDataLinkFile", "Globals", QString(), [&]() -> QString {
        const DataLinkAnswer answer = prompt(QString());
        if (answer.outcome == DataLinkAnswer::NoProvider) {
            showNoProvider();
            return {};
        }
        if (answer.outcome != DataLinkAnswer::Accepted) return {};
        FileDialogRequest request;
        request.mode = FileDialogRequest::Save;
        request.title = ui_text("Data Link Datei speichern", "Save Data Link File");
        request.filter = udlFilter();
        request.initialDir = standardUdlPath;
        request.mustExist = false;
        request.confirmOverwrite = true;
        const std::optional<QString> file = userPort().chooseFile(request);
        if (!file || file->isEmpty()) return {};
        writeDataLinkFile(*file, answer.connectionString);
        return *file;
    });
}

QString EditDataLinkFile(const DataLinkPrompt& prompt) {
    QString chosen;
    guardedVoid(Reporter::ErrorMsg, "EditDataLinkFile", "Globals", [&] {
        FileDialogRequest request;
        request.mode = FileDialogRequest::Open;
        request.title = ui_text("Data Link Datei öffnen", "Open Data Link File");
        request.filter = udlFilter();
        chosen = userPort().chooseFile(request).value_or(QString());
        if (chosen.isEmpty()) return;
        QString current;
        try {
            current = readDataLinkFile(chosen);
        } catch (const MvError& e) {
            // An unreadable file is not offered for editing: saving would overwrite what it holds.
            reportReadFailure(e);
            return;
        }
        const DataLinkAnswer answer = prompt(current);
        if (answer.outcome == DataLinkAnswer::NoProvider) {
            showNoProvider();
            return;
        }
        if (answer.outcome == DataLinkAnswer::Accepted && answer.connectionString != current)
            writeDataLinkFile(chosen, answer.connectionString);
    });
    return chosen;
}

} // namespace mv
