#pragma once
// The real driver: FTDI devices through libftdi1.
#include "link/FtdiDriver.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tarnix {

class LibFtdiDriver : public FtdiDriver {
public:
    LibFtdiDriver();
    ~LibFtdiDriver() override;

    FtStatus deviceCount(uint32_t& count) override;
    FtStatus description(uint32_t index, std::string& text) override;
    FtStatus serialNumber(uint32_t index, std::string& text) override;
    FtStatus openBySerial(const std::string& serial, FtHandle& handle) override;
    FtStatus close(FtHandle handle) override;
    FtStatus reset(FtHandle handle) override;
    FtStatus purgeRx(FtHandle handle) override;
    FtStatus setTimeouts(FtHandle handle, uint32_t readMs, uint32_t writeMs) override;
    FtStatus queueStatus(FtHandle handle, uint32_t& rxBytes) override;
    FtStatus write(FtHandle handle, const uint8_t* data, uint32_t n, uint32_t& written) override;
    FtStatus read(FtHandle handle, uint8_t* data, uint32_t n, uint32_t& got) override;
    std::string accessProblem() const override { return problem_; }

    struct Open;

private:
    struct Listed {
        std::string description, serial;
        bool denied = false;
    };
    Open* find(FtHandle h);

    std::vector<Listed> listed_;
    std::map<FtHandle, std::unique_ptr<Open>> open_;
    FtHandle next_ = 1;
    std::string problem_;
};

} // namespace tarnix
