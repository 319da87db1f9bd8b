#include "app/TerminationSignals.h"

#include <QCoreApplication>
#include <QWidget>

#ifdef Q_OS_UNIX
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A signal handler may do next to nothing: it writes one byte into this pipe, and the event
// loop, which watches the other end, does the work on the GUI thread.
int WakePipe[2] = {-1, -1};

void OnTerminationSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(WakePipe[1], &byte, 1);
    errno = savedErrno;
}

bool OpenWakePipe()
{
    if (WakePipe[0] >= 0)
        return true;
    if (::pipe(WakePipe) != 0)
        return false;
    for (const int end : WakePipe) {
        ::fcntl(end, F_SETFD, FD_CLOEXEC);
        ::fcntl(end, F_SETFL, O_NONBLOCK);
    }
    return true;
}

} // namespace

void CloseOnTerminationSignals(QWidget &window)
{
    if (!OpenWakePipe())
        return; // the signals keep their default action
    auto *notifier = new QSocketNotifier(WakePipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [notifier, &window] {
        char drained[16];
        while (::read(WakePipe[0], drained, sizeof drained) > 0) {
        }
        notifier->setEnabled(false);
        window.close();
        QCoreApplication::exit(0);
    });
    struct sigaction action
    {
    };
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (const int number : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(number, &action, nullptr);
}

#else

void CloseOnTerminationSignals(QWidget &) {}

#endif
