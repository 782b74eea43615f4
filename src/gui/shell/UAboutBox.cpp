#include "shell/UAboutBox.h"

#include "shell/Globals.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarnix {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent), Label_Version(new QLabel(this)) {
    setObjectName("AboutBox");
    setWindowTitle("About TARNIX");
    auto* product = new QLabel("Tarnix", this);
    product->setObjectName("ProductName");
    QFont f = product->font();
    f.setPointSize(f.pointSize() + 6);
    f.setBold(true);
    product->setFont(f);
    Label_Version->setObjectName("Label_Version");
    Label_Version->setText(QString("Version: ") + ProgramVersion);
    auto* comments = new QLabel(
        "Tarnix is a CAT control and monitoring application for the Kelvox transceiver controller project",
        this);
    comments->setObjectName("Comments");
    comments->setWordWrap(true);
    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OKButton");
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(product);
    layout->addWidget(Label_Version);
    layout->addWidget(comments);
    layout->addWidget(ok, 0, Qt::AlignRight);
    resize(360, 180);
}

} // namespace tarnix
