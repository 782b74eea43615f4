#include "shell/StatusPoll.h"

#include "base/Pacer.h"
#include "link/UUsb.h"
#include "shell/Globals.h"
#include "shell/UsbQueue.h"

#include "link/D2XXUnit.h"

namespace tarnix {

StatusPollResult PollUsbStatus(TUsb& usb, UsbScheduler& queue, bool& needVersion) {
    StatusPollResult r;
    if (usb.CheckLink()) {
        r.linkUp = true;
        r.leftText = usb.LinkText();
        UsbLinkUp = true;
        if (needVersion) {
            std::string version = usb.QueryVersion();
            if (!version.empty()) {
                r.kelvoxText = KelvoxReadyText(version);
                needVersion = false;
            }
        }
        return r;
    }
    needVersion = true;
    r.leftText = UsbNoLinkText();
    queue.ClearUsbQueue();
    UsbLinkUp = false;
    r.clearKelvox = true;
    return r;
}

bool ToggleMox(TUsb& usb, char route) {
    pumpMessages();
    if (route != 'U')
        return false;
    PurgeRx();
    if (!usb.SendCommand("$$$DSP_T"))
        return false;
    pacer().pause(50);
    pumpMessages();
    uint8_t telemetry[24];
    bool got = usb.ReadBlock(telemetry, sizeof telemetry);
    PurgeRx();
    if (!got)
        return false;
    bool transmitting = (telemetry[4] & 0x80) != 0;
    return usb.SendCommand(transmitting ? "$$$CTL_R" : "$$$CTL_T");
}

} // namespace tarnix
