#pragma once

#include "core/config/configuration.h"
#include "core/frames/mapping_model.h"

#include <QDialog>

#include <memory>
#include <functional>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QUndoStack;

namespace px {

class PickList;
class Prompter;
class Session;
class TitleBand;
template <typename State>
class SnapshotHistory;

// The register mapping editor shared by both directions: the frame list, the registers
// of the selected frame, the input fields of one register, and the file buttons. The
// transmit side adds the send-on-write list.
class DefineMappingDialog : public QDialog {
    Q_OBJECT
public:
    ~DefineMappingDialog() override;

    void Set_Lang();
    // Show: rebuilds the mapping from the configuration's files. A file that cannot be
    // read throws px::Error after the lists show what was read.
    void FormShow();
    // FormShow under the general error report, then the modal loop; true for OK.
    bool execShow();

    // The same with entry `row` of the mapping file (from 1) selected: its frame in the frame
    // list and the entry in the register list, for a finding of the check.
    bool execShowAt(int row);
    // Selects the entry that stands in row `row` (from 1) of the mapping file as it would
    // be written now, frame by frame.
    void showEntryRow(int row);

    void accept() override; // OK: writes the mapping file, nothing is checked

    // Cancel and Escape: closes at once when OK would write what was loaded, else asks
    // whether to drop the changes first. The close box drops them without asking.
    void Btn_CancelClick();
    bool hasChanges() const;
    // The Register Map button: opens the register map with this editor's entries as they
    // stand (not yet written). Without an opener the button is hidden.
    void setRegisterMapOpener(std::function<void(const std::vector<config::MappingEntry>& entries)> opener);
    // The entries as OK would write them, frame by frame.
    std::vector<config::MappingEntry> currentEntries() const;

    const RegisterMapping& mapping() const { return m_map; }
    // Undo and redo of Create, Modify, Delete and Import; each showing starts with none.
    QUndoStack* undoStack() const { return m_undoStack; }

protected:
    // Enter on a line of the frame or register list stays in the list instead of
    // pressing the dialog's default button.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    DefineMappingDialog(const MappingProfile& profile, const QString& name, Session& session, Prompter& prompter,
                        QWidget* parent);

private:
    void frameSelected();
    void registerSelected();
    void createClick();
    void modifyClick();
    void deleteClick();
    void copyClick();
    void pasteClick();
    void exportClick();
    void importClick();
    void registerMapClick();

    // The frame list anew, nothing selected, the input fields cleared.
    void rebuildAll();
    // The register list of the selected frame, with no selection; input fields unchanged.
    void refreshRegisters();
    void fillByteLists(std::int32_t numByte);
    void fillSendList();
    TMod_Reg readFields() const;
    void showFields(const TMod_Reg& entry, bool withSend);
    int selectedFrame() const;
    int selectedRegister() const;

    Session& m_session;
    Prompter& m_prompter;
    RegisterMapping m_map;
    // The mapping file as OK would have written it right after the last showing.
    QByteArray m_shownXml;

    TitleBand* m_band = nullptr;
    QLabel* L_CAN_Frames = nullptr;
    QLabel* L_CobID_Type = nullptr;
    PickList* LB_CAN_Frames = nullptr;
    QLabel* L_Modbus_Regs = nullptr;
    QLabel* L_Relative_PGN = nullptr;
    PickList* LB_Modbus_Regs = nullptr;
    QGroupBox* GB_Create_Modify = nullptr;
    QLabel* L_Index_Modbus = nullptr;
    QLineEdit* E_Index_Modbus = nullptr;
    QLabel* L_High_Part1 = nullptr;
    QLabel* L_High_Part2 = nullptr;
    QComboBox* CB_Byte_High_Part = nullptr;
    QLabel* L_Low_Part1 = nullptr;
    QLabel* L_Low_Part2 = nullptr;
    QComboBox* CB_Byte_Low_Part = nullptr;
    QLabel* L_SendCAN_OnModWrite = nullptr;
    QComboBox* CB_SendCAN_OnModWrite = nullptr; // transmit side only
    QPushButton* Btn_Create = nullptr;
    QPushButton* Btn_Modify = nullptr;
    QPushButton* Btn_Delete = nullptr;
    QPushButton* Btn_Copy = nullptr;
    QPushButton* Btn_Paste = nullptr;
    QPushButton* Btn_OK = nullptr;
    QPushButton* Btn_Cancel = nullptr;
    QPushButton* Btn_Export = nullptr;
    QPushButton* Btn_Import = nullptr;
    QPushButton* Btn_Undo = nullptr;
    QPushButton* Btn_Redo = nullptr;

    // The frames with their entries, told apart by the file OK would write.
    struct MappingState {
        std::vector<TCAN_Frame> frames;
        QByteArray xml;
        bool operator==(const MappingState& other) const { return xml == other.xml; }
    };
    MappingState mappingState() const;
    void restoreMapping(const MappingState& state);
    QUndoStack* m_undoStack = nullptr;
    std::unique_ptr<SnapshotHistory<MappingState>> m_history;
    QPushButton* Btn_Register_Map = nullptr;
    std::function<void(const std::vector<config::MappingEntry>&)> m_openRegisterMap;
};

// Step 3, Define COB: the Modbus registers that expose the received frames (RInfoCob.xml).
class TFDefineRecCAN final : public DefineMappingDialog {
    Q_OBJECT
public:
    TFDefineRecCAN(Session& session, Prompter& prompter, QWidget* parent = nullptr);
};

// Step 4, Define COB: the Modbus registers that feed the transmitted frames (TInfoCob.xml).
class TFDefineTraCAN final : public DefineMappingDialog {
    Q_OBJECT
public:
    TFDefineTraCAN(Session& session, Prompter& prompter, QWidget* parent = nullptr);
};

} // namespace px
