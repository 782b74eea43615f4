#include "base/Messages.h"
#include "base/Pacer.h"
#include "dsp/DspBench.h"
#include "link/D2XXUnit.h"
#include "link/FtdiDriverFactory.h"
#include "link/UUsb.h"
#include "link/UfrmSelectKelvox.h"
#include "shell/AppSetup.h"
#include "shell/QtMessages.h"
#include "shell/UAboutBox.h"
#include "shell/UfrmMain.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

using namespace tarnix;

static const char* usage =
    "usage: tarnix [--simulate[=N]] [--demo] [--tour DIR] [--trace FILE]\n"
    "  --simulate[=N]  N simulated controllers (default 1) on the device list\n"
    "  --demo          simulated controller, demo Vantor folder, throw-away settings\n"
    "  --tour DIR      open every window in turn, write DIR/<window>.png and .txt, quit\n"
    "  --trace FILE    write every link call and pause to FILE\n";

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("tarnix");
    AppOptions options = ParseAppOptions(QApplication::arguments());
    if (options.help || !options.error.isEmpty()) {
        if (!options.error.isEmpty())
            std::fprintf(stderr, "tarnix: %s\n", qPrintable(options.error));
        std::fputs(usage, options.help ? stdout : stderr);
        return options.help ? 0 : 1;
    }

    // Messages as message boxes; TARNIX_AUTO_ANSWER=1 (scripts, benchmarks) prints them and answers.
    QtMessages boxes;
    ConsoleMessages console(true);
    setMessages(qEnvironmentVariableIntValue("TARNIX_AUTO_ANSWER") ? static_cast<Messages*>(&console)
                                                                   : static_cast<Messages*>(&boxes));
    setPump([] { QCoreApplication::processEvents(); });

    std::unique_ptr<QTemporaryDir> demoDir;
    if (options.demo) {
        QString error;
        demoDir = PrepareDemo(&error);
        if (!demoDir) {
            messages().error("The demo cannot start: " + error.toStdString());
            return 1;
        }
    }

    InstanceLock lock;
    if (!lock.acquire()) {
        messages().show(
            {MsgIcon::Warning, "Another instance of TARNIX is already running", MsgButtons::Abort, {}});
        return 1;
    }

    LinkOptions link;
    link.sim = options.simulate;
    link.trace = options.trace.toStdString();
    std::string linkError;
    std::unique_ptr<FtdiDriver> driver = makeFtdiDriver(link, &linkError);
    if (!driver) {
        messages().error(linkError);
        return 1;
    }
    setFtdiDriver(driver.get());
    Usb.setChooser(TfrmSelectKelvox::chooser());

    int rc;
    {
        TfrmMain main;
        TAboutBox about(&main);
        main.AboutBox = &about;
        main.show();
        StartDspBenchmark(&main);
        if (!options.tourDir.isEmpty()) {
            QString dir = options.tourDir;
            QTimer::singleShot(0, &main, [&main, dir] { main.RunTour(dir); });
        }
        rc = app.exec();
    }
    setFtdiDriver(nullptr);
    return rc;
}
