#include "dsp/DspTelemetry.h"

#include "base/ByteOrder.h"
#include "base/Pacer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tarnix {

namespace {

// Where each row of the test-point table finds its level in the record.
constexpr std::array<size_t, TelemetryTestPoints> levelOffsets{2, 17, 7, 9, 13, 15, 11, 5};

constexpr std::array<const char*, TelemetryTestPoints> receiveNames{
    "Rx input",          "Noise blank",     "After filter",   "After AGC",
    "Auto notch output", "Denoiser output", "Before AF gain", "Rx AF out"};
constexpr std::array<const char*, TelemetryTestPoints> transmitNames{
    "Mic input",   "After decimation",  "After noise gate", "After filter",
    "After VOGAD", "After compression", "Tx monitor out",   "Tx IF out"};

// Colours of the test-point bar by tens of dB.
constexpr std::array<uint32_t, 10> barColours{
    0x808080, // gray
    0x808000, // olive
    0x008080, // teal
    0x800000, // maroon
    0x000080, // navy
    0x800080, // purple
    0x008000, // green
    0x0000FF, // blue
    0xFF0000, // red
    0xFF0000, // red
};

constexpr uint32_t gainBlue = 0x0000FF, gainRed = 0xFF0000, gainGray = 0x808080, gainGreen = 0x008000;

// The dB scale of the levels: 20 log10 as 20 / ln 10 times the natural logarithm.
constexpr double dbPerNeper = 8.685889638;

} // namespace

// --- The record ------------------------------------------------------------------------------------------

size_t TestPointLevelOffset(int row) {
    return levelOffsets.at(static_cast<size_t>(row - 1));
}

uint16_t DspTelemetry::level(int row) const {
    return be16(&Telemetry[TestPointLevelOffset(row)]);
}

uint16_t DspTelemetry::barValue() const {
    return static_cast<uint16_t>(((Telemetry[21] & 0x0F) << 8) | Telemetry[22]);
}

uint16_t DspTelemetry::forward() const {
    return le16(&Telemetry[24]);
}
uint16_t DspTelemetry::reflected() const {
    return le16(&Telemetry[26]);
}
uint16_t DspTelemetry::swr100() const {
    return le16(&Telemetry[28]);
}

bool DecodeUsbTelemetry(const uint8_t* reply, size_t n, DspTelemetry& t) {
    if (reply == nullptr || n != TelemetryBytes)
        return false;
    std::copy(reply, reply + TelemetryBytes, t.Telemetry.begin());
    return true;
}

void DecodeSerialTelemetry(const std::array<uint8_t, TelemetrySerialBody>& body, DspTelemetry& t) {
    t.Telemetry[0] = TelemetrySyncByte;
    t.Telemetry[1] = TelemetrySyncByte;
    std::copy(body.begin(), body.end(), t.Telemetry.begin() + 2);
}

namespace {

// One frame: skip bytes up to a "~", the next must be "~" too, then the 22 bytes of the body.
SerialTelemetryResult readOneFrame(TelemetryByteSource& line, DspTelemetry& t,
                                   const SerialTelemetryLimits& limits) {
    uint8_t b = 0;
    for (size_t skipped = 0;; ++skipped) {
        const int timeout = skipped == 0 ? limits.startTimeoutMs : limits.byteTimeoutMs;
        if (skipped > limits.maxSkipped || !line.readByte(b, timeout))
            return SerialTelemetryResult::NoStart;
        if (b == TelemetrySyncByte)
            break;
    }
    if (!line.readByte(b, limits.byteTimeoutMs))
        return SerialTelemetryResult::Truncated;
    if (b != TelemetrySyncByte)
        return SerialTelemetryResult::NoSync;
    std::array<uint8_t, TelemetrySerialBody> body{};
    for (uint8_t& x : body)
        if (!line.readByte(x, limits.byteTimeoutMs))
            return SerialTelemetryResult::Truncated;
    DecodeSerialTelemetry(body, t);
    return SerialTelemetryResult::Frame;
}

} // namespace

SerialTelemetryResult ReadTelemetrySerial(TelemetryByteSource& line, DspTelemetry& t,
                                          const SerialTelemetryLimits& limits) {
    pumpMessages();
    // A DSP that streams faster than we poll leaves older frames waiting. Keep the last two frames'
    // worth and read on while whole frames are waiting, so the meters show the newest record instead
    // of falling further behind with every poll.
    const size_t waiting = line.available();
    if (waiting > limits.keepWaiting)
        line.discard(waiting - limits.keepWaiting);
    constexpr size_t frameBytes = TelemetrySerialBody + 2;
    SerialTelemetryResult result = readOneFrame(line, t, limits);
    for (int more = 0; more < 3 && line.available() >= frameBytes; ++more) {
        const SerialTelemetryResult next = readOneFrame(line, t, limits);
        if (result != SerialTelemetryResult::Frame)
            result = next;
    }
    return result;
}

// --- Power scale -------------------------------------------------------------------------------------------

bool DecodePowerScale(const uint8_t* reply, size_t n, PowerScale& scale) {
    if (reply == nullptr || n != 4) {
        scale = DefaultPowerScale;
        return false;
    }
    scale.FwdFullScale = le16(reply);
    scale.RefFullScale = le16(reply + 2);
    return true;
}

std::array<std::string, 3> PowerScaleLabels(uint16_t fullScale) {
    switch (fullScale) {
    case 75:
        return {"2.5", "5.0", "7.5"};
    case 150:
        return {"5", "10", "15"};
    case 300:
        return {"10", "20", "30"};
    case 750:
        return {"25", "50", "75"};
    default:
        return {"50", "100", "150"};
    }
}

// --- Display computations ------------------------------------------------------------------------------

int RoundHalfEven(double v) {
    return static_cast<int>(std::nearbyint(v)); // the default rounding mode rounds halves to even
}

std::string SmeterText(uint8_t n) {
    std::string s = std::to_string(n) + "dB/S0  =  S" + std::to_string(std::min<int>(n, 59) / 6);
    if (n >= 60)
        s += "+" + std::to_string((n - 54) / 10 * 10) + "dB";
    return s;
}

int SmeterSegments(uint16_t barValue) {
    int bits = 0;
    for (unsigned v = barValue & 0x0FFFu; v != 0; v >>= 1)
        ++bits;
    return bits;
}

int LevelDb(uint16_t w) {
    if (w == 0)
        return 0;
    return 90 - RoundHalfEven(dbPerNeper * std::log(32768.0 / w));
}

std::string LevelHex(uint16_t w) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", static_cast<unsigned>(w));
    return buf;
}

std::string LevelPercent(uint16_t w) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%.2f", w / 32768.0);
    return buf;
}

const char* TestPointName(int row, bool transmitting) {
    const size_t i = static_cast<size_t>(row - 1);
    return transmitting ? transmitNames.at(i) : receiveNames.at(i);
}

int AgcGainDb(uint8_t gainByte) {
    return std::clamp(gainByte - 28, 0, 72);
}

int AdcGainDb(uint8_t adcSteps) {
    return RoundHalfEven(adcSteps * 1.5);
}

GainChain ComputeGainChain(const DspTelemetry& t, const Ad603Table& table) {
    GainChain g;
    const uint8_t c = t.dacCode();
    const auto it = std::find_if(table.begin(), table.end(), [c](uint8_t e) { return e >= c; });
    g.g = it == table.end() ? 0 : static_cast<int>(it - table.begin());
    g.adc = AdcGainDb(t.adcSteps());
    g.agc = AgcGainDb(t.gainByte());
    g.total = (g.adc + g.g + g.agc) & 0xFF;
    return g;
}

int PowerSegments(uint16_t value, uint16_t fullScale) {
    if (fullScale == 0)
        return 0;
    return static_cast<int>(value) * 30 / fullScale;
}

int SwrSegments(uint16_t swr100) {
    return (static_cast<int>(swr100) - 100) * 30 / 300;
}

// --- Bar geometry ---------------------------------------------------------------------------------------

uint32_t TestPointBarColour(int a) {
    const int band = std::clamp((a - 1) / 10, 0, static_cast<int>(barColours.size()) - 1);
    return barColours[static_cast<size_t>(band)];
}

BarCell TestPointBarCell(int a) {
    return {BarCellX0(a), BarCellX1(a), 3, TestPointBarColour(a)};
}

BarCell GainBarCell(int a, int g, int adc, int agc) {
    if (a <= g)
        return {BarCellX0(a), BarCellX1(a), 5, gainBlue};
    if (a <= g + adc)
        return {BarCellX0(a), BarCellX1(a), 5, gainRed};
    if (a <= g + adc + agc)
        return {BarCellX0(a), BarCellX1(a), 5, gainGray};
    return {BarCellX0(a), BarCellX1(a), 3, gainGreen};
}

// --- The monitor ------------------------------------------------------------------------------------------

DspMonitor::DspMonitor() {
    for (int row = 1; row <= TelemetryTestPoints; ++row) {
        TestPointRecord& r = d_.points[static_cast<size_t>(row - 1)];
        r.ID = row;
        r.NAME = TestPointName(row, false);
    }
    ZeroMaxMin();
}

void DspMonitor::ZeroMaxMin() {
    peakMax_.fill(0);
    peakMin_.fill(90);
}

const MonitorDisplay& DspMonitor::Update(const DspTelemetry& t, const Ad603Table& table,
                                         const PowerScale& scale) {
    const bool tx = t.transmitting();
    d_.transmitting = tx;

    // S-meter
    if (tx) {
        d_.ss.clear();
        d_.showSUnits = false;
        d_.s930 = "Tx out";
    } else {
        d_.ss = SmeterText(t.smeterDb());
        d_.showSUnits = true;
        d_.s930 = "S9 + 30dB";
    }
    d_.hang = t.agcHang() && !tx;
    d_.spike = t.spike() && !tx;
    d_.smeter = SmeterSegments(t.barValue());

    // Test points
    for (int row = 1; row <= TelemetryTestPoints; ++row) {
        const size_t i = static_cast<size_t>(row - 1);
        const uint16_t w = t.level(row);
        const int db = LevelDb(w);
        peakMax_[i] = static_cast<uint8_t>(std::max<int>(peakMax_[i], db));
        peakMin_[i] = static_cast<uint8_t>(std::min<int>(peakMin_[i], db));
        TestPointRecord& r = d_.points[i];
        r.NAME = TestPointName(row, tx);
        r.HEX = LevelHex(w);
        r.PERCENT = LevelPercent(w);
        r.DB = db;
        r.METER = db;
        r.MIN = peakMin_[i];
        r.MAX = peakMax_[i];
        r.DIFF = r.MAX - r.MIN;
        r.DBPEAK = db;
    }

    // Gain chain
    if (tx) {
        d_.dac.clear();
        d_.ad603.clear();
        d_.adc.clear();
        d_.agc.clear();
        d_.ad603gain = "VOGAD gain " + std::to_string(t.gainByte() - 64) + "dB";
        d_.showGain = false;
    } else {
        const GainChain g = ComputeGainChain(t, table);
        d_.ad603 = "AD603";
        d_.dac = "dac " + std::to_string(63 - t.dacCode());
        d_.ad603gain = "AD603 gain " + std::to_string(g.g) + "dB";
        d_.adc = "ADC " + std::to_string(g.adc) + "dB";
        d_.agc = "AGC " + std::to_string(g.agc) + "dB";
        d_.gainLeft = "Gain " + std::to_string(g.total) + "dB";
        d_.gainRight = std::to_string(123 - g.total) + "dB";
        d_.showGain = true;
        d_.gain = {0, g.total, g.g, g.adc, g.agc};
    }

    // Power meters
    if (tx) {
        d_.fwd = PowerSegments(t.forward(), scale.FwdFullScale);
        d_.ref = PowerSegments(t.reflected(), scale.RefFullScale);
        d_.swr = SwrSegments(t.swr100());
    } else {
        d_.fwd = d_.ref = d_.swr = 0;
    }
    return d_;
}

} // namespace tarnix
