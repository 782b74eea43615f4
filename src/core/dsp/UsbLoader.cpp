#include "dsp/UsbLoader.h"

#include "base/ByteOrder.h"
#include "base/Pacer.h"
#include "dsp/LoadImage.h"
#include "link/CommandCatalogue.h"
#include "link/D2XXUnit.h"
#include "link/UUsb.h"

#include <algorithm>

namespace tarnix {

std::string PcChecksumText(uint16_t sum) {
    return "Checksum on code bytes as sent from PC  =  " + std::to_string(sum);
}

std::string KelvoxChecksumText(uint16_t sum) {
    return "Checksum on code bytes as received by Kelvox  =  " + std::to_string(sum);
}

namespace {
size_t chunkOf(const CommandInfo& c) {
    return c.chunkBytes > 0 ? static_cast<size_t>(c.chunkBytes) : 64;
}
} // namespace

UsbCodeResult SendCodeUsb(TUsb& usb, const std::vector<uint8_t>& image, const LoaderLabelFn& progress) {
    const CommandInfo& c = command("$$$DSP_C");
    UsbCodeResult r;
    r.pcChecksum = pcChecksum(image);
    r.label = DspHeaderFailedText;

    PurgeRx();
    if (usb.SendCommand(c.text)) {
        uint8_t count[2];
        putBe16(count, static_cast<uint16_t>(image.size()));
        r.headerOk = usb.WriteBlock(count, 2);
    }
    if (r.headerOk) {
        if (c.pauseAfterCount > 0)
            pacer().pause(c.pauseAfterCount);
        const size_t chunk = chunkOf(c);
        // The progress count leaves out a last partial block.
        const size_t wholeBytes = image.size() / chunk * chunk;
        size_t written = 0;
        r.completed = true;
        for (size_t size : blockSizes(image.size(), chunk)) {
            if (!usb.WriteBlock(image.data() + written, static_cast<uint16_t>(size))) {
                r.completed = false;
                break;
            }
            written += size;
            pacer().pause(c.pauseAfterChunk);
            if (progress)
                progress("bytes:  " + std::to_string(std::min(written, wholeBytes)));
            pumpMessages();
        }
        r.label =
            r.completed ? "DSP code: " + std::to_string(image.size()) + " bytes sent" : DspCodeFailedText;
    }
    pacer().pause(c.pauseBeforeReply);
    uint16_t word = 0;
    usb.ReadWord(word);
    r.kelvoxChecksum = word;
    return r;
}

bool StartParamLoadUsb(TUsb& usb) {
    PurgeRx();
    return usb.SendCommand(command("$$$DSP_P").text);
}

bool SendParamImageUsb(TUsb& usb, const std::vector<uint8_t>& paramImage) {
    const CommandInfo& c = command("$$$DSP_P");
    pumpMessages();
    size_t written = 0;
    for (size_t size : blockSizes(paramImage.size(), chunkOf(c))) {
        if (!usb.WriteBlock(paramImage.data() + written, static_cast<uint16_t>(size)))
            return false;
        written += size;
        pumpMessages();
        pacer().pause(c.pauseAfterChunk);
    }
    return true;
}

bool StartParamUploadUsb(TUsb& usb) {
    PurgeRx();
    return usb.SendCommand(command("$$$DSP_S").text);
}

bool ReceiveParamBlocksUsb(TUsb& usb, const ParamBlockFn& store) {
    const CommandInfo& c = command("$$$DSP_S");
    pacer().pause(c.pauseBeforeReply);
    uint8_t block[100];
    for (int mode = 1; mode <= 2; ++mode) {
        for (int colour = 1; colour <= 3; ++colour) {
            if (!usb.ReadBlock(block, sizeof block))
                return false;
            if (!std::all_of(block, block + 10, [](uint8_t b) { return b == '#'; }))
                return false;
            if (store)
                store(mode, colour, block);
        }
    }
    return true;
}

} // namespace tarnix
