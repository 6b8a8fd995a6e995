#pragma once
#include <QMainWindow>

namespace mv {

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
};

} // namespace mv
