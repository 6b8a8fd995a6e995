#pragma once
// A list of the most recently opened files, newest first, kept in a section of the settings file
// between runs. The same rules serve the recent SQL files and the recent connection files; only the
// section, the menu keys and the names used in error reports differ.
#include "app/error_report.h"
#include "app/ini_file.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace mv {

struct RecentListKind {
    QString section;       // settings file section; its keys are "1" to "5"
    QString menuKeyPrefix; // the menu item of entry n has the key prefix + n
    const char* loadProcedure;
    const char* saveProcedure;
    const char* insertProcedure;
    const char* module;
    Reporter saveReporter;
    const char* saveModule;

    // Section "Recent Files", menu keys kRF1..kRF5 (LoadRecentFiles, SaveRecentFiles, InsertRecentFiles).
    static RecentListKind files();
    // Section "Recent Connections", menu keys kRC1..kRC5 (LoadRecentConnections, SaveRecentConnections,
    // InsertRecentConn).
    static RecentListKind connections();
};

struct RecentMenuItem {
    QString key;     // "kRF1"
    QString caption; // the path shortened to the configured length
    bool operator==(const RecentMenuItem&) const = default;
};

class RecentList {
  public:
    static constexpr int MaxEntries = 5;

    explicit RecentList(RecentListKind kind) : m_kind(std::move(kind)) {}
    const RecentListKind& kind() const { return m_kind; }

    // Empties the list, then appends the non-empty values of keys "1" to "5" in key order, so the
    // places close up over empty keys. A value that repeats an earlier one, or that fills the whole
    // read buffer of the settings file (it may have been cut and would name another file), is skipped.
    // Errors are reported; the list then keeps what it had read so far.
    void load(const IniFile& ini);
    // Writes entry n under key n for n = 1 to the list length; keys after that keep their values
    // (the list never shrinks during a run). False after a reported error, e.g. an unwritable file.
    bool save(const IniFile& ini) const;
    // Puts a path that is not yet in the list (exact, case-sensitive comparison) in first place,
    // dropping the oldest entry when the list is full. A path already in the list keeps its place; an
    // empty path is ignored. True when the list changed, so the menu needs refreshing.
    bool insert(const QString& path);

    const QStringList& entries() const { return m_entries; }
    qsizetype size() const { return m_entries.size(); }
    // Entry n, counted from 1 as the menu keys are; nothing when there is no such entry.
    std::optional<QString> entry(int n) const;
    // One item per entry, in list order: key prefix + place and the path shortened to maximum characters.
    // Items are only ever added or recaptioned, as the list never shrinks.
    QList<RecentMenuItem> menuItems(int maximum) const;

  private:
    RecentListKind m_kind;
    QStringList m_entries;
};

} // namespace mv
