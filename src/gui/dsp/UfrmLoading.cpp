#include "dsp/UfrmLoading.h"

#include "base/Files.h"
#include "base/Messages.h"
#include "config/UParams.h"
#include "dsp/SerialPortSink.h"
#include "dsp/UfrmCalCurve.h"
#include "dsp/UfrmDirectDSP.h"
#include "link/UUsb.h"
#include "shell/LogError.h"
#include "shell/Tour.h"
#include "shell/UIniData.h"
#include "shell/UfrmMain.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>
#include <QTimer>
#include <QVBoxLayout>

namespace tarnix {

TfrmLoading* frmLoading = nullptr;

// --- confirmation dialogs --------------------------------------------------------------------

LoaderConfirmDialog::LoaderConfirmDialog(QWidget* parent, const QString& objectName, const QString& caption)
    : QDialog(parent), RzBitBtn_Proceed(new QPushButton("Proceed", this)),
      RzBitBtn_Cancel(new QPushButton("Cancel", this)), texts_(new QVBoxLayout) {
    setObjectName(objectName);
    setWindowTitle(caption);
    setModal(true);
    RzBitBtn_Proceed->setObjectName("RzBitBtn_Proceed");
    RzBitBtn_Cancel->setObjectName("RzBitBtn_Cancel");
    RzBitBtn_Proceed->setDefault(true);
    connect(RzBitBtn_Proceed, &QPushButton::clicked, this, &QDialog::accept);
    connect(RzBitBtn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(texts_);
    layout->addStretch(1);
    setMinimumWidth(440);
}

QLabel* LoaderConfirmDialog::addText(const QString& name, const QString& text) {
    auto* l = new QLabel(text, this);
    l->setObjectName(name);
    l->setWordWrap(true);
    texts_->addWidget(l);
    return l;
}

void LoaderConfirmDialog::addButtons(const QList<QPushButton*>& extra) {
    auto* row = new QHBoxLayout;
    for (QPushButton* b : extra)
        row->addWidget(b);
    row->addStretch(1);
    row->addWidget(RzBitBtn_Proceed);
    row->addWidget(RzBitBtn_Cancel);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

TfrmLoadCodeParams::TfrmLoadCodeParams(QWidget* parent)
    : LoaderConfirmDialog(parent, "frmLoadCodeParams", "Load DSP code and parameters ") {
    addText("RzLabel1", "This loads the DSP code, the filters, the AD603 calibration and so on into the "
                        "24LC512 EEPROM of the Kelvox, and the default green, red and yellow parameter "
                        "sets too.");
    addText("RzLabel2", "Loading is by USB.");
    addText("RzLabel3", "Press Proceed to load, or Cancel to leave the EEPROM as it is.");
    addButtons();
}

TfrmLoadCode::TfrmLoadCode(QWidget* parent)
    : LoaderConfirmDialog(parent, "frmLoadCode", "Load DSP code to Kelvox"),
      RzBitBtn1(new QPushButton("Proceed", this)), RzBitBtn2(new QPushButton("Cancel", this)) {
    RzBitBtn1->setObjectName("RzBitBtn1");
    RzBitBtn2->setObjectName("RzBitBtn2");
    connect(RzBitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(RzBitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    addText("RzLabel1", "This loads the DSP code, the filters, the AD603 calibration and so on into the "
                        "24LC512 EEPROM of the Kelvox.");
    addText("RzLabel2", "The parameter sets in the EEPROM are not changed. Loading is by USB.");
    auto* pair = new QHBoxLayout;
    pair->addStretch(1);
    pair->addWidget(RzBitBtn1);
    pair->addWidget(RzBitBtn2);
    static_cast<QVBoxLayout*>(layout())->addLayout(pair);
    addButtons();
}

TfrmLoadParams::TfrmLoadParams(QWidget* parent)
    : LoaderConfirmDialog(parent, "frmLoadParams", "Load DSP control parameters to Kelvox") {
    addText("RzLabel1", "This loads the default green, red and yellow DSP control parameter sets into the "
                        "24LC512 EEPROM of the Kelvox. The DSP code and the filters are not changed.");
    addText("RzLabel2", "Loading is by USB.");
    addButtons();
}

namespace {
// The program-wide parameter set, or one formed from the settings for a window shown without it.
TParams& paramsOrLocal(std::unique_ptr<TParams>& local) {
    if (Params)
        return *Params;
    if (!local)
        local = std::make_unique<TParams>();
    return *local;
}
} // namespace

TfrmDownloadParams::TfrmDownloadParams(QWidget* parent)
    : LoaderConfirmDialog(parent, "frmDownloadParams", "Download DSP control parameters from Kelvox"),
      RzLabel_ParamFile(nullptr), RzBitBtn_Backup(new QPushButton("Backup", this)),
      RzBitBtn_Help(new QPushButton("Help", this)) {
    std::unique_ptr<TParams> local;
    const std::string file = paramsOrLocal(local).UserParamFile;
    addText("RzLabel1", "This downloads the SSB and CW DSP control parameter sets of all three colours "
                        "(green, yellow and red) from the Kelvox");
    RzLabel_ParamFile = addText("RzLabel_ParamFile", "to file: " + QString::fromStdString(file));
    addText("RzLabel2", "The Kelvox keeps the parameter sets of its last download as a backup.");
    addText("RzLabel3", "The current file will be overwritten. Press Backup first to keep a copy of the "
                        "parameter files (.BAK).");
    RzBitBtn_Backup->setObjectName("RzBitBtn_Backup");
    RzBitBtn_Help->setObjectName("RzBitBtn_Help");
    RzBitBtn_Help->setEnabled(false);
    RzBitBtn_Backup->setAutoDefault(false);
    connect(RzBitBtn_Backup, &QPushButton::clicked, this, &TfrmDownloadParams::RzBitBtn_BackupClick);
    addButtons({RzBitBtn_Backup, RzBitBtn_Help});
}

void TfrmDownloadParams::RzBitBtn_BackupClick() {
    std::unique_ptr<TParams> local;
    TParams& p = paramsOrLocal(local);
    // A set that did not load whole is not a copy of the files (the loader has said why).
    if (!p.LoadParameterFiles())
        return;
    std::string error;
    if (!p.SaveParameterFiles(true, &error)) {
        messages().error("The parameter files could not be backed up: " + error);
        return;
    }
    messages().info("Parameter files backed up to:\r\n" + BackupPath(p.UserParamFile) + "\r\n" +
                    BackupPath(p.ExtraParamFile));
}

// --- loading window -----------------------------------------------------------------------------

TfrmLoading::TfrmLoading(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint | Qt::WindowStaysOnTopHint),
      RzLabel_bytes1(new QLabel(this)), RzLabel_bytes2(new QLabel(this)), RzLabel_bytes3(new QLabel(this)),
      RzLabel_bytes4(new QLabel(this)), RzLabel_checksum(new QLabel(this)),
      RzLabel_Checksum_PC(new QLabel(this)), RzLabel_Checksum_AVR(new QLabel(this)),
      RzBitBtn_Exit(new QPushButton("Exit", this)), Timer_LoadingStart(new QTimer(this)) {
    frmLoading = this;
    setObjectName("frmLoading");
    setModal(true);
    RzLabel_bytes1->setObjectName("RzLabel_bytes1");
    RzLabel_bytes2->setObjectName("RzLabel_bytes2");
    RzLabel_bytes3->setObjectName("RzLabel_bytes3");
    RzLabel_bytes4->setObjectName("RzLabel_bytes4");
    RzLabel_checksum->setObjectName("RzLabel_checksum");
    RzLabel_Checksum_PC->setObjectName("RzLabel_Checksum_PC");
    RzLabel_Checksum_AVR->setObjectName("RzLabel_Checksum_AVR");
    RzBitBtn_Exit->setObjectName("RzBitBtn_Exit");
    Timer_LoadingStart->setObjectName("Timer_LoadingStart");

    auto* layout = new QVBoxLayout(this);
    for (QLabel* l : {RzLabel_bytes1, RzLabel_bytes2, RzLabel_bytes3, RzLabel_bytes4, RzLabel_checksum,
                      RzLabel_Checksum_PC, RzLabel_Checksum_AVR}) {
        l->setVisible(false);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(l);
    }
    QFont bold = RzLabel_checksum->font();
    bold.setBold(true);
    RzLabel_checksum->setFont(bold);
    layout->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(RzBitBtn_Exit);
    layout->addLayout(row);
    setMinimumSize(460, 260);

    connect(RzBitBtn_Exit, &QPushButton::clicked, this, &QDialog::accept);
    Timer_LoadingStart->setInterval(500);
    Timer_LoadingStart->setSingleShot(true);
    connect(Timer_LoadingStart, &QTimer::timeout, this, &TfrmLoading::Timer_LoadingStartTimer);
}

TfrmLoading::~TfrmLoading() {
    if (frmLoading == this)
        frmLoading = nullptr;
}

void TfrmLoading::StartLoad(LoadTarget target, int flags) {
    QCoreApplication::processEvents();
    flags_ = flags;
    DoCode = flags & LoaderCode;
    DoParams = flags & LoaderParams;
    DoUpload = flags & LoaderUpload;
    RzBitBtn_Exit->setEnabled(false);
    Target = target;
    if (target == LoadTarget::Usb)
        setWindowTitle(flags >= LoaderUpload ? "Download params from Kelvox to PC default"
                                             : "Data to Kelvox EEPROM via USB");
    else
        setWindowTitle("Data to DSP via " + QString::fromStdString(RegIniData.ComPort));
    const std::string vantor = toPosixPath(RegIniData.VantorFolder);
    if (!LoadKvqIni() && fileExists(KvqIniReadPath(RegIniData.VantorFolder)))
        LogError(51, KvqIniReadPath(RegIniData.VantorFolder), "kvq.ini cannot be read", 0, 0, 0, 0);
    paths_ = loadPaths(vantor, KvqIniData.DspFile);
    CodeFile = paths_.codeFile;
    FilterListFile = paths_.filterListFile;
}

void TfrmLoading::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!started_)
        Timer_LoadingStart->start();
}

void TfrmLoading::closeEvent(QCloseEvent* e) {
    // The load is not interrupted half-way; Exit is there when it is done.
    if (working_)
        e->ignore();
    else
        QDialog::closeEvent(e);
}

void TfrmLoading::reject() {
    if (!working_ && RzBitBtn_Exit->isEnabled())
        QDialog::reject();
}

void TfrmLoading::showView(const LoaderView& v) {
    const std::pair<QLabel*, const LoaderLabel*> labels[] = {
        {RzLabel_bytes1, &v.bytes1},
        {RzLabel_bytes2, &v.bytes2},
        {RzLabel_bytes3, &v.bytes3},
        {RzLabel_bytes4, &v.bytes4},
        {RzLabel_checksum, &v.checksum},
        {RzLabel_Checksum_PC, &v.checksumPc},
        {RzLabel_Checksum_AVR, &v.checksumAvr},
    };
    for (const auto& [label, l] : labels) {
        label->setText(QString::fromStdString(l->text));
        label->setVisible(l->visible);
    }
}

void TfrmLoading::Timer_LoadingStartTimer() {
    Timer_LoadingStart->stop();
    if (started_)
        return;
    started_ = true;
    QCoreApplication::processEvents();
    if (DoCode) {
        if (!LoadCode())
            done(ResultAbort);
    } else if (DoParams) {
        LoadParamsOnly();
    } else if (DoUpload) {
        UploadParams();
    }
}

bool TfrmLoading::LoadCode() {
    run(&tarnix::LoadCode);
    if (result_.refused) {
        if (!result_.refusal.logged)
            messages().warning(result_.refusal.message);
        return false;
    }
    return true;
}

void TfrmLoading::LoadParamsOnly() {
    run(&tarnix::LoadParamsOnly);
}

void TfrmLoading::UploadParams() {
    run(&tarnix::UploadParams);
}

void TfrmLoading::run(LoaderResult (*step)(const LoaderRequest&, const LoaderViewFn&)) {
    working_ = true;
    TParams& params = params_ ? *params_ : paramsOrLocal(ownParams_);
    QSerialPort* port = serialPort_;
    std::unique_ptr<QSerialPort> ownPort;
    if (!port && Target == LoadTarget::Serial) {
        if (frmMain)
            port = frmMain->VantorComPort;
        else {
            ownPort = std::make_unique<QSerialPort>();
            port = ownPort.get();
        }
    }
    std::unique_ptr<SerialPortSink> sink;
    if (port)
        sink = std::make_unique<SerialPortSink>(port, QString::fromStdString(RegIniData.ComPort));

    LoaderRequest req;
    req.target = Target;
    req.flags = flags_;
    req.paths = paths_;
    req.params = &params;
    req.usb = &Usb;
    req.serial = sink.get();
    result_ = step(req, [this](const LoaderView& v) { showView(v); });
    working_ = false;
    PcChecksum = result_.pcChecksum;
    KelvoxChecksum = result_.kelvoxChecksum;
    if (result_.refused)
        return;
    if (sink && !sink->error().isEmpty() && result_.failed)
        messages().error("The serial port " + port->portName().toStdString() +
                         " failed: " + sink->error().toStdString());
    RzBitBtn_Exit->setEnabled(true);
}

// --- tour ---------------------------------------------------------------------------------------

void addLoaderTourStops(QList<TourStop>& stops, QWidget* owner) {
    stops.append({"TfrmLoadCodeParams", [owner]() -> QWidget* { return new TfrmLoadCodeParams(owner); }, {}});
    stops.append({"TfrmLoadCode", [owner]() -> QWidget* { return new TfrmLoadCode(owner); }, {}});
    stops.append({"TfrmLoadParams", [owner]() -> QWidget* { return new TfrmLoadParams(owner); }, {}});
    stops.append({"TfrmDownloadParams", [owner]() -> QWidget* { return new TfrmDownloadParams(owner); }, {}});
    stops.append({"TfrmDirectDSP", [owner]() -> QWidget* { return new TfrmDirectDSP(owner); }, {}});
    stops.append({"TfrmCalCurve",
                  [owner]() -> QWidget* {
                      auto* w = new TfrmCalCurve(owner);
                      w->Prepare();
                      return w;
                  },
                  {}});
    // The parameter sets into the controller, run as slot 50 runs it: with the scheduler held.
    stops.append({"TfrmLoading",
                  [owner]() -> QWidget* {
                      auto* w = new TfrmLoading(owner);
                      w->StartLoad(LoadTarget::Usb, LoaderParams);
                      const bool held = frmMain && frmMain->Timer_USBqueue->isActive();
                      if (held)
                          frmMain->Timer_USBqueue->stop();
                      w->Timer_LoadingStartTimer();
                      if (held)
                          frmMain->Timer_USBqueue->start();
                      return w;
                  },
                  {}});
}

} // namespace tarnix
