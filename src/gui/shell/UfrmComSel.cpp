#include "shell/UfrmComSel.h"

#include "shell/UIniData.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QVBoxLayout>

namespace tarnix {

QStringList& TfrmComSel::ExtraPorts() {
    static QStringList ports;
    return ports;
}

QStringList TfrmComSel::PortLines() {
    QStringList devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        devices << info.systemLocation();
    devices.sort();
    QStringList lines{"none"};
    lines << devices;
    for (const QString& p : ExtraPorts())
        if (!lines.contains(p))
            lines << p;
    return lines;
}

TfrmComSel::TfrmComSel(QWidget* parent) : QDialog(parent), RzCB_comsel(new QComboBox(this)) {
    setObjectName("frmComSel");
    setWindowTitle(" TARNIX  -  select COM port ");
    RzCB_comsel->setObjectName("RzCB_comsel");
    RzCB_comsel->setEditable(false);
    RzCB_comsel->addItems(PortLines());
    RzCB_comsel->setCurrentIndex(RzCB_comsel->findText(QString::fromStdString(RegIniData.ComPort)));
    RzCB_comsel->setMinimumWidth(220);

    auto* accept = new QPushButton("Accept", this);
    accept->setObjectName("RzBitBtn_Accept");
    auto* reject = new QPushButton("Reject", this);
    reject->setObjectName("RzBitBtn_Reject");
    connect(accept, &QPushButton::clicked, this, &TfrmComSel::AcceptClick);
    connect(reject, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(accept);
    buttons->addWidget(reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RzCB_comsel);
    layout->addLayout(buttons);
}

void TfrmComSel::AcceptClick() {
    RegIniData.ComPort = RzCB_comsel->currentText().toStdString();
    SaveMainSettings();
    accept();
}

} // namespace tarnix
