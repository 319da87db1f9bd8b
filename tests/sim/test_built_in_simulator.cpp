// The editor's built-in box: bytes from the services' thread reach the box on the GUI thread,
// a burst is one change, the flash survives a new start, and the sink may outlive the box.
#include "sim/BuiltInSimulator.h"

#include "sim_test_helpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <thread>

using simtest::Bytes;

namespace {

class BuiltInSimulatorTest : public ::testing::Test
{
protected:
    QString FlashPath() const { return QDir(Dir.path()).filePath("box.flash"); }

    // Sends each message through the sink from a thread of its own, as the services do.
    static void SendFromAnotherThread(const sim::BuiltInSimulator::Sink &sink,
                                      const std::vector<std::string> &messages)
    {
        std::thread sender([&] {
            for (const std::string &hex : messages) {
                const auto bytes = Bytes(hex);
                sink(bytes.data(), bytes.size());
            }
        });
        sender.join();
    }

    QTemporaryDir Dir;
};

TEST_F(BuiltInSimulatorTest, BurstFromAnotherThreadIsOneChangeOnTheGuiThread)
{
    sim::BuiltInSimulator simulator(FlashPath());
    QSignalSpy changes(&simulator, &sim::BuiltInSimulator::changed);
    std::vector<std::string> burst{"F0 70 7E 00 30 00 07 F7"};
    for (int value = 0; value < 128; ++value)
        burst.push_back(QStringLiteral("B0 07 %1").arg(value, 2, 16, QChar('0')).toStdString());
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
        SendFromAnotherThread(simulator.sink(),
                              {"F0 70 7E 00 2F 00 02 F7", "F0 70 7E 02 34 00 07 F7",
                               "F0 70 7E 02 70 07 0B F7", "F0 70 7E 02 35 00 08 F7"});
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
    const auto bytes = Bytes("B0 07 10");
    sink(bytes.data(), bytes.size()); // goes nowhere, harms nothing
    QCoreApplication::processEvents();
}

} // namespace
