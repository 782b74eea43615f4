#include "dsp/SegmentMeter.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace tarnix {

SegmentMeter::SegmentMeter(QWidget* parent) : SegmentMeter(10, Qt::green, parent) {}

SegmentMeter::SegmentMeter(int segments, const QColor& colour, QWidget* parent) : QWidget(parent) {
    setSegments(segments, colour);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SegmentMeter::setSegments(int count, const QColor& colour) {
    colours_ = QVector<QColor>(std::max(count, 0), colour);
    value_ = std::clamp(value_, 0, segments());
    updateGeometry();
    update();
}

void SegmentMeter::setSegmentGroups(const QVector<QPair<int, QColor>>& groups) {
    colours_.clear();
    for (const auto& [count, colour] : groups)
        for (int i = 0; i < count; ++i)
            colours_.append(colour);
    value_ = std::clamp(value_, 0, segments());
    updateGeometry();
    update();
}

void SegmentMeter::setValue(int v) {
    v = std::clamp(v, 0, segments());
    if (v == value_)
        return;
    value_ = v;
    update();
}

void SegmentMeter::setVertical(bool vertical) {
    if (vertical == vertical_)
        return;
    vertical_ = vertical;
    setSizePolicy(vertical ? QSizePolicy::Fixed : QSizePolicy::Expanding,
                  vertical ? QSizePolicy::Expanding : QSizePolicy::Fixed);
    updateGeometry();
    update();
}

QSize SegmentMeter::sizeHint() const {
    const int along = std::max(segments(), 1) * 8;
    return vertical_ ? QSize(16, along) : QSize(along, 16);
}

QSize SegmentMeter::minimumSizeHint() const {
    const int along = std::max(segments(), 1) * 3;
    return vertical_ ? QSize(8, along) : QSize(along, 8);
}

void SegmentMeter::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), QColor(0x20, 0x20, 0x20));
    const int n = segments();
    if (n == 0)
        return;
    const int gap = 1;
    const int length = vertical_ ? height() : width();
    const int thickness = vertical_ ? width() : height();
    for (int i = 0; i < n; ++i) {
        // Spread the rounding over the segments so the bar fills the widget exactly.
        const int a = i * length / n + gap;
        const int b = (i + 1) * length / n - gap;
        if (b <= a)
            continue;
        QColor c = colours_[i];
        if (i >= value_)
            c = c.darker(400);
        const QRect r = vertical_ ? QRect(gap, height() - b, thickness - 2 * gap, b - a)
                                  : QRect(a, gap, b - a, thickness - 2 * gap);
        p.fillRect(r, c);
    }
}

} // namespace tarnix
