// The run's diagnostics log, kvxdebug.txt: created afresh by each run, open for the whole
// run, every line handed to the file system as it is written.
#pragma once

#include <cstddef>
#include <string_view>

inline constexpr std::string_view kLogFileName = "kvxdebug.txt";

// Creates the log in `directory` (empty: the current directory). A log that cannot be
// created leaves logging off for the run.
void openLog(std::string_view directory);

// Writes `text` as it is at the end of the log; does nothing while no log is open.
void writeLog(std::string_view text);

void closeLog();

// Writes the thirteen-line dump of the settings record.
void logSettings();

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

// Room for a DebugDir of 1023 characters, a backslash and the file name.
inline constexpr std::size_t kLogPathCapacity = 1024 + 1 + kLogFileName.size();

// Builds the log path from `directory`: a backslash is added unless the directory is empty
// or already ends with one, and a leading double quote is dropped. Returns false when the
// path does not fit `path`.
bool buildLogPath(std::string_view directory, char (&path)[kLogPathCapacity]);
