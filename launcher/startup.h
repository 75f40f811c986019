// The start-up sequence: the order of a whole run.
#pragma once

#include <windows.h>

// Runs the whole start-up sequence and returns the process exit code.
int runStartup(HINSTANCE instance, bool shiftDown);
