#pragma once
// "Load AD603 calibration the Kelvox": sends the AD603 curve of "Filters/AD603.dat" to the
// controller's internal EEPROM, which uses it for its DSP monitor display. The sending runs in the
// scheduler's slot 40.
#include <QDialog>
#include <array>
#include <cstdint>

class QPushButton;

namespace tarnix {

class TfrmCalCurve : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCalCurve(QWidget* parent = nullptr);
    ~TfrmCalCurve() override;

    // Reads the AD603 table of the parameter set (a missing or short file is logged; the entries not
    // read keep the values the set held) into CurveBytes.
    void Prepare();
    // Slot 40: the curve to the controller, then the result as a message.
    void SendCalCurve();

    void RzBitBtn_LoadClick();

    std::array<uint8_t, 42> CurveBytes{};
    QPushButton* RzBitBtn_Load;
    QPushButton* RzBitBtn_Exit;
    QPushButton* RzBitBtn_Help;
};

// The live window, while one exists; the scheduler tests it before running slot 40.
extern TfrmCalCurve* frmCalCurve;

} // namespace tarnix
