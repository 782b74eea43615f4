#pragma once
// Simulated controllers shown as FTDI devices: description "KELVOX simulator", serial numbers
// "SIM00001", "SIM00002", ... They can be unplugged and plugged in again, and carry fault switches.
#include "link/FtdiDriver.h"
#include "sim/SimController.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace tarnix {

class SimFtdiDriver : public FtdiDriver {
public:
    // count controllers; with a state file their EEPROM is loaded from it (when it exists) and
    // written back after every command that changes it.
    explicit SimFtdiDriver(int count = 1, std::string stateFile = {});
    ~SimFtdiDriver() override;

    int controllerCount() const { return static_cast<int>(units_.size()); }
    SimController& controller(int i) { return *units_.at(static_cast<size_t>(i)).sim; }

    // Unplugging closes any open handle (its calls fail from then on); plugging in is a power-on.
    void unplug(int i);
    void replug(int i);
    bool plugged(int i) const { return units_.at(static_cast<size_t>(i)).plugged; }

    // The description a controller shows in the device list (default DescriptionText); lets a run
    // show controllers named in other letter cases, or FTDI devices that are not a Kelvox.
    void setDescription(int i, std::string text) {
        units_.at(static_cast<size_t>(i)).description = std::move(text);
    }

    // Faults apply to every controller.
    void addFault(const SimFault& f);
    void clearFaults();

    // The state file: "" when it loaded fine (or there is none), else why it was not used.
    const std::string& stateProblem() const { return stateProblem_; }
    bool saveState(std::string* error = nullptr);

    FtStatus deviceCount(uint32_t& count) override;
    FtStatus description(uint32_t index, std::string& text) override;
    FtStatus serialNumber(uint32_t index, std::string& text) override;
    FtStatus openBySerial(const std::string& serial, FtHandle& handle) override;
    FtStatus close(FtHandle handle) override;
    FtStatus reset(FtHandle handle) override;
    FtStatus purgeRx(FtHandle handle) override;
    FtStatus setTimeouts(FtHandle handle, uint32_t readMs, uint32_t writeMs) override;
    FtStatus queueStatus(FtHandle handle, uint32_t& rxBytes) override;
    FtStatus write(FtHandle handle, const uint8_t* data, uint32_t n, uint32_t& written) override;
    FtStatus read(FtHandle handle, uint8_t* data, uint32_t n, uint32_t& got) override;

    static constexpr const char* DescriptionText = "KELVOX simulator";

private:
    struct Unit {
        std::unique_ptr<SimController> sim;
        std::string description = DescriptionText;
        bool plugged = true;
        FtHandle handle = 0; // 0 while closed
        uint32_t readTimeoutMs = 0, writeTimeoutMs = 0;
        long vanishAfter = -1; // bytes still accepted before vanishing; -1 when not armed
    };
    Unit* unitOf(FtHandle h);
    // The status for a handle that names no open controller: gone from the bus, or never valid.
    FtStatus missing(FtHandle h) const { return gone_.count(h) ? FT_IO_ERROR : FT_INVALID_HANDLE; }
    std::set<FtHandle> gone_;
    std::vector<size_t> listed_; // the units plugged in at the last count
    std::vector<Unit> units_;
    std::vector<SimFault> faults_;
    std::string stateFile_, stateProblem_;
    FtHandle next_ = 1;
};

} // namespace tarnix
