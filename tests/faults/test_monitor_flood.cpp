// A flood at the editor's chosen input while the "Monitor" page is shown: a million short
// messages at 200,000 a second from a sender of the test's own on the "Virtual Loopback", more
// than the monitor takes, for five seconds. Meanwhile the user's clicks are still handled, the
// page keeps at most 10,000 lines and refreshes at most 30 times a second, every message is
// either shown or counted as lost, and memory stays flat. How fast the clicks are handled is a
// benchmark's figure (bench_monitor); here the longest wait is only recorded.
#include "app/MonitorPage.h"
#include "controls/SpeedButton.h"
#include "converter/InputReader.h"
#include "converter/MonitorLog.h"
#include "converter/MonitorModel.h"
#include "midi/MidiIn.h"
#include "support/FormTest.h"
#include "support/LoopbackFlood.h"
#include "support/Memory.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QTest>

#include <optional>

namespace {

constexpr int Messages = 1'000'000;

using MonitorFloodTest = FormTest;

// A click posted on the button, and its handler waited for: the time it took, in ms, or -1 when
// it was never handled.
qint64 PostedClick(TSpeedButton *button)
{
    bool clicked = false;
    const QMetaObject::Connection connection =
        QObject::connect(button, &QAbstractButton::clicked, [&] { clicked = true; });
    QElapsedTimer waited;
    waited.start();
    PostClick(button);
    const bool handled = QTest::qWaitFor([&] { return clicked; });
    QObject::disconnect(connection);
    return handled ? waited.elapsed() : -1;
}

TEST_F(MonitorFloodTest, ClicksAreHandledLinesCappedNothingUncountedAndMemoryFlat)
{
    Open("MIDI"); // output "Torvane Simulator", input "Virtual Loopback"
    ASSERT_EQ(Form->MidiInput1->PortState(), psOpen);
    MonitorPage *page = AddMonitorPage(*Form->PageControl1, *Form->Monitor, *Form->Input, Dialogs);
    ShowTab(*Form, "Monitor");
    const std::uint64_t before = Form->Monitor->End();

    std::optional<LoopbackFlood> sender;
    sender.emplace(Midi, Messages);

    QElapsedTimer flood;
    flood.start();
    const int refreshesBefore = page->Refreshes();
    const std::array<TSpeedButton *, 2> presets = {Form->spdPar1, Form->spdPar2};
    int clicks = 0, handled = 0;
    qint64 longest = 0;
    std::int64_t memoryAfterWarmUp = 0;
    while (!sender->Done()) {
        const qint64 took = PostedClick(presets[clicks % 2]);
        handled += took >= 0 && Form->CurrentPreset() == clicks % 2;
        longest = std::max(longest, took);
        ++clicks;
        if (memoryAfterWarmUp == 0 && sender->Sent() >= Messages / 10)
            memoryAfterWarmUp = MemoryInUse();
        QTest::qWait(10);
    }
    const qint64 floodMs = flood.elapsed();
    ASSERT_EQ(sender->Sent(), Messages) << "the loopback output could not be opened";
    sender.reset();
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
