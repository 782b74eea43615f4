#pragma once
#include "dsp/LoadImage.h"
#include "shell/UsbQueue.h"

#include <QMainWindow>
#include <QMap>
#include <functional>

class QAction;
class QDialog;
class QLabel;
class QMdiArea;
class QMenu;
class QSerialPort;
class QTimer;
class QToolButton;

namespace tarnix {

class TAboutBox;

// The MDI frame: menus, tool bar, status bar, the serial port to the DSP and the request scheduler.
class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    // Requests and withdraws a transaction (the "W" / "X" of the slot).
    void Request(int slot) { Queue.request(slot); }
    void Withdraw(int slot) { Queue.withdraw(slot); }

    bool VantorFolderExists();
    void ShowWebPage(const QString& url);
    void OpenComPort();
    void ClearUsbQueue() { Queue.ClearUsbQueue(); }

    // Where ShowWebPage sends the address; the system browser unless replaced (tests).
    static std::function<void(const QString&)>& WebPageOpener();

    // The tour: the main window and every registered window in turn, then the program quits with 0.
    void RunTour(const QString& dir);

    QMdiArea* mdiArea() const { return mdiArea_; }
    QAction* action(const QString& objectName) const;

    UsbScheduler Queue;
    bool ComPortOpen = false;
    bool NeedVersion = true;
    bool ClosingDown = false;

    QLabel* RzStatusPane_left;
    QLabel* RzStatusPane_Kelvox;
    QLabel* RzStatusPane_COM;
    QLabel* RzClockStatus1;
    QToolButton* RzBitBtn_Debug;
    QToolButton* RzBitBtn_DSP;
    QToolButton* RzBitBtn_DDS;
    QTimer* Timer_Startup;
    QTimer* Timer_USBstatus;
    QTimer* Timer_USBqueue;
    QSerialPort* VantorComPort;
    QMenu* Menu_Window;
    TAboutBox* AboutBox;

    // The menu items that follow the link state.
    QList<QAction*> LinkDependentItems() const { return linkItems_; }

public slots:
    void RzBitBtn_DSPClick();
    void Timer_StartupTimer();
    void Timer_USBstatusTimer();
    void Timer_USBqueueTimer();
    void PollUsbStatus();
    void ToggleMox();
    // The loader slots 43, 44, 50 and 51: the confirmation dialog, then the loading window, both
    // modal inside the scheduler tick.
    void RunCodeParamsLoad();
    void RunCodeOnlyLoad();
    void RunParamsOnlyLoad();
    void RunParamsUpload();

protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    QAction* addItem(QMenu* menu, const QString& caption, const QString& name, std::function<void()> action,
                     bool available = true);
    void setLinkItems(bool enabled);
    void reportReadyForBenchmark();
    void setPane(QLabel* pane, const QString& text, const QString& colour, bool strikeOut = false);

    void MI_COMportClick();
    void MI_USBconnectionClick();
    void MI_VantorFolderClick();
    void MI_ParamFileClick();
    void MI_AD603Click();
    void MI_DirectLoaderClick();
    // Shows confirm modally and destroys it; on OK the loading window for target and flags.
    void runLoad(QDialog* confirm, LoadTarget target, int flags);

    QMdiArea* mdiArea_;
    QList<QAction*> linkItems_;
    QMap<QAction*, bool> available_; // items whose window exists in this build
    QAction* directLoaderItem_ = nullptr;
    QTimer* clockTimer_;
};

// The one main window, while it exists.
extern TfrmMain* frmMain;

} // namespace tarnix
