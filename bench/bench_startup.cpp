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
#include <QDir>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

using namespace std::chrono_literals;

enum Program { Toolkit, Floor, Editor };
const char *const kProgramNames[] = {"toolkit", "floor", "editor"};
const char *const kPlatforms[] = {"offscreen", "xcb"};

double NowNs()
{
    return double(
        std::chrono::nanoseconds(std::chrono::steady_clock::now().time_since_epoch()).count());
}

QTemporaryDir &PrivateHome()
{
    static QTemporaryDir home;
    return home;
}

// A started program, its probe pipe and the time noted before spawning it.
struct Child
{
    pid_t pid = -1;
    int out = -1;
    double spawnedNs = 0;
};

// withoutJack: the program is pointed at a JACK server that does not exist, so that (where no
// ALSA sequencer opens) it runs with no MIDI system at all.
std::optional<Child> Launch(Program program, const char *platform, int stayMs,
                            bool withoutJack = false)
{
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        const std::string entry = *e;
        const bool replaced =
            entry.rfind("QT_QPA_PLATFORM=", 0) == 0 || entry.rfind("TORVANE_", 0) == 0 ||
            entry.rfind("XDG_CONFIG_HOME=", 0) == 0 || entry.rfind("XDG_DATA_HOME=", 0) == 0 ||
            (withoutJack && entry.rfind("JACK_DEFAULT_SERVER=", 0) == 0);
        if (!replaced)
            env.push_back(entry);
    }
    const std::string home = PrivateHome().path().toStdString();
    env.push_back(std::string("QT_QPA_PLATFORM=") + platform);
    env.push_back("TORVANE_STARTUP_PROBE=" + std::to_string(stayMs));
    env.push_back("XDG_CONFIG_HOME=" + home + "/config");
    env.push_back("XDG_DATA_HOME=" + home + "/data");
    if (program == Toolkit)
        env.push_back("TORVANE_FLOOR_MIDI=0");
    if (withoutJack)
        env.push_back("JACK_DEFAULT_SERVER=torvane-bench-no-such-server");
    std::vector<char *> envp;
    for (std::string &entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    const char *otherEditor = std::getenv("TORVANE_BENCH_EDITOR");
    std::string path = program != Editor ? TORVANE_FLOOR
                       : otherEditor     ? otherEditor
                                         : TORVANE_EDITOR;
    char *argv[] = {path.data(), nullptr};

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    Child child;
    child.spawnedNs = NowNs();
    const int failed = posix_spawn(&child.pid, path.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (failed) {
        ::close(pipeFds[0]);
        return std::nullopt;
    }
    child.out = pipeFds[0];
    return child;
}

// The probe's time stamp, or nothing when the program did not paint within the limit.
std::optional<double> FirstPaintNs(const Child &child)
{
    std::string line;
    const double deadline = NowNs() + 30e9;
    while (line.find('\n') == std::string::npos) {
        pollfd p{child.out, POLLIN, 0};
        const int wait = int(std::max(0.0, (deadline - NowNs()) / 1e6));
        if (::poll(&p, 1, wait) <= 0)
            return std::nullopt;
        char buffer[256];
        const ssize_t n = ::read(child.out, buffer, sizeof buffer);
        if (n <= 0)
            return std::nullopt;
        line.append(buffer, std::size_t(n));
    }
    std::istringstream in(line);
    std::string tag;
    long long ns = 0;
    if (!(in >> tag >> ns) || tag != "torvane-first-paint")
        return std::nullopt;
    return double(ns);
}

// Waits for the program to leave by itself (the probe ends it), else kills it.
void Reap(Child &child)
{
    for (int i = 0; i < 1000; ++i) {
        if (::waitpid(child.pid, nullptr, WNOHANG) == child.pid) {
            ::close(child.out);
            return;
        }
        std::this_thread::sleep_for(10ms);
    }
    ::kill(child.pid, SIGKILL);
    ::waitpid(child.pid, nullptr, 0);
    ::close(child.out);
}

double ResidentMiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kib = 0;
            status >> kib;
            return kib / 1024.0;
        }
        status.ignore(1 << 20, '\n');
    }
    return 0;
}

struct ThreadCount
{
    std::string name;
    long long switches = 0;
};

// Voluntary context switches per thread id, with the thread's name.
std::map<int, ThreadCount> Switches(pid_t pid)
{
    std::map<int, ThreadCount> result;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        std::ifstream status(tasks.filePath(tid + "/status").toStdString());
        ThreadCount count;
        std::string key;
        while (status >> key) {
            if (key == "Name:")
                status >> count.name;
            else if (key == "voluntary_ctxt_switches:") {
                long long n = 0;
                status >> n;
                count.switches += n;
            }
            status.ignore(1 << 20, '\n');
        }
        result[tid.toInt()] = count;
    }
    return result;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
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
