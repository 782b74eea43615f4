// tarnix-cli configuration data: the controller settings file "KelvoxEemem.ini" and the DSP parameter
// set with its files, through the same code the windows use.
#include "Cli.h"
#include "CliSettings.h"

#include "base/Files.h"
#include "config/UEememIni.h"
#include "config/UParams.h"
#include "shell/UIniData.h"

#include <cstdio>

namespace tarnix::cli {
namespace {

std::string eememIniFile(Context& ctx, Args& args) {
    if (auto f = args.option("--ini"))
        return *f;
    loadSettingsForCli(ctx);
    return EememIniPath(cliVantorFolder(ctx));
}

int eememShow(Context& ctx, Args& args) {
    std::string path = eememIniFile(ctx, args);
    if (!args.empty())
        return usageError("usage: tarnix-cli eemem-ini show [--ini FILE]");
    if (!fileExists(path)) {
        std::fprintf(stderr, "Cannot find the controller settings file:  %s\n", path.c_str());
        return ExitFileRefused;
    }
    EememIniData_type img;
    ReadEememIni(img, path);
    for (const auto& e : EememEntries(img))
        std::printf("%s/%s=%s\n", e.section.c_str(), e.key.c_str(), e.value.c_str());
    return ExitOk;
}

int eememRewrite(Context& ctx, Args& args) {
    std::string path = eememIniFile(ctx, args);
    if (!args.empty())
        return usageError("usage: tarnix-cli eemem-ini rewrite [--ini FILE]");
    const bool existed = fileExists(path);
    EememIniData_type img;
    ReadEememIni(img, path);
    std::string error;
    if (!WriteEememIni(img, path, &error)) {
        std::fprintf(stderr, "Cannot write the controller settings file:  %s\n", error.c_str());
        return ExitFileRefused;
    }
    if (!existed)
        std::printf("%s did not exist: written with the defaults\n", path.c_str());
    return ExitOk;
}

int eememVerb(Context& ctx, Args& args) {
    const auto& a = args.rest();
    std::string sub = a.empty() ? "" : a[0];
    std::vector<std::string> rest(a.begin() + (a.empty() ? 0 : 1), a.end());
    Args subArgs(rest);
    if (sub == "show")
        return eememShow(ctx, subArgs);
    if (sub == "rewrite")
        return eememRewrite(ctx, subArgs);
    return usageError("usage: tarnix-cli eemem-ini show|rewrite [--ini FILE]");
}

// The parameter set of the Vantor folder, loaded from its files; false (the reason already on
// standard error) when a file is missing or refused.
bool loadParams(Context& ctx, TParams& p) {
    loadSettingsForCli(ctx);
    LoadKvqIni();
    p = TParams(cliVantorFolder(ctx), KvqIniData.ParamsFile);
    return p.LoadParameterFiles();
}

int paramsShow(TParams& p) {
    std::printf(
        "#No\tName\tUser#\tSSBGREEN\tSSBYELLOW\tSSBRED\tCWGREEN\tCWYELLOW\tCWRED\tMIN\tMAX\tx\tPage\n");
    for (int n = 1; n <= ParamCount; ++n) {
        if (p.Names[n].empty())
            continue;
        const auto& v = p.SetValues[n];
        std::printf("%d\t%s\t%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\t%d\n", n, p.Names[n].c_str(),
                    p.UserNo[n], v[SetIndex(1, 1)], v[SetIndex(2, 1)], v[SetIndex(3, 1)], v[SetIndex(1, 2)],
                    v[SetIndex(2, 2)], v[SetIndex(3, 2)], p.MinValue[n], p.MaxValue[n], p.Multiplier[n],
                    p.Page[n]);
    }
    return ExitOk;
}

int paramsImage(TParams& p, const std::string& out) {
    for (int colour = 1; colour <= 3; ++colour)
        p.DeriveParam65(colour);
    auto img = BuildParamImage(p);
    std::string error;
    if (!writeFileAtomic(out, std::string_view(reinterpret_cast<const char*>(img.data()), img.size()),
                         &error)) {
        std::fprintf(stderr, "Cannot write the parameter image:  %s\n", error.c_str());
        return ExitFileRefused;
    }
    return ExitOk;
}

int paramsSave(TParams& p, bool backup) {
    std::string error;
    if (!p.SaveParameterFiles(backup, &error)) {
        std::fprintf(stderr, "Cannot write the parameter files:  %s\n", error.c_str());
        return ExitFileRefused;
    }
    return ExitOk;
}

int paramsVerb(Context& ctx, Args& args) {
    const char* usage = "usage: tarnix-cli params show | image -o FILE | save [--backup]";
    if (args.empty())
        return usageError(usage);
    std::vector<std::string> a = args.rest();
    std::string sub = a[0];
    Args subArgs(std::vector<std::string>(a.begin() + 1, a.end()));
    std::optional<std::string> out;
    bool backup = false;
    if (sub == "image") {
        out = subArgs.option("-o");
        if (!out)
            out = subArgs.option("--output");
        if (!out || out->empty())
            return usageError("params image needs -o FILE");
    } else if (sub == "save") {
        backup = subArgs.flag("--backup");
    } else if (sub != "show") {
        return usageError(usage);
    }
    if (!subArgs.empty())
        return usageError(usage);
    TParams p("", "");
    if (!loadParams(ctx, p))
        return ExitFileRefused;
    if (sub == "show")
        return paramsShow(p);
    if (sub == "image")
        return paramsImage(p, *out);
    return paramsSave(p, backup);
}

} // namespace

TARNIX_CLI_VERB("eemem-ini",
                "  eemem-ini show [--ini FILE]     the controller settings file (default: the Vantor\n"
                "                                  folder's KelvoxEemem.ini) as section/key=value lines\n"
                "  eemem-ini rewrite [--ini FILE]  read that file and write it back",
                eememVerb);
TARNIX_CLI_VERB("params",
                "  params show                     the DSP parameter set of the Vantor folder\n"
                "  params image -o FILE            the 1048-byte parameter image the controller takes\n"
                "  params save [--backup]          load the parameter files and write them again\n"
                "                                  (--backup: to their .BAK twins)",
                paramsVerb);

} // namespace tarnix::cli
