// tarnix-cli dsp ...: the DSP loaders.
#include "Cli.h"

#include "base/Files.h"
#include "base/PathCase.h"
#include "base/ProfileIni.h"
#include "dsp/LoadImage.h"

#include <cstdio>

namespace tarnix::cli {

namespace {

// The DSP code file named in the Vantor folder's "kvq.ini".
std::string dspFileName(const std::string& vantor) {
    ProfileIni ini;
    ini.load(resolvePathNoCase(joinPath(vantor, "kvq.ini")));
    return ini.getString("DSP file", "file", "VANTOR2b1x.kvq");
}

int dspImage(Context& ctx, Args& args) {
    bool serial = args.flag("--serial");
    auto out = args.option("-o");
    if (!out)
        out = args.option("--output");
    if (!out || out->empty())
        return usageError("dsp image needs -o FILE");
    if (!args.empty())
        return usageError("dsp image: unexpected argument " + args.rest().front());
    if (!ctx.vantor)
        return usageError("dsp image needs the Vantor folder (--vantor DIR)");
    const std::string vantor = toPosixPath(*ctx.vantor);

    LoadPaths paths = loadPaths(vantor, dspFileName(vantor));
    auto built = buildLoadImage(paths, serial ? LoadTarget::Serial : LoadTarget::Usb);
    if (!built.ok()) {
        // A logged refusal has already been reported on standard error by the logged-error report.
        if (!built.refusal.logged)
            std::fprintf(stderr, "%s\n", built.refusal.message.c_str());
        return ExitFileRefused;
    }
    const LoadImage& img = *built.value;
    std::string error;
    if (!writeFileAtomic(*out,
                         std::string_view(reinterpret_cast<const char*>(img.bytes.data()), img.bytes.size()),
                         &error)) {
        std::fprintf(stderr, "tarnix-cli: %s\n", error.c_str());
        return ExitFileRefused;
    }
    std::printf("code file: %s\n", img.codeFile.c_str());
    std::printf("filter list: %s (%zu filters)\n", img.filterListFile.c_str(), img.filters.size());
    for (const LoadRecord& r : img.records)
        std::printf("record %s %04X %u words at offset %zu\n", r.program ? "$DP" : "$DD", r.address, r.words,
                    r.offset);
    std::printf("image checksum: %u\n", img.imageChecksum);
    std::printf("DSP code: %zu bytes (%s target), PC checksum %u\n", img.bytes.size(),
                serial ? "serial" : "USB", pcChecksum(img.bytes));
    return ExitOk;
}

int dsp(Context& ctx, Args& args) {
    if (args.empty())
        return usageError("dsp needs a command (image)");
    std::string cmd = args.rest().front();
    Args rest(std::vector<std::string>(args.rest().begin() + 1, args.rest().end()));
    if (cmd == "image")
        return dspImage(ctx, rest);
    return usageError("unknown dsp command " + cmd);
}

} // namespace

TARNIX_CLI_VERB("dsp", "  dsp image [--serial] -o FILE   write the DSP load image (USB target, or serial)",
                dsp);

} // namespace tarnix::cli
