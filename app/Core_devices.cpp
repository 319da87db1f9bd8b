// Choosing, opening and closing the MIDI devices ("Devices" group of the "MIDI" page).
//
// The selectors hold the devices' names in device-number order, so entry k names device k.
// The chosen device is whatever entry is selected, remembered by name; only a user change of
// either selector re-opens both ports, never the listing's or the settings' selections. How the
// lists follow the system afterwards: Core_live.cpp.
#include "app/Core_main.h"

#include "app/MessageBoxes.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "midi/backend/MidiServices.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace {

// Replaces the entries with the devices' names and selects the first; with no device, a
// single placeholder entry and nothing selected. The edit field keeps its text until an entry
// is selected.
template <typename Port>
void ListDevices(QComboBox *selector, Port *port, std::uint32_t count, const QString &none)
{
    const QSignalBlocker quiet(selector);
    const QString text = selector->currentText();
    // The toolkit selects the first entry added to an empty list. The choice must wait for
    // the whole list: a query that fails part-way leaves the entries listed so far and no
    // selection, so that the open then fails instead of taking a device nobody chose.
    const auto append = [selector, &text](const QString &entry) {
        selector->addItem(entry);
        selector->setCurrentIndex(-1);
        selector->setEditText(text);
    };
    selector->clear();
    selector->setEditText(text);
    if (count == 0) {
        append(none);
        return;
    }
    for (std::uint32_t k = 0; k < count; ++k) {
        port->SetDeviceID(static_cast<int>(k));
        append(port->ProductName());
    }
    selector->setCurrentIndex(0);
}

// Restores the hourglass's predecessor on every path, also when a port raises.
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

} // namespace

QString TForm1::SelectedName(const QComboBox *selector)
{
    const int index = selector->currentIndex();
    return index >= 0 ? selector->itemText(index) : QString();
}

bool TForm1::Listed(const QComboBox *selector, const QString &name) const
{
    return !name.isEmpty() &&
           selector->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0;
}

void TForm1::CreateMidiPorts()
{
    // The input first: the ports are destroyed in creation order, and the system's JACK
    // library must see its inputs go before its outputs.
    MidiInput1 = new TMidiInput(Midi, this);
    MidiInput1->setObjectName("MidiInput1");
    MidiInput1->SetSysexBufferSize(4096);
    MidiOutput1 = new TMidiOutput(Midi, this);
    MidiOutput1->setObjectName("MidiOutput1");
}

void TForm1::ListMidiDevices()
{
    try {
        {
            const QSignalBlocker quietIn(cmbInput), quietOut(cmbOutput);
            cmbInput->clear();
            cmbOutput->clear();
        }
        ListDevices(cmbInput, MidiInput1, Midi.inputDeviceCount(), "No MIDI Input Device");
        ListDevices(cmbOutput, MidiOutput1, Midi.outputDeviceCount(), "No MIDI Output Device");
    } catch (const std::exception &) {
        ShowErrorBox("Error MIDI devices detection ", "No MIDI !!!");
    }
    ChosenInput = SelectedName(cmbInput);
    ChosenOutput = SelectedName(cmbOutput);
    InputListed = Listed(cmbInput, ChosenInput);
    OutputListed = Listed(cmbOutput, ChosenOutput);
}

void TForm1::OpenInput()
{
    // With no input device at all there is nothing to open; the output must still work.
    if (Midi.inputDeviceCount() > 0 || cmbInput->currentIndex() >= 0) {
        MidiInput1->SetProductName(SelectedName(cmbInput));
        MidiInput1->Open();
        MidiInput1->Start();
    }
}

void TForm1::OpenOutput()
{
    MidiOutput1->SetProductName(SelectedName(cmbOutput));
    MidiOutput1->Open();
}

void TForm1::OpenMidiDevices()
{
    // While the system is still starting, a chosen device it has not listed yet is opened as
    // soon as it is (MidiSystemChanged): opening it now could only fail.
    const bool starting = Midi.systemStatus().state == MidiSystemStatus::Starting;
    if (!starting || Listed(cmbInput, ChosenInput))
        OpenInput();
    if (!starting || Listed(cmbOutput, ChosenOutput))
        OpenOutput();
}

void TForm1::CloseMidiDevices()
{
    MidiInput1->Close();
    MidiOutput1->Close();
}

void TForm1::ReopenMidiDevices()
{
    const BusyCursor busy(this);
    CloseMidiDevices();
    OpenMidiDevices();
}

void TForm1::cmbInputChange(QObject *)
{
    ChosenInput = SelectedName(cmbInput);
    InputListed = Listed(cmbInput, ChosenInput);
    ReopenMidiDevices();
}

void TForm1::cmbOutputChange(QObject *)
{
    ChosenOutput = SelectedName(cmbOutput);
    OutputListed = Listed(cmbOutput, ChosenOutput);
    ReopenMidiDevices();
}

void TForm1::SelectStoredDevice(QComboBox *selector, const QString &storedName)
{
    // The stored name is the chosen device, listed now or not: once it is, it is opened.
    if (!storedName.isNull()) {
        (selector == cmbInput ? ChosenInput : ChosenOutput) = storedName;
        (selector == cmbInput ? InputListed : OutputListed) = Listed(selector, storedName);
    }
    // The stored index is a position in the list; when devices come and go another device can
    // stand there. The stored name decides: found elsewhere, select it there; found nowhere,
    // select nothing, so that nothing is sent to a device the user never chose.
    if (storedName.isNull() || SelectedName(selector) == storedName)
        return;
    const QSignalBlocker quiet(selector);
    selector->setCurrentIndex(
        selector->findText(storedName, Qt::MatchExactly | Qt::MatchCaseSensitive));
}
