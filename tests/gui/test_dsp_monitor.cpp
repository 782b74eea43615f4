// The DSP monitor panel fed with telemetry records: every display's texts, visibility and meter
// values, the extremes and their reset, the power scale labels, and the bars drawn to the pixel.
#include "base/ByteOrder.h"
#include "dsp/DspMonitorGrids.h"
#include "dsp/DspMonitorPanel.h"
#include "dsp/SegmentMeter.h"
#include "sim/PtyDsp.h"
#include "sim/SimTelemetry.h"

#include <QElapsedTimer>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>
#include <QTableView>
#include <QtTest>

using namespace tarnix;

namespace {

Ad603Table risingTable() {
    Ad603Table t{};
    for (size_t i = 0; i < t.size(); ++i)
        t[i] = static_cast<uint8_t>(10 + i);
    return t;
}

// A receive record: S-meter n dB, DAC code 25 (15 dB on the rising table), ADC 3 steps (4 dB),
// AGC byte 48 (20 dB), rx input at full scale, Rx AF out at half.
DspTelemetry receiveRecord(uint8_t n = 70) {
    DspTelemetry t;
    t.Telemetry[4] = 25;
    putBe16(&t.Telemetry[2], 32768);
    putBe16(&t.Telemetry[5], 16384);
    t.Telemetry[19] = n;
    t.Telemetry[21] = 0x38;
    t.Telemetry[22] = 0x00;
    t.Telemetry[23] = 48;
    return t;
}

DspTelemetry transmitRecord() {
    DspTelemetry t;
    t.Telemetry[4] = 0x80 | 0x40;
    t.Telemetry[20] = 1;
    t.Telemetry[23] = 70;
    putBe16(&t.Telemetry[2], 3277);
    putLe16(&t.Telemetry[24], 75);
    putLe16(&t.Telemetry[26], 30);
    putLe16(&t.Telemetry[28], 150);
    return t;
}

QString cell(QTableView* v, int row, int col) {
    return v->model()->index(row, col).data().toString();
}

// The viewport as an image and the cell rectangle in it.
QImage viewportImage(QTableView* v) {
    return v->viewport()->grab().toImage();
}

QRgb rgb(uint32_t c) {
    return qRgb((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
}

} // namespace

class TestDspMonitor : public QObject {
    Q_OBJECT
private slots:
    void startsWithReceiveNamesAndZeros();
    void receiveRecord_data();
    void receiveRecord();
    void transmitRecordShowsPowerAndHidesTheGainChain();
    void extremesAndZeroMaxMin();
    void powerScaleLabelsAndZeroFullScale();
    void testPointBarIsDrawnToThePixel();
    void gainBarIsDrawnToThePixel();
    void segmentMeterClampsAndColours();
    void serialRouteOverThePseudoTerminal();
};

void TestDspMonitor::startsWithReceiveNamesAndZeros() {
    TDspMonitorPanel p;
    QTableView* grid = p.findChild<QTableView*>("dxDBGrid_Meter");
    QVERIFY(grid);
    QCOMPARE(grid->model()->rowCount(), 8);
    QCOMPARE(cell(grid, 0, TestPointModel::ColName), QString("Rx input"));
    QCOMPARE(cell(grid, 7, TestPointModel::ColName), QString("Rx AF out"));
    QCOMPARE(cell(grid, 3, TestPointModel::ColHex), QString("0000"));
    QCOMPARE(cell(grid, 3, TestPointModel::ColPercent), QString("0.00"));
    QCOMPARE(cell(grid, 3, TestPointModel::ColDb), QString("0"));
    QStringList headers;
    for (int c = 0; c < grid->model()->columnCount(); ++c)
        headers << grid->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headers, QStringList({"test point", "hex", "%", "dB", "", "min", "max", "dif"}));
    QVERIFY(p.findChild<QPushButton*>("RzBitBtn_ZeroMaxMin"));
    QCOMPARE(p.RzBitBtn_ZeroMaxMin->text(), QString("&Zero maxmin"));
    QCOMPARE(p.RzMeter_Smeter->segments(), 12);
    for (SegmentMeter* m : {p.RzMeter_Fwd, p.RzMeter_Ref, p.RzMeter_SWR})
        QCOMPARE(m->segments(), 31);
    QCOMPARE(p.monitor().display().gain.METER, 0);
    QVERIFY(p.RzPanel_RT->isHidden());
    // Fall-back scale until the window reads the controller's.
    QCOMPARE(p.RzLabel_Fwd3->text(), QString("150"));
}

void TestDspMonitor::receiveRecord_data() {
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("bar");
    QTest::addColumn<int>("gainByte");
    QTest::addColumn<QString>("ss");
    QTest::addColumn<int>("segments");
    QTest::addColumn<QString>("agc");
    QTest::newRow("70 dB, bar 0x800, AGC 20")
        << 70 << 0x800 << 20 << "70dB/S0  =  S9+10dB" << 12 << "AGC 0dB";
    QTest::newRow("59 dB, bar 1, AGC 120") << 59 << 1 << 120 << "59dB/S0  =  S9" << 1 << "AGC 72dB";
    QTest::newRow("0 dB, bar 0, AGC 48") << 0 << 0 << 48 << "0dB/S0  =  S0" << 0 << "AGC 20dB";
}

void TestDspMonitor::receiveRecord() {
    QFETCH(int, n);
    QFETCH(int, bar);
    QFETCH(int, gainByte);
    QFETCH(QString, ss);
    QFETCH(int, segments);
    QFETCH(QString, agc);
    TDspMonitorPanel p;
    p.setAd603Table(risingTable());
    p.show();
    DspTelemetry t = ::receiveRecord(static_cast<uint8_t>(n));
    t.Telemetry[21] = static_cast<uint8_t>(0x30 | (bar >> 8));
    t.Telemetry[22] = static_cast<uint8_t>(bar & 0xFF);
    t.Telemetry[23] = static_cast<uint8_t>(gainByte);
    p.showTelemetry(t);

    QCOMPARE(p.RzLabel_ss->text(), ss);
    QCOMPARE(p.RzMeter_Smeter->value(), segments);
    QVERIFY(p.RzLabel_S1->isVisible() && p.RzLabel_S5->isVisible() && p.RzLabel_S9->isVisible());
    QCOMPARE(p.RzLabel_S930->text(), QString("S9 + 30dB"));
    QVERIFY(!p.RzLabel_Hang->isVisible());
    QVERIFY(!p.RzLabel_Spike->isVisible());
    QVERIFY(!p.RzPanel_RT->isVisible());

    QTableView* grid = p.dxDBGrid_Meter;
    QCOMPARE(cell(grid, 0, TestPointModel::ColDb), QString("90"));
    QCOMPARE(cell(grid, 0, TestPointModel::ColHex), QString("8000"));
    QCOMPARE(cell(grid, 0, TestPointModel::ColPercent), QString("1.00"));
    QCOMPARE(cell(grid, 7, TestPointModel::ColDb), QString("84"));
    QCOMPARE(cell(grid, 7, TestPointModel::ColPercent), QString("0.50"));
    QCOMPARE(cell(grid, 1, TestPointModel::ColDb), QString("0"));
    QCOMPARE(grid->model()->index(0, TestPointModel::ColMeter).data(BarValueRole).toInt(), 90);

    QCOMPARE(p.RzLabel_AD603->text(), QString("AD603"));
    QCOMPARE(p.RzLabel_DAC->text(), QString("dac 38"));
    QCOMPARE(p.RzLabel_AD603gain->text(), QString("AD603 gain 15dB"));
    QCOMPARE(p.RzLabel_ADC->text(), QString("ADC 4dB"));
    QCOMPARE(p.RzLabel_AGC->text(), agc);
    const int total = 15 + 4 + p.monitor().display().gain.AGCDB;
    QCOMPARE(p.RzLabel_GainLeft->text(), QString("Gain %1dB").arg(total));
    QCOMPARE(p.RzLabel_GainRight->text(), QString("%1dB").arg(123 - total));
    QVERIFY(p.dxDBGrid_Gain->isVisible());
    QCOMPARE(p.RzMeter_Fwd->value(), 0);
    QCOMPARE(p.RzMeter_SWR->value(), 0);

    // Hang and spike show in receive.
    t.Telemetry[4] |= 0x40;
    t.Telemetry[20] = 1;
    p.showTelemetry(t);
    QVERIFY(p.RzLabel_Hang->isVisible());
    QVERIFY(p.RzLabel_Spike->isVisible());
}

void TestDspMonitor::transmitRecordShowsPowerAndHidesTheGainChain() {
    TDspMonitorPanel p;
    p.setAd603Table(risingTable());
    p.setPowerScale({150, 75});
    p.show();
    p.showTelemetry(::receiveRecord());
    p.showTelemetry(transmitRecord());
    QVERIFY(p.RzPanel_RT->isVisible());
    QCOMPARE(p.RzPanel_RT->text(), QString("Transmit"));
    QCOMPARE(p.RzLabel_ss->text(), QString());
    QVERIFY(!p.RzLabel_S1->isVisible() && !p.RzLabel_S5->isVisible() && !p.RzLabel_S9->isVisible());
    QCOMPARE(p.RzLabel_S930->text(), QString("Tx out"));
    QVERIFY(!p.RzLabel_Hang->isVisible());
    QVERIFY(!p.RzLabel_Spike->isVisible());
    QCOMPARE(cell(p.dxDBGrid_Meter, 0, TestPointModel::ColName), QString("Mic input"));
    QCOMPARE(cell(p.dxDBGrid_Meter, 6, TestPointModel::ColName), QString("Tx monitor out"));
    QCOMPARE(cell(p.dxDBGrid_Meter, 0, TestPointModel::ColDb), QString("70"));
    QCOMPARE(p.RzLabel_AD603gain->text(), QString("VOGAD gain 6dB"));
    for (QLabel* l : {p.RzLabel_DAC, p.RzLabel_AD603, p.RzLabel_ADC, p.RzLabel_AGC})
        QCOMPARE(l->text(), QString());
    QVERIFY(!p.RzLabel_GainLeft->isVisible());
    QVERIFY(!p.RzLabel_GainRight->isVisible());
    QVERIFY(!p.dxDBGrid_Gain->isVisible());
    QCOMPARE(p.RzMeter_Fwd->value(), 15); // 75 x 30 div 150
    QCOMPARE(p.RzMeter_Ref->value(), 12); // 30 x 30 div 75
    QCOMPARE(p.RzMeter_SWR->value(), 5);  // SWR 1.5

    // SWR 1.0 gives no segment; power over full scale fills the meter and no more.
    DspTelemetry t = transmitRecord();
    putLe16(&t.Telemetry[28], 100);
    putLe16(&t.Telemetry[24], 1000);
    p.showTelemetry(t);
    QCOMPARE(p.RzMeter_SWR->value(), 0);
    QCOMPARE(p.RzMeter_Fwd->value(), 31);

    // Back to receive: the meters rest, the chain comes back.
    p.showTelemetry(::receiveRecord());
    QVERIFY(!p.RzPanel_RT->isVisible());
    QCOMPARE(p.RzMeter_Fwd->value(), 0);
    QVERIFY(p.dxDBGrid_Gain->isVisible());
    QCOMPARE(cell(p.dxDBGrid_Meter, 0, TestPointModel::ColName), QString("Rx input"));
}

void TestDspMonitor::extremesAndZeroMaxMin() {
    TDspMonitorPanel p;
    DspTelemetry t = ::receiveRecord();
    for (uint16_t w : {16384, 32768, 3277}) {
        putBe16(&t.Telemetry[2], w);
        p.showTelemetry(t);
    }
    QTableView* grid = p.dxDBGrid_Meter;
    QCOMPARE(cell(grid, 0, TestPointModel::ColMin), QString("70"));
    QCOMPARE(cell(grid, 0, TestPointModel::ColMax), QString("90"));
    QCOMPARE(cell(grid, 0, TestPointModel::ColDiff), QString("20"));

    QTest::mouseClick(p.RzBitBtn_ZeroMaxMin, Qt::LeftButton);
    QCOMPARE(int(p.monitor().PeakMax()[0]), 0);
    QCOMPARE(int(p.monitor().PeakMin()[0]), 90);
    p.showTelemetry(t);
    QCOMPARE(cell(grid, 0, TestPointModel::ColMin), QString("70"));
    QCOMPARE(cell(grid, 0, TestPointModel::ColMax), QString("70"));
    QCOMPARE(cell(grid, 0, TestPointModel::ColDiff), QString("0"));
}

void TestDspMonitor::powerScaleLabelsAndZeroFullScale() {
    TDspMonitorPanel p;
    p.setPowerScale({75, 750});
    QCOMPARE(QStringList({p.RzLabel_Fwd1->text(), p.RzLabel_Fwd2->text(), p.RzLabel_Fwd3->text()}),
             QStringList({"2.5", "5.0", "7.5"}));
    QCOMPARE(QStringList({p.RzLabel_Ref1->text(), p.RzLabel_Ref2->text(), p.RzLabel_Ref3->text()}),
             QStringList({"25", "50", "75"}));

    // A full scale of 0: no division, the meter shows 0 and says why.
    p.setPowerScale({0, 300});
    QCOMPARE(p.RzLabel_Fwd3->text(), QString("150"));
    QCOMPARE(p.RzLabel_Ref3->text(), QString("30"));
    p.showTelemetry(transmitRecord());
    QCOMPARE(p.RzMeter_Fwd->value(), 0);
    QCOMPARE(p.RzMeter_Ref->value(), 3);
    QVERIFY(!p.RzMeter_Fwd->toolTip().isEmpty());
}

void TestDspMonitor::testPointBarIsDrawnToThePixel() {
    TDspMonitorPanel p;
    p.resize(1200, 400);
    p.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p));
    DspTelemetry t = ::receiveRecord();
    putBe16(&t.Telemetry[17], 100); // row 2: 40 dB
    p.showTelemetry(t);
    QTableView* grid = p.dxDBGrid_Meter;
    const QImage img = viewportImage(grid);
    const QColor base = grid->palette().color(QPalette::Base);

    // Row 1 at 90 dB: 90 cells.
    const QRect r = grid->visualRect(grid->model()->index(0, TestPointModel::ColMeter));
    const int mid = r.top() + r.height() / 2;
    auto at = [&](int x, int y) { return img.pixel(r.left() + x, y); };
    QCOMPARE(at(2, mid), rgb(0x808080)); // cell 1: x 2..3, gray
    QCOMPARE(at(3, mid), rgb(0x808080));
    QCOMPARE(at(4, mid), base.rgb()); // the gap between cells
    QCOMPARE(at(5, mid), base.rgb());
    QCOMPARE(at(42, mid), rgb(0x808000));  // cell 11: olive
    QCOMPARE(at(82, mid), rgb(0x008080));  // cell 21: teal
    QCOMPARE(at(122, mid), rgb(0x800000)); // cell 31: maroon
    QCOMPARE(at(162, mid), rgb(0x000080)); // cell 41: navy
    QCOMPARE(at(202, mid), rgb(0x800080)); // cell 51: purple
    QCOMPARE(at(242, mid), rgb(0x008000)); // cell 61: green
    QCOMPARE(at(282, mid), rgb(0x0000FF)); // cell 71: blue
    QCOMPARE(at(322, mid), rgb(0xFF0000)); // cell 81: red
    QCOMPARE(at(359, mid), rgb(0xFF0000)); // cell 90 ends at 360
    QCOMPARE(at(362, mid), base.rgb());    // no cell 91
    // 3 pixels inside the top and bottom edges; ticks 2 pixels long at 40, 80, ...
    QCOMPARE(at(2, r.top() + 3), rgb(0x808080));
    QCOMPARE(at(2, r.top() + 2), base.rgb());
    QCOMPARE(at(2, r.bottom() - 3), rgb(0x808080));
    QCOMPARE(at(2, r.bottom() - 2), base.rgb());
    QCOMPARE(at(40, r.top()), qRgb(0, 0, 0));
    QCOMPARE(at(40, r.top() + 1), qRgb(0, 0, 0));
    QCOMPARE(at(40, r.bottom()), qRgb(0, 0, 0));
    QCOMPARE(at(360, r.top()), qRgb(0, 0, 0));
    QCOMPARE(at(41, r.top()), base.rgb());

    // Row 2 at 40 dB stops after cell 40.
    const QRect r2 = grid->visualRect(grid->model()->index(1, TestPointModel::ColMeter));
    const int mid2 = r2.top() + r2.height() / 2;
    QCOMPARE(img.pixel(r2.left() + 158, mid2), rgb(0x800000)); // cell 40
    QCOMPARE(img.pixel(r2.left() + 162, mid2), base.rgb());

    // Names green by default, blue when the status says so; the dB column maroon, the rest navy.
    auto fg = [&](int col) { return grid->model()->index(0, col).data(Qt::ForegroundRole).value<QColor>(); };
    QCOMPARE(fg(TestPointModel::ColName), QColor(0x00, 0x80, 0x00));
    p.setNameColourBlue(true);
    QCOMPARE(fg(TestPointModel::ColName), QColor(0x00, 0x00, 0xFF));
    QCOMPARE(fg(TestPointModel::ColDb), QColor(0x80, 0x00, 0x00));
    QCOMPARE(fg(TestPointModel::ColHex), QColor(0x00, 0x00, 0x80));
}

void TestDspMonitor::gainBarIsDrawnToThePixel() {
    TDspMonitorPanel p;
    p.setAd603Table(risingTable());
    p.resize(1200, 400);
    p.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p));
    p.showTelemetry(::receiveRecord()); // g 15, adc 4, agc 20
    QTableView* grid = p.dxDBGrid_Gain;
    const QImage img = viewportImage(grid);
    const QColor base = grid->palette().color(QPalette::Base);
    const QRect r = grid->visualRect(grid->model()->index(0, GainModel::ColMeter));
    QVERIFY(r.width() >= 492);
    const int mid = r.top() + r.height() / 2;
    auto at = [&](int a, int y) { return img.pixel(r.left() + 4 * a - 2, y); };
    QCOMPARE(at(1, mid), rgb(0x0000FF));
    QCOMPARE(at(15, mid), rgb(0x0000FF));
    QCOMPARE(at(16, mid), rgb(0xFF0000));
    QCOMPARE(at(19, mid), rgb(0xFF0000));
    QCOMPARE(at(20, mid), rgb(0x808080));
    QCOMPARE(at(39, mid), rgb(0x808080));
    QCOMPARE(at(40, mid), rgb(0x008000));
    QCOMPARE(at(123, mid), rgb(0x008000));
    QCOMPARE(img.pixel(r.left() + 4 * 123 + 2, mid), base.rgb()); // nothing after cell 123
    // The gain cells 5 pixels inside, the rest 3.
    QCOMPARE(at(1, r.top() + 5), rgb(0x0000FF));
    QCOMPARE(at(1, r.top() + 4), base.rgb());
    QCOMPARE(at(40, r.top() + 3), rgb(0x008000));
    QCOMPARE(at(40, r.top() + 2), base.rgb());
    // Ticks up to 520.
    QCOMPARE(img.pixel(r.left() + 520, r.top()), qRgb(0, 0, 0));
}

void TestDspMonitor::segmentMeterClampsAndColours() {
    SegmentMeter m;
    m.setSegmentGroups({{4, Qt::green}, {4, Qt::yellow}, {4, Qt::red}});
    QCOMPARE(m.segments(), 12);
    QCOMPARE(m.segmentColour(3), QColor(Qt::green));
    QCOMPARE(m.segmentColour(4), QColor(Qt::yellow));
    QCOMPARE(m.segmentColour(11), QColor(Qt::red));
    m.setValue(-5);
    QCOMPARE(m.value(), 0);
    m.setValue(40);
    QCOMPARE(m.value(), 12);
    // Lit segments drawn in their colour, dark ones dimmed.
    m.resize(120, 16);
    m.setValue(6);
    const QImage img = m.grab().toImage();
    QCOMPARE(QColor(img.pixel(5, 8)), QColor(Qt::green));
    QCOMPARE(QColor(img.pixel(55, 8)), QColor(Qt::yellow));
    QVERIFY(QColor(img.pixel(75, 8)) != QColor(Qt::yellow));
    QVERIFY(QColor(img.pixel(115, 8)) != QColor(Qt::red));
}

void TestDspMonitor::serialRouteOverThePseudoTerminal() {
    PtyDsp dsp;
    QVERIFY2(dsp.ok(), dsp.error().c_str());
    dsp.start();
    QSerialPort port(QString::fromStdString(dsp.devicePath()));
    port.setBaudRate(QSerialPort::Baud9600);
    QVERIFY(port.open(QIODevice::ReadWrite));

    // One frame: bytes 2..23 replaced, the power bytes of an earlier USB record kept.
    DspTelemetry t;
    putLe16(&t.Telemetry[24], 99);
    const TelemetryBody body = SimTelemetryBody(4000, false);
    dsp.sendRaw({0x00, 0x13}); // line noise before the frame
    dsp.sendTelemetry(body);
    QCOMPARE(ReadTelemetrySerialPort(port, t), SerialTelemetryResult::Frame);
    QVERIFY(std::equal(body.begin(), body.end(), t.Telemetry.begin() + 2));
    QCOMPARE(int(t.forward()), 99);

    TDspMonitorPanel p;
    p.showTelemetry(t);
    QCOMPARE(p.RzLabel_ss->text(), QString::fromStdString(SmeterText(body[17])));

    // A broken sync drops the frame.
    const auto before = t.Telemetry;
    dsp.sendRaw({'~', 'x', 1, 2, 3});
    QCOMPARE(ReadTelemetrySerialPort(port, t), SerialTelemetryResult::NoSync);
    QCOMPARE(t.Telemetry, before);

    // A silent DSP costs one bounded wait, not a hung window.
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(ReadTelemetrySerialPort(port, t), SerialTelemetryResult::NoStart);
    QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));

    // A DSP streaming faster than the poll: each read shows a recent frame and the backlog stays small.
    dsp.streamTelemetry(20);
    QTest::qWait(400);
    QCOMPARE(ReadTelemetrySerialPort(port, t), SerialTelemetryResult::Frame);
    QVERIFY2(port.bytesAvailable() < 48, qPrintable(QString::number(port.bytesAvailable())));
    dsp.streamTelemetry(0);
    dsp.stop();
}

QTEST_MAIN(TestDspMonitor)
#include "test_dsp_monitor.moc"
