// End-to-end delay of real MIDI through a JACK server into the editor's GUI thread, in
// microseconds (median and 99th percentile over every message of the run):
//  - OutputToGuiHandler: TMidiOutput::SendShortMessage on the GUI thread, out through our
//    sender thread and JACK port, through another client, into a TMidiInput of a second
//    services instance, up to its OnMidiInput handler. Includes waiting for the next JACK
//    cycle, so it is bounded below by nothing and above by about one period.
//  - JackEventToGuiHandler: a message that another client (as jack_midiseq does) writes in its
//    process callback, from that moment (JACK clock) to OnMidiInput.
// Uses the server named by JACK_DEFAULT_SERVER when one answers; otherwise starts a private
// one with the dummy driver (48 kHz, 256-frame periods = 5.33 ms) and stops it at the end.
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "midi/backend/system/SystemMidiServices.h"
#include "support/Figures.h"
#include "tests/support/JackServer.h"
#include "tests/support/MidiDevices.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <benchmark/benchmark.h>

#include <jack/jack.h>
#include <jack/midiport.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

namespace {

// A client of the benchmark's own: copies its input to its output in the same cycle, and can
// inject one message, noting on the JACK clock when its process callback wrote it.
class Link
{
public:
    Link()
    {
        client_ = jack_client_open("torvane-bench-link", JackNoStartServer, nullptr);
        if (!client_)
            return;
        in_ = jack_port_register(client_, "in", JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
        out_ = jack_port_register(client_, "out", JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
        jack_set_process_callback(client_, &Link::process, this);
        jack_activate(client_);
    }
    ~Link()
    {
        if (client_)
            jack_client_close(client_);
    }
    bool ok() const { return in_ && out_; }
    std::string inName() const { return jack_port_name(in_); }
    // Whether the editor's port is connected to the link's in or out yet: the ports connect
    // after they open, and what the link writes before reaches no one.
    bool connected(bool in) const { return jack_port_connected(in ? in_ : out_) > 0; }
    std::string outName() const { return jack_port_name(out_); }
    jack_time_t now() const { return jack_get_time(); }

    void inject(std::uint8_t value) { inject_.store(0x100 | value); }
    jack_time_t injectedAt() const { return injectedAt_.load(); }

private:
    static int process(jack_nframes_t frames, void *self)
    {
        auto *link = static_cast<Link *>(self);
        void *in = jack_port_get_buffer(link->in_, frames);
        void *out = jack_port_get_buffer(link->out_, frames);
        jack_midi_clear_buffer(out);
        if (const int pending = link->inject_.exchange(0)) {
            const jack_midi_data_t cc[] = {0xB0, 0x07, jack_midi_data_t(pending & 0x7F)};
            jack_midi_event_write(out, 0, cc, sizeof cc);
            link->injectedAt_.store(jack_get_time());
        }
        const jack_nframes_t count = jack_midi_get_event_count(in);
        for (jack_nframes_t i = 0; i < count; ++i) {
            jack_midi_event_t event;
            if (jack_midi_event_get(&event, in, i) == 0)
                jack_midi_event_write(out, event.time, event.buffer, event.size);
        }
        return 0;
    }

    jack_client_t *client_ = nullptr;
    jack_port_t *in_ = nullptr;
    jack_port_t *out_ = nullptr;
    std::atomic<int> inject_{0};
    std::atomic<jack_time_t> injectedAt_{0};
};

// The index of the named device once it is listed, or -1.
int findDevice(MidiServices &services, const std::string &name, bool output)
{
    int found = -1;
    (void)QTest::qWaitFor([&] { return (found = DeviceIndex(services, name, output)) >= 0; });
    return found;
}

// The server named by JACK_DEFAULT_SERVER when one answers; otherwise the fallback, started.
bool ServerUp(JackServer &fallback)
{
    if (JackServerAnswers())
        return true;
    std::fprintf(stderr, "No JACK server answers; starting a private one.\n");
    return fallback.start();
}

void Report(benchmark::State &state, const std::vector<double> &samples, int lost)
{
    ReportPercentiles(state, "", samples);
    if (!samples.empty())
        state.counters["max_us"] = *std::max_element(samples.begin(), samples.end());
    state.counters["lost"] = lost;
}

// Everything a run needs: the link, and two services instances (two JACK clients, so the path
// out -> link -> in is one chain within a cycle, not a loop that JACK breaks with a delay).
struct Rig
{
    // A private dummy-driver server, only started when none answers.
    JackServer fallback{"torvane-bench"};
    bool serverUp = ServerUp(fallback);
    Link link;
    SystemMidiServices sending{MidiSystem::Jack};
    SystemMidiServices receiving{MidiSystem::Jack};
    TMidiOutput out{sending};
    TMidiInput in{receiving};
    int received = 0;
    int lost = 0;

    bool open(benchmark::State &state, bool withOutput)
    {
        if (!serverUp || !link.ok() || sending.system() != MidiSystem::Jack) {
            state.SkipWithError("no JACK server");
            return false;
        }
        const int source = findDevice(receiving, link.outName(), false);
        in.SetDeviceID(std::uint16_t(source));
        in.SetCapacity(MaxRingSlots);
        in.OnMidiInput = [this](QObject *) { ++received; };
        in.Open();
        in.Start();
        if (withOutput) {
            out.SetDeviceID(findDevice(sending, link.inName(), true));
            out.Open();
        }
        if (source < 0 || in.PortState() != psOpen || (withOutput && out.PortState() != psOpen)) {
            state.SkipWithError("could not open the ports");
            return false;
        }
        if (!QTest::qWaitFor([&] { return link.connected(false); }, 10000)) {
            state.SkipWithError("the input was not connected");
            return false;
        }
        return true;
    }
    // Whether the handler has seen count messages: a message lost on the way (a server that
    // misses its cycles on a busy machine drops what it carries) is waited for two seconds, many
    // periods, and counted as lost.
    // (Not QTest::qWaitFor: it sleeps 10 ms between looks, longer than what is measured.)
    bool waitFor(int count)
    {
        constexpr int limitMs = 2000;
        QElapsedTimer waited;
        waited.start();
        QTimer limit; // its expiry wakes the loop below
        limit.start(limitMs);
        while (received < count && waited.elapsed() < limitMs)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return received >= count;
    }
    // Each message would otherwise leave right after the cycle that delivered the previous one
    // and always wait a whole period: start at a random point of the cycle instead (not timed).
    void desynchronise()
    {
        QThread::usleep(std::uint64_t(QRandomGenerator::global()->bounded(6000)));
    }
    // One message's delay is a sample; a lost one is counted, and the handler's count taken as
    // it stands, so the next message is waited for alone.
    void note(benchmark::State &state, bool arrived, double us, std::vector<double> &samples)
    {
        if (arrived) {
            samples.push_back(us);
            state.SetIterationTime(us / 1e6);
        } else {
            ++lost;
            state.SetIterationTime(0);
        }
    }
    // Start afresh before the ring fills.
    void recycle()
    {
        if (in.EventCount() < MaxRingSlots - 10)
            return;
        in.Close();
        in.Open();
        in.Start();
        received = 0;
    }
};

void BM_OutputToGuiHandler(benchmark::State &state)
{
    Rig rig;
    if (!rig.open(state, true))
        return;
    std::vector<double> samples;
    for (auto _ : state) {
        rig.recycle();
        rig.desynchronise();
        const int before = rig.received;
        const jack_time_t start = rig.link.now();
        rig.out.SendShortMessage(0xB0, 0x07, std::uint8_t(before & 0x7F));
        const bool arrived = rig.waitFor(before + 1);
        const double us = double(rig.link.now() - start);
        rig.note(state, arrived, us, samples);
    }
    Report(state, samples, rig.lost);
}
BENCHMARK(BM_OutputToGuiHandler)->UseManualTime()->Iterations(400)->Unit(benchmark::kMicrosecond);

void BM_JackEventToGuiHandler(benchmark::State &state)
{
    Rig rig;
    if (!rig.open(state, false))
        return;
    std::vector<double> samples;
    for (auto _ : state) {
        rig.recycle();
        rig.desynchronise();
        const int before = rig.received;
        rig.link.inject(std::uint8_t(before & 0x7F));
        const bool arrived = rig.waitFor(before + 1);
        const double us = double(rig.link.now() - rig.link.injectedAt());
        rig.note(state, arrived, us, samples);
    }
    Report(state, samples, rig.lost);
}
BENCHMARK(BM_JackEventToGuiHandler)
    ->UseManualTime()
    ->Iterations(400)
    ->Unit(benchmark::kMicrosecond);

} // namespace
