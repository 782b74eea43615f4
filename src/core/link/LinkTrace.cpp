#include "link/LinkTrace.h"

#include "base/Pacer.h"
#include "base/Text.h"

namespace tarnix {

TracingFtdiDriver::TracingFtdiDriver(std::unique_ptr<FtdiDriver> inner, const std::string& path)
    : inner_(std::move(inner)), start_(pacer().nowMs()) {
    file_ = std::fopen(path.c_str(), "w");
    if (file_)
        pacer().onPause = [this](int ms) { line("pause", std::to_string(ms), FT_OK); };
}

TracingFtdiDriver::~TracingFtdiDriver() {
    if (file_) {
        pacer().onPause = nullptr;
        std::fclose(file_);
    }
}

void TracingFtdiDriver::line(const std::string& op, const std::string& details, FtStatus status) {
    if (!file_)
        return;
    std::string text = op;
    if (!details.empty())
        text += " " + details;
    if (status != FT_OK)
        text += " status " + std::to_string(status);
    std::fprintf(file_, "%.3f %s\n", pacer().nowMs() - start_, text.c_str());
    // Flushed line by line: the trace is most wanted when the program does not end normally.
    std::fflush(file_);
}

FtStatus TracingFtdiDriver::deviceCount(uint32_t& count) {
    FtStatus s = inner_->deviceCount(count);
    line("list", "count -> " + std::to_string(s == FT_OK ? count : 0), s);
    return s;
}

FtStatus TracingFtdiDriver::description(uint32_t index, std::string& text) {
    FtStatus s = inner_->description(index, text);
    line("list", std::to_string(index) + " description" + (s == FT_OK ? " \"" + text + "\"" : ""), s);
    return s;
}

FtStatus TracingFtdiDriver::serialNumber(uint32_t index, std::string& text) {
    FtStatus s = inner_->serialNumber(index, text);
    line("list", std::to_string(index) + " serial" + (s == FT_OK ? " " + text : ""), s);
    return s;
}

FtStatus TracingFtdiDriver::openBySerial(const std::string& serial, FtHandle& handle) {
    FtStatus s = inner_->openBySerial(serial, handle);
    line("open", serial, s);
    return s;
}

FtStatus TracingFtdiDriver::close(FtHandle handle) {
    FtStatus s = inner_->close(handle);
    line("close", "", s);
    return s;
}

FtStatus TracingFtdiDriver::reset(FtHandle handle) {
    FtStatus s = inner_->reset(handle);
    line("reset", "", s);
    return s;
}

FtStatus TracingFtdiDriver::purgeRx(FtHandle handle) {
    FtStatus s = inner_->purgeRx(handle);
    line("purge", "rx", s);
    return s;
}

FtStatus TracingFtdiDriver::setTimeouts(FtHandle handle, uint32_t readMs, uint32_t writeMs) {
    FtStatus s = inner_->setTimeouts(handle, readMs, writeMs);
    line("timeouts", std::to_string(readMs) + " " + std::to_string(writeMs), s);
    return s;
}

FtStatus TracingFtdiDriver::queueStatus(FtHandle handle, uint32_t& rxBytes) {
    FtStatus s = inner_->queueStatus(handle, rxBytes);
    line("queue", "-> " + std::to_string(s == FT_OK ? rxBytes : 0), s);
    return s;
}

FtStatus TracingFtdiDriver::write(FtHandle handle, const uint8_t* data, uint32_t n, uint32_t& written) {
    written = 0;
    FtStatus s = inner_->write(handle, data, n, written);
    std::string d = std::to_string(n);
    if (written != n)
        d += " -> " + std::to_string(written);
    if (n)
        d += " " + hexBytes(data, n);
    line("write", d, s);
    return s;
}

FtStatus TracingFtdiDriver::read(FtHandle handle, uint8_t* data, uint32_t n, uint32_t& got) {
    got = 0;
    FtStatus s = inner_->read(handle, data, n, got);
    std::string d = std::to_string(n) + " -> " + std::to_string(got);
    if (got)
        d += " " + hexBytes(data, got);
    line("read", d, s);
    return s;
}

} // namespace tarnix
