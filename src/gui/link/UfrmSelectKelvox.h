#pragma once
// The choice of one Kelvox when several are connected.
#include "link/UUsb.h"

#include <QDialog>

#include <functional>

class QListWidget;
class QListWidgetItem;
class QPushButton;
class QLabel;

namespace tarnix {

class TfrmSelectKelvox : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSelectKelvox(QWidget* parent = nullptr);

    // Fills the list with one line per entry.
    void setEntries(const std::vector<TUsbDeviceEntry>& entries);
    // The chosen line's position + 1; 0 while none was chosen.
    int choice() const { return choice_; }

    // Shows the dialog modally for the entries and returns the choice (0 for none, after
    // "Exit Tarnix", which also ends the program).
    static int choose(const std::vector<TUsbDeviceEntry>& entries, QWidget* parent = nullptr);
    // A chooser for TUsb that shows this dialog.
    static TUsb::Chooser chooser();

    // What "Exit Tarnix" does after closing the dialog: ends the program (tests replace it).
    static std::function<void()> exitProgram;

    QListWidget* RzEditListBox_Kelvox;
    QPushButton* RzBitBtn_Select;
    QPushButton* RzBitBtn_Exit;

private:
    void RzEditListBox_KelvoxDblClick(QListWidgetItem* item);
    void RzBitBtn_SelectClick();
    void RzBitBtn_ExitClick();

    int choice_ = 0;
};

} // namespace tarnix
