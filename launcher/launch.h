// Running the converter and then the router, each to its end.
#pragma once

#include "command_line.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Whether the settings sheet must open before the launch: a program path is empty, a stored
// program is not there or is Morvane itself (the converter only when it is to run), or the
// user held Shift. Each such stored program is named in the log, one line each.
bool settingsSheetNeeded(bool shiftDown);

// Runs the converter (when enabled) on the two files, then the router with the arguments
// Morvane received, logging each step. A program that is Morvane itself is not started: it
// would start itself again, without end. A batch file is started through cmd.exe, and not
// at all when an argument cannot reach it as text. Nothing is started when the command line
// was not held whole by the ANSI code page.
void launchChildren(const char* boardFileName, const char* designFileName);

// Room for the full path of a stored program or of the working folder, which the ANSI file
// calls take no longer.
inline constexpr std::size_t kFullPathCapacity = 260;

// The file Windows opens for the stored program path `path`: its full path, "." and ".."
// resolved and the dots and blanks that end its name dropped, so that "route.bat\." is
// the batch file route.bat. `path` itself when that cannot be had or does not fit.
const char* programFile(const char* path, char (&file)[kFullPathCapacity]);

// Whether `path` names an existing file; a folder is not a program.
bool programExists(const char* path);

// Whether `path` names this very program file, however the path is written (letter case,
// short names, another drive letter for the same folder, ".."): the file's identity counts,
// not its name. A copy of it is another file.
bool isMorvaneItself(const char* path);

// The full path of cmd.exe in the system folder, which runs batch files.
const char* commandInterpreter();

// The current directory, which the children inherit; empty when it cannot be had.
const char* workingFolder(char (&folder)[kFullPathCapacity]);

// Starts `applicationPath` with the writable `commandLine`, hidden, and waits until it
// exits. Returns 1 once the child has ended, 0 when it could not be started (the reason is
// logged). `exitCode` receives the child's exit code, or 0 when it cannot be read.
int runChild(const char* applicationPath, char* commandLine, uint32_t& exitCode);

// "\"<converter>\" <board> <design>", a name that opens with a double quote closed as the C
// runtime reads it. False, leaving `line` empty, when it does not fit.
bool buildConverterCommandLine(std::string_view converterPath, std::string_view boardFileName,
                               std::string_view designFileName, char* line, std::size_t capacity);

// The router path, then `arguments`, the command line after the program's own path as
// Morvane received it. A path holding a blank is written in double quotes unless it starts
// with one. False, leaving `line` empty, when it does not fit.
bool buildRouterCommandLine(std::string_view routerPath, std::string_view arguments, char* line,
                            std::size_t capacity);
