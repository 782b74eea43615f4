#pragma once
// The lower half of the DSP control window: the S-meter with its hang and spike indicators, the
// test-point table with its level bars and extremes, the receive gain chain with its 123 dB bar, and
// the forward, reflected and SWR meters. It shows what the window's telemetry poll decoded; it talks
// to nothing itself.
#include "dsp/DspTelemetry.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QTableView;
class QSerialPort;

namespace tarnix {

class SegmentMeter;
class TestPointModel;
class GainModel;
class ScaleRow;

class TDspMonitorPanel : public QWidget {
    Q_OBJECT
public:
    explicit TDspMonitorPanel(QWidget* parent = nullptr);
    ~TDspMonitorPanel() override;

    // The AD603 table of the parameter set (loaded when the window opens).
    void setAd603Table(const Ad603Table& table);
    // Byte 0 of the DSP status record: 1 draws the test point names blue, else green.
    void setNameColourBlue(bool blue);
    // The full scales of the power meters and their scale labels (from "$$$SWR_F" or the fall-back).
    void setPowerScale(const PowerScale& scale);
    const PowerScale& powerScale() const { return scale_; }

    // Decodes the record into every display, in the order S-meter, test points, gain chain, power.
    // Call it after each telemetry poll on route "U" (also when the reply fell short: the displays are
    // redrawn from the record as it was) and on route "S" when a frame was read.
    void showTelemetry(const DspTelemetry& t);

    // The extremes of every row back to 0 and 90 (also the "&Zero maxmin" button).
    void ZeroMaxMin();

    const DspMonitor& monitor() const { return monitor_; }

    // Controls, named as the window's controls.
    SegmentMeter* RzMeter_Smeter;
    QLabel* RzLabel_ss;
    QLabel* RzLabel_S1;
    QLabel* RzLabel_S5;
    QLabel* RzLabel_S9;
    QLabel* RzLabel_S930;
    QLabel* RzLabel_Hang;
    QLabel* RzLabel_Spike;
    QLabel* RzPanel_RT; // "Transmit", shown while the DSP transmits
    QTableView* dxDBGrid_Meter;
    QTableView* dxDBGrid_Gain;
    QLabel* RzLabel_AD603;
    QLabel* RzLabel_DAC;
    QLabel* RzLabel_AD603gain;
    QLabel* RzLabel_ADC;
    QLabel* RzLabel_AGC;
    QLabel* RzLabel_GainLeft;
    QLabel* RzLabel_GainRight;
    SegmentMeter* RzMeter_Fwd;
    SegmentMeter* RzMeter_Ref;
    SegmentMeter* RzMeter_SWR;
    QLabel* RzLabel_Fwd1;
    QLabel* RzLabel_Fwd2;
    QLabel* RzLabel_Fwd3;
    QLabel* RzLabel_Ref1;
    QLabel* RzLabel_Ref2;
    QLabel* RzLabel_Ref3;
    QPushButton* RzBitBtn_ZeroMaxMin;

public slots:
    void RzBitBtn_ZeroMaxMinClick();

private:
    void applyDisplay();
    QWidget* buildSmeter();
    QWidget* buildPowerMeters();
    QWidget* buildGain();

    DspMonitor monitor_;
    Ad603Table ad603_{};
    PowerScale scale_ = DefaultPowerScale;
    TestPointModel* pointModel_;
    GainModel* gainModel_;
    ScaleRow* fwdScale_ = nullptr;
    ScaleRow* refScale_ = nullptr;
};

// The telemetry poll on route "S" over the window's serial port (see ReadTelemetrySerial).
SerialTelemetryResult ReadTelemetrySerialPort(QSerialPort& port, DspTelemetry& t,
                                              const SerialTelemetryLimits& limits = {});

} // namespace tarnix
