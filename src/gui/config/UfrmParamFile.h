#pragma once
// "Select Parameter file": picks the DSP parameter file of the Vantor folder and stores its name in
// kvq.ini. The parameter set takes the new name at the next start.
#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace tarnix {

class TfrmParamFile : public QDialog {
    Q_OBJECT
public:
    // Accept closes with QDialog::Accepted (OK), Exit with ResultAbort.
    enum { ResultAbort = 3 };

    explicit TfrmParamFile(QWidget* parent = nullptr);

    // Shows the dialog modally; the result as above.
    static int Execute(QWidget* parent);

    QLabel* RzLabel_VantorFolder;
    QListWidget* FileListBox_ParamFile;
    QLineEdit* Edit_ParamFileName; // the list's file name, or a mask such as "*.kvq"
    QPushButton* RzBitBtn1;        // Accept
    QPushButton* RzBitBtn2;        // Exit

    void FormShow();
    void RzBitBtn1Click();
    void RzBitBtn2Click();

private:
    void fillList();
    void selectFile(const QString& name);
    void editReturnPressed();

    QString folder_;
    QString mask_ = "*.*";
};

} // namespace tarnix
