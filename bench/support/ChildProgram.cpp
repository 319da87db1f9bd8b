#include "support/ChildProgram.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace bench {

namespace {

QTemporaryDir &PrivateHome()
{
    static QTemporaryDir home;
    return home;
}

bool HasName(const std::string &entry, const std::string &name)
{
    return entry.size() > name.size() && entry.compare(0, name.size(), name) == 0 &&
           entry[name.size()] == '=';
}

std::vector<std::string> ChildEnvironment(const char *platform, int stayMs,
                                          const std::vector<std::string> &given)
{
    const std::string home = PrivateHome().path().toStdString();
    std::vector<std::string> set = {std::string("QT_QPA_PLATFORM=") + platform,
                                    "TORVANE_STARTUP_PROBE=" + std::to_string(stayMs),
                                    "XDG_CONFIG_HOME=" + home + "/config",
                                    "XDG_DATA_HOME=" + home + "/data"};
    set.insert(set.end(), given.begin(), given.end());
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        const std::string entry = *e;
        // Nothing of ours is inherited: a TORVANE_ setting of the shell would change the figures.
        bool replaced = entry.rfind("TORVANE_", 0) == 0;
        for (const std::string &own : set)
            replaced = replaced || HasName(entry, own.substr(0, own.find('=')));
        if (!replaced)
            env.push_back(entry);
    }
    env.insert(env.end(), set.begin(), set.end());
    return env;
}

} // namespace

void ForgetSettings()
{
    for (const char *folder : {"config", "data"})
        QDir(PrivateHome().path() + "/" + folder).removeRecursively();
}

void ChooseOutput(const std::string &deviceName)
{
    QSettings settings(PrivateHome().path() + "/config/Quillmont/Torvane.conf",
                       QSettings::IniFormat);
    settings.setValue("midiOUTName", QString::fromStdString(deviceName));
}

double NowNs()
{
    return double(
        std::chrono::nanoseconds(std::chrono::steady_clock::now().time_since_epoch()).count());
}

std::optional<Child> Launch(const std::string &path, const char *platform, int stayMs,
                            const std::vector<std::string> &environment)
{
    std::vector<std::string> env = ChildEnvironment(platform, stayMs, environment);
    std::vector<char *> envp;
    for (std::string &entry : env)
        envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string program = path;
    char *argv[] = {program.data(), nullptr};

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

std::optional<double> Reap(Child &child, int limitMs)
{
    const double start = NowNs();
    for (;;) {
        if (::waitpid(child.pid, nullptr, WNOHANG) == child.pid) {
            ::close(child.out);
            return (NowNs() - start) / 1e6;
        }
        if (NowNs() - start > limitMs * 1e6)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ::kill(child.pid, SIGKILL);
    ::waitpid(child.pid, nullptr, 0);
    ::close(child.out);
    return std::nullopt;
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

} // namespace bench
