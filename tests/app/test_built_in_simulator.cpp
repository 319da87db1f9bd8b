// The editor's built-in box: bytes from the services' thread reach the box on the GUI thread,
// a burst is one change, the flash survives a new start, and the sink may outlive the box.
#include "app/BuiltInSimulator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <thread>

using Bytes = std::vector<std::uint8_t>;

namespace {

class BuiltInSimulatorTest : public ::testing::Test
{
protected:
    QString FlashPath() const { return QDir(Dir.path()).filePath("box.flash"); }

    // Sends each message through the sink from a thread of its own, as the services do.
    static void SendFromAnotherThread(const sim::BuiltInSimulator::Sink &sink,
                                      const std::vector<Bytes> &messages)
    {
        std::thread sender([&] {
            for (const Bytes &bytes : messages)
                sink(bytes.data(), bytes.size());
        });
        sender.join();
    }

    QTemporaryDir Dir;
};

TEST_F(BuiltInSimulatorTest, BurstFromAnotherThreadIsOneChangeOnTheGuiThread)
{
    sim::BuiltInSimulator simulator(FlashPath());
    QSignalSpy changes(&simulator, &sim::BuiltInSimulator::changed);
    std::vector<Bytes> burst{{0xF0, 0x70, 0x7E, 0x00, 0x30, 0x00, 0x07, 0xF7}};
    for (int value = 0; value < 128; ++value)
        burst.push_back({0xB0, 0x07, std::uint8_t(value)});
    SendFromAnotherThread(simulator.sink(), burst);
    EXPECT_EQ(simulator.state().accepted, 0u); // nothing touches the box off the GUI thread

    ASSERT_TRUE(QTest::qWaitFor([&] { return changes.count() > 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(simulator.state().accepted, burst.size());
    EXPECT_EQ(simulator.state().levels[0], 127); // the last of the burst
}

TEST_F(BuiltInSimulatorTest, FlashSurvivesANewStartAndTheWorkingSetUpDoesNot)
{
    {
        sim::BuiltInSimulator simulator(FlashPath());
        SendFromAnotherThread(simulator.sink(), {{0xF0, 0x70, 0x7E, 0x00, 0x2F, 0x00, 0x02, 0xF7},
                                                 {0xF0, 0x70, 0x7E, 0x02, 0x34, 0x00, 0x07, 0xF7},
                                                 {0xF0, 0x70, 0x7E, 0x02, 0x70, 0x07, 0x0B, 0xF7},
                                                 {0xF0, 0x70, 0x7E, 0x02, 0x35, 0x00, 0x08, 0xF7}});
        simulator.deliverPending();
        EXPECT_FALSE(simulator.state().flashMatches());
        EXPECT_TRUE(simulator.flashFileError().isEmpty());
    }
    sim::BuiltInSimulator restarted(FlashPath());
    EXPECT_EQ(restarted.state().working.channel, 2);
    EXPECT_EQ(restarted.state().working.controllers[4], 7);
    EXPECT_EQ(restarted.state().working.controllers[5], sim::NoController);
    EXPECT_TRUE(restarted.state().flashMatches());
}

TEST_F(BuiltInSimulatorTest, ForeignFlashFileStartsFromFactoryAndSaysSo)
{
    QFile file(FlashPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a flash image");
    file.close();
    sim::BuiltInSimulator simulator(FlashPath());
    EXPECT_EQ(simulator.state().working, sim::ConverterSetup{});
    EXPECT_FALSE(simulator.flashFileError().isEmpty());
}

TEST_F(BuiltInSimulatorTest, SinkOutlivesTheSimulator)
{
    sim::BuiltInSimulator::Sink sink;
    {
        sim::BuiltInSimulator simulator(FlashPath());
        sink = simulator.sink();
    }
    const Bytes bytes{0xB0, 0x07, 0x10};
    sink(bytes.data(), bytes.size()); // goes nowhere, harms nothing
    QCoreApplication::processEvents();
}

} // namespace
