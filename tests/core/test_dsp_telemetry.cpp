#include "base/ByteOrder.h"
#include "dsp/DspTelemetry.h"
#include "sim/SimTelemetry.h"

#include <gtest/gtest.h>

#include <deque>
#include <numeric>
#include <vector>

using namespace tarnix;

namespace {

// An AD603 table rising by 1 from code 10: gain i dB at code 10 + i.
Ad603Table risingTable() {
    Ad603Table t{};
    for (size_t i = 0; i < t.size(); ++i)
        t[i] = static_cast<uint8_t>(10 + i);
    return t;
}

DspTelemetry receiveRecord() {
    DspTelemetry t;
    t.Telemetry[4] = 0; // receive
    return t;
}

DspTelemetry transmitRecord() {
    DspTelemetry t;
    t.Telemetry[4] = 0x80;
    return t;
}

// The serial line as a queue of bytes that have arrived; reads past the end time out.
class ByteLine : public TelemetryByteSource {
public:
    explicit ByteLine(std::vector<uint8_t> bytes) : bytes_(bytes.begin(), bytes.end()) {}
    bool readByte(uint8_t& b, int timeoutMs) override {
        if (bytes_.empty()) {
            waitedMs += timeoutMs;
            return false;
        }
        b = bytes_.front();
        bytes_.pop_front();
        ++reads;
        return true;
    }
    size_t available() override { return bytes_.size(); }
    void discard(size_t n) override {
        n = std::min(n, bytes_.size());
        bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<long>(n));
        discarded += n;
    }
    size_t left() const { return bytes_.size(); }
    int waitedMs = 0;
    size_t reads = 0, discarded = 0;

private:
    std::deque<uint8_t> bytes_;
};

std::vector<uint8_t> frame(uint8_t fill) {
    std::vector<uint8_t> f{'~', '~'};
    for (int i = 0; i < 22; ++i)
        f.push_back(static_cast<uint8_t>(fill + i));
    return f;
}

} // namespace

TEST(DspTelemetryDisplay, SmeterTexts) {
    struct Case {
        uint8_t n;
        const char* text;
    } cases[] = {
        {70, "70dB/S0  =  S9+10dB"},    {59, "59dB/S0  =  S9"},      {0, "0dB/S0  =  S0"},
        {60, "60dB/S0  =  S9+0dB"},     {84, "84dB/S0  =  S9+30dB"}, {6, "6dB/S0  =  S1"},
        {255, "255dB/S0  =  S9+200dB"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SmeterText(c.n), c.text) << int(c.n);
}

TEST(DspTelemetryDisplay, SmeterSegmentsAreSignificantBitsOfTheBarValue) {
    struct Case {
        uint16_t bar;
        int segments;
    } cases[] = {{0x800, 12}, {1, 1}, {0, 0}, {0xFFF, 12}, {0x7FF, 11}, {0x100, 9}};
    for (const Case& c : cases)
        EXPECT_EQ(SmeterSegments(c.bar), c.segments) << c.bar;

    // The bar value is the low nibble of byte 21 and byte 22; the ADC nibble does not leak into it.
    DspTelemetry t;
    t.Telemetry[21] = 0xF8;
    t.Telemetry[22] = 0x00;
    EXPECT_EQ(t.barValue(), 0x800);
    EXPECT_EQ(t.adcSteps(), 15);
}

TEST(DspTelemetryDisplay, LevelsInDbHexAndPercent) {
    struct Case {
        uint16_t w;
        int db;
        const char* hex;
        const char* percent;
    } cases[] = {
        {32768, 90, "8000", "1.00"}, {16384, 84, "4000", "0.50"}, {0, 0, "0000", "0.00"},
        {1, 0, "0001", "0.00"},      {65535, 96, "FFFF", "2.00"}, {3277, 70, "0CCD", "0.10"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LevelDb(c.w), c.db) << c.w;
        EXPECT_EQ(LevelHex(c.w), c.hex) << c.w;
        EXPECT_EQ(LevelPercent(c.w), c.percent) << c.w;
    }
    // Halves go to the even neighbour.
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
}

TEST(DspTelemetryDisplay, TestPointRowsTakeTheirLevelsFromTheirBytes) {
    DspTelemetry t;
    // Give each row's level bytes the row number as level.
    for (int row = 1; row <= 8; ++row)
        putBe16(&t.Telemetry[TestPointLevelOffset(row)], static_cast<uint16_t>(0x100 * row + row));
    for (int row = 1; row <= 8; ++row)
        EXPECT_EQ(t.level(row), 0x100 * row + row);
    const size_t expected[] = {2, 17, 7, 9, 13, 15, 11, 5};
    for (int row = 1; row <= 8; ++row)
        EXPECT_EQ(TestPointLevelOffset(row), expected[row - 1]);
    EXPECT_STREQ(TestPointName(1, false), "Rx input");
    EXPECT_STREQ(TestPointName(1, true), "Mic input");
    EXPECT_STREQ(TestPointName(8, false), "Rx AF out");
    EXPECT_STREQ(TestPointName(8, true), "Tx IF out");
}

TEST(DspTelemetryDisplay, GainChain) {
    const Ad603Table table = risingTable();
    struct Case {
        uint8_t gainByte, dac, adcNibble;
        int g, adc, agc, total;
    } cases[] = {
        {20, 10, 0, 0, 0, 0, 0},        // AGC below its floor gives 0 dB
        {120, 10, 0, 0, 0, 72, 72},     // and is limited to 72
        {28, 25, 3, 15, 4, 0, 19},      // 3 x 1.5 = 4.5 rounds to 4
        {50, 63, 5, 0, 8, 22, 30},      // no entry reaches code 63: gain 0; 7.5 rounds to 8
        {100, 51, 15, 41, 22, 72, 135}, // the longest chain
    };
    for (const Case& c : cases) {
        DspTelemetry t = receiveRecord();
        t.Telemetry[4] = c.dac;
        t.Telemetry[21] = static_cast<uint8_t>(c.adcNibble << 4);
        t.Telemetry[23] = c.gainByte;
        const GainChain g = ComputeGainChain(t, table);
        EXPECT_EQ(g.g, c.g) << int(c.gainByte);
        EXPECT_EQ(g.adc, c.adc) << int(c.gainByte);
        EXPECT_EQ(g.agc, c.agc) << int(c.gainByte);
        EXPECT_EQ(g.total, c.total) << int(c.gainByte);
    }
}

TEST(DspTelemetryDisplay, PowerAndSwrSegments) {
    EXPECT_EQ(SwrSegments(150), 5);
    EXPECT_EQ(SwrSegments(100), 0);
    EXPECT_EQ(SwrSegments(400), 30);
    EXPECT_EQ(SwrSegments(50), -5); // below 1.0: the meter shows it as 0
    EXPECT_EQ(PowerSegments(70, 140), 15);
    EXPECT_EQ(PowerSegments(140, 140), 30);
    EXPECT_EQ(PowerSegments(65535, 20), 98302); // over full scale: the meter caps it
    // A full scale of 0 leaves the meter at 0 instead of dividing by it.
    EXPECT_EQ(PowerSegments(100, 0), 0);
    EXPECT_EQ(PowerSegments(0, 0), 0);
}

TEST(DspTelemetryDisplay, PowerScaleReplyAndLabels) {
    PowerScale s;
    const uint8_t reply[] = {0x96, 0x00, 0x4B, 0x00};
    EXPECT_TRUE(DecodePowerScale(reply, 4, s));
    EXPECT_EQ(s.FwdFullScale, 150);
    EXPECT_EQ(s.RefFullScale, 75);
    // A short reply falls back to 140 and 20.
    EXPECT_FALSE(DecodePowerScale(reply, 3, s));
    EXPECT_EQ(s.FwdFullScale, 140);
    EXPECT_EQ(s.RefFullScale, 20);

    using L = std::array<std::string, 3>;
    EXPECT_EQ(PowerScaleLabels(75), (L{"2.5", "5.0", "7.5"}));
    EXPECT_EQ(PowerScaleLabels(150), (L{"5", "10", "15"}));
    EXPECT_EQ(PowerScaleLabels(300), (L{"10", "20", "30"}));
    EXPECT_EQ(PowerScaleLabels(750), (L{"25", "50", "75"}));
    EXPECT_EQ(PowerScaleLabels(1500), (L{"50", "100", "150"}));
    EXPECT_EQ(PowerScaleLabels(140), (L{"50", "100", "150"}));
    EXPECT_EQ(PowerScaleLabels(0), (L{"50", "100", "150"}));
}

TEST(DspTelemetryDisplay, BarGeometry) {
    // Test-point bar: cell a from 4a - 2 to 4a, 3 pixels inside, coloured by tens.
    const BarCell first = TestPointBarCell(1);
    EXPECT_EQ(first.x0, 2);
    EXPECT_EQ(first.x1, 4);
    EXPECT_EQ(first.inset, 3);
    EXPECT_EQ(first.rgb, 0x808080u); // gray
    const std::pair<int, uint32_t> colours[] = {
        {10, 0x808080}, {11, 0x808000}, {21, 0x008080}, {31, 0x800000}, {41, 0x000080}, {51, 0x800080},
        {61, 0x008000}, {71, 0x0000FF}, {81, 0xFF0000}, {91, 0xFF0000}, {96, 0xFF0000}};
    for (auto [a, rgb] : colours)
        EXPECT_EQ(TestPointBarColour(a), rgb) << a;

    // Gain bar: g blue, adc red, agc gray, 5 pixels inside; the rest dark green, 3 inside.
    const int g = 2, adc = 3, agc = 1;
    const uint32_t expected[] = {0x0000FF, 0x0000FF, 0xFF0000, 0xFF0000, 0xFF0000, 0x808080, 0x008000};
    for (int a = 1; a <= 7; ++a) {
        const BarCell c = GainBarCell(a, g, adc, agc);
        EXPECT_EQ(c.rgb, expected[a - 1]) << a;
        EXPECT_EQ(c.inset, a <= 6 ? 5 : 3) << a;
        EXPECT_EQ(c.x0, 4 * a - 2);
        EXPECT_EQ(c.x1, 4 * a);
    }
    EXPECT_EQ(GainBarCell(GainBarCells, 0, 0, 0).x1, 492);
}

TEST(DspMonitor, ReceiveRecordFillsEveryDisplay) {
    DspMonitor m;
    // Opening state: receive names, zero levels.
    EXPECT_EQ(m.display().points[0].NAME, "Rx input");
    EXPECT_EQ(m.display().points[0].HEX, "0000");
    EXPECT_EQ(m.display().points[0].PERCENT, "0.00");
    EXPECT_EQ(m.PeakMin()[0], 90);

    DspTelemetry t = receiveRecord();
    t.Telemetry[4] = 0x40 | 25; // hang, DAC code 25
    putBe16(&t.Telemetry[2], 32768);
    putBe16(&t.Telemetry[5], 16384);
    t.Telemetry[19] = 70;
    t.Telemetry[20] = 1;
    t.Telemetry[21] = 0x38; // ADC 3 steps, bar high nibble 8
    t.Telemetry[22] = 0x00;
    t.Telemetry[23] = 48; // AGC 20 dB
    putLe16(&t.Telemetry[24], 100);
    const MonitorDisplay& d = m.Update(t, risingTable(), DefaultPowerScale);
    EXPECT_FALSE(d.transmitting);
    EXPECT_EQ(d.ss, "70dB/S0  =  S9+10dB");
    EXPECT_TRUE(d.showSUnits);
    EXPECT_EQ(d.s930, "S9 + 30dB");
    EXPECT_TRUE(d.hang);
    EXPECT_TRUE(d.spike);
    EXPECT_EQ(d.smeter, 12);
    EXPECT_EQ(d.points[0].DB, 90);
    EXPECT_EQ(d.points[0].PERCENT, "1.00");
    EXPECT_EQ(d.points[7].DB, 84);
    EXPECT_EQ(d.points[7].HEX, "4000");
    EXPECT_EQ(d.points[1].DB, 0);
    EXPECT_EQ(d.ad603, "AD603");
    EXPECT_EQ(d.dac, "dac 38");
    EXPECT_EQ(d.ad603gain, "AD603 gain 15dB");
    EXPECT_EQ(d.adc, "ADC 4dB");
    EXPECT_EQ(d.agc, "AGC 20dB");
    EXPECT_EQ(d.gainLeft, "Gain 39dB");
    EXPECT_EQ(d.gainRight, "84dB");
    EXPECT_TRUE(d.showGain);
    EXPECT_EQ(d.gain.METER, 39);
    EXPECT_EQ(d.gain.GAIN, 15);
    // Receive: the power meters rest whatever the record says.
    EXPECT_EQ(d.fwd, 0);
    EXPECT_EQ(d.swr, 0);
}

TEST(DspMonitor, TransmitRecord) {
    DspMonitor m;
    DspTelemetry t = transmitRecord();
    t.Telemetry[4] |= 0x40; // hang bit ignored in transmit
    t.Telemetry[20] = 1;
    t.Telemetry[23] = 70;
    putLe16(&t.Telemetry[24], 70);
    putLe16(&t.Telemetry[26], 10);
    putLe16(&t.Telemetry[28], 150);
    const MonitorDisplay& d = m.Update(t, risingTable(), DefaultPowerScale);
    EXPECT_TRUE(d.transmitting);
    EXPECT_EQ(d.ss, "");
    EXPECT_FALSE(d.showSUnits);
    EXPECT_EQ(d.s930, "Tx out");
    EXPECT_FALSE(d.hang);
    EXPECT_FALSE(d.spike);
    EXPECT_EQ(d.points[0].NAME, "Mic input");
    EXPECT_EQ(d.points[7].NAME, "Tx IF out");
    EXPECT_EQ(d.ad603gain, "VOGAD gain 6dB");
    EXPECT_EQ(d.dac, "");
    EXPECT_EQ(d.agc, "");
    EXPECT_FALSE(d.showGain);
    EXPECT_EQ(d.fwd, 15);
    EXPECT_EQ(d.ref, 15);
    EXPECT_EQ(d.swr, 5);

    // A VOGAD byte below 64 gives a negative gain; a zero full scale keeps its meter at 0.
    t.Telemetry[23] = 60;
    const MonitorDisplay& d2 = m.Update(t, risingTable(), PowerScale{0, 0});
    EXPECT_EQ(d2.ad603gain, "VOGAD gain -4dB");
    EXPECT_EQ(d2.fwd, 0);
    EXPECT_EQ(d2.ref, 0);
}

TEST(DspMonitor, ExtremesRunAndZero) {
    DspMonitor m;
    DspTelemetry t = receiveRecord();
    const Ad603Table table = risingTable();
    for (uint16_t w : {16384, 32768, 3277}) {
        putBe16(&t.Telemetry[2], w);
        m.Update(t, table, DefaultPowerScale);
    }
    const TestPointRecord& r = m.display().points[0];
    EXPECT_EQ(r.DB, 70);
    EXPECT_EQ(r.MAX, 90);
    EXPECT_EQ(r.MIN, 70);
    EXPECT_EQ(r.DIFF, 20);
    // A level of 0 counts as 0 dB in the minimum.
    EXPECT_EQ(m.display().points[1].MIN, 0);

    m.ZeroMaxMin();
    EXPECT_EQ(m.PeakMax()[0], 0);
    EXPECT_EQ(m.PeakMin()[0], 90);
    m.Update(t, table, DefaultPowerScale);
    EXPECT_EQ(m.display().points[0].MAX, 70);
    EXPECT_EQ(m.display().points[0].MIN, 70);
    EXPECT_EQ(m.display().points[0].DIFF, 0);
}

TEST(DspTelemetryRecord, UsbReplyMustBeWhole) {
    DspTelemetry t;
    t.Telemetry[19] = 33;
    std::array<uint8_t, 30> reply{};
    reply[19] = 70;
    EXPECT_FALSE(DecodeUsbTelemetry(reply.data(), 29, t));
    EXPECT_EQ(t.Telemetry[19], 33);
    EXPECT_TRUE(DecodeUsbTelemetry(reply.data(), 30, t));
    EXPECT_EQ(t.Telemetry[19], 70);
}

TEST(DspTelemetryRecord, SerialFrameKeepsThePowerBytes) {
    DspTelemetry t;
    putLe16(&t.Telemetry[24], 77);
    std::array<uint8_t, TelemetrySerialBody> body{};
    std::iota(body.begin(), body.end(), uint8_t{1});
    DecodeSerialTelemetry(body, t);
    EXPECT_EQ(t.Telemetry[2], 1);
    EXPECT_EQ(t.Telemetry[23], 22);
    EXPECT_EQ(t.forward(), 77);
}

TEST(DspTelemetrySerial, FindsTheFrameAfterNoise) {
    std::vector<uint8_t> bytes{0x00, 0x41, 0x13};
    const auto f = frame(0x30);
    bytes.insert(bytes.end(), f.begin(), f.end());
    ByteLine line(bytes);
    DspTelemetry t;
    EXPECT_EQ(ReadTelemetrySerial(line, t), SerialTelemetryResult::Frame);
    EXPECT_EQ(t.Telemetry[2], 0x30);
    EXPECT_EQ(t.Telemetry[23], 0x30 + 21);
    EXPECT_EQ(line.left(), 0u);
}

TEST(DspTelemetrySerial, FailuresLeaveTheRecordAlone) {
    struct Case {
        std::vector<uint8_t> bytes;
        SerialTelemetryResult result;
    } cases[] = {
        {{}, SerialTelemetryResult::NoStart},                             // silent DSP
        {{'~', 'x', 1, 2, 3}, SerialTelemetryResult::NoSync},             // second byte not "~"
        {{'~', '~', 1, 2, 3}, SerialTelemetryResult::Truncated},          // frame cut short
        {std::vector<uint8_t>(40, 0x55), SerialTelemetryResult::NoStart}, // noise without "~"
    };
    for (const Case& c : cases) {
        ByteLine line(c.bytes);
        DspTelemetry t;
        t.Telemetry[2] = 0xAB;
        EXPECT_EQ(ReadTelemetrySerial(line, t), c.result) << c.bytes.size();
        EXPECT_EQ(t.Telemetry[2], 0xAB);
    }
}

TEST(DspTelemetrySerial, TheHuntIsBounded) {
    // A silent line costs one start time-out, not an endless wait.
    ByteLine silent({});
    DspTelemetry t;
    SerialTelemetryLimits limits;
    EXPECT_EQ(ReadTelemetrySerial(silent, t, limits), SerialTelemetryResult::NoStart);
    EXPECT_EQ(silent.waitedMs, limits.startTimeoutMs);

    // A line that arrives byte by byte (nothing waiting at the start) with endless noise: the reader
    // gives up after maxSkipped bytes. (Nothing is waiting, so nothing counts as stale.)
    class NoisyLine : public TelemetryByteSource {
    public:
        bool readByte(uint8_t& b, int) override {
            b = 0x55;
            ++reads;
            return true;
        }
        size_t available() override { return 0; }
        void discard(size_t) override {}
        size_t reads = 0;
    } noisy;
    EXPECT_EQ(ReadTelemetrySerial(noisy, t, limits), SerialTelemetryResult::NoStart);
    EXPECT_EQ(noisy.reads, limits.maxSkipped + 1);
}

TEST(DspTelemetrySerial, StaleFramesAreSkippedForTheNewest) {
    std::vector<uint8_t> bytes;
    for (uint8_t fill : {0x10, 0x20, 0x30, 0x40}) {
        const auto f = frame(fill);
        bytes.insert(bytes.end(), f.begin(), f.end());
    }
    ByteLine line(bytes);
    DspTelemetry t;
    EXPECT_EQ(ReadTelemetrySerial(line, t), SerialTelemetryResult::Frame);
    EXPECT_EQ(t.Telemetry[2], 0x40);
    EXPECT_EQ(line.left(), 0u);
}

TEST(SimTelemetry, MovesAndStaysDecodable) {
    const Ad603Table table = risingTable();
    DspMonitor m;
    std::vector<int> smeter, fwd;
    bool sawHang = false, sawSpike = false, sawStrong = false;
    for (int i = 0; i < 200; ++i) {
        DspTelemetry t;
        const auto r = SimTelemetryRecord(i * 180.0, false);
        ASSERT_TRUE(DecodeUsbTelemetry(r.data(), r.size(), t));
        const MonitorDisplay& d = m.Update(t, table, DefaultPowerScale);
        EXPECT_FALSE(d.transmitting);
        EXPECT_LE(t.smeterDb(), 90);
        EXPECT_LE(d.gain.AGCDB, 72);
        smeter.push_back(d.smeter);
        sawHang |= d.hang;
        sawSpike |= d.spike;
        sawStrong |= t.smeterDb() >= 60;
    }
    EXPECT_TRUE(sawHang);
    EXPECT_TRUE(sawSpike);
    EXPECT_TRUE(sawStrong);
    const auto [lo, hi] = std::minmax_element(smeter.begin(), smeter.end());
    EXPECT_GE(*hi - *lo, 4) << "the S-meter should move";

    for (int i = 0; i < 100; ++i) {
        DspTelemetry t;
        const auto r = SimTelemetryRecord(i * 180.0, true);
        DecodeUsbTelemetry(r.data(), r.size(), t);
        const MonitorDisplay& d = m.Update(t, table, PowerScale{150, 75});
        EXPECT_TRUE(d.transmitting);
        EXPECT_GE(d.swr, 0);
        EXPECT_LE(d.fwd, 30);
        fwd.push_back(d.fwd);
    }
    const auto [flo, fhi] = std::minmax_element(fwd.begin(), fwd.end());
    EXPECT_GE(*fhi - *flo, 10) << "the power should follow the voice";

    // The serial body is bytes 2..23 of the same record.
    const auto r = SimTelemetryRecord(1234, false);
    const auto body = SimTelemetryBody(1234, false);
    EXPECT_TRUE(std::equal(body.begin(), body.end(), r.begin() + 2));
}
