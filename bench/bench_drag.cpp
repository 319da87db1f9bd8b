// A drag on a controller value label of the main window, one pointer move at a time: from the
// move event's delivery to the moment the MIDI services accept the Control Change it causes
// (move_to_cc), and to the end of the move's handling, repaints included (move_handled).
// Microseconds, median and 99th percentile over every move of the run.
//
// The editor is built as program entry builds it, on the in-process devices ("Torvane
// Simulator" as output, a sink that keeps nothing), behind a recording layer that notes when
// each short message is accepted. Output 1 is assigned controller 7, so every move sends.
//
// The floor is the toolkit's own cost for the same thing: a plain QLabel of the same size that
// shows a new number on each move and repaints at once, delivered the same way.
//
// Moves come back to back, as in a fast drag whose moves queue up, with one turn of the event
// loop between them as in the editor. (Spacing them 1 ms apart, as a 1000 Hz pointer would,
// makes every figure here and in the floor two to three times slower on a loaded machine: the
// thread wakes on a cold cache, often on the other core.)
//
// Runs on whatever platform QT_QPA_PLATFORM names (offscreen when unset): under xcb every
// repaint also goes to the X server.
#include "app/AutosaveLocation.h"
#include "app/Core_main.h"
#include "app/FileDialogs.h"
#include "app/PresetBank.h"
#include "controls/Kxpotlab.h"
#include "converter/Channel.h"
#include "converter/Unit2.h"
#include "midi/backend/SimulatedServices.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QWindow>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The simulated devices, noting when each short message has been accepted.
class AcceptClock final : public MidiServices
{
public:
    AcceptClock()
    {
        inner.setSimulatorSink([](const std::uint8_t *, std::size_t) {});
    }
    SimulatedServices inner;
    Clock::time_point lastAccepted{};
    std::uint64_t accepted = 0;

    MidiResult sendShortMessage(MidiHandle h, std::uint32_t word) override
    {
        const MidiResult result = inner.sendShortMessage(h, word);
        lastAccepted = Clock::now();
        ++accepted;
        return result;
    }
    std::uint32_t outputDeviceCount() override { return inner.outputDeviceCount(); }
    MidiResult outputDeviceCaps(int id, MidiOutCaps &caps) override
    {
        return inner.outputDeviceCaps(id, caps);
    }
    MidiResult openOutput(MidiHandle &h, int id, MidiCallbackFunction cb,
                          std::uintptr_t instance) override
    {
        return inner.openOutput(h, id, cb, instance);
    }
    MidiResult closeOutput(MidiHandle h) override { return inner.closeOutput(h); }
    MidiResult prepareOutputHeader(MidiHandle h, MidiHeader *header) override
    {
        return inner.prepareOutputHeader(h, header);
    }
    MidiResult sendLongMessage(MidiHandle h, MidiHeader *header) override
    {
        return inner.sendLongMessage(h, header);
    }
    MidiResult unprepareOutputHeader(MidiHandle h, MidiHeader *header) override
    {
        return inner.unprepareOutputHeader(h, header);
    }
    std::uint32_t inputDeviceCount() override { return inner.inputDeviceCount(); }
    MidiResult inputDeviceCaps(int id, MidiInCaps &caps) override
    {
        return inner.inputDeviceCaps(id, caps);
    }
    MidiResult openInput(MidiHandle &h, int id, MidiCallbackFunction cb,
                         std::uintptr_t instance) override
    {
        return inner.openInput(h, id, cb, instance);
    }
    MidiResult closeInput(MidiHandle h) override { return inner.closeInput(h); }
    MidiResult prepareInputHeader(MidiHandle h, MidiHeader *header) override
    {
        return inner.prepareInputHeader(h, header);
    }
    MidiResult addInputBuffer(MidiHandle h, MidiHeader *header) override
    {
        return inner.addInputBuffer(h, header);
    }
    MidiResult startInput(MidiHandle h) override { return inner.startInput(h); }
    MidiResult resetInput(MidiHandle h) override { return inner.resetInput(h); }
    MidiResult unprepareInputHeader(MidiHandle h, MidiHeader *header) override
    {
        return inner.unprepareInputHeader(h, header);
    }
};

class NoFileDialogs : public FileDialogs
{
public:
    bool Execute(TFileDialog &, QWidget *) override { return false; }
};

class Editor
{
public:
    Editor()
    {
        PresetBank = &Bank;
        Form2 = &Progress;
        Form10 = &ChannelDialog;
        Bank.SetByte(0, 0, 7); // output 1 follows controller 7
        Form = std::make_unique<TForm1>(Midi, Dialogs,
                                        AutosaveLocation(QDir(Folder.path()).filePath("program"),
                                                         QDir(Folder.path()).filePath("userdata")));
        Form->ApplyPreset(0);
    }
    ~Editor()
    {
        Form.reset();
        PresetBank = nullptr;
        Form2 = nullptr;
        Form10 = nullptr;
    }
    Editor(const Editor &) = delete;
    Editor &operator=(const Editor &) = delete;

    QTemporaryDir Folder;
    TPresetBank Bank;
    AcceptClock Midi;
    NoFileDialogs Dialogs;
    TForm2 Progress;
    TForm10 ChannelDialog;
    std::unique_ptr<TForm1> Form;
};

bool ShowAndWait(QWidget &window)
{
    window.show();
    QElapsedTimer waited;
    waited.start();
    while (!(window.windowHandle() && window.windowHandle()->isExposed()) &&
           waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCoreApplication::processEvents();
    return window.windowHandle() && window.windowHandle()->isExposed();
}

double Us(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
}

void Report(benchmark::State &state, const char *name, std::vector<double> samples)
{
    if (samples.empty())
        return;
    std::sort(samples.begin(), samples.end());
    state.counters[std::string(name) + "_median_us"] = samples[samples.size() / 2];
    state.counters[std::string(name) + "_p99_us"] =
        samples[std::min(samples.size() - 1, samples.size() * 99 / 100)];
}

// Moves with the left button held, sweeping the label's whole range and beyond both ends, as a
// fast drag does. Returns the pointer's Y for move n.
int SweepY(std::size_t n)
{
    return -60 + int(n % 180);
}

// The event loop's turn between two moves: what the previous move left (the window system's
// replies to its repaints, the simulated device's completions) is handled here, not inside the
// next move.
void BetweenMoves()
{
    QCoreApplication::processEvents();
}

void Move(QWidget *target, int y)
{
    const QPointF local(10, y);
    QMouseEvent move(QEvent::MouseMove, local, target->mapToGlobal(local), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &move);
}

void BM_DragMoveToControlChange(benchmark::State &state)
{
    Editor editor;
    if (!ShowAndWait(*editor.Form)) {
        state.SkipWithError("main window never exposed");
        return;
    }
    editor.Form->PageControl1->setCurrentWidget(editor.Form->TabSheet3);
    QCoreApplication::processEvents();
    Tkxpotlab *label = editor.Form->Controller[0];
    const QPointF at(10, 5);
    QMouseEvent press(QEvent::MouseButtonPress, at, label->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(label, &press);

    std::vector<double> toCc, handled;
    std::size_t n = 0;
    for (auto _ : state) {
        const std::uint64_t before = editor.Midi.accepted;
        const Clock::time_point start = Clock::now();
        Move(label, SweepY(n++));
        const Clock::time_point end = Clock::now();
        if (editor.Midi.accepted != before + 1) {
            state.SkipWithError("a move did not send one Control Change");
            return;
        }
        toCc.push_back(Us(editor.Midi.lastAccepted - start));
        handled.push_back(Us(end - start));
        state.SetIterationTime(Us(editor.Midi.lastAccepted - start) / 1e6);
        BetweenMoves();
    }
    Report(state, "move_to_cc", toCc);
    Report(state, "move_handled", handled);
}
BENCHMARK(BM_DragMoveToControlChange)
    ->UseManualTime()
    ->Iterations(3000)
    ->Unit(benchmark::kMicrosecond);

// The floor: a plain label that shows the pointer's value and repaints on each move.
class PlainValueLabel : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void mouseMoveEvent(QMouseEvent *event) override
    {
        setText(QString::number(std::clamp(45 - int(event->position().y()), 0, 127)));
        repaint();
    }
};

void BM_DragFloorPlainLabel(benchmark::State &state)
{
    QWidget window;
    window.resize(510, 468);
    auto *label = new PlainValueLabel(&window);
    label->setGeometry(29, 20, 25, 13);
    label->setAlignment(Qt::AlignCenter);
    label->setAutoFillBackground(true);
    if (!ShowAndWait(window)) {
        state.SkipWithError("window never exposed");
        return;
    }
    std::vector<double> handled;
    std::size_t n = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        Move(label, SweepY(n++));
        const Clock::time_point end = Clock::now();
        handled.push_back(Us(end - start));
        state.SetIterationTime(Us(end - start) / 1e6);
        BetweenMoves();
    }
    Report(state, "move_handled", handled);
}
BENCHMARK(BM_DragFloorPlainLabel)->UseManualTime()->Iterations(3000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home; // the editor reads and writes settings: keep them away from the user's
    qputenv("XDG_CONFIG_HOME", QDir(home.path()).filePath("config").toUtf8());
    qputenv("XDG_DATA_HOME", QDir(home.path()).filePath("data").toUtf8());
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
