// Running the converter and then the router, each to its end.
#pragma once

#include "command_line.h"

#include <cstddef>
#include <string_view>

// Runs the converter (when enabled) on the two files, then the router with the arguments
// Morvane received, logging each step.
void launchChildren(const char* boardFileName, const char* designFileName);

// Starts `applicationPath` with the writable `commandLine`, hidden, and waits until it
// exits. Returns 1 once the child has ended, 0 when it could not be started (the reason is
// logged).
int runChild(const char* applicationPath, char* commandLine);

// "\"<converter>\" <board> <design>". False, leaving `line` empty, when it does not fit.
bool buildConverterCommandLine(std::string_view converterPath, std::string_view boardFileName,
                               std::string_view designFileName, char* line, std::size_t capacity);

// The router path unquoted, then every argument after the program's own, each after one
// space. False, leaving `line` empty, when it does not fit.
bool buildRouterCommandLine(std::string_view routerPath, const ArgTable& table, char* line,
                            std::size_t capacity);
