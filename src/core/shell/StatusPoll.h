#pragma once
// The link status poll of the main window and the MOX exchange of the DDS window's button.
#include <optional>
#include <string>

namespace tarnix {

class TUsb;
class UsbScheduler;

struct StatusPollResult {
    bool linkUp = false;
    std::string leftText;                  // the USB pane
    std::optional<std::string> kelvoxText; // the version pane: a new text, or nullopt to leave it
    bool clearKelvox = false;              // empty the version pane
};

// Confirms the link or searches for a controller. With a link: the link text, and the version when
// it is still needed (needVersion stays set until a version is read). Without one: "USB: Kelvox not
// detected", every pending request dropped, needVersion set for the next link. UsbLinkUp follows.
StatusPollResult PollUsbStatus(TUsb& usb, UsbScheduler& queue, bool& needVersion);

// Reads the DSP's transmit state from the first 24 telemetry bytes and sends the opposite MOX
// command. Only on route 'U'. When the telemetry read fails nothing is sent: the transmit state is
// unknown and the transmitter must not be keyed blindly. Returns true when a MOX command was sent.
bool ToggleMox(TUsb& usb, char route);

} // namespace tarnix
