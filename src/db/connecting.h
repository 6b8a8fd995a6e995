#pragma once
// Turning a data link file, a database file or a typed connection string into the program's
// connection, and everything around it: the session text, the connection panel, the
// asynchronous switch, the explorer and the list of recent connections.
#include "documents/recent_files.h"

#include <QString>
#include <functional>

namespace mv {

class C_DbConnect;
class IniFile;
class SessionLog;
struct Settings;

// What connecting touches outside the connection object.
struct ConnectingHooks {
    std::function<void(bool checked, bool enabled)> setAsyncSwitch; // chkAsync
    std::function<void(const QString&)> setConnectionCaption;       // status bar panel kConnection
    std::function<void()> cleanUpExplorer;                          // CleanUpDbExplorer
    std::function<void()> readTables;                               // fill the explorer's table list
    std::function<void()> refreshRecentMenu;                        // RefreshRecentConnMenu
    // Shows the login dialog with the connection string and the user to start from (empty: the dialog
    // keeps what was typed before); the dialog connects itself.
    std::function<void(const QString& connectionString, const QString& user)> showLoginDialog;
    // Before the current connection goes: false keeps it (an open transaction the user kept).
    std::function<bool()> confirmEndConnection;
};

class Connecting {
public:
    Connecting(C_DbConnect& cn, SessionLog& session, const Settings& settings, ConnectingHooks hooks);

    // Connects in disconnected mode and updates everything around the connection.
    bool connect(const QString& connectionString, const QString& user, const QString& password);
    // Opens a data link file (or a database file): chosen in the open dialog when not given.
    void OpenDataLinkFile(bool given, const QString& file = {}, const QString& user = {},
                          const QString& password = {});

    void LoadRecentConnections(const IniFile& ini);
    void SaveRecentConnections(const IniFile& ini) const;
    void InsertRecentConn(const QString& file);
    RecentList& recentConnections() { return m_recent; }

    const QString& CurrentDataLinkFile() const { return m_currentFile; }

    // The connection panel's caption while connected: user@database.
    QString connectionCaption() const;

private:
    C_DbConnect& m_cn;
    SessionLog& m_session;
    const Settings& m_settings;
    ConnectingHooks m_hooks;
    RecentList m_recent{RecentListKind::connections()};
    QString m_currentFile;
};

} // namespace mv
