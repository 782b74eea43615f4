#pragma once
// Timed pauses. Every pause the program makes while talking to the controller or the DSP goes
// through the program-wide Pacer, so that tests can run on a virtual clock and the link trace can
// show each pause.
#include <functional>
#include <vector>

namespace tarnix {

class Pacer {
public:
    virtual ~Pacer() = default;
    // Block for ms milliseconds (the user-interface thread waits, as the controller protocol expects).
    void pause(int ms);
    // Milliseconds since this pacer was created.
    virtual double nowMs() const = 0;
    // Called after every pause with its length; used by the link trace.
    std::function<void(int ms)> onPause;

protected:
    virtual void doPause(int ms) = 0;
};

// The real thing: sleeps on the steady clock.
class SteadyPacer : public Pacer {
public:
    SteadyPacer();
    double nowMs() const override;

protected:
    void doPause(int ms) override;

private:
    long long startNs_;
};

// For tests: time advances instantly, every pause is recorded.
class VirtualPacer : public Pacer {
public:
    double nowMs() const override { return now_; }
    void advance(double ms) { now_ += ms; }
    const std::vector<int>& pauses() const { return pauses_; }
    int totalPaused() const;
    void clear() { pauses_.clear(); }

protected:
    void doPause(int ms) override;

private:
    double now_ = 0;
    std::vector<int> pauses_;
};

// The program-wide pacer (a SteadyPacer unless replaced). setPacer(nullptr) restores the steady one.
Pacer& pacer();
void setPacer(Pacer* p);

// "Let pending window messages run": the GUI installs QCoreApplication::processEvents here;
// without a GUI it does nothing.
void setPump(std::function<void()> pump);
void pumpMessages();

} // namespace tarnix
