#pragma once
#include <QMainWindow>

class QMdiArea;

namespace tarnix {

// The MDI frame of the program.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);

    QMdiArea* mdiArea() const { return mdiArea_; }

private:
    QMdiArea* mdiArea_;
};

} // namespace tarnix
