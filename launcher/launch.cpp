#include "launch.h"

#include "common/bounded_text.h"
#include "diag/log.h"
#include "run_state.h"
#include "settings/settings.h"

#include <cinttypes>
#include <cstdio>

namespace {

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

// Logs the child's command line in the work line and runs the child to its end. An exit
// code other than 0 is logged after `exitCodeLabel`: a child that failed must not read as
// a run that went well.
void logAndRun(const char* applicationPath, bool lineBuilt, std::string_view heading,
               const char* exitCodeLabel) {
    if (!lineBuilt) {
        logUnbuildableLine(applicationPath);
        return;
    }
    writeLog(heading);
    writeLog(workLine);
    writeLog("\r\n");
    uint32_t exitCode = 0;
    if (runChild(applicationPath, workLine, exitCode) == 1 && exitCode != 0) {
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
    if (settings.SEXEPath[0] != '\0' && settings.SCEnable == 1 &&
        !isItselfLogged(settings.SEXEPath, kConverter)) {
        bool built = buildConverterCommandLine(settings.SEXEPath, boardFileName, designFileName,
                                               workLine, sizeof workLine);
        logAndRun(settings.SEXEPath, built, "Start converter with command line:\r\n",
                  "Converter exit code: ");
    }
    writeLog("End conversion\r\n");
    writeLog("Start Specctra\r\n");
    if (settings.SCPath[0] != '\0' && !isItselfLogged(settings.SCPath, kRouter)) {
        bool built = buildRouterCommandLine(settings.SCPath, argTable, workLine, sizeof workLine);
        logAndRun(settings.SCPath, built, "", "Specctra exit code: ");
    }
    writeLog("Stop Specctra\r\n");
}
