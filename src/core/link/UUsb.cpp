#include "link/UUsb.h"

#include "base/ByteOrder.h"
#include "base/Pacer.h"
#include "base/Text.h"
#include "link/D2XXUnit.h"

#include <algorithm>
#include <cstring>

namespace tarnix {

TUsb Usb;

TUsb::TUsb() = default;

bool TUsb::FindDevices() {
    ErrorReportEnabled = false;
    DeviceCount = 0;
    if (GetFTDeviceCount() != FT_OK)
        FtDeviceCount = 0;
    Description.clear();
    for (uint32_t i = 0; i < FtDeviceCount && DeviceCount < UsbMaxDevices; ++i) {
        if (GetFTDeviceDescription(i) != FT_OK)
            continue;
        if (toUpper(DeviceString).find("KELVOX") == std::string::npos)
            continue;
        TUsbDeviceEntry& e = Devices[static_cast<size_t>(DeviceCount)];
        ++DeviceCount;
        e.FtIndex = static_cast<uint8_t>(i);
        e.Descr = DeviceString.substr(0, 50);
        e.Serial.clear();
        if (GetFTDeviceSerialNo(i) == FT_OK)
            e.Serial = DeviceString.substr(0, 20);
    }
    if (DeviceCount == 0)
        return false;
    int choice = DeviceCount == 1 ? 1 : ChooseDevice();
    if (choice < 1 || choice > DeviceCount)
        return false;
    const TUsbDeviceEntry& e = Devices[static_cast<size_t>(choice - 1)];
    DeviceIndex = e.FtIndex;
    Description = e.Descr;
    SerialNumber = e.Serial;
    return true;
}

int TUsb::ChooseDevice() {
    if (!chooser_)
        return 0;
    std::vector<TUsbDeviceEntry> entries(Devices.begin(), Devices.begin() + DeviceCount);
    return chooser_(entries);
}

bool TUsb::CheckLink() {
    if (IsOpen) {
        if (GetQueueStatus() == FT_OK)
            return true;
        // The device has gone. Let go of its handle so that the driver can free it.
        IsOpen = false;
        CloseDevice();
        return false;
    }
    if (!FindDevices())
        return false;
    if (Open_USB_Device_By_Serial_Number(SerialNumber) != FT_OK)
        return false;
    IsOpen = true;
    // A device that cannot be reset or given its time-outs is not used: without the time-outs a read
    // could block the program.
    if (ResetDevice() != FT_OK || SetDeviceTimeouts(UsbTimeoutMs, UsbTimeoutMs) != FT_OK) {
        CloseLink();
        return false;
    }
    return true;
}

void TUsb::CloseLink() {
    CloseDevice();
    IsOpen = false;
}

bool TUsb::SendCommand(std::string_view text) {
    size_t n = std::min(text.size(), D2XXBufferSize - 1);
    std::memcpy(OutBuffer.data(), text.data(), n);
    OutBuffer[n] = 0;
    return WriteDeviceBuffer(static_cast<uint32_t>(n + 1)) == n + 1;
}

bool TUsb::WriteBlock(const uint8_t* bytes, uint16_t n) {
    if (n > D2XXBufferSize)
        return false;
    if (n)
        std::memcpy(OutBuffer.data(), bytes, n);
    return WriteDeviceBuffer(n) == n;
}

bool TUsb::ReadBlock(uint8_t* dest, uint16_t n) {
    if (n > D2XXBufferSize)
        return false;
    uint32_t got = ReadDeviceBuffer(n);
    if (got != n || IoStatus != FT_OK)
        return false;
    if (n)
        std::memcpy(dest, InBuffer.data(), n);
    return true;
}

bool TUsb::ReadWord(uint16_t& word) {
    uint32_t got = ReadDeviceBuffer(D2XXBufferSize);
    if (got < 2) {
        word = 0;
        return false;
    }
    word = be16(InBuffer.data());
    return true;
}

std::string TUsb::QueryVersion() {
    PurgeRx();
    if (!SendCommand("$$$CFG_Z"))
        return {};
    pacer().pause(UsbVersionPauseMs);
    uint8_t reply[9];
    if (!ReadBlock(reply, sizeof reply))
        return {};
    size_t len = 0;
    while (len < sizeof reply && reply[len] != 0)
        ++len;
    std::string text(reinterpret_cast<const char*>(reply), len);
    if (text.compare(0, 4, "$$KX") != 0)
        return {};
    return text.substr(4);
}

std::string TUsb::LinkText() const {
    return "USB: " + Description + "  s/n: " + SerialNumber;
}

std::string TUsb::ChoiceLine(const TUsbDeviceEntry& e) {
    return e.Descr + "  s/n: " + e.Serial;
}

std::string UsbNoLinkText() {
    FtdiDriver* d = ftdiDriver();
    if (d && !d->accessProblem().empty())
        return std::string(UsbNotDetectedText) + " - " + d->accessProblem();
    return UsbNotDetectedText;
}

std::string KelvoxReadyText(const std::string& version) {
    return "Kelvox v" + version + " ready";
}

} // namespace tarnix
