#include "converter/long_path.h"

#include <gtest/gtest.h>

namespace {

TEST(LongPath, PrefixesDrivePathsAndShares) {
    struct Case {
        std::wstring fullPath;
        std::wstring expected;
    };
    const Case cases[] = {
        {L"C:\\Boards\\cpu.dsn", L"\\\\?\\C:\\Boards\\cpu.dsn"},
        {L"\\\\server\\share\\cpu.dsn", L"\\\\?\\UNC\\server\\share\\cpu.dsn"},
        {L"\\\\?\\C:\\Boards\\cpu.dsn", L"\\\\?\\C:\\Boards\\cpu.dsn"},
        {L"\\\\?\\UNC\\server\\share\\cpu.dsn", L"\\\\?\\UNC\\server\\share\\cpu.dsn"},
        {L"\\\\.\\C:\\Boards\\cpu.dsn", L"\\\\.\\C:\\Boards\\cpu.dsn"},
    };
    for (const Case& testCase : cases) {
        EXPECT_EQ(longPathForm(testCase.fullPath), testCase.expected);
    }
}

} // namespace
