#include "LinkTestSupport.h"
#include "dsp/LoadImage.h"
#include "dsp/UsbLoader.h"
#include "sim/SimFault.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tarnix;

namespace {

class UsbLoaderTest : public test::LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        connected();
        clock.clear();
    }
    int pausesOf(int ms) const {
        return static_cast<int>(std::count(clock.pauses().begin(), clock.pauses().end(), ms));
    }
};

std::vector<uint8_t> pattern(size_t n) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(i * 7 + 3);
    return v;
}

} // namespace

TEST_F(UsbLoaderTest, CodeGoesInBlocksOf64AndBothChecksumsAgree) {
    struct Case {
        size_t size, blocks;
        const char* lastProgress;
    } cases[] = {{1024, 16, "bytes:  1024"}, {1025, 17, "bytes:  1024"}, {30, 1, "bytes:  0"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        clock.clear();
        std::vector<std::string> progress;
        auto r = SendCodeUsb(usb, pattern(c.size), [&](const std::string& t) { progress.push_back(t); });
        EXPECT_TRUE(r.headerOk);
        EXPECT_TRUE(r.completed);
        EXPECT_EQ(r.label, "DSP code: " + std::to_string(c.size) + " bytes sent");
        EXPECT_EQ(r.pcChecksum, pcChecksum(pattern(c.size)));
        EXPECT_EQ(r.kelvoxChecksum, r.pcChecksum);
        ASSERT_EQ(progress.size(), c.blocks);
        EXPECT_EQ(progress.back(), c.lastProgress);
        EXPECT_EQ(pausesOf(10), static_cast<int>(c.blocks) + 1);
        EXPECT_EQ(sim->controller(0).state().eeprom["dspcode"], pattern(c.size));
    }
}

TEST_F(UsbLoaderTest, ControllerVanishingStopsTheTransfer) {
    sim->addFault(*parseSimFault("DSP_C:vanish=300"));
    auto r = SendCodeUsb(usb, pattern(1025));
    EXPECT_TRUE(r.headerOk);
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(r.label, DspCodeFailedText);
    EXPECT_EQ(r.kelvoxChecksum, 0);
}

TEST_F(UsbLoaderTest, HeaderFailureIsReportedAsSuch) {
    sim->addFault(*parseSimFault("DSP_C:vanish=0"));
    auto r = SendCodeUsb(usb, pattern(100));
    EXPECT_FALSE(r.headerOk);
    EXPECT_FALSE(r.completed);
    EXPECT_EQ(r.label, DspHeaderFailedText);
}

TEST_F(UsbLoaderTest, ParameterImageIn16WritesOf64AndOneOf24) {
    std::vector<uint8_t> image = pattern(1048);
    ASSERT_TRUE(StartParamLoadUsb(usb));
    ASSERT_TRUE(SendParamImageUsb(usb, image));
    EXPECT_EQ(pausesOf(20), 17);
    EXPECT_EQ(sim->controller(0).state().eeprom["dspparams"], image);
}

TEST_F(UsbLoaderTest, UploadHandsOverEveryWholeBlock) {
    std::vector<std::pair<int, int>> seen;
    ASSERT_TRUE(StartParamUploadUsb(usb));
    EXPECT_TRUE(ReceiveParamBlocksUsb(usb, [&](int m, int c, const uint8_t*) { seen.push_back({m, c}); }));
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 1}, {1, 2}, {1, 3}, {2, 1}, {2, 2}, {2, 3}}));
    EXPECT_EQ(clock.pauses().front(), 200);
}

TEST_F(UsbLoaderTest, ShortUploadStopsAndKeepsTheBlocksBefore) {
    sim->addFault(*parseSimFault("DSP_S:short=250"));
    int stored = 0;
    ASSERT_TRUE(StartParamUploadUsb(usb));
    EXPECT_FALSE(ReceiveParamBlocksUsb(usb, [&](int, int, const uint8_t*) { ++stored; }));
    EXPECT_EQ(stored, 3);
}
