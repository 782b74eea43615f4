#pragma once
// A virtual clock and simulated controllers installed as the program's driver, for the link tests.
#include "base/Messages.h"
#include "base/Pacer.h"
#include "link/D2XXUnit.h"
#include "link/UUsb.h"
#include "sim/SimFtdiDriver.h"

#include <gtest/gtest.h>

#include <memory>

namespace tarnix::test {

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        setPacer(&clock);
        setMessages(&shown);
        Usb = TUsb();
        ErrorReportEnabled = false;
    }
    void TearDown() override {
        if (usb.IsOpen)
            usb.CloseLink();
        Usb = TUsb();
        setFtdiDriver(nullptr);
        setPacer(nullptr);
        setMessages(nullptr);
        ErrorReportEnabled = true;
    }
    // count simulated controllers, installed as the driver.
    SimFtdiDriver& simulate(int count = 1) {
        sim = std::make_unique<SimFtdiDriver>(count);
        setFtdiDriver(sim.get());
        return *sim;
    }
    // Simulated controller(s) with the link open.
    SimFtdiDriver& connected(int count = 1) {
        simulate(count);
        usb.setChooser([](const std::vector<TUsbDeviceEntry>&) { return 1; });
        EXPECT_TRUE(usb.CheckLink());
        return *sim;
    }

    VirtualPacer clock;
    RecordingMessages shown;
    std::unique_ptr<SimFtdiDriver> sim;
    // The program's link, as the code under test uses it.
    TUsb& usb = Usb;
};

} // namespace tarnix::test
