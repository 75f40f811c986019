// morvane-convert: writes the Jumper page's options into the router's design file. Morvane
// starts it with the board file and the design file; it reads the jumper settings, puts
// the edited design in place of the old one (kept as <design>.bak) and logs to
// kvxconvert.txt.
#include "common/bounded_text.h"
#include "common/system_libraries.h"
#include "converter_files.h"
#include "design_file.h"
#include "diag/log.h"
#include "jumper_edit.h"
#include "jumper_options.h"
#include "launcher/command_line.h"
#include "settings/settings.h"

#include <windows.h>

#include <string>
#include <vector>

namespace {

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;

// The log goes to DebugDir when it is stored, otherwise next to the converter, as
// Morvane's does.
void openConverterLog() {
    char directory[kDebugDirCapacity];
    if (!readDebugDir(directory)) {
        char program[kDebugDirCapacity];
        DWORD length = GetModuleFileNameA(nullptr, program, sizeof program);
        if (length == 0 || length >= sizeof program) {
            return;
        }
        copyBounded(directory, programDirectory(std::string_view(program, length), isAnsiLeadByte));
    }
    openLog(directory, kConvertLogFileName);
}

int designUnchanged(int exitCode) {
    writeLog("Design unchanged\r\n");
    return exitCode;
}

constexpr std::string_view kAlteredCommandLine =
    "Error: the command line holds characters that the ANSI code page cannot hold";

// `heldByCodePage` false: Windows handed the command line over with look-alikes for what the
// ANSI code page lacks, so that its file names may be another design's, or none.
int convert(std::string_view commandLine, bool heldByCodePage) {
    writeLogLine({"Converter command line:"});
    writeLogLine({commandLine});
    if (!heldByCodePage) {
        writeLogLine({kAlteredCommandLine});
        return designUnchanged(kExitFailed);
    }
    ConverterFiles files;
    if (!converterFiles(commandLine, files)) {
        writeLogLine({"Error: the command line does not name a board file and a design file"});
        return designUnchanged(kExitFailed);
    }
    writeLogLine({"Use pcb file: ", files.board});
    writeLogLine({"Use dsn file: ", files.design});
    if (GetFileAttributesA(files.board.c_str()) == INVALID_FILE_ATTRIBUTES) {
        writeLogLine({"Board file not found (jumpers need nothing from it)"});
    }
    writeLogLine({"Load registry parameters"});
    loadSettings(kGroupJumper);
    logJumperSettings();

    FilePath designFile;
    std::string design;
    HeldDesign held;
    if (!designFilePath(files.design, designFile) || !readDesign(designFile, design, held)) {
        return designUnchanged(kExitFailed);
    }
    if (settings.JEnable != 1) {
        writeLogLine({"Jumpers are not enabled: nothing to write"});
        return designUnchanged(kExitDone);
    }
    std::vector<DesignEdit> edits;
    switch (convertDesign(design, jumperOptionsFrom(settings), edits)) {
    case ConvertResult::Refused:
        return designUnchanged(kExitFailed);
    case ConvertResult::Unchanged:
        return designUnchanged(kExitDone);
    case ConvertResult::Changed:
        break;
    }
    Replacement replacement = replaceDesign(held, design, edits);
    if (replacement == Replacement::Failed) {
        return designUnchanged(kExitFailed);
    }
    writeLog("Design written\r\n");
    return replacement == Replacement::Done ? kExitDone : kExitFailed;
}

} // namespace

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*showCommand*/) {
    searchDllsInSystemFolderOnly();
    openConverterLog();
    int exitCode = convert(GetCommandLineA(), commandLineHeldByCodePage());
    closeLog();
    return exitCode;
}
