#pragma once
// Fault switches of the simulated controller, each bound to one command:
//   CMD:noreply        the command gets no reply
//   CMD:short[=N]      the reply comes N bytes short (default 1)
//   CMD:garbage[=N]    N random bytes instead of the reply (default: the reply's own size; 8 for a
//                      command without reply, sent unasked)
//   CMD:delay[=MS]     the reply comes MS milliseconds later than usual (default 5000: later than
//                      any reply is waited for)
//   CMD:vanish[=N]     the controller vanishes from the bus after N bytes of the command's transaction
//                      have been written (default 0: at the command itself)
// CMD is the command text with or without the leading "$$$" ("DSP_A" or "$$$DSP_A"), or "*" for all.
#include <optional>
#include <string>
#include <string_view>

namespace tarnix {

struct SimFault {
    enum Kind { NoReply, Short, Garbage, Delay, Vanish };
    std::string command; // full text ("$$$DSP_A") or "*"
    Kind kind = NoReply;
    static constexpr int DefaultDelayMs = 5000;
    int n = -1; // the number given with the fault; -1 when not given
    bool matches(std::string_view cmd) const { return command == "*" || command == cmd; }
};

// nullopt with *error set for a malformed fault switch.
std::optional<SimFault> parseSimFault(std::string_view text, std::string* error = nullptr);
std::string simFaultSyntax();

} // namespace tarnix
