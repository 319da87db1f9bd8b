// SystemMidiServices without any MIDI system: the editor must still start, quietly, with no system
// devices, and refuse device numbers and handles it does not have.
#include "midi/backend/system/SystemMidiServices.h"
#include "midi_test_helpers.h"

#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

namespace {

// Captures what is written to the process's stderr (file descriptor 2) meanwhile.
class StderrCapture
{
public:
    StderrCapture()
    {
        file_.open();
        std::fflush(stderr);
        saved_ = ::dup(2);
        ::dup2(file_.handle(), 2);
    }
    ~StderrCapture() { restore(); }
    QByteArray take()
    {
        restore();
        file_.seek(0);
        return file_.readAll();
    }

private:
    void restore()
    {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        saved_ = -1;
    }
    QTemporaryFile file_;
    int saved_ = -1;
};

TEST(SystemMidiServicesWithoutSystem, JackWithoutAServerWaitsForOneWithNoDevicesAndPrintsNothing)
{
    const QByteArray previous = qgetenv("JACK_DEFAULT_SERVER");
    qputenv("JACK_DEFAULT_SERVER", "torvane-no-such-server");
    StderrCapture capture;
    {
        // JACK stays the system, waiting for a server to appear.
        SystemMidiServices services(MidiSystem::Jack);
        EXPECT_TRUE(services.waitUntilSettled(std::chrono::seconds(5)));
        EXPECT_EQ(services.system(), MidiSystem::Jack);
        EXPECT_EQ(services.systemStatus().state, MidiSystemStatus::NotRunning);
        EXPECT_EQ(services.outputDeviceCount(), 0u);
        EXPECT_EQ(services.inputDeviceCount(), 0u);
    }
    const QByteArray printed = capture.take();
    qputenv("JACK_DEFAULT_SERVER", previous);
    EXPECT_TRUE(printed.isEmpty()) << printed.constData();
}

// The mapper answers even with no system, so that the output port's search by name, which asks
// it first, goes on to the devices after it.
TEST(SystemMidiServicesWithoutSystem, TheMapperAnswersUnderANameNoSystemPortHas)
{
    SystemMidiServices services(MidiSystem::None);
    MidiOutCaps caps;
    ASSERT_EQ(services.outputDeviceCaps(SystemMidiServices::kMapperId, caps), MidiOk);
    EXPECT_EQ(caps.name, SystemMidiServices::mapperName());
    EXPECT_EQ(caps.technology, MidiTechMapper);
    EXPECT_EQ(caps.name.find(':'), std::string::npos);
}

TEST(SystemMidiServicesWithoutSystem, RefusesDeviceNumbersAndHandlesItDoesNotHave)
{
    SystemMidiServices services(MidiSystem::None);
    MidiOutCaps outCaps;
    MidiInCaps inCaps;
    EXPECT_EQ(services.outputDeviceCaps(0, outCaps), MidiErrBadDeviceId);
    EXPECT_EQ(services.inputDeviceCaps(0, inCaps), MidiErrBadDeviceId);
    MidiHandle handle = NoMidiHandle;
    EXPECT_EQ(services.openOutput(handle, 0, &IgnoreCallback, 0), MidiErrBadDeviceId);
    EXPECT_EQ(services.openOutput(handle, -1, &IgnoreCallback, 0),
              MidiErrNoDriver); // mapper, no target
    EXPECT_EQ(services.openInput(handle, 0, &IgnoreCallback, 0), MidiErrBadDeviceId);
    EXPECT_EQ(handle, NoMidiHandle);
    EXPECT_EQ(services.sendShortMessage(NoMidiHandle, 0x3F07B0), MidiErrInvalidHandle);
    EXPECT_EQ(services.closeInput(42), MidiErrInvalidHandle);
}

} // namespace
