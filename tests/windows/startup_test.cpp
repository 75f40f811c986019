// morvane.exe run end to end under Wine, as the board editor starts it, checking the log.
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char byte) { return byte >= 'A' && byte <= 'Z' ? byte + 32 : byte; });
    return text;
}

const std::string kFirstRunDump = "KVX status: 0\r\n"
                                  "Specctra path: \r\n"
                                  "PerlExe path: \r\n"
                                  "Jumper status: 0\r\n"
                                  "Jumper unit: 0\r\n"
                                  "Jumper step: \r\n"
                                  "Jumper max. length: \r\n"
                                  "Jumper via style: \r\n"
                                  "Jumper direction: \r\n"
                                  "Jumper layer: \r\n"
                                  "Room status: 0\r\n"
                                  "Room type: 0\r\n"
                                  "Room include type: 0\r\n";

// The whole log of a run with nothing stored and no board file: the sheet is asked for (the
// tests run without a display, so it cannot open) and there is no child to start.
std::string expectedLog(const std::vector<std::string>& arguments, const std::string& commandLine,
                        const std::string& designBase) {
    std::string log;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        char number[8];
        snprintf(number, sizeof number, "%02u", static_cast<unsigned>(index));
        log += "Arg " + std::string(number) + ": " + arguments[index] + "\r\n";
    }
    log += "Incomming command line:\r\n" + lowered(commandLine) + "\r\n";
    log += "Time: HH:MM:SS\tDate: MM/DD/YY\r\n";
    log += "Release version\r\nStarting converter\r\n";
    log += "Use pcb file: " + designBase + ".pcb\r\n";
    log += "Use dsn file: " + designBase + ".dsn\r\n";
    log += "Load registry parameters\r\n" + kFirstRunDump;
    log += "Create property sheet window\r\n";
    log += "End conversion\r\nStart Specctra\r\nStop Specctra\r\n";
    return log;
}

class StartupTest : public testing::Test {
  protected:
    void SetUp() override {
        deleteKvxKey();
        morvane_ = installMorvane(folder_.path());
    }
    void TearDown() override { deleteKvxKey(); }

    // Runs the installed program with `arguments` after its quoted path.
    RunResult run(const std::string& arguments, const std::string& currentDirectory = "") {
        return runProgram(morvane_, quotedProgram() + " " + arguments, currentDirectory);
    }
    std::string quotedProgram() const { return "\"" + morvane_ + "\""; }
    std::string logNextToProgram() const {
        return readWholeFile(folder_.path() + "kvxdebug.txt");
    }

    ScratchFolder folder_;
    std::string morvane_;
};

TEST_F(StartupTest, LogsTheRouterCommandLineLoweredAndSplit) {
    ScratchFolder tools;
    CreateDirectoryA((tools.path() + "Tools").c_str(), nullptr);
    std::string program = tools.path() + "Tools\\Wrap.exe";
    ASSERT_TRUE(CopyFileA(morvane_.c_str(), program.c_str(), FALSE));
    std::string commandLine = "\"" + program + "\" -design C:\\Work\\Board1.DSN -do x.do";

    RunResult result = runProgram(program, commandLine);

    ASSERT_TRUE(result.started);
    EXPECT_EQ(result.exitCode, 1u);
    std::string log = maskClock(readWholeFile(tools.path() + "Tools\\kvxdebug.txt"));
    EXPECT_EQ(log, expectedLog({lowered("\"" + program + "\""), "-design", "c:\\work\\board1.dsn",
                                "-do", "x.do"},
                               commandLine, "c:\\work\\board1"));
}

TEST_F(StartupTest, WithoutDesignTheFileNamesAreBareSuffixes) {
    ASSERT_TRUE(run("-do x.do  -quit").started);
    std::string log = maskClock(logNextToProgram());
    EXPECT_EQ(log, expectedLog({lowered(quotedProgram()), "-do", "x.do", "", "-quit"},
                               quotedProgram() + " -do x.do  -quit", ""));
}

TEST_F(StartupTest, DebugDirPlacesTheLogWithOrWithoutTrailingBackslash) {
    for (const char* separator : {"", "\\"}) {
        ScratchFolder logs;
        std::string directory = logs.path().substr(0, logs.path().size() - 1) + separator;
        setRegistryText("DebugDir", directory);

        ASSERT_TRUE(run("-design c:\\b\\x.dsn").started);

        EXPECT_NE(readWholeFile(logs.path() + "kvxdebug.txt").find("Use pcb file: c:\\b\\x.pcb"),
                  std::string::npos)
            << directory;
        EXPECT_FALSE(fileExists(folder_.path() + "kvxdebug.txt")) << directory;
    }
}

TEST_F(StartupTest, EmptyDebugDirPutsTheLogInTheCurrentDirectory) {
    setRegistryText("DebugDir", "");
    ScratchFolder current;
    ASSERT_TRUE(run("-quit", current.path()).started);
    EXPECT_NE(readWholeFile(current.path() + "kvxdebug.txt").find("Arg 01: -quit\r\n"),
              std::string::npos);
    EXPECT_FALSE(fileExists(folder_.path() + "kvxdebug.txt"));
}

TEST_F(StartupTest, AMissingDebugDirLeavesNoLogAndTheRunGoesOn) {
    setRegistryText("DebugDir", folder_.path() + "no such folder");
    RunResult result = run("-quit");
    ASSERT_TRUE(result.started);
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_FALSE(fileExists(folder_.path() + "kvxdebug.txt"));
}

TEST_F(StartupTest, ASecondRunOverwritesTheFirstLog) {
    ASSERT_TRUE(run("-design c:\\first\\long-board-name.dsn -do first.do -quit").started);
    ASSERT_TRUE(run("-design c:\\b\\x.dsn").started);
    std::string log = maskClock(logNextToProgram());
    EXPECT_EQ(log, expectedLog({lowered(quotedProgram()), "-design", "c:\\b\\x.dsn"},
                               quotedProgram() + " -design c:\\b\\x.dsn", "c:\\b\\x"));
}

TEST_F(StartupTest, ACommandLineNearTheWindowsMaximumIsLoggedWhole) {
    std::string design = "c:\\" + std::string(20000, 'd') + "\\board";
    std::string padding(32767 - 200 - quotedProgram().size() - design.size(), 'p');
    std::string arguments = "-design " + design + ".dsn -do " + padding + ".do";

    ASSERT_TRUE(run(arguments).started);

    std::string log = maskClock(logNextToProgram());
    EXPECT_EQ(log, expectedLog({lowered(quotedProgram()), "-design", design + ".dsn", "-do",
                                padding + ".do"},
                               quotedProgram() + " " + arguments, design));
}

} // namespace
