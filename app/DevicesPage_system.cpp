// The "MIDI System" group's side of the devices page: which system the devices are of and how it
// stands, a stop reported once, and the move to another system the user chooses.
#include "app/DevicesPage.h"

#include "app/ExceptionReport.h"
#include "app/MessageBoxes.h"
#include "app/Settings.h"
#include "converter/FormControls.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "midi/backend/MidiServices.h"

#include <QComboBox>
#include <QLabel>

void DevicesPage::cmbSystemChange(QObject *)
{
    const MidiSystemChoice choice = MidiSystemChoices.at(std::size_t(cmbSystem->currentIndex()));
    // The system in use decides, not the setting: another editor may have stored another.
    if (choice == InUse)
        return; // the list was opened and closed again on the same entry
    WriteMidiSystemChoice(choice);
    if (!SwitchSystem)
        return;
    InUse = choice;
    const BusyCursor busy(cmbInput->window());
    const QString input = Choice.Chosen(DeviceChoice::Input);
    const QString output = Choice.Chosen(DeviceChoice::Output);
    CloseMidiDevices();
    SwitchSystem(choice);
    // As at start, without its sends: the devices listed, the chosen ones kept by name.
    ListMidiDevices();
    SelectStoredDevice(DeviceChoice::Input, input);
    SelectStoredDevice(DeviceChoice::Output, output);
    OpenMidiDevices();
    Started();
    MarkConnection(DeviceChoice::Input, In.Health());
    MarkConnection(DeviceChoice::Output, Out.Health());
}

void DevicesPage::MidiSystemChanged()
{
    const MidiSystemStatus status = Midi.systemStatus();
    for (const Side side : {DeviceChoice::Input, DeviceChoice::Output})
        Show(side, Choice.Relist(side, DeviceNames(side)));
    if (Choice.Reopen(DeviceChoice::Input, In.Health()))
        ReopenQuietly(DeviceChoice::Input);
    if (Choice.Reopen(DeviceChoice::Output, Out.Health()))
        ReopenQuietly(DeviceChoice::Output);
    if (Choice.StartupSendDue(status.state, Out.PortState() == psOpen))
        RunGuarded(Report, StartupSend);
    MarkConnection(DeviceChoice::Input, In.Health());
    MarkConnection(DeviceChoice::Output, Out.Health());
    ShowMidiStatus(status);
    if (Choice.ReportStop(status.state, SystemStopReportCount())) {
        PendingStops << QString::fromStdString(status.name);
        if (!StopBoxOpen)
            QMetaObject::invokeMethod(this, &DevicesPage::ShowStopReports, Qt::QueuedConnection);
    }
}

void DevicesPage::ShowStopReports()
{
    if (StopBoxOpen)
        return;
    StopBoxOpen = true;
    while (!PendingStops.isEmpty())
        ShowErrorBox(tr("The MIDI system (%1) has stopped. The chosen devices are connected "
                        "again when it runs.")
                         .arg(PendingStops.takeFirst()),
                     tr("MIDI"));
    StopBoxOpen = false;
}

void DevicesPage::ShowMidiStatus(const MidiSystemStatus &status)
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
    MidiStatus->setText(status.system == MidiSystem::None
                            ? tr("none: only the editor's own devices")
                            : tr("%1: %2").arg(name, state));
    QPalette colours = MidiStatus->palette();
    const bool trouble = status.state == MidiSystemStatus::NotRunning ||
                         status.state == MidiSystemStatus::NotResponding;
    const QColor text = MidiStatus->window()->palette().color(QPalette::WindowText);
    colours.setColor(QPalette::WindowText, trouble ? QColor(192, 0, 0) : text);
    MidiStatus->setPalette(colours);
}
