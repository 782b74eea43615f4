// The link object over simulated controllers: search and choice, open and re-open, the primitives.
#include "LinkTestSupport.h"

#include "base/Files.h"
#include "link/CommandCatalogue.h"
#include "link/Transaction.h"
#include "sim/SimFault.h"

#include <cstring>

namespace tarnix::test {

using UsbLink = LinkTest;

TEST_F(UsbLink, NoDeviceNoLink) {
    EXPECT_FALSE(usb.CheckLink()); // no driver at all
    simulate(0);
    EXPECT_FALSE(usb.CheckLink());
    EXPECT_FALSE(usb.IsOpen);
    EXPECT_EQ(UsbNoLinkText(), "USB: Kelvox not detected");
}

TEST_F(UsbLink, TwoDevicesTheChooserPicksTheSecond) {
    simulate(2);
    std::vector<std::string> offered;
    usb.setChooser([&](const std::vector<TUsbDeviceEntry>& entries) {
        for (const auto& e : entries)
            offered.push_back(TUsb::ChoiceLine(e));
        return 2;
    });
    ASSERT_TRUE(usb.CheckLink());
    EXPECT_EQ(offered, (std::vector<std::string>{"KELVOX simulator  s/n: SIM00001",
                                                 "KELVOX simulator  s/n: SIM00002"}));
    EXPECT_EQ(usb.SerialNumber, "SIM00002");
    EXPECT_EQ(usb.DeviceIndex, 1u);
    EXPECT_EQ(usb.LinkText(), "USB: KELVOX simulator  s/n: SIM00002");
    // The second one is the one talking: unplugging it drops the link.
    sim->unplug(1);
    EXPECT_FALSE(usb.CheckLink());
}

TEST_F(UsbLink, NoChoiceNoLink) {
    simulate(2);
    for (int choice : {0, 3, -1}) {
        usb.setChooser([&](const std::vector<TUsbDeviceEntry>&) { return choice; });
        EXPECT_FALSE(usb.CheckLink()) << choice;
        EXPECT_FALSE(usb.IsOpen);
    }
    usb.setChooser(nullptr);
    EXPECT_FALSE(usb.CheckLink());
}

TEST_F(UsbLink, KelvoxMatchesInAnyCase) {
    simulate(5);
    sim->setDescription(0, "FT232R USB UART");
    sim->setDescription(1, "my kelvox board");
    sim->setDescription(2, "Dual RS232-HS");
    sim->setDescription(3, "KelVox Mk2");
    sim->setDescription(4, "KELVO X");
    usb.setChooser([](const std::vector<TUsbDeviceEntry>&) { return 2; });
    ASSERT_TRUE(usb.CheckLink());
    ASSERT_EQ(usb.DeviceCount, 2);
    EXPECT_EQ(usb.Devices[0].Descr, "my kelvox board"); // letter case kept
    EXPECT_EQ(usb.Devices[0].FtIndex, 1);
    EXPECT_EQ(usb.Devices[1].Descr, "KelVox Mk2");
    EXPECT_EQ(usb.SerialNumber, "SIM00004");
}

TEST_F(UsbLink, OneMatchingDeviceIsTakenWithoutAsking) {
    simulate(2);
    sim->setDescription(0, "FT232R USB UART");
    bool asked = false;
    usb.setChooser([&](const std::vector<TUsbDeviceEntry>&) {
        asked = true;
        return 0;
    });
    ASSERT_TRUE(usb.CheckLink());
    EXPECT_FALSE(asked);
    EXPECT_EQ(usb.SerialNumber, "SIM00002");
}

TEST_F(UsbLink, AtMostSixAreOffered) {
    simulate(8);
    size_t offered = 0;
    usb.setChooser([&](const std::vector<TUsbDeviceEntry>& entries) {
        offered = entries.size();
        return 6;
    });
    ASSERT_TRUE(usb.CheckLink());
    EXPECT_EQ(offered, 6u);
    EXPECT_EQ(usb.SerialNumber, "SIM00006");
}

TEST_F(UsbLink, OpenSetsTheTimeoutsAndATimedOutReadCostsThem) {
    connected();
    uint8_t b[4];
    double t = clock.nowMs();
    EXPECT_FALSE(usb.ReadBlock(b, 4)); // nothing was asked for
    EXPECT_DOUBLE_EQ(clock.nowMs() - t, 20.0);
}

TEST_F(UsbLink, UnplugAndReplugThroughCheckLink) {
    connected();
    EXPECT_TRUE(usb.CheckLink());
    sim->unplug(0);
    EXPECT_FALSE(usb.CheckLink());
    EXPECT_FALSE(usb.IsOpen);
    EXPECT_FALSE(usb.CheckLink()); // searches again, finds nothing
    EXPECT_EQ(usb.QueryVersion(), "");
    sim->replug(0);
    EXPECT_TRUE(usb.CheckLink());
    EXPECT_TRUE(usb.IsOpen);
    EXPECT_EQ(usb.QueryVersion(), "1.20");
}

TEST_F(UsbLink, VanishingInTheMiddleOfATransaction) {
    connected();
    // Gone once the command is written: the reply never comes, the next check searches again.
    sim->addFault(*parseSimFault("DSP_Q:vanish=9"));
    PurgeRx();
    EXPECT_TRUE(usb.SendCommand("$$$DSP_Q"));
    const uint8_t payload[2] = {20, 5};
    EXPECT_FALSE(usb.WriteBlock(payload, 2));
    EXPECT_FALSE(usb.CheckLink());
    sim->clearFaults();
    sim->replug(0);
    EXPECT_TRUE(usb.CheckLink());
}

TEST_F(UsbLink, ShortReplyIsAFailureAndLeavesTheDestination) {
    connected();
    sim->addFault(*parseSimFault("DSP_A:short=1"));
    PurgeRx();
    ASSERT_TRUE(usb.SendCommand("$$$DSP_A"));
    clock.pause(50);
    uint8_t block[113];
    std::memset(block, 0xAA, sizeof block);
    EXPECT_FALSE(usb.ReadBlock(block, 113));
    for (uint8_t b : block)
        ASSERT_EQ(b, 0xAA);
}

TEST_F(UsbLink, ReadWord) {
    connected();
    struct Case {
        const char* fault;
        bool ok;
    } cases[] = {{"SWR_F:garbage=1", false}, {"SWR_F:noreply", false}, {"SWR_F:garbage=3", true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        sim->clearFaults();
        sim->addFault(*parseSimFault(c.fault));
        PurgeRx();
        ASSERT_TRUE(usb.SendCommand("$$$SWR_F"));
        clock.pause(50);
        uint16_t w = 0xBEEF;
        EXPECT_EQ(usb.ReadWord(w), c.ok);
        if (c.ok)
            EXPECT_EQ(w, InBuffer[0] * 256 + InBuffer[1]); // high byte first
        else
            EXPECT_EQ(w, 0);
        uint32_t left = 99;
        ASSERT_EQ(GetQueueStatus(), FT_OK);
        left = RxQueueBytes;
        EXPECT_EQ(left, 0u) << "bytes after the first two are dropped";
    }
}

TEST_F(UsbLink, VersionReplyVariants) {
    connected();
    EXPECT_EQ(usb.QueryVersion(), "1.20");
    struct Case {
        const char* fault;
    } cases[] = {{"CFG_Z:garbage"}, {"CFG_Z:short=1"}, {"CFG_Z:noreply"}, {"CFG_Z:delay=80"}};
    for (const Case& c : cases) {
        sim->clearFaults();
        sim->addFault(*parseSimFault(c.fault));
        EXPECT_EQ(usb.QueryVersion(), "") << c.fault;
    }
    sim->clearFaults();
    EXPECT_EQ(usb.QueryVersion(), "1.20") << "late bytes of the last attempt are purged first";
}

TEST_F(UsbLink, VersionQueryFraming) {
    connected();
    clock.clear();
    EXPECT_EQ(usb.QueryVersion(), "1.20");
    EXPECT_EQ(clock.pauses(), (std::vector<int>{50}));
}

TEST_F(UsbLink, LeftoversArePurgedBeforeTheNextCommand) {
    connected();
    // The MOX exchange reads only the first 24 bytes of the 30-byte telemetry.
    PurgeRx();
    ASSERT_TRUE(usb.SendCommand("$$$DSP_T"));
    clock.pause(50);
    uint8_t t[24];
    ASSERT_TRUE(usb.ReadBlock(t, 24));
    ASSERT_EQ(GetQueueStatus(), FT_OK);
    EXPECT_EQ(RxQueueBytes, 6u);
    // Unasked bytes after an order, too.
    sim->addFault(*parseSimFault("CTL_R:garbage=5"));
    ASSERT_TRUE(usbOrder(usb, command("$$$CTL_R"), {}));
    std::vector<uint8_t> reply;
    ASSERT_TRUE(usbQuery(usb, command("$$$CFG_R"), reply));
    EXPECT_EQ(reply, sim->controller(0).eeprom("hardware"));
}

TEST_F(UsbLink, WritesAreRefusedOnAClosedLink) {
    simulate();
    EXPECT_FALSE(usb.SendCommand("$$$CFG_Z"));
    const uint8_t b[2] = {1, 2};
    EXPECT_FALSE(usb.WriteBlock(b, 2));
    uint8_t r[2];
    EXPECT_FALSE(usb.ReadBlock(r, 2));
    uint16_t w = 7;
    EXPECT_FALSE(usb.ReadWord(w));
    EXPECT_EQ(w, 0);
}

TEST_F(UsbLink, OversizedBlocksAreRefused) {
    connected();
    std::vector<uint8_t> big(D2XXBufferSize + 1);
    EXPECT_FALSE(usb.WriteBlock(big.data(), static_cast<uint16_t>(big.size())));
    EXPECT_FALSE(usb.ReadBlock(big.data(), static_cast<uint16_t>(big.size())));
}

TEST_F(UsbLink, DeviceErrorReports) {
    struct Case {
        FtStatus status;
        const char* text;
    } cases[] = {
        {1, "FT_Write - Invalid Handle..."},
        {2, "FT_Write - Device Not Found...."},
        {3, "FT_Write - Device Not Opened..."},
        {4, "FT_Write - General IO Error..."},
        {5, "FT_Write - Insufficient Resources..."},
        {6, "FT_Write - Invalid Parameter ..."},
        {18, "FT_Write - Error 18..."},
    };
    ErrorReportEnabled = true;
    for (const Case& c : cases) {
        shown.clear();
        ReportDeviceError("FT_Write", c.status);
        ASSERT_EQ(shown.shown().size(), 1u);
        EXPECT_EQ(shown.shown()[0].text, c.text);
        EXPECT_EQ(shown.shown()[0].icon, MsgIcon::Error);
    }
    shown.clear();
    ReportDeviceError("FT_Write", 0);
    ErrorReportEnabled = false;
    ReportDeviceError("FT_Write", 4);
    EXPECT_TRUE(shown.shown().empty());
    // A search switches the reports off.
    ErrorReportEnabled = true;
    simulate(0);
    usb.FindDevices();
    EXPECT_FALSE(ErrorReportEnabled);
}

TEST_F(UsbLink, SimulatorEepromIsKeptInTheStateFile) {
    std::string path = ::testing::TempDir() + "tarnix_sim_state.txt";
    std::remove(path.c_str());
    std::vector<uint8_t> hw(96, 0x33), reply;
    {
        SimFtdiDriver first(2, path);
        setFtdiDriver(&first);
        usb.setChooser([](const std::vector<TUsbDeviceEntry>&) { return 2; });
        ASSERT_TRUE(usb.CheckLink());
        ASSERT_TRUE(usbOrder(usb, command("$$$CFG_W"), hw));
        usb.CloseLink();
        setFtdiDriver(nullptr);
    }
    {
        SimFtdiDriver second(2, path);
        EXPECT_EQ(second.stateProblem(), "");
        setFtdiDriver(&second);
        ASSERT_TRUE(usb.CheckLink());
        ASSERT_TRUE(usbQuery(usb, command("$$$CFG_R"), reply));
        EXPECT_EQ(reply, hw);
        EXPECT_NE(second.controller(0).eeprom("hardware"), hw) << "only the second controller was written";
        usb.CloseLink();
        setFtdiDriver(nullptr);
    }
    // A damaged file is reported and left as it is.
    ASSERT_TRUE(writeFileAtomic(path, "[SIM00001]\nhardware=12 34\n"));
    {
        SimFtdiDriver third(1, path);
        EXPECT_NE(third.stateProblem().find("line 1"), std::string::npos) << third.stateProblem();
        EXPECT_FALSE(third.saveState());
    }
    EXPECT_EQ(readFile(path).value_or(""), "[SIM00001]\nhardware=12 34\n");
    std::remove(path.c_str());
}

} // namespace tarnix::test
