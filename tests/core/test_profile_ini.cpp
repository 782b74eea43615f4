#include "base/ProfileIni.h"

#include <gtest/gtest.h>

using namespace tarnix;

TEST(ProfileIni, ReadsWithoutRegardToCase) {
    auto ini = ProfileIni::fromText("[VANTOR]\r\nVANTORFOLDER = /home/k/Kelvox \r\n[dsp]\nDspTelemetry=1\n");
    EXPECT_EQ(ini.getString("Vantor", "VantorFolder", "x"), "/home/k/Kelvox");
    EXPECT_EQ(ini.getInt("DSP", "dsptelemetry", 0), 1);
    EXPECT_EQ(ini.getString("Vantor", "missing", "def"), "def");
    EXPECT_EQ(ini.getString("nosection", "VantorFolder", "def"), "def");
}

TEST(ProfileIni, NumbersAndBooleans) {
    auto ini = ProfileIni::fromText("[s]\na=12\nb=abc\nc=\nd=-3\ne=0\nf=5\ng=\"quoted\"\n");
    EXPECT_EQ(ini.getInt("s", "a", 7), 12);
    EXPECT_EQ(ini.getInt("s", "b", 7), 7);
    EXPECT_EQ(ini.getInt("s", "c", 7), 7);
    EXPECT_EQ(ini.getInt("s", "d", 7), -3);
    EXPECT_FALSE(ini.getBool("s", "e", true));
    EXPECT_TRUE(ini.getBool("s", "f", false));
    EXPECT_TRUE(ini.getBool("s", "b", true));
    EXPECT_EQ(ini.getString("s", "g", ""), "quoted");
}

TEST(ProfileIni, WritingOneKeyKeepsEveryOtherLineByteForByte) {
    const std::string before = "; my comment\r\n"
                               "[Directory]\r\n"
                               "path=/old\r\n"
                               "  odd spacing   =  kept  \r\n"
                               "a line without equals\r\n"
                               "\r\n"
                               "[DSP file]\r\n"
                               "file=VANTOR2b1x.kvq"; // no final newline
    auto ini = ProfileIni::fromText(before);
    EXPECT_EQ(ini.text(), before);
    ini.set("directory", "PATH", "/new");
    EXPECT_EQ(ini.text(), "; my comment\r\n"
                          "[Directory]\r\n"
                          "path=/new\r\n"
                          "  odd spacing   =  kept  \r\n"
                          "a line without equals\r\n"
                          "\r\n"
                          "[DSP file]\r\n"
                          "file=VANTOR2b1x.kvq");
}

TEST(ProfileIni, NewKeysAtEndOfSectionNewSectionsAtEndOfFile) {
    auto ini = ProfileIni::fromText("[a]\nx=1\n\n[b]\ny=2");
    ini.set("A", "z", "3");
    ini.set("c", "w", "4");
    ini.set("b", "v", "5");
    EXPECT_EQ(ini.text(), "[a]\nx=1\nz=3\n\n[b]\ny=2\nv=5\n[c]\nw=4\n");
    EXPECT_EQ(ini.sections(), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(ini.keys("B"), (std::vector<std::string>{"y", "v"}));
}

TEST(ProfileIni, DuplicateSectionsAndKeysUseTheFirst) {
    auto ini = ProfileIni::fromText("[s]\nk=1\nk=2\n[S]\nk=3\n");
    EXPECT_EQ(ini.getInt("s", "k", 0), 1);
    ini.set("s", "k", "9");
    EXPECT_EQ(ini.text(), "[s]\nk=9\nk=2\n[S]\nk=3\n");
}

TEST(ProfileIni, BinaryJunkAndLongLinesDoNotBreakIt) {
    std::string junk("\x00\x01\xff[\n=\n]]=[\n", 12);
    junk += std::string(100000, 'x') + "\n[s]\nk=1\n";
    auto ini = ProfileIni::fromText(junk);
    EXPECT_EQ(ini.getInt("s", "k", 0), 1);
    EXPECT_EQ(ini.text(), junk);
    ini.set("s", "k", "2");
    EXPECT_EQ(ini.text().substr(0, junk.size() - 2), junk.substr(0, junk.size() - 2));
}
