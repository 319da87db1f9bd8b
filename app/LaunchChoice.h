#pragma once
// What the program's arguments ask for, decided before anything is made: a command-line run,
// the window, or a window that has no display to open on. A command-line run needs no display,
// so a misspelt option is reported as such on a machine without one too.
#include <QStringList>

namespace launch {

struct Choice
{
    enum Kind {
        Window,      // no option but the toolkit's own window options (or none)
        CommandLine, // one of the command line's options, or an option nobody knows
        NoDisplay,   // the window, where it cannot open
    };
    Kind kind = Window;
    // For a command-line run: the program and its arguments, the toolkit's window options left
    // out (they mean nothing without a window).
    QStringList arguments;
};

Choice Choose(int argc, char **argv);

} // namespace launch
