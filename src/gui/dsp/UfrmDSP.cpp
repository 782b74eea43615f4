#include "dsp/UfrmDSP.h"

#include "base/Pacer.h"
#include "config/UParams.h"
#include "dsp/DspMonitorPanel.h"
#include "link/UUsb.h"
#include "shell/Globals.h"
#include "shell/Tour.h"
#include "shell/UIniData.h"
#include "shell/UfrmMain.h"
#include "sim/PtyDsp.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSerialPort>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

namespace tarnix {

TfrmDSP* frmDSP = nullptr;

namespace {

QColor rgb(const DspRgb& c) {
    return QColor(c.r, c.g, c.b);
}

const QColor Maroon(0x80, 0x00, 0x00);

const char* const GridSuffix[DspGridCount] = {"Left", "Mid", "Right"};

// The value editor: a spin box whose right-click shows the grid's menu.
class DspValueEditor : public QDoubleSpinBox {
public:
    DspValueEditor(QWidget* parent, QMenu* menu) : QDoubleSpinBox(parent), menu_(menu) {}

protected:
    void contextMenuEvent(QContextMenuEvent* e) override {
        if (menu_)
            menu_->exec(e->globalPos());
    }

private:
    QMenu* menu_;
};

} // namespace

// --- grid model --------------------------------------------------------------------------------------

DspGridModel::DspGridModel(DspControl& control, int grid, QObject* parent)
    : QAbstractTableModel(parent), c_(control), grid_(grid) {}

int DspGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(c_.Tables[static_cast<size_t>(grid_)].size());
}

int DspGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : DspColCount;
}

QVariant DspGridModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const titles[DspColCount] = {"No", "Parameter name", "value", "enc"};
    return section >= 0 && section < DspColCount ? QVariant(titles[section]) : QVariant();
}

Qt::ItemFlags DspGridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == DspColValue)
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant DspGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const DspGridRecord& r = c_.Tables[static_cast<size_t>(grid_)][static_cast<size_t>(index.row())];
    const bool extra = r.XPARAM == 1;
    switch (index.column()) {
    case DspColNo:
        if (role == Qt::DisplayRole)
            return r.USERNO;
        if (role == Qt::ForegroundRole)
            return Maroon;
        break;
    case DspColName:
        if (role == Qt::DisplayRole)
            return QString::fromStdString(r.PARAMNAME);
        if (role == Qt::ForegroundRole && extra)
            return QColor(Qt::red);
        break;
    case DspColValue: {
        const bool green = c_.usesGreen(r.PARAMNO);
        if (role == Qt::DisplayRole)
            return QString::fromStdString(r.DISPLAYVALUE);
        if (role == Qt::EditRole)
            return r.VALUE;
        if (role == Qt::BackgroundRole && green)
            return rgb(DspMoneyGreen);
        if (role == Qt::ForegroundRole)
            return extra ? QColor(Qt::red) : green ? QColor(Qt::black) : QColor(Qt::blue);
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        break;
    }
    case DspColEnc:
        if (role == Qt::DisplayRole)
            return QString::fromStdString(DspEncoderText(r.ENCODER));
        if (role == Qt::ForegroundRole)
            return r.ENCODER >= 9 ? QColor(Qt::black) : Maroon;
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignCenter);
        break;
    }
    return {};
}

void DspGridModel::reset() {
    beginResetModel();
    endResetModel();
}

void DspGridModel::rowsChanged(const std::vector<int>& rows) {
    for (int row : rows)
        if (dspGridOfRow(row) == grid_) {
            const int m = row - dspFirstRowOfGrid(grid_);
            emit dataChanged(index(m, 0), index(m, DspColCount - 1));
        }
}

void DspGridModel::allChanged() {
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, DspColCount - 1));
}

// --- value editor ------------------------------------------------------------------------------------

DspValueDelegate::DspValueDelegate(TfrmDSP* window, int grid, QObject* parent)
    : QStyledItemDelegate(parent), w_(window), grid_(grid) {}

QWidget* DspValueDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                        const QModelIndex&) const {
    auto* e = new DspValueEditor(parent, w_->EditorMenus[static_cast<size_t>(grid_)]);
    e->setObjectName(QString("RzSpinEdit_Value") + GridSuffix[grid_]);
    e->setFrame(false);
    e->setAlignment(Qt::AlignRight);
    return e;
}

void DspValueDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    auto* e = static_cast<QDoubleSpinBox*>(editor);
    if (w_->editor_ == e)
        return; // already set up; later model updates do not move an editor the user works in
    w_->editorOpened(e, grid_, w_->Models[static_cast<size_t>(grid_)]->rowNumber(index.row()));
}

void DspValueDelegate::setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const {
    // The change went to the DSP as it was made; the grid shows what the next status says.
}

void DspValueDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const {
    if (w_->editor_ == editor)
        w_->editor_ = nullptr;
    QStyledItemDelegate::destroyEditor(editor, index);
}

// --- the window --------------------------------------------------------------------------------------

TfrmDSP::TfrmDSP(QWidget* parent)
    : QWidget(parent), Control(frmMain->Queue, DspTelemetryRoute), Timer_DSP(new QTimer(this)),
      Timer_Telem(new QTimer(this)), Timer_Close(new QTimer(this)) {
    frmDSP = this;
    setObjectName("frmDSP");
    setWindowTitle("Vantor DSP control");
    buildControls();
    registerSlots();

    // Opening.
    Control.Open(Params ? DspParamInfosFrom(*Params) : DspParamInfos{});
    RzChBox_LockXparams->setChecked(true);
    Control.Route = DspTelemetryRoute;
    RzLabel_Telem->setText(Control.Route == 'S' ? "Serial-DSP" : "USB-Kelvox");
    Control.serialWriter = [](uint8_t b) {
        if (!frmMain || !frmMain->ComPortOpen)
            return false;
        QSerialPort* port = frmMain->VantorComPort;
        const char c = static_cast<char>(b);
        if (port->write(&c, 1) != 1)
            return false;
        port->flush();
        return port->bytesToWrite() == 0 || port->waitForBytesWritten(200);
    };
    if (Control.Route == 'S')
        frmMain->OpenComPort();
    else
        frmMain->Request(SlotReadPowerScale);
    if (Params) {
        Params->LoadAD603Table();
        Monitor->setAd603Table(Params->AD603Table);
    }
    RzChBox_Lock->setChecked(false);
    Monitor->ZeroMaxMin();
    for (DspGridModel* m : Models)
        m->reset();
    updateColourLooks();
    RzBitBtn_Width->setText(dspWidthCaption(Control.CurWidth));
    RzBitBtn_Mode->setText(dspModeName(Control.CurMode));

    Timer_DSP->setInterval(500);
    Timer_Telem->setInterval(180);
    Timer_Close->setInterval(2300);
    Timer_Close->setSingleShot(true);
    connect(Timer_DSP, &QTimer::timeout, this, &TfrmDSP::Timer_DSPTimer);
    connect(Timer_Telem, &QTimer::timeout, this, &TfrmDSP::Timer_TelemTimer);
    connect(Timer_Close, &QTimer::timeout, this, &TfrmDSP::Timer_CloseTimer);
    Timer_DSP->start();
    Timer_Telem->start();
}

TfrmDSP::~TfrmDSP() {
    if (frmDSP == this)
        frmDSP = nullptr;
    // The grids go first, while the window their editors report to is still whole.
    for (QTableView*& view : Grids) {
        delete view;
        view = nullptr;
    }
}

void TfrmDSP::buildControls() {
    Timer_DSP->setObjectName("Timer_DSP");
    Timer_Telem->setObjectName("Timer_Telem");
    Timer_Close->setObjectName("Timer_Close");

    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(4, 4, 4, 4);
    top->setSpacing(4);

    // Switches, mode and width, colour sets and the window's own buttons in one strip.
    auto* strip = new QHBoxLayout;
    top->addLayout(strip);
    RzLabel_Telem = new QLabel(this);
    RzLabel_Telem->setObjectName("RzLabel_Telem");
    RzLabel_Telem->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    RzLabel_Telem->setMinimumWidth(80);
    RzLabel_Telem->setAlignment(Qt::AlignCenter);
    strip->addWidget(RzLabel_Telem);

    auto* switchBox = new QGroupBox(this);
    switchBox->setObjectName("RzGroupBox_Switches");
    auto* switchGrid = new QGridLayout(switchBox);
    switchGrid->setContentsMargins(6, 2, 6, 2);
    switchGrid->setVerticalSpacing(0);
    auto box = [&](QCheckBox*& member, const char* name, const char* text, int at) {
        member = new QCheckBox(text, switchBox);
        member->setObjectName(name);
        switchGrid->addWidget(member, at % 2, at / 2);
    };
    box(RzChBx_Denoiser, "RzChBx_Denoiser", "&NR + TK", 0);
    box(RzChBx_NoiseBlank, "RzChBx_NoiseBlank", "&Noise blanker", 1);
    box(RzChBx_AutoNotch, "RzChBx_AutoNotch", "&Auto/man notch", 2);
    box(RzChBx_ManualNotch, "RzChBx_ManualNotch", "&Manual notch", 3);
    box(RzChBx_VoxQsk, "RzChBx_VoxQsk", "&Vox / QSK", 4);
    box(RzChBx_SpeechComp, "RzChBx_SpeechComp", "&Speech comp.", 5);
    strip->addWidget(switchBox);

    auto button = [this](const char* name, const char* text, int width) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        b->setMinimumWidth(width);
        return b;
    };
    RzBitBtn_Width = button("RzBitBtn_Width", "Wide", 56);
    RzBitBtn_Mode = button("RzBitBtn_Mode", "LSB", 56);
    strip->addWidget(RzBitBtn_Width);
    strip->addWidget(RzBitBtn_Mode);
    strip->addSpacing(8);
    RzBitBtn_Green = button("RzBitBtn_Green", "&G", 36);
    RzBitBtn_Yellow = button("RzBitBtn_Yellow", "&Y", 36);
    RzBitBtn_Red = button("RzBitBtn_Red", "&R", 36);
    strip->addWidget(RzBitBtn_Green);
    strip->addWidget(RzBitBtn_Yellow);
    strip->addWidget(RzBitBtn_Red);
    strip->addSpacing(8);
    RzBitBtn_Bkp = button("RzBitBtn_Bkp", "Copy to backup", 100);
    strip->addWidget(RzBitBtn_Bkp);
    auto* locks = new QVBoxLayout;
    locks->setSpacing(0);
    RzChBox_LockXparams = new QCheckBox("Lock xparams", this);
    RzChBox_LockXparams->setObjectName("RzChBox_LockXparams");
    RzChBox_Lock = new QCheckBox("&Lock display", this);
    RzChBox_Lock->setObjectName("RzChBox_Lock");
    locks->addWidget(RzChBox_LockXparams);
    locks->addWidget(RzChBox_Lock);
    strip->addLayout(locks);
    strip->addStretch(1);
    RzBitBtn_Help = button("RzBitBtn_Help", "Help", 60);
    // There is no help viewer yet to show the window's topic in.
    RzBitBtn_Help->setEnabled(false);
    RzBitBtn_Close = button("RzBitBtn_Close", "Exit", 60);
    strip->addWidget(RzBitBtn_Help);
    strip->addWidget(RzBitBtn_Close);

    // The three parameter grids.
    auto* grids = new QHBoxLayout;
    grids->setSpacing(4);
    top->addLayout(grids, 1);
    for (int g = 0; g < DspGridCount; ++g) {
        const size_t i = static_cast<size_t>(g);
        auto* menu = new QMenu(this);
        menu->setObjectName(QString("PopupMenu_") + GridSuffix[g]);
        MI_Set254[i] = menu->addAction("");
        MI_Set254[i]->setObjectName(QString("MI_Set254_") + GridSuffix[g]);
        MI_SetBackup[i] = menu->addAction("");
        MI_SetBackup[i]->setObjectName(QString("MI_SetBackup_") + GridSuffix[g]);
        EditorMenus[i] = menu;
        connect(MI_Set254[i], &QAction::triggered, this, [this] {
            Control.SetToGreen();
            refreshParam(Control.EditParam);
        });
        connect(MI_SetBackup[i], &QAction::triggered, this, [this] { Control.RestoreFromBackup(); });

        auto* view = new QTableView(this);
        view->setObjectName(QString("dxDBGrid_") + GridSuffix[g]);
        Models[i] = new DspGridModel(Control, g, view);
        view->setModel(Models[i]);
        view->setItemDelegateForColumn(DspColValue, new DspValueDelegate(this, g, view));
        view->verticalHeader()->hide();
        view->verticalHeader()->setDefaultSectionSize(18);
        view->verticalHeader()->setMinimumSectionSize(14);
        view->horizontalHeader()->setSectionResizeMode(DspColName, QHeaderView::Stretch);
        view->setColumnWidth(DspColNo, 32);
        view->setColumnWidth(DspColValue, 64);
        view->setColumnWidth(DspColEnc, 30);
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setEditTriggers(QAbstractItemView::CurrentChanged | QAbstractItemView::SelectedClicked |
                              QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
        view->viewport()->installEventFilter(this);
        // Room for the twenty rows of the fullest grid and its header.
        view->setMinimumHeight(20 * 18 + view->horizontalHeader()->sizeHint().height() +
                               2 * view->frameWidth());
        Grids[i] = view;
        grids->addWidget(view, 1);
    }

    Monitor = new TDspMonitorPanel(this);
    Monitor->setObjectName("DspMonitorPanel");
    top->addWidget(Monitor, 1);

    const auto sw = Switches();
    for (int k = 0; k < DspSwitchCount; ++k)
        connect(sw[static_cast<size_t>(k)], &QCheckBox::clicked, this,
                [this, k](bool on) { switchClicked(k, on); });
    connect(RzBitBtn_Width, &QPushButton::clicked, this, &TfrmDSP::RzBitBtn_WidthClick);
    connect(RzBitBtn_Mode, &QPushButton::clicked, this, &TfrmDSP::RzBitBtn_ModeClick);
    connect(RzBitBtn_Green, &QPushButton::clicked, this, [this] { colourClicked(1); });
    connect(RzBitBtn_Yellow, &QPushButton::clicked, this, [this] { colourClicked(2); });
    connect(RzBitBtn_Red, &QPushButton::clicked, this, [this] { colourClicked(3); });
    connect(RzBitBtn_Bkp, &QPushButton::clicked, this, &TfrmDSP::RzBitBtn_BkpClick);
    connect(RzBitBtn_Close, &QPushButton::clicked, this, &TfrmDSP::RzBitBtn_CloseClick);
}

void TfrmDSP::registerSlots() {
    auto alive = [] { return frmDSP != nullptr; };
    auto op = [](void (TfrmDSP::*fn)()) {
        return [fn] {
            if (frmDSP)
                (frmDSP->*fn)();
        };
    };
    UsbScheduler& q = frmMain->Queue;
    q.setOperation(SlotReadDspStatus, op(&TfrmDSP::ReadDspStatus), alive);
    q.setOperation(SlotReadPowerScale, op(&TfrmDSP::ReadPowerScale), alive);
    q.setOperation(SlotRestoreParam, op(&TfrmDSP::RestoreParam), alive);
    q.setOperation(SlotCopyToBackup, op(&TfrmDSP::CopyToBackup), alive);
    q.setOperation(SlotReadTelemetry, op(&TfrmDSP::ReadTelemetry), alive);
    q.setOperation(SlotSelectColourSet, op(&TfrmDSP::SelectColourSet), alive);
    q.setOperation(SlotSendParamValue, op(&TfrmDSP::SendParamValue), alive);
}

std::array<QCheckBox*, DspSwitchCount> TfrmDSP::Switches() const {
    return {RzChBx_Denoiser,    RzChBx_NoiseBlank, RzChBx_AutoNotch,
            RzChBx_ManualNotch, RzChBx_VoxQsk,     RzChBx_SpeechComp};
}

TfrmDSP* TfrmDSP::Open(TfrmMain* main) {
    // A window on its way out is not brought back; it goes now and a fresh one opens.
    if (frmDSP && frmDSP->Closing())
        frmDSP->CloseNow();
    if (!frmDSP) {
        auto* w = new TfrmDSP;
        QMdiSubWindow* sub = main->mdiArea()->addSubWindow(w);
        sub->setObjectName("frmDSP_SubWindow");
        sub->setAttribute(Qt::WA_DeleteOnClose);
        w->SubWindow = sub;
    }
    frmDSP->SubWindow->showMaximized();
    frmDSP->SubWindow->raise();
    main->mdiArea()->setActiveSubWindow(frmDSP->SubWindow);
    return frmDSP;
}

// --- status ------------------------------------------------------------------------------------------

void TfrmDSP::Timer_DSPTimer() {
    QPointer<TfrmDSP> self(this);
    pumpMessages();
    if (!self || closing_)
        return;
    const bool editorVisible = editor_ && editor_->isVisible();
    if (Control.StatusTick(UsbLinkUp, RzChBox_Lock->isChecked(), editorVisible))
        frmMain->Request(SlotReadDspStatus);
}

void TfrmDSP::ReadDspStatus() {
    QPointer<TfrmDSP> self(this);
    DspStatusRecord s{};
    if (!DspReadStatus(Usb, s) || !self)
        return;
    auto out = Control.ApplyStatus(s, [&self](DspStoredSet& set) {
        DspStoredSet fresh{};
        if (!DspReadStoredSet(Usb, fresh) || !self)
            return false;
        set = fresh;
        return true;
    });
    if (self)
        showStatusOutcome(out);
}

void TfrmDSP::showStatusOutcome(const DspControl::StatusOutcome& out) {
    if (out.rebuilt) {
        updateColourLooks();
        for (DspGridModel* m : Models)
            m->reset();
    } else {
        for (DspGridModel* m : Models)
            m->rowsChanged(out.changedRows);
    }
    Monitor->setNameColourBlue(Control.NameColour == 1);
    updateSwitchesAndButtons();
}

void TfrmDSP::updateSwitchesAndButtons() {
    Control.UpdateSwitches();
    const auto sw = Switches();
    for (size_t k = 0; k < sw.size(); ++k)
        sw[k]->setChecked(Control.SwitchChecked[k]);
    RzBitBtn_Width->setText(dspWidthCaption(Control.CurWidth));
    if (const char* mode = dspModeName(Control.CurMode))
        RzBitBtn_Mode->setText(mode);
}

void TfrmDSP::updateColourLooks() {
    const DspColourSetLook look = DspLookOfColourSet(Control.CurColour);
    for (int g = 0; g < DspGridCount; ++g) {
        const size_t i = static_cast<size_t>(g);
        MI_Set254[i]->setVisible(look.set254Visible);
        MI_Set254[i]->setText(QString::fromStdString(look.set254Caption));
        MI_SetBackup[i]->setText(QString::fromStdString(look.backupCaption));
    }
    if (editor_)
        editor_->setToolTip(QString::fromStdString(look.editorHint));
    const auto buttons = DspColourButtons(Control.CurColour);
    QPushButton* const b[3] = {RzBitBtn_Green, RzBitBtn_Yellow, RzBitBtn_Red};
    for (int k = 0; k < 3; ++k) {
        const DspColourButtonLook& l = buttons[static_cast<size_t>(k)];
        b[k]->setStyleSheet(QString("QPushButton { background-color: %1; color: black; font-weight: %2; }")
                                .arg(rgb(l.colour).name(), l.bold ? "bold" : "normal"));
        QFont f = b[k]->font();
        f.setBold(l.bold);
        b[k]->setFont(f);
    }
}

void TfrmDSP::refreshParam(int param) {
    for (int g = 0; g < DspGridCount; ++g) {
        std::vector<int> rows;
        for (const DspGridRecord& r : Control.Tables[static_cast<size_t>(g)])
            if (r.PARAMNO == param)
                rows.push_back(r.ID);
        Models[static_cast<size_t>(g)]->rowsChanged(rows);
    }
}

// --- value editor ------------------------------------------------------------------------------------

void TfrmDSP::editorOpened(QDoubleSpinBox* e, int grid, int row) {
    editor_ = e;
    editorGrid_ = grid;
    const DspEditorSetup s = Control.OpenEditor(row, RzChBox_LockXparams->isChecked());
    const QSignalBlocker block(e);
    e->setEnabled(s.enabled);
    e->setDecimals(s.decimals);
    e->setSingleStep(s.step);
    e->setRange(s.minimum, s.maximum);
    e->setValue(s.value);
    e->setToolTip(QString::fromStdString(DspLookOfColourSet(Control.CurColour).editorHint));
    connect(e, &QDoubleSpinBox::valueChanged, this, [this, e](double v) {
        if (editor_ == e)
            editorChanged(v);
    });
}

void TfrmDSP::editorChanged(double value) {
    Control.ChangeFromEditor(value);
    refreshParam(Control.EditParam);
}

bool TfrmDSP::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        for (QTableView* view : Grids)
            if (view && watched == view->viewport()) {
                const QModelIndex at = view->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint());
                if (at.isValid() ? at.column() == DspColValue : view->currentIndex().column() == DspColValue)
                    Control.StartHoldOff();
            }
    }
    return QWidget::eventFilter(watched, event);
}

// --- clicks ------------------------------------------------------------------------------------------

void TfrmDSP::switchClicked(int i, bool checked) {
    Control.SwitchClick(i, checked);
    Switches()[static_cast<size_t>(i)]->setChecked(Control.SwitchChecked[static_cast<size_t>(i)]);
}

void TfrmDSP::RzBitBtn_WidthClick() {
    Control.WidthClick();
    updateSwitchesAndButtons();
}

void TfrmDSP::RzBitBtn_ModeClick() {
    Control.ModeClick([this] { updateSwitchesAndButtons(); });
}

void TfrmDSP::colourClicked(uint8_t colour) {
    Control.ColourClick(colour);
}

void TfrmDSP::RzBitBtn_BkpClick() {
    Control.CopyToBackup();
}

void TfrmDSP::RzBitBtn_CloseClick() {
    close();
}

// --- slots that send ---------------------------------------------------------------------------------

void TfrmDSP::RestoreParam() {
    Control.RunRestoreParam(Usb);
}

void TfrmDSP::CopyToBackup() {
    Control.RunCopyToBackup(Usb);
}

void TfrmDSP::SelectColourSet() {
    Control.RunSelectColourSet(Usb);
}

void TfrmDSP::SendParamValue() {
    Control.RunSendParamValue(Usb);
}

bool TfrmDSP::SendSerialParam(uint8_t param, uint8_t value) {
    return Control.SendSerialParam(param, value);
}

// --- monitor -----------------------------------------------------------------------------------------

void TfrmDSP::Timer_TelemTimer() {
    if (!closing_ && Control.TelemetryWanted(UsbLinkUp, RzChBox_Lock->isChecked()))
        frmMain->Request(SlotReadTelemetry);
}

void TfrmDSP::ReadTelemetry() {
    QPointer<TfrmDSP> self(this);
    if (Control.Route == 'S') {
        if (!frmMain->ComPortOpen)
            return;
        DspTelemetry t = Telemetry;
        SerialTelemetryResult r = ReadTelemetrySerialPort(*frmMain->VantorComPort, t);
        if (!self || r != SerialTelemetryResult::Frame)
            return;
        Telemetry = t;
    } else {
        DspTelemetry t = Telemetry;
        const bool ok = ReadTelemetryUsb(Usb, t);
        if (!self)
            return;
        if (ok)
            Telemetry = t;
    }
    Monitor->showTelemetry(Telemetry);
}

void TfrmDSP::ReadPowerScale() {
    QPointer<TfrmDSP> self(this);
    const PowerScale scale = ReadPowerScaleUsb(Usb);
    if (self)
        Monitor->setPowerScale(scale);
}

// --- closing -----------------------------------------------------------------------------------------

void TfrmDSP::closeEvent(QCloseEvent* e) {
    if (final_) {
        e->accept();
        return;
    }
    // The close waits until transactions already on their way are done.
    e->ignore();
    if (closing_)
        return;
    closing_ = true;
    Timer_DSP->stop();
    Timer_Telem->stop();
    RzChBox_Lock->setChecked(true);
    Timer_Close->start();
}

void TfrmDSP::Timer_CloseTimer() {
    Timer_Close->stop();
    pacer().pause(1200);
    CloseNow();
}

void TfrmDSP::CloseNow() {
    Timer_DSP->stop();
    Timer_Telem->stop();
    Timer_Close->stop();
    closing_ = true;
    final_ = true;
    if (frmDSP == this)
        frmDSP = nullptr;
    if (SubWindow) {
        SubWindow->close(); // deletes itself and this window
    } else {
        deleteLater();
    }
}

// --- tour --------------------------------------------------------------------------------------------

namespace {

// The serial route needs a DSP on the line: a simulated one on a pseudo-terminal, for the tour only.
struct SerialTourSetup {
    std::unique_ptr<PtyDsp> dsp;
    QSize mainSize;
    std::string comPort;
    bool portWasOpen = false;
    char route = 'U';
};

SerialTourSetup& serialTour() {
    static SerialTourSetup s;
    return s;
}

QWidget* openForTour(char route) {
    if (!frmMain || !Params || !Params->LoadParameterFiles())
        return nullptr;
    if (frmDSP)
        frmDSP->CloseNow();
    SerialTourSetup& s = serialTour();
    s.route = DspTelemetryRoute;
    // The window is meant to fill a screen; the picture shows it so.
    s.mainSize = frmMain->size();
    frmMain->resize(std::max(frmMain->width(), 1280), std::max(frmMain->height(), 960));
    if (route == 'S') {
        s.dsp = std::make_unique<PtyDsp>();
        if (!s.dsp->ok()) {
            s.dsp.reset();
            return nullptr;
        }
        s.dsp->start();
        s.dsp->streamTelemetry(100);
        s.comPort = RegIniData.ComPort;
        s.portWasOpen = frmMain->ComPortOpen;
        RegIniData.ComPort = s.dsp->devicePath();
    }
    DspTelemetryRoute = route;
    return TfrmDSP::Open(frmMain);
}

void closeAfterTour(QWidget*) {
    if (frmDSP)
        frmDSP->CloseNow();
    QCoreApplication::processEvents();
    SerialTourSetup& s = serialTour();
    DspTelemetryRoute = s.route;
    frmMain->resize(s.mainSize);
    if (s.dsp) {
        RegIniData.ComPort = s.comPort;
        if (s.portWasOpen) {
            frmMain->OpenComPort();
        } else {
            frmMain->VantorComPort->close();
            frmMain->ComPortOpen = false;
        }
        s.dsp->stop();
        s.dsp.reset();
    }
}

} // namespace

void RegisterDspTourStops() {
    static bool done = false;
    if (done)
        return;
    done = true;
    tourStops().append({"TfrmDSP", [] { return openForTour('U'); }, closeAfterTour});
    tourStops().append({"TfrmDSP_serial", [] { return openForTour('S'); }, closeAfterTour});
}

} // namespace tarnix
