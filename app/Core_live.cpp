// The MIDI system as it changes under the running editor: devices plugged in and out, clients
// started and stopped, a JACK server that dies, freezes or comes back.
//
// The services say that something changed (MidiChanges, one signal per burst); the window then
// lists the devices again, keeping each chosen device by name. A chosen device that is not
// listed stays shown as chosen, marked not connected; when it is listed again its port is
// opened again, silently, and nothing is sent on that account. The system's state is shown on
// the MIDI page, and a system that stops is reported once.
#include "app/Core_main.h"

#include "app/ExceptionReport.h"
#include "app/MessageBoxes.h"
#include "converter/HandlerGuard.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

namespace {

QStringList DeviceNames(MidiServices &midi, bool output)
{
    QStringList names;
    const std::uint32_t count = output ? midi.outputDeviceCount() : midi.inputDeviceCount();
    for (std::uint32_t k = 0; k < count; ++k) {
        MidiOutCaps outCaps;
        MidiInCaps inCaps;
        const MidiResult result =
            output ? midi.outputDeviceCaps(int(k), outCaps) : midi.inputDeviceCaps(int(k), inCaps);
        if (result != MidiOk)
            break; // entry k must name device k: a list that fails part-way stops there
        names << QString::fromStdString(output ? outCaps.name : inCaps.name);
    }
    return names;
}

QStringList Entries(const QComboBox *selector)
{
    QStringList entries;
    for (int k = 0; k < selector->count(); ++k)
        entries << selector->itemText(k);
    return entries;
}

// Opens again, without a word: the device was not there, or its port had gone with its system.
template <typename Port> void ReopenQuietly(Port *port, const QString &name)
{
    try {
        port->Close();
    } catch (const std::exception &) {
    }
    try {
        port->SetProductName(name);
        port->Open();
    } catch (const std::exception &) {
    }
}

} // namespace

void TForm1::MidiSystemChanged()
{
    const MidiSystemStatus status = Midi.systemStatus();
    const bool inputWasListed = InputListed;
    const bool outputWasListed = OutputListed;
    RefreshDeviceList(cmbInput, ChosenInput, false);
    RefreshDeviceList(cmbOutput, ChosenOutput, true);
    InputListed = Listed(cmbInput, ChosenInput);
    OutputListed = Listed(cmbOutput, ChosenOutput);
    FollowChosenInput(InputListed && !inputWasListed);
    FollowChosenOutput(OutputListed && !outputWasListed);

    if (StartupSendPending && MidiOutput1->PortState() == psOpen) {
        StartupSendPending = false;
        RunGuarded(&ShowExceptionReport, [this] { SpeedButton5Click(this); });
    } else if (status.state != MidiSystemStatus::Starting) {
        StartupSendPending = false; // the start is over; the device came too late for it
    }

    MarkConnection(cmbInput, ChosenInput, MidiInput1->Health());
    MarkConnection(cmbOutput, ChosenOutput, MidiOutput1->Health());
    ShowMidiStatus(status);
    ReportStoppedSystem(status);
}

void TForm1::RefreshDeviceList(QComboBox *selector, const QString &chosen, bool output)
{
    const QStringList names = DeviceNames(Midi, output);
    const int chosenAt = names.indexOf(chosen);
    if (names == Entries(selector) && selector->currentIndex() == chosenAt)
        return; // nothing moved: the user's edit field and popup stay as they are
    const QSignalBlocker quiet(selector);
    selector->clear();
    if (names.isEmpty())
        selector->addItem(output ? "No MIDI Output Device" : "No MIDI Input Device");
    else
        selector->addItems(names);
    // The toolkit selects the first entry added; the chosen device is the one to show, listed
    // or not.
    selector->setCurrentIndex(chosen.isEmpty() ? -1 : chosenAt);
    if (selector->currentIndex() < 0)
        selector->setEditText(chosen);
}

void TForm1::FollowChosenInput(bool appeared)
{
    const MidiResult health = MidiInput1->Health();
    // A port lost with its system is opened again once the system lists the device again.
    if (!InputListed || health == MidiOk || (!appeared && health != MidiErrSystemNotRunning))
        return;
    ReopenQuietly(MidiInput1, ChosenInput);
    if (MidiInput1->PortState() == psOpen)
        MidiInput1->Start();
}

void TForm1::FollowChosenOutput(bool appeared)
{
    const MidiResult health = MidiOutput1->Health();
    if (!OutputListed || health == MidiOk || (!appeared && health != MidiErrSystemNotRunning))
        return;
    ReopenQuietly(MidiOutput1, ChosenOutput);
}

void TForm1::MarkConnection(QComboBox *selector, const QString &chosen, MidiResult health)
{
    const bool missing = !chosen.isEmpty() && (!Listed(selector, chosen) || health != MidiOk);
    QPalette colours = selector->lineEdit()->palette();
    colours.setColor(QPalette::Text, missing ? QColor(192, 0, 0) : palette().color(QPalette::Text));
    selector->lineEdit()->setPalette(colours);
    selector->setToolTip(missing ? tr("%1 is not connected").arg(chosen) : QString());
}

void TForm1::ShowMidiStatus(const MidiSystemStatus &status)
{
    const QString name = QString::fromStdString(status.name);
    QString state;
    switch (status.state) {
    case MidiSystemStatus::Running:
        state = tr("running");
        break;
    case MidiSystemStatus::NotRunning:
        state = tr("not running");
        break;
    case MidiSystemStatus::NotResponding:
        state = tr("not responding");
        break;
    case MidiSystemStatus::Starting:
        state = tr("connecting…");
        break;
    }
    MidiStatus->setText(name == "none" ? tr("none: only the editor's own devices")
                                       : tr("%1: %2").arg(name, state));
    QPalette colours = MidiStatus->palette();
    const bool trouble = status.state == MidiSystemStatus::NotRunning ||
                         status.state == MidiSystemStatus::NotResponding;
    colours.setColor(QPalette::WindowText,
                     trouble ? QColor(192, 0, 0) : palette().color(QPalette::WindowText));
    MidiStatus->setPalette(colours);
}

void TForm1::ReportStoppedSystem(const MidiSystemStatus &status)
{
    // Once, and not at all when a send has already reported it (a transfer that was running).
    if (status.state == MidiSystemStatus::Running)
        ReportsWhileRunning = ExceptionReportCount();
    else if (status.state == MidiSystemStatus::NotRunning &&
             LastSystemState == MidiSystemStatus::Running &&
             ExceptionReportCount() == ReportsWhileRunning)
        ShowErrorBox(tr("The MIDI system (%1) has stopped. The chosen devices are connected "
                        "again when it runs.")
                         .arg(QString::fromStdString(status.name)),
                     tr("MIDI"));
    LastSystemState = status.state;
}
