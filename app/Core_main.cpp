#include "app/Core_main.h"

#include "app/BoxMemory.h"
#include "app/ExceptionReport.h"
#include "app/LatePages.h"
#include "app/MessageBoxes.h"
#include "app/PresetBank.h"
#include "app/Settings.h"
#include "converter/AssignmentPage.h"
#include "converter/ControllersPage.h"
#include "converter/ConverterLink.h"
#include "converter/FormControls.h"
#include "converter/HandlerGuard.h"
#include "converter/MonitorLog.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"

#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QTabWidget>
#include <QVBoxLayout>

TForm1::TForm1(MidiServices &midi, FileDialogs &dialogs, EditorParts parts,
               AutosaveLocation autosave, QWidget *parent)
    : QWidget(parent), Midi(midi), Dialogs(dialogs), Parts(std::move(parts)), Bank(Parts.bank),
      Autosave(std::move(autosave))
{
    CreateMidiPorts();
    Link = std::make_unique<ConverterLink>(*MidiOutput1);
    Files = std::make_unique<PresetFiles>(
        Bank, State, Dialogs, SaveDialog1, OpenDialog1, *this,
        [this](const PresetImage &image, const PresetNames *names, const QString &fileName) {
            if (names)
                ConfigPage().LoadPresetWithNames(image, *names, fileName);
            else
                ConfigPage().LoadPresetImage(image, fileName);
        });
    KnownBoxes = new BoxMemory(Autosave.DataFolder().isEmpty()
                                   ? QString()
                                   : QDir(Autosave.DataFolder()).filePath(BoxMemory::FileName),
                               this);
    connect(KnownBoxes, &BoxMemory::SaveFailed, this, &TForm1::ReportBoxMemoryNotSaved);
    Late = new LatePages(*this);
    BuildLayout();
    // Before FormCreate, so that the monitor keeps what start-up sends.
    BuildLearnAndMonitor();
    try {
        FormCreate(this);
    } catch (const std::exception &error) {
        // The rest of FormCreate is skipped; the window still comes up.
        ShowExceptionReport(error);
    }
}

TForm1::~TForm1() = default;

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

void TForm1::BuildPage(QWidget *sheet)
{
    Late->Build(sheet);
}

void TForm1::BuildLatePages()
{
    Late->BuildAll();
}

QWidget *TForm1::AddPage(const QString &caption, std::function<QWidget *()> build)
{
    auto *sheet = new QWidget;
    auto *fill = new QVBoxLayout(sheet);
    fill->setContentsMargins(0, 0, 0, 0);
    PageControl1->addTab(sheet, caption);
    Late->Add(sheet, [fill, build = std::move(build)] { fill->addWidget(build()); });
    return sheet;
}

AssignmentPage &TForm1::ConfigPage()
{
    BuildPage(TabSheet2);
    return *Assignments;
}

QString TForm1::OutputInUse() const
{
    return Devices ? Devices->Chosen(DeviceChoice::Output) : QString();
}

void TForm1::FormCreate(QObject *)
{
    ListMidiDevices();
    // After the listing, so that a stored device index replaces the listing's default.
    LoadSettings();
    const QString bankFile = Autosave.FileToLoad();
    if (!bankFile.isEmpty()) {
        Bank.LoadBank(bankFile);
        BankLoaded = true;
        const preset_text::BankNames names = BankNames.Load(bankFile);
        for (int p = 0; p < int(names.size()); ++p)
            State.SetNames(p, names[std::size_t(p)]);
        // The first preset's channel is where messages go, whether its page is built or not.
        State.SetMasterChannel(protocol::PresetChannel(Bank.GetByte(0, Bank.ChannelPosition)));
        // A "Config" page already built (asked for meanwhile) shows the first preset now.
        if (Assignments)
            ApplyPreset(0);
    }
    OpenMidiDevices();
    if (Assignments)
        Assignments->ShowBox();
    Devices->Started();
    if (State.StartupSend())
        Devices->SendAtStart();
}

void TForm1::FormClose(QObject *)
{
    SaveAutosaveBank();
    SaveSettings();
    // The ports first: what they still had queued ("Write to flash" from the close question)
    // is counted as the box's as it leaves, and then kept (by the memory's destructor too,
    // should a port refuse to close).
    CloseMidiDevices();
    KnownBoxes->Save();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    // Only the user's own close asks (the window's button, the desktop's menu): a close by a
    // termination signal, or by code, must never wait for an answer.
    if (event->spontaneous() && !MayClose()) {
        event->ignore();
        return;
    }
    try {
        FormClose(this);
    } catch (const std::exception &error) {
        // The bank and the settings are already written: report, then close anyway, so that
        // a MIDI system that refuses to close a port can never keep the user from quitting.
        ShowExceptionReport(error);
    }
    event->accept();
}

bool TForm1::MayClose()
{
    const BoxBelief &box = KnownBoxes->Of(OutputInUse());
    if (!box.Unwritten() || MidiOutput1->Health() != MidiOk || !ReadAskFlashOnClose())
        return true;
    const QuestionAnswer answer = AskQuestion({
        .message = {tr("The box has changes that are not written to its flash, as sent from this "
                       "editor: switched off, it loses them."),
                    tr("Close"), QMessageBox::Question,
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel},
        .buttonTexts = {{QMessageBox::Save, tr("Write to flash")},
                        {QMessageBox::Discard, tr("Close without writing")}},
        .unattended = QMessageBox::Discard,
    });
    if (answer.button != QMessageBox::Save && answer.button != QMessageBox::Discard)
        return false;
    if (answer.dontAskAgain)
        WriteAskFlashOnClose(false);
    if (answer.button == QMessageBox::Discard)
        return true;
    // Where the box listens: the master channel may have been moved since.
    const int channel = *box.Working().channel;
    bool written = false;
    RunGuarded(&ShowExceptionReport, [&] {
        Link->WriteToFlash(channel);
        written = true;
    });
    return written;
}

void TForm1::SaveAutosaveBank()
{
    const QString written = Autosave.Save(Bank);
    if (!written.isEmpty()) {
        preset_text::BankNames names;
        for (int p = 0; p < int(names.size()); ++p)
            names[std::size_t(p)] = State.Names(p);
        if (!BankNames.Save(written, names))
            ShowErrorBox(
                tr("The names of your presets could not be saved: %1 could not be "
                   "written.")
                    .arg(QDir::toNativeSeparators(AutosaveLocation::NamesFileFor(written))),
                tr("File Error"));
        return;
    }
    ShowErrorBox(tr("Your presets could not be saved: %1 could not be written in %2.")
                     .arg(AutosaveLocation::FileName)
                     .arg(Autosave.Folders().join(tr(" nor in "))),
                 tr("File Error"));
}

void TForm1::ReportBoxMemoryNotSaved()
{
    const QString path = KnownBoxes->FilePath();
    ShowErrorBox(path.isEmpty()
                     ? tr("What the box has, as sent from this editor, is not kept after you "
                          "close it: there is no folder for your data.")
                     : tr("What the box has, as sent from this editor, could not be saved: %1 "
                          "could not be written.")
                           .arg(QDir::toNativeSeparators(path)),
                 tr("File Error"));
}

void TForm1::LoadSettings()
{
    ReadSettings([this](SettingId id, int value) { ApplySetting(static_cast<int>(id), value); });
    // A stored name decides, whatever the places say or lack: the place of a device changes
    // as others come and go, and no device the user did not choose may be opened.
    const StoredDeviceNames names = ReadDeviceNames();
    Devices->SelectStoredDevice(DeviceChoice::Input, names.input);
    Devices->SelectStoredDevice(DeviceChoice::Output, names.output);
}

void TForm1::ApplySetting(int id, int value)
{
    // Restoring a value is a change made by code: it never sends anything (the controls only
    // show the state; their handlers hear the user alone).
    switch (static_cast<SettingId>(id)) {
    case SettingId::PX:
        move(value, y());
        break;
    case SettingId::PY:
        move(x(), value);
        break;
    case SettingId::RTparam:
        State.SetRealTime(value != 0);
        break;
    case SettingId::kesselmerge:
        State.SetKesselMerge(value != 0);
        break;
    case SettingId::kesselstart:
        State.SetStartupSend(value != 0);
        break;
    case SettingId::kesselInput:
        State.SetKesselInput(value);
        break;
    case SettingId::midiIN:
        Devices->SelectStoredIndex(DeviceChoice::Input, value);
        break;
    case SettingId::midiOUT:
        Devices->SelectStoredIndex(DeviceChoice::Output, value);
        break;
    }
}

void TForm1::SaveSettings()
{
    // The chosen devices by name, also while they are not listed (unplugged, or their system is
    // not running): they are looked for again at the next start.
    WriteSettings({x(), y(), State.RealTime() ? 1 : 0, State.KesselMerge() ? 1 : 0,
                   State.StartupSend() ? 1 : 0, State.KesselInput(),
                   Devices->SelectedIndex(DeviceChoice::Input),
                   Devices->SelectedIndex(DeviceChoice::Output)},
                  {Devices->Chosen(DeviceChoice::Input), Devices->Chosen(DeviceChoice::Output)});
}

void TForm1::dragEnterEvent(QDragEnterEvent *event)
{
    if (!PresetFiles::DroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent *event)
{
    const QString file = PresetFiles::DroppedFile(event->mimeData());
    if (file.isEmpty())
        return;
    event->acceptProposedAction();
    LoadIntoCurrentPreset(file, false);
}
