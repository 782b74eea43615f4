// The DSP monitor's two controller transactions against the simulated controller: the telemetry
// record and the power meters' full scales, with their pauses and their failures.
#include "LinkTestSupport.h"

#include "dsp/DspTelemetry.h"
#include "sim/SimFault.h"

namespace tarnix::test {

using DspTelemetryLink = LinkTest;

TEST_F(DspTelemetryLink, TelemetryRecordMovesAndShortRepliesKeepTheOldOne) {
    SimFtdiDriver& s = connected();
    DspTelemetry t;
    clock.clear();
    ASSERT_TRUE(ReadTelemetryUsb(usb, t));
    EXPECT_EQ(clock.pauses(), std::vector<int>{50});
    EXPECT_FALSE(t.transmitting());
    const auto first = t.Telemetry;

    // Seconds later the station has faded: the record is a different one.
    clock.advance(2500);
    ASSERT_TRUE(ReadTelemetryUsb(usb, t));
    EXPECT_NE(t.Telemetry, first);

    // Transmitting: bit 7 set, power and SWR filled in.
    s.controller(0).state().mox = true;
    ASSERT_TRUE(ReadTelemetryUsb(usb, t));
    EXPECT_TRUE(t.transmitting());
    EXPECT_GT(t.forward(), 0);
    EXPECT_GE(t.swr100(), 100);

    // One byte short, or no reply: the record keeps its contents.
    const auto before = t.Telemetry;
    s.addFault(*parseSimFault("DSP_T:short"));
    clock.advance(700);
    EXPECT_FALSE(ReadTelemetryUsb(usb, t));
    EXPECT_EQ(t.Telemetry, before);
    s.clearFaults();
    s.addFault(*parseSimFault("DSP_T:noreply"));
    EXPECT_FALSE(ReadTelemetryUsb(usb, t));
    EXPECT_EQ(t.Telemetry, before);
}

TEST_F(DspTelemetryLink, PowerScaleAndItsFallBack) {
    SimFtdiDriver& s = connected();
    bool ok = false;
    clock.clear();
    const PowerScale scale = ReadPowerScaleUsb(usb, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(clock.pauses(), std::vector<int>{50});
    EXPECT_GT(scale.FwdFullScale, 0);
    EXPECT_GT(scale.RefFullScale, 0);

    s.addFault(*parseSimFault("SWR_F:short=2"));
    const PowerScale fallBack = ReadPowerScaleUsb(usb, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(fallBack.FwdFullScale, 140);
    EXPECT_EQ(fallBack.RefFullScale, 20);

    // No link at all: the same fall-back.
    s.clearFaults();
    usb.CloseLink();
    const PowerScale closed = ReadPowerScaleUsb(usb, &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(closed.FwdFullScale, 140);
}

} // namespace tarnix::test
