// A seeded random user works the editor for a long session against "Torvane Simulator" and
// "Virtual Loopback": clicks, drags, selector changes, preset switches, "Send Params RT" on and
// off, parameter files saved and loaded in a temporary folder (missing ones too), Kessel
// controls, the output device switched back and forth, now and then a whole transfer or a write
// to flash. Nothing may crash or leak (the ASan build checks leaks at exit), memory stays flat
// after the warm-up, and at the end the simulated box is in exactly the state that the messages
// the editor handed to the MIDI services put it in: nothing lost, doubled or reordered on the
// way. Finally the presets survive a close and a restart.
//
// TORVANE_SOAK_ACTIONS sets the length (default 2000, as in the test command); TORVANE_SOAK_SEED
// the seed (default 9).
#include "app/BuiltInSimulator.h"
#include "controls/Kxpotlab.h"
#include "controls/SpeedButton.h"
#include "midi/backend/ForwardingServices.h"
#include "sim/TorvaneBox.h"
#include "support/FormTest.h"
#include "support/Memory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTest>

#include <cstdint>
#include <mutex>
#include <random>
#include <vector>

namespace {

// Passes every call on to the simulated devices and feeds what the editor hands over for
// "Torvane Simulator" to a box of its own: the box the editor's messages describe.
class WhatTheEditorSent final : public ForwardingServices
{
public:
    explicit WhatTheEditorSent(SimulatedServices &inner) : ForwardingServices(inner) {}

    sim::BoxState Expected() const { return box_.state(); }

    MidiResult openOutput(MidiHandle &handle, int id, MidiCallbackFunction callback,
                          std::uintptr_t instance) override
    {
        const MidiResult result = ForwardingServices::openOutput(handle, id, callback, instance);
        if (result == MidiOk && id == SimulatedServices::SimulatorOutput)
            simulator_ = handle;
        return result;
    }
    MidiResult closeOutput(MidiHandle handle) override
    {
        if (handle == simulator_)
            simulator_ = NoMidiHandle;
        return ForwardingServices::closeOutput(handle);
    }
    MidiResult sendShortMessage(MidiHandle handle, std::uint32_t word) override
    {
        const MidiResult result = ForwardingServices::sendShortMessage(handle, word);
        if (result == MidiOk && handle == simulator_) {
            const std::uint8_t status = word & 0xFF;
            const std::uint8_t bytes[3] = {status, std::uint8_t(word >> 8),
                                           std::uint8_t(word >> 16)};
            box_.feed({bytes, std::size_t(1 + sim::MidiStreamParser::dataBytesAfter(status))});
        }
        return result;
    }
    MidiResult sendLongMessage(MidiHandle handle, MidiHeader *header) override
    {
        // Read before the hand-over: from then on the header is the services'.
        std::vector<std::uint8_t> bytes(header->data, header->data + header->bufferLength);
        const MidiResult result = ForwardingServices::sendLongMessage(handle, header);
        if (result == MidiOk && handle == simulator_)
            box_.feed(bytes);
        return result;
    }

private:
    MidiHandle simulator_ = NoMidiHandle;
    sim::TorvaneBox box_;
};

int FromEnvironment(const char *name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

class SoakTest : public FormTest
{
protected:
    QString FileFolder() const { return QDir(Dir.path()).filePath("files"); }
};

} // namespace

TEST_F(SoakTest, SeededRandomUser)
{
    const int actions = FromEnvironment("TORVANE_SOAK_ACTIONS", 2000);
    const int seed = FromEnvironment("TORVANE_SOAK_SEED", 9);
    RecordProperty("Actions", actions);
    RecordProperty("Seed", seed);
    std::mt19937 random(seed);
    const auto pick = [&random](int n) { return int(random() % unsigned(n)); };

    sim::BuiltInSimulator simulator(QDir(Dir.path()).filePath("flash.bin"));
    Midi.setSimulatorSink(simulator.sink());
    WhatTheEditorSent services(Midi);
    QDir().mkpath(FileFolder());
    auto form = MakeForm(&services);

    const std::array<TSpeedButton *, 4> presets = {form->spdPar1, form->spdPar2, form->spdPar3,
                                                   form->spdPar4};
    const auto drag = [](QWidget *widget, int dy) {
        const QPoint from(widget->width() / 2, widget->height() / 2);
        QTest::mousePress(widget, Qt::LeftButton, {}, from);
        QTest::mouseMove(widget, from + QPoint(0, dy));
        QTest::mouseRelease(widget, Qt::LeftButton, {}, from + QPoint(0, dy));
    };
    const auto fileName = [&](int n) { return QDir(FileFolder()).filePath(QString("p%1").arg(n)); };

    std::int64_t memoryAfterWarmUp = 0;
    int transfers = 0, boxes = 0;
    for (int action = 0; action < actions; ++action) {
        switch (pick(20)) {
        case 0:
        case 1:
            QTest::mouseClick(presets[pick(4)], Qt::LeftButton);
            break;
        case 2:
        case 3: {
            QComboBox *selector = form->ComboBox[pick(TForm1::OutputCount)];
            Activate(selector, pick(selector->count()));
            break;
        }
        case 4:
        case 5:
            drag(form->Controller[pick(TForm1::OutputCount)], pick(61) - 30);
            break;
        case 6:
            QTest::mouseClick(form->Controller[pick(TForm1::OutputCount)],
                              pick(2) ? Qt::LeftButton : Qt::RightButton);
            break;
        case 7:
            drag(form->kxpotlab1, pick(21) - 10);
            break;
        case 8:
            QTest::mouseClick(form->CheckBox1, Qt::LeftButton); // "Merge Input"
            break;
        case 9:
            QTest::mouseClick(pick(2) ? form->SpeedButton2 : form->SpeedButton3, Qt::LeftButton);
            break;
        case 10:
        case 11:
            Dialogs.Answers.push_back(fileName(pick(8)));
            QTest::mouseClick(form->SpeedButton17, Qt::LeftButton); // save
            break;
        case 12:
        case 13:
            Dialogs.Answers.push_back(fileName(pick(10)) + ".TVN"); // some never saved
            QTest::mouseClick(form->SpeedButton8, Qt::LeftButton);  // load
            break;
        case 14:
            Activate(form->cmbOutput, pick(form->cmbOutput->count()));
            break;
        case 15:
            QTest::mouseClick(form->SpeedButton5, Qt::LeftButton); // send the patch-bay set-up
            break;
        case 16:
            // "Send Params RT" on for a few actions; a preset switch then sends a whole transfer
            // (3.2 s), so it is rare and switched off again soon.
            if (!form->CheckBox38->isChecked() ? pick(50) == 0 : pick(4) == 0)
                QTest::mouseClick(form->CheckBox38, Qt::LeftButton);
            break;
        case 17:
            if (pick(200) == 0) {
                QTest::mouseClick(pick(2) ? form->SpeedButton1 : form->SpeedButton10,
                                  Qt::LeftButton);
                ++transfers;
            }
            break;
        default:
            QCoreApplication::processEvents();
            break;
        }
        boxes += int(Boxes.Messages.size());
        Boxes.Messages.clear();
        Dialogs.Answers.clear();
        Dialogs.Shown.clear();
        if (action == actions / 10) {
            Midi.waitIdle();
            QCoreApplication::processEvents();
            memoryAfterWarmUp = MemoryInUse();
        }
    }

    // Everything the editor handed over has reached the box, in order.
    Midi.waitIdle();
    simulator.deliverPending();
    EXPECT_EQ(simulator.lostMessages(), 0u);
    EXPECT_TRUE(simulator.state() == services.Expected())
        << "accepted " << simulator.state().accepted << " vs " << services.Expected().accepted
        << ", rejected " << simulator.state().rejected << " vs " << services.Expected().rejected;
    EXPECT_GT(simulator.state().accepted, std::uint64_t(actions / 10)) << "the soak sent little";

    QCoreApplication::processEvents();
    const std::int64_t growth = MemoryInUse() - memoryAfterWarmUp;
    RecordProperty("MemoryGrowthBytes", int(growth));
    RecordProperty("ErrorBoxes", boxes);
    RecordProperty("TransfersAndFlashWrites", transfers);
    EXPECT_LT(growth, 4 << 20) << "memory grew by " << growth << " bytes after the warm-up";

    // The presets survive a close and a restart.
    const QByteArray before = BankImage(Bank);
    form->close();
    form.reset();
    FillBank(Bank, QByteArray(TPresetBank::BankFileSize, '\0'));
    form = MakeForm(&services);
    EXPECT_EQ(BankImage(Bank), before);
    Midi.setSimulatorSink({});
}
