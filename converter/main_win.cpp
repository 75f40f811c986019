// morvane-convert: writes the Jumper page's options into the router's design file. Morvane
// starts it with the board file and the design file; it reads the jumper settings, edits
// the design in place of the old one (kept as <design>.bak) and logs to kvxconvert.txt.
#include "common/bounded_text.h"
#include "common/win_handles.h"
#include "converter_files.h"
#include "diag/log.h"
#include "jumper_edit.h"
#include "jumper_options.h"
#include "launcher/command_line.h"
#include "settings/settings.h"

#include <windows.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

namespace {

// ReadFile and WriteFile take at most a DWORD of bytes at a time.
constexpr DWORD kIoChunk = 1u << 30;

constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;

std::string number(unsigned long long value) {
    return std::to_string(value);
}

std::string windowsError(DWORD error) {
    return "Windows error " + number(error);
}

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

bool readDesign(const std::string& path, std::string& text) {
    KernelHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        writeLogLine({"Error: design not read: ", path, ": ", windowsError(GetLastError())});
        return false;
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) {
        writeLogLine({"Error: design not read: size unknown: ", windowsError(GetLastError())});
        return false;
    }
    auto bytes = static_cast<unsigned long long>(size.QuadPart);
    try {
        if (bytes > text.max_size()) {
            throw std::bad_alloc();
        }
        text.resize(static_cast<std::size_t>(bytes));
    } catch (const std::bad_alloc&) {
        writeLogLine({"Error: design not read: no memory for ", number(bytes), " bytes"});
        return false;
    }
    std::size_t total = 0;
    while (total < text.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - total, kIoChunk));
        DWORD read = 0;
        if (!ReadFile(file.get(), text.data() + total, chunk, &read, nullptr)) {
            writeLogLine({"Error: design not read: ", windowsError(GetLastError())});
            return false;
        }
        if (read == 0) {
            writeLogLine({"Error: design read incomplete: ", number(total), " of ",
                          number(text.size()), " bytes"});
            return false;
        }
        total += read;
    }
    writeLogLine({"Read design: ", number(text.size()), " bytes"});
    return true;
}

// A file that this run makes beside the design: removed at the end unless it was renamed
// or is to stay. A file of that name that the run could not create is not its own.
class OwnFile {
  public:
    explicit OwnFile(std::string path) : path_(std::move(path)) {}
    OwnFile(const OwnFile&) = delete;
    OwnFile& operator=(const OwnFile&) = delete;
    ~OwnFile() {
        if (owned_) {
            DeleteFileA(path_.c_str());
        }
    }
    const std::string& path() const { return path_; }
    void created() { owned_ = true; }
    void release() { owned_ = false; }

  private:
    std::string path_;
    bool owned_ = false;
};

bool writeAll(HANDLE file, std::string_view piece) {
    while (!piece.empty()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(piece.size(), kIoChunk));
        DWORD written = 0;
        if (!WriteFile(file, piece.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        piece.remove_prefix(written);
    }
    return true;
}

constexpr DWORD kReplace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

bool isReadOnlyOrFolder(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0;
}

// Writes the new design beside the old one and flushes it.
bool writeNewDesign(OwnFile& file, std::string_view text, const std::vector<DesignEdit>& edits) {
    KernelHandle handle(CreateFileA(file.path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle.valid()) {
        writeLogLine(
            {"Error: new design not created: ", file.path(), ": ", windowsError(GetLastError())});
        return false;
    }
    file.created();
    bool written = writeEdited(
        text, edits, [&handle](std::string_view piece) { return writeAll(handle.get(), piece); });
    if (!written || !FlushFileBuffers(handle.get())) {
        writeLogLine(
            {"Error: new design not written: ", file.path(), ": ", windowsError(GetLastError())});
        return false;
    }
    return true;
}

enum class Replacement { Failed, Done, DoneWithoutBackup };

// The design file names a whole design at every moment, and <design>.bak changes only once
// the new design is in place: until then the old design waits under a name of its own.
// Should that last rename fail, the old design is put back, so that a failed run leaves
// both files as they were.
Replacement replaceDesign(const std::string& design, std::string_view text,
                          const std::vector<DesignEdit>& edits) {
    const std::string backup = design + ".bak";
    if (isReadOnlyOrFolder(design)) {
        writeLogLine({"Error: the design is read-only: ", design});
        return Replacement::Failed;
    }
    if (isReadOnlyOrFolder(backup)) {
        writeLogLine(
            {"Error: the previous design cannot be kept: ", backup, " is read-only or a folder"});
        return Replacement::Failed;
    }
    const std::string ownName = design + ".morvane-" + number(GetCurrentProcessId());
    OwnFile converted(ownName + ".tmp");
    if (!writeNewDesign(converted, text, edits)) {
        return Replacement::Failed;
    }
    OwnFile previous(ownName + ".bak");
    if (!CopyFileA(design.c_str(), previous.path().c_str(), TRUE)) {
        writeLogLine({"Error: previous design not copied: ", windowsError(GetLastError())});
        return Replacement::Failed;
    }
    previous.created();
    if (!MoveFileExA(converted.path().c_str(), design.c_str(), kReplace)) {
        writeLogLine({"Error: design not replaced: ", windowsError(GetLastError())});
        return Replacement::Failed;
    }
    converted.release();
    if (!MoveFileExA(previous.path().c_str(), backup.c_str(), kReplace)) {
        writeLogLine(
            {"Error: previous design not kept as ", backup, ": ", windowsError(GetLastError())});
        if (MoveFileExA(previous.path().c_str(), design.c_str(), kReplace)) {
            previous.release();
            writeLogLine({"Previous design put back"});
            return Replacement::Failed;
        }
        previous.release();
        writeLogLine({"Error: previous design not put back: ", windowsError(GetLastError()),
                      "; it is kept as ", previous.path()});
        return Replacement::DoneWithoutBackup;
    }
    previous.release();
    writeLogLine({"Previous design kept as ", backup});
    return Replacement::Done;
}

int designUnchanged(int exitCode) {
    writeLog("Design unchanged\r\n");
    return exitCode;
}

int convert(std::string_view commandLine) {
    writeLogLine({"Converter command line:"});
    writeLogLine({commandLine});
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

    std::string design;
    if (!readDesign(files.design, design)) {
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
    Replacement replacement = replaceDesign(files.design, design, edits);
    if (replacement == Replacement::Failed) {
        return designUnchanged(kExitFailed);
    }
    writeLog("Design written\r\n");
    return replacement == Replacement::Done ? kExitDone : kExitFailed;
}

} // namespace

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*showCommand*/) {
    openConverterLog();
    int exitCode = convert(GetCommandLineA());
    closeLog();
    return exitCode;
}
