// A flood at the editor's MIDI input: a million short messages and a stream of SysEx bursts,
// sent as fast as the "Virtual Loopback" takes them and arriving on its own thread. The ring
// fills at its 1024 items; every item after that is dropped and reported as such (OnOverflow),
// none silently; memory stays flat once the flood is under way; and the window keeps handling
// the user's clicks while the flood goes on.
#include "controls/SpeedButton.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "support/FormTest.h"
#include "support/Memory.h"

#include <QComboBox>
#include <QTest>
#include <QTimer>

#include <cstdint>
#include <vector>

namespace {

constexpr int ShortMessages = 1'000'000;
constexpr int Batch = 10'000;
constexpr int SysexPerBatch = 1;
constexpr int SysexLength = 1000;

using InputFloodTest = FormTest;

} // namespace

TEST_F(InputFloodTest, RingFillsEveryFurtherItemIsDroppedWithItsNoticeAndTheWindowGoesOn)
{
    auto form = MakeForm();
    // The user picks the loopback as output; the input is on it already.
    const int loopback = form->cmbOutput->findText("Virtual Loopback");
    ASSERT_GE(loopback, 0);
    Activate(form->cmbOutput, loopback);
    ASSERT_EQ(form->cmbInput->currentText(), "Virtual Loopback");
    ASSERT_EQ(form->MidiInput1->PortState(), psOpen);
    ASSERT_EQ(form->MidiOutput1->PortState(), psOpen);
    ASSERT_TRUE(Boxes.Messages.isEmpty());

    std::int64_t stored = 0, dropped = 0;
    form->MidiInput1->OnMidiInput = [&](QObject *) { ++stored; };
    form->MidiInput1->OnOverflow = [&](QObject *) { ++dropped; };
    // Turns of the event loop, counted by a timer that fires whenever the loop is free.
    std::int64_t turns = 0;
    QTimer ticker;
    ticker.setInterval(0);
    QObject::connect(&ticker, &QTimer::timeout, &ticker, [&turns] { ++turns; });
    ticker.start();

    std::vector<std::uint8_t> sysex(SysexLength, 0x11);
    sysex.front() = 0xF0;
    sysex.back() = 0xF7;
    const int sysexItems = form->MidiInput1->SysexBufferCount(); // its buffers are not re-queued
    std::int64_t sent = 0, sysexSent = 0, clicksHandled = 0;
    std::int64_t memoryAfterWarmUp = 0;
    const std::array<TSpeedButton *, 2> presets = {form->spdPar1, form->spdPar2};

    for (int batch = 0; batch * Batch < ShortMessages; ++batch) {
        for (int i = 0; i < Batch; ++i)
            form->MidiOutput1->SendShortMessage(0xB0 | (i & 0x0F), i & 0x7F, (i >> 7) & 0x7F);
        for (int i = 0; i < SysexPerBatch; ++i)
            form->MidiOutput1->SendLongMessage(sysex.data(), std::uint16_t(sysex.size()));
        sent += Batch;
        sysexSent += SysexPerBatch;

        // While the loopback thread delivers the batch, the user switches presets.
        const std::int64_t expected = sent + std::min<std::int64_t>(sysexSent, sysexItems);
        Click(presets[batch % 2]);
        clicksHandled += form->CurrentPreset() == batch % 2;
        (void)QTest::qWaitFor([&] { return stored + dropped >= expected; }, 60'000);
        ASSERT_EQ(stored + dropped, expected) << "batch " << batch << ": items went unreported";
        if (batch == 9)
            memoryAfterWarmUp = MemoryInUse();
    }
    Midi.waitIdle();
    QCoreApplication::processEvents();

    EXPECT_EQ(stored, 1024);
    EXPECT_EQ(form->MidiInput1->EventCount(), 1024);
    EXPECT_EQ(dropped, ShortMessages + sysexItems - 1024);
    EXPECT_EQ(clicksHandled, ShortMessages / Batch);
    EXPECT_GT(turns, ShortMessages / Batch) << "the event loop turned while the flood went on";
    const std::int64_t growth = MemoryInUse() - memoryAfterWarmUp;
    RecordProperty("MemoryGrowthBytes", int(growth));
    EXPECT_LT(growth, 4 << 20) << "memory grew by " << growth << " bytes over 900 000 messages";
    EXPECT_TRUE(Boxes.Messages.isEmpty());
}
