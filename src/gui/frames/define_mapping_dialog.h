#pragma once

#include "core/config/configuration.h"
#include "core/config/signal_table.h"
#include "core/frames/mapping_model.h"
#include "core/frames/register_signal_fields.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <vector>

class QCheckBox;
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

// The register mapping editor shared by both directions ("Define COB"): the frame list,
// the registers of the selected frame, the input fields of one register, and the file
// buttons. The transmit side adds the send-on-write list. Below the byte lists the
// register's signal (name, unit, factor, offset, signed), which Create and Modify take
// with the entry and OK writes into the signal file together with the mapping file.
class DefineMappingDialog : public QDialog {
    Q_OBJECT
public:
    ~DefineMappingDialog() override;

    // Puts the texts of the current language on every control.
    void applyLanguage();
    // Show: rebuilds the mapping from the configuration's files. A file that cannot be
    // read throws px::Error after the lists show what was read.
    void reload();
    // reload under the general error report, then the modal loop; true for OK.
    bool execShow();

    // The same with entry `row` of the mapping file (from 1) selected: its frame in the frame
    // list and the entry in the register list, for a finding of the check.
    bool execShowAt(int row);
    // Selects the entry that stands in row `row` (from 1) of the mapping file as it would
    // be written now, frame by frame.
    void showEntryRow(int row);

    // OK: the mapping into the open configuration and its file written, with the signals
    // changed in this showing in the signal file (all or none); nothing is checked.
    void accept() override;

    // Cancel, Escape and the close box: closes at once when OK would write what was
    // loaded, else asks whether to drop the changes first.
    void cancelClick();
    bool hasChanges() const;
    // The Register Map button: opens the register map with this editor's entries and
    // signals as they stand (not yet written). Without an opener the button is hidden.
    using RegisterMapOpener =
        std::function<void(const std::vector<config::MappingEntry>& entries, const config::SignalTable& signalTable)>;
    void setRegisterMapOpener(RegisterMapOpener opener);
    // The entries as OK would write them, frame by frame, then those of no frame.
    std::vector<config::MappingEntry> currentEntries() const { return m_mapping.allEntries(); }

    const RegisterMapping& mapping() const { return m_mapping; }
    // The signal file as this editor holds it: as read at the showing, with the edits of
    // Create, Modify and Delete.
    const config::SignalTable& signalTable() const { return m_signals; }
    // Undo and redo of Create, Modify, Delete and Import; each showing starts with none.
    QUndoStack* undoStack() const { return m_undoStack; }

protected:
    // Enter on a line of the frame or register list stays in the list instead of
    // pressing the dialog's default button.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

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
    // The entries whose frame does not exist: attached to the selected frame, or deleted.
    void attachOrphanClick();
    void deleteOrphanClick();
    void refreshOrphans();
    bool mayDiscard();
    // Shows why an index was refused.
    void refuse(IndexRefusal refusal);

    // The frame list anew, nothing selected, the input fields cleared.
    void rebuildAll();
    // The register list of the selected frame, with no selection; input fields unchanged.
    void refreshRegisters();
    void fillByteLists(std::int32_t dataLength);
    void fillSendList();
    config::MappingEntry readFields() const;
    void showFields(const config::MappingEntry& entry);
    SignalFields readSignalFields() const;
    void showSignalFields(const SignalFields& fields);
    // Create and Modify: a refused signal field is shown, selected and given the focus;
    // true then.
    bool refuseSignalFields();
    // Enter in a signal field: Modify when the fields show the selected register, else Create.
    void signalEnter();
    int selectedFrame() const;
    int selectedRegister() const;

    Session& m_session;
    Prompter& m_prompter;
    RegisterMapping m_mapping;
    // The entries as the last showing read them: OK would write them unchanged.
    std::vector<config::MappingEntry> m_shownEntries;
    // The signal file as the showing read it, and with this editor's edits.
    config::SignalTable m_shownSignals;
    config::SignalTable m_signals;
    // The signal fields Copy took with the entry.
    SignalFields m_copiedSignal;

    TitleBand* m_band = nullptr;
    QLabel* m_frameListLabel = nullptr;
    QLabel* m_frameColumnsLabel = nullptr;
    PickList* m_frameList = nullptr;
    QLabel* m_registerListLabel = nullptr;
    QLabel* m_registerListSubtitle = nullptr;
    PickList* m_registerList = nullptr;
    QGroupBox* m_inputGroup = nullptr;
    QLabel* m_indexLabel = nullptr;
    QLineEdit* m_indexEdit = nullptr;
    QLabel* m_highByteLabel = nullptr;
    QLabel* m_highByteLabelEnd = nullptr;
    QComboBox* m_highByteList = nullptr;
    QLabel* m_lowByteLabel = nullptr;
    QLabel* m_lowByteLabelEnd = nullptr;
    QComboBox* m_lowByteList = nullptr;
    QLabel* m_sendLabel = nullptr;
    QComboBox* m_sendList = nullptr; // transmit side only
    QGroupBox* m_signalGroup = nullptr;
    QLabel* m_signalNameLabel = nullptr;
    QLineEdit* m_signalNameEdit = nullptr;
    QLabel* m_unitLabel = nullptr;
    QLineEdit* m_unitEdit = nullptr;
    QLabel* m_factorLabel = nullptr;
    QLineEdit* m_factorEdit = nullptr;
    QLabel* m_offsetLabel = nullptr;
    QLineEdit* m_offsetEdit = nullptr;
    QCheckBox* m_signedCheck = nullptr;
    QPushButton* m_createButton = nullptr;
    QPushButton* m_modifyButton = nullptr;
    QPushButton* m_deleteButton = nullptr;
    QPushButton* m_copyButton = nullptr;
    QPushButton* m_pasteButton = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_exportButton = nullptr;
    QPushButton* m_importButton = nullptr;
    QPushButton* m_undoButton = nullptr;
    QPushButton* m_redoButton = nullptr;
    QPushButton* m_registerMapButton = nullptr;
    QLabel* m_orphanLabel = nullptr;
    PickList* m_orphanList = nullptr;
    QPushButton* m_attachOrphanButton = nullptr;
    QPushButton* m_deleteOrphanButton = nullptr;

    // An undo step's snapshot: every entry of the direction and the signals.
    struct MappingState {
        std::vector<config::MappingEntry> entries;
        config::SignalTable signalTable;
        bool operator==(const MappingState&) const = default;
    };
    void restoreMapping(const MappingState& state);
    QUndoStack* m_undoStack = nullptr;
    std::unique_ptr<SnapshotHistory<MappingState>> m_history;
    RegisterMapOpener m_openRegisterMap;
};

// Step 3, Define COB: the Modbus registers that expose the received frames (RInfoCob.xml).
class ReceiveMappingDialog final : public DefineMappingDialog {
    Q_OBJECT
public:
    ReceiveMappingDialog(Session& session, Prompter& prompter, QWidget* parent = nullptr);
};

// Step 4, Define COB: the Modbus registers that feed the transmitted frames (TInfoCob.xml).
class TransmitMappingDialog final : public DefineMappingDialog {
    Q_OBJECT
public:
    TransmitMappingDialog(Session& session, Prompter& prompter, QWidget* parent = nullptr);
};

} // namespace px
