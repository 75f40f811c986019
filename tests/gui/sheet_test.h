// The common ground of the sheet tests: a fresh registry, morvane.exe copied into a scratch
// folder (its log lands beside it), the stand-in converter and router recording into one
// file, and a board file beside the design that the command line names.
#pragma once

#include "sheet_driver.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class SheetTest : public testing::Test {
  protected:
    void SetUp() override {
        releaseShift();
        deleteKvxKey();
        morvane_ = installMorvane(folder_.path());
        records_ = folder_.path() + "records.txt";
        SetEnvironmentVariableA("STANDIN_ROUTER_RECORD", records_.c_str());
        SetEnvironmentVariableA("STANDIN_CONVERTER_RECORD", records_.c_str());
    }
    void TearDown() override {
        releaseShift();
        deleteKvxKey();
    }

    std::string router() const { return buildFolder() + "stand_in_router.exe"; }
    std::string converter() const { return buildFolder() + "stand_in_converter.exe"; }

    // Both paths stored, so that the sheet opens only when Shift is held.
    void storePaths(uint32_t converterEnabled = 1) const {
        setRegistryText("SCPath", router());
        setRegistryText("SEXEPath", converter());
        setRegistryDword("SCEnable", converterEnabled);
    }

    // The router's command line as a board editor gives it, in mixed case, naming the design
    // Board.DSN in the scratch folder (the board file, when written, is board.pcb beside it).
    std::string editorArguments() const {
        return "-design " + folder_.path() + "Board.DSN -Do Route.do -Quit";
    }
    void writeBoard(const std::string& text) const {
        writeWholeFile(folder_.path() + "board.pcb", text);
    }

    std::unique_ptr<MorvaneRun> start() const {
        return std::make_unique<MorvaneRun>(morvane_, editorArguments());
    }

    // The roles of the stand-ins that ran, in the order they were started.
    std::vector<std::string> started() const {
        std::vector<std::string> roles;
        for (const StandInRecord& record : readStandInRecords(records_)) {
            roles.push_back(record.role == "STANDIN_ROUTER" ? "router" : "converter");
        }
        return roles;
    }
    std::string log() const { return readWholeFile(folder_.path() + "kvxdebug.txt"); }

    ScratchFolder folder_;
    std::string morvane_;
    std::string records_;
};

// Opens the sheet of `run` into `sheet`, or fails the test.
#define ASSERT_SHEET_OPENS(run, sheet)                                                             \
    HWND sheet##Window = (run).waitForSheet();                                                     \
    ASSERT_NE(sheet##Window, nullptr) << "no sheet";                                               \
    Sheet sheet(sheet##Window, (run).process())
