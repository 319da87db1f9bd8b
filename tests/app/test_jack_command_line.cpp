// "torvane --send" over a real JACK server, seen by another client (jack_midi_dump with
// absolute timestamps): the file's messages arrive whole, in order, paced as a transfer; what
// cannot reach the device is never reported sent; and a server that dies mid-send ends the run
// with its exit code and the reason.
#include "midi/backend/system/SystemMidiServices.h"
#include "support/JackServer.h"
#include "support/JackTestSupport.h"
#include "support/TempFolder.h"

#include <QTest>

#include <atomic>
#include <optional>

namespace {

// Messages of every kind a .syx may hold: converter parameters, write to flash, another maker's
// SysEx, an empty one.
const QList<QByteArray> Messages = {
    QByteArray::fromHex("f0707e02300007f7"), QByteArray::fromHex("f043104c00007e00f7"),
    QByteArray::fromHex("f0f7"), QByteArray::fromHex("f0707e024f0f0ff7"),
    QByteArray::fromHex("f0707e0270070bf7")};

QString WriteSysex(const TempFolder &dir, const QList<QByteArray> &messages)
{
    dir.Write("x.syx", messages.join());
    return dir.Path("x.syx");
}

// A jack_midi_dump client on the current server, once its input is listed.
struct Dump
{
    explicit Dump(const QString &server = qEnvironmentVariable("JACK_DEFAULT_SERVER"))
        : Name(UniqueJackName("torvane-dump")), Process("jack_midi_dump", {"-a", Name}, server)
    {
        SystemMidiServices services(MidiSystem::Jack);
        Listed = jacktest::waitForDevice(services, Port().toStdString(), true) >= 0;
    }
    QString Port() const { return Name + ":input"; }
    // (frame, bytes) of every message printed so far.
    QList<std::pair<qint64, QString>> Received()
    {
        QList<std::pair<qint64, QString>> received;
        for (const QString &line : Process.lines())
            if (const QString bytes = jacktest::dumpBytes(line); !bytes.isEmpty())
                received.append({line.section(':', 0, 0).trimmed().toLongLong(), bytes});
        return received;
    }

    QString Name;
    jacktest::Helper Process;
    bool Listed = false;
};

} // namespace

TEST(JackCommandLine, SendDeliversTheFileMessageByMessageAtLeast100MsApart)
{
    REQUIRE_JACK_SERVER();
    Dump dump;
    ASSERT_TRUE(dump.Listed);
    // jack_midi_dump stamps an event with the frames of the cycles it has run: a cycle it
    // misses on a loaded machine (an xrun, which the server tells every client) is not counted,
    // and the gaps after it come out a period short. Those are allowed for, and only those.
    jack_client_t *probe = jack_client_open("torvane-rate-probe", JackNoStartServer, nullptr);
    ASSERT_TRUE(probe);
    static std::atomic<int> xruns;
    xruns = 0;
    jack_set_xrun_callback(
        probe, [](void *) { return ++xruns, 0; }, nullptr);
    jack_activate(probe);
    const qint64 framesIn100Ms = jack_get_sample_rate(probe) / 10;
    const qint64 period = jack_get_buffer_size(probe);
    TempFolder dir;

    QProcess torvane;
    torvane.start(TORVANE_EXECUTABLE, {"--send", WriteSysex(dir, Messages), "--port", dump.Port()});
    ASSERT_TRUE(torvane.waitForFinished(20000));
    EXPECT_EQ(torvane.exitCode(), 0) << torvane.readAllStandardError().toStdString();
    EXPECT_EQ(torvane.readAllStandardOutput(),
              "sent 1/5\nsent 2/5\nsent 3/5\nsent 4/5\nsent 5/5\n");

    (void)QTest::qWaitFor([&] { return dump.Received().size() >= Messages.size(); }, 10000);
    const auto received = dump.Received();
    QString seen;
    for (const auto &[frame, bytes] : received)
        seen += QStringLiteral("\n  %1: %2").arg(frame).arg(bytes);
    jack_client_close(probe);
    ASSERT_EQ(received.size(), Messages.size()) << "jack_midi_dump saw:" << seen.toStdString();
    for (int i = 0; i < Messages.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(received[i].second, QString::fromLatin1(Messages[i].toHex(' ')));
        if (i > 0) {
            EXPECT_GE(received[i].first - received[i - 1].first, framesIn100Ms - xruns * period)
                << xruns << " xruns";
        }
    }
}

// Nothing counts as sent to the port of a client that never activated, nor through a server
// that ignores requests to connect to other clients' ports (jackd -a e).
TEST(JackCommandLine, WhatCannotReachTheDeviceIsNeverReportedSent)
{
    REQUIRE_JACK_SERVER();
    TempFolder dir;
    ASSERT_TRUE(dir.Write("p.TVN", QByteArray(34, 5)) && dir.Write("one.syx", Messages[0]));
    for (const bool ignoring : {false, true}) {
        SCOPED_TRACE(ignoring ? "-a e, a preset" : "client not activated, one message");
        JackServer server("torvane-delivery", JackServer::Kind::Jackd,
                          ignoring ? QStringList{"-a", "e"} : QStringList{});
        ASSERT_TRUE(server.start());
        std::optional<Dump> dump;
        std::unique_ptr<jack_client_t, int (*)(jack_client_t *)> idle(nullptr, jack_client_close);
        if (ignoring)
            ASSERT_TRUE(dump.emplace(server.name()).Listed);
        else if (idle.reset(jack_client_open("torvane-idle", JackNoStartServer, nullptr)); idle)
            jack_port_register(idle.get(), "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        const QString port = dump ? dump->Port() : "torvane-idle:in";
        QProcess torvane;
        torvane.start(TORVANE_EXECUTABLE,
                      {"--send", dir.Path(ignoring ? "p.TVN" : "one.syx"), "--port", port});
        ASSERT_TRUE(torvane.waitForFinished(30000));
        EXPECT_EQ(torvane.exitCode(), 5);
        EXPECT_EQ(torvane.readAllStandardOutput(), "");
        EXPECT_EQ(torvane.readAllStandardError(),
                  "torvane: sending to \"" + port.toUtf8() +
                      "\" failed: The MIDI device is not connected\n");
        EXPECT_TRUE(!dump || dump->Received().isEmpty());
    }
}

TEST(JackCommandLine, AServerThatDiesMidSendEndsTheRunWithTheSendFailedCode)
{
    REQUIRE_JACK_SERVER();
    JackServer server;
    ASSERT_TRUE(server.start());
    Dump dump(server.name());
    ASSERT_TRUE(dump.Listed);
    TempFolder dir;
    QList<QByteArray> many;
    for (int i = 0; i < 40; ++i)
        many.append(Messages[0]);

    QProcess torvane; // JACK_DEFAULT_SERVER names the private server while it lives
    torvane.start(TORVANE_EXECUTABLE, {"--send", WriteSysex(dir, many), "--port", dump.Port()});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dump.Received().isEmpty(); }, 10000));
    server.stop();
    ASSERT_TRUE(torvane.waitForFinished(20000));

    EXPECT_EQ(torvane.exitCode(), 5);
    EXPECT_EQ(torvane.readAllStandardError().toStdString(),
              "torvane: sending to \"" + dump.Port().toStdString() +
                  "\" failed: The MIDI system is not running\n");
}

TEST(JackCommandLine, AReaderThatGoesAwayStopsNoTransfer)
{
    REQUIRE_JACK_SERVER();
    Dump dump;
    ASSERT_TRUE(dump.Listed);
    TempFolder dir;
    dir.Write("p.TVN", QByteArray(34, 5));

    // As from a terminal: the test blocks SIGPIPE, which a child would inherit.
    QProcess shell;
    shell.start("env",
                {"--default-signal=PIPE", "bash", "-c", "\"$@\" | head -1; exit ${PIPESTATUS[0]}",
                 "bash", TORVANE_EXECUTABLE, "--send", dir.Path("p.TVN"), "--port", dump.Port()});
    ASSERT_TRUE(shell.waitForFinished(60000));
    EXPECT_EQ(shell.exitCode(), 0) << shell.readAllStandardError().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return dump.Received().size() >= 32; }, 10000));
    EXPECT_EQ(dump.Received().size(), 32);
}
