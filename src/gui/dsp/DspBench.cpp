#include "dsp/DspBench.h"

#include "shell/Globals.h"
#include "shell/UIniData.h"
#include "shell/UfrmMain.h"
#include "shell/UsbQueue.h"
#include "sim/PtyDsp.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <sys/resource.h>

namespace tarnix {

namespace {

double cpuMs() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

struct Snapshot {
    double wallMs = 0, cpuMs = 0;
    uint32_t status = 0, telemetry = 0;
};

struct Bench {
    TfrmMain* main = nullptr;
    char route = 'U';
    int seconds = 30;
    std::unique_ptr<PtyDsp> dsp;
    QElapsedTimer clock;
    Snapshot start;

    Snapshot now() const {
        return {static_cast<double>(clock.elapsed()), cpuMs(), main->Queue.runs(SlotReadDspStatus),
                main->Queue.runs(SlotReadTelemetry)};
    }
};

void finish(Bench* b) {
    const Snapshot end = b->now();
    const double s = (end.wallMs - b->start.wallMs) / 1000.0;
    std::printf("dsp-bench route %c seconds %.1f status-polls %u telemetry-polls %u cpu-ms %.0f\n", b->route,
                s, end.status - b->start.status, end.telemetry - b->start.telemetry,
                end.cpuMs - b->start.cpuMs);
    std::fflush(stdout);
    b->main->close();
}

void openWindow(Bench* b) {
    if (b->route == 'S') {
        b->dsp = std::make_unique<PtyDsp>();
        if (!b->dsp->ok()) {
            std::fprintf(stderr, "dsp-bench: no pseudo-terminal: %s\n", b->dsp->error().c_str());
            QCoreApplication::exit(1);
            return;
        }
        b->dsp->start();
        b->dsp->streamTelemetry(100);
        RegIniData.ComPort = b->dsp->devicePath();
        b->main->OpenComPort();
    }
    DspTelemetryRoute = b->route;
    b->main->RzBitBtn_DSPClick();
    // Let the window settle (first status, power scale) before counting.
    QTimer::singleShot(1000, b->main, [b] {
        b->start = b->now();
        QTimer::singleShot(b->seconds * 1000, b->main, [b] { finish(b); });
    });
}

} // namespace

void StartDspBenchmark(TfrmMain* main) {
    const QByteArray route = qgetenv("TARNIX_BENCH_DSP");
    if (route.isEmpty() || !main)
        return;
    static Bench b;
    b.main = main;
    b.route = route.toUpper() == "S" ? 'S' : 'U';
    if (const int s = qEnvironmentVariableIntValue("TARNIX_BENCH_SECONDS"); s > 0)
        b.seconds = s;
    b.clock.start();
    // Wait for the controller to answer the status poll, at most 10 s.
    auto* wait = new QTimer(main);
    wait->setInterval(50);
    QObject::connect(wait, &QTimer::timeout, main, [wait] {
        if (UsbLinkUp) {
            wait->deleteLater();
            openWindow(&b);
        } else if (b.clock.elapsed() > 10000) {
            wait->deleteLater();
            std::fprintf(stderr, "dsp-bench: the controller never answered\n");
            QCoreApplication::exit(1);
        }
    });
    wait->start();
}

} // namespace tarnix
