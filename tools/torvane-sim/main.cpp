// torvane-sim: the simulated Torvane box (converter and Kessel patch bay) in a process of its
// own. It opens a virtual MIDI input port "Torvane Simulator" on the system's MIDI (the ALSA
// sequencer when it opens, else a running JACK server), feeds everything arriving there to the
// same model the editor has built in, and prints each change of the box's state as one line
// (see sim/StateText.h for their shape).
//
//   torvane-sim [--api alsa|jack] [--client NAME] [--flash FILE]
//   torvane-sim --port NAME [--flash FILE]          (Windows)
//
// Windows MIDI has no virtual ports: there the simulator listens on an existing input device,
// such as one end of a virtual cable (loopMIDI and the like), whose other end the editor sends
// to.
//
// Standard input takes one command per line: "state" prints the whole state, "power" power
// cycles the converter, "quit" ends the program. On Unix SIGUSR1 prints the whole state too;
// SIGINT and SIGTERM (Ctrl+C, and on Windows the console's closing) end the program (see
// Console.h). The whole state is printed once more at exit. The first line,
// "ready <system> <client>:Torvane Simulator" (on Windows the device's name for the client), says
// the port is open.
//
// The flash survives a restart: it is kept in FILE, by default torvane-sim.flash in the
// per-user data folder (a box of its own, apart from the editor's built-in one).
//
// Threads: RtMidi calls onMessage on the MIDI system's thread (ALSA's input thread, JACK's
// process thread, WinMM's callback), which only copies the bytes into a lock-free ByteInbox and
// raises its wake-up. Everything else, the model included, runs on the main thread, which sleeps
// in the console's wait until that wake-up, standard input or a request: with nothing arriving
// it does not run at all.
#include "midi/backend/ByteInbox.h"
#include "midi/backend/alsa/AlsaSequencerProbe.h"
#include "sim/FlashFile.h"
#include "sim/StateText.h"
#include "sim/TorvaneBox.h"
#include "tools/torvane-sim/Console.h"

#include <QCoreApplication>
#include <rtmidi/RtMidi.h>

#if !defined(_WIN32)
#include <jack/jack.h>
#endif

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char *PortName = "Torvane Simulator";
// Bytes between the MIDI system's thread and ours: a large SysEx file and more.
constexpr std::size_t InboxSize = 1 << 18;

// On the MIDI system's thread: no allocation, no lock, no wait.
void onMessage(double, std::vector<unsigned char> *message, void *inbox)
{
    if (message && !message->empty())
        static_cast<ByteInbox *>(inbox)->push(message->data(), message->size());
}

struct Options
{
    std::string api; // "", "alsa" or "jack"
    std::string client = "torvane-sim";
    std::string port; // Windows: the input device to listen on
    std::string flash;
};

#if defined(_WIN32)
constexpr const char *Usage = "usage: torvane-sim --port NAME [--flash FILE]\n";
#else
constexpr const char *Usage =
    "usage: torvane-sim [--api alsa|jack] [--client NAME] [--flash FILE]\n";
#endif

std::optional<Options> parseOptions(int argc, char **argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc)
            return std::nullopt;
        const std::string value = argv[++i];
#if defined(_WIN32)
        if (arg == "--port" && !value.empty())
            options.port = value;
#else
        if (arg == "--api" && (value == "alsa" || value == "jack"))
            options.api = value;
        else if (arg == "--client" && !value.empty())
            options.client = value;
#endif
        else if (arg == "--flash" && !value.empty())
            options.flash = value;
        else
            return std::nullopt;
    }
#if defined(_WIN32)
    if (options.port.empty())
        return std::nullopt;
#endif
    return options;
}

#if !defined(_WIN32)
bool jackServerAnswers()
{
    // RtMidi's JACK input does not check that its client opened before registering a port.
    jack_client_t *probe = jack_client_open("torvane-sim-probe", JackNoStartServer, nullptr);
    if (!probe)
        return false;
    jack_client_close(probe);
    return true;
}
#endif

void printLines(const std::vector<std::string> &lines)
{
    for (const std::string &line : lines)
        std::printf("%s\n", line.c_str());
}

void onRtMidiError(RtMidiError::Type, const std::string &text, void *)
{
    std::fprintf(stderr, "torvane-sim: %s\n", text.c_str());
}

enum class Command { None, State, Power, Quit };

Command parseCommand(std::string line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    if (line == "state")
        return Command::State;
    if (line == "power")
        return Command::Power;
    if (line == "quit")
        return Command::Quit;
    if (!line.empty())
        std::fprintf(stderr, "torvane-sim: unknown command \"%s\" (state, power, quit)\n",
                     line.c_str());
    return Command::None;
}

// The model with its flash file, printing every change.
class Box
{
public:
    explicit Box(std::string flashPath) : flashPath_(std::move(flashPath))
    {
        const auto loaded = sim::FlashFile::load(QString::fromStdString(flashPath_));
        if (!loaded.error.isEmpty())
            std::fprintf(stderr, "torvane-sim: %s; starting from factory flash\n",
                         qPrintable(loaded.error));
        box_ = std::make_unique<sim::TorvaneBox>(loaded.setup.value_or(sim::ConverterSetup{}));
        shown_ = box_->state();
        box_->setListener([this](const sim::MidiMessage &, std::optional<sim::RejectReason>) {
            printLines(sim::describeChanges(shown_, box_->state()));
            shown_ = box_->state();
        });
        keptFlashWrites_ = shown_.flashWrites;
    }

    void feed(const std::uint8_t *bytes, std::size_t size)
    {
        box_->feed({bytes, size});
        keepFlash();
    }

    void powerCycle()
    {
        std::printf("power cycle\n");
        box_->powerCycle();
        printLines(sim::describeChanges(shown_, box_->state()));
        shown_ = box_->state();
    }

    void printState() const { printLines(sim::describeState(box_->state())); }

private:
    void keepFlash()
    {
        if (box_->state().flashWrites == keptFlashWrites_)
            return;
        keptFlashWrites_ = box_->state().flashWrites;
        const QString error =
            sim::FlashFile::save(QString::fromStdString(flashPath_), box_->state().flash);
        if (!error.isEmpty())
            std::fprintf(stderr, "torvane-sim: %s\n", qPrintable(error));
    }

    std::string flashPath_;
    std::unique_ptr<sim::TorvaneBox> box_;
    sim::BoxState shown_;
    std::uint64_t keptFlashWrites_ = 0;
};

// Everything, System Exclusive and real-time bytes included: the model sorts it out.
void listen(RtMidiIn &input, ByteInbox &inbox)
{
    input.setErrorCallback(&onRtMidiError);
    input.setCallback(&onMessage, &inbox);
    input.ignoreTypes(false, false, false);
}

#if defined(_WIN32)
std::unique_ptr<RtMidiIn> openPort(const Options &options, ByteInbox &inbox,
                                   std::string &systemName)
{
    systemName = "Windows-MIDI";
    try {
        auto input = std::make_unique<RtMidiIn>(RtMidi::WINDOWS_MM, options.client);
        for (unsigned int i = 0; i < input->getPortCount(); ++i) {
            if (input->getPortName(i) == options.port) {
                listen(*input, inbox);
                input->openPort(i, PortName);
                return input;
            }
        }
        std::fprintf(stderr, "torvane-sim: there is no MIDI input \"%s\"\n", options.port.c_str());
    } catch (const RtMidiError &error) {
        std::fprintf(stderr, "torvane-sim: %s\n", error.getMessage().c_str());
    }
    return nullptr;
}
#else
std::unique_ptr<RtMidiIn> openPort(const Options &options, ByteInbox &inbox,
                                   std::string &systemName)
{
    const bool alsa = options.api == "alsa" || (options.api.empty() && alsaSequencerOpens());
    if (alsa) {
        systemName = "ALSA";
    } else {
        systemName = "JACK";
        if (!jackServerAnswers()) {
            std::fprintf(stderr, "torvane-sim: neither the ALSA sequencer nor a JACK server "
                                 "is there to open a MIDI port on\n");
            return nullptr;
        }
    }
    try {
        auto input = std::make_unique<RtMidiIn>(alsa ? RtMidi::LINUX_ALSA : RtMidi::UNIX_JACK,
                                                options.client);
        listen(*input, inbox);
        input->openVirtualPort(PortName);
        return input;
    } catch (const RtMidiError &error) {
        std::fprintf(stderr, "torvane-sim: %s\n", error.getMessage().c_str());
        return nullptr;
    }
}
#endif

// Everything that arrived, into the model; the loss of any message is said once.
void deliver(ByteInbox &inbox, Box &box, std::uint64_t &reportedLost)
{
    inbox.acknowledgeWake();
    std::array<std::uint8_t, 4096> chunk;
    while (const std::size_t size = inbox.pop(chunk.data(), chunk.size()))
        box.feed(chunk.data(), size);
    if (const std::uint64_t lost = inbox.droppedMessages(); lost != reportedLost) {
        std::fprintf(stderr, "torvane-sim: %llu MIDI messages lost, the input queue was full\n",
                     static_cast<unsigned long long>(lost - reportedLost));
        reportedLost = lost;
    }
}

void obey(const std::vector<std::string> &lines, Box &box, Console &console)
{
    for (const std::string &line : lines) {
        const Command command = parseCommand(line);
        if (command == Command::State)
            box.printState();
        else if (command == Command::Power)
            box.powerCycle();
        else if (command == Command::Quit)
            console.requestQuit();
    }
}

} // namespace

int main(int argc, char **argv)
{
    const std::optional<Options> options = parseOptions(argc, argv);
    if (!options) {
        std::fputs(Usage, stderr);
        return 2;
    }
    // The per-user data folder of this program, without a Qt event loop.
    QCoreApplication::setOrganizationName("Quillmont");
    QCoreApplication::setApplicationName("torvane-sim");
    const std::string flashPath =
        !options->flash.empty()
            ? options->flash
            : sim::FlashFile::defaultPath(QStringLiteral("torvane-sim.flash")).toStdString();

    Console console;
    // Declared before the port, so it outlives the thread that fills it.
    ByteInbox inbox(InboxSize);
    std::string systemName;
    const std::unique_ptr<RtMidiIn> input = openPort(*options, inbox, systemName);
    if (!input)
        return 1;
    Box box(flashPath);
    const std::string &where = options->port.empty() ? options->client : options->port;
    std::printf("ready %s %s:%s\n", systemName.c_str(), where.c_str(), PortName);
    std::fflush(stdout);

    std::uint64_t reportedLost = 0;
    while (!console.quitRequested()) {
        const std::vector<std::string> lines = console.wait(inbox.wakeUp());
        deliver(inbox, box, reportedLost);
        obey(lines, box, console);
        if (console.takeStateRequest())
            box.printState();
        std::fflush(stdout);
    }
    box.printState();
    std::fflush(stdout);
    return 0;
}
