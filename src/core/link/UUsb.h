#pragma once
// The link to the controller: finds the Kelvox among the FTDI devices, lets the user choose when
// there are several, opens and re-opens it, and offers the byte-level primitives every controller
// transaction is built from. One program-wide instance, `Usb`.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnix {

constexpr int UsbMaxDevices = 6;      // matching devices offered by a search
constexpr int UsbTimeoutMs = 20;      // read and write time-outs set at open
constexpr int UsbVersionPauseMs = 50; // between the version command and its reply

struct TUsbDeviceEntry {
    uint8_t FtIndex = 0; // index in the FTDI device list
    std::string Serial;  // at most 20 characters
    std::string Descr;   // at most 50 characters, letter case kept
};

class TUsb {
public:
    // Picks one of several matching devices: gets the entries of the search (in list order) and returns
    // the chosen entry number, 1-based; anything outside 1..entries.size() means no choice.
    using Chooser = std::function<int(const std::vector<TUsbDeviceEntry>& entries)>;

    TUsb();

    // Confirms an open link, or searches, opens the found device, resets it and sets the time-outs.
    bool CheckLink();
    void CloseLink();
    // Searches the FTDI devices for descriptions containing "KELVOX" (any case) and chooses one.
    bool FindDevices();
    // Asks the chooser; 0 when none is installed.
    int ChooseDevice();

    // The text and one NUL in one write; true when all were written.
    bool SendCommand(std::string_view text);
    // One write of n bytes; true when all n were written.
    bool WriteBlock(const uint8_t* bytes, uint16_t n);
    // Reads n bytes; only when exactly n arrived are they copied to dest (else dest is unchanged).
    bool ReadBlock(uint8_t* dest, uint16_t n);
    // A 16-bit value sent high byte first; false and 0 when fewer than 2 bytes came.
    bool ReadWord(uint16_t& word);
    // The controller firmware version ("$$$CFG_Z"), empty when the controller did not give it.
    std::string QueryVersion();

    void setChooser(Chooser chooser) { chooser_ = std::move(chooser); }

    // "USB: " + description + "  s/n: " + serial.
    std::string LinkText() const;
    // The choice line of an entry: description + "  s/n: " + serial.
    static std::string ChoiceLine(const TUsbDeviceEntry& e);

    std::string SerialNumber;
    std::string Description;
    uint32_t DeviceIndex = 0;
    bool IsOpen = false;
    int32_t DeviceCount = 0;
    // Entry k (1-based) is Devices[k - 1]; only the first DeviceCount are valid.
    std::array<TUsbDeviceEntry, UsbMaxDevices> Devices;

private:
    Chooser chooser_;
};

// The one link of the program.
extern TUsb Usb;

// The main window's left status pane when no link is open: "USB: Kelvox not detected", or, when the
// driver found a device it is not allowed to open, a text saying so and naming the udev rule.
std::string UsbNoLinkText();
constexpr const char* UsbNotDetectedText = "USB: Kelvox not detected";
constexpr const char* UdevRuleName = "99-kelvox.rules";

// "Kelvox v" + version + " ready".
std::string KelvoxReadyText(const std::string& version);

} // namespace tarnix
