#pragma once
// A model of the controller's firmware. It takes the bytes the PC writes, recognises each command of
// the catalogue with its payload, keeps its state across commands and queues the reply bytes. Each
// command has a handler in a table built from the catalogue; reply sizes come from the catalogue.
#include "link/CommandCatalogue.h"
#include "sim/SimFault.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace tarnix {

using Bytes = std::vector<uint8_t>;

// Everything the firmware keeps. The EEPROM part (saved with --sim-state) is `eeprom`; the rest is
// live state that starts afresh at power-on.
struct SimState {
    // EEPROM: the user configuration blocks by their save command ("$$$CFG_S", "$$$S_STK_L", ...),
    // the hardware block, the DSP code and parameter images, SWR calibration, AD603 curve, colour
    // sets, TFT address and signature row, and the TFT flash.
    std::map<std::string, Bytes> eeprom;

    // Live state.
    int mox = 0;                  // 0 receive, 1 transmit
    std::array<int32_t, 2> vfo{}; // VFO A and B in Hz
    int activeVfo = 0;
    int mode = 1;                    // 0 LSB, 1 USB, 2 CW lower, 3 CW upper
    int colour = 1;                  // DSP colour set: 1 green, 2 yellow, 3 red
    std::array<uint8_t, 99> dsp{};   // the DSP's current parameter values
    std::array<uint8_t, 7> clock{};  // real-time clock, as set
    double clockSetAtMs = 0;         // the pacer time the clock was set
    std::array<uint8_t, 11> ports{}; // processor port registers
    std::array<uint16_t, 2> dacs{};  // mixer, squarer
    uint8_t rtcOutput = 0, rtcTrim = 0, rtcAging = 0, rtcOffset = 0;
    std::array<uint8_t, 3> button{}; // the last band or button action
};

class SimController {
public:
    SimController(std::string serial, std::string version = "1.20");

    const std::string& serial() const { return serial_; }
    const std::string& version() const { return version_; }

    // Bytes written by the PC at pacer time nowMs.
    void receive(const uint8_t* data, size_t n, double nowMs);
    // Reply bytes ready to be read at nowMs.
    size_t available(double nowMs) const;
    // Takes up to n ready bytes.
    size_t take(uint8_t* dest, size_t n, double nowMs);
    // The receive side of the chip is emptied (bytes not yet sent by the firmware stay pending).
    void purge(double nowMs);
    // Power-on: live state afresh, EEPROM kept; pending input and output dropped.
    void powerOn();

    void setFaults(std::vector<SimFault> faults) { faults_ = std::move(faults); }
    std::vector<SimFault>& faults() { return faults_; }

    SimState& state() { return state_; }
    const SimState& state() const { return state_; }
    // An EEPROM block by name, created with its documented size (zeros) when absent.
    Bytes& eeprom(const std::string& name, size_t size);

    // True once a command changed the EEPROM since the last call (for saving the state file).
    bool takeEepromChanged();

    // The EEPROM as text (one "name=hex" line per block) and back; false on a malformed text.
    std::string saveEeprom() const;
    bool loadEeprom(const std::string& text);

    // The command being received or last completed, for the vanish fault.
    const std::string& lastCommand() const { return command_; }

    struct Handler;

private:
    void startCommand(const std::string& text, double nowMs);
    void finishCommand(double nowMs);
    void queueReply(Bytes reply, double nowMs);
    void fillDefaults();

    std::string serial_, version_;
    SimState state_;
    std::vector<SimFault> faults_;
    bool eepromChanged_ = false;

    // Input parsing.
    std::string text_; // command characters so far
    const CommandInfo* current_ = nullptr;
    std::string command_; // text of the current or last command
    Bytes count_;         // count field bytes so far
    Bytes payload_;       // payload bytes so far
    long expected_ = 0;   // payload bytes still expected
    double lastByteMs_ = 0;

    // Output: bytes with the time they become readable.
    struct Out {
        uint8_t byte;
        double readyMs;
    };
    std::deque<Out> out_;
    uint32_t noise_ = 0x1234567u;

    friend struct Handler;
    friend class SimHandlers;
};

} // namespace tarnix
