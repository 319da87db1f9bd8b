#pragma once
// The editor (or another program) started as a fresh process for the whole-program benchmarks:
// its first paint, its memory, its threads' wake-ups and how long it takes to end.
//
// The program runs with TORVANE_STARTUP_PROBE set (app/StartupProbe.h), which prints the steady
// clock at its first paint, and with settings and data in a private folder shared by every
// program this benchmark process starts.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace bench {

// The steady clock (CLOCK_MONOTONIC), as the probe prints it.
double NowNs();

// A started program, its probe pipe and the time noted just before spawning it.
struct Child
{
    pid_t pid = -1;
    int out = -1;
    double spawnedNs = 0;
};

// Starts path on the Qt platform plugin platform; it leaves its event loop stayMs after its
// first paint. environment: "NAME=value" entries that replace the inherited ones of that name.
std::optional<Child> Launch(const std::string &path, const char *platform, int stayMs,
                            const std::vector<std::string> &environment = {});

// Forgets what the programs launched so far stored (settings, autosave): the next one starts as
// on a fresh machine.
void ForgetSettings();
// Has the editor launched next start with the MIDI output device of that name chosen, as a user
// would have left it (a fresh editor picks a device by its place in the list).
void ChooseOutput(const std::string &deviceName);

// The probe's time stamp, or nothing when the program did not paint within 30 s.
std::optional<double> FirstPaintNs(const Child &child);

// Waits up to limitMs for the program to leave by itself, else kills it. The milliseconds
// it took, or nothing when it had to be killed.
std::optional<double> Reap(Child &child, int limitMs = 10000);

// Resident memory now (VmRSS).
double ResidentMiB(pid_t pid);

// Voluntary context switches per thread id, with the thread's name: a thread gives up the
// processor once for every time it wakes.
struct ThreadCount
{
    std::string name;
    long long switches = 0;
};
std::map<int, ThreadCount> Switches(pid_t pid);

double Median(std::vector<double> values);

} // namespace bench
