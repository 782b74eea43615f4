// The main window against simulated controllers: the status panes through the link's life, the
// link-dependent menu items, the serial port pane and the setup dialogs.
#include "support/GuiTestEnv.h"

#include "link/UUsb.h"
#include "shell/CfgUnit.h"
#include "shell/UIniData.h"
#include "shell/UfrmComSel.h"
#include "shell/UfrmMain.h"
#include "shell/UfrmSelectVantorDir.h"
#include "sim/SimFtdiDriver.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace tarnix;

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void linkFoundLostAndFoundAgain();
    void noComPortShowsRed();
    void failingComPortIsStruckOut();
    void missingVantorFolderWarns();
    void comSelSelectsStoredPortAndAccepts();
    void vantorDirOpensAtRootWhenFolderMissing();
    void webLinksGoToTheOpener();
    void closingStoresPosition();
};

static const QString simLink = "USB: KELVOX simulator  s/n: SIM00001";

void TestMainWindow::linkFoundLostAndFoundAgain() {
    GuiTestEnv env(1);
    TfrmMain w;
    w.show();
    QVERIFY(waitFor([&] { return w.RzStatusPane_left->text() == simLink; }));
    QVERIFY(waitFor([&] { return w.RzStatusPane_Kelvox->text().startsWith("Kelvox v"); }));
    QVERIFY(w.RzStatusPane_Kelvox->text().endsWith(" ready"));
    QAction* loaders = w.action("MI_DspLoaders");
    QVERIFY(loaders && loaders->isEnabled());

    env.sim()->unplug(0);
    QVERIFY(waitFor([&] { return w.RzStatusPane_left->text() == "USB: Kelvox not detected"; }, 2000));
    QVERIFY(w.RzStatusPane_Kelvox->text().isEmpty());
    for (QAction* a : w.LinkDependentItems())
        QVERIFY2(!a->isEnabled(), qPrintable(a->text()));

    env.sim()->replug(0);
    QVERIFY(waitFor([&] { return w.RzStatusPane_left->text() == simLink; }, 2000));
    QVERIFY(waitFor([&] { return !w.RzStatusPane_Kelvox->text().isEmpty(); }, 2000));
    QVERIFY(!w.NeedVersion);
    QVERIFY(loaders->isEnabled());
}

void TestMainWindow::noComPortShowsRed() {
    GuiTestEnv env(0);
    LoadMainSettings();
    RegIniData.ComPort = "none";
    SaveMainSettings();
    TfrmMain w;
    QVERIFY(waitFor([&] { return w.RzStatusPane_COM->text() == "No COM port"; }));
    QVERIFY(w.RzStatusPane_COM->styleSheet().contains("red"));
    QVERIFY(!w.action("MI_DirectLoader")->isEnabled());
    QVERIFY(!w.ComPortOpen);
    QVERIFY(waitFor([&] { return w.RzStatusPane_left->text() == "USB: Kelvox not detected"; }));
}

void TestMainWindow::failingComPortIsStruckOut() {
    GuiTestEnv env(0);
    LoadMainSettings();
    RegIniData.ComPort = "/dev/tarnix-no-such-port";
    SaveMainSettings();
    TfrmMain w;
    QVERIFY(waitFor(
        [&] { return env.messages.contains("Failed to open serial port /dev/tarnix-no-such-port"); }));
    QVERIFY(env.messages.contains("If so please select another port or select 'none'"));
    QCOMPARE(w.RzStatusPane_COM->text(), QString("/dev/tarnix-no-such-port"));
    QVERIFY(w.RzStatusPane_COM->font().strikeOut());
    QVERIFY(!w.ComPortOpen);
}

void TestMainWindow::missingVantorFolderWarns() {
    GuiTestEnv env(0);
    TfrmMain w;
    RegIniData.VantorFolder = (env.path() + "/gone").toStdString();
    QVERIFY(!w.VantorFolderExists());
    QCOMPARE(QString::fromStdString(env.messages.shown().back().text),
             "Cannot find your Vantor folder :  " + env.path() + "/gone");
}

void TestMainWindow::comSelSelectsStoredPortAndAccepts() {
    GuiTestEnv env(0);
    TfrmComSel::ExtraPorts() = {"/dev/pts/tarnix-test"};
    RegIniData.ComPort = "/dev/pts/tarnix-test";
    {
        TfrmComSel d;
        QCOMPARE(d.RzCB_comsel->itemText(0), QString("none"));
        QCOMPARE(d.RzCB_comsel->currentText(), QString("/dev/pts/tarnix-test"));
        d.RzCB_comsel->setCurrentIndex(0);
        d.findChild<QPushButton*>("RzBitBtn_Accept")->click();
        QCOMPARE(d.result(), int(QDialog::Accepted));
    }
    RegIniData.ComPort.clear();
    LoadMainSettings();
    QCOMPARE(QString::fromStdString(RegIniData.ComPort), QString("none"));

    // A stored port that is not offered: nothing selected, and accepting stores an empty name.
    RegIniData.ComPort = "/dev/ttyNOPE99";
    TfrmComSel d;
    QCOMPARE(d.RzCB_comsel->currentIndex(), -1);
    d.findChild<QPushButton*>("RzBitBtn_Accept")->click();
    QCOMPARE(QString::fromStdString(RegIniData.ComPort), QString());
    TfrmComSel::ExtraPorts().clear();
}

void TestMainWindow::vantorDirOpensAtRootWhenFolderMissing() {
    GuiTestEnv env(0);
    RegIniData.VantorFolder = (env.path() + "/missing").toStdString();
    {
        TfrmSelectVantorDir d;
        QCOMPARE(d.CurrentPath(), QString("/"));
        QCOMPARE(d.RzLabel_Dir->text(), QString("/"));
    }
    RegIniData.VantorFolder = env.path().toStdString();
    TfrmSelectVantorDir d;
    QCOMPARE(d.CurrentPath(), env.path());
    d.findChild<QPushButton*>("RzBitBtn_Accept")->click();
    RegIniData.VantorFolder.clear();
    LoadMainSettings();
    QCOMPARE(QString::fromStdString(RegIniData.VantorFolder), env.path());
}

void TestMainWindow::webLinksGoToTheOpener() {
    GuiTestEnv env(0);
    QStringList opened;
    auto saved = TfrmMain::WebPageOpener();
    TfrmMain::WebPageOpener() = [&](const QString& url) { opened << url; };
    TfrmMain w;
    w.action("MI_Manual1")->trigger();
    QCOMPARE(w.action("MI_Manual1")->text(), QString("1 - Introduction"));
    QCOMPARE(opened.size(), 1);
    QVERIFY(opened[0].endsWith(".pdf"));
    TfrmMain::WebPageOpener() = saved;
}

void TestMainWindow::closingStoresPosition() {
    GuiTestEnv env(0);
    {
        TfrmMain w;
        w.show();
        w.resize(420, 333);
        w.close();
        QVERIFY(w.ClosingDown);
    }
    RegIniData.MainHeight = 0;
    LoadMainCoordinates(4000, 4000);
    QCOMPARE(RegIniData.MainHeight, 333);
    QCOMPARE(RegIniData.MainWidth, 420);
}

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
