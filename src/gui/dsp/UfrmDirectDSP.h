#pragma once
// Confirmation of the direct loader: the DSP code and the default parameter set straight to the DSP
// over the serial port, without the controller.
#include "dsp/UfrmLoading.h"

namespace tarnix {

class TfrmDirectDSP : public LoaderConfirmDialog {
    Q_OBJECT
public:
    explicit TfrmDirectDSP(QWidget* parent = nullptr);
    ~TfrmDirectDSP() override;
};

// The live dialog, while one exists.
extern TfrmDirectDSP* frmDirectDSP;

} // namespace tarnix
