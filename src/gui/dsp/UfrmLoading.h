#pragma once
// The loading window of the DSP loaders and the confirmation dialogs shown before it.
//
// The main window's loader slots show a confirmation dialog and, on Proceed, the loading window
// modally; both run inside the scheduler tick, so no other controller transaction interleaves.
#include "dsp/LoadImage.h"
#include "dsp/LoaderRun.h"

#include <QDialog>
#include <QList>
#include <memory>

class QLabel;
class QPushButton;
class QSerialPort;
class QTimer;
class QVBoxLayout;

namespace tarnix {

class TParams;
struct TourStop;

// Proceed closes with OK, Cancel with Cancel; the dialogs hold only text.
class LoaderConfirmDialog : public QDialog {
    Q_OBJECT
public:
    LoaderConfirmDialog(QWidget* parent, const QString& objectName, const QString& caption);

    QPushButton* RzBitBtn_Proceed;
    QPushButton* RzBitBtn_Cancel;

protected:
    // Adds a paragraph of the dialog's text; returns its label.
    QLabel* addText(const QString& name, const QString& text);
    // The button row, added last by each dialog.
    void addButtons(const QList<QPushButton*>& extra = {});

private:
    QVBoxLayout* texts_;
};

class TfrmLoadCodeParams : public LoaderConfirmDialog {
    Q_OBJECT
public:
    explicit TfrmLoadCodeParams(QWidget* parent = nullptr);
};

class TfrmLoadCode : public LoaderConfirmDialog {
    Q_OBJECT
public:
    explicit TfrmLoadCode(QWidget* parent = nullptr);
    // A second Proceed / Cancel pair, acting like the first.
    QPushButton* RzBitBtn1;
    QPushButton* RzBitBtn2;
};

class TfrmLoadParams : public LoaderConfirmDialog {
    Q_OBJECT
public:
    explicit TfrmLoadParams(QWidget* parent = nullptr);
};

class TfrmDownloadParams : public LoaderConfirmDialog {
    Q_OBJECT
public:
    explicit TfrmDownloadParams(QWidget* parent = nullptr);

    QLabel* RzLabel_ParamFile; // "to file: " + the user's parameter file
    QPushButton* RzBitBtn_Backup;
    QPushButton* RzBitBtn_Help; // disabled

    // Reads the parameter files and writes them again as ".BAK" copies.
    void RzBitBtn_BackupClick();
};

// The loading window: progress and results of one load, open until Exit.
class TfrmLoading : public QDialog {
    Q_OBJECT
public:
    // Exit closes with QDialog::Accepted; a load that could not start (a missing or refused file)
    // closes the window by itself with ResultAbort.
    enum { ResultAbort = 3 };

    explicit TfrmLoading(QWidget* parent = nullptr);
    ~TfrmLoading() override;

    // Prepares the window before it is shown: flags are LoaderFlags (code 1, parameters 2, upload 4).
    void StartLoad(LoadTarget target, int flags);
    // The work, 500 ms after the window is shown (or at once when called): LoadCode, else
    // LoadParamsOnly, else UploadParams.
    void Timer_LoadingStartTimer();
    // Builds the image and sends it (with the parameter sets when asked); false when a file is
    // missing or refused (the user has been told; nothing was sent).
    bool LoadCode();
    void LoadParamsOnly();
    void UploadParams();

    // The serial port of the serial target; the main window's VantorComPort unless set.
    void setSerialPort(QSerialPort* port) { serialPort_ = port; }
    // The parameter set used; the program-wide one unless set.
    void setParams(TParams* params) { params_ = params; }

    QLabel* RzLabel_bytes1;
    QLabel* RzLabel_bytes2;
    QLabel* RzLabel_bytes3;
    QLabel* RzLabel_bytes4;
    QLabel* RzLabel_checksum;
    QLabel* RzLabel_Checksum_PC;
    QLabel* RzLabel_Checksum_AVR;
    QPushButton* RzBitBtn_Exit;
    QTimer* Timer_LoadingStart;

    std::string CodeFile;
    std::string FilterListFile;
    LoadTarget Target = LoadTarget::Usb;
    bool DoCode = false, DoParams = false, DoUpload = false;
    uint16_t PcChecksum = 0;
    uint16_t KelvoxChecksum = 0;

    // What the last run did (for the caller and the tests).
    const LoaderResult& result() const { return result_; }
    bool working() const { return working_; }

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    void showView(const LoaderView& v);
    // Runs one step of the loader on this window's link, port and parameter set.
    void run(LoaderResult (*step)(const LoaderRequest&, const LoaderViewFn&));

    int flags_ = 0;
    LoadPaths paths_;
    bool started_ = false;
    bool working_ = false;
    LoaderResult result_;
    QSerialPort* serialPort_ = nullptr;
    TParams* params_ = nullptr;
    std::unique_ptr<TParams> ownParams_;
};

// The live loading window, while one exists.
extern TfrmLoading* frmLoading;

// The loader windows for the tour: the four confirmation dialogs and a parameter load against the
// controller (run with the scheduler held, as its slot would).
void addLoaderTourStops(QList<TourStop>& stops, QWidget* owner);

} // namespace tarnix
