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
        copyBounded(directory, programDirectory(std::string_view(program, length)));
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

// The new design is written beside the old one and only then takes its place, so that at
// every moment the design file is whole: the old one or the new one.
class TemporaryFile {
  public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!kept_) {
            DeleteFileA(path_.c_str());
        }
    }
    const std::string& path() const { return path_; }
    void keep() { kept_ = true; }

  private:
    std::string path_;
    bool kept_ = false;
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

bool replaceDesign(const std::string& design, std::string_view text,
                   const std::vector<DesignEdit>& edits) {
    DWORD attributes = GetFileAttributesA(design.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        writeLogLine({"Error: the design is read-only: ", design});
        return false;
    }
    TemporaryFile temporary(design + ".morvane-" + number(GetCurrentProcessId()) + ".tmp");
    {
        // Created only when that name is free, so nothing of anyone else's is overwritten.
        KernelHandle file(CreateFileA(temporary.path().c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) {
            temporary.keep();
            writeLogLine({"Error: new design not created: ", temporary.path(), ": ",
                          windowsError(GetLastError())});
            return false;
        }
        bool written = writeEdited(
            text, edits, [&file](std::string_view piece) { return writeAll(file.get(), piece); });
        if (!written || !FlushFileBuffers(file.get())) {
            writeLogLine({"Error: new design not written: ", temporary.path(), ": ",
                          windowsError(GetLastError())});
            return false;
        }
    }
    std::string backup = design + ".bak";
    if (!CopyFileA(design.c_str(), backup.c_str(), FALSE)) {
        writeLogLine(
            {"Error: previous design not kept as ", backup, ": ", windowsError(GetLastError())});
        return false;
    }
    if (!MoveFileExA(temporary.path().c_str(), design.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        writeLogLine({"Error: design not replaced: ", windowsError(GetLastError())});
        return false;
    }
    temporary.keep();
    writeLogLine({"Previous design kept as ", backup});
    return true;
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
    if (!replaceDesign(files.design, design, edits)) {
        return designUnchanged(kExitFailed);
    }
    writeLog("Design written\r\n");
    return kExitDone;
}

} // namespace

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*showCommand*/) {
    openConverterLog();
    int exitCode = convert(GetCommandLineA());
    closeLog();
    return exitCode;
}
