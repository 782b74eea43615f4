#include "shell/UfrmMain.h"

#include "base/Files.h"
#include "base/Messages.h"
#include "base/Pacer.h"
#include "config/UEememIni.h"
#include "config/UParams.h"
#include "config/UfrmParamFile.h"
#include "dsp/LoaderRun.h"
#include "dsp/UfrmCalCurve.h"
#include "dsp/UfrmDSP.h"
#include "dsp/UfrmDirectDSP.h"
#include "dsp/UfrmLoading.h"
#include "link/D2XXUnit.h"
#include "link/UUsb.h"
#include "link/UfrmSelectKelvox.h"
#include "shell/CfgUnit.h"
#include "shell/Globals.h"
#include "shell/StatusPoll.h"
#include "shell/Tour.h"
#include "shell/UAboutBox.h"
#include "shell/UIniData.h"
#include "shell/UfrmComSel.h"
#include "shell/UfrmSelectVantorDir.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDesktopServices>
#include <QEventLoop>
#include <QLabel>
#include <QLocale>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>
#include <QSerialPort>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <cstdio>

namespace tarnix {

TfrmMain* frmMain = nullptr;

std::function<void(const QString&)>& TfrmMain::WebPageOpener() {
    static std::function<void(const QString&)> opener = [](const QString& url) {
        QDesktopServices::openUrl(QUrl(url));
    };
    return opener;
}

namespace {
// A status pane asks for its design width but gives way, clipping its text, when the window is narrower.
class StatusPane : public QLabel {
public:
    StatusPane(QWidget* parent, int designWidth) : QLabel(parent), width_(designWidth) {}
    QSize sizeHint() const override {
        QSize s = QLabel::sizeHint();
        return width_ > 0 ? QSize(width_, s.height()) : s;
    }
    QSize minimumSizeHint() const override { return QSize(20, QLabel::minimumSizeHint().height()); }

private:
    int width_;
};
} // namespace

TfrmMain::TfrmMain(QWidget* parent)
    : QMainWindow(parent), RzStatusPane_left(new StatusPane(this, 330)),
      RzStatusPane_Kelvox(new StatusPane(this, 120)), RzStatusPane_COM(new StatusPane(this, 0)),
      RzClockStatus1(new QLabel(this)), Timer_Startup(new QTimer(this)), Timer_USBstatus(new QTimer(this)),
      Timer_USBqueue(new QTimer(this)), VantorComPort(new QSerialPort(this)), Menu_Window(nullptr),
      AboutBox(nullptr), mdiArea_(new QMdiArea(this)), clockTimer_(new QTimer(this)) {
    frmMain = this;
    setObjectName("frmMain");
    VantorComPort->setObjectName("VantorComPort");
    Timer_Startup->setObjectName("Timer_Startup");
    Timer_USBstatus->setObjectName("Timer_USBstatus");
    Timer_USBqueue->setObjectName("Timer_USBqueue");
    setCentralWidget(mdiArea_);
    buildMenus();
    buildToolBar();
    buildStatusBar();

    // Creation, in this order.
    ClosingDown = false;
    Queue.USBqueuePos = 0;
    setWindowTitle(" TARNIX");
    EnsureSettingsKey();
    QSize screen =
        QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->size() : QSize(1024, 768);
    LoadMainCoordinates(screen.width(), screen.height());
    move(RegIniData.MainLeft, RegIniData.MainTop);
    resize(RegIniData.MainWidth, RegIniData.MainHeight);
    LoadCalSummCoordinates(screen.width(), screen.height());
    LoadDebugWidths();
    LoadMainSettings();
    LoadDebugOptions();
    LoadKvqIni();
    ReadEememIni();
    delete Params;
    Params = new TParams();
    Queue.ClearUsbQueue();
    NeedVersion = true;
    DspTelemetryRoute = RouteFromSetting(RegIniData.DspTelemetry);

    Queue.setOperation(SlotPollUsbStatus, [this] { PollUsbStatus(); });
    Queue.setOperation(SlotRunCodeParamsLoad, [this] { RunCodeParamsLoad(); });
    Queue.setOperation(SlotRunCodeOnlyLoad, [this] { RunCodeOnlyLoad(); });
    Queue.setOperation(SlotRunParamsOnlyLoad, [this] { RunParamsOnlyLoad(); });
    Queue.setOperation(SlotRunParamsUpload, [this] { RunParamsUpload(); });
    Queue.setOperation(
        SlotSendCalCurve, [] { frmCalCurve->SendCalCurve(); }, [] { return frmCalCurve != nullptr; });

    Timer_Startup->setInterval(200);
    Timer_Startup->setSingleShot(true);
    Timer_USBstatus->setInterval(500);
    Timer_USBqueue->setInterval(10);
    connect(Timer_Startup, &QTimer::timeout, this, &TfrmMain::Timer_StartupTimer);
    connect(Timer_USBstatus, &QTimer::timeout, this, &TfrmMain::Timer_USBstatusTimer);
    connect(Timer_USBqueue, &QTimer::timeout, this, &TfrmMain::Timer_USBqueueTimer);
    Timer_USBqueue->start();

    QCoreApplication::processEvents();
    Timer_Startup->start();
}

TfrmMain::~TfrmMain() {
    if (frmMain == this)
        frmMain = nullptr;
    delete Params;
    Params = nullptr;
}

void TfrmMain::buildStatusBar() {
    RzStatusPane_left->setObjectName("RzStatusPane_left");
    RzStatusPane_Kelvox->setObjectName("RzStatusPane_Kelvox");
    RzStatusPane_COM->setObjectName("RzStatusPane_COM");
    RzClockStatus1->setObjectName("RzClockStatus1");
    RzStatusPane_left->setMaximumWidth(330);
    RzStatusPane_Kelvox->setMaximumWidth(120);
    for (QLabel* pane : {RzStatusPane_left, RzStatusPane_Kelvox, RzStatusPane_COM, RzClockStatus1})
        pane->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    statusBar()->addWidget(RzStatusPane_left);
    statusBar()->addWidget(RzStatusPane_Kelvox);
    statusBar()->addWidget(RzStatusPane_COM, 1);
    statusBar()->addPermanentWidget(RzClockStatus1);
    auto tickClock = [this] {
        QDateTime now = QDateTime::currentDateTime();
        QLocale l;
        RzClockStatus1->setText(l.toString(now.date(), QLocale::ShortFormat) + " " +
                                l.toString(now.time(), QLocale::ShortFormat));
    };
    tickClock();
    connect(clockTimer_, &QTimer::timeout, this, tickClock);
    clockTimer_->start(1000);
}

void TfrmMain::buildToolBar() {
    QToolBar* bar = addToolBar("Tools");
    bar->setObjectName("ToolBar1");
    bar->setMovable(false);
    auto button = [&](const char* name, const char* caption) {
        auto* b = new QToolButton(bar);
        b->setObjectName(name);
        b->setText(caption);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setMinimumWidth(60);
        bar->addWidget(b);
        // The three MDI children arrive with their own windows; until then the buttons do nothing.
        b->setEnabled(false);
        return b;
    };
    RzBitBtn_Debug = button("RzBitBtn_Debug", "Debug");
    RzBitBtn_DSP = button("RzBitBtn_DSP", "DSP");
    RzBitBtn_DDS = button("RzBitBtn_DDS", "DDS");
    RzBitBtn_DSP->setEnabled(true);
    connect(RzBitBtn_DSP, &QToolButton::clicked, this, &TfrmMain::RzBitBtn_DSPClick);
}

void TfrmMain::RzBitBtn_DSPClick() {
    if (!VantorFolderExists() || !Params || !Params->LoadParameterFiles())
        return;
    TfrmDSP::Open(this);
}

QAction* TfrmMain::addItem(QMenu* menu, const QString& caption, const QString& name, std::function<void()> fn,
                           bool available) {
    QAction* a = menu->addAction(caption);
    a->setObjectName(name);
    available_[a] = available;
    a->setEnabled(available);
    if (fn)
        connect(a, &QAction::triggered, this, [fn] { fn(); });
    return a;
}

QAction* TfrmMain::action(const QString& objectName) const {
    return findChild<QAction*>(objectName);
}

void TfrmMain::buildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");

    QMenu* file = bar->addMenu("&File");
    file->setObjectName("Menu_File");
    addItem(file, "&Exit", "MI_Exit", [this] { close(); });

    QMenu* view = bar->addMenu("View");
    view->setObjectName("Menu_View");

    QMenu* tools = bar->addMenu("&Tools");
    tools->setObjectName("Menu_Tools");
    addItem(tools, "&Internet updates", "MI_InternetUpdates", {}, false);
    QMenu* loaders = tools->addMenu("&DSP EEPROM loaders (USB) ");
    loaders->setObjectName("Menu_DspLoaders");
    loaders->menuAction()->setObjectName("MI_DspLoaders");
    available_[loaders->menuAction()] = true;
    linkItems_ << loaders->menuAction();
    // The loaders check the Vantor folder and leave the rest to their scheduler slot.
    auto loader = [this](int slot) {
        return [this, slot] {
            if (VantorFolderExists())
                Request(slot);
        };
    };
    addItem(loaders, "Code &And params to Kelvox", "MI_CodeAndParams", loader(SlotRunCodeParamsLoad));
    addItem(loaders, "&Params only to Kelvox", "MI_ParamsOnly", loader(SlotRunParamsOnlyLoad));
    addItem(loaders, "&Code only to Kelvox", "MI_CodeOnly", loader(SlotRunCodeOnlyLoad));
    addItem(loaders, "&Upload params from Kelvox", "MI_UploadParams", loader(SlotRunParamsUpload));
    addItem(loaders, "AD603 calibration to Kelvox", "MI_AD603", [this] { MI_AD603Click(); });
    directLoaderItem_ =
        addItem(tools, "DSP direct loader (comport)", "MI_DirectLoader", [this] { MI_DirectLoaderClick(); });
    // Enabled by OpenComPort once the serial port is open.
    directLoaderItem_->setEnabled(false);
    addItem(tools, "Kelvox port diagnostic", "MI_PortDiagnostic", {}, false);
    addItem(tools, "Program TFT colour display flash", "MI_TftFlash", {}, false);

    QMenu* setup = bar->addMenu("&Setup");
    setup->setObjectName("Menu_Setup");
    addItem(setup, "&COM port", "MI_COMport", [this] { MI_COMportClick(); });
    addItem(setup, "&USB connection", "MI_USBconnection", [this] { MI_USBconnectionClick(); });
    addItem(setup, "Set Vantor &Folder name", "MI_VantorFolder", [this] { MI_VantorFolderClick(); });
    addItem(setup, "Select DSP &Parameter file", "MI_ParamFile", [this] { MI_ParamFileClick(); });
    linkItems_ << addItem(setup, "&DDS clock, Offsets", "MI_DdsClock", {}, false);
    linkItems_ << addItem(setup, "Load/Save &EEMEM", "MI_Eemem", {}, false);
    linkItems_ << addItem(setup, "&Hardware config", "MI_Hardware", {}, false);
    QMenu* swr = setup->addMenu("&SWR calibration");
    swr->setObjectName("Menu_Swr");
    swr->menuAction()->setObjectName("MI_SwrCalibration");
    available_[swr->menuAction()] = true;
    linkItems_ << swr->menuAction();
    addItem(swr, "Forward power calibration", "MI_FwdCal", {}, false);
    addItem(swr, "Reflected power calibration", "MI_RefCal", {}, false);
    addItem(swr, "Power calibration summary", "MI_CalSummary", {}, false);
    addItem(setup, "&I2C bus devices", "MI_I2C", {}, false);
    linkItems_ << addItem(setup, "Real Time Clock", "MI_Rtc", {}, false);
    linkItems_ << addItem(setup, "Lumo I2C address", "MI_LumoAddress", {}, false);
    linkItems_ << addItem(setup, "Lumo Xmega User Sig Row", "MI_LumoSigRow", {}, false);

    QMenu* web = bar->addMenu("&Website links");
    web->setObjectName("Menu_Website");
    int n = 0;
    for (const WebLink& link : WebsiteLinks()) {
        QString url = QString::fromStdString(link.url);
        addItem(web, QString::fromStdString(link.caption), QString("MI_Web%1").arg(++n),
                [this, url] { ShowWebPage(url); });
    }
    addItem(web, "&About", "MI_About", [this] {
        if (AboutBox)
            AboutBox->exec();
    });

    QMenu* db = bar->addMenu("Database");
    db->setObjectName("Menu_Database");
    addItem(db, "Users' projects browser", "MI_ProjectsBrowser", {}, false);

    QMenu* manual = bar->addMenu("Vantor-manual");
    manual->setObjectName("Menu_Manual");
    n = 0;
    for (const WebLink& chapter : ManualChapters()) {
        QString url = QString::fromStdString(chapter.url);
        addItem(manual, QString::fromStdString(chapter.caption), QString("MI_Manual%1").arg(++n),
                [this, url] { ShowWebPage(url); });
    }

    Menu_Window = bar->addMenu("Window");
    Menu_Window->setObjectName("Menu_Window");
    // The window list follows the MDI children, so the menu is rebuilt each time it opens.
    connect(Menu_Window, &QMenu::aboutToShow, this, [this] {
        Menu_Window->clear();
        QAction* tile = Menu_Window->addAction("Tile", mdiArea_, &QMdiArea::tileSubWindows);
        tile->setObjectName("MI_Tile");
        QAction* cascade = Menu_Window->addAction("Cascade", mdiArea_, &QMdiArea::cascadeSubWindows);
        cascade->setObjectName("MI_Cascade");
        const auto windows = mdiArea_->subWindowList();
        if (!windows.isEmpty())
            Menu_Window->addSeparator();
        for (QMdiSubWindow* w : windows) {
            QAction* a =
                Menu_Window->addAction(w->windowTitle(), w, [this, w] { mdiArea_->setActiveSubWindow(w); });
            a->setCheckable(true);
            a->setChecked(w == mdiArea_->activeSubWindow());
        }
    });
    emit Menu_Window->aboutToShow();
}

void TfrmMain::setLinkItems(bool enabled) {
    for (QAction* a : linkItems_)
        a->setEnabled(enabled && available_.value(a, false));
}

void TfrmMain::setPane(QLabel* pane, const QString& text, const QString& colour, bool strikeOut) {
    pane->setText(text);
    QFont f = pane->font();
    f.setBold(false);
    f.setItalic(false);
    f.setStrikeOut(strikeOut);
    pane->setFont(f);
    pane->setStyleSheet(QString("color: %1;").arg(colour));
}

void TfrmMain::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (AboutBox)
        AboutBox->Label_Version->setText(QString("Version: ") + ProgramVersion);
}

void TfrmMain::Timer_StartupTimer() {
    ErrorReportEnabled = false;
    Timer_Startup->stop();
    FormTempFiles();
    Timer_USBstatus->start();
    // The first poll goes out now rather than one status period later, so the link shows at once.
    Timer_USBstatusTimer();
    OpenComPort();
}

void TfrmMain::Timer_USBstatusTimer() {
    if (!ClosingDown)
        Queue.request(SlotPollUsbStatus);
}

void TfrmMain::Timer_USBqueueTimer() {
    Timer_USBqueue->stop();
    Queue.tick(Usb.IsOpen);
    // The program may be ending inside a slot (a modal dialog's "Exit Tarnix").
    if (frmMain == this)
        Timer_USBqueue->start();
}

void TfrmMain::PollUsbStatus() {
    StatusPollResult r = tarnix::PollUsbStatus(Usb, Queue, NeedVersion);
    RzStatusPane_left->setText(QString::fromStdString(r.leftText));
    if (r.kelvoxText) {
        setPane(RzStatusPane_Kelvox, QString::fromStdString(*r.kelvoxText), "black");
        reportReadyForBenchmark();
    }
    if (r.clearKelvox)
        RzStatusPane_Kelvox->clear();
    setLinkItems(r.linkUp);
}

// The start-up benchmark asks for the wall-clock time at which the controller was first reported ready.
void TfrmMain::reportReadyForBenchmark() {
    static bool reported = false;
    const QByteArray mode = qgetenv("TARNIX_BENCH_READY");
    if (reported || mode.isEmpty())
        return;
    reported = true;
    std::printf("ready-epoch-ns %lld\n",
                static_cast<long long>(QDateTime::currentMSecsSinceEpoch()) * 1000000LL);
    std::fflush(stdout);
    if (mode == "exit")
        QTimer::singleShot(0, this, &QWidget::close);
}

void TfrmMain::ToggleMox() {
    tarnix::ToggleMox(Usb, DspTelemetryRoute);
}

bool TfrmMain::VantorFolderExists() {
    if (folderExists(toPosixPath(RegIniData.VantorFolder)))
        return true;
    messages().warning("Cannot find your Vantor folder :  " + RegIniData.VantorFolder);
    return false;
}

void TfrmMain::ShowWebPage(const QString& url) {
    if (WebPageOpener())
        WebPageOpener()(url);
}

void TfrmMain::OpenComPort() {
    const QString name = QString::fromStdString(RegIniData.ComPort);
    auto setDirectLoader = [this](bool on) {
        directLoaderItem_->setEnabled(on && available_.value(directLoaderItem_, false));
    };
    if (name == "none") {
        VantorComPort->close();
        ComPortOpen = false;
        setDirectLoader(false);
        setPane(RzStatusPane_COM, "No COM port", "red");
        return;
    }
    RzStatusPane_COM->setText(name);
    VantorComPort->close();
    ComPortOpen = false;
    VantorComPort->setPortName(name);
    VantorComPort->setBaudRate(QSerialPort::Baud9600);
    VantorComPort->setDataBits(QSerialPort::Data8);
    VantorComPort->setParity(QSerialPort::NoParity);
    VantorComPort->setStopBits(QSerialPort::OneStop);
    VantorComPort->setFlowControl(QSerialPort::NoFlowControl);
    if (!name.isEmpty() && VantorComPort->open(QIODevice::ReadWrite)) {
        VantorComPort->setDataTerminalReady(false);
        VantorComPort->setRequestToSend(false);
        ComPortOpen = true;
        setDirectLoader(true);
        setPane(RzStatusPane_left, RzStatusPane_left->text(), "black");
        setPane(RzStatusPane_COM, name, "black");
        return;
    }
    VantorComPort->close();
    ComPortOpen = false;
    setDirectLoader(false);
    messages().error(
        "Failed to open serial port " + name.toStdString() +
        "\r\nThis port may not exist on you computer\r\nIf so please select another port or select "
        "'none'\r\n    Press OK:");
    setPane(RzStatusPane_COM, name, "red", true);
}

void TfrmMain::MI_COMportClick() {
    {
        TfrmComSel dialog(this);
        dialog.exec();
    }
    OpenComPort();
}

void TfrmMain::MI_USBconnectionClick() {
    TSetupForm dialog(this);
    dialog.exec();
}

void TfrmMain::MI_VantorFolderClick() {
    TfrmSelectVantorDir dialog(this);
    dialog.exec();
}

void TfrmMain::MI_ParamFileClick() {
    TfrmParamFile::Execute(this);
}

void TfrmMain::runLoad(QDialog* confirm, LoadTarget target, int flags) {
    const int answer = confirm->exec();
    delete confirm;
    if (answer != QDialog::Accepted)
        return;
    auto* w = new TfrmLoading(this);
    w->StartLoad(target, flags);
    w->exec();
    delete w;
}

void TfrmMain::RunCodeParamsLoad() {
    runLoad(new TfrmLoadCodeParams(this), LoadTarget::Usb, LoaderCode | LoaderParams);
}

void TfrmMain::RunCodeOnlyLoad() {
    runLoad(new TfrmLoadCode(this), LoadTarget::Usb, LoaderCode);
}

void TfrmMain::RunParamsOnlyLoad() {
    runLoad(new TfrmLoadParams(this), LoadTarget::Usb, LoaderParams);
}

void TfrmMain::RunParamsUpload() {
    runLoad(new TfrmDownloadParams(this), LoadTarget::Usb, LoaderUpload);
}

void TfrmMain::MI_AD603Click() {
    if (!VantorFolderExists())
        return;
    auto* w = new TfrmCalCurve(this);
    w->Prepare();
    w->exec();
    delete w;
}

void TfrmMain::MI_DirectLoaderClick() {
    if (!ComPortOpen)
        return;
    runLoad(new TfrmDirectDSP(this), LoadTarget::Serial, LoaderCode | LoaderParams);
}

void TfrmMain::closeEvent(QCloseEvent* e) {
    ClosingDown = true;
    RegIniData.MainTop = y();
    RegIniData.MainLeft = x();
    RegIniData.MainWidth = width();
    RegIniData.MainHeight = height();
    SaveMainCoordinates();
    if (frmDSP)
        frmDSP->close(); // it goes after its delay; the program does not wait for it
    e->accept();
}

static void waitMs(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The windows of the shell itself, shown without blocking for their picture.
static void addShellTourStops(QList<TourStop>& stops, TfrmMain* main) {
    stops.prepend({"TAboutBox", [main]() -> QWidget* { return new TAboutBox(main); }, {}});
    stops.prepend({"TSetupForm", [main]() -> QWidget* { return new TSetupForm(main); }, {}});
    stops.prepend(
        {"TfrmSelectVantorDir", [main]() -> QWidget* { return new TfrmSelectVantorDir(main); }, {}});
    stops.prepend(
        {"TfrmSelectKelvox",
         [main]() -> QWidget* {
             auto* d = new TfrmSelectKelvox(main);
             d->setEntries({{0, "SIM00001", "KELVOX simulator"}, {1, "SIM00002", "KELVOX simulator"}});
             return d;
         },
         {}});
    stops.prepend({"TfrmParamFile", [main]() -> QWidget* { return new TfrmParamFile(main); }, {}});
    stops.prepend({"TfrmComSel", [main]() -> QWidget* { return new TfrmComSel(main); }, {}});
}

void TfrmMain::RunTour(const QString& dir) {
    waitMs(1000);
    // The first status poll and the version query come within about a second; give them a little more.
    for (int i = 0; i < 20 && NeedVersion; ++i)
        waitMs(100);
    bool ok = writeTourShot(this, dir, "TfrmMain");
    RegisterDspTourStops();
    QList<TourStop> stops = tourStops();
    addShellTourStops(stops, this);
    addLoaderTourStops(stops, this);
    for (const TourStop& stop : stops) {
        QWidget* w = stop.open();
        if (!w)
            continue;
        w->show();
        waitMs(1000);
        ok = writeTourShot(w, dir, stop.windowClass) && ok;
        if (stop.close)
            stop.close(w);
        else {
            w->close();
            delete w;
        }
    }
    QCoreApplication::exit(ok ? 0 : 1);
}

} // namespace tarnix
