// Start-up, memory and idle cost of the editor as a whole process, against a floor measured
// in the same run: bench/floor_window.cpp, a minimal Qt Widgets window that connects once to
// the same MIDI system, and the same window without the MIDI connection (the toolkit alone).
//
// Each program is started as a fresh process with TORVANE_STARTUP_PROBE set (app/StartupProbe.h),
// which prints the steady clock at its first paint; start-up is that time minus the time noted
// just before the process was spawned (exec and dynamic loading included). The three programs
// take turns, round after round, so that a burst of load from elsewhere on the machine falls on
// all three alike; the ratio is the median of each round's editor / floor.
//
// Resident memory (VmRSS) is read from /proc right after the first paint. Idle wake-ups are the
// voluntary context switches of each thread over a few seconds in which nothing happens, after
// the window has settled: a thread gives up the processor once for every time it wakes. The
// involuntary ones are left out: they count preemptions by other work on a busy machine.
//
// The platform plugin is the benchmark's argument: 0 offscreen, 1 xcb (needs DISPLAY, e.g.
// Xvfb). Settings and autosave data go to a private folder. TORVANE_BENCH_EDITOR names another
// build of the editor to measure in place of this one (to compare a change against its parent).
#include "support/ChildProgram.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using bench::Child;
using bench::FirstPaintNs;
using bench::Median;
using bench::NowNs;
using bench::Reap;
using bench::ResidentMiB;
using bench::Switches;

enum Program { Toolkit, Floor, Editor };
const char *const kProgramNames[] = {"toolkit", "floor", "editor"};
const char *const kPlatforms[] = {"offscreen", "xcb"};

// withoutJack: the program is pointed at a JACK server that does not exist, so that (where no
// ALSA sequencer opens) it runs with no MIDI system at all.
std::optional<Child> Launch(Program program, const char *platform, int stayMs,
                            bool withoutJack = false)
{
    std::vector<std::string> env;
    if (program == Toolkit)
        env.push_back("TORVANE_FLOOR_MIDI=0");
    if (withoutJack)
        env.push_back("JACK_DEFAULT_SERVER=torvane-bench-no-such-server");
    const char *otherEditor = std::getenv("TORVANE_BENCH_EDITOR");
    const std::string path = program != Editor ? TORVANE_FLOOR
                             : otherEditor     ? otherEditor
                                               : TORVANE_EDITOR;
    return bench::Launch(path, platform, stayMs, env);
}

bool PlatformUsable(benchmark::State &state, const char *platform)
{
    if (std::string(platform) == "xcb" && !std::getenv("DISPLAY")) {
        state.SkipWithError("no DISPLAY for the xcb platform");
        return false;
    }
    return true;
}

void BM_StartUp(benchmark::State &state)
{
    const char *platform = kPlatforms[state.range(0)];
    const int rounds = int(state.range(1));
    state.SetLabel(platform);
    if (!PlatformUsable(state, platform))
        return;
    std::vector<double> ms[3], mib[3], ratio;
    for (auto _ : state) {
        for (int round = 0; round < rounds; ++round) {
            double thisRound[3] = {};
            for (int k = 0; k < 3; ++k) {
                const Program program = Program((round + k) % 3); // a different order each round
                std::optional<Child> child = Launch(program, platform, 100);
                if (!child) {
                    state.SkipWithError("could not start a program");
                    return;
                }
                const std::optional<double> painted = FirstPaintNs(*child);
                const double resident = ResidentMiB(child->pid);
                Reap(*child);
                if (!painted) {
                    state.SkipWithError(
                        (std::string(kProgramNames[program]) + " never painted").c_str());
                    return;
                }
                thisRound[program] = (*painted - child->spawnedNs) / 1e6;
                ms[program].push_back(thisRound[program]);
                mib[program].push_back(resident);
            }
            ratio.push_back(thisRound[Editor] / thisRound[Floor]);
        }
    }
    const double toolkit = Median(ms[Toolkit]), floor = Median(ms[Floor]),
                 editor = Median(ms[Editor]);
    state.counters["editor_ms"] = editor;
    state.counters["floor_ms"] = floor;
    state.counters["ratio"] = Median(ratio);
    state.counters["toolkit_ms"] = toolkit;
    state.counters["midi_connect_ms"] = floor - toolkit;
    state.counters["own_work_ms"] = editor - floor;
    state.counters["editor_rss_MiB"] = Median(mib[Editor]);
    state.counters["floor_rss_MiB"] = Median(mib[Floor]);
    state.counters["toolkit_rss_MiB"] = Median(mib[Toolkit]);
    state.counters["rss_over_floor_MiB"] = Median(mib[Editor]) - Median(mib[Floor]);
}
BENCHMARK(BM_StartUp)
    ->ArgNames({"platform", "rounds"})
    ->Args({0, 25})
    ->Args({1, 25})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Wake-ups per second of every thread of one program over `seconds` of idling, after a settle.
// Threads are named by /proc (Qt names its own; unnamed ones carry the program's name).
struct IdleResult
{
    double total = 0;
    double gui = 0; // the main thread, where the editor's own code runs
    std::string perThread;
};

std::optional<IdleResult> Idle(Program program, const char *platform, double seconds,
                               bool withoutJack)
{
    const auto settle = 1500ms;
    const int stayMs = int(1500 + seconds * 1000 + 3000);
    std::optional<Child> child = Launch(program, platform, stayMs, withoutJack);
    if (!child)
        return std::nullopt;
    if (!FirstPaintNs(*child)) {
        Reap(*child);
        return std::nullopt;
    }
    std::this_thread::sleep_for(settle);
    const auto before = Switches(child->pid);
    const double start = NowNs();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const auto after = Switches(child->pid);
    const double elapsed = (NowNs() - start) / 1e9;
    Reap(*child);
    IdleResult result;
    std::ostringstream text;
    for (const auto &[tid, count] : after) {
        const auto was = before.find(tid);
        const long long base = was == before.end() ? 0 : was->second.switches;
        const double rate = double(count.switches - base) / elapsed;
        result.total += rate;
        if (tid == child->pid)
            result.gui = rate;
        char entry[96];
        std::snprintf(entry, sizeof entry, "%s%s %.1f", text.tellp() > 0 ? ", " : "",
                      tid == child->pid ? "main" : count.name.c_str(), rate);
        text << entry;
    }
    result.perThread = text.str();
    return result;
}

// Argument midi: 0 the MIDI system the editor finds (its period thread wakes the editor and
// the floor alike), 1 none, against the floor window without its MIDI connection: every
// wake-up left is the editor's own or the toolkit's.
void BM_Idle(benchmark::State &state)
{
    const char *platform = kPlatforms[state.range(0)];
    const bool withoutMidi = state.range(1) != 0;
    if (!PlatformUsable(state, platform))
        return;
    std::optional<IdleResult> editor, floor;
    for (auto _ : state) {
        editor = Idle(Editor, platform, 5.0, withoutMidi);
        floor = Idle(withoutMidi ? Toolkit : Floor, platform, 5.0, withoutMidi);
    }
    if (!editor || !floor) {
        state.SkipWithError("a program never painted");
        return;
    }
    state.SetLabel(std::string(platform) + (withoutMidi ? ", no MIDI system" : "") +
                   "; editor: " + editor->perThread + "; floor: " + floor->perThread);
    state.counters["editor_main_per_s"] = editor->gui;
    state.counters["editor_total_per_s"] = editor->total;
    state.counters["floor_total_per_s"] = floor->total;
    state.counters["floor_main_per_s"] = floor->gui;
}
BENCHMARK(BM_Idle)
    ->ArgNames({"platform", "midi"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

} // namespace
