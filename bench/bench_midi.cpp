// Costs of the MIDI path: what the driver thread pays per received item (ring write and
// notification post, and the whole callback), and what a send costs through the in-process
// simulated devices, round trip to their thread included.
#include "midi/MidiBuffer.h"
#include "midi/MidiOut.h"
#include "midi/backend/simulated/SimulatedServices.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {

// Empties the ring without freeing it, as if a reader had taken everything.
void rewind(TMidiEventRing *ring)
{
    ring->Count.store(0, std::memory_order_relaxed);
    ring->PutPos = ring->First;
}

void drain(NotificationQueue &queue)
{
    MidiNotification n;
    while (queue.pop(n)) {
    }
}

// RingPut and one post per item, during a burst (the GUI thread is already due to wake, so
// no system call is made).
void BM_RingPutAndPost(benchmark::State &state)
{
    TMidiEventRing *ring = RingCreate(1024);
    NotificationQueue queue;
    const TMidiRingEvent event{1, 0x403C90, nullptr};
    std::size_t n = 0;
    for (auto _ : state) {
        if (!RingPut(ring, event))
            rewind(ring);
        benchmark::DoNotOptimize(queue.post(NotifyItemStored, 0));
        if (++n % 1024 == 0)
            drain(queue);
    }
    RingDestroy(ring);
}
BENCHMARK(BM_RingPutAndPost);

// The first post after the GUI thread drained writes the wake-up; measured together with the
// GUI thread's acknowledgement and pop (one write and one read system call).
void BM_PostWithWakeUp(benchmark::State &state)
{
    NotificationQueue queue;
    for (auto _ : state) {
        queue.post(NotifyItemStored, 0);
        queue.acknowledgeWake();
        drain(queue);
    }
}
BENCHMARK(BM_PostWithWakeUp);

// MidiCallback for one received short message.
void BM_MidiCallbackShort(benchmark::State &state)
{
    NotificationQueue queue;
    TMidiCallbackBlock *block = CallbackBlockAlloc();
    block->Ring = RingCreate(1024);
    block->Window = &queue;
    const auto instance = reinterpret_cast<std::uintptr_t>(block);
    std::size_t n = 0;
    for (auto _ : state) {
        MidiCallback(1, MidiMsg::InData, instance, 0x403C90, 42);
        if (++n % 1024 == 0) {
            rewind(block->Ring);
            drain(queue);
        }
    }
    RingDestroy(block->Ring);
    CallbackBlockFree(block);
}
BENCHMARK(BM_MidiCallbackShort);

struct SimulatorPort
{
    SimulatorPort() : port(services)
    {
        services.setSimulatorSink([](const std::uint8_t *, std::size_t) {});
        port.SetProductName("Torvane Simulator");
        port.Open();
    }
    SimulatedServices services;
    TMidiOutput port;
};

// One short message, until the simulator has received it.
void BM_SendShortMessageSimulated(benchmark::State &state)
{
    SimulatorPort sim;
    for (auto _ : state) {
        sim.port.SendShortMessage(0xB0, 0x07, 0x64);
        sim.services.waitIdle();
    }
}
BENCHMARK(BM_SendShortMessageSimulated)->Unit(benchmark::kMicrosecond);

// One 8-byte parameter message, until its completion is handled and its buffer released.
void BM_SendLongMessageSimulated(benchmark::State &state)
{
    SimulatorPort sim;
    const std::uint8_t message[] = {0xF0, 0x70, 0x7E, 0x02, 0x34, 0x00, 0x07, 0xF7};
    for (auto _ : state) {
        sim.port.SendLongMessage(message, sizeof message);
        sim.services.waitIdle();
        sim.port.NotifyWindow().deliverPending();
    }
    if (sim.port.PendingLongMessages() != 0)
        state.SkipWithError("completions were not handled");
}
BENCHMARK(BM_SendLongMessageSimulated)->Unit(benchmark::kMicrosecond);

// Many messages queued at once, then one wait: the throughput of the simulated output.
void BM_SendLongMessageBurst(benchmark::State &state)
{
    SimulatorPort sim;
    const std::uint8_t message[] = {0xF0, 0x70, 0x7E, 0x02, 0x34, 0x00, 0x07, 0xF7};
    for (auto _ : state) {
        for (int i = 0; i < 32; ++i)
            sim.port.SendLongMessage(message, sizeof message);
        sim.services.waitIdle();
        sim.port.NotifyWindow().deliverPending();
    }
    state.SetItemsProcessed(state.iterations() * 32);
}
BENCHMARK(BM_SendLongMessageBurst)->Unit(benchmark::kMicrosecond);

} // namespace
