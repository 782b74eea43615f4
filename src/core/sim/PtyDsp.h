#pragma once
// A simulated DSP on a pseudo-terminal, for the serial route. It opens a pty pair and plays the DSP
// on the master side; the slave side is an ordinary serial device (devicePath()) that QSerialPort or
// plain POSIX calls open. It decodes what the PC writes (DspLineDecoder), and sends telemetry frames
// "~~" + 22 bytes, once or as a stream.
//
// It runs either on its own thread (start()) or by hand: each poll() reads what has arrived and sends
// the telemetry that is due. The accessors are safe to call from any thread.
#include "sim/DspLineDecoder.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarnix {

// Bytes 2 to 23 of the telemetry record (test points, status, S-meter, gains).
using TelemetryBody = std::array<uint8_t, 22>;
// The frame as the DSP sends it: "~~" then the body.
std::array<uint8_t, 24> telemetryFrame(const TelemetryBody& body);

class PtyDsp {
public:
    PtyDsp();
    ~PtyDsp();
    PtyDsp(const PtyDsp&) = delete;
    PtyDsp& operator=(const PtyDsp&) = delete;

    // False when no pty could be opened (error() says why).
    bool ok() const { return master_ >= 0; }
    const std::string& error() const { return error_; }
    // The slave device, e.g. "/dev/pts/7".
    const std::string& devicePath() const { return device_; }

    void start(); // background thread
    void stop();
    // One round by hand: waits up to timeoutMs for bytes, decodes them, sends due telemetry.
    // Returns the number of bytes read.
    size_t poll(int timeoutMs);

    // What the DSP received.
    std::vector<uint8_t> received() const;
    std::vector<DspFrame> frames() const;
    std::vector<uint8_t> image() const;
    int starts() const;
    std::array<uint8_t, 100> params() const;
    bool paramMode() const;
    size_t strayBytes() const;
    // Forget everything received.
    void clear();

    // Waits (the thread or poll() must be running the line) until pred holds for the decoder or
    // the time runs out.
    bool waitUntil(const std::function<bool(const DspLineDecoder&)>& pred, int timeoutMs);
    bool waitForBytes(size_t n, int timeoutMs);
    bool waitForFrames(size_t n, int timeoutMs);

    // Telemetry. sendTelemetry writes one frame now; streamTelemetry sends a frame every intervalMs
    // (0 stops) from the body set by setTelemetry, or, when none is set, from a plausible moving
    // receive record. sendRaw writes any bytes (line noise, broken frames).
    void sendTelemetry(const TelemetryBody& body);
    void setTelemetry(const TelemetryBody& body);
    void streamTelemetry(int intervalMs);
    void sendRaw(const std::vector<uint8_t>& bytes);
    size_t telemetryFramesSent() const { return framesSent_; }
    // The generated record for frame number n.
    static TelemetryBody movingTelemetry(unsigned n);

private:
    void run();
    size_t readAvailable(int timeoutMs);
    void sendDueTelemetry();
    void writeMaster(const uint8_t* p, size_t n);

    int master_ = -1;
    int slaveHold_ = -1; // keeps the pty alive while the PC side closes and reopens the port
    std::string device_;
    std::string error_;

    mutable std::mutex mu_;
    std::condition_variable cv_;
    DspLineDecoder decoder_;
    std::vector<uint8_t> received_;

    std::mutex writeMu_;
    std::atomic<int> streamMs_{0};
    bool haveBody_ = false;  // guarded by mu_
    TelemetryBody body_{};   // guarded by mu_
    double nextFrameMs_ = 0; // guarded by mu_
    unsigned generated_ = 0; // guarded by mu_
    std::atomic<size_t> framesSent_{0};

    std::thread thread_;
    std::atomic<bool> running_{false};
};

} // namespace tarnix
