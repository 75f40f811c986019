// The run's shared state: filled by the start-up sequence, read by the launch.
#pragma once

#include "command_line.h"

// The longest child command line: the quoted converter path and two file names, each of
// which can hold a whole design argument, closed by a quote. The router line (its path,
// quoted when it holds a blank, then the command line after the program's own path) is
// shorter.
inline constexpr std::size_t kWorkLineCapacity = 2 + 260 + 2 * (kFileNameCapacity + 1);

// The process command line as Windows reports it, lowered.
extern char commandLineCopy[kCommandLineCapacity];
extern ArgTable argTable;
// False when the command line holds characters that the ANSI code page cannot hold, so that
// the ANSI copy Morvane works on is not what the editor sent.
extern bool commandLineHeld;
// Holds the log directory during start-up, then each child's command line in turn.
extern char workLine[kWorkLineCapacity];
