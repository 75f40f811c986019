#include "log.h"

#include "common/bounded_text.h"
#include "settings/settings.h"

#include <cstdio>
#include <cstring>

namespace {

// Two-digit fields: a clock value outside 0..99 would otherwise widen the text.
int twoDigits(int value) {
    int remainder = value % 100;
    return remainder < 0 ? -remainder : remainder;
}

void writeNumberLine(char (&line)[500], const char* format, int32_t value) {
    std::snprintf(line, sizeof line, format, static_cast<int>(value));
    writeLog(line);
}

void writeTextLine(char (&line)[500], const char* format, const char* text) {
    std::snprintf(line, sizeof line, format, text);
    writeLog(line);
}

} // namespace

void formatClockTime(char (&buffer)[9], const ClockReading& clock) {
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", twoDigits(clock.hour),
                  twoDigits(clock.minute), twoDigits(clock.second));
}

void formatClockDate(char (&buffer)[9], const ClockReading& clock) {
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%02d", twoDigits(clock.month),
                  twoDigits(clock.day), twoDigits(clock.year));
}

bool buildLogPath(std::string_view directory, std::string_view fileName, LeadByteTest isLeadByte,
                  char (&path)[kLogPathCapacity]) {
    path[0] = '\0';
    bool fits = appendBounded(path, directory);
    if (fits && !directory.empty() &&
        findLastCharacter(directory, '\\', isLeadByte) != directory.size() - 1) {
        fits = appendBounded(path, "\\");
    }
    fits = fits && appendBounded(path, fileName);
    if (!fits) {
        path[0] = '\0';
        return false;
    }
    if (path[0] == '"') {
        std::memmove(path, path + 1, std::strlen(path));
    }
    return true;
}

void writeLogLine(std::initializer_list<std::string_view> parts) {
    for (std::string_view part : parts) {
        writeLog(part);
    }
    writeLog("\r\n");
}

void logSettings() {
    char line[500];
    writeNumberLine(line, "KVX status: %i\r\n", settings.SCEnable);
    writeTextLine(line, "Specctra path: %s\r\n", settings.SCPath);
    writeTextLine(line, "PerlExe path: %s\r\n", settings.SEXEPath);
    logJumperSettings();
    writeNumberLine(line, "Room status: %i\r\n", settings.REnable);
    writeNumberLine(line, "Room type: %i\r\n", settings.RType);
    writeNumberLine(line, "Room include type: %i\r\n", settings.RInc);
}

void logJumperSettings() {
    char line[500];
    writeNumberLine(line, "Jumper status: %i\r\n", settings.JEnable);
    writeNumberLine(line, "Jumper unit: %i\r\n", settings.JUnit);
    writeTextLine(line, "Jumper step: %s\r\n", settings.JStep);
    writeTextLine(line, "Jumper max. length: %s\r\n", settings.JMaxLength);
    writeTextLine(line, "Jumper via style: %s\r\n", settings.JVia);
    writeTextLine(line, "Jumper direction: %s\r\n", settings.JDir);
    writeTextLine(line, "Jumper layer: %s\r\n", settings.JLayer);
}
