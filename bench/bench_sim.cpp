// The simulated box's input path: what one preset transfer or a fast drag costs the box
// (parsing and applying), and the hand-over ring between the MIDI services' thread and the GUI
// thread, per message.
#include "midi/backend/ByteInbox.h"
#include "sim/TorvaneBox.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

// A whole preset transfer (32 parameter messages), a write to flash, then a drag of 128
// Control Changes with running status and a clock byte in every tenth.
std::vector<std::uint8_t> Session()
{
    std::vector<std::uint8_t> bytes;
    for (std::uint8_t output = 0; output < 32; ++output)
        bytes.insert(bytes.end(), {0xF0, 0x70, 0x7E, 0x00, std::uint8_t(0x30 + output), 0x00,
                                   std::uint8_t(output % 8), 0xF7});
    bytes.insert(bytes.end(), {0xF0, 0x70, 0x7E, 0x00, 0x70, 0x07, 0x0B, 0xF7, 0xB0});
    for (std::uint8_t value = 0; value < 128; ++value) {
        bytes.insert(bytes.end(), {std::uint8_t(value % 8), value});
        if (value % 10 == 0)
            bytes.push_back(0xF8);
    }
    return bytes;
}

void BM_BoxSession(benchmark::State &state)
{
    const std::vector<std::uint8_t> bytes = Session();
    sim::TorvaneBox box;
    for (auto _ : state) {
        box.feed(bytes);
        benchmark::DoNotOptimize(box.state().levels.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * bytes.size()));
    state.SetItemsProcessed(std::int64_t(state.iterations() * (33 + 128)));
}
BENCHMARK(BM_BoxSession);

void BM_BoxByteByByte(benchmark::State &state)
{
    const std::vector<std::uint8_t> bytes = Session();
    sim::TorvaneBox box;
    for (auto _ : state) {
        for (const std::uint8_t &byte : bytes)
            box.feed({&byte, 1});
        benchmark::DoNotOptimize(box.state().levels.data());
    }
    state.SetBytesProcessed(std::int64_t(state.iterations() * bytes.size()));
}
BENCHMARK(BM_BoxByteByByte);

// One parameter message in and out of the ring, as the sink and the GUI thread's drain do it.
void BM_InboxPushPop(benchmark::State &state)
{
    ByteInbox inbox;
    const std::uint8_t message[] = {0xF0, 0x70, 0x7E, 0x00, 0x34, 0x00, 0x07, 0xF7};
    std::uint8_t out[64];
    for (auto _ : state) {
        inbox.push(message, sizeof message);
        benchmark::DoNotOptimize(inbox.pop(out, sizeof out));
        inbox.acknowledgeWake();
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()));
}
BENCHMARK(BM_InboxPushPop);

// A preset transfer's 32 messages pushed, then drained at once: one wake-up for the lot.
void BM_InboxBurstOf32(benchmark::State &state)
{
    ByteInbox inbox;
    const std::uint8_t message[] = {0xF0, 0x70, 0x7E, 0x00, 0x34, 0x00, 0x07, 0xF7};
    std::uint8_t out[512];
    for (auto _ : state) {
        for (int i = 0; i < 32; ++i)
            inbox.push(message, sizeof message);
        inbox.acknowledgeWake();
        benchmark::DoNotOptimize(inbox.pop(out, sizeof out));
    }
    state.SetItemsProcessed(std::int64_t(state.iterations() * 32));
}
BENCHMARK(BM_InboxBurstOf32);

} // namespace
