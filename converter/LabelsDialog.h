#pragma once
// "Names": the current preset's name and its 32 output labels at once, beside the controller
// each output has, every one editable. An edit is the page's to make (one edit for undo, sent
// nowhere); the dialog shows what the editor state holds, following it while it is open.
//
// Not modal: the page stays usable beside it. GUI thread only.
#include <QDialog>
#include <functional>

class EditorState;
class PresetStore;
class QLineEdit;
class QTableWidget;

class LabelsDialog : public QDialog
{
    Q_OBJECT

public:
    struct Hooks
    {
        std::function<void(const QString &name)> namePreset;
        std::function<void(int output, const QString &label)> labelOutput;
    };

    LabelsDialog(QWidget *parent, const EditorState &state, const PresetStore &presets,
                 Hooks hooks);

    // Shows the state and the presets as they are now.
    void Refresh();

    QLineEdit *PresetName = nullptr;
    QTableWidget *Table = nullptr; // one row per output: number, label, controller

private:
    void Build();
    void TakeLabel(int row, int column);

    const EditorState &State;
    const PresetStore &Presets;
    Hooks Do;
    bool Refreshing = false;
};
