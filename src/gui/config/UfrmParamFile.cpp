#include "config/UfrmParamFile.h"

#include "base/Files.h"
#include "base/Messages.h"
#include "shell/UIniData.h"

#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarnix {

namespace {
QLabel* helpLabel(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setWordWrap(true);
    l->setStyleSheet("color: green;");
    return l;
}
} // namespace

TfrmParamFile::TfrmParamFile(QWidget* parent)
    : QDialog(parent), RzLabel_VantorFolder(new QLabel(this)), FileListBox_ParamFile(new QListWidget(this)),
      Edit_ParamFileName(new QLineEdit(this)), RzBitBtn1(new QPushButton("Accept", this)),
      RzBitBtn2(new QPushButton("Exit", this)) {
    setObjectName("frmParamFile");
    setWindowTitle("Select Parameter file");
    setModal(true);
    RzLabel_VantorFolder->setObjectName("RzLabel_VantorFolder");
    FileListBox_ParamFile->setObjectName("FileListBox_ParamFile");
    Edit_ParamFileName->setObjectName("Edit_ParamFileName");
    RzBitBtn1->setObjectName("RzBitBtn1");
    RzBitBtn2->setObjectName("RzBitBtn2");
    // Return in the file name edit applies a mask or picks a name; it must not press Accept.
    RzBitBtn1->setAutoDefault(false);
    RzBitBtn2->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(helpLabel(this, "RzLabel_Help1",
                                "Select the DSP parameter file here. This changes the parameter file entry "
                                "of kvq.ini; the new file is used from the next start of the program."));
    layout->addWidget(RzLabel_VantorFolder);
    layout->addWidget(helpLabel(this, "RzLabel_Help2", "The list shows the files of the Vantor folder."));
    layout->addWidget(Edit_ParamFileName);
    layout->addWidget(FileListBox_ParamFile, 1);
    layout->addWidget(
        helpLabel(this, "RzLabel_Help3",
                  "kvq.ini also has a Directory entry: it is redundant, the program always uses "
                  "the Vantor folder."));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(RzBitBtn1);
    buttons->addWidget(RzBitBtn2);
    layout->addLayout(buttons);
    resize(420, 460);

    connect(RzBitBtn1, &QPushButton::clicked, this, &TfrmParamFile::RzBitBtn1Click);
    connect(RzBitBtn2, &QPushButton::clicked, this, &TfrmParamFile::RzBitBtn2Click);
    connect(FileListBox_ParamFile, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        RzBitBtn1->setEnabled(item != nullptr);
        if (item)
            Edit_ParamFileName->setText(item->text());
    });
    connect(FileListBox_ParamFile, &QListWidget::itemDoubleClicked, this, &TfrmParamFile::RzBitBtn1Click);
    connect(Edit_ParamFileName, &QLineEdit::returnPressed, this, &TfrmParamFile::editReturnPressed);

    FormShow();
}

int TfrmParamFile::Execute(QWidget* parent) {
    TfrmParamFile dlg(parent);
    return dlg.exec();
}

void TfrmParamFile::FormShow() {
    LoadKvqIni();
    folder_ = QString::fromStdString(toPosixPath(RegIniData.VantorFolder));
    RzLabel_VantorFolder->setText("Vantor folder = " + QString::fromStdString(RegIniData.VantorFolder));
    mask_ = "*.*";
    Edit_ParamFileName->setText(mask_);
    fillList();
    selectFile(QString::fromStdString(KvqIniData.ParamsFile));
}

void TfrmParamFile::fillList() {
    FileListBox_ParamFile->clear();
    QStringList filters;
    for (const QString& m : mask_.split(';', Qt::SkipEmptyParts))
        filters << (m.trimmed() == "*.*" ? QString("*")
                                         : m.trimmed()); // "*.*" also means names without a dot
    QDir dir(folder_);
    FileListBox_ParamFile->addItems(dir.entryList(filters, QDir::Files, QDir::Name | QDir::IgnoreCase));
    FileListBox_ParamFile->setCurrentItem(nullptr);
    RzBitBtn1->setEnabled(false);
}

void TfrmParamFile::selectFile(const QString& name) {
    // The exact name first; a file whose name differs only in case is the same file to a Windows user.
    for (Qt::CaseSensitivity cs : {Qt::CaseSensitive, Qt::CaseInsensitive}) {
        for (int i = 0; i < FileListBox_ParamFile->count(); ++i) {
            if (FileListBox_ParamFile->item(i)->text().compare(name, cs) == 0) {
                FileListBox_ParamFile->setCurrentRow(i);
                return;
            }
        }
    }
}

void TfrmParamFile::editReturnPressed() {
    const QString text = Edit_ParamFileName->text().trimmed();
    if (text.contains('*') || text.contains('?')) {
        mask_ = text;
        fillList();
        selectFile(QString::fromStdString(KvqIniData.ParamsFile));
        Edit_ParamFileName->setText(mask_);
    } else {
        selectFile(text);
    }
}

void TfrmParamFile::RzBitBtn1Click() {
    QListWidgetItem* item = FileListBox_ParamFile->currentItem();
    if (!item)
        return;
    const TKvqIniData before = KvqIniData;
    KvqIniData.ParamsFile = item->text().toStdString();
    if (!SaveKvqIni()) {
        KvqIniData = before;
        messages().error("Cannot write " + KvqIniWritePath(RegIniData.VantorFolder));
        return;
    }
    done(QDialog::Accepted);
}

void TfrmParamFile::RzBitBtn2Click() {
    done(ResultAbort);
}

} // namespace tarnix
