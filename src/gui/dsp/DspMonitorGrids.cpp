#include "dsp/DspMonitorGrids.h"

#include <QColor>
#include <QPainter>

namespace tarnix {

namespace {

const QColor navy(0x00, 0x00, 0x80);
const QColor maroon(0x80, 0x00, 0x00);
const QColor blue(0x00, 0x00, 0xFF);
const QColor green(0x00, 0x80, 0x00);

QColor rgbColour(uint32_t rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// Pixels wanted by the bars: their last tick plus a little room.
constexpr int testPointBarWidth = TestPointTickEnd + 12;
constexpr int gainBarWidth = GainTickEnd + 4;

} // namespace

void drawBarTicks(QPainter* p, const QRect& cell, int lastTick) {
    p->setPen(Qt::black);
    for (int x = 40; x <= lastTick; x += 40) {
        const int px = cell.left() + x;
        p->drawLine(px, cell.top(), px, cell.top() + TickLength - 1);
        p->drawLine(px, cell.bottom() - TickLength + 1, px, cell.bottom());
    }
}

void drawBarCell(QPainter* p, const QRect& cell, const BarCell& c) {
    const int h = cell.height() - 2 * c.inset;
    if (h <= 0)
        return;
    p->fillRect(QRect(cell.left() + c.x0, cell.top() + c.inset, c.x1 - c.x0, h), rgbColour(c.rgb));
}

// --- Test points -------------------------------------------------------------------------------------

TestPointModel::TestPointModel(QObject* parent) : QAbstractTableModel(parent) {
    records_ = DspMonitor().display().points;
}

void TestPointModel::setRecords(const std::array<TestPointRecord, TelemetryTestPoints>& records) {
    records_ = records;
    emit dataChanged(index(0, 0), index(TelemetryTestPoints - 1, ColumnCount - 1));
}

void TestPointModel::setNameBlue(bool blue) {
    if (blue == nameBlue_)
        return;
    nameBlue_ = blue;
    emit dataChanged(index(0, ColName), index(TelemetryTestPoints - 1, ColName), {Qt::ForegroundRole});
}

int TestPointModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : TelemetryTestPoints;
}

int TestPointModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TestPointModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= TelemetryTestPoints)
        return {};
    const TestPointRecord& r = records_[static_cast<size_t>(index.row())];
    const int col = index.column();
    if (role == Qt::DisplayRole) {
        switch (col) {
        case ColName:
            return QString::fromStdString(r.NAME);
        case ColHex:
            return QString::fromStdString(r.HEX);
        case ColPercent:
            return QString::fromStdString(r.PERCENT);
        case ColDb:
            return r.DB;
        case ColMin:
            return r.MIN;
        case ColMax:
            return r.MAX;
        case ColDiff:
            return r.DIFF;
        default:
            return {};
        }
    }
    if (role == BarValueRole && col == ColMeter)
        return r.METER;
    if (role == Qt::ForegroundRole) {
        if (col == ColName)
            return nameBlue_ ? blue : green;
        if (col == ColDb)
            return maroon;
        return navy;
    }
    if (role == Qt::TextAlignmentRole && col != ColName)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant TestPointModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const titles[ColumnCount] = {"test point", "hex", "%", "dB", "", "min", "max", "dif"};
    return section >= 0 && section < ColumnCount ? QString(titles[section]) : QVariant();
}

void TestPointBarDelegate::paint(QPainter* p, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    const QRect cell = option.rect;
    p->save();
    p->setClipRect(cell);
    p->fillRect(cell, option.palette.base());
    drawBarTicks(p, cell, TestPointTickEnd);
    const int meter = index.data(BarValueRole).toInt();
    for (int a = 1; a <= meter; ++a)
        drawBarCell(p, cell, TestPointBarCell(a));
    p->restore();
}

QSize TestPointBarDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    return {testPointBarWidth, s.height()};
}

// --- Gain --------------------------------------------------------------------------------------------

GainModel::GainModel(QObject* parent) : QAbstractTableModel(parent) {}

void GainModel::setRecord(const GainRecord& r) {
    record_ = r;
    emit dataChanged(index(0, 0), index(0, ColumnCount - 1));
}

int GainModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1;
}

int GainModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant GainModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() != 0)
        return {};
    if (role == BarValueRole || (role == Qt::DisplayRole && index.column() != ColMeter)) {
        switch (index.column()) {
        case ColMeter:
            return record_.METER;
        case ColGain:
            return record_.GAIN;
        case ColAdc:
            return record_.ADCDB;
        case ColAgc:
            return record_.AGCDB;
        default:
            return {};
        }
    }
    return {};
}

QVariant GainModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const titles[ColumnCount] = {"gain", "AD603", "ADC", "AGC"};
    return section >= 0 && section < ColumnCount ? QString(titles[section]) : QVariant();
}

void GainBarDelegate::paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QRect cell = option.rect;
    const auto* model = qobject_cast<const GainModel*>(index.model());
    p->save();
    p->setClipRect(cell);
    p->fillRect(cell, option.palette.base());
    drawBarTicks(p, cell, GainTickEnd);
    if (model) {
        const GainRecord& r = model->record();
        for (int a = 1; a <= GainBarCells; ++a)
            drawBarCell(p, cell, GainBarCell(a, r.GAIN, r.ADCDB, r.AGCDB));
    }
    p->restore();
}

QSize GainBarDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    return {gainBarWidth, s.height()};
}

} // namespace tarnix
