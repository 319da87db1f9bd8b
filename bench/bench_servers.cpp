// The editor against JACK servers that are frozen, alive or dead, as whole processes (see
// support/ChildProgram.h), jackd's and PipeWire's alike.
//
// - BM_FrozenServerStartUp: start-up to the first paint with a frozen server (SIGSTOP: it holds
//   every client that knocks) against start-up with no server at all, in alternating rounds;
//   the ratio is the median of each round's frozen / none.
// - BM_Close: SIGTERM (which closes the window, as the desktop's "close" does) until the process
//   has ended, with the editor's output on a JACK port of a jack_midi_dump client, the server
//   alive or stopped a moment before. PipeWire's JACK is reached as `pw-jack` reaches it: its
//   libjack first in the editor's search path, a PipeWire daemon of the benchmark's own.
// - BM_ServerIdle: wake-ups per second of the whole editor, idle on jackd or PipeWire's JACK:
//   with no port open (no device to open), then with its output open, linked to the dump's
//   port, then with the dump gone (the port open and linked to nothing, as while a chosen
//   device is unplugged). TORVANE_BENCH_EDITOR names another editor to measure (an earlier
//   build, for a before and after).
#include "support/ChildProgram.h"
#include "tests/support/JackServer.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <glob.h>
#include <memory>
#include <optional>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Where PipeWire's libjack lives; empty when pipewire-jack is not installed.
std::string PipeWireJackFolder()
{
    glob_t found{};
    std::string folder;
    if (::glob("/usr/lib/*/pipewire-0.3/jack/libjack.so.0", 0, nullptr, &found) == 0)
        folder =
            std::string(found.gl_pathv[0]).substr(0, std::string(found.gl_pathv[0]).rfind('/'));
    ::globfree(&found);
    return folder;
}

// The environment that points a JACK program at the server: jackd's by name, PipeWire's
// through its libjack (PIPEWIRE_RUNTIME_DIR is already ours while the server runs).
std::vector<std::string> ServerEnvironment(const JackServer &server, bool pipeWire)
{
    if (pipeWire)
        return {"LD_LIBRARY_PATH=" + PipeWireJackFolder()};
    return {"JACK_DEFAULT_SERVER=" + server.name().toStdString()};
}

// The dump below, and its port: the editor's output.
constexpr const char *kDumpClient = "torvane-bench-dump";
const std::string kDumpPort = std::string(kDumpClient) + ":input";

// jack_midi_dump on the server, its port listed (up to 10 s): an output device for the editor
// to open.
std::unique_ptr<QProcess> StartDump(const std::vector<std::string> &environment)
{
    auto dump = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const std::string &entry : environment) {
        const auto equals = entry.find('=');
        env.insert(QString::fromStdString(entry.substr(0, equals)),
                   QString::fromStdString(entry.substr(equals + 1)));
    }
    dump->setProcessEnvironment(env);
    dump->setStandardOutputFile(QProcess::nullDevice());
    dump->start("jack_midi_dump", {kDumpClient});
    dump->waitForStarted(5000);
    for (int tries = 0; tries < 100; ++tries) {
        QProcess list;
        list.setProcessEnvironment(env);
        list.start("jack_lsp", {});
        list.waitForFinished(5000);
        if (list.readAllStandardOutput().contains(kDumpPort.c_str()))
            break;
        std::this_thread::sleep_for(100ms);
    }
    return dump;
}

void BM_FrozenServerStartUp(benchmark::State &state)
{
    const int rounds = int(state.range(0));
    JackServer server("torvane-bench-frozen", JackServer::Kind::Jackd);
    if (!server.start()) {
        state.SkipWithError("the JACK server did not start");
        return;
    }
    server.freeze();
    const std::vector<std::string> frozen = ServerEnvironment(server, false);
    const std::vector<std::string> none = {"JACK_DEFAULT_SERVER=torvane-bench-no-such-server"};
    std::vector<double> frozenMs, noneMs, ratio;
    for (auto _ : state) {
        for (int round = 0; round < rounds; ++round) {
            double ms[2] = {};
            for (int k = 0; k < 2; ++k) {
                const bool isFrozen = (round + k) % 2 == 0;
                std::optional<bench::Child> child =
                    bench::Launch(TORVANE_EDITOR, "offscreen", 0, isFrozen ? frozen : none);
                const std::optional<double> painted =
                    child ? bench::FirstPaintNs(*child) : std::nullopt;
                if (child)
                    bench::Reap(*child);
                if (!painted) {
                    server.thaw();
                    state.SkipWithError("the editor never painted");
                    return;
                }
                ms[isFrozen ? 0 : 1] = (*painted - child->spawnedNs) / 1e6;
            }
            frozenMs.push_back(ms[0]);
            noneMs.push_back(ms[1]);
            ratio.push_back(ms[0] / ms[1]);
        }
    }
    server.thaw();
    state.counters["frozen_ms"] = bench::Median(frozenMs);
    state.counters["no_server_ms"] = bench::Median(noneMs);
    state.counters["ratio"] = bench::Median(ratio);
}
BENCHMARK(BM_FrozenServerStartUp)
    ->ArgNames({"rounds"})
    ->Arg(15)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// One close: the editor started on the server with its output on the dump's port, settled,
// the server stopped first when !alive, then SIGTERM. Nothing when the editor had to be killed.
std::optional<double> CloseOnce(bool pipeWire, bool alive)
{
    JackServer server("torvane-bench-close",
                      pipeWire ? JackServer::Kind::PipeWire : JackServer::Kind::Jackd);
    if (!server.start())
        return std::nullopt;
    const std::vector<std::string> environment = ServerEnvironment(server, pipeWire);
    bench::ChooseOutput(kDumpPort);
    std::unique_ptr<QProcess> dump = StartDump(environment);
    std::optional<bench::Child> child =
        bench::Launch(TORVANE_EDITOR, "offscreen", 600000, environment);
    if (!child || !bench::FirstPaintNs(*child)) {
        if (child)
            bench::Reap(*child, 0);
        return std::nullopt;
    }
    std::this_thread::sleep_for(1500ms); // its ports connected, the window settled
    if (!alive) {
        dump->kill();
        server.stop();
        std::this_thread::sleep_for(1500ms); // noticed, and reported
    }
    ::kill(child->pid, SIGTERM);
    return bench::Reap(*child, 10000);
}

void BM_Close(benchmark::State &state)
{
    const bool pipeWire = state.range(0) != 0;
    const bool alive = state.range(1) != 0;
    const int rounds = int(state.range(2));
    if (pipeWire && PipeWireJackFolder().empty()) {
        state.SkipWithError("PipeWire's JACK (pipewire-jack) is not installed");
        return;
    }
    std::vector<double> ms;
    for (auto _ : state)
        for (int round = 0; round < rounds; ++round) {
            const std::optional<double> closed = CloseOnce(pipeWire, alive);
            if (!closed) {
                state.SkipWithError("the editor did not start, or did not end within 10 s");
                return;
            }
            ms.push_back(*closed);
        }
    state.SetLabel(std::string(pipeWire ? "PipeWire's JACK" : "jackd") +
                   (alive ? ", alive" : ", stopped"));
    state.counters["close_median_ms"] = bench::Median(ms);
    state.counters["close_max_ms"] = *std::max_element(ms.begin(), ms.end());
}
BENCHMARK(BM_Close)
    ->ArgNames({"pipewire", "alive", "rounds"})
    ->ArgsProduct({{0, 1}, {1, 0}, {5}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// Every thread's wake-ups per second over `seconds`.
double WakeUpsPerSecond(pid_t pid, std::chrono::seconds seconds)
{
    const auto before = bench::Switches(pid);
    const double start = bench::NowNs();
    std::this_thread::sleep_for(seconds);
    const auto after = bench::Switches(pid);
    const double elapsed = (bench::NowNs() - start) / 1e9;
    double total = 0;
    for (const auto &[tid, count] : after) {
        const auto was = before.find(tid);
        total += double(count.switches - (was == before.end() ? 0 : was->second.switches));
    }
    return total / elapsed;
}

// The editor, idle from its first paint on; nothing when it never painted.
std::optional<bench::Child> LaunchIdle(const std::vector<std::string> &environment)
{
    const char *other = std::getenv("TORVANE_BENCH_EDITOR");
    std::optional<bench::Child> child =
        bench::Launch(other ? other : TORVANE_EDITOR, "offscreen", 30000, environment);
    if (child && !bench::FirstPaintNs(*child)) {
        bench::Reap(*child, 0);
        return std::nullopt;
    }
    return child;
}

void BM_ServerIdle(benchmark::State &state)
{
    const bool pipeWire = state.range(0) != 0;
    if (pipeWire && PipeWireJackFolder().empty()) {
        state.SkipWithError("PipeWire's JACK (pipewire-jack) is not installed");
        return;
    }
    JackServer server("torvane-bench-idle",
                      pipeWire ? JackServer::Kind::PipeWire : JackServer::Kind::Jackd);
    if (!server.start()) {
        state.SkipWithError("the server did not start");
        return;
    }
    const std::vector<std::string> environment = ServerEnvironment(server, pipeWire);
    double none = 0, linked = 0, unlinked = 0;
    for (auto _ : state) {
        bench::ForgetSettings(); // no device chosen, none there to choose
        std::optional<bench::Child> alone = LaunchIdle(environment);
        if (!alone) {
            state.SkipWithError("the editor never painted");
            return;
        }
        std::this_thread::sleep_for(1500ms); // connected to the server, settled
        none = WakeUpsPerSecond(alone->pid, 5s);
        ::kill(alone->pid, SIGTERM);
        bench::Reap(*alone);

        bench::ChooseOutput(kDumpPort);
        std::unique_ptr<QProcess> dump = StartDump(environment);
        std::optional<bench::Child> child = LaunchIdle(environment);
        if (!child) {
            state.SkipWithError("the editor never painted");
            return;
        }
        std::this_thread::sleep_for(1500ms); // its output open on the dump's port, settled
        linked = WakeUpsPerSecond(child->pid, 5s);
        if (linked < 1) { // no server leaves a linked client unwoken for 5 s
            ::kill(child->pid, SIGTERM);
            bench::Reap(*child);
            state.SkipWithError("the editor's output was never linked to the dump");
            return;
        }
        dump->kill();
        dump->waitForFinished(5000);
        // The link gone, the port still open; the editor keeps its port's client running for a
        // second after the link went.
        std::this_thread::sleep_for(3000ms);
        unlinked = WakeUpsPerSecond(child->pid, 5s);
        ::kill(child->pid, SIGTERM);
        bench::Reap(*child);
    }
    state.SetLabel(pipeWire ? "PipeWire's JACK" : "jackd");
    state.counters["no_port_per_s"] = none;
    state.counters["linked_per_s"] = linked;
    state.counters["port_open_unlinked_per_s"] = unlinked;
}
BENCHMARK(BM_ServerIdle)
    ->ArgNames({"pipewire"})
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace
