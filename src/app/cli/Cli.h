#pragma once
// tarnix-cli: `tarnix-cli [global options] VERB [verb options]`. Each subsystem's verbs live in a file
// of their own here and register themselves with TARNIX_CLI_VERB; all the work is done by the core.
#include <optional>
#include <string>
#include <vector>

namespace tarnix::cli {

// Exit codes shared by the verbs.
enum Exit {
    ExitOk = 0,
    ExitUsage = 1,
    ExitNoController = 2,
    ExitTransferFailed = 3,
    ExitFileRefused = 4,
    ExitChecksum = 5,
};

struct Context {
    int sim = 0;                        // --sim[=N]: N simulated controllers instead of FTDI devices
    std::string simState;               // --sim-state FILE: the simulator's EEPROM kept across runs
    std::vector<std::string> simFaults; // --sim-fault FAULT (may be given more than once)
    std::string trace;                  // --trace FILE: the link trace
    std::string serial;                 // --serial S: which controller when several are found
    std::optional<std::string> vantor;  // --vantor DIR: the Vantor folder for this run
};

// The verb's own arguments, with simple option lookup.
class Args {
public:
    explicit Args(std::vector<std::string> a) : args_(std::move(a)) {}
    // Removes and reports a flag such as "--backup".
    bool flag(const std::string& name);
    // Removes and returns the value of "--name VALUE" or "--name=VALUE".
    std::optional<std::string> option(const std::string& name);
    // What is left, in order.
    const std::vector<std::string>& rest() const { return args_; }
    bool empty() const { return args_.empty(); }

private:
    std::vector<std::string> args_;
};

using VerbFn = int (*)(Context&, Args&);

struct Verb {
    std::string name;
    std::string usage; // one or more lines for the help text
    VerbFn run;
};

std::vector<Verb>& verbs();

struct Registrar {
    Registrar(std::string name, std::string usage, VerbFn fn) {
        verbs().push_back({std::move(name), std::move(usage), fn});
    }
};

// Prints a usage error and returns ExitUsage.
int usageError(const std::string& text);

} // namespace tarnix::cli

#define TARNIX_CLI_CONCAT2(a, b) a##b
#define TARNIX_CLI_CONCAT(a, b) TARNIX_CLI_CONCAT2(a, b)
#define TARNIX_CLI_VERB(name, usage, fn)                                                                     \
    static ::tarnix::cli::Registrar TARNIX_CLI_CONCAT(tarnixCliVerb_, __LINE__)(name, usage, fn)
