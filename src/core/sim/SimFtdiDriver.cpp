#include "sim/SimFtdiDriver.h"

#include "base/Files.h"
#include "base/Pacer.h"
#include "base/Text.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

namespace tarnix {

namespace {

// Lets time pass on the program's clock: a virtual clock is moved on, the real one slept on.
void passTime(double ms) {
    if (ms <= 0)
        return;
    if (auto* v = dynamic_cast<VirtualPacer*>(&pacer()))
        v->advance(ms);
    else
        std::this_thread::sleep_for(std::chrono::microseconds(static_cast<long long>(ms * 1000)));
}

std::string serialFor(int i) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "SIM%05d", i + 1);
    return buf;
}

} // namespace

SimFtdiDriver::SimFtdiDriver(int count, std::string stateFile) : stateFile_(std::move(stateFile)) {
    for (int i = 0; i < count; ++i) {
        Unit u;
        u.sim = std::make_unique<SimController>(serialFor(i));
        units_.push_back(std::move(u));
    }
    if (stateFile_.empty() || !fileExists(stateFile_))
        return;
    auto text = readFile(stateFile_);
    if (!text) {
        stateProblem_ = "cannot read the simulator state file " + stateFile_;
        return;
    }
    // Sections "[SERIAL]" with the EEPROM lines of that controller.
    std::map<std::string, std::string> sections;
    std::string current;
    for (const std::string& raw : splitLines(*text)) {
        std::string line = trim(raw);
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            current = line.substr(1, line.size() - 2);
            sections[current];
        } else if (!line.empty()) {
            if (current.empty()) {
                stateProblem_ = "the simulator state file " + stateFile_ + " does not start with [SERIAL]";
                return;
            }
            sections[current] += line + "\n";
        }
    }
    for (auto& u : units_) {
        auto it = sections.find(u.sim->serial());
        std::string why;
        if (it != sections.end() && !u.sim->loadEeprom(it->second, &why)) {
            stateProblem_ = "the simulator state file " + stateFile_ + ", [" + it->first + "]: " + why;
            return;
        }
    }
}

SimFtdiDriver::~SimFtdiDriver() = default;

bool SimFtdiDriver::saveState(std::string* error) {
    if (stateFile_.empty())
        return true;
    if (!stateProblem_.empty()) {
        // Never overwrite a file we could not read: it may hold what the user wants to keep.
        if (error)
            *error = stateProblem_;
        return false;
    }
    std::string text;
    for (const auto& u : units_)
        text += "[" + u.sim->serial() + "]\n" + u.sim->saveEeprom();
    return writeFileAtomic(stateFile_, text, error);
}

void SimFtdiDriver::unplug(int i) {
    Unit& u = units_.at(static_cast<size_t>(i));
    u.plugged = false;
    if (u.handle)
        gone_.insert(u.handle);
    u.handle = 0;
    u.vanishAfter = -1;
}

void SimFtdiDriver::replug(int i) {
    Unit& u = units_.at(static_cast<size_t>(i));
    if (u.plugged)
        return;
    u.plugged = true;
    u.sim->powerOn();
}

void SimFtdiDriver::addFault(const SimFault& f) {
    faults_.push_back(f);
    for (auto& u : units_)
        u.sim->setFaults(faults_);
}

void SimFtdiDriver::clearFaults() {
    faults_.clear();
    for (auto& u : units_)
        u.sim->setFaults({});
}

SimFtdiDriver::Unit* SimFtdiDriver::unitOf(FtHandle h) {
    if (h == 0)
        return nullptr;
    for (auto& u : units_)
        if (u.handle == h && u.plugged)
            return &u;
    return nullptr;
}

FtStatus SimFtdiDriver::deviceCount(uint32_t& count) {
    listed_.clear();
    for (size_t i = 0; i < units_.size(); ++i)
        if (units_[i].plugged)
            listed_.push_back(i);
    count = static_cast<uint32_t>(listed_.size());
    return FT_OK;
}

FtStatus SimFtdiDriver::description(uint32_t index, std::string& text) {
    if (index >= listed_.size() || !units_[listed_[index]].plugged)
        return FT_DEVICE_NOT_FOUND;
    text = units_[listed_[index]].description;
    return FT_OK;
}

FtStatus SimFtdiDriver::serialNumber(uint32_t index, std::string& text) {
    if (index >= listed_.size() || !units_[listed_[index]].plugged)
        return FT_DEVICE_NOT_FOUND;
    text = units_[listed_[index]].sim->serial();
    return FT_OK;
}

FtStatus SimFtdiDriver::openBySerial(const std::string& serial, FtHandle& handle) {
    for (auto& u : units_) {
        if (!u.plugged || u.sim->serial() != serial)
            continue;
        if (u.handle != 0)
            return FT_DEVICE_NOT_OPENED; // already open
        u.handle = next_++;
        u.readTimeoutMs = u.writeTimeoutMs = 0;
        u.vanishAfter = -1;
        handle = u.handle;
        return FT_OK;
    }
    return FT_DEVICE_NOT_FOUND;
}

FtStatus SimFtdiDriver::close(FtHandle handle) {
    Unit* u = unitOf(handle);
    if (!u)
        return missing(handle);
    u->handle = 0;
    return FT_OK;
}

FtStatus SimFtdiDriver::reset(FtHandle handle) {
    Unit* u = unitOf(handle);
    if (!u)
        return missing(handle);
    u->sim->purge(pacer().nowMs());
    return FT_OK;
}

FtStatus SimFtdiDriver::purgeRx(FtHandle handle) {
    Unit* u = unitOf(handle);
    if (!u)
        return missing(handle);
    u->sim->purge(pacer().nowMs());
    return FT_OK;
}

FtStatus SimFtdiDriver::setTimeouts(FtHandle handle, uint32_t readMs, uint32_t writeMs) {
    Unit* u = unitOf(handle);
    if (!u)
        return missing(handle);
    u->readTimeoutMs = readMs;
    u->writeTimeoutMs = writeMs;
    return FT_OK;
}

FtStatus SimFtdiDriver::queueStatus(FtHandle handle, uint32_t& rxBytes) {
    Unit* u = unitOf(handle);
    if (!u)
        return missing(handle);
    rxBytes = static_cast<uint32_t>(u->sim->available(pacer().nowMs()));
    // A queue query is a round trip on the bus. On a virtual clock, let it cost a little time so that
    // a loop that polls until bytes arrive sees time pass.
    if (rxBytes == 0 && dynamic_cast<VirtualPacer*>(&pacer()))
        passTime(1);
    return FT_OK;
}

FtStatus SimFtdiDriver::write(FtHandle handle, const uint8_t* data, uint32_t n, uint32_t& written) {
    written = 0;
    Unit* u = unitOf(handle);
    if (!u)
        return missing(handle);
    // A vanish fault is armed by the write that carries its command.
    if (u->vanishAfter < 0) {
        std::string head(reinterpret_cast<const char*>(data), std::min<uint32_t>(n, 16));
        size_t nul = head.find('\0');
        if (nul != std::string::npos) {
            head.resize(nul);
            for (const SimFault& f : faults_)
                if (f.kind == SimFault::Vanish && findCommand(head) && f.matches(head))
                    u->vanishAfter = std::max(f.n, 0);
        }
    }
    uint32_t accept = n;
    if (u->vanishAfter >= 0)
        accept = static_cast<uint32_t>(std::min<long>(n, u->vanishAfter));
    u->sim->receive(data, accept, pacer().nowMs());
    written = accept;
    if (u->sim->takeEepromChanged())
        saveState();
    if (u->vanishAfter >= 0) {
        u->vanishAfter -= accept;
        if (u->vanishAfter == 0) {
            unplug(static_cast<int>(u - units_.data()));
            return accept == n ? FT_OK : FT_IO_ERROR;
        }
    }
    return FT_OK;
}

FtStatus SimFtdiDriver::read(FtHandle handle, uint8_t* data, uint32_t n, uint32_t& got) {
    got = 0;
    Unit* u = unitOf(handle);
    if (!u)
        return missing(handle);
    double now = pacer().nowMs();
    if (u->sim->available(now) < n) {
        // Wait for the count or the read time-out, whichever comes first.
        double deadline = now + u->readTimeoutMs;
        double until = std::min(deadline, u->sim->readyAt(n));
        passTime(until - now);
    }
    got = static_cast<uint32_t>(u->sim->take(data, n, pacer().nowMs()));
    return FT_OK;
}

} // namespace tarnix
