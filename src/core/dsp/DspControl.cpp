#include "dsp/DspControl.h"

#include "base/Pacer.h"
#include "config/UParams.h"
#include "link/CommandCatalogue.h"
#include "link/D2XXUnit.h"
#include "link/Transaction.h"
#include "link/UUsb.h"
#include "shell/UsbQueue.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tarnix {

const std::array<DspRow, DspRowCount>& dspRows() {
    static const std::array<DspRow, DspRowCount> rows = [] {
        std::array<DspRow, DspRowCount> r{};
        // Rows 1..36 show the parameter of their own number in both mode groups.
        static const uint8_t same[36] = {11, 12, 13, 14, 15, 16, 17, 18, 19, 21, 22, 23,
                                         24, 25, 26, 27, 28, 29, 31, 32, 33, 41, 42, 43,
                                         44, 45, 46, 47, 51, 52, 53, 54, 55, 56, 57, 58};
        for (int i = 0; i < 36; ++i)
            r[static_cast<size_t>(i)] = {same[i], same[i], same[i], dspIsExtraParam(same[i])};
        static const DspRow rest[23] = {
            {61, 62, 61, false}, {62, 63, 64, false}, {63, 65, 66, false}, {64, 67, 67, false},
            {65, 68, 68, false}, {66, 69, 69, false}, {71, 71, 71, false}, {72, 72, 73, false},
            {73, 74, 74, false}, {74, 75, 75, false}, {75, 76, 76, false}, {76, 77, 77, false},
            {77, 78, 78, true},  {78, 79, 79, true},  {81, 81, 81, false}, {82, 82, 82, false},
            {83, 83, 83, false}, {84, 84, 84, false}, {85, 85, 85, false}, {86, 86, 86, true},
            {91, 91, 93, false}, {92, 92, 94, false}, {93, 95, 95, false},
        };
        for (int i = 0; i < 23; ++i)
            r[static_cast<size_t>(36 + i)] = rest[i];
        return r;
    }();
    return rows;
}

int dspGridOfRow(int row) {
    return row <= 20 ? 0 : row <= 40 ? 1 : 2;
}
int dspFirstRowOfGrid(int grid) {
    return grid == 0 ? 1 : grid == 1 ? 21 : 41;
}
int dspRowsInGrid(int grid) {
    return grid == 2 ? 19 : 20;
}

bool dspIsExtraParam(int p) {
    return IsExtraParam(p);
}

DspParamInfos DspParamInfosFrom(const TParams& params) {
    DspParamInfos infos;
    for (int p = 1; p < 100; ++p) {
        const size_t i = static_cast<size_t>(p);
        infos[i] = {params.Names[i], params.Multiplier[i], params.MaxValue[i], params.MinValue[i]};
    }
    return infos;
}

int dspModeGroup(int mode) {
    return mode == 0 || mode == 1 ? 1 : 2;
}

const char* dspModeName(int mode) {
    static const char* const names[4] = {"LSB", "USB", "CW_L", "CW_U"};
    return mode >= 0 && mode <= 3 ? names[mode] : nullptr;
}

const char* dspWidthCaption(int width) {
    return width != 0 ? "Nar." : "Wide";
}

std::string DspDisplayValue(int multiplier, int value) {
    if (multiplier == 100)
        return std::to_string(value);
    // Work in hundredths so that the rounding is exact: 5 × 201 = 1005 hundredths, 10.05, shows 10.10.
    long hundredths = static_cast<long>(multiplier) * value;
    bool negative = hundredths < 0;
    if (negative)
        hundredths = -hundredths;
    long digits = 0;
    for (long t = hundredths; t > 0; t /= 10)
        ++digits;
    if (digits > 3) {
        long unit = 1;
        for (long i = 3; i < digits; ++i)
            unit *= 10;
        hundredths = (hundredths + unit / 2) / unit * unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%s%ld.%02ld", negative ? "-" : "", hundredths / 100, hundredths % 100);
    return text;
}

DspEditorSetup DspEditorFor(int param, int multiplier, int max, int min, int value, bool lockXparams) {
    DspEditorSetup e;
    const double a = multiplier;
    e.enabled = !(dspIsExtraParam(param) && lockXparams) && multiplier != 0;
    if (multiplier == 100) {
        e.decimals = 0;
        e.step = 1;
    } else {
        e.decimals = 2;
        e.step = a / 100;
    }
    e.maximum = a * max / 100;
    e.minimum = a * min / 100;
    e.value = a * value / 100;
    return e;
}

uint8_t DspValueFromEditor(double editorValue, double multiplier) {
    if (multiplier == 0)
        return 0;
    double v = std::trunc(editorValue * 100 / multiplier + 0.001);
    return static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
}

DspColourSetLook DspLookOfColourSet(int colour) {
    switch (colour) {
    case 2:
        return {true, "Set this yellow param to use green value", "Set this yellow param to backup value",
                "Right click to use green value or backup value"};
    case 3:
        return {true, "Set this red param to use green value", "Set this red param to backup value",
                "Right click to use green value or backup value"};
    default:
        return {false, "", "Set this green param to backup value", "Right click to set backup value"};
    }
}

std::array<DspColourButtonLook, 3> DspColourButtons(int colour) {
    constexpr DspRgb lime{0x00, 0xFF, 0x00}, paleGreen{0xE0, 0xFF, 0xE0};
    constexpr DspRgb yellow{0xE8, 0xE8, 0x00}, paleYellow{0xFF, 0xFF, 0xE0};
    constexpr DspRgb red{0xFF, 0x00, 0x00}, paleRed{0xFF, 0xE0, 0xE0};
    return {DspColourButtonLook{colour == 1 ? lime : paleGreen, colour == 1},
            DspColourButtonLook{colour == 2 ? yellow : paleYellow, colour == 2},
            DspColourButtonLook{colour == 3 ? red : paleRed, colour == 3}};
}

std::string DspEncoderText(int encoder) {
    if (encoder >= 1 && encoder <= 8)
        return std::to_string(encoder);
    if (encoder == 9)
        return "A";
    if (encoder == 10)
        return "B";
    return "";
}

DspSerialFrame DspSerialParamFrame(uint8_t param, uint8_t value) {
    return {0x7E, param, value, 0x7E, 0x7E};
}

namespace {

// purge, command, pause, let messages run, read the whole block.
bool readAfterPump(TUsb& usb, std::string_view text, uint8_t* dest, uint16_t n) {
    const CommandInfo& c = command(text);
    PurgeRx();
    if (!usb.SendCommand(c.text))
        return false;
    pacer().pause(c.pauseBeforeReply);
    pumpMessages();
    return usb.ReadBlock(dest, n);
}

} // namespace

bool DspReadStatus(TUsb& usb, DspStatusRecord& dest) {
    return readAfterPump(usb, "$$$DSP_A", dest.data(), DspStatusSize);
}

bool DspReadStoredSet(TUsb& usb, DspStoredSet& dest) {
    return readAfterPump(usb, "$$$DSP_G", dest.data(), DspStoredSetSize);
}

bool DspRestoreParam(TUsb& usb, uint8_t param, uint8_t colour, uint8_t mode) {
    return usbOrder(usb, command("$$$DSP_B"), {param, colour, mode});
}

bool DspCopyToBackup(TUsb& usb) {
    return usbOrder(usb, command("$$$DSP_W"), {});
}

bool DspSelectColourSet(TUsb& usb, uint8_t colour) {
    return usbOrder(usb, command("$$$DSP_L"), {colour, 0});
}

bool DspSendParamValue(TUsb& usb, uint8_t param, uint8_t value) {
    return usbOrder(usb, command("$$$DSP_Q"), {param, value});
}

DspControl::DspControl(UsbScheduler& queue, char route) : Route(route), queue_(queue) {
    LastValue.fill(DspUnknown);
    LastEncoder.fill(DspUnknown);
}

void DspControl::Open(const DspParamInfos& params) {
    params_ = params;
    LastValue.fill(DspUnknown);
    LastEncoder.fill(DspUnknown);
    StoredSet.fill(0);
    HoldOff = false;
    HoldOffCount = 0;
    PrevMode = 99;
    PrevColour = 0;
    PrevEncoders.fill(0);
    BuildRows();
    SwitchPending.fill(false);
    unconfirmed_.fill(0);
}

void DspControl::BuildRows() {
    for (auto& t : Tables)
        t.clear();
    const auto& rows = dspRows();
    for (int row = 1; row <= DspRowCount; ++row) {
        const DspRow& def = rows[static_cast<size_t>(row - 1)];
        const int p = ModeGroup == 1 ? def.ssbParam : def.cwParam;
        const DspParamInfo& info = params_[static_cast<size_t>(p)];
        DspGridRecord r;
        r.ID = row;
        r.USERNO = def.no;
        r.XPARAM = def.extra ? 1 : 0;
        r.PARAMNAME = info.name.substr(0, 26);
        r.PARAMNO = p;
        r.MULTIPLIER = info.multiplier;
        r.MAX = info.max;
        r.MIN = info.min;
        writeRecord(r, 0, 0);
        Tables[static_cast<size_t>(dspGridOfRow(row))].push_back(std::move(r));
    }
}

DspGridRecord& DspControl::record(int row) {
    const int grid = dspGridOfRow(row);
    return Tables[static_cast<size_t>(grid)][static_cast<size_t>(row - dspFirstRowOfGrid(grid))];
}

const DspGridRecord& DspControl::record(int row) const {
    return const_cast<DspControl*>(this)->record(row);
}

std::optional<uint8_t> DspControl::stored(int param) const {
    if (param < 11 || param > 100)
        return std::nullopt;
    return StoredSet[static_cast<size_t>(param - 11)];
}

void DspControl::writeRecord(DspGridRecord& r, int value, int encoder) {
    r.VALUE = value;
    r.ENCODER = encoder;
    r.DISPLAYVALUE = DspDisplayValue(r.MULTIPLIER, r.VALUE);
}

DspControl::StatusOutcome DspControl::ApplyStatus(const DspStatusRecord& s,
                                                  const std::function<bool(DspStoredSet&)>& readStoredSet) {
    StatusOutcome out;
    Status = s;
    NameColour = s[0];
    CurMode = s[2];
    CurWidth = s[6];
    CurColour = s[10];
    std::copy(s.begin() + 101, s.begin() + 111, Encoders.begin());
    ModeGroup = static_cast<uint8_t>(dspModeGroup(CurMode));

    // Mode first, then colour; the encoders are compared (and taken over) only when both are unchanged,
    // so an encoder change that comes with a mode or colour change rebuilds once more at the next status.
    bool differs = CurMode != PrevMode || CurColour != PrevColour;
    if (!differs) {
        differs = Encoders != PrevEncoders;
        PrevEncoders = Encoders;
    }
    if (differs) {
        if (readStoredSet) {
            DspStoredSet fresh = StoredSet;
            if (readStoredSet(fresh))
                StoredSet = fresh;
        }
        PrevMode = CurMode;
        PrevColour = CurColour;
        BuildRows();
        FullRefresh = true;
        out.rebuilt = true;
    } else {
        FullRefresh = false;
    }

    // A switch whose change the status keeps contradicting was lost on the way: after a few statuses
    // the box shows the DSP's state again and takes clicks again.
    for (int i = 0; i < DspSwitchCount; ++i) {
        if (!SwitchPending[static_cast<size_t>(i)])
            continue;
        const bool on = s[DspSwitchParams[static_cast<size_t>(i)]] != 0;
        if (on != SwitchChecked[static_cast<size_t>(i)] &&
            ++unconfirmed_[static_cast<size_t>(i)] >= DspUnconfirmedLimit)
            SwitchPending[static_cast<size_t>(i)] = false;
    }
    UpdateSwitches();
    out.changedRows = UpdateValues();
    return out;
}

std::optional<DspControl::StatusOutcome> DspControl::ReadDspStatus(TUsb& usb) {
    DspStatusRecord s{};
    if (!DspReadStatus(usb, s))
        return std::nullopt;
    return ApplyStatus(s, [&usb](DspStoredSet& set) { return DspReadStoredSet(usb, set); });
}

void DspControl::UpdateSwitches() {
    for (int i = 0; i < DspSwitchCount; ++i) {
        const size_t k = static_cast<size_t>(i);
        const bool on = Status[DspSwitchParams[k]] != 0;
        if (!SwitchPending[k]) {
            SwitchChecked[k] = on;
        } else if (on == SwitchChecked[k]) {
            SwitchPending[k] = false;
            unconfirmed_[k] = 0;
        }
    }
}

std::vector<int> DspControl::UpdateValues() {
    std::vector<int> changed;
    for (int row = 1; row <= DspRowCount; ++row) {
        DspGridRecord& r = record(row);
        const int p = r.PARAMNO;
        const int v = Status[static_cast<size_t>(p)];
        int e = 0;
        for (int k = 0; k < DspEncoderCount; ++k)
            if (Encoders[static_cast<size_t>(k)] == p) {
                e = k + 1;
                break;
            }
        const size_t i = static_cast<size_t>(row - 1);
        if (v != LastValue[i] || e != LastEncoder[i] || FullRefresh) {
            writeRecord(r, v, e);
            LastValue[i] = v;
            LastEncoder[i] = e;
            changed.push_back(row);
        }
    }
    return changed;
}

bool DspControl::StatusTick(bool linkUp, bool lockDisplay, bool editorVisible) {
    if (HoldOff && --HoldOffCount <= 0) {
        HoldOff = false;
        HoldOffCount = 0;
    }
    return linkUp && !lockDisplay && !HoldOff && !editorVisible && Route == 'U';
}

void DspControl::StartHoldOff() {
    HoldOff = true;
    HoldOffCount = DspHoldOffTicks;
}

DspEditorSetup DspControl::OpenEditor(int row, bool lockXparams) {
    const DspGridRecord& r = record(row);
    EditMultiplier = r.MULTIPLIER;
    EditParam = static_cast<uint8_t>(r.PARAMNO);
    return DspEditorFor(r.PARAMNO, r.MULTIPLIER, r.MAX, r.MIN, r.VALUE, lockXparams);
}

void DspControl::sendChange() {
    if (Route == 'S')
        SendSerialParam(ChangeParam, ChangeValue);
    else
        queue_.request(SlotSendParamValue);
}

void DspControl::ChangeFromEditor(double editorValue) {
    const uint8_t v = DspValueFromEditor(editorValue, EditMultiplier);
    ChangeParam = EditParam;
    ChangeValue = v;
    if (stored(EditParam))
        StoredSet[static_cast<size_t>(EditParam - 11)] = v;
    sendChange();
}

void DspControl::SetToGreen() {
    ChangeValue = DspUseGreen;
    ChangeParam = EditParam;
    if (stored(EditParam))
        StoredSet[static_cast<size_t>(EditParam - 11)] = DspUseGreen;
    sendChange();
}

void DspControl::RestoreFromBackup() {
    queue_.request(SlotRestoreParam);
}

void DspControl::CopyToBackup() {
    queue_.request(SlotCopyToBackup);
}

bool DspControl::SwitchClick(int i, bool checked) {
    const size_t k = static_cast<size_t>(i);
    if (SwitchPending[k])
        return false; // the box keeps showing the change that is on its way
    const uint8_t param = DspSwitchParams[k];
    const uint8_t value = checked ? 1 : 0;
    if (Route == 'S') {
        // Nothing confirms a serial change, so there is nothing to wait for.
        SwitchChecked[k] = checked;
        SendSerialParam(param, value);
        return true;
    }
    if (queue_.requested(SlotSendParamValue))
        return false; // another change holds the slot; this one is not sent, so the box goes back
    SwitchChecked[k] = checked;
    SwitchPending[k] = true;
    unconfirmed_[k] = 0;
    queue_.withdraw(SlotReadDspStatus);
    ChangeParam = param;
    ChangeValue = value;
    queue_.request(SlotSendParamValue);
    return true;
}

void DspControl::WidthClick() {
    CurWidth = CurWidth != 0 ? 0 : 1;
    UpdateSwitches();
    ChangeParam = 6;
    ChangeValue = CurWidth;
    sendChange();
}

void DspControl::ModeClick(const std::function<void()>& shown) {
    CurMode = CurMode >= 3 ? 0 : static_cast<uint8_t>(CurMode + 1);
    UpdateSwitches();
    if (shown)
        shown();
    ChangeParam = 2;
    ChangeValue = CurMode;
    sendChange();
    if (Route != 'S')
        pacer().pause(DspModePauseMs);
}

bool DspControl::ColourClick(uint8_t colour) {
    if (queue_.requested(SlotSelectColourSet))
        return false;
    queue_.withdraw(SlotReadDspStatus);
    NewColour = colour;
    queue_.request(SlotSelectColourSet);
    return true;
}

bool DspControl::SendSerialParam(uint8_t param, uint8_t value) {
    bool ok = true;
    for (uint8_t b : DspSerialParamFrame(param, value))
        ok = serialWriter && serialWriter(b) && ok;
    pacer().pause(DspSerialPauseMs);
    return ok;
}

} // namespace tarnix
