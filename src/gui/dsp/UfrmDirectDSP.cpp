#include "dsp/UfrmDirectDSP.h"

#include "shell/UIniData.h"

#include <QLabel>

namespace tarnix {

TfrmDirectDSP* frmDirectDSP = nullptr;

TfrmDirectDSP::TfrmDirectDSP(QWidget* parent)
    : LoaderConfirmDialog(parent, "frmDirectDSP", "DSP code and prarams direct to DSP") {
    frmDirectDSP = this;
    addText("RzLabel1",
            "This loads the DSP code, the filters, the AD603 calibration and so on straight to the "
            "DSP through the selected COM port, without the Kelvox:");
    addText("RzLabel_Port", QString::fromStdString(RegIniData.ComPort));
    addText("RzLabel2", "Then the default parameter set is applied to the DSP.");
    addButtons();
}

TfrmDirectDSP::~TfrmDirectDSP() {
    if (frmDirectDSP == this)
        frmDirectDSP = nullptr;
}

} // namespace tarnix
