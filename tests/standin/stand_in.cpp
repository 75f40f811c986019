// A stand-in for the converter or the router. It appends to the file named by
// <ROLE>_RECORD one record of what it received (its command line, and the arguments as the
// C runtime splits it, as a program reads them), and can be told to sleep (<ROLE>_SLEEP_MS)
// and to exit with a given code (<ROLE>_EXIT_CODE, unsigned, as Windows holds it).
// ROLE is STANDIN_CONVERTER or STANDIN_ROUTER, fixed when the program is built.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#ifndef STANDIN_ROLE
#error "STANDIN_ROLE must name the role, e.g. STANDIN_ROUTER"
#endif
#define STANDIN_TEXT2(x) #x
#define STANDIN_TEXT(x) STANDIN_TEXT2(x)

namespace {

const std::string kRole = STANDIN_TEXT(STANDIN_ROLE);

std::string environmentValue(const std::string& name) {
    char value[MAX_PATH * 4];
    DWORD length = GetEnvironmentVariableA(name.c_str(), value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

// 100-nanosecond units since 1601, comparable across processes.
unsigned long long now() {
    FILETIME time;
    GetSystemTimePreciseAsFileTime(&time);
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

void appendRecord(const std::string& path, const std::string& record) {
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    CloseHandle(file);
}

} // namespace

int main(int argc, char** argv) {
    unsigned long long started = now();
    std::string sleepMilliseconds = environmentValue(kRole + "_SLEEP_MS");
    if (!sleepMilliseconds.empty()) {
        Sleep(static_cast<DWORD>(std::strtoul(sleepMilliseconds.c_str(), nullptr, 10)));
    }
    char directory[MAX_PATH * 4];
    DWORD directoryLength = GetCurrentDirectoryA(sizeof directory, directory);

    std::string record = "role: " + kRole + "\n";
    record += "command line: " + std::string(GetCommandLineA()) + "\n";
    for (int index = 0; index < argc; ++index) {
        record += "argument: " + std::string(argv[index]) + "\n";
    }
    record += "current directory: " + std::string(directory, directoryLength) + "\n";
    record += "started: " + std::to_string(started) + "\n";
    record += "ended: " + std::to_string(now()) + "\n";
    std::string recordPath = environmentValue(kRole + "_RECORD");
    if (!recordPath.empty()) {
        appendRecord(recordPath, record);
    }
    // An exit code above INT_MAX, such as an NTSTATUS, wraps to the same 32 bits.
    return static_cast<int>(std::strtoul(environmentValue(kRole + "_EXIT_CODE").c_str(), nullptr, 10));
}
