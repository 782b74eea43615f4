#pragma once
// A row of lit and dark segments, the way a hardware LED bar shows a level: value() of segments() are
// lit from the left (or the bottom, when vertical). Each segment has its own colour, usually set in
// groups ("4 lime, 4 yellow, 4 red"); dark segments are drawn as a dim version of their colour.
#include <QColor>
#include <QVector>
#include <QWidget>

namespace tarnix {

class SegmentMeter : public QWidget {
    Q_OBJECT
public:
    explicit SegmentMeter(QWidget* parent = nullptr);
    SegmentMeter(int segments, const QColor& colour, QWidget* parent = nullptr);

    int segments() const { return colours_.size(); }
    // All segments in one colour.
    void setSegments(int count, const QColor& colour);
    // Groups of segments: {count, colour} in order from the low end.
    void setSegmentGroups(const QVector<QPair<int, QColor>>& groups);
    QColor segmentColour(int i) const { return colours_.value(i); }

    // Lit segments, limited to 0..segments(); values outside are shown at the nearest end.
    int value() const { return value_; }
    void setValue(int v);

    void setVertical(bool vertical);
    bool vertical() const { return vertical_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QVector<QColor> colours_;
    int value_ = 0;
    bool vertical_ = false;
};

} // namespace tarnix
