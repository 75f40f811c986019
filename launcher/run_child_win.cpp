#include "launch.h"

#include "common/win_handles.h"
#include "diag/log.h"

#include <cstdio>

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

} // namespace

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

bool programExists(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}
