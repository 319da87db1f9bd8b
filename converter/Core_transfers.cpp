// The messages to the converter and the patch bay, and the paced transfers built on them.
// Everything here runs on the GUI thread; a transfer blocks it for its pauses, repainting only
// the progress window. A failed send raises the port's error, which ends the operation at
// that message: no later message, no pause after it.
#include "app/Core_main.h"

#include "app/PresetBank.h"
#include "controls/Kxpotlab.h"
#include "converter/Protocol.h"
#include "converter/Unit2.h"
#include "midi/MidiOut.h"

#include <QCheckBox>
#include <chrono>
#include <thread>

void TForm1::SendParameter(int channel, int parameter, int value, bool enabled)
{
    if (!enabled)
        return;
    const protocol::ParameterMessage message =
        protocol::MakeParameterMessage(channel, parameter, value);
    // The port copies the bytes before it returns.
    MidiOutput1->SendLongMessage(message.data(), static_cast<std::uint16_t>(message.size()));
}

void TForm1::SendControlChange(int channel, int controller, int value)
{
    MidiOutput1->SendShortMessage(protocol::ControlChangeStatus(channel),
                                  static_cast<std::uint8_t>(controller),
                                  static_cast<std::uint8_t>(value));
}

void TForm1::SendProgramChange(int channel, int program)
{
    MidiOutput1->SendShortMessage(protocol::ProgramChangeStatus(channel),
                                  static_cast<std::uint8_t>(program), 0);
}

void TForm1::WaitMs(std::uint32_t ms)
{
    // A monotonic clock: the pause lasts its time across midnight or a change of the local
    // time. The thread sleeps through the whole pause rather than spinning a core; a sleep
    // that ends before the clock has passed the end is resumed, so the pause never ends early.
    // The overshoot is the system's timer slack (tens of microseconds). No window messages
    // are processed.
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms);
    for (Clock::time_point now = Clock::now(); now <= end; now = Clock::now())
        std::this_thread::sleep_for(end - now + std::chrono::nanoseconds(1));
}

void TForm1::SendAllParameters()
{
    // The gauge's maximum is 34 for 32 messages: the bar ends at 94 %, as the box's own
    // documentation shows it.
    Form2->ShowProgress();
    Form2->SetProgress(0);
    Form2->SetMaxValue(34);
    // A failed send ends the transfer; the progress window must not stay behind.
    struct HideOnExit
    {
        ~HideOnExit() { Form2->HideProgress(); }
    } hideOnExit;
    for (int i = 0; i < OutputCount; ++i) {
        const std::uint8_t controller = PresetBank->GetByte(CurrentPreset(), i);
        SendParameter(MasterChannel(), protocol::FirstOutputParameter + i, controller, true);
        Form2->SetProgress(i + 1);
        Form2->RepaintNow();
        WaitMs(100);
    }
}

void TForm1::SpeedButton1Click(QObject *)
{
    SendAllParameters();
}

void TForm1::SpeedButton10Click(QObject *)
{
    SendParameter(MasterChannel(), protocol::WriteFlashParameter, protocol::WriteFlashValue, true);
    WaitMs(200);
}

int TForm1::MasterChannel() const
{
    return kxpotlab4->State() - 1;
}
