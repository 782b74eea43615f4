#pragma once
// Every command the program sends to the controller, with what follows it, its reply and its pauses.
// Transactions and the simulated controller both take their sizes from here.
#include <string_view>
#include <vector>

namespace tarnix {

enum class ReplyKind {
    None,  // no reply, no acknowledgement
    Block, // replyBytes in one read (replyBlocks reads of replyBytes when more than one)
    Word,  // a 16-bit checksum, high byte first, read with ReadWord
    Text,  // text of variable length, polled until bytes are waiting
};

// The count written after the command before a bulk payload.
enum class CountField { None, Be16, Le32 };

struct CommandInfo {
    std::string_view text;    // "$$$CFG_Z"; sent with one NUL after it
    std::string_view purpose; // one line for listings
    // Payload bytes after the command (not counting a count field); -1 when the count field says.
    int payloadBytes = 0;
    CountField count = CountField::None;
    int chunkBytes = 0; // the payload goes out in writes of at most this many bytes (0: one write)
    ReplyKind reply = ReplyKind::None;
    int replyBytes = 0; // per block; 2 for Word; 0 for None and Text
    int replyBlocks = 1;
    // Pauses in ms; 0 means none.
    int pauseBeforeCommand = 0; // before the purge and command
    int pauseBeforePayload = 0; // P: after the command, before the (count and) payload
    int pauseAfterCount = 0;    // between the count and the data of a bulk load
    int pauseAfterChunk = 0;    // A: after each payload write
    int pauseBeforeReply = 0;   // R (for Text replies: the longest time the reply is polled for)
    int pauseAfterReply = 0;
    std::string_view then;           // the query that follows a set ("$$$RTC_Y"), empty if none
    std::string_view schedulerSlots; // the scheduler slots that run it, as listed ("11, 22", "MOX")
};

// The whole catalogue, in the order the commands are listed.
const std::vector<CommandInfo>& commandCatalogue();
// nullptr for a text that is not a command.
const CommandInfo* findCommand(std::string_view text);
// The entry of a command the program knows it sends; an unknown text is a programming error and
// throws std::logic_error.
const CommandInfo& command(std::string_view text);

// The EEPROM save and load blocks, in the order they are transferred.
const std::vector<std::string_view>& eepromSaveCommands();
const std::vector<std::string_view>& eepromLoadCommands();

} // namespace tarnix
