// The board file as morvane.exe reads it: the style names in the log, and the run going on
// when the file cannot be read.
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class BoardFileTest : public testing::Test {
  protected:
    void SetUp() override {
        deleteKvxKey();
        morvane_ = installMorvane(folder_.path());
        design_ = folder_.path() + "board.dsn";
        board_ = folder_.path() + "board.pcb";
    }
    void TearDown() override { deleteKvxKey(); }

    // The log between the file names and the settings.
    std::string scanLines() {
        RunResult result = runProgram(morvane_, "\"" + morvane_ + "\" -design " + design_);
        EXPECT_TRUE(result.started);
        EXPECT_EQ(result.exitCode, 1u);
        std::string log = readWholeFile(folder_.path() + "kvxdebug.txt");
        std::size_t start = log.find("Use dsn file: ");
        std::size_t end = log.find("Load registry parameters\r\n");
        if (start == std::string::npos || end == std::string::npos) {
            return "<log incomplete>";
        }
        start = log.find("\r\n", start) + 2;
        return log.substr(start, end - start);
    }

    ScratchFolder folder_;
    std::string morvane_;
    std::string design_;
    std::string board_;
};

TEST_F(BoardFileTest, LogsThePadAndViaNamesFound) {
    writeWholeFile(board_, "(library\r\n"
                           "  (padStyleDef \"(Default)\" (shape (layerType Signal)))\r\n"
                           "  (viaStyleDef \"(Default)\" (shape (layerType Signal)))\r\n"
                           "  (viaStyleDef \"V30\" (shape (layerType Signal)))\r\n"
                           ")\r\n");
    EXPECT_EQ(scanLines(), "Open .pcb file\r\n"
                           "Read .pcb file\r\n"
                           "Add pad: (Default)\r\n"
                           "Add via: CCTVIA_(Default)\r\n"
                           "Add via: V30\r\n");
}

TEST_F(BoardFileTest, AMissingBoardFileLeavesNoFileLines) {
    EXPECT_EQ(scanLines(), "");
}

TEST_F(BoardFileTest, ABoardFileHeldOpenForWritingIsNotReadAndTheRunGoesOn) {
    writeWholeFile(board_, "(padStyleDef \"P1\")\r\n");
    HANDLE writer = CreateFileA(board_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    std::string lines = scanLines();
    CloseHandle(writer);
    EXPECT_EQ(lines, "");
}

TEST_F(BoardFileTest, AnEmptyBoardFileIsReadAndYieldsNoNames) {
    writeWholeFile(board_, "");
    EXPECT_EQ(scanLines(), "Open .pcb file\r\nRead .pcb file\r\n");
}

} // namespace
