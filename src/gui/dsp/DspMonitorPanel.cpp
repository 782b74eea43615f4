#include "dsp/DspMonitorPanel.h"

#include <QSerialPort>

namespace tarnix {

TDspMonitorPanel::TDspMonitorPanel(QWidget* parent) : QWidget(parent) {}

TDspMonitorPanel::~TDspMonitorPanel() = default;

void TDspMonitorPanel::setAd603Table(const Ad603Table& table) {
    ad603_ = table;
}
void TDspMonitorPanel::setNameColourBlue(bool) {}
void TDspMonitorPanel::setPowerScale(const PowerScale& scale) {
    scale_ = scale;
}
void TDspMonitorPanel::showTelemetry(const DspTelemetry&) {}
void TDspMonitorPanel::ZeroMaxMin() {}
void TDspMonitorPanel::RzBitBtn_ZeroMaxMinClick() {
    ZeroMaxMin();
}
void TDspMonitorPanel::applyDisplay() {}

SerialTelemetryResult ReadTelemetrySerialPort(QSerialPort&, DspTelemetry&, const SerialTelemetryLimits&) {
    return SerialTelemetryResult::NoStart;
}

} // namespace tarnix
