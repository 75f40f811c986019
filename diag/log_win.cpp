#include "log.h"

#include <windows.h>

namespace {

HANDLE logHandle = nullptr;

ClockReading readLocalClock() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return {.year = now.wYear,
            .month = now.wMonth,
            .day = now.wDay,
            .hour = now.wHour,
            .minute = now.wMinute,
            .second = now.wSecond};
}

} // namespace

void openLog(std::string_view directory, std::string_view fileName) {
    char path[kLogPathCapacity];
    if (!buildLogPath(directory, fileName, isAnsiLeadByte, path)) {
        return;
    }
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_ARCHIVE, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        logHandle = file;
    }
}

void writeLog(std::string_view text) {
    if (logHandle == nullptr) {
        return;
    }
    DWORD written = 0;
    WriteFile(logHandle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

void closeLog() {
    if (logHandle != nullptr) {
        CloseHandle(logHandle);
        logHandle = nullptr;
    }
}

const char* formatTime(char (&buffer)[9]) {
    formatClockTime(buffer, readLocalClock());
    return buffer;
}

const char* formatDate(char (&buffer)[9]) {
    formatClockDate(buffer, readLocalClock());
    return buffer;
}
