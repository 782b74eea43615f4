#include "shell/UsbQueue.h"

namespace tarnix {

namespace {
const UsbSlotInfo slotInfo[UsbSlotCount] = {
    {"main", "PollUsbStatus"},
    {"real-time clock", "SendDateTime"},
    {"real-time clock", "ReadDateTime"},
    {"real-time clock", "SendFout"},
    {"real-time clock", "ReadFout"},
    {"real-time clock", "SendAtr"},
    {"real-time clock", "ReadAtr"},
    {"real-time clock", "SendAging"},
    {"real-time clock", "ReadAging"},
    {"real-time clock", "SendUtcOffset"},
    {"real-time clock", "ReadUtcOffset"},
    {"real-time clock", "ReadRtcKind"},
    {"TFT board address", "ReadLumoAddress"},
    {"TFT board address", "SendLumoAddress"},
    {"signature row", "ReadSignatureRow"},
    {"signature row", "SendSignatureByte"},
    {"DDS", "PollDdsStatus"},
    {nullptr, "reserved"},
    {"DDS", "SendVfoFrequency"},
    {"DDS", "SendDdsButton"},
    {"controller EEPROM", "RunEememSave"},
    {"controller EEPROM", "RunEememLoad"},
    {"hardware", "ReadHardwareSettings"},
    {"hardware", "WriteHardwareSettings"},
    {"DDS clock", "SendDdsClock"},
    {"DDS clock", "SendUsbOffset"},
    {"DDS clock", "SendLsbOffset"},
    {"live SWR", "PollSwrAdc"},
    {"DDS clock", "SendCwOffset"},
    {nullptr, "none"},
    {"DSP", "ReadDspStatus"},
    {nullptr, "reserved"},
    {"DSP", "ReadPowerScale"},
    {"DDS", "ReadSwrScale"},
    {"DDS", "ReadSwrMeter"},
    {"DSP", "RestoreParam"},
    {"DSP", "CopyToBackup"},
    {"controller variables", "RefreshDebugLists"},
    {"SWR calibration", "SendCalibration"},
    {"DSP", "ReadTelemetry"},
    {"AD603 calibration", "SendCalCurve"},
    {"DSP", "SelectColourSet"},
    {"DSP", "SendParamValue"},
    {"main", "RunCodeParamsLoad"},
    {"main", "RunCodeOnlyLoad"},
    {"port diagnostic", "WritePorts"},
    {"port diagnostic", "ReadPorts"},
    {"I2C devices", "SendDacValue"},
    {"I2C devices", "ReadDacValues"},
    {"TFT flash", "SendFlashImage"},
    {"main", "RunParamsOnlyLoad"},
    {"main", "RunParamsUpload"},
};
const UsbSlotInfo noSlot{nullptr, ""};
} // namespace

const UsbSlotInfo& usbSlotInfo(int slot) {
    return (slot >= 0 && slot < UsbSlotCount) ? slotInfo[slot] : noSlot;
}

UsbScheduler::UsbScheduler() {
    ClearUsbQueue();
}

void UsbScheduler::ClearUsbQueue() {
    USBqueue.fill(SlotIdle);
}

void UsbScheduler::request(int slot) {
    if (slot >= 0 && slot < UsbSlotCount)
        USBqueue[static_cast<size_t>(slot)] = SlotWanted;
}

void UsbScheduler::withdraw(int slot) {
    if (slot >= 0 && slot < UsbSlotCount)
        USBqueue[static_cast<size_t>(slot)] = SlotIdle;
}

bool UsbScheduler::requested(int slot) const {
    return slot >= 0 && slot < UsbSlotCount && USBqueue[static_cast<size_t>(slot)] == SlotWanted;
}

void UsbScheduler::setOperation(int slot, std::function<void()> op, std::function<bool()> windowAlive) {
    if (slot >= 0 && slot < UsbSlotCount)
        ops_[static_cast<size_t>(slot)] = {std::move(op), std::move(windowAlive)};
}

void UsbScheduler::clearOperation(int slot) {
    if (slot >= 0 && slot < UsbSlotCount)
        ops_[static_cast<size_t>(slot)] = {};
}

int UsbScheduler::tick(bool linkOpen) {
    if (!linkOpen)
        USBqueuePos = 0;
    if (USBqueuePos >= UsbSlotCount)
        USBqueuePos = 0;
    const uint8_t start = USBqueuePos;
    int ran = -1;
    do {
        const size_t k = USBqueuePos;
        if (USBqueue[k] == SlotWanted) {
            USBqueue[k] = SlotIdle;
            ran = static_cast<int>(k);
            // Copy: the operation may replace the slot's entry (a window closing inside its own slot).
            Entry e = ops_[k];
            if (e.op && (!e.alive || e.alive())) {
                ++runs_[k];
                e.op();
            }
        }
        USBqueuePos = static_cast<uint8_t>((USBqueuePos + 1) % UsbSlotCount);
    } while (ran < 0 && USBqueuePos != start);
    return ran;
}

} // namespace tarnix
