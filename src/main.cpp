#include "app/app_paths.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "app/user_port_dialog.h"
#include "db/detached_thread.h"
#include "db/secret_password_store.h"

#include <QApplication>
#include <QIcon>
#include <clocale>
#include <chrono>
#include <thread>
#include <unistd.h>

// Q_INIT_RESOURCE declares its function where it stands: this cannot be in a namespace.
static int run(int argc, char** argv) {
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
    // Whatever state the program is in, it does not outlive a termination signal by more than
    // a few seconds; the orderly shutdown normally ends it long before.
    QObject::connect(&window, &mv::frmMain::terminationBegun, [] {
        std::thread([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(4600));
            ::_exit(1);
        }).detach();
    });
    window.show();
    window.startup(mv::joinArguments(QCoreApplication::arguments()));
    // A shutdown during start-up (a termination signal) has run already: no event loop then.
    const int rc = window.finished() ? 0 : app.exec();
    mv::setUserPort(nullptr);
    mv::setPasswordStore(nullptr);
    return rc;
}

int main(int argc, char** argv) {
    const int rc = run(argc, argv);
    // A driver call that never returned must not keep the process alive, nor may anything call
    // into the driver manager it may hold: the files are written, so the process ends then.
    mv::endProgram(rc, std::chrono::seconds(2));
}
