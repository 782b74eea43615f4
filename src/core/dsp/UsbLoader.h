#pragma once
// The loader's USB transactions: the load image into the controller's EEPROM ("$$$DSP_C"), the
// parameter image ("$$$DSP_P") and the parameter sets back ("$$$DSP_S"). Sizes and pauses come from
// the command catalogue; the label texts are the loading window's, returned so that the window and
// the command-line tool show the same lines.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarnix {

class TUsb;

// Called with each progress text while a transfer runs (after pending messages have run).
using LoaderLabelFn = std::function<void(const std::string&)>;

constexpr const char* DspHeaderFailedText = "DSP header transmission by USB failed";
constexpr const char* DspCodeFailedText = "DSP code transmission by USB failed";
constexpr const char* DspParamsSentText = "DSP params sent ok";
constexpr const char* DspParamsFailedText = "DSP params transmission failed";
constexpr const char* DspParamsReceivedText = "DSP params received ok";
constexpr const char* DspParamsReceptionFailedText = "DSP params reception failed";

struct UsbCodeResult {
    bool headerOk = false;       // the command and the image length were written
    bool completed = false;      // every block was written whole
    uint16_t pcChecksum = 0;     // of the image as sent
    uint16_t kelvoxChecksum = 0; // the controller's reply (0 when it did not come)
    std::string label;           // the code result line: "DSP code: N bytes sent" or a failure text
};

// "Checksum on code bytes as sent from PC  =  N" and "... as received by Kelvox  =  N".
std::string PcChecksumText(uint16_t sum);
std::string KelvoxChecksumText(uint16_t sum);

// Purge, "$$$DSP_C", the image length (high byte first), the image in 64-byte writes with a pause
// after each and a "bytes:  N" progress text, then a pause and the controller's checksum.
UsbCodeResult SendCodeUsb(TUsb& usb, const std::vector<uint8_t>& image, const LoaderLabelFn& progress = {});

// Purge and "$$$DSP_P" (false when the command is not accepted). The parameter image follows with
// SendParamImageUsb.
bool StartParamLoadUsb(TUsb& usb);
// The parameter image in 64-byte writes (the last one shorter): pending messages run before the first
// write and after each, then a pause. False when a write is not accepted whole (nothing more is
// written then).
bool SendParamImageUsb(TUsb& usb, const std::vector<uint8_t>& paramImage);

// Purge and "$$$DSP_S" (false when the command is not accepted).
bool StartParamUploadUsb(TUsb& usb);
// The upload reply: a pause, then six blocks of 100 bytes for SSB green, yellow, red and CW green,
// yellow, red. Each block that arrives whole and starts with ten "#" is handed to store (mode group
// 1 SSB / 2 CW, colour 1..3, the 100 bytes; byte n is parameter n) before the next one is read, so
// the sets already received stay stored when a later block fails. False at the first short or
// malformed block.
using ParamBlockFn = std::function<void(int modeGroup, int colour, const uint8_t* block)>;
bool ReceiveParamBlocksUsb(TUsb& usb, const ParamBlockFn& store);

} // namespace tarnix
