#include "db/connecting.h"

#include "app/error_report.h"
#include "app/globals.h"
#include "app/settings.h"
#include "app/texts.h"
#include "app/user_port.h"
#include "db/connection_string.h"
#include "db/data_link_file.h"
#include "db/db_connect.h"
#include "db/login_decision.h"
#include "db/password_store.h"
#include "session/session_log.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace mv {

Connecting::Connecting(C_DbConnect& cn, SessionLog& session, const Settings& settings, ConnectingHooks hooks)
    : m_cn(cn), m_session(session), m_settings(settings), m_hooks(std::move(hooks)) {}

QString Connecting::connectionCaption() const { return m_cn.DBUser() + u'@' + m_cn.Database(); }

bool Connecting::connect(const QString& connectionString, const QString& user, const QString& password) {
    return guarded(Reporter::ErrorMsg, "connect", "Globals", false, [&] {
        QCoreApplication::processEvents();
        if (!m_cn.Init(connectionString, user, password, true)) return false;
        const bool async = m_cn.allowAsync();
        if (m_hooks.setAsyncSwitch) m_hooks.setAsyncSwitch(async, async);
        const QString word = async ? ui_text("möglich", "enabled") : ui_text("unmöglich", "disabled");
        m_session.append(ui_text("// Asyncrone Abfragen:", "// asyncronous execution:") + u'\t' + word +
                         QStringLiteral("\r\n\r\n"));
        if (m_hooks.setConnectionCaption) m_hooks.setConnectionCaption(connectionCaption());
        if (m_hooks.cleanUpExplorer) m_hooks.cleanUpExplorer();
        InsertRecentConn(m_currentFile);
        if (m_hooks.readTables) m_hooks.readTables();
        QCoreApplication::processEvents();
        return true;
    });
}

void Connecting::OpenDataLinkFile(bool given, const QString& file, const QString& user, const QString& password) {
    guardedVoid(Reporter::ErrorMsg, "OpenDataLinkFile", "Globals", [&] {
        if (!given) {
            FileDialogRequest r;
            r.mode = FileDialogRequest::Open;
            r.title = ui_text("Data Link Datei öffnen", "Open Data Link File");
            r.filter = ui_text("Data Link Datei (*.udl) | *.udl|Access Datenbank (*.mdb) | *.mdb|"
                               "SQLite Datenbank (*.db;*.sqlite;*.sqlite3) | *.db;*.sqlite;*.sqlite3|"
                               "Alle Dateien (*.*) | *",
                               "Data Link File (*.udl) | *.udl|Access Database (*.mdb) | *.mdb|"
                               "SQLite Database (*.db;*.sqlite;*.sqlite3) | *.db;*.sqlite;*.sqlite3|"
                               "All files (*.*) | *");
            r.initialDir = m_settings.standardUDLPath;
            const auto chosen = userPort().chooseFile(r);
            if (!chosen) return; // cancelled: quietly
            m_currentFile = *chosen;
        } else {
            m_currentFile = file;
        }
        if (m_currentFile.isEmpty()) return;
        // A pipe or device would block the start for as long as nobody writes to it.
        if (const QFileInfo info(m_currentFile); info.exists() && !info.isFile()) {
            showMessage(ui_text(QStringLiteral("\"%1\" ist keine gewöhnliche Datei.").arg(m_currentFile),
                                QStringLiteral("\"%1\" is not a regular file.").arg(m_currentFile)),
                        MsgIcon::Exclamation);
            return;
        }
        WaitCursor wait;
        QCoreApplication::processEvents();

        const FileShortcut shortcut = shortcutOf(m_currentFile);
        const QString cs = shortcut != FileShortcut::None ? shortcutConnectionString(m_currentFile)
                                                          : GetCSFromFile(m_currentFile);
        if (cs.isEmpty()) return;
        if (m_hooks.confirmEndConnection && !m_hooks.confirmEndConnection()) return;
        m_cn.EndCn();
        if (m_hooks.cleanUpExplorer) m_hooks.cleanUpExplorer();

        // A string that cannot be split is used unchanged, as a file database would be.
        const ConnectionKeys keys = ParseConnectionString(cs).value_or(ConnectionKeys());
        const LoginKind kind = loginKindOf(keys, shortcut, OdbcDriverCatalog::installed());
        LoginDecision login = decideLogin(keys, kind, given, user, password);
        // A file that names its user but keeps no password uses the one remembered in the keyring.
        if (!login.connectAtOnce && kind == LoginKind::Server && !login.user.isEmpty() && login.password.isEmpty()) {
            if (const std::optional<QString> stored =
                    passwordStore().find(passwordConnectionKey(cs), login.user)) {
                login.password = *stored;
                login.connectAtOnce = !stored->isEmpty();
            }
        }
        if (login.connectAtOnce) {
            connect(cs, login.user, login.password);
        } else if (m_hooks.showLoginDialog) {
            userPort().setWaitCursor(false);
            m_hooks.showLoginDialog(cs, login.user);
        }
    });
}

void Connecting::LoadRecentConnections(const IniFile& ini) {
    m_recent.load(ini);
    if (m_hooks.refreshRecentMenu) m_hooks.refreshRecentMenu();
}

void Connecting::SaveRecentConnections(const IniFile& ini) const { m_recent.save(ini); }

void Connecting::InsertRecentConn(const QString& file) {
    guardedVoid(Reporter::ErrorMsg, "InsertRecentConn", "Globals", [&] {
        if (m_recent.insert(file) && m_hooks.refreshRecentMenu) m_hooks.refreshRecentMenu();
    });
}

} // namespace mv
