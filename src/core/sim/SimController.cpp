#include "sim/SimController.h"
#include "sim/SimFirmware.h"

#include "base/ByteOrder.h"
#include "base/Text.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>

namespace tarnix {

namespace {

using namespace simfw;

// A payload whose first byte comes more than this long after the previous one is not waited for any
// more: the firmware drops the half-received command and listens for a new one.
constexpr double PayloadGiveUpMs = 2500;
constexpr size_t PayloadKeepLimit = 128 * 1024;

// F+M slot: frequency (32-bit), mode, filter, IP3, colour.
void putSlot(uint8_t* p, uint32_t hz, uint8_t mode, uint8_t filter = 0, uint8_t ip3 = 1, uint8_t colour = 1) {
    putLe32(p, hz);
    p[4] = mode;
    p[5] = filter;
    p[6] = ip3;
    p[7] = colour;
}

} // namespace

const std::vector<SimEepromBlock>& SimController::eepromBlocks() {
    static const std::vector<SimEepromBlock> v{
        {"config", 124},    {"cwoffset", 5},  {"bandlast", 80}, {"bandssb", 80},
        {"bandcw", 80},     {"mem67", 48},    {"mem68", 48},    {"mem69", 48},
        {"mem60", 48},      {"vfo", 64},      {"i2ctasks", 40}, {"i2clabels", 96},
        {"i2coptions", 24}, {"hardware", 96}, {"dspcode", 0},   {"dspparams", ParamImageSize},
        {"ad603", 42},      {"swrF", 72},     {"swrR", 72},     {"lumoaddress", 1},
        {"sigrow", 16},     {"rtc", 3},
    };
    return v;
}

SimController::SimController(std::string serial, std::string version)
    : serial_(std::move(serial)), version_(std::move(version)) {
    version_.resize(4, ' ');
    noise_ ^= static_cast<uint32_t>(std::hash<std::string>{}(serial_));
    if (noise_ == 0)
        noise_ = 1;
    fillDefaults();
    powerOn();
    eepromChanged_ = false;
}

Bytes& SimController::eeprom(const std::string& name) {
    auto it = state_.eeprom.find(name);
    if (it != state_.eeprom.end())
        return it->second;
    size_t size = 0;
    for (const auto& b : eepromBlocks())
        if (name == b.name)
            size = b.size;
    return state_.eeprom[name] = Bytes(size, 0);
}

uint32_t SimController::noise() {
    // xorshift32
    noise_ ^= noise_ << 13;
    noise_ ^= noise_ >> 17;
    noise_ ^= noise_ << 5;
    return noise_;
}

void SimController::fillDefaults() {
    Bytes& cfg = eeprom("config");
    putLe32(&cfg[0], 400000000); // DDS clock
    putLe32(&cfg[4], 8998500);   // LSB offset
    putLe32(&cfg[8], 9001500);   // USB offset
    for (int i = 0; i < 10; ++i)
        cfg[12 + static_cast<size_t>(i)] = static_cast<uint8_t>(11 + i); // encoders and pots: parameters
    for (int i = 0; i < 26; ++i) {
        cfg[22 + static_cast<size_t>(i)] = static_cast<uint8_t>(i);
        cfg[48 + static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    }
    cfg[78] = 12; // display bright
    cfg[79] = 4;  // dimmed
    cfg[80] = 30; // auto-dim seconds
    cfg[83] = 10; // menu time-out
    putLe16(&cfg[84], 600);
    putLe16(&cfg[86], 150);
    putLe16(&cfg[88], 3900);
    putLe16(&cfg[90], 200);
    putLe16(&cfg[92], 3800);

    Bytes& cw = eeprom("cwoffset");
    putLe32(&cw[0], 700);
    cw[4] = 1;

    for (const char* name : {"bandlast", "bandssb", "bandcw"}) {
        Bytes& b = eeprom(name);
        bool isCw = std::strcmp(name, "bandcw") == 0;
        for (int i = 0; i < 10; ++i) {
            uint32_t hz = BandCentreHz[i] - (isCw ? 80000u : 0u);
            uint8_t mode = isCw ? (hz < 10000000 ? 2 : 3) : (hz < 10000000 ? 0 : 1);
            putSlot(&b[8 * static_cast<size_t>(i)], hz, mode, isCw ? 1 : 0);
        }
    }
    const char* groups[] = {"mem67", "mem68", "mem69", "mem60"};
    for (int g = 0; g < 4; ++g) {
        Bytes& b = eeprom(groups[g]);
        for (int n = 0; n < 6; ++n) {
            uint32_t hz = BandCentreHz[(g * 6 + n) % 10] + 1000u * static_cast<uint32_t>(n);
            putSlot(&b[8 * static_cast<size_t>(n)], hz, hz < 10000000 ? 0 : 1);
        }
    }
    Bytes& vfo = eeprom("vfo");
    putSlot(&vfo[0], 7100000, 0);
    for (int n = 1; n < 8; ++n)
        putSlot(&vfo[8 * static_cast<size_t>(n)], BandCentreHz[n + 2], n + 2 < 5 ? 0 : 1);

    Bytes& tasks = eeprom("i2ctasks");
    for (int n = 1; n <= 8; ++n) {
        tasks[static_cast<size_t>(n - 1)] = 0;                                         // operation: none
        tasks[static_cast<size_t>(7 + n)] = 1;                                         // group
        tasks[static_cast<size_t>(15 + n)] = static_cast<uint8_t>(0x20 + (n - 1) % 8); // address
    }
    Bytes& labels = eeprom("i2clabels");
    for (int n = 1; n <= 8; ++n) {
        std::string label = "Task " + std::to_string(n);
        std::memcpy(&labels[12 * static_cast<size_t>(n - 1)], label.data(), label.size());
    }
    Bytes& opt = eeprom("i2coptions");
    opt[1] = 0x20;
    opt[2] = 0x21;
    opt[3] = 0x60;
    opt[4] = 0x61;
    opt[5] = 1;
    putLe16(&opt[7], 2048);
    putLe16(&opt[9], 1900);
    opt[11] = 1;

    Bytes& hw = eeprom("hardware");
    hw[0] = 4; // TFT colour display
    hw[1] = 1;
    hw[4] = 0;
    hw[5] = static_cast<uint8_t>(~hw[4]);
    std::memcpy(&hw[8], "SIM1KX", 6);
    std::memcpy(&hw[19], "Kelvox simulator", 16);
    std::memcpy(&hw[48], "no radio attached", 17);
    hw[80] = 3; // DS3231

    Bytes& img = eeprom("dspparams");
    for (int b = 1; b <= 10; ++b) {
        size_t off = 104 * static_cast<size_t>(b - 1);
        std::memset(&img[off], '#', 13);
        img[off + 13] = 13;
        for (int p = 10; p <= 99; ++p) {
            uint8_t v = 0;
            switch (b) {
            case 1:
            case 6:
                v = static_cast<uint8_t>(20 + p % 50);
                break;
            case 2:
            case 3:
            case 7:
            case 8:
                v = 254; // as green
                break;
            case 4:
                v = 100;
                break;
            case 5:
                v = 0;
                break;
            case 9:
                v = static_cast<uint8_t>(p % 10);
                break;
            case 10:
                v = 100;
                break;
            }
            img[paramOffset(b, p)] = v;
        }
    }
    std::memset(&img[1040], '#', 8);

    Bytes& ad = eeprom("ad603");
    for (size_t i = 0; i < ad.size(); ++i)
        ad[i] = static_cast<uint8_t>(i * 6 / 4);

    eeprom("lumoaddress")[0] = 0x6F;
    Bytes& sig = eeprom("sigrow");
    std::fill(sig.begin(), sig.end(), 0xFF);
    sig[0] = 0x6F;
    Bytes& rtc = eeprom("rtc");
    rtc[0] = 0;
    rtc[1] = 0;
    rtc[2] = 0;
    eeprom("dspcode");
    eeprom("swrF");
    eeprom("swrR");
}

void SimController::powerOn() {
    text_.clear();
    current_ = nullptr;
    out_.clear();
    command_.clear();
    commandsDone_ = 0;

    SimState& s = state_;
    s.mox = false;
    s.dds.fill(0);
    const Bytes& vfo = eeprom("vfo");
    std::memcpy(&s.dds[0], &vfo[0], 8);
    std::memcpy(&s.dds[8], &vfo[8], 8);
    s.dds[22] = bandOf(static_cast<int32_t>(le32(&s.dds[0])));
    s.dds[23] = bandOf(static_cast<int32_t>(le32(&s.dds[8])));

    s.dsp.fill(0);
    s.dsp[2] = s.dds[4];
    s.dsp[10] = 1;
    s.dspSets = eeprom("dspparams");
    int group = groupOfMode(s.dsp[2]);
    for (int p = 11; p <= 99; ++p)
        s.dsp[static_cast<size_t>(p)] = s.dspSets[paramOffset(setBlock(group, 1), p)];
    for (int k = 1; k <= 10; ++k)
        s.dsp[100 + static_cast<size_t>(k)] = eeprom("config")[11 + static_cast<size_t>(k)];

    s.ports.fill(0);
    const Bytes& opt = eeprom("i2coptions");
    s.mixerDac = le16(&opt[7]);
    s.squarerDac = le16(&opt[9]);
    s.button.fill(0);
}

bool SimController::takeEepromChanged() {
    bool c = eepromChanged_;
    eepromChanged_ = false;
    return c;
}

std::string SimController::saveEeprom() const {
    std::string out;
    for (const auto& [name, bytes] : state_.eeprom)
        out += name + "=" + hexBytes(bytes.data(), bytes.size()) + "\n";
    return out;
}

bool SimController::loadEeprom(const std::string& text, std::string* error) {
    std::map<std::string, Bytes> blocks = state_.eeprom;
    int lineNo = 0;
    for (const std::string& raw : splitLines(text)) {
        ++lineNo;
        std::string line = trim(raw);
        if (line.empty())
            continue;
        size_t eq = line.find('=');
        auto bytes = eq == std::string::npos ? std::nullopt : parseHexBytes(line.substr(eq + 1));
        std::string name = eq == std::string::npos ? std::string() : trim(line.substr(0, eq));
        const SimEepromBlock* known = nullptr;
        for (const auto& b : eepromBlocks())
            if (name == b.name)
                known = &b;
        if (!bytes || !known || (known->size && bytes->size() != known->size)) {
            if (error)
                *error = "line " + std::to_string(lineNo) + " is not a block of the controller's EEPROM";
            return false;
        }
        blocks[name] = Bytes(bytes->begin(), bytes->end());
    }
    state_.eeprom = std::move(blocks);
    powerOn();
    return true;
}

// --- input --------------------------------------------------------------------------------------

void SimController::receive(const uint8_t* data, size_t n, double nowMs) {
    for (size_t i = 0; i < n; ++i) {
        uint8_t b = data[i];
        if (current_ && nowMs - lastByteMs_ > PayloadGiveUpMs)
            current_ = nullptr;
        lastByteMs_ = nowMs;
        if (current_) {
            size_t countSize = current_->count == CountField::Be16   ? 2
                               : current_->count == CountField::Le32 ? 4
                                                                     : 0;
            if (countBytes_.size() < countSize) {
                countBytes_.push_back(b);
                if (countBytes_.size() == countSize) {
                    count_ = countSize == 2 ? be16(countBytes_.data())
                                            : static_cast<long>(le32(countBytes_.data()));
                    if (count_ == 0)
                        finishCommand(nowMs);
                }
                continue;
            }
            if (payload_.size() < PayloadKeepLimit)
                payload_.push_back(b);
            sum_ += b;
            if (++received_ >= count_)
                finishCommand(nowMs);
            continue;
        }
        if (b == 0) {
            size_t at = text_.rfind("$$$");
            if (at != std::string::npos)
                if (const CommandInfo* c = findCommand(std::string_view(text_).substr(at)))
                    startCommand(*c, nowMs);
            text_.clear();
            continue;
        }
        text_.push_back(static_cast<char>(b));
        if (text_.size() > 32)
            text_.erase(0, text_.size() - 32);
    }
}

void SimController::startCommand(const CommandInfo& c, double nowMs) {
    current_ = &c;
    command_ = std::string(c.text);
    countBytes_.clear();
    payload_.clear();
    sum_ = 0;
    received_ = 0;
    count_ = c.count == CountField::None ? std::max(c.payloadBytes, 0) : -1;
    if (c.count == CountField::None && count_ == 0)
        finishCommand(nowMs);
}

void SimController::finishCommand(double nowMs) {
    const CommandInfo& c = *current_;
    current_ = nullptr;
    ++commandsDone_;
    Bytes reply;
    if (c.reply == ReplyKind::Block)
        reply.assign(static_cast<size_t>(c.replyBytes) * static_cast<size_t>(c.replyBlocks), 0);
    else if (c.reply == ReplyKind::Word)
        reply.assign(2, 0);
    auto it = handlers().find(c.text);
    if (it != handlers().end())
        it->second(*this, payload_, reply, nowMs);

    double delay = 0;
    for (const SimFault& f : faults_) {
        if (!f.matches(c.text))
            continue;
        switch (f.kind) {
        case SimFault::Garbage: {
            size_t n = f.n >= 0 ? static_cast<size_t>(f.n) : reply.empty() ? 8 : reply.size();
            Bytes junk(n);
            for (auto& b : junk)
                b = static_cast<uint8_t>(noise());
            // Garbage is never, by chance, the reply itself.
            if (junk == reply && !junk.empty())
                junk[0] ^= 0x5A;
            reply = std::move(junk);
            break;
        }
        case SimFault::Short: {
            size_t cut = f.n >= 0 ? static_cast<size_t>(f.n) : 1;
            reply.resize(reply.size() > cut ? reply.size() - cut : 0);
            break;
        }
        case SimFault::NoReply:
            reply.clear();
            break;
        case SimFault::Delay:
            delay += f.n >= 0 ? f.n : SimFault::DefaultDelayMs;
            break;
        case SimFault::Vanish:
            break; // the bus side handles it
        }
    }
    queueReply(reply, nowMs + delay);
}

void SimController::queueReply(const Bytes& reply, double readyMs) {
    if (!out_.empty())
        readyMs = std::max(readyMs, out_.back().readyMs);
    for (uint8_t b : reply)
        out_.push_back({b, readyMs});
}

size_t SimController::available(double nowMs) const {
    size_t n = 0;
    while (n < out_.size() && out_[n].readyMs <= nowMs)
        ++n;
    return n;
}

double SimController::readyAt(size_t k) const {
    if (k == 0)
        return 0;
    if (k > out_.size())
        return std::numeric_limits<double>::infinity();
    return out_[k - 1].readyMs;
}

size_t SimController::take(uint8_t* dest, size_t n, double nowMs) {
    size_t got = std::min(n, available(nowMs));
    for (size_t i = 0; i < got; ++i) {
        dest[i] = out_.front().byte;
        out_.pop_front();
    }
    return got;
}

void SimController::purge(double nowMs) {
    while (!out_.empty() && out_.front().readyMs <= nowMs)
        out_.pop_front();
}

} // namespace tarnix
