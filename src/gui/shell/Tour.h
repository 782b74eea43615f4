#pragma once
// The tour: every window of the program is opened in turn, given a second to run, and written out
// as DIR/<window class>.png (a grab) and DIR/<window class>.txt (its visible texts, one per line).
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace tarnix {

// The visible texts of a window: labels, buttons, check boxes, line edits, status panes, list items
// and table cells, one per entry, in widget order.
QStringList visibleTexts(QWidget* w);

// Writes DIR/<name>.png and DIR/<name>.txt for the window; false when a file cannot be written.
bool writeTourShot(QWidget* w, const QString& dir, const QString& name);

// One stop of the tour: opens its window (returning it, or nullptr when it cannot be opened here),
// and closes it again after the shot.
struct TourStop {
    QString windowClass;
    std::function<QWidget*()> open;
    std::function<void(QWidget*)> close;
};

// Stops are registered by the windows' owners; the main window runs them in order of registration.
QList<TourStop>& tourStops();

} // namespace tarnix
