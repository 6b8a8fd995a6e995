#include "app/main_window.h"

namespace mv {
frmMain::frmMain(QWidget* parent) : QMainWindow(parent) {}
} // namespace mv
