#pragma once
// What goes on the serial line to the DSP, as a list of steps: the exact bytes (each written on its
// own), the pauses between them, the progress label texts and the points where pending window
// messages run. The window or the command-line tool only plays a plan on its port.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnix {

struct SerialStep {
    enum class Kind : uint8_t {
        Open,  // open the port unless it is open
        Write, // write `byte`
        Pause, // pause `ms`
        Label, // show `text` in the progress label
        Pump,  // let pending window messages run
        Close, // close the port
    };
    Kind kind = Kind::Write;
    uint8_t byte = 0;
    int ms = 0;
    std::string text;
};
using SerialPlan = std::vector<SerialStep>;

// Serial control frames.
constexpr uint8_t kPairStart = 0x7E; // "~"
constexpr uint8_t kParamMode = 108;  // (108, 1) before a parameter send, (108, 0) after it
constexpr uint8_t kLoadStart = 111;  // (111, 0) before the load image

// The code transfer of a built image (serial head "$$$" CR): load start frame, pause 30 ms, the image
// byte by byte with 20 ms before every "$" and a progress label every 100 bytes, the start frame
// "$GO" 00 00 CR, closing the port.
SerialPlan serialCodePlan(const std::vector<uint8_t>& image);

// The parameter send. `greenSsb[p]` (p = 1 .. 99; index 0 unused) holds the green SSB values, 254
// and 255 markers included; the send changes them as it changes the parameter set in memory
// (parameters 5 and 6 := 0, parameter 65 derived from 63), so the caller copies them back.
SerialPlan directParamPlan(std::array<uint8_t, 100>& greenSsb);

// One live parameter change from the DSP window: 7E, p, v, 7E, 7E, then 30 ms.
SerialPlan serialParamChange(uint8_t param, uint8_t value);

// The bytes of a plan in line order, and the sum of its pauses.
std::vector<uint8_t> planBytes(const SerialPlan& plan);
long long planPauseMs(const SerialPlan& plan);

// Where a plan is played. Open is called for every Open step and should do nothing when the port
// is already open.
class SerialSink {
public:
    virtual ~SerialSink() = default;
    virtual bool open() = 0;
    virtual bool write(uint8_t byte) = 0;
    virtual void close() = 0;
    virtual void label(const std::string& /*text*/) {}
};

// Plays the steps in order; pauses go through pacer(), Pump through pumpMessages(). Stops at the
// first open or write that fails and returns false (the port is then closed).
bool playSerialPlan(const SerialPlan& plan, SerialSink& sink);

// A serial device through POSIX calls, 9600 baud, 8 data bits, no parity, one stop bit, no flow
// control, raw. Used by the command-line tool and the tests.
class FdSerialSink : public SerialSink {
public:
    explicit FdSerialSink(std::string device) : device_(std::move(device)) {}
    ~FdSerialSink() override;
    bool open() override;
    bool write(uint8_t byte) override;
    void close() override;
    const std::string& error() const { return error_; }

private:
    std::string device_;
    int fd_ = -1;
    std::string error_;
};

} // namespace tarnix
