#include "shell/UfrmSelectVantorDir.h"

#include "base/Files.h"
#include "shell/UIniData.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

namespace tarnix {

TfrmSelectVantorDir::TfrmSelectVantorDir(QWidget* parent)
    : QDialog(parent), DriveCombo(new QComboBox(this)), DirectoryListBox1(new QTreeView(this)),
      RzLabel_Dir(new QLabel(this)), model_(new QFileSystemModel(this)) {
    setObjectName("frmSelectVantorDir");
    setWindowTitle("Select Vantor folder");
    resize(520, 440);

    DriveCombo->setObjectName("DriveCombo");
    DirectoryListBox1->setObjectName("DirectoryListBox1");
    RzLabel_Dir->setObjectName("RzLabel_Dir");

    // The "drives" of this system are its mounted file systems.
    QStringList roots;
    for (const QStorageInfo& s : QStorageInfo::mountedVolumes())
        if (s.isValid() && s.isReady() && !roots.contains(s.rootPath()))
            roots << s.rootPath();
    roots.sort();
    if (!roots.contains("/"))
        roots.prepend("/");
    DriveCombo->addItems(roots);

    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model_->setRootPath("/");
    DirectoryListBox1->setModel(model_);
    for (int c = 1; c < model_->columnCount(); ++c)
        DirectoryListBox1->hideColumn(c);
    DirectoryListBox1->header()->hide();

    auto* title = new QLabel("Vantor folder:", this);
    title->setObjectName("RzLabel_VantorFolder");
    auto* help =
        new QLabel("This folder contains KVQ.ini, the DSP params file, the DSP code, QBasic programs and a "
                   "Filters Folder",
                   this);
    help->setObjectName("RzLabel_Explain");
    help->setWordWrap(true);

    auto* accept = new QPushButton("Accept", this);
    accept->setObjectName("RzBitBtn_Accept");
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("RzBitBtn_Cancel");
    connect(accept, &QPushButton::clicked, this, &TfrmSelectVantorDir::AcceptClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(DriveCombo, &QComboBox::currentIndexChanged, this, &TfrmSelectVantorDir::DriveChanged);
    connect(DirectoryListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& idx) {
                if (idx.isValid()) {
                    current_ = model_->filePath(idx);
                    RzLabel_Dir->setText(current_);
                }
            });

    // The folder model fills in the background: keep the chosen folder in view as its parents load,
    // until the user picks another one.
    connect(model_, &QFileSystemModel::directoryLoaded, this, [this](const QString&) {
        if (!following_)
            return;
        QModelIndex idx = model_->index(current_);
        QSignalBlocker block(DirectoryListBox1->selectionModel());
        DirectoryListBox1->setCurrentIndex(idx);
        DirectoryListBox1->scrollTo(idx, QAbstractItemView::PositionAtCenter);
    });
    connect(DirectoryListBox1, &QTreeView::clicked, this, [this] { following_ = false; });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(accept);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(RzLabel_Dir);
    layout->addWidget(DriveCombo);
    layout->addWidget(DirectoryListBox1, 1);
    layout->addWidget(help);
    layout->addLayout(buttons);

    // Open at the stored folder; at the root when it no longer exists.
    if (!SetPath(QString::fromStdString(toPosixPath(RegIniData.VantorFolder))))
        SetPath("/");
}

QString TfrmSelectVantorDir::CurrentPath() const {
    return current_;
}

bool TfrmSelectVantorDir::SetPath(const QString& path) {
    QFileInfo fi(path);
    if (path.isEmpty() || !fi.isDir())
        return false;
    QString p = fi.absoluteFilePath();
    QString drive = "/";
    for (int i = 0; i < DriveCombo->count(); ++i) {
        QString r = DriveCombo->itemText(i);
        if ((p == r || p.startsWith(r.endsWith('/') ? r : r + "/")) && r.size() > drive.size())
            drive = r;
    }
    {
        QSignalBlocker block(DriveCombo);
        DriveCombo->setCurrentText(drive);
    }
    DirectoryListBox1->setRootIndex(model_->index(drive));
    QModelIndex idx = model_->index(p);
    DirectoryListBox1->setCurrentIndex(idx);
    DirectoryListBox1->scrollTo(idx);
    current_ = p;
    RzLabel_Dir->setText(p);
    return true;
}

void TfrmSelectVantorDir::DriveChanged(int index) {
    if (index >= 0)
        SetPath(DriveCombo->itemText(index));
}

void TfrmSelectVantorDir::AcceptClick() {
    RegIniData.VantorFolder = current_.toStdString();
    SaveMainSettings();
    accept();
}

} // namespace tarnix
