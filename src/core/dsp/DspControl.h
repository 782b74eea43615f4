#pragma once
// The DSP control window without its widgets: the 59 parameter rows of its three grids, the decoding
// of the DSP status block, what each row shows, the value editor's range, the colour-set looks, the
// six receive switches with their pending flags, the change, colour and backup requests, and the
// serial route's five-byte parameter frame.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarnix {

class TParams;
class TUsb;
class UsbScheduler;

constexpr int DspRowCount = 59;
constexpr int DspGridCount = 3;
constexpr int DspStatusSize = 113;
constexpr int DspStoredSetSize = 90; // parameters 11..100
constexpr int DspEncoderCount = 10;
constexpr int DspSwitchCount = 6;
constexpr int DspUnknown = 49999; // what a row shows before its first status
constexpr int DspHoldOffTicks = 10;
constexpr int DspModePauseMs = 1000;   // after a mode change sent to the controller
constexpr int DspSerialPauseMs = 30;   // after a serial parameter frame
constexpr int DspUnconfirmedLimit = 4; // statuses a switch waits for its change before giving up
constexpr uint8_t DspUseGreen = 254;

using DspStatusRecord = std::array<uint8_t, DspStatusSize>;
using DspStoredSet = std::array<uint8_t, DspStoredSetSize>;
using DspSerialFrame = std::array<uint8_t, 5>;

// One row of the grids: its display number, the parameter it shows in each mode group, and whether
// that parameter belongs to the extra-parameter set.
struct DspRow {
    uint8_t no;
    uint8_t ssbParam;
    uint8_t cwParam;
    bool extra;
};
// Rows 1..59 at index 0..58.
const std::array<DspRow, DspRowCount>& dspRows();
// Grid 0 holds rows 1..20, grid 1 rows 21..40, grid 2 rows 41..59.
int dspGridOfRow(int row);
int dspFirstRowOfGrid(int grid);
int dspRowsInGrid(int grid);

// Parameters the "Lock xparams" box protects.
bool dspIsExtraParam(int param);

// Mode group 1 SSB (modes 0 LSB and 1 USB), 2 CW (2 CW_L, 3 CW_U).
int dspModeGroup(int mode);
// "LSB", "USB", "CW_L", "CW_U"; nullptr for any other value.
const char* dspModeName(int mode);
// "Nar." for a non-zero width, else "Wide".
const char* dspWidthCaption(int width);

// The parameter behind each of the six switch boxes (NR + TK, noise blanker, auto notch, manual notch,
// VOX / QSK, speech compressor).
constexpr std::array<uint8_t, DspSwitchCount> DspSwitchParams = {1, 3, 4, 5, 7, 9};

// What the parameter set says about one parameter.
struct DspParamInfo {
    std::string name;
    int multiplier = 100; // hundredths
    int max = 255;
    int min = 0;
};
// Index = parameter number (0 unused).
using DspParamInfos = std::array<DspParamInfo, 100>;
DspParamInfos DspParamInfosFrom(const TParams& params);

// The shown value: the stored value itself for multiplier 100, else multiplier × value / 100 rounded
// to three significant digits (halves upward) with two decimals.
std::string DspDisplayValue(int multiplier, int value);

// The pop-up value editor of a row.
struct DspEditorSetup {
    bool enabled = true;
    int decimals = 0;
    double step = 1;
    double minimum = 0, maximum = 0, value = 0;
};
// enabled is false for an extra parameter while "Lock xparams" is checked, and for a multiplier of 0
// (no stored value can be worked out from such an editor).
DspEditorSetup DspEditorFor(int param, int multiplier, int max, int min, int value, bool lockXparams);
// The stored value for an editor value: Trunc(editor × 100 / multiplier + 0.001), kept to 0..255.
uint8_t DspValueFromEditor(double editorValue, double multiplier);

struct DspRgb {
    uint8_t r, g, b;
    bool operator==(const DspRgb&) const = default;
};
constexpr DspRgb DspMoneyGreen{0xC0, 0xDC, 0xC0};

// The right-click menus and hints of the editors for a colour set.
struct DspColourSetLook {
    bool set254Visible;
    std::string set254Caption; // empty when hidden
    std::string backupCaption;
    std::string editorHint;
};
DspColourSetLook DspLookOfColourSet(int colour);

// The three colour buttons (green, yellow, red) for the active colour set.
struct DspColourButtonLook {
    DspRgb colour;
    bool bold;
};
std::array<DspColourButtonLook, 3> DspColourButtons(int colour);

// Text of the "enc" cell: empty for 0, "1".."8", "A" for 9, "B" for 10.
std::string DspEncoderText(int encoder);

// The serial route's live change: "~", p, v, "~", "~".
DspSerialFrame DspSerialParamFrame(uint8_t param, uint8_t value);

// The controller transactions of the window. The reads let pending messages run between the pause
// and the read; they fill dest only when the whole block arrived.
bool DspReadStatus(TUsb& usb, DspStatusRecord& dest);
bool DspReadStoredSet(TUsb& usb, DspStoredSet& dest);
bool DspRestoreParam(TUsb& usb, uint8_t param, uint8_t colour, uint8_t mode);
bool DspCopyToBackup(TUsb& usb);
bool DspSelectColourSet(TUsb& usb, uint8_t colour);
bool DspSendParamValue(TUsb& usb, uint8_t param, uint8_t value);

// One record of a grid's table.
struct DspGridRecord {
    int ID = 0; // row number
    int USERNO = 0;
    std::string PARAMNAME; // at most 26 characters
    int XPARAM = 0;
    std::string DISPLAYVALUE;
    int VALUE = 0;
    int MULTIPLIER = 100;
    int MAX = 0;
    int MIN = 0;
    int ENCODER = 0;
    int PARAMNO = 0;
};

// The state and logic of the window. Requests go to the scheduler; serial frames go to serialWriter,
// one byte per call.
class DspControl {
public:
    DspControl(UsbScheduler& queue, char route);

    // What the last status said and what the window did with it.
    struct StatusOutcome {
        bool rebuilt = false;
        std::vector<int> changedRows; // row numbers whose records were written
    };

    char Route;
    uint8_t CurMode = 0, CurWidth = 0, CurColour = 0;
    uint8_t ModeGroup = 1;
    uint8_t NameColour = 0; // byte 0 of the status: 1 = the test-point names are drawn blue
    std::array<uint8_t, DspEncoderCount> Encoders{};
    uint8_t PrevMode = 99, PrevColour = 0;
    std::array<uint8_t, DspEncoderCount> PrevEncoders{};
    bool FullRefresh = false;
    std::array<int, DspRowCount> LastValue{};
    std::array<int, DspRowCount> LastEncoder{};
    uint8_t ChangeParam = 0, ChangeValue = 0;
    uint8_t EditParam = 0;
    double EditMultiplier = 100;
    uint8_t NewColour = 0;
    std::array<bool, DspSwitchCount> SwitchPending{};
    std::array<bool, DspSwitchCount> SwitchChecked{};
    bool HoldOff = false;
    int HoldOffCount = 0;
    DspStoredSet StoredSet{};
    DspStatusRecord Status{}; // the last complete status block
    std::array<std::vector<DspGridRecord>, DspGridCount> Tables;

    std::function<bool(uint8_t)> serialWriter;

    // The window opens: rows unknown, stored set cleared, rebuild forced by the first status.
    void Open(const DspParamInfos& params);
    // Empties the three tables and appends the 59 rows for the current mode group.
    void BuildRows();
    const DspParamInfos& params() const { return params_; }

    // Slot 30 after its read: takes the block, reads the stored set (through readStoredSet) when the
    // mode, colour or encoders changed, rebuilds, and updates switches and values.
    StatusOutcome ApplyStatus(const DspStatusRecord& s,
                              const std::function<bool(DspStoredSet&)>& readStoredSet);
    // The whole of slot 30 over the controller link; nullopt when the read fell short.
    std::optional<StatusOutcome> ReadDspStatus(TUsb& usb);

    // Switch boxes from the last status, honouring the pending flags.
    void UpdateSwitches();
    // Writes every row whose value or encoder changed (or all when FullRefresh); returns their numbers.
    std::vector<int> UpdateValues();

    // The record of a row (1..59).
    DspGridRecord& record(int row);
    const DspGridRecord& record(int row) const;
    // The stored-set byte of a parameter (11..100), or nullopt.
    std::optional<uint8_t> stored(int param) const;
    bool usesGreen(int param) const { return stored(param) == DspUseGreen; }

    // The status timer's tick: counts the hold-off down and says whether slot 30 is to be requested.
    bool StatusTick(bool linkUp, bool lockDisplay, bool editorVisible);
    void StartHoldOff();
    // The telemetry timer: slot 39 is requested while the link is up and the display not locked.
    bool TelemetryWanted(bool linkUp, bool lockDisplay) const { return linkUp && !lockDisplay; }

    // Opens the value editor for a row; remembers EditParam and EditMultiplier.
    DspEditorSetup OpenEditor(int row, bool lockXparams);
    // An editor value changed.
    void ChangeFromEditor(double editorValue);
    // "Set this ... param to use green value".
    void SetToGreen();
    // "Set this ... param to backup value": slot 35.
    void RestoreFromBackup();
    // "Copy to backup": slot 36.
    void CopyToBackup();

    // A click on switch box i that left the box in state checked. Returns false when the click was
    // refused (a change of this box still waits, or another change holds slot 42); SwitchChecked then
    // still holds what the box is to show.
    bool SwitchClick(int i, bool checked);
    void WidthClick();
    // shown runs once the new mode is in CurMode and the switches are updated, before the pause that
    // follows a mode change sent to the controller.
    void ModeClick(const std::function<void()>& shown = {});
    // Colour set 1, 2 or 3; false when a colour change still waits.
    bool ColourClick(uint8_t colour);

    // Writes the five-byte frame, then pauses 30 ms. False when a byte could not be written.
    bool SendSerialParam(uint8_t param, uint8_t value);

    // The slot operations that send.
    bool RunRestoreParam(TUsb& usb) { return DspRestoreParam(usb, EditParam, CurColour, CurMode); }
    bool RunCopyToBackup(TUsb& usb) { return DspCopyToBackup(usb); }
    bool RunSelectColourSet(TUsb& usb) { return DspSelectColourSet(usb, NewColour); }
    bool RunSendParamValue(TUsb& usb) { return DspSendParamValue(usb, ChangeParam, ChangeValue); }

private:
    void sendChange();
    void writeRecord(DspGridRecord& r, int value, int encoder);

    UsbScheduler& queue_;
    DspParamInfos params_;
    std::array<int, DspSwitchCount> unconfirmed_{};
};

} // namespace tarnix
