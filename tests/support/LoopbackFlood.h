#pragma once
// A flood at the "Virtual Loopback" input: short messages sent through the loopback output by a
// thread of its own, 1,000 at a time every 5 ms (200,000 a second, about the most a JACK server
// passes at 48 kHz), each batch waited for so that the services' own queue stays short. And a
// click that arrives in the event queue as the window system delivers one. Header only: the
// benchmarks use it too.
#include "midi/backend/simulated/SimulatedServices.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMouseEvent>

#include <atomic>
#include <chrono>
#include <thread>

class LoopbackFlood
{
public:
    static constexpr int BatchSize = 1'000;
    static constexpr auto BatchEvery = std::chrono::milliseconds(5);

    // Starts at once. The loopback output must be free (the editor on another output).
    LoopbackFlood(SimulatedServices &midi, int messages)
        : thread_([this, &midi, messages] { Run(midi, messages); })
    {
    }
    ~LoopbackFlood() { thread_.join(); }
    LoopbackFlood(const LoopbackFlood &) = delete;
    LoopbackFlood &operator=(const LoopbackFlood &) = delete;

    bool Done() const { return done_; }
    // Messages sent so far; fewer than asked for at the end when the output could not be opened.
    int Sent() const { return sent_; }

private:
    static void Ignore(MidiHandle, std::uint32_t, std::uintptr_t, std::uintptr_t,
                       std::uintptr_t) noexcept
    {
    }
    void Run(SimulatedServices &midi, int messages)
    {
        MidiHandle out = NoMidiHandle;
        if (midi.openOutput(out, SimulatedServices::LoopbackOutput, Ignore, 0) == MidiOk) {
            auto next = std::chrono::steady_clock::now();
            for (int n = 0; n < messages; n += BatchSize) {
                // Note On, every channel and key in turn.
                for (int i = n; i < n + BatchSize; ++i)
                    midi.sendShortMessage(out,
                                          0x90 | (i & 0x0F) | (i >> 4 & 0x7F) << 8 | 0x40 << 16);
                midi.waitIdle();
                sent_ += BatchSize;
                std::this_thread::sleep_until(next += BatchEvery);
            }
            midi.closeOutput(out);
        }
        done_ = true;
    }

    std::atomic<int> sent_{0};
    std::atomic<bool> done_{false};
    std::thread thread_;
};

// Posts a left click (press and release) at the button's centre.
inline void PostClick(QAbstractButton *button)
{
    const QPointF centre = QRectF(button->rect()).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
        QCoreApplication::postEvent(
            button,
            new QMouseEvent(type, centre, button->mapToGlobal(centre), Qt::LeftButton,
                            type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, {}));
}
