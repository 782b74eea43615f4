#pragma once
// The FTDI device calls the controller link relies on, as an interface: the real driver (libftdi1),
// the simulated controllers and the link trace all sit behind it.
#include <cstdint>
#include <string>

namespace tarnix {

// Status of a driver call: 0 is success. The other values keep the meanings the link reports.
using FtStatus = uint32_t;
enum : FtStatus {
    FT_OK = 0,
    FT_INVALID_HANDLE = 1,
    FT_DEVICE_NOT_FOUND = 2,
    FT_DEVICE_NOT_OPENED = 3,
    FT_IO_ERROR = 4,
    FT_INSUFFICIENT_RESOURCES = 5,
    FT_INVALID_PARAMETER = 6,
    FT_OTHER_ERROR = 18,
};

// An open device. 0 is never a valid handle.
using FtHandle = uintptr_t;

class FtdiDriver {
public:
    virtual ~FtdiDriver() = default;

    // Lists the FTDI devices present now; later index calls refer to this list.
    virtual FtStatus deviceCount(uint32_t& count) = 0;
    virtual FtStatus description(uint32_t index, std::string& text) = 0;
    virtual FtStatus serialNumber(uint32_t index, std::string& text) = 0;

    virtual FtStatus openBySerial(const std::string& serial, FtHandle& handle) = 0;
    virtual FtStatus close(FtHandle handle) = 0;
    virtual FtStatus reset(FtHandle handle) = 0;
    // Discards everything waiting on the receive side.
    virtual FtStatus purgeRx(FtHandle handle) = 0;
    virtual FtStatus setTimeouts(FtHandle handle, uint32_t readMs, uint32_t writeMs) = 0;
    // Bytes waiting to be read; fails once the device is gone.
    virtual FtStatus queueStatus(FtHandle handle, uint32_t& rxBytes) = 0;
    virtual FtStatus write(FtHandle handle, const uint8_t* data, uint32_t n, uint32_t& written) = 0;
    // Returns when n bytes have arrived or the read time-out has passed, with the count actually read.
    virtual FtStatus read(FtHandle handle, uint8_t* data, uint32_t n, uint32_t& got) = 0;

    // Something the user must do before a device can be used (for example a missing permission),
    // found by the last list or open; empty when there is nothing to tell.
    virtual std::string accessProblem() const { return {}; }
};

} // namespace tarnix
