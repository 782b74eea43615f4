#include "shell/AppSetup.h"

#include "base/Files.h"
#include "shell/UIniData.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLockFile>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace tarnix {

AppOptions ParseAppOptions(const QStringList& args) {
    AppOptions o;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "--simulate")
            o.simulate = 1;
        else if (a.startsWith("--simulate=")) {
            bool ok = false;
            o.simulate = a.mid(11).toInt(&ok);
            if (!ok || o.simulate < 1 || o.simulate > 16)
                o.error = "--simulate=N needs a number from 1 to 16";
        } else if (a == "--demo")
            o.demo = true;
        else if (a == "--tour" || a == "--trace") {
            if (i + 1 >= args.size()) {
                o.error = a + " needs a value";
                break;
            }
            (a == "--tour" ? o.tourDir : o.trace) = args[++i];
        } else if (a.startsWith("--tour="))
            o.tourDir = a.mid(7);
        else if (a.startsWith("--trace="))
            o.trace = a.mid(8);
        else if (a == "--help" || a == "-h")
            o.help = true;
        else if (a.startsWith("-") && !a.startsWith("-platform") && !a.startsWith("--platform"))
            o.error = "unknown option " + a;
    }
    if (o.demo && o.simulate == 0)
        o.simulate = 1;
    return o;
}

struct InstanceLock::Impl {
    std::unique_ptr<QLockFile> lock;
};

InstanceLock::InstanceLock() : impl_(new Impl) {}
InstanceLock::~InstanceLock() = default;

bool InstanceLock::acquire() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    QDir().mkpath(dir);
    impl_->lock = std::make_unique<QLockFile>(dir + "/tarnix.lock");
    // A lock left by a crashed instance is taken over (QLockFile checks that its process is gone).
    return impl_->lock->tryLock(0);
}

static bool copyTree(const QString& from, const QString& to) {
    QDir src(from);
    if (!src.exists() || !QDir().mkpath(to))
        return false;
    QDirIterator it(from, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QString path = it.next();
        QString target = to + "/" + src.relativeFilePath(path);
        if (it.fileInfo().isDir()) {
            if (!QDir().mkpath(target))
                return false;
        } else {
            QDir().mkpath(QFileInfo(target).path());
            if (!QFile::copy(path, target))
                return false;
            QFile::setPermissions(target, QFile::permissions(target) | QFile::WriteOwner);
        }
    }
    return true;
}

std::unique_ptr<QTemporaryDir> PrepareDemo(QString* error) {
    auto tmp = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/tarnix-demo-XXXXXX");
    if (!tmp->isValid()) {
        *error = "cannot create a temporary folder for the demo";
        return nullptr;
    }
    const QString demo = QString::fromStdString(shareFolder()) + "/demo";
    const QString vantor = tmp->path() + "/Vantor";
    if (!copyTree(demo, vantor)) {
        *error = "cannot copy the demo Vantor folder " + demo;
        return nullptr;
    }
    for (const char* sub : {"config", "data", "run"})
        QDir().mkpath(tmp->path() + "/" + sub);
    QFile::setPermissions(tmp->path() + "/run", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_CONFIG_HOME", (tmp->path() + "/config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (tmp->path() + "/data").toLocal8Bit());
    qputenv("XDG_RUNTIME_DIR", (tmp->path() + "/run").toLocal8Bit());

    ResetIniData();
    LoadMainSettings();
    RegIniData.VantorFolder = vantor.toStdString();
    RegIniData.ComPort = "none";
    SaveMainSettings();
    // Room for the child windows; the loader still clamps this to the screen.
    RegIniData.MainWidth = 1200;
    RegIniData.MainHeight = 800;
    SaveMainCoordinates();
    return tmp;
}

} // namespace tarnix
