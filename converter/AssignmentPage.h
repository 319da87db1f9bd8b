#pragma once
// The "Config" page: which controller drives each of the 32 CV outputs, the four presets, the
// master channel, and the toolbar that loads, saves, sends and flashes them.
//
// The page is a view of the current preset: a user change is written into it at once and, with
// "Send Params RT" checked, sent to the converter at once. Changes made by code (filling the
// lists, applying a preset) never send anything. The toolbar's file buttons are built here but
// handled by the window, which owns the parameter files.
//
// The current preset and the converter's channel are the editor state's; the buttons and the
// master label show them. The state (with "Send Params RT"), the presets, the progress window
// and the channel dialog come from the window through the page's context.
//
// GUI thread only. The page owns its controls through their Qt parents (the page sheet it was
// built on) and makes its own connections; the store and the link must outlive it.
#include "converter/ConverterLink.h"
#include "converter/PageContext.h"
#include "converter/PresetHistory.h"

#include <QObject>
#include <QStyle>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class BoxBelief;
class BoxView;
class CompareDialog;
class EditorState;
class LabelsDialog;
class PresetStore;
class QAction;
class QToolButton;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class TSpeedButton;
class Tkxpotlab;
class TransferProgress;

// The page's controls under their designer names. The main window inherits them too, so that
// every control stays reachable there under its name.
struct AssignmentControls
{
    static constexpr int OutputCount = ConverterLink::OutputCount;

    QFrame *Panel8 = nullptr; // toolbar
    QFrame *Panel3 = nullptr;
    TSpeedButton *SpeedButton8 = nullptr;  // "Load Parameters File "
    TSpeedButton *SpeedButton17 = nullptr; // "Save Parameters File"
    TSpeedButton *SpeedButton1 = nullptr;  // "Send Parameters to MIDI"
    TSpeedButton *SpeedButton10 = nullptr; // "Write to Flash"
    TSpeedButton *SpeedButton12 = nullptr; // "MIDI Channel Change"
    TSpeedButton *spdPar1 = nullptr;       // the preset buttons
    TSpeedButton *spdPar2 = nullptr;
    TSpeedButton *spdPar3 = nullptr;
    TSpeedButton *spdPar4 = nullptr;
    QGroupBox *GroupBox7 = nullptr;                    // "CV Outputs"
    std::array<QComboBox *, OutputCount> ComboBox{};   // ComboBox[n - 1] is "ComboBox<n>"
    std::array<QLabel *, OutputCount> OutputNumbers{}; // the bold "1".."32" beside them
    QGroupBox *GroupBox19 = nullptr;                   // "Master"
    QLabel *Label27 = nullptr;                         // "Channel"
    QFrame *Panel11 = nullptr;
    Tkxpotlab *kxpotlab4 = nullptr; // master MIDI channel 1..16
};

class AssignmentPage : public QObject, public AssignmentControls
{
    Q_OBJECT

public:
    // Builds the page's controls on sheet and connects them. The context's progress and
    // chooseChannel must be set.
    AssignmentPage(QWidget *sheet, const PageContext &context);
    ~AssignmentPage() override;

    // ---- the user's edits ----
    // Output (0..31) takes the controller a preset byte stands for (0..127, 0xFF none, 0xFE no
    // entry): stored in the current preset, recorded for undo, shown on its selector, and sent
    // with "Send Params RT". A failed send raises after all of that.
    void AssignController(int output, std::uint8_t byte);
    // The current preset takes a file's image, read from file: shown and recorded as one edit
    // that, like its undo, sends nothing.
    void LoadPresetImage(const PresetImage &image, const QString &file);

    // ---- names (edits like any other, sent nowhere) ----
    // Output (0..31) of the current preset takes label, the current preset name; empty clears.
    void LabelOutput(int output, const QString &label);
    void NamePreset(const QString &name);
    // The current preset's name and labels all cleared.
    void ClearNames();
    // The current preset takes a file's image and the names it carries, as one edit.
    void LoadPresetWithNames(const PresetImage &image, const PresetNames &names,
                             const QString &file);
    // Open an editor over output's selector, over the preset buttons, or the list of all.
    void EditOutputLabel(int output);
    void EditPresetName();
    void OpenNames();
    QAction *LabelOutputAction = nullptr;
    QAction *NamePresetAction = nullptr;
    QAction *NamesAction = nullptr;
    QAction *ClearNamesAction = nullptr;
    QToolButton *NamesButton = nullptr; // in the toolbar, beside the file buttons
    // A button of action in the toolbar's free space at left, with an icon of the style.
    QToolButton *ToolbarButton(QAction *action, int left, QStyle::StandardPixmap icon);
    LabelsDialog *Names = nullptr; // made when first opened

    // ---- changes made by code (they send nothing) ----
    void FillControllerLists();
    // Shows preset (0..3) on the selectors and the master label.
    void ApplyPreset(int preset);

    PresetHistory &History() { return *Edits; }

    // ---- the box against the current preset ----
    // Shows which outputs the box has differently; the window calls it when the box changes.
    void ShowBox();
    // Sends only the outputs the box has differently, paced like a transfer. Refuses (raises,
    // sending nothing) when the box listens on another channel than the master channel.
    void SendChanges();
    QToolButton *SendChangesButton = nullptr;
    QAction *SendChangesAction = nullptr;
    QAction *ForgetBoxAction = nullptr;
    BoxView &BoxMarks() { return *View; }

    // ---- the current preset beside another ----
    // Opens the comparison with the next preset (the dialog offers the others and files), or
    // with a preset from elsewhere.
    void Compare();
    void CompareWith(const NamedPreset &other);
    // Sends the 32 outputs of image, on the master channel, as a transfer; the current preset
    // stays as it is.
    void SendPreset(const PresetImage &image);
    // Copies outputs (0..31) of from, named source, into the current preset: one edit for undo,
    // shown, and like a load, sent nowhere.
    void CopyOutputs(const PresetImage &from, const std::vector<int> &outputs,
                     const QString &source);
    QAction *CompareAction = nullptr;
    CompareDialog *Comparison = nullptr; // made at the first comparison

    // ---- handlers ----
    void spdPar1Click(QObject *sender);
    void spdPar2Click(QObject *sender);
    void spdPar3Click(QObject *sender);
    void spdPar4Click(QObject *sender);
    void ComboBox1Change(QObject *sender);    // every selector; the sender's Tag is the output
    void SpeedButton1Click(QObject *sender);  // send the current preset
    void SpeedButton10Click(QObject *sender); // write to flash
    void SpeedButton12Click(QObject *sender); // channel change dialog
    void SendAllParameters();

private:
    void BuildToolbar(QWidget *sheet, const form::Glyphs &art);
    void BuildOutputs();
    void ConnectHandlers();
    std::array<TSpeedButton *, 4> PresetButtons() const;
    void FollowState();
    void ShowPresetButtons(int preset);
    void PresetButtonClick(int preset);
    void ShowChannel(int channel);
    void ShowOutput(int output, std::uint8_t byte);
    void BuildBoxActions(QWidget *sheet);
    CompareDialog &Comparing();
    void BuildNameActions(QWidget *sheet);
    bool eventFilter(QObject *watched, QEvent *event) override;
    // The tooltips and accessible names that carry the names, for the current preset.
    void ShowNames();
    int FocusedOutput() const;
    ConverterLink::Controllers CurrentControllers() const;
    // An edit of the current preset just made; its names before are its names now unless given.
    void Record(PresetEdit::Kind kind, const PresetImage &before, const QString &text,
                int output = 0, const std::optional<PresetNames> &namesBefore = std::nullopt);
    void Restore(const PresetEdit &edit, const PresetImage &bytes, const PresetNames &names);

    EditorState &State;
    PresetStore &Presets;
    ConverterLink &Link;
    ErrorReport Report;
    std::function<TransferProgress &()> Progress;
    std::function<std::optional<int>(int current)> ChooseChannel;
    std::function<const BoxBelief &()> BoxHas;
    std::function<void()> ForgetBox;
    std::function<std::optional<NamedPreset>()> OpenPresetFile;
    std::unique_ptr<BoxView> View;
    PresetHistory *Edits = nullptr; // owned through the sheet
};
