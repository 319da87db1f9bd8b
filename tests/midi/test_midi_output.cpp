// TMidiOutput against the scripted services: selection, name search, open and close, the three
// kinds of traffic, completions, and the texts of every failure.
#include "midi/MidiOut.h"
#include "midi_test_helpers.h"
#include "support/FakeMidiServices.h"

#include <QCoreApplication>
#include <QTest>
#include <algorithm>
#include <array>
#include <gmock/gmock.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class MidiOutputTest : public MidiLeakChecked
{
protected:
    MidiOutputTest()
    {
        MidiOutCaps synth = FakeMidiServices::outputNamed("Synth");
        synth.driverVersion = 0x0501;
        synth.technology = 0x0102; // only the low byte is kept
        synth.voices = 32;
        synth.notes = 64;
        synth.channelMask = 0x00FF;
        synth.support = 0x9;
        fake.outputs = {FakeMidiServices::outputNamed("Port A"), synth};
    }

    static QString raisedBy(const std::function<void()> &action)
    {
        return RaisedText<EmidioutputError>(action);
    }

    FakeMidiServices fake;
};

TEST_F(MidiOutputTest, ConstructionSelectsNothing)
{
    TMidiOutput port(fake);
    EXPECT_EQ(port.DeviceID(), 0);
    EXPECT_TRUE(port.ProductName().isEmpty());
    EXPECT_EQ(port.PortState(), psClosed);
    EXPECT_THAT(fake.calls, IsEmpty());
    EXPECT_TRUE(port.Open()) << "an Open without a selection opens device 0";
    EXPECT_THAT(fake.calls, ElementsAre("openOutput 0"));
}

TEST_F(MidiOutputTest, DeviceIdReadsNameAndCapabilities)
{
    TMidiOutput port(fake);
    port.SetDeviceID(1);
    EXPECT_EQ(port.ProductName(), "Synth");
    EXPECT_EQ(port.DriverVersion(), 0x0501u);
    EXPECT_EQ(port.Technology(), 0x02);
    EXPECT_EQ(port.Voices(), 32);
    EXPECT_EQ(port.Notes(), 64);
    EXPECT_EQ(port.ChannelMask(), 0x00FF);
    EXPECT_EQ(port.Support(), 0x9u);
}

TEST_F(MidiOutputTest, DeviceIdOutOfRangeIsRefusedBeforeAnyQuery)
{
    TMidiOutput port(fake);
    EXPECT_EQ(raisedBy([&] { port.SetDeviceID(2); }), "Invalid device ID");
    EXPECT_THAT(fake.calls, IsEmpty());
    EXPECT_EQ(port.DeviceID(), 0);
}

TEST_F(MidiOutputTest, NegativeIdsReachTheQuery)
{
    TMidiOutput port(fake);
    // No mapper on this platform: the services refuse -1 with their own text.
    EXPECT_EQ(raisedBy([&] { port.SetDeviceID(-1); }), "The MIDI device ID is out of range");
    EXPECT_EQ(port.LastResult(), MidiErrBadDeviceId);
    EXPECT_EQ(raisedBy([&] { port.SetDeviceID(-2); }), "The MIDI device ID is out of range");
    EXPECT_THAT(fake.calls, ElementsAre("outputCaps -1", "outputCaps -2"));

    fake.mapper = FakeMidiServices::outputNamed("Mapper");
    port.SetDeviceID(-1);
    EXPECT_EQ(port.ProductName(), "Mapper");
    EXPECT_EQ(port.DeviceID(), -1);
}

TEST_F(MidiOutputTest, RefusedQueryKeepsTheNewIdAndTheOldName)
{
    TMidiOutput port(fake);
    port.SetDeviceID(0);
    fake.outputCapsResult[1] = MidiErrNoDriver;
    EXPECT_EQ(raisedBy([&] { port.SetDeviceID(1); }), "There is no driver for this MIDI device");
    EXPECT_EQ(port.DeviceID(), 1);
    EXPECT_EQ(port.ProductName(), "Port A");
}

struct NameCase
{
    const char *name;
    std::vector<std::string> devices;
    std::optional<std::string> mapper;
    const char *wanted;
    int selected;      // DeviceID afterwards, when found
    const char *error; // raised text, or nullptr
    MidiResult mapperResult = MidiOk;
};

class MidiOutputNameTest : public MidiLeakChecked, public ::testing::WithParamInterface<NameCase>
{
};

TEST_P(MidiOutputNameTest, SearchesMapperFirstThenDevicesExactly)
{
    const NameCase &c = GetParam();
    FakeMidiServices fake;
    for (const std::string &name : c.devices)
        fake.outputs.push_back(FakeMidiServices::outputNamed(name));
    if (c.mapper)
        fake.mapper = FakeMidiServices::outputNamed(*c.mapper);
    if (c.mapperResult != MidiOk)
        fake.outputCapsResult[-1] = c.mapperResult;
    TMidiOutput port(fake);
    QString raised;
    try {
        port.SetProductName(QString::fromUtf8(c.wanted));
    } catch (const EmidioutputError &e) {
        raised = e.Message();
    }
    if (c.error) {
        EXPECT_EQ(raised, QString::fromUtf8(c.error));
    } else {
        EXPECT_TRUE(raised.isEmpty()) << raised.toStdString();
        EXPECT_EQ(port.DeviceID(), c.selected);
        EXPECT_EQ(port.ProductName(), QString::fromUtf8(c.wanted));
    }
}

// clang-format off
const NameCase NameCases[] = {
    {"Exact", {"A", "Torvane"}, std::nullopt, "Torvane", 1, nullptr},
    {"DuplicateTakesLowerId", {"X", "Dup", "Dup"}, std::nullopt, "Dup", 1, nullptr},
    {"MapperBeforeDevices", {"Map"}, "Map", "Map", -1, nullptr},
    {"CaseDiffers", {"Torvane"}, "Mapper", "torvane", 0, "MIDI output Device torvane not installed"},
    {"TrailingBlank", {"Torvane"}, "Mapper", "Torvane ", 0, "MIDI output Device Torvane  not installed"},
    {"NoMapperIsNoFailure", {"Torvane"}, std::nullopt, "Torvane", 0, nullptr},
    {"NoDevicesNoMapper", {}, std::nullopt, "Torvane", 0, "MIDI output Device Torvane not installed"},
    {"MapperQueryFails", {"Torvane"}, "Mapper", "Torvane", 0, "There is no driver for this MIDI device", MidiErrNoDriver},
    {"NoDevicesOtherMapper", {}, "Mapper", "Torvane", 0, "MIDI output Device Torvane not installed"},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Names, MidiOutputNameTest, ::testing::ValuesIn(NameCases), CaseName());

TEST_F(MidiOutputTest, NameThatVanishedEndsInInvalidDeviceId)
{
    fake.mapper = FakeMidiServices::outputNamed("Mapper");
    TMidiOutput port(fake);
    port.SetProductName("Synth");
    fake.outputs.pop_back();
    EXPECT_EQ(raisedBy([&] { port.SetProductName("Synth"); }), "Invalid device ID");
}

TEST_F(MidiOutputTest, SelectionWhileOpenRaisesAndChangesNothing)
{
    TMidiOutput port(fake);
    port.SetDeviceID(1);
    ASSERT_TRUE(port.Open());
    fake.calls.clear();
    EXPECT_EQ(raisedBy([&] { port.SetDeviceID(0); }), "Change to DeviceID while device was open");
    EXPECT_EQ(raisedBy([&] { port.SetProductName("Port A"); }),
              "Change to ProductName while device was open");
    EXPECT_EQ(port.DeviceID(), 1);
    EXPECT_EQ(port.ProductName(), "Synth");
    EXPECT_THAT(fake.calls, IsEmpty());
}

TEST_F(MidiOutputTest, FailedOpenKeepsNoBlockAndRaisesOnlyWhenTheServicesThrow)
{
    struct Case
    {
        void (*script)(FakeMidiServices &);
        const char *raised;
    };
    const Case cases[] = {
        {[](FakeMidiServices &f) { f.openOutputResult = MidiErrAllocated; }, "<nothing raised>"},
        {[](FakeMidiServices &f) { ThrowIn(f, "openOutput", NoThread()); },
         "The MIDI device could not be opened: Resource temporarily unavailable"},
        {[](FakeMidiServices &f) { ThrowIn(f, "openOutput", std::bad_alloc()); },
         "The MIDI device could not be opened: not enough memory"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.raised);
        FakeMidiServices services;
        services.outputs = fake.outputs;
        c.script(services);
        TMidiOutput port(services);
        EXPECT_EQ(raisedBy([&] { EXPECT_FALSE(port.Open()); }), c.raised);
        EXPECT_EQ(port.PortState(), psClosed);
        EXPECT_EQ(newBlocks(), 0);
        services.openOutputResult = MidiOk;
        EXPECT_TRUE(port.Open()) << "nothing is left in the way of the next Open";
    }
}

TEST_F(MidiOutputTest, CloseReportsWhetherADeviceWasClosed)
{
    TMidiOutput port(fake);
    EXPECT_FALSE(port.Close());
    EXPECT_THAT(fake.calls, IsEmpty()) << "closing a closed port calls nothing";
    ASSERT_TRUE(port.Open());
    EXPECT_TRUE(port.Close());
    EXPECT_EQ(port.PortState(), psClosed);
    EXPECT_EQ(newBlocks(), 1) << "the callback block is kept for the next Open";
}

TEST_F(MidiOutputTest, RefusedCloseRaisesAndStaysOpen)
{
    TMidiOutput port(fake);
    ASSERT_TRUE(port.Open());
    fake.closeOutputResult = MidiErrNotReady;
    EXPECT_EQ(raisedBy([&] { port.Close(); }), "The MIDI device is busy");
    EXPECT_EQ(port.PortState(), psOpen);
    port.SendShortMessage(0x90, 60, 100); // still usable through its handle
    fake.closeOutputResult = MidiOk;
}

TEST_F(MidiOutputTest, ShortMessagesAreSentUnchanged)
{
    TMidiOutput port(fake);
    ASSERT_TRUE(port.Open());
    port.SendShortMessage(0xC3, 0x0F, 0x00);
    port.SendShortMessage(0xB0, 0x87, 0x80);
    EXPECT_THAT(fake.shortMessages, ElementsAre(0x00000FC3u, 0x008087B0u));
}

TEST_F(MidiOutputTest, ShortMessageOnAClosedPortRaisesTheServicesText)
{
    TMidiOutput port(fake);
    EXPECT_EQ(raisedBy([&] { port.SendShortMessage(0x90, 1, 2); }),
              "The MIDI device handle is invalid");
}

TEST_F(MidiOutputTest, SendEventNeedsAnOpenPort)
{
    TMidiOutput port(fake);
    const std::uint8_t sysex[] = {0xF0, 0x70, 0xF7};
    EXPECT_EQ(raisedBy([&] { port.SendEvent({0x90, 1, 2}); }), "MIDI Output device not open");
    EXPECT_EQ(raisedBy([&] {
                  port.SendEvent({0, 0, 0, 3, sysex});
              }),
              "MIDI Output device not open");
    EXPECT_THAT(fake.calls, IsEmpty());

    ASSERT_TRUE(port.Open());
    port.SendEvent({0xB1, 7, 100});
    port.SendEvent({0xB1, 7, 100, 3, sysex});
    EXPECT_THAT(fake.shortMessages, ElementsAre(0x006407B1u));
    EXPECT_THAT(fake.longMessages, ElementsAre(ElementsAre(0xF0, 0x70, 0xF7)));
    while (fake.completeOutput()) {
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return port.PendingLongMessages() == 0; }));
}

TEST_F(MidiOutputTest, LongMessageIsCopiedQueuedAndReleasedOnCompletion)
{
    TMidiOutput port(fake);
    int completions = 0;
    port.Onmidioutput = [&](QObject *sender) {
        EXPECT_EQ(sender, &port);
        ++completions;
    };
    ASSERT_TRUE(port.Open());
    std::array<std::uint8_t, 8> message = {0xF0, 0x70, 0x7E, 0x02, 0x34, 0x00, 0x07, 0xF7};
    port.SendLongMessage(message.data(), message.size());
    message.fill(0); // the caller's bytes are its own again
    EXPECT_THAT(fake.longMessages,
                ElementsAre(ElementsAre(0xF0, 0x70, 0x7E, 0x02, 0x34, 0x00, 0x07, 0xF7)));
    EXPECT_EQ(fake.queuedOutput.front()->data[4], 0x34);
    EXPECT_THAT(fake.calls, ElementsAre("openOutput 0", "prepareOutput 8", "long"));
    EXPECT_EQ(port.PendingLongMessages(), 1u);

    fake.completeOutput(); // on the driver side; handled when the event loop runs
    EXPECT_EQ(completions, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return completions == 1; }));
    EXPECT_EQ(fake.calls.back(), "unprepareOutput");
    EXPECT_EQ(port.PendingLongMessages(), 0u);
    EXPECT_EQ(newHeaders(), 0);
}

TEST_F(MidiOutputTest, CompletionsArriveInOrderAndUnknownHeadersAreIgnored)
{
    TMidiOutput port(fake);
    std::vector<std::size_t> pendingAtEachCompletion;
    port.Onmidioutput = [&](QObject *) {
        pendingAtEachCompletion.push_back(port.PendingLongMessages());
    };
    ASSERT_TRUE(port.Open());
    const std::uint8_t message[] = {0xF0, 0x01, 0xF7};
    for (int i = 0; i < 3; ++i)
        port.SendLongMessage(message, sizeof message);
    MidiHeader stranger;
    fake.deliverRaw(false, MidiMsg::OutDone, reinterpret_cast<std::uintptr_t>(&stranger), 0);
    while (fake.completeOutput()) {
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return pendingAtEachCompletion.size() == 3; }));
    EXPECT_THAT(pendingAtEachCompletion, ElementsAre(2u, 1u, 0u));
}

TEST_F(MidiOutputTest, RefusedLongMessagesAreReleasedAtOnce)
{
    TMidiOutput port(fake);
    ASSERT_TRUE(port.Open());
    const std::uint8_t message[] = {0xF0, 0x01, 0xF7};

    fake.prepareOutputResult = MidiErrNoMemory;
    EXPECT_EQ(raisedBy([&] { port.SendLongMessage(message, 3); }),
              "Not enough memory for the MIDI operation");
    EXPECT_EQ(newHeaders(), 0);

    fake.prepareOutputResult = MidiOk;
    fake.longMessageResult = MidiErrNotReady;
    EXPECT_EQ(raisedBy([&] { port.SendLongMessage(message, 3); }), "The MIDI device is busy");
    EXPECT_EQ(fake.calls.back(), "unprepareOutput");
    EXPECT_EQ(port.PendingLongMessages(), 0u);
    EXPECT_EQ(newHeaders(), 0);
}

TEST_F(MidiOutputTest, EmptyLongMessageIsRefused)
{
    TMidiOutput port(fake);
    ASSERT_TRUE(port.Open());
    const std::uint8_t byte = 0xF0;
    EXPECT_EQ(raisedBy([&] { port.SendLongMessage(&byte, 0); }),
              "Empty long MIDI message not sent");
    EXPECT_THAT(fake.calls, ElementsAre("openOutput 0"));
}

TEST_F(MidiOutputTest, CompletionsHandedBackByCloseAreStillHandled)
{
    TMidiOutput port(fake);
    int completions = 0;
    port.Onmidioutput = [&](QObject *) { ++completions; };
    ASSERT_TRUE(port.Open());
    const std::uint8_t message[] = {0xF0, 0x01, 0xF7};
    port.SendLongMessage(message, 3);
    port.SendLongMessage(message, 3);
    ASSERT_TRUE(port.Close());
    ASSERT_TRUE(QTest::qWaitFor([&] { return completions == 2; }));
    // The device is gone: its headers are not unprepared on a handle that no longer exists.
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "unprepareOutput"), 0);
}

TEST_F(MidiOutputTest, DestroyingWithCompletionsPendingReleasesEverything)
{
    {
        TMidiOutput port(fake);
        ASSERT_TRUE(port.Open());
        const std::uint8_t message[] = {0xF0, 0x01, 0xF7};
        port.SendLongMessage(message, 3);
        port.SendLongMessage(message, 3);
    }
    EXPECT_FALSE(fake.outputOpen);
    // MidiLeakChecked proves the buffers and the block are gone.
}

TEST_F(MidiOutputTest, ErrorTextOfUnknownCodesAndLongTexts)
{
    fake.extraTexts[600] = std::string(200, 'x');
    TMidiOutput port(fake);
    EXPECT_EQ(port.ErrorText(9999), "Specified error number is out of range");
    EXPECT_EQ(port.ErrorText(600).size(), 127);
    EXPECT_EQ(port.ErrorText(MidiErrStillPlaying), "MIDI buffers are still queued on the device");
}

TEST_F(MidiOutputTest, DeviceThatRefusesToCloseKeepsWhatItMayStillTouch)
{
    {
        TMidiOutput port(fake);
        ASSERT_TRUE(port.Open());
        const std::uint8_t message[] = {0xF0, 0x01, 0xF7};
        port.SendLongMessage(message, 3);
        fake.closeOutputResult = MidiErrNotReady;
    } // the destructor cannot close the device
    EXPECT_EQ(newHeaders(), 1);
    EXPECT_EQ(newBlocks(), 3); // the callback block, the header and its data
    // The device still reports its completion into memory that is still there.
    EXPECT_TRUE(fake.completeOutput());
    QCoreApplication::processEvents();
    // Deliberately left: a later test starts from these counts.
    SetUp();
}

} // namespace
