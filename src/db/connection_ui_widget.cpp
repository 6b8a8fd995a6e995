#include "db/connection_ui_widget.h"

#include "app/command_bars_widget.h"
#include "app/command_dispatcher.h"
#include "app/error_report.h"
#include "app/settings.h"
#include "app/status_bar_widget.h"
#include "app/texts.h"
#include "db/connection_string.h"
#include "db/data_link_dialog.h"
#include "db/data_link_file.h"
#include "db/login_dialog.h"
#include "db/password_store.h"
#include "session/session_log.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>
#include <QPixmap>

namespace mv {

QPixmap connectionIconPixmap(const QString& key, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF body(size * 0.2, size * 0.25, size * 0.6, size * 0.55);
    // A small database drum: grey when closed, green outline when connected but idle, filled
    // green while the connection is open, red with a cross after a failure.
    QColor fill = Qt::lightGray, line = Qt::darkGray;
    if (key == QLatin1String("kOpenConnection")) fill = QColor(220, 245, 220), line = QColor(30, 140, 30);
    if (key == QLatin1String("kActiveConnection")) fill = QColor(60, 190, 60), line = QColor(20, 110, 20);
    if (key == QLatin1String("kErrorConnection")) fill = QColor(250, 200, 200), line = QColor(200, 30, 30);
    p.setPen(QPen(line, 1.2));
    p.setBrush(fill);
    p.drawRect(body);
    p.drawEllipse(QRectF(body.left(), body.top() - size * 0.1, body.width(), size * 0.2));
    p.drawEllipse(QRectF(body.left(), body.bottom() - size * 0.1, body.width(), size * 0.2));
    if (key == QLatin1String("kErrorConnection")) {
        p.setPen(QPen(QColor(200, 30, 30), 2));
        p.drawLine(QPointF(size * 0.15, size * 0.15), QPointF(size * 0.85, size * 0.85));
        p.drawLine(QPointF(size * 0.85, size * 0.15), QPointF(size * 0.15, size * 0.85));
    }
    return pm;
}

ConnectionUi::ConnectionUi(QMainWindow* window, StatusBarWidget* status, CommandBarsWidget* bars,
                           SessionLog& session, const Settings& settings)
    : QObject(window), m_window(window), m_status(status), m_bars(bars), m_settings(settings) {
    m_cn = std::make_unique<C_DbConnect>(session, this);
    m_hooks.setConnectionCaption = [this](const QString& t) { setConnectionCaption(t); };
    m_hooks.refreshRecentMenu = [this] { RefreshRecentConnMenu(); };
    m_hooks.showLoginDialog = [this](const QString& cs, const QString& u) { showLoginDialog(cs, u); };
    // The hooks are read through this object, so later additions (explorer, options) take effect.
    ConnectingHooks forwarding;
    forwarding.setAsyncSwitch = [this](bool c, bool e) { if (m_hooks.setAsyncSwitch) m_hooks.setAsyncSwitch(c, e); };
    forwarding.setConnectionCaption = [this](const QString& t) { m_hooks.setConnectionCaption(t); };
    forwarding.cleanUpExplorer = [this] { if (m_hooks.cleanUpExplorer) m_hooks.cleanUpExplorer(); };
    forwarding.readTables = [this] { if (m_hooks.readTables) m_hooks.readTables(); };
    forwarding.refreshRecentMenu = [this] { m_hooks.refreshRecentMenu(); };
    forwarding.showLoginDialog = [this](const QString& cs, const QString& u) { m_hooks.showLoginDialog(cs, u); };
    forwarding.confirmEndConnection = [this] { return !m_hooks.confirmEndConnection || m_hooks.confirmEndConnection(); };
    m_connecting = std::make_unique<Connecting>(*m_cn, session, settings, forwarding);
    SetConnectionIcon(QStringLiteral("kCloseConnection"));
}

ConnectionUi::~ConnectionUi() = default;

void ConnectionUi::SetConnectionIcon(const QString& key) {
    guardedVoid(Reporter::ErrorMsg, "SetConnectionIcon", "Globals", [&] {
        m_iconKey = key;
        if (m_status) m_status->setConnectionIcon(connectionIconPixmap(key, 16), key);
    });
}

void ConnectionUi::setStartTransEnabled(bool enabled) {
    m_startTrans = enabled;
    emit startTransEnabledChanged(enabled);
}

void ConnectionUi::setConnectionCaption(const QString& text) {
    if (m_status) m_status->setPanelText(QStringLiteral("kConnection"), text);
}

void ConnectionUi::RefreshRecentConnMenu() {
    try {
        QMenu* sub = m_bars ? m_bars->menu(QStringLiteral("kRecentConn")) : nullptr;
        if (!sub) return;
        for (const RecentMenuItem& item : m_connecting->recentConnections().menuItems(m_settings.fileShortLen))
            m_bars->setSubmenuEntry(sub, item.key, item.caption);
        QCoreApplication::processEvents();
    } catch (...) {
        const CaughtError e = describeCurrentException();
        DispMsg(e.description, e.number, QStringLiteral("Globals"), QString());
    }
}

void ConnectionUi::showLoginDialog(const QString& cs, const QString& user) {
    if (!m_login) {
        m_login = new frmDbCon(
            [this](const QString& s, const QString& u, const QString& p) {
                if (m_hooks.confirmEndConnection && !m_hooks.confirmEndConnection()) return;
                m_cn->EndCn();
                if (m_hooks.cleanUpExplorer) m_hooks.cleanUpExplorer();
                if (m_connecting->connect(s, u, p) && m_login)
                    rememberPassword(passwordStore(), s, u, p, m_login->rememberPassword());
            },
            m_window);
    }
    m_login->setConnectionString(cs);
    if (!user.isEmpty()) m_login->setUser(user);
    m_login->exec();
    // After Connect the dialog is discarded; after Cancel it keeps its fields for next time.
    if (m_login && m_login->finished()) m_login->deleteLater();
}

void ConnectionUi::registerCommands(CommandDispatcher& d) {
    const ConnectionTest test = [](const QString& cs) {
        ConnectionTestResult r;
        try {
            const OdbcTranslation t = toOdbc(cs);
            if (!t.ok()) throw MvError(err::InvalidProcedureCall, t.error);
            auto cn = createDbConnection();
            cn->open(t.odbc);
            const QString dbms = cn->info().dbmsName + u' ' + cn->info().dbmsVersion;
            cn->disconnect();
            r.ok = true;
            r.message = ui_text("Verbindung erfolgreich: %1", "Connection succeeded: %1").arg(dbms);
        } catch (...) {
            r.ok = false;
            r.message = describeCurrentException().description;
        }
        return r;
    };
    d.add(QStringLiteral("kNewConn"), [this, test] {
        NewDataLinkFile(dataLinkDialogPrompt(m_window, test), m_settings.standardUDLPath);
    });
    d.add(QStringLiteral("kEditConn"), [this, test] { EditDataLinkFile(dataLinkDialogPrompt(m_window, test)); });
    d.add(QStringLiteral("kOpenConn"), [this] { m_connecting->OpenDataLinkFile(false); });
    d.add(QStringLiteral("kScrOpenCon"), [this] { m_connecting->OpenDataLinkFile(false); });
    d.addIndexed(QStringLiteral("kRC"), [this](int n) {
        if (const auto file = m_connecting->recentConnections().entry(n)) m_connecting->OpenDataLinkFile(true, *file);
    });
}

} // namespace mv
