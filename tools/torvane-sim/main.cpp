// torvane-sim: the simulated Torvane box (converter and Kessel patch bay) in a process of its
// own. It opens a virtual MIDI input port "Torvane Simulator" on the system's MIDI (the ALSA
// sequencer when it opens, else a running JACK server), feeds everything arriving there to the
// same model the editor has built in, and prints each change of the box's state as one line
// (see sim/StateText.h for their shape).
//
//   torvane-sim [--api alsa|jack] [--client NAME] [--flash FILE]
//
// Standard input takes one command per line: "state" prints the whole state, "power" power
// cycles the converter, "quit" ends the program. SIGUSR1 prints the whole state too; SIGINT
// and SIGTERM end the program. The whole state is printed once more at exit. The first line,
// "ready <system> <client>:Torvane Simulator", says the port is open.
//
// The flash survives a restart: it is kept in FILE, by default torvane-sim.flash in the
// per-user data folder (a box of its own, apart from the editor's built-in one).
//
// Threads: RtMidi calls onMessage on the MIDI system's thread (ALSA's input thread, JACK's
// process thread), which only copies the bytes into a lock-free ByteInbox and raises its
// wake-up. Everything else, the model included, runs on the main thread, which sleeps in poll()
// until that wake-up, standard input or a signal's wake-up is readable: with nothing arriving it
// does not run at all.
#include "midi/backend/ByteInbox.h"
#include "midi/backend/WakeUp.h"
#include "midi/backend/alsa/AlsaSequencerProbe.h"
#include "sim/FlashFile.h"
#include "sim/StateText.h"
#include "sim/TorvaneBox.h"

#include <QCoreApplication>
#include <rtmidi/RtMidi.h>

#include <jack/jack.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char *PortName = "Torvane Simulator";
// Bytes between the MIDI system's thread and ours: a large SysEx file and more.
constexpr std::size_t InboxSize = 1 << 18;

volatile std::sig_atomic_t stateWanted = 0;
volatile std::sig_atomic_t quitWanted = 0;
// Raised by the signal handlers: a signal that lands just before the main thread enters poll()
// must still wake it, which an interrupted system call alone would not do.
WakeUp *signalWake = nullptr;

void onSignal(int number)
{
    if (number == SIGUSR1)
        stateWanted = 1;
    else
        quitWanted = 1;
    // Lock-free and a write(): safe in a signal handler, on whichever thread it runs.
    signalWake->raise();
}

void installSignals(WakeUp &wake)
{
    signalWake = &wake;
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (const int number : {SIGUSR1, SIGINT, SIGTERM})
        sigaction(number, &action, nullptr);
}

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
    std::string flash;
};

std::optional<Options> parseOptions(int argc, char **argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (i + 1 >= argc)
            return std::nullopt;
        const std::string value = argv[++i];
        if (arg == "--api" && (value == "alsa" || value == "jack"))
            options.api = value;
        else if (arg == "--client" && !value.empty())
            options.client = value;
        else if (arg == "--flash" && !value.empty())
            options.flash = value;
        else
            return std::nullopt;
    }
    return options;
}

bool jackServerAnswers()
{
    // RtMidi's JACK input does not check that its client opened before registering a port.
    jack_client_t *probe = jack_client_open("torvane-sim-probe", JackNoStartServer, nullptr);
    if (!probe)
        return false;
    jack_client_close(probe);
    return true;
}

void printLines(const std::vector<std::string> &lines)
{
    for (const std::string &line : lines)
        std::printf("%s\n", line.c_str());
}

void onRtMidiError(RtMidiError::Type, const std::string &text, void *)
{
    std::fprintf(stderr, "torvane-sim: %s\n", text.c_str());
}

// Reads standard input when poll() says there is something (so read() never blocks, and the
// terminal's own flags are left alone) and picks the commands out of complete lines.
class Commands
{
public:
    enum class Command { None, State, Power, Quit };

    bool open() const { return open_; }

    std::vector<Command> read()
    {
        std::vector<Command> commands;
        char chunk[256];
        const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got == 0) // end of input: keep running, stop listening
            open_ = false;
        if (got <= 0)
            return commands;
        pending_.append(chunk, std::size_t(got));
        for (std::size_t end; (end = pending_.find('\n')) != std::string::npos;) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
                line.pop_back();
            if (line == "state")
                commands.push_back(Command::State);
            else if (line == "power")
                commands.push_back(Command::Power);
            else if (line == "quit")
                commands.push_back(Command::Quit);
            else if (!line.empty())
                std::fprintf(stderr, "torvane-sim: unknown command \"%s\" (state, power, quit)\n",
                             line.c_str());
        }
        return commands;
    }

private:
    bool open_ = true;
    std::string pending_;
};

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
        input->setErrorCallback(&onRtMidiError);
        input->setCallback(&onMessage, &inbox);
        // Everything, System Exclusive and real-time bytes included: the model sorts it out.
        input->ignoreTypes(false, false, false);
        input->openVirtualPort(PortName);
        return input;
    } catch (const RtMidiError &error) {
        std::fprintf(stderr, "torvane-sim: %s\n", error.getMessage().c_str());
        return nullptr;
    }
}

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

void obey(Commands &commands, Box &box)
{
    for (const Commands::Command command : commands.read()) {
        if (command == Commands::Command::State)
            box.printState();
        else if (command == Commands::Command::Power)
            box.powerCycle();
        else if (command == Commands::Command::Quit)
            quitWanted = 1;
    }
}

} // namespace

int main(int argc, char **argv)
{
    const std::optional<Options> options = parseOptions(argc, argv);
    if (!options) {
        std::fprintf(stderr,
                     "usage: torvane-sim [--api alsa|jack] [--client NAME] [--flash FILE]\n");
        return 2;
    }
    // The per-user data folder of this program, without a Qt event loop.
    QCoreApplication::setOrganizationName("Quillmont");
    QCoreApplication::setApplicationName("torvane-sim");
    const std::string flashPath =
        !options->flash.empty()
            ? options->flash
            : sim::FlashFile::defaultPath(QStringLiteral("torvane-sim.flash")).toStdString();

    WakeUp signalled;
    installSignals(signalled);
    // Declared before the port, so it outlives the thread that fills it.
    ByteInbox inbox(InboxSize);
    std::string systemName;
    const std::unique_ptr<RtMidiIn> input = openPort(*options, inbox, systemName);
    if (!input)
        return 1;
    Box box(flashPath);
    std::printf("ready %s %s:%s\n", systemName.c_str(), options->client.c_str(), PortName);
    std::fflush(stdout);

    Commands commands;
    std::uint64_t reportedLost = 0;
    // Without a wake-up handle (none could be made) the loop has to look by itself.
    const int timeout = inbox.wakeHandle() < 0 || signalled.handle() < 0 ? 2 : -1;
    while (!quitWanted) {
        std::array<pollfd, 3> watch{{{inbox.wakeHandle(), POLLIN, 0},
                                     {signalled.handle(), POLLIN, 0},
                                     {STDIN_FILENO, POLLIN, 0}}};
        if (::poll(watch.data(), commands.open() ? 3 : 2, timeout) < 0 && errno != EINTR) {
            std::perror("torvane-sim: poll");
            break;
        }
        signalled.acknowledge(); // before the flags are read: a later signal wakes again
        deliver(inbox, box, reportedLost);
        if (commands.open() && (watch[2].revents & (POLLIN | POLLHUP)))
            obey(commands, box);
        if (stateWanted) {
            stateWanted = 0;
            box.printState();
        }
        std::fflush(stdout);
    }
    box.printState();
    std::fflush(stdout);
    return 0;
}
