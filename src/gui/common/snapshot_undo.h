#pragma once

#include <QUndoCommand>
#include <QUndoStack>

#include <functional>
#include <utility>

class QKeyEvent;
class QPushButton;
class QWidget;

namespace px {

// The undo history of an editor kept as whole snapshots of what it edits (the table's
// cells, the mapping entries, the form's values). After each action of the user the
// editor calls record(): when the state differs from the one last recorded, the pair
// before/after becomes one undo step. Undo and redo put a snapshot back through the
// editor's restore function, which also refreshes what the editor shows.
template <typename State>
class SnapshotHistory {
public:
    SnapshotHistory(QUndoStack* stack, std::function<State()> capture, std::function<void(const State&)> restore)
        : m_stack(stack), m_capture(std::move(capture)), m_restore(std::move(restore))
    {
    }

    // After a load: the state now shown is the base, with nothing to undo or redo.
    void reset()
    {
        m_stack->clear();
        m_current = m_capture();
    }

    // After an action of the user: one step when it changed the state.
    void record()
    {
        if (m_restoring)
            return;
        State now = m_capture();
        if (now == m_current)
            return;
        m_stack->push(new Step(this, std::exchange(m_current, std::move(now))));
    }

private:
    class Step final : public QUndoCommand {
    public:
        Step(SnapshotHistory* history, State before) : m_history(history), m_before(std::move(before)), m_after(history->m_current) {}
        void undo() override { m_history->apply(m_before); }
        void redo() override
        {
            // The first redo is the push itself: the editor already shows the new state.
            if (std::exchange(m_pushed, true))
                m_history->apply(m_after);
        }

    private:
        SnapshotHistory* m_history;
        State m_before;
        State m_after;
        bool m_pushed = false;
    };

    void apply(const State& state)
    {
        m_restoring = true;
        m_restore(state);
        m_current = state;
        m_restoring = false;
    }

    QUndoStack* m_stack;
    std::function<State()> m_capture;
    std::function<void(const State&)> m_restore;
    State m_current{};
    bool m_restoring = false;
};

// Wires an editor's Undo and Redo buttons and the keys Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z
// (anywhere in `editor`) to `stack`. The buttons are enabled only while there is a step
// to undo or redo. `finishEdit` runs before each undo or redo, so that an edit still open
// in a field becomes a step of its own first.
void connectUndoControls(QWidget* editor, QUndoStack* stack, QPushButton* undo, QPushButton* redo,
                         std::function<void()> finishEdit);

// True for the keys that undo or redo: a field that takes them for its own text undo
// lets them pass to the editor's history.
bool isUndoRedoKey(const QKeyEvent* event);

} // namespace px
