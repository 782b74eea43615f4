#pragma once
// The DSP's telemetry record and everything the monitor displays compute from it: the S-meter, the
// eight audio test points with their extremes, the receive gain chain, and the power and SWR meters.
// The record arrives from the controller ("$$$DSP_T", 30 bytes) or straight from the DSP on the serial
// port ("~~" and 22 bytes). Nothing here draws; the widgets take the numbers and texts as they stand.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnix {

class TUsb;

constexpr size_t TelemetryBytes = 30;       // the USB reply
constexpr size_t TelemetrySerialBody = 22;  // bytes 2..23, after the two sync bytes on the serial line
constexpr uint8_t TelemetrySyncByte = 0x7E; // "~"
constexpr int TelemetryTestPoints = 8;
using Ad603Table = std::array<uint8_t, 42>; // entry i: the DAC code at i dB of gain

// The record as the DSP produced it. Multi-byte levels are high byte first, the power values low byte
// first. On the serial route only bytes 2..23 are replaced; 24..29 keep what a USB record put there.
struct DspTelemetry {
    std::array<uint8_t, TelemetryBytes> Telemetry{};

    bool transmitting() const { return (Telemetry[4] & 0x80) != 0; }
    bool agcHang() const { return (Telemetry[4] & 0x40) != 0; }
    uint8_t dacCode() const { return Telemetry[4] & 0x3F; } // AD603 gain-control DAC code
    // Test point row 1..8 (in the order of the test-point table, not of the bytes).
    uint16_t level(int row) const;
    uint8_t smeterDb() const { return Telemetry[19]; } // dB above S0
    bool spike() const { return Telemetry[20] == 1; }
    uint8_t adcSteps() const { return Telemetry[21] >> 4; } // ADC gain in 1.5 dB steps
    uint16_t barValue() const;                              // the 12-bit S-meter bar value
    uint8_t gainByte() const { return Telemetry[23]; }      // AGC gain (receive), VOGAD gain (transmit)
    uint16_t forward() const;
    uint16_t reflected() const;
    uint16_t swr100() const; // SWR x 100
};

// The byte offset of a test point row's level (row 1..8).
size_t TestPointLevelOffset(int row);

// A USB reply: only a reply of exactly 30 bytes replaces the record (false and unchanged otherwise).
bool DecodeUsbTelemetry(const uint8_t* reply, size_t n, DspTelemetry& t);
// A serial frame's 22 bytes after "~~" go to bytes 2..23; 0..1 become "~~", 24..29 are kept.
void DecodeSerialTelemetry(const std::array<uint8_t, TelemetrySerialBody>& body, DspTelemetry& t);

// The telemetry poll on route "U": let messages run; purge; "$$$DSP_T"; pause 50 ms; let messages run;
// read 30 bytes. False (the record unchanged) when the command failed or the reply fell short; the
// displays are then redrawn from the record as it was.
bool ReadTelemetryUsb(TUsb& usb, DspTelemetry& t);

// The serial line as the telemetry reader sees it (the GUI adapts the serial port to this).
class TelemetryByteSource {
public:
    virtual ~TelemetryByteSource() = default;
    // One byte within timeoutMs; false when none came.
    virtual bool readByte(uint8_t& b, int timeoutMs) = 0;
    // Bytes already waiting (no wait).
    virtual size_t available() = 0;
    // Throws away up to n waiting bytes.
    virtual void discard(size_t n) = 0;
};

// How long the serial reader may hunt for the frame start. The DSP sends nothing unless it runs, so
// the wait for the first "~" is bounded both by the bytes it may skip and by the time for each byte.
struct SerialTelemetryLimits {
    int startTimeoutMs = 100; // for the first byte when none is waiting
    int byteTimeoutMs = 40;   // for each further byte of the hunt and of the frame
    size_t maxSkipped = 48;   // bytes skipped looking for "~" (two frames' worth)
    size_t keepWaiting = 48;  // bytes beyond two frames waiting are stale: the older ones are dropped
};

enum class SerialTelemetryResult {
    Frame,    // a whole frame was read into bytes 2..23
    NoSync,   // the byte after "~" was not "~": the frame is dropped, nothing changed
    NoStart,  // no "~" within the bounds (the DSP is silent or sends noise)
    Truncated // the frame stopped before its 22 bytes: nothing changed
};

// The telemetry poll on route "S": let messages run; drop stale bytes; skip bytes up to a "~"; the
// next must be "~" too; then 22 bytes into bytes 2..23. The record changes only on Frame.
SerialTelemetryResult ReadTelemetrySerial(TelemetryByteSource& line, DspTelemetry& t,
                                          const SerialTelemetryLimits& limits = {});

// --- Power scale ("$$$SWR_F", read once when the window opens on route "U") ---------------------------

struct PowerScale {
    uint16_t FwdFullScale = 140;
    uint16_t RefFullScale = 20;
};
constexpr PowerScale DefaultPowerScale{140, 20};

// A 4-byte reply (forward then reflected full scale, low byte first); anything else gives 140 and 20
// and false.
bool DecodePowerScale(const uint8_t* reply, size_t n, PowerScale& scale);
// purge; "$$$SWR_F"; pause 50 ms; let messages run; read 4 bytes. The fall-back on any failure.
PowerScale ReadPowerScaleUsb(TUsb& usb, bool* ok = nullptr);
// The three scale labels of a power meter by its full scale (75, 150, 300, 750; anything else as 1500).
std::array<std::string, 3> PowerScaleLabels(uint16_t fullScale);

// --- Display computations ------------------------------------------------------------------------------

// Round to nearest, halves to even.
int RoundHalfEven(double v);

// "n" + "dB/S0  =  " + "S" + min(n, 59) div 6, and from 60 dB up "+" + ((n - 54) div 10 x 10) + "dB".
std::string SmeterText(uint8_t n);
// The number of significant bits of the 12-bit bar value (0 for 0, 12 at most).
int SmeterSegments(uint16_t barValue);

// 0 for a level of 0, else 90 - Round(20 log10(32768 / w)).
int LevelDb(uint16_t w);
std::string LevelHex(uint16_t w);     // four upper-case hexadecimal digits
std::string LevelPercent(uint16_t w); // w / 32768 with two decimals

const char* TestPointName(int row, bool transmitting); // row 1..8

// The receive gain chain: AD603 gain g (the first table index whose entry is at least the DAC code,
// 0 when none), ADC gain, AGC gain (byte 23 - 28 within 0..72) and their total (8 bits).
struct GainChain {
    int g = 0;
    int adc = 0;
    int agc = 0;
    int total = 0;
};
GainChain ComputeGainChain(const DspTelemetry& t, const Ad603Table& table);
int AgcGainDb(uint8_t gainByte);
int AdcGainDb(uint8_t adcSteps);

// Meter segments. A full scale of 0 cannot be divided by: the meter then stays at 0.
int PowerSegments(uint16_t value, uint16_t fullScale); // value x 30 div full scale
int SwrSegments(uint16_t swr100);                      // (s - 100) x 30 div 300, signed

// --- Bar geometry (x relative to the cell's left edge, insets from its top and bottom) -----------------

struct BarCell {
    int x0 = 0, x1 = 0; // from x0 to x1 (2 pixels wide)
    int inset = 0;      // pixels inside the top and bottom edges
    uint32_t rgb = 0;   // 0xRRGGBB
};
constexpr int TickLength = 2;
// Tick marks at 40, 80, ... up to 360 (test points) or 520 (gain bar) pixels from the left edge.
constexpr int TestPointTickEnd = 360;
constexpr int GainTickEnd = 520;
constexpr int GainBarCells = 123;
// Cell a (1-based) of a bar: x from 4a - 2 to 4a.
inline int BarCellX0(int a) {
    return 4 * a - 2;
}
inline int BarCellX1(int a) {
    return 4 * a;
}
// The test-point bar: cell a = 1..meter, 3 pixels inside, coloured by (a - 1) div 10.
BarCell TestPointBarCell(int a);
uint32_t TestPointBarColour(int a);
// The gain bar: 123 cells, the first g blue, then adc red, then agc gray (5 pixels inside), the rest
// dark green (3 pixels inside).
BarCell GainBarCell(int a, int g, int adc, int agc);

// --- The monitor's records and texts ---------------------------------------------------------------------

struct TestPointRecord {
    int ID = 0;
    std::string NAME, HEX = "0000", PERCENT = "0.00";
    int DB = 0, METER = 0, MIN = 0, MAX = 0, DIFF = 0, DBPEAK = 0;
};

struct GainRecord {
    int ID = 0;
    int METER = 0, GAIN = 0, ADCDB = 0, AGCDB = 0;
};

// Everything the monitor shows, as the last decoded record left it.
struct MonitorDisplay {
    bool transmitting = false; // RzPanel_RT visible
    // S-meter
    std::string ss;                 // RzLabel_ss
    bool showSUnits = true;         // RzLabel_S1, S5, S9
    std::string s930 = "S9 + 30dB"; // RzLabel_S930
    bool hang = false, spike = false;
    int smeter = 0; // RzMeter_Smeter segments
    // Test points
    std::array<TestPointRecord, TelemetryTestPoints> points;
    // Gain chain
    std::string ad603, dac, ad603gain, adc, agc, gainLeft, gainRight;
    bool showGain = true; // RzLabel_GainLeft, RzLabel_GainRight and the gain grid
    GainRecord gain;
    // Power meters
    int fwd = 0, ref = 0, swr = 0;
};

// The monitor's state across records: the displays and the running extremes of each row's dB value.
class DspMonitor {
public:
    DspMonitor(); // rows by their receive names, extremes reset

    // PeakMax := 0, PeakMin := 90 for all rows.
    void ZeroMaxMin();
    // Decodes a record into the displays: S-meter, test points, gain chain, power meters.
    const MonitorDisplay& Update(const DspTelemetry& t, const Ad603Table& table, const PowerScale& scale);

    const MonitorDisplay& display() const { return d_; }
    const std::array<uint8_t, TelemetryTestPoints>& PeakMax() const { return peakMax_; }
    const std::array<uint8_t, TelemetryTestPoints>& PeakMin() const { return peakMin_; }

private:
    MonitorDisplay d_;
    std::array<uint8_t, TelemetryTestPoints> peakMax_{}, peakMin_{};
};

} // namespace tarnix
