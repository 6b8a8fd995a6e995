#include "app/globals.h"

#include "app/error_report.h"
#include "exec/sql_names.h"

#include <QStringList>

namespace mv {

QString getVersion() {
    return guarded(Reporter::ErrorMsg, "getVersion", "Globals", QString(), [] {
        return QStringLiteral("%1.%2.%3").arg(MV_VERSION_MAJOR).arg(MV_VERSION_MINOR).arg(MV_VERSION_PATCH, 2, 10,
                                                                                           QLatin1Char('0'));
    });
}

QString windowTitle(const QString& sDatei) {
    return QStringLiteral("-=:|Morvenda ") + getVersion() + QStringLiteral(" { ") + sDatei + QStringLiteral(" }");
}

QString ExtractFileTitle(const QString& path) {
    return guarded(Reporter::ErrorMsg, "ExtractFileTitle", "Globals", QString(), [&] {
        if (path.isEmpty()) return QString();
        return path.mid(path.lastIndexOf(u'/') + 1);
    });
}

QString ExtractFilePath(const QString& path) {
    return guarded(Reporter::ErrorMsg, "ExtractFilePath", "Globals", QString(), [&] {
        const qsizetype slash = path.lastIndexOf(u'/');
        if (path.isEmpty() || slash < 0) return QString();
        // "/x.sql" lies in the root folder; keep that one "/" so the result stays a folder.
        return slash == 0 ? QStringLiteral("/") : path.left(slash);
    });
}

QString NicenPath(const QString& folder) {
    return guarded(Reporter::ErrorMsg, "NicenPath", "Globals", QString(),
                   [&] { return folder.endsWith(u'/') ? folder : folder + u'/'; });
}

QString COM_ShortenPath(const QString& path, int maximum) {
    return guarded(Reporter::ErrorMsg, "COM_ShortenPath", "Globals", QString(), [&] {
        if (path.size() <= maximum) return path;
        const QStringList parts = path.split(u'/');
        QString tail;
        for (qsizetype i = parts.size() - 1; i > 0; --i) {
            if (!(maximum > parts[i].size() + tail.size() + 5)) break;
            tail = u'/' + parts[i] + tail;
        }
        return parts[0] + QStringLiteral("/...") + tail;
    });
}

bool IsCollItem(const KeyedCollection& collection, const QString& key) {
    return guarded(Reporter::ErrorMsg, "IsCollItem", "Globals", false, [&] {
        for (const auto& [k, v] : collection)
            if (k.compare(key, Qt::CaseInsensitive) == 0) return !v.isEmpty();
        return false;
    });
}

bool CheckName(QString& name, int databaseKind, const QString& identifierQuote) {
    guardedVoid(Reporter::ErrorMsg, "CheckName", "Globals", [&] {
        NameRules rules;
        rules.databaseKind = databaseKind;
        rules.dialect = sqlDialectOf(QString(), databaseKind);
        rules.identifierQuote = identifierQuote;
        name = quotedObjectName(name, rules);
    });
    return false;
}

} // namespace mv
