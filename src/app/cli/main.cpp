#include "Cli.h"

#include "base/Messages.h"
#include "sim/SimFault.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace tarnix::cli {

std::vector<Verb>& verbs() {
    static std::vector<Verb> v;
    return v;
}

bool Args::flag(const std::string& name) {
    auto it = std::find(args_.begin(), args_.end(), name);
    if (it == args_.end())
        return false;
    args_.erase(it);
    return true;
}

std::optional<std::string> Args::option(const std::string& name) {
    for (size_t i = 0; i < args_.size(); ++i) {
        if (args_[i] == name && i + 1 < args_.size()) {
            std::string v = args_[i + 1];
            args_.erase(args_.begin() + static_cast<long>(i), args_.begin() + static_cast<long>(i) + 2);
            return v;
        }
        if (args_[i].rfind(name + "=", 0) == 0) {
            std::string v = args_[i].substr(name.size() + 1);
            args_.erase(args_.begin() + static_cast<long>(i));
            return v;
        }
    }
    return std::nullopt;
}

int usageError(const std::string& text) {
    std::fprintf(stderr, "tarnix-cli: %s\n", text.c_str());
    return ExitUsage;
}

static void printHelp() {
    std::printf("usage: tarnix-cli [global options] VERB [verb options]\n\n"
                "global options:\n"
                "  --sim[=N]          N simulated controllers (default 1) instead of FTDI devices\n"
                "  --sim-state FILE   keep the simulator's EEPROM in FILE across runs\n"
                "  --sim-fault FAULT  make the simulator misbehave (FAULT below; may be repeated)\n"
                "  --trace FILE       write every link call and pause to FILE\n"
                "  --serial S         the controller to use when several are found\n"
                "  --vantor DIR       the Vantor folder for this run\n\n"
                "verbs:\n");
    auto sorted = verbs();
    std::sort(sorted.begin(), sorted.end(), [](const Verb& a, const Verb& b) { return a.name < b.name; });
    for (const auto& v : sorted)
        std::printf("%s\n", v.usage.c_str());
    std::printf("\n--sim-fault FAULT:\n  %s\n", simFaultSyntax().c_str());
}

static int run(int argc, char** argv) {
    Context ctx;
    std::vector<std::string> a(argv + 1, argv + argc);
    size_t i = 0;
    auto value = [&](const std::string& arg, const std::string& name, std::string& out) -> bool {
        if (arg == name) {
            if (i + 1 >= a.size())
                return false;
            out = a[++i];
            return true;
        }
        out = arg.substr(name.size() + 1);
        return true;
    };
    for (; i < a.size(); ++i) {
        const std::string& arg = a[i];
        auto is = [&](const std::string& name) { return arg == name || arg.rfind(name + "=", 0) == 0; };
        std::string v;
        if (arg == "--help" || arg == "-h") {
            printHelp();
            return ExitOk;
        } else if (arg == "--sim") {
            ctx.sim = 1;
        } else if (arg.rfind("--sim=", 0) == 0) {
            ctx.sim = std::atoi(arg.c_str() + 6);
            if (ctx.sim < 1)
                return usageError("--sim=N needs a number of at least 1");
        } else if (is("--sim-state")) {
            if (!value(arg, "--sim-state", ctx.simState))
                return usageError("--sim-state needs a file");
        } else if (is("--sim-fault")) {
            if (!value(arg, "--sim-fault", v))
                return usageError("--sim-fault needs a fault switch");
            ctx.simFaults.push_back(v);
        } else if (is("--trace")) {
            if (!value(arg, "--trace", ctx.trace))
                return usageError("--trace needs a file");
        } else if (is("--serial")) {
            if (!value(arg, "--serial", ctx.serial))
                return usageError("--serial needs a serial number");
        } else if (is("--vantor")) {
            if (!value(arg, "--vantor", v))
                return usageError("--vantor needs a folder");
            ctx.vantor = v;
        } else if (arg.rfind("--", 0) == 0) {
            return usageError("unknown option " + arg);
        } else {
            break;
        }
    }
    if (i >= a.size()) {
        printHelp();
        return ExitUsage;
    }
    std::string verb = a[i];
    for (const auto& v : verbs()) {
        if (v.name == verb) {
            Args args(std::vector<std::string>(a.begin() + static_cast<long>(i) + 1, a.end()));
            return v.run(ctx, args);
        }
    }
    return usageError("unknown verb " + verb + " (try --help)");
}

} // namespace tarnix::cli

int main(int argc, char** argv) {
    // Messages go to standard error; confirmations are answered "yes" (the user asked for the action).
    tarnix::ConsoleMessages console(true);
    tarnix::setMessages(&console);
    return tarnix::cli::run(argc, argv);
}
