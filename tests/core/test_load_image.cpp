#include "base/Files.h"
#include "base/Messages.h"
#include "dsp/LoadImage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using namespace tarnix;

namespace {

std::string hex6(unsigned v) {
    char b[8];
    std::snprintf(b, sizeof b, "%06X", v & 0xFFFFFF);
    return b;
}
std::string hex4(unsigned v) {
    char b[8];
    std::snprintf(b, sizeof b, "%04X", v & 0xFFFF);
    return b;
}

// A section of a DSP code file with n words numbered from `first`.
std::string section(const std::string& type, const std::string& addr, size_t n, unsigned first = 0x100) {
    std::string s = type + "\r\n" + addr + "\r\n";
    for (size_t i = 0; i < n; ++i)
        s += (type == "@PA" ? hex6(first + static_cast<unsigned>(i))
                            : hex4(first + static_cast<unsigned>(i))) +
             "\r\n";
    return s + "#\r\n";
}
std::string codeFile(const std::string& sections) {
    return "Test code\r\n" + sections + "\x1b\r\n";
}
std::string filterWords(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += hex6(0x010203 + static_cast<unsigned>(i)) + "\r\n";
    return s;
}

class VantorFolder : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tarnix_load_XXXXXX";
        dir = mkdtemp(tmpl);
        std::filesystem::create_directories(dir + "/Filters");
        setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
        rec.clear();
        setMessages(&rec);
        put("Filters/filters.kvq", "f1.dat, first filter, 2000\r\n");
        put("Filters/f1.dat", filterWords(4));
    }
    void TearDown() override {
        setMessages(nullptr);
        unsetenv("XDG_DATA_HOME");
        std::filesystem::remove_all(dir);
    }
    void put(const std::string& rel, const std::string& text) {
        ASSERT_TRUE(writeFileAtomic(dir + "/" + rel, text));
    }
    LoadResult<LoadImage> build(LoadTarget t = LoadTarget::Usb) {
        return buildLoadImage(loadPaths(dir, "code.kvq"), t);
    }
    std::string dir;
    RecordingMessages rec;
};

std::vector<uint8_t> bytesOf(std::string_view s) {
    return {s.begin(), s.end()};
}

} // namespace

TEST_F(VantorFolder, StartSectionSplitsAt48WordsAndEndsWithAZeroByte) {
    put("code.kvq",
        codeFile(section("@PA", "0000", 100) + section("@PA", "0200", 3) + section("@DA", "0800", 2)));
    auto r = build();
    ASSERT_TRUE(r.ok()) << r.refusal.message;
    const LoadImage& img = *r.value;
    ASSERT_EQ(img.records.size(), 5u); // 3FC0, 0030, 0200, 0800, filter
    struct Want {
        bool program;
        uint16_t address, words;
    } want[] = {
        {true, 0x3FC0, 48}, {true, 0x0030, 52}, {true, 0x0200, 3}, {false, 0x0800, 2}, {true, 0x2000, 4}};
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(img.records[i].program, want[i].program) << i;
        EXPECT_EQ(img.records[i].address, want[i].address) << i;
        EXPECT_EQ(img.records[i].words, want[i].words) << i;
    }
    const auto& b = img.bytes;
    EXPECT_EQ(img.records[0].offset, 14u);
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 14, b.begin() + 24),
              (std::vector<uint8_t>{'$', 'D', 'P', 0x3F, 0xC0, 0x00, 0x30, 0x00, 0x01, 0x00}));
    // The 0030 record holds words 48 to 99: the first is 0x000130.
    size_t rest = img.records[1].offset;
    EXPECT_EQ(rest, 14u + 7 + 48 * 3);
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + rest, b.begin() + rest + 10),
              (std::vector<uint8_t>{'$', 'D', 'P', 0x00, 0x30, 0x00, 0x34, 0x00, 0x01, 0x30}));
    size_t zero = rest + 7 + 52 * 3;
    EXPECT_EQ(b[zero], 0);
    EXPECT_EQ(img.records[2].offset, zero + 1);
}

TEST_F(VantorFolder, DataWordsTakeTwoBytesAndCountTheLastProgramMiddleByte) {
    put("code.kvq", codeFile("@PA\r\n0100\r\n12AB34\r\n#\r\n@DATA\r\n0800\r\n5678 comment\r\n#\r\n"));
    put("Filters/filters.kvq", "");
    auto r = build();
    ASSERT_TRUE(r.ok()) << r.refusal.message;
    const LoadImage& img = *r.value;
    ASSERT_EQ(img.records.size(), 2u);
    size_t d = img.records[1].offset;
    EXPECT_EQ(std::vector<uint8_t>(img.bytes.begin() + d, img.bytes.begin() + d + 9),
              (std::vector<uint8_t>{'$', 'D', 'D', 0x08, 0x00, 0x00, 0x01, 0x56, 0x78}));
    EXPECT_EQ(img.records[1].offset + 9, img.bytes.size() - 18); // then the trailer
    unsigned want = (0x12 * 256 + 0xAB + 0x34 + 0x56 * 256 + 0xAB + 0x78) % 32768;
    EXPECT_EQ(img.imageChecksum, want);
}

TEST(ImageChecksum, StaysBelow32768AfterEveryAddition) {
    EXPECT_EQ(addWordToChecksum(0, 0xFF, 0xFF, 0xFF), (0xFF * 256 % 32768 + 0xFF + 0xFF) % 32768);
    EXPECT_EQ(addWordToChecksum(32767, 0x00, 0x00, 0x01), 0);
    EXPECT_EQ(addWordToChecksum(32700, 0x80, 0x00, 0x00), 32700);
}

TEST_F(VantorFolder, FilterStopsAtTheFirstShortLineAndTrailerAndTailFollow) {
    put("code.kvq", codeFile(section("@PA", "0200", 2)));
    put("Filters/f1.dat", filterWords(20) + "\r\n" + filterWords(5));
    auto r = build();
    ASSERT_TRUE(r.ok()) << r.refusal.message;
    const LoadImage& img = *r.value;
    ASSERT_EQ(img.records.size(), 2u);
    size_t f = img.records[1].offset;
    EXPECT_EQ(std::vector<uint8_t>(img.bytes.begin() + f, img.bytes.begin() + f + 7),
              (std::vector<uint8_t>{'$', 'D', 'P', 0x20, 0x00, 0x00, 20}));
    ASSERT_EQ(img.bytes.size(), f + 7 + 20 * 3 + 11 + 7);

    uint16_t ck = 0;
    for (unsigned w : {0x100u, 0x101u})
        ck = addWordToChecksum(ck, 0, static_cast<uint8_t>(w >> 8), static_cast<uint8_t>(w));
    for (unsigned i = 0; i < 20; ++i)
        ck = addWordToChecksum(ck, 0x01, 0x02, static_cast<uint8_t>(0x03 + i));
    EXPECT_EQ(img.imageChecksum, ck);
    std::vector<uint8_t> end(img.bytes.end() - 18, img.bytes.end());
    EXPECT_EQ(end, (std::vector<uint8_t>{'$', 'D', 'P', 0x37, 0xFE, 0x00, 0x01,
                                         static_cast<uint8_t>(ck / 256), static_cast<uint8_t>(ck % 256), 0x00,
                                         0x0D, '#', '#', '#', '#', '#', '#', '#'}));
}

TEST_F(VantorFolder, HeadDependsOnTheTarget) {
    put("code.kvq", codeFile(section("@PA", "0200", 2)));
    auto usb = build(LoadTarget::Usb);
    auto serial = build(LoadTarget::Serial);
    ASSERT_TRUE(usb.ok() && serial.ok());
    EXPECT_EQ(std::vector<uint8_t>(usb.value->bytes.begin(), usb.value->bytes.begin() + 15),
              bytesOf("#############x$"));
    EXPECT_EQ(std::vector<uint8_t>(serial.value->bytes.begin(), serial.value->bytes.begin() + 7),
              bytesOf("$$$\r$DP"));
    EXPECT_EQ(usb.value->bytes.size(), serial.value->bytes.size() + 10);
    EXPECT_EQ(std::vector<uint8_t>(usb.value->bytes.begin() + 14, usb.value->bytes.end()),
              std::vector<uint8_t>(serial.value->bytes.begin() + 4, serial.value->bytes.end()));
}

TEST(PcChecksum, SumsEveryByteAndTheLength) {
    EXPECT_EQ(pcChecksum({}), 0);
    EXPECT_EQ(pcChecksum({1, 2, 3}), 9);
    EXPECT_EQ(pcChecksum(std::vector<uint8_t>(300, 0xFF)), (300 * 255 + 300) % 65536);
}

TEST(BlockSizes, LastBlockHoldsTheRemainder) {
    EXPECT_EQ(blockSizes(1024), std::vector<size_t>(16, 64));
    auto b = blockSizes(1025);
    ASSERT_EQ(b.size(), 17u);
    EXPECT_EQ(b.back(), 1u);
    EXPECT_EQ(blockSizes(1048), [] {
        auto v = std::vector<size_t>(16, 64);
        v.push_back(24);
        return v;
    }());
    EXPECT_TRUE(blockSizes(0).empty());
}

TEST_F(VantorFolder, FilesAtTheLimitsAreAccepted) {
    std::string filters;
    for (int i = 1; i <= 7; ++i) {
        filters += "f" + std::to_string(i) + ".dat, filter, " + hex4(0x2000 + 0x100 * i) + "\r\n";
        put("Filters/f" + std::to_string(i) + ".dat", filterWords(i == 7 ? 255 : 1));
    }
    put("Filters/filters.kvq", filters + "\r\n   \r\n"); // blank lines do not count
    put("code.kvq", codeFile(section("@PA", "0000", 48) + section("@PA", "1000", 10667)));
    auto r = build();
    ASSERT_TRUE(r.ok()) << r.refusal.message;
    EXPECT_EQ(r.value->filters.size(), 7u);
    EXPECT_EQ(r.value->records[1].words, 0); // the rest of a 48-word start section is empty
    EXPECT_EQ(r.value->records[2].words, 10667);
    EXPECT_EQ(r.value->records.back().words, 255);
    EXPECT_TRUE(rec.shown().empty());
}

TEST_F(VantorFolder, FilesBeyondTheLimitsAreRefusedNamingFileLineAndLimit) {
    std::string eightFilters;
    for (int i = 1; i <= 8; ++i)
        eightFilters += "f1.dat, filter, 2000\r\n";
    struct Case {
        const char* name;
        std::string code;
        std::string list; // empty: keep the default list
        std::string filter;
        LoadFault fault;
        const char* file; // tail of the path named
        int line;
        const char* limit; // text the message must contain
        int logged;        // logged error number, 0 if not logged
    } cases[] = {
        {"no ESC line", "x\r\n" + section("@PA", "0200", 2), "", "", LoadFault::NoEscLine, "code.kvq", 7,
         "ESC", 17},
        {"no end of section", "x\r\n@PA\r\n0200\r\n000001\r\n", "", "", LoadFault::NoEscLine, "code.kvq", 5,
         "ESC", 0},
        {"not hexadecimal", codeFile("@PA\r\n0200\r\n000001\r\n00G001\r\n#\r\n"), "", "", LoadFault::NotHex,
         "code.kvq", 5, "hexadecimal", 0},
        {"lower case", codeFile("@DA\r\n0200\r\nab01\r\n#\r\n"), "", "", LoadFault::NotHex, "code.kvq", 4,
         "upper-case", 0},
        {"short data line", codeFile("@PA\r\n0200\r\n0001\r\n#\r\n"), "", "", LoadFault::NotHex, "code.kvq",
         4, "6 upper-case", 0},
        {"address line", codeFile("@PA\r\n02X0\r\n000001\r\n#\r\n"), "", "", LoadFault::BadAddressLine,
         "code.kvq", 3, "four hexadecimal", 8},
        {"start section", codeFile(section("@PA", "0000", 47)), "", "", LoadFault::StartSectionTooShort,
         "code.kvq", 2, "at least 48", 0},
        {"section size", codeFile(section("@PA", "1000", 10668)), "", "", LoadFault::SectionTooLarge,
         "code.kvq", 10671, "32001", 0},
        {"image size", codeFile(section("@PA", "1000", 10000) + section("@PA", "5000", 10000)), "", "",
         LoadFault::ImageTooLarge, "code.kvq", 20007, "40001", 0},
        {"eight filters", codeFile(""), eightFilters, "", LoadFault::TooManyFilters, "filters.kvq", 8,
         "at most 7", 0},
        {"long filter", codeFile(""), "", filterWords(256), LoadFault::FilterTooLong, "f1.dat", 256, "255",
         0},
        {"filter not hex", codeFile(""), "", filterWords(3) + "01020Z\r\n", LoadFault::NotHex, "f1.dat", 4,
         "hexadecimal", 0},
        {"filter line fields", codeFile(""), "f1.dat 2000\r\n", "", LoadFault::BadFilterLine, "filters.kvq",
         1, "three", 35},
        {"filter address", codeFile(""), "f1.dat, first, 2G00\r\n", "", LoadFault::BadFilterEntry,
         "filters.kvq", 1, "four hexadecimal", 44},
        {"filter file missing", codeFile(""), "f1.dat, a, 2000\r\nnone.dat, b, 2100\r\n", "",
         LoadFault::MissingFilterFile, "filters.kvq", 2, "none.dat", 45},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown(); // a fresh folder for every case
        SetUp();
        put("code.kvq", c.code);
        if (!c.list.empty())
            put("Filters/filters.kvq", c.list);
        if (!c.filter.empty())
            put("Filters/f1.dat", c.filter);
        auto r = build();
        ASSERT_FALSE(r.ok());
        EXPECT_EQ(r.refusal.fault, c.fault);
        EXPECT_TRUE(r.refusal.file.ends_with(c.file)) << r.refusal.file;
        EXPECT_EQ(r.refusal.line, c.line);
        EXPECT_NE(r.refusal.message.find(c.file), std::string::npos) << r.refusal.message;
        EXPECT_NE(r.refusal.message.find("line " + std::to_string(c.line)), std::string::npos)
            << r.refusal.message;
        EXPECT_NE(r.refusal.message.find(c.limit), std::string::npos) << r.refusal.message;
        EXPECT_EQ(r.refusal.logged, c.logged != 0);
        if (c.logged) {
            ASSERT_EQ(rec.shown().size(), 1u);
            EXPECT_TRUE(
                rec.shown()[0].text.starts_with("Tarnix logged error no " + std::to_string(c.logged) + " "))
                << rec.shown()[0].text;
        } else {
            EXPECT_TRUE(rec.shown().empty());
        }
    }
}

TEST_F(VantorFolder, MissingFilesGiveTheWarningTexts) {
    auto r = build();
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.refusal.fault, LoadFault::MissingCodeFile);
    EXPECT_EQ(r.refusal.message, "Cannot find your DSP code file:  " + dir + "/code.kvq");
    put("code.kvq", codeFile(""));
    std::filesystem::remove(dir + "/Filters/filters.kvq");
    r = build();
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.refusal.fault, LoadFault::MissingFilterList);
    EXPECT_EQ(r.refusal.message, "Cannot find your Filter code file:  " + dir + "/Filters/filters.kvq");
    EXPECT_TRUE(rec.shown().empty());
}

TEST_F(VantorFolder, NamesAreFoundWithoutRegardToCase) {
    std::filesystem::remove_all(dir + "/Filters");
    std::filesystem::create_directories(dir + "/filters");
    put("CODE.KVQ", codeFile(section("@PA", "0200", 1)));
    put("filters/FILTERS.KVQ", "F1.DAT, first, 2000\r\n");
    put("filters/f1.dat", filterWords(2));
    auto r = build();
    ASSERT_TRUE(r.ok()) << r.refusal.message;
    EXPECT_EQ(r.value->records.size(), 2u);
}

TEST(FilterFileName, DecimationFilterOfAnEzCodeFile) {
    struct Case {
        const char *listed, *code, *want;
    } cases[] = {{"decint.dat", "/home/u/Kelvox/EZ2b1x.kvq", "EZdecint.dat"},
                 {"decint.dat", "/home/u/Kelvox/ez2b1x.kvq", "EZdecint.dat"},
                 {"DECINT.DAT", "EZ.kvq", "EZDECINT.DAT"},
                 {"decint.dat", "/EZ/VANTOR2b1x.kvq", "decint.dat"},
                 {"cw500.dat", "/x/EZ2b1x.kvq", "cw500.dat"}};
    for (const auto& c : cases)
        EXPECT_EQ(filterFileName(c.listed, c.code), c.want) << c.listed << " " << c.code;
}

TEST(DemoFolder, BuildsAndDecodesBackToItsSections) {
    RecordingMessages rec;
    setMessages(&rec);
    auto r = buildLoadImage(loadPaths(TARNIX_DEMO_DIR, "VANTOR2b1x.kvq"), LoadTarget::Serial);
    setMessages(nullptr);
    ASSERT_TRUE(r.ok()) << r.refusal.message;
    const LoadImage& img = *r.value;
    EXPECT_GT(img.records.front().words, 0);
    auto decoded = decodeLoadImage(img.bytes);
    ASSERT_TRUE(decoded);
    ASSERT_EQ(decoded->size(), img.records.size() + 1); // and the trailer
    for (size_t i = 0; i < img.records.size(); ++i) {
        EXPECT_EQ((*decoded)[i].address, img.records[i].address);
        EXPECT_EQ((*decoded)[i].words.size(), img.records[i].words);
    }
    EXPECT_EQ(decoded->back().words, std::vector<uint32_t>{uint32_t{img.imageChecksum} << 8});
    bool hasData = false;
    for (const auto& rr : img.records)
        hasData |= !rr.program;
    EXPECT_TRUE(hasData);
    EXPECT_EQ(img.records[0].address, kStartBootAddress);
    EXPECT_FALSE(decodeLoadImage(std::vector<uint8_t>(img.bytes.begin(), img.bytes.end() - 1)));
}
