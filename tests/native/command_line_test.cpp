#include "launcher/command_line.h"
#include "tests/support/shift_jis.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// ArgTable holds whole command lines per slot: too large for the stack.
std::unique_ptr<ArgTable> split(const std::string& commandLine) {
    auto table = std::make_unique<ArgTable>();
    splitCommandLine(commandLine, *table);
    return table;
}

std::vector<std::string> arguments(const ArgTable& table) {
    std::vector<std::string> result;
    for (int index = 0; index < table.count; ++index) {
        result.emplace_back(table.slots[index]);
    }
    return result;
}

struct SplitCase {
    const char* name;
    std::string commandLine;
    std::vector<std::string> expected;
};

void PrintTo(const SplitCase& testCase, std::ostream* out) {
    *out << testCase.commandLine;
}

class SplitTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTest, SplitsAtSpacesOutsideQuotes) {
    EXPECT_EQ(arguments(*split(GetParam().commandLine)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, SplitTest,
    testing::Values(
        SplitCase{"QuotedProgramPath",
                  R"("c:\tools\wrap.exe" -design c:\work\board1.dsn -do x.do)",
                  {R"("c:\tools\wrap.exe")", "-design", R"(c:\work\board1.dsn)", "-do", "x.do"}},
        SplitCase{"QuotedSpaceStaysInArgument",
                  R"(a "c:\my boards\x.dsn" b)",
                  {"a", R"("c:\my boards\x.dsn")", "b"}},
        SplitCase{"QuotesInsideAnArgument", R"(a"b c"d e)", {R"(a"b c"d)", "e"}},
        SplitCase{"ConsecutiveSpacesGiveEmptyArgument", "a  b", {"a", "", "b"}},
        SplitCase{"LeadingSpaceGivesEmptyArgumentZero", " a", {"", "a"}},
        SplitCase{"TrailingSpaceGivesEmptyLastArgument", "a ", {"a", ""}},
        SplitCase{"TabsAreOrdinaryBytes", "a\tb c\r\n", {"a\tb", "c\r\n"}},
        SplitCase{"UnbalancedQuoteDropsLastArgument", R"(a b "c d)", {"a", "b"}},
        SplitCase{"EmptyLineIsOneEmptyArgument", "", {""}},
        SplitCase{"OnlyAQuote", "\"", {}}),
    [](const testing::TestParamInfo<SplitCase>& paramInfo) { return paramInfo.param.name; });

TEST(Split, KeepsTheFirstThirtyArguments) {
    std::string commandLine = "prog";
    for (int index = 1; index < 40; ++index) {
        commandLine += " a" + std::to_string(index);
    }
    auto table = split(commandLine);
    ASSERT_EQ(table->count, kMaxArguments);
    EXPECT_STREQ(table->slots[29], "a29");
}

TEST(Split, TakesTheLongestCommandLineWindowsDelivers) {
    // One argument of nearly the whole line, then a short one: neither is cut.
    std::string longArgument(32767 - 10, 'x');
    auto table = split("prog " + longArgument + " -quit");
    ASSERT_EQ(table->count, 3);
    EXPECT_EQ(std::string(table->slots[1]), longArgument);
    EXPECT_STREQ(table->slots[2], "-quit");
}

TEST(Split, ALineLongerThanTheCopyIsSplitAsTheCopyWouldHoldIt) {
    std::string oversized(kCommandLineCapacity + 100, 'y');
    auto table = split(oversized);
    ASSERT_EQ(table->count, 1);
    EXPECT_EQ(std::string(table->slots[0]).size(), kCommandLineCapacity - 1);
}

TEST(Lower, LowersOnlyLettersThatAreCharactersOfTheirOwn) {
    // In code page 932 "\x83\x41" (an "A" second) is one character, as are "\x95\\" and
    // "\x81\x40".
    struct Case {
        std::string text;
        std::string expected;
        LeadByteTest isLeadByte;
    };
    const Case cases[] = {
        {"\"C:\\Tools\\WRAP.exe\" -DESIGN [Z@] \xC4\xD6",
         "\"c:\\tools\\wrap.exe\" -design [z@] \xC4\xD6", noLeadBytes},
        {"C:\\\x83\x41\x95\\B\\X.DSN", "c:\\\x83\x41\x95\\b\\x.dsn", isShiftJisLeadByte},
        // A lead byte last in the text stands alone.
        {"\x81\x40Q\xFC", "\x81\x40q\xFC", isShiftJisLeadByte},
        // In a single-byte code page every capital is lowered.
        {"\x83\x41\x95\\B", "\x83\x61\x95\\b", noLeadBytes},
    };
    for (const Case& testCase : cases) {
        std::string text = testCase.text;
        lowerAscii(text.data(), testCase.isLeadByte);
        EXPECT_EQ(text, testCase.expected) << testCase.text;
    }
}

struct DesignCase {
    const char* name;
    std::string commandLine; // as taken in, before lowering
    std::string expectedBase;
};

void PrintTo(const DesignCase& testCase, std::ostream* out) {
    *out << testCase.commandLine;
}

class DesignBaseTest : public testing::TestWithParam<DesignCase> {};

TEST_P(DesignBaseTest, FindsTheBaseNameAfterDesign) {
    std::string copy = GetParam().commandLine;
    lowerAscii(copy.data(), noLeadBytes);
    EXPECT_EQ(designBaseName(*split(copy), isShiftJisLeadByte), GetParam().expectedBase);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, DesignBaseTest,
    testing::Values(
        DesignCase{"Usual", R"("C:\Tools\Wrap.exe" -design C:\Work\Board1.DSN -do x.do)",
                   R"(c:\work\board1)"},
        DesignCase{"UpperCaseOption", R"(wrap.exe -DESIGN c:\b\x.dsn)", R"(c:\b\x)"},
        DesignCase{"QuotedDesignLosesClosingQuote", R"(wrap.exe -design "c:\my boards\x.dsn")",
                   R"("c:\my boards\x)"},
        DesignCase{"QuotedDesignWithoutExtensionLosesClosingQuote",
                   R"(wrap.exe -design "c:\my boards\v1.2\cpu")", R"("c:\my boards\v1.2\cpu)"},
        DesignCase{"DesignAsLastArgumentSelectsNothing", "wrap.exe -do x.do -design", ""},
        DesignCase{"NoDesign", "wrap.exe -do x.do", ""},
        DesignCase{"OptionMerelyContainingDesign", R"(wrap.exe x-design-file c:\a.dsn)",
                   R"(c:\a)"},
        DesignCase{"ProgramDirectoryContainingDesignIsNoOption",
                   R"(c:\PCB-Designs\wrap.exe -design c:\b\x.dsn)", R"(c:\b\x)"},
        DesignCase{"NoExtensionKeepsDottedDirectory", R"(wrap.exe -design c:\jobs\v1.2\cpu)",
                   R"(c:\jobs\v1.2\cpu)"},
        DesignCase{"DottedDirectoryAndExtension", R"(wrap.exe -design c:\v1.2\cpu.dsn)",
                   R"(c:\v1.2\cpu)"},
        DesignCase{"SlashesAsSeparators", "wrap.exe -design c:/v1.2/cpu", "c:/v1.2/cpu"},
        // "\x95\\" is one character in code page 932: the dot after it is in the file name.
        DesignCase{"DotAfterATwoByteCharacterEndingInBackslash",
                   "wrap.exe -design c:\\x.\x95\\cpu", "c:\\x"},
        DesignCase{"NoDotAtAll", "wrap.exe -design board", "board"},
        DesignCase{"FirstDesignWins", R"(wrap.exe -design c:\x.dsn -design c:\y.dsn)", R"(c:\x)"},
        DesignCase{"TwoSpacesAfterDesign", R"(wrap.exe -design  c:\b\x.dsn)", R"(c:\b\x)"},
        DesignCase{"OnlyEmptyArgumentsAfterDesign", "wrap.exe -design  ", ""}),
    [](const testing::TestParamInfo<DesignCase>& paramInfo) { return paramInfo.param.name; });

TEST(DesignBase, HoldsADesignArgumentOfAnyLength) {
    std::string longPath = "c:\\" + std::string(30000, 'd') + "\\board";
    auto table = split("wrap.exe -design " + longPath + ".dsn");
    EXPECT_EQ(designBaseName(*table, noLeadBytes), longPath);
}

TEST(ProgramDirectory, KeepsEverythingUpToTheLastBackslash) {
    EXPECT_EQ(programDirectory(R"("c:\tools\wrap.exe")", noLeadBytes), R"("c:\tools\)");
    EXPECT_EQ(programDirectory(R"(c:\wrap.exe)", noLeadBytes), R"(c:\)");
    EXPECT_EQ(programDirectory("wrap.exe", noLeadBytes), "");
    EXPECT_EQ(programDirectory("", noLeadBytes), "");
    // A program named in Japanese: "\x95\\" is one character, not a folder's end.
    EXPECT_EQ(programDirectory("c:\\\x95\\x\\\x95\\.exe", isShiftJisLeadByte), "c:\\\x95\\x\\");
    EXPECT_EQ(programDirectory("\x95\\.exe", isShiftJisLeadByte), "");
}

} // namespace
