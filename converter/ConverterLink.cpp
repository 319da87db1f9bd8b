#include "converter/ConverterLink.h"

#include "converter/SysexFile.h"
#include "converter/TransferProgress.h"
#include "midi/MidiOut.h"

#include <chrono>
#include <thread>

void ConverterLink::SendParameter(int channel, int parameter, int value, bool enabled)
{
    if (!enabled)
        return;
    const protocol::ParameterMessage message =
        protocol::MakeParameterMessage(channel, parameter, value);
    // The port copies the bytes before it returns.
    Output.SendLongMessage(message.data(), static_cast<std::uint16_t>(message.size()));
    Tell(message);
}

void ConverterLink::SendControlChange(int channel, int controller, int value)
{
    const std::array<std::uint8_t, 3> message = {protocol::ControlChangeStatus(channel),
                                                 static_cast<std::uint8_t>(controller),
                                                 static_cast<std::uint8_t>(value)};
    Output.SendShortMessage(message[0], message[1], message[2]);
    Tell(message);
}

void ConverterLink::SendProgramChange(int channel, int program)
{
    const std::array<std::uint8_t, 2> message = {protocol::ProgramChangeStatus(channel),
                                                 static_cast<std::uint8_t>(program)};
    Output.SendShortMessage(message[0], message[1], 0);
    Tell(message);
}

void ConverterLink::WaitMs(std::uint32_t ms)
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

void ConverterLink::SendMessages(const std::vector<QByteArray> &messages,
                                 TransferProgress &progress)
{
    const int total = static_cast<int>(messages.size());
    progress.Started(total);
    // A failed send ends the transfer; the progress must not stay behind.
    struct FinishOnExit
    {
        TransferProgress &progress;
        ~FinishOnExit() { progress.Finished(); }
    } finishOnExit{progress};
    for (int i = 0; i < total; ++i) {
        const QByteArray &message = messages[i];
        // The port copies the bytes before it returns.
        const auto *bytes = reinterpret_cast<const std::uint8_t *>(message.constData());
        Output.SendLongMessage(bytes, static_cast<std::uint16_t>(message.size()));
        Tell({bytes, std::size_t(message.size())});
        progress.Sent(i + 1, total);
        WaitMs(protocol::PauseAfter(message));
    }
}

void ConverterLink::SendAllParameters(int channel, const Controllers &controllers,
                                      TransferProgress &progress)
{
    SendMessages(protocol::TransferMessages(channel, controllers, false), progress);
}

void ConverterLink::WriteToFlash(int channel)
{
    SendParameter(channel, protocol::WriteFlashParameter, protocol::WriteFlashValue, true);
    WaitMs(protocol::PauseAfterFlashMs);
}
