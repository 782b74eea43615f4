// tarnix-cli settings: list, read and change the program's settings, and show kvq.ini's file names.
#include "CliSettings.h"

#include "base/Files.h"
#include "base/Text.h"
#include "shell/UIniData.h"

#include <cstdio>
#include <vector>

namespace tarnix {

void loadSettingsForCli(cli::Context& ctx) {
    SetVantorFolderOverride(ctx.vantor);
    LoadMainSettings();
}

std::string cliVantorFolder(const cli::Context& ctx) {
    return toPosixPath(ctx.vantor ? *ctx.vantor : RegIniData.VantorFolder);
}

namespace cli {
namespace {

void loadEverything(Context& ctx) {
    SetVantorFolderOverride(ctx.vantor);
    LoadAllSettings();
}

// The setting of SECTION and KEY (names compared without regard to case), or why there is none.
const SettingInfo* findSetting(const std::vector<SettingInfo>& all, const std::string& section,
                               const std::string& key, std::string* why) {
    bool sectionKnown = false;
    for (const auto& s : all) {
        if (!equalsNoCase(s.section, section))
            continue;
        sectionKnown = true;
        if (equalsNoCase(s.key, key))
            return &s;
    }
    if (sectionKnown)
        *why = "there is no setting \"" + key + "\" in section \"" + section + "\"";
    else
        *why = "there is no settings section \"" + section + "\"";
    *why += " (see 'tarnix-cli settings dump')";
    return nullptr;
}

int dump(Context& ctx) {
    loadEverything(ctx);
    for (const auto& line : DumpSettings())
        std::printf("%s\n", line.c_str());
    return ExitOk;
}

int get(Context& ctx, const std::string& section, const std::string& key) {
    std::string why;
    auto all = AllSettings();
    if (!findSetting(all, section, key, &why))
        return usageError(why);
    loadEverything(ctx);
    std::printf("%s\n", GetSetting(section, key).value_or("").c_str());
    return ExitOk;
}

int set(Context& ctx, const std::string& section, const std::string& key, const std::string& value) {
    std::string why;
    auto all = AllSettings();
    const SettingInfo* s = findSetting(all, section, key, &why);
    if (!s)
        return usageError(why);
    loadEverything(ctx);
    switch (SetSetting(section, key, value)) {
    case SetSettingResult::Ok:
        return ExitOk;
    case SetSettingResult::UnknownSection:
    case SetSettingResult::UnknownKey:
        return usageError(why);
    case SetSettingResult::NotSaved:
        std::fprintf(stderr, "tarnix-cli: the settings could not be saved to %s\n",
                     settingsFilePath().c_str());
        return ExitFileRefused;
    case SetSettingResult::BadValue:
        break;
    }
    const char* takes = s->kind == SettingKind::Integer   ? "a whole number"
                        : s->kind == SettingKind::Boolean ? "a number (0 for off, 1 for on)"
                                                          : "a text without line breaks";
    return usageError("\"" + value + "\" is not a value for " + s->section + "/" + s->key + ", which takes " +
                      takes);
}

int kvq(Context& ctx) {
    loadSettingsForCli(ctx);
    LoadKvqIni();
    std::printf("DSP file=%s\n", KvqIniData.DspFile.c_str());
    std::printf("Params file=%s\n", KvqIniData.ParamsFile.c_str());
    return ExitOk;
}

int settingsVerb(Context& ctx, Args& args) {
    const auto& a = args.rest();
    if (a.size() == 1 && a[0] == "dump")
        return dump(ctx);
    if (a.size() == 3 && a[0] == "get")
        return get(ctx, a[1], a[2]);
    if (a.size() == 4 && a[0] == "set")
        return set(ctx, a[1], a[2], a[3]);
    if (a.size() == 1 && a[0] == "kvq")
        return kvq(ctx);
    return usageError("usage: tarnix-cli settings dump | get SECTION KEY | set SECTION KEY VALUE | kvq");
}

} // namespace

TARNIX_CLI_VERB("settings",
                "  settings dump                   every setting as Section/Key=Value\n"
                "  settings get SECTION KEY        one setting's value\n"
                "  settings set SECTION KEY VALUE  store one setting\n"
                "  settings kvq                    the DSP code and parameter file names of kvq.ini",
                settingsVerb);

} // namespace cli
} // namespace tarnix
