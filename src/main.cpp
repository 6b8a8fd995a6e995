#include "app/app_paths.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "app/user_port_dialog.h"
#include "db/secret_password_store.h"

#include <QApplication>
#include <QIcon>
#include <clocale>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The help pages and pictures live in the static GUI library.
    Q_INIT_RESOURCE(morvenda);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/morvenda.svg")));
    QCoreApplication::setOrganizationName(QStringLiteral("Morvenda"));
    QCoreApplication::setApplicationName(QStringLiteral("Morvenda"));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(mv::AppPaths::DesktopId));
    // The ODBC layer passes UTF-8 text; drivers convert by the process locale.
    std::setlocale(LC_ALL, "");
    mv::QtUserPort port;
    mv::setUserPort(&port);
    mv::SecretPasswordStore keyring;
    mv::setPasswordStore(&keyring);
    mv::frmMain window(mv::AppPaths::forExecutableFolder(QCoreApplication::applicationDirPath()));
    port.setParentWindow(&window);
    window.show();
    window.startup(mv::joinArguments(QCoreApplication::arguments()));
    const int rc = app.exec();
    mv::setUserPort(nullptr);
    mv::setPasswordStore(nullptr);
    return rc;
}
