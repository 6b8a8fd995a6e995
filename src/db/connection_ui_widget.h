#pragma once
// The connection as the main window shows it: the connection panel with its icon and caption, the
// login dialog, the recent-connections submenu and the data link commands.
#include "db/connecting.h"
#include "db/db_connect.h"
#include "db/login_dialog.h"

#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <memory>

class QMainWindow;

namespace mv {

class CommandBarsWidget;
class CommandDispatcher;
class SessionLog;
class StatusBarWidget;
struct Settings;

class ConnectionUi : public QObject, public ConnectionHost {
    Q_OBJECT
public:
    ConnectionUi(QMainWindow* window, StatusBarWidget* status, CommandBarsWidget* bars, SessionLog& session,
                 const Settings& settings);
    ~ConnectionUi() override;

    C_DbConnect& cn() { return *m_cn; }
    Connecting& connecting() { return *m_connecting; }
    // Registers kNewConn, kEditConn, kOpenConn, kScrOpenCon and the recent entries kRC1...
    void registerCommands(CommandDispatcher& dispatcher);
    // Hooks the explorer and the execute options fill in once they exist.
    ConnectingHooks& hooks() { return m_hooks; }

    // ConnectionHost
    void SetConnectionIcon(const QString& key) override;
    void setStartTransEnabled(bool enabled) override;
    void setConnectionCaption(const QString& text) override;

    QString iconKey() const { return m_iconKey; }
    bool startTransEnabled() const { return m_startTrans; }
    void RefreshRecentConnMenu();
    frmDbCon* loginDialog() const { return m_login; }

signals:
    void startTransEnabledChanged(bool enabled);

private:
    void showLoginDialog(const QString& cs, const QString& user);
    QMainWindow* m_window;
    StatusBarWidget* m_status;
    CommandBarsWidget* m_bars;
    const Settings& m_settings;
    std::unique_ptr<C_DbConnect> m_cn;
    ConnectingHooks m_hooks;
    std::unique_ptr<Connecting> m_connecting;
    QPointer<frmDbCon> m_login;
    QString m_iconKey;
    bool m_startTrans = false;
};

// The picture of a connection state (kCloseConnection, kOpenConnection, kActiveConnection, kErrorConnection).
QPixmap connectionIconPixmap(const QString& key, int size = 16);

} // namespace mv
