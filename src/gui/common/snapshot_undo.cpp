#include "gui/common/snapshot_undo.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QShortcut>

namespace px {

namespace {

const QKeySequence kRedoKeys[] = {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)};

} // namespace

void connectUndoControls(QWidget* editor, QUndoStack* stack, QPushButton* undo, QPushButton* redo,
                         std::function<void()> finishEdit)
{
    const auto doUndo = [stack, finishEdit] {
        if (finishEdit)
            finishEdit();
        stack->undo();
    };
    const auto doRedo = [stack, finishEdit] {
        if (finishEdit)
            finishEdit();
        stack->redo();
    };
    QObject::connect(undo, &QPushButton::clicked, stack, doUndo);
    QObject::connect(redo, &QPushButton::clicked, stack, doRedo);
    undo->setEnabled(stack->canUndo());
    redo->setEnabled(stack->canRedo());
    QObject::connect(stack, &QUndoStack::canUndoChanged, undo, &QPushButton::setEnabled);
    QObject::connect(stack, &QUndoStack::canRedoChanged, redo, &QPushButton::setEnabled);

    auto* undoKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), editor);
    auto* redoKey = new QShortcut(editor);
    redoKey->setKeys({kRedoKeys[0], kRedoKeys[1]});
    for (QShortcut* key : {undoKey, redoKey})
        key->setContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(undoKey, &QShortcut::activated, stack, doUndo);
    QObject::connect(redoKey, &QShortcut::activated, stack, doRedo);
}

bool isUndoRedoKey(const QKeyEvent* event)
{
    const QKeyCombination key = event->keyCombination();
    return key == (Qt::CTRL | Qt::Key_Z) || key == kRedoKeys[0][0] || key == kRedoKeys[1][0];
}

} // namespace px
