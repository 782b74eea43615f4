#include "dsp/UfrmCalCurve.h"

#include "base/Messages.h"
#include "config/UParams.h"
#include "dsp/CalCurve.h"
#include "link/UUsb.h"
#include "shell/UfrmMain.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <memory>

namespace tarnix {

TfrmCalCurve* frmCalCurve = nullptr;

TfrmCalCurve::TfrmCalCurve(QWidget* parent)
    : QDialog(parent), RzBitBtn_Load(new QPushButton("Send to Kelvox", this)),
      RzBitBtn_Exit(new QPushButton("&Exit", this)), RzBitBtn_Help(new QPushButton("Help", this)) {
    frmCalCurve = this;
    setObjectName("frmCalCurve");
    setWindowTitle("Load AD603 calibration the Kelvox");
    setModal(true);
    RzBitBtn_Load->setObjectName("RzBitBtn_Load");
    RzBitBtn_Exit->setObjectName("RzBitBtn_Exit");
    RzBitBtn_Help->setObjectName("RzBitBtn_Help");
    RzBitBtn_Help->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    auto text = [&](const char* name, const QString& t) {
        auto* l = new QLabel(t, this);
        l->setObjectName(name);
        l->setWordWrap(true);
        layout->addWidget(l);
    };
    text("RzLabel1",
         "This sends the AD603 calibration curve of Filters/AD603.dat in the Vantor folder to the "
         "internal EEPROM memory of the Kelvox.");
    text("RzLabel2", "The Kelvox uses the curve for its DSP monitor display.");
    layout->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addWidget(RzBitBtn_Help);
    row->addStretch(1);
    row->addWidget(RzBitBtn_Load);
    row->addWidget(RzBitBtn_Exit);
    layout->addLayout(row);
    setMinimumWidth(400);

    connect(RzBitBtn_Load, &QPushButton::clicked, this, &TfrmCalCurve::RzBitBtn_LoadClick);
    connect(RzBitBtn_Exit, &QPushButton::clicked, this, &QDialog::accept);
}

TfrmCalCurve::~TfrmCalCurve() {
    if (frmCalCurve == this)
        frmCalCurve = nullptr;
}

void TfrmCalCurve::Prepare() {
    std::unique_ptr<TParams> local;
    TParams* p = Params;
    if (!p) {
        local = std::make_unique<TParams>();
        p = local.get();
    }
    p->LoadAD603Table();
    std::copy(p->AD603Table.begin(), p->AD603Table.end(), CurveBytes.begin());
}

void TfrmCalCurve::RzBitBtn_LoadClick() {
    if (frmMain)
        frmMain->Request(SlotSendCalCurve);
}

void TfrmCalCurve::SendCalCurve() {
    if (tarnix::SendCalCurve(Usb, CurveBytes))
        messages().info(CalCurveSentText);
    else
        messages().warning(CalCurveFailedText);
}

} // namespace tarnix
