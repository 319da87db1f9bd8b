// A flood at the editor's chosen input while the "Monitor" page is shown: a million short
// messages from a sender of the test's own on the "Virtual Loopback", on a thread of its own.
// Meanwhile the user's clicks are still handled, the page keeps at most 10,000 lines and
// refreshes at most 30 times a second, every message is either shown or counted as lost, and
// memory stays flat. How fast the clicks are handled is a benchmark's figure (bench_monitor);
// here the longest wait is only recorded.
#include "app/MonitorPage.h"
#include "controls/SpeedButton.h"
#include "converter/InputReader.h"
#include "converter/MonitorLog.h"
#include "converter/MonitorModel.h"
#include "midi/MidiIn.h"
#include "support/FormTest.h"
#include "support/Memory.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>

#include <atomic>
#include <thread>

namespace {

// 200,000 messages a second, about what a JACK server passes at most at 48 kHz: more than the
// monitor takes (so some are lost, and counted), for five seconds.
constexpr int Messages = 1'000'000;
constexpr int Batch = 1'000;
constexpr auto BatchEvery = std::chrono::milliseconds(5);

void Ignore(MidiHandle, std::uint32_t, std::uintptr_t, std::uintptr_t, std::uintptr_t) noexcept {}

using MonitorFloodTest = FormTest;

// Posts a click on the button, as the window system delivers one, and waits for its handler.
// The time it took, in ms, or -1 when it was never handled.
qint64 PostedClick(TSpeedButton *button)
{
    bool clicked = false;
    const QMetaObject::Connection connection =
        QObject::connect(button, &QAbstractButton::clicked, [&] { clicked = true; });
    const QPointF centre = QRectF(button->rect()).center();
    QElapsedTimer waited;
    waited.start();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
        QCoreApplication::postEvent(
            button,
            new QMouseEvent(type, centre, button->mapToGlobal(centre), Qt::LeftButton,
                            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, {}));
    const bool handled = QTest::qWaitFor([&] { return clicked; });
    QObject::disconnect(connection);
    return handled ? waited.elapsed() : -1;
}

TEST_F(MonitorFloodTest, ClicksAreHandledLinesCappedNothingUncountedAndMemoryFlat)
{
    Open("MIDI"); // output "Torvane Simulator", input "Virtual Loopback"
    ASSERT_EQ(Form->MidiInput1->PortState(), psOpen);
    MonitorPage *page = AddMonitorPage(*Form, Dialogs);
    ShowTab(*Form, "Monitor");
    const std::uint64_t before = Form->Monitor->End();

    std::atomic<int> sent{0};
    std::atomic<bool> done{false};
    std::thread sender([&] {
        MidiHandle out = NoMidiHandle;
        if (Midi.openOutput(out, SimulatedServices::LoopbackOutput, Ignore, 0) == MidiOk) {
            auto next = std::chrono::steady_clock::now();
            for (int n = 0; n < Messages; n += Batch) {
                for (int i = n; i < n + Batch; ++i)
                    Midi.sendShortMessage(out,
                                          0x90 | (i & 0x0F) | (i >> 4 & 0x7F) << 8 | 0x40 << 16);
                Midi.waitIdle();
                sent += Batch;
                std::this_thread::sleep_until(next += BatchEvery);
            }
            Midi.closeOutput(out);
        }
        done = true;
    });

    QElapsedTimer flood;
    flood.start();
    const int refreshesBefore = page->Refreshes();
    const std::array<TSpeedButton *, 2> presets = {Form->spdPar1, Form->spdPar2};
    int clicks = 0, handled = 0;
    qint64 longest = 0;
    std::int64_t memoryAfterWarmUp = 0;
    while (!done) {
        const qint64 took = PostedClick(presets[clicks % 2]);
        handled += took >= 0 && Form->CurrentPreset() == clicks % 2;
        longest = std::max(longest, took);
        ++clicks;
        if (memoryAfterWarmUp == 0 && sent >= Messages / 10)
            memoryAfterWarmUp = MemoryInUse();
        QTest::qWait(10);
    }
    sender.join();
    const qint64 floodMs = flood.elapsed();
    ASSERT_EQ(sent, Messages) << "the loopback output could not be opened";
    // Every message is shown or counted as lost, once the last notifications are handled.
    const auto accounted = [&] { return Form->Monitor->End() - before + Form->Input->Lost(); };
    EXPECT_TRUE(QTest::qWaitFor([&] { return accounted() == std::uint64_t(Messages); }))
        << accounted();
    page->Refresh();

    RecordProperty("Clicks", clicks);
    RecordProperty("LongestClickMs", int(longest));
    RecordProperty("FloodMs", int(floodMs));
    EXPECT_GT(clicks, 1) << "the flood ended before a click could be made";
    EXPECT_EQ(handled, clicks);
    EXPECT_EQ(Form->Monitor->End() - Form->Monitor->FirstKept(), MonitorLog::Capacity);
    EXPECT_EQ(page->Model->rowCount(), int(MonitorLog::Capacity));
    EXPECT_LE(page->Refreshes() - refreshesBefore,
              floodMs * MonitorPage::MaxRefreshesPerSecond / 1000 + 2);
    if (Form->Input->Lost() > 0) {
        EXPECT_TRUE(page->StatusLabel->text().contains("received messages lost"));
    }
    const std::int64_t growth = MemoryInUse() - memoryAfterWarmUp;
    RecordProperty("MemoryGrowthBytes", int(growth));
    EXPECT_LT(growth, 4 << 20) << "memory grew by " << growth << " bytes";
}

} // namespace
