#include "launcher/batch_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(BatchFile, IsNamedByItsExtensionAsWindowsReadsIt) {
    for (const char* path : {R"(c:\r\route.bat)", R"(C:\R\ROUTE.CMD)", R"(c:\r\route.bat. )"}) {
        EXPECT_TRUE(isBatchFile(path)) << path;
    }
    for (const char* path :
         {R"(c:\r\route.exe)", R"(c:\r\route.bat.exe)", R"(c:\r.bat\route)", "bat", "..."}) {
        EXPECT_FALSE(isBatchFile(path)) << path;
    }
}

struct LineCase {
    std::vector<std::string_view> arguments;
    LineOutcome outcome;
    std::string expected; // after "/d /c " when built; else the text that is unsafe
};

TEST(BatchLine, QuotesWhatCmdActsOnAndRefusesWhatQuotesCannotHold) {
    const LineCase cases[] = {
        {{"-design", R"(c:\b\x.dsn)", "", "-quit"},
         LineOutcome::Built,
         R"(""c:\r\route.bat" -design c:\b\x.dsn  -quit")"},
        {{R"(c:\jobs\r&d\cpu.dsn)", "a|b", "<in", "x^y", "(p)", "a,b"},
         LineOutcome::Built,
         R"-(""c:\r\route.bat" "c:\jobs\r&d\cpu.dsn" "a|b" "<in" "x^y" "(p)" "a,b"")-"},
        // Quoted whole, an argument is text already; one only opened gets its closing quote.
        {{R"("c:\my boards\r&d.dsn")", R"("c:\my boards\cpu.pcb)"},
         LineOutcome::Built,
         R"(""c:\r\route.bat" "c:\my boards\r&d.dsn" "c:\my boards\cpu.pcb"")"},
        // Quotes of Morvane's own end as the C runtime reads them: a backslash before the
        // closing quote would make it a literal one. The editor's quotes stay as they are.
        {{R"(c:\r&d\)", R"(c:\r&d\\)", R"("c:\my boards\x -quit y.do")", R"("c:\b\")", R"("c:\b\)"},
         LineOutcome::Built,
         R"(""c:\r\route.bat" "c:\r&d\\" "c:\r&d\\\\" "c:\my boards\x -quit y.do" "c:\b\" "c:\b\\"")"},
        // A quote inside ends the quotes early, whatever encloses it.
        {{R"("a"&"b")"}, LineOutcome::Unsafe, R"("a"&"b")"},
    };
    constexpr const char* kCmd = R"(c:\windows\system32\cmd.exe)";
    for (const LineCase& testCase : cases) {
        SCOPED_TRACE(testCase.expected);
        char line[240] = "not cleared";
        BatchLine built =
            buildBatchCommandLine(kCmd, R"(c:\r\route.bat)", testCase.arguments, line, sizeof line);
        ASSERT_EQ(built.outcome, testCase.outcome);
        if (testCase.outcome == LineOutcome::Built) {
            EXPECT_EQ(std::string(line),
                      std::string("\"") + kCmd + "\" /d /c " + testCase.expected);
        } else {
            EXPECT_EQ(std::string(built.unsafeText), testCase.expected);
            EXPECT_STREQ(line, "");
        }
    }
    char line[200];
    EXPECT_EQ(buildBatchCommandLine(kCmd, R"(c:\100%\route.bat)", {}, line, sizeof line).outcome,
              LineOutcome::Unsafe);
    EXPECT_EQ(buildBatchCommandLine(kCmd, R"(c:\r\route.bat)", {}, line, 40).outcome,
              LineOutcome::TooLong);
    EXPECT_STREQ(line, "");
}

} // namespace
