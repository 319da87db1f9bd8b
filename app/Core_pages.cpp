// The pages' operations and handlers under the window's names: each forwards in one line to the
// page, or the link, that owns it.
#include "app/Core_main.h"

#include "converter/AssignmentPage.h"
#include "converter/ControllersPage.h"
#include "converter/ConverterLink.h"

void TForm1::ListMidiDevices()
{
    Devices->ListMidiDevices();
}

void TForm1::OpenMidiDevices()
{
    Devices->OpenMidiDevices();
}

void TForm1::CloseMidiDevices()
{
    Devices->CloseMidiDevices();
}

void TForm1::ReopenMidiDevices()
{
    Devices->ReopenMidiDevices();
}

void TForm1::cmbInputChange(QObject *sender)
{
    Devices->cmbInputChange(sender);
}

void TForm1::cmbOutputChange(QObject *sender)
{
    Devices->cmbOutputChange(sender);
}

void TForm1::SendParameter(int channel, int parameter, int value, bool enabled)
{
    Link->SendParameter(channel, parameter, value, enabled);
}

void TForm1::SendControlChange(int channel, int controller, int value)
{
    Link->SendControlChange(channel, controller, value);
}

void TForm1::SendProgramChange(int channel, int program)
{
    Link->SendProgramChange(channel, program);
}

void TForm1::WaitMs(std::uint32_t ms)
{
    ConverterLink::WaitMs(ms);
}

void TForm1::SendAllParameters()
{
    Assignments->SendAllParameters();
}

void TForm1::SpeedButton1Click(QObject *sender)
{
    Assignments->SpeedButton1Click(sender);
}

void TForm1::SpeedButton10Click(QObject *sender)
{
    Assignments->SpeedButton10Click(sender);
}

void TForm1::FillControllerLists()
{
    Assignments->FillControllerLists();
}

void TForm1::ApplyPreset(int preset)
{
    Assignments->ApplyPreset(preset);
}

int TForm1::CurrentPreset() const
{
    return Assignments->CurrentPreset();
}

void TForm1::spdPar1Click(QObject *sender)
{
    Assignments->spdPar1Click(sender);
}

void TForm1::spdPar2Click(QObject *sender)
{
    Assignments->spdPar2Click(sender);
}

void TForm1::spdPar3Click(QObject *sender)
{
    Assignments->spdPar3Click(sender);
}

void TForm1::spdPar4Click(QObject *sender)
{
    Assignments->spdPar4Click(sender);
}

void TForm1::ComboBox1Change(QObject *sender)
{
    Assignments->ComboBox1Change(sender);
}

void TForm1::SpeedButton12Click(QObject *sender)
{
    Assignments->SpeedButton12Click(sender);
}

void TForm1::kxpotlab2Change(QObject *sender)
{
    Controllers->kxpotlab2Change(sender);
}

void TForm1::SpeedButton2Click(QObject *sender)
{
    Controllers->SpeedButton2Click(sender);
}

void TForm1::SpeedButton3Click(QObject *sender)
{
    Controllers->SpeedButton3Click(sender);
}

void TForm1::kxpotlab1Change(QObject *sender)
{
    Controllers->kxpotlab1Change(sender);
}

void TForm1::CheckBox1Click(QObject *sender)
{
    Controllers->CheckBox1Click(sender);
}

void TForm1::SpeedButton5Click(QObject *sender)
{
    Controllers->SpeedButton5Click(sender);
}
