// What the simulated firmware does with each command.
#include "base/ByteOrder.h"
#include "sim/SimController.h"
#include "sim/SimFirmware.h"
#include "sim/SimTelemetry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>

namespace tarnix {

namespace {

using namespace simfw;

using H = SimController::Handler;

// --- shared pieces ------------------------------------------------------------------------------

// A value that drifts slowly with time, between lo and hi, plus a little noise.
double drift(SimController& sim, double nowMs, double lo, double hi, double periodMs) {
    double phase = std::sin(nowMs * 2 * M_PI / periodMs) * 0.5 + 0.5;
    double jitter = (static_cast<double>(sim.noise() % 1000) / 1000.0 - 0.5) * 0.04 * (hi - lo);
    return std::clamp(lo + phase * (hi - lo) + jitter, lo, hi);
}

void copyIn(SimController& sim, const char* block, const Bytes& payload) {
    Bytes& b = sim.eeprom(block);
    std::copy_n(payload.begin(), std::min(payload.size(), b.size()), b.begin());
    sim.markEepromChanged();
}

void copyOut(SimController& sim, const char* block, Bytes& reply) {
    const Bytes& b = sim.eeprom(block);
    std::copy_n(b.begin(), std::min(b.size(), reply.size()), reply.begin());
}

// The DSP's working colour sets live in state().dspSets (laid out as the parameter image); the image
// in EEPROM is their backup. "$$$DSP_Q" changes the working set of the active colour and mode group,
// "$$$DSP_W" copies the working sets to the backup and "$$$DSP_B" fetches one value back from it.
uint8_t& workingValue(SimController& sim, int group, int colour, int p) {
    return sim.state().dspSets[paramOffset(setBlock(group, colour), p)];
}

// The value parameter p runs with in a set, with "as green" resolved; 255 (no value) stays.
uint8_t storedValue(SimController& sim, int group, int colour, int p) {
    uint8_t v = workingValue(sim, group, colour, p);
    if (v == 254)
        v = workingValue(sim, group, 1, p);
    return v;
}

// The current values of parameters 11..99 from the active set.
void loadColourSet(SimController& sim) {
    SimState& s = sim.state();
    int group = groupOfMode(s.dsp[2]);
    for (int p = 11; p <= 99; ++p) {
        uint8_t v = storedValue(sim, group, s.dsp[10], p);
        if (v != 255)
            s.dsp[static_cast<size_t>(p)] = v;
    }
}

// One live change: a switch or mode runs at once; parameters 11..99 go into the active working set
// too (254 makes the value follow green again); the colour set is changed only by "$$$DSP_L".
void setDspParam(SimController& sim, uint8_t p, uint8_t v) {
    SimState& s = sim.state();
    if (p < 1 || p > 100 || p == 10)
        return;
    if (p == 2) {
        int before = groupOfMode(s.dsp[2]);
        s.dsp[2] = v;
        if (groupOfMode(v) != before)
            loadColourSet(sim);
        return;
    }
    if (p >= 11 && p <= 99) {
        int group = groupOfMode(s.dsp[2]);
        if (v == 254 && s.dsp[10] == 1)
            return; // green has no green value to follow
        workingValue(sim, group, s.dsp[10], p) = v;
        uint8_t run = storedValue(sim, group, s.dsp[10], p);
        if (run != 255)
            s.dsp[p] = run;
        return;
    }
    s.dsp[p] = v;
}

// Checksum of a bulk load: the byte sum of the data plus the count, 16 bits.
void checksumReply(SimController& sim, Bytes& reply) {
    putBe16(reply.data(),
            static_cast<uint16_t>(sim.payloadSum() + static_cast<uint32_t>(sim.payloadCount())));
}

uint8_t* vfoSlot(SimState& s, int vfo) {
    return &s.dds[vfo ? 8 : 0];
}

void setVfo(SimState& s, int vfo, int32_t hz) {
    putLe32(vfoSlot(s, vfo), static_cast<uint32_t>(hz));
    s.dds[vfo ? 23 : 22] = bandOf(hz);
}

// Forward, reflected (in the units of the full-scale values) while transmitting.
std::pair<double, double> power(SimController& sim, double nowMs) {
    if (!sim.state().mox)
        return {0, 0};
    const Bytes& f = sim.eeprom("swrF");
    double fs = le16(&f[64]) ? le16(&f[64]) : 1400;
    double fwd = drift(sim, nowMs, 0.55 * fs, 0.75 * fs, 3000);
    double ref = fwd * drift(sim, nowMs, 0.01, 0.04, 7000);
    return {fwd, ref};
}

uint16_t swrX100(double fwd, double ref) {
    if (fwd <= 0)
        return 100;
    double g = std::sqrt(ref / fwd);
    return static_cast<uint16_t>(std::lround(std::min((1 + g) / (1 - g), 9.99) * 100));
}

std::tm clockNow(SimController& sim, double nowMs) {
    SimState& s = sim.state();
    if (s.clockSetMs < 0) {
        s.clockEpoch = static_cast<long long>(std::time(nullptr));
        s.clockSetMs = nowMs;
    }
    std::time_t t =
        static_cast<std::time_t>(s.clockEpoch + static_cast<long long>((nowMs - s.clockSetMs) / 1000));
    std::tm tm{};
    gmtime_r(&t, &tm);
    return tm;
}

std::string debugLine(const std::string& name, const std::string& value, const char* type, const char* show) {
    return name + "," + value + "," + type + "," + show + "\r\n";
}

void textReply(Bytes& reply, const std::string& text) {
    reply.assign(text.begin(), text.end());
}

// --- the table ----------------------------------------------------------------------------------

std::map<std::string_view, H> build() {
    std::map<std::string_view, H> t;

    t["$$$CFG_Z"] = [](SimController& sim, const Bytes&, Bytes& r, double) {
        std::string v = "$$KX" + sim.version();
        std::copy_n(v.begin(), std::min<size_t>(v.size(), 8), r.begin());
        r[8] = 0;
    };
    t["$$$CTL_R"] = [](SimController& sim, const Bytes&, Bytes&, double) {
        sim.state().mox = false;
        sim.state().dds[17] = 0;
    };
    t["$$$CTL_T"] = [](SimController& sim, const Bytes&, Bytes&, double) {
        sim.state().mox = true;
        sim.state().dds[17] = 1;
    };

    // Real-time clock: date and time are seconds, minutes, hours, day, month, year - 2000, weekday.
    t["$$$RTC_S"] = [](SimController& sim, const Bytes& p, Bytes&, double now) {
        std::tm tm{};
        tm.tm_sec = p[0];
        tm.tm_min = p[1];
        tm.tm_hour = p[2];
        tm.tm_mday = p[3];
        tm.tm_mon = p[4] - 1;
        tm.tm_year = p[5] + 100;
        if (p[0] > 59 || p[1] > 59 || p[2] > 23 || p[3] < 1 || p[3] > 31 || p[4] < 1 || p[4] > 12)
            return; // the clock chip refuses what it cannot hold
        sim.state().clockEpoch = static_cast<long long>(timegm(&tm));
        sim.state().clockSetMs = now;
    };
    t["$$$RTC_R"] = [](SimController& sim, const Bytes&, Bytes& r, double now) {
        std::tm tm = clockNow(sim, now);
        r[0] = static_cast<uint8_t>(tm.tm_sec);
        r[1] = static_cast<uint8_t>(tm.tm_min);
        r[2] = static_cast<uint8_t>(tm.tm_hour);
        r[3] = static_cast<uint8_t>(tm.tm_mday);
        r[4] = static_cast<uint8_t>(tm.tm_mon + 1);
        r[5] = static_cast<uint8_t>(tm.tm_year - 100);
        r[6] = static_cast<uint8_t>(tm.tm_wday);
    };
    t["$$$RTC_X"] = [](SimController& sim, const Bytes& p, Bytes&, double) {
        sim.eeprom("rtc")[0] = p[0];
        sim.markEepromChanged();
    };
    t["$$$RTC_Y"] = [](SimController& sim, const Bytes&, Bytes& r, double) { r[0] = sim.eeprom("rtc")[0]; };
    t["$$$RTC_C"] = [](SimController& sim, const Bytes& p, Bytes&, double) {
        sim.eeprom("rtc")[1] = p[0] & 0x3F;
        sim.markEepromChanged();
    };
    t["$$$RTC_D"] = [](SimController& sim, const Bytes&, Bytes& r, double) { r[0] = sim.eeprom("rtc")[1]; };
    t["$$$RTC_E"] = [](SimController& sim, const Bytes& p, Bytes&, double) {
        sim.eeprom("rtc")[2] = p[0];
        sim.markEepromChanged();
    };
    t["$$$RTC_F"] = [](SimController& sim, const Bytes&, Bytes& r, double) { r[0] = sim.eeprom("rtc")[2]; };
    t["$$$RTC_A"] = [](SimController& sim, const Bytes& p, Bytes&, double) {
        sim.eeprom("i2coptions")[23] = p[0];
        sim.markEepromChanged();
    };
    t["$$$RTC_B"] = [](SimController& sim, const Bytes&, Bytes& r, double) {
        r[0] = sim.eeprom("i2coptions")[23];
    };

    // Hardware block, TFT board address and signature row.
    t["$$$CFG_R"] = [](SimController& sim, const Bytes&, Bytes& r, double) { copyOut(sim, "hardware", r); };
    t["$$$CFG_W"] = [](SimController& sim, const Bytes& p, Bytes&, double) { copyIn(sim, "hardware", p); };
    t["$$$CFG_P"] = [](SimController& sim, const Bytes&, Bytes& r, double) {
        r[0] = sim.eeprom("lumoaddress")[0];
    };
    t["$$$CFG_Q"] = [](SimController& sim, const Bytes& p, Bytes&, double) {
        // The controller keeps the address and hands it on to the display board's row byte 0.
        sim.eeprom("lumoaddress")[0] = p[0];
        sim.eeprom("sigrow")[0] = p[0];
        sim.markEepromChanged();
    };
    t["$$$CFG_M"] = [](SimController& sim, const Bytes&, Bytes& r, double) { copyOut(sim, "sigrow", r); };
    t["$$$CFG_N"] = [](SimController& sim, const Bytes& p, Bytes&, double) {
        uint16_t n = le16(p.data());
        if (n >= 1 && n <= 15) {
            sim.eeprom("sigrow")[n] = p[2];
            sim.markEepromChanged();
        }
    };

    // DDS.
    t["$$$DDS_S"] = [](SimController& sim, const Bytes&, Bytes& r, double now) {
        SimState& s = sim.state();
        s.dds[17] = s.mox ? 1 : 0;
        s.dds[24] = s.mox ? 0 : static_cast<uint8_t>(drift(sim, now, 8, 70, 5000));
        std::copy(s.dds.begin(), s.dds.end(), r.begin());
    };
    t["$$$DDS_F"] = [](SimController& sim, const Bytes& p, Bytes&, double) {
        setVfo(sim.state(), p[4] ? 1 : 0, static_cast<int32_t>(le32(p.data())));
    };
    t["$$$DDS_B"] = [](SimController& sim, const Bytes& p, Bytes&, double) {
        SimState& s = sim.state();
        std::copy_n(p.begin(), 3, s.button.begin());
        int vfo = p[1] ? 1 : 0;
        uint8_t* slot = vfoSlot(s, vfo);
        switch (p[0]) {
        case 'F':
            slot[5] = slot[5] ? 0 : 1;
            break;
        case 'I':
            slot[6] = slot[6] == 1 ? 0 : 1;
            break;
        case 'P':
            if (p[2] >= 1 && p[2] <= 3)
                slot[7] = p[2];
            break;
        case 'R':
            s.dds[19] ^= 1;
            break;
        case 'X':
            s.dds[20] ^= 1;
            break;
        case 'S':
            s.dds[21] ^= 1;
            break;
        case 'W':
            for (int i = 0; i < 8; ++i)
                std::swap(s.dds[static_cast<size_t>(i)], s.dds[8 + static_cast<size_t>(i)]);
            std::swap(s.dds[22], s.dds[23]);
            break;
        case '>':
            std::copy_n(&s.dds[0], 8, &s.dds[8]);
            s.dds[23] = s.dds[22];
            break;
        case '<':
            std::copy_n(&s.dds[8], 8, &s.dds[0]);
            s.dds[22] = s.dds[23];
            break;
        case 'N':
            s.dds[26] ^= 1;
            break;
        case 'T':
            s.dds[25] ^= 1;
            break;
        case 'Q': {
            int band = s.dds[vfo ? 23 : 22];
            band = p[2] ? std::min(band + 1, 9) : std::max(band - 1, 0);
            setVfo(s, vfo, static_cast<int32_t>(BandCentreHz[band]));
            break;
        }
        case 'M':
            if (p[2] <= 3) {
                slot[4] = p[2];
                if (vfo == (s.dds[16] ? 1 : 0))
                    s.dsp[2] = p[2];
            }
            break;
        case 'A':
            s.dds[16] = 0;
            break;
        case 'B':
            s.dds[16] = 1;
            break;
        default:
            break;
        }
    };

    // EEPROM user configuration: save commands read a block, load commands write it.
    struct Pair {
        std::string_view save, load;
        const char* block;
    };
    static const Pair pairs[] = {
        {"$$$CFG_S", "$$$CFG_I", "config"},         {"$$$CFG_T", "$$$CFG_J", "cwoffset"},
        {"$$$S_STK_L", "$$$L_STK_L", "bandlast"},   {"$$$S_STK_S", "$$$L_STK_S", "bandssb"},
        {"$$$S_STK_C", "$$$L_STK_C", "bandcw"},     {"$$$S_STK_7", "$$$L_STK_7", "mem67"},
        {"$$$S_STK_8", "$$$L_STK_8", "mem68"},      {"$$$S_STK_9", "$$$L_STK_9", "mem69"},
        {"$$$S_STK_0", "$$$L_STK_0", "mem60"},      {"$$$S_STK_V", "$$$L_STK_V", "vfo"},
        {"$$$S_I2C_D", "$$$L_I2C_D", "i2ctasks"},   {"$$$S_I2C_L", "$$$L_I2C_L", "i2clabels"},
        {"$$$S_I2C_I", "$$$L_I2C_I", "i2coptions"},
    };
    // A captureless lambda cannot see the pair, so each block gets its own pair of handlers.
#define TARNIX_SIM_BLOCK(i)                                                                                  \
    t[pairs[i].save] = [](SimController& sim, const Bytes&, Bytes& r, double) {                              \
        copyOut(sim, pairs[i].block, r);                                                                     \
    };                                                                                                       \
    t[pairs[i].load] = [](SimController& sim, const Bytes& p, Bytes&, double) {                              \
        copyIn(sim, pairs[i].block, p);                                                                      \
    };
    TARNIX_SIM_BLOCK(0)
    TARNIX_SIM_BLOCK(1)
    TARNIX_SIM_BLOCK(2)
    TARNIX_SIM_BLOCK(3)
    TARNIX_SIM_BLOCK(4)
    TARNIX_SIM_BLOCK(5)
    TARNIX_SIM_BLOCK(6)
    TARNIX_SIM_BLOCK(7)
    TARNIX_SIM_BLOCK(8)
    TARNIX_SIM_BLOCK(9)
    TARNIX_SIM_BLOCK(10)
    TARNIX_SIM_BLOCK(11)
    TARNIX_SIM_BLOCK(12)
#undef TARNIX_SIM_BLOCK

    // Clock and offsets: fields of the configuration and CW offset blocks.
    t["$$$CFG_D"] = [](SimController& sim, const Bytes& p, Bytes&, double) {
        std::copy_n(p.begin(), 4, sim.eeprom("config").begin());
        sim.markEepromChanged();
    };
    t["$$$CFG_L"] = [](SimController& sim, const Bytes& p, Bytes&, double) {
        std::copy_n(p.begin(), 4, sim.eeprom("config").begin() + 4);
        sim.markEepromChanged();
    };
    t["$$$CFG_U"] = [](SimController& sim, const Bytes& p, Bytes&, double) {
        std::copy_n(p.begin(), 4, sim.eeprom("config").begin() + 8);
        sim.markEepromChanged();
    };
    t["$$$CFG_C"] = [](SimController& sim, const Bytes& p, Bytes&, double) { copyIn(sim, "cwoffset", p); };

    // SWR / power meter.
    t["$$$SWR_A"] = [](SimController& sim, const Bytes&, Bytes& r, double now) {
        bool tx = sim.state().mox;
        putLe16(&r[0], static_cast<uint16_t>(tx ? drift(sim, now, 560, 680, 3000) : sim.noise() % 3));
        putLe16(&r[2], static_cast<uint16_t>(tx ? drift(sim, now, 40, 110, 7000) : sim.noise() % 2));
    };
    t["$$$SWR_C"] = [](SimController& sim, const Bytes& p, Bytes& r, double) {
        if (p.size() == 72 && (p[70] == 'F' || p[70] == 'R'))
            copyIn(sim, p[70] == 'F' ? "swrF" : "swrR", p);
        checksumReply(sim, r);
    };
    t["$$$SWR_F"] = [](SimController& sim, const Bytes&, Bytes& r, double) {
        uint16_t f = le16(&sim.eeprom("swrF")[64]), ref = le16(&sim.eeprom("swrR")[64]);
        putLe16(&r[0], f ? f : 1400);
        putLe16(&r[2], ref ? ref : 200);
    };
    t["$$$SWR_S"] = [](SimController& sim, const Bytes&, Bytes& r, double now) {
        auto [fwd, ref] = power(sim, now);
        putLe16(&r[0], static_cast<uint16_t>(std::lround(fwd)));
        putLe16(&r[2], static_cast<uint16_t>(std::lround(ref)));
        putLe16(&r[4], sim.state().mox ? swrX100(fwd, ref) : 0);
    };

    // DSP.
    t["$$$DSP_A"] = [](SimController& sim, const Bytes&, Bytes& r, double) {
        std::copy(sim.state().dsp.begin(), sim.state().dsp.end(), r.begin());
    };
    t["$$$DSP_G"] = [](SimController& sim, const Bytes&, Bytes& r, double) {
        SimState& s = sim.state();
        int group = groupOfMode(s.dsp[2]);
        for (int i = 0; i < 90; ++i) {
            int p = 11 + i;
            r[static_cast<size_t>(i)] =
                p <= 99 ? workingValue(sim, group, s.dsp[10], p) : s.dsp[static_cast<size_t>(p)];
        }
    };
    t["$$$DSP_T"] = [](SimController& sim, const Bytes&, Bytes& r, double now) {
        SimState& s = sim.state();
        // The DSP's own measurements (S-meter, test points, gain chain); the power bytes come from the
        // controller's meter, the same readings "$$$SWR_S" gives.
        const auto record = SimTelemetryRecord(now, s.mox);
        std::copy(record.begin(), record.begin() + 24, r.begin());
        auto [fwd, ref] = power(sim, now);
        putLe16(&r[24], static_cast<uint16_t>(std::lround(fwd)));
        putLe16(&r[26], static_cast<uint16_t>(std::lround(ref)));
        putLe16(&r[28], s.mox ? swrX100(fwd, ref) : 0);
    };
    t["$$$DSP_Q"] = [](SimController& sim, const Bytes& p, Bytes&, double) { setDspParam(sim, p[0], p[1]); };
    t["$$$DSP_B"] = [](SimController& sim, const Bytes& p, Bytes&, double) {
        if (p[0] < 11 || p[0] > 99 || p[1] < 1 || p[1] > 3)
            return;
        SimState& s = sim.state();
        int group = groupOfMode(p[2]);
        workingValue(sim, group, p[1], p[0]) =
            sim.eeprom("dspparams")[paramOffset(setBlock(group, p[1]), p[0])];
        if (p[1] == s.dsp[10] && group == groupOfMode(s.dsp[2])) {
            uint8_t v = storedValue(sim, group, p[1], p[0]);
            if (v != 255)
                s.dsp[p[0]] = v;
        }
    };
    t["$$$DSP_L"] = [](SimController& sim, const Bytes& p, Bytes&, double) {
        if (p[0] < 1 || p[0] > 3)
            return;
        sim.state().dsp[10] = p[0];
        loadColourSet(sim);
    };
    t["$$$DSP_W"] = [](SimController& sim, const Bytes&, Bytes&, double) {
        Bytes& img = sim.eeprom("dspparams");
        for (int group = 1; group <= 2; ++group)
            for (int colour = 1; colour <= 3; ++colour)
                for (int p = 10; p <= 99; ++p)
                    img[paramOffset(setBlock(group, colour), p)] = workingValue(sim, group, colour, p);
        sim.markEepromChanged();
    };
    t["$$$DSP_C"] = [](SimController& sim, const Bytes& p, Bytes& r, double) {
        sim.eeprom("dspcode") = p;
        sim.markEepromChanged();
        checksumReply(sim, r);
    };
    t["$$$DSP_P"] = [](SimController& sim, const Bytes& p, Bytes&, double) {
        if (p.size() != ParamImageSize)
            return;
        sim.eeprom("dspparams") = p;
        sim.markEepromChanged();
        sim.state().dspSets = p;
        loadColourSet(sim);
    };
    t["$$$DSP_S"] = [](SimController& sim, const Bytes&, Bytes& r, double) {
        const Bytes& img = sim.eeprom("dspparams");
        size_t off = 0;
        for (int group = 1; group <= 2; ++group)
            for (int colour = 1; colour <= 3; ++colour, off += 100) {
                std::fill_n(r.begin() + static_cast<long>(off), 10, '#');
                for (int p = 10; p <= 99; ++p)
                    r[off + static_cast<size_t>(p)] = img[paramOffset(setBlock(group, colour), p)];
            }
    };
    t["$$$DSP_V"] = [](SimController& sim, const Bytes& p, Bytes&, double) { copyIn(sim, "ad603", p); };

    // Diagnostics.
    t["$$$DIA_W"] = [](SimController& sim, const Bytes& p, Bytes&, double) {
        std::copy_n(p.begin(), 11, sim.state().ports.begin());
    };
    t["$$$DIA_R"] = [](SimController& sim, const Bytes&, Bytes& r, double) {
        std::copy(sim.state().ports.begin(), sim.state().ports.end(), r.begin());
    };
    t["$$$L_I2C_M"] = [](SimController& sim, const Bytes& p, Bytes&, double) {
        sim.state().mixerDac = le16(p.data());
    };
    t["$$$L_I2C_S"] = [](SimController& sim, const Bytes& p, Bytes&, double) {
        sim.state().squarerDac = le16(p.data());
    };
    t["$$$S_I2C_C"] = [](SimController& sim, const Bytes&, Bytes& r, double) {
        putLe16(&r[0], sim.state().mixerDac);
        putLe16(&r[2], sim.state().squarerDac);
    };
    t["$$$CFG_F"] = [](SimController& sim, const Bytes&, Bytes& r, double) {
        sim.state().flashSize = static_cast<uint32_t>(sim.payloadCount());
        checksumReply(sim, r);
        sim.state().flashChecksum = be16(r.data());
    };
    t["$$$DBG_V"] = [](SimController& sim, const Bytes&, Bytes& r, double now) {
        SimState& s = sim.state();
        std::string text;
        text += debugLine("Firmware", sim.version(), "S", "S");
        text += debugLine("Uptime_s", std::to_string(static_cast<long long>(now / 1000)), "L", "D");
        text += debugLine("VfoA_Hz", std::to_string(le32(&s.dds[0])), "L", "D");
        text += debugLine("VfoB_Hz", std::to_string(le32(&s.dds[8])), "L", "D");
        text += debugLine("Mox", std::to_string(s.mox ? 1 : 0), "B", "D");
        text += debugLine("DspColour", std::to_string(s.dsp[10]), "B", "D");
        text += debugLine("MixerDAC", std::to_string(s.mixerDac), "W", "H");
        text += debugLine("SquarerDAC", std::to_string(s.squarerDac), "W", "B");
        text += "END,8\r\n";
        textReply(r, text);
    };
    t["$$$DBG_P"] = [](SimController& sim, const Bytes&, Bytes& r, double) {
        static const char* names[11] = {"A", "B", "C", "D", "E", "F", "G", "H", "J", "K", "L"};
        std::string text;
        for (int i = 0; i < 11; ++i)
            text += debugLine(std::string("PORT") + names[i],
                              std::to_string(sim.state().ports[static_cast<size_t>(i)]), "B", "B");
        text += "END,11\r\n";
        textReply(r, text);
    };
    return t;
}

} // namespace

const std::map<std::string_view, SimController::Handler>& SimController::handlers() {
    static const std::map<std::string_view, Handler> table = build();
    return table;
}

} // namespace tarnix
