#pragma once
// "Compare": the current preset beside another one (a preset of the bank, or a preset file),
// output by output, the outputs that differ highlighted; one output or all of them can be copied
// from the other side into the current preset. The copy is the page's to make, so that it is
// recorded for undo like every other edit and, like a file loaded, sends nothing.
//
// Window-modal but not blocking: opened with open(), it keeps the main window out of reach while
// it is up, and is refreshed after each copy. GUI thread only.
#include "converter/PresetHistory.h"

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class PresetStore;
class QComboBox;
class QPushButton;
class QTableWidget;

class CompareDialog : public QDialog
{
    Q_OBJECT

public:
    using NamedImage = NamedPreset;
    struct Hooks
    {
        std::function<int()> currentPreset;
        // The label of an output (0..31) in the current preset, or empty.
        std::function<QString(int output)> label;
        // Asks for a preset file and reads it; nothing when cancelled or unreadable (reported).
        std::function<std::optional<NamedImage>()> openFile;
        // Copies the outputs (0..31) of image, named source, into the current preset.
        std::function<void(const PresetImage &image, const std::vector<int> &outputs,
                           const QString &source)>
            copy;
    };

    CompareDialog(QWidget *parent, const PresetStore &presets, Hooks hooks);

    // Compares the current preset with preset (0..3), or with a file's image.
    void CompareWithPreset(int preset);
    void CompareWithFile(const NamedImage &file);
    // Outputs 0..31 whose controllers differ, in output order.
    std::vector<int> Differing() const;

    QComboBox *Source = nullptr; // "Preset 1".."Preset 4", then the file compared, if any
    QPushButton *OpenFile = nullptr;
    QTableWidget *Table = nullptr; // one row per output: number, this preset, the other
    QPushButton *CopyOne = nullptr;
    QPushButton *CopyAll = nullptr;

private:
    void Build();
    void Refresh();
    void Copy(const std::vector<int> &outputs);
    PresetImage Current() const;

    const PresetStore &Presets;
    Hooks Do;
    std::optional<int> OtherPreset; // nothing: the file
    NamedImage Other;               // what the right-hand column shows
    std::optional<NamedImage> File; // the file on offer after the presets
};
