// The run's diagnostics log, kvxdebug.txt: created afresh by each run, open for the whole
// run, every line handed to the file system as it is written.
#pragma once

#include "common/code_page.h"

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <string_view>

inline constexpr std::string_view kLogFileName = "kvxdebug.txt";
// The converter's own log: Morvane holds kvxdebug.txt open while the converter runs.
inline constexpr std::string_view kConvertLogFileName = "kvxconvert.txt";

// Creates the log `fileName` in `directory` (empty: the current directory). A log that
// cannot be created leaves logging off for the run.
void openLog(std::string_view directory, std::string_view fileName = kLogFileName);

// Writes `text` as it is at the end of the log; does nothing while no log is open.
void writeLog(std::string_view text);

// Writes the parts one after another, then CR LF.
void writeLogLine(std::initializer_list<std::string_view> parts);

void closeLog();

// Writes the thirteen-line dump of the settings record.
void logSettings();
// Writes the seven lines of that dump that show the jumper group.
void logJumperSettings();

// Local time as HH:MM:SS and local date as MM/DD/YY, read from the clock at each call.
const char* formatTime(char (&buffer)[9]);
const char* formatDate(char (&buffer)[9]);

struct ClockReading {
    int year;
    int month;
    int day;
    int hour;
    int minute;
    int second;
};

void formatClockTime(char (&buffer)[9], const ClockReading& clock);
void formatClockDate(char (&buffer)[9], const ClockReading& clock);

// Room for a DebugDir of 1023 characters, a backslash and the longer file name.
inline constexpr std::size_t kLogPathCapacity =
    1024 + 1 + std::max(kLogFileName.size(), kConvertLogFileName.size());

// Builds the path of the log `fileName` from `directory`: a backslash is added unless the
// directory is empty or already ends with one (not the second byte of a two-byte
// character), and a leading double quote is dropped. Returns false when the path does not
// fit `path`.
bool buildLogPath(std::string_view directory, std::string_view fileName, LeadByteTest isLeadByte,
                  char (&path)[kLogPathCapacity]);
