#include "link/UfrmSelectKelvox.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace tarnix {

std::function<void()> TfrmSelectKelvox::exitProgram = [] { QCoreApplication::quit(); };

TfrmSelectKelvox::TfrmSelectKelvox(QWidget* parent) : QDialog(parent) {
    setObjectName("frmSelectKelvox");
    setWindowTitle("Tarnix   -  Multiple Kelvoxs found ");
    // No title-bar buttons: the dialog ends only through its own buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    const char* texts[] = {
        "Tarnix scans the PC USB ports for FTDI USB devices.",
        "It responds only to FTDI devices which have KELVOX in their identification string (case "
        "insensitive).",
        "Multiple Kelvoxs have been found - please select the Kelvox which you wish to connect to by "
        "double-clicking or select and then click the Select Kelvox button.",
        "Later, if you wish to change to another Kelvox you will have to restart Tarnix and reselect.",
    };
    int n = 1;
    for (const char* t : texts) {
        auto* label = new QLabel(QString::fromUtf8(t), this);
        label->setObjectName(QString("RzLabel%1").arg(n++));
        label->setWordWrap(true);
        layout->addWidget(label);
        if (n == 4) {
            RzEditListBox_Kelvox = new QListWidget(this);
            RzEditListBox_Kelvox->setObjectName("RzEditListBox_Kelvox");
            RzEditListBox_Kelvox->setEditTriggers(QAbstractItemView::NoEditTriggers);
            RzEditListBox_Kelvox->setSelectionMode(QAbstractItemView::SingleSelection);
            layout->addWidget(RzEditListBox_Kelvox);
        }
    }
    auto* buttons = new QHBoxLayout;
    RzBitBtn_Select = new QPushButton("Select Kelvox", this);
    RzBitBtn_Select->setObjectName("RzBitBtn_Select");
    RzBitBtn_Exit = new QPushButton("Exit Tarnix", this);
    RzBitBtn_Exit->setObjectName("RzBitBtn_Exit");
    RzBitBtn_Select->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(RzBitBtn_Select);
    buttons->addWidget(RzBitBtn_Exit);
    layout->addLayout(buttons);
    resize(520, 360);

    connect(RzEditListBox_Kelvox, &QListWidget::itemDoubleClicked, this,
            &TfrmSelectKelvox::RzEditListBox_KelvoxDblClick);
    connect(RzBitBtn_Select, &QPushButton::clicked, this, &TfrmSelectKelvox::RzBitBtn_SelectClick);
    connect(RzBitBtn_Exit, &QPushButton::clicked, this, &TfrmSelectKelvox::RzBitBtn_ExitClick);
}

void TfrmSelectKelvox::setEntries(const std::vector<TUsbDeviceEntry>& entries) {
    RzEditListBox_Kelvox->clear();
    for (const auto& e : entries)
        RzEditListBox_Kelvox->addItem(QString::fromStdString(TUsb::ChoiceLine(e)));
}

void TfrmSelectKelvox::RzEditListBox_KelvoxDblClick(QListWidgetItem* item) {
    if (!item)
        return;
    choice_ = RzEditListBox_Kelvox->row(item) + 1;
    done(choice_);
}

void TfrmSelectKelvox::RzBitBtn_SelectClick() {
    int row = RzEditListBox_Kelvox->currentRow();
    if (row < 0 || RzEditListBox_Kelvox->selectedItems().isEmpty())
        return; // nothing selected: the dialog stays open
    choice_ = row + 1;
    done(choice_);
}

void TfrmSelectKelvox::RzBitBtn_ExitClick() {
    choice_ = 0;
    done(0);
    if (exitProgram)
        exitProgram();
}

int TfrmSelectKelvox::choose(const std::vector<TUsbDeviceEntry>& entries, QWidget* parent) {
    TfrmSelectKelvox dlg(parent);
    dlg.setEntries(entries);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = dlg.frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        dlg.move(r.topLeft());
    }
    dlg.exec();
    return dlg.choice();
}

TUsb::Chooser TfrmSelectKelvox::chooser() {
    return [](const std::vector<TUsbDeviceEntry>& entries) { return choose(entries); };
}

} // namespace tarnix
