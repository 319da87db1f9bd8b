#pragma once
// MIDI learn: an output of the converter takes the controller the user moves. While output n
// learns, the next Control Change that comes in on the chosen input, on any channel, puts
// output n on that controller exactly as the user's own pick would (stored in the current
// preset, sent at once with "Send Params RT"). Every other message is ignored. Learning ends
// with no change when it is cancelled (Escape, or choosing the same output again) or when no
// Control Change has come for the timeout.
//
// "Learn all outputs" walks outputs 1..32, moving on after each learned controller. A knob
// sends a stream of Control Changes, so the walk takes each controller once: a controller that
// an earlier output of the walk took is ignored, and the user moves the next knob.
//
// GUI thread only. What the user sees of it (markers, the status text, the menus) is
// LearnControls; this is the state and the timer. What an output takes is handed on as a
// controller number: the page it goes to is told, never its controls.
#include "converter/HandlerGuard.h"
#include "converter/MessageMeaning.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <bitset>
#include <chrono>
#include <cstdint>
#include <functional>
#include <span>

class ControllerLearn : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds DefaultTimeout{10'000};

    // Gives output (0..31) controller (0..127). It may raise (a failed send): that ends
    // learning, a walk too, as it would end a transfer, and is reported once.
    using Assign = std::function<void(int output, int controller)>;

    // inputDevice names the input that learning listens to, or is empty when none is open.
    ControllerLearn(Assign assign, ErrorReport report, std::function<QString()> inputDevice,
                    QObject *parent = nullptr);

    // Starts output (0..31) learning, or ends learning when that output learns already (also
    // in a walk).
    void Learn(int output);
    // Starts the walk at output 1, or ends it when it runs.
    void LearnAll();
    // Ends learning with no change.
    void Cancel();
    // A message from the chosen input.
    void Receive(std::span<const std::uint8_t> message);

    // The output learning now (0..31), or -1.
    int Output() const { return output_; }
    bool Walking() const { return walking_; }
    // What the user is asked to do while an output learns (naming the output's label, if
    // labelOf gives one); empty otherwise.
    QString StatusText() const;
    void SetOutputLabels(protocol::OutputLabels labelOf) { labelOf_ = std::move(labelOf); }

    // How long learning waits for a Control Change.
    void SetTimeout(std::chrono::milliseconds timeout) { timer_.setInterval(timeout); }

signals:
    // Learning started, moved on or ended.
    void Changed();

private:
    void Start(int output, bool walking);
    void Take(int controller);

    Assign assign_;
    ErrorReport report_;
    std::function<QString()> inputDevice_;
    protocol::OutputLabels labelOf_;
    QTimer timer_;
    int output_ = -1;
    bool walking_ = false;
    std::bitset<128> takenByWalk_;
};
