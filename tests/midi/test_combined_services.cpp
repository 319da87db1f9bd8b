// The composition of the system's devices and the simulated ones.
#include "midi/MidiOut.h"
#include "midi/backend/simulated/CombinedServices.h"
#include "midi_test_helpers.h"
#include "support/FakeMidiServices.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;

namespace {

std::vector<std::string> outputNames(MidiServices &services)
{
    std::vector<std::string> names;
    for (std::uint32_t i = 0; i < services.outputDeviceCount(); ++i) {
        MidiOutCaps caps;
        EXPECT_EQ(services.outputDeviceCaps(static_cast<int>(i), caps), MidiOk);
        names.push_back(caps.name);
    }
    return names;
}

using CombinedServicesTest = MidiLeakChecked;

TEST_F(CombinedServicesTest, WithoutSystemDevicesOnlyTheSimulatedOnesExist)
{
    CombinedServices services(nullptr);
    EXPECT_THAT(outputNames(services), ElementsAre("Torvane Simulator", "Virtual Loopback"));
    EXPECT_EQ(services.inputDeviceCount(), 1u);
    MidiOutCaps caps;
    EXPECT_EQ(services.outputDeviceCaps(-1, caps), MidiErrBadDeviceId);
}

TEST_F(CombinedServicesTest, SystemDevicesComeFirstAndKeepTheirMapper)
{
    auto fake = std::make_unique<FakeMidiServices>();
    FakeMidiServices &system = *fake;
    system.outputs = {FakeMidiServices::outputNamed("USB MIDI"),
                      FakeMidiServices::outputNamed("Torvane")};
    system.inputs = {FakeMidiServices::inputNamed("USB MIDI")};
    system.mapper = FakeMidiServices::outputNamed("Mapper");
    system.extraTexts[700] = "system text";
    CombinedServices services(std::move(fake));
    EXPECT_THAT(outputNames(services),
                ElementsAre("USB MIDI", "Torvane", "Torvane Simulator", "Virtual Loopback"));
    MidiOutCaps mapper;
    ASSERT_EQ(services.outputDeviceCaps(-1, mapper), MidiOk);
    EXPECT_EQ(mapper.name, "Mapper");
    MidiInCaps in;
    ASSERT_EQ(services.inputDeviceCaps(1, in), MidiOk);
    EXPECT_EQ(in.name, "Virtual Loopback");
    std::string text;
    EXPECT_EQ(services.errorText(700, text), MidiOk);
    EXPECT_EQ(text, "system text");
}

TEST_F(CombinedServicesTest, CallsReachTheOwnerWithTheirHandleAndCallbacksCarryOurs)
{
    auto fake = std::make_unique<FakeMidiServices>();
    FakeMidiServices &system = *fake;
    system.outputs = {FakeMidiServices::outputNamed("USB MIDI")};
    CombinedServices services(std::move(fake));

    CallbackRecorder seen;
    MidiHandle handle = NoMidiHandle;
    ASSERT_EQ(seen.openOutput(services, handle, 0), MidiOk);
    EXPECT_NE(handle, FakeMidiServices::OutputHandle) << "our own handle, not the system's";
    ASSERT_EQ(services.sendShortMessage(handle, 0x90), MidiOk);
    EXPECT_THAT(system.shortMessages, ElementsAre(0x90u));
    system.deliverRaw(false, MidiMsg::OutDone, 0, 0);
    ASSERT_EQ(seen.calls().size(), 1u);
    EXPECT_EQ(seen.calls()[0].handle, handle);
    EXPECT_EQ(seen.calls()[0].message, MidiMsg::OutDone);
    EXPECT_EQ(services.closeOutput(handle), MidiOk);
    EXPECT_EQ(services.sendShortMessage(handle, 0x90), MidiErrInvalidHandle);

    MidiHandle simulator = NoMidiHandle;
    ASSERT_EQ(services.openOutput(simulator, 1, IgnoreCallback, 0), MidiOk);
    ASSERT_EQ(services.sendShortMessage(simulator, 0x00403C90), MidiOk);
    services.simulated().waitIdle();
    EXPECT_EQ(services.simulated().simulatorMessages().size(), 1u);
    EXPECT_EQ(services.closeOutput(simulator), MidiOk);
}

TEST_F(CombinedServicesTest, RefusedOrThrowingOpenLeavesNoRoute)
{
    auto fake = std::make_unique<FakeMidiServices>();
    FakeMidiServices &system = *fake;
    system.outputs = {FakeMidiServices::outputNamed("USB MIDI")};
    system.openOutputResult = MidiErrAllocated;
    CombinedServices services(std::move(fake));
    MidiHandle handle = NoMidiHandle;
    EXPECT_EQ(services.openOutput(handle, 0, IgnoreCallback, 0), MidiErrAllocated);
    EXPECT_EQ(handle, NoMidiHandle);
    EXPECT_EQ(services.openOutput(handle, 5, IgnoreCallback, 0), MidiErrBadDeviceId);

    system.openOutputResult = MidiOk;
    ThrowIn(system, "openOutput", std::bad_alloc());
    EXPECT_THROW(services.openOutput(handle, 0, IgnoreCallback, 0), std::bad_alloc);
    // The next open gets a route of its own, not one left behind by the failed ones.
    CallbackRecorder seen;
    ASSERT_EQ(seen.openOutput(services, handle, 0), MidiOk);
    system.deliverRaw(false, MidiMsg::OutDone, 0, 0);
    EXPECT_EQ(seen.calls().size(), 1u);
}

// A system service that closes what is still open when it goes, handing the queued headers back.
class ClosingOnDestruction : public FakeMidiServices
{
public:
    ~ClosingOnDestruction() override
    {
        if (outputOpen)
            closeOutput(OutputHandle);
    }
};

TEST_F(CombinedServicesTest, HeadersHandedBackAsTheSystemGoesStillReachThePort)
{
    CallbackRecorder seen;
    std::uint8_t bytes[] = {0xF0, 0x7E, 0xF7};
    MidiHeader header;
    header.data = bytes;
    header.bufferLength = sizeof bytes;
    MidiHandle handle = NoMidiHandle;
    {
        auto fake = std::make_unique<ClosingOnDestruction>();
        fake->outputs = {FakeMidiServices::outputNamed("USB MIDI")};
        CombinedServices services(std::move(fake));
        ASSERT_EQ(seen.openOutput(services, handle, 0), MidiOk);
        ASSERT_EQ(services.prepareOutputHeader(handle, &header), MidiOk);
        ASSERT_EQ(services.sendLongMessage(handle, &header), MidiOk);
    }
    EXPECT_EQ(seen.completed(), std::vector<MidiHeader *>{&header});
    EXPECT_EQ(seen.calls().at(0).handle, handle);
}

TEST_F(CombinedServicesTest, OutputPortFindsTheSimulatorByName)
{
    CombinedServices services(nullptr);
    TMidiOutput port(services);
    port.SetProductName("Torvane Simulator");
    EXPECT_EQ(port.DeviceID(), 0);
    ASSERT_TRUE(port.Open());
    port.SendShortMessage(0xB0, 0x1F, 0x01);
    services.simulated().waitIdle();
    EXPECT_THAT(services.simulated().simulatorMessages(),
                ElementsAre(std::vector<std::uint8_t>{0xB0, 0x1F, 0x01}));
}

} // namespace
