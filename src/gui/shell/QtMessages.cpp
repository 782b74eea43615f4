#include "shell/QtMessages.h"

#include <QApplication>
#include <QMessageBox>

namespace tarnix {

MsgResult QtMessages::show(const Message& m) {
    QMessageBox::Icon icon = QMessageBox::Information;
    switch (m.icon) {
    case MsgIcon::Information:
        icon = QMessageBox::Information;
        break;
    case MsgIcon::Warning:
        icon = QMessageBox::Warning;
        break;
    case MsgIcon::Error:
        icon = QMessageBox::Critical;
        break;
    case MsgIcon::Confirmation:
        icon = QMessageBox::Question;
        break;
    }
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    switch (m.buttons) {
    case MsgButtons::Ok:
        buttons = QMessageBox::Ok;
        break;
    case MsgButtons::Abort:
        buttons = QMessageBox::Abort;
        break;
    case MsgButtons::OkCancel:
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case MsgButtons::YesNo:
        buttons = QMessageBox::Yes | QMessageBox::No;
        break;
    case MsgButtons::YesNoCancel:
        buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    }
    QString caption = m.caption.empty() ? QApplication::applicationName() : QString::fromStdString(m.caption);
    QMessageBox box(icon, caption, QString::fromStdString(m.text), buttons, QApplication::activeWindow());
    switch (box.exec()) {
    case QMessageBox::Cancel:
        return MsgResult::Cancel;
    case QMessageBox::Abort:
        return MsgResult::Abort;
    case QMessageBox::Yes:
        return MsgResult::Yes;
    case QMessageBox::No:
        return MsgResult::No;
    default:
        return MsgResult::Ok;
    }
}

} // namespace tarnix
