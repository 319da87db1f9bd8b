#pragma once
// Tells when a JACK server may have appeared or gone, without polling: a server makes its socket
// in a folder (jackd: /dev/shm/jack_<server>_<uid>_0; PipeWire: pipewire-0, or PIPEWIRE_REMOTE,
// in the user's runtime folder, or PIPEWIRE_REMOTE itself when it is a path) and removes it when
// it stops, and inotify reports both. An appearance is only a
// wake-up to try: the socket may be there a moment before the server answers, and a stale one
// of a killed server may be replaced. A removal is final: no client can reach the server any
// more (a killed server leaves its socket; its clients hear of its death from libjack).
//
// Threads: the owner's (the JACK session's request thread) only.
#include <string>
#include <vector>

class ServerWatch
{
public:
    // pipeWire: watch for PipeWire's daemon, else for jackd (JACK_DEFAULT_SERVER, or "default").
    explicit ServerWatch(bool pipeWire);
    ~ServerWatch();
    ServerWatch(const ServerWatch &) = delete;
    ServerWatch &operator=(const ServerWatch &) = delete;

    // To poll for reading; -1 when the system offers no such watch (the owner then tries at
    // intervals instead).
    int handle() const { return fd_; }
    struct Seen
    {
        bool appeared = false;
        bool removed = false;
    };
    // Reads every waiting event, and says what they did to the server's socket.
    Seen changes();
    // Whether the server's socket is there now (a server that runs, starts, is frozen, or was
    // killed).
    bool present() const;

private:
    struct Place
    {
        std::string folder;
        std::string socket; // the file name in the folder
    };
    static std::vector<Place> placesFor(bool pipeWire);

    int fd_ = -1;
    std::vector<Place> places_;
};
