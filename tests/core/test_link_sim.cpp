// The simulated controller answers every command of the catalogue as documented, and each fault switch
// turns the matching transaction into a failure.
#include "LinkTestSupport.h"

#include "base/ByteOrder.h"
#include "link/CommandCatalogue.h"
#include "link/Transaction.h"
#include "sim/SimFault.h"

#include <numeric>

namespace tarnix::test {

namespace {

// A payload of the documented size for a command (bulk loads get a small image of their own).
std::vector<uint8_t> payloadFor(const CommandInfo& c) {
    size_t n = c.payloadBytes >= 0 ? static_cast<size_t>(c.payloadBytes) : 300;
    std::vector<uint8_t> p(n);
    for (size_t i = 0; i < n; ++i)
        p[i] = static_cast<uint8_t>(i * 7 + 3);
    if (c.text == "$$$SWR_C")
        p[70] = 'F';
    if (c.text == "$$$CFG_N") { // byte 5 of the signature row
        p[0] = 5;
        p[1] = 0;
    }
    return p;
}

size_t documentedSize(const CommandInfo& c) {
    switch (c.reply) {
    case ReplyKind::Block:
        return static_cast<size_t>(c.replyBytes) * static_cast<size_t>(c.replyBlocks);
    case ReplyKind::Word:
        return 2;
    default:
        return 0;
    }
}

class SimCatalogue : public LinkTest {
protected:
    bool run(const CommandInfo& c, std::vector<uint8_t>& reply) {
        return usbTransact(usb, c, payloadFor(c), reply);
    }
};

} // namespace

TEST_F(SimCatalogue, EveryCommandHasAHandler) {
    for (const CommandInfo& c : commandCatalogue())
        EXPECT_TRUE(SimController::handlers().count(c.text)) << c.text;
    EXPECT_EQ(SimController::handlers().size(), commandCatalogue().size());
}

TEST_F(SimCatalogue, EveryCommandGetsItsDocumentedReply) {
    connected();
    for (const CommandInfo& c : commandCatalogue()) {
        SCOPED_TRACE(std::string(c.text));
        std::vector<uint8_t> reply{0xEE};
        int before = sim->controller(0).commandsDone();
        ASSERT_TRUE(run(c, reply));
        EXPECT_EQ(sim->controller(0).commandsDone(), before + 1)
            << "the firmware did not see the whole command";
        uint32_t waiting = 99;
        ASSERT_EQ(sim->queueStatus(DeviceHandle, waiting), FT_OK);
        EXPECT_EQ(waiting, 0u) << "more bytes than documented";
        switch (c.reply) {
        case ReplyKind::None:
            EXPECT_TRUE(reply.empty());
            break;
        case ReplyKind::Block:
        case ReplyKind::Word:
            EXPECT_EQ(reply.size(), documentedSize(c));
            break;
        case ReplyKind::Text: {
            std::string text(reply.begin(), reply.end());
            EXPECT_NE(text.find("\r\nEND,"), std::string::npos) << text;
            EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
            break;
        }
        }
        if (c.reply == ReplyKind::Word) {
            // Checksum: byte sum of the data plus the count, as the PC computes its own.
            auto p = payloadFor(c);
            uint32_t sum = std::accumulate(p.begin(), p.end(), 0u) + static_cast<uint32_t>(p.size());
            EXPECT_EQ(be16(reply.data()), static_cast<uint16_t>(sum));
        }
    }
}

TEST_F(SimCatalogue, StateIsKeptAcrossCommands) {
    connected();
    std::vector<uint8_t> reply;
    // What the load commands write, the save commands read back.
    const auto& save = eepromSaveCommands();
    const auto& load = eepromLoadCommands();
    for (size_t i = 0; i < load.size(); ++i) {
        auto p = payloadFor(command(load[i]));
        ASSERT_TRUE(usbOrder(usb, command(load[i]), p));
        ASSERT_TRUE(usbQuery(usb, command(save[i]), reply));
        EXPECT_EQ(reply, p) << save[i];
    }
    std::vector<uint8_t> hw(96, 0x41);
    ASSERT_TRUE(usbOrder(usb, command("$$$CFG_W"), hw));
    ASSERT_TRUE(usbQuery(usb, command("$$$CFG_R"), reply));
    EXPECT_EQ(reply, hw);
    // One DSP parameter, then the state block shows it.
    ASSERT_TRUE(usbOrder(usb, command("$$$DSP_Q"), {42, 77}));
    ASSERT_TRUE(usbQuery(usb, command("$$$DSP_A"), reply));
    EXPECT_EQ(reply[42], 77);
    // A VFO frequency shows in the DDS status, with its band.
    std::vector<uint8_t> f(5, 0);
    putLe32(f.data(), 14074000);
    ASSERT_TRUE(usbOrder(usb, command("$$$DDS_F"), f));
    ASSERT_TRUE(usbQuery(usb, command("$$$DDS_S"), reply));
    EXPECT_EQ(le32(&reply[0]), 14074000u);
    EXPECT_EQ(reply[22], 5); // 20 m
    // MOX shows in the DDS status and in the telemetry, and brings power readings.
    ASSERT_TRUE(usbOrder(usb, command("$$$CTL_T"), {}));
    ASSERT_TRUE(usbQuery(usb, command("$$$DSP_T"), reply));
    EXPECT_TRUE(reply[4] & 0x80);
    EXPECT_GT(le16(&reply[24]), 0);
    ASSERT_TRUE(usbQuery(usb, command("$$$DDS_S"), reply));
    EXPECT_EQ(reply[17], 1);
    ASSERT_TRUE(usbOrder(usb, command("$$$CTL_R"), {}));
    ASSERT_TRUE(usbQuery(usb, command("$$$DDS_S"), reply));
    EXPECT_EQ(reply[17], 0);
    // The parameter image comes back as six upload blocks of "#" and values.
    std::vector<uint8_t> image(1048, 0);
    for (int b = 0; b < 10; ++b) {
        std::fill_n(image.begin() + 104 * b, 13, '#');
        image[104 * static_cast<size_t>(b) + 13] = 13;
        for (int p = 10; p <= 99; ++p)
            image[104 * static_cast<size_t>(b) + 14 + static_cast<size_t>(p - 10)] =
                static_cast<uint8_t>(b * 10 + p % 7);
    }
    std::fill_n(image.begin() + 1040, 8, '#');
    ASSERT_TRUE(usbOrder(usb, command("$$$DSP_P"), image));
    ASSERT_TRUE(usbQuery(usb, command("$$$DSP_S"), reply));
    ASSERT_EQ(reply.size(), 600u);
    EXPECT_EQ(std::string(reply.begin(), reply.begin() + 10), "##########");
    EXPECT_EQ(reply[100 * 3 + 50], image[104 * 5 + 14 + 40]); // CW green, parameter 50
}

TEST_F(SimCatalogue, TheClockRunsOnTheProgramClock) {
    connected();
    std::vector<uint8_t> reply;
    // 31 Dec 2026 23:59:58, a Thursday.
    ASSERT_TRUE(usbOrder(usb, command("$$$RTC_S"), {58, 59, 23, 31, 12, 26, 4}));
    clock.advance(3000);
    ASSERT_TRUE(usbQuery(usb, command("$$$RTC_R"), reply));
    EXPECT_EQ(reply, (std::vector<uint8_t>{1, 0, 0, 1, 1, 27, 5}));
}

// Each fault kind on each command that has a reply, with what "failure" means for that reply.
TEST_F(SimCatalogue, EachFaultFailsTheMatchingTransaction) {
    const char* kinds[] = {"noreply", "short", "garbage", "delay", "vanish"};
    for (const CommandInfo& c : commandCatalogue()) {
        for (const char* kind : kinds) {
            SCOPED_TRACE(std::string(c.text) + ":" + kind);
            // The reply the command gets without the fault, at the same moment.
            clock = VirtualPacer();
            connected();
            std::vector<uint8_t> clean;
            ASSERT_TRUE(run(c, clean));
            usb.CloseLink();

            clock = VirtualPacer();
            connected();
            std::string error;
            auto f = parseSimFault(std::string(c.text) + ":" + kind, &error);
            ASSERT_TRUE(f) << error;
            sim->addFault(*f);
            std::vector<uint8_t> reply;
            bool ok = run(c, reply);
            std::string k = kind;
            if (k == "vanish") {
                EXPECT_FALSE(ok);
                EXPECT_FALSE(usb.CheckLink()) << "the controller should have left the bus";
            } else if (c.reply == ReplyKind::None) {
                EXPECT_TRUE(ok) << "no reply is read, so a reply fault cannot show";
            } else if (c.reply == ReplyKind::Text && k == "short") {
                // Text has no fixed length: the cut shows as a reply without its last line end.
                ASSERT_TRUE(ok);
                EXPECT_NE(std::string(reply.end() - 2, reply.end()), "\r\n");
            } else if (k == "garbage") {
                EXPECT_TRUE(!ok || reply != clean);
                if (c.text == "$$$CFG_Z") {
                    EXPECT_EQ(usb.QueryVersion().size(), 0u);
                }
            } else {
                EXPECT_FALSE(ok);
            }
            usb.CloseLink();
        }
    }
}

TEST_F(SimCatalogue, FaultsTouchOnlyTheirCommand) {
    connected();
    sim->addFault(*parseSimFault("DSP_A:noreply"));
    std::vector<uint8_t> reply;
    EXPECT_FALSE(usbQuery(usb, command("$$$DSP_A"), reply));
    EXPECT_TRUE(usbQuery(usb, command("$$$DDS_S"), reply));
    sim->clearFaults();
    EXPECT_TRUE(usbQuery(usb, command("$$$DSP_A"), reply));
    sim->addFault(*parseSimFault("*:short=2"));
    EXPECT_FALSE(usbQuery(usb, command("$$$DDS_S"), reply));
}

TEST(SimFaultText, ParsesTheDocumentedForms) {
    struct Case {
        const char* text;
        bool ok;
        const char* command;
        SimFault::Kind kind;
        int n;
    } cases[] = {
        {"DSP_A:noreply", true, "$$$DSP_A", SimFault::NoReply, -1},
        {"$$$DDS_S:short=3", true, "$$$DDS_S", SimFault::Short, 3},
        {"cfg_z:garbage", true, "$$$CFG_Z", SimFault::Garbage, -1},
        {"SWR_C:delay=250", true, "$$$SWR_C", SimFault::Delay, 250},
        {"*:vanish=12", true, "*", SimFault::Vanish, 12},
        {"DSP_A", false, "", SimFault::NoReply, 0},
        {"DSP_X:noreply", false, "", SimFault::NoReply, 0},
        {"DSP_A:explode", false, "", SimFault::NoReply, 0},
        {"DSP_A:short=-1", false, "", SimFault::NoReply, 0},
        {"DSP_A:short=many", false, "", SimFault::NoReply, 0},
        {"DSP_A:noreply=2", false, "", SimFault::NoReply, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string error;
        auto f = parseSimFault(c.text, &error);
        ASSERT_EQ(f.has_value(), c.ok) << error;
        if (!c.ok) {
            EXPECT_NE(error.find(c.text), std::string::npos);
            continue;
        }
        EXPECT_EQ(f->command, c.command);
        EXPECT_EQ(f->kind, c.kind);
        EXPECT_EQ(f->n, c.n);
    }
}

TEST_F(SimCatalogue, DelayedReplyArrivesLateOnTheProgramClock) {
    connected();
    sim->addFault(*parseSimFault("DSP_A:delay=100"));
    std::vector<uint8_t> reply;
    EXPECT_FALSE(usbQuery(usb, command("$$$DSP_A"), reply)); // 50 ms pause + 20 ms read time-out
    clock.advance(100);
    uint8_t block[113];
    EXPECT_TRUE(usb.ReadBlock(block, 113)) << "the late reply is there afterwards";
}

} // namespace tarnix::test
