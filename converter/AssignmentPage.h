#pragma once
// The "Config" page: which controller drives each of the 32 CV outputs, the four presets, the
// master channel, and the toolbar that loads, saves, sends and flashes them.
//
// The page is a view of the current preset: a user change is written into it at once and, with
// "Send Params RT" checked, sent to the converter at once. Changes made by code (filling the
// lists, applying a preset) never send anything. The toolbar's file buttons are built here but
// handled by the window, which owns the parameter files.
//
// GUI thread only. The page owns its controls through their Qt parents (the page sheet it was
// built on) and makes its own connections; the store and the link must outlive it.
#include "converter/ConverterLink.h"
#include "converter/PageContext.h"
#include "converter/PresetHistory.h"

#include <QObject>
#include <array>
#include <functional>

class PresetStore;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class TSpeedButton;
class Tkxpotlab;

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
    // Builds the page's controls on sheet and connects them. realTime says whether "Send
    // Params RT" is checked; it is asked at each change.
    AssignmentPage(QWidget *sheet, const PageContext &context, PresetStore &presets,
                   std::function<bool()> realTime);

    // ---- what other parts of the window read ----
    // The preset whose button is highlighted, 0..3.
    int CurrentPreset() const;
    // The master label's channel minus one, 0..15.
    int MasterChannel() const;
    // The preset byte that output (0..31)'s selector stands for now: its controller, 0xFF for
    // none, 0xFE when no entry is selected.
    int ControllerOf(int output) const;

    // ---- changes made by code (they send nothing) ----
    void FillControllerLists();
    // Shows preset (0..3) on the selectors and the master label.
    void ApplyPreset(int preset);

    // ---- the edit history ----
    // A file has just been loaded into preset, which held before until then: undo restores it.
    void RecordLoad(int preset, const PresetImage &before, const QString &file);
    PresetHistory &History() { return *Edits; }

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
    void HighlightPresetButton(int preset);
    void PresetButtonClick(int preset);
    bool RealTime() const;
    void ShowOutput(int output, std::uint8_t byte);
    void Record(PresetEdit::Kind kind, int preset, int output, const PresetImage &before,
                const QString &text);
    void Restore(const PresetEdit &edit, const PresetImage &bytes);

    PresetStore &Presets;
    ConverterLink &Link;
    std::function<bool()> RealTimeSend;
    ErrorReport Report;
    PresetHistory *Edits = nullptr; // owned through the sheet
};
