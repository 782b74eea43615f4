// The DSP loaders through the main menu against the simulated controller and the simulated DSP on a
// pseudo-terminal: the confirmation dialogs, the loading window inside the scheduler tick, the
// direct loader over the serial port and the AD603 window.
#include "support/GuiTestEnv.h"

#include "base/Files.h"
#include "config/UParams.h"
#include "dsp/CalCurve.h"
#include "dsp/LoaderRun.h"
#include "dsp/UfrmCalCurve.h"
#include "dsp/UfrmDirectDSP.h"
#include "dsp/UfrmLoading.h"
#include "link/UUsb.h"
#include "shell/UIniData.h"
#include "shell/UfrmMain.h"
#include "sim/PtyDsp.h"
#include "sim/SimFtdiDriver.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>
#include <QTimer>
#include <QtTest>
#include <functional>

using namespace tarnix;

namespace {

// Answers modal windows as they come up: handle gets the active modal window every 20 ms.
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(QWidget*)> handle) : handle_(std::move(handle)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (QWidget* w = QApplication::activeModalWidget())
                handle_(w);
        });
        timer_.start(20);
    }

private:
    QTimer timer_;
    std::function<void(QWidget*)> handle_;
};

void click(QWidget* w, const char* button) {
    if (auto* b = w->findChild<QPushButton*>(button); b && b->isEnabled())
        b->click();
}

// Settings for a main window on the demo folder without a serial port.
void demoSettings(GuiTestEnv& env, const std::string& comPort = "none") {
    env.useDemoVantorFolder();
    LoadMainSettings();
    RegIniData.ComPort = comPort;
    SaveMainSettings();
}

} // namespace

class TestLoading : public QObject {
    Q_OBJECT
private slots:
    void paramsOnlyThroughTheMenu();
    void cancelLoadsNothing();
    void codeAndParamsShowBothChecksums();
    void missingCodeFileClosesTheWindow();
    void uploadBackupLeavesBakCopies();
    void directLoaderOverTheSerialPort();
    void ad603SendsOnceForTwoClicks();
};

void TestLoading::paramsOnlyThroughTheMenu() {
    GuiTestEnv env(1);
    demoSettings(env);
    TfrmMain w;
    w.show();
    QVERIFY(waitFor([&] { return !w.NeedVersion; }));

    QStringList seen;
    QString result;
    // A request made while the load runs waits for it.
    bool otherSlotRan = false, ranDuringLoad = true;
    w.Queue.setOperation(SlotUnused29, [&] { otherSlotRan = true; });
    ModalDriver driver([&](QWidget* m) {
        if (auto* confirm = qobject_cast<TfrmLoadParams*>(m)) {
            seen << confirm->windowTitle();
            w.Request(SlotUnused29);
            confirm->RzBitBtn_Proceed->click();
        } else if (auto* loading = qobject_cast<TfrmLoading*>(m)) {
            if (!loading->RzBitBtn_Exit->isEnabled())
                return;
            seen << loading->windowTitle();
            result = loading->RzLabel_bytes2->isVisible() ? loading->RzLabel_bytes2->text() : QString();
            ranDuringLoad = otherSlotRan;
            loading->RzBitBtn_Exit->click();
        }
    });
    w.action("MI_ParamsOnly")->trigger();
    QVERIFY(waitFor([&] { return !result.isEmpty() && !QApplication::activeModalWidget(); }));
    QCOMPARE(seen, (QStringList{"Load DSP control parameters to Kelvox", "Data to Kelvox EEPROM via USB"}));
    QCOMPARE(result, QString("DSP params sent ok"));
    QVERIFY(!ranDuringLoad);
    QVERIFY(waitFor([&] { return otherSlotRan; }));
    QVERIFY(!frmLoading);
    auto image = ParamImageForLoad(*Params);
    QVERIFY(image);
    QVERIFY(env.sim()->controller(0).state().eeprom["dspparams"] == *image);
}

void TestLoading::cancelLoadsNothing() {
    GuiTestEnv env(1);
    demoSettings(env);
    TfrmMain w;
    QVERIFY(waitFor([&] { return !w.NeedVersion; }));
    bool cancelled = false, loadingShown = false;
    ModalDriver driver([&](QWidget* m) {
        if (auto* confirm = qobject_cast<TfrmLoadCode*>(m)) {
            QCOMPARE(confirm->windowTitle(), QString("Load DSP code to Kelvox"));
            // The second pair acts like the first.
            confirm->RzBitBtn2->click();
            cancelled = true;
        } else if (qobject_cast<TfrmLoading*>(m)) {
            loadingShown = true;
            m->close();
        }
    });
    w.action("MI_CodeOnly")->trigger();
    QVERIFY(waitFor([&] { return cancelled && !QApplication::activeModalWidget(); }));
    QTest::qWait(100);
    QVERIFY(!loadingShown);
    QVERIFY(env.sim()->controller(0).state().eeprom["dspcode"].empty());
}

void TestLoading::codeAndParamsShowBothChecksums() {
    GuiTestEnv env(1);
    demoSettings(env);
    TfrmMain w;
    QVERIFY(waitFor([&] { return !w.NeedVersion; }));
    QStringList lines;
    ModalDriver driver([&](QWidget* m) {
        if (auto* confirm = qobject_cast<TfrmLoadCodeParams*>(m)) {
            confirm->RzBitBtn_Proceed->click();
        } else if (auto* loading = qobject_cast<TfrmLoading*>(m);
                   loading && loading->RzBitBtn_Exit->isEnabled()) {
            for (QLabel* l : {loading->RzLabel_bytes1, loading->RzLabel_bytes2, loading->RzLabel_checksum,
                              loading->RzLabel_Checksum_PC, loading->RzLabel_Checksum_AVR})
                if (l->isVisible())
                    lines << l->text();
            QCOMPARE(loading->PcChecksum, loading->KelvoxChecksum);
            loading->RzBitBtn_Exit->click();
        }
    });
    w.action("MI_CodeAndParams")->trigger();
    QVERIFY(waitFor([&] { return !lines.isEmpty() && !QApplication::activeModalWidget(); }));
    QCOMPARE(lines.size(), 5);
    QVERIFY(lines[0].startsWith("DSP code: ") && lines[0].endsWith(" bytes sent"));
    QCOMPARE(lines[1], QString("DSP params sent ok"));
    QCOMPARE(lines[2], QString("Checksum verification of DSP code transmission:"));
    QCOMPARE(lines[3].section("=  ", 1), lines[4].section("=  ", 1));
    QVERIFY(!env.sim()->controller(0).state().eeprom["dspcode"].empty());
}

void TestLoading::missingCodeFileClosesTheWindow() {
    GuiTestEnv env(1);
    demoSettings(env);
    const QString code = QString::fromStdString(RegIniData.VantorFolder) + "/VANTOR2b1x.kvq";
    QVERIFY(QFile::remove(code));
    // The window on its own, as the slot prepares it.
    TfrmLoading loading;
    loading.StartLoad(LoadTarget::Usb, LoaderCode | LoaderParams);
    QCOMPARE(QString::fromStdString(loading.CodeFile), code);
    QVERIFY(loading.DoCode && loading.DoParams && !loading.DoUpload);
    QVERIFY(!loading.RzBitBtn_Exit->isEnabled());
    QCOMPARE(loading.exec(), int(TfrmLoading::ResultAbort));
    QVERIFY(env.messages.contains("Cannot find your DSP code file:  " + code.toStdString()));
}

void TestLoading::uploadBackupLeavesBakCopies() {
    GuiTestEnv env(1);
    demoSettings(env);
    TfrmMain w;
    const std::string v = RegIniData.VantorFolder;
    TfrmDownloadParams d(&w);
    QCOMPARE(d.RzLabel_ParamFile->text(), QString::fromStdString("to file: " + v + "/User2B2.KVQ"));
    QVERIFY(!d.RzBitBtn_Help->isEnabled());
    d.RzBitBtn_Backup->click();
    QVERIFY(fileExists(v + "/User2B2.BAK"));
    QVERIFY(fileExists(v + "/Filters/xparams.BAK"));
}

void TestLoading::directLoaderOverTheSerialPort() {
    PtyDsp dsp;
    QVERIFY2(dsp.ok(), dsp.error().c_str());
    dsp.start();
    GuiTestEnv env(0);
    demoSettings(env, dsp.devicePath());
    TfrmMain w;
    QVERIFY(waitFor([&] { return w.ComPortOpen; }));
    QAction* item = w.action("MI_DirectLoader");
    QVERIFY(item->isEnabled());

    QStringList lines;
    QString title;
    ModalDriver driver([&](QWidget* m) {
        if (auto* confirm = qobject_cast<TfrmDirectDSP*>(m)) {
            QCOMPARE(confirm->windowTitle(), QString("DSP code and prarams direct to DSP"));
            confirm->RzBitBtn_Proceed->click();
        } else if (auto* loading = qobject_cast<TfrmLoading*>(m);
                   loading && loading->RzBitBtn_Exit->isEnabled()) {
            title = loading->windowTitle();
            lines << loading->RzLabel_bytes1->text() << loading->RzLabel_bytes2->text();
            loading->RzBitBtn_Exit->click();
        }
    });
    item->trigger();
    QVERIFY(waitFor([&] { return !lines.isEmpty() && !QApplication::activeModalWidget(); }));
    QCOMPARE(title, "Data to DSP via " + QString::fromStdString(dsp.devicePath()));
    auto image = buildLoadImage(loadPaths(RegIniData.VantorFolder, "VANTOR2b1x.kvq"), LoadTarget::Serial);
    QVERIFY(image.ok());
    QCOMPARE(lines, (QStringList{QString("DSP codes: %1 bytes send to DSP.").arg(image.value->bytes.size()),
                                 "Params sent to DSP"}));
    QVERIFY(dsp.waitUntil(
        [](const DspLineDecoder& d) {
            // The last frame is parameter mode off.
            return d.starts() == 1 && !d.paramMode() && !d.frames().empty() && d.frames().back().param == 108;
        },
        5000));
    QVERIFY(dsp.image() == image.value->bytes);
    QCOMPARE(dsp.strayBytes(), size_t(0));
    // The transfer closes the port when it is done.
    QVERIFY(!w.VantorComPort->isOpen());
    dsp.stop();
}

void TestLoading::ad603SendsOnceForTwoClicks() {
    GuiTestEnv env(1);
    demoSettings(env);
    TfrmMain w;
    QVERIFY(waitFor([&] { return !w.NeedVersion; }));
    bool clicked = false;
    ModalDriver driver([&](QWidget* m) {
        auto* cal = qobject_cast<TfrmCalCurve*>(m);
        if (!cal)
            return;
        if (!clicked) {
            QCOMPARE(cal->windowTitle(), QString("Load AD603 calibration the Kelvox"));
            cal->RzBitBtn_Load->click();
            cal->RzBitBtn_Load->click();
            clicked = true;
        } else if (env.messages.contains(CalCurveSentText)) {
            click(cal, "RzBitBtn_Exit");
        }
    });
    w.action("MI_AD603")->trigger();
    QVERIFY(waitFor([&] { return clicked && !QApplication::activeModalWidget(); }));
    int sent = 0;
    for (const auto& m : env.messages.texts())
        sent += m == CalCurveSentText;
    QCOMPARE(sent, 1);
    const auto& stored = env.sim()->controller(0).state().eeprom["ad603"];
    QVERIFY(std::equal(Params->AD603Table.begin(), Params->AD603Table.end(), stored.begin()));
    QVERIFY(!frmCalCurve);
}

QTEST_MAIN(TestLoading)
#include "test_loading.moc"
