#pragma once
// The two tables of the DSP monitor: the eight test points with their level bars, and the one-row
// gain chain with its 123 dB bar. The bars are drawn cell by cell to the pixel positions the monitor
// computes (dsp/DspTelemetry.h), so that every builder's screen shows the same scale.
#include "dsp/DspTelemetry.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>

namespace tarnix {

// Role of the bar columns' number (the cells themselves show no text).
constexpr int BarValueRole = Qt::UserRole + 1;

class TestPointModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColName, ColHex, ColPercent, ColDb, ColMeter, ColMin, ColMax, ColDiff, ColumnCount };

    explicit TestPointModel(QObject* parent = nullptr);

    void setRecords(const std::array<TestPointRecord, TelemetryTestPoints>& records);
    const TestPointRecord& record(int row) const { return records_.at(static_cast<size_t>(row)); }
    // Names blue (status byte 0 = 1) or green.
    void setNameBlue(bool blue);
    bool nameBlue() const { return nameBlue_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

private:
    std::array<TestPointRecord, TelemetryTestPoints> records_;
    bool nameBlue_ = false;
};

class GainModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { ColMeter, ColGain, ColAdc, ColAgc, ColumnCount };

    explicit GainModel(QObject* parent = nullptr);

    void setRecord(const GainRecord& r);
    const GainRecord& record() const { return record_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

private:
    GainRecord record_;
};

// The test-point bar: ticks every 40 pixels to 360, then METER cells of 2 pixels every 4.
class TestPointBarDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The gain bar: ticks every 40 pixels to 520, then 123 cells: AD603, ADC, AGC and the gain left.
class GainBarDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// Draws the ticks both bars share: 2 pixels long at the top and bottom edges every 40 pixels.
void drawBarTicks(QPainter* p, const QRect& cell, int lastTick);
// Fills one bar cell of the given geometry inside the grid cell.
void drawBarCell(QPainter* p, const QRect& cell, const BarCell& c);

} // namespace tarnix
