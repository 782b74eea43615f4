#include "shell/UIniData.h"

#include "base/Messages.h"
#include "base/ProfileIni.h"
#include "base/Text.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

namespace tarnix {

TRegIniData RegIniData;
TKvqIniData KvqIniData;

namespace {

const char* const kEnsureWarning =
    "Failed to create HKEY_CURRENT_USER Registry Key. INI settings will not be saved.";
const char* const kPrintSection = "DxSummaryPrinting";

// Set when the settings folder could not be made at start-up: from then on nothing is saved.
bool savesDisabled = false;
bool ensureWarned = false;
std::optional<std::string> vantorOverride;

enum class Group { Main, MainCoords, WebCoords, CalSummCoords, DebugWidths, DebugOptions, Print };

struct Setting {
    const char* section;
    const char* key;     // as the loader reads it
    const char* saveKey; // as the saver writes it (the same name but for letter case)
    SettingKind kind;
    Group group;
    bool saved; // false: read with its group but never written by the group's saver
    void* (*field)(TRegIniData&);
};

#define FIELD(member) [](TRegIniData& d) -> void* { return &d.member; }
#define PRINT(key, kind)                                                                                     \
    { kPrintSection, #key, #key, SettingKind::kind, Group::Print, true, FIELD(Print.key) }

constexpr SettingKind Int = SettingKind::Integer;
constexpr SettingKind Bool = SettingKind::Boolean;
constexpr SettingKind Text = SettingKind::Text;

// Every setting in the order of the settings tables. Within a group this is also the order in which
// the group is read and written (with the one exception of the print settings' last two keys).
const Setting kSettings[] = {
    {"DSP", "dsptelemetry", "dsptelemetry", Int, Group::Main, true, FIELD(DspTelemetry)},
    {"Vantor", "VantorFolder", "VantorFolder", Text, Group::Main, true, FIELD(VantorFolder)},
    {"Files", "TFTflashFile", "TFTFlashFile", Text, Group::Main, true, FIELD(TftFlashFile)},
    {"RS232", "Comport", "comport", Text, Group::Main, true, FIELD(ComPort)},
    {"Files", "fwdcalfile", "fwdcalfile", Text, Group::Main, true, FIELD(FwdCalFile)},
    {"Files", "refcalfile", "refcalfile", Text, Group::Main, true, FIELD(RefCalFile)},
    {"Display", "PrintInColor", "PrintInColor", Bool, Group::Main, false, FIELD(PrintInColor)},
    {"Summaries", "SummaryExportFolder", "SummaryExportFolder", Text, Group::Main, true,
     FIELD(SummaryExportFolder)},
    {"Summaries", "SummaryExportFile", "SummaryExportFile", Text, Group::Main, true,
     FIELD(SummaryExportFile)},
    {"Summaries", "SummaryExportBefore", "SummaryExportBefore", Text, Group::Main, true,
     FIELD(SummaryExportBefore)},
    {"Summaries", "SummaryExportAfter", "SummaryExportAfter", Text, Group::Main, true,
     FIELD(SummaryExportAfter)},
    {"coordinates", "mainformtop", "mainformtop", Int, Group::MainCoords, true, FIELD(MainTop)},
    {"coordinates", "mainformleft", "mainformleft", Int, Group::MainCoords, true, FIELD(MainLeft)},
    {"coordinates", "mainformwidth", "mainformwidth", Int, Group::MainCoords, true, FIELD(MainWidth)},
    {"coordinates", "mainformheight", "mainformheight", Int, Group::MainCoords, true, FIELD(MainHeight)},
    {"coordinates", "webformtop", "webformtop", Int, Group::WebCoords, true, FIELD(WebTop)},
    {"coordinates", "webformleft", "webformleft", Int, Group::WebCoords, true, FIELD(WebLeft)},
    {"coordinates", "webformwidth", "webformwidth", Int, Group::WebCoords, true, FIELD(WebWidth)},
    {"coordinates", "webformheight", "webformheight", Int, Group::WebCoords, true, FIELD(WebHeight)},
    {"coordinates", "calformtop", "calformtop", Int, Group::CalSummCoords, true, FIELD(CalTop)},
    {"coordinates", "calformleft", "calformleft", Int, Group::CalSummCoords, true, FIELD(CalLeft)},
    {"coordinates", "summformtop", "summformtop", Int, Group::CalSummCoords, true, FIELD(SummTop)},
    {"coordinates", "summformleft", "summformleft", Int, Group::CalSummCoords, true, FIELD(SummLeft)},
    {"coordinates", "summformwidth", "summformwidth", Int, Group::CalSummCoords, true, FIELD(SummWidth)},
    {"coordinates", "summformheight", "summformheight", Int, Group::CalSummCoords, true, FIELD(SummHeight)},
    {"DebugForm", "DebugIdColWidthA", "DebugIdColWidthA", Int, Group::DebugWidths, true,
     FIELD(DebugIdColWidthA)},
    {"DebugForm", "DebugVarNameColWidthA", "DebugVarNameColWidthA", Int, Group::DebugWidths, true,
     FIELD(DebugVarNameColWidthA)},
    {"DebugForm", "DebugVarNameColWidthB", "DebugVarNameColWidthB", Int, Group::DebugWidths, true,
     FIELD(DebugVarNameColWidthB)},
    {"DebugForm", "DebugSplitterPosition", "DebugSplitterPosition", Int, Group::DebugWidths, true,
     FIELD(DebugSplitterPosition)},
    {"DebugForm", "DebugAutoPorts", "DebugAutoPorts", Bool, Group::DebugOptions, true, FIELD(DebugAutoPorts)},
    {"DebugForm", "DebugAutoVars", "DebugAutoVars", Bool, Group::DebugOptions, true, FIELD(DebugAutoVars)},
    {"DebugForm", "DebugRefresh", "DebugRefresh", Int, Group::DebugOptions, true, FIELD(DebugRefresh)},
    {"DebugForm", "DebugViewVars", "DebugViewVars", Bool, Group::DebugOptions, true, FIELD(DebugViewVars)},
    {"DebugForm", "DebugViewPorts", "DebugViewPorts", Bool, Group::DebugOptions, true, FIELD(DebugViewPorts)},
    PRINT(CenterOnPageH, Boolean),
    PRINT(CenterOnPageV, Boolean),
    PRINT(DMPaper, Integer),
    PRINT(FitToPagesByTall, Integer),
    PRINT(FitToPagesByWide, Integer),
    PRINT(Footer, Integer),
    PRINT(Header, Integer),
    PRINT(GrayShading, Boolean),
    PRINT(MarginsBottom, Integer),
    PRINT(MarginsLeft, Integer),
    PRINT(MarginsRight, Integer),
    PRINT(MarginsTop, Integer),
    PRINT(MeasurementUnits, Text),
    PRINT(PageFooterCenterTextAlignY, Text),
    PRINT(PageFooterLeftTextAlignY, Text),
    PRINT(PageFooterRightTextAlignY, Text),
    PRINT(PageFooterFontCharset, Integer),
    PRINT(PageFooterFontColor, Integer),
    PRINT(PageFooterFontHeight, Integer),
    PRINT(PageFooterFontName, Text),
    PRINT(PageFooterPitch, Text),
    PRINT(PageFooterFontSize, Integer),
    PRINT(PageFooterFontStyle, Text),
    PRINT(PageHeaderCenterTextAlignY, Text),
    PRINT(PageHeaderLeftTextAlignY, Text),
    PRINT(PageHeaderRightTextAlignY, Text),
    PRINT(PageHeaderFontCharset, Integer),
    PRINT(PageHeaderFontColor, Integer),
    PRINT(PageHeaderFontHeight, Integer),
    PRINT(PageHeaderFontName, Text),
    PRINT(PageHeaderPitch, Text),
    PRINT(PageHeaderFontSize, Integer),
    PRINT(PageHeaderFontStyle, Text),
    PRINT(PageOrder, Text),
    PRINT(PageSizeX, Integer),
    PRINT(PageSizeY, Integer),
    PRINT(ReverseTitlesOnEvenPages, Boolean),
    PRINT(ReportTitleMode, Text),
    PRINT(ScaleFactor, Integer),
    PRINT(ScaleMode, Text),
    PRINT(ShowPageFooter, Boolean),
    PRINT(ShowPageHeader, Boolean),
    PRINT(ShrinkToPageWidth, Boolean),
    PRINT(PageNumberFormat, Text),
    PRINT(Orientation, Text),
};

#undef PRINT
#undef FIELD

int& intField(const Setting& s, TRegIniData& d) {
    return *static_cast<int*>(s.field(d));
}
bool& boolField(const Setting& s, TRegIniData& d) {
    return *static_cast<bool*>(s.field(d));
}
std::string& textField(const Setting& s, TRegIniData& d) {
    return *static_cast<std::string*>(s.field(d));
}

std::string valueText(const Setting& s, TRegIniData& d) {
    switch (s.kind) {
    case SettingKind::Integer:
        return std::to_string(intField(s, d));
    case SettingKind::Boolean:
        return boolField(s, d) ? "1" : "0";
    case SettingKind::Text:
        break;
    }
    return textField(s, d);
}

// A text as it goes into the file. A line break would split the line and let the rest be read as
// further keys or sections, so line breaks become blanks. Texts whose outer blanks or double quotes
// would be lost on reading are written inside a pair of double quotes, which reading removes again.
std::string fileText(std::string v) {
    std::replace(v.begin(), v.end(), '\r', ' ');
    std::replace(v.begin(), v.end(), '\n', ' ');
    bool quoted = v.size() >= 2 && v.front() == '"' && v.back() == '"';
    if (quoted || trim(v) != v)
        return "\"" + v + "\"";
    return v;
}

std::string folderOf(const std::string& path) {
    return fs::path(path).parent_path().string();
}

// Reads the settings file. A missing file is an empty store; a file that exists but cannot be read
// (or is not a file) is an error, so that nothing is read from it nor written over it.
bool openStore(ProfileIni& ini) {
    std::string path = settingsFilePath();
    std::error_code ec;
    fs::file_status st = fs::status(path, ec);
    if (!fs::exists(st)) {
        ini = ProfileIni();
        return true;
    }
    return fs::is_regular_file(st) && ini.load(path);
}

template <typename Change> bool writeStore(Change change) {
    if (savesDisabled)
        return false;
    std::string path = settingsFilePath();
    if (!makeFolders(folderOf(path)))
        return false;
    ProfileIni ini;
    if (!openStore(ini))
        return false;
    change(ini);
    return ini.save(path);
}

std::string_view sectionOf(const Setting& s, std::string_view printSection) {
    return s.group == Group::Print ? printSection : std::string_view(s.section);
}

void readSetting(const ProfileIni& ini, const Setting& s, std::string_view section, TRegIniData& d,
                 TRegIniData& defaults) {
    switch (s.kind) {
    case SettingKind::Integer:
        intField(s, d) = ini.getInt(section, s.key, intField(s, defaults));
        break;
    case SettingKind::Boolean:
        boolField(s, d) = ini.getBool(section, s.key, boolField(s, defaults));
        break;
    case SettingKind::Text:
        textField(s, d) = ini.getString(section, s.key, textField(s, defaults));
        break;
    }
}

void writeSetting(ProfileIni& ini, const Setting& s, std::string_view section, TRegIniData& d) {
    std::string v = valueText(s, d);
    ini.set(section, s.saveKey, s.kind == SettingKind::Text ? fileText(v) : v);
}

bool loadGroups(std::initializer_list<Group> groups, std::string_view printSection = kPrintSection) {
    ProfileIni ini;
    if (!openStore(ini))
        return false;
    TRegIniData defaults;
    for (const Setting& s : kSettings)
        if (std::find(groups.begin(), groups.end(), s.group) != groups.end())
            readSetting(ini, s, sectionOf(s, printSection), RegIniData, defaults);
    if (vantorOverride && std::find(groups.begin(), groups.end(), Group::Main) != groups.end())
        RegIniData.VantorFolder = *vantorOverride;
    return true;
}

bool saveGroup(Group g, std::string_view printSection = kPrintSection) {
    std::vector<const Setting*> order;
    for (const Setting& s : kSettings)
        if (s.group == g && s.saved && !(vantorOverride && s.key == std::string_view("VantorFolder")))
            order.push_back(&s);
    if (g == Group::Print) {
        // The print settings go out with "Orientation" ahead of "PageNumberFormat".
        auto at = [&](const char* key) {
            return std::find_if(order.begin(), order.end(),
                                [&](const Setting* s) { return s->key == std::string_view(key); });
        };
        std::iter_swap(at("Orientation"), at("PageNumberFormat"));
    }
    return writeStore([&](ProfileIni& ini) {
        for (const Setting* s : order)
            writeSetting(ini, *s, sectionOf(*s, printSection), RegIniData);
    });
}

// Applies one clamping rule: when it changes the value, the whole group is stored at once.
void clamp(bool outside, int& value, int limit, Group g) {
    if (!outside)
        return;
    value = limit;
    saveGroup(g);
}

std::optional<std::string> printSectionFor(char which) {
    if (std::toupper(static_cast<unsigned char>(which)) == 'S')
        return std::string(kPrintSection);
    return std::nullopt;
}

} // namespace

void ResetIniData() {
    RegIniData = TRegIniData();
    KvqIniData = TKvqIniData();
}

void ResetSettingsStore() {
    ResetIniData();
    savesDisabled = false;
    ensureWarned = false;
    vantorOverride.reset();
}

bool EnsureSettingsKey() {
    std::string path = settingsFilePath();
    std::string folder = folderOf(path);
    std::error_code ec;
    fs::file_status st = fs::status(path, ec);
    bool ok = makeFolders(folder) && ::access(folder.c_str(), W_OK) == 0 &&
              (!fs::exists(st) || fs::is_regular_file(st));
    if (!ok) {
        savesDisabled = true;
        if (!ensureWarned) {
            ensureWarned = true;
            messages().warning(kEnsureWarning);
        }
    }
    return ok;
}

void LoadMainSettings() {
    loadGroups({Group::Main});
}
bool SaveMainSettings() {
    return saveGroup(Group::Main);
}

void LoadMainCoordinates(int w, int h) {
    if (!loadGroups({Group::MainCoords}))
        return;
    TRegIniData& d = RegIniData;
    const Group g = Group::MainCoords;
    clamp(w - 100 < d.MainLeft, d.MainLeft, w - 100, g);
    clamp(h - 100 < d.MainTop, d.MainTop, h - 100, g);
    clamp(h < d.MainHeight, d.MainHeight, h - 60, g);
    clamp(w < d.MainWidth, d.MainWidth, w - 60, g);
}
bool SaveMainCoordinates() {
    return saveGroup(Group::MainCoords);
}

void LoadWebCoordinates(int w, int h) {
    if (!loadGroups({Group::WebCoords}))
        return;
    TRegIniData& d = RegIniData;
    const Group g = Group::WebCoords;
    clamp(w - 100 < d.WebLeft, d.WebLeft, w - 100, g);
    clamp(h - 100 < d.WebTop, d.WebTop, h - 100, g);
    clamp(h < d.WebHeight, d.WebHeight, h - 60, g);
    clamp(w < d.WebWidth, d.WebWidth, w - 60, g);
}
bool SaveWebCoordinates() {
    return saveGroup(Group::WebCoords);
}

void LoadCalSummCoordinates(int w, int h) {
    if (!loadGroups({Group::CalSummCoords}))
        return;
    TRegIniData& d = RegIniData;
    const Group g = Group::CalSummCoords;
    clamp(w - 100 < d.CalLeft, d.CalLeft, w - 100, g);
    clamp(h - 100 < d.CalTop, d.CalTop, h - 100, g);
    clamp(w - 100 < d.SummLeft, d.SummLeft, w - 100, g);
    clamp(h - 100 < d.SummTop, d.SummTop, h - 100, g);
    clamp(w < d.SummWidth, d.SummWidth, w, g);
    clamp(h < d.SummHeight, d.SummHeight, h, g);
}
bool SaveCalSummCoordinates() {
    return saveGroup(Group::CalSummCoords);
}

void LoadDebugWidths() {
    loadGroups({Group::DebugWidths});
}
bool SaveDebugWidths() {
    return saveGroup(Group::DebugWidths);
}
void LoadDebugOptions() {
    loadGroups({Group::DebugOptions});
}
bool SaveDebugOptions() {
    return saveGroup(Group::DebugOptions);
}

void LoadPrintSettings(char which) {
    if (auto section = printSectionFor(which))
        loadGroups({Group::Print}, *section);
}

bool SavePrintSettings(char which) {
    auto section = printSectionFor(which);
    return section && saveGroup(Group::Print, *section);
}

std::string KvqIniReadPath(const std::string& folder) {
    bool endsInSeparator = !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
    return toPosixPath(endsInSeparator ? folder + "kvq.ini" : folder + "\\" + "kvq.ini");
}

std::string KvqIniWritePath(const std::string& folder) {
    return toPosixPath(folder + "/kvq.ini");
}

bool LoadKvqIni() {
    const std::string& folder = RegIniData.VantorFolder;
    TKvqIniData defaults;
    KvqIniData.Path = folder;
    ProfileIni ini;
    // No folder set: do not go looking for kvq.ini in the file system's root.
    bool read = !folder.empty() && ini.load(KvqIniReadPath(folder));
    KvqIniData.DspFile = ini.getString("DSP file", "file", defaults.DspFile);
    KvqIniData.ParamsFile = ini.getString("Params", "file", defaults.ParamsFile);
    return read;
}

bool SaveKvqIni() {
    const std::string& folder = RegIniData.VantorFolder;
    if (folder.empty())
        return false;
    std::string path = KvqIniWritePath(folder);
    ProfileIni ini;
    std::error_code ec;
    fs::file_status st = fs::status(path, ec);
    // An existing file that cannot be read is left alone rather than replaced by three lines.
    if (fs::exists(st) && !(fs::is_regular_file(st) && ini.load(path)))
        return false;
    ini.set("Directory", "path", fileText(folder));
    ini.set("DSP file", "file", fileText(KvqIniData.DspFile));
    ini.set("Params", "file", fileText(KvqIniData.ParamsFile));
    if (!ini.save(path))
        return false;
    KvqIniData.Path = folder;
    return true;
}

void SetVantorFolderOverride(std::optional<std::string> folder) {
    vantorOverride = std::move(folder);
}

std::vector<SettingInfo> AllSettings() {
    std::vector<SettingInfo> out;
    for (const Setting& s : kSettings)
        out.push_back({s.section, s.key, s.kind});
    return out;
}

void LoadAllSettings() {
    loadGroups({Group::Main, Group::MainCoords, Group::WebCoords, Group::CalSummCoords, Group::DebugWidths,
                Group::DebugOptions, Group::Print});
}

std::vector<std::string> DumpSettings(const TRegIniData& d) {
    TRegIniData copy = d;
    std::vector<std::string> out;
    for (const Setting& s : kSettings)
        out.push_back(std::string(s.section) + "/" + s.key + "=" + valueText(s, copy));
    return out;
}

namespace {

// The setting of a section and key, names compared without regard to case.
const Setting* findSetting(std::string_view section, std::string_view key, bool* sectionKnown) {
    *sectionKnown = false;
    for (const Setting& s : kSettings) {
        if (!equalsNoCase(s.section, section))
            continue;
        *sectionKnown = true;
        if (equalsNoCase(s.key, key))
            return &s;
    }
    return nullptr;
}

} // namespace

std::optional<std::string> GetSetting(std::string_view section, std::string_view key) {
    bool sectionKnown = false;
    const Setting* s = findSetting(section, key, &sectionKnown);
    if (!s)
        return std::nullopt;
    return valueText(*s, RegIniData);
}

SetSettingResult SetSetting(std::string_view section, std::string_view key, std::string_view value) {
    bool sectionKnown = false;
    const Setting* s = findSetting(section, key, &sectionKnown);
    if (!s)
        return sectionKnown ? SetSettingResult::UnknownKey : SetSettingResult::UnknownSection;
    switch (s->kind) {
    case SettingKind::Integer: {
        auto n = parseInt32(value);
        if (!n)
            return SetSettingResult::BadValue;
        intField(*s, RegIniData) = *n;
        break;
    }
    case SettingKind::Boolean: {
        auto n = parseInt(value);
        if (!n)
            return SetSettingResult::BadValue;
        boolField(*s, RegIniData) = *n != 0;
        break;
    }
    case SettingKind::Text:
        if (value.find_first_of("\r\n") != std::string_view::npos)
            return SetSettingResult::BadValue;
        textField(*s, RegIniData) = std::string(value);
        break;
    }
    bool ok = writeStore([&](ProfileIni& ini) { writeSetting(ini, *s, s->section, RegIniData); });
    return ok ? SetSettingResult::Ok : SetSettingResult::NotSaved;
}

} // namespace tarnix
