#pragma once
// The AD603 calibration curve to the controller's internal EEPROM ("$$$DSP_V" and the 42 table
// entries in one write, after the pause the controller needs; there is no reply).
#include <array>
#include <cstdint>

namespace tarnix {

class TUsb;

constexpr const char* CalCurveSentText = "AD603 calibration sent";
constexpr const char* CalCurveFailedText = "Failed to send AD603 calibration";

// True when the command and the 42 bytes were accepted whole.
bool SendCalCurve(TUsb& usb, const std::array<uint8_t, 42>& curve);

} // namespace tarnix
