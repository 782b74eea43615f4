#include "shell/UsbQueue.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <vector>

using namespace tarnix;

namespace {
struct Recorder {
    UsbScheduler s;
    std::vector<int> ran;
    Recorder() {
        for (int i = 0; i < UsbSlotCount; ++i)
            s.setOperation(i, [this, i] { ran.push_back(i); });
    }
};
} // namespace

TEST(UsbScheduler, StartsIdleAndRunsOneSlotPerTick) {
    Recorder r;
    for (uint8_t v : r.s.USBqueue)
        EXPECT_EQ(v, 'X');
    EXPECT_EQ(r.s.tick(true), -1);
    r.s.request(30);
    r.s.request(5);
    // Scan position below 5: the lower slot first, the other on the following tick.
    EXPECT_EQ(r.s.tick(true), 5);
    EXPECT_EQ(r.s.tick(true), 30);
    EXPECT_EQ(r.s.tick(true), -1);
    EXPECT_EQ(r.ran, (std::vector<int>{5, 30}));
}

TEST(UsbScheduler, ScanResumesAfterTheSlotThatRan) {
    Recorder r;
    r.s.request(10);
    r.s.tick(true);
    EXPECT_EQ(r.s.USBqueuePos, 11);
    r.s.request(5);
    r.s.request(20);
    EXPECT_EQ(r.s.tick(true), 20); // from 11 upward first, then round to 5
    EXPECT_EQ(r.s.tick(true), 5);
}

TEST(UsbScheduler, WithoutLinkTheScanStartsAtSlotZero) {
    Recorder r;
    r.s.request(10);
    r.s.tick(true);
    r.s.request(0);
    r.s.request(40);
    EXPECT_EQ(r.s.tick(false), 0);
}

TEST(UsbScheduler, SlotMarkedTwiceRunsOnce) {
    Recorder r;
    r.s.request(42);
    r.s.request(42);
    r.s.tick(true);
    r.s.tick(true);
    EXPECT_EQ(r.ran, (std::vector<int>{42}));
}

TEST(UsbScheduler, ClosedWindowsRequestIsDropped) {
    UsbScheduler s;
    bool alive = false, ran = false;
    s.setOperation(
        16, [&] { ran = true; }, [&] { return alive; });
    s.request(16);
    EXPECT_EQ(s.tick(true), 16);
    EXPECT_FALSE(ran);
    EXPECT_FALSE(s.requested(16));
    alive = true;
    s.request(16);
    s.tick(true);
    EXPECT_TRUE(ran);
}

TEST(UsbScheduler, SlotIsResetBeforeItsOperationSoItMayRequestItselfAgain) {
    UsbScheduler s;
    int runs = 0;
    s.setOperation(39, [&] {
        EXPECT_FALSE(s.requested(39));
        ++runs;
        s.request(39);
    });
    s.request(39);
    s.tick(true);
    EXPECT_TRUE(s.requested(39));
    s.tick(true);
    EXPECT_EQ(runs, 2);
}

TEST(UsbScheduler, EveryMarkedSlotServedWithin52TicksDespiteAHungrySlot) {
    Recorder r;
    // Slot 39 asks for itself again every time it runs; all other slots are marked once.
    r.s.setOperation(39, [&] {
        r.ran.push_back(39);
        r.s.request(39);
    });
    for (int i = 0; i < UsbSlotCount; ++i)
        r.s.request(i);
    for (int t = 0; t < 52; ++t)
        r.s.tick(true);
    for (int i = 0; i < UsbSlotCount; ++i)
        EXPECT_NE(std::find(r.ran.begin(), r.ran.end(), i), r.ran.end()) << "slot " << i << " starved";
}

TEST(UsbScheduler, ClearDropsEveryPendingRequest) {
    Recorder r;
    r.s.request(16);
    r.s.request(30);
    r.s.ClearUsbQueue();
    EXPECT_EQ(r.s.tick(true), -1);
    EXPECT_TRUE(r.ran.empty());
}

TEST(UsbScheduler, PlaceholderSlotsHaveNoOwner) {
    EXPECT_EQ(usbSlotInfo(17).window, nullptr);
    EXPECT_EQ(usbSlotInfo(29).window, nullptr);
    EXPECT_EQ(usbSlotInfo(31).window, nullptr);
    EXPECT_STREQ(usbSlotInfo(42).operation, "SendParamValue");
    EXPECT_STREQ(usbSlotInfo(51).operation, "RunParamsUpload");
}

TEST(UsbScheduler, CountsTheRunsOfEachSlot) {
    Recorder r;
    const auto nothing = [] {};
    const auto windowGone = [] { return false; };
    r.s.setOperation(7, nothing, windowGone);
    for (int i = 0; i < 3; ++i) {
        r.s.request(30);
        r.s.tick(true);
    }
    r.s.request(7); // its window is gone: dropped, not run
    r.s.tick(true);
    EXPECT_EQ(r.s.runs(30), 3u);
    EXPECT_EQ(r.s.runs(7), 0u);
    EXPECT_EQ(r.s.runs(39), 0u);
}
