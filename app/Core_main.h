#pragma once
// TForm1, the editor's main window: the shell that holds the pages, the MIDI ports, the
// settings, the choice of devices, the parameter files, and the start-up and close order.
//
// The converter's pages build, connect and handle their own controls: the "Config" page is an
// AssignmentPage, the Controlers and Kessel Control groups of the "MIDI" page a ControllersPage,
// and every send goes through one ConverterLink. The window keeps every control and handler
// reachable under its designer name: the members below point into the pages, and the page
// handlers forward in one line. Layout of the shell's own controls: Core_layout.cpp; devices:
// Core_devices.cpp; parameter files: Core_files.cpp.
//
// All of it runs on the GUI thread. Handlers triggered by the user run synchronously to their
// end; code that changes a control (filling, applying a preset, restoring settings) never runs a
// handler. Errors a handler lets escape (the MIDI ports' exceptions) end it at that step and are
// shown by the standard exception report.
#include "app/AutosaveLocation.h"
#include "app/FileDialogs.h"

#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>

class AssignmentPage;
class ControllersPage;
class ConverterLink;
class MidiServices;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QTabWidget;
class TMidiInput;
class TMidiOutput;
class TSpeedButton;
class Tkxpotlab;

class TForm1 : public QWidget
{
    Q_OBJECT

public:
    static constexpr int OutputCount = 32;

    // Builds every control, then runs FormCreate (fill the selectors, list the devices, restore
    // the settings, load the autosave file, open the ports, maybe send the patch-bay set-up).
    // An error in FormCreate is reported and the window still comes up. The MIDI services and
    // file dialogs must outlive the window.
    TForm1(MidiServices &midi, FileDialogs &dialogs,
           AutosaveLocation autosave = AutosaveLocation::ForThisProgram(),
           QWidget *parent = nullptr);
    ~TForm1() override;

    // ---- start-up and shutdown (Core_main.cpp) ----
    void FormCreate(QObject *sender);
    void FormClose(QObject *sender);
    void LoadSettings();
    void SaveSettings();

    // ---- device selection (Core_devices.cpp) ----
    void ListMidiDevices();
    void OpenMidiDevices();
    void CloseMidiDevices();
    void ReopenMidiDevices();
    void cmbInputChange(QObject *sender);
    void cmbOutputChange(QObject *sender);

    // ---- parameter files (Core_files.cpp) ----
    void SpeedButton17Click(QObject *sender); // save the current preset
    void SpeedButton8Click(QObject *sender);  // load into the current preset

    // ---- the pages' operations and handlers, forwarded ----
    void SendParameter(int channel, int parameter, int value, bool enabled);
    void SendControlChange(int channel, int controller, int value);
    void SendProgramChange(int channel, int program);
    static void WaitMs(std::uint32_t ms);
    void SendAllParameters();
    void SpeedButton1Click(QObject *sender);  // send the current preset
    void SpeedButton10Click(QObject *sender); // write to flash
    void FillControllerLists();
    void ApplyPreset(int preset);
    int CurrentPreset() const;
    void spdPar1Click(QObject *sender);
    void spdPar2Click(QObject *sender);
    void spdPar3Click(QObject *sender);
    void spdPar4Click(QObject *sender);
    void ComboBox1Change(QObject *sender);
    void SpeedButton12Click(QObject *sender); // channel change dialog
    void kxpotlab2Change(QObject *sender);
    void SpeedButton2Click(QObject *sender); // send all CC
    void SpeedButton3Click(QObject *sender); // reset all CC
    void kxpotlab1Change(QObject *sender);
    void CheckBox1Click(QObject *sender);
    void SpeedButton5Click(QObject *sender); // send the patch-bay set-up

    // ---- the pages ----
    AssignmentPage *Assignments = nullptr;  // the "Config" page
    ControllersPage *Controllers = nullptr; // Controlers and Kessel Control

    // ---- the controls, under their designer names ----
    QTabWidget *PageControl1 = nullptr;
    QWidget *TabSheet2 = nullptr; // "Config"
    QWidget *TabSheet3 = nullptr; // "MIDI"
    QWidget *TabSheet1 = nullptr; // "About..."

    // "Config" page (the assignment page's)
    QFrame *Panel8 = nullptr; // toolbar
    QFrame *Panel3 = nullptr;
    TSpeedButton *SpeedButton8 = nullptr;  // "Load Parameters File "
    TSpeedButton *SpeedButton17 = nullptr; // "Save Parameters File"
    TSpeedButton *SpeedButton1 = nullptr;  // "Send Parameters to MIDI"
    TSpeedButton *SpeedButton10 = nullptr; // "Write to Flash"
    TSpeedButton *SpeedButton12 = nullptr; // "MIDI Channel Change"
    TSpeedButton *spdPar1 = nullptr;
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

    // "MIDI" page: the devices are the window's, the rest the controllers page's
    QFrame *Panel4 = nullptr;
    QGroupBox *GroupBox4 = nullptr; // "Devices"
    QLabel *Label9 = nullptr;       // "In"
    QComboBox *cmbInput = nullptr;
    QLabel *Label1 = nullptr; // "Out"
    QComboBox *cmbOutput = nullptr;
    QCheckBox *CheckBox38 = nullptr; // "Send Params RT"
    QGroupBox *GroupBox2 = nullptr;  // "Kessel Control"
    QLabel *Label12 = nullptr;       // "Input"
    QFrame *Panel5 = nullptr;
    Tkxpotlab *kxpotlab1 = nullptr; // patch-bay input 0..7
    TSpeedButton *SpeedButton5 = nullptr;
    QCheckBox *CheckBox1 = nullptr;       // "Merge Input"
    QCheckBox *CheckBox2 = nullptr;       // "Startup send"
    QGroupBox *GroupBox1 = nullptr;       // "Controlers"
    TSpeedButton *SpeedButton2 = nullptr; // "Send All CC"
    TSpeedButton *SpeedButton3 = nullptr; // "Reset All CC"
    QFrame *Panel2 = nullptr;
    // Controller[t] carries Tag t and drives output t + 1 (kxpotlab2, 3, 5, 7 .. 35).
    std::array<Tkxpotlab *, OutputCount> Controller{};
    std::array<QLabel *, OutputCount> ControllerNumbers{}; // Label41 .. Label72

    // "About..." page
    QFrame *Panel1 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Label40 = nullptr; // "Torvane Interface"
    QLabel *Label7 = nullptr;  // credit line
    QLabel *Label39 = nullptr; // "Rev 1.0"

    // Non-visual components, owned by the window.
    TMidiInput *MidiInput1 = nullptr;
    TMidiOutput *MidiOutput1 = nullptr;
    TFileDialog SaveDialog1 = TFileDialog::Make(
        TFileDialog::Save, "Torvane Parameter File (*.TVN) |*.TVN|All Files (*.*)|*.*");
    TFileDialog OpenDialog1 = TFileDialog::Make(
        TFileDialog::Open, "Torvane Parameter file (*.TVN)|*.TVN|All files (*.*)|*.*");

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void BuildLayout();
    void BuildPages();
    void BuildDevices();
    void BuildAboutPage();
    void SetTabOrder();
    void PointIntoPages();
    void ConnectHandlers();
    void Run(void (TForm1::*handler)(QObject *), QObject *sender);
    void CreateMidiPorts();
    void SelectStoredDevice(QComboBox *selector, const QString &storedName);
    static QString SelectedName(const QComboBox *selector);
    void ApplySetting(int id, int value);
    void SaveAutosaveBank();

    MidiServices &Midi;
    FileDialogs &Dialogs;
    AutosaveLocation Autosave;
    std::unique_ptr<ConverterLink> Link;
};

extern TForm1 *Form1;
