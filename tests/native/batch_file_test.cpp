#include "launcher/batch_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr const char* kCmd = R"(c:\windows\system32\cmd.exe)";

TEST(BatchFile, IsNamedByItsExtensionAsWindowsReadsIt) {
    struct Case {
        const char* path;
        bool batch;
    };
    const Case cases[] = {
        {R"(c:\router\route.bat)", true},
        {R"(C:\Router\ROUTE.CMD)", true},
        {R"(c:\router\route.Bat)", true},
        {R"(c:\router\route.bat.)", true},
        {R"(c:\router\route.cmd . )", true},
        {R"(c:\router\route.exe)", false},
        {R"(c:\router\route.bat.exe)", false},
        {R"(c:\router\route.batch)", false},
        {R"(c:\router.bat\route)", false},
        {"bat", false},
        {"", false},
        {"...", false},
    };
    for (const Case& testCase : cases) {
        EXPECT_EQ(isBatchFile(testCase.path), testCase.batch) << testCase.path;
    }
}

struct LineCase {
    const char* name;
    std::string batchFile;
    std::vector<std::string_view> arguments;
    LineOutcome outcome;
    std::string expected; // the line when built, else the text that is unsafe
};

void PrintTo(const LineCase& testCase, std::ostream* out) {
    *out << testCase.name;
}

class BatchLineTest : public testing::TestWithParam<LineCase> {};

TEST_P(BatchLineTest, QuotesWhatCmdActsOnAndRefusesWhatQuotesCannotHold) {
    const LineCase& testCase = GetParam();
    char line[400] = "not cleared";
    BatchLine built =
        buildBatchCommandLine(kCmd, testCase.batchFile, testCase.arguments, line, sizeof line);
    ASSERT_EQ(built.outcome, testCase.outcome);
    if (testCase.outcome == LineOutcome::Built) {
        EXPECT_EQ(std::string(line), std::string("\"") + kCmd + "\" /d /c " + testCase.expected);
    } else {
        EXPECT_EQ(std::string(built.unsafeText), testCase.expected);
        EXPECT_STREQ(line, "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, BatchLineTest,
    testing::Values(
        LineCase{"PlainArgumentsAsTheyAre",
                 R"(c:\r\route.bat)",
                 {"-design", R"(c:\b\x.dsn)", "", "-quit"},
                 LineOutcome::Built,
                 R"(""c:\r\route.bat" -design c:\b\x.dsn  -quit")"},
        LineCase{"NoArguments",
                 R"(C:\Program Files\R\route.cmd)",
                 {},
                 LineOutcome::Built,
                 R"(""C:\Program Files\R\route.cmd"")"},
        LineCase{"CommandCharactersGoInQuotes",
                 R"(c:\r\route.bat)",
                 {R"(c:\jobs\r&d\cpu.dsn)", "a|b", "<in", "out>", "x^y", "(p)", "@f", "a,b;c=d",
                  "t\tab"},
                 LineOutcome::Built,
                 R"-(""c:\r\route.bat" "c:\jobs\r&d\cpu.dsn" "a|b" "<in" "out>" "x^y" "(p)")-"
                 " \"@f\" \"a,b;c=d\" \"t\tab\"\""},
        LineCase{"QuotedWholeStaysAsItIs",
                 R"(c:\r&d\route.bat)",
                 {R"("c:\my boards\r&d.dsn")", R"("")"},
                 LineOutcome::Built,
                 R"(""c:\r&d\route.bat" "c:\my boards\r&d.dsn" """)"},
        LineCase{"AnOpeningQuoteGetsItsClosingOne",
                 R"(c:\r\conv.bat)",
                 {R"("c:\my boards\cpu.pcb)", R"("c:\my boards\cpu.dsn)"},
                 LineOutcome::Built,
                 R"(""c:\r\conv.bat" "c:\my boards\cpu.pcb" "c:\my boards\cpu.dsn"")"},
        LineCase{"PercentIsExpandedEvenInQuotes",
                 R"(c:\r\route.bat)",
                 {"-design", R"(c:\jobs\100%\cpu.dsn)"},
                 LineOutcome::Unsafe,
                 R"(c:\jobs\100%\cpu.dsn)"},
        LineCase{"ExclamationMark",
                 R"(c:\r\route.bat)",
                 {"-do", "go!.do"},
                 LineOutcome::Unsafe,
                 "go!.do"},
        LineCase{
            "QuoteInside", R"(c:\r\route.bat)", {R"(a"b c"d)"}, LineOutcome::Unsafe, R"(a"b c"d)"},
        LineCase{"QuoteInsideAQuotedArgument",
                 R"(c:\r\route.bat)",
                 {R"("a"&"b")"},
                 LineOutcome::Unsafe,
                 R"("a"&"b")"},
        LineCase{"LineBreak", R"(c:\r\route.bat)", {"a\nb"}, LineOutcome::Unsafe, "a\nb"},
        LineCase{"PercentInTheBatchFilesPath",
                 R"(c:\100%\route.bat)",
                 {"-quit"},
                 LineOutcome::Unsafe,
                 R"(c:\100%\route.bat)"}),
    [](const testing::TestParamInfo<LineCase>& paramInfo) { return paramInfo.param.name; });

TEST(BatchLine, ALineThatDoesNotFitIsNotBuilt) {
    const std::string_view arguments[] = {"a&b"};
    const std::string whole = std::string("\"") + kCmd + R"(" /d /c ""r.bat" "a&b"")";
    std::vector<char> line(whole.size() + 1);
    EXPECT_EQ(buildBatchCommandLine(kCmd, "r.bat", arguments, line.data(), line.size()).outcome,
              LineOutcome::Built);
    EXPECT_EQ(std::string(line.data()), whole);
    EXPECT_EQ(buildBatchCommandLine(kCmd, "r.bat", arguments, line.data(), line.size() - 1).outcome,
              LineOutcome::TooLong);
    EXPECT_STREQ(line.data(), "");
}

} // namespace
