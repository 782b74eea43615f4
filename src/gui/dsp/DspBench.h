#pragma once
// The DSP window's benchmark run: with TARNIX_BENCH_DSP=U (or S) in the environment the program opens
// the DSP window as soon as the controller answers, lets it poll for TARNIX_BENCH_SECONDS (default 30)
// and prints how often the status and telemetry polls ran and the processor time it used, then quits.
// Route S puts a simulated DSP on a pseudo-terminal for the window's serial port.
namespace tarnix {

class TfrmMain;

// Does nothing unless TARNIX_BENCH_DSP is set.
void StartDspBenchmark(TfrmMain* main);

} // namespace tarnix
