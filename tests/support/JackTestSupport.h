#pragma once
// Support for the tests that run against a real JACK server (test_jack_*.cpp): the skip/fail
// rule, helper processes (jack_midi_dump, jack_midiseq), devices that show up late, and
// in-process JACK clients of the test's own that send or capture MIDI. Servers of a test's own
// are JackServer objects.
//
// The test script starts a private server and sets TORVANE_TEST_JACK=1 and JACK_DEFAULT_SERVER.
// Without TORVANE_TEST_JACK the tests skip, so a developer's plain ctest passes; with it, a
// server that does not answer is a failure.
#include "midi/backend/MidiServices.h"
#include "midi/backend/simulated/CombinedServices.h"
#include "midi/backend/system/SystemMidiServices.h"
#include "support/JackServer.h"
#include "support/MidiDevices.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTest>

#include <jack/jack.h>
#include <jack/midiport.h>
#include <jack/ringbuffer.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace jacktest {

inline bool required()
{
    return qEnvironmentVariableIsSet("TORVANE_TEST_JACK");
}

inline bool serverAnswers()
{
    return JackServerAnswers();
}

#define REQUIRE_JACK_SERVER()                                                                      \
    do {                                                                                           \
        if (!jacktest::required())                                                                 \
            GTEST_SKIP() << "TORVANE_TEST_JACK is not set: no JACK server to test against "        \
                            "(scripts/test.sh starts one)";                                        \
        /* Through PipeWire's JACK, a test brings its own server (JackServer). */                  \
        ASSERT_TRUE(TestingPipeWire() || jacktest::serverAnswers())                                \
            << "TORVANE_TEST_JACK is set but the JACK server "                                     \
            << qgetenv("JACK_DEFAULT_SERVER").constData() << " does not answer";                   \
    } while (0)

// The fixture of a JACK test: skipped or failed as above before anything else.
class JackTest : public ::testing::Test
{
protected:
    void SetUp() override { REQUIRE_JACK_SERVER(); }
};

// A helper program on the JACK server; killed and reaped when the object goes.
class Helper
{
public:
    explicit Helper(const QString &program, const QStringList &args,
                    const QString &server = qEnvironmentVariable("JACK_DEFAULT_SERVER"))
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("JACK_DEFAULT_SERVER", server);
        // Under PipeWire, a session of this process opening its listener sets node properties
        // there for a moment; the helper is a client of its own.
        env.remove("PIPEWIRE_PROPS");
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        // stdbuf: jack_midi_dump writes to a pipe, which stdio would otherwise buffer fully.
        process_.start("stdbuf", QStringList{"-oL", program} + args);
        process_.waitForStarted(5000);
    }
    ~Helper()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    bool running() const { return process_.state() == QProcess::Running; }
    qint64 pid() const { return process_.processId(); }

    QString errors() { return QString::fromUtf8(process_.readAllStandardError()); }
    // Lines written so far (complete ones only).
    QStringList lines()
    {
        process_.waitForReadyRead(1);
        output_ += process_.readAllStandardOutput();
        const qsizetype end = output_.lastIndexOf('\n');
        if (end < 0)
            return {};
        QStringList result = QString::fromUtf8(output_.left(end)).split('\n');
        return result;
    }

private:
    QProcess process_;
    QByteArray output_;
};

// The bytes of one jack_midi_dump line ("   0: b0 07 3f control change ..."), as hex text.
inline QString dumpBytes(const QString &line)
{
    const qsizetype colon = line.indexOf(':');
    if (colon < 0)
        return {};
    QStringList bytes;
    for (const QString &token : line.mid(colon + 1).split(' ', Qt::SkipEmptyParts)) {
        bool ok = false;
        if (token.size() != 2 || (token.toUInt(&ok, 16), !ok))
            break;
        bytes << token;
    }
    return bytes.join(' ');
}

// The system's JACK devices with the built-in ones after them, as the editor's program entry
// combines them, made anew (a fresh connection to the server, as at a start).
inline std::unique_ptr<CombinedServices> makeJackServices()
{
    return std::make_unique<CombinedServices>(
        std::make_unique<SystemMidiServices>(MidiSystem::Jack));
}

// Index of the device named name in the services' output (or input) list once it shows up.
inline int waitForDevice(MidiServices &services, const std::string &name, bool output)
{
    int found = -1;
    (void)WaitForServer([&] { return (found = DeviceIndex(services, name, output)) >= 0; });
    return found;
}

// What a patchbay does: connections of the port named name, counted or undone by a client of
// the test's own.
inline int patchbay(const std::string &name, bool undo)
{
    jack_client_t *client = jack_client_open("torvane-patchbay", JackNoStartServer, nullptr);
    if (!client)
        return -1;
    int count = 0;
    jack_port_t *port = jack_port_by_name(client, name.c_str());
    if (const char **others = port ? jack_port_get_all_connections(client, port) : nullptr) {
        const bool input = jack_port_flags(port) & JackPortIsInput;
        for (const char **other = others; *other; ++other, ++count)
            if (undo)
                jack_disconnect(client, input ? *other : name.c_str(),
                                input ? name.c_str() : *other);
        jack_free(others);
    }
    jack_client_close(client);
    return count;
}

// The id of the PipeWire client that owns the node named nodeName, as pw-dump shows the graph
// now; empty when it is not there.
inline QString pipeWireClientOf(const QString &nodeName)
{
    QProcess dump;
    dump.start("pw-dump", {});
    if (!dump.waitForFinished(20000))
        return {};
    const QJsonArray objects = QJsonDocument::fromJson(dump.readAllStandardOutput()).array();
    for (const QJsonValue &object : objects) {
        const QJsonObject props = object["info"]["props"].toObject();
        if (object["type"].toString().endsWith("Node") && props["node.name"] == nodeName)
            return props["client.id"].toVariant().toString();
    }
    return {};
}

// PipeWire drops the client that owns the node named nodeName while it runs on (through pw-cli,
// as another program may; the client's libjack hears of its end as of the server's). False when
// no such node shows up.
inline bool dropPipeWireClient(const QString &nodeName)
{
    // pw-dump leaves out what changes while it reads the graph (seen under load): read again.
    QString client;
    if (!WaitForServer([&] { return !(client = pipeWireClientOf(nodeName)).isEmpty(); }))
        return false;
    QProcess cli;
    cli.start("pw-cli", {"destroy", client});
    return cli.waitForFinished(20000) && cli.exitCode() == 0;
}

// A JACK client of the test's own with one MIDI port: it sends what send() queued (output) or
// records every event it receives (input). Lets a test feed SysEx and floods, and capture more
// per cycle than jack_midi_dump's small buffer takes.
class TestClient
{
public:
    TestClient(const QString &name, bool output) : output_(output)
    {
        client_ = jack_client_open(name.toUtf8().constData(), JackNoStartServer, nullptr);
        if (!client_)
            return;
        port_ = jack_port_register(client_, output ? "out" : "in", JACK_DEFAULT_MIDI_TYPE,
                                   output ? JackPortIsOutput : JackPortIsInput, 0);
        ring_ = jack_ringbuffer_create(1 << 20);
        jack_set_process_callback(client_, &TestClient::process, this);
        jack_activate(client_);
    }
    ~TestClient()
    {
        if (client_)
            jack_client_close(client_);
        if (ring_)
            jack_ringbuffer_free(ring_);
    }
    bool ok() const { return client_ && port_; }
    // Connects our port with another client's port.
    bool connect(const std::string &other)
    {
        const char *mine = jack_port_name(port_);
        return (output_ ? jack_connect(client_, mine, other.c_str())
                        : jack_connect(client_, other.c_str(), mine)) == 0;
    }
    std::string portName() const { return port_ ? jack_port_name(port_) : ""; }
    // Whether any port is connected to ours.
    bool connected() const { return port_ && jack_port_connected(port_) > 0; }

    // Output: sends the message in the next cycle (all queued messages go in one cycle).
    void send(const std::vector<std::uint8_t> &message)
    {
        const auto size = std::uint32_t(message.size());
        jack_ringbuffer_write(ring_, reinterpret_cast<const char *>(&size), sizeof size);
        jack_ringbuffer_write(ring_, reinterpret_cast<const char *>(message.data()), size);
    }

    // Input: everything received so far, one entry per event.
    std::vector<std::vector<std::uint8_t>> received()
    {
        std::vector<std::vector<std::uint8_t>> events;
        std::uint32_t size = 0;
        while (jack_ringbuffer_read_space(ring_) >= sizeof size) {
            jack_ringbuffer_read(ring_, reinterpret_cast<char *>(&size), sizeof size);
            std::vector<std::uint8_t> event(size);
            jack_ringbuffer_read(ring_, reinterpret_cast<char *>(event.data()), size);
            events.push_back(std::move(event));
        }
        std::lock_guard lock(mutex_);
        all_.insert(all_.end(), events.begin(), events.end());
        return all_;
    }
    std::size_t mostInOneCycle() const { return mostInOneCycle_.load(); }

private:
    static int process(jack_nframes_t frames, void *self)
    {
        auto *c = static_cast<TestClient *>(self);
        void *buffer = jack_port_get_buffer(c->port_, frames);
        if (c->output_) {
            jack_midi_clear_buffer(buffer);
            std::uint32_t size = 0;
            while (jack_ringbuffer_peek(c->ring_, reinterpret_cast<char *>(&size), sizeof size) ==
                       sizeof size &&
                   jack_ringbuffer_read_space(c->ring_) >= sizeof size + size) {
                jack_midi_data_t *data = jack_midi_event_reserve(buffer, 0, size);
                if (!data)
                    break;
                jack_ringbuffer_read_advance(c->ring_, sizeof size);
                jack_ringbuffer_read(c->ring_, reinterpret_cast<char *>(data), size);
            }
            return 0;
        }
        const jack_nframes_t count = jack_midi_get_event_count(buffer);
        if (count > c->mostInOneCycle_.load())
            c->mostInOneCycle_.store(count);
        for (jack_nframes_t i = 0; i < count; ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, buffer, i) != 0)
                continue;
            const auto size = std::uint32_t(event.size);
            jack_ringbuffer_write(c->ring_, reinterpret_cast<const char *>(&size), sizeof size);
            jack_ringbuffer_write(c->ring_, reinterpret_cast<const char *>(event.buffer), size);
        }
        return 0;
    }

    bool output_;
    jack_client_t *client_ = nullptr;
    jack_port_t *port_ = nullptr;
    jack_ringbuffer_t *ring_ = nullptr;
    std::atomic<std::size_t> mostInOneCycle_{0};
    std::mutex mutex_;
    std::vector<std::vector<std::uint8_t>> all_;
};

} // namespace jacktest
