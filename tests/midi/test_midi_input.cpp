// TMidiInput against the scripted services: construction with and without devices, selection,
// Open with its ring and buffers (and every way it can fail), Close, and what received data does.
#include "midi/MidiIn.h"
#include "midi_test_helpers.h"
#include "support/FakeMidiServices.h"

#include <QCoreApplication>
#include <QTest>
#include <algorithm>
#include <gmock/gmock.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

class MidiInputTest : public MidiLeakChecked
{
protected:
    MidiInputTest()
    {
        MidiInCaps keys = FakeMidiServices::inputNamed("Keys");
        keys.manufacturerId = 0x41;
        keys.productId = 0x1234;
        keys.driverVersion = 0x0203;
        fake.inputs = {keys, FakeMidiServices::inputNamed("Pads")};
    }

    static QString raisedBy(const std::function<void()> &action)
    {
        return RaisedText<EMidiInputError>(action);
    }

    long count(const std::string &call) const
    {
        return std::count(fake.calls.begin(), fake.calls.end(), call);
    }

    FakeMidiServices fake;
};

TEST_F(MidiInputTest, ConstructionSelectsDeviceZeroWithTheDefaults)
{
    TMidiInput port(fake);
    EXPECT_EQ(port.PortState(), psClosed);
    EXPECT_EQ(port.ProductName(), "Keys");
    EXPECT_EQ(port.ManufacturerID(), 0x41);
    EXPECT_EQ(port.ProductID(), 0x1234);
    EXPECT_EQ(port.DriverVersion(), 0x0203u);
    EXPECT_EQ(port.Capacity(), 1024);
    EXPECT_EQ(port.SysexBufferSize(), 4096);
    EXPECT_EQ(port.SysexBufferCount(), 16);
    EXPECT_FALSE(port.SysexOnly());
}

TEST_F(MidiInputTest, WithoutAnyInputDeviceThePortIsBuiltWithNoDevice)
{
    fake.inputs.clear();
    TMidiInput port(fake); // must not raise: the editor has to start
    EXPECT_FALSE(port.DeviceSelected());
    EXPECT_TRUE(port.ProductName().isEmpty());
    port.Open();
    port.Start();
    EXPECT_EQ(port.PortState(), psClosed);
    EXPECT_EQ(port.EventCount(), 0);
    EXPECT_THAT(fake.calls, IsEmpty());
    EXPECT_EQ(raisedBy([&] { port.SetDeviceID(0); }), "Invalid device ID");
    // The name search still asks for device 0 once, and the services say why it failed.
    EXPECT_EQ(raisedBy([&] { port.SetProductName("Keys"); }), "The MIDI device ID is out of range");
    EXPECT_THAT(fake.calls, ElementsAre("inputCaps 0"));
}

TEST_F(MidiInputTest, UnqueryableFirstDeviceAlsoLeavesNoDevice)
{
    fake.inputCapsResult[0] = MidiErrNoDriver;
    TMidiInput port(fake);
    EXPECT_FALSE(port.DeviceSelected());
    port.Open();
    EXPECT_EQ(count("openInput 0"), 0);
}

TEST_F(MidiInputTest, NameSearchIsExactAndSaysNotInstalledWithATrailingBlank)
{
    fake.inputs.push_back(FakeMidiServices::inputNamed("Pads"));
    TMidiInput port(fake);
    port.SetProductName("Pads");
    EXPECT_EQ(port.DeviceID(), 1) << "the first of two equal names wins";
    EXPECT_EQ(raisedBy([&] { port.SetProductName("pads"); }),
              "MIDI Input Device pads not installed ");
    EXPECT_EQ(raisedBy([&] { port.SetProductName("Pads "); }),
              "MIDI Input Device Pads  not installed ");
    EXPECT_EQ(port.DeviceID(), 1);
}

TEST_F(MidiInputTest, NameThatVanishedEndsInInvalidDeviceId)
{
    TMidiInput port(fake);
    port.SetProductName("Pads");
    fake.inputs.pop_back();
    EXPECT_EQ(raisedBy([&] { port.SetProductName("Pads"); }), "Invalid device ID");
}

TEST_F(MidiInputTest, OpenCreatesTheRingAndQueuesTheBuffersInOrder)
{
    TMidiInput port(fake);
    port.SetCapacity(8);
    port.SetSysexBufferCount(3);
    port.SetSysexBufferSize(100);
    fake.calls.clear();
    port.Open();
    ASSERT_EQ(port.PortState(), psOpen);
    ASSERT_NE(port.EventRing(), nullptr);
    EXPECT_EQ(port.EventRing()->SlotCount, 8);
    EXPECT_THAT(fake.calls, ElementsAre("openInput 0", "prepareInput 100", "prepareInput 100",
                                        "prepareInput 100", "addBuffer", "addBuffer", "addBuffer"));
    ASSERT_TRUE(port.SysexHeaders().has_value());
    for (std::size_t i = 0; i < 3; ++i) {
        const TMyMidiHdr *buffer = (*port.SysexHeaders())[i].get();
        EXPECT_EQ(fake.queuedInput[i], buffer->Header);
        EXPECT_EQ(buffer->Header->user, reinterpret_cast<std::uintptr_t>(buffer));
    }
}

TEST_F(MidiInputTest, NoBuffersWhenCountOrSizeIsZero)
{
    for (auto [count, size] : {std::pair<int, int>{0, 4096}, {16, 0}}) {
        TMidiInput port(fake);
        port.SetSysexBufferCount(count);
        port.SetSysexBufferSize(size);
        port.Open();
        EXPECT_EQ(port.PortState(), psOpen);
        EXPECT_FALSE(port.SysexHeaders().has_value());
    }
    EXPECT_EQ(count("prepareInput 4096"), 0);
}

TEST_F(MidiInputTest, BufferPropertiesAreRefusedWhileOpen)
{
    TMidiInput port(fake);
    port.Open();
    EXPECT_EQ(raisedBy([&] { port.SetSysexBufferSize(10); }),
              "Change to SysexBufferSize while device was open");
    EXPECT_EQ(raisedBy([&] { port.SetSysexBufferCount(1); }),
              "Change to SysexBuffercount while device was open");
    EXPECT_EQ(raisedBy([&] { port.SetDeviceID(1); }), "Change to DeviceID while device was open");
    EXPECT_EQ(raisedBy([&] { port.SetProductName("Pads"); }),
              "Change to ProductName while device was open");
    EXPECT_EQ(port.SysexBufferSize(), 4096);
    EXPECT_EQ(port.SysexBufferCount(), 16);
    EXPECT_EQ(port.DeviceID(), 0);

    port.Close();
    port.SetSysexBufferCount(1);
    port.SetSysexBufferSize(10);
    fake.calls.clear();
    port.Open();
    EXPECT_THAT(fake.calls, ElementsAre("openInput 0", "prepareInput 10", "addBuffer"));
}

struct OpenFailure
{
    const char *name;
    void (*script)(FakeMidiServices &);
    bool deviceWasOpened;
    const char *raised = nullptr; // a refusal raises nothing; services that throw are reported
};

class MidiInputOpenFailureTest : public MidiLeakChecked,
                                 public ::testing::WithParamInterface<OpenFailure>
{
};

TEST_P(MidiInputOpenFailureTest, StopsTheDeviceBeforeReleasing)
{
    FakeMidiServices fake;
    fake.inputs = {FakeMidiServices::inputNamed("Keys")};
    GetParam().script(fake);
    TMidiInput port(fake);
    port.SetSysexBufferCount(4);
    EXPECT_EQ(RaisedText<EMidiInputError>([&] { port.Open(); }),
              GetParam().raised ? GetParam().raised : "<nothing raised>");
    EXPECT_EQ(port.PortState(), psClosed);
    EXPECT_EQ(port.EventRing(), nullptr);
    if (!GetParam().raised) {
        EXPECT_EQ(port.Error(), MidiErrNoMemory) << "Error keeps the code that ended Open";
    }
    EXPECT_FALSE(fake.inputOpen);
    EXPECT_THAT(fake.queuedInput, IsEmpty());
    if (GetParam().deviceWasOpened) {
        // The reset comes first, the close last; only then is memory released (checked by
        // the leak counts of the fixture).
        const auto reset = std::find(fake.calls.begin(), fake.calls.end(), "reset");
        ASSERT_NE(reset, fake.calls.end());
        EXPECT_EQ(fake.calls.back(), "closeInput");
    }
    port.Start();
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "start"), 0);
}

// clang-format off
const OpenFailure OpenFailures[] = {
    {"OpenRefused", [](FakeMidiServices &f) { f.openInputResult = MidiErrNoMemory; }, false},
    {"FirstPrepareRefused", [](FakeMidiServices &f) { f.refusePrepareInputAt = 0; }, true},
    {"ThirdPrepareRefused", [](FakeMidiServices &f) { f.refusePrepareInputAt = 2; }, true},
    {"SecondQueueRefused", [](FakeMidiServices &f) { f.refuseAddBufferAt = 1; }, true},
    {"OpenThrows", [](FakeMidiServices &f) { ThrowIn(f, "openInput", NoThread()); }, false,
     "The MIDI device could not be opened: Resource temporarily unavailable"},
    {"QueueThrows", [](FakeMidiServices &f) { ThrowIn(f, "addBuffer", std::bad_alloc()); }, true,
     "The MIDI device could not be opened: not enough memory"},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Failures, MidiInputOpenFailureTest, ::testing::ValuesIn(OpenFailures),
                         CaseName());

TEST_F(MidiInputTest, OpenWithoutMemoryForTheBlockFailsQuietly)
{
    TMidiInput port(fake);
    SharedAllocFailAfter(2); // the ring (record and storage) succeeds, the block fails
    port.Open();
    EXPECT_EQ(port.PortState(), psClosed);
    EXPECT_EQ(count("openInput 0"), 0);
}

TEST_F(MidiInputTest, CloseResetsReleasesThenClosesAndForgetsTheItems)
{
    TMidiInput port(fake);
    port.SetSysexBufferCount(2);
    port.Open();
    port.Start();
    fake.deliverShort(0x403C90);
    EXPECT_EQ(port.EventCount(), 1);
    fake.calls.clear();
    port.Close();
    EXPECT_THAT(fake.calls, ElementsAre("reset", "unprepareInput", "unprepareInput", "closeInput"));
    EXPECT_EQ(port.PortState(), psClosed);
    EXPECT_EQ(port.EventCount(), 0);
    EXPECT_EQ(port.EventRing(), nullptr);
    EXPECT_FALSE(port.SysexHeaders().has_value());
    EXPECT_EQ(newBlocks(), 1) << "only the callback block stays for the next Open";
}

TEST_F(MidiInputTest, StartAndCloseOnAClosedPortCallNothing)
{
    TMidiInput port(fake);
    fake.calls.clear();
    port.Start();
    port.Close();
    EXPECT_THAT(fake.calls, IsEmpty());
}

TEST_F(MidiInputTest, CloseThatFailsPartWayIsFinishedLater)
{
    TMidiInput port(fake);
    port.SetSysexBufferCount(2);
    port.Open();
    fake.resetResult = MidiErrNotReady;
    EXPECT_EQ(raisedBy([&] { port.Close(); }), "The MIDI device is busy");
    EXPECT_EQ(port.PortState(), psClosed) << "closed from the first step on";
    EXPECT_TRUE(fake.inputOpen);

    // The next Open finishes the close before it opens again.
    fake.resetResult = MidiOk;
    fake.calls.clear();
    port.Open();
    EXPECT_EQ(port.PortState(), psOpen);
    EXPECT_THAT(fake.calls, ElementsAre("reset", "unprepareInput", "unprepareInput", "closeInput",
                                        "openInput 0", "prepareInput 4096", "prepareInput 4096",
                                        "addBuffer", "addBuffer"));
}

TEST_F(MidiInputTest, DestructorFinishesACloseThatFailed)
{
    {
        TMidiInput port(fake);
        port.Open();
        fake.unprepareInputResult = MidiErrNotReady;
        EXPECT_EQ(raisedBy([&] { port.Close(); }), "The MIDI device is busy");
        fake.unprepareInputResult = MidiOk;
    }
    EXPECT_FALSE(fake.inputOpen);
}

TEST_F(MidiInputTest, DeviceThatNeverClosesKeepsWhatItMayStillTouch)
{
    {
        TMidiInput port(fake);
        port.SetSysexBufferCount(1);
        port.Open();
        port.Start();
        fake.closeInputResult = MidiErrNotReady;
    }
    // Unprepared buffers are released; the ring (record and storage) and the block stay.
    EXPECT_EQ(newHeaders(), 0);
    EXPECT_EQ(newBlocks(), 3);
    // The device still delivers into a ring and a sink that are still there.
    fake.deliverShort(0x90);
    QCoreApplication::processEvents();
    SetUp(); // deliberately left
}

TEST_F(MidiInputTest, ReceivedMessagesCallOnMidiInputOnTheGuiThread)
{
    TMidiInput port(fake);
    std::vector<std::uint16_t> countsSeen;
    port.OnMidiInput = [&](QObject *sender) {
        EXPECT_EQ(sender, &port);
        countsSeen.push_back(port.EventCount());
    };
    port.Open();
    port.Start();
    fake.deliverShort(0x403C90, 5);
    ASSERT_TRUE(fake.deliverSysex({0xF0, 0x70, 0xF7}, 6));
    EXPECT_TRUE(countsSeen.empty()) << "nothing runs on the driver's thread";
    ASSERT_TRUE(QTest::qWaitFor([&] { return countsSeen.size() == 2; }));
    EXPECT_THAT(countsSeen, ElementsAre(2, 2));

    const TMidiEventRing *ring = port.EventRing();
    EXPECT_EQ(ring->First[0].Data, 0x403C90u);
    EXPECT_EQ(ring->First[0].Timestamp, 5u);
    EXPECT_EQ(ring->First[1].Data, 0u);
    EXPECT_EQ(ring->First[1].SysexHeader, (*port.SysexHeaders())[0]->Header);
    EXPECT_EQ(ring->First[1].SysexHeader->bytesRecorded, 3u);
}

TEST_F(MidiInputTest, FullRingDropsAndReportsOverflow)
{
    TMidiInput port(fake);
    int inputs = 0;
    int overflows = 0;
    port.OnMidiInput = [&](QObject *) { ++inputs; };
    port.OnOverflow = [&](QObject *) { ++overflows; };
    port.SetSysexBufferCount(0);
    port.Open();
    port.Start();
    for (int i = 0; i < 1025; ++i)
        fake.deliverShort(0x403C90);
    EXPECT_EQ(port.EventCount(), 1024);
    ASSERT_TRUE(QTest::qWaitFor([&] { return overflows == 1; }));
    EXPECT_EQ(inputs, 1024);
}

TEST_F(MidiInputTest, RealTimeBytesAndSysexOnlyFiltering)
{
    TMidiInput port(fake);
    int inputs = 0;
    port.OnMidiInput = [&](QObject *) { ++inputs; };
    port.Open();
    port.Start();
    fake.deliverShort(0xF8);
    fake.deliverShort(0xFE);
    EXPECT_EQ(port.EventCount(), 0);

    port.SetSysexOnly(true); // while open: the next message already sees it
    fake.deliverShort(0x403C90);
    EXPECT_EQ(port.EventCount(), 0);
    fake.deliverSysex({0xF0, 0xF7});
    EXPECT_EQ(port.EventCount(), 1);

    port.SetSysexOnly(false);
    fake.deliverShort(0x403C90);
    EXPECT_EQ(port.EventCount(), 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return inputs == 2; }));
}

TEST_F(MidiInputTest, NotificationsAfterCloseAreIgnored)
{
    TMidiInput port(fake);
    int inputs = 0;
    port.OnMidiInput = [&](QObject *) { ++inputs; };
    port.Open();
    port.Start();
    fake.deliverShort(0x403C90);
    port.Close(); // the reset hands 16 buffers back, each notified too
    QCoreApplication::processEvents();
    EXPECT_EQ(inputs, 0);
}

TEST_F(MidiInputTest, EveryCapacityUpToTheLimitStoresAndLargerOnesDropSilently)
{
    struct Case
    {
        std::uint16_t capacity;
        bool ring;
    };
    for (const Case c : {Case{4096, true}, Case{MaxRingSlots, true}, Case{5462, false}}) {
        SCOPED_TRACE(c.capacity);
        TMidiInput port(fake);
        int overflows = 0;
        port.OnOverflow = [&](QObject *) { ++overflows; };
        port.SetCapacity(c.capacity);
        port.Open();
        EXPECT_EQ(port.PortState(), psOpen);
        ASSERT_EQ(port.EventRing() != nullptr, c.ring);
        if (c.ring) {
            EXPECT_EQ(port.EventRing()->SlotCount, c.capacity);
        }
        port.Start();
        fake.deliverShort(0x403C90);
        QCoreApplication::processEvents();
        EXPECT_EQ(port.EventCount(), c.ring ? 1 : 0);
        EXPECT_EQ(overflows, 0);
        port.Close();
    }
}

} // namespace
