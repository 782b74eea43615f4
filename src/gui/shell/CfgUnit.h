#pragma once
#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace tarnix {

// USB options. Its line options are shown but not applied: the controller link runs with the FTDI
// device's own defaults. OK drops the link and searches for a controller again at once.
class TSetupForm : public QDialog {
    Q_OBJECT
public:
    explicit TSetupForm(QWidget* parent = nullptr);

    QComboBox* BaudSelect;
    QComboBox* DataBits;
    QComboBox* StopBits;
    QComboBox* Parity;
    QComboBox* FlowControl;
    QCheckBox* RTS_On;
    QCheckBox* DTR_On;
    QLineEdit* XON_Val;
    QLineEdit* XOFF_Val;
    QCheckBox* Event_On;
    QCheckBox* Error_On;
    QLineEdit* Event_Val;
    QLineEdit* Error_Val;
    QLabel* Event_Label;
    QLabel* Error_Label;

private slots:
    void OkClick();
};

} // namespace tarnix
