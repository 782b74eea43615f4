#include "sim/PtyDsp.h"

#include "sim/SimTelemetry.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace tarnix {

namespace {
double steadyMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

std::array<uint8_t, 24> telemetryFrame(const TelemetryBody& body) {
    std::array<uint8_t, 24> f{};
    f[0] = '~';
    f[1] = '~';
    std::memcpy(f.data() + 2, body.data(), body.size());
    return f;
}

TelemetryBody PtyDsp::movingTelemetry(unsigned n) {
    // The same receiver the simulated controller reports, one frame every 100 ms of its time.
    return SimTelemetryBody(n * 100.0, false);
}

PtyDsp::PtyDsp() {
    termios raw{};
    cfmakeraw(&raw);
    cfsetispeed(&raw, B9600);
    cfsetospeed(&raw, B9600);
    char name[128] = {};
    int slave = -1;
    if (openpty(&master_, &slave, name, &raw, nullptr) != 0) {
        error_ = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        master_ = -1;
        return;
    }
    device_ = name;
    slaveHold_ = slave;
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slaveHold_, F_SETFD, FD_CLOEXEC);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
}

PtyDsp::~PtyDsp() {
    stop();
    if (slaveHold_ >= 0)
        ::close(slaveHold_);
    if (master_ >= 0)
        ::close(master_);
}

void PtyDsp::start() {
    if (!ok() || running_)
        return;
    running_ = true;
    thread_ = std::thread([this] { run(); });
}

void PtyDsp::stop() {
    running_ = false;
    if (thread_.joinable())
        thread_.join();
}

void PtyDsp::run() {
    while (running_)
        poll(10);
}

size_t PtyDsp::poll(int timeoutMs) {
    if (!ok())
        return 0;
    int wait = timeoutMs;
    if (streamMs_ > 0) {
        std::lock_guard<std::mutex> lock(mu_);
        double due = nextFrameMs_ - steadyMs();
        wait = std::max(0, std::min(wait, static_cast<int>(due)));
    }
    size_t n = readAvailable(wait);
    sendDueTelemetry();
    return n;
}

size_t PtyDsp::readAvailable(int timeoutMs) {
    pollfd pfd{master_, POLLIN, 0};
    int r = ::poll(&pfd, 1, timeoutMs);
    if (r <= 0 || !(pfd.revents & POLLIN))
        return 0;
    size_t total = 0;
    uint8_t buf[4096];
    for (;;) {
        ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0)
            break;
        {
            std::lock_guard<std::mutex> lock(mu_);
            received_.insert(received_.end(), buf, buf + n);
            decoder_.feed(buf, static_cast<size_t>(n));
        }
        total += static_cast<size_t>(n);
    }
    if (total)
        cv_.notify_all();
    return total;
}

void PtyDsp::sendDueTelemetry() {
    int every = streamMs_;
    if (every <= 0)
        return;
    TelemetryBody body;
    {
        std::lock_guard<std::mutex> lock(mu_);
        double now = steadyMs();
        if (now < nextFrameMs_)
            return;
        nextFrameMs_ = std::max(nextFrameMs_ + every, now);
        body = haveBody_ ? body_ : movingTelemetry(generated_++);
    }
    sendTelemetry(body);
}

void PtyDsp::writeMaster(const uint8_t* p, size_t n) {
    std::lock_guard<std::mutex> lock(writeMu_);
    while (n > 0) {
        ssize_t w = ::write(master_, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return; // nobody reads and the line's buffer is full: the bytes are lost, as on a real line
        p += w;
        n -= static_cast<size_t>(w);
    }
}

void PtyDsp::sendTelemetry(const TelemetryBody& body) {
    auto f = telemetryFrame(body);
    writeMaster(f.data(), f.size());
    ++framesSent_;
}

void PtyDsp::setTelemetry(const TelemetryBody& body) {
    std::lock_guard<std::mutex> lock(mu_);
    body_ = body;
    haveBody_ = true;
}

void PtyDsp::streamTelemetry(int intervalMs) {
    std::lock_guard<std::mutex> lock(mu_);
    nextFrameMs_ = steadyMs();
    streamMs_ = std::max(0, intervalMs);
}

void PtyDsp::sendRaw(const std::vector<uint8_t>& bytes) {
    writeMaster(bytes.data(), bytes.size());
}

std::vector<uint8_t> PtyDsp::received() const {
    std::lock_guard<std::mutex> lock(mu_);
    return received_;
}
std::vector<DspFrame> PtyDsp::frames() const {
    std::lock_guard<std::mutex> lock(mu_);
    return decoder_.frames();
}
std::vector<uint8_t> PtyDsp::image() const {
    std::lock_guard<std::mutex> lock(mu_);
    return decoder_.image();
}
int PtyDsp::starts() const {
    std::lock_guard<std::mutex> lock(mu_);
    return decoder_.starts();
}
std::array<uint8_t, 100> PtyDsp::params() const {
    std::lock_guard<std::mutex> lock(mu_);
    return decoder_.params();
}
bool PtyDsp::paramMode() const {
    std::lock_guard<std::mutex> lock(mu_);
    return decoder_.paramMode();
}
size_t PtyDsp::strayBytes() const {
    std::lock_guard<std::mutex> lock(mu_);
    return decoder_.strayBytes();
}
void PtyDsp::clear() {
    std::lock_guard<std::mutex> lock(mu_);
    decoder_.reset();
    received_.clear();
}

bool PtyDsp::waitUntil(const std::function<bool(const DspLineDecoder&)>& pred, int timeoutMs) {
    const double end = steadyMs() + timeoutMs;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mu_);
            if (pred(decoder_))
                return true;
            if (running_) {
                double left = end - steadyMs();
                if (left <= 0)
                    return false;
                cv_.wait_for(lock, std::chrono::milliseconds(static_cast<int>(std::min(left, 20.0)) + 1));
                continue;
            }
        }
        // Driven by hand: run the line ourselves.
        double left = end - steadyMs();
        if (left <= 0)
            return false;
        poll(static_cast<int>(std::min(left, 20.0)) + 1);
    }
}

bool PtyDsp::waitForBytes(size_t n, int timeoutMs) {
    // The decoder does not count bytes; received_ is guarded by the same mutex.
    return waitUntil([&](const DspLineDecoder&) { return received_.size() >= n; }, timeoutMs);
}

bool PtyDsp::waitForFrames(size_t n, int timeoutMs) {
    return waitUntil([&](const DspLineDecoder& d) { return d.frames().size() >= n; }, timeoutMs);
}

} // namespace tarnix
