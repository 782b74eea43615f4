#include "sim/SimFault.h"

#include "base/Text.h"
#include "link/CommandCatalogue.h"

namespace tarnix {

std::string simFaultSyntax() {
    return "CMD:noreply | CMD:short[=N] | CMD:garbage[=N] | CMD:delay[=MS] | CMD:vanish[=N]\n"
           "  noreply     the command gets no reply\n"
           "  short=N     the reply comes N bytes short (default 1)\n"
           "  garbage=N   N random bytes instead of the reply (default: the reply's size)\n"
           "  delay=MS    the reply comes MS ms late (default 5000)\n"
           "  vanish=N    the controller leaves the bus after N bytes of the command's\n"
           "              transaction are written (default 0)\n"
           "  CMD is a command with or without its \"$$$\" (DSP_A, $$$DSP_A) or * for every command";
}

std::optional<SimFault> parseSimFault(std::string_view text, std::string* error) {
    auto fail = [&](const std::string& why) -> std::optional<SimFault> {
        if (error)
            *error = "bad --sim-fault '" + std::string(text) + "': " + why;
        return std::nullopt;
    };
    size_t colon = text.rfind(':');
    if (colon == std::string_view::npos)
        return fail("expected CMD:KIND[=N]");
    SimFault f;
    std::string cmd = trim(text.substr(0, colon));
    std::string kind = trim(text.substr(colon + 1));
    if (cmd != "*") {
        if (!startsWith(cmd, "$$$"))
            cmd = "$$$" + cmd;
        cmd = toUpper(cmd);
        if (!findCommand(cmd))
            return fail("unknown command " + cmd);
    }
    f.command = cmd;
    std::string number;
    if (size_t eq = kind.find('='); eq != std::string::npos) {
        number = kind.substr(eq + 1);
        kind = kind.substr(0, eq);
        auto n = parseInt32(number);
        if (!n || *n < 0)
            return fail("'" + number + "' is not a count");
        f.n = *n;
    }
    kind = toLower(kind);
    if (kind == "noreply")
        f.kind = SimFault::NoReply;
    else if (kind == "short")
        f.kind = SimFault::Short;
    else if (kind == "garbage")
        f.kind = SimFault::Garbage;
    else if (kind == "delay")
        f.kind = SimFault::Delay;
    else if (kind == "vanish")
        f.kind = SimFault::Vanish;
    else
        return fail("unknown kind '" + kind + "'");
    if (f.kind == SimFault::NoReply && f.n >= 0)
        return fail("noreply takes no number");
    return f;
}

} // namespace tarnix
