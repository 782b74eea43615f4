#pragma once
// A model of the controller's firmware. It takes the bytes the PC writes, recognises each command of
// the catalogue with its payload, keeps its state across commands and queues the reply bytes with the
// time they become readable. Each command has a handler in a table keyed by the catalogue's texts;
// the reply buffer a handler fills already has the catalogue's size.
#include "link/CommandCatalogue.h"
#include "sim/SimFault.h"

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace tarnix {

using Bytes = std::vector<uint8_t>;

// Everything the firmware keeps. `eeprom` is what survives a power-off (and is saved with
// --sim-state); the rest starts afresh at power-on.
struct SimState {
    // EEPROM blocks by name, see SimController::eepromBlocks().
    std::map<std::string, Bytes> eeprom;

    std::array<uint8_t, 28> dds{};  // the DDS status block (VFOs, selection, MOX, RIT, bands, ...)
    std::array<uint8_t, 113> dsp{}; // the DSP state block (switches, colour, parameter values, encoders)
    Bytes dspSets; // the DSP's working colour sets, laid out as the parameter image (its EEPROM backup)
    bool mox = false;
    std::array<uint8_t, 11> ports{}; // processor port registers A..L
    uint16_t mixerDac = 0, squarerDac = 0;
    std::array<uint8_t, 3> button{}; // the last band or button action
    // Real-time clock: seconds since 1970 (UTC) at clockSetMs of the pacer's time; unset until used.
    long long clockEpoch = 0;
    double clockSetMs = -1;
    // TFT flash: the last image's size and checksum (the image itself goes on to the display).
    uint32_t flashSize = 0;
    uint16_t flashChecksum = 0;
};

struct SimEepromBlock {
    const char* name;
    size_t size;
};

class SimController {
public:
    explicit SimController(std::string serial, std::string version = "1.20");

    const std::string& serial() const { return serial_; }
    // The four characters after "$$KX" in the version reply.
    const std::string& version() const { return version_; }

    // Bytes written by the PC at pacer time nowMs.
    void receive(const uint8_t* data, size_t n, double nowMs);
    // Reply bytes ready to be read at nowMs.
    size_t available(double nowMs) const;
    // Bytes sent but not yet readable, and all bytes queued.
    size_t pending() const { return out_.size(); }
    // The time at which k bytes will be readable (a huge value when fewer are queued).
    double readyAt(size_t k) const;
    // Takes up to n ready bytes.
    size_t take(uint8_t* dest, size_t n, double nowMs);
    // The chip's receive side is emptied (bytes the firmware has not yet sent stay pending).
    void purge(double nowMs);
    // Power-on: live state afresh from the EEPROM; pending input and output dropped.
    void powerOn();

    void setFaults(std::vector<SimFault> faults) { faults_ = std::move(faults); }
    const std::vector<SimFault>& faults() const { return faults_; }

    SimState& state() { return state_; }
    const SimState& state() const { return state_; }
    // An EEPROM block by name (sized as listed in eepromBlocks(), variable ones as stored).
    Bytes& eeprom(const std::string& name);
    static const std::vector<SimEepromBlock>& eepromBlocks();

    // True once a command changed the EEPROM since the last call (for saving the state file).
    bool takeEepromChanged();

    // The EEPROM as text, one "name=hex bytes" line per block, and back. loadEeprom leaves the
    // EEPROM unchanged and returns false (with *error) on a malformed text.
    std::string saveEeprom() const;
    bool loadEeprom(const std::string& text, std::string* error = nullptr);

    // The command being received, or the last one completed.
    const std::string& lastCommand() const { return command_; }
    // Commands completed since power-on.
    int commandsDone() const { return commandsDone_; }

    // Handler of one command: payload as received, reply pre-sized from the catalogue.
    using Handler = void (*)(SimController& sim, const Bytes& payload, Bytes& reply, double nowMs);
    // The table: one handler per catalogue command.
    static const std::map<std::string_view, Handler>& handlers();

    // Firmware details the handlers share.
    void markEepromChanged() { eepromChanged_ = true; }
    uint32_t noise(); // pseudo-random numbers for meters and garbage
    uint32_t payloadSum() const { return sum_; }
    long payloadCount() const { return count_; }

private:
    void startCommand(const CommandInfo& c, double nowMs);
    void finishCommand(double nowMs);
    void queueReply(const Bytes& reply, double readyMs);
    void fillDefaults();

    std::string serial_, version_;
    SimState state_;
    std::vector<SimFault> faults_;
    bool eepromChanged_ = false;
    int commandsDone_ = 0;

    // Input parsing.
    std::string text_;                     // command characters so far
    const CommandInfo* current_ = nullptr; // command whose count or payload is awaited
    std::string command_;
    Bytes countBytes_;
    long count_ = 0;    // payload bytes announced (or fixed)
    Bytes payload_;     // payload so far (bulk images beyond 128 KiB are only summed)
    uint32_t sum_ = 0;  // byte sum of the payload
    long received_ = 0; // payload bytes so far
    double lastByteMs_ = 0;

    struct Out {
        uint8_t byte;
        double readyMs;
    };
    std::deque<Out> out_;
    uint32_t noise_ = 0x2545F491u;
};

} // namespace tarnix
