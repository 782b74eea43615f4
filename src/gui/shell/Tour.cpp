#include "shell/Tour.h"

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPixmap>
#include <QSpinBox>
#include <QStatusBar>
#include <QTextStream>
#include <QWidget>

namespace tarnix {

static void addText(QStringList& out, const QString& t) {
    QString s = t.trimmed();
    if (!s.isEmpty())
        out << s;
}

static void collect(QWidget* w, QStringList& out) {
    if (!w->isVisibleTo(w->window()) && w != w->window())
        return;
    if (auto* l = qobject_cast<QLabel*>(w))
        addText(out, l->text());
    else if (auto* b = qobject_cast<QAbstractButton*>(w))
        addText(out, b->text());
    else if (auto* g = qobject_cast<QGroupBox*>(w))
        addText(out, g->title());
    else if (auto* e = qobject_cast<QLineEdit*>(w))
        addText(out, e->text());
    else if (auto* c = qobject_cast<QComboBox*>(w))
        addText(out, c->currentText());
    else if (auto* s = qobject_cast<QAbstractSpinBox*>(w))
        addText(out, s->text());
    else if (auto* v = qobject_cast<QAbstractItemView*>(w)) {
        if (QAbstractItemModel* m = v->model()) {
            for (int r = 0; r < m->rowCount(); ++r)
                for (int c = 0; c < m->columnCount(); ++c)
                    addText(out, m->index(r, c).data().toString());
        }
    }
    for (QObject* child : w->children())
        if (auto* cw = qobject_cast<QWidget*>(child); cw && !cw->isWindow())
            collect(cw, out);
}

QStringList visibleTexts(QWidget* w) {
    QStringList out;
    addText(out, w->windowTitle());
    collect(w, out);
    return out;
}

bool writeTourShot(QWidget* w, const QString& dir, const QString& name) {
    QDir().mkpath(dir);
    QPixmap shot = w->grab();
    if (!shot.save(dir + "/" + name + ".png"))
        return false;
    QFile f(dir + "/" + name + ".txt");
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return false;
    QTextStream ts(&f);
    for (const QString& line : visibleTexts(w))
        ts << line << "\n";
    return true;
}

QList<TourStop>& tourStops() {
    static QList<TourStop> stops;
    return stops;
}

} // namespace tarnix
