#include "link/Transaction.h"

#include "base/ByteOrder.h"
#include "base/Pacer.h"
#include "link/D2XXUnit.h"
#include "link/UUsb.h"

#include <algorithm>

namespace tarnix {

namespace {

bool readReply(TUsb& usb, const CommandInfo& c, std::vector<uint8_t>& reply) {
    switch (c.reply) {
    case ReplyKind::None:
        reply.clear();
        return true;
    case ReplyKind::Word: {
        uint16_t w = 0;
        if (!usb.ReadWord(w))
            return false;
        reply.assign(2, 0);
        putBe16(reply.data(), w);
        return true;
    }
    case ReplyKind::Block: {
        std::vector<uint8_t> all(static_cast<size_t>(c.replyBytes) * static_cast<size_t>(c.replyBlocks));
        for (int b = 0; b < c.replyBlocks; ++b)
            if (!usb.ReadBlock(all.data() + static_cast<size_t>(b) * static_cast<size_t>(c.replyBytes),
                               static_cast<uint16_t>(c.replyBytes)))
                return false;
        reply = std::move(all);
        return true;
    }
    case ReplyKind::Text: {
        // The reply has no fixed length: wait until bytes are waiting, then take everything.
        double until = pacer().nowMs() + c.pauseBeforeReply;
        for (;;) {
            if (GetQueueStatus() != FT_OK)
                return false;
            if (RxQueueBytes > 0)
                break;
            if (pacer().nowMs() >= until)
                return false;
            pacer().pause(1);
        }
        uint32_t got = ReadDeviceBuffer(D2XXBufferSize);
        if (got == 0)
            return false;
        reply.assign(InBuffer.begin(), InBuffer.begin() + got);
        return true;
    }
    }
    return false;
}

} // namespace

bool usbOrder(TUsb& usb, const CommandInfo& c, const std::vector<uint8_t>& payload) {
    if (c.pauseBeforeCommand)
        pacer().pause(c.pauseBeforeCommand);
    PurgeRx();
    if (!usb.SendCommand(c.text))
        return false;
    if (c.count == CountField::None && payload.empty())
        return true;
    if (c.pauseBeforePayload)
        pacer().pause(c.pauseBeforePayload);
    if (c.count != CountField::None) {
        uint8_t count[4];
        size_t n = c.count == CountField::Be16 ? 2 : 4;
        if (c.count == CountField::Be16)
            putBe16(count, static_cast<uint16_t>(payload.size()));
        else
            putLe32(count, static_cast<uint32_t>(payload.size()));
        if (!usb.WriteBlock(count, static_cast<uint16_t>(n)))
            return false;
        if (c.pauseAfterCount)
            pacer().pause(c.pauseAfterCount);
    }
    size_t chunk = c.chunkBytes > 0 ? static_cast<size_t>(c.chunkBytes) : std::max<size_t>(payload.size(), 1);
    chunk = std::min(chunk, D2XXBufferSize);
    for (size_t off = 0; off < payload.size(); off += chunk) {
        size_t n = std::min(chunk, payload.size() - off);
        if (!usb.WriteBlock(payload.data() + off, static_cast<uint16_t>(n)))
            return false;
        if (c.pauseAfterChunk)
            pacer().pause(c.pauseAfterChunk);
    }
    return true;
}

bool usbQuery(TUsb& usb, const CommandInfo& c, std::vector<uint8_t>& reply) {
    return usbTransact(usb, c, {}, reply);
}

bool usbTransact(TUsb& usb, const CommandInfo& c, const std::vector<uint8_t>& payload,
                 std::vector<uint8_t>& reply) {
    if (!usbOrder(usb, c, payload))
        return false;
    if (c.reply == ReplyKind::None) {
        reply.clear();
        return true;
    }
    if (c.reply != ReplyKind::Text && c.pauseBeforeReply)
        pacer().pause(c.pauseBeforeReply);
    bool ok = readReply(usb, c, reply);
    if (ok && c.pauseAfterReply)
        pacer().pause(c.pauseAfterReply);
    return ok;
}

} // namespace tarnix
