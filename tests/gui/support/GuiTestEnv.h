#pragma once
// What every window test needs: a throw-away settings profile and program folder, recorded messages,
// a virtual clock for the link's pauses and simulated controllers on the device list.
#include "base/Messages.h"
#include "base/Pacer.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace tarnix {

class SimFtdiDriver;

class GuiTestEnv {
public:
    // controllers: simulated controllers plugged in (0 for none).
    explicit GuiTestEnv(int controllers = 1);
    ~GuiTestEnv();

    QString path() const { return dir_.path(); }
    // A fresh copy of the demo Vantor folder inside the profile; the settings are pointed at it.
    QString useDemoVantorFolder();

    RecordingMessages messages;
    VirtualPacer clock;
    SimFtdiDriver* sim() const { return sim_.get(); }

private:
    QTemporaryDir dir_;
    std::unique_ptr<SimFtdiDriver> sim_;
};

// Waits (running the event loop) until pred holds or ms have passed; returns pred().
bool waitFor(const std::function<bool()>& pred, int ms = 5000);

} // namespace tarnix
