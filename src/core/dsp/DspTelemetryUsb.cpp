// The two transactions of the DSP monitor over the controller link.
#include "base/Pacer.h"
#include "dsp/DspTelemetry.h"
#include "link/CommandCatalogue.h"
#include "link/D2XXUnit.h"
#include "link/UUsb.h"

namespace tarnix {

bool ReadTelemetryUsb(TUsb& usb, DspTelemetry& t) {
    pumpMessages();
    const CommandInfo& c = command("$$$DSP_T");
    PurgeRx();
    if (!usb.SendCommand(c.text))
        return false;
    pacer().pause(c.pauseBeforeReply);
    pumpMessages();
    std::array<uint8_t, TelemetryBytes> reply{};
    if (!usb.ReadBlock(reply.data(), static_cast<uint16_t>(reply.size())))
        return false;
    return DecodeUsbTelemetry(reply.data(), reply.size(), t);
}

PowerScale ReadPowerScaleUsb(TUsb& usb, bool* ok) {
    const CommandInfo& c = command("$$$SWR_F");
    PowerScale scale = DefaultPowerScale;
    bool got = false;
    PurgeRx();
    if (usb.SendCommand(c.text)) {
        pacer().pause(c.pauseBeforeReply);
        pumpMessages();
        std::array<uint8_t, 4> reply{};
        if (usb.ReadBlock(reply.data(), static_cast<uint16_t>(reply.size())))
            got = DecodePowerScale(reply.data(), reply.size(), scale);
    }
    if (!got)
        scale = DefaultPowerScale;
    if (ok)
        *ok = got;
    return scale;
}

} // namespace tarnix
