#include "LinkTestSupport.h"

#include "shell/Globals.h"
#include "shell/StatusPoll.h"
#include "shell/UsbQueue.h"
#include "sim/SimFault.h"

using namespace tarnix;
using tarnix::test::LinkTest;

using StatusPollTest = LinkTest;

TEST_F(StatusPollTest, FindsLosesAndFindsAgain) {
    SimFtdiDriver& sim = simulate(1);
    UsbScheduler queue;
    bool needVersion = true;

    StatusPollResult r = PollUsbStatus(usb, queue, needVersion);
    EXPECT_TRUE(r.linkUp);
    EXPECT_TRUE(UsbLinkUp);
    EXPECT_EQ(r.leftText, "USB: KELVOX simulator  s/n: SIM00001");
    ASSERT_TRUE(r.kelvoxText);
    EXPECT_EQ(*r.kelvoxText, "Kelvox v1.20 ready");
    EXPECT_FALSE(needVersion);

    // With the version known, later polls leave the version pane alone.
    r = PollUsbStatus(usb, queue, needVersion);
    EXPECT_FALSE(r.kelvoxText);

    // Unplugged with requests pending: all of them are dropped.
    queue.request(16);
    queue.request(30);
    sim.unplug(0);
    r = PollUsbStatus(usb, queue, needVersion);
    EXPECT_FALSE(r.linkUp);
    EXPECT_FALSE(UsbLinkUp);
    EXPECT_EQ(r.leftText, "USB: Kelvox not detected");
    EXPECT_TRUE(r.clearKelvox);
    EXPECT_TRUE(needVersion);
    EXPECT_FALSE(queue.requested(16));
    EXPECT_FALSE(queue.requested(30));

    sim.replug(0);
    r = PollUsbStatus(usb, queue, needVersion);
    EXPECT_TRUE(r.linkUp);
    ASSERT_TRUE(r.kelvoxText); // asked again after the re-plug
    EXPECT_FALSE(needVersion);
}

TEST_F(StatusPollTest, AFailedVersionQueryIsAskedAgainNextPoll) {
    SimFtdiDriver& sim = simulate(1);
    sim.addFault(*parseSimFault("CFG_Z:garbage"));
    UsbScheduler queue;
    bool needVersion = true;
    StatusPollResult r = PollUsbStatus(usb, queue, needVersion);
    EXPECT_TRUE(r.linkUp);
    EXPECT_FALSE(r.kelvoxText);
    EXPECT_TRUE(needVersion);
    sim.clearFaults();
    r = PollUsbStatus(usb, queue, needVersion);
    EXPECT_TRUE(r.kelvoxText);
}

TEST_F(StatusPollTest, MoxTogglesFromTheTelemetryTransmitBit) {
    SimFtdiDriver& sim = connected(1);
    EXPECT_TRUE(ToggleMox(usb, 'U'));
    EXPECT_TRUE(sim.controller(0).state().mox);
    EXPECT_TRUE(ToggleMox(usb, 'U'));
    EXPECT_FALSE(sim.controller(0).state().mox);
    // The serial route does not go through the controller.
    EXPECT_FALSE(ToggleMox(usb, 'S'));
    EXPECT_FALSE(sim.controller(0).state().mox);
}

TEST_F(StatusPollTest, MoxSendsNothingWhenTheTransmitStateCannotBeRead) {
    SimFtdiDriver& sim = connected(1);
    // The exchange reads only the first 24 of the 30 telemetry bytes: cut into those.
    sim.addFault(*parseSimFault("DSP_T:short=10"));
    EXPECT_FALSE(ToggleMox(usb, 'U'));
    EXPECT_FALSE(sim.controller(0).state().mox);
}
