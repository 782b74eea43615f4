#pragma once
// The DSP control window: the receive switches, mode, width and colour set, every user parameter in
// three grids with their pop-up value editors, and the monitor displays below. It works through the
// controller over USB (route "U") or straight to the DSP over the serial port (route "S").
#include "dsp/DspControl.h"
#include "dsp/DspTelemetry.h"

#include <QAbstractTableModel>
#include <QDoubleSpinBox>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QWidget>

class QAction;
class QCheckBox;

class QLabel;
class QMdiSubWindow;
class QMenu;
class QPushButton;
class QTableView;
class QTimer;

namespace tarnix {

class TfrmDSP;
class TfrmMain;
class TDspMonitorPanel;

// The columns the grids show.
enum DspGridColumn { DspColNo = 0, DspColName = 1, DspColValue = 2, DspColEnc = 3, DspColCount = 4 };

// One grid's table of records, with the drawing rules of its cells as roles.
class DspGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    DspGridModel(DspControl& control, int grid, QObject* parent = nullptr);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The grid's row number (1..59) of a model row.
    int rowNumber(int modelRow) const { return dspFirstRowOfGrid(grid_) + modelRow; }
    void reset();
    void rowsChanged(const std::vector<int>& rows);
    void allChanged();

private:
    DspControl& c_;
    int grid_;
};

// The pop-up value editor of a "value" column, with its right-click menu.
class DspValueDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    DspValueDelegate(TfrmDSP* window, int grid, QObject* parent = nullptr);
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;

private:
    TfrmDSP* w_;
    int grid_;
};

class TfrmDSP : public QWidget {
    Q_OBJECT
public:
    explicit TfrmDSP(QWidget* parent = nullptr);
    ~TfrmDSP() override;

    // The toolbar's "DSP": the one window, created on first use as a maximised MDI child, then shown.
    static TfrmDSP* Open(TfrmMain* main);
    // Destroys the window at once (the tour; the ordinary close is delayed).
    void CloseNow();

    DspControl Control;
    DspTelemetry Telemetry;
    QMdiSubWindow* SubWindow = nullptr;

    QLabel* RzLabel_Telem;
    QCheckBox* RzChBx_Denoiser;
    QCheckBox* RzChBx_NoiseBlank;
    QCheckBox* RzChBx_AutoNotch;
    QCheckBox* RzChBx_ManualNotch;
    QCheckBox* RzChBx_VoxQsk;
    QCheckBox* RzChBx_SpeechComp;
    QPushButton* RzBitBtn_Width;
    QPushButton* RzBitBtn_Mode;
    QPushButton* RzBitBtn_Green;
    QPushButton* RzBitBtn_Yellow;
    QPushButton* RzBitBtn_Red;
    QPushButton* RzBitBtn_Bkp;
    QCheckBox* RzChBox_LockXparams;
    QCheckBox* RzChBox_Lock;
    QPushButton* RzBitBtn_Close;
    QPushButton* RzBitBtn_Help;
    // Left, middle and right grid, with their models and editor menus.
    std::array<QTableView*, DspGridCount> Grids{};
    std::array<DspGridModel*, DspGridCount> Models{};
    std::array<QMenu*, DspGridCount> EditorMenus{};
    std::array<QAction*, DspGridCount> MI_Set254{};
    std::array<QAction*, DspGridCount> MI_SetBackup{};
    TDspMonitorPanel* Monitor;
    QTimer* Timer_DSP;
    QTimer* Timer_Telem;
    QTimer* Timer_Close;

    // The check boxes in the order of DspSwitchParams.
    std::array<QCheckBox*, DspSwitchCount> Switches() const;
    // The value editor now open, or nullptr.
    QDoubleSpinBox* OpenValueEditor() const { return editor_; }
    bool Closing() const { return closing_; }

    // Scheduler slots.
    void ReadDspStatus();   // 30
    void ReadPowerScale();  // 32
    void RestoreParam();    // 35
    void CopyToBackup();    // 36
    void ReadTelemetry();   // 39
    void SelectColourSet(); // 41
    void SendParamValue();  // 42
    bool SendSerialParam(uint8_t param, uint8_t value);

public slots:
    void Timer_DSPTimer();
    void Timer_TelemTimer();
    void Timer_CloseTimer();
    void RzBitBtn_WidthClick();
    void RzBitBtn_ModeClick();
    void RzBitBtn_BkpClick();
    void RzBitBtn_CloseClick();

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class DspValueDelegate;
    void buildControls();
    void registerSlots();
    void switchClicked(int i, bool checked);
    void colourClicked(uint8_t colour);
    void updateSwitchesAndButtons();
    void updateColourLooks();
    void showStatusOutcome(const DspControl::StatusOutcome& out);
    void refreshParam(int param);
    void editorOpened(QDoubleSpinBox* editor, int grid, int row);
    void editorChanged(double value);

    QPointer<QDoubleSpinBox> editor_;
    int editorGrid_ = 0;
    bool closing_ = false;
    bool final_ = false;
};

// The one DSP window, while it exists.
extern TfrmDSP* frmDSP;

// Adds the window to the tour, once per route.
void RegisterDspTourStops();

} // namespace tarnix
