#include "app/CommandLine.h"

#include "app/AtomicFile.h"
#include "app/CommandLineInput.h"
#include "app/DeviceChoice.h"
#include "app/EditorMidi.h"
#include "app/LaunchChoice.h"
#include "app/TerminalProgress.h"
#include "converter/ConverterLink.h"
#include "midi/MidiError.h"
#include "midi/MidiOut.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <csignal>
#include <cstdio>
#include <new>

namespace command_line {

namespace {

struct Request
{
    enum Mode { Help, Version, ListPorts, Send, Export };
    Mode mode = Help;
    QString file; // --send's FILE or --export-syx's TVN_FILE
    QString out;  // --export-syx's OUT
    QString port;
    int preset = 1;
    bool flash = false;
    MidiSystemChoice system = MidiSystemChoice::Automatic;
};

void RequirePrinted();

// The output device named name, opened.
void OpenPort(TMidiOutput &port, MidiServices &midi, const QString &given)
{
    QStringList listed;
    for (std::uint32_t k = 0, count = midi.outputDeviceCount(); k < count; ++k) {
        MidiOutCaps caps;
        if (midi.outputDeviceCaps(int(k), caps) == MidiOk)
            listed << QString::fromStdString(caps.name);
    }
    // As listed, or with the sequencer's numbers that earlier listings showed.
    const QString name = DeviceChoice::ListedName(listed, given);
    if (!listed.contains(name))
        Fail(NoSuchPort,
             QStringLiteral("no MIDI output named \"%1\" (--list-ports lists them)").arg(name));
    port.SetProductName(name);
    if (!port.Open())
        Fail(SendFailed, QStringLiteral("the MIDI output \"%1\" could not be opened").arg(name));
}

// A message counts as sent once it has reached the device: the output hands each message back
// when it has arrived (telling of it, OnDelivered) or could not; a server that does not respond
// for a moment (a busy machine) is given time. The limit covers a port still being connected
// and a message that then takes its time to leave. A message handed back without having arrived
// fails the run with the output's reason, or as not connected when the output has recovered
// since (a connection made again a moment later).
void AwaitDelivery(TMidiOutput &port, int sent, const int &delivered)
{
    QElapsedTimer waited;
    waited.start();
    while ((port.PendingLongMessages() > 0 || port.Health() == MidiErrSystemNotResponding) &&
           waited.elapsed() < 15000) {
        port.NotifyWindow().deliverPending();
        QThread::msleep(1);
    }
    const MidiResult health = port.PendingLongMessages() > 0 ? MidiErrNotReady : port.Health();
    if (health != MidiOk || delivered < sent) {
        const auto code = std::uint16_t(health != MidiOk ? health : MidiErrNotConnected);
        throw EmidioutputError(port.ErrorText(code), code);
    }
}

void Send(const Request &request, MidiServices &midi)
{
    const bool sysex = protocol::IsSysexFileName(request.file);
    const preset_text::Preset preset =
        sysex ? preset_text::Preset{} : ReadPreset(request.file, request.preset);
    const std::vector<QByteArray> messages =
        sysex ? SysexMessages(request.file, request.flash) : PresetMessages(preset, request.flash);
    TMidiOutput port(midi);
    try {
        OpenPort(port, midi, request.port);
        ConverterLink link(port);
        // Before the progress line: "sent" means arrived.
        int sent = 0, delivered = 0;
        port.OnDelivered = [&delivered](std::span<const std::uint8_t>) { ++delivered; };
        link.SetSentListener(
            [&](std::span<const std::uint8_t>) { AwaitDelivery(port, ++sent, delivered); });
        TerminalProgress progress(stdout, TerminalProgress::IsTerminal(stdout), request.port,
                                  Meanings(messages, preset.names));
        link.SendMessages(messages, progress);
        port.Close();
    } catch (const Exception &error) {
        Fail(SendFailed,
             QStringLiteral("sending to \"%1\" failed: %2").arg(request.port, error.Message()));
    }
}

void Export(const Request &request)
{
    // A .syx file's bytes read as a preset would put its F0 and F7 among the controllers.
    if (protocol::IsSysexFileName(request.file))
        Fail(BadFile, request.file + ": a .syx file holds messages, not a preset: --export-syx "
                                     "takes a parameter or bank file (.TVN)");
    const preset_text::Preset preset = ReadPreset(request.file, request.preset);
    const QByteArray sysex = protocol::PresetSysex(
        protocol::PresetChannel(preset.bytes[protocol::PresetChannelByte]),
        protocol::Controllers(preset.bytes.data(), protocol::OutputCount), request.flash);
    if (!WriteAtomically(request.out, sysex))
        Fail(BadFile, request.out + ": could not be written");
    // What the labelled outputs take, one line each.
    for (const QString &meaning : Meanings(PresetMessages(preset, request.flash), preset.names))
        if (!meaning.isEmpty())
            std::printf("%s\n", qPrintable(meaning));
    RequirePrinted();
}

void ListPorts(MidiServices &midi)
{
    for (std::uint32_t k = 0; k < midi.outputDeviceCount(); ++k) {
        MidiOutCaps caps;
        if (midi.outputDeviceCaps(int(k), caps) == MidiOk)
            std::printf("output: %s\n", caps.name.c_str());
    }
    for (std::uint32_t k = 0; k < midi.inputDeviceCount(); ++k) {
        MidiInCaps caps;
        if (midi.inputDeviceCaps(int(k), caps) == MidiOk)
            std::printf("input: %s\n", caps.name.c_str());
    }
}

class Options
{
public:
    Options();
    Request Parse(const QStringList &arguments);
    QString HelpText() const { return Parser.helpText(); }

private:
    void Check(bool holds, const QString &complaint) const
    {
        if (!holds)
            Fail(Usage, complaint);
    }
    int PresetNumber() const;

    QCommandLineParser Parser;
    QCommandLineOption HelpOption, VersionOption;
    QCommandLineOption ListPortsOption{
        "list-ports", "Print the MIDI outputs, then the inputs, one per line (\"output: NAME\", "
                      "\"input: NAME\"), named as the editor's device selectors show them."};
    QCommandLineOption SendOption{
        "send",
        "Send FILE to the output --port names, paced as the editor's transfers: a parameter or "
        "bank file (.TVN) or a preset with names (.tvp) as its preset on the channel it holds, "
        "a .syx file as its messages stand.",
        "FILE"};
    QCommandLineOption PortOption{"port", "The MIDI output to send to, by name.", "NAME"};
    QCommandLineOption FlashOption{"flash",
                                   "Add the write-to-flash command after the preset's messages."};
    QCommandLineOption ExportOption{
        "export-syx",
        "Write the .syx file of a preset of TVN_FILE (a .TVN or .tvp file) to OUT, on its "
        "channel.",
        "TVN_FILE"};
    QCommandLineOption PresetOption{"preset", "The preset of a bank file, 1 to 4 (default 1).", "N",
                                    "1"};
    QCommandLineOption SystemOption{
        "system",
        "The MIDI system whose devices are listed and sent to, where more than one runs: alsa, "
        "jack or auto (default: the ALSA sequencer when it opens, else JACK).",
        "SYSTEM", "auto"};
};

Options::Options() : HelpOption(Parser.addHelpOption()), VersionOption(Parser.addVersionOption())
{
    Parser.setApplicationDescription(
        "Editor for the Torvane MIDI-to-CV converter. Without options it opens its window; the "
        "options below work without a window or a display.\n\nExit codes: 0 done, 1 no "
        "display to open the window on, 2 usage error, 3 no such port, 4 a file cannot be read "
        "or written or is invalid, 5 the output could not be opened or a message did not reach "
        "the device.");
#if defined(Q_OS_WIN)
    // Windows has one MIDI system: the option is taken as elsewhere but not offered.
    SystemOption.setFlags(QCommandLineOption::HiddenFromHelp);
#endif
    for (const QCommandLineOption &option : {ListPortsOption, SendOption, PortOption, FlashOption,
                                             ExportOption, PresetOption, SystemOption})
        Parser.addOption(option);
    Parser.addPositionalArgument("OUT", "With --export-syx: the .syx file to write.", "[OUT]");
}

int Options::PresetNumber() const
{
    bool number = false;
    const int preset = Parser.value(PresetOption).toInt(&number);
    Check(number && preset >= 1 && preset <= 4, "--preset takes 1, 2, 3 or 4");
    return preset;
}

Request Options::Parse(const QStringList &arguments)
{
    const bool parsed = Parser.parse(arguments);
    Check(parsed, Parser.errorText());
    Request request;
    if (Parser.isSet("help-all"))
        Parser.process(arguments); // prints the help with the toolkit's own options, and exits
    if (Parser.isSet(HelpOption))
        return request;
    if (Parser.isSet(VersionOption)) {
        request.mode = Request::Version;
        return request;
    }
    const bool list = Parser.isSet(ListPortsOption), send = Parser.isSet(SendOption),
               exportSyx = Parser.isSet(ExportOption);
    Check(list || send || exportSyx, "say what to do: --list-ports, --send or --export-syx");
    Check(int(list) + int(send) + int(exportSyx) == 1,
          "--list-ports, --send and --export-syx go one at a time");
    const QStringList positional = Parser.positionalArguments();
    Check(positional.size() == (exportSyx ? 1 : 0),
          exportSyx
              ? QStringLiteral("--export-syx needs the file to write: --export-syx TVN_FILE OUT")
              : QStringLiteral("unexpected argument \"%1\"").arg(positional.value(0)));
    Check(send == Parser.isSet(PortOption),
          send ? "--send needs --port NAME" : "--port goes with --send");
    Check(!list || (!Parser.isSet(FlashOption) && !Parser.isSet(PresetOption)),
          "--list-ports takes no other option but --system");
    request.mode = list ? Request::ListPorts : send ? Request::Send : Request::Export;
    request.file = Parser.value(send ? SendOption : ExportOption);
    request.out = positional.value(0);
    request.port = Parser.value(PortOption);
    request.flash = Parser.isSet(FlashOption);
    request.preset = PresetNumber();
    const std::optional<MidiSystemChoice> system =
        MidiSystemChoiceNamed(Parser.value(SystemOption));
    Check(system.has_value(), "--system takes alsa, jack or auto");
    Check(!exportSyx || !Parser.isSet(SystemOption), "--system goes with --list-ports or --send");
    request.system = *system;
    Check(!send || !protocol::IsSysexFileName(request.file) || !Parser.isSet(PresetOption),
          "--preset goes with a parameter or bank file, not with a .syx file");
    return request;
}

// What --help, --version and --list-ports print is what they are run for: a standard output
// that does not take it all (a full disk, a closed pipe) is a failure, not a quiet success.
void RequirePrinted()
{
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        Fail(BadFile, QStringLiteral("the standard output could not be written"));
}

int Execute(const Request &request, const QString &helpText)
{
    switch (request.mode) {
    case Request::Help:
        std::fputs(qPrintable(helpText), stdout);
        RequirePrinted();
        break;
    case Request::Version:
        std::printf("torvane %s\n", TORVANE_VERSION);
        RequirePrinted();
        break;
    case Request::ListPorts: {
        // A command needs the lists at once, where the window shows them as they come.
        const auto midi = MakeEditorMidi(SystemMidiStart::Settled, request.system);
        ListPorts(*midi);
        RequirePrinted();
        break;
    }
    case Request::Send: {
        // Declared before the port that Send makes, so that it outlives it.
        const auto midi = MakeEditorMidi(SystemMidiStart::Settled, request.system);
        Send(request, *midi);
        break;
    }
    case Request::Export:
        Export(request);
        break;
    }
    return Done;
}

void IgnoreClosedOutput()
{
    // A reader that goes away (a pipe into head, a closed terminal) must not end a transfer
    // half-way and leave the box half configured: writes to it fail quietly instead.
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

} // namespace

std::optional<int> Run(int argc, char **argv)
{
    const launch::Choice choice = launch::Choose(argc, argv);
    if (choice.kind == launch::Choice::Window)
        return std::nullopt;
    if (choice.kind == launch::Choice::NoDisplay) {
        std::fputs("torvane: there is no display to open the window on (neither DISPLAY nor "
                   "WAYLAND_DISPLAY is set); the options 'torvane --help' lists need none\n",
                   stderr);
        return NoDisplay;
    }
    IgnoreClosedOutput();
    // The ports' notifications need an event dispatcher, not a display.
    QCoreApplication app(argc, argv);
    app.setApplicationName("torvane");
    app.setApplicationVersion(TORVANE_VERSION);
    Options options;
    try {
        return Execute(options.Parse(choice.arguments), options.HelpText());
    } catch (const Failure &failure) {
        std::fprintf(stderr, "torvane: %s\n", qPrintable(failure.text));
        if (failure.code == Usage)
            std::fputs("Try 'torvane --help'.\n", stderr);
        return failure.code;
    } catch (const std::bad_alloc &) {
        std::fputs("torvane: there is not enough memory for the file\n", stderr);
        return BadFile;
    }
}

} // namespace command_line
