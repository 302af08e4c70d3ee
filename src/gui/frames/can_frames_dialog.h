#pragma once

#include "core/frames/frame_list.h"

#include <QDialog>

#include <memory>

class QPushButton;
class QUndoStack;

namespace px {

class FrameTableModel;
class GridView;
class Prompter;
class Session;
class TitleBand;
template <typename State>
class SnapshotHistory;

// The common body of the four CAN frame list editors: a title band, the frame table and
// the row buttons. Each showing reloads the table from the configuration's frame file;
// OK checks every row of the frame list and writes the file whole. Rows are numbered
// from 1 in this interface, as the user sees them.
class CanFramesDialog : public QDialog {
    Q_OBJECT
public:
    ~CanFramesDialog() override;

    void applyLanguage();
    // Loads the table (and, on the jumper device, the CAN settings). A file that cannot
    // be read whole throws px::Error; the rows read before the fault stay in the table.
    void reload();
    // reload() under the general error report, then the modal dialog; true for OK.
    bool execShow();
    // The same with frame `row` (from 1) made the current row, for a finding of the check.
    bool execShowAt(int row);
    // Makes frame `row` (from 1) the current row and scrolls to it.
    void showRow(int row);
    // The current frame row (from 1), 0 when none.
    int currentRow() const;
    // OK: on the first faulty row its message, the dialog stays open and nothing is
    // written; otherwise the frame file is written and the dialog closes.
    void accept() override;

    // Cancel, Escape and the close box: closes at once when the table holds what was
    // shown, else asks whether to drop the changes first.
    void cancel();
    // True when a row differs from what the last showing loaded.
    bool hasChanges() const;

    // The row buttons, on the current row.
    // Delete Row asks; for a frame with registers mapped to it the question names them,
    // and they are deleted with the frame at OK.
    void deleteRow();
    void insertRow();
    // Move Up and Move Down (Ctrl+Up, Ctrl+Down): the row changes places with its
    // neighbour; the frame keeps its registers and the current cell moves with it.
    void moveRowUp();
    void moveRowDown();
    void copyRow();
    void pasteRow();
    // Import...: frames of a CAN database or a capture appended, saved with their mappings.
    // The import is one step of the undo history and what Cancel compares with.
    void importFrames();
    // Undo and redo of cell edits and row operations; each showing starts with none.
    QUndoStack* undoStack() const { return m_undoStack; }

    // Copy Row was used in this showing: a paste needs a copy of this showing.
    bool rowCopied() const { return m_rowCopied; }
    // The CAN settings read at the last showing (jumper device editors).
    const CanSettings& canSettings() const { return m_canSettings; }

    const FrameList& frames() const;
    FrameTableModel* tableModel() const { return m_model; }
    FrameListKind kind() const { return m_kind; }

protected:
    CanFramesDialog(FrameListKind kind, Session& session, Prompter& prompter, QWidget* parent);
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct Captions;
    const Captions& captions() const;
    QString framePath() const;
    // The current row of the table, from 0.
    int tableRow() const;
    void reloaded();
    void moveRow(int by);
    // The question of OK when frames with registers left the list without Delete Row
    // (an emptied last row): true to go on.
    bool confirmRegistersLeftOut();
    // True when the table may close: nothing changed, or the person drops the changes.
    bool mayDiscard();

    FrameListKind m_kind;
    Session& m_session;
    Prompter& m_prompter;
    CanSettings m_canSettings;
    bool m_rowCopied = false;
    // A load of this showing failed: the file on disk holds more than the table.
    bool m_loadIncomplete = false;
    // The rows as the last showing loaded them, or as the last import saved them.
    FrameList m_shown;
    // Frames whose registers Delete Row's question named in this showing.
    std::vector<config::FrameKey> m_confirmedDeletions;

    TitleBand* m_band = nullptr;
    FrameTableModel* m_model = nullptr;
    GridView* m_table = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_deleteRowButton = nullptr;
    QPushButton* m_insertRowButton = nullptr;
    QPushButton* m_copyRowButton = nullptr;
    QPushButton* m_pasteRowButton = nullptr;
    QPushButton* m_moveUpButton = nullptr;
    QPushButton* m_moveDownButton = nullptr;
    QPushButton* m_undoButton = nullptr;
    QPushButton* m_redoButton = nullptr;

    QUndoStack* m_undoStack = nullptr;
    std::unique_ptr<SnapshotHistory<FrameList>> m_history;
};

} // namespace px
