#include "base/Pacer.h"
#include "dsp/SerialPlan.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tarnix;

namespace {

using K = SerialStep::Kind;

// A small image of the serial target: head, one record, trailer, tail.
std::vector<uint8_t> smallImage() {
    std::string s = "$$$\r";
    s += std::string("$DP\x02\x00\x00\x01\x12\x34\x56", 10);
    s += std::string("$DP\x37\xFE\x00\x01\x00\x10\x00\r", 11);
    s += "#######";
    return {s.begin(), s.end()};
}

class RecordingSink : public SerialSink {
public:
    bool open() override {
        events.push_back("open");
        return true;
    }
    bool write(uint8_t b) override {
        if (failAfter >= 0 && static_cast<int>(bytes.size()) == failAfter)
            return false;
        bytes.push_back(b);
        return true;
    }
    void close() override { events.push_back("close"); }
    void label(const std::string& t) override { events.push_back(t); }
    std::vector<uint8_t> bytes;
    std::vector<std::string> events;
    int failAfter = -1;
};

} // namespace

TEST(SerialCodePlan, LineCarriesLoadStartImageAndStartFrame) {
    auto image = smallImage();
    SerialPlan plan = serialCodePlan(image);
    auto bytes = planBytes(plan);
    std::vector<uint8_t> want = {0x7E, 0x6F, 0x00};
    want.insert(want.end(), image.begin(), image.end());
    for (int b : {'$', 'G', 'O', '\0', '\0', '\r'})
        want.push_back(static_cast<uint8_t>(b));
    EXPECT_EQ(bytes, want);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 10),
              (std::vector<uint8_t>{0x7E, 0x6F, 0x00, '$', '$', '$', '\r', '$', 'D', 'P'}));

    // Pauses: 30 after the load start frame, 20 before every "$" of the image, 100 after the image
    // and after the start frame.
    std::vector<int> pauses;
    for (const auto& s : plan)
        if (s.kind == K::Pause)
            pauses.push_back(s.ms);
    size_t dollars = static_cast<size_t>(std::count(image.begin(), image.end(), '$'));
    ASSERT_EQ(pauses.size(), 1 + dollars + 2);
    EXPECT_EQ(pauses.front(), 30);
    EXPECT_TRUE(std::all_of(pauses.begin() + 1, pauses.end() - 2, [](int ms) { return ms == 20; }));
    EXPECT_EQ(pauses[pauses.size() - 2], 100);
    EXPECT_EQ(pauses.back(), 100);
    // Every "$" on the line comes right after a pause (labels and message pumps aside).
    const SerialStep* last = nullptr;
    for (const auto& s : plan) {
        if (s.kind == K::Write && s.byte == '$') {
            ASSERT_TRUE(last);
            EXPECT_EQ(last->kind, K::Pause);
        }
        if (s.kind != K::Label && s.kind != K::Pump)
            last = &s;
    }
    EXPECT_EQ(plan.front().kind, K::Open);
    EXPECT_EQ(plan.back().kind, K::Close);
}

TEST(SerialCodePlan, ProgressLabelEveryHundredBytes) {
    std::vector<uint8_t> image(250, 0x11);
    SerialPlan plan = serialCodePlan(image);
    std::vector<std::string> labels;
    for (const auto& s : plan)
        if (s.kind == K::Label)
            labels.push_back(s.text);
    EXPECT_EQ(labels, (std::vector<std::string>{"bytes:  0", "bytes:  100", "bytes:  200",
                                                "DSP codes: 250 bytes send to DSP."}));
    EXPECT_EQ(planPauseMs(plan), 30 + 100 + 100);
}

TEST(DirectParamPlan, SendsTheGreenSsbValuesAndDerivesParameter65) {
    std::array<uint8_t, 100> green;
    green.fill(255);
    green[20] = 7;
    SerialPlan plan = directParamPlan(green);
    EXPECT_EQ(planBytes(plan), (std::vector<uint8_t>{0x7E, 0x6C, 0x01, 0x7E, 0x05, 0x00, 0x7E, 0x06, 0x00,
                                                     0x7E, 0x14, 0x07, 0x7E, 0x41, 0xEC, 0x7E, 0x6C, 0x00}));
    // 50 ms before and after the mode-on pair, 50 ms before the mode-off pair, 2 ms before every byte.
    EXPECT_EQ(planPauseMs(plan), 50 * 3 + 2 * 18);
    EXPECT_EQ(plan.front().kind, K::Open);
    EXPECT_EQ(plan.back().kind, K::Close);
    // The set in memory changes as the send changes it.
    EXPECT_EQ(green[5], 0);
    EXPECT_EQ(green[6], 0);
    EXPECT_EQ(green[65], 236);
    EXPECT_EQ(green[20], 7);
}

TEST(DirectParamPlan, MarkersAndValuesBelow254) {
    std::array<uint8_t, 100> green;
    green.fill(255);
    green[3] = 1;
    green[30] = 0;
    green[31] = 253;
    green[32] = 254; // "use the green value" in the green set: sends the value as it is
    green[63] = 100;
    auto bytes = planBytes(directParamPlan(green));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x7E, 108,  1,    0x7E, 3,    1,    0x7E, 5,    0,    0x7E,
                                           6,    0,    0x7E, 30,   0,    0x7E, 31,   253,  0x7E, 32,
                                           254,  0x7E, 63,   100,  0x7E, 65,   120,  0x7E, 108,  0}));
}

TEST(SerialParamChange, FiveBytesThenThirtyMs) {
    auto plan = serialParamChange(42, 9);
    EXPECT_EQ(planBytes(plan), (std::vector<uint8_t>{0x7E, 42, 9, 0x7E, 0x7E}));
    EXPECT_EQ(planPauseMs(plan), 30);
}

TEST(PlaySerialPlan, PausesThroughThePacerAndStopsAtAFailedWrite) {
    VirtualPacer v;
    setPacer(&v);
    RecordingSink sink;
    auto plan = serialCodePlan(smallImage());
    EXPECT_TRUE(playSerialPlan(plan, sink));
    EXPECT_EQ(sink.bytes, planBytes(plan));
    EXPECT_EQ(v.totalPaused(), planPauseMs(plan));
    EXPECT_EQ(sink.events.front(), "open");
    EXPECT_EQ(sink.events.back(), "close");

    RecordingSink failing;
    failing.failAfter = 5;
    EXPECT_FALSE(playSerialPlan(plan, failing));
    EXPECT_EQ(failing.bytes.size(), 5u);
    EXPECT_EQ(failing.events.back(), "close");
    setPacer(nullptr);
}
