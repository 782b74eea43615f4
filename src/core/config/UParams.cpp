#include "config/UParams.h"

#include "base/Files.h"
#include "base/Messages.h"
#include "base/PathCase.h"
#include "base/Text.h"
#include "shell/LogError.h"
#include "shell/UIniData.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace tarnix {

TParams* Params = nullptr;

const char* const ParamFileHeading1 =
    "Parameter name         User#    Vantor# SSBGREEN SSBYELLOW SSBRED CWGREEN "
    "CWYELLOW CWRED  MIN     MAX     x   Page";
const char* const ParamFileHeading2 =
    "--------------         -----    ----- -------- --------- ------ ------- "
    "-------- -----  ---     ---     -   ----";

bool IsExtraParam(int n) {
    for (int p : ExtraParams)
        if (p == n)
            return true;
    return false;
}

TParams::TParams() {
    LoadKvqIni();
    formPaths(RegIniData.VantorFolder, KvqIniData.ParamsFile);
}

TParams::TParams(const std::string& vantorFolder, const std::string& paramFileName) {
    formPaths(vantorFolder, paramFileName);
}

void TParams::formPaths(const std::string& vantorFolder, const std::string& paramFileName) {
    std::string folder = toPosixPath(vantorFolder);
    ExtraDatFile = joinPath(folder, "Filters/xparams.dat");
    AD603File = joinPath(folder, "Filters/AD603.dat");
    ExtraParamFile = joinPath(folder, "Filters/xparams.kvq");
    UserParamFile = joinPath(folder, toPosixPath(paramFileName));
}

void TParams::ResetSet() {
    for (auto& v : SetValues)
        v.fill(NoValue);
    UserNo.fill(0);
    MinValue.fill(0);
    MaxValue.fill(0);
    Page.fill(0);
    Multiplier.fill(1);
    for (auto& n : Names)
        n.clear();
}

namespace {

// The parameter file's line reader: a line runs up to the next CR or LF, and every CR and LF after it
// is skipped, so empty lines vanish.
class LineReader {
public:
    explicit LineReader(std::string_view image) : image_(image) {}
    bool atEnd() const { return pos_ >= image_.size(); }
    size_t lineNo() const { return lineNo_; }
    std::string_view next() {
        // Count the line breaks skipped since the last line, for messages.
        size_t start = pos_;
        while (pos_ < image_.size() && image_[pos_] != '\r' && image_[pos_] != '\n')
            ++pos_;
        std::string_view line = image_.substr(start, pos_ - start);
        lineNo_ = nextLineNo_;
        while (pos_ < image_.size() && (image_[pos_] == '\r' || image_[pos_] == '\n')) {
            if (image_[pos_] == '\n' || pos_ + 1 >= image_.size() || image_[pos_ + 1] != '\n')
                ++nextLineNo_;
            ++pos_;
        }
        return line;
    }

private:
    std::string_view image_;
    size_t pos_ = 0;
    size_t lineNo_ = 0;
    size_t nextLineNo_ = 1;
};

// Splits at the first 12 commas; false when there are fewer.
bool splitFields(std::string_view line, std::array<std::string, 13>& f) {
    size_t start = 0;
    for (int i = 0; i < 12; ++i) {
        size_t comma = line.find(',', start);
        if (comma == std::string_view::npos)
            return false;
        f[i] = trim(line.substr(start, comma - start));
        start = comma + 1;
    }
    f[12] = trim(line.substr(start));
    return true;
}

enum class DecimalError { None, Conversion, Scaling, Truncation };

// A multiplier text such as ".05" or "1" in hundredths: number × 100 + 0.001, truncated.
DecimalError parseHundredths(const std::string& text, long long* out) {
    std::string_view v(text);
    if (!v.empty() && v.front() == '+')
        v.remove_prefix(1);
    double x = 0;
    auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), x);
    if (v.empty() || ec != std::errc() || ptr != v.data() + v.size() || std::isnan(x) || std::isinf(x))
        return DecimalError::Conversion;
    double scaled = x * 100.0;
    if (!std::isfinite(scaled))
        return DecimalError::Scaling;
    double t = std::trunc(scaled + 0.001);
    if (!(std::fabs(t) < 9.0e18))
        return DecimalError::Truncation;
    *out = static_cast<long long>(t);
    return DecimalError::None;
}

} // namespace

TParams::ParseOutcome TParams::parsePass(std::string_view image, const std::string& fileName,
                                         std::string* message, bool store) {
    auto say = [&](const std::string& text) {
        if (message)
            *message = text;
    };
    if (image.size() > ParamFileLimit) {
        say("Parameter file " + fileName + " is larger than " + std::to_string(ParamFileLimit) + " bytes (" +
            std::to_string(image.size()) + " bytes). Nothing was read from it.");
        return ParseOutcome::Refused;
    }
    LineReader reader(image);
    reader.next();
    reader.next();
    std::array<long long, 13> prev{}; // each field's value on the previous line
    std::array<std::string, 13> f;
    ParseOutcome outcome = ParseOutcome::Ok;
    while (true) {
        const bool ended = reader.atEnd();
        std::string_view line = reader.next();
        const size_t lineNo = reader.lineNo();
        if (line.size() > ParamLineLimit) {
            say("Parameter file " + fileName + ": line " + std::to_string(lineNo) + " is longer than " +
                std::to_string(ParamLineLimit) + " characters. Nothing was read from it.");
            return ParseOutcome::Refused;
        }
        if (line.substr(0, 8) == "END FILE")
            break;
        if (!splitFields(line, f)) {
            say(ended ? "Parameter file " + fileName + " ends without \"END FILE\"."
                      : "Parameter file " + fileName + ": line " + std::to_string(lineNo) +
                            " has fewer than 13 comma-separated fields; reading stopped there.");
            outcome = ParseOutcome::Stopped;
            break;
        }
        std::array<long long, 13> v{};
        for (int k = 1; k <= 12; ++k) {
            if (k == 11) {
                long long h = 0;
                DecimalError e = parseHundredths(f[k], &h);
                if (e == DecimalError::None)
                    v[k] = h;
                else {
                    v[k] = prev[k];
                    if (store)
                        LogError(e == DecimalError::Conversion ? 6
                                 : e == DecimalError::Scaling  ? 7
                                                               : 8,
                                 "paParsed[pcol]", f[k], k, prev[2], static_cast<long long>(lineNo), 0);
                }
                continue;
            }
            auto n = parseInt(f[k]);
            if (n)
                v[k] = *n;
            else {
                v[k] = prev[k];
                if (store)
                    LogError(9, "paParsed[pcol]", f[k], k, prev[2], static_cast<long long>(lineNo), 0);
            }
        }
        // A parameter number outside the tables is refused rather than written somewhere. (A number
        // that did not convert keeps the previous line's, which was checked already.)
        const long long n = v[2];
        if ((n < 1 || n > ParamCount) && parseInt(f[2])) {
            say("Parameter file " + fileName + ": line " + std::to_string(lineNo) + " has parameter number " +
                f[2] + "; parameter numbers go from 1 to " + std::to_string(ParamCount) +
                ". Nothing was read from it.");
            return ParseOutcome::Refused;
        }
        prev = v;
        // n is 0 only when the first line's number did not convert (logged above): nothing to store.
        if (store && n >= 1 && n <= ParamCount) {
            auto b = [&](int k) { return static_cast<uint8_t>(v[k] & 0xFF); };
            Names[n] = f[0];
            UserNo[n] = b(1);
            SetValues[n][SetIndex(1, 1)] = b(3);
            SetValues[n][SetIndex(2, 1)] = b(4);
            SetValues[n][SetIndex(3, 1)] = b(5);
            SetValues[n][SetIndex(1, 2)] = b(6);
            SetValues[n][SetIndex(2, 2)] = b(7);
            SetValues[n][SetIndex(3, 2)] = b(8);
            MinValue[n] = b(9);
            MaxValue[n] = b(10);
            Multiplier[n] = b(11);
            Page[n] = b(12);
        }
        if (n >= ParamCount)
            break;
    }
    if (store) {
        SetValues[6][SetIndex(1, 1)] = 0;
        SetValues[6][SetIndex(1, 2)] = 0;
    }
    return outcome;
}

bool TParams::CheckParameterImage(std::string_view image, const std::string& fileName, std::string* message) {
    return parsePass(image, fileName, message, false) != ParseOutcome::Refused;
}

TParams::ParseOutcome TParams::ParseParameterImage(std::string_view image, const std::string& fileName,
                                                   std::string* message) {
    // The check pass first, so that a refused image changes nothing and reports nothing else.
    if (!CheckParameterImage(image, fileName, message))
        return ParseOutcome::Refused;
    return parsePass(image, fileName, message, true);
}

bool TParams::LoadParameterFiles() {
    struct Source {
        const std::string& path;
        std::string data;
    };
    Source files[2] = {{UserParamFile, {}}, {ExtraParamFile, {}}};
    for (Source& s : files) {
        std::string real = resolvePathNoCase(s.path);
        if (!fileExists(real)) {
            messages().warning("Cannot find your parameter file:  " + s.path);
            return false;
        }
        auto data = readFile(real);
        if (!data) {
            messages().warning("Cannot read your parameter file:  " + s.path);
            return false;
        }
        s.data = std::move(*data);
    }
    // Check both files before anything changes, so a refused file leaves the set as it was.
    std::string message;
    for (Source& s : files) {
        if (!CheckParameterImage(s.data, s.path, &message)) {
            messages().warning(message);
            return false;
        }
    }
    ResetSet();
    for (Source& s : files) {
        message.clear();
        if (ParseParameterImage(s.data, s.path, &message) != ParseOutcome::Ok) {
            if (!message.empty())
                messages().warning(message);
            return false;
        }
    }
    return true;
}

std::string MultiplierText(uint8_t multiplier) {
    if (multiplier == 100)
        return "1";
    if (multiplier == 0)
        return "0";
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d.%02d", multiplier / 100, multiplier % 100);
    // Below 1 the leading "0" is dropped (".05"); above 1 the whole number stays, so it reads back.
    return multiplier < 100 ? std::string(buf + 1) : std::string(buf);
}

std::string TParams::ParameterFileText(bool extraFile) {
    static const char* const sep = " ,\t ";
    std::string out = std::string(ParamFileHeading1) + "\r\n" + ParamFileHeading2 + "\r\n";
    for (int n = 1; n <= ParamCount; ++n) {
        if (IsExtraParam(n) != extraFile || Names[n].empty())
            continue;
        if (n <= 9) {
            SetValues[n][SetIndex(1, 1)] = 0;
            SetValues[n][SetIndex(1, 2)] = 0;
        }
        std::string line = Names[n] + ", ";
        if (line.size() < 25)
            line.append(25 - line.size(), ' ');
        const auto& s = SetValues[n];
        const int fields[] = {UserNo[n],         n,
                              s[SetIndex(1, 1)], s[SetIndex(2, 1)],
                              s[SetIndex(3, 1)], s[SetIndex(1, 2)],
                              s[SetIndex(2, 2)], s[SetIndex(3, 2)],
                              MinValue[n],       MaxValue[n]};
        for (int x : fields)
            line += std::to_string(x) + sep;
        line += MultiplierText(Multiplier[n]) + sep + std::to_string(Page[n]);
        out += line + "\r\n";
    }
    out += "END FILE\r\n";
    return out;
}

std::string TParams::ExtraDatText() const {
    std::string out;
    for (int i = 0; i < 52; ++i)
        out += "000000\r\n";
    char buf[16];
    for (int p : ExtraParams) {
        unsigned word = static_cast<unsigned>(p) * 65536u + SetValues[p][SetIndex(1, 1)] * 256u +
                        SetValues[p][SetIndex(1, 2)];
        std::snprintf(buf, sizeof buf, "%06X\r\n", word);
        out += buf;
    }
    return out;
}

std::string BackupPath(const std::string& path) {
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return path + ".BAK";
    return path.substr(0, dot) + ".BAK";
}

bool TParams::SaveParameterFiles(bool backup, std::string* error) {
    auto target = [&](const std::string& path) {
        std::string real = resolvePathNoCase(path);
        return backup ? resolvePathNoCase(BackupPath(real)) : real;
    };
    if (!writeFileAtomic(target(UserParamFile), ParameterFileText(false), error))
        return false;
    if (!writeFileAtomic(target(ExtraParamFile), ParameterFileText(true), error))
        return false;
    return writeFileAtomic(resolvePathNoCase(ExtraDatFile), ExtraDatText(), error);
}

bool TParams::LoadAD603Table() {
    auto data = readFile(resolvePathNoCase(AD603File));
    if (!data) {
        LogError(12, AD603File, "cannot open the AD603 table", 0, 0, 0, 0);
        return false;
    }
    std::vector<std::string> lines = splitLines(*data);
    for (size_t i = 0; i < AD603Entries; ++i) {
        const long long lineNo = static_cast<long long>(i) + 1;
        if (i >= lines.size()) {
            LogError(12, AD603File, "fewer than 42 lines", lineNo, static_cast<long long>(lines.size()), 0,
                     0);
            return false;
        }
        const std::string& l = lines[i];
        int hi = l.size() >= 4 ? hexDigitValue(l[2]) : -1;
        int lo = l.size() >= 4 ? hexDigitValue(l[3]) : -1;
        if (hi < 0 || lo < 0) {
            LogError(12, AD603File,
                     "characters 3 and 4 of line " + std::to_string(lineNo) + " are not hexadecimal", lineNo,
                     static_cast<long long>(l.size()), 0, 0);
            return false;
        }
        AD603Table[i] = static_cast<uint8_t>(hi * 16 + lo);
    }
    return true;
}

void TParams::DeriveParam65(int colour) {
    if (colour < 1 || colour > 3)
        return;
    SetValues[65][SetIndex(colour, 1)] = DerivedParam65(SetValues[63][SetIndex(colour, 1)]);
}

uint8_t DerivedParam65(uint8_t v63) {
    return static_cast<uint8_t>((v63 * 75 / 100 + 45) & 0xFF);
}

std::vector<uint8_t> BuildParamImage(const TParams& p) {
    std::vector<uint8_t> img;
    img.reserve(ParamImageSize);
    auto block = [&](auto byteOf) {
        img.insert(img.end(), 13, '#');
        img.push_back('\r');
        for (int n = 10; n <= ParamCount; ++n)
            img.push_back(byteOf(n));
    };
    block([&](int n) { return p.SetValues[n][SetIndex(1, 1)]; });
    block([&](int n) { return p.SetValues[n][SetIndex(2, 1)]; });
    block([&](int n) { return p.SetValues[n][SetIndex(3, 1)]; });
    block([&](int n) { return p.MaxValue[n]; });
    block([&](int n) { return p.MinValue[n]; });
    block([&](int n) { return p.SetValues[n][SetIndex(1, 2)]; });
    block([&](int n) { return p.SetValues[n][SetIndex(2, 2)]; });
    block([&](int n) { return p.SetValues[n][SetIndex(3, 2)]; });
    block([&](int n) { return static_cast<uint8_t>(p.UserNo[n] % 10); });
    block([&](int n) { return p.Multiplier[n]; });
    img.insert(img.end(), 8, '#');
    return img;
}

} // namespace tarnix
