#include "app/main_window.h"

#include <QApplication>
#include <clocale>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::setlocale(LC_ALL, "");
    mv::frmMain w;
    w.show();
    return app.exec();
}
