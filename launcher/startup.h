// The run's shared state, filled by the start-up sequence and read by the launch.
#pragma once

#include "command_line.h"

#include <windows.h>

// The longest child command line: the quoted converter path and two file names, each of
// which can hold a whole design argument. The router line (path, then the arguments after
// the program's own) is shorter.
inline constexpr std::size_t kWorkLineCapacity = 2 + 260 + 2 * kFileNameCapacity;

extern ArgTable argTable;
extern char workLine[kWorkLineCapacity];

// Runs the whole start-up sequence and returns the process exit code.
int runStartup(HINSTANCE instance, bool shiftDown);
