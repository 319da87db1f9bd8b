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
#include "controls/Kxpotlab.h"
#include "midi/backend/ForwardingServices.h"
#include "midi/backend/simulated/SimulatedServices.h"
#include "support/EditorWindow.h"
#include "support/Figures.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTabWidget>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The simulated devices, noting when each short message has been accepted.
class AcceptClock final : public ForwardingServices
{
public:
    AcceptClock() : ForwardingServices(inner)
    {
        inner.setSimulatorSink([](const std::uint8_t *, std::size_t) {});
    }
    SimulatedServices inner;
    Clock::time_point lastAccepted{};
    std::uint64_t accepted = 0;

    MidiResult sendShortMessage(MidiHandle h, std::uint32_t word) override
    {
        const MidiResult result = ForwardingServices::sendShortMessage(h, word);
        lastAccepted = Clock::now();
        ++accepted;
        return result;
    }
};

struct Editor
{
    Editor()
    {
        Window.Bank.SetByte(0, 0, 7); // output 1 follows controller 7
        Window.Form->ApplyPreset(0);
    }
    AcceptClock Midi;
    EditorWindow Window{Midi};
};

double Us(Clock::duration d)
{
    return std::chrono::duration<double, std::micro>(d).count();
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
    if (!ShowExposed(*editor.Window.Form)) {
        state.SkipWithError("main window never exposed");
        return;
    }
    editor.Window.Form->PageControl1->setCurrentWidget(editor.Window.Form->TabSheet3);
    QCoreApplication::processEvents();
    Tkxpotlab *label = editor.Window.Form->Controller[0];
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
    ReportPercentiles(state, "move_to_cc_", toCc);
    ReportPercentiles(state, "move_handled_", handled);
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
    if (!ShowExposed(window)) {
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
    ReportPercentiles(state, "move_handled_", handled);
}
BENCHMARK(BM_DragFloorPlainLabel)->UseManualTime()->Iterations(3000)->Unit(benchmark::kMicrosecond);

} // namespace
