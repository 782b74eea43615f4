// The Select Parameter file dialog on a Vantor folder of its own.
#include "config/UfrmParamFile.h"

#include "base/Files.h"
#include "base/Messages.h"
#include "shell/UIniData.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace tarnix;

class TestParamFile : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    RecordingMessages rec_;
    std::string kvq_;

    void writeKvq(const std::string& paramsFile) {
        QVERIFY(writeFileAtomic(
            kvq_, "; kept\r\n[DSP file]\r\nfile=VANTOR2b1x.kvq\r\n[Params]\r\nfile=" + paramsFile + "\r\n"));
    }
    QStringList items(TfrmParamFile& d) {
        QStringList l;
        for (int i = 0; i < d.FileListBox_ParamFile->count(); ++i)
            l << d.FileListBox_ParamFile->item(i)->text();
        return l;
    }
    QString selected(TfrmParamFile& d) {
        auto* item = d.FileListBox_ParamFile->currentItem();
        return item ? item->text() : QString();
    }

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", dir_.filePath("config").toUtf8());
        qputenv("XDG_DATA_HOME", dir_.filePath("data").toUtf8());
        setMessages(&rec_);
        const std::string v = dir_.filePath("vantor").toStdString();
        QVERIFY(makeFolders(v + "/Filters"));
        for (const char* f : {"User2B2.KVQ", "contest.kvq", "notes.txt", "README"})
            QVERIFY(writeFileAtomic(v + "/" + f, "x"));
        kvq_ = v + "/kvq.ini";
        RegIniData.VantorFolder = v;
    }
    void cleanupTestCase() { setMessages(nullptr); }

    void opensOnTheCurrentFile_data() {
        QTest::addColumn<QString>("named");
        QTest::addColumn<QString>("selected");
        QTest::newRow("exact") << "contest.kvq"
                               << "contest.kvq";
        QTest::newRow("differing case") << "user2b2.kvq"
                                        << "User2B2.KVQ";
        QTest::newRow("missing") << "gone.kvq"
                                 << "";
    }
    void opensOnTheCurrentFile() {
        QFETCH(QString, named);
        QFETCH(QString, selected);
        writeKvq(named.toStdString());
        TfrmParamFile d;
        QCOMPARE(d.windowTitle(), QString("Select Parameter file"));
        QCOMPARE(d.findChild<QLabel*>("RzLabel_VantorFolder")->text(),
                 "Vantor folder = " + QString::fromStdString(RegIniData.VantorFolder));
        QCOMPARE(d.Edit_ParamFileName->text(), selected.isEmpty() ? QString("*.*") : selected);
        QCOMPARE(items(d), (QStringList{"contest.kvq", "kvq.ini", "notes.txt", "README", "User2B2.KVQ"}));
        QCOMPARE(this->selected(d), selected);
        QCOMPARE(d.findChild<QPushButton*>("RzBitBtn1")->isEnabled(), !selected.isEmpty());
    }

    void acceptStoresTheNameInKvqIni() {
        writeKvq("User2B2.KVQ");
        TfrmParamFile d;
        d.show();
        d.FileListBox_ParamFile->setCurrentRow(0); // contest.kvq
        QTest::mouseClick(d.findChild<QPushButton*>("RzBitBtn1"), Qt::LeftButton);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QVERIFY(!d.isVisible());
        QCOMPARE(KvqIniData.ParamsFile, std::string("contest.kvq"));
        const std::string text = readFile(kvq_).value_or("");
        QVERIFY(text.rfind("; kept\r\n[DSP file]\r\nfile=VANTOR2b1x.kvq\r\n[Params]\r\nfile=contest.kvq\r\n",
                           0) == 0);
        QVERIFY(text.find("[Directory]\r\npath=" + RegIniData.VantorFolder + "\r\n") != std::string::npos);
    }

    void exitChangesNothing() {
        writeKvq("User2B2.KVQ");
        const std::string before = readFile(kvq_).value_or("");
        TfrmParamFile d;
        d.show();
        d.FileListBox_ParamFile->setCurrentRow(0);
        QTest::mouseClick(d.findChild<QPushButton*>("RzBitBtn2"), Qt::LeftButton);
        QCOMPARE(d.result(), int(TfrmParamFile::ResultAbort));
        QCOMPARE(readFile(kvq_).value_or(""), before);
    }

    void maskInTheFileNameEdit() {
        writeKvq("User2B2.KVQ");
        TfrmParamFile d;
        d.show();
        d.Edit_ParamFileName->setText("*.kvq");
        QTest::keyClick(d.Edit_ParamFileName, Qt::Key_Return);
        QCOMPARE(items(d), (QStringList{"contest.kvq", "User2B2.KVQ"}));
        QCOMPARE(selected(d), QString("User2B2.KVQ"));
        d.Edit_ParamFileName->setText("contest.kvq");
        QTest::keyClick(d.Edit_ParamFileName, Qt::Key_Return);
        QCOMPARE(selected(d), QString("contest.kvq"));
        QVERIFY(d.isVisible());
    }
};

QTEST_MAIN(TestParamFile)
#include "test_param_file.moc"
