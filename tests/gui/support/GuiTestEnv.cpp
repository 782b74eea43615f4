#include "support/GuiTestEnv.h"

#include "link/D2XXUnit.h"
#include "shell/AppSetup.h"
#include "shell/UIniData.h"
#include "sim/SimFtdiDriver.h"

#include "base/Files.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QThread>

namespace tarnix {

GuiTestEnv::GuiTestEnv(int controllers) {
    for (const char* sub : {"config", "data", "run"})
        QDir().mkpath(dir_.path() + "/" + sub);
    QFile::setPermissions(dir_.path() + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_CONFIG_HOME", (dir_.path() + "/config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (dir_.path() + "/data").toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (dir_.path() + "/run").toLocal8Bit());
    ResetIniData();
    setMessages(&messages);
    setPacer(&clock);
    if (controllers > 0) {
        sim_ = std::make_unique<SimFtdiDriver>(controllers);
        setFtdiDriver(sim_.get());
    } else {
        setFtdiDriver(nullptr);
    }
}

GuiTestEnv::~GuiTestEnv() {
    setFtdiDriver(nullptr);
    setPacer(nullptr);
    setMessages(nullptr);
}

QString GuiTestEnv::useDemoVantorFolder() {
    const QString from = TARNIX_DEMO_DIR;
    const QString to = dir_.path() + "/Vantor";
    QDir src(from);
    QDirIterator it(from, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QString p = it.next();
        QString target = to + "/" + src.relativeFilePath(p);
        QDir().mkpath(QFileInfo(target).path());
        QFile::copy(p, target);
        QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner);
    }
    QDir().mkpath(to);
    LoadMainSettings();
    RegIniData.VantorFolder = to.toStdString();
    SaveMainSettings();
    return to;
}

bool waitFor(const std::function<bool()>& pred, int ms) {
    QDeadlineTimer deadline(ms);
    while (!pred()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

} // namespace tarnix
