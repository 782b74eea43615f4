// The DSP control window's transactions against the simulated controller: what a change, a colour
// set, "use green", the backup copy and a mode change do shows in the next status and stored set.
#include "LinkTestSupport.h"

#include "dsp/DspControl.h"
#include "shell/UsbQueue.h"
#include "sim/SimFault.h"

namespace tarnix::test {

namespace {

class DspSim : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        connected();
        DspParamInfos infos;
        for (int p = 1; p < 100; ++p)
            infos[static_cast<size_t>(p)] = {"P" + std::to_string(p), 100, 255, 0};
        infos[41].multiplier = 5;
        dsp.Open(infos);
    }
    SimState& state() { return sim->controller(0).state(); }
    void status() { ASSERT_TRUE(dsp.ReadDspStatus(usb)); }
    int rowOf(int p) {
        for (int row = 1; row <= DspRowCount; ++row)
            if (dsp.record(row).PARAMNO == p)
                return row;
        return 0;
    }

    UsbScheduler queue;
    DspControl dsp{queue, 'U'};
};

} // namespace

TEST_F(DspSim, ChangeShowsInTheNextStatusAndStoredSet) {
    state().dsp[2] = 1; // USB
    status();
    EXPECT_EQ(dsp.record(1).VALUE, state().dsp[11]);
    const int row = rowOf(41);
    dsp.OpenEditor(row, true);
    dsp.ChangeFromEditor(3.35);
    ASSERT_TRUE(dsp.RunSendParamValue(usb));
    status();
    EXPECT_EQ(dsp.record(row).VALUE, 67);
    EXPECT_EQ(dsp.record(row).DISPLAYVALUE, "3.35");
    // The stored set is read again at the next rebuild and keeps the change.
    ASSERT_TRUE(dsp.ColourClick(2));
    ASSERT_TRUE(dsp.RunSelectColourSet(usb));
    queue.tick(true); // the scheduler takes the request of slot 41
    status();
    ASSERT_TRUE(dsp.ColourClick(1));
    ASSERT_TRUE(dsp.RunSelectColourSet(usb));
    status();
    EXPECT_EQ(dsp.CurColour, 1);
    EXPECT_EQ(*dsp.stored(41), 67);
    EXPECT_EQ(dsp.record(row).VALUE, 67);
}

TEST_F(DspSim, YellowSetUseGreenAndBackup) {
    status();
    const uint8_t green = state().dsp[45];
    ASSERT_TRUE(dsp.ColourClick(2));
    ASSERT_TRUE(dsp.RunSelectColourSet(usb));
    status();
    EXPECT_EQ(dsp.CurColour, 2);
    EXPECT_TRUE(dsp.usesGreen(45)); // the simulator's yellow set follows green throughout
    dsp.OpenEditor(rowOf(45), true);
    dsp.ChangeFromEditor(9);
    ASSERT_TRUE(dsp.RunSendParamValue(usb));
    status();
    EXPECT_EQ(dsp.record(rowOf(45)).VALUE, 9);

    // Copy to backup, change again, restore the one parameter from the backup.
    ASSERT_TRUE(dsp.RunCopyToBackup(usb));
    dsp.ChangeFromEditor(12);
    ASSERT_TRUE(dsp.RunSendParamValue(usb));
    status();
    EXPECT_EQ(dsp.record(rowOf(45)).VALUE, 12);
    ASSERT_TRUE(dsp.RunRestoreParam(usb));
    status();
    EXPECT_EQ(dsp.record(rowOf(45)).VALUE, 9);

    // "Use green value": the set holds 254 again and the DSP runs the green value.
    dsp.SetToGreen();
    ASSERT_TRUE(dsp.RunSendParamValue(usb));
    status();
    EXPECT_EQ(dsp.record(rowOf(45)).VALUE, green);
    DspStoredSet set{};
    ASSERT_TRUE(DspReadStoredSet(usb, set));
    EXPECT_EQ(set[45 - 11], DspUseGreen);
}

TEST_F(DspSim, SwitchAndModeChangesAreConfirmed) {
    state().dsp[2] = 1;
    status();
    ASSERT_TRUE(dsp.SwitchClick(1, true)); // noise blanker, parameter 3
    ASSERT_TRUE(dsp.RunSendParamValue(usb));
    status();
    EXPECT_FALSE(dsp.SwitchPending[1]);
    EXPECT_TRUE(dsp.SwitchChecked[1]);

    dsp.ModeClick();
    dsp.ModeClick(); // USB -> CW_L -> CW_U; only the latest change is sent
    ASSERT_TRUE(dsp.RunSendParamValue(usb));
    auto out = dsp.ReadDspStatus(usb);
    ASSERT_TRUE(out);
    EXPECT_TRUE(out->rebuilt);
    EXPECT_EQ(dsp.CurMode, 3);
    EXPECT_EQ(dsp.record(38).PARAMNO, 64);
    EXPECT_EQ(dsp.record(38).VALUE, state().dsp[64]);
}

TEST_F(DspSim, ShortRepliesChangeNothing) {
    status();
    const DspGridRecord before = dsp.record(5);
    state().dsp[15] = 99;
    sim->addFault(*parseSimFault("DSP_A:short=1"));
    EXPECT_FALSE(dsp.ReadDspStatus(usb));
    EXPECT_EQ(dsp.record(5).VALUE, before.VALUE);
    sim->clearFaults();

    dsp.StoredSet.fill(3);
    sim->addFault(*parseSimFault("DSP_G:short=10"));
    state().dsp[2] = state().dsp[2] == 0 ? 1 : 0; // a mode change makes the window read the set
    status();
    EXPECT_EQ(dsp.record(5).VALUE, 99);
    EXPECT_EQ(dsp.StoredSet[0], 3);
}

} // namespace tarnix::test
