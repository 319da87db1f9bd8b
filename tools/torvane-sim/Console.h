#pragma once
// torvane-sim's console: the commands typed on standard input, one per line, and the requests
// that come from outside: on Unix the signals (SIGUSR1 prints the state; SIGINT and SIGTERM end
// the program), on Windows Ctrl+C, Ctrl+Break and the console's closing (they end it).
//
// Threads: one Console per process, used on the main thread. The handlers only set a flag and
// raise a wake-up (lock-free, no allocation). On Windows a thread of its own reads standard
// input, whose console or pipe cannot be waited on together with an event.
#include "midi/backend/WakeUp.h"

#include <memory>
#include <string>
#include <vector>

class Console
{
public:
    Console();
    ~Console();
    Console(const Console &) = delete;
    Console &operator=(const Console &) = delete;

    // Sleeps until a line is typed, a request comes or `other` is raised (it is not
    // acknowledged here), then returns the lines completed since the last call, without their
    // line ends. At the end of standard input the program keeps running and stops listening.
    std::vector<std::string> wait(const WakeUp &other);

    bool quitRequested() const;
    void requestQuit();
    // Whether the whole state was asked for since the last call.
    bool takeStateRequest();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
