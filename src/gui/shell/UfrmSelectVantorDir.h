#pragma once
#include <QDialog>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QTreeView;

namespace tarnix {

// Choice of the Vantor folder, the folder of the DSP software files.
class TfrmSelectVantorDir : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSelectVantorDir(QWidget* parent = nullptr);

    QString CurrentPath() const;
    // Moves the folder list to a folder; false when it does not exist.
    bool SetPath(const QString& path);

    QComboBox* DriveCombo;
    QTreeView* DirectoryListBox1;
    QLabel* RzLabel_Dir;

private slots:
    void AcceptClick();
    void DriveChanged(int index);

private:
    QFileSystemModel* model_;
    QString current_;
    bool following_ = true;
};

} // namespace tarnix
