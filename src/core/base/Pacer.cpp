#include "base/Pacer.h"

#include <chrono>
#include <numeric>
#include <thread>

namespace tarnix {

void Pacer::pause(int ms) {
    if (ms < 0)
        ms = 0;
    doPause(ms);
    if (onPause)
        onPause(ms);
}

static long long steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

SteadyPacer::SteadyPacer() : startNs_(steadyNs()) {}

double SteadyPacer::nowMs() const {
    return static_cast<double>(steadyNs() - startNs_) / 1e6;
}

void SteadyPacer::doPause(int ms) {
    // sleep_until on the steady clock so that a short wake-up does not shorten the pause.
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_until(until);
}

void VirtualPacer::doPause(int ms) {
    pauses_.push_back(ms);
    now_ += ms;
}

int VirtualPacer::totalPaused() const {
    return std::accumulate(pauses_.begin(), pauses_.end(), 0);
}

namespace {
SteadyPacer& steadyPacer() {
    static SteadyPacer p;
    return p;
}
Pacer* currentPacer = nullptr;
std::function<void()>& pumpHook() {
    static std::function<void()> f;
    return f;
}
} // namespace

Pacer& pacer() {
    return currentPacer ? *currentPacer : steadyPacer();
}
void setPacer(Pacer* p) {
    currentPacer = p;
}

void setPump(std::function<void()> pump) {
    pumpHook() = std::move(pump);
}
void pumpMessages() {
    if (pumpHook())
        pumpHook()();
}

} // namespace tarnix
