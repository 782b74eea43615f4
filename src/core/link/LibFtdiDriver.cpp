#include "link/LibFtdiDriver.h"

#include "link/UUsb.h"

#include <ftdi.h>
#include <libusb.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <thread>

namespace tarnix {

namespace {

constexpr int FtdiVendor = 0x0403;
// FT232R/FT245R, FT2232, FT4232, FT232H, FT-X.
constexpr int FtdiProducts[] = {0x6001, 0x6010, 0x6011, 0x6014, 0x6015};
// Short replies must not wait in the chip for the default 16 ms.
constexpr unsigned char LatencyMs = 2;

std::string permissionText() {
    return std::string("no permission to use the FTDI device: install the udev rule ") + UdevRuleName +
           " and plug the Kelvox in again";
}

using Clock = std::chrono::steady_clock;

} // namespace

struct LibFtdiDriver::Open {
    ftdi_context* ctx = nullptr;
    std::deque<uint8_t> rx; // bytes read from the chip and not yet handed out
    uint32_t readTimeoutMs = 0;

    ~Open() {
        if (ctx) {
            ftdi_usb_close(ctx);
            ftdi_free(ctx);
        }
    }
    // One poll of the chip; false when the device no longer answers.
    bool poll() {
        unsigned char buf[4096];
        int r = ftdi_read_data(ctx, buf, sizeof buf);
        if (r < 0)
            return false;
        rx.insert(rx.end(), buf, buf + r);
        return true;
    }
};

LibFtdiDriver::LibFtdiDriver() = default;
LibFtdiDriver::~LibFtdiDriver() = default;

LibFtdiDriver::Open* LibFtdiDriver::find(FtHandle h) {
    auto it = open_.find(h);
    return it == open_.end() ? nullptr : it->second.get();
}

FtStatus LibFtdiDriver::deviceCount(uint32_t& count) {
    count = 0;
    listed_.clear();
    problem_.clear();
    ftdi_context* ctx = ftdi_new();
    if (!ctx)
        return FT_INSUFFICIENT_RESOURCES;
    for (int product : FtdiProducts) {
        ftdi_device_list* list = nullptr;
        if (ftdi_usb_find_all(ctx, &list, FtdiVendor, product) < 0)
            continue;
        for (ftdi_device_list* node = list; node; node = node->next) {
            Listed l;
            libusb_device_handle* h = nullptr;
            int r = libusb_open(node->dev, &h);
            if (r == LIBUSB_ERROR_ACCESS) {
                l.denied = true;
                problem_ = permissionText();
            } else if (r == 0) {
                libusb_close(h);
                char description[128] = {0};
                char serial[64] = {0};
                if (ftdi_usb_get_strings(ctx, node->dev, nullptr, 0, description, sizeof description, serial,
                                         sizeof serial) >= 0 ||
                    description[0]) {
                    l.description = description;
                    l.serial = serial;
                }
            }
            listed_.push_back(l);
        }
        ftdi_list_free(&list);
    }
    ftdi_free(ctx);
    count = static_cast<uint32_t>(listed_.size());
    return FT_OK;
}

FtStatus LibFtdiDriver::description(uint32_t index, std::string& text) {
    if (index >= listed_.size())
        return FT_DEVICE_NOT_FOUND;
    if (listed_[index].denied)
        return FT_DEVICE_NOT_OPENED;
    text = listed_[index].description;
    return FT_OK;
}

FtStatus LibFtdiDriver::serialNumber(uint32_t index, std::string& text) {
    if (index >= listed_.size())
        return FT_DEVICE_NOT_FOUND;
    if (listed_[index].denied)
        return FT_DEVICE_NOT_OPENED;
    text = listed_[index].serial;
    return FT_OK;
}

FtStatus LibFtdiDriver::openBySerial(const std::string& serial, FtHandle& handle) {
    auto o = std::make_unique<Open>();
    o->ctx = ftdi_new();
    if (!o->ctx)
        return FT_INSUFFICIENT_RESOURCES;
    int r = -3;
    for (int product : FtdiProducts) {
        r = ftdi_usb_open_desc(o->ctx, FtdiVendor, product, nullptr,
                               serial.empty() ? nullptr : serial.c_str());
        if (r != -3) // -3: no such device with this product id
            break;
    }
    if (r < 0) {
        ftdi_free(o->ctx);
        o->ctx = nullptr;
        if (r == -4 || r == -5) {
            // Opening or claiming failed: most often the device node is not ours to use.
            problem_ = permissionText();
            return FT_DEVICE_NOT_OPENED;
        }
        return FT_DEVICE_NOT_FOUND;
    }
    ftdi_set_latency_timer(o->ctx, LatencyMs);
    // Each poll of the chip returns within its latency time; this only bounds a stalled transfer.
    o->ctx->usb_read_timeout = 100;
    handle = next_++;
    open_[handle] = std::move(o);
    return FT_OK;
}

FtStatus LibFtdiDriver::close(FtHandle handle) {
    auto it = open_.find(handle);
    if (it == open_.end())
        return FT_INVALID_HANDLE;
    open_.erase(it);
    return FT_OK;
}

FtStatus LibFtdiDriver::reset(FtHandle handle) {
    Open* o = find(handle);
    if (!o)
        return FT_INVALID_HANDLE;
    o->rx.clear();
    return ftdi_usb_reset(o->ctx) < 0 ? FT_IO_ERROR : FT_OK;
}

FtStatus LibFtdiDriver::purgeRx(FtHandle handle) {
    Open* o = find(handle);
    if (!o)
        return FT_INVALID_HANDLE;
    o->rx.clear();
    return ftdi_tciflush(o->ctx) < 0 ? FT_IO_ERROR : FT_OK;
}

FtStatus LibFtdiDriver::setTimeouts(FtHandle handle, uint32_t readMs, uint32_t writeMs) {
    Open* o = find(handle);
    if (!o)
        return FT_INVALID_HANDLE;
    o->readTimeoutMs = readMs;
    o->ctx->usb_write_timeout = writeMs > 0 ? static_cast<int>(writeMs) : 5000;
    return FT_OK;
}

FtStatus LibFtdiDriver::queueStatus(FtHandle handle, uint32_t& rxBytes) {
    Open* o = find(handle);
    if (!o)
        return FT_INVALID_HANDLE;
    if (!o->poll())
        return FT_IO_ERROR;
    rxBytes = static_cast<uint32_t>(o->rx.size());
    return FT_OK;
}

FtStatus LibFtdiDriver::write(FtHandle handle, const uint8_t* data, uint32_t n, uint32_t& written) {
    written = 0;
    Open* o = find(handle);
    if (!o)
        return FT_INVALID_HANDLE;
    if (n == 0)
        return FT_OK;
    int r = ftdi_write_data(o->ctx, data, static_cast<int>(n));
    if (r < 0)
        return FT_IO_ERROR;
    written = static_cast<uint32_t>(r);
    return FT_OK;
}

FtStatus LibFtdiDriver::read(FtHandle handle, uint8_t* data, uint32_t n, uint32_t& got) {
    got = 0;
    Open* o = find(handle);
    if (!o)
        return FT_INVALID_HANDLE;
    FtStatus status = FT_OK;
    auto deadline = Clock::now() + std::chrono::milliseconds(o->readTimeoutMs);
    while (o->rx.size() < n) {
        if (!o->poll()) {
            status = FT_IO_ERROR;
            break;
        }
        if (o->rx.size() >= n || Clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    got = static_cast<uint32_t>(std::min<size_t>(n, o->rx.size()));
    std::copy_n(o->rx.begin(), got, data);
    o->rx.erase(o->rx.begin(), o->rx.begin() + got);
    return status;
}

} // namespace tarnix
