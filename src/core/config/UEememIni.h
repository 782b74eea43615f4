#pragma once
// The controller settings image: one program-wide copy of the controller's user configuration, kept
// on disk as the INI file "KelvoxEemem.ini" in the Vantor folder so that a user can read and edit it.
//
// Every field is named by its INI key. Families of keys are arrays, index 0 being the first key of the
// family (encoder1, rxbuttonA, rxtouchpad1, VFO1, task 1 ...). The band stacks hold the bands in the
// order 160, 80, 40, 30, 20, 17, 15, 12, 10, 6 m; the 6 m slot (index 9) is read from the file when the
// file has it, but it is never written back and never travels to the controller.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnix {

// A frequency-and-mode memory.
struct FmSlot {
    int32_t Freq = 0;   // Hz
    int32_t Mode = 0;   // 0 LSB, 1 USB, 2 CWL, 3 CWH
    int32_t Filter = 0; // 0 wide, other narrow
    int32_t IP3 = 0;    // 1 "Best IP3", other "Best NF"
    int32_t Colour = 0; // 1 green, 2 yellow, 3 red
    bool operator==(const FmSlot&) const = default;
};

// The 8-byte wire form: frequency (32-bit, low byte first), mode, filter, IP3, colour.
constexpr size_t FmSlotWireSize = 8;
void PutFmSlot(uint8_t* dst, const FmSlot& s);
// Bytes are zero-extended; the frequency is taken as an unsigned 32-bit number.
FmSlot GetFmSlot(const uint8_t* src);

// A PCA9555 port-expander task.
struct IniPCAtask_type {
    uint8_t Operation = 0; // code 0..14, see PcaOperationNames
    uint8_t Address = 1;
    uint8_t Group = 0;
    uint16_t Dataword = 0;
    std::string Label = "PCA-9555"; // the controller keeps at most 11 characters
    bool operator==(const IniPCAtask_type&) const = default;
};

constexpr int PcaOperationCount = 15;
// The operation names as the file stores them, indexed by code 0..14.
extern const std::array<std::string_view, PcaOperationCount> PcaOperationNames;
// The code of a stored name: entries 1..14 compared exactly (with regard to case); anything else is 0.
uint8_t PcaOperationFromName(std::string_view name);
// The stored name of a code; a code above 14 has no name and is stored as "no_action".
std::string_view PcaOperationName(int code);

constexpr int BandCount = 10; // 160, 80, 40, 30, 20, 17, 15, 12, 10, 6 m
constexpr int Band6m = 9;     // index of the 6 m slot in a band stack
// "160m", "80m" ... "6m", as the band-stack keys spell them.
extern const std::array<std::string_view, BandCount> BandNames;

struct EememIniData_type {
    // rfconfig
    int32_t ddsclock = 175000000;
    int32_t lsboffset = 10751000;
    int32_t usboffset = 10753700;
    int32_t cwoffset = 10752350;
    int32_t cwoffsetenable = 0;
    // encoderparams
    std::array<int32_t, 8> encoder{22, 11, 61, 62, 81, 91, 82, 51};
    int32_t potA = 72;
    int32_t potB = 77;
    // rxbuttonassign, txbuttonassign: index 0 = button A
    std::array<int32_t, 26> rxbutton{};
    std::array<int32_t, 26> txbutton{};
    // rxtouchpadassign, txtouchpadassign: index 0 = touch pad 1
    std::array<int32_t, 15> rxtouchpad{};
    std::array<int32_t, 15> txtouchpad{};
    // ddsparams ("44CWmode" cannot be a name of its own)
    int32_t _44CWmode = 2;
    int32_t SoftwareFlywheel = 0;
    int32_t Autodim = 1;
    int32_t ParamResetMode = 1;
    int32_t DisplayBright = 255;
    int32_t DisplayDimmed = 80;
    int32_t AutoDimSeconds = 30;
    int32_t DisplayKeyValue = 0;
    int32_t DSPDDSKeysDisplay = 0;
    int32_t MenuTimeout = 0;
    int32_t MoxTimeout = 5;
    // touchpanel
    int32_t TouchCalLeft = 200;
    int32_t TouchCalRight = 840;
    int32_t TouchCalTop = 168;
    int32_t TouchCalBottom = 915;
    // band stacks and memories
    std::array<FmSlot, BandCount> bandlast;
    std::array<FmSlot, BandCount> bandssb;
    std::array<FmSlot, BandCount> bandcw;
    std::array<FmSlot, 6> mem67;
    std::array<FmSlot, 6> mem68;
    std::array<FmSlot, 6> mem69;
    std::array<FmSlot, 6> mem60;
    FmSlot poweron;
    std::array<FmSlot, 7> vfo;
    // PCA9555tasks
    std::array<IniPCAtask_type, 8> PCA9555tasks;
    // I2CBPF and Welkin (EnablePCA9555 comes last in memory although the file keeps it under I2CBPF)
    int32_t PCA9555BpfType = 0; // 0 inactive, 1 Vantor sequential, 2 Welkin
    int32_t PCA9555BpfAddress = 1;
    int32_t IniWelkin_RooferAddress = 1;
    int32_t IniWelkin_SquarerAddress = 1;
    int32_t IniWelkin_MixerAddress = 1;
    int32_t IniWelkin_MixerEnable = 0;
    int32_t IniWelkin_RooferSwitchEnable = 0;
    int32_t IniWelkin_MixerDAC = 0;
    int32_t IniWelkin_SquarerDAC = 0;
    int32_t EnablePCA9555 = 1;
    // RTC: hours from UTC as decimal text ("0", "1", "5.5", "-3.5")
    std::string LocalTimeOffset = "0";

    // Every field at its default, the band stacks and memories included.
    EememIniData_type();
    bool operator==(const EememIniData_type&) const = default;
};

// The program-wide image.
extern EememIniData_type EememIniData;

// The Vantor folder + "/KelvoxEemem.ini".
std::string EememIniPath(const std::string& vantorFolder);
// The same for the Vantor folder of the settings (RegIniData.VantorFolder).
std::string EememIniPath();

// Fills the image from the file. A missing file, a missing key or an integer that is not a whole
// number gives that key's default, without a message. Task addresses and groups keep their low 8 bits,
// data words their low 16 bits; an operation name that is not in the table reads as 0 ("no_action").
void ReadEememIni(EememIniData_type& img, const std::string& path);
void ReadEememIni(); // the program-wide image from EememIniPath()

// Writes every field but the 6 m slots into the file, keeping every other line of it (comments, unknown
// keys, 6 m lines) as it was; a missing file is created. The file is replaced atomically, so on failure
// it is untouched; the result is then false and *error says why (the caller reports it).
[[nodiscard]] bool WriteEememIni(const EememIniData_type& img, const std::string& path,
                                 std::string* error = nullptr);
[[nodiscard]] bool WriteEememIni(std::string* error = nullptr);

// One field of the image as the file holds it.
struct EememEntry {
    std::string section;
    std::string key;
    std::string value;
    bool sixMetre; // a 6 m band-stack key: read, never written
};
// Every field in file order, 6 m slots included, with its value as it would be written.
std::vector<EememEntry> EememEntries(const EememIniData_type& img);

// LocalTimeOffset in half hours, as the controller keeps it (hours × 2, truncated toward zero);
// nullopt when the text is not a decimal number or is outside a signed byte (−64 .. 63.5 hours).
std::optional<int8_t> LocalTimeOffsetHalfHours(std::string_view text);
// The shortest decimal text of halfHours / 2: 11 gives "5.5", −7 "-3.5", 2 "1".
std::string LocalTimeOffsetText(int8_t halfHours);

} // namespace tarnix
