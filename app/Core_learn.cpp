// What the window does with its MIDI input: every message read from the port goes to the
// monitor's record and to controller learning; every message the editor sends goes to the
// record too, and to what the device it reached is believed to have.
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
    // A message reaches the listener only once the port took it: a send that failed, and every
    // message after it, leaves what the box is believed to have as it was.
    Link->SetSentListener([this, log](std::span<const std::uint8_t> message) {
        log->Record(Direction::Out, message);
        KnownBoxes->Delivered(MidiOutput1->ProductName(),
                              QByteArrayView(message.data(), qsizetype(message.size())));
    });

    Learn = new ControllerLearn(
        [page = Assignments](int output, int controller) {
            page->AssignController(output, std::uint8_t(controller));
        },
        &ShowExceptionReport, [this] { return OpenInputName(); }, this);
    Learn->setObjectName("Learn");
    LearnUi = new LearnControls(*Learn, *Assignments, *Controllers, PageControl1);

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
