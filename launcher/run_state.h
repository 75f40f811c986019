// The run's shared state: filled by the start-up sequence, read by the launch.
#pragma once

#include "command_line.h"

// The longest child command line: the quoted converter path and two file names, each of
// which can hold a whole design argument. The router line (its path, quoted when it holds a
// blank, then the arguments after the program's own) is shorter.
inline constexpr std::size_t kWorkLineCapacity = 2 + 260 + 2 * kFileNameCapacity;

extern ArgTable argTable;
// False when the command line holds characters that the ANSI code page cannot hold, so that
// the ANSI copy Morvane works on is not what the editor sent.
extern bool commandLineHeld;
// Holds the log directory during start-up, then each child's command line in turn.
extern char workLine[kWorkLineCapacity];
