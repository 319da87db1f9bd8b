#include "midi/backend/jack/ServerWatch.h"

#include <cstdlib>

#if defined(__linux__)
#include <sys/inotify.h>
#include <unistd.h>
#endif

namespace {

std::string environment(const char *name, const char *otherwise = "")
{
    const char *value = std::getenv(name);
    return value && *value ? value : otherwise;
}

} // namespace

std::vector<ServerWatch::Place> ServerWatch::placesFor(bool pipeWire)
{
#if defined(__linux__)
    if (pipeWire) {
        // Where PipeWire's clients look for the daemon, in their order.
        std::string folder = environment("PIPEWIRE_RUNTIME_DIR");
        if (folder.empty())
            folder = environment("XDG_RUNTIME_DIR");
        if (folder.empty())
            folder = "/run/pipewire";
        // A remote given as an absolute path is the socket itself, wherever it lies.
        const std::string remote = environment("PIPEWIRE_REMOTE", "pipewire-0");
        if (remote.front() == '/') {
            const std::size_t slash = remote.rfind('/');
            return {{slash == 0 ? "/" : remote.substr(0, slash), remote.substr(slash + 1)}};
        }
        return {{folder, remote}};
    }
    const std::string server = environment("JACK_DEFAULT_SERVER", "default");
    return {{"/dev/shm", "jack_" + server + "_" + std::to_string(::getuid()) + "_0"}};
#else
    (void)pipeWire;
    return {};
#endif
}

ServerWatch::ServerWatch(bool pipeWire)
{
#if defined(__linux__)
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0)
        return;
    bool watching = false;
    for (const Place &place : placesFor(pipeWire)) {
        if (::inotify_add_watch(fd_, place.folder.c_str(),
                                IN_CREATE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM) >= 0)
            watching = true;
        places_.push_back(place);
    }
    if (!watching) {
        ::close(fd_);
        fd_ = -1;
    }
#else
    (void)pipeWire;
#endif
}

ServerWatch::~ServerWatch()
{
#if defined(__linux__)
    if (fd_ >= 0)
        ::close(fd_);
#endif
}

ServerWatch::Seen ServerWatch::changes()
{
    Seen seen;
#if defined(__linux__)
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got <= 0)
            break;
        for (ssize_t at = 0; at < got;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            if (event->len > 0)
                for (const Place &place : places_)
                    if (place.socket == event->name) {
                        const bool gone = event->mask & (IN_DELETE | IN_MOVED_FROM);
                        (gone ? seen.removed : seen.appeared) = true;
                    }
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
#endif
    return seen;
}

bool ServerWatch::present() const
{
#if defined(__linux__)
    for (const Place &place : places_)
        if (::access((place.folder + "/" + place.socket).c_str(), F_OK) == 0)
            return true;
#endif
    return false;
}
