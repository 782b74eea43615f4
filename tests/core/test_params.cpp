#include "base/Files.h"
#include "base/Messages.h"
#include "base/PathCase.h"
#include "base/Text.h"
#include "config/UParams.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <unistd.h>

using namespace tarnix;
namespace fs = std::filesystem;

namespace {

std::string paramFile(const std::vector<std::string>& lines, bool endFile = true) {
    std::string t = std::string(ParamFileHeading1) + "\r\n" + ParamFileHeading2 + "\r\n";
    for (const auto& l : lines)
        t += l + "\r\n";
    if (endFile)
        t += "END FILE\r\n";
    return t;
}

// A Vantor folder with a user's file and an extra-parameter file; messages and the error log recorded.
class ParamsTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tarnix-params-XXXXXX";
        dir = mkdtemp(tmpl);
        fs::create_directory(dir + "/Filters");
        setenv("XDG_DATA_HOME", dir.c_str(), 1);
        setMessages(&rec);
        user = dir + "/User2B2.KVQ";
        extra = dir + "/Filters/xparams.kvq";
        writeGood();
    }
    void writeGood() {
        write(user, paramFile({"AGC threshold, 11, 11, 40, 254, 255, 42, 254, 255, 0, 99, 1, 1",
                               "RX gain, 12, 12, 100, 120, 80, 90, 110, 70, 0, 200, .5, 1"}));
        write(extra, paramFile({"Limiter, 15, 15, 7, 254, 254, 8, 254, 254, 0, 15, 1, 2"}));
    }
    void TearDown() override {
        setMessages(nullptr);
        unsetenv("XDG_DATA_HOME");
        fs::remove_all(dir);
    }
    void write(const std::string& path, const std::string& text) { ASSERT_TRUE(writeFileAtomic(path, text)); }
    std::string read(const std::string& path) { return readFile(path).value_or("<missing>"); }
    TParams params() { return TParams(dir, "User2B2.KVQ"); }

    std::string dir, user, extra;
    RecordingMessages rec;
};

} // namespace

TEST_F(ParamsTest, LoadsBothFilesAndResetsTheRest) {
    TParams p = params();
    ASSERT_TRUE(p.LoadParameterFiles());
    EXPECT_TRUE(rec.shown().empty());
    EXPECT_EQ(p.Names[11], "AGC threshold");
    EXPECT_EQ(p.SetValues[11], (std::array<uint8_t, 6>{40, 42, 254, 254, 255, 255}));
    EXPECT_EQ(p.MaxValue[12], 200);
    EXPECT_EQ(p.Multiplier[12], 50);
    EXPECT_EQ(p.Names[15], "Limiter");
    EXPECT_EQ(p.Page[15], 2);
    // Parameters in neither file: no name, 255 values, multiplier 1; parameter 6 green values 0.
    EXPECT_EQ(p.Names[40], "");
    EXPECT_EQ(p.SetValues[40], (std::array<uint8_t, 6>{255, 255, 255, 255, 255, 255}));
    EXPECT_EQ(p.Multiplier[40], 1);
    EXPECT_EQ(p.SetValues[6], (std::array<uint8_t, 6>{0, 0, 255, 255, 255, 255}));
}

TEST_F(ParamsTest, ParsingCases) {
    struct Case {
        const char* what;
        std::string image;
        TParams::ParseOutcome outcome;
        std::function<void(const TParams&)> check;
    };
    const std::string h = std::string(ParamFileHeading1) + "\r\n" + ParamFileHeading2 + "\r\n";
    const Case cases[] = {
        {"only parameter 99, no END FILE", h + "Last one, 9, 99, 1, 2, 3, 4, 5, 6, 0, 9, 1, 9\r\ngarbage\r\n",
         TParams::ParseOutcome::Ok, [](const TParams& p) { EXPECT_EQ(p.Names[99], "Last one"); }},
        {"empty lines, LF and CR endings, tabs",
         h + "\r\n\r\n\tA ,\t21, 21, 1, 2, 3, 4, 5, 6, 0, 9, .05, 1\n\n\rB, 22, 22, 1, 1, 1, 1, 1, 1, 0, 1, "
             "0, 1"
             "\r\r\nEND FILE",
         TParams::ParseOutcome::Ok,
         [](const TParams& p) {
             EXPECT_EQ(p.Names[21], "A");
             EXPECT_EQ(p.Multiplier[21], 5);
             EXPECT_EQ(p.Names[22], "B");
         }},
        {"integers keep their low 8 bits",
         h + "W, 300, 23, -1, 256, 511, 0, 0, 0, 0, 0, 2.55, 257\r\nEND FILE", TParams::ParseOutcome::Ok,
         [](const TParams& p) {
             EXPECT_EQ(p.UserNo[23], 44);
             EXPECT_EQ(p.SetValues[23][0], 255);
             EXPECT_EQ(p.SetValues[23][2], 0);
             EXPECT_EQ(p.SetValues[23][4], 255);
             EXPECT_EQ(p.Multiplier[23], 255);
             EXPECT_EQ(p.Page[23], 1);
         }},
        {"a short line stops the parse, earlier lines stay",
         h + "A, 31, 31, 1, 1, 1, 1, 1, 1, 0, 9, 1, 1\r\nB, 32, 32, 1, 1\r\nC, 33, 33, 1, 1, 1, 1, 1, 1, 0, "
             "9, 1, "
             "1\r\nEND FILE",
         TParams::ParseOutcome::Stopped,
         [](const TParams& p) {
             EXPECT_EQ(p.Names[31], "A");
             EXPECT_EQ(p.Names[33], "");
         }},
        {"no END FILE", h + "A, 31, 31, 1, 1, 1, 1, 1, 1, 0, 9, 1, 1\r\n", TParams::ParseOutcome::Stopped,
         [](const TParams& p) { EXPECT_EQ(p.Names[31], "A"); }},
        {"a parameter in both keeps the later line",
         h + "A, 41, 41, 1, 1, 1, 1, 1, 1, 0, 9, 1, 1\r\nB, 41, 41, 2, 2, 2, 2, 2, 2, 0, 9, 1, 1\r\nEND FILE",
         TParams::ParseOutcome::Ok,
         [](const TParams& p) {
             EXPECT_EQ(p.Names[41], "B");
             EXPECT_EQ(p.SetValues[41][0], 2);
         }},
    };
    for (const auto& c : cases) {
        TParams p = params();
        p.ResetSet();
        std::string msg;
        EXPECT_EQ(p.ParseParameterImage(c.image, "F", &msg), c.outcome) << c.what;
        c.check(p);
        EXPECT_EQ(p.SetValues[6][0], 0) << c.what;
        EXPECT_EQ(msg.empty(), c.outcome == TParams::ParseOutcome::Ok) << c.what << ": " << msg;
    }
}

TEST_F(ParamsTest, UnconvertibleFieldsAreLoggedAndKeepThePreviousLinesValue) {
    write(user, paramFile({"A, 11, 11, 40, 41, 42, 43, 44, 45, 0, 99, .05, 1",
                           "B, 12, 12, 5x, 51, 52, 53, 54, 55, 0, 99, one, 1"}));
    TParams p = params();
    ASSERT_TRUE(p.LoadParameterFiles());
    EXPECT_EQ(p.SetValues[12][0], 40); // SSB green from line A
    EXPECT_EQ(p.SetValues[12][2], 51);
    EXPECT_EQ(p.Multiplier[12], 5); // from line A
    ASSERT_EQ(rec.shown().size(), 2u);
    EXPECT_NE(rec.shown()[0].text.find("logged error no 9 "), std::string::npos);
    EXPECT_NE(rec.shown()[0].text.find("u=paParsed[pcol]    V=5x    a=3  b=11"), std::string::npos);
    EXPECT_NE(rec.shown()[1].text.find("logged error no 6     u=paParsed[pcol]    V=one    a=11  b=11"),
              std::string::npos);
    EXPECT_TRUE(fileExists(dir + "/tarnix/tarnix_error.log"));
}

TEST_F(ParamsTest, MissingFilesAreNamed) {
    TParams p = params();
    fs::remove(extra);
    EXPECT_FALSE(p.LoadParameterFiles());
    fs::remove(user);
    EXPECT_FALSE(p.LoadParameterFiles());
    EXPECT_EQ(rec.texts(), (std::vector<std::string>{"Cannot find your parameter file:  " + extra,
                                                     "Cannot find your parameter file:  " + user}));
}

TEST_F(ParamsTest, FilesBeyondTheLimitsAreRefusedAndChangeNothing) {
    struct Case {
        const char* what;
        bool inUserFile;
        std::string text;
        std::string expectedInMessage;
    };
    const std::string good = "Limiter, 15, 15, 7, 254, 254, 8, 254, 254, 0, 15, 1, 2";
    std::string big = paramFile({good});
    big.insert(big.size() - 10, std::string(10005 - big.size(), '\n'));
    const Case cases[] = {
        {"too large", true, big, "larger than 10004 bytes"},
        {"line too long", false,
         paramFile({good, "Long, 16, 16" + std::string(200, ' ') + ", 1, 1, 1, 1, 1, 1, 0, 1, 1, 1"}),
         "line 4 is longer than 200 characters"},
        {"number 0", true, paramFile({good, "Zero, 1, 0, 1, 1, 1, 1, 1, 1, 0, 1, 1, 1"}),
         "parameter number 0"},
        {"number 100", false, paramFile({"Big, 1, 100, 1, 1, 1, 1, 1, 1, 0, 1, 1, 1"}),
         "parameter number 100"},
        {"number 300", true, paramFile({"Big, 1, 300, 1, 1, 1, 1, 1, 1, 0, 1, 1, 1"}),
         "parameter number 300"},
        {"number -1", true, paramFile({"Neg, 1, -1, 1, 1, 1, 1, 1, 1, 0, 1, 1, 1"}), "parameter number -1"},
    };
    for (const auto& c : cases) {
        writeGood();
        TParams p = params();
        ASSERT_TRUE(p.LoadParameterFiles());
        const TParams before = p;
        const std::string& target = c.inUserFile ? user : extra;
        write(target, c.text);
        const std::string userBytes = read(user), extraBytes = read(extra);
        rec.clear();
        EXPECT_FALSE(p.LoadParameterFiles()) << c.what;
        ASSERT_EQ(rec.shown().size(), 1u) << c.what;
        const std::string& msg = rec.shown()[0].text;
        EXPECT_NE(msg.find(target), std::string::npos) << msg;
        EXPECT_NE(msg.find(c.expectedInMessage), std::string::npos) << msg;
        EXPECT_EQ(p.Names, before.Names) << c.what;
        EXPECT_EQ(p.SetValues, before.SetValues) << c.what;
        EXPECT_EQ(read(user), userBytes);
        EXPECT_EQ(read(extra), extraBytes);
    }
}

TEST_F(ParamsTest, SaveWritesTheExactLineFormat) {
    TParams p = params();
    ASSERT_TRUE(p.LoadParameterFiles());
    p.Names[3] = "Noise blanker";
    p.SetValues[3] = {9, 9, 254, 254, 1, 1};
    p.Multiplier[3] = 100;
    ASSERT_TRUE(p.SaveParameterFiles(false));
    EXPECT_EQ(read(user),
              paramFile({"Noise blanker,           0 ,\t 3 ,\t 0 ,\t 254 ,\t 1 ,\t 0 ,\t 254 ,\t 1 ,\t 0 "
                         ",\t 0 ,\t 1 ,\t 0",
                         "AGC threshold,           11 ,\t 11 ,\t 40 ,\t 254 ,\t 255 ,\t 42 ,\t 254 ,\t "
                         "255 ,\t 0 ,\t 99 ,\t 1 ,\t 1",
                         "RX gain,                 12 ,\t 12 ,\t 100 ,\t 120 ,\t 80 ,\t 90 ,\t 110 ,\t "
                         "70 ,\t 0 ,\t 200 ,\t .50 ,\t 1"}));
    EXPECT_EQ(p.SetValues[3][SetIndex(1, 1)], 0); // green zeroed in memory too
    EXPECT_EQ(p.SetValues[3][SetIndex(1, 2)], 0);
    EXPECT_EQ(read(extra),
              paramFile({"Limiter,                 15 ,\t 15 ,\t 7 ,\t 254 ,\t 254 ,\t 8 ,\t 254 ,\t 254 "
                         ",\t 0 ,\t 15 ,\t 1 ,\t 2"}));
    std::string dat = read(dir + "/Filters/xparams.dat");
    auto lines = splitLines(dat);
    ASSERT_EQ(lines.size(), 64u);
    EXPECT_EQ(lines[0], "000000");
    EXPECT_EQ(lines[51], "000000");
    EXPECT_EQ(lines[52], "56FFFF"); // parameter 86, not defined
    EXPECT_EQ(lines[63], "0F0708"); // parameter 15: green SSB 7, CW 8
    EXPECT_EQ(dat.substr(0, 8), "000000\r\n");
}

TEST_F(ParamsTest, MultipliersRoundTrip) {
    const int multipliers[] = {100, 5, 0, 29, 57, 58, 1, 50, 99, 150, 255};
    TParams p = params();
    ASSERT_TRUE(p.LoadParameterFiles());
    for (int i = 0; i < 11; ++i) {
        p.Names[30 + i] = "M" + std::to_string(multipliers[i]);
        p.Multiplier[30 + i] = static_cast<uint8_t>(multipliers[i]);
    }
    ASSERT_TRUE(p.SaveParameterFiles(false));
    TParams q = params();
    ASSERT_TRUE(q.LoadParameterFiles());
    for (int i = 0; i < 11; ++i)
        EXPECT_EQ(q.Multiplier[30 + i], multipliers[i]) << multipliers[i];
    EXPECT_EQ(MultiplierText(100), "1");
    EXPECT_EQ(MultiplierText(5), ".05");
    EXPECT_EQ(MultiplierText(0), "0");
    EXPECT_EQ(MultiplierText(58), ".58");
    EXPECT_EQ(MultiplierText(150), "1.50");
}

TEST_F(ParamsTest, BackupLeavesTheFilesAndWritesTheirTwins) {
    TParams p = params();
    ASSERT_TRUE(p.LoadParameterFiles());
    const std::string userBytes = read(user), extraBytes = read(extra);
    write(dir + "/Filters/xparams.dat", "old");
    p.SetValues[15][SetIndex(1, 1)] = 0x11;
    ASSERT_TRUE(p.SaveParameterFiles(true));
    EXPECT_EQ(read(user), userBytes);
    EXPECT_EQ(read(extra), extraBytes);
    EXPECT_NE(read(dir + "/User2B2.BAK").find("AGC threshold"), std::string::npos);
    EXPECT_NE(read(dir + "/Filters/xparams.BAK").find("Limiter"), std::string::npos);
    EXPECT_NE(read(dir + "/Filters/xparams.dat").find("0F1108"), std::string::npos);
    EXPECT_EQ(BackupPath("/a.b/User"), "/a.b/User.BAK");
    EXPECT_EQ(BackupPath("/a/User2B2.KVQ"), "/a/User2B2.BAK");
}

TEST_F(ParamsTest, FailedSaveLeavesTheFilesUntouched) {
    TParams p = params();
    ASSERT_TRUE(p.LoadParameterFiles());
    fs::remove_all(dir + "/Filters");
    std::string err;
    EXPECT_FALSE(p.SaveParameterFiles(false, &err));
    EXPECT_FALSE(err.empty());
    const std::string u = read(user); // written first, and whole
    EXPECT_EQ(u.substr(u.size() - 10), "END FILE\r\n");
    for (const auto& e : fs::directory_iterator(dir))
        EXPECT_NE(e.path().filename().string().front(), '.') << "temporary file left: " << e.path();
}

TEST_F(ParamsTest, FileNamesDifferingInCaseAreFound) {
    fs::rename(user, dir + "/user2b2.kvq");
    fs::rename(dir + "/Filters", dir + "/filters");
    fs::rename(dir + "/filters/xparams.kvq", dir + "/filters/XPARAMS.KVQ");
    TParams p = params();
    ASSERT_TRUE(p.LoadParameterFiles()) << (rec.texts().empty() ? "" : rec.texts()[0]);
    EXPECT_EQ(p.Names[15], "Limiter");
    ASSERT_TRUE(p.SaveParameterFiles(false));
    EXPECT_FALSE(fileExists(user)); // the existing file was rewritten, no second one made
    EXPECT_TRUE(fileExists(dir + "/filters/xparams.dat"));
    EXPECT_EQ(resolvePathNoCase(dir + "/FILTERS/xparams.kvq"), dir + "/filters/XPARAMS.KVQ");
    EXPECT_EQ(resolvePathNoCase(dir + "/nothing/here"), dir + "/nothing/here");
}

TEST(DeriveParam65, FromParameter63) {
    TParams p("/nowhere", "x.kvq");
    const std::pair<int, int> cases[] = {{254, 235}, {0, 45}, {100, 120}, {255, 236}, {1, 45}};
    for (const auto& [in, out] : cases) {
        p.SetValues[63][SetIndex(2, 1)] = static_cast<uint8_t>(in);
        p.SetValues[65][SetIndex(2, 2)] = 77;
        p.DeriveParam65(2);
        EXPECT_EQ(p.SetValues[65][SetIndex(2, 1)], out) << in;
        EXPECT_EQ(p.SetValues[65][SetIndex(2, 2)], 77); // the CW value is left alone
    }
}

TEST(ParamImage, TenBlocksOfNinetyAndATail) {
    TParams p("/nowhere", "x.kvq");
    for (int n = 1; n <= ParamCount; ++n) {
        for (int k = 0; k < 6; ++k)
            p.SetValues[n][k] = static_cast<uint8_t>(n + 100 * (k % 2) + k / 2);
        p.MaxValue[n] = static_cast<uint8_t>(200 + n % 50);
        p.MinValue[n] = static_cast<uint8_t>(n % 7);
        p.UserNo[n] = static_cast<uint8_t>(n + 1);
        p.Multiplier[n] = static_cast<uint8_t>(n * 2);
    }
    auto img = BuildParamImage(p);
    ASSERT_EQ(img.size(), ParamImageSize);
    for (int b = 0; b < 10; ++b) {
        EXPECT_EQ(std::string(img.begin() + b * 104, img.begin() + b * 104 + 14), "#############\r") << b;
    }
    auto at = [&](int block, int n) { return img[(block - 1) * 104 + 14 + (n - 10)]; };
    EXPECT_EQ(at(1, 10), p.SetValues[10][SetIndex(1, 1)]);
    EXPECT_EQ(at(2, 10), p.SetValues[10][SetIndex(2, 1)]);
    EXPECT_EQ(at(3, 99), p.SetValues[99][SetIndex(3, 1)]);
    EXPECT_EQ(at(4, 50), p.MaxValue[50]);
    EXPECT_EQ(at(5, 50), p.MinValue[50]);
    EXPECT_EQ(at(6, 11), p.SetValues[11][SetIndex(1, 2)]);
    EXPECT_EQ(at(7, 11), p.SetValues[11][SetIndex(2, 2)]);
    EXPECT_EQ(at(8, 98), p.SetValues[98][SetIndex(3, 2)]);
    EXPECT_EQ(at(9, 24), 5); // user number 25 mod 10
    EXPECT_EQ(at(10, 99), 198);
    EXPECT_EQ(std::string(img.end() - 8, img.end()), "########");
}

TEST_F(ParamsTest, AD603Table) {
    std::string good;
    for (int i = 0; i < 42; ++i) {
        char b[16];
        std::snprintf(b, sizeof b, "00%02X00\r\n", 20 + 5 * i);
        good += b;
    }
    struct Case {
        const char* what;
        std::string text; // empty: no file
        int newEntries;   // entries taken from the file; the rest keep 0xEE
        bool ok;
    };
    auto replaceLine = [&](int i, const std::string& l) {
        auto lines = splitLines(good);
        lines[i] = l;
        std::string t;
        for (auto& x : lines)
            t += x + "\r\n";
        return t;
    };
    const Case cases[] = {
        {"good", good, 42, true},
        {"lower case digits", replaceLine(3, "0023ab"), 42, true},
        {"missing", "", 0, false},
        {"41 lines", good.substr(0, 41 * 8), 41, false},
        {"short line", replaceLine(9, "00A"), 9, false},
        {"not hexadecimal", replaceLine(4, "00G100"), 4, false},
    };
    for (const auto& c : cases) {
        std::string path = dir + "/Filters/AD603.dat";
        fs::remove(path);
        if (!c.text.empty())
            write(path, c.text);
        TParams p = params();
        p.AD603Table.fill(0xEE);
        rec.clear();
        EXPECT_EQ(p.LoadAD603Table(), c.ok) << c.what;
        for (int i = 0; i < 42; ++i) {
            int expected = i < c.newEntries ? 20 + 5 * i : 0xEE;
            if (i == 3 && std::string(c.what) == "lower case digits")
                expected = 0x23;
            EXPECT_EQ(p.AD603Table[i], expected) << c.what << " entry " << i;
        }
        EXPECT_EQ(rec.shown().size(), c.ok ? 0u : 1u) << c.what;
        if (!c.ok) {
            EXPECT_NE(rec.shown()[0].text.find("logged error no 12 "), std::string::npos);
        }
    }
}
