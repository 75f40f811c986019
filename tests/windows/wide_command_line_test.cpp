// morvane.exe and morvane-convert.exe started as a Unicode board editor starts them, with a
// wide command line. Windows hands a program that reads the ANSI command line look-alikes
// for the characters the ANSI code page lacks: "Łódź" becomes "Lódz", another folder, and a
// fullwidth quote becomes a plain one, which splits the arguments anew.
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kLodzPolish = L"\u0141\u00F3d\u017A"; // "Łódź"
constexpr const char* kLodzBestFit = "L\xF3\x64z";             // "Lódz" in code page 1252

class WideCommandLineTest : public testing::Test {
  protected:
    void SetUp() override {
        if (GetACP() != 1252) {
            GTEST_SKIP() << "the characters are chosen for code page 1252, not " << GetACP();
        }
        deleteKvxKey();
        records_ = folder_.path() + "records.txt";
        for (const char* variable : {"STANDIN_CONVERTER_RECORD", "STANDIN_ROUTER_RECORD"}) {
            SetEnvironmentVariableA(variable, records_.c_str());
        }
    }
    void TearDown() override { deleteKvxKey(); }

    ScratchFolder folder_;
    std::string records_;
};

TEST_F(WideCommandLineTest, MorvaneStartsNoChildWhenTheCodePageCannotHoldItsCommandLine) {
    const std::string morvane = installMorvane(folder_.path());
    const std::string router = buildFolder() + "stand_in_router.exe";
    setRegistryText("SCPath", router);
    setRegistryText("SEXEPath", buildFolder() + "stand_in_converter.exe");
    setRegistryDword("SCEnable", 1);
    const std::wstring boards = wideText(folder_.path());
    struct Case {
        std::wstring design;
        bool held;
    };
    const Case cases[] = {
        // The quote closes early: "-do" and a second file would reach the router.
        {L"\"c:\\b\\Q\uFF02 -do \uFF02x\\cpu.dsn\"", false},
        {boards + kLodzPolish + L"\\cpu.dsn", false},
        {boards + L"caf\u00E9\\cpu.dsn", true},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.held ? "held" : "not held");
        DeleteFileA(records_.c_str());

        RunResult result = runProgramWide(L"\"" + wideText(morvane) + L"\" -design " +
                                          testCase.design + L" -quit");

        EXPECT_TRUE(result.started);
        EXPECT_EQ(result.exitCode, 1u);
        std::vector<StandInRecord> started = readStandInRecords(records_);
        std::string log = readWholeFile(folder_.path() + "kvxdebug.txt");
        if (testCase.held) {
            ASSERT_EQ(started.size(), 2u);
            EXPECT_EQ(started[1].commandLine,
                      router + " -design " + lowered(folder_.path()) + "caf\xE9\\cpu.dsn -quit");
        } else {
            EXPECT_TRUE(started.empty());
            EXPECT_TRUE(log.ends_with("Room include type: 0\r\n"
                                      "Command line holds characters that the ANSI code page "
                                      "cannot hold: converter and Specctra not started\r\n"
                                      "End conversion\r\nStart Specctra\r\nStop Specctra\r\n"))
                << log;
        }
    }
}

// The design the editor means is in Łódź; the converter, reading the ANSI command line, would
// convert the one in Lódz.
TEST_F(WideCommandLineTest, TheConverterLeavesEveryDesignAloneWhenTheCodePageCannotHoldIt) {
    const std::string converter = folder_.path() + "morvane-convert.exe";
    ASSERT_TRUE(
        CopyFileA((buildFolder() + "morvane-convert.exe").c_str(), converter.c_str(), FALSE));
    storeExampleJumperSettings();
    const std::string original = readWholeFile(exampleFile("cpu-board.dsn"));
    const std::wstring meant = wideText(folder_.path()) + kLodzPolish + L"\\";
    const std::string bestFit = folder_.path() + kLodzBestFit + "\\";
    for (const std::wstring& folder : {meant, wideText(bestFit)}) {
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        ASSERT_TRUE(CopyFileW(wideText(exampleFile("cpu-board.dsn")).c_str(),
                              (folder + L"cpu-board.dsn").c_str(), FALSE));
    }

    RunResult result = runProgramWide(L"\"" + wideText(converter) + L"\" " + meant +
                                      L"cpu-board.pcb " + meant + L"cpu-board.dsn");

    EXPECT_TRUE(result.started);
    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(readWholeFile(bestFit + "cpu-board.dsn"), original);
    for (const std::wstring& folder : {meant, wideText(bestFit)}) {
        EXPECT_EQ(GetFileAttributesW((folder + L"cpu-board.dsn.bak").c_str()),
                  INVALID_FILE_ATTRIBUTES);
    }
    std::string log = readWholeFile(folder_.path() + "kvxconvert.txt");
    EXPECT_TRUE(log.starts_with("Converter command line:\r\n")) << log;
    EXPECT_TRUE(log.ends_with(
        "\r\nError: the command line holds characters that the ANSI code page cannot hold\r\n"
        "Design unchanged\r\n"))
        << log;
}

} // namespace
