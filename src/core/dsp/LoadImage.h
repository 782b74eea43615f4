#pragma once
// The DSP load image: the DSP code file, the filter list "Filters/filters.kvq" and its filter files,
// turned into the byte image that goes to the controller's EEPROM (over USB) or straight to the DSP
// (over the serial port). Everything here is a pure function of the files; nothing is sent.
//
// Image layout:
//   head     USB: 13 "#" + "x"            serial: "$$$" + CR
//   records  "$DP" (program memory, 3 bytes a word) or "$DD" (data memory, 2 bytes a word),
//            address (2 bytes, high first), word count (2 bytes, high first), the words (high first).
//            A program section at 0000 (the start section) is split into 48 words at 3FC0, the rest
//            at 0030, and one byte 0.
//            Then one program record per filter file at its listed address.
//   trailer  "$DP" 37 FE 00 01, checksum high, checksum low, 00, CR
//   tail     7 "#"
//
// Files beyond the buffers the controller side is built for are refused before anything is sent,
// with a message that names the file, the line and the limit.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarnix {

enum class LoadTarget : uint8_t { Usb = 2, Serial = 3 };

// Limits of the load buffers.
constexpr size_t kMaxImageBytes = 40001;
constexpr size_t kMaxStagedBytes = 32001;
constexpr size_t kMaxFilters = 7;
constexpr size_t kMaxFilterWords = 255;
constexpr size_t kStartSplitWords = 48;
constexpr uint16_t kStartBootAddress = 0x3FC0;
constexpr uint16_t kStartRestAddress = 0x0030;

enum class LoadFault {
    MissingCodeFile,
    MissingFilterList,
    MissingFilterFile, // logged error 45
    NoEscLine,         // the code file ends before its ESC line (logged error 17 at a type line)
    BadAddressLine,    // logged error 8
    NotHex,            // a data line or filter word that is not upper-case hexadecimal
    BadFilterLine,     // fewer than three fields (logged error 35)
    BadFilterEntry,    // empty name or an address that is not hexadecimal (logged error 44)
    TooManyFilters,
    FilterTooLong,
    SectionTooLarge,
    StartSectionTooShort,
    ImageTooLarge,
};

struct LoadRefusal {
    LoadFault fault = LoadFault::MissingCodeFile;
    std::string file; // full path
    int line = 0;     // 1-based; 0 when the whole file is meant
    // The text for the user. For the two missing-file cases these are the program's warnings
    // "Cannot find your DSP code file:  " / "Cannot find your Filter code file:  " + path.
    std::string message;
    // True when the refusal has already been reported through LogError (the caller then shows
    // nothing more).
    bool logged = false;
};

template <class T> struct LoadResult {
    std::optional<T> value;
    LoadRefusal refusal; // meaningful when !value
    bool ok() const { return value.has_value(); }
};

// One section of the DSP code file, its words staged as they go into the record.
struct CodeSection {
    bool program = true; // "@PA": 24-bit words; anything else: 16-bit data words
    uint16_t address = 0;
    std::vector<uint8_t> staged; // 3 (program) or 2 (data) bytes per word, high byte first
    int typeLine = 0;            // 1-based line of the type line
    int endLine = 0;             // 1-based line of the "#" line
    size_t words() const { return staged.size() / (program ? 3 : 2); }
};

struct FilterEntry {
    std::string name;
    std::string description; // kept, not used
    uint16_t address = 0;
    int line = 0;
};

struct LoadRecord {
    size_t offset = 0; // of "$DP"/"$DD" in the image
    bool program = true;
    uint16_t address = 0;
    uint16_t words = 0;
    std::string file; // where the words came from
    int line = 0;
};

struct LoadImage {
    LoadTarget target = LoadTarget::Usb;
    std::vector<uint8_t> bytes;
    uint16_t imageChecksum = 0;      // as placed in the trailer
    std::vector<LoadRecord> records; // code and filter records in image order (not the trailer)
    std::vector<FilterEntry> filters;
    std::string codeFile;
    std::string filterListFile;
};

// Where the loader's files are: Vantor folder + the DSP code file named in "kvq.ini",
// + "Filters/filters.kvq", and the folder "Filters" for the filter files. Names are found without
// regard to case when the exact spelling does not exist (folders copied from Windows).
struct LoadPaths {
    std::string codeFile;
    std::string filterListFile;
    std::string filtersFolder;
};
LoadPaths loadPaths(const std::string& vantorFolder, const std::string& dspFileName);

// The file parsers, over a file's text. fileName is used in messages.
LoadResult<std::vector<CodeSection>> parseCodeFile(const std::string& text, const std::string& fileName);
LoadResult<std::vector<FilterEntry>> parseFilterList(const std::string& text, const std::string& fileName);
// The words of one filter file (3 bytes each), up to the first line shorter than six characters.
LoadResult<std::vector<uint8_t>> parseFilterFile(const std::string& text, const std::string& fileName);

// The name under which a listed filter file is opened: "decint.dat" becomes "EZdecint.dat" when the
// code file's name (without its folder) starts with "EZ", in any case.
std::string filterFileName(const std::string& listedName, const std::string& codeFile);

// Running image checksum: every byte of a data word is added (the high byte times 256), the sum kept
// below 32 768 after each addition.
uint16_t addWordToChecksum(uint16_t sum, uint8_t high, uint8_t middle, uint8_t low);

// Builds the image from the files. A missing code file or filter list gives the program's warning
// text as the refusal (not logged); parser errors are logged with their numbers and refused.
//
// The checksum of a data word uses the middle byte left over from the last 24-bit word read before
// it (0 before any), as the receiving side counts it.
LoadResult<LoadImage> buildLoadImage(const LoadPaths& paths, LoadTarget target);

// The PC's checksum of the image as sent: the sum of all its bytes plus its length, modulo 65 536.
uint16_t pcChecksum(const std::vector<uint8_t>& image);

// Sizes of the writes that carry n bytes in blocks of `block` (the last one shorter, never padded).
std::vector<size_t> blockSizes(size_t n, size_t block = 64);

// Decodes an image back into its records (for checks and the simulators): head and tail are skipped,
// the byte 0 after a start split is passed over. nullopt when the bytes do not form an image.
struct DecodedRecord {
    bool program = true;
    uint16_t address = 0;
    std::vector<uint32_t> words;
};
std::optional<std::vector<DecodedRecord>> decodeLoadImage(const std::vector<uint8_t>& image);

} // namespace tarnix
