#pragma once
// Opening the controller link from the global options; used by every verb that talks to the
// controller.
#include "Cli.h"

#include <memory>
#include <string>

namespace tarnix {
class FtdiDriver;
class SimFtdiDriver;
} // namespace tarnix

namespace tarnix::cli {

class LinkSession {
public:
    explicit LinkSession(const Context& ctx);
    ~LinkSession();
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;

    // Installs the driver only (for listing). ExitOk, or prints why not and returns ExitUsage.
    int prepare();
    // Installs the driver and opens the link to the one controller (or the one --serial names),
    // printing the status text (on standard error when the verb's output is data). ExitOk, or prints
    // why not and returns its exit code.
    int open(bool statusOnStdout = true);

    SimFtdiDriver* simulator() const;

private:
    const Context& ctx_;
    std::unique_ptr<FtdiDriver> driver_;
};

} // namespace tarnix::cli
