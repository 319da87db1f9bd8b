// The system services made on a thread of their own while the window is built: the first call
// waits for them, every call reaches them unchanged, and nothing they made is lost.
#include "midi/backend/DeferredServices.h"
#include "midi_test_helpers.h"
#include "support/FakeMidiServices.h"

#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <future>
#include <stdexcept>
#include <thread>

using ::testing::ElementsAre;

namespace {

class WatchedServices : public FakeMidiServices
{
public:
    explicit WatchedServices(std::atomic<bool> &destroyed) : Destroyed(destroyed) {}
    ~WatchedServices() override { Destroyed = true; }
    std::atomic<bool> &Destroyed;
};

TEST(DeferredServices, FirstCallWaitsForTheServicesMadeOnAnotherThread)
{
    std::promise<void> gate;
    std::shared_future<void> open = gate.get_future().share();
    std::thread::id madeOn;
    FakeMidiServices *made = nullptr;
    DeferredServices deferred([&]() -> std::unique_ptr<MidiServices> {
        open.wait();
        madeOn = std::this_thread::get_id();
        auto services = std::make_unique<FakeMidiServices>();
        services->outputs = {FakeMidiServices::outputNamed("A"),
                             FakeMidiServices::outputNamed("B")};
        made = services.get();
        return services;
    });

    std::atomic<bool> answered{false};
    std::uint32_t count = 0;
    std::thread caller([&] {
        count = deferred.outputDeviceCount();
        answered = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(answered) << "a call returned before the services existed";
    gate.set_value();
    caller.join();
    EXPECT_EQ(count, 2u);
    EXPECT_NE(madeOn, std::this_thread::get_id());
    EXPECT_EQ(&deferred.services(), made);
}

TEST(DeferredServices, EveryCallReachesTheServicesWithItsArgumentsAndResult)
{
    FakeMidiServices *fake = nullptr;
    DeferredServices deferred([&] {
        auto services = std::make_unique<FakeMidiServices>();
        services->outputs = {FakeMidiServices::outputNamed("Out")};
        services->inputs = {FakeMidiServices::inputNamed("In")};
        services->longMessageResult = MidiErrNotReady;
        services->startResult = MidiErrNotEnabled;
        fake = services.get();
        return services;
    });

    MidiOutCaps outCaps;
    MidiInCaps inCaps;
    EXPECT_EQ(deferred.outputDeviceCaps(0, outCaps), MidiOk);
    EXPECT_EQ(outCaps.name, "Out");
    EXPECT_EQ(deferred.inputDeviceCaps(0, inCaps), MidiOk);
    EXPECT_EQ(inCaps.name, "In");

    MidiHandle out = NoMidiHandle, in = NoMidiHandle;
    ASSERT_EQ(deferred.openOutput(out, 0, IgnoreCallback, 0), MidiOk);
    EXPECT_EQ(out, FakeMidiServices::OutputHandle);
    EXPECT_EQ(deferred.sendShortMessage(out, 0x7F07B0), MidiOk);
    std::uint8_t bytes[] = {0xF0, 0x7E, 0xF7};
    MidiHeader header;
    header.data = bytes;
    header.bufferLength = sizeof bytes;
    EXPECT_EQ(deferred.prepareOutputHeader(out, &header), MidiOk);
    EXPECT_EQ(deferred.sendLongMessage(out, &header), MidiErrNotReady);
    EXPECT_EQ(deferred.unprepareOutputHeader(out, &header), MidiOk);
    EXPECT_EQ(deferred.closeOutput(out), MidiOk);

    ASSERT_EQ(deferred.openInput(in, 0, IgnoreCallback, 0), MidiOk);
    MidiHeader buffer;
    std::uint8_t space[16];
    buffer.data = space;
    buffer.bufferLength = sizeof space;
    EXPECT_EQ(deferred.prepareInputHeader(in, &buffer), MidiOk);
    EXPECT_EQ(deferred.addInputBuffer(in, &buffer), MidiOk);
    EXPECT_EQ(deferred.startInput(in), MidiErrNotEnabled);
    EXPECT_EQ(deferred.resetInput(in), MidiOk);
    EXPECT_EQ(deferred.unprepareInputHeader(in, &buffer), MidiOk);
    EXPECT_EQ(deferred.closeInput(in), MidiOk);

    EXPECT_THAT(fake->calls,
                ElementsAre("outputCaps 0", "inputCaps 0", "openOutput 0", "short 007F07B0",
                            "prepareOutput 3", "long", "unprepareOutput", "closeOutput",
                            "openInput 0", "prepareInput 16", "addBuffer", "start", "reset",
                            "unprepareInput", "closeInput"));
    EXPECT_THAT(fake->shortMessages, ElementsAre(0x7F07B0u));

    std::string text;
    EXPECT_EQ(deferred.errorText(MidiErrNotReady, text), MidiOk);
    EXPECT_EQ(text, "The MIDI device is busy");
}

TEST(DeferredServices, AFailureToMakeTheServicesComesOutOfTheFirstCall)
{
    DeferredServices deferred(
        []() -> std::unique_ptr<MidiServices> { throw std::runtime_error("no MIDI system"); });
    EXPECT_THROW(deferred.outputDeviceCount(), std::runtime_error);
}

TEST(DeferredServices, DestructionWaitsForTheFactoryAndDestroysWhatItMade)
{
    std::promise<void> gate;
    std::shared_future<void> open = gate.get_future().share();
    std::atomic<bool> destroyed{false};
    std::atomic<bool> gone{false};
    std::thread owner([&] {
        {
            DeferredServices deferred([&] {
                open.wait();
                return std::make_unique<WatchedServices>(destroyed);
            });
        }
        gone = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(gone) << "destroyed while its services were still being made";
    gate.set_value();
    owner.join();
    EXPECT_TRUE(destroyed);
}

} // namespace
