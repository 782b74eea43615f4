#include "sim/SimTelemetry.h"

#include "base/ByteOrder.h"

#include <algorithm>
#include <cmath>

namespace tarnix {

namespace {

constexpr double twoPi = 6.283185307179586;

// A little deterministic jitter, changing every 60 ms: -1..1.
double jitter(double nowMs, unsigned salt) {
    uint32_t x = static_cast<uint32_t>(nowMs / 60.0) * 2654435761u + salt * 40503u;
    x ^= x >> 13;
    x *= 0x5bd1e995u;
    x ^= x >> 15;
    return (x % 2001u) / 1000.0 - 1.0;
}

// The received station in dB above S0: a slow fade, a faster flutter, and every 13 s a strong burst.
double stationDb(double tS) {
    double db = 32 + 22 * std::sin(twoPi * tS / 7.0) + 6 * std::sin(twoPi * tS / 1.3);
    const double burst = std::fmod(tS, 13.0);
    if (burst > 9.5 && burst < 11.5)
        db += 40;
    return std::clamp(db, 0.0, 90.0);
}

// A voice: syllables three times a second, phrases every few seconds, short pauses between words.
double voiceEnvelope(double tS) {
    const double syllable = std::max(0.0, std::sin(twoPi * tS * 3.1));
    const double phrase = 0.6 + 0.4 * std::sin(twoPi * tS * 0.37);
    return std::fmod(tS, 4.0) > 3.4 ? 0.0 : syllable * phrase;
}

// The level word of a test point at d dB (90 dB is full scale 32768).
uint16_t levelAt(double d) {
    if (d <= 0)
        return 0;
    const double w = 32768.0 * std::pow(10.0, (d - 90.0) / 20.0);
    return static_cast<uint16_t>(std::clamp(std::lround(w), 1L, 65535L));
}

void putLevel(std::array<uint8_t, 30>& r, size_t offset, double d) {
    putBe16(&r[offset], levelAt(d));
}

uint8_t toByte(double v) {
    return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

} // namespace

std::array<uint8_t, 30> SimTelemetryRecord(double nowMs, bool transmitting) {
    std::array<uint8_t, 30> r{};
    r[0] = r[1] = '~';
    const double tS = nowMs / 1000.0;

    if (!transmitting) {
        const double s = std::clamp(stationDb(tS) + 2 * jitter(nowMs, 1), 0.0, 90.0);
        // The AGC holds the audio steady: the stronger the station, the less gain it gives.
        const double agcDb = std::clamp(72.0 - 0.85 * s, 0.0, 72.0);
        const int adcSteps = std::clamp(9 - static_cast<int>(s / 12), 0, 15);
        // The AD603 gives less gain to a strong station: a lower DAC code.
        const int dac = std::clamp(62 - static_cast<int>(s * 0.35), 0, 63);
        // The AGC hangs while the station falls away.
        const bool hang = stationDb(tS) + 3 < stationDb(tS - 0.4);
        const bool spike = std::fmod(tS, 4.7) < 0.2;

        putLevel(r, 2, 38 + 0.45 * s + jitter(nowMs, 2));    // Rx input
        putLevel(r, 17, (spike ? 36 : 37) + 0.45 * s);       // Noise blank
        putLevel(r, 7, 52 + 0.3 * s + jitter(nowMs, 3));     // After filter
        putLevel(r, 9, 78 + 2 * jitter(nowMs, 4));           // After AGC
        putLevel(r, 13, 76 + 2 * jitter(nowMs, 5));          // Auto notch output
        putLevel(r, 15, 73 + 2 * jitter(nowMs, 6));          // Denoiser output
        putLevel(r, 11, 71 + jitter(nowMs, 7));              // Before AF gain
        putLevel(r, 5, 66 + 3 * std::sin(twoPi * tS * 0.9)); // Rx AF out
        r[4] = static_cast<uint8_t>((hang ? 0x40 : 0) | dac);
        r[19] = toByte(s);
        r[20] = spike ? 1 : 0;
        const unsigned bar = static_cast<unsigned>(std::min(4095.0, std::pow(2.0, s / 7.5)));
        r[21] = static_cast<uint8_t>((adcSteps << 4) | ((bar >> 8) & 0x0F));
        r[22] = lowByte(bar);
        r[23] = toByte(agcDb + 28);
        // Receive: no power; the SWR word keeps its last reading of 1.0.
        putLe16(&r[28], 100);
        return r;
    }

    const double env = voiceEnvelope(tS);
    const double mic = env > 0 ? 45 + 35 * env + jitter(nowMs, 8) : 12 + 2 * jitter(nowMs, 9);
    const double vogadDb = 10 - 8 * env;
    putLevel(r, 2, mic);                            // Mic input
    putLevel(r, 17, mic - 1);                       // After decimation
    putLevel(r, 7, env > 0.05 ? mic : 0);           // After noise gate
    putLevel(r, 9, env > 0.05 ? mic - 3 : 0);       // After filter
    putLevel(r, 13, env > 0.05 ? 80 + 3 * env : 0); // After VOGAD
    putLevel(r, 15, env > 0.05 ? 84 + 2 * env : 0); // After compression
    putLevel(r, 11, env > 0.05 ? 70 + 8 * env : 0); // Tx monitor out
    putLevel(r, 5, env > 0.05 ? 82 + 4 * env : 0);  // Tx IF out
    r[4] = 0x80 | 40;
    r[19] = 0;
    r[20] = 0;
    const unsigned bar = static_cast<unsigned>(std::min(4095.0, std::pow(2.0, 12 * env)));
    r[21] = static_cast<uint8_t>((6 << 4) | ((bar >> 8) & 0x0F));
    r[22] = lowByte(bar);
    r[23] = toByte(64 + vogadDb);
    // Power follows the voice; a slightly mismatched antenna reflects a twenty-fifth of it.
    const double fwd = 8 + 125 * env;
    const double ref = fwd / 25.0;
    const double rho = std::sqrt(ref / fwd);
    putLe16(&r[24], static_cast<uint16_t>(std::lround(fwd)));
    putLe16(&r[26], static_cast<uint16_t>(std::lround(ref)));
    putLe16(&r[28], static_cast<uint16_t>(std::lround(100 * (1 + rho) / (1 - rho))));
    return r;
}

std::array<uint8_t, 22> SimTelemetryBody(double nowMs, bool transmitting) {
    const auto r = SimTelemetryRecord(nowMs, transmitting);
    std::array<uint8_t, 22> body{};
    std::copy(r.begin() + 2, r.begin() + 24, body.begin());
    return body;
}

} // namespace tarnix
