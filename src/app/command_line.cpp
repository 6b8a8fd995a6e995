#include "app/command_line.h"

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

QString joinArguments(const QStringList& arguments) { return arguments.mid(1).join(u' '); }

} // namespace mv
