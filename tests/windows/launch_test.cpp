// The converter and the router as morvane.exe starts them, seen through the stand-ins'
// records and the log.
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class LaunchTest : public testing::Test {
  protected:
    void SetUp() override {
        deleteKvxKey();
        morvane_ = installMorvane(folder_.path());
        converter_ = buildFolder() + "stand_in_converter.exe";
        router_ = buildFolder() + "stand_in_router.exe";
        records_ = folder_.path() + "records.txt";
        for (const char* role : {"STANDIN_CONVERTER", "STANDIN_ROUTER"}) {
            std::string prefix = role;
            SetEnvironmentVariableA((prefix + "_RECORD").c_str(), records_.c_str());
            SetEnvironmentVariableA((prefix + "_SLEEP_MS").c_str(), nullptr);
            SetEnvironmentVariableA((prefix + "_EXIT_CODE").c_str(), nullptr);
        }
        setRegistryText("SCPath", router_);
        setRegistryText("SEXEPath", converter_);
        setRegistryDword("SCEnable", 1);
    }
    void TearDown() override { deleteKvxKey(); }

    RunResult run(const std::string& arguments) {
        RunResult result = runProgram(morvane_, "\"" + morvane_ + "\" " + arguments);
        EXPECT_TRUE(result.started);
        EXPECT_EQ(result.exitCode, 1u);
        return result;
    }
    std::vector<StandInRecord> records() const { return readStandInRecords(records_); }
    std::string log() const { return maskClock(readWholeFile(folder_.path() + "kvxdebug.txt")); }

    ScratchFolder folder_;
    std::string morvane_;
    std::string converter_;
    std::string router_;
    std::string records_;
};

std::string logTail(const std::string& log, const std::string& from) {
    std::size_t start = log.find(from);
    return start == std::string::npos ? "<" + from + " missing>" : log.substr(start);
}

TEST_F(LaunchTest, HandsTheChildrenExactCommandLines) {
    run(R"(-DESIGN C:\B\X.dsn  "-Do" "Q R.do" -quit)");

    std::vector<StandInRecord> started = records();
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[0].role, "STANDIN_CONVERTER");
    EXPECT_EQ(started[0].commandLine, "\"" + converter_ + R"(" c:\b\x.pcb c:\b\x.dsn)");
    EXPECT_EQ(started[1].role, "STANDIN_ROUTER");
    EXPECT_EQ(started[1].commandLine, router_ + R"( -design c:\b\x.dsn  "-do" "q r.do" -quit)");

    EXPECT_EQ(logTail(log(), "Room include type"),
              "Room include type: 0\r\n"
              "Start converter with command line:\r\n\"" +
                  converter_ + "\" c:\\b\\x.pcb c:\\b\\x.dsn\r\n" +
                  "End conversion\r\nStart Specctra\r\n" + router_ +
                  " -design c:\\b\\x.dsn  \"-do\" \"q r.do\" -quit\r\n"
                  "Stop Specctra\r\n");
}

TEST_F(LaunchTest, TheRouterGetsTheArgumentsOfTheExample) {
    run(R"(-design c:\b\x.dsn -quit)");
    std::vector<StandInRecord> started = records();
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[1].commandLine, router_ + R"( -design c:\b\x.dsn -quit)");
}

TEST_F(LaunchTest, EachChildRunsToItsEndBeforeTheNextStep) {
    SetEnvironmentVariableA("STANDIN_CONVERTER_SLEEP_MS", "400");
    SetEnvironmentVariableA("STANDIN_ROUTER_SLEEP_MS", "400");

    RunResult result = run(R"(-design c:\b\x.dsn)");

    std::vector<StandInRecord> started = records();
    ASSERT_EQ(started.size(), 2u);
    EXPECT_LE(started[0].ended, started[1].started);
    EXPECT_GE(result.exitTime, started[1].ended);
}

TEST_F(LaunchTest, ADisabledOrUnsetConverterIsSkipped) {
    struct Case {
        const char* name;
        uint32_t enable;
        bool converterPathSet;
        const char* afterSettings;
    };
    // A missing converter path also asks for the sheet, which cannot open without a display.
    for (const Case& testCase :
         {Case{"disabled", 0, true, ""}, Case{"enabled as 2", 2, true, ""},
          Case{"no converter path", 1, false, "Create property sheet window\r\n"}}) {
        DeleteFileA(records_.c_str());
        setRegistryDword("SCEnable", testCase.enable);
        setRegistryText("SEXEPath", testCase.converterPathSet ? converter_ : "");

        run(R"(-design c:\b\x.dsn)");

        std::vector<StandInRecord> started = records();
        ASSERT_EQ(started.size(), 1u) << testCase.name;
        EXPECT_EQ(started[0].role, "STANDIN_ROUTER") << testCase.name;
        EXPECT_NE(log().find("Room include type: 0\r\n" + std::string(testCase.afterSettings) +
                             "End conversion\r\nStart Specctra\r\n"),
                  std::string::npos)
            << testCase.name;
    }
}

TEST_F(LaunchTest, WithoutARouterPathTheLogEndsWithStopSpecctra) {
    setRegistryText("SCPath", "");
    run(R"(-design c:\b\x.dsn)");
    std::vector<StandInRecord> started = records();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].role, "STANDIN_CONVERTER");
    EXPECT_EQ(logTail(log(), "End conversion"), "End conversion\r\nStart Specctra\r\nStop Specctra\r\n");
}

TEST_F(LaunchTest, WithoutDesignTheConverterGetsBareSuffixes) {
    run("-do x.do");
    std::vector<StandInRecord> started = records();
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[0].commandLine, "\"" + converter_ + "\" .pcb .dsn");
}

TEST_F(LaunchTest, AConverterThatCannotStartIsLoggedAndTheRouterStillRuns) {
    std::string missing = folder_.path() + "no-such-converter.exe";
    setRegistryText("SEXEPath", missing);

    run(R"(-design c:\b\x.dsn)");

    std::vector<StandInRecord> started = records();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].role, "STANDIN_ROUTER");
    EXPECT_NE(log().find("\"" + missing + "\" c:\\b\\x.pcb c:\\b\\x.dsn\r\n" +
                         "Could not start " + missing + ": Windows error 2\r\n" +
                         "End conversion\r\n"),
              std::string::npos)
        << log();
}

// A folder where the router should be is not a program: it is named like a missing file
// (which the sheet tests cover). Without a display the sheet cannot open, and the run goes
// on with the settings as stored.
TEST_F(LaunchTest, AFolderAtTheRouterPathIsNamedBeforeTheSheet) {
    std::string folder = folder_.path() + "router.exe\\";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    setRegistryText("SCPath", folder);

    run(R"(-design c:\b\x.dsn)");

    EXPECT_NE(log().find("Room include type: 0\r\nSpecctra not found: " + folder +
                         "\r\nCreate property sheet window\r\n"),
              std::string::npos)
        << log();
}

// Morvane chosen as its own router, however its path is written, is not started again. A
// copy of it is another program, started once, which stops there: for it the router is
// itself.
TEST_F(LaunchTest, MorvaneIsNeverItsOwnRouter) {
    setRegistryDword("SCEnable", 0);
    ASSERT_TRUE(CreateDirectoryA((folder_.path() + "sub").c_str(), nullptr));
    ScratchFolder copyFolder;
    std::string copy = installMorvane(copyFolder.path());
    struct Case {
        std::string router;
        std::string refusingFolder; // where the Morvane that refuses it logs
        DWORD morvanes;
    };
    for (const Case& testCase : {Case{morvane_, folder_.path(), 1},
                                 Case{folder_.path() + "sub\\..\\MORVANE.EXE", folder_.path(), 1},
                                 Case{copy, copyFolder.path(), 2}}) {
        SCOPED_TRACE(testCase.router);
        setRegistryText("SCPath", testCase.router);

        RunResult result = run(R"(-design c:\b\x.dsn)");

        EXPECT_TRUE(result.ended);
        // Without a display the sheet's window makes Wine start its desktop program, which
        // ends at once.
        EXPECT_EQ(result.processes, testCase.morvanes + 1);
        std::string named = "Specctra is Morvane itself: " + testCase.router + "\r\n";
        EXPECT_EQ(logTail(readWholeFile(testCase.refusingFolder + "kvxdebug.txt"),
                          "Room include type"),
                  "Room include type: 0\r\n" + named +
                      "Create property sheet window\r\nEnd conversion\r\nStart Specctra\r\n" +
                      named + "Stop Specctra\r\n");
    }
}

TEST_F(LaunchTest, ExitCodesOtherThanZeroAreLoggedAfterTheirChild) {
    SetEnvironmentVariableA("STANDIN_CONVERTER_EXIT_CODE", "3221225477");
    SetEnvironmentVariableA("STANDIN_ROUTER_EXIT_CODE", "2");

    run(R"(-design c:\b\x.dsn)");

    EXPECT_EQ(logTail(log(), "Start converter"),
              "Start converter with command line:\r\n\"" + converter_ +
                  "\" c:\\b\\x.pcb c:\\b\\x.dsn\r\n"
                  "Converter exit code: 3221225477\r\n"
                  "End conversion\r\nStart Specctra\r\n" +
                  router_ + " -design c:\\b\\x.dsn\r\n"
                  "Specctra exit code: 2\r\n"
                  "Stop Specctra\r\n");
}

// A designer's installation: the router under Program Files, the board in a folder whose
// name holds a space, the editor quoting the design argument, and Morvane's own converter
// putting jumpers into the design.
TEST_F(LaunchTest, FoldersWithSpacesWorkEndToEnd) {
    ScratchFolder installation(programFilesFolder());
    std::string router = installation.path() + "router.exe";
    ASSERT_TRUE(CopyFileA(router_.c_str(), router.c_str(), FALSE));
    std::string converter = folder_.path() + "morvane-convert.exe";
    ASSERT_TRUE(CopyFileA((buildFolder() + "morvane-convert.exe").c_str(), converter.c_str(), FALSE));
    std::string boards = folder_.path() + "My Boards\\";
    ASSERT_TRUE(CreateDirectoryA(boards.c_str(), nullptr));
    for (const char* name : {"cpu-board.pcb", "cpu-board.dsn"}) {
        ASSERT_TRUE(CopyFileA(exampleFile(name).c_str(), (boards + name).c_str(), FALSE));
    }
    setRegistryText("SCPath", router);
    setRegistryText("SEXEPath", converter);
    storeExampleJumperSettings();

    run("-design \"" + boards + "cpu-board.dsn\" -do route.do -quit");

    std::vector<StandInRecord> started = records();
    ASSERT_EQ(started.size(), 1u);
    const std::vector<std::string> expectedArguments = {
        router, "-design", lowered(boards) + "cpu-board.dsn", "-do", "route.do", "-quit"};
    EXPECT_EQ(started[0].arguments, expectedArguments);
    std::string runLog = log();
    EXPECT_NE(runLog.find("Add via: CCTVIA_(Default)\r\nAdd via: V30\r\nAdd via: CCTVIA_TH_62\r\n"),
              std::string::npos)
        << runLog;
    EXPECT_EQ(runLog.find("exit code"), std::string::npos) << runLog;
    EXPECT_EQ(readWholeFile(boards + "cpu-board.dsn.bak"), readWholeFile(exampleFile("cpu-board.dsn")));
    EXPECT_NE(readWholeFile(boards + "cpu-board.dsn").find("(type jumper)"), std::string::npos);
}

// Batch files that set up the router's and the converter's surroundings and start them.
// Started as plain programs, cmd.exe would run what follows the "&" of a folder named r&d
// as a command of its own: "d\cpu.dsn", which a d\cpu.dsn.bat in the working folder answers.
TEST_F(LaunchTest, BatchFilesGetAFolderNamedRAndDAsText) {
    std::string routerBatch = folder_.path() + "route.bat";
    std::string converterBatch = folder_.path() + "Convert.CMD";
    writeWholeFile(routerBatch, "@\"" + router_ + "\" %*\r\n");
    writeWholeFile(converterBatch, "@\"" + converter_ + "\" %*\r\n");
    setRegistryText("SCPath", routerBatch);
    setRegistryText("SEXEPath", converterBatch);
    std::string ran = folder_.path() + "ran.txt";
    ASSERT_TRUE(CreateDirectoryA((folder_.path() + "d").c_str(), nullptr));
    for (const char* command : {"d\\cpu.dsn.bat", "d\\cpu.pcb.bat"}) {
        writeWholeFile(folder_.path() + command, "@echo %0 > \"" + ran + "\"\r\n");
    }
    std::string jobs = lowered(folder_.path()) + "r&d\\";

    RunResult result = runProgram(
        morvane_, "\"" + morvane_ + "\" -design " + jobs + "cpu.dsn -quit", folder_.path());

    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_FALSE(fileExists(ran)) << readWholeFile(ran);
    std::vector<StandInRecord> started = records();
    ASSERT_EQ(started.size(), 2u) << log();
    EXPECT_EQ(started[0].arguments,
              (std::vector<std::string>{converter_, jobs + "cpu.pcb", jobs + "cpu.dsn"}));
    EXPECT_EQ(started[1].arguments,
              (std::vector<std::string>{router_, "-design", jobs + "cpu.dsn", "-quit"}));
}

// A batch file that hands %* on gives the router what it gets when started directly: a
// folder r&d\ that Morvane quotes and an argument that the editor quoted stay whole. The
// path Windows opens decides what a program is, however the stored path spells it.
TEST_F(LaunchTest, ABatchRouterGetsWhatADirectStartGets) {
    setRegistryDword("SCEnable", 0);
    const std::string arguments =
        R"(-design c:\jobs\x.dsn -dest c:\r&d\ -do "c:\my boards\x -quit y.do")";
    run(arguments);
    const std::vector<std::string> direct = {router_,
                                             "-design",
                                             R"(c:\jobs\x.dsn)",
                                             "-dest",
                                             R"(c:\r&d\)",
                                             "-do",
                                             R"(c:\my boards\x -quit y.do)"};
    ASSERT_EQ(records().at(0).arguments, direct);
    std::string routerBatch = folder_.path() + "route.bat";
    writeWholeFile(routerBatch, "@\"" + router_ + "\" %*\r\n");
    for (const std::string& stored : {routerBatch, routerBatch + "\\."}) {
        SCOPED_TRACE(stored);
        DeleteFileA(records_.c_str());
        setRegistryText("SCPath", stored);
        run(arguments);
        std::vector<StandInRecord> started = records();
        ASSERT_EQ(started.size(), 1u) << log();
        EXPECT_EQ(started[0].arguments, direct);
    }
}

// Within quotes cmd.exe still expands %...%: such an argument is not handed to a batch file,
// which does not start then; the log names both.
TEST_F(LaunchTest, ABatchFileIsNotStartedWithAnArgumentCmdWouldExpand) {
    std::string routerBatch = folder_.path() + "route.bat";
    writeWholeFile(routerBatch, "@\"" + router_ + "\" %*\r\n");
    setRegistryText("SCPath", routerBatch);

    run(R"(-design c:\b\x.dsn -do %windir%.do)");

    std::vector<StandInRecord> started = records();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].role, "STANDIN_CONVERTER");
    EXPECT_EQ(logTail(log(), "Start Specctra"),
              "Start Specctra\r\nCould not start " + routerBatch +
                  ": unsafe argument for a batch file: %windir%.do\r\nStop Specctra\r\n");
}

TEST_F(LaunchTest, ACommandLineNearTheWindowsMaximumReachesTheRouterWhole) {
    std::string quotedProgram = "\"" + morvane_ + "\"";
    std::string padding(32767 - 100 - quotedProgram.size(), 'p');
    std::string arguments = "-quit -do " + padding;
    setRegistryDword("SCEnable", 0);

    run(arguments);

    std::vector<StandInRecord> started = records();
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].commandLine, router_ + " " + arguments);
}

} // namespace
