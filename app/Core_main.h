#pragma once
// TForm1, the editor's main window. Its pages are built in Core_layout.cpp; its handlers are
// spread over one file per concern (start-up and shutdown here, device selection in
// Core_devices.cpp, the converter pages in converter/Core_*.cpp). Everything runs on the GUI
// thread; handlers triggered by the user run synchronously to their end, and code that
// changes a control (filling, applying a preset, restoring settings) never runs a handler.
#include "app/AutosaveLocation.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QTabWidget;
class Tkxpotlab;

class TForm1 : public QWidget
{
    Q_OBJECT

public:
    // Builds every control, then runs FormCreate (fill the selectors, list the devices,
    // restore the settings, load the autosave file, open the ports, maybe send the patch-bay
    // set-up). An error in FormCreate is reported and the window still comes up.
    explicit TForm1(AutosaveLocation autosave = AutosaveLocation::ForThisProgram(),
                    QWidget *parent = nullptr);
    ~TForm1() override;

    // Start-up and shutdown.
    void FormCreate(QObject *sender);
    void FormClose(QObject *sender);
    void LoadSettings();
    void SaveSettings();

    // Device selection.
    void ListMidiDevices();
    void OpenMidiDevices();
    void CloseMidiDevices();

    // Assignment page.
    void FillControllerLists();
    void ApplyPreset(int preset);

    // Patch-bay control.
    void SpeedButton5Click(QObject *sender);

    // The controls, under their designer names.
    QTabWidget *PageControl1 = nullptr;
    QWidget *TabSheet2 = nullptr; // "Config"
    QWidget *TabSheet3 = nullptr; // "MIDI"
    QWidget *TabSheet1 = nullptr; // "About..."
    QComboBox *cmbInput = nullptr;
    QComboBox *cmbOutput = nullptr;
    QCheckBox *CheckBox38 = nullptr; // "Send Params RT"
    QCheckBox *CheckBox1 = nullptr;  // "Merge Input"
    QCheckBox *CheckBox2 = nullptr;  // "Startup send"
    Tkxpotlab *kxpotlab1 = nullptr;  // patch-bay input 0..7

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void BuildLayout();
    void ConnectHandlers();
    void ApplySetting(int id, int value);
    void SaveAutosaveBank();

    AutosaveLocation Autosave;
};

extern TForm1 *Form1;
