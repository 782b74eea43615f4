#pragma once
// Thin procedural wrapper over the installed FtdiDriver: one function per driver call, the module's
// buffers, and the error reporter. TUsb and the controller variable window use these.
#include "link/FtdiDriver.h"

#include <array>
#include <cstdint>
#include <string>

namespace tarnix {

constexpr size_t D2XXBufferSize = 20480;

extern FtHandle DeviceHandle;
extern std::array<uint8_t, D2XXBufferSize> InBuffer;  // every read lands here first
extern std::array<uint8_t, D2XXBufferSize> OutBuffer; // every write is assembled here
extern std::array<char, 50> DeviceStringBuffer;
extern std::string DeviceString; // the last serial number or description read
extern uint32_t FtDeviceCount;   // FTDI devices found by the last count
extern uint32_t RxQueueBytes;    // bytes waiting, from the last queue query
extern FtStatus IoStatus;        // status of the last read or write
extern bool ErrorReportEnabled;  // initially true

// The driver every wrapper talks to (not owned). With none installed every call fails with
// FT_DEVICE_NOT_FOUND and the device count is 0.
void setFtdiDriver(FtdiDriver* driver);
FtdiDriver* ftdiDriver();

FtStatus GetFTDeviceCount();
FtStatus GetFTDeviceSerialNo(uint32_t index);
FtStatus GetFTDeviceDescription(uint32_t index);
FtStatus Open_USB_Device_By_Serial_Number(const std::string& serial);
FtStatus CloseDevice();
FtStatus ResetDevice();
FtStatus PurgeRx();
FtStatus SetDeviceTimeouts(uint32_t readMs, uint32_t writeMs);
FtStatus GetQueueStatus();
// Writes the first n bytes of OutBuffer; returns the count written.
uint32_t WriteDeviceBuffer(uint32_t n);
// Reads up to n bytes into InBuffer; returns the count read.
uint32_t ReadDeviceBuffer(uint32_t n);

// Shows "<name> - <status text>" as an error message, unless reports are off or the status is 0.
void ReportDeviceError(const std::string& name, FtStatus status);
// The text ReportDeviceError appends to the name for a status.
std::string DeviceErrorText(FtStatus status);

} // namespace tarnix
