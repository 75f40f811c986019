#include "fakes.h"
#include "launcher/launch.h"
#include "launcher/run_state.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// Every child "started", as application path and command line.
std::vector<std::pair<std::string, std::string>> startedChildren;
std::string workingFolderPath;
// The programs that "exist", and those of them that are Morvane itself.
std::set<std::string> existingPrograms;
std::set<std::string> morvaneItself;

class LaunchTest : public testing::Test {
  protected:
    void SetUp() override {
        resetFakes();
        startedChildren.clear();
        morvaneItself.clear();
        workingFolderPath = R"(c:\jobs)";
        std::strcpy(settings.SCPath, R"(c:\router\router.exe)");
        std::strcpy(settings.SEXEPath, R"(c:\conv\conv.exe)");
        settings.SCEnable = 1;
        std::strcpy(commandLineCopy, R"("c:\tools\wrap.exe" -design c:\b\x.dsn -quit)");
    }
};

TEST_F(LaunchTest, RunsTheConverterThenTheRouterAndLogsBoth) {
    launchChildren(R"(c:\b\x.pcb)", R"(c:\b\x.dsn)");

    const std::vector<std::pair<std::string, std::string>> expected = {
        {R"(c:\conv\conv.exe)", R"("c:\conv\conv.exe" c:\b\x.pcb c:\b\x.dsn)"},
        {R"(c:\router\router.exe)", R"(c:\router\router.exe -design c:\b\x.dsn -quit)"},
    };
    EXPECT_EQ(startedChildren, expected);
    EXPECT_EQ(capturedLog, "Start converter with command line:\r\n"
                           "\"c:\\conv\\conv.exe\" c:\\b\\x.pcb c:\\b\\x.dsn\r\n"
                           "End conversion\r\n"
                           "Start Specctra\r\n"
                           "c:\\router\\router.exe -design c:\\b\\x.dsn -quit\r\n"
                           "Stop Specctra\r\n");
}

// Only a batch file runs in cmd.exe, which cannot start in a network folder.
TEST_F(LaunchTest, ABatchFileStartedInANetworkFolderIsNamedInTheLog) {
    workingFolderPath = R"(\\server\boards\job)";
    std::strcpy(settings.SCPath, R"(c:\router\route.bat)");
    launchChildren(R"(c:\b\x.pcb)", R"(c:\b\x.dsn)");
    EXPECT_EQ(capturedLog.rfind("Start converter with command line:", 0), 0u);
    EXPECT_NE(capturedLog.find("End conversion\r\nStart Specctra\r\ncmd.exe cannot start in the "
                               "network folder \\\\server\\boards\\job: the batch file runs in "
                               "the Windows folder\r\n\"c:\\windows"),
              std::string::npos)
        << capturedLog;
}

TEST_F(LaunchTest, TheConverterRunsOnlyWhenEnabledWithAPath) {
    struct Case {
        int32_t enable;
        const char* converterPath;
        bool runs;
    };
    const Case cases[] = {
        {1, R"(c:\conv\conv.exe)", true}, {0, R"(c:\conv\conv.exe)", false},
        {2, R"(c:\conv\conv.exe)", false}, {-1, R"(c:\conv\conv.exe)", false},
        {1, "", false},
    };
    for (const Case& testCase : cases) {
        startedChildren.clear();
        capturedLog.clear();
        settings.SCEnable = testCase.enable;
        std::strcpy(settings.SEXEPath, testCase.converterPath);
        launchChildren(".pcb", ".dsn");
        ASSERT_EQ(startedChildren.size(), testCase.runs ? 2u : 1u) << testCase.enable;
        EXPECT_EQ(startedChildren.back().first, R"(c:\router\router.exe)");
        EXPECT_EQ(capturedLog.rfind("End conversion\r\nStart Specctra\r\n", 0) == 0,
                  !testCase.runs);
    }
}

TEST_F(LaunchTest, WithoutARouterPathOnlyTheLogLinesRemain) {
    settings.SCPath[0] = '\0';
    settings.SCEnable = 0;
    launchChildren(".pcb", ".dsn");
    EXPECT_TRUE(startedChildren.empty());
    EXPECT_EQ(capturedLog, "End conversion\r\nStart Specctra\r\nStop Specctra\r\n");
}

TEST_F(LaunchTest, AProgramThatIsMorvaneItselfIsNamedInsteadOfStarted) {
    morvaneItself = {R"(c:\router\router.exe)", R"(c:\conv\conv.exe)"};
    launchChildren(R"(c:\b\x.pcb)", R"(c:\b\x.dsn)");
    EXPECT_TRUE(startedChildren.empty());
    EXPECT_EQ(capturedLog, "Converter is Morvane itself: c:\\conv\\conv.exe\r\n"
                           "End conversion\r\n"
                           "Start Specctra\r\n"
                           "Specctra is Morvane itself: c:\\router\\router.exe\r\n"
                           "Stop Specctra\r\n");
}

TEST_F(LaunchTest, TheSheetOpensForAProgramMissingGoneOrMorvaneItself) {
    const std::string router = R"(c:\router\router.exe)";
    const std::string converter = R"(c:\conv\conv.exe)";
    struct Case {
        const char* name;
        std::set<std::string> existing;
        const char* routerPath;
        const char* converterPath;
        int32_t converterEnabled;
        bool shiftDown;
        bool sheetNeeded;
        std::string log;
        std::set<std::string> itself = {}; // the stored programs that are Morvane
    };
    const Case cases[] = {
        {"both there", {router, converter}, router.c_str(), converter.c_str(), 1, false, false, ""},
        {"router path empty", {converter}, "", converter.c_str(), 1, false, true, ""},
        {"router gone", {converter}, router.c_str(), converter.c_str(), 1, false, true,
         "Specctra not found: " + router + "\r\n"},
        {"converter gone", {router}, router.c_str(), converter.c_str(), 1, false, true,
         "Converter not found: " + converter + "\r\n"},
        {"both gone", {}, router.c_str(), converter.c_str(), 1, true, true,
         "Specctra not found: " + router + "\r\nConverter not found: " + converter + "\r\n"},
        // A converter that does not run does not matter.
        {"converter gone, enabled as 2", {router}, router.c_str(), converter.c_str(), 2, false,
         false, ""},
        {"router is Morvane", {router, converter}, router.c_str(), converter.c_str(), 2, false,
         true, "Specctra is Morvane itself: " + router + "\r\n", {router}},
        {"converter is Morvane", {router, converter}, router.c_str(), converter.c_str(), 1, false,
         true, "Converter is Morvane itself: " + converter + "\r\n", {converter}},
    };
    for (const Case& testCase : cases) {
        capturedLog.clear();
        existingPrograms = testCase.existing;
        morvaneItself = testCase.itself;
        std::strcpy(settings.SCPath, testCase.routerPath);
        std::strcpy(settings.SEXEPath, testCase.converterPath);
        settings.SCEnable = testCase.converterEnabled;
        EXPECT_EQ(settingsSheetNeeded(testCase.shiftDown), testCase.sheetNeeded) << testCase.name;
        EXPECT_EQ(capturedLog, testCase.log) << testCase.name;
    }
}

TEST(RouterCommandLine, QuotesAPathWithABlankUnlessItIsQuoted) {
    struct Case {
        const char* routerPath;
        const char* expected;
    };
    const Case cases[] = {
        {R"(c:\router\r.exe)", R"(c:\router\r.exe -quit)"},
        {R"(C:\Program Files\Router\r.exe)", R"("C:\Program Files\Router\r.exe" -quit)"},
        {"c:\\tab\\a\tb.exe", "\"c:\\tab\\a\tb.exe\" -quit"},
        {R"("C:\Program Files\r.exe")", R"("C:\Program Files\r.exe" -quit)"},
    };
    for (const Case& testCase : cases) {
        char line[200];
        ASSERT_TRUE(buildRouterCommandLine(testCase.routerPath, " -quit", line, sizeof line));
        EXPECT_STREQ(line, testCase.expected);
    }
    // The quotes count towards the line's capacity.
    char line[sizeof "\"a b\" -quit"];
    EXPECT_TRUE(buildRouterCommandLine("a b", " -quit", line, sizeof line));
    EXPECT_FALSE(buildRouterCommandLine("a bc", " -quit", line, sizeof line));
    EXPECT_STREQ(line, "");
}

std::string manyArguments(int count) {
    std::string arguments;
    for (int index = 0; index < count; ++index) {
        arguments += " -a" + std::to_string(index);
    }
    return arguments;
}

TEST(RouterCommandLine, PassesTheLineAfterTheProgramOwnPathWhole) {
    struct Case {
        std::string commandLine;
        std::string expected;
    };
    const Case cases[] = {
        {R"(wrap.exe -design c:\b\x.dsn -quit)", R"(r.exe -design c:\b\x.dsn -quit)"},
        {"wrap.exe", "r.exe"},
        {"wrap.exe  -quit ", "r.exe  -quit "},
        {R"("c:\my tools\wrap.exe" -design "c:\my boards\x.dsn")",
         R"(r.exe -design "c:\my boards\x.dsn")"},
        {R"(c:\my tools\wrap.exe -quit)", R"(r.exe tools\wrap.exe -quit)"},
        {"wrap.exe" + manyArguments(34), "r.exe" + manyArguments(34)},
        {R"(wrap.exe -quit -design "c:\my boards\x.dsn)",
         R"(r.exe -quit -design "c:\my boards\x.dsn)"},
        {R"("c:\my tools\wrap.exe)", "r.exe"},
    };
    for (const Case& testCase : cases) {
        char line[400];
        ASSERT_TRUE(buildRouterCommandLine("r.exe", afterProgramPath(testCase.commandLine), line,
                                           sizeof line));
        EXPECT_EQ(std::string(line), testCase.expected) << testCase.commandLine;
    }
}

TEST_F(LaunchTest, ABatchRouterGetsEveryArgumentToo) {
    std::strcpy(settings.SCPath, R"(c:\router\route.bat)");
    std::strcpy(commandLineCopy,
                ("wrap.exe" + manyArguments(34) + R"( "c:\my boards\x.dsn)").c_str());
    launchChildren(".pcb", ".dsn");
    EXPECT_EQ(startedChildren.at(1).second,
              R"("c:\windows\system32\cmd.exe" /d /c ""c:\router\route.bat")" + manyArguments(34) +
                  R"( "c:\my boards\x.dsn"")");
}

TEST(ChildCommandLines, ALineThatDoesNotFitIsNotBuiltAtAll) {
    char line[20]; // room for 19 characters
    EXPECT_TRUE(buildConverterCommandLine("c.exe", "a.pcb", "a.dsn", line, sizeof line));
    EXPECT_STREQ(line, "\"c.exe\" a.pcb a.dsn");
    EXPECT_FALSE(buildConverterCommandLine("c.exe", "ab.pcb", "a.dsn", line, sizeof line));
    EXPECT_STREQ(line, "");

    EXPECT_TRUE(buildRouterCommandLine("router.exe", " -quit -x", line, sizeof line));
    EXPECT_FALSE(buildRouterCommandLine("router12.exe", " -quit -x", line, sizeof line));
    EXPECT_STREQ(line, "");
}

} // namespace

int runChild(const char* applicationPath, char* commandLine, uint32_t& exitCode) {
    startedChildren.emplace_back(applicationPath, commandLine);
    exitCode = 0;
    return 1;
}

const char* commandInterpreter() {
    return R"(c:\windows\system32\cmd.exe)";
}

const char* workingFolder(char (&folder)[kFullPathCapacity]) {
    std::strcpy(folder, workingFolderPath.c_str());
    return folder;
}

const char* programFile(const char* path, char (&)[kFullPathCapacity]) {
    return path;
}

bool programExists(const char* path) {
    return existingPrograms.count(path) != 0;
}

bool isMorvaneItself(const char* path) {
    return morvaneItself.count(path) != 0;
}
