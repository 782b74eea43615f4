#include "dsp/CalCurve.h"

#include "link/CommandCatalogue.h"
#include "link/Transaction.h"

#include <vector>

namespace tarnix {

bool SendCalCurve(TUsb& usb, const std::array<uint8_t, 42>& curve) {
    return usbOrder(usb, command("$$$DSP_V"), std::vector<uint8_t>(curve.begin(), curve.end()));
}

} // namespace tarnix
