#include "config/UEememIni.h"

#include "base/ByteOrder.h"
#include "base/Files.h"
#include "base/ProfileIni.h"
#include "base/Text.h"
#include "shell/UIniData.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <variant>

namespace tarnix {

EememIniData_type EememIniData;

const std::array<std::string_view, PcaOperationCount> PcaOperationNames = {
    "no_action",
    "set_bits",
    "clear_bits",
    "toggle_bits",
    "load_dataword",
    "load_upper_byte",
    "load_lower_byte",
    "group_word_step",
    "group_upper_byte_step",
    "group_lower_byte_step",
    "load_dataword_at_startup",
    "set_bits_Tx_only",
    "set_bits_Rx_only",
    "toggle_bits_Tx_only",
    "toggle_bits_Rx_only",
};

const std::array<std::string_view, BandCount> BandNames = {"160m", "80m", "40m", "30m", "20m",
                                                           "17m",  "15m", "12m", "10m", "6m"};

uint8_t PcaOperationFromName(std::string_view name) {
    for (int code = 1; code < PcaOperationCount; ++code)
        if (name == PcaOperationNames[code])
            return static_cast<uint8_t>(code);
    return 0;
}

std::string_view PcaOperationName(int code) {
    if (code < 0 || code >= PcaOperationCount)
        return PcaOperationNames[0];
    return PcaOperationNames[code];
}

void PutFmSlot(uint8_t* dst, const FmSlot& s) {
    putLe32(dst, static_cast<uint32_t>(s.Freq));
    dst[4] = lowByte(static_cast<unsigned>(s.Mode));
    dst[5] = lowByte(static_cast<unsigned>(s.Filter));
    dst[6] = lowByte(static_cast<unsigned>(s.IP3));
    dst[7] = lowByte(static_cast<unsigned>(s.Colour));
}

FmSlot GetFmSlot(const uint8_t* src) {
    FmSlot s;
    s.Freq = static_cast<int32_t>(le32(src));
    s.Mode = src[4];
    s.Filter = src[5];
    s.IP3 = src[6];
    s.Colour = src[7];
    return s;
}

namespace {

constexpr FmSlot slot(int32_t f, int32_t m, int32_t fi, int32_t ip3, int32_t c) {
    return {f, m, fi, ip3, c};
}

const std::array<FmSlot, BandCount> defaultBandLast = {
    slot(1850000, 0, 0, 1, 1),  slot(3727000, 0, 0, 1, 1),  slot(7040000, 0, 0, 1, 1),
    slot(10100000, 2, 0, 1, 1), slot(14307000, 1, 0, 0, 1), slot(18110000, 1, 0, 0, 1),
    slot(21150000, 1, 0, 0, 1), slot(24930000, 2, 0, 0, 1), slot(28500000, 1, 0, 0, 1),
    slot(50150000, 1, 0, 0, 1)};
const std::array<FmSlot, BandCount> defaultBandSsb = {slot(1949000, 0, 0, 1, 1),  slot(3727000, 0, 0, 1, 1),
                                                      slot(7155000, 0, 0, 1, 1),  slot(10100000, 2, 0, 1, 1),
                                                      slot(14276000, 1, 0, 0, 1), slot(18110000, 1, 0, 0, 1),
                                                      slot(21295000, 1, 0, 0, 1), slot(24930000, 2, 0, 0, 1),
                                                      slot(28495000, 1, 0, 0, 1), slot(50150000, 1, 0, 0, 1)};
const std::array<FmSlot, BandCount> defaultBandCw = {slot(1820000, 2, 0, 1, 1),  slot(3520000, 2, 0, 1, 1),
                                                     slot(7020000, 2, 0, 1, 1),  slot(10100000, 2, 0, 1, 1),
                                                     slot(14020000, 2, 0, 0, 1), slot(18070000, 2, 0, 0, 1),
                                                     slot(21020000, 2, 0, 0, 1), slot(24920000, 2, 0, 0, 1),
                                                     slot(28020000, 2, 0, 0, 1), slot(50090000, 2, 0, 0, 1)};
const std::array<FmSlot, 6> defaultMem67 = {slot(5000000, 1, 0, 1, 1),  slot(9996000, 1, 0, 1, 1),
                                            slot(10000000, 1, 0, 1, 1), slot(14996000, 1, 0, 0, 1),
                                            slot(15000000, 1, 0, 0, 1), slot(20000000, 1, 0, 0, 1)};
const std::array<FmSlot, 6> defaultMem68 = {slot(1836000, 2, 0, 0, 1),  slot(3560000, 2, 0, 0, 1),
                                            slot(7030000, 2, 0, 0, 1),  slot(10116000, 2, 0, 0, 1),
                                            slot(14060000, 2, 0, 1, 1), slot(18096000, 2, 0, 1, 1)};
const std::array<FmSlot, 6> defaultMem69 = {slot(3215000, 1, 0, 0, 1), slot(4319000, 1, 0, 0, 1),
                                            slot(5070000, 1, 0, 0, 1), slot(6150000, 1, 0, 0, 1),
                                            slot(6195000, 1, 0, 0, 1), slot(17550000, 1, 0, 1, 1)};
const std::array<FmSlot, 6> defaultMem60 = {slot(5258500, 2, 0, 1, 1), slot(5278500, 2, 0, 1, 1),
                                            slot(5288500, 2, 0, 1, 1), slot(5298500, 2, 0, 1, 1),
                                            slot(5403500, 2, 0, 1, 1), slot(5288500, 2, 0, 1, 1)};

// One field of the image with its place in the file.
struct Operation {
    uint8_t* p;
};
struct Field {
    std::string section;
    std::string key;
    std::variant<int32_t*, uint8_t*, uint16_t*, Operation, std::string*> ref;
    bool sixMetre = false;
};

void addSlot(std::vector<Field>& out, const std::string& section, const std::string& prefix, FmSlot& s,
             bool six = false) {
    out.push_back({section, prefix + "Freq", &s.Freq, six});
    out.push_back({section, prefix + "Mode", &s.Mode, six});
    out.push_back({section, prefix + "Filter", &s.Filter, six});
    out.push_back({section, prefix + "IP3", &s.IP3, six});
    out.push_back({section, prefix + "Colour", &s.Colour, six});
}

// Every field of the image in file order.
std::vector<Field> fieldsOf(EememIniData_type& d) {
    std::vector<Field> f;
    f.reserve(700);
    const std::string rf = "rfconfig";
    f.push_back({rf, "ddsclock", &d.ddsclock});
    f.push_back({rf, "lsboffset", &d.lsboffset});
    f.push_back({rf, "usboffset", &d.usboffset});
    f.push_back({rf, "cwoffset", &d.cwoffset});
    f.push_back({rf, "cwoffsetenable", &d.cwoffsetenable});
    for (int i = 0; i < 8; ++i)
        f.push_back({"encoderparams", "encoder" + std::to_string(i + 1), &d.encoder[i]});
    f.push_back({"encoderparams", "potA", &d.potA});
    f.push_back({"encoderparams", "potB", &d.potB});
    for (int i = 0; i < 26; ++i)
        f.push_back(
            {"rxbuttonassign", "rxbutton" + std::string(1, static_cast<char>('A' + i)), &d.rxbutton[i]});
    for (int i = 0; i < 26; ++i)
        f.push_back(
            {"txbuttonassign", "txbutton" + std::string(1, static_cast<char>('A' + i)), &d.txbutton[i]});
    for (int i = 0; i < 15; ++i)
        f.push_back({"rxtouchpadassign", "rxtouchpad" + std::to_string(i + 1), &d.rxtouchpad[i]});
    for (int i = 0; i < 15; ++i)
        f.push_back({"txtouchpadassign", "txtouchpad" + std::to_string(i + 1), &d.txtouchpad[i]});
    const std::string dp = "ddsparams";
    f.push_back({dp, "44CWmode", &d._44CWmode});
    f.push_back({dp, "SoftwareFlywheel", &d.SoftwareFlywheel});
    f.push_back({dp, "Autodim", &d.Autodim});
    f.push_back({dp, "ParamResetMode", &d.ParamResetMode});
    f.push_back({dp, "DisplayBright", &d.DisplayBright});
    f.push_back({dp, "DisplayDimmed", &d.DisplayDimmed});
    f.push_back({dp, "AutoDimSeconds", &d.AutoDimSeconds});
    f.push_back({dp, "DisplayKeyValue", &d.DisplayKeyValue});
    f.push_back({dp, "DSPDDSKeysDisplay", &d.DSPDDSKeysDisplay});
    f.push_back({dp, "MenuTimeout", &d.MenuTimeout});
    f.push_back({dp, "MoxTimeout", &d.MoxTimeout});
    const std::string tp = "touchpanel";
    f.push_back({tp, "TouchCalLeft", &d.TouchCalLeft});
    f.push_back({tp, "TouchCalRight", &d.TouchCalRight});
    f.push_back({tp, "TouchCalTop", &d.TouchCalTop});
    f.push_back({tp, "TouchCalBottom", &d.TouchCalBottom});
    for (int b = 0; b < BandCount; ++b)
        addSlot(f, "bandlast", "Last" + std::string(BandNames[b]), d.bandlast[b], b == Band6m);
    for (int b = 0; b < BandCount; ++b)
        addSlot(f, "bandssb", "SSB" + std::string(BandNames[b]), d.bandssb[b], b == Band6m);
    for (int b = 0; b < BandCount; ++b)
        addSlot(f, "bandcw", "CW" + std::string(BandNames[b]), d.bandcw[b], b == Band6m);
    for (int n = 0; n < 6; ++n)
        addSlot(f, "mem67", "Mem676" + std::to_string(n + 1), d.mem67[n]);
    for (int n = 0; n < 6; ++n)
        addSlot(f, "mem68", "Mem686" + std::to_string(n + 1), d.mem68[n]);
    for (int n = 0; n < 6; ++n)
        addSlot(f, "mem69", "Mem696" + std::to_string(n + 1), d.mem69[n]);
    for (int n = 0; n < 6; ++n)
        addSlot(f, "mem60", "Mem606" + std::to_string(n + 1), d.mem60[n]);
    addSlot(f, "poweron", "PowerOn", d.poweron);
    for (int n = 0; n < 7; ++n)
        addSlot(f, "vfo", "VFO" + std::to_string(n + 1), d.vfo[n]);
    for (int n = 0; n < 8; ++n) {
        const std::string k = "PCA9555_Task" + std::to_string(n + 1);
        IniPCAtask_type& t = d.PCA9555tasks[n];
        f.push_back({"PCA9555tasks", k + "_Operation", Operation{&t.Operation}});
        f.push_back({"PCA9555tasks", k + "_Address", &t.Address});
        f.push_back({"PCA9555tasks", k + "_Group", &t.Group});
        f.push_back({"PCA9555tasks", k + "_Dataword", &t.Dataword});
        f.push_back({"PCA9555tasks", k + "_Label", &t.Label});
    }
    f.push_back({"I2CBPF", "PCA9555BpfType", &d.PCA9555BpfType});
    f.push_back({"I2CBPF", "PCA9555BpfAddress", &d.PCA9555BpfAddress});
    f.push_back({"I2CBPF", "EnablePCA9555", &d.EnablePCA9555});
    const std::string w = "Welkin";
    f.push_back({w, "IniWelkin_RooferAddress", &d.IniWelkin_RooferAddress});
    f.push_back({w, "IniWelkin_SquarerAddress", &d.IniWelkin_SquarerAddress});
    f.push_back({w, "IniWelkin_MixerAddress", &d.IniWelkin_MixerAddress});
    f.push_back({w, "IniWelkin_MixerEnable", &d.IniWelkin_MixerEnable});
    f.push_back({w, "IniWelkin_RooferSwitchEnable", &d.IniWelkin_RooferSwitchEnable});
    f.push_back({w, "IniWelkin_MixerDAC", &d.IniWelkin_MixerDAC});
    f.push_back({w, "IniWelkin_SquarerDAC", &d.IniWelkin_SquarerDAC});
    f.push_back({"RTC", "LocalTimeOffset", &d.LocalTimeOffset});
    return f;
}

template <class... Ts> struct Overloaded : Ts... { using Ts::operator()...; };
template <class... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;

// The text a field is written as.
std::string valueText(const Field& f) {
    return std::visit(Overloaded{[](int32_t* p) { return std::to_string(*p); },
                                 [](uint8_t* p) { return std::to_string(static_cast<unsigned>(*p)); },
                                 [](uint16_t* p) { return std::to_string(static_cast<unsigned>(*p)); },
                                 [](Operation o) { return std::string(PcaOperationName(*o.p)); },
                                 [](std::string* p) { return *p; }},
                      f.ref);
}

} // namespace

EememIniData_type::EememIniData_type()
    : bandlast(defaultBandLast), bandssb(defaultBandSsb), bandcw(defaultBandCw), mem67(defaultMem67),
      mem68(defaultMem68), mem69(defaultMem69), mem60(defaultMem60), poweron(slot(3272700, 0, 0, 1, 1)) {
    vfo.fill(slot(3272000, 0, 0, 1, 1));
}

std::string EememIniPath(const std::string& vantorFolder) {
    return joinPath(toPosixPath(vantorFolder), "KelvoxEemem.ini");
}

std::string EememIniPath() {
    return EememIniPath(RegIniData.VantorFolder);
}

void ReadEememIni(EememIniData_type& img, const std::string& path) {
    img = EememIniData_type();
    ProfileIni ini;
    ini.load(path); // a missing or unreadable file leaves every key at its default
    for (const Field& f : fieldsOf(img)) {
        std::visit(Overloaded{[&](int32_t* p) { *p = ini.getInt(f.section, f.key, *p); },
                              [&](uint8_t* p) {
                                  *p = lowByte(static_cast<unsigned>(ini.getInt(f.section, f.key, *p)));
                              },
                              [&](uint16_t* p) {
                                  *p = static_cast<uint16_t>(
                                      static_cast<unsigned>(ini.getInt(f.section, f.key, *p)) & 0xFFFF);
                              },
                              [&](Operation o) {
                                  *o.p = PcaOperationFromName(ini.getString(f.section, f.key, "no_action"));
                              },
                              [&](std::string* p) { *p = ini.getString(f.section, f.key, *p); }},
                   f.ref);
    }
}

void ReadEememIni() {
    ReadEememIni(EememIniData, EememIniPath());
}

bool WriteEememIni(const EememIniData_type& img, const std::string& path, std::string* error) {
    ProfileIni ini;
    if (fileExists(path) && !ini.load(path)) {
        // Never replace a file we could not read: its other lines would be lost.
        if (error)
            *error = "cannot read " + path;
        return false;
    }
    EememIniData_type copy = img;
    for (const Field& f : fieldsOf(copy)) {
        if (f.sixMetre)
            continue;
        std::string v = valueText(f);
        // A key that already holds this value keeps its line exactly as the user wrote it.
        if (ini.get(f.section, f.key) != v)
            ini.set(f.section, f.key, v);
    }
    return ini.save(path, error);
}

bool WriteEememIni(std::string* error) {
    return WriteEememIni(EememIniData, EememIniPath(), error);
}

std::vector<EememEntry> EememEntries(const EememIniData_type& img) {
    EememIniData_type copy = img;
    std::vector<EememEntry> out;
    for (const Field& f : fieldsOf(copy))
        out.push_back({f.section, f.key, valueText(f), f.sixMetre});
    return out;
}

std::optional<int8_t> LocalTimeOffsetHalfHours(std::string_view text) {
    std::string t = trim(text);
    std::string_view v(t);
    if (!v.empty() && v.front() == '+')
        v.remove_prefix(1);
    if (v.empty())
        return std::nullopt;
    double hours = 0;
    auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), hours, std::chars_format::fixed);
    if (ec != std::errc() || ptr != v.data() + v.size() || !std::isfinite(hours))
        return std::nullopt;
    double half = std::trunc(hours * 2);
    if (half < -128 || half > 127)
        return std::nullopt;
    return static_cast<int8_t>(half);
}

std::string LocalTimeOffsetText(int8_t halfHours) {
    int h = halfHours;
    if (h % 2 == 0)
        return std::to_string(h / 2);
    return std::string(h < 0 ? "-" : "") + std::to_string(std::abs(h) / 2) + ".5";
}

} // namespace tarnix
