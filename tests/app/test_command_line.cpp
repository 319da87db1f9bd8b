// The built program run as a process, the way a shell runs it, with no display at all: each
// exit code with what it says, the help and version, the device list, the .syx a preset is
// exported as; and without any of its options, the editor's window as always.
#include "converter/PresetText.h"
#include "support/TempFolder.h"

#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

struct Outcome
{
    int exitCode;
    QString out;
    QString err;
};

// Runs the program with no display (a command-line run that needed one would fail to start) and
// away from the JACK server of the real-MIDI tests, which may be running meanwhile: the program
// meets only the built-in devices, and sends nothing to the other tests' clients.
Outcome Torvane(const QStringList &arguments, const QString &program = TORVANE_EXECUTABLE,
                const QStringList &extraEnvironment = {}, const QString &standardOutput = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    environment.insert("JACK_DEFAULT_SERVER", "torvane-tests-no-such-server");
    for (const QString &entry : extraEnvironment)
        environment.insert(entry.section('=', 0, 0), entry.section('=', 1));
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!standardOutput.isEmpty())
        process.setStandardOutputFile(standardOutput);
    process.start(program, arguments);
    if (!process.waitForFinished(30000))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

class CommandLineTest : public ::testing::Test
{
protected:
    CommandLineTest()
    {
        QByteArray bank(136, '\0');
        for (int i = 0; i < bank.size(); ++i)
            bank[i] = char(i * 7);
        bank[68 + 32] = 0x13; // preset 3 on a channel byte above 15: channel 16
        EXPECT_TRUE(Files.Write("one.syx", QByteArray::fromHex("F0707E00300007F7")) &&
                    Files.Write("cut.syx", QByteArray::fromHex("F0707E")) &&
                    Files.Write("foreign.syx", QByteArray::fromHex("F0F7")) &&
                    Files.Write("bank.TVN", bank) && Files.Write("param.TVN", bank.left(34)) &&
                    Files.MakeFifo("fifo.syx") && Files.Sized("big.syx", 1024 * 1024 + 1) &&
                    Files.Sized("huge.TVN", qint64(64) << 30));
        preset_text::Preset named;
        std::copy_n(bank.constData(), named.bytes.size(), named.bytes.begin());
        named.names.labels[16] = "VCF 2 cutoff";
        const QByteArray text = preset_text::Write(named);
        EXPECT_TRUE(
            Files.Write("named.tvp", text) &&
            Files.Write("later.tvp", QByteArray(text).replace("\"version\": 1", "\"version\": 2")));
    }
    QString Path(const QString &name) const { return Files.Path(name); }

    TempFolder Files;
};

} // namespace

TEST_F(CommandLineTest, EachOutcomeHasItsExitCodeAndSaysWhatHappened)
{
    // Arguments separated by '|'; {dir} is the test's folder. The text is what goes to stdout
    // on success, to stderr after "torvane: " otherwise (with the pointer to --help on a usage
    // error).
    struct Case
    {
        const char *name, *arguments;
        int exitCode;
        const char *text;
    };
    const Case cases[] = {
        {"version", "--version", 0, "torvane 1.0"},
        {"sent", "--send|{dir}/one.syx|--port|Torvane Simulator", 0, "sent 1/1"},
        {"nothing to do", "--port|Torvane Simulator", 2,
         "say what to do: --list-ports, --send or --export-syx"},
        {"two things to do", "--list-ports|--send|{dir}/one.syx", 2,
         "--list-ports, --send and --export-syx go one at a time"},
        {"no port", "--send|{dir}/one.syx", 2, "--send needs --port NAME"},
        {"a port without a send", "--export-syx|{dir}/param.TVN|{dir}/out.syx|--port|P", 2,
         "--port goes with --send"},
        {"no file to write", "--export-syx|{dir}/param.TVN", 2,
         "--export-syx needs the file to write: --export-syx TVN_FILE OUT"},
        {"a stray argument", "--list-ports|extra", 2, "unexpected argument \"extra\""},
        {"preset out of range", "--export-syx|{dir}/bank.TVN|{dir}/out.syx|--preset|5", 2,
         "--preset takes 1, 2, 3 or 4"},
        {"preset of a .syx", "--send|{dir}/one.syx|--port|P|--preset|2", 2,
         "--preset goes with a parameter or bank file, not with a .syx file"},
        {"unknown option", "--send|{dir}/one.syx|--bogus", 2, "Unknown option 'bogus'."},
        {"no such port", "--send|{dir}/one.syx|--port|No Such Port", 3,
         "no MIDI output named \"No Such Port\" (--list-ports lists them)"},
        {"missing file", "--send|{dir}/missing.syx|--port|Torvane Simulator", 4,
         "{dir}/missing.syx: No such file or directory"},
        {"bad .syx", "--send|{dir}/cut.syx|--port|Torvane Simulator", 4,
         "{dir}/cut.syx: The SysEx message at offset 0 is cut short: the file ends before its "
         "closing F7."},
        {"flash without a channel", "--send|{dir}/foreign.syx|--port|Torvane Simulator|--flash", 4,
         "{dir}/foreign.syx: no Torvane message tells the channel to write to flash on"},
        {"no such preset", "--export-syx|{dir}/param.TVN|{dir}/out.syx|--preset|2", 4,
         "{dir}/param.TVN: holds no preset 2 (34 bytes; a parameter file has 34, a bank file 136)"},
        {"cannot write", "--export-syx|{dir}/param.TVN|{dir}/no/folder/out.syx", 4,
         "{dir}/no/folder/out.syx: could not be written"},
        {"a huge file read to its bank", "--export-syx|{dir}/huge.TVN|{dir}/no/folder/out.syx", 4,
         "{dir}/no/folder/out.syx: could not be written"},
        {"a FIFO", "--send|{dir}/fifo.syx|--port|Torvane Simulator", 4,
         "{dir}/fifo.syx: The file is not a regular file (a FIFO, a device or a folder), and is "
         "not read."},
        {"a device", "--send|/dev/zero|--port|Torvane Simulator", 4,
         "/dev/zero: The file is not a regular file (a FIFO, a device or a folder), and is not "
         "read."},
        {"a .syx over the limit", "--send|{dir}/big.syx|--port|Torvane Simulator", 4,
         "{dir}/big.syx: The file is larger than 1 MiB, the most a SysEx file is read up to (a "
         "converter transfer takes 264 bytes)."},
        {"export of a .syx", "--export-syx|{dir}/one.syx|{dir}/out.syx", 4,
         "{dir}/one.syx: a .syx file holds messages, not a preset: --export-syx takes a parameter "
         "or bank file (.TVN)"},
        {"a preset with labels exported", "--export-syx|{dir}/named.tvp|{dir}/named.syx", 0,
         "Output 17 'VCF 2 cutoff' \u2190 Controler n\u00B0 112"},
        {"a preset file of a later version", "--send|{dir}/later.tvp|--port|Torvane Simulator", 4,
         "{dir}/later.tvp: The preset file cannot be used: it was written in format version 2 by "
         "a later version of the editor; this one reads version 1. Nothing was loaded."},
        {"an unknown option alone", "--bogus", 2, "Unknown option 'bogus'."},
        {"an unknown option in a window run", "-platform|offscreen|--bogus", 2,
         "Unknown option 'bogus'."},
        {"the window without a display", "", 1,
         "there is no display to open the window on (neither DISPLAY nor WAYLAND_DISPLAY is "
         "set); the options 'torvane --help' lists need none"},
    };
    const QString dir = QFileInfo(Path("x")).path();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome =
            Torvane(QString(c.arguments).replace("{dir}", dir).split('|', Qt::SkipEmptyParts));
        const QString text = QString(c.text).replace("{dir}", dir) + "\n";
        EXPECT_EQ(outcome.exitCode, c.exitCode);
        EXPECT_EQ(outcome.out, c.exitCode == 0 ? text : "");
        EXPECT_EQ(outcome.err,
                  c.exitCode == 0
                      ? ""
                      : "torvane: " + text + (c.exitCode == 2 ? "Try 'torvane --help'.\n" : ""));
    }
    EXPECT_FALSE(QFile::exists(Path("out.syx"))) << "a refused export writes nothing";
}

TEST_F(CommandLineTest, HelpAndPortListing)
{
    const Outcome help = Torvane({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char *text :
         {"--list-ports", "--send <FILE>", "--port <NAME>", "--flash", "--export-syx <TVN_FILE>",
          "--preset <N>", "--system <SYSTEM>", "--version",
          "Exit codes: 0 done, 1 no display to open the window on, 2 usage error"})
        EXPECT_TRUE(help.out.contains(text)) << text;

    // The editor's own devices come after whatever the system offers.
    const Outcome ports = Torvane({"--list-ports"});
    EXPECT_EQ(ports.exitCode, 0);
    EXPECT_TRUE(ports.out.contains("output: Torvane Simulator\noutput: Virtual Loopback\ninput:"));
    EXPECT_TRUE(ports.out.endsWith("input: Virtual Loopback\n")) << ports.out.toStdString();
    EXPECT_EQ(ports.err, "");

    // Printed into a full disk: what was asked for did not come out.
    for (const char *option : {"--list-ports", "--help", "--version"}) {
        const Outcome full = Torvane({option}, TORVANE_EXECUTABLE, {}, "/dev/full");
        EXPECT_EQ(full.exitCode, 4) << option;
        EXPECT_EQ(full.err, "torvane: the standard output could not be written\n") << option;
    }
}

TEST_F(CommandLineTest, ExportWritesThePresetsTransferOnItsChannel)
{
    // Preset 3 of the bank: bytes 68..99, channel byte 0x13, which means channel 16.
    QByteArray expected;
    for (int i = 0; i < 32; ++i) {
        const auto byte = quint8((68 + i) * 7);
        expected +=
            QByteArray::fromHex(QByteArray("F0707E0F") + QByteArray::number(0x30 + i, 16) +
                                QByteArray::number(byte >> 4, 16).rightJustified(2, '0') +
                                QByteArray::number(byte & 15, 16).rightJustified(2, '0') + "F7");
    }
    const struct
    {
        QStringList options;
        QByteArray bytes;
    } cases[] = {
        {{"--preset", "3"}, expected},
        {{"--preset", "3", "--flash"}, expected + QByteArray::fromHex("F0707E0F70070BF7")},
    };
    for (const auto &c : cases) {
        const Outcome outcome =
            Torvane(QStringList{"--export-syx", Path("bank.TVN"), Path("out.syx")} + c.options);
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
        EXPECT_EQ(Files.Read("out.syx").toHex(' '), c.bytes.toHex(' '));
    }
}

TEST_F(CommandLineTest, WithoutItsOptionsTheEditorOpensItsWindow)
{
    // A copy of the program in a folder of its own, where its autosave file goes; Qt's own
    // options and a stray argument are no command-line run. The start-up probe closes the
    // window once it has painted.
    const QString program = Path("torvane");
    ASSERT_TRUE(QFile::copy(TORVANE_EXECUTABLE, program));
    const Outcome outcome = Torvane({"-platform", "offscreen", "notes.txt"}, program,
                                    {"TORVANE_STARTUP_PROBE=0", "QT_QPA_PLATFORM=offscreen"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    EXPECT_TRUE(outcome.out.startsWith("torvane-first-paint")) << outcome.out.toStdString();
}

TEST_F(CommandLineTest, OnATerminalTheProgressIsOneLineCountingUp)
{
    // script(1) runs the program on a pseudo-terminal of its own.
    QStringList quoted;
    for (const QString &argument : {QString(TORVANE_EXECUTABLE), QString("--send"), Path("one.syx"),
                                    QString("--port"), QString("Torvane Simulator")})
        quoted << "'" + argument + "'";
    const Outcome outcome = Torvane({"-qec", quoted.join(' '), "/dev/null"}, "script");
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.out, "\rSending to Torvane Simulator: 1/1\r\n");
}
