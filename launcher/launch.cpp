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
constexpr std::string_view kNetworkFolderPrefix = "cmd.exe cannot start in the network folder ";
constexpr std::string_view kNetworkFolderSuffix = ": the batch file runs in the Windows folder";
constexpr std::string_view kCommandLineNotHeld =
    "Command line holds characters that the ANSI code page cannot hold: converter and "
    "Specctra not started";

bool buildFailed(char* line, std::size_t capacity) {
    if (capacity > 0) {
        line[0] = '\0';
    }
    return false;
}

// A line that cannot be built would have to be cut, and a cut line runs the child on the
// wrong files or arguments: it is not run at all.
void logUnbuildableLine(const char* program) {
    writeLog("Could not start ");
    writeLog(program);
    writeLog(": command line too long\r\n");
}

// A child's command line as built into the work line, the program it runs and what starts
// it: the program itself, or cmd.exe for a batch file.
struct ChildLine {
    LineOutcome outcome;
    const char* program;
    const char* application;
    std::string_view unsafeText;

    bool runsInCmd() const { return application != program; }
};

ChildLine programLine(const char* program, bool built) {
    return {built ? LineOutcome::Built : LineOutcome::TooLong, program, program, {}};
}

// A batch file runs in cmd.exe, started by Morvane itself so that every argument reaches
// the batch file as text.
ChildLine batchFileLine(const char* batchFile, std::span<const std::string_view> arguments) {
    BatchLine line = buildBatchCommandLine(commandInterpreter(), batchFile, arguments, workLine,
                                           sizeof workLine);
    return {line.outcome, batchFile, commandInterpreter(), line.unsafeText};
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

// The router gets the editor's line after Morvane's own path whole, however many arguments
// it holds, a last one with its quote left open included.
ChildLine routerLine(const char* router) {
    std::string_view arguments = afterProgramPath(commandLineCopy);
    if (isBatchFile(router)) {
        return batchFileLine(router, argumentList(arguments));
    }
    return programLine(router,
                       buildRouterCommandLine(router, arguments, workLine, sizeof workLine));
}

// cmd.exe cannot start in a network folder and runs the batch file in the Windows folder
// instead, where the child's relative paths lead elsewhere: the log says so.
bool isNetworkFolder(std::string_view folder) {
    return folder.starts_with("\\\\");
}

void logBatchFileFolder() {
    char folder[kFullPathCapacity];
    if (isNetworkFolder(workingFolder(folder))) {
        writeLogLine({kNetworkFolderPrefix, folder, kNetworkFolderSuffix});
    }
}

// Logs the child's command line in the work line and runs the child to its end. An exit
// code other than 0 is logged after `exitCodeLabel`: a child that failed must not read as
// a run that went well.
void logAndRun(const ChildLine& child, std::string_view heading, const char* exitCodeLabel) {
    switch (child.outcome) {
    case LineOutcome::Built:
        break;
    case LineOutcome::TooLong:
        logUnbuildableLine(child.program);
        return;
    case LineOutcome::Unsafe:
        writeLogLine({"Could not start ", child.program, kUnsafeBatchArgument, child.unsafeText});
        return;
    }
    if (child.runsInCmd()) {
        logBatchFileFolder();
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

// A stored program path and the file Windows opens for it, which every check and the start
// use; the log names the stored path.
struct StoredProgram {
    explicit StoredProgram(const char* path) : stored(path), file(programFile(path, fullPath)) {}
    StoredProgram(const StoredProgram&) = delete;
    StoredProgram& operator=(const StoredProgram&) = delete;

    const char* stored;
    char fullPath[kFullPathCapacity];
    const char* file;
};

// Morvane started as its own child would start itself again, and so on without end: such a
// program is named in the log instead. True when it is Morvane itself.
bool isItselfLogged(const StoredProgram& program, const ProgramRole& role) {
    if (!isMorvaneItself(program.file)) {
        return false;
    }
    writeLogLine({role.itself, program.stored});
    return true;
}

// Names a stored program that is not there or is Morvane itself; true when it is either.
bool isUnstartableLogged(const StoredProgram& program, const ProgramRole& role) {
    if (!programExists(program.file)) {
        writeLogLine({role.notFound, program.stored});
        return true;
    }
    return isItselfLogged(program, role);
}

} // namespace

bool settingsSheetNeeded(bool shiftDown) {
    // A stored program that the run cannot start leaves a configuration as incomplete as an
    // empty path.
    bool routerUnstartable =
        settings.SCPath[0] != '\0' && isUnstartableLogged(StoredProgram(settings.SCPath), kRouter);
    bool converterUnstartable = settings.SEXEPath[0] != '\0' && settings.SCEnable == 1 &&
                                isUnstartableLogged(StoredProgram(settings.SEXEPath), kConverter);
    return settings.SCPath[0] == '\0' || settings.SEXEPath[0] == '\0' || shiftDown ||
           routerUnstartable || converterUnstartable;
}

bool buildConverterCommandLine(std::string_view converterPath, std::string_view boardFileName,
                               std::string_view designFileName, char* line, std::size_t capacity) {
    bool fits = copyBounded(line, capacity, "\"") && appendBounded(line, capacity, converterPath) &&
                appendBounded(line, capacity, "\"") &&
                appendClosedArgument(line, capacity, boardFileName) &&
                appendClosedArgument(line, capacity, designFileName);
    return fits || buildFailed(line, capacity);
}

bool buildRouterCommandLine(std::string_view routerPath, std::string_view arguments, char* line,
                            std::size_t capacity) {
    std::string_view quote = needsQuotes(routerPath) ? "\"" : "";
    bool fits = copyBounded(line, capacity, quote) && appendBounded(line, capacity, routerPath) &&
                appendBounded(line, capacity, quote) && appendBounded(line, capacity, arguments);
    return fits || buildFailed(line, capacity);
}

void launchChildren(const char* boardFileName, const char* designFileName) {
    // Windows replaced what the code page lacks by look-alikes or question marks: the names
    // and arguments are no longer the editor's, and a look-alike quote can even make new ones.
    if (!commandLineHeld) {
        writeLogLine({kCommandLineNotHeld});
    }
    if (commandLineHeld && settings.SEXEPath[0] != '\0' && settings.SCEnable == 1) {
        StoredProgram converter(settings.SEXEPath);
        if (!isItselfLogged(converter, kConverter)) {
            logAndRun(converterLine(converter.file, boardFileName, designFileName),
                      "Start converter with command line:\r\n", "Converter exit code: ");
        }
    }
    writeLog("End conversion\r\n");
    writeLog("Start Specctra\r\n");
    if (commandLineHeld && settings.SCPath[0] != '\0') {
        StoredProgram router(settings.SCPath);
        if (!isItselfLogged(router, kRouter)) {
            logAndRun(routerLine(router.file), "", "Specctra exit code: ");
        }
    }
    writeLog("Stop Specctra\r\n");
}
