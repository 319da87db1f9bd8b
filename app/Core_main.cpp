#include "app/Core_main.h"

#include "app/ExceptionReport.h"
#include "app/MessageBoxes.h"
#include "app/PresetBank.h"
#include "app/Settings.h"
#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>

TForm1 *Form1 = nullptr;

TForm1::TForm1(MidiServices &midi, FileDialogs &dialogs, AutosaveLocation autosave, QWidget *parent)
    : QWidget(parent), Midi(midi), Dialogs(dialogs), Autosave(std::move(autosave))
{
    BuildLayout();
    CreateMidiPorts();
    ConnectHandlers();
    try {
        FormCreate(this);
    } catch (const std::exception &error) {
        // The rest of FormCreate is skipped; the window still comes up.
        ShowExceptionReport(error);
    }
}

TForm1::~TForm1() = default;

void TForm1::Run(void (TForm1::*handler)(QObject *), QObject *sender)
{
    // Errors must not travel back through Qt's signal machinery, which is not built for
    // exceptions: the handler ends at the failing step and the error is reported here.
    try {
        (this->*handler)(sender);
    } catch (const std::exception &error) {
        ShowExceptionReport(error);
    }
}

void TForm1::ConnectHandlers()
{
    // Selectors: a pick from the list, and every edit of the text, is a user change. An edit
    // leaves no list entry selected, as in a drop-down combo box whose text was typed over.
    auto onUserChange = [this](QComboBox *combo, void (TForm1::*handler)(QObject *)) {
        connect(combo, &QComboBox::activated, this,
                [this, combo, handler] { Run(handler, combo); });
        connect(combo->lineEdit(), &QLineEdit::textEdited, this,
                [this, combo, handler](const QString &text) {
                    QLineEdit *edit = combo->lineEdit();
                    const int cursor = edit->cursorPosition();
                    {
                        const QSignalBlocker quiet(combo);
                        combo->setCurrentIndex(-1);
                        combo->setEditText(text);
                    }
                    edit->setCursorPosition(cursor);
                    Run(handler, combo);
                });
    };
    onUserChange(cmbInput, &TForm1::cmbInputChange);
    onUserChange(cmbOutput, &TForm1::cmbOutputChange);
    for (QComboBox *selector : ComboBox)
        onUserChange(selector, &TForm1::ComboBox1Change);

    auto onClick = [this](QAbstractButton *button, void (TForm1::*handler)(QObject *)) {
        connect(button, &QAbstractButton::clicked, this,
                [this, button, handler] { Run(handler, button); });
    };
    onClick(SpeedButton8, &TForm1::SpeedButton8Click);
    onClick(SpeedButton17, &TForm1::SpeedButton17Click);
    onClick(SpeedButton1, &TForm1::SpeedButton1Click);
    onClick(SpeedButton10, &TForm1::SpeedButton10Click);
    onClick(SpeedButton12, &TForm1::SpeedButton12Click);
    onClick(spdPar1, &TForm1::spdPar1Click);
    onClick(spdPar2, &TForm1::spdPar2Click);
    onClick(spdPar3, &TForm1::spdPar3Click);
    onClick(spdPar4, &TForm1::spdPar4Click);
    onClick(SpeedButton5, &TForm1::SpeedButton5Click);
    onClick(SpeedButton2, &TForm1::SpeedButton2Click);
    onClick(SpeedButton3, &TForm1::SpeedButton3Click);
    // Only the user's clicks: restoring the box from the settings must send nothing.
    onClick(CheckBox1, &TForm1::CheckBox1Click);

    connect(kxpotlab1, &Tkxpotlab::OnChange, this,
            [this](Tkxpotlab *sender) { Run(&TForm1::kxpotlab1Change, sender); });
    for (Tkxpotlab *label : Controller)
        connect(label, &Tkxpotlab::OnChange, this,
                [this](Tkxpotlab *sender) { Run(&TForm1::kxpotlab2Change, sender); });
}

void TForm1::FormCreate(QObject *)
{
    FillControllerLists();
    ListMidiDevices();
    // After the listing, so that a stored device index replaces the listing's default.
    LoadSettings();
    const QString bankFile = Autosave.FileToLoad();
    if (!bankFile.isEmpty()) {
        PresetBank->LoadBank(bankFile);
        ApplyPreset(0);
    }
    OpenMidiDevices();
    if (CheckBox2->isChecked())
        SpeedButton5Click(this);
}

void TForm1::FormClose(QObject *)
{
    SaveAutosaveBank();
    SaveSettings();
    CloseMidiDevices();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    try {
        FormClose(this);
    } catch (const std::exception &error) {
        // The bank and the settings are already written: report, then close anyway, so that
        // a MIDI system that refuses to close a port can never keep the user from quitting.
        ShowExceptionReport(error);
    }
    event->accept();
}

void TForm1::SaveAutosaveBank()
{
    if (!Autosave.Save(*PresetBank).isEmpty())
        return;
    ShowErrorBox(tr("Your presets could not be saved: %1 could not be written in %2.")
                     .arg(AutosaveLocation::FileName)
                     .arg(Autosave.Folders().join(tr(" nor in "))),
                 tr("File Error"));
}

void TForm1::LoadSettings()
{
    const int applied = ReadSettings(
        [this](SettingId id, int value) { ApplySetting(static_cast<int>(id), value); });
    const StoredDeviceNames names = ReadDeviceNames();
    if (applied > static_cast<int>(SettingId::midiIN))
        SelectStoredDevice(cmbInput, names.input);
    if (applied > static_cast<int>(SettingId::midiOUT))
        SelectStoredDevice(cmbOutput, names.output);
}

void TForm1::ApplySetting(int id, int value)
{
    // Restoring a value is a change made by code: it never sends anything. The check boxes'
    // handlers listen to user clicks only, and a value label never signals a State write.
    switch (static_cast<SettingId>(id)) {
    case SettingId::PX:
        move(value, y());
        break;
    case SettingId::PY:
        move(x(), value);
        break;
    case SettingId::RTparam:
        CheckBox38->setChecked(value != 0);
        break;
    case SettingId::kesselmerge:
        CheckBox1->setChecked(value != 0);
        break;
    case SettingId::kesselstart:
        CheckBox2->setChecked(value != 0);
        break;
    case SettingId::kesselInput:
        kxpotlab1->SetState(value);
        break;
    case SettingId::midiIN:
        cmbInput->setCurrentIndex(value >= 0 && value < cmbInput->count() ? value : -1);
        break;
    case SettingId::midiOUT:
        cmbOutput->setCurrentIndex(value >= 0 && value < cmbOutput->count() ? value : -1);
        break;
    }
}

void TForm1::SaveSettings()
{
    WriteSettings({x(), y(), CheckBox38->isChecked() ? 1 : 0, CheckBox1->isChecked() ? 1 : 0,
                   CheckBox2->isChecked() ? 1 : 0, kxpotlab1->State(), cmbInput->currentIndex(),
                   cmbOutput->currentIndex()},
                  {SelectedName(cmbInput), SelectedName(cmbOutput)});
}
