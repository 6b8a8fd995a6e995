#include "app/command_line.h"

#include <QFileInfo>

namespace mv {

CommandLine parseCommandLine(const QString& text) {
    CommandLine cl;
    QStringList pieces;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'/' && (i == 0 || text[i - 1] == u' ')) {
            pieces << text.mid(start, i - start);
            start = i + 1;
        }
    }
    pieces << text.mid(start);
    if (pieces.size() < 2) return cl;
    cl.hasSwitches = true;
    for (const QString& piece : pieces) {
        const QString name = piece.trimmed().left(3).toUpper();
        const QString value = piece.mid(4).trimmed();
        if (name == QLatin1String("INI")) cl.dataLinkFile = value;
        else if (name == QLatin1String("QRY")) cl.queryFiles << value;
        else if (name == QLatin1String("USR")) cl.user = value;
        else if (name == QLatin1String("PWD")) cl.password = value;
        else if (name == QLatin1String("RUN")) cl.run = true;
    }
    return cl;
}

QString joinArguments(const QStringList& arguments) {
    QStringList parts;
    for (const QString& argument : arguments.mid(1)) {
        // A file handed over by the desktop ("Open with") comes without a switch: a data link or a
        // database file connects, anything else opens as an SQL script.
        const QFileInfo file(argument);
        const bool isSwitch = argument.startsWith(u'/') && argument.size() >= 4 &&
                              QStringList{"INI", "QRY", "USR", "PWD", "RUN"}.contains(argument.mid(1, 3).toUpper());
        if (isSwitch || !file.isFile()) {
            parts << argument;
            continue;
        }
        const QString suffix = file.suffix().toLower();
        const bool connects = QStringList{"udl", "db", "sqlite", "sqlite3", "mdb"}.contains(suffix);
        parts << (connects ? QStringLiteral("/INI=") : QStringLiteral("/QRY=")) + file.absoluteFilePath();
    }
    return parts.join(u' ');
}

} // namespace mv
