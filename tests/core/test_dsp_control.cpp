// The DSP control window's logic: rows, what a status block does to them, the value editor, the
// switches with their pending flags, and the requests and serial frames the clicks produce.
#include "dsp/DspControl.h"

#include "base/Pacer.h"
#include "shell/UsbQueue.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tarnix;

namespace {

DspParamInfos demoInfos() {
    DspParamInfos infos;
    for (int p = 1; p < 100; ++p)
        infos[static_cast<size_t>(p)] = {"Param " + std::to_string(p), 100, 200, 0};
    infos[41] = {"A name that is longer than twenty-six characters", 5, 200, 20};
    return infos;
}

// A status block with the given mode, colour and encoders; parameter p holds p + 100.
DspStatusRecord status(int mode, int colour, std::vector<uint8_t> encoders = {}) {
    DspStatusRecord s{};
    for (int p = 11; p <= 100; ++p)
        s[static_cast<size_t>(p)] = static_cast<uint8_t>(p + 100);
    s[2] = static_cast<uint8_t>(mode);
    s[10] = static_cast<uint8_t>(colour);
    for (size_t k = 0; k < encoders.size(); ++k)
        s[101 + k] = encoders[k];
    return s;
}

struct DspControlTest : ::testing::Test {
    UsbScheduler queue;
    VirtualPacer clock;
    DspControl dsp{queue, 'U'};
    int storedReads = 0;
    std::vector<uint8_t> line;

    void SetUp() override {
        setPacer(&clock);
        dsp.Open(demoInfos());
        dsp.serialWriter = [this](uint8_t b) {
            line.push_back(b);
            return true;
        };
    }
    void TearDown() override { setPacer(nullptr); }

    DspControl::StatusOutcome apply(const DspStatusRecord& s) {
        return dsp.ApplyStatus(s, [this](DspStoredSet& set) {
            ++storedReads;
            set.fill(7);
            return true;
        });
    }
    int rowOfParam(int p) const {
        for (int row = 1; row <= DspRowCount; ++row)
            if (dsp.record(row).PARAMNO == p)
                return row;
        return 0;
    }
};

} // namespace

TEST(DspRows, TableAndGrids) {
    const auto& rows = dspRows();
    EXPECT_EQ(rows[0].no, 11);
    EXPECT_EQ(rows[35].no, 58);
    // Row 38 is the one that differs by mode group; row 59 ends the right grid.
    EXPECT_EQ(rows[37].no, 62);
    EXPECT_EQ(rows[37].ssbParam, 63);
    EXPECT_EQ(rows[37].cwParam, 64);
    EXPECT_EQ(rows[58].ssbParam, 95);
    int extras = 0;
    for (const DspRow& r : rows)
        extras += r.extra ? 1 : 0;
    EXPECT_EQ(extras, 12);
    EXPECT_TRUE(rows[4].extra);   // 15
    EXPECT_TRUE(rows[48].extra);  // 77 shows 78
    EXPECT_FALSE(rows[47].extra); // 76 shows 77
    EXPECT_EQ(dspGridOfRow(20), 0);
    EXPECT_EQ(dspGridOfRow(21), 1);
    EXPECT_EQ(dspGridOfRow(41), 2);
    EXPECT_EQ(dspRowsInGrid(0) + dspRowsInGrid(1) + dspRowsInGrid(2), DspRowCount);
}

TEST(DspDisplay, ValueTextsAndCells) {
    struct Case {
        int multiplier, value;
        const char* text;
    } cases[] = {
        {100, 37, "37"},     {5, 201, "10.10"},  {5, 7, "0.35"},   {5, 0, "0.00"},
        {50, 255, "128.00"}, {25, 199, "49.80"}, {33, 3, "0.99"},  {255, 255, "650.00"},
        {10, 99, "9.90"},    {1, 1, "0.01"},     {0, 200, "0.00"}, {200, 3, "6.00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DspDisplayValue(c.multiplier, c.value), c.text) << c.multiplier << " x " << c.value;
    EXPECT_EQ(DspEncoderText(0), "");
    EXPECT_EQ(DspEncoderText(3), "3");
    EXPECT_EQ(DspEncoderText(9), "A");
    EXPECT_EQ(DspEncoderText(10), "B");
    EXPECT_STREQ(dspModeName(3), "CW_U");
    EXPECT_EQ(dspModeName(4), nullptr);
    EXPECT_STREQ(dspWidthCaption(0), "Wide");
    EXPECT_STREQ(dspWidthCaption(2), "Nar.");
}

TEST(DspEditor, RangeStepAndSentValue) {
    DspEditorSetup e = DspEditorFor(41, 5, 200, 20, 67, true);
    EXPECT_TRUE(e.enabled);
    EXPECT_EQ(e.decimals, 2);
    EXPECT_DOUBLE_EQ(e.step, 0.05);
    EXPECT_DOUBLE_EQ(e.maximum, 10.0);
    EXPECT_DOUBLE_EQ(e.minimum, 1.0);
    EXPECT_DOUBLE_EQ(e.value, 3.35);
    EXPECT_EQ(DspValueFromEditor(3.35, 5), 67);
    EXPECT_EQ(DspValueFromEditor(10.0, 5), 200);
    EXPECT_EQ(DspValueFromEditor(0.05, 5), 1);
    EXPECT_EQ(DspValueFromEditor(57.0, 100), 57);
    EXPECT_EQ(DspValueFromEditor(0.58, 58), 1);

    DspEditorSetup whole = DspEditorFor(41, 100, 150, 3, 20, true);
    EXPECT_EQ(whole.decimals, 0);
    EXPECT_DOUBLE_EQ(whole.step, 1);
    EXPECT_DOUBLE_EQ(whole.maximum, 150);

    // Locked extra parameters: 79 is one, 77 is not; unlocking frees 79.
    EXPECT_FALSE(DspEditorFor(79, 100, 200, 0, 0, true).enabled);
    EXPECT_TRUE(DspEditorFor(77, 100, 200, 0, 0, true).enabled);
    EXPECT_TRUE(DspEditorFor(79, 100, 200, 0, 0, false).enabled);
    // A multiplier of 0 cannot be turned back into a stored value.
    EXPECT_FALSE(DspEditorFor(41, 0, 200, 0, 0, false).enabled);
    EXPECT_EQ(DspValueFromEditor(1.0, 0), 0);
}

TEST(DspLooks, ColourSetMenusAndButtons) {
    EXPECT_FALSE(DspLookOfColourSet(1).set254Visible);
    EXPECT_EQ(DspLookOfColourSet(1).backupCaption, "Set this green param to backup value");
    EXPECT_EQ(DspLookOfColourSet(1).editorHint, "Right click to set backup value");
    EXPECT_EQ(DspLookOfColourSet(2).set254Caption, "Set this yellow param to use green value");
    EXPECT_EQ(DspLookOfColourSet(3).backupCaption, "Set this red param to backup value");
    EXPECT_EQ(DspLookOfColourSet(3).editorHint, "Right click to use green value or backup value");

    auto g = DspColourButtons(1);
    EXPECT_EQ(g[0].colour, (DspRgb{0x00, 0xFF, 0x00}));
    EXPECT_EQ(g[1].colour, (DspRgb{0xFF, 0xFF, 0xE0}));
    EXPECT_EQ(g[2].colour, (DspRgb{0xFF, 0xE0, 0xE0}));
    EXPECT_TRUE(g[0].bold);
    EXPECT_FALSE(g[1].bold || g[2].bold);
    auto y = DspColourButtons(2);
    EXPECT_EQ(y[0].colour, (DspRgb{0xE0, 0xFF, 0xE0}));
    EXPECT_EQ(y[1].colour, (DspRgb{0xE8, 0xE8, 0x00}));
    EXPECT_TRUE(y[1].bold && !y[0].bold);
    auto r = DspColourButtons(3);
    EXPECT_EQ(r[2].colour, (DspRgb{0xFF, 0x00, 0x00}));
    EXPECT_TRUE(r[2].bold);
}

TEST_F(DspControlTest, FirstStatusRebuildsAndWritesEveryRow) {
    auto out = apply(status(1, 1));
    EXPECT_TRUE(out.rebuilt);
    EXPECT_EQ(out.changedRows.size(), static_cast<size_t>(DspRowCount));
    EXPECT_EQ(storedReads, 1);
    EXPECT_EQ(dsp.StoredSet[0], 7);
    EXPECT_EQ(dsp.record(1).VALUE, 111);
    EXPECT_EQ(dsp.record(1).PARAMNAME, "Param 11");
    EXPECT_EQ(dsp.record(rowOfParam(41)).PARAMNAME.size(), 26u);
    EXPECT_EQ(dsp.record(rowOfParam(41)).DISPLAYVALUE, "7.05"); // 5 x 141

    // The same block again: nothing is rebuilt or rewritten.
    out = apply(status(1, 1));
    EXPECT_FALSE(out.rebuilt);
    EXPECT_TRUE(out.changedRows.empty());
    EXPECT_EQ(storedReads, 1);

    // One value moves: only its row is written.
    DspStatusRecord s = status(1, 1);
    s[45] = 3;
    out = apply(s);
    EXPECT_EQ(out.changedRows, (std::vector<int>{rowOfParam(45)}));
    EXPECT_EQ(dsp.record(rowOfParam(45)).VALUE, 3);
}

TEST_F(DspControlTest, EncoderChangeReadsTheStoredSetAgain) {
    apply(status(1, 1, {0, 0, 22, 0, 0, 0, 0, 0, 31, 32}));
    EXPECT_EQ(dsp.record(rowOfParam(22)).ENCODER, 3);
    EXPECT_EQ(DspEncoderText(dsp.record(rowOfParam(31)).ENCODER), "A");
    EXPECT_EQ(DspEncoderText(dsp.record(rowOfParam(32)).ENCODER), "B");
    // The encoders are taken over by the next status that brings no mode or colour change.
    apply(status(1, 1, {0, 0, 22, 0, 0, 0, 0, 0, 31, 32}));
    const int reads = storedReads;

    auto out = apply(status(1, 1, {0, 0, 41, 0, 0, 0, 0, 0, 31, 32}));
    EXPECT_TRUE(out.rebuilt);
    EXPECT_EQ(storedReads, reads + 1);
    EXPECT_EQ(DspEncoderText(dsp.record(rowOfParam(41)).ENCODER), "3");
    EXPECT_EQ(DspEncoderText(dsp.record(rowOfParam(22)).ENCODER), "");
}

TEST_F(DspControlTest, EncoderChangeWithAModeChangeRebuildsTwice) {
    apply(status(1, 1, {22}));
    apply(status(1, 1, {22}));
    EXPECT_TRUE(apply(status(0, 1, {41})).rebuilt);
    EXPECT_TRUE(apply(status(0, 1, {41})).rebuilt);
    EXPECT_FALSE(apply(status(0, 1, {41})).rebuilt);
}

TEST_F(DspControlTest, RowsFollowTheModeGroup) {
    apply(status(3, 1));
    EXPECT_EQ(dsp.ModeGroup, 2);
    EXPECT_EQ(dsp.record(38).PARAMNO, 64);
    EXPECT_EQ(dsp.record(38).VALUE, 164);
    EXPECT_EQ(dsp.record(38).USERNO, 62);
    auto out = apply(status(1, 1));
    EXPECT_TRUE(out.rebuilt);
    EXPECT_EQ(dsp.record(38).PARAMNO, 63);
    EXPECT_EQ(dsp.record(38).VALUE, 163);
}

TEST_F(DspControlTest, ShortStoredSetReadKeepsTheOldSet) {
    dsp.StoredSet.fill(9);
    dsp.ApplyStatus(status(1, 2), [](DspStoredSet& set) {
        set.fill(1); // a failing read may have scribbled on its buffer
        return false;
    });
    EXPECT_EQ(dsp.StoredSet[5], 9);
}

TEST_F(DspControlTest, SwitchWaitsForItsConfirmation) {
    apply(status(1, 1));
    EXPECT_FALSE(dsp.SwitchChecked[0]);
    queue.request(SlotReadDspStatus);
    EXPECT_TRUE(dsp.SwitchClick(0, true));
    EXPECT_TRUE(queue.requested(SlotSendParamValue));
    EXPECT_FALSE(queue.requested(SlotReadDspStatus)); // the waiting status read is withdrawn
    EXPECT_EQ(dsp.ChangeParam, 1);
    EXPECT_EQ(dsp.ChangeValue, 1);
    EXPECT_TRUE(dsp.SwitchPending[0]);

    // A second click before the status confirms it is refused; the box keeps the change on its way.
    EXPECT_FALSE(dsp.SwitchClick(0, false));
    EXPECT_TRUE(dsp.SwitchChecked[0]);

    // A status that has not caught up leaves the box; the confirming one clears the flag.
    apply(status(1, 1));
    EXPECT_TRUE(dsp.SwitchChecked[0]);
    EXPECT_TRUE(dsp.SwitchPending[0]);
    DspStatusRecord on = status(1, 1);
    on[1] = 1;
    apply(on);
    EXPECT_FALSE(dsp.SwitchPending[0]);
    EXPECT_TRUE(dsp.SwitchChecked[0]);
}

TEST_F(DspControlTest, LostSwitchChangeGivesUpAfterAFewStatuses) {
    apply(status(1, 1));
    ASSERT_TRUE(dsp.SwitchClick(2, true)); // auto notch, parameter 4
    queue.tick(true);                      // the change goes out, and is lost on the way
    for (int i = 1; i < DspUnconfirmedLimit; ++i) {
        apply(status(1, 1));
        EXPECT_TRUE(dsp.SwitchPending[2]);
    }
    apply(status(1, 1));
    EXPECT_FALSE(dsp.SwitchPending[2]);
    EXPECT_FALSE(dsp.SwitchChecked[2]);
    EXPECT_TRUE(dsp.SwitchClick(2, true));
}

TEST_F(DspControlTest, SwitchClickWhileAnotherChangeWaitsIsNotSent) {
    apply(status(1, 1));
    dsp.OpenEditor(rowOfParam(41), true);
    dsp.ChangeFromEditor(3.35);
    EXPECT_FALSE(dsp.SwitchClick(5, true));
    EXPECT_FALSE(dsp.SwitchChecked[5]);
    EXPECT_FALSE(dsp.SwitchPending[5]);
    EXPECT_EQ(dsp.ChangeParam, 41);
}

TEST_F(DspControlTest, EditorChangeStoresAndRequests) {
    apply(status(1, 2));
    const int row = rowOfParam(41);
    DspEditorSetup e = dsp.OpenEditor(row, true);
    EXPECT_DOUBLE_EQ(e.value, 7.05);
    dsp.ChangeFromEditor(3.35);
    EXPECT_EQ(dsp.ChangeParam, 41);
    EXPECT_EQ(dsp.ChangeValue, 67);
    EXPECT_EQ(*dsp.stored(41), 67);
    EXPECT_TRUE(queue.requested(SlotSendParamValue));
    // A faster second change replaces the first.
    dsp.ChangeFromEditor(3.40);
    EXPECT_EQ(dsp.ChangeValue, 68);

    dsp.SetToGreen();
    EXPECT_EQ(dsp.ChangeValue, 254);
    EXPECT_TRUE(dsp.usesGreen(41));
    dsp.RestoreFromBackup();
    EXPECT_TRUE(queue.requested(SlotRestoreParam));
    dsp.CopyToBackup();
    EXPECT_TRUE(queue.requested(SlotCopyToBackup));
    EXPECT_TRUE(line.empty());
}

TEST_F(DspControlTest, ColourClickIgnoredWhileAChangeWaits) {
    queue.request(SlotReadDspStatus);
    EXPECT_TRUE(dsp.ColourClick(2));
    EXPECT_FALSE(queue.requested(SlotReadDspStatus));
    EXPECT_TRUE(queue.requested(SlotSelectColourSet));
    EXPECT_EQ(dsp.NewColour, 2);
    EXPECT_FALSE(dsp.ColourClick(1)); // "&G" while yellow still waits
    EXPECT_EQ(dsp.NewColour, 2);
    queue.withdraw(SlotSelectColourSet);
    EXPECT_TRUE(dsp.ColourClick(1));
    EXPECT_EQ(dsp.NewColour, 1);
}

TEST_F(DspControlTest, ModeAndWidthButtons) {
    apply(status(3, 1));
    dsp.ModeClick();
    EXPECT_EQ(dsp.CurMode, 0);
    EXPECT_EQ(dsp.ChangeParam, 2);
    EXPECT_EQ(dsp.ChangeValue, 0);
    EXPECT_TRUE(queue.requested(SlotSendParamValue));
    EXPECT_EQ(clock.pauses(), (std::vector<int>{1000}));
    // The rows change group only with the next status.
    EXPECT_EQ(dsp.record(38).PARAMNO, 64);

    dsp.WidthClick();
    EXPECT_EQ(dsp.CurWidth, 1);
    EXPECT_EQ(dsp.ChangeParam, 6);
    EXPECT_EQ(dsp.ChangeValue, 1);
    dsp.WidthClick();
    EXPECT_EQ(dsp.CurWidth, 0);
}

TEST_F(DspControlTest, SerialRouteSendsFramesAndWaitsForNothing) {
    dsp.Route = 'S';
    dsp.ModeClick();
    dsp.SwitchClick(4, true); // VOX / QSK, parameter 7
    EXPECT_FALSE(dsp.SwitchPending[4]);
    EXPECT_TRUE(dsp.SwitchClick(4, false)); // a second click goes out too
    dsp.OpenEditor(rowOfParam(41), true);
    dsp.ChangeFromEditor(3.35);
    EXPECT_EQ(line, (std::vector<uint8_t>{0x7E, 2, 1, 0x7E, 0x7E, 0x7E, 7,  1,  0x7E, 0x7E,
                                          0x7E, 7, 0, 0x7E, 0x7E, 0x7E, 41, 67, 0x7E, 0x7E}));
    EXPECT_EQ(clock.pauses(), (std::vector<int>{30, 30, 30, 30}));
    EXPECT_FALSE(queue.requested(SlotSendParamValue));
    // No status polling on the serial route.
    EXPECT_FALSE(dsp.StatusTick(true, false, false));
}

TEST_F(DspControlTest, StatusTicksAndHoldOff) {
    EXPECT_TRUE(dsp.StatusTick(true, false, false));
    EXPECT_FALSE(dsp.StatusTick(false, false, false));
    EXPECT_FALSE(dsp.StatusTick(true, true, false));
    EXPECT_FALSE(dsp.StatusTick(true, false, true));
    dsp.StartHoldOff();
    for (int i = 1; i < DspHoldOffTicks; ++i)
        EXPECT_FALSE(dsp.StatusTick(true, false, false)) << i;
    EXPECT_TRUE(dsp.StatusTick(true, false, false)); // the tenth tick ends it
    EXPECT_TRUE(dsp.TelemetryWanted(true, false));
    EXPECT_FALSE(dsp.TelemetryWanted(true, true));
    EXPECT_FALSE(dsp.TelemetryWanted(false, false));
}
