#pragma once
// The presets' edit history: every change the user makes to a preset (a selector, the channel,
// a file loaded into it) can be taken back and made again, with Ctrl+Z, Ctrl+Shift+Z or Ctrl+Y,
// or from the page's context menu.
//
// An edit is recorded after it was made, as the preset's index and its 34 bytes and names
// before and after, never as pointers to controls: whatever the page shows by then, undo writes the
// bytes back and asks the page to show (and, where the user's own change would, send) them.
// GUI thread only.
#include "converter/PresetNames.h"
#include "converter/PresetStore.h"

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <array>
#include <cstdint>
#include <functional>

class QAction;
class QWidget;

using PresetImage = std::array<std::uint8_t, PresetStore::PresetSize>;
PresetImage ReadPreset(const PresetStore &store, int preset);
void WritePreset(PresetStore &store, int preset, const PresetImage &bytes);
// A preset's bytes with where they come from, for people ("Preset 2", a file's name).
struct NamedPreset
{
    QString name;
    PresetImage image;
};

struct PresetEdit
{
    // Load: a file loaded, or outputs copied in; Names: a name or label given, no byte changed.
    enum Kind { Output, Channel, Load, Names };
    Kind kind;
    int preset; // 0..3
    int output; // 0..31 for an Output edit
    PresetImage before;
    PresetImage after;
    QString text; // what the undo and redo actions name: "Undo <text>"
    PresetNames namesBefore = {};
    PresetNames namesAfter = {};
};

class PresetHistory : public QObject
{
    Q_OBJECT

public:
    // Undoing an edit calls restore(edit, edit.before, edit.namesBefore), redoing it with the
    // after sides; restore writes the bytes and names, shows them and reports its own errors.
    using Restore = std::function<void(const PresetEdit &edit, const PresetImage &bytes,
                                       const PresetNames &names)>;

    // The actions live on page: their keys work while it is shown, and its context menu
    // offers them.
    PresetHistory(QWidget *page, Restore restore);

    // Takes an edit the user has just made. One that changed no byte and no name is not kept.
    void Record(const PresetEdit &edit);
    // The undo and redo keys reach the history even when control has the focus: an editable
    // control's own text undo would otherwise take them.
    void TakeKeysFrom(QWidget *control);

    QUndoStack &Stack() { return Edits; }
    QAction *UndoAction = nullptr;
    QAction *RedoAction = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Restore RestoreBytes;
    QUndoStack Edits;
};
