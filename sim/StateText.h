#pragma once
// The simulated box's state as lines of text, for a terminal or a log: one line per change
// between two states, and the whole state as a block. The lines are meant to be read by people
// and by scripts alike, so their shape is fixed:
//   channel 3
//   output 5 controller 7          (or "controller none", "controller invalid 200")
//   output 5 level 64
//   flash written / flash matches / flash differs
//   kessel input 2 / kessel merge on
//   rejection <reason>: F0 70 7E 01 30 00 07 F7
// The whole state is "state begin", channel, flash, kessel input and merge, the counts, the
// last rejection, one "output N controller C level L" line per output, and "state end".
#include "sim/BoxState.h"

#include <span>
#include <string>
#include <vector>

namespace sim {

// "F0 70 7E ..." in upper-case hex; bytes beyond those kept are marked with "...".
std::string hexBytes(const MidiMessage &message);

// "7", "none" or "invalid 200".
std::string controllerText(std::uint8_t controller);

std::string rejectionText(const Rejection &rejection);

std::vector<std::string> describeChanges(const BoxState &before, const BoxState &after);

std::vector<std::string> describeState(const BoxState &state);

} // namespace sim
