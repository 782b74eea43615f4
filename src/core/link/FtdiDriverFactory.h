#pragma once
// Builds the driver a run uses from its options: real FTDI devices or simulated controllers,
// optionally traced. Shared by tarnix and tarnix-cli.
#include "link/FtdiDriver.h"

#include <memory>
#include <string>
#include <vector>

namespace tarnix {

class SimFtdiDriver;

struct LinkOptions {
    int sim = 0;                        // simulated controllers instead of FTDI devices (0: real devices)
    std::string simState;               // the simulators' EEPROM kept in this file across runs
    std::vector<std::string> simFaults; // fault switches as text, see parseSimFault
    std::string trace;                  // the link trace file; empty for none
};

// nullptr with *error set when a fault switch is malformed or the trace file cannot be written.
std::unique_ptr<FtdiDriver> makeFtdiDriver(const LinkOptions& options, std::string* error = nullptr);

// The simulator behind a driver made by makeFtdiDriver (through the trace), or nullptr.
SimFtdiDriver* simulatorOf(FtdiDriver* driver);

} // namespace tarnix
