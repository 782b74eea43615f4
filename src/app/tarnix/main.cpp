#include "shell/QtMessages.h"
#include "shell/Tour.h"
#include "shell/UfrmMain.h"

#include "base/Pacer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("tarnix");

    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption tour("tour", "Open every window in turn, write DIR/<window>.png and .txt, then quit.",
                            "DIR");
    QCommandLineOption demo("demo", "Run on simulated controllers with a throw-away demo set-up.");
    parser.addOption(tour);
    parser.addOption(demo);
    parser.process(app);

    tarnix::QtMessages messages;
    tarnix::setMessages(&messages);
    tarnix::setPump([] { QCoreApplication::processEvents(); });

    tarnix::TfrmMain main;
    main.show();

    if (parser.isSet(tour)) {
        QString dir = parser.value(tour);
        QTimer::singleShot(1000, [&] {
            int rc = tarnix::writeTourShot(&main, dir, "TfrmMain") ? 0 : 1;
            QCoreApplication::exit(rc);
        });
    }
    return app.exec();
}
