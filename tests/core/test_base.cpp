#include "base/ByteOrder.h"
#include "base/Files.h"
#include "base/Messages.h"
#include "base/Pacer.h"
#include "base/Text.h"
#include "shell/LogError.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

using namespace tarnix;

TEST(ByteOrder, RoundTrips) {
    uint8_t b[4];
    putLe16(b, 0x1234);
    EXPECT_EQ(b[0], 0x34);
    EXPECT_EQ(le16(b), 0x1234);
    putBe16(b, 0x1234);
    EXPECT_EQ(b[0], 0x12);
    EXPECT_EQ(be16(b), 0x1234);
    putLe32(b, 0xA1B2C3D4u);
    EXPECT_EQ(b[0], 0xD4);
    EXPECT_EQ(b[3], 0xA1);
    EXPECT_EQ(le32(b), 0xA1B2C3D4u);
}

TEST(Pacer, VirtualClockRecordsEveryPause) {
    VirtualPacer v;
    std::vector<int> seen;
    v.onPause = [&](int ms) { seen.push_back(ms); };
    setPacer(&v);
    pacer().pause(50);
    pacer().pause(20);
    setPacer(nullptr);
    EXPECT_EQ(v.pauses(), (std::vector<int>{50, 20}));
    EXPECT_EQ(seen, v.pauses());
    EXPECT_DOUBLE_EQ(v.nowMs(), 70.0);
}

TEST(Pacer, SteadyPauseLastsAtLeastItsLength) {
    SteadyPacer p;
    double t0 = p.nowMs();
    p.pause(15);
    EXPECT_GE(p.nowMs() - t0, 15.0);
}

TEST(Text, ParseIntAcceptsOnlyWholeNumbers) {
    struct Case {
        const char* in;
        std::optional<long long> out;
    } cases[] = {{"12", 12},
                 {" -7 ", -7},
                 {"+3", 3},
                 {"", std::nullopt},
                 {"12abc", std::nullopt},
                 {"abc", std::nullopt},
                 {"1.5", std::nullopt},
                 {"99999999999999999999", std::nullopt}};
    for (const auto& c : cases)
        EXPECT_EQ(parseInt(c.in), c.out) << c.in;
    EXPECT_EQ(parseInt32("3000000000"), std::nullopt);
}

TEST(Text, HexBytesBothWays) {
    const uint8_t b[] = {0x24, 0x00, 0xFF};
    EXPECT_EQ(hexBytes(b, 3), "24 00 FF");
    EXPECT_EQ(parseHexBytes("2400ff"), std::string("\x24\x00\xff", 3));
    EXPECT_EQ(parseHexBytes("24 0"), std::nullopt);
    EXPECT_EQ(parseHexBytes("zz"), std::nullopt);
}

class TempDir : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tarnix-test-XXXXXX";
        dir = mkdtemp(tmpl);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string dir;
};

using AtomicWrite = TempDir;

TEST_F(AtomicWrite, ReplacesWholeFileAndLeavesNoTemporary) {
    std::string path = dir + "/a.ini";
    ASSERT_TRUE(writeFileAtomic(path, "first"));
    ASSERT_TRUE(writeFileAtomic(path, "second"));
    EXPECT_EQ(readFile(path), "second");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
}

TEST_F(AtomicWrite, FailureLeavesTargetUntouched) {
    std::string path = dir + "/sub/a.ini"; // folder does not exist
    std::string err;
    EXPECT_FALSE(writeFileAtomic(path, "x", &err));
    EXPECT_FALSE(err.empty());
    EXPECT_FALSE(fileExists(path));
}

using LogErrorTest = TempDir;

TEST_F(LogErrorTest, WarnsAndAppendsTheSameText) {
    setenv("XDG_DATA_HOME", dir.c_str(), 1);
    RecordingMessages rec;
    setMessages(&rec);
    LogError(7, "line", "3x", 1, 2, 3, 4);
    setMessages(nullptr);
    const std::string text = "Tarnix logged error no 7     u=line    V=3x    a=1  b=2  c=3  d=4  ";
    ASSERT_EQ(rec.shown().size(), 1u);
    EXPECT_EQ(rec.shown()[0].text, text);
    EXPECT_EQ(rec.shown()[0].icon, MsgIcon::Warning);
    auto log = readFile(dir + "/tarnix/tarnix_error.log");
    ASSERT_TRUE(log);
    EXPECT_NE(log->find("   " + text + "\n"), std::string::npos);
    unsetenv("XDG_DATA_HOME");
}
