#include "dsp/DspMonitorPanel.h"

#include "dsp/DspMonitorGrids.h"
#include "dsp/SegmentMeter.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QSerialPort>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

namespace tarnix {

// Labels under a segment meter, each centred at a fraction of the meter's length.
class ScaleRow : public QWidget {
public:
    explicit ScaleRow(QWidget* parent = nullptr) : QWidget(parent) {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    QLabel* add(const QString& name, const QString& text, double at) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        QFont f = l->font();
        f.setPointSizeF(f.pointSizeF() * 0.85);
        l->setFont(f);
        l->adjustSize();
        items_.push_back({l, at});
        place();
        return l;
    }
    QSize sizeHint() const override { return {120, fontMetrics().height() + 2}; }
    QSize minimumSizeHint() const override { return {40, fontMetrics().height() + 2}; }

    void place() {
        for (const auto& [label, at] : items_) {
            label->adjustSize();
            const int centre = static_cast<int>(at * width());
            const int x = std::clamp(centre - label->width() / 2, 0, std::max(0, width() - label->width()));
            label->move(x, 0);
        }
    }

protected:
    void resizeEvent(QResizeEvent*) override { place(); }

private:
    std::vector<std::pair<QLabel*, double>> items_;
};

namespace {

QLabel* makeLabel(const char* name, const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

void setupTable(QTableView* v) {
    v->setSelectionMode(QAbstractItemView::NoSelection);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setFocusPolicy(Qt::NoFocus);
    v->verticalHeader()->hide();
    v->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    v->verticalHeader()->setDefaultSectionSize(v->fontMetrics().height() + 4);
    v->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    v->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    v->setWordWrap(false);
}

const QColor lime(0x00, 0xFF, 0x00);
const QColor fuchsia(0xFF, 0x00, 0xFF);
const QColor red(0xFF, 0x00, 0x00);
const QColor yellow(0xFF, 0xFF, 0x00);

} // namespace

TDspMonitorPanel::TDspMonitorPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("DspMonitorPanel");
    pointModel_ = new TestPointModel(this);
    gainModel_ = new GainModel(this);

    // Left: test points, then the gain chain.
    dxDBGrid_Meter = new QTableView(this);
    dxDBGrid_Meter->setObjectName("dxDBGrid_Meter");
    setupTable(dxDBGrid_Meter);
    dxDBGrid_Meter->setModel(pointModel_);
    dxDBGrid_Meter->setItemDelegateForColumn(TestPointModel::ColMeter,
                                             new TestPointBarDelegate(dxDBGrid_Meter));
    QHeaderView* h = dxDBGrid_Meter->horizontalHeader();
    h->setSectionResizeMode(QHeaderView::Fixed);
    const int digit = fontMetrics().horizontalAdvance('0');
    h->resizeSection(TestPointModel::ColName, fontMetrics().horizontalAdvance("Auto notch output") + 16);
    h->resizeSection(TestPointModel::ColHex, digit * 4 + 16);
    h->resizeSection(TestPointModel::ColPercent, digit * 4 + 16);
    h->resizeSection(TestPointModel::ColDb, digit * 3 + 14);
    h->resizeSection(TestPointModel::ColMeter, TestPointTickEnd + 12);
    for (int c : {TestPointModel::ColMin, TestPointModel::ColMax, TestPointModel::ColDiff})
        h->resizeSection(c, digit * 3 + 14);
    int tableWidth = 2 * dxDBGrid_Meter->frameWidth();
    for (int c = 0; c < TestPointModel::ColumnCount; ++c)
        tableWidth += h->sectionSize(c);
    dxDBGrid_Meter->setMinimumWidth(std::min(tableWidth, 480));
    dxDBGrid_Meter->setMaximumWidth(tableWidth);
    // Room for all eight rows, also when a narrow window needs the horizontal scroll bar.
    dxDBGrid_Meter->setFixedHeight(
        h->sizeHint().height() +
        TelemetryTestPoints * dxDBGrid_Meter->verticalHeader()->defaultSectionSize() +
        2 * dxDBGrid_Meter->frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent));

    auto* left = new QVBoxLayout;
    left->setSpacing(4);
    left->addWidget(dxDBGrid_Meter);
    left->addWidget(buildGain());
    left->addStretch(1);

    // Right: S-meter, transmit indicator, power meters, the extremes' reset.
    RzPanel_RT = makeLabel("RzPanel_RT", "Transmit", this);
    RzPanel_RT->setAlignment(Qt::AlignCenter);
    RzPanel_RT->setAutoFillBackground(true);
    RzPanel_RT->setStyleSheet(
        "QLabel { background: #FF0000; color: white; font-weight: bold; padding: 2px; }");
    RzPanel_RT->setVisible(false);

    RzBitBtn_ZeroMaxMin = new QPushButton("&Zero maxmin", this);
    RzBitBtn_ZeroMaxMin->setObjectName("RzBitBtn_ZeroMaxMin");
    connect(RzBitBtn_ZeroMaxMin, &QPushButton::clicked, this, &TDspMonitorPanel::RzBitBtn_ZeroMaxMinClick);

    auto* right = new QVBoxLayout;
    right->setSpacing(4);
    right->addWidget(buildSmeter());
    right->addWidget(RzPanel_RT);
    right->addWidget(buildPowerMeters());
    right->addWidget(RzBitBtn_ZeroMaxMin, 0, Qt::AlignLeft);
    right->addStretch(1);

    auto* rightBox = new QWidget(this);
    right->setContentsMargins(0, 0, 0, 0);
    rightBox->setLayout(right);
    rightBox->setMaximumWidth(260);
    auto* top = new QHBoxLayout(this);
    top->setContentsMargins(4, 4, 4, 4);
    top->addLayout(left, 1);
    top->addWidget(rightBox, 0);

    setPowerScale(DefaultPowerScale);
    applyDisplay();
}

TDspMonitorPanel::~TDspMonitorPanel() = default;

QWidget* TDspMonitorPanel::buildSmeter() {
    auto* box = new QGroupBox("S-meter", this);
    box->setObjectName("RzGroupBox_Smeter");
    auto* v = new QVBoxLayout(box);
    v->setSpacing(2);
    RzLabel_ss = makeLabel("RzLabel_ss", {}, box);
    QFont bold = RzLabel_ss->font();
    bold.setBold(true);
    RzLabel_ss->setFont(bold);
    v->addWidget(RzLabel_ss);

    RzMeter_Smeter = new SegmentMeter(box);
    RzMeter_Smeter->setObjectName("RzMeter_Smeter");
    RzMeter_Smeter->setSegmentGroups({{4, lime}, {4, yellow}, {4, red}});
    RzMeter_Smeter->setMinimumHeight(14);
    v->addWidget(RzMeter_Smeter);

    // The segments stand for the bar value's significant bits; the S-units sit under their segments.
    auto* scale = new ScaleRow(box);
    RzLabel_S1 = scale->add("RzLabel_S1", "S1", 1.5 / 12);
    RzLabel_S5 = scale->add("RzLabel_S5", "S5", 4.5 / 12);
    RzLabel_S9 = scale->add("RzLabel_S9", "S9", 7.5 / 12);
    RzLabel_S930 = scale->add("RzLabel_S930", "S9 + 30dB", 11.0 / 12);
    v->addWidget(scale);

    auto* flags = new QHBoxLayout;
    RzLabel_Hang = makeLabel("RzLabel_Hang", "Hang", box);
    RzLabel_Hang->setStyleSheet("QLabel { color: #000080; font-weight: bold; }");
    RzLabel_Spike = makeLabel("RzLabel_Spike", "Spike", box);
    RzLabel_Spike->setStyleSheet("QLabel { color: #FF0000; font-weight: bold; }");
    // Keep their room when hidden so the meter does not jump.
    for (QLabel* l : {RzLabel_Hang, RzLabel_Spike}) {
        QSizePolicy sp = l->sizePolicy();
        sp.setRetainSizeWhenHidden(true);
        l->setSizePolicy(sp);
    }
    flags->addWidget(RzLabel_Hang);
    flags->addWidget(RzLabel_Spike);
    flags->addStretch(1);
    v->addLayout(flags);
    return box;
}

QWidget* TDspMonitorPanel::buildPowerMeters() {
    auto* box = new QGroupBox("Power / SWR", this);
    box->setObjectName("RzGroupBox_Power");
    auto* g = new QGridLayout(box);
    g->setVerticalSpacing(0);
    g->setColumnStretch(1, 1);
    int row = 0;
    auto addMeter = [&](const char* name, const char* caption, const QColor& colour) {
        auto* m = new SegmentMeter(31, colour, box);
        m->setObjectName(name);
        m->setMinimumHeight(12);
        g->addWidget(new QLabel(caption, box), row, 0);
        g->addWidget(m, row, 1);
        ++row;
        return m;
    };
    // Full scale is segment 30 of 31; the labels mark a third, two thirds and all of it.
    auto at = [](int segment) { return (segment - 0.5) / 31.0; };

    RzMeter_Fwd = addMeter("RzMeter_Fwd", "Fwd", lime);
    auto* fwd = fwdScale_ = new ScaleRow(box);
    RzLabel_Fwd1 = fwd->add("RzLabel_Fwd1", {}, at(10));
    RzLabel_Fwd2 = fwd->add("RzLabel_Fwd2", {}, at(20));
    RzLabel_Fwd3 = fwd->add("RzLabel_Fwd3", {}, at(30));
    g->addWidget(fwd, row++, 1);

    RzMeter_Ref = addMeter("RzMeter_Ref", "Ref", fuchsia);
    auto* ref = refScale_ = new ScaleRow(box);
    RzLabel_Ref1 = ref->add("RzLabel_Ref1", {}, at(10));
    RzLabel_Ref2 = ref->add("RzLabel_Ref2", {}, at(20));
    RzLabel_Ref3 = ref->add("RzLabel_Ref3", {}, at(30));
    g->addWidget(ref, row++, 1);

    RzMeter_SWR = addMeter("RzMeter_SWR", "SWR", red);
    auto* swr = new ScaleRow(box);
    // Segment n stands for an SWR of 1 + n / 10.
    swr->add("RzLabel_SWR1", "1", 0.0);
    swr->add("RzLabel_SWR2", "2", at(10));
    swr->add("RzLabel_SWR3", "3", at(20));
    swr->add("RzLabel_SWR4", "4", at(30));
    g->addWidget(swr, row++, 1);
    return box;
}

QWidget* TDspMonitorPanel::buildGain() {
    auto* box = new QWidget(this);
    box->setObjectName("RzPanel_Gain");
    auto* v = new QVBoxLayout(box);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);

    auto* labels = new QHBoxLayout;
    RzLabel_AD603 = makeLabel("RzLabel_AD603", {}, box);
    RzLabel_DAC = makeLabel("RzLabel_DAC", {}, box);
    RzLabel_AD603gain = makeLabel("RzLabel_AD603gain", {}, box);
    RzLabel_ADC = makeLabel("RzLabel_ADC", {}, box);
    RzLabel_AGC = makeLabel("RzLabel_AGC", {}, box);
    RzLabel_AD603gain->setStyleSheet("QLabel { color: #0000FF; }");
    RzLabel_ADC->setStyleSheet("QLabel { color: #FF0000; }");
    RzLabel_AGC->setStyleSheet("QLabel { color: #505050; }");
    for (QLabel* l : {RzLabel_AD603, RzLabel_DAC, RzLabel_AD603gain, RzLabel_ADC, RzLabel_AGC})
        labels->addWidget(l);
    labels->addStretch(1);
    v->addLayout(labels);

    auto* bar = new QHBoxLayout;
    RzLabel_GainLeft = makeLabel("RzLabel_GainLeft", {}, box);
    RzLabel_GainRight = makeLabel("RzLabel_GainRight", {}, box);
    dxDBGrid_Gain = new QTableView(box);
    dxDBGrid_Gain->setObjectName("dxDBGrid_Gain");
    setupTable(dxDBGrid_Gain);
    dxDBGrid_Gain->setModel(gainModel_);
    dxDBGrid_Gain->setItemDelegateForColumn(GainModel::ColMeter, new GainBarDelegate(dxDBGrid_Gain));
    dxDBGrid_Gain->horizontalHeader()->hide();
    dxDBGrid_Gain->setShowGrid(false);
    for (int c = GainModel::ColGain; c < GainModel::ColumnCount; ++c)
        dxDBGrid_Gain->setColumnHidden(c, true);
    dxDBGrid_Gain->verticalHeader()->setDefaultSectionSize(18);
    dxDBGrid_Gain->horizontalHeader()->resizeSection(GainModel::ColMeter, GainTickEnd + 4);
    const int w = GainTickEnd + 4 + 2 * dxDBGrid_Gain->frameWidth();
    dxDBGrid_Gain->setFixedWidth(w);
    dxDBGrid_Gain->setFixedHeight(18 + 2 * dxDBGrid_Gain->frameWidth());
    bar->addWidget(RzLabel_GainLeft);
    bar->addWidget(dxDBGrid_Gain);
    bar->addWidget(RzLabel_GainRight);
    bar->addStretch(1);
    for (QLabel* l : {RzLabel_GainLeft, RzLabel_GainRight}) {
        QSizePolicy sp = l->sizePolicy();
        sp.setRetainSizeWhenHidden(true);
        l->setSizePolicy(sp);
        l->setMinimumWidth(fontMetrics().horizontalAdvance("Gain 123dB"));
    }
    RzLabel_GainLeft->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    v->addLayout(bar);
    return box;
}

void TDspMonitorPanel::setAd603Table(const Ad603Table& table) {
    ad603_ = table;
}

void TDspMonitorPanel::setNameColourBlue(bool blue) {
    pointModel_->setNameBlue(blue);
}

void TDspMonitorPanel::setPowerScale(const PowerScale& scale) {
    scale_ = scale;
    const auto fwd = PowerScaleLabels(scale.FwdFullScale);
    const auto ref = PowerScaleLabels(scale.RefFullScale);
    QLabel* const fwdLabels[] = {RzLabel_Fwd1, RzLabel_Fwd2, RzLabel_Fwd3};
    QLabel* const refLabels[] = {RzLabel_Ref1, RzLabel_Ref2, RzLabel_Ref3};
    for (size_t i = 0; i < 3; ++i) {
        fwdLabels[i]->setText(QString::fromStdString(fwd[i]));
        refLabels[i]->setText(QString::fromStdString(ref[i]));
    }
    // A controller without a calibrated meter reports a full scale of 0: the meter then stays dark.
    RzMeter_Fwd->setToolTip(scale.FwdFullScale == 0 ? "No forward power full scale from Kelvox" : QString());
    RzMeter_Ref->setToolTip(scale.RefFullScale == 0 ? "No reflected power full scale from Kelvox"
                                                    : QString());
    // The labels changed their width: centre them again.
    fwdScale_->place();
    refScale_->place();
}

void TDspMonitorPanel::showTelemetry(const DspTelemetry& t) {
    monitor_.Update(t, ad603_, scale_);
    applyDisplay();
}

void TDspMonitorPanel::ZeroMaxMin() {
    monitor_.ZeroMaxMin();
}

void TDspMonitorPanel::RzBitBtn_ZeroMaxMinClick() {
    ZeroMaxMin();
}

void TDspMonitorPanel::applyDisplay() {
    const MonitorDisplay& d = monitor_.display();
    // S-meter
    RzLabel_ss->setText(QString::fromStdString(d.ss));
    RzLabel_S1->setVisible(d.showSUnits);
    RzLabel_S5->setVisible(d.showSUnits);
    RzLabel_S9->setVisible(d.showSUnits);
    RzLabel_S930->setText(QString::fromStdString(d.s930));
    RzLabel_Hang->setVisible(d.hang);
    RzLabel_Spike->setVisible(d.spike);
    RzMeter_Smeter->setValue(d.smeter);
    RzPanel_RT->setVisible(d.transmitting);

    // Test points
    pointModel_->setRecords(d.points);

    // Gain chain
    RzLabel_AD603->setText(QString::fromStdString(d.ad603));
    RzLabel_DAC->setText(QString::fromStdString(d.dac));
    RzLabel_AD603gain->setText(QString::fromStdString(d.ad603gain));
    RzLabel_ADC->setText(QString::fromStdString(d.adc));
    RzLabel_AGC->setText(QString::fromStdString(d.agc));
    RzLabel_GainLeft->setText(QString::fromStdString(d.gainLeft));
    RzLabel_GainRight->setText(QString::fromStdString(d.gainRight));
    RzLabel_GainLeft->setVisible(d.showGain);
    RzLabel_GainRight->setVisible(d.showGain);
    dxDBGrid_Gain->setVisible(d.showGain);
    gainModel_->setRecord(d.gain);

    // Power meters (the SWR below 1.0 and power above full scale are shown at the meter's ends)
    RzMeter_Fwd->setValue(d.fwd);
    RzMeter_Ref->setValue(d.ref);
    RzMeter_SWR->setValue(d.swr);
}

// --- The serial route ----------------------------------------------------------------------------------

namespace {

class SerialPortSource : public TelemetryByteSource {
public:
    explicit SerialPortSource(QSerialPort& port) : port_(port) {}
    bool readByte(uint8_t& b, int timeoutMs) override {
        if (!port_.isOpen())
            return false;
        if (port_.bytesAvailable() == 0 && !port_.waitForReadyRead(timeoutMs))
            return false;
        char c = 0;
        if (!port_.getChar(&c))
            return false;
        b = static_cast<uint8_t>(c);
        return true;
    }
    size_t available() override {
        if (!port_.isOpen())
            return 0;
        port_.waitForReadyRead(0); // take in what the line has delivered so far
        return static_cast<size_t>(port_.bytesAvailable());
    }
    void discard(size_t n) override {
        if (port_.isOpen())
            port_.skip(static_cast<qint64>(n));
    }

private:
    QSerialPort& port_;
};

} // namespace

SerialTelemetryResult ReadTelemetrySerialPort(QSerialPort& port, DspTelemetry& t,
                                              const SerialTelemetryLimits& limits) {
    SerialPortSource source(port);
    return ReadTelemetrySerial(source, t, limits);
}

} // namespace tarnix
