// Every test program runs with a QApplication, offscreen, under a UTF-8 locale.
#include "db/detached_thread.h"

#include <QApplication>
#include <clocale>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                     : qgetenv("QT_QPA_PLATFORM"));
    if (qgetenv("XDG_RUNTIME_DIR").isEmpty()) qputenv("XDG_RUNTIME_DIR", "/tmp/mv-xdg-runtime");
    // The ODBC drivers convert text by the process locale.
    if (qgetenv("LC_ALL").isEmpty()) qputenv("LC_ALL", "C.UTF-8");
    std::setlocale(LC_ALL, "");
    ::testing::InitGoogleTest(&argc, argv);
    int rc = 0;
    {
        QApplication app(argc, argv);
        Q_INIT_RESOURCE(morvenda);
        rc = RUN_ALL_TESTS();
    }
    // A catalog read or connection test a test left behind may still be at work.
    mv::endProgram(rc, std::chrono::seconds(20));
}
