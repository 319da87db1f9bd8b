// The system's services made on a thread of their own while the window is built: the first call
// waits for them, calls then reach them, and nothing they made or were told is lost.
#include "midi/backend/simulated/CombinedServices.h"
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

struct CountingListener final : MidiChangeListener
{
    void midiChanged() noexcept override { ++Heard; }
    int Heard = 0;
};

TEST(PendingSystem, FirstCallWaitsForTheServicesAndTheyGetWhatTheyWereToldMeanwhile)
{
    std::promise<void> gate;
    std::shared_future<void> open = gate.get_future().share();
    std::thread::id madeOn;
    FakeMidiServices *made = nullptr;
    CombinedServices services(
        std::async(std::launch::async, [&]() -> std::unique_ptr<MidiServices> {
            open.wait();
            madeOn = std::this_thread::get_id();
            auto fake = std::make_unique<FakeMidiServices>();
            fake->outputs = {FakeMidiServices::outputNamed("A"),
                             FakeMidiServices::outputNamed("B")};
            made = fake.get();
            return fake;
        }));

    std::atomic<bool> answered{false};
    std::uint32_t count = 0;
    CountingListener listener;
    std::thread caller([&] {
        services.setChangeListener(&listener);
        count = services.outputDeviceCount();
        answered = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_FALSE(answered) << "a call returned before the services existed";
    gate.set_value();
    caller.join();
    EXPECT_EQ(count, 4u) << "two system devices, then the two simulated ones";
    EXPECT_NE(madeOn, std::this_thread::get_id());
    ASSERT_EQ(services.system(), made);

    MidiHandle out = NoMidiHandle;
    ASSERT_EQ(services.openOutput(out, 1, IgnoreCallback, 0), MidiOk);
    EXPECT_EQ(services.sendShortMessage(out, 0x7F07B0), MidiOk);
    EXPECT_EQ(services.closeOutput(out), MidiOk);
    EXPECT_THAT(made->calls, ElementsAre("openOutput 1", "short 007F07B0", "closeOutput"));
    made->setSystemState(MidiSystemStatus::NotRunning);
    EXPECT_EQ(listener.Heard, 1) << "the listener set while they were being made";
}

TEST(PendingSystem, AFailureToMakeTheServicesComesOutOfTheFirstCallOnly)
{
    CombinedServices services(std::async(std::launch::async, []() -> std::unique_ptr<MidiServices> {
        throw std::runtime_error("no MIDI system");
    }));
    EXPECT_THROW(services.outputDeviceCount(), std::runtime_error);
    EXPECT_EQ(services.outputDeviceCount(), 2u) << "the simulated devices remain";
}

TEST(PendingSystem, DestructionWaitsForTheServicesAndDestroysThem)
{
    std::promise<void> gate;
    std::shared_future<void> open = gate.get_future().share();
    std::atomic<bool> destroyed{false};
    std::atomic<bool> gone{false};
    std::thread owner([&] {
        {
            CombinedServices services(std::async(std::launch::async, [&] {
                open.wait();
                return std::unique_ptr<MidiServices>(std::make_unique<WatchedServices>(destroyed));
            }));
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
