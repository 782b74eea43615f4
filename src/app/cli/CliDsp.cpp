// tarnix-cli dsp ... and ad603 send: the DSP loaders and the AD603 curve, with the loading window's
// result texts printed as lines.
#include "Cli.h"
#include "CliLink.h"
#include "CliSettings.h"

#include "base/Files.h"
#include "base/Pacer.h"
#include "config/UParams.h"
#include "dsp/CalCurve.h"
#include "dsp/LoadImage.h"
#include "dsp/LoaderRun.h"
#include "dsp/SerialPlan.h"
#include "link/UUsb.h"
#include "shell/UIniData.h"
#include "sim/PtyDsp.h"

#include <chrono>
#include <cstdio>
#include <memory>

namespace tarnix::cli {

namespace {

// The settings, kvq.ini and the Vantor folder of this run; false (with the program's warning on
// standard error) when the folder does not exist.
bool prepareVantor(Context& ctx, std::string& vantor) {
    loadSettingsForCli(ctx);
    vantor = cliVantorFolder(ctx);
    if (!folderExists(vantor)) {
        std::fprintf(stderr, "Cannot find your Vantor folder :  %s\n", vantor.c_str());
        return false;
    }
    LoadKvqIni();
    return true;
}

LoadPaths pathsOf(const std::string& vantor) {
    return loadPaths(vantor, KvqIniData.DspFile);
}

// Sums the pauses made while it lives (passing each on to the link trace), and the wall time.
class LoadTiming {
public:
    explicit LoadTiming(bool on) : on_(on) {
        if (!on_)
            return;
        previous_ = pacer().onPause;
        pacer().onPause = [this](int ms) {
            pausedMs_ += ms;
            if (previous_)
                previous_(ms);
        };
        start_ = std::chrono::steady_clock::now();
    }
    ~LoadTiming() {
        if (on_)
            pacer().onPause = previous_;
    }
    void report() const {
        if (!on_)
            return;
        double wall =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
        double above = pausedMs_ > 0
                           ? (wall - static_cast<double>(pausedMs_)) * 100.0 / static_cast<double>(pausedMs_)
                           : 0;
        std::fprintf(stderr, "timing: wall %.1f ms, prescribed pauses %lld ms, %.2f %% above\n", wall,
                     pausedMs_, above);
    }

private:
    bool on_;
    std::function<void(int)> previous_;
    long long pausedMs_ = 0;
    std::chrono::steady_clock::time_point start_;
};

void printLines(const LoaderResult& r) {
    for (const std::string& line : r.view.lines())
        std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

int refusedExit(const LoaderResult& r) {
    // A logged refusal has already been reported on standard error by the logged-error report.
    if (!r.refusal.logged)
        std::fprintf(stderr, "%s\n", r.refusal.message.c_str());
    return ExitFileRefused;
}

// Runs a load for the verbs (timed with --timing) and prints the window's result lines. Returns the
// exit code of a refused file, or ExitOk when the load ran (its own failures are in *result).
int runAndPrint(LoaderRequest& req, const std::string& vantor, bool timing, LoaderResult* result) {
    req.paths = pathsOf(vantor);
    {
        LoadTiming t(timing);
        *result = RunLoader(req);
        t.report();
    }
    if (result->refused)
        return refusedExit(*result);
    printLines(*result);
    return ExitOk;
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
    std::string vantor;
    if (!prepareVantor(ctx, vantor))
        return ExitFileRefused;

    LoadPaths paths = pathsOf(vantor);
    auto built = buildLoadImage(paths, serial ? LoadTarget::Serial : LoadTarget::Usb);
    if (!built.ok()) {
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

// Code and/or parameter sets into the controller's EEPROM, or the upload.
int dspUsb(Context& ctx, Args& args, bool upload) {
    const char* verb = upload ? "dsp upload" : "dsp load";
    int flags = LoaderUpload;
    if (!upload) {
        flags = (args.flag("--code") ? LoaderCode : 0) | (args.flag("--params") ? LoaderParams : 0);
        if (flags == 0)
            flags = LoaderCode | LoaderParams;
    }
    bool timing = args.flag("--timing");
    if (!args.empty())
        return usageError(std::string(verb) + ": unexpected argument " + args.rest().front());
    std::string vantor;
    if (!prepareVantor(ctx, vantor))
        return ExitFileRefused;
    TParams params(vantor, KvqIniData.ParamsFile);

    LinkSession link(ctx);
    if (int rc = link.open(false); rc != ExitOk)
        return rc;

    LoaderRequest req;
    req.target = LoadTarget::Usb;
    req.flags = flags;
    req.params = &params;
    req.usb = &Usb;
    LoaderResult r;
    if (int rc = runAndPrint(req, vantor, timing, &r); rc != ExitOk)
        return rc;
    if (r.failed)
        return ExitTransferFailed;
    if (r.codeCompleted && r.pcChecksum != r.kelvoxChecksum) {
        std::fprintf(stderr, "tarnix-cli: the controller's checksum differs from the PC's\n");
        return ExitChecksum;
    }
    return ExitOk;
}

int dspDirect(Context& ctx, Args& args) {
    int flags = (args.flag("--code") ? LoaderCode : 0) | (args.flag("--params") ? LoaderParams : 0);
    if (flags == 0)
        flags = LoaderCode | LoaderParams;
    bool simDsp = args.flag("--sim-dsp");
    bool timing = args.flag("--timing");
    auto port = args.option("--port");
    if (!args.empty())
        return usageError("dsp direct: unexpected argument " + args.rest().front());
    if (simDsp && port)
        return usageError("dsp direct: --port and --sim-dsp exclude each other");
    std::string vantor;
    if (!prepareVantor(ctx, vantor))
        return ExitFileRefused;

    std::unique_ptr<PtyDsp> dsp;
    std::string device;
    if (simDsp) {
        dsp = std::make_unique<PtyDsp>();
        if (!dsp->ok()) {
            std::fprintf(stderr, "tarnix-cli: no pseudo-terminal for the DSP simulator: %s\n",
                         dsp->error().c_str());
            return ExitUsage;
        }
        dsp->start();
        device = dsp->devicePath();
    } else {
        device = port ? *port : RegIniData.ComPort;
        if (device.empty() || device == "none")
            return usageError("dsp direct needs a serial device (--port DEVICE, or the stored COM port)");
    }
    TParams params(vantor, KvqIniData.ParamsFile);
    FdSerialSink sink(device);

    LoaderRequest req;
    req.target = LoadTarget::Serial;
    req.flags = flags;
    req.params = &params;
    req.serial = &sink;
    LoaderResult r;
    if (int rc = runAndPrint(req, vantor, timing, &r); rc != ExitOk)
        return rc;
    if (!sink.error().empty())
        std::fprintf(stderr, "tarnix-cli: %s: %s\n", device.c_str(), sink.error().c_str());
    if (dsp) {
        bool all = dsp->waitForBytes(r.serialBytes, 10000);
        std::printf("DSP simulator received %zu bytes: image of %zu bytes, %d start(s), %zu stray bytes%s\n",
                    dsp->received().size(), dsp->image().size(), dsp->starts(), dsp->strayBytes(),
                    all ? "" : " (not everything written arrived)");
        dsp->stop();
        if (!all)
            return ExitTransferFailed;
    }
    return r.failed ? ExitTransferFailed : ExitOk;
}

int dsp(Context& ctx, Args& args) {
    if (args.empty())
        return usageError("dsp needs a command (image, load, upload, direct)");
    std::string cmd = args.rest().front();
    Args rest(std::vector<std::string>(args.rest().begin() + 1, args.rest().end()));
    if (cmd == "image")
        return dspImage(ctx, rest);
    if (cmd == "load")
        return dspUsb(ctx, rest, false);
    if (cmd == "upload")
        return dspUsb(ctx, rest, true);
    if (cmd == "direct")
        return dspDirect(ctx, rest);
    return usageError("unknown dsp command " + cmd);
}

int ad603(Context& ctx, Args& args) {
    if (args.rest().size() != 1 || args.rest()[0] != "send")
        return usageError("usage: tarnix-cli ad603 send");
    std::string vantor;
    if (!prepareVantor(ctx, vantor))
        return ExitFileRefused;
    TParams params(vantor, KvqIniData.ParamsFile);
    // A missing or short table is reported by the logged-error report; what was read is sent.
    params.LoadAD603Table();
    std::array<uint8_t, 42> curve{};
    std::copy(params.AD603Table.begin(), params.AD603Table.end(), curve.begin());

    LinkSession link(ctx);
    if (int rc = link.open(false); rc != ExitOk)
        return rc;
    if (!SendCalCurve(Usb, curve)) {
        std::printf("%s\n", CalCurveFailedText);
        return ExitTransferFailed;
    }
    std::printf("%s\n", CalCurveSentText);
    return ExitOk;
}

} // namespace

TARNIX_CLI_VERB(
    "dsp",
    "  dsp image [--serial] -o FILE   write the DSP load image (USB target, or serial)\n"
    "  dsp load [--code] [--params] [--timing]\n"
    "                                 load the code and/or the parameter sets into the\n"
    "                                 controller's EEPROM (both when neither is given);\n"
    "                                 exit 3 when a transfer failed, 5 when the checksums differ\n"
    "  dsp upload [--timing]          bring the parameter sets back into the parameter files\n"
    "  dsp direct [--port DEVICE | --sim-dsp] [--code] [--params] [--timing]\n"
    "                                 load the DSP straight over a serial device (the stored\n"
    "                                 COM port unless --port; --sim-dsp: a simulated DSP)",
    dsp);

TARNIX_CLI_VERB("ad603",
                "  ad603 send                     send the AD603 calibration curve to the controller", ad603);

} // namespace tarnix::cli
