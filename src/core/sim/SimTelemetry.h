#pragma once
// What the simulated DSP measures: a telemetry record that moves plausibly over time, so that the
// meters of the DSP window are alive against the simulators. A station fades in and out over the noise
// floor, the AGC follows it with its hang, now and then a noise spike comes; in transmit the levels
// follow a voice, with forward and reflected power and the SWR. The same record feeds the controller's
// "$$$DSP_T" reply and the serial frames of the DSP on the pseudo-terminal.
#include <array>
#include <cstdint>

namespace tarnix {

// The 30-byte record at time nowMs (bytes 0 and 1 are the serial sync bytes "~~").
std::array<uint8_t, 30> SimTelemetryRecord(double nowMs, bool transmitting);
// Its bytes 2..23, as the DSP sends them after "~~" on the serial line.
std::array<uint8_t, 22> SimTelemetryBody(double nowMs, bool transmitting);

} // namespace tarnix
