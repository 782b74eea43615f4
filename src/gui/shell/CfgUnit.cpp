#include "shell/CfgUnit.h"

#include "link/UUsb.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarnix {

static QComboBox* combo(QWidget* parent, const char* name, const QStringList& items, const QString& initial) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->addItems(items);
    c->setCurrentText(initial);
    return c;
}

static QLineEdit* twoChars(QWidget* parent, const char* name, const QString& text) {
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(name);
    e->setMaxLength(2);
    e->setFixedWidth(40);
    return e;
}

TSetupForm::TSetupForm(QWidget* parent) : QDialog(parent) {
    setObjectName("SetupForm");
    setWindowTitle("USB configuration options");

    auto* data = new QGroupBox(" Data ", this);
    BaudSelect = combo(data, "BaudSelect",
                       {"300", "600", "1,200", "2,400", "4,800", "9,600", "19,200", "38,400", "57,600",
                        "115,200", "230,400", "460,800", "921,600"},
                       "115,200");
    DataBits = combo(data, "DataBits", {"7 bits", "8 bits"}, "8 bits");
    StopBits = combo(data, "StopBits", {"1 bit", "2 bits"}, "1 bit");
    Parity = combo(data, "Parity", {"None", "Odd", "Even", "Mark", "Space"}, "None");
    auto* dl = new QFormLayout(data);
    dl->addRow("Baud", BaudSelect);
    dl->addRow("Data bits", DataBits);
    dl->addRow("Stop bits", StopBits);
    dl->addRow("Parity", Parity);

    auto* hs = new QGroupBox(" Handshaking ", this);
    FlowControl = combo(hs, "FlowControl", {"None", "RTS/CTS", "DTR/DSR", "X-On/X-Off"}, "None");
    RTS_On = new QCheckBox("RTS", hs);
    RTS_On->setObjectName("RTS_On");
    RTS_On->setChecked(true);
    DTR_On = new QCheckBox("DTR", hs);
    DTR_On->setObjectName("DTR_On");
    DTR_On->setChecked(true);
    auto* hl = new QVBoxLayout(hs);
    hl->addWidget(FlowControl);
    hl->addWidget(RTS_On);
    hl->addWidget(DTR_On);

    auto* sc = new QGroupBox(" Special Chars ", this);
    XON_Val = twoChars(sc, "XON_Val", "11");
    XOFF_Val = twoChars(sc, "XOFF_Val", "13");
    Event_On = new QCheckBox(sc);
    Event_On->setObjectName("Event_On");
    Error_On = new QCheckBox(sc);
    Error_On->setObjectName("Error_On");
    Event_Val = twoChars(sc, "Event_Val", "00");
    Error_Val = twoChars(sc, "Error_Val", "00");
    Event_Label = new QLabel("Event", sc);
    Event_Label->setObjectName("Event_Label");
    Error_Label = new QLabel("Error", sc);
    Error_Label->setObjectName("Error_Label");
    auto* sl = new QGridLayout(sc);
    sl->addWidget(new QLabel("XON", sc), 0, 1);
    sl->addWidget(XON_Val, 0, 2);
    sl->addWidget(new QLabel("XOFF", sc), 1, 1);
    sl->addWidget(XOFF_Val, 1, 2);
    sl->addWidget(Event_On, 2, 0);
    sl->addWidget(Event_Label, 2, 1);
    sl->addWidget(Event_Val, 2, 2);
    sl->addWidget(Error_On, 3, 0);
    sl->addWidget(Error_Label, 3, 1);
    sl->addWidget(Error_Val, 3, 2);
    // Each check box enables its own edit and label.
    auto bind = [](QCheckBox* box, QLineEdit* edit, QLabel* label) {
        edit->setEnabled(box->isChecked());
        label->setEnabled(box->isChecked());
        QObject::connect(box, &QCheckBox::toggled, edit, &QWidget::setEnabled);
        QObject::connect(box, &QCheckBox::toggled, label, &QWidget::setEnabled);
    };
    bind(Event_On, Event_Val, Event_Label);
    bind(Error_On, Error_Val, Error_Label);

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OKBtn");
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("CancelBtn");
    connect(ok, &QPushButton::clicked, this, &TSetupForm::OkClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* groups = new QHBoxLayout;
    groups->addWidget(data);
    groups->addWidget(hs);
    groups->addWidget(sc);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(buttons);
}

void TSetupForm::OkClick() {
    Usb.CloseLink();
    // Search again straight away, so that the choice dialog comes up now when several are connected.
    Usb.CheckLink();
    accept();
}

} // namespace tarnix
