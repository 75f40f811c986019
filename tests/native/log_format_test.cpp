#include "diag/log.h"
#include "fakes.h"
#include "settings/settings.h"
#include "tests/support/shift_jis.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct PathCase {
    std::string directory;
    std::string expectedPath;
    LeadByteTest isLeadByte = noLeadBytes;
};

TEST(LogPath, AddsTheFileNameWithOneBackslash) {
    // "\x95\\" is a Japanese character whose second byte is a backslash.
    const PathCase cases[] = {
        {R"(c:\logs)", R"(c:\logs\kvxdebug.txt)"},
        {R"(c:\logs\)", R"(c:\logs\kvxdebug.txt)"},
        {"", "kvxdebug.txt"},
        {R"("c:\tools\)", R"(c:\tools\kvxdebug.txt)"},
        {R"(c:\"odd"\)", R"(c:\"odd"\kvxdebug.txt)"},
        {"c:\\logs\\\x95\\", "c:\\logs\\\x95\\\\kvxdebug.txt", isShiftJisLeadByte},
        {"c:\\\x95\\\\", "c:\\\x95\\\\kvxdebug.txt", isShiftJisLeadByte},
        // The same bytes in a single-byte code page end with a backslash.
        {"c:\\logs\\\x95\\", "c:\\logs\\\x95\\kvxdebug.txt"},
    };
    for (const PathCase& testCase : cases) {
        char path[kLogPathCapacity];
        ASSERT_TRUE(buildLogPath(testCase.directory, kLogFileName, testCase.isLeadByte, path))
            << testCase.directory;
        EXPECT_EQ(std::string(path), testCase.expectedPath) << testCase.directory;
    }
}

TEST(LogPath, TakesTheLongestDebugDirAndRefusesLongerDirectories) {
    char path[kLogPathCapacity];
    std::string longest(1023, 'd');
    ASSERT_TRUE(buildLogPath(longest, kLogFileName, noLeadBytes, path));
    EXPECT_EQ(std::string(path), longest + "\\kvxdebug.txt");

    std::string tooLong(kLogPathCapacity, 'd');
    EXPECT_FALSE(buildLogPath(tooLong, kLogFileName, noLeadBytes, path));
    EXPECT_STREQ(path, "");
}

TEST(Clock, FormatsTwoDigitFields) {
    struct Case {
        ClockReading clock;
        const char* time;
        const char* date;
    };
    const Case cases[] = {
        {{.year = 2008, .month = 2, .day = 3, .hour = 7, .minute = 5, .second = 9},
         "07:05:09", "02/03/08"},
        {{.year = 1999, .month = 12, .day = 31, .hour = 23, .minute = 59, .second = 59},
         "23:59:59", "12/31/99"},
        {{.year = 2100, .month = 1, .day = 1, .hour = 0, .minute = 0, .second = 0},
         "00:00:00", "01/01/00"},
    };
    for (const Case& testCase : cases) {
        char time[9];
        char date[9];
        formatClockTime(time, testCase.clock);
        formatClockDate(date, testCase.clock);
        EXPECT_STREQ(time, testCase.time);
        EXPECT_STREQ(date, testCase.date);
    }
}

TEST(SettingsDump, WritesThirteenLinesInOrder) {
    resetFakes();
    settings.SCEnable = 1;
    std::strcpy(settings.SCPath, R"(c:\router\sc.exe)");
    std::strcpy(settings.SPerlPath, "not logged");
    std::strcpy(settings.SEXEPath, R"(c:\conv\conv.exe)");
    settings.JEnable = 0;
    settings.JUnit = 7;
    std::strcpy(settings.JStep, "2.54");
    std::strcpy(settings.JMaxLength, "100");
    std::strcpy(settings.JVia, "'CCTVIA_(Default)'");
    std::strcpy(settings.JDir, "horizontal");
    std::strcpy(settings.JLayer, "Top");
    settings.REnable = 1;
    settings.RType = -5;
    settings.RInc = 3;

    logSettings();

    EXPECT_EQ(capturedLog, "KVX status: 1\r\n"
                           "Specctra path: c:\\router\\sc.exe\r\n"
                           "PerlExe path: c:\\conv\\conv.exe\r\n"
                           "Jumper status: 0\r\n"
                           "Jumper unit: 7\r\n"
                           "Jumper step: 2.54\r\n"
                           "Jumper max. length: 100\r\n"
                           "Jumper via style: 'CCTVIA_(Default)'\r\n"
                           "Jumper direction: horizontal\r\n"
                           "Jumper layer: Top\r\n"
                           "Room status: 1\r\n"
                           "Room type: -5\r\n"
                           "Room include type: 3\r\n");
}

TEST(SettingsDump, LogsTheLongestPathWhole) {
    resetFakes();
    std::string longest(259, 'p');
    std::strcpy(settings.SCPath, longest.c_str());
    logSettings();
    EXPECT_NE(capturedLog.find("Specctra path: " + longest + "\r\n"), std::string::npos);
}

} // namespace
