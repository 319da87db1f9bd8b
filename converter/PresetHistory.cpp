#include "converter/PresetHistory.h"

#include <QAction>
#include <QKeyEvent>
#include <QUndoCommand>
#include <QWidget>

PresetImage ReadPreset(const PresetStore &store, int preset)
{
    PresetImage bytes;
    for (int i = 0; i < PresetStore::PresetSize; ++i)
        bytes[i] = store.GetByte(preset, i);
    return bytes;
}

void WritePreset(PresetStore &store, int preset, const PresetImage &bytes)
{
    for (int i = 0; i < PresetStore::PresetSize; ++i)
        store.SetByte(preset, i, bytes[i]);
}

namespace {

class PresetEditCommand : public QUndoCommand
{
public:
    PresetEditCommand(PresetEdit edit, const PresetHistory::Restore &restore)
        : QUndoCommand(edit.text), Edit(std::move(edit)), RestoreBytes(restore)
    {
    }
    void undo() override { RestoreBytes(Edit, Edit.before, Edit.namesBefore); }
    void redo() override
    {
        // The stack redoes a command as it takes it; this edit has been made already.
        if (std::exchange(Recorded, false))
            return;
        RestoreBytes(Edit, Edit.after, Edit.namesAfter);
    }

private:
    PresetEdit Edit;
    const PresetHistory::Restore &RestoreBytes;
    bool Recorded = true;
};

} // namespace

PresetHistory::PresetHistory(QWidget *page, Restore restore)
    : QObject(page), RestoreBytes(std::move(restore))
{
    setObjectName("PresetHistory");
    UndoAction = Edits.createUndoAction(page, tr("Undo"));
    UndoAction->setObjectName("UndoAction");
    UndoAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    RedoAction = Edits.createRedoAction(page, tr("Redo"));
    RedoAction->setObjectName("RedoAction");
    RedoAction->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    page->addAction(UndoAction);
    page->addAction(RedoAction);
    page->setContextMenuPolicy(Qt::ActionsContextMenu);
}

void PresetHistory::Record(const PresetEdit &edit)
{
    if (edit.before != edit.after || edit.namesBefore != edit.namesAfter)
        Edits.push(new PresetEditCommand(edit, RestoreBytes));
}

void PresetHistory::TakeKeysFrom(QWidget *control)
{
    control->installEventFilter(this);
}

bool PresetHistory::eventFilter(QObject *, QEvent *event)
{
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return false;
    const QKeySequence keys(static_cast<QKeyEvent *>(event)->keyCombination());
    const bool ours =
        UndoAction->shortcuts().contains(keys) || RedoAction->shortcuts().contains(keys);
    // Unaccepted, the override lets the page's shortcut run; a key press that still arrives
    // (nothing to undo) ends here.
    if (ours)
        event->setAccepted(event->type() == QEvent::KeyPress);
    return ours;
}
