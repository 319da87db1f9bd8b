#pragma once
// A JACK server of the caller's own, with the dummy driver (no sound card needed): for the tests
// that stop, freeze or restart the server under the editor, and for a benchmark that finds no
// server running. While it runs, JACK_DEFAULT_SERVER names it, so that JACK clients made in
// this process meanwhile connect to it; the previous value comes back when the object goes.
//
// Under PipeWire's JACK (a test run through PipeWire's libjack, as `pw-jack` runs programs)
// the server is a PipeWire daemon of its own instead, in a runtime folder of its own that
// PIPEWIRE_RUNTIME_DIR names while it lives (PipeWire's libjack ignores JACK_DEFAULT_SERVER).
// Header only, Qt Core only: the benchmarks use it without the test libraries.
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <jack/jack.h>

#include <csignal>

// Waits for something that involves a MIDI server, with a limit generous enough for a busy
// shared machine; a test that passes waits only as long as the event takes.
template <typename Predicate> bool WaitForServer(Predicate predicate)
{
    return QTest::qWaitFor(predicate, 20000);
}

// A name for a JACK server or client of this process: `base`, the process id and a serial
// number, unique on the machine.
inline QString UniqueJackName(const char *base)
{
    static int serial = 0;
    return QStringLiteral("%1-%2-%3")
        .arg(QLatin1String(base))
        .arg(QCoreApplication::applicationPid())
        .arg(++serial);
}

// Whether the server named by JACK_DEFAULT_SERVER (or the default one) answers a client now.
inline bool JackServerAnswers()
{
    jack_client_t *probe = jack_client_open("torvane-probe", JackNoStartServer, nullptr);
    if (!probe)
        return false;
    jack_client_close(probe);
    return true;
}

// Whether this test runs through PipeWire's libjack rather than jackd's.
inline bool TestingPipeWire()
{
    return QByteArray(jack_get_version_string()).contains("PipeWire");
}

class JackServer
{
public:
    // The kind of server; by default the one this process's libjack talks to. A process that
    // starts programs through PipeWire's libjack (a benchmark) asks for PipeWire itself.
    enum class Kind { Jackd, PipeWire };
    // jackdOptions go before jackd's driver options (for example "-a", "e").
    explicit JackServer(const char *base = "torvane-private",
                        Kind kind = TestingPipeWire() ? Kind::PipeWire : Kind::Jackd,
                        const QStringList &jackdOptions = {})
        : name_(UniqueJackName(base)), previous_(qgetenv("JACK_DEFAULT_SERVER")),
          previousRuntime_(qgetenv("PIPEWIRE_RUNTIME_DIR")), pipeWire_(kind == Kind::PipeWire),
          options_(jackdOptions)
    {
    }
    ~JackServer()
    {
        stop();
        if (pipeWire_) {
            qputenv("PIPEWIRE_RUNTIME_DIR", previousRuntime_);
            return;
        }
        // A server that goes while clients are busy on it sometimes ends without leaving JACK's
        // registry of servers (its place stays taken after its death, and the registry has only
        // eight, for the whole machine). A server of the same name takes that place over when it
        // starts, and one that stops with no client on it leaves it cleanly: so one more short
        // start and stop gives the place back.
        if (started_ && start())
            stop();
        qputenv("JACK_DEFAULT_SERVER", previous_);
        // The semaphores of clients that were still connected when the server went stay behind
        // in /dev/shm; they carry the server's name, which is ours alone.
        QDir shm("/dev/shm");
        for (const QString &file : shm.entryList({"jack_sem.*_" + name_ + "_*"}, QDir::Files))
            shm.remove(file);
    }
    JackServer(const JackServer &) = delete;
    JackServer &operator=(const JackServer &) = delete;

    // Starts the server (again, after stop(), under the same name) and waits until it answers.
    bool start()
    {
        if (pipeWire_)
            return startPipeWire();
        qputenv("JACK_DEFAULT_SERVER", name_.toUtf8());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("JACK_NO_AUDIO_RESERVATION", "1");
        jackd_.setProcessEnvironment(env);
        jackd_.setProcessChannelMode(QProcess::MergedChannels);
        // Real-time, as musicians run it: its cycle and its clients' process callbacks come
        // before ordinary work, so a busy machine slows the tests down without making a client
        // miss a cycle (and what it carries). Where real-time scheduling is not allowed, jackd
        // says so and runs without it.
        jackd_.start("jackd", QStringList{"-n", name_, "-R"} + options_ +
                                  QStringList{"-d", "dummy", "-r", "48000", "-p", "256"});
        if (!jackd_.waitForStarted(5000))
            return false;
        QProcess wait;
        wait.start("jack_wait", {"-s", name_, "-w", "-t", "15"});
        wait.waitForFinished(20000);
        const bool up = wait.exitStatus() == QProcess::NormalExit && wait.exitCode() == 0;
        started_ = started_ || up;
        return up;
    }
    // SIGTERM, as a user or the system stops JACK: a killed server would keep its place in JACK's
    // registry of servers.
    void stop()
    {
        if (jackd_.state() == QProcess::NotRunning)
            return;
        thaw();
        jackd_.terminate();
        if (!jackd_.waitForFinished(5000)) {
            jackd_.kill();
            jackd_.waitForFinished(5000);
        }
    }
    // Waits for a server that was told to stop by other means. A second SIGTERM while it shuts
    // down would end it before it leaves JACK's registry of servers.
    bool waitUntilGone() { return jackd_.waitForFinished(10000); }
    // Alive but running no cycles and answering no requests, as under a debugger or SIGSTOP.
    // The signal only asks the server's threads to stop, so freeze() returns once every one of
    // them has: until then the server may still answer.
    void freeze()
    {
        const pid_t pid = pid_t(jackd_.processId());
        ::kill(pid, SIGSTOP);
        QElapsedTimer waited;
        waited.start();
        while (!allThreadsStopped(pid) && waited.elapsed() < 5000)
            QThread::msleep(1);
    }
    void thaw() { ::kill(pid_t(jackd_.processId()), SIGCONT); }

    qint64 pid() const { return jackd_.processId(); }
    const QString &name() const { return name_; }

private:
    bool startPipeWire()
    {
        qputenv("PIPEWIRE_RUNTIME_DIR", runtime_.path().toUtf8());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", runtime_.path());
        jackd_.setProcessEnvironment(env);
        jackd_.setProcessChannelMode(QProcess::MergedChannels);
        jackd_.start("pipewire", {});
        if (!jackd_.waitForStarted(5000))
            return false;
        // Its socket first; then, where this process talks through PipeWire's libjack, an answer.
        const auto up = [this] {
            return QFile::exists(runtime_.filePath("pipewire-0")) &&
                   (!TestingPipeWire() || JackServerAnswers());
        };
        QElapsedTimer waited;
        waited.start();
        while (!up() && waited.elapsed() < 15000)
            QThread::msleep(20);
        return up();
    }

    // Every thread's state in /proc is "T" (stopped) once a SIGSTOP has taken hold.
    static bool allThreadsStopped(pid_t pid)
    {
        const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
        for (const QString &task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile stat(tasks.filePath(task + "/stat"));
            if (!stat.open(QIODevice::ReadOnly))
                continue; // the thread has ended
            const QByteArray line = stat.readAll();
            const qsizetype afterName = line.lastIndexOf(')');
            if (afterName < 0 || line.mid(afterName + 2, 1) != "T")
                return false;
        }
        return true;
    }

    QString name_;
    QByteArray previous_;
    QByteArray previousRuntime_;
    const bool pipeWire_;
    const QStringList options_;
    QTemporaryDir runtime_;
    QProcess jackd_; // the server: jackd, or the PipeWire daemon
    bool started_ = false;
};
