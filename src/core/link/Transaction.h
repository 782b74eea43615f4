#pragma once
// The common transaction shapes over Usb, with sizes and pauses from the command catalogue.
// Windows whose transactions have steps of their own (letting messages run, reading back) build
// them from the TUsb primitives directly.
#include "link/CommandCatalogue.h"

#include <cstdint>
#include <vector>

namespace tarnix {

class TUsb;

// purge, command, reply pause, read of the reply (all blocks of it) into reply.
// reply is resized to the reply size; on failure it keeps what it held before.
bool usbQuery(TUsb& usb, const CommandInfo& c, std::vector<uint8_t>& reply);
// purge, command, [P], payload (count field first for bulk loads, in chunks with A after each).
// For a command whose count field says the size, the count written is payload.size().
bool usbOrder(TUsb& usb, const CommandInfo& c, const std::vector<uint8_t>& payload);
// An order followed by its reply (the checksum of a bulk load, or a block), read into reply.
bool usbTransact(TUsb& usb, const CommandInfo& c, const std::vector<uint8_t>& payload,
                 std::vector<uint8_t>& reply);

} // namespace tarnix
