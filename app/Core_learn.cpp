// What the window does with its MIDI input: every message read from the port goes to the
// monitor's record and to controller learning; every message the editor sends goes to the
// record too, and once it has reached the device, to what the box there is believed to have.
#include "app/Core_main.h"

#include "app/BoxMemory.h"
#include "app/ExceptionReport.h"
#include "converter/AssignmentPage.h"
#include "converter/ControllerLearn.h"
#include "converter/ConverterLink.h"
#include "converter/InputReader.h"
#include "converter/LearnControls.h"
#include "converter/MonitorLog.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"

void TForm1::BuildLearnAndMonitor()
{
    Monitor = std::make_unique<MonitorLog>();
    MonitorLog *log = Monitor.get();
    Link->SetSentListener(
        [log](std::span<const std::uint8_t> message) { log->Record(Direction::Out, message); });
    // What the box has counts a message once the device has it, not when the port took it: a
    // message the MIDI system fails to deliver later, or hands back unsent, leaves the box as
    // it was.
    MidiOutput1->OnDelivered = [this](std::span<const std::uint8_t> message) {
        KnownBoxes->Delivered(MidiOutput1->ProductName(),
                              QByteArrayView(message.data(), qsizetype(message.size())));
    };

    Learn = new ControllerLearn(
        [this](int output, int controller) {
            ConfigPage().AssignController(output, std::uint8_t(controller));
        },
        &ShowExceptionReport, [this] { return OpenInputName(); }, this);
    Learn->setObjectName("Learn");
    Learn->SetOutputLabels([this](int output) { return State.Label(output); });
    // Its menus and markers (LearnUi) come with the "Config" page, whose selectors they mark.

    Input = new InputReader(*MidiInput1, this);
    Input->setObjectName("Input");
    Input->AddListener(
        [log](std::span<const std::uint8_t> message) { log->Record(Direction::In, message); });
    Input->AddListener(
        [learn = Learn](std::span<const std::uint8_t> message) { learn->Receive(message); });
}

QString TForm1::OpenInputName() const
{
    return MidiInput1->PortState() == psOpen ? MidiInput1->ProductName() : QString();
}
