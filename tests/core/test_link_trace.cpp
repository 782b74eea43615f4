// The link trace: one line per driver call and pause.
#include "LinkTestSupport.h"

#include "base/Files.h"
#include "base/Text.h"
#include "link/LinkTrace.h"
#include "sim/SimFault.h"

#include <regex>

namespace tarnix::test {

namespace {

// The lines of a trace without their time stamps, after checking the stamps' form.
std::vector<std::string> ops(const std::string& path, std::vector<double>* times = nullptr) {
    std::vector<std::string> out;
    static const std::regex line(R"(^(\d+\.\d{3}) (.*)$)");
    for (const std::string& l : splitLines(readFile(path).value_or(""))) {
        std::smatch m;
        EXPECT_TRUE(std::regex_match(l, m, line)) << l;
        if (m.size() == 3) {
            out.push_back(m[2]);
            if (times)
                times->push_back(std::stod(m[1]));
        }
    }
    return out;
}

} // namespace

using LinkTrace = LinkTest;

TEST_F(LinkTrace, VersionQuery) {
    std::string path = ::testing::TempDir() + "tarnix_trace.txt";
    auto inner = std::make_unique<SimFtdiDriver>(1);
    SimFtdiDriver* simulator = inner.get();
    {
        TracingFtdiDriver traced(std::move(inner), path);
        ASSERT_TRUE(traced.ok());
        setFtdiDriver(&traced);
        ASSERT_TRUE(usb.CheckLink());
        ASSERT_TRUE(usb.CheckLink());
        EXPECT_EQ(usb.QueryVersion(), "1.20");
        simulator->addFault(*parseSimFault("CFG_Z:short=1"));
        EXPECT_EQ(usb.QueryVersion(), "");
        usb.CloseLink();
        setFtdiDriver(nullptr);
    }
    std::vector<double> times;
    auto lines = ops(path, &times);
    std::vector<std::string> expected{
        "list count -> 1",
        "list 0 description \"KELVOX simulator\"",
        "list 0 serial SIM00001",
        "open SIM00001",
        "reset",
        "timeouts 20 20",
        "queue -> 0",
        "purge rx",
        "write 9 24 24 24 43 46 47 5F 5A 00",
        "pause 50",
        "read 9 -> 9 24 24 4B 58 31 2E 32 30 00",
        "purge rx",
        "write 9 24 24 24 43 46 47 5F 5A 00",
        "pause 50",
        "read 9 -> 8 24 24 4B 58 31 2E 32 30",
        "close",
    };
    EXPECT_EQ(lines, expected);
    ASSERT_EQ(times.size(), expected.size());
    // The pause shows on the clock: 50 ms between the write and the read; the short read waits
    // out its 20 ms time-out. (The queue query costs the virtual clock 1 ms.)
    EXPECT_NEAR(times[10] - times[8], 50.0, 0.001);
    EXPECT_NEAR(times[14] - times[12], 70.0, 0.001);
    std::remove(path.c_str());
}

TEST_F(LinkTrace, FailingCallsShowTheirStatus) {
    std::string path = ::testing::TempDir() + "tarnix_trace2.txt";
    {
        TracingFtdiDriver traced(std::make_unique<SimFtdiDriver>(1), path);
        setFtdiDriver(&traced);
        ASSERT_TRUE(usb.CheckLink());
        static_cast<SimFtdiDriver&>(traced.inner()).unplug(0);
        EXPECT_FALSE(usb.SendCommand("$$$CFG_Z"));
        setFtdiDriver(nullptr);
    }
    auto lines = ops(path);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "write 9 -> 0 24 24 24 43 46 47 5F 5A 00 status 4");
    std::remove(path.c_str());
}

TEST(LinkTraceFile, UnwritableTraceIsReported) {
    TracingFtdiDriver traced(std::make_unique<SimFtdiDriver>(1), "/nonexistent-folder/trace.txt");
    EXPECT_FALSE(traced.ok());
}

} // namespace tarnix::test
