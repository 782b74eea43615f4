#include "shell/UfrmMain.h"

#include <QMdiArea>

namespace tarnix {

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent), mdiArea_(new QMdiArea(this)) {
    setObjectName("frmMain");
    setWindowTitle(" TARNIX");
    setCentralWidget(mdiArea_);
    resize(400, 300);
}

} // namespace tarnix
