#include "app/DevicesPage.h"

#include "app/ExceptionReport.h"
#include "app/MessageBoxes.h"
#include "app/Settings.h"
#include "converter/FormControls.h"
#include "midi/MidiChanges.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "midi/backend/MidiServices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>

using namespace form;

namespace {

QStringList Entries(const QComboBox *selector)
{
    QStringList entries;
    for (int k = 0; k < selector->count(); ++k)
        entries << selector->itemText(k);
    return entries;
}

QString SelectedName(const QComboBox *selector)
{
    const int index = selector->currentIndex();
    return index >= 0 ? selector->itemText(index) : QString();
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

// A query of the device list that failed part-way.
struct ListingFailed : std::exception
{
};

} // namespace

DevicesPage::DevicesPage(QWidget *panel, MidiServices &midi, TMidiInput &input, TMidiOutput &output,
                         ErrorReport report, std::function<void()> startupSend)
    : QObject(panel), Midi(midi), In(input), Out(output), Report(report),
      StartupSend(std::move(startupSend)), InUse(ReadMidiSystemChoice())
{
    setObjectName("DevicesPage");
    Build(panel);
    OnUserChange(cmbInput, this,
                 [this] { RunHandler(Report, this, &DevicesPage::cmbInputChange, cmbInput); });
    OnUserChange(cmbOutput, this,
                 [this] { RunHandler(Report, this, &DevicesPage::cmbOutputChange, cmbOutput); });
    // A pick from the list (activated comes from the user alone).
    connect(cmbSystem, &QComboBox::activated, this,
            [this] { RunHandler(Report, this, &DevicesPage::cmbSystemChange, cmbSystem); });
    // From here on the lists follow the system; what changes while the window starts is taken
    // up once its event loop runs.
    auto *changes = new MidiChanges(Midi, this);
    connect(changes, &MidiChanges::changed, this, &DevicesPage::MidiSystemChanged);
}

void DevicesPage::Build(QWidget *panel)
{
    GroupBox4 = Group(panel, "GroupBox4", "Devices", {4, 1, 280, 100});
    Label9 = Caption(GroupBox4, "Label9", "In", {8, 23});
    cmbInput = DropDown(GroupBox4, "cmbInput", {36, 21, 233, 21}, "cmbInput", 8);
    Name(cmbInput, "MIDI input device");
    Label1 = Caption(GroupBox4, "Label1", "Out", {8, 47});
    cmbOutput = DropDown(GroupBox4, "cmbOutput", {36, 45, 233, 21}, "cmbOutput", 8);
    Name(cmbOutput, "MIDI output device");
    CheckBox38 = Check(GroupBox4, "CheckBox38", {88, 72, 109, 17}, "Send Params RT", false, false);

    // Beside the controllers, where the page was empty: which MIDI system the devices are of.
    GroupBoxSystem = Group(panel, "GroupBoxSystem", "MIDI System", {165, 104, 333, 68});
    MidiStatus =
        FixedLabel(GroupBoxSystem, "MidiStatus", QString(), {8, 19, 317, 15}, WindowFont());
    LabelSystem = Caption(GroupBoxSystem, "LabelSystem", "Use", {8, 42});
    cmbSystem = new QComboBox(GroupBoxSystem);
    cmbSystem->setObjectName("cmbSystem");
    cmbSystem->setGeometry(36, 40, 145, 21);
    cmbSystem->addItems({tr("Automatic"), tr("ALSA sequencer"), tr("JACK")});
    // A screen reader names a list by its label (a list's own name is its current entry).
    LabelSystem->setBuddy(cmbSystem);
    LabelSystem->setAccessibleName(tr("MIDI system"));
    for (int k = 0; k < int(MidiSystemChoices.size()); ++k) {
        if (MidiSystemChoices[std::size_t(k)] == InUse)
            cmbSystem->setCurrentIndex(k);
    }
#if defined(Q_OS_WIN)
    // Windows has one MIDI system: nothing to choose.
    LabelSystem->hide();
    cmbSystem->hide();
#endif
}

QComboBox *DevicesPage::Selector(Side side) const
{
    return side == DeviceChoice::Input ? cmbInput : cmbOutput;
}

QStringList DevicesPage::DeviceNames(Side side, bool *complete) const
{
    const bool output = side == DeviceChoice::Output;
    const std::uint32_t count = output ? Midi.outputDeviceCount() : Midi.inputDeviceCount();
    QStringList names;
    for (std::uint32_t k = 0; k < count; ++k) {
        MidiOutCaps outCaps;
        MidiInCaps inCaps;
        const MidiResult result =
            output ? Midi.outputDeviceCaps(int(k), outCaps) : Midi.inputDeviceCaps(int(k), inCaps);
        if (result != MidiOk)
            break; // entry k must name device k: a list that fails part-way stops there
        names << QString::fromStdString(output ? outCaps.name : inCaps.name);
    }
    if (complete)
        *complete = names.size() == qsizetype(count);
    return names;
}

bool DevicesPage::RealTime() const
{
    return CheckBox38->isChecked();
}

int DevicesPage::SelectedIndex(Side side) const
{
    return Selector(side)->currentIndex();
}

// ---- start-up and shutdown ----

void DevicesPage::ListMidiDevices()
{
    // Asked before the listing: a system that is still starting may list its devices during it
    // or after, and what it lists after is taken up by MidiSystemChanged.
    Choice.ListedIn(Midi.systemStatus().state);
    try {
        for (QComboBox *selector : {cmbInput, cmbOutput}) {
            const QSignalBlocker quiet(selector);
            selector->clear();
        }
        List(DeviceChoice::Input);
        List(DeviceChoice::Output);
    } catch (const std::exception &) {
        ShowErrorBox("Error MIDI devices detection ", "No MIDI !!!");
    }
    Choose(DeviceChoice::Input);
    Choose(DeviceChoice::Output);
}

void DevicesPage::List(Side side)
{
    QComboBox *selector = Selector(side);
    const QSignalBlocker quiet(selector);
    // The edit field keeps its text until an entry is selected. The choice waits for the whole
    // list: a query that fails part-way leaves the entries listed so far and no selection, so
    // that the open then fails instead of taking a device nobody chose.
    const QString text = selector->currentText();
    bool complete = false;
    const QStringList names = DeviceNames(side, &complete);
    selector->clear();
    selector->addItems(complete && names.isEmpty() ? QStringList{DeviceChoice::NoDevice(side)}
                                                   : names);
    selector->setCurrentIndex(-1);
    selector->setEditText(text);
    // The port is left on the last device listed, as a walk of its device numbers leaves it:
    // what it then says when asked for a name nobody chose depends on it.
    const int last = int(names.size()) - 1;
    if (last >= 0 && side == DeviceChoice::Input)
        In.SetDeviceID(static_cast<std::uint16_t>(last));
    else if (last >= 0)
        Out.SetDeviceID(last);
    if (!complete)
        throw ListingFailed();
    if (!names.isEmpty())
        selector->setCurrentIndex(0);
}

void DevicesPage::Choose(Side side)
{
    const QComboBox *selector = Selector(side);
    Choice.Choose(side, Entries(selector), selector->currentIndex());
}

void DevicesPage::SelectStoredIndex(Side side, int index)
{
    QComboBox *selector = Selector(side);
    selector->setCurrentIndex(index >= 0 && index < selector->count() ? index : -1);
}

void DevicesPage::SelectStoredDevice(Side side, const QString &storedName)
{
    QComboBox *selector = Selector(side);
    const int shown = selector->currentIndex();
    const int index = Choice.ChooseStored(side, Entries(selector), shown, storedName);
    if (index == shown)
        return;
    const QSignalBlocker quiet(selector);
    selector->setCurrentIndex(index);
    // A chosen device that is not listed is shown by its name all the same.
    if (index < 0)
        selector->setEditText(Choice.Chosen(side));
}

void DevicesPage::OpenInput()
{
    // With no input device at all there is nothing to open; the output must still work.
    if (Midi.inputDeviceCount() > 0 || cmbInput->currentIndex() >= 0) {
        In.SetProductName(SelectedName(cmbInput));
        In.Open();
        In.Start();
    }
}

void DevicesPage::OpenOutput()
{
    Out.SetProductName(SelectedName(cmbOutput));
    Out.Open();
}

void DevicesPage::OpenMidiDevices()
{
    // While the system is still starting, a chosen device it has not listed yet is opened as
    // soon as it is (MidiSystemChanged): opening it now could only fail.
    if (Choice.OpenAtStart(DeviceChoice::Input))
        OpenInput();
    if (Choice.OpenAtStart(DeviceChoice::Output))
        OpenOutput();
}

void DevicesPage::CloseMidiDevices()
{
    In.Close();
    Out.Close();
}

void DevicesPage::Started()
{
    const MidiSystemStatus status = Midi.systemStatus();
    Choice.Started(status.state, SystemStopReportCount());
    ShowMidiStatus(status);
}

void DevicesPage::SendAtStart()
{
    if (Choice.SendAtStart(Out.PortState() == psOpen))
        StartupSend();
}

// ---- the user's changes ----

void DevicesPage::ReopenMidiDevices()
{
    const BusyCursor busy(cmbInput->window());
    CloseMidiDevices();
    OpenMidiDevices();
}

void DevicesPage::cmbInputChange(QObject *)
{
    Choose(DeviceChoice::Input);
    ReopenMidiDevices();
}

void DevicesPage::cmbOutputChange(QObject *)
{
    Choose(DeviceChoice::Output);
    ReopenMidiDevices();
}

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

// ---- the MIDI system as it changes ----

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

void DevicesPage::Show(Side side, const DeviceChoice::View &view)
{
    QComboBox *selector = Selector(side);
    if (view.entries == Entries(selector) && view.current == selector->currentIndex())
        return; // nothing moved: the user's edit field and popup stay as they are
    const QSignalBlocker quiet(selector);
    selector->clear();
    selector->addItems(view.entries);
    // The toolkit selects the first entry added.
    selector->setCurrentIndex(view.current);
    if (view.current < 0)
        selector->setEditText(view.editText);
}

void DevicesPage::ReopenQuietly(Side side)
{
    // Without a word: the device was not there, or its port had gone with its system.
    const QString name = Choice.Chosen(side);
    const auto quietly = [](auto &&step) {
        try {
            step();
        } catch (const std::exception &) {
        }
    };
    if (side == DeviceChoice::Input) {
        quietly([&] { In.Close(); });
        quietly([&] {
            In.SetProductName(name);
            In.Open();
        });
        if (In.PortState() == psOpen)
            In.Start();
    } else {
        quietly([&] { Out.Close(); });
        quietly([&] {
            Out.SetProductName(name);
            Out.Open();
        });
    }
}

void DevicesPage::MarkConnection(Side side, MidiResult health)
{
    QComboBox *selector = Selector(side);
    const bool missing = Choice.Missing(side, health);
    const QColor text = selector->window()->palette().color(QPalette::Text);
    QPalette colours = selector->lineEdit()->palette();
    colours.setColor(QPalette::Text, missing ? QColor(192, 0, 0) : text);
    selector->lineEdit()->setPalette(colours);
    selector->setToolTip(missing ? tr("%1 is not connected").arg(Choice.Chosen(side)) : QString());
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
