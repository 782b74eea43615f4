#include "dsp/SerialPlan.h"

#include "base/Pacer.h"
#include "config/UParams.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace tarnix {

namespace {

void write(SerialPlan& plan, uint8_t b) {
    plan.push_back({SerialStep::Kind::Write, b, 0, {}});
}
void pause(SerialPlan& plan, int ms) {
    plan.push_back({SerialStep::Kind::Pause, 0, ms, {}});
}
void step(SerialPlan& plan, SerialStep::Kind k) {
    plan.push_back({k, 0, 0, {}});
}
void label(SerialPlan& plan, std::string text) {
    plan.push_back({SerialStep::Kind::Label, 0, 0, std::move(text)});
}

// A pair as the parameter send writes it: 2 ms before each of its three bytes.
void pair(SerialPlan& plan, uint8_t p, uint8_t v) {
    for (uint8_t b : {kPairStart, p, v}) {
        pause(plan, 2);
        write(plan, b);
    }
}

} // namespace

SerialPlan serialCodePlan(const std::vector<uint8_t>& image) {
    SerialPlan plan;
    plan.reserve(image.size() * 2 + image.size() / 50 + 32);
    step(plan, SerialStep::Kind::Open);
    for (uint8_t b : {kPairStart, kLoadStart, uint8_t{0}})
        write(plan, b);
    pause(plan, 30);
    for (size_t i = 0; i < image.size(); ++i) {
        if (image[i] == '$')
            pause(plan, 20);
        if (i % 100 == 0)
            label(plan, "bytes:  " + std::to_string(i));
        step(plan, SerialStep::Kind::Pump);
        write(plan, image[i]);
    }
    label(plan, "DSP codes: " + std::to_string(image.size()) + " bytes send to DSP.");
    pause(plan, 100);
    for (uint8_t b : {uint8_t{'$'}, uint8_t{'G'}, uint8_t{'O'}, uint8_t{0}, uint8_t{0}, uint8_t{'\r'}})
        write(plan, b);
    pause(plan, 100);
    step(plan, SerialStep::Kind::Close);
    return plan;
}

SerialPlan directParamPlan(std::array<uint8_t, 100>& green) {
    SerialPlan plan;
    step(plan, SerialStep::Kind::Open);
    pause(plan, 50);
    pair(plan, kParamMode, 1);
    pause(plan, 50);
    green[5] = 0;
    green[6] = 0;
    for (int p = 1; p <= 9; ++p)
        if (green[p] != 255)
            pair(plan, static_cast<uint8_t>(p), green[p]);
    green[65] = DerivedParam65(green[63]);
    for (int p = 10; p <= 99; ++p) {
        // The send uses the green set, so a "use the green value" marker sends the green value itself.
        uint8_t a = green[p];
        if (a < 254)
            pair(plan, static_cast<uint8_t>(p), a);
        else if (a == 254)
            pair(plan, static_cast<uint8_t>(p), green[p]);
    }
    pause(plan, 50);
    pair(plan, kParamMode, 0);
    step(plan, SerialStep::Kind::Close);
    return plan;
}

SerialPlan serialParamChange(uint8_t param, uint8_t value) {
    SerialPlan plan;
    for (uint8_t b : {kPairStart, param, value, kPairStart, kPairStart})
        write(plan, b);
    pause(plan, 30);
    return plan;
}

std::vector<uint8_t> planBytes(const SerialPlan& plan) {
    std::vector<uint8_t> out;
    for (const auto& s : plan)
        if (s.kind == SerialStep::Kind::Write)
            out.push_back(s.byte);
    return out;
}

long long planPauseMs(const SerialPlan& plan) {
    long long ms = 0;
    for (const auto& s : plan)
        if (s.kind == SerialStep::Kind::Pause)
            ms += s.ms;
    return ms;
}

bool playSerialPlan(const SerialPlan& plan, SerialSink& sink) {
    for (const auto& s : plan) {
        switch (s.kind) {
        case SerialStep::Kind::Open:
            if (!sink.open())
                return false;
            break;
        case SerialStep::Kind::Write:
            if (!sink.write(s.byte)) {
                sink.close();
                return false;
            }
            break;
        case SerialStep::Kind::Pause:
            pacer().pause(s.ms);
            break;
        case SerialStep::Kind::Label:
            sink.label(s.text);
            break;
        case SerialStep::Kind::Pump:
            pumpMessages();
            break;
        case SerialStep::Kind::Close:
            sink.close();
            break;
        }
    }
    return true;
}

FdSerialSink::~FdSerialSink() {
    close();
}

bool FdSerialSink::open() {
    if (fd_ >= 0)
        return true;
    fd_ = ::open(device_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = "cannot open " + device_ + ": " + std::strerror(errno);
        return false;
    }
    termios t{};
    if (tcgetattr(fd_, &t) == 0) {
        cfmakeraw(&t);
        cfsetispeed(&t, B9600);
        cfsetospeed(&t, B9600);
        t.c_cflag |= CLOCAL | CREAD;
        t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
        tcsetattr(fd_, TCSANOW, &t);
    }
    return true;
}

bool FdSerialSink::write(uint8_t byte) {
    if (fd_ < 0) {
        error_ = device_ + " is not open";
        return false;
    }
    for (;;) {
        ssize_t n = ::write(fd_, &byte, 1);
        if (n == 1)
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        error_ = "cannot write to " + device_ + ": " + std::strerror(errno);
        return false;
    }
}

void FdSerialSink::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace tarnix
