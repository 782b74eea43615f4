#pragma once
// What `tarnix` is started with, and the set-up that follows from it before the main window exists.
#include <QString>
#include <memory>

class QTemporaryDir;

namespace tarnix {

class FtdiDriver;

struct AppOptions {
    int simulate = 0; // simulated controllers on the device list (0: real FTDI devices)
    bool demo = false;
    QString tourDir; // empty: no tour
    QString trace;   // link trace file
    bool help = false;
    QString error; // a bad argument
};

// Reads --simulate[=N], --demo, --tour DIR, --trace FILE and --help.
AppOptions ParseAppOptions(const QStringList& args);

// The per-user single-instance lock; false when another instance holds it.
class InstanceLock {
public:
    InstanceLock();
    ~InstanceLock();
    bool acquire();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// The demo's throw-away set-up: settings, program folder and runtime folder in a temporary folder,
// and a fresh copy of the demo Vantor folder, which the settings then name. Returns the temporary
// folder (removed when it is destroyed), or nullptr when the demo files cannot be found.
std::unique_ptr<QTemporaryDir> PrepareDemo(QString* error);

} // namespace tarnix
