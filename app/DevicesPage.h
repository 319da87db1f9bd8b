#pragma once
// The devices part of the "MIDI" page: the "Devices" group (the input and output selectors and
// "Send Params RT") and the "MIDI System" group below it. The page lists the system's devices,
// opens the chosen ones on the window's two ports, opens both again when the user changes
// either selector, and follows the MIDI system as it changes: devices plugged in and out,
// programs started and stopped, a JACK server that dies, freezes or comes back. Its rules (what
// is chosen, when a port is opened again, when a stop is reported) are DeviceChoice's; this
// class holds the widgets and does what the rules decide.
//
// GUI thread only. The page owns its controls through their Qt parents; the services and the
// ports must outlive it. Errors of the user's changes go to the error report; those of the
// start-up listing and opening are the caller's.
#include "app/DeviceChoice.h"
#include "app/MidiSystemChoice.h"
#include "converter/HandlerGuard.h"

#include <QObject>
#include <QWidget>
#include <functional>

class EditorState;
class MidiServices;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class TMidiInput;
class TMidiOutput;

// The page's controls under their designer names; the main window inherits them too.
struct DevicesControls
{
    QGroupBox *GroupBox4 = nullptr; // "Devices"
    QLabel *Label9 = nullptr;       // "In"
    QComboBox *cmbInput = nullptr;
    QLabel *Label1 = nullptr; // "Out"
    QComboBox *cmbOutput = nullptr;
    QCheckBox *CheckBox38 = nullptr;     // "Send Params RT"
    QGroupBox *GroupBoxSystem = nullptr; // "MIDI System", in the page's free corner
    QLabel *MidiStatus = nullptr;        // which system, and whether it runs
    QLabel *LabelSystem = nullptr;       // "Use"
    QComboBox *cmbSystem = nullptr;      // the system chosen: automatic, ALSA or JACK
};

class DevicesPage : public QObject, public DevicesControls
{
    Q_OBJECT

public:
    using Side = DeviceChoice::Side;

    // Builds the groups on panel and connects them; "Send Params RT" shows and changes the
    // state's. startupSend sends the patch-bay set-up (see SendAtStart).
    DevicesPage(QWidget *panel, MidiServices &midi, TMidiInput &input, TMidiOutput &output,
                EditorState &state, ErrorReport report, std::function<void()> startupSend);

    // How the services are put on another MIDI system when the user chooses one; without it the
    // choice is kept for the next start.
    using SystemSwitch = std::function<void(MidiSystemChoice)>;
    void SetSystemSwitch(SystemSwitch switchSystem) { SwitchSystem = std::move(switchSystem); }

    // ---- start-up and shutdown ----
    // The devices into both selectors, the first of each chosen; a query that fails stops the
    // listing there with the "Error MIDI devices detection " box.
    void ListMidiDevices();
    // The stored choice: its index (a position in the list) and, when kept, its name.
    void SelectStoredIndex(Side side, int index);
    void SelectStoredDevice(Side side, const QString &storedName);
    // Opens the chosen devices; a port's error ends it at that step.
    void OpenMidiDevices();
    void CloseMidiDevices();
    // The start's listing and opening are done: the system's state is shown, and its stop
    // reports count from here.
    void Started();
    // "Startup send": now, or once the output opens when the system is still starting.
    void SendAtStart();

    // ---- what the settings keep ----
    int SelectedIndex(Side side) const;
    QString Chosen(Side side) const { return Choice.Chosen(side); }

    // ---- handlers ----
    void ReopenMidiDevices();
    void cmbInputChange(QObject *sender);
    void cmbOutputChange(QObject *sender);
    // Another MIDI system: kept in the settings, and the devices listed and opened anew on it,
    // the chosen ones by name (a device it does not have stays chosen, marked not connected).
    void cmbSystemChange(QObject *sender);
    // The lists follow the system, keeping the chosen devices by name; a chosen device that is
    // back is opened again, silently; the system's state is shown, and its stopping reported.
    void MidiSystemChanged();

private:
    // The hourglass while the devices are listed and opened, its predecessor back on every
    // path, also when a port raises.
    class BusyCursor
    {
    public:
        explicit BusyCursor(QWidget *window) : Window(window) { Window->setCursor(Qt::WaitCursor); }
        ~BusyCursor() { Window->unsetCursor(); }
        BusyCursor(const BusyCursor &) = delete;
        BusyCursor &operator=(const BusyCursor &) = delete;

    private:
        QWidget *Window;
    };

    void Build(QWidget *panel, EditorState &state);
    QComboBox *Selector(Side side) const;
    QStringList DeviceNames(Side side, bool *complete = nullptr) const;
    void Choose(Side side);
    void List(Side side);
    void OpenInput();
    void OpenOutput();
    void Show(Side side, const DeviceChoice::View &view);
    void ReopenQuietly(Side side);
    void MarkConnection(Side side, MidiResult health);
    void ShowMidiStatus(const MidiSystemStatus &status);
    void ShowStopReports();

    MidiServices &Midi;
    TMidiInput &In;
    TMidiOutput &Out;
    ErrorReport Report;
    std::function<void()> StartupSend;
    SystemSwitch SwitchSystem;
    // The system the editor was started on (as the settings held it then), or switched to.
    MidiSystemChoice InUse;
    DeviceChoice Choice;
    // The stops not reported yet, by the system's name. Their box is shown from the event loop,
    // not from the change that found them, so that the lists go on following the system while
    // it is open; a stop found meanwhile is reported after it.
    QStringList PendingStops;
    bool StopBoxOpen = false;
};
