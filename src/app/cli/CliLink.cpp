// Link verbs: devices, version, send.
#include "CliLink.h"

#include "base/Pacer.h"
#include "base/Text.h"
#include "link/CommandCatalogue.h"
#include "link/D2XXUnit.h"
#include "link/FtdiDriverFactory.h"
#include "link/Transaction.h"
#include "link/UUsb.h"
#include "sim/SimFault.h"
#include "sim/SimFtdiDriver.h"

#include <cstdio>

namespace tarnix::cli {

LinkSession::LinkSession(const Context& ctx) : ctx_(ctx) {}

LinkSession::~LinkSession() {
    if (Usb.IsOpen)
        Usb.CloseLink();
    Usb.setChooser(nullptr);
    setFtdiDriver(nullptr);
}

SimFtdiDriver* LinkSession::simulator() const {
    return simulatorOf(driver_.get());
}

int LinkSession::prepare() {
    if (driver_)
        return ExitOk;
    LinkOptions o;
    o.sim = ctx_.sim;
    o.simState = ctx_.simState;
    o.simFaults = ctx_.simFaults;
    o.trace = ctx_.trace;
    std::string error;
    driver_ = makeFtdiDriver(o, &error);
    if (!driver_)
        return usageError(error);
    setFtdiDriver(driver_.get());
    // Driver errors are results here, not messages.
    ErrorReportEnabled = false;
    return ExitOk;
}

int LinkSession::open(bool statusOnStdout) {
    if (int rc = prepare(); rc != ExitOk)
        return rc;
    bool several = false;
    const std::string wanted = ctx_.serial;
    Usb.setChooser([&](const std::vector<TUsbDeviceEntry>& entries) {
        for (size_t i = 0; i < entries.size(); ++i)
            if (!wanted.empty() && entries[i].Serial == wanted)
                return static_cast<int>(i) + 1;
        several = wanted.empty();
        return 0;
    });
    bool up = Usb.CheckLink();
    if (up && !wanted.empty() && Usb.SerialNumber != wanted) {
        Usb.CloseLink();
        up = false;
    }
    if (!up) {
        if (several) {
            std::fprintf(stderr, "tarnix-cli: several controllers found; choose one with --serial S:\n");
            for (int i = 0; i < Usb.DeviceCount; ++i)
                std::fprintf(stderr, "  %s\n", TUsb::ChoiceLine(Usb.Devices[static_cast<size_t>(i)]).c_str());
        } else if (!wanted.empty() && Usb.DeviceCount > 0) {
            std::fprintf(stderr, "tarnix-cli: no controller with serial number %s\n", wanted.c_str());
        }
        std::printf("%s\n", UsbNoLinkText().c_str());
        return ExitNoController;
    }
    std::fprintf(statusOnStdout ? stdout : stderr, "%s\n", Usb.LinkText().c_str());
    return ExitOk;
}

namespace {

int devicesVerb(Context& ctx, Args& args) {
    if (args.flag("--help")) {
        std::printf("tarnix-cli devices: lists the controllers found (index, description, serial).\n\n"
                    "--sim-fault FAULT:\n%s\n",
                    simFaultSyntax().c_str());
        return ExitOk;
    }
    if (!args.empty())
        return usageError("devices takes no arguments");
    LinkSession link(ctx);
    if (int rc = link.prepare(); rc != ExitOk)
        return rc;
    ErrorReportEnabled = false;
    int found = 0;
    if (GetFTDeviceCount() == FT_OK) {
        for (uint32_t i = 0; i < FtDeviceCount; ++i) {
            if (GetFTDeviceDescription(i) != FT_OK ||
                toUpper(DeviceString).find("KELVOX") == std::string::npos)
                continue;
            std::string description = DeviceString;
            std::string serial = GetFTDeviceSerialNo(i) == FT_OK ? DeviceString : std::string();
            std::printf("%u\t%s\t%s\n", i, description.c_str(), serial.c_str());
            ++found;
        }
    }
    if (found == 0) {
        std::fprintf(stderr, "%s\n", UsbNoLinkText().c_str());
        return ExitNoController;
    }
    return ExitOk;
}

int versionVerb(Context& ctx, Args& args) {
    if (!args.empty())
        return usageError("version takes no arguments");
    LinkSession link(ctx);
    if (int rc = link.open(); rc != ExitOk)
        return rc;
    std::string version = Usb.QueryVersion();
    if (version.empty()) {
        std::fprintf(stderr, "tarnix-cli: the controller did not report its firmware version\n");
        return ExitTransferFailed;
    }
    std::printf("%s\n", KelvoxReadyText(version).c_str());
    return ExitOk;
}

int sendVerb(Context& ctx, Args& args) {
    auto payloadText = args.option("--payload");
    auto replyText = args.option("--reply");
    auto pauseText = args.option("--pause");
    if (args.rest().size() != 1)
        return usageError("send needs one command, e.g. send '$$$DSP_A'");
    std::string text = args.rest()[0];
    if (text.size() > 16)
        return usageError("a command is at most 16 characters");
    std::string payload;
    if (payloadText) {
        auto bytes = parseHexBytes(*payloadText);
        if (!bytes)
            return usageError("--payload needs hexadecimal byte pairs, e.g. --payload '0B 00 41'");
        payload = *bytes;
    }
    std::optional<int> replyBytes, pauseMs;
    if (replyText) {
        replyBytes = parseInt32(*replyText);
        if (!replyBytes || *replyBytes < 0 || *replyBytes > static_cast<int>(D2XXBufferSize))
            return usageError("--reply needs a byte count from 0 to 20480");
    }
    if (pauseText) {
        pauseMs = parseInt32(*pauseText);
        if (!pauseMs || *pauseMs < 0 || *pauseMs > 60000)
            return usageError("--pause needs milliseconds from 0 to 60000");
    }

    // Known commands take their shape from the catalogue; the options override it.
    CommandInfo c;
    if (const CommandInfo* known = findCommand(text))
        c = *known;
    c.text = text;
    if (c.payloadBytes > 0 && static_cast<int>(payload.size()) != c.payloadBytes &&
        c.count == CountField::None)
        std::fprintf(stderr, "tarnix-cli: note: %s expects %d payload bytes, sending %zu\n", text.c_str(),
                     c.payloadBytes, payload.size());
    if (payloadText && c.payloadBytes >= 0 && c.count == CountField::None)
        c.payloadBytes = static_cast<int>(payload.size());
    if (replyBytes) {
        c.reply = *replyBytes > 0 ? ReplyKind::Block : ReplyKind::None;
        c.replyBytes = *replyBytes;
        c.replyBlocks = 1;
    }
    if (pauseMs)
        c.pauseBeforeReply = *pauseMs;

    LinkSession link(ctx);
    if (int rc = link.open(false); rc != ExitOk)
        return rc;
    std::vector<uint8_t> bytes(payload.begin(), payload.end()), reply;
    if (!usbTransact(Usb, c, bytes, reply)) {
        std::fprintf(stderr, "tarnix-cli: %s failed (%s)\n", text.c_str(),
                     c.reply == ReplyKind::None ? "not written" : "no complete reply");
        return ExitTransferFailed;
    }
    if (c.reply != ReplyKind::None)
        std::printf("%s\n", hexBytes(reply.data(), reply.size()).c_str());
    return ExitOk;
}

} // namespace

TARNIX_CLI_VERB("devices", "  devices                 list the controllers found: index, description, serial",
                devicesVerb);
TARNIX_CLI_VERB("version",
                "  version                 open the link and show the controller's firmware version",
                versionVerb);
TARNIX_CLI_VERB("send",
                "  send CMD [--payload HEX] [--reply N] [--pause MS]\n"
                "                          one raw transaction; the reply is printed as hexadecimal",
                sendVerb);

} // namespace tarnix::cli
