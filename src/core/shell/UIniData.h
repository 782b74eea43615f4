#pragma once
// The program's own settings: one program-wide record loaded at start-up and written back by explicit
// savers, kept in the per-user settings file (see settingsFilePath()), plus the two DSP file names of
// "kvq.ini" in the Vantor folder.
//
// The settings file has one section per group ("DSP", "Vantor", "Files", "RS232", "Display",
// "Summaries", "coordinates", "DebugForm", "DxSummaryPrinting"); every value is a text (numbers in
// decimal, Booleans as "0" or "1"). Names are matched without regard to case. Each loader and saver
// reads the file for the call; a saver changes only its own keys' lines and keeps every other line.
#include "base/Files.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnix {

// How the summary viewers set up their report printing (section "DxSummaryPrinting").
struct TPrintSettings {
    bool CenterOnPageH = false, CenterOnPageV = false;
    int DMPaper = 9; // paper size code, 9 is A4
    int FitToPagesByTall = 1, FitToPagesByWide = 1;
    int Footer = 6350, Header = 6100; // thousandths of a millimetre
    bool GrayShading = false;
    int MarginsBottom = 12700, MarginsLeft = 21400, MarginsRight = 12700, MarginsTop = 18300;
    std::string MeasurementUnits = "muDefault";
    std::string PageFooterCenterTextAlignY = "taBottom", PageFooterLeftTextAlignY = "taBottom",
                PageFooterRightTextAlignY = "taBottom";
    int PageFooterFontCharset = 1, PageFooterFontColor = 0, PageFooterFontHeight = -11;
    std::string PageFooterFontName = "Times New Roman";
    std::string PageFooterPitch = "fpDefault";
    int PageFooterFontSize = 8;
    std::string PageFooterFontStyle; // letters of the style ("B", "I", ...); empty is regular
    std::string PageHeaderCenterTextAlignY = "taTop", PageHeaderLeftTextAlignY = "taTop",
                PageHeaderRightTextAlignY = "taTop";
    int PageHeaderFontCharset = 1, PageHeaderFontColor = 0, PageHeaderFontHeight = -11;
    std::string PageHeaderFontName = "Arial";
    std::string PageHeaderPitch = "fpDefault";
    int PageHeaderFontSize = 8;
    std::string PageHeaderFontStyle = "B";
    std::string PageOrder = "poOverThenDown";
    int PageSizeX = 210000, PageSizeY = 297000; // thousandths of a millimetre
    bool ReverseTitlesOnEvenPages = false;
    std::string ReportTitleMode = "tmOnFirstPage";
    int ScaleFactor = 100; // percent
    std::string ScaleMode = "smFit";
    bool ShowPageFooter = true, ShowPageHeader = false;
    bool ShrinkToPageWidth = true;
    std::string PageNumberFormat = "poNumeral";
    std::string Orientation = "poPortrait";
};

// The member initialisers are the defaults; the folder defaults follow the environment at the moment
// the record is made.
struct TRegIniData {
    std::string VantorFolder = homeFolder() + "/Kelvox";
    int DspTelemetry = 0;               // 0: DSP traffic through the controller, else over the serial port
    std::string ComPort = "/dev/ttyS0"; // a serial device, or "none"
    std::string FwdCalFile = programFolder() + "Caldata/Bramble_default.fwd";
    std::string RefCalFile = programFolder() + "Caldata/Bramble_default.ref";
    std::string TftFlashFile;
    int MainTop = 30, MainLeft = 30, MainWidth = 400, MainHeight = 300;
    int WebTop = 40, WebLeft = 60, WebWidth = 795, WebHeight = 550;
    int CalTop = 70, CalLeft = 70;
    int SummTop = 80, SummLeft = 80, SummWidth = 702, SummHeight = 939;
    bool PrintInColor = true;
    std::string SummaryExportFolder = homeFolder();
    std::string SummaryExportFile = "TempSummary.rtf";
    std::string SummaryExportBefore;
    std::string SummaryExportAfter;
    TPrintSettings Print;
    int DebugIdColWidthA = 25, DebugVarNameColWidthA = 95, DebugVarNameColWidthB = 56,
        DebugSplitterPosition = 360;
    bool DebugAutoPorts = false, DebugAutoVars = false;
    int DebugRefresh = 20;
    bool DebugViewVars = true, DebugViewPorts = true;
};

struct TKvqIniData {
    std::string Path;                       // the Vantor folder, as written to "Directory"/"path"
    std::string DspFile = "VANTOR2b1x.kvq"; // "DSP file"/"file"
    std::string ParamsFile = "User2B2.KVQ"; // "Params"/"file"
};

extern TRegIniData RegIniData;
extern TKvqIniData KvqIniData;

// Sets both records to their defaults (as before any load).
void ResetIniData();
// ResetIniData, and the store forgets a failed EnsureSettingsKey and any Vantor folder override, as at
// program start. For tests and throw-away profiles.
void ResetSettingsStore();

// Once at start-up: makes sure the settings file's folder exists; on failure shows the warning
// "Failed to create HKEY_CURRENT_USER Registry Key. INI settings will not be saved." (once per run)
// and from then on every saver does nothing. Returns false on failure.
bool EnsureSettingsKey();

// Loaders leave the record untouched when the settings file exists but cannot be read; a missing
// file or key, or a number that cannot be read, gives the default. Savers return false when nothing
// was written (saving switched off, or the file could not be written); they show no message.
void LoadMainSettings();
bool SaveMainSettings();
// The loaders clamp to a screen of width w and height h; each correction saves its group at once.
void LoadMainCoordinates(int screenW, int screenH);
bool SaveMainCoordinates();
void LoadWebCoordinates(int screenW, int screenH);
bool SaveWebCoordinates();
void LoadCalSummCoordinates(int screenW, int screenH);
bool SaveCalSummCoordinates();
void LoadDebugWidths();
bool SaveDebugWidths();
void LoadDebugOptions();
bool SaveDebugOptions();
// which = 'S' gives the "DxSummaryPrinting" section; other letters do nothing.
void LoadPrintSettings(char which);
bool SavePrintSettings(char which);
// kvq.ini of the Vantor folder (RegIniData.VantorFolder). The loader returns whether the file was
// read (the names keep their defaults otherwise); the saver keeps the file's other lines.
bool LoadKvqIni();
bool SaveKvqIni();
// Where kvq.ini is read from and written to for a given Vantor folder (Windows folder texts with
// backslashes work too).
std::string KvqIniReadPath(const std::string& vantorFolder);
std::string KvqIniWritePath(const std::string& vantorFolder);

// For one run of the command-line tool: a Vantor folder to use in place of the stored one. While it
// is set, LoadMainSettings puts it into RegIniData and SaveMainSettings leaves the stored folder alone.
void SetVantorFolderOverride(std::optional<std::string> folder);

// Every setting of the store, one by one, for listing and for changing a single value.
enum class SettingKind { Integer, Boolean, Text };
struct SettingInfo {
    std::string section;
    std::string key;
    SettingKind kind;
};
// In the order of the settings tables, print settings last; names spelled as the loaders read them.
std::vector<SettingInfo> AllSettings();
// Every group at once, without clamping the window coordinates (there is no screen to clamp to).
void LoadAllSettings();
// "Section/Key=Value" for every setting of d, in the order of AllSettings().
std::vector<std::string> DumpSettings(const TRegIniData& d = RegIniData);
// One value of RegIniData as the store writes it; nullopt for an unknown section or key.
std::optional<std::string> GetSetting(std::string_view section, std::string_view key);
enum class SetSettingResult { Ok, UnknownSection, UnknownKey, BadValue, NotSaved };
// Changes one value of RegIniData and writes that one key to the settings file. Integers take whole
// decimal numbers, Booleans any number (non-zero is true); texts may not contain line breaks.
SetSettingResult SetSetting(std::string_view section, std::string_view key, std::string_view value);

} // namespace tarnix
