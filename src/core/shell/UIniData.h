#pragma once
// The program's own settings: one program-wide record loaded at start-up and written back by explicit
// savers, kept in the per-user settings file (see settingsFilePath()), plus the two DSP file names of
// "kvq.ini" in the Vantor folder.
#include <string>

namespace tarnix {

struct TPrintSettings {
    // Filled in with every key of the "DxSummaryPrinting" group, in the group's order.
};

struct TRegIniData {
    std::string VantorFolder;
    int DspTelemetry = 0;
    std::string ComPort;
    std::string FwdCalFile;
    std::string RefCalFile;
    std::string TftFlashFile;
    int MainTop = 30, MainLeft = 30, MainWidth = 400, MainHeight = 300;
    int WebTop = 40, WebLeft = 60, WebWidth = 795, WebHeight = 550;
    int CalTop = 70, CalLeft = 70;
    int SummTop = 80, SummLeft = 80, SummWidth = 702, SummHeight = 939;
    bool PrintInColor = true;
    std::string SummaryExportFolder;
    std::string SummaryExportFile;
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
    std::string Path;       // the Vantor folder, as written to "Directory"/"path"
    std::string DspFile;    // "DSP file"/"file"
    std::string ParamsFile; // "Params"/"file"
};

extern TRegIniData RegIniData;
extern TKvqIniData KvqIniData;

// Sets both records to their defaults (as before any load).
void ResetIniData();

// Once at start-up: makes sure the settings file's folder exists; on failure shows the warning
// "Failed to create HKEY_CURRENT_USER Registry Key. INI settings will not be saved." and from then on
// every saver does nothing. Returns false on failure.
bool EnsureSettingsKey();

void LoadMainSettings();
void SaveMainSettings();
// The loaders clamp to a screen of width w and height h; each correction saves its group at once.
void LoadMainCoordinates(int screenW, int screenH);
void SaveMainCoordinates();
void LoadWebCoordinates(int screenW, int screenH);
void SaveWebCoordinates();
void LoadCalSummCoordinates(int screenW, int screenH);
void SaveCalSummCoordinates();
void LoadDebugWidths();
void SaveDebugWidths();
void LoadDebugOptions();
void SaveDebugOptions();
// which = 'S' gives the "DxSummaryPrinting" section.
void LoadPrintSettings(char which);
void SavePrintSettings(char which);
// kvq.ini of the Vantor folder (RegIniData.VantorFolder).
void LoadKvqIni();
void SaveKvqIni();

} // namespace tarnix
