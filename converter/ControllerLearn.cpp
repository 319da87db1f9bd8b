#include "converter/ControllerLearn.h"

#include "converter/MessageMeaning.h"
#include "converter/PresetNames.h"
#include "converter/Protocol.h"

#include <exception>

ControllerLearn::ControllerLearn(Assign assign, ErrorReport report,
                                 std::function<QString()> inputDevice, QObject *parent)
    : QObject(parent), assign_(std::move(assign)), report_(report),
      inputDevice_(std::move(inputDevice))
{
    timer_.setSingleShot(true);
    timer_.setInterval(DefaultTimeout);
    connect(&timer_, &QTimer::timeout, this, &ControllerLearn::Cancel);
}

void ControllerLearn::Learn(int output)
{
    if (output_ == output)
        Cancel();
    else
        Start(output, false);
}

void ControllerLearn::LearnAll()
{
    if (walking_) {
        Cancel();
        return;
    }
    takenByWalk_.reset();
    Start(0, true);
}

void ControllerLearn::Start(int output, bool walking)
{
    output_ = output;
    walking_ = walking;
    // Each output gets the whole timeout, also in the middle of a walk.
    timer_.start();
    emit Changed();
}

void ControllerLearn::Cancel()
{
    if (output_ < 0)
        return;
    timer_.stop();
    output_ = -1;
    walking_ = false;
    emit Changed();
}

void ControllerLearn::Receive(std::span<const std::uint8_t> message)
{
    const int controller = protocol::ControlChangeNumber(message);
    if (output_ < 0 || controller < 0 || (walking_ && takenByWalk_.test(controller)))
        return;
    Take(controller);
}

void ControllerLearn::Take(int controller)
{
    const int output = output_;
    try {
        assign_(output, controller);
    } catch (const std::exception &error) {
        // Ended before the report: a modal report runs an event loop that delivers the next
        // Control Change of the knob still moving, which would fail again beneath it.
        if (output_ == output)
            Cancel();
        report_(error);
        return;
    }
    // The assignment is the page's code: learning may have been cancelled or restarted in it.
    if (output_ != output)
        return;
    if (!walking_ || output + 1 >= protocol::OutputCount) {
        Cancel();
        return;
    }
    takenByWalk_.set(controller);
    Start(output + 1, true);
}

QString ControllerLearn::StatusText() const
{
    if (output_ < 0)
        return {};
    const QString device = inputDevice_();
    if (device.isEmpty())
        return tr("No MIDI input is open (see the MIDI page), Esc cancels");
    const QString label = labelOf_ ? labelOf_(output_) : QString();
    if (!label.isEmpty())
        return tr("Move a controller on %1 for %2, Esc cancels")
            .arg(device, OutputWithLabel(output_, label));
    return tr("Move a controller on %1, Esc cancels").arg(device);
}
