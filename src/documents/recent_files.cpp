#include "documents/recent_files.h"

#include "app/globals.h"
#include "app/mv_error.h"
#include "app/texts.h"

namespace mv {

RecentListKind RecentListKind::files() {
    return {QStringLiteral("Recent Files"),
            QStringLiteral("kRF"),
            "LoadRecentFiles",
            "SaveRecentFiles",
            "InsertRecentFiles",
            "Globals",
            Reporter::Msg,
            ""};
}

RecentListKind RecentListKind::connections() {
    return {QStringLiteral("Recent Connections"),
            QStringLiteral("kRC"),
            "LoadRecentConnections",
            "SaveRecentConnections",
            "InsertRecentConn",
            "Globals",
            Reporter::ErrorMsg,
            "Globals"};
}

void RecentList::load(const IniFile& ini) {
    guardedVoid(Reporter::ErrorMsg, m_kind.loadProcedure, m_kind.module, [&] {
        m_entries.clear();
        for (int n = 1; n <= MaxEntries; ++n) {
            const QString value = ini.read(m_kind.section, QString::number(n), QString());
            if (value.isEmpty() || value.size() >= IniFile::MaxValueLength || m_entries.contains(value))
                continue;
            m_entries.append(value);
        }
    });
}

bool RecentList::save(const IniFile& ini) const {
    return guardedVoid(m_kind.saveReporter, m_kind.saveProcedure, m_kind.saveModule, [&] {
        for (qsizetype n = 1; n <= m_entries.size(); ++n) {
            if (!ini.write(m_kind.section, QString::number(n), m_entries[n - 1]))
                throw MvError(
                    err::PathFileAccess,
                    ui_text(QStringLiteral("Die Einstellungsdatei \"%1\" kann nicht geschrieben werden."),
                            QStringLiteral("The settings file \"%1\" cannot be written."))
                        .arg(ini.path()));
        }
    });
}

bool RecentList::insert(const QString& path) {
    return guarded(Reporter::ErrorMsg, m_kind.insertProcedure, m_kind.module, false, [&] {
        // A name with a line break could not come back from the settings file as it went in.
        if (path.isEmpty() || path.contains(u'\n') || path.contains(u'\r') || m_entries.contains(path)) return false;
        if (m_entries.size() >= MaxEntries) m_entries.removeLast();
        m_entries.prepend(path);
        return true;
    });
}

std::optional<QString> RecentList::entry(int n) const {
    if (n < 1 || n > m_entries.size()) return std::nullopt;
    return m_entries[n - 1];
}

QList<RecentMenuItem> RecentList::menuItems(int maximum) const {
    QList<RecentMenuItem> items;
    for (qsizetype n = 1; n <= m_entries.size(); ++n)
        items.append({m_kind.menuKeyPrefix + QString::number(n), COM_ShortenPath(m_entries[n - 1], maximum)});
    return items;
}

} // namespace mv
