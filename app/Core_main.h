#pragma once
// TForm1, the editor's main window: the shell that holds the pages, the MIDI ports, the
// editor's state and its settings, the choice of devices, the parameter files, and the start-up
// and close order.
//
// The converter's pages build, connect and handle their own controls: the "Config" page is an
// AssignmentPage, the Controlers and Kessel Control groups of the "MIDI" page a ControllersPage,
// and every send goes through one ConverterLink. The window keeps every control and handler
// reachable under its designer name: the members below point into the pages, and the page
// handlers forward in one line. The devices and the MIDI system are the DevicesPage's. Layout of
// the shell's own controls: Core_layout.cpp; parameter files: PresetFiles; controller
// learning and the monitor's record: Core_learn.cpp.
//
// All of it runs on the GUI thread. Handlers triggered by the user run synchronously to their
// end; code that changes a control (filling, applying a preset, restoring settings) never runs a
// handler. Errors a handler lets escape (the MIDI ports' exceptions) end it at that step and are
// shown by the standard exception report.
#include "app/AboutPage.h"
#include "app/AutosaveLocation.h"
#include "app/BankNamesFile.h"
#include "app/DevicesPage.h"
#include "app/FileDialogs.h"
#include "app/PresetFiles.h"
#include "converter/AssignmentPage.h"
#include "converter/ControllersPage.h"
#include "converter/EditorState.h"

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class BoxMemory;
class ControllerLearn;
class ConverterLink;
class InputReader;
class LatePages;
class LibraryCommands;
class LearnControls;
class MonitorLog;
class QFrame;
class QGroupBox;
class QLabel;
class QTabWidget;
class TMidiInput;
class TMidiOutput;
class TPresetBank;
class TransferProgress;

// What program entry gives the window besides its MIDI services and file dialogs: the preset
// bank, and the progress window and channel dialog, which are made after the window and so are
// looked up when used.
struct EditorParts
{
    TPresetBank &bank;
    std::function<TransferProgress &()> progress;
    // The converter's new MIDI channel (1..16), offering the current one; nothing when cancelled.
    std::function<std::optional<int>(int current)> chooseChannel;
};

// The window inherits the pages' control members, which point into the pages once they are
// built: window.ComboBox[4], window.spdPar2, window.Controller[0], window.cmbInput and the rest.
class TForm1 : public QWidget,
               public AssignmentControls,
               public AboutControls,
               public ControllersControls,
               public DevicesControls
{
    Q_OBJECT

public:
    static constexpr int OutputCount = protocol::OutputCount;

    // Builds the "MIDI" page, which is shown at start, then runs FormCreate (list the devices,
    // restore the settings, load the autosave file, open the ports, maybe send the patch-bay
    // set-up). An error in FormCreate is reported and the window still comes up. The other
    // pages are built after the window's first paint, or sooner when shown or asked for (see
    // BuildPage). The MIDI services, file dialogs and the parts' bank must outlive the window.
    TForm1(MidiServices &midi, FileDialogs &dialogs, EditorParts parts,
           AutosaveLocation autosave = AutosaveLocation::ForThisProgram(),
           QWidget *parent = nullptr);
    ~TForm1() override;

    // ---- start-up and shutdown (Core_main.cpp) ----
    void FormCreate(QObject *sender);
    void FormClose(QObject *sender);
    void LoadSettings();
    void SaveSettings();
    // Before the user's close: when the connected box has changes not written to its flash,
    // asks (unless told not to) whether to write them first. False: the window stays open.
    bool MayClose();

    // ---- parameter and SysEx files (PresetFiles) ----
    // save the current preset
    void SpeedButton17Click(QObject *) { Files->SaveCurrentPreset(); }
    // load into the current preset
    void SpeedButton8Click(QObject *) { Files->OpenIntoCurrentPreset(); }
    void LoadIntoCurrentPreset(const QString &path, bool sysex)
    {
        Files->LoadIntoCurrentPreset(path, sysex);
    }

    // ---- the pages' operations and handlers, each forwarded to the page or link that owns it ----
    void ListMidiDevices() { Devices->ListMidiDevices(); }
    void OpenMidiDevices() { Devices->OpenMidiDevices(); }
    void CloseMidiDevices() { Devices->CloseMidiDevices(); }
    void ReopenMidiDevices() { Devices->ReopenMidiDevices(); }
    void cmbInputChange(QObject *sender) { Devices->cmbInputChange(sender); }
    void cmbOutputChange(QObject *sender) { Devices->cmbOutputChange(sender); }
    void SendParameter(int channel, int parameter, int value, bool enabled)
    {
        Link->SendParameter(channel, parameter, value, enabled);
    }
    void SendControlChange(int channel, int controller, int value)
    {
        Link->SendControlChange(channel, controller, value);
    }
    void SendProgramChange(int channel, int program) { Link->SendProgramChange(channel, program); }
    static void WaitMs(std::uint32_t ms) { ConverterLink::WaitMs(ms); }
    void SendAllParameters() { ConfigPage().SendAllParameters(); }
    // send the current preset
    void SpeedButton1Click(QObject *sender) { ConfigPage().SpeedButton1Click(sender); }
    // write to flash
    void SpeedButton10Click(QObject *sender) { ConfigPage().SpeedButton10Click(sender); }
    void FillControllerLists() { ConfigPage().FillControllerLists(); }
    void ApplyPreset(int preset) { ConfigPage().ApplyPreset(preset); }
    int CurrentPreset() const { return State.CurrentPreset(); }
    void spdPar1Click(QObject *sender) { ConfigPage().spdPar1Click(sender); }
    void spdPar2Click(QObject *sender) { ConfigPage().spdPar2Click(sender); }
    void spdPar3Click(QObject *sender) { ConfigPage().spdPar3Click(sender); }
    void spdPar4Click(QObject *sender) { ConfigPage().spdPar4Click(sender); }
    void ComboBox1Change(QObject *sender) { ConfigPage().ComboBox1Change(sender); }
    // channel change dialog
    void SpeedButton12Click(QObject *sender) { ConfigPage().SpeedButton12Click(sender); }
    void kxpotlab2Change(QObject *sender) { Controllers->kxpotlab2Change(sender); }
    // send all CC
    void SpeedButton2Click(QObject *sender) { Controllers->SpeedButton2Click(sender); }
    // reset all CC
    void SpeedButton3Click(QObject *sender) { Controllers->SpeedButton3Click(sender); }
    void kxpotlab1Change(QObject *sender) { Controllers->kxpotlab1Change(sender); }
    void CheckBox1Click(QObject *sender) { Controllers->CheckBox1Click(sender); }
    // send the patch-bay set-up
    void SpeedButton5Click(QObject *sender) { Controllers->SpeedButton5Click(sender); }

    // What the editor is set to beside its presets: what the pages show, and the settings keep.
    EditorState State;

    // ---- the pages ----
    // Only the "MIDI" page is built before the window is first shown: the others are built one
    // per turn of the event loop after its first paint, or at once when they are shown or asked
    // for before that. Their controls (window.ComboBox[4] and the rest) exist once they are.
    // A page that is not built yet is built here, whatever it is.
    void BuildPage(QWidget *sheet);
    // Builds every page that is not built yet.
    void BuildLatePages();
    // Adds a page as the last tab, built as late as the window's own pages: build makes its
    // content, which then fills the page. Returns the page's sheet.
    QWidget *AddPage(const QString &caption, std::function<QWidget *()> build);
    // The "Config" page, built first if it is not yet: what the other pages, the files and
    // learning ask of it (the current preset, the master channel, each output's controller).
    AssignmentPage &ConfigPage();
    AssignmentPage *Assignments = nullptr;  // the "Config" page, once built
    LibraryCommands *Library = nullptr;     // "Library...", with the "Config" page
    ControllersPage *Controllers = nullptr; // Controlers and Kessel Control
    DevicesPage *Devices = nullptr;         // Devices and MIDI System

    // ---- what the input is used for (Core_learn.cpp) ----
    InputReader *Input = nullptr;     // reads the input port's ring
    ControllerLearn *Learn = nullptr; // an output takes the controller moved
    LearnControls *LearnUi = nullptr; // its menus, shortcuts, markers and instruction
    // Every message in and out, for the "Monitor" page (AddMonitorPage).
    std::unique_ptr<MonitorLog> Monitor;
    // What each output device was sent, kept in the data folder; owned through the window.
    BoxMemory *KnownBoxes = nullptr;
    // The name of the output device the editor sends to, also while it is not connected.
    QString OutputInUse() const;

    // ---- the window's own controls, under their designer names ----
    QTabWidget *PageControl1 = nullptr;
    QWidget *TabSheet2 = nullptr; // "Config"
    QWidget *TabSheet3 = nullptr; // "MIDI"
    QWidget *TabSheet1 = nullptr; // "About..."

    // "MIDI" page, under the devices' and the controllers' groups
    QFrame *Panel4 = nullptr;

    // Non-visual components, owned by the window.
    TMidiInput *MidiInput1 = nullptr;
    TMidiOutput *MidiOutput1 = nullptr;
    TFileDialog SaveDialog1 = TFileDialog::Make(
        TFileDialog::Save, "Torvane Parameter File (*.TVN) |*.TVN|All Files (*.*)|*.*"
                           "|SysEx file (*.syx)|*.syx|SysEx file with write to flash (*.syx)|*.syx"
                           "|Torvane preset with names (*.tvp)|*.tvp");
    TFileDialog OpenDialog1 = TFileDialog::Make(
        TFileDialog::Open,
        "Torvane Parameter file (*.TVN)|*.TVN|All files (*.*)|*.*|SysEx file (*.syx)|*.syx"
        "|Torvane preset with names (*.tvp)|*.tvp");

protected:
    void closeEvent(QCloseEvent *event) override;
    // A .TVN, .syx or .tvp file dropped onto the window loads into the current preset.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void BuildLayout();
    void BuildPages();
    PageContext MakePageContext(const form::Glyphs &glyphs);
    void BuildConfigPage();
    void SetTabOrder(const std::vector<QWidget *> &order);
    void CreateMidiPorts();
    void BuildLearnAndMonitor();
    QString OpenInputName() const;
    void ApplySetting(int id, int value);
    void SaveAutosaveBank();
    void ReportBoxMemoryNotSaved();

    MidiServices &Midi;
    FileDialogs &Dialogs;
    EditorParts Parts;
    TPresetBank &Bank;
    AutosaveLocation Autosave;
    BankNamesFile BankNames;
    std::unique_ptr<ConverterLink> Link;
    std::unique_ptr<PresetFiles> Files;
    // The pages still to build after the first paint.
    LatePages *Late = nullptr;
    // Whether start-up loaded the autosave file: the "Config" page then shows its first preset.
    bool BankLoaded = false;
};
