#include "launch.h"

#include "batch_file.h"
#include "common/bounded_text.h"
#include "diag/log.h"
#include "run_state.h"
#include "settings/settings.h"

#include <array>
#include <cinttypes>
#include <cstdio>
#include <span>

namespace {

constexpr std::string_view kUnsafeBatchArgument = ": unsafe argument for a batch file: ";
constexpr std::string_view kCommandLineNotHeld =
    "Command line holds characters that the ANSI code page cannot hold: converter and "
    "Specctra not started";

bool buildFailed(char* line) {
    line[0] = '\0';
    return false;
}

// A line that cannot be built would have to be cut, and a cut line runs the child on the
// wrong files or arguments: it is not run at all.
void logUnbuildableLine(const char* applicationPath) {
    writeLog("Could not start ");
    writeLog(applicationPath);
    writeLog(": command line too long\r\n");
}

// A child's command line as built into the work line, and the program to start with it.
struct ChildLine {
    LineOutcome outcome;
    const char* application;
    std::string_view unsafeText;
};

ChildLine programLine(const char* program, bool built) {
    return {built ? LineOutcome::Built : LineOutcome::TooLong, program, {}};
}

// A batch file runs in cmd.exe, started by Morvane itself so that every argument reaches
// the batch file as text.
ChildLine batchFileLine(const char* batchFile, std::span<const std::string_view> arguments) {
    BatchLine line = buildBatchCommandLine(commandInterpreter(), batchFile, arguments, workLine,
                                           sizeof workLine);
    return {line.outcome, commandInterpreter(), line.unsafeText};
}

ChildLine converterLine(const char* converter, const char* boardFileName,
                        const char* designFileName) {
    if (isBatchFile(converter)) {
        const std::array<std::string_view, 2> files = {boardFileName, designFileName};
        return batchFileLine(converter, files);
    }
    return programLine(converter,
                       buildConverterCommandLine(converter, boardFileName, designFileName, workLine,
                                                 sizeof workLine));
}

ChildLine routerLine(const char* router) {
    if (isBatchFile(router)) {
        std::array<std::string_view, kMaxArguments> arguments;
        std::size_t count = 0;
        for (int index = 1; index < argTable.count; ++index) {
            arguments[count++] = argTable.slots[index];
        }
        return batchFileLine(router, std::span(arguments.data(), count));
    }
    return programLine(router, buildRouterCommandLine(router, argTable, workLine, sizeof workLine));
}

// Logs the child's command line in the work line and runs the child to its end. An exit
// code other than 0 is logged after `exitCodeLabel`: a child that failed must not read as
// a run that went well.
void logAndRun(const char* program, const ChildLine& child, std::string_view heading,
               const char* exitCodeLabel) {
    switch (child.outcome) {
    case LineOutcome::Built:
        break;
    case LineOutcome::TooLong:
        logUnbuildableLine(program);
        return;
    case LineOutcome::Unsafe:
        writeLogLine({"Could not start ", program, kUnsafeBatchArgument, child.unsafeText});
        return;
    }
    writeLog(heading);
    writeLog(workLine);
    writeLog("\r\n");
    uint32_t exitCode = 0;
    if (runChild(child.application, workLine, exitCode) == 1 && exitCode != 0) {
        char line[64];
        std::snprintf(line, sizeof line, "%s%" PRIu32 "\r\n", exitCodeLabel, exitCode);
        writeLog(line);
    }
}

// The router splits its own command line at blanks outside quotes, so its path goes in
// quotes when it holds one.
bool needsQuotes(std::string_view path) {
    return path.find_first_of(" \t") != std::string_view::npos && !path.starts_with('"');
}

// The log lines that name a stored program the run cannot start.
struct ProgramRole {
    std::string_view notFound;
    std::string_view itself;
};
constexpr ProgramRole kRouter{"Specctra not found: ", "Specctra is Morvane itself: "};
constexpr ProgramRole kConverter{"Converter not found: ", "Converter is Morvane itself: "};

// Morvane started as its own child would start itself again, and so on without end: such a
// program is named in the log instead. True when `path` is Morvane itself.
bool isItselfLogged(const char* path, const ProgramRole& role) {
    if (!isMorvaneItself(path)) {
        return false;
    }
    writeLogLine({role.itself, path});
    return true;
}

// Names a stored program that is not there or is Morvane itself; true when it is either.
bool isUnstartableLogged(const char* path, const ProgramRole& role) {
    if (!programExists(path)) {
        writeLogLine({role.notFound, path});
        return true;
    }
    return isItselfLogged(path, role);
}

} // namespace

bool settingsSheetNeeded(bool shiftDown) {
    // A stored program that the run cannot start leaves a configuration as incomplete as an
    // empty path.
    bool routerUnstartable =
        settings.SCPath[0] != '\0' && isUnstartableLogged(settings.SCPath, kRouter);
    bool converterUnstartable = settings.SEXEPath[0] != '\0' && settings.SCEnable == 1 &&
                                isUnstartableLogged(settings.SEXEPath, kConverter);
    return settings.SCPath[0] == '\0' || settings.SEXEPath[0] == '\0' || shiftDown ||
           routerUnstartable || converterUnstartable;
}

bool buildConverterCommandLine(std::string_view converterPath, std::string_view boardFileName,
                               std::string_view designFileName, char* line, std::size_t capacity) {
    if (capacity == 0) {
        return false;
    }
    line[0] = '\0';
    bool fits = appendBounded(line, capacity, "\"") &&
                appendBounded(line, capacity, converterPath) &&
                appendBounded(line, capacity, "\" ") &&
                appendBounded(line, capacity, boardFileName) &&
                appendBounded(line, capacity, " ") &&
                appendBounded(line, capacity, designFileName);
    return fits || buildFailed(line);
}

bool buildRouterCommandLine(std::string_view routerPath, const ArgTable& table, char* line,
                            std::size_t capacity) {
    std::string_view quote = needsQuotes(routerPath) ? "\"" : "";
    if (!copyBounded(line, capacity, quote) || !appendBounded(line, capacity, routerPath) ||
        !appendBounded(line, capacity, quote)) {
        return buildFailed(line);
    }
    for (int index = 1; index < table.count; ++index) {
        if (!appendBounded(line, capacity, " ") ||
            !appendBounded(line, capacity, table.slots[index])) {
            return buildFailed(line);
        }
    }
    return true;
}

void launchChildren(const char* boardFileName, const char* designFileName) {
    // Windows replaced what the code page lacks by look-alikes or question marks: the names
    // and arguments are no longer the editor's, and a look-alike quote can even make new ones.
    if (!commandLineHeld) {
        writeLogLine({kCommandLineNotHeld});
    }
    if (commandLineHeld && settings.SEXEPath[0] != '\0' && settings.SCEnable == 1 &&
        !isItselfLogged(settings.SEXEPath, kConverter)) {
        logAndRun(settings.SEXEPath,
                  converterLine(settings.SEXEPath, boardFileName, designFileName),
                  "Start converter with command line:\r\n", "Converter exit code: ");
    }
    writeLog("End conversion\r\n");
    writeLog("Start Specctra\r\n");
    if (commandLineHeld && settings.SCPath[0] != '\0' &&
        !isItselfLogged(settings.SCPath, kRouter)) {
        logAndRun(settings.SCPath, routerLine(settings.SCPath), "", "Specctra exit code: ");
    }
    writeLog("Stop Specctra\r\n");
}
