#pragma once
// The DSP parameter set: up to 99 numbered parameters with name, user number, limits, display
// multiplier, page and six stored values (colour set green, yellow, red × mode group SSB, CW), kept in
// the user's parameter file and in "Filters/xparams.kvq" of the Vantor folder, plus the AD603 gain table.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnix {

constexpr int ParamCount = 99;           // parameters 1..99; index 0 of the tables is unused
constexpr uint8_t UseGreenValue = 254;   // stored value: use the green value of the same mode group
constexpr uint8_t NoValue = 255;         // stored value: not given by any file
constexpr size_t ParamFileLimit = 10004; // bytes of a parameter file
constexpr size_t ParamLineLimit = 200;   // characters of a parameter line
constexpr size_t AD603Entries = 42;
constexpr size_t ParamImageSize = 1048;

// The extra parameters, kept in "Filters/xparams.kvq" and not in the user's file, in the order of the
// extra-parameter DSP file "Filters/xparams.dat".
constexpr std::array<int, 12> ExtraParams = {86, 79, 78, 29, 28, 27, 26, 19, 18, 17, 16, 15};
bool IsExtraParam(int n);

// Colour 1 green, 2 yellow, 3 red; mode group 1 SSB, 2 CW.
constexpr int SetIndex(int colour, int modeGroup) {
    return (colour - 1) * 2 + (modeGroup - 1);
}

// The heading lines of a parameter file.
extern const char* const ParamFileHeading1;
extern const char* const ParamFileHeading2;

class TParams {
public:
    // Paths from the settings as they are now: RegIniData.VantorFolder, and the parameter file named in
    // kvq.ini (read again here). Later changes of either take effect at the next start.
    TParams();
    TParams(const std::string& vantorFolder, const std::string& paramFileName);

    std::array<uint8_t, 100> TransferBuffer{}; // staging for USB reads and writes
    std::array<std::string, ParamCount + 1> Names;
    std::array<uint8_t, ParamCount + 1> UserNo{};
    std::array<uint8_t, ParamCount + 1> MinValue{};
    std::array<uint8_t, ParamCount + 1> MaxValue{};
    // Element SetIndex(colour, modeGroup): SSB green, CW green, SSB yellow, CW yellow, SSB red, CW red.
    std::array<std::array<uint8_t, 6>, ParamCount + 1> SetValues{};
    std::array<uint8_t, ParamCount + 1> Multiplier{}; // hundredths: shown = stored × Multiplier / 100
    std::array<uint8_t, ParamCount + 1> Page{};
    std::array<uint8_t, AD603Entries> AD603Table{}; // entry i: the DAC code at i dB of gain
    uint8_t DirectMode = 0;
    std::string ExtraDatFile;   // Vantor folder + "Filters/xparams.dat"
    std::string AD603File;      // Vantor folder + "Filters/AD603.dat"
    std::string ExtraParamFile; // Vantor folder + "Filters/xparams.kvq"
    std::string UserParamFile;  // Vantor folder + the parameter file named in kvq.ini
    std::array<uint8_t, 2002> SendImage{};
    uint16_t SendLen = 0;
    uint8_t DirectColour = 0;

    // Reads the user's file, then "Filters/xparams.kvq" (a parameter in both keeps the later line).
    // A missing file shows "Cannot find your parameter file:  " + its path. A file beyond the limits
    // (more than 10 004 bytes, a line over 200 characters, a parameter number outside 1..99) is refused
    // with a message naming the file and the limit, and the set is left as it was. Unconvertible
    // fields are reported with LogError and keep the previous line's value. False on any failure.
    bool LoadParameterFiles();

    // Writes the user's file and "Filters/xparams.kvq" (with backup: their ".BAK" twins instead) and
    // always "Filters/xparams.dat". Parameters 1..9 that are written get green values 0 in memory and in
    // the file. Each file is replaced atomically; on failure the files not yet written are untouched,
    // the result is false and *error says why (the caller reports it).
    [[nodiscard]] bool SaveParameterFiles(bool backup, std::string* error = nullptr);

    // Reads "Filters/AD603.dat": characters 3 and 4 of each of its first 42 lines as a hexadecimal byte.
    // A missing file, a short file, a short line or a character that is not a hexadecimal digit is
    // logged error 12; the entries read before it keep their new values, the others their old ones.
    bool LoadAD603Table();

    // SSB value of parameter 65 in colour c := SSB value of parameter 63 in colour c × 75 div 100 + 45.
    void DeriveParam65(int colour);

    // The set as a parameter file's text (the parameters of the user's file, or the extra ones).
    std::string ParameterFileText(bool extraFile);
    // The 64 lines of "Filters/xparams.dat".
    std::string ExtraDatText() const;

    // Every value 255, user numbers, limits and pages 0, multipliers 1, names empty.
    void ResetSet();

    // How a parameter file image parsed.
    enum class ParseOutcome {
        Ok,      // up to "END FILE" or parameter 99
        Stopped, // a line with fewer than 13 fields (or the end of the image) stopped the parse; the
                 // lines before it keep their values
        Refused, // beyond the limits; the set is unchanged
    };
    // Parses one parameter file image into the set; *message (when given) says what went wrong, naming
    // fileName. Parameter 6 gets green values 0 afterwards unless the image was refused.
    ParseOutcome ParseParameterImage(std::string_view image, const std::string& fileName,
                                     std::string* message = nullptr);

    // True when the image is within the limits (*message says why not); changes nothing.
    bool CheckParameterImage(std::string_view image, const std::string& fileName,
                             std::string* message = nullptr);

private:
    ParseOutcome parsePass(std::string_view image, const std::string& fileName, std::string* message,
                           bool store);
    void formPaths(const std::string& vantorFolder, const std::string& paramFileName);
};

// The program-wide parameter set, created by the main window after the settings are read.
extern TParams* Params;

// The 1048-byte image the controller's EEPROM takes: ten blocks of 13 "#" + CR and one byte for each
// parameter 10..99 (SSB green, SSB yellow, SSB red, max, min, CW green, CW yellow, CW red,
// user number mod 10, multiplier), then 8 "#".
std::vector<uint8_t> BuildParamImage(const TParams& p);

// The SSB value of parameter 65 that follows from parameter 63's: v63 × 75 div 100 + 45, as a byte.
uint8_t DerivedParam65(uint8_t v63);

// The multiplier as a parameter file writes it: 100 as "1", 0 as "0", others as hundredths ".05".
std::string MultiplierText(uint8_t multiplier);

// The file name with its extension replaced by ".BAK" (added when there is none).
std::string BackupPath(const std::string& path);

} // namespace tarnix
