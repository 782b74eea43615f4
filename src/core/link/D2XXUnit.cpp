#include "link/D2XXUnit.h"

#include "base/Messages.h"

#include <algorithm>
#include <cstring>

namespace tarnix {

FtHandle DeviceHandle = 0;
std::array<uint8_t, D2XXBufferSize> InBuffer{};
std::array<uint8_t, D2XXBufferSize> OutBuffer{};
std::array<char, 50> DeviceStringBuffer{};
std::string DeviceString;
uint32_t FtDeviceCount = 0;
uint32_t RxQueueBytes = 0;
FtStatus IoStatus = FT_OK;
bool ErrorReportEnabled = true;

namespace {
FtdiDriver* driver = nullptr;

FtStatus checked(FtStatus status, const char* name) {
    if (status != FT_OK)
        ReportDeviceError(name, status);
    return status;
}

// The buffer text up to its first NUL, at most 49 characters.
std::string bufferText() {
    DeviceStringBuffer[DeviceStringBuffer.size() - 1] = '\0';
    return std::string(DeviceStringBuffer.data());
}

void toBuffer(const std::string& text) {
    size_t n = std::min(text.size(), DeviceStringBuffer.size() - 1);
    std::memcpy(DeviceStringBuffer.data(), text.data(), n);
    DeviceStringBuffer[n] = '\0';
}
} // namespace

void setFtdiDriver(FtdiDriver* d) {
    driver = d;
    DeviceHandle = 0;
}

FtdiDriver* ftdiDriver() {
    return driver;
}

FtStatus GetFTDeviceCount() {
    if (!driver) {
        FtDeviceCount = 0;
        return checked(FT_DEVICE_NOT_FOUND, "GetFTDeviceCount");
    }
    uint32_t n = 0;
    FtStatus s = driver->deviceCount(n);
    FtDeviceCount = s == FT_OK ? n : 0;
    return checked(s, "GetFTDeviceCount");
}

static FtStatus listString(uint32_t index, bool serial, const char* name) {
    if (!driver)
        return checked(FT_DEVICE_NOT_FOUND, name);
    std::string text;
    FtStatus s = serial ? driver->serialNumber(index, text) : driver->description(index, text);
    if (s == FT_OK) {
        toBuffer(text);
        DeviceString = bufferText();
    }
    return checked(s, name);
}

FtStatus GetFTDeviceSerialNo(uint32_t index) {
    return listString(index, true, "GetFTDeviceSerialNo");
}

FtStatus GetFTDeviceDescription(uint32_t index) {
    return listString(index, false, "GetFTDeviceDescription");
}

FtStatus Open_USB_Device_By_Serial_Number(const std::string& serial) {
    toBuffer(serial);
    if (!driver)
        return checked(FT_DEVICE_NOT_FOUND, "Open_USB_Device_By_Serial_Number");
    FtHandle h = 0;
    FtStatus s = driver->openBySerial(bufferText(), h);
    if (s == FT_OK)
        DeviceHandle = h;
    return checked(s, "Open_USB_Device_By_Serial_Number");
}

FtStatus CloseDevice() {
    FtStatus s = driver ? driver->close(DeviceHandle) : FT_INVALID_HANDLE;
    return checked(s, "FT_Close");
}

FtStatus ResetDevice() {
    return checked(driver ? driver->reset(DeviceHandle) : FT_INVALID_HANDLE, "FT_ResetDevice");
}

FtStatus PurgeRx() {
    return checked(driver ? driver->purgeRx(DeviceHandle) : FT_INVALID_HANDLE, "FT_Purge RX");
}

FtStatus SetDeviceTimeouts(uint32_t readMs, uint32_t writeMs) {
    return checked(driver ? driver->setTimeouts(DeviceHandle, readMs, writeMs) : FT_INVALID_HANDLE,
                   "FT_SetTimeouts");
}

FtStatus GetQueueStatus() {
    uint32_t n = 0;
    FtStatus s = driver ? driver->queueStatus(DeviceHandle, n) : FT_INVALID_HANDLE;
    RxQueueBytes = s == FT_OK ? n : 0;
    return checked(s, "FT_GetQueueStatus");
}

uint32_t WriteDeviceBuffer(uint32_t n) {
    n = std::min<uint32_t>(n, D2XXBufferSize);
    uint32_t written = 0;
    IoStatus = driver ? driver->write(DeviceHandle, OutBuffer.data(), n, written) : FT_INVALID_HANDLE;
    checked(IoStatus, "FT_Write");
    return std::min(written, n);
}

uint32_t ReadDeviceBuffer(uint32_t n) {
    n = std::min<uint32_t>(n, D2XXBufferSize);
    uint32_t got = 0;
    IoStatus = driver ? driver->read(DeviceHandle, InBuffer.data(), n, got) : FT_INVALID_HANDLE;
    checked(IoStatus, "FT_Read");
    return std::min(got, n);
}

std::string DeviceErrorText(FtStatus status) {
    switch (status) {
    case FT_INVALID_HANDLE:
        return " - Invalid Handle...";
    case FT_DEVICE_NOT_FOUND:
        return " - Device Not Found....";
    case FT_DEVICE_NOT_OPENED:
        return " - Device Not Opened...";
    case FT_IO_ERROR:
        return " - General IO Error...";
    case FT_INSUFFICIENT_RESOURCES:
        return " - Insufficient Resources...";
    case FT_INVALID_PARAMETER:
        return " - Invalid Parameter ...";
    default:
        return " - Error " + std::to_string(status) + "...";
    }
}

void ReportDeviceError(const std::string& name, FtStatus status) {
    if (!ErrorReportEnabled || status == FT_OK)
        return;
    messages().error(name + DeviceErrorText(status));
}

} // namespace tarnix
