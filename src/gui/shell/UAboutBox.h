#pragma once
#include <QDialog>

class QLabel;

namespace tarnix {

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
    QLabel* Label_Version;
};

} // namespace tarnix
