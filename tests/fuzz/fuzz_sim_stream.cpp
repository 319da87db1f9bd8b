// The simulated box's byte-stream parser and model, fed any bytes in any split.
//
// Input: one byte choosing how to cut the stream, then the stream. The same stream goes to
// three boxes, whole, in the chosen pieces and byte by byte: a MIDI input cannot tell how the
// bytes were grouped on their way, so all three must end in the same state having heard the
// same messages. Besides, whatever arrives, the state stays within what the box can hold:
// channels 0..15, levels 0..127, Kessel inputs 0..7.
#include "FuzzCheck.h"
#include "sim/TorvaneBox.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <vector>

namespace {

struct Heard
{
    std::vector<sim::MidiMessage> messages;
    std::vector<int> verdicts; // -1 accepted, else the reason
};

void Listen(sim::TorvaneBox &box, Heard &heard)
{
    box.setListener(
        [&heard](const sim::MidiMessage &message, std::optional<sim::RejectReason> rejected) {
            heard.messages.push_back(message);
            heard.verdicts.push_back(rejected ? int(*rejected) : -1);
        });
}

void CheckWithinRange(const sim::BoxState &state)
{
    FUZZ_CHECK(state.working.channel < 16 && state.flash.channel < 16);
    for (std::uint8_t level : state.levels)
        FUZZ_CHECK(level < 0x80);
    FUZZ_CHECK(state.kessel.input < 8);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t cut = data[0] % 17 + 1; // pieces of 1..17 bytes, the last one shorter
    const std::span<const std::uint8_t> stream(data + 1, size - 1);

    sim::TorvaneBox whole, pieces, single;
    Heard heardWhole, heardPieces, heardSingle;
    Listen(whole, heardWhole);
    Listen(pieces, heardPieces);
    Listen(single, heardSingle);

    whole.feed(stream);
    for (std::size_t at = 0; at < stream.size(); at += cut)
        pieces.feed(stream.subspan(at, std::min(cut, stream.size() - at)));
    for (std::size_t at = 0; at < stream.size(); ++at)
        single.feed(stream.subspan(at, 1));

    FUZZ_CHECK(whole.state() == pieces.state() && whole.state() == single.state());
    FUZZ_CHECK(whole.realTimeBytes() == pieces.realTimeBytes());
    FUZZ_CHECK(heardWhole.messages == heardPieces.messages &&
               heardWhole.messages == heardSingle.messages);
    FUZZ_CHECK(heardWhole.verdicts == heardPieces.verdicts);
    FUZZ_CHECK(heardWhole.messages.size() == whole.state().accepted + whole.state().rejected);
    CheckWithinRange(whole.state());

    // A power cycle brings back what flash holds and silences every output.
    whole.powerCycle();
    FUZZ_CHECK(whole.state().working == whole.state().flash);
    for (std::uint8_t level : whole.state().levels)
        FUZZ_CHECK(level == 0);
    return 0;
}
