#pragma once
// The simulated box: a Torvane converter and a Kessel patch bay on one MIDI input. Bytes go in
// (in any split, see MidiStreamParser), state comes out. No MIDI I/O and no threads of its own:
// whoever owns it feeds it on one thread at a time.
//
// The converter listens on its channel (channel 1 until told otherwise) for
//   F0 70 7E ch param hi lo F7, value = hi * 16 + lo:
//     47       the channel becomes the value's low 4 bits (the message is addressed to the old
//              channel; the box listens on the new one from the next message on);
//     48..79   output param - 48 follows controller value (255 none; 128..254 are kept and
//              follow nothing);
//     112      with value 123: the working set-up is written to flash;
//   Control Change: every output on that controller takes the value as its level.
// The Kessel listens on channel 16: Program Change selects input 0..7, Control Change 31
// switches merge on (non-zero) or off. With the converter on channel 16 too, CC 31 reaches both.
// Everything else is counted as rejected with the reason (RejectReason).
//
// A power cycle restarts the converter: the working set-up comes back from flash and every
// output falls to level 0. The Kessel is a unit of its own and keeps its state.
#include "sim/BoxState.h"
#include "sim/MidiStreamParser.h"

#include <functional>
#include <optional>
#include <span>

namespace sim {

class TorvaneBox final : private MidiStreamParser::Receiver
{
public:
    // Called after each message, accepted (no reason) or rejected, with the state already
    // updated. Stream faults (a message cut short, a stray byte) come here as rejections too.
    using Listener =
        std::function<void(const MidiMessage &message, std::optional<RejectReason> rejected)>;

    // A box fresh from power-up: the working set-up is what flash holds.
    explicit TorvaneBox(const ConverterSetup &flash = {});

    void feed(std::span<const std::uint8_t> bytes);
    void powerCycle();

    const BoxState &state() const { return state_; }
    std::uint64_t realTimeBytes() const { return parser_.realTimeBytes(); }
    void setListener(Listener listener) { listener_ = std::move(listener); }

private:
    void onMessage(const MidiMessage &message) override;
    void onFault(RejectReason reason, const MidiMessage &bytes) override;
    void conclude(const MidiMessage &message, std::optional<RejectReason> rejected);

    std::optional<RejectReason> apply(const MidiMessage &message);
    std::optional<RejectReason> applyParameterMessage(const MidiMessage &message);
    std::optional<RejectReason> applyParameter(int parameter, int value);
    std::optional<RejectReason> applyControlChange(int channel, int controller, int value);
    std::optional<RejectReason> applyProgramChange(int channel, int program);

    BoxState state_;
    MidiStreamParser parser_;
    Listener listener_;
};

} // namespace sim
