// The choice of one Kelvox among several, as TUsb shows it.
#include "base/Pacer.h"
#include "link/D2XXUnit.h"
#include "link/UUsb.h"
#include "link/UfrmSelectKelvox.h"
#include "sim/SimFtdiDriver.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace tarnix;

namespace {

std::vector<TUsbDeviceEntry> twoEntries() {
    return {{0, "SIM00001", "KELVOX simulator"}, {1, "SIM00002", "Kelvox Mk2"}};
}

// Runs f on the modal dialog once it is shown.
void whenShown(std::function<void(TfrmSelectKelvox*)> f) {
    QTimer::singleShot(0, [f] {
        auto* dlg = qobject_cast<TfrmSelectKelvox*>(QApplication::activeModalWidget());
        QVERIFY(dlg);
        f(dlg);
    });
}

void doubleClickRow(QListWidget* list, int row) {
    QRect r = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, r.center());
}

} // namespace

class TestSelectKelvox : public QObject {
    Q_OBJECT
private slots:
    void textsAndLines() {
        TfrmSelectKelvox dlg;
        dlg.setEntries(twoEntries());
        QCOMPARE(dlg.windowTitle(), QString("Tarnix   -  Multiple Kelvoxs found "));
        QStringList texts;
        for (QLabel* l : dlg.findChildren<QLabel*>())
            texts << l->text();
        QVERIFY(texts.contains("Tarnix scans the PC USB ports for FTDI USB devices."));
        QVERIFY(texts.contains(
            "It responds only to FTDI devices which have KELVOX in their identification string "
            "(case insensitive)."));
        QVERIFY(texts.contains(
            "Multiple Kelvoxs have been found - please select the Kelvox which you wish to "
            "connect to by double-clicking or select and then click the Select Kelvox button."));
        QVERIFY(texts.contains(
            "Later, if you wish to change to another Kelvox you will have to restart Tarnix and reselect."));
        auto* list = dlg.findChild<QListWidget*>("RzEditListBox_Kelvox");
        QVERIFY(list);
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(0)->text(), QString("KELVOX simulator  s/n: SIM00001"));
        QCOMPARE(list->item(1)->text(), QString("Kelvox Mk2  s/n: SIM00002"));
        QCOMPARE(dlg.findChild<QPushButton*>("RzBitBtn_Select")->text(), QString("Select Kelvox"));
        QCOMPARE(dlg.findChild<QPushButton*>("RzBitBtn_Exit")->text(), QString("Exit Tarnix"));
        QVERIFY(!(dlg.windowFlags() & Qt::WindowCloseButtonHint));
    }

    void selectNeedsALine() {
        int result = -1;
        whenShown([](TfrmSelectKelvox* dlg) {
            dlg->RzBitBtn_Select->click();
            QVERIFY(dlg->isVisible()); // nothing selected: stays open
            dlg->RzEditListBox_Kelvox->setCurrentRow(1);
            dlg->RzBitBtn_Select->click();
        });
        result = TfrmSelectKelvox::choose(twoEntries());
        QCOMPARE(result, 2);
    }

    void doubleClickChooses() {
        whenShown([](TfrmSelectKelvox* dlg) { doubleClickRow(dlg->RzEditListBox_Kelvox, 0); });
        QCOMPARE(TfrmSelectKelvox::choose(twoEntries()), 1);
    }

    void exitChoosesNothingAndEndsTheProgram() {
        bool ended = false;
        auto saved = TfrmSelectKelvox::exitProgram;
        TfrmSelectKelvox::exitProgram = [&] { ended = true; };
        whenShown([](TfrmSelectKelvox* dlg) {
            dlg->RzEditListBox_Kelvox->setCurrentRow(1);
            dlg->RzBitBtn_Exit->click();
        });
        QCOMPARE(TfrmSelectKelvox::choose(twoEntries()), 0);
        QVERIFY(ended);
        TfrmSelectKelvox::exitProgram = saved;
    }

    void theLinkOpensTheChosenController() {
        VirtualPacer clock;
        setPacer(&clock);
        SimFtdiDriver sim(2);
        setFtdiDriver(&sim);
        TUsb usb;
        usb.setChooser(TfrmSelectKelvox::chooser());
        whenShown([](TfrmSelectKelvox* dlg) { doubleClickRow(dlg->RzEditListBox_Kelvox, 1); });
        QVERIFY(usb.CheckLink());
        QCOMPARE(QString::fromStdString(usb.LinkText()), QString("USB: KELVOX simulator  s/n: SIM00002"));
        QCOMPARE(QString::fromStdString(usb.QueryVersion()), QString("1.20"));
        usb.CloseLink();
        setFtdiDriver(nullptr);
        setPacer(nullptr);
    }
};

QTEST_MAIN(TestSelectKelvox)
#include "test_select_kelvox.moc"
