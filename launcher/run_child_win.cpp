#include "launch.h"

#include "common/file_identity.h"
#include "common/system_libraries.h"
#include "common/win_handles.h"
#include "diag/log.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr DWORD kWaitSliceMilliseconds = 100;

#if !defined(_WIN64)
static_assert(sizeof(STARTUPINFOA) == 68, "the startup record of a 32-bit build");
#endif

void logStartFailure(const char* applicationPath, DWORD error) {
    char line[260 + 64];
    std::snprintf(line, sizeof line, "Could not start %s: Windows error %lu\r\n", applicationPath,
                  static_cast<unsigned long>(error));
    writeLog(line);
}

// None when the file was not opened or cannot tell.
std::optional<FileIdentity> identityOf(const KernelHandle& file) {
    BY_HANDLE_FILE_INFORMATION information{};
    if (!file.valid() || !GetFileInformationByHandle(file.get(), &information)) {
        return std::nullopt;
    }
    return identityIn(information);
}

// The program's own path, which can be longer than MAX_PATH: only the wide call tells it
// whole. Empty when it cannot be had.
const std::wstring& ownPath() {
    static const std::wstring path = [] {
        std::vector<wchar_t> buffer(32768);
        DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        return length == 0 || length >= buffer.size() ? std::wstring()
                                                      : std::wstring(buffer.data(), length);
    }();
    return path;
}

bool sameSize(const WIN32_FILE_ATTRIBUTE_DATA& a, const WIN32_FILE_ATTRIBUTE_DATA& b) {
    return a.nFileSizeHigh == b.nFileSizeHigh && a.nFileSizeLow == b.nFileSizeLow;
}

} // namespace

const char* commandInterpreter() {
    static char path[MAX_PATH];
    static const char* found = systemFolderFile("cmd.exe", path);
    return found;
}

int runChild(const char* applicationPath, char* commandLine, uint32_t& exitCode) {
    exitCode = 0;
    STARTUPINFOA startup{
        .cb = sizeof(STARTUPINFOA),
        .dwX = 0,
        .dwY = 0,
        .dwXSize = 0,
        .dwYSize = 0,
        .dwFlags = STARTF_USESHOWWINDOW | STARTF_USESIZE | STARTF_USEPOSITION,
        .wShowWindow = SW_HIDE,
    };
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(applicationPath, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        logStartFailure(applicationPath, GetLastError());
        return 0;
    }
    KernelHandle processHandle(process.hProcess);
    KernelHandle threadHandle(process.hThread);
    DWORD waited = WAIT_TIMEOUT;
    while (waited == WAIT_TIMEOUT) {
        waited = WaitForSingleObject(processHandle.get(), kWaitSliceMilliseconds);
    }
    // Only a child that has ended has an exit code; a failed wait leaves it unknown.
    DWORD code = 0;
    if (waited == WAIT_OBJECT_0 && GetExitCodeProcess(processHandle.get(), &code)) {
        exitCode = code;
    }
    return 1;
}

const char* programFile(const char* path, char (&file)[kFullPathCapacity]) {
    DWORD length = GetFullPathNameA(path, kFullPathCapacity, file, nullptr);
    return length == 0 || length >= kFullPathCapacity ? path : file;
}

const char* workingFolder(char (&folder)[kFullPathCapacity]) {
    DWORD length = GetCurrentDirectoryA(kFullPathCapacity, folder);
    if (length == 0 || length >= kFullPathCapacity) {
        folder[0] = '\0';
    }
    return folder;
}

bool programExists(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool isMorvaneItself(const char* path) {
    // Two names of one file give the same size. Asking for a file's identity costs about
    // half a millisecond under Wine, its size a hundredth of that: only a program of
    // Morvane's own size, such as a copy of it, is looked at further.
    WIN32_FILE_ATTRIBUTE_DATA program{};
    WIN32_FILE_ATTRIBUTE_DATA own{};
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &program) ||
        !GetFileAttributesExW(ownPath().c_str(), GetFileExInfoStandard, &own) ||
        !sameSize(program, own)) {
        return false;
    }
    std::optional<FileIdentity> ownIdentity = identityOf(KernelHandle(CreateFileW(
        ownPath().c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr)));
    std::optional<FileIdentity> programIdentity = identityOf(KernelHandle(
        CreateFileA(path, FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr)));
    return ownIdentity && programIdentity && *ownIdentity == *programIdentity;
}
