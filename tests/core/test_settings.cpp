#include "base/Files.h"
#include "base/Messages.h"
#include "base/ProfileIni.h"
#include "base/Text.h"
#include "shell/UIniData.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <unistd.h>

using namespace tarnix;
namespace fs = std::filesystem;

namespace {

// Every test gets its own home, config and data folders, a fresh store and recorded messages.
class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* v : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
            if (const char* old = std::getenv(v))
                saved_.emplace_back(v, old);
        char tmpl[] = "/tmp/tarnix-settings-XXXXXX";
        dir = mkdtemp(tmpl);
        setenv("HOME", (dir + "/home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir + "/data").c_str(), 1);
        setMessages(&rec);
        ResetSettingsStore();
    }
    void TearDown() override {
        setMessages(nullptr);
        for (const char* v : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"})
            unsetenv(v);
        for (const auto& [k, v] : saved_)
            setenv(k.c_str(), v.c_str(), 1);
        ResetSettingsStore();
        fs::remove_all(dir);
    }

    std::string store() const { return dir + "/config/ornwerks/Tarnix.ini"; }
    void writeStore(const std::string& text) {
        fs::create_directories(dir + "/config/ornwerks");
        ASSERT_TRUE(writeFileAtomic(store(), text));
    }
    std::string storeText() const { return readFile(store()).value_or("<missing>"); }
    ProfileIni storeIni() const { return ProfileIni::fromText(storeText()); }

    std::string dir;
    RecordingMessages rec;

private:
    std::vector<std::pair<std::string, std::string>> saved_;
};

void loadEveryGroup() {
    LoadMainSettings();
    LoadMainCoordinates(1920, 1080);
    LoadWebCoordinates(1920, 1080);
    LoadCalSummCoordinates(1920, 1080);
    LoadDebugWidths();
    LoadDebugOptions();
    LoadPrintSettings('S');
}

bool saveEveryGroup() {
    bool ok = SaveMainSettings();
    ok = SaveMainCoordinates() && ok;
    ok = SaveWebCoordinates() && ok;
    ok = SaveCalSummCoordinates() && ok;
    ok = SaveDebugWidths() && ok;
    ok = SaveDebugOptions() && ok;
    return SavePrintSettings('S') && ok;
}

} // namespace

TEST_F(SettingsStore, FirstRunGivesTheDefaultsAndCreatesTheFolder) {
    EXPECT_TRUE(EnsureSettingsKey());
    EXPECT_TRUE(folderExists(dir + "/config/ornwerks"));
    EXPECT_TRUE(rec.shown().empty());
    loadEveryGroup();
    EXPECT_FALSE(LoadKvqIni());
    EXPECT_FALSE(fileExists(store())); // reading writes nothing

    const TRegIniData& d = RegIniData;
    EXPECT_EQ(d.VantorFolder, dir + "/home/Kelvox");
    EXPECT_EQ(d.ComPort, "/dev/ttyS0");
    EXPECT_EQ(d.FwdCalFile, dir + "/data/tarnix/Caldata/Bramble_default.fwd");
    EXPECT_EQ(d.RefCalFile, dir + "/data/tarnix/Caldata/Bramble_default.ref");
    EXPECT_EQ(d.SummaryExportFolder, dir + "/home");
    EXPECT_EQ(d.SummaryExportFile, "TempSummary.rtf");
    EXPECT_TRUE(d.PrintInColor);
    EXPECT_EQ((std::vector<int>{d.MainTop, d.MainLeft, d.MainWidth, d.MainHeight}),
              (std::vector<int>{30, 30, 400, 300}));
    EXPECT_EQ(d.SummHeight, 939);
    EXPECT_EQ(d.DebugRefresh, 20);
    EXPECT_TRUE(d.DebugViewPorts);
    EXPECT_EQ(d.Print.PageSizeY, 297000);
    EXPECT_EQ(d.Print.PageHeaderFontStyle, "B");
    EXPECT_EQ(d.Print.Orientation, "poPortrait");
    EXPECT_EQ(KvqIniData.DspFile, "VANTOR2b1x.kvq");
    EXPECT_EQ(KvqIniData.ParamsFile, "User2B2.KVQ");

    auto dump = DumpSettings();
    ASSERT_EQ(dump.size(), AllSettings().size());
    EXPECT_EQ(dump.front(), "DSP/dsptelemetry=0");
    EXPECT_EQ(dump[2], "Files/TFTflashFile=");
    EXPECT_EQ(dump[3], "RS232/Comport=/dev/ttyS0");
    EXPECT_EQ(dump.back(), "DxSummaryPrinting/Orientation=poPortrait");
}

TEST_F(SettingsStore, EverySavedValueReadsBackAndPrintInColorIsNeverWritten) {
    TRegIniData& d = RegIniData;
    d.VantorFolder = "/radio/vantor";
    d.DspTelemetry = 1;
    d.ComPort = "none";
    d.TftFlashFile = "/radio/Lumo.DF";
    d.SummaryExportBefore = "  padded  ";
    d.SummaryExportAfter = "\"quoted\"";
    d.PrintInColor = false;
    d.MainLeft = 11;
    d.WebHeight = 22;
    d.SummTop = 33;
    d.DebugSplitterPosition = 44;
    d.DebugAutoVars = true;
    d.DebugRefresh = 5;
    d.Print.PageFooterFontStyle = "BI";
    d.Print.ShowPageHeader = true;
    d.Print.MarginsTop = -5;
    ASSERT_TRUE(saveEveryGroup());
    EXPECT_FALSE(storeIni().hasKey("Display", "PrintInColor"));

    TRegIniData expected = d;
    expected.PrintInColor = true; // not stored, so the default comes back
    ResetIniData();
    loadEveryGroup();
    EXPECT_EQ(DumpSettings(), DumpSettings(expected));
    EXPECT_EQ(RegIniData.SummaryExportBefore, "  padded  ");
    EXPECT_EQ(RegIniData.SummaryExportAfter, "\"quoted\"");
}

TEST_F(SettingsStore, HandWrittenUpperCaseNamesAreReadAndUpdatedInPlace) {
    writeStore("; written by hand\n"
               "[VANTOR]\nVANTORFOLDER=/data/radio\n"
               "[FILES]\nTFTFLASHFILE=/data/Lumo.DF\n"
               "[RS232]\nCOMPORT=/dev/ttyUSB0\n"
               "[DISPLAY]\nPRINTINCOLOR=0\n"
               "[COORDINATES]\nMAINFORMLEFT=55\n"
               "[DEBUGFORM]\nDEBUGVIEWVARS=0\n"
               "[DXSUMMARYPRINTING]\nORIENTATION=poLandscape\n");
    loadEveryGroup();
    EXPECT_EQ(RegIniData.VantorFolder, "/data/radio");
    EXPECT_EQ(RegIniData.TftFlashFile, "/data/Lumo.DF");
    EXPECT_EQ(RegIniData.ComPort, "/dev/ttyUSB0");
    EXPECT_FALSE(RegIniData.PrintInColor);
    EXPECT_EQ(RegIniData.MainLeft, 55);
    EXPECT_FALSE(RegIniData.DebugViewVars);
    EXPECT_EQ(RegIniData.Print.Orientation, "poLandscape");

    RegIniData.ComPort = "/dev/ttyS1";
    RegIniData.TftFlashFile = "/data/Other.DF";
    ASSERT_TRUE(SaveMainSettings());
    std::string t = storeText();
    EXPECT_NE(t.find("[RS232]\nCOMPORT=/dev/ttyS1\n"), std::string::npos) << t;
    EXPECT_NE(t.find("[FILES]\nTFTFLASHFILE=/data/Other.DF\n"), std::string::npos) << t;
    EXPECT_NE(t.find("[DISPLAY]\nPRINTINCOLOR=0\n"), std::string::npos) << t;
    EXPECT_EQ(ProfileIni::fromText(t).keys("RS232").size(), 1u);
    EXPECT_EQ(ProfileIni::fromText(t).keys("Files").size(), 3u);
}

TEST_F(SettingsStore, SaverSpellingsOnANewFile) {
    RegIniData.ComPort = "/dev/ttyS2";
    RegIniData.TftFlashFile = "a.DF";
    ASSERT_TRUE(SaveMainSettings());
    std::string t = storeText();
    EXPECT_NE(t.find("\ncomport=/dev/ttyS2\n"), std::string::npos) << t;
    EXPECT_NE(t.find("\nTFTFlashFile=a.DF\n"), std::string::npos) << t;
    ResetIniData();
    LoadMainSettings();
    EXPECT_EQ(RegIniData.ComPort, "/dev/ttyS2");
    EXPECT_EQ(RegIniData.TftFlashFile, "a.DF");
}

TEST_F(SettingsStore, PrintSettingsGoOutInTheirOrder) {
    ASSERT_TRUE(SavePrintSettings('S'));
    std::vector<std::string> expected;
    for (const auto& s : AllSettings())
        if (s.section == "DxSummaryPrinting")
            expected.push_back(s.key);
    ASSERT_EQ(expected.back(), "Orientation");
    std::swap(expected[expected.size() - 1], expected[expected.size() - 2]);
    EXPECT_EQ(storeIni().keys("DxSummaryPrinting"), expected);
    EXPECT_EQ(storeIni().get("DxSummaryPrinting", "PageFooterFontName"), "Times New Roman");

    // Only the letter "S" names a print settings section.
    fs::remove(store());
    RegIniData.Print.ScaleFactor = 50;
    EXPECT_FALSE(SavePrintSettings('X'));
    LoadPrintSettings('X');
    EXPECT_EQ(RegIniData.Print.ScaleFactor, 50);
    EXPECT_FALSE(fileExists(store()));
}

TEST_F(SettingsStore, CoordinatesBeyondTheScreenAreClampedAndStoredAtOnce) {
    struct Case {
        const char* stored;
        std::function<void()> load;
        std::vector<std::pair<const char*, int>> expected; // key and value in memory and in the file
    } cases[] = {
        {"mainformleft=5000",
         [] { LoadMainCoordinates(1920, 1080); },
         {{"mainformleft", 1820}, {"mainformtop", 30}, {"mainformwidth", 400}, {"mainformheight", 300}}},
        {"mainformtop=1500\nmainformheight=2000",
         [] { LoadMainCoordinates(1920, 1080); },
         {{"mainformtop", 980}, {"mainformheight", 1020}}},
        {"mainformwidth=3000\nmainformleft=-40",
         [] { LoadMainCoordinates(1920, 1080); },
         {{"mainformwidth", 1860}, {"mainformleft", -40}}},
        {"webformleft=950\nwebformtop=700\nwebformwidth=1100\nwebformheight=800",
         [] { LoadWebCoordinates(1024, 768); },
         {{"webformleft", 924}, {"webformtop", 668}, {"webformwidth", 964}, {"webformheight", 708}}},
        {"calformleft=2000\ncalformtop=2000",
         [] { LoadCalSummCoordinates(1280, 1024); },
         {{"calformleft", 1180}, {"calformtop", 924}, {"summformleft", 80}, {"summformheight", 939}}},
        {"summformleft=1300\nsummformtop=1300\nsummformwidth=1300\nsummformheight=1300",
         [] { LoadCalSummCoordinates(1280, 1024); },
         {{"summformleft", 1180},
          {"summformtop", 924},
          {"summformwidth", 1280},
          {"summformheight", 1024},
          {"calformleft", 70}}},
    };
    auto memory = [](const std::string& key) -> int {
        return std::stoi(GetSetting("coordinates", key).value());
    };
    for (const auto& c : cases) {
        ResetIniData();
        writeStore(std::string("[coordinates]\n") + c.stored + "\n");
        c.load();
        ProfileIni ini = storeIni();
        for (const auto& [key, value] : c.expected) {
            EXPECT_EQ(memory(key), value) << c.stored << " " << key;
            EXPECT_EQ(ini.getInt("coordinates", key, -9999), value) << c.stored << " " << key;
        }
    }
}

TEST_F(SettingsStore, CoordinatesOnTheScreenLeaveTheFileAlone) {
    // Exactly at the limits: nothing to correct, so nothing is written.
    const std::string text = "[coordinates]\nmainformleft=1820\nmainformtop=980\nmainformwidth=1920\n"
                             "mainformheight=1080\nsummformwidth=1920\nsummformheight=1080\n";
    writeStore(text);
    LoadMainCoordinates(1920, 1080);
    LoadCalSummCoordinates(1920, 1080);
    EXPECT_EQ(storeText(), text);
    EXPECT_EQ(RegIniData.MainLeft, 1820);
    EXPECT_EQ(RegIniData.MainHeight, 1080);
}

TEST_F(SettingsStore, ValuesThatAreNotNumbersReadAsTheirDefaults) {
    writeStore("[DSP]\ndsptelemetry=1.5\n"
               "[coordinates]\nmainformtop=abc\nmainformleft=12x\nmainformwidth=\nmainformheight= 250 \n"
               "[DebugForm]\nDebugRefresh=99999999999\nDebugAutoPorts=yes\nDebugAutoVars=-1\n"
               "DebugViewVars=0x1\nDebugViewPorts=0\n"
               "[DxSummaryPrinting]\nDMPaper=A4\nShowPageFooter=7\n");
    loadEveryGroup();
    const TRegIniData& d = RegIniData;
    EXPECT_EQ(d.DspTelemetry, 0);
    EXPECT_EQ(d.MainTop, 30);
    EXPECT_EQ(d.MainLeft, 30);
    EXPECT_EQ(d.MainWidth, 400);
    EXPECT_EQ(d.MainHeight, 250);
    EXPECT_EQ(d.DebugRefresh, 20);
    EXPECT_FALSE(d.DebugAutoPorts);
    EXPECT_TRUE(d.DebugAutoVars); // any non-zero number is true
    EXPECT_TRUE(d.DebugViewVars);
    EXPECT_FALSE(d.DebugViewPorts);
    EXPECT_EQ(d.Print.DMPaper, 9);
    EXPECT_TRUE(d.Print.ShowPageFooter);
}

TEST_F(SettingsStore, LineBreaksInTextsCannotAddLinesToTheFile) {
    RegIniData.SummaryExportBefore = "first\n[RS232]\ncomport=/dev/evil\r\n";
    ASSERT_TRUE(SaveMainSettings());
    ResetIniData();
    LoadMainSettings();
    EXPECT_EQ(RegIniData.ComPort, "/dev/ttyS0");
    EXPECT_EQ(RegIniData.SummaryExportBefore, "first [RS232] comport=/dev/evil  ");
    EXPECT_EQ(storeIni().keys("RS232").size(), 1u);
}

TEST_F(SettingsStore, OneSettingByName) {
    writeStore("[rs232]\nCOMPORT=/dev/ttyS0\n");
    EXPECT_EQ(SetSetting("RS232", "comport", "/dev/ttyUSB1"), SetSettingResult::Ok);
    EXPECT_EQ(SetSetting("coordinates", "MAINFORMLEFT", "-12"), SetSettingResult::Ok);
    EXPECT_EQ(SetSetting("Display", "PrintInColor", "0"), SetSettingResult::Ok);
    EXPECT_EQ(storeText(), "[rs232]\nCOMPORT=/dev/ttyUSB1\n[coordinates]\nmainformleft=-12\n"
                           "[Display]\nPrintInColor=0\n");
    EXPECT_EQ(GetSetting("rs232", "comport"), "/dev/ttyUSB1");
    EXPECT_EQ(GetSetting("DxSummaryPrinting", "ScaleMode"), "smFit");

    struct Case {
        const char *section, *key, *value;
        SetSettingResult result;
    } refused[] = {
        {"Nowhere", "mainformleft", "1", SetSettingResult::UnknownSection},
        {"coordinates", "mainformdepth", "1", SetSettingResult::UnknownKey},
        {"coordinates", "mainformleft", "12px", SetSettingResult::BadValue},
        {"coordinates", "mainformleft", "3000000000", SetSettingResult::BadValue},
        {"DebugForm", "DebugAutoVars", "yes", SetSettingResult::BadValue},
        {"Summaries", "SummaryExportAfter", "two\nlines", SetSettingResult::BadValue},
    };
    for (const auto& c : refused)
        EXPECT_EQ(SetSetting(c.section, c.key, c.value), c.result) << c.section << "/" << c.key;
    EXPECT_EQ(GetSetting("Nowhere", "x"), std::nullopt);
    EXPECT_EQ(RegIniData.MainLeft, -12);
}

TEST_F(SettingsStore, VantorFolderOverrideIsUsedButNotStored) {
    writeStore("[Vantor]\nVantorFolder=/stored\n");
    SetVantorFolderOverride("/for/this/run");
    LoadMainSettings();
    EXPECT_EQ(RegIniData.VantorFolder, "/for/this/run");
    RegIniData.ComPort = "none";
    ASSERT_TRUE(SaveMainSettings());
    EXPECT_EQ(storeIni().get("Vantor", "VantorFolder"), "/stored");
    EXPECT_EQ(storeIni().get("RS232", "Comport"), "none");
}

TEST_F(SettingsStore, FolderThatCannotBeMadeWarnsOnceAndNothingIsSaved) {
    struct Case {
        const char* what;
        std::function<void(const std::string&)> prepare;
    } cases[] = {
        {"config home below a regular file",
         [](const std::string& d) {
             ASSERT_TRUE(writeFileAtomic(d + "/plain", "x"));
             setenv("XDG_CONFIG_HOME", (d + "/plain/config").c_str(), 1);
         }},
        {"settings file is a folder",
         [](const std::string& d) {
             setenv("XDG_CONFIG_HOME", (d + "/config").c_str(), 1);
             fs::create_directories(d + "/config/ornwerks/Tarnix.ini");
         }},
    };
    for (const auto& c : cases) {
        ResetSettingsStore();
        rec.clear();
        c.prepare(dir);
        EXPECT_FALSE(EnsureSettingsKey()) << c.what;
        EXPECT_FALSE(EnsureSettingsKey()) << c.what;
        ASSERT_EQ(rec.shown().size(), 1u) << c.what;
        EXPECT_EQ(rec.shown()[0].text,
                  "Failed to create HKEY_CURRENT_USER Registry Key. INI settings will not be saved.");
        EXPECT_EQ(rec.shown()[0].icon, MsgIcon::Warning);

        // The program runs on defaults.
        LoadMainCoordinates(1920, 1080);
        LoadMainSettings();
        EXPECT_EQ(RegIniData.ComPort, "/dev/ttyS0") << c.what;
        EXPECT_FALSE(saveEveryGroup()) << c.what;
        EXPECT_EQ(SetSetting("RS232", "Comport", "none"), SetSettingResult::NotSaved) << c.what;
        EXPECT_FALSE(fileExists(settingsFilePath())) << c.what;
        EXPECT_EQ(rec.shown().size(), 1u) << c.what;
    }
}

TEST_F(SettingsStore, BadFilesGiveDefaultsAndASaveKeepsTheirOtherLines) {
    std::string junk;
    unsigned x = 12345;
    for (int i = 0; i < 4096; ++i) {
        x = x * 1103515245u + 12345u;
        junk += static_cast<char>((x >> 16) & 0xFF);
    }
    junk.erase(std::remove(junk.begin(), junk.end(), '['), junk.end()); // no section headers by chance
    const std::string longText(200000, 'x');

    struct Case {
        const char* what;
        std::string before;
        int mainLeftRead;
        std::string
            after; // after MainLeft := 44 and saving the main window group; empty: old text + new section
    } cases[] = {
        {"binary junk", junk, 30, ""},
        {"duplicate sections",
         "[coordinates]\nmainformleft=11\n; "
         "note\n\n[Other]\nx=1\n[COORDINATES]\nmainformleft=22\nmainformtop=5\n",
         11,
         "[coordinates]\nmainformleft=44\n; note\nmainformtop=30\nmainformwidth=400\nmainformheight=300\n\n"
         "[Other]\nx=1\n[COORDINATES]\nmainformleft=22\nmainformtop=5\n"},
        {"overlong line",
         "[Summaries]\nSummaryExportBefore=" + longText +
             "\n[coordinates]\nmainformleft=12\nmainformtop=1\n"
             "mainformwidth=2\nmainformheight=3\n",
         12,
         "[Summaries]\nSummaryExportBefore=" + longText +
             "\n[coordinates]\nmainformleft=44\nmainformtop=1\n"
             "mainformwidth=2\nmainformheight=3\n"},
        {"no final newline", "[coordinates]\r\nmainformleft=12", 12,
         "[coordinates]\r\nmainformleft=44\r\nmainformtop=30\r\nmainformwidth=400\r\nmainformheight=300\r\n"},
    };
    for (const auto& c : cases) {
        ResetIniData();
        writeStore(c.before);
        loadEveryGroup();
        EXPECT_EQ(RegIniData.MainLeft, c.mainLeftRead) << c.what;
        EXPECT_EQ(RegIniData.ComPort, "/dev/ttyS0") << c.what;
        EXPECT_EQ(RegIniData.Print.DMPaper, 9) << c.what;
        RegIniData.MainLeft = 44;
        ASSERT_TRUE(SaveMainCoordinates()) << c.what;
        std::string now = storeText();
        if (c.after.empty()) {
            EXPECT_TRUE(startsWith(now, c.before)) << c.what;
            EXPECT_EQ(storeIni().getInt("coordinates", "mainformleft", 0), 44) << c.what;
        } else {
            EXPECT_EQ(now, c.after) << c.what;
        }
    }
    EXPECT_EQ(RegIniData.SummaryExportBefore, "");
}

TEST(KvqIniPaths, OneSeparatorBeforeTheNameOnReadingAndSlashOnWriting) {
    struct Case {
        const char *folder, *read, *write;
    } cases[] = {
        {"/home/u/Kelvox", "/home/u/Kelvox/kvq.ini", "/home/u/Kelvox/kvq.ini"},
        {"/home/u/Kelvox/", "/home/u/Kelvox/kvq.ini", "/home/u/Kelvox//kvq.ini"},
        {"C:\\Kelvox", "C:/Kelvox/kvq.ini", "C:/Kelvox/kvq.ini"},
        {"C:\\Kelvox\\", "C:/Kelvox/kvq.ini", "C:/Kelvox//kvq.ini"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(KvqIniReadPath(c.folder), c.read) << c.folder;
        EXPECT_EQ(KvqIniWritePath(c.folder), c.write) << c.folder;
    }
}

TEST_F(SettingsStore, KvqIniKeepsItsOtherLinesAndWorksWithABackslashFolder) {
    const std::string folder = dir + "/vantor";
    fs::create_directories(folder);
    ASSERT_TRUE(writeFileAtomic(folder + "/kvq.ini",
                                "; DSP software of this radio\n[dsp FILE]\nFILE=Old.kvq\n"
                                "extra=1\n"));
    RegIniData.VantorFolder = folder + "\\"; // a folder text that already ends in a separator
    EXPECT_TRUE(LoadKvqIni());
    EXPECT_EQ(KvqIniData.DspFile, "Old.kvq");
    EXPECT_EQ(KvqIniData.ParamsFile, "User2B2.KVQ");

    KvqIniData.DspFile = "New.kvq";
    ASSERT_TRUE(SaveKvqIni());
    EXPECT_EQ(readFile(folder + "/kvq.ini"),
              "; DSP software of this radio\n[dsp FILE]\nFILE=New.kvq\nextra=1\n"
              "[Directory]\npath=" +
                  folder + "\\\n[Params]\nfile=User2B2.KVQ\n");

    // Missing file: defaults, and saving creates it. No folder at all: nothing is read or written.
    fs::remove(folder + "/kvq.ini");
    RegIniData.VantorFolder = folder;
    EXPECT_FALSE(LoadKvqIni());
    EXPECT_EQ(KvqIniData.DspFile, "VANTOR2b1x.kvq");
    ASSERT_TRUE(SaveKvqIni());
    EXPECT_EQ(ProfileIni::fromText(readFile(folder + "/kvq.ini").value()).get("Directory", "path"), folder);
    RegIniData.VantorFolder.clear();
    EXPECT_FALSE(SaveKvqIni());

    // Junk: defaults, and a save keeps it.
    RegIniData.VantorFolder = folder;
    const char junkBytes[] = "\x01\x02garbage\0\xff\xfe=\n==\n";
    const std::string junk(junkBytes, sizeof junkBytes - 1);
    ASSERT_TRUE(writeFileAtomic(folder + "/kvq.ini", junk));
    EXPECT_TRUE(LoadKvqIni());
    EXPECT_EQ(KvqIniData.ParamsFile, "User2B2.KVQ");
    ASSERT_TRUE(SaveKvqIni());
    EXPECT_TRUE(startsWith(readFile(folder + "/kvq.ini").value(), junk));
}
