// The DSP control window against the simulated controller (route "U") and the simulated DSP on a
// pseudo-terminal (route "S"): opening from the tool bar, a value changed in a grid coming back in the
// next status or going out as a serial frame, switches, colour sets, mode, locked extra parameters,
// cell drawing and the delayed close.
#include "support/GuiTestEnv.h"

#include "dsp/DspMonitorPanel.h"
#include "dsp/UfrmDSP.h"
#include "shell/Globals.h"
#include "shell/UIniData.h"
#include "shell/UfrmMain.h"
#include "sim/PtyDsp.h"
#include "sim/SimFtdiDriver.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace tarnix;

namespace {

// A profile with the demo Vantor folder, the given serial port and route, and the main window up.
struct Session {
    explicit Session(const std::string& comPort = "none", int dspTelemetry = 0) : env(1) {
        env.useDemoVantorFolder();
        LoadMainSettings();
        RegIniData.ComPort = comPort;
        RegIniData.DspTelemetry = dspTelemetry;
        SaveMainSettings();
        main = std::make_unique<TfrmMain>();
        main->show();
    }
    ~Session() {
        main.reset();
        QCoreApplication::processEvents();
    }
    SimState& sim() { return env.sim()->controller(0).state(); }
    // Opens the window and waits for the first status on route "U".
    TfrmDSP* open(bool waitForStatus = true) {
        if (!waitFor([] { return UsbLinkUp; }))
            return nullptr;
        main->RzBitBtn_DSP->click();
        if (!frmDSP)
            return nullptr;
        if (waitForStatus && !waitFor([this] { return frmDSP && frmDSP->Control.CurColour != 0; }))
            return nullptr;
        return frmDSP;
    }
    QString cell(int row, int column) {
        const int grid = dspGridOfRow(row);
        DspGridModel* m = frmDSP->Models[static_cast<size_t>(grid)];
        return m->index(row - dspFirstRowOfGrid(grid), column).data().toString();
    }
    QVariant cellRole(int row, int column, int role) {
        const int grid = dspGridOfRow(row);
        DspGridModel* m = frmDSP->Models[static_cast<size_t>(grid)];
        return m->index(row - dspFirstRowOfGrid(grid), column).data(role);
    }
    // Opens the value editor of a row.
    QDoubleSpinBox* edit(int row) {
        const int grid = dspGridOfRow(row);
        QTableView* view = frmDSP->Grids[static_cast<size_t>(grid)];
        view->setCurrentIndex(view->model()->index(row - dspFirstRowOfGrid(grid), DspColValue));
        if (!frmDSP->OpenValueEditor()) // moving to a value cell opens its editor already
            view->edit(view->currentIndex());
        return frmDSP->OpenValueEditor();
    }
    void closeEditor(int row) {
        const int grid = dspGridOfRow(row);
        QTableView* view = frmDSP->Grids[static_cast<size_t>(grid)];
        view->setCurrentIndex(view->model()->index(row - dspFirstRowOfGrid(grid), DspColName));
    }

    GuiTestEnv env;
    std::unique_ptr<TfrmMain> main;
};

constexpr int AgcDecayRow = 4; // parameter 14: multiplier .05, limits 1 and 40 in the demo file

} // namespace

class TestDspWindow : public QObject {
    Q_OBJECT
private slots:
    void opensOnceMaximised();
    void missingVantorFolderOpensNothing();
    void gridChangeComesBackInTheNextStatus();
    void serialRouteSendsFiveBytes();
    void switchesWaitForTheStatus();
    void colourSetsChangeMenusButtonsAndCells();
    void modeButtonRegroupsTheRows();
    void lockedExtraParameters();
    void holdOffAndLockDisplay();
    void cellDrawing();
    void closesAfterItsDelay();
};

void TestDspWindow::opensOnceMaximised() {
    Session s;
    TfrmDSP* w = s.open();
    QVERIFY(w);
    QCOMPARE(w->windowTitle(), QString("Vantor DSP control"));
    QVERIFY(w->SubWindow->isMaximized());
    QCOMPARE(w->RzLabel_Telem->text(), QString("USB-Kelvox"));
    QVERIFY(w->RzChBox_LockXparams->isChecked());
    QVERIFY(!w->RzChBox_Lock->isChecked());
    QVERIFY(!w->RzBitBtn_Help->isEnabled());
    // The first status fills all 59 rows with the controller's values.
    for (int row : {1, 20, 21, 40, 41, 59}) {
        const int p = w->Control.record(row).PARAMNO;
        QCOMPARE(w->Control.record(row).VALUE, int(s.sim().dsp[static_cast<size_t>(p)]));
    }
    QCOMPARE(s.cell(1, DspColName), QString("RX audio gain"));
    QCOMPARE(s.cell(1, DspColNo), QString("11"));
    // The power scale is read once, and the meters follow the telemetry.
    QVERIFY(waitFor([&] { return w->Monitor->powerScale().FwdFullScale == 1400; }));
    QVERIFY(waitFor([&] { return w->Monitor->RzLabel_ss->text().contains("dB/S0"); }));
    s.main->RzBitBtn_DSP->click();
    QCOMPARE(frmDSP, w);
    QCOMPARE(s.main->mdiArea()->subWindowList().size(), 1);
}

void TestDspWindow::missingVantorFolderOpensNothing() {
    Session s;
    RegIniData.VantorFolder = (s.env.path() + "/gone").toStdString();
    s.main->RzBitBtn_DSP->click();
    QVERIFY(!frmDSP);
    QVERIFY(s.env.messages.contains("Cannot find your Vantor folder :  "));
}

void TestDspWindow::gridChangeComesBackInTheNextStatus() {
    Session s;
    TfrmDSP* w = s.open();
    QVERIFY(w);
    QDoubleSpinBox* e = s.edit(AgcDecayRow);
    QVERIFY(e);
    QCOMPARE(e->objectName(), QString("RzSpinEdit_ValueLeft"));
    QVERIFY(e->isEnabled());
    QCOMPARE(e->decimals(), 2);
    QCOMPARE(e->singleStep(), 0.05);
    QCOMPARE(e->minimum(), 0.05);
    QCOMPARE(e->maximum(), 2.0);
    QCOMPARE(e->toolTip(), QString("Right click to set backup value"));
    e->setValue(0.35);
    QVERIFY(waitFor([&] { return s.sim().dsp[14] == 7; }));
    QCOMPARE(*w->Control.stored(14), 7);
    // No status is asked for while the editor is open; once it closes, the next one shows the value.
    s.closeEditor(AgcDecayRow);
    QVERIFY(waitFor([&] { return s.cell(AgcDecayRow, DspColValue) == "0.35"; }));
    QCOMPARE(w->Control.record(AgcDecayRow).VALUE, 7);
}

void TestDspWindow::serialRouteSendsFiveBytes() {
    PtyDsp dsp;
    QVERIFY2(dsp.ok(), dsp.error().c_str());
    dsp.start();
    Session s(dsp.devicePath(), 1);
    QVERIFY(waitFor([&] { return s.main->ComPortOpen; }));
    TfrmDSP* w = s.open(false);
    QVERIFY(w);
    QCOMPARE(w->RzLabel_Telem->text(), QString("Serial-DSP"));
    QCOMPARE(w->RzBitBtn_Mode->text(), QString("LSB"));
    // Telemetry comes from the DSP itself.
    dsp.streamTelemetry(100);
    QVERIFY(waitFor([&] { return w->Telemetry.Telemetry[0] == 0x7E; }));
    QVERIFY(waitFor([&] { return w->Monitor->RzLabel_ss->text().contains("dB/S0"); }));
    QCOMPARE(w->Monitor->powerScale().FwdFullScale, uint16_t(140));
    dsp.streamTelemetry(0);
    dsp.clear();

    QDoubleSpinBox* e = s.edit(AgcDecayRow);
    QVERIFY(e);
    e->setValue(0.35);
    QVERIFY(dsp.waitForBytes(5, 3000));
    QCOMPARE(dsp.received(), (std::vector<uint8_t>{0x7E, 14, 7, 0x7E, 0x7E}));
    QVERIFY(dsp.waitForFrames(1, 1000));
    QCOMPARE(dsp.frames().back().kind, DspFrame::Kind::Change);
    QCOMPARE(dsp.params()[14], uint8_t(7));
    QVERIFY(!s.main->Queue.requested(SlotSendParamValue));
    s.closeEditor(AgcDecayRow);

    // Switches go out at once, every click, with nothing to wait for.
    dsp.clear();
    w->RzChBx_NoiseBlank->click();
    w->RzChBx_NoiseBlank->click();
    QVERIFY(dsp.waitForBytes(10, 3000));
    QCOMPARE(dsp.received(), (std::vector<uint8_t>{0x7E, 3, 1, 0x7E, 0x7E, 0x7E, 3, 0, 0x7E, 0x7E}));
    QVERIFY(!w->RzChBx_NoiseBlank->isChecked());
    // Nor is the status polled on this route.
    QTest::qWait(700);
    QCOMPARE(w->Control.CurColour, 0);
    w->CloseNow();
}

void TestDspWindow::switchesWaitForTheStatus() {
    Session s;
    TfrmDSP* w = s.open();
    QVERIFY(w);
    QVERIFY(!w->RzChBx_NoiseBlank->isChecked());
    w->RzChBx_NoiseBlank->click();
    QVERIFY(w->RzChBx_NoiseBlank->isChecked());
    QVERIFY(w->Control.SwitchPending[1]);
    // A second click before the status confirms the first one is refused.
    w->RzChBx_NoiseBlank->click();
    QVERIFY(w->RzChBx_NoiseBlank->isChecked());
    QVERIFY(waitFor([&] { return s.sim().dsp[3] == 1; }));
    QVERIFY(waitFor([&] { return !w->Control.SwitchPending[1]; }));
    QVERIFY(w->RzChBx_NoiseBlank->isChecked());

    // The DSP's own change shows at the next status.
    s.sim().dsp[9] = 1;
    QVERIFY(waitFor([&] { return w->RzChBx_SpeechComp->isChecked(); }));
    w->RzBitBtn_Width->click();
    QCOMPARE(w->RzBitBtn_Width->text(), QString("Nar."));
    QVERIFY(waitFor([&] { return s.sim().dsp[6] == 1; }));
}

void TestDspWindow::colourSetsChangeMenusButtonsAndCells() {
    Session s;
    TfrmDSP* w = s.open();
    QVERIFY(w);
    QVERIFY(w->RzBitBtn_Green->font().bold());
    QVERIFY(!w->MI_Set254[0]->isVisible());
    QCOMPARE(w->MI_SetBackup[1]->text(), QString("Set this green param to backup value"));
    QVERIFY(!s.cellRole(AgcDecayRow, DspColValue, Qt::BackgroundRole).isValid());

    // "&G" while the yellow change still waits does nothing.
    w->RzBitBtn_Yellow->click();
    w->RzBitBtn_Green->click();
    QCOMPARE(w->Control.NewColour, uint8_t(2));
    QVERIFY(waitFor([&] { return w->Control.CurColour == 2; }));
    QCOMPARE(int(s.sim().dsp[10]), 2);
    QVERIFY(w->RzBitBtn_Yellow->font().bold());
    QVERIFY(!w->RzBitBtn_Green->font().bold());
    QVERIFY(w->RzBitBtn_Yellow->styleSheet().contains("#e8e800"));
    QVERIFY(w->RzBitBtn_Green->styleSheet().contains("#e0ffe0"));
    QCOMPARE(w->MI_Set254[2]->text(), QString("Set this yellow param to use green value"));
    QVERIFY(w->MI_Set254[2]->isVisible());
    QCOMPARE(w->MI_SetBackup[2]->text(), QString("Set this yellow param to backup value"));
    // The simulator's yellow set uses the green values: money green cells, black text.
    QCOMPARE(s.cellRole(AgcDecayRow, DspColValue, Qt::BackgroundRole).value<QColor>(),
             QColor(0xC0, 0xDC, 0xC0));
    QCOMPARE(s.cellRole(AgcDecayRow, DspColValue, Qt::ForegroundRole).value<QColor>(), QColor(Qt::black));

    // A yellow value of its own; then back to the green value from the editor's menu.
    QDoubleSpinBox* e = s.edit(AgcDecayRow);
    QVERIFY(e);
    QCOMPARE(e->toolTip(), QString("Right click to use green value or backup value"));
    const uint8_t green = s.sim().dsp[14];
    e->setValue(0.5);
    QVERIFY(waitFor([&] { return s.sim().dsp[14] == 10; }));
    QCOMPARE(s.cellRole(AgcDecayRow, DspColValue, Qt::ForegroundRole).value<QColor>(), QColor(Qt::blue));
    w->MI_Set254[0]->trigger();
    QVERIFY(waitFor([&] { return s.sim().dsp[14] == green; }));
    QVERIFY(w->Control.usesGreen(14));
    s.closeEditor(AgcDecayRow);

    w->RzBitBtn_Red->click();
    QVERIFY(waitFor([&] { return w->Control.CurColour == 3; }));
    QVERIFY(w->RzBitBtn_Red->font().bold());
    QCOMPARE(w->MI_SetBackup[0]->text(), QString("Set this red param to backup value"));
}

void TestDspWindow::modeButtonRegroupsTheRows() {
    Session s;
    s.sim().dsp[2] = 1;
    TfrmDSP* w = s.open();
    QVERIFY(w);
    QCOMPARE(w->RzBitBtn_Mode->text(), QString("USB"));
    QCOMPARE(w->Control.record(38).PARAMNO, 63);
    w->RzBitBtn_Mode->click();
    QCOMPARE(w->RzBitBtn_Mode->text(), QString("CW_L"));
    QVERIFY(std::count(s.env.clock.pauses().begin(), s.env.clock.pauses().end(), 1000) >= 1);
    QVERIFY(waitFor([&] { return s.sim().dsp[2] == 2; }));
    QVERIFY(waitFor([&] { return w->Control.record(38).PARAMNO == 64; }));
    QCOMPARE(s.cell(38, DspColNo), QString("62"));
    QCOMPARE(w->Control.record(38).VALUE, int(s.sim().dsp[64]));
    w->RzBitBtn_Mode->click();
    QVERIFY(waitFor([&] { return s.sim().dsp[2] == 3; }));
    w->RzBitBtn_Mode->click();
    QCOMPARE(w->RzBitBtn_Mode->text(), QString("LSB"));
    QVERIFY(waitFor([&] { return w->Control.record(38).PARAMNO == 63; }));
}

void TestDspWindow::lockedExtraParameters() {
    Session s;
    TfrmDSP* w = s.open();
    QVERIFY(w);
    QCOMPARE(w->Control.record(50).PARAMNO, 79);
    QDoubleSpinBox* e = s.edit(50);
    QVERIFY(e);
    QVERIFY(!e->isEnabled());
    s.closeEditor(50);
    e = s.edit(48); // parameter 77
    QVERIFY(e);
    QVERIFY(e->isEnabled());
    s.closeEditor(48);
    w->RzChBox_LockXparams->setChecked(false);
    e = s.edit(50);
    QVERIFY(e);
    QVERIFY(e->isEnabled());
    s.closeEditor(50);
}

void TestDspWindow::holdOffAndLockDisplay() {
    Session s;
    TfrmDSP* w = s.open();
    QVERIFY(w);
    // A press in a value cell holds the status polls off for ten ticks.
    QTableView* view = w->Grids[0];
    QTest::mousePress(view->viewport(), Qt::LeftButton, {},
                      view->visualRect(view->model()->index(0, DspColValue)).center());
    QVERIFY(w->Control.HoldOff);
    QCOMPARE(w->Control.HoldOffCount, DspHoldOffTicks);
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {},
                        view->visualRect(view->model()->index(0, DspColValue)).center());
    s.closeEditor(1);

    // While the display is locked, nothing is read.
    w->RzChBox_Lock->setChecked(true);
    QTest::qWait(600);
    s.sim().dsp[11] = 5;
    QTest::qWait(1500);
    QVERIFY(w->Control.record(1).VALUE != 5);
    QVERIFY(!s.main->Queue.requested(SlotReadTelemetry));
    w->RzChBox_Lock->setChecked(false);
    QVERIFY(waitFor([&] { return w->Control.record(1).VALUE == 5; }));
}

void TestDspWindow::cellDrawing() {
    Session s;
    s.sim().dsp[109] = 19;
    s.sim().dsp[110] = 21;
    QVERIFY(s.open());
    QVERIFY(waitFor([&] { return s.cell(10, DspColEnc) == "B"; }));
    QCOMPARE(s.cell(9, DspColEnc), QString("A"));
    QCOMPARE(s.cellRole(9, DspColEnc, Qt::ForegroundRole).value<QColor>(), QColor(Qt::black));
    QCOMPARE(s.cell(3, DspColEnc), QString("3"));
    QCOMPARE(s.cellRole(3, DspColEnc, Qt::ForegroundRole).value<QColor>(), QColor(0x80, 0, 0));
    QCOMPARE(s.cell(12, DspColEnc), QString());
    QCOMPARE(s.cellRole(12, DspColNo, Qt::ForegroundRole).value<QColor>(), QColor(0x80, 0, 0));
    // Extra parameters in red, name and value; others blue values.
    QCOMPARE(s.cellRole(5, DspColName, Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    QCOMPARE(s.cellRole(5, DspColValue, Qt::ForegroundRole).value<QColor>(), QColor(Qt::red));
    QVERIFY(!s.cellRole(4, DspColName, Qt::ForegroundRole).isValid());
    QCOMPARE(s.cellRole(4, DspColValue, Qt::ForegroundRole).value<QColor>(), QColor(Qt::blue));
}

void TestDspWindow::closesAfterItsDelay() {
    Session s;
    TfrmDSP* w = s.open();
    QVERIFY(w);
    QPointer<QMdiSubWindow> sub = w->SubWindow;
    w->RzBitBtn_Close->click();
    QCOMPARE(frmDSP, w);
    QVERIFY(w->Closing());
    QVERIFY(w->RzChBox_Lock->isChecked());
    QVERIFY(!w->Timer_DSP->isActive());
    QVERIFY(!w->Timer_Telem->isActive());
    QVERIFY(w->Timer_Close->isActive());
    QVERIFY(waitFor([] { return frmDSP == nullptr; }, 5000));
    QVERIFY(std::count(s.env.clock.pauses().begin(), s.env.clock.pauses().end(), 1200) == 1);
    QVERIFY(waitFor([&] { return sub.isNull(); }));
    // A request still queued for the window is dropped.
    s.main->Request(SlotReadDspStatus);
    QVERIFY(waitFor([&] { return !s.main->Queue.requested(SlotReadDspStatus); }));

    // "DSP" while the window is on its way out opens a fresh one.
    w = s.open();
    QVERIFY(w);
    w->RzBitBtn_Close->click();
    s.main->RzBitBtn_DSP->click();
    QVERIFY(frmDSP && frmDSP != w && !frmDSP->Closing());
    QVERIFY(waitFor([&] { return s.main->mdiArea()->subWindowList().size() == 1; }));
    w = frmDSP;

    // Closing the main window asks the window to close.
    QVERIFY(w);
    s.main->close();
    QVERIFY(w->Closing());
}

QTEST_MAIN(TestDspWindow)
#include "test_dsp_window.moc"
