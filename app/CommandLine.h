#pragma once
// The editor's command line, for shells and scripts that configure boxes without a window:
//   torvane --list-ports [--system S]
//   torvane --send FILE --port NAME [--flash] [--preset N] [--system S]
//   torvane --export-syx TVN_FILE OUT [--preset N] [--flash]
//   torvane --help | --version
// where S, the MIDI system to use when more than one runs, is alsa, jack or auto (the default:
// the ALSA sequencer when it opens, else JACK).
// It needs no display: it runs under a QCoreApplication and opens no window. Exit codes below.
#include <optional>

namespace command_line {

enum Exit {
    Done = 0,
    NoDisplay = 1,  // no option, and no display for the window
    Usage = 2,      // unknown option, a value missing or out of range, modes mixed
    NoSuchPort = 3, // no MIDI output of the name --port gives
    BadFile = 4,    // a file that cannot be read (or written) or is not what it should be
    SendFailed = 5, // the output could not be opened, or a send failed
};

// When argv holds an option other than the toolkit's own window options, runs the command line
// and returns its exit code; when the window has no display, says so and returns NoDisplay;
// otherwise returns nothing at once, having made nothing, and the editor starts as usual.
std::optional<int> Run(int argc, char **argv);

} // namespace command_line
