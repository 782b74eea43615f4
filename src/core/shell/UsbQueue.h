#pragma once
// The request scheduler: every controller transaction has a fixed slot; a window marks its slot "W"
// and each 10 ms tick runs at most one marked slot, scanning round-robin from where the last scan
// stopped. Only one transaction ever runs at a time because the tick's timer is off while it runs.
#include <array>
#include <cstdint>
#include <functional>

namespace tarnix {

constexpr int UsbSlotCount = 52;
constexpr uint8_t SlotWanted = 'W';
constexpr uint8_t SlotIdle = 'X';

// The register of slot numbers.
enum UsbSlot : int {
    SlotPollUsbStatus = 0,
    SlotSendDateTime = 1,
    SlotReadDateTime = 2,
    SlotSendFout = 3,
    SlotReadFout = 4,
    SlotSendAtr = 5,
    SlotReadAtr = 6,
    SlotSendAging = 7,
    SlotReadAging = 8,
    SlotSendUtcOffset = 9,
    SlotReadUtcOffset = 10,
    SlotReadRtcKind = 11,
    SlotReadLumoAddress = 12,
    SlotSendLumoAddress = 13,
    SlotReadSignatureRow = 14,
    SlotSendSignatureByte = 15,
    SlotPollDdsStatus = 16,
    SlotReserved17 = 17,
    SlotSendVfoFrequency = 18,
    SlotSendDdsButton = 19,
    SlotRunEememSave = 20,
    SlotRunEememLoad = 21,
    SlotReadHardwareSettings = 22,
    SlotWriteHardwareSettings = 23,
    SlotSendDdsClock = 24,
    SlotSendUsbOffset = 25,
    SlotSendLsbOffset = 26,
    SlotPollSwrAdc = 27,
    SlotSendCwOffset = 28,
    SlotUnused29 = 29,
    SlotReadDspStatus = 30,
    SlotReserved31 = 31,
    SlotReadPowerScale = 32,
    SlotReadSwrScale = 33,
    SlotReadSwrMeter = 34,
    SlotRestoreParam = 35,
    SlotCopyToBackup = 36,
    SlotRefreshDebugLists = 37,
    SlotSendCalibration = 38,
    SlotReadTelemetry = 39,
    SlotSendCalCurve = 40,
    SlotSelectColourSet = 41,
    SlotSendParamValue = 42,
    SlotRunCodeParamsLoad = 43,
    SlotRunCodeOnlyLoad = 44,
    SlotWritePorts = 45,
    SlotReadPorts = 46,
    SlotSendDacValue = 47,
    SlotReadDacValues = 48,
    SlotSendFlashImage = 49,
    SlotRunParamsOnlyLoad = 50,
    SlotRunParamsUpload = 51,
};

// Which window owns a slot and the operation it runs (for the dispatch table and for display).
struct UsbSlotInfo {
    const char* window;    // "main", "DSP", ... or nullptr for the placeholders
    const char* operation; // e.g. "PollUsbStatus"
};
const UsbSlotInfo& usbSlotInfo(int slot);

class UsbScheduler {
public:
    UsbScheduler();

    std::array<uint8_t, UsbSlotCount> USBqueue;
    uint8_t USBqueuePos = 0;

    // All slots idle.
    void ClearUsbQueue();
    void request(int slot);
    void withdraw(int slot);
    bool requested(int slot) const;

    // The operation of a slot. windowAlive is the test of the owning window's reference: when it
    // returns false the request is dropped. Slots without an operation are placeholders.
    void setOperation(int slot, std::function<void()> op, std::function<bool()> windowAlive = {});
    void clearOperation(int slot);

    // One tick: linkOpen is the link object's IsOpen. Runs at most one marked slot and returns its
    // number (also when the request was dropped because its window is gone), or -1 when none was marked.
    int tick(bool linkOpen);

    // How often each slot's operation has run (for the benchmarks' poll rates).
    uint32_t runs(int slot) const { return runs_.at(static_cast<size_t>(slot)); }

private:
    struct Entry {
        std::function<void()> op;
        std::function<bool()> alive;
    };
    std::array<Entry, UsbSlotCount> ops_;
    std::array<uint32_t, UsbSlotCount> runs_{};
};

} // namespace tarnix
