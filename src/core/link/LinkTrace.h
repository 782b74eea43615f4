#pragma once
// The link trace: every driver call and every pause, one line each,
//   <ms since start, 3 decimals> <op> <details>
// with the ops list, open, close, reset, purge, timeouts, queue, write, read and pause. write and read
// lines carry the byte count and the bytes as upper-case hexadecimal pairs; read shows the count
// asked, "->" and the count got. A call that fails ends its line with " status N".
#include "link/FtdiDriver.h"

#include <cstdio>
#include <memory>
#include <string>

namespace tarnix {

class TracingFtdiDriver : public FtdiDriver {
public:
    // Writes the trace to path (truncated). Hooks the program's pacer so that its pauses are traced
    // too, until destroyed. ok() is false when the file cannot be opened.
    TracingFtdiDriver(std::unique_ptr<FtdiDriver> inner, const std::string& path);
    ~TracingFtdiDriver() override;
    bool ok() const { return file_ != nullptr; }
    FtdiDriver& inner() { return *inner_; }

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
    std::string accessProblem() const override { return inner_->accessProblem(); }

private:
    void line(const std::string& op, const std::string& details, FtStatus status);

    std::unique_ptr<FtdiDriver> inner_;
    std::FILE* file_ = nullptr;
    double start_ = 0;
};

} // namespace tarnix
