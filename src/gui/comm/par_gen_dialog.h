#pragma once

#include "core/comm/settings_check.h"

#include <QDialog>

#include <QStringList>

#include <array>
#include <memory>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QUndoStack;

namespace px {

class Prompter;
class Session;
class TitleBand;
template <typename State>
class SnapshotHistory;

// Step 2, Set Communication: the general parameters of the active configuration in three
// foldable group boxes, laid out for the chosen device generation.
class TFParGen final : public QDialog {
    Q_OBJECT
public:
    TFParGen(Session& session, Prompter& prompter, QWidget* parent = nullptr);
    ~TFParGen() override;

    void Set_Lang();
    // Fills the controls from ParGen.xml. A file that does not parse throws px::Error
    // before any control is touched.
    void FormShow();
    // FormShow inside the general error report, then the modal loop. When the file cannot
    // be read the window does not open and false is returned; true when OK saved.
    bool execShow();

    // Btn_OKClick: check, write, close. The close box keeps QDialog's reject(), which
    // discards without asking; the Cancel button and Escape ask first after a change.
    void accept() override;

    bool Is_Change() const { return m_isChange; }

    // The values in the controls, as OK checks and writes them.
    GeneralParameters readControls() const;

    // Undo and redo of the changes of the fields: a typed field once its edit ends, a
    // list pick or a check box at once; each showing starts with none.
    QUndoStack* undoStack() const { return m_undoStack; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // One of the three group boxes with its fold buttons.
    enum Box { SelectDevice, Can, ModbusTcpSlave, BoxCount };

    void Btn_CancelClick();
    void Btn_GB_Collapse(Box box);
    void Btn_GB_Expande(Box box);
    void Collapse_Expand_Creation();
    void Move_GroupBoxs();
    void Update_CAN_Baud();
    void On_Change();
    void onDeviceChange();
    void moveOnScreen();
    DeviceType selectedDevice() const;
    // Every field's value as shown (list positions, texts, check marks), and back.
    QStringList controlValues() const;
    void restoreControls(const QStringList& values);
    void recordChange();

    Session& m_session;
    Prompter& m_prompter;
    bool m_isChange = false;
    bool m_filling = false;  // controls are being filled by the program, not by the user
    std::array<bool, BoxCount> m_expanded{true, true, true};  // lasts for the run

    TitleBand* m_band = nullptr;
    std::array<QGroupBox*, BoxCount> m_boxes{};
    std::array<QToolButton*, BoxCount> m_collapse{};
    std::array<QToolButton*, BoxCount> m_expand{};

    QGroupBox* GB_select_Device = nullptr;
    QComboBox* CB_Select_Device = nullptr;

    QGroupBox* GB_CAN = nullptr;
    QLabel* L_CAN_Baud = nullptr;
    QComboBox* CB_CAN_Baud = nullptr;
    QLabel* L_CAN_Type = nullptr;
    QComboBox* CB_CAN_Type = nullptr;
    QLabel* L_CAN_TO = nullptr;
    QLineEdit* E_CAN_TO = nullptr;

    QGroupBox* GB_Modbus_TCP_Slave = nullptr;
    QLabel* L_IP = nullptr;
    std::array<QLineEdit*, 4> E_IP{};
    QLabel* L_SM = nullptr;
    std::array<QLineEdit*, 4> E_SM{};
    QCheckBox* CB_ModTCPs_EN_GAT = nullptr;
    std::array<QLineEdit*, 4> E_GAT{};
    QLabel* L_PORT = nullptr;
    QLineEdit* E_PORT = nullptr;
    QCheckBox* CB_ModTCPs_Fast_StartUp = nullptr;
    std::vector<QLabel*> m_dots;  // the "." between the address boxes, one row each: 3 per row

    std::array<QLineEdit*, 12> m_addressChain{};  // IP 1..4, mask 1..4, gateway 1..4

    QPushButton* Btn_OK = nullptr;
    QPushButton* Btn_Cancel = nullptr;
    QPushButton* Btn_Undo = nullptr;
    QPushButton* Btn_Redo = nullptr;

    QUndoStack* m_undoStack = nullptr;
    std::unique_ptr<SnapshotHistory<QStringList>> m_history;
    QStringList m_shownValues;  // the fields as the last showing filled them
};

} // namespace px
