#pragma once
// The messages the editor sends to the converter and the patch bay, over the main window's
// output port, and the paced transfers built on them.
//
// Everything here runs on the GUI thread. A transfer blocks it for its pauses (the converter
// needs 100 ms after each parameter message and 200 ms after the flash command), repainting only
// the progress window. A failed send raises the port's error, which ends the operation at that
// message: no later message, no pause after it.
#include "converter/Protocol.h"

#include <QByteArray>
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

class TMidiOutput;
class TransferProgress;

class ConverterLink
{
public:
    static constexpr int OutputCount = protocol::OutputCount;
    using Controllers = std::array<std::uint8_t, OutputCount>;

    using SentListener = std::function<void(std::span<const std::uint8_t> message)>;

    // The port must outlive the link.
    explicit ConverterLink(TMidiOutput &output) : Output(output) {}

    // Told of each message the port took (the MIDI monitor); empty for none.
    void SetSentListener(SentListener listener) { Sent = std::move(listener); }

    // channel 0..15. Does nothing when not enabled (the "Send Params RT" case).
    void SendParameter(int channel, int parameter, int value, bool enabled);
    void SendControlChange(int channel, int controller, int value);
    void SendProgramChange(int channel, int program);

    // Sleeps ms milliseconds on a monotonic clock: never returns early, processes nothing.
    static void WaitMs(std::uint32_t ms);

    // Whole SysEx messages (each at most 65535 bytes), in order, each followed by the pause the
    // converter needs (protocol::PauseAfter), reporting to progress.
    void SendMessages(const std::vector<QByteArray> &messages, TransferProgress &progress);
    // The 32 output parameters in output order, 100 ms apart.
    void SendAllParameters(int channel, const Controllers &controllers, TransferProgress &progress);
    // The write-to-flash command, then its 200 ms pause.
    void WriteToFlash(int channel);

private:
    void Tell(std::span<const std::uint8_t> message) const
    {
        if (Sent)
            Sent(message);
    }

    TMidiOutput &Output;
    SentListener Sent;
};
