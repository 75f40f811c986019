#include "startup.h"

#include "boardscan/board_scan.h"
#include "common/bounded_text.h"
#include "launch.h"
#include "run_state.h"
#include "diag/log.h"
#include "settings/settings.h"
#include "sheet/sheet.h"

#include <cstdio>
#include <span>

namespace {

char boardFileName[kFileNameCapacity];
char designFileName[kFileNameCapacity];
char headerLine[kArgumentSlotWidth + sizeof "Arg 99: \r\n"];

void takeInCommandLine() {
    commandLineHeld = commandLineHeldByCodePage();
    copyBounded(commandLineCopy, GetCommandLineA());
    lowerAscii(commandLineCopy, isAnsiLeadByte);
    splitCommandLine(commandLineCopy, argTable);
}

// The log goes to DebugDir when it is stored, otherwise next to the program.
void openLogInDirectory() {
    if (readDebugDir(std::span<char, kDebugDirCapacity>(workLine, kDebugDirCapacity))) {
        openLog(workLine);
        return;
    }
    copyBounded(workLine, programDirectory(argTable.slots[0], isAnsiLeadByte));
    openLog(workLine);
}

void writeRunHeader() {
    for (int index = 0; index < argTable.count; ++index) {
        std::snprintf(headerLine, sizeof headerLine, "Arg %02i: %s\r\n", index,
                      argTable.slots[index]);
        writeLog(headerLine);
    }
    writeLog("Incomming command line:\r\n");
    writeLog(commandLineCopy);
    writeLog("\r\n");
    char time[9];
    char date[9];
    formatTime(time);
    formatDate(date);
    writeLog("Time: ");
    writeLog(time);
    writeLog("\tDate: ");
    writeLog(date);
    writeLog("\r\n");
    writeLog("Release version\r\n");
    writeLog("Starting converter\r\n");
}

void deriveFileNames() {
    std::string_view base = designBaseName(argTable, isAnsiLeadByte);
    // Each buffer holds a whole argument and its suffix, so none of these copies is cut.
    copyBounded(boardFileName, base);
    appendBounded(boardFileName, ".pcb");
    copyBounded(designFileName, base);
    appendBounded(designFileName, ".dsn");
    writeLog("Use pcb file: ");
    writeLog(boardFileName);
    writeLog("\r\n");
    writeLog("Use dsn file: ");
    writeLog(designFileName);
    writeLog("\r\n");
}

} // namespace

int runStartup(HINSTANCE instance, bool shiftDown) {
    takeInCommandLine();
    openLogInDirectory();
    writeRunHeader();
    deriveFileNames();
    scanBoardFile(boardFileName);
    writeLog("Load registry parameters\r\n");
    loadSettings(kGroupAll);
    logSettings();
    if (settingsSheetNeeded(shiftDown)) {
        writeLog("Create property sheet window\r\n");
        runSettingsSheet(instance);
    }
    launchChildren(boardFileName, designFileName);
    closeLog();
    return 1;
}
