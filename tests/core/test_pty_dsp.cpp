#include "base/Messages.h"
#include "base/Pacer.h"
#include "dsp/LoadImage.h"
#include "dsp/SerialPlan.h"
#include "sim/PtyDsp.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace tarnix;

namespace {

using FK = DspFrame::Kind;

std::vector<uint8_t> v(std::initializer_list<int> l) {
    std::vector<uint8_t> out;
    for (int b : l)
        out.push_back(static_cast<uint8_t>(b));
    return out;
}

// The PC's end of the line opened with plain POSIX calls.
int openRaw(const std::string& dev) {
    int fd = ::open(dev.c_str(), O_RDWR | O_NOCTTY);
    if (fd >= 0) {
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
    return fd;
}

// Reads exactly n bytes or gives up after timeoutMs.
std::vector<uint8_t> readN(int fd, size_t n, int timeoutMs) {
    std::vector<uint8_t> out;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (out.size() < n && std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 20) > 0) {
            uint8_t buf[256];
            ssize_t k = ::read(fd, buf, std::min(sizeof buf, n - out.size()));
            if (k > 0)
                out.insert(out.end(), buf, buf + k);
        }
    }
    return out;
}

} // namespace

TEST(DspLineDecoder, FramesOfTheSerialLine) {
    struct Case {
        const char* name;
        std::vector<uint8_t> in;
        std::vector<std::pair<FK, int>> frames; // kind and parameter
        size_t stray;
    } cases[] = {
        {"pair", v({0x7E, 20, 7}), {{FK::Pair, 20}}, 0},
        {"five-byte change", v({0x7E, 20, 7, 0x7E, 0x7E}), {{FK::Change, 20}}, 0},
        {"pairs back to back",
         v({0x7E, 108, 1, 0x7E, 5, 0, 0x7E, 108, 0}),
         {{FK::Pair, 108}, {FK::Pair, 5}, {FK::Pair, 108}},
         0},
        {"change then pair", v({0x7E, 3, 1, 0x7E, 0x7E, 0x7E, 4, 0}), {{FK::Change, 3}, {FK::Pair, 4}}, 0},
        {"noise before a frame", v({0x55, 0x00, 0x7E, 0x7E, 9, 1}), {{FK::Pair, 9}}, 2},
        {"load",
         v({0x7E, 111, 0,   '$', '$', '$', '\r', '#',  '#',  '#', '#', '#',
            '#',  '#', '$', 'G', 'O', 0,   0,    '\r', 0x7E, 20,  3}),
         {{FK::LoadStart, 111}, {FK::Image, 0}, {FK::Start, 0}, {FK::Pair, 20}},
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DspLineDecoder d;
        d.feed(c.in.data(), c.in.size());
        ASSERT_EQ(d.frames().size(), c.frames.size());
        for (size_t i = 0; i < c.frames.size(); ++i) {
            EXPECT_EQ(d.frames()[i].kind, c.frames[i].first) << i;
            EXPECT_EQ(d.frames()[i].param, c.frames[i].second) << i;
        }
        EXPECT_EQ(d.strayBytes(), c.stray);
    }
    DspLineDecoder d;
    auto in = v({0x7E, 108, 1, 0x7E, 20, 7, 0x7E, 21, 9, 0x7E, 0x7E});
    d.feed(in.data(), in.size());
    EXPECT_TRUE(d.paramMode());
    EXPECT_EQ(d.params()[20], 7);
    EXPECT_EQ(d.params()[21], 9);
}

TEST(PtyDsp, ReceivesTheDirectLoadWrittenToItsDevice) {
    PtyDsp dsp;
    ASSERT_TRUE(dsp.ok()) << dsp.error();
    dsp.start();
    RecordingMessages rec;
    setMessages(&rec);
    auto built = buildLoadImage(loadPaths(TARNIX_DEMO_DIR, "VANTOR2b1x.kvq"), LoadTarget::Serial);
    setMessages(nullptr);
    ASSERT_TRUE(built.ok()) << built.refusal.message;
    const auto& image = built.value->bytes;

    std::array<uint8_t, 100> green;
    green.fill(255);
    green[20] = 7;
    SerialPlan code = serialCodePlan(image);
    SerialPlan params = directParamPlan(green);

    VirtualPacer pacer;
    setPacer(&pacer);
    FdSerialSink port(dsp.devicePath());
    // The plans close the port after the code and reopen it for the parameters, as the loader does.
    ASSERT_TRUE(playSerialPlan(code, port)) << port.error();
    ASSERT_TRUE(playSerialPlan(params, port)) << port.error();
    setPacer(nullptr);

    const size_t total = planBytes(code).size() + planBytes(params).size();
    ASSERT_TRUE(dsp.waitForBytes(total, 5000));
    auto rx = dsp.received();
    auto want = planBytes(code);
    auto p = planBytes(params);
    want.insert(want.end(), p.begin(), p.end());
    EXPECT_EQ(rx, want);

    auto frames = dsp.frames();
    ASSERT_EQ(frames.size(), 3u + 6u);
    EXPECT_EQ(frames[0].kind, FK::LoadStart);
    EXPECT_EQ(frames[1].kind, FK::Image);
    EXPECT_EQ(frames[1].bytes, image);
    EXPECT_EQ(frames[2].kind, FK::Start);
    EXPECT_EQ(dsp.image(), image);
    EXPECT_EQ(dsp.starts(), 1);
    EXPECT_EQ(frames[3].param, 108);
    EXPECT_EQ(frames.back().param, 108);
    EXPECT_FALSE(dsp.paramMode());
    EXPECT_EQ(dsp.params()[20], 7);
    EXPECT_EQ(dsp.params()[65], 236);
    EXPECT_EQ(dsp.strayBytes(), 0u);
    dsp.stop();
}

TEST(PtyDsp, DrivenByHandAppliesLiveChanges) {
    PtyDsp dsp;
    ASSERT_TRUE(dsp.ok()) << dsp.error();
    int fd = openRaw(dsp.devicePath());
    ASSERT_GE(fd, 0);
    auto bytes = planBytes(serialParamChange(42, 9));
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ASSERT_TRUE(dsp.waitForFrames(1, 2000)); // no thread: the wait runs the line
    ASSERT_TRUE(dsp.waitForBytes(5, 2000));
    EXPECT_EQ(dsp.frames()[0].kind, FK::Change);
    EXPECT_EQ(dsp.params()[42], 9);
    ::close(fd);
}

TEST(PtyDsp, SendsTelemetryFramesOnceAndAsAStream) {
    PtyDsp dsp;
    ASSERT_TRUE(dsp.ok()) << dsp.error();
    int fd = openRaw(dsp.devicePath());
    ASSERT_GE(fd, 0);
    TelemetryBody body{};
    for (size_t i = 0; i < body.size(); ++i)
        body[i] = static_cast<uint8_t>(i + 1);
    dsp.sendTelemetry(body);
    auto got = readN(fd, 24, 2000);
    ASSERT_EQ(got.size(), 24u);
    EXPECT_EQ(got[0], '~');
    EXPECT_EQ(got[1], '~');
    EXPECT_EQ(std::vector<uint8_t>(got.begin() + 2, got.end()),
              std::vector<uint8_t>(body.begin(), body.end()));

    dsp.start();
    dsp.streamTelemetry(20);
    auto stream = readN(fd, 24 * 3, 3000);
    dsp.streamTelemetry(0);
    dsp.stop();
    ASSERT_EQ(stream.size(), 72u);
    for (size_t f = 0; f < 3; ++f) {
        EXPECT_EQ(stream[f * 24], '~');
        EXPECT_EQ(stream[f * 24 + 1], '~');
        uint8_t smeter = stream[f * 24 + 19];
        EXPECT_GE(smeter, 10);
        EXPECT_LT(smeter, 70);
    }
    EXPECT_GE(dsp.telemetryFramesSent(), 4u);
    ::close(fd);
}
