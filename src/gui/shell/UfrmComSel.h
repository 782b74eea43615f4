#pragma once
#include <QDialog>
#include <QStringList>

class QComboBox;

namespace tarnix {

// Choice of the serial port to the DSP ("none" or one of the system's serial devices).
class TfrmComSel : public QDialog {
    Q_OBJECT
public:
    explicit TfrmComSel(QWidget* parent = nullptr);

    // "none" followed by the serial devices of this machine (and any registered extra ports).
    static QStringList PortLines();
    // Ports that are not system devices but should be offered, such as a simulated DSP's pseudo-terminal.
    static QStringList& ExtraPorts();

    QComboBox* RzCB_comsel;

private slots:
    void AcceptClick();
};

} // namespace tarnix
