#include "dsp/LoadImage.h"

#include "base/ByteOrder.h"
#include "base/Files.h"
#include "base/PathCase.h"
#include "base/Text.h"
#include "shell/LogError.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace tarnix {

namespace {

constexpr char kEsc = 27;

// The first n characters of s as hexadecimal digits, or nullopt.
std::optional<uint32_t> hexPrefix(const std::string& s, size_t n) {
    if (s.size() < n)
        return std::nullopt;
    uint32_t v = 0;
    for (size_t i = 0; i < n; ++i) {
        // Upper-case digits only, as the DSP tools write them.
        int d = hexDigitValue(s[i], true);
        if (d < 0)
            return std::nullopt;
        v = v * 16 + static_cast<uint32_t>(d);
    }
    return v;
}

std::string where(const std::string& file, int line) {
    return line > 0 ? file + ", line " + std::to_string(line) : file;
}

template <class T>
LoadResult<T> refuse(LoadFault fault, const std::string& file, int line, const std::string& what) {
    LoadResult<T> r;
    r.refusal.fault = fault;
    r.refusal.file = file;
    r.refusal.line = line;
    r.refusal.message = where(file, line) + ": " + what;
    return r;
}

// A refusal that is also reported through the logged-error report with its number.
template <class T>
LoadResult<T> refuseLogged(int number, LoadFault fault, const std::string& file, int line,
                           const std::string& what, long long b = 0) {
    auto r = refuse<T>(fault, file, line, what);
    LogError(number, where(file, line), what, line, b, 0, 0);
    r.refusal.logged = true;
    return r;
}

template <class T, class U> LoadResult<T> passOn(const LoadResult<U>& from) {
    LoadResult<T> r;
    r.refusal = from.refusal;
    return r;
}

std::string shown(const std::string& line) {
    std::string s = line.substr(0, 40);
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 32)
            c = '?';
    return "\"" + s + (line.size() > 40 ? "...\"" : "\"");
}

} // namespace

LoadPaths loadPaths(const std::string& vantorFolder, const std::string& dspFileName) {
    std::string folder = toPosixPath(vantorFolder);
    LoadPaths p;
    p.codeFile = resolvePathNoCase(joinPath(folder, toPosixPath(dspFileName)));
    p.filtersFolder = resolvePathNoCase(joinPath(folder, "Filters"));
    p.filterListFile = resolvePathNoCase(joinPath(p.filtersFolder, "filters.kvq"));
    return p;
}

LoadResult<std::vector<CodeSection>> parseCodeFile(const std::string& text, const std::string& fileName) {
    using R = LoadResult<std::vector<CodeSection>>;
    std::vector<std::string> lines = splitLines(text);
    std::vector<CodeSection> sections;
    size_t i = 1; // line 1 is a title and not read
    for (;;) {
        int lineNo = static_cast<int>(i) + 1;
        if (i >= lines.size())
            return refuseLogged<std::vector<CodeSection>>(
                17, LoadFault::NoEscLine, fileName, lineNo,
                "the file ends where a section type line or the ESC end line is expected");
        const std::string& typeLine = lines[i];
        if (!typeLine.empty() && typeLine[0] == kEsc)
            break;
        CodeSection s;
        s.typeLine = lineNo;
        s.program = trim(typeLine) == "@PA";
        ++i;
        lineNo = static_cast<int>(i) + 1;
        if (i >= lines.size())
            return refuseLogged<std::vector<CodeSection>>(8, LoadFault::NoEscLine, fileName, lineNo,
                                                          "the file ends where the address line is expected");
        auto address = hexPrefix(lines[i], 4);
        if (!address)
            return refuseLogged<std::vector<CodeSection>>(8, LoadFault::BadAddressLine, fileName, lineNo,
                                                          "the address line " + shown(lines[i]) +
                                                              " does not start with four hexadecimal digits");
        s.address = static_cast<uint16_t>(*address);
        ++i;
        const size_t digits = s.program ? 6 : 4;
        for (;; ++i) {
            lineNo = static_cast<int>(i) + 1;
            if (i >= lines.size())
                return refuse<std::vector<CodeSection>>(LoadFault::NoEscLine, fileName, lineNo,
                                                        "the file ends inside the section of line " +
                                                            std::to_string(s.typeLine) +
                                                            " (no \"#\" end line, no ESC end line)");
            const std::string& l = lines[i];
            if (!l.empty() && l[0] == '#')
                break;
            auto word = hexPrefix(l, digits);
            if (!word)
                return refuse<std::vector<CodeSection>>(LoadFault::NotHex, fileName, lineNo,
                                                        "the data line " + shown(l) +
                                                            " does not start with " + std::to_string(digits) +
                                                            " upper-case hexadecimal digits");
            if (s.staged.size() + digits / 2 > kMaxStagedBytes)
                return refuse<std::vector<CodeSection>>(
                    LoadFault::SectionTooLarge, fileName, lineNo,
                    "the section of line " + std::to_string(s.typeLine) + " holds more than " +
                        std::to_string(kMaxStagedBytes) + " bytes (the limit of a section)");
            if (s.program)
                s.staged.push_back(static_cast<uint8_t>(*word >> 16));
            s.staged.push_back(static_cast<uint8_t>(*word >> 8));
            s.staged.push_back(static_cast<uint8_t>(*word));
        }
        s.endLine = static_cast<int>(i) + 1;
        if (s.program && s.address == 0 && s.words() < kStartSplitWords)
            return refuse<std::vector<CodeSection>>(LoadFault::StartSectionTooShort, fileName, s.typeLine,
                                                    "the start section at 0000 has " +
                                                        std::to_string(s.words()) + " words, at least " +
                                                        std::to_string(kStartSplitWords) + " are needed");
        sections.push_back(std::move(s));
        ++i;
    }
    R r;
    r.value = std::move(sections);
    return r;
}

LoadResult<std::vector<FilterEntry>> parseFilterList(const std::string& text, const std::string& fileName) {
    using T = std::vector<FilterEntry>;
    std::vector<std::string> lines = splitLines(text);
    T filters;
    for (size_t i = 0; i < lines.size(); ++i) {
        int lineNo = static_cast<int>(i) + 1;
        if (trim(lines[i]).empty())
            continue;
        if (filters.size() == kMaxFilters)
            return refuse<T>(LoadFault::TooManyFilters, fileName, lineNo,
                             "more than " + std::to_string(kMaxFilters) +
                                 " filter files are listed (at most " + std::to_string(kMaxFilters) + ")");
        const std::string& l = lines[i];
        size_t c1 = l.find(',');
        size_t c2 = c1 == std::string::npos ? c1 : l.find(',', c1 + 1);
        if (c2 == std::string::npos)
            return refuseLogged<T>(35, LoadFault::BadFilterLine, fileName, lineNo,
                                   "the line " + shown(l) + " does not have three comma-separated fields");
        size_t c3 = l.find(',', c2 + 1);
        FilterEntry f;
        f.name = trim(std::string_view(l).substr(0, c1));
        f.description = trim(std::string_view(l).substr(c1 + 1, c2 - c1 - 1));
        std::string addr =
            trim(std::string_view(l).substr(c2 + 1, c3 == std::string::npos ? c3 : c3 - c2 - 1));
        auto a = hexPrefix(addr, 4);
        if (f.name.empty() || !a)
            return refuseLogged<T>(44, LoadFault::BadFilterEntry, fileName, lineNo,
                                   f.name.empty() ? "the filter entry has no file name"
                                                  : "the load address " + shown(addr) +
                                                        " is not four hexadecimal digits",
                                   static_cast<long long>(filters.size() + 1));
        f.address = static_cast<uint16_t>(*a);
        f.line = lineNo;
        filters.push_back(std::move(f));
    }
    LoadResult<T> r;
    r.value = std::move(filters);
    return r;
}

LoadResult<std::vector<uint8_t>> parseFilterFile(const std::string& text, const std::string& fileName) {
    using T = std::vector<uint8_t>;
    std::vector<std::string> lines = splitLines(text);
    T staged;
    for (size_t i = 0; i < lines.size(); ++i) {
        int lineNo = static_cast<int>(i) + 1;
        if (lines[i].size() < 6)
            break;
        auto w = hexPrefix(lines[i], 6);
        if (!w)
            return refuse<T>(LoadFault::NotHex, fileName, lineNo,
                             "the line " + shown(lines[i]) + " is not six upper-case hexadecimal digits");
        if (staged.size() / 3 == kMaxFilterWords)
            return refuse<T>(LoadFault::FilterTooLong, fileName, lineNo,
                             "more than " + std::to_string(kMaxFilterWords) + " words (at most " +
                                 std::to_string(kMaxFilterWords) + " in a filter file)");
        staged.push_back(static_cast<uint8_t>(*w >> 16));
        staged.push_back(static_cast<uint8_t>(*w >> 8));
        staged.push_back(static_cast<uint8_t>(*w));
    }
    LoadResult<T> r;
    r.value = std::move(staged);
    return r;
}

std::string filterFileName(const std::string& listedName, const std::string& codeFile) {
    std::string codeName = fs::path(toPosixPath(codeFile)).filename().string();
    if (equalsNoCase(listedName, "decint.dat") && startsWith(toUpper(codeName), "EZ"))
        return "EZ" + listedName;
    return listedName;
}

uint16_t addWordToChecksum(uint16_t sum, uint8_t high, uint8_t middle, uint8_t low) {
    uint32_t s = sum;
    s = (s + high * 256u) % 32768u;
    s = (s + middle) % 32768u;
    s = (s + low) % 32768u;
    return static_cast<uint16_t>(s);
}

namespace {

class ImageWriter {
public:
    explicit ImageWriter(LoadImage& img) : img_(img) {}

    void put(uint8_t b) { img_.bytes.push_back(b); }
    void put(std::string_view s) {
        for (char c : s)
            put(static_cast<uint8_t>(c));
    }
    void putBe(uint16_t v) {
        uint8_t b[2];
        putBe16(b, v);
        put(b[0]);
        put(b[1]);
    }

    // One record; staged holds 3 or 2 bytes per word. The checksum counts every word.
    void record(bool program, uint16_t address, const uint8_t* staged, size_t words, const std::string& file,
                int line) {
        img_.records.push_back(
            {img_.bytes.size(), program, address, static_cast<uint16_t>(words), file, line});
        put(program ? "$DP" : "$DD");
        putBe(address);
        putBe(static_cast<uint16_t>(words));
        const size_t size = program ? 3 : 2;
        for (size_t w = 0; w < words; ++w) {
            const uint8_t* p = staged + w * size;
            if (program) {
                lastWord_[0] = p[0];
                lastWord_[1] = p[1];
                lastWord_[2] = p[2];
            } else {
                // A data word replaces the high and low bytes only; the middle byte stays from the
                // last program word.
                lastWord_[0] = p[0];
                lastWord_[2] = p[1];
            }
            img_.imageChecksum =
                addWordToChecksum(img_.imageChecksum, lastWord_[0], lastWord_[1], lastWord_[2]);
            for (size_t k = 0; k < size; ++k)
                put(p[k]);
        }
    }

    bool tooLarge() const { return img_.bytes.size() > kMaxImageBytes; }

private:
    LoadImage& img_;
    uint8_t lastWord_[3] = {0, 0, 0};
};

template <class T> LoadResult<T> imageTooLarge(const std::string& file, int line, size_t size) {
    return refuse<T>(LoadFault::ImageTooLarge, file, line,
                     "the load image grows to " + std::to_string(size) + " bytes here, above the limit of " +
                         std::to_string(kMaxImageBytes) + " bytes");
}

} // namespace

LoadResult<LoadImage> buildLoadImage(const LoadPaths& paths, LoadTarget target) {
    LoadImage img;
    img.target = target;
    img.codeFile = paths.codeFile;
    img.filterListFile = paths.filterListFile;
    ImageWriter out(img);

    if (target == LoadTarget::Usb) {
        for (int i = 0; i < 13; ++i)
            out.put('#');
        out.put('x');
    } else {
        out.put("$$$\r");
    }

    auto codeText = fileExists(paths.codeFile) ? readFile(paths.codeFile) : std::nullopt;
    if (!codeText) {
        LoadResult<LoadImage> r;
        r.refusal = {LoadFault::MissingCodeFile, paths.codeFile, 0,
                     "Cannot find your DSP code file:  " + paths.codeFile, false};
        return r;
    }
    auto sections = parseCodeFile(*codeText, paths.codeFile);
    if (!sections.ok())
        return passOn<LoadImage>(sections);
    for (const CodeSection& s : *sections.value) {
        if (s.program && s.address == 0) {
            out.record(true, kStartBootAddress, s.staged.data(), kStartSplitWords, paths.codeFile,
                       s.typeLine);
            out.record(true, kStartRestAddress, s.staged.data() + 3 * kStartSplitWords,
                       s.words() - kStartSplitWords, paths.codeFile, s.typeLine);
            out.put(uint8_t{0});
        } else {
            out.record(s.program, s.address, s.staged.data(), s.words(), paths.codeFile, s.typeLine);
        }
        if (out.tooLarge())
            return imageTooLarge<LoadImage>(paths.codeFile, s.endLine, img.bytes.size());
    }

    auto listText = fileExists(paths.filterListFile) ? readFile(paths.filterListFile) : std::nullopt;
    if (!listText) {
        LoadResult<LoadImage> r;
        r.refusal = {LoadFault::MissingFilterList, paths.filterListFile, 0,
                     "Cannot find your Filter code file:  " + paths.filterListFile, false};
        return r;
    }
    auto filters = parseFilterList(*listText, paths.filterListFile);
    if (!filters.ok())
        return passOn<LoadImage>(filters);
    img.filters = *filters.value;
    for (size_t k = 0; k < img.filters.size(); ++k) {
        const FilterEntry& f = img.filters[k];
        std::string name = filterFileName(f.name, paths.codeFile);
        std::string path = resolvePathNoCase(joinPath(paths.filtersFolder, toPosixPath(name)));
        auto text = fileExists(path) ? readFile(path) : std::nullopt;
        if (!text)
            return refuseLogged<LoadImage>(45, LoadFault::MissingFilterFile, paths.filterListFile, f.line,
                                           "cannot open the filter file " + path,
                                           static_cast<long long>(k + 1));
        auto words = parseFilterFile(*text, path);
        if (!words.ok())
            return passOn<LoadImage>(words);
        out.record(true, f.address, words.value->data(), words.value->size() / 3, path, 1);
        if (out.tooLarge())
            return imageTooLarge<LoadImage>(paths.filterListFile, f.line, img.bytes.size());
    }

    // Trailer: one word at 37FE carrying the checksum, then CR; it does not count itself.
    out.put("$DP");
    out.putBe(0x37FE);
    out.putBe(1);
    out.putBe(img.imageChecksum);
    out.put(uint8_t{0});
    out.put('\r');
    for (int i = 0; i < 7; ++i)
        out.put('#');
    if (out.tooLarge())
        return imageTooLarge<LoadImage>(paths.filterListFile, 0, img.bytes.size());

    LoadResult<LoadImage> r;
    r.value = std::move(img);
    return r;
}

uint16_t pcChecksum(const std::vector<uint8_t>& image) {
    uint32_t sum = static_cast<uint32_t>(image.size());
    for (uint8_t b : image)
        sum += b;
    return static_cast<uint16_t>(sum & 0xFFFF);
}

std::vector<size_t> blockSizes(size_t n, size_t block) {
    std::vector<size_t> out;
    for (size_t done = 0; done < n; done += block)
        out.push_back(std::min(block, n - done));
    return out;
}

std::optional<std::vector<DecodedRecord>> decodeLoadImage(const std::vector<uint8_t>& image) {
    size_t i = 0;
    const size_t n = image.size();
    if (n >= 4 && image[0] == '$' && image[1] == '$' && image[2] == '$' && image[3] == '\r') {
        i = 4;
    } else {
        while (i < n && image[i] == '#')
            ++i;
        if (i == 0 || i >= n || image[i] != 'x')
            return std::nullopt;
        ++i;
    }
    std::vector<DecodedRecord> records;
    for (;;) {
        if (i < n && image[i] == 0) {
            ++i;
            continue;
        }
        if (i + 7 > n || image[i] != '$' || image[i + 1] != 'D' ||
            (image[i + 2] != 'P' && image[i + 2] != 'D'))
            return std::nullopt;
        DecodedRecord r;
        r.program = image[i + 2] == 'P';
        r.address = be16(&image[i + 3]);
        uint16_t words = be16(&image[i + 5]);
        i += 7;
        const size_t size = r.program ? 3 : 2;
        if (i + words * size > n)
            return std::nullopt;
        for (uint16_t w = 0; w < words; ++w, i += size)
            r.words.push_back(r.program
                                  ? (uint32_t{image[i]} << 16) | (uint32_t{image[i + 1]} << 8) | image[i + 2]
                                  : be16(&image[i]));
        bool trailer = r.program && r.address == 0x37FE && words == 1;
        records.push_back(std::move(r));
        if (trailer) {
            if (i >= n || image[i] != '\r')
                return std::nullopt;
            ++i;
            if (n - i != 7)
                return std::nullopt;
            for (; i < n; ++i)
                if (image[i] != '#')
                    return std::nullopt;
            return records;
        }
    }
}

} // namespace tarnix
