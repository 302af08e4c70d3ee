#pragma once

#include "core/frames/frame_list.h"

#include <QDialog>
#include <QStringList>

#include <memory>

class QPushButton;
class QUndoStack;

namespace px {

class GridModel;
class GridView;
class Prompter;
class Session;
class TitleBand;
template <typename State>
class SnapshotHistory;

// The common body of the four CAN frame list editors: a title band, the frame table and
// the row buttons. Each showing reloads the table from the configuration's frame file;
// OK checks every row of the frame list and writes the file whole.
class CanFramesDialog : public QDialog {
    Q_OBJECT
public:
    ~CanFramesDialog() override;

    void Set_Lang();
    // Loads the table (and, on the jumper device, the CAN settings). A file that cannot
    // be read whole throws px::Error; the rows read before the fault stay in the table.
    void FormShow();
    // FormShow under the general error report, then the modal dialog; true for OK.
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

    // Cancel and Escape: closes at once when the table holds what was shown, else asks
    // whether to drop the changes first. The close box drops them without asking.
    void Btn_CancelClick();
    // True when a data cell differs from what the last showing loaded.
    bool hasChanges() const;

    void Btn_DeleteRowClick();
    void Btn_InsertRowClick();
    void Btn_CopyRowClick();
    void Btn_PasteRowClick();
    // Import...: frames of a CAN database or a capture appended, saved with their mappings.
    void Btn_ImportFramesClick();
    // Undo and redo of cell edits and row operations; each showing starts with none.
    QUndoStack* undoStack() const { return m_undoStack; }

    // Set by Copy Row, cleared at each showing: a paste needs a copy of this showing.
    bool Do_Copy = false;
    // The CAN settings read at the last showing (jumper device editors).
    FrameParGen parGen;

    const TextGrid& grid() const;
    FrameListKind kind() const { return m_kind; }

protected:
    CanFramesDialog(FrameListKind kind, Session& session, Prompter& prompter, QWidget* parent);
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Captions;
    const Captions& captions() const;
    QString framePath() const;
    bool isDipSwitch() const;

    FrameListKind m_kind;
    Session& m_session;
    Prompter& m_prompter;
    // A load of this showing failed: the file on disk holds more than the table.
    bool m_loadIncomplete = false;
    // The data cells as the last showing loaded them.
    QStringList m_shownCells;

    TitleBand* m_band = nullptr;
    GridModel* m_model = nullptr;
    GridView* StringGrid1 = nullptr;
    QPushButton* Btn_OK = nullptr;
    QPushButton* Btn_Cancel = nullptr;
    QPushButton* Btn_DeleteRow = nullptr;
    QPushButton* Btn_InsertRow = nullptr;
    QPushButton* Btn_CopyRow = nullptr;
    QPushButton* Btn_PasteRow = nullptr;
    QPushButton* Btn_Undo = nullptr;
    QPushButton* Btn_Redo = nullptr;

    QUndoStack* m_undoStack = nullptr;
    std::unique_ptr<SnapshotHistory<QStringList>> m_history;
    void restoreCells(const QStringList& cells);
};

} // namespace px
