#include "base/Files.h"
#include "config/UEememIni.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <unistd.h>

using namespace tarnix;

namespace {

class EememIniTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tarnix-eemem-XXXXXX";
        dir = mkdtemp(tmpl);
        path = dir + "/KelvoxEemem.ini";
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    EememIniData_type readText(const std::string& text) {
        EXPECT_TRUE(writeFileAtomic(path, text));
        EememIniData_type img;
        img.ddsclock = 1; // must be replaced by the read
        ReadEememIni(img, path);
        return img;
    }
    std::string dir, path;
};

std::string valueOf(const EememIniData_type& img, const std::string& sectionKey) {
    for (const auto& e : EememEntries(img))
        if (e.section + "/" + e.key == sectionKey)
            return e.value;
    return "<no such key>";
}

} // namespace

TEST_F(EememIniTest, NoFileGivesExactlyTheDefaults) {
    EememIniData_type img;
    img.ddsclock = 5;
    img.PCA9555tasks[3].Label = "x";
    ReadEememIni(img, dir + "/missing.ini");
    EXPECT_EQ(img, EememIniData_type());

    const std::pair<const char*, const char*> expected[] = {
        {"rfconfig/ddsclock", "175000000"},
        {"rfconfig/cwoffset", "10752350"},
        {"encoderparams/encoder8", "51"},
        {"encoderparams/potB", "77"},
        {"rxbuttonassign/rxbuttonZ", "0"},
        {"txtouchpadassign/txtouchpad15", "0"},
        {"ddsparams/44CWmode", "2"},
        {"ddsparams/MoxTimeout", "5"},
        {"touchpanel/TouchCalBottom", "915"},
        {"bandlast/Last160mFreq", "1850000"},
        {"bandlast/Last6mFreq", "50150000"},
        {"bandssb/SSB15mFreq", "21295000"},
        {"bandcw/CW40mMode", "2"},
        {"bandcw/CW20mIP3", "0"},
        {"mem67/Mem6766Freq", "20000000"},
        {"mem68/Mem6865IP3", "1"},
        {"mem69/Mem6966Freq", "17550000"},
        {"mem60/Mem6066Freq", "5288500"},
        {"poweron/PowerOnFreq", "3272700"},
        {"vfo/VFO7Freq", "3272000"},
        {"vfo/VFO7IP3", "1"},
        {"PCA9555tasks/PCA9555_Task1_Operation", "no_action"},
        {"PCA9555tasks/PCA9555_Task8_Address", "1"},
        {"PCA9555tasks/PCA9555_Task8_Label", "PCA-9555"},
        {"I2CBPF/EnablePCA9555", "1"},
        {"Welkin/IniWelkin_SquarerDAC", "0"},
        {"RTC/LocalTimeOffset", "0"},
    };
    for (const auto& [key, value] : expected)
        EXPECT_EQ(valueOf(img, key), value) << key;
    for (const auto& t : img.PCA9555tasks) {
        EXPECT_EQ(t.Operation, 0);
        EXPECT_EQ(t.Address, 1);
        EXPECT_EQ(t.Label, "PCA-9555");
    }
    // 5 + 10 + 26 + 26 + 15 + 15 + 11 + 4 + 3 × 50 + 4 × 30 + 5 + 35 + 40 + 3 + 7 + 1 fields.
    EXPECT_EQ(EememEntries(img).size(), 473u);
}

TEST_F(EememIniTest, ValuesReadAsTheControllerKeepsThem) {
    struct Case {
        const char* section;
        const char* line;
        std::function<long long(const EememIniData_type&)> field;
        long long expected;
    };
    const Case cases[] = {
        {"PCA9555tasks", "PCA9555_Task1_Operation=set_bits",
         [](auto& d) { return d.PCA9555tasks[0].Operation; }, 1},
        {"PCA9555tasks", "PCA9555_Task1_Operation=Set_Bits",
         [](auto& d) { return d.PCA9555tasks[0].Operation; }, 0},
        {"PCA9555tasks", "PCA9555_Task2_Operation=toggle_bits_Rx_only",
         [](auto& d) { return d.PCA9555tasks[1].Operation; }, 14},
        {"PCA9555tasks", "PCA9555_Task2_Operation=", [](auto& d) { return d.PCA9555tasks[1].Operation; }, 0},
        {"PCA9555tasks", "PCA9555_Task3_Address=257", [](auto& d) { return d.PCA9555tasks[2].Address; }, 1},
        {"PCA9555tasks", "PCA9555_Task3_Dataword=70000", [](auto& d) { return d.PCA9555tasks[2].Dataword; },
         4464},
        {"PCA9555tasks", "PCA9555_Task4_Group=-1", [](auto& d) { return d.PCA9555tasks[3].Group; }, 255},
        {"PCA9555tasks", "PCA9555_Task4_Address=zz", [](auto& d) { return d.PCA9555tasks[3].Address; }, 1},
        {"rfconfig", "DDSCLOCK = 180000000", [](auto& d) { return d.ddsclock; }, 180000000},
        {"rfconfig", "ddsclock=garbage", [](auto& d) { return d.ddsclock; }, 175000000},
        {"rfconfig", "ddsclock=12.5", [](auto& d) { return d.ddsclock; }, 175000000},
        {"rfconfig", "ddsclock=99999999999", [](auto& d) { return d.ddsclock; }, 175000000},
        {"rfconfig", "lsboffset=-5", [](auto& d) { return d.lsboffset; }, -5},
        {"ddsparams", "MoxTimeout=70000", [](auto& d) { return d.MoxTimeout; }, 70000}, // stored whole
        {"bandlast", "Last6mFreq=50313000", [](auto& d) { return d.bandlast[Band6m].Freq; }, 50313000},
        {"vfo", "VFO3Colour=3", [](auto& d) { return d.vfo[2].Colour; }, 3},
    };
    for (const auto& c : cases) {
        auto img = readText(std::string("[") + c.section + "]\r\n" + c.line + "\r\n");
        EXPECT_EQ(c.field(img), c.expected) << c.line;
    }
    // A file that is not an INI file at all: every key at its default.
    const char junk[] = "\0\xff[rfconfig\n=\n\x01"
                        "ddsclock\r\r[\n";
    EXPECT_EQ(readText(std::string(junk, sizeof junk - 1)), EememIniData_type());
    auto img = readText("[RTC]\nLocalTimeOffset=half past\n[PCA9555tasks]\nPCA9555_Task5_Label=Band relay\n");
    EXPECT_EQ(img.LocalTimeOffset, "half past"); // kept as text; the upload decides
    EXPECT_EQ(img.PCA9555tasks[4].Label, "Band relay");
}

TEST_F(EememIniTest, WriteKeepsCommentsUnknownKeysAndSixMetreLines) {
    const std::string before = "; my station, edited by hand\r\n"
                               "[bandlast]\r\n"
                               "Last160mFreq=1840000\r\n"
                               "Last6mFreq = 50313000\r\n"
                               "MyOwnKey=keep me\r\n"
                               "[PCA9555tasks]\r\n"
                               "PCA9555_Task1_Operation=Set_Bits\r\n";
    auto img = readText(before);
    EXPECT_EQ(img.bandlast[0].Freq, 1840000);
    EXPECT_EQ(img.bandlast[Band6m].Freq, 50313000);
    img.bandlast[Band6m].Freq = 1; // never written back
    ASSERT_TRUE(WriteEememIni(img, path));
    std::string after = *readFile(path);
    EXPECT_EQ(after.rfind("; my station, edited by hand\r\n[bandlast]\r\nLast160mFreq=1840000\r\n"
                          "Last6mFreq = 50313000\r\nMyOwnKey=keep me\r\n",
                          0),
              0u);
    EXPECT_NE(after.find("PCA9555_Task1_Operation=no_action\r\n"), std::string::npos);
    EXPECT_EQ(after.find("Set_Bits"), std::string::npos);
    // The other 6 m keys are not added.
    EXPECT_EQ(after.find("Last6mMode"), std::string::npos);
    EXPECT_EQ(after.find("SSB6m"), std::string::npos);
    EXPECT_EQ(after.find("CW6m"), std::string::npos);
}

TEST_F(EememIniTest, NewFileHoldsEverySectionInOrderAndReadsBack) {
    EememIniData_type img;
    img.ddsclock = 180000123;
    img.rxbutton[25] = 17;
    img.PCA9555tasks[7] = {20, 200, 3, 65535, "Antenna 2"}; // code 20 has no name
    img.mem60[5].Freq = 5366500;
    img.LocalTimeOffset = "5.5";
    ASSERT_TRUE(WriteEememIni(img, path));
    std::string text = *readFile(path);
    const char* order[] = {"[rfconfig]",
                           "[encoderparams]",
                           "[rxbuttonassign]",
                           "[txbuttonassign]",
                           "[rxtouchpadassign]",
                           "[txtouchpadassign]",
                           "[ddsparams]",
                           "[touchpanel]",
                           "[bandlast]",
                           "[bandssb]",
                           "[bandcw]",
                           "[mem67]",
                           "[mem68]",
                           "[mem69]",
                           "[mem60]",
                           "[poweron]",
                           "[vfo]",
                           "[PCA9555tasks]",
                           "[I2CBPF]",
                           "[Welkin]",
                           "[RTC]"};
    size_t at = 0;
    for (const char* s : order) {
        size_t p = text.find(s, at);
        ASSERT_NE(p, std::string::npos) << s;
        at = p;
    }
    EXPECT_EQ(text.find("6m"), std::string::npos);
    EXPECT_NE(text.find("PCA9555_Task8_Operation=no_action\n"), std::string::npos);
    EXPECT_NE(text.find("PCA9555_Task8_Dataword=65535\n"), std::string::npos);

    EememIniData_type back;
    ReadEememIni(back, path);
    img.PCA9555tasks[7].Operation = 0;
    EXPECT_EQ(back, img);
}

TEST_F(EememIniTest, FailedWriteLeavesNothingBehind) {
    std::string err;
    EXPECT_FALSE(WriteEememIni(EememIniData_type(), dir + "/no/such/folder/KelvoxEemem.ini", &err));
    EXPECT_FALSE(err.empty());
    EXPECT_EQ(EememIniPath("/home/k/Kelvox/"), "/home/k/Kelvox/KelvoxEemem.ini");
    EXPECT_EQ(EememIniPath("C:\\Kelvox"), "C:/Kelvox/KelvoxEemem.ini");
}

TEST(PcaOperations, NamesAndCodes) {
    for (int code = 0; code < PcaOperationCount; ++code)
        EXPECT_EQ(PcaOperationFromName(PcaOperationNames[code]), code);
    EXPECT_EQ(PcaOperationNames[10], "load_dataword_at_startup");
    EXPECT_EQ(PcaOperationFromName("SET_BITS"), 0);
    EXPECT_EQ(PcaOperationFromName(" set_bits"), 0);
    EXPECT_EQ(PcaOperationName(15), "no_action");
    EXPECT_EQ(PcaOperationName(255), "no_action");
}

TEST(LocalTimeOffset, HalfHoursBothWays) {
    struct Case {
        const char* text;
        std::optional<int8_t> half;
    };
    const Case cases[] = {{"0", 0},     {"1", 2},      {"5.5", 11},   {"-3.5", -7}, {" +2 ", 4},
                          {"5.25", 10}, {"63.5", 127}, {"-64", -128}, {"64", {}},   {"", {}},
                          {"abc", {}},  {"5,5", {}},   {"1e1", {}},   {"inf", {}},  {"nan", {}}};
    for (const auto& c : cases)
        EXPECT_EQ(LocalTimeOffsetHalfHours(c.text), c.half) << c.text;
    EXPECT_EQ(LocalTimeOffsetText(11), "5.5");
    EXPECT_EQ(LocalTimeOffsetText(-7), "-3.5");
    EXPECT_EQ(LocalTimeOffsetText(-1), "-0.5");
    EXPECT_EQ(LocalTimeOffsetText(2), "1");
    EXPECT_EQ(LocalTimeOffsetText(0), "0");
}

TEST(FmSlotWire, EightBytesLowByteFirst) {
    FmSlot s{14074000, 1, 1, 0, 3};
    uint8_t b[FmSlotWireSize];
    PutFmSlot(b, s);
    const uint8_t expected[] = {0x90, 0xC0, 0xD6, 0x00, 1, 1, 0, 3};
    EXPECT_EQ(std::vector<uint8_t>(b, b + 8), std::vector<uint8_t>(expected, expected + 8));
    EXPECT_EQ(GetFmSlot(b), s);
}
