// The sheet on a designer's own kind of installation: the router under Program Files,
// Morvane and its converter in a tools folder, the board in a folder of the user's whose
// name holds a space. The pictures of the user guide are taken here (MORVANE_SCREENSHOTS).
#include "sheet/sheet_ids.h"
#include "sheet_test.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string kRouterFolder = R"(C:\Program Files\Router\)";
const std::string kToolsTop = R"(C:\Tools\)";
const std::string kToolsFolder = kToolsTop + R"(Morvane\)";
const std::string kDesignerFolder = R"(C:\Users\Designer\)";
const std::string kBoardsFolder = kDesignerFolder + R"(My Boards\)";

// Makes `folder` (ending with a backslash) and every parent it lacks.
void createFolders(const std::string& folder) {
    for (std::size_t end = folder.find('\\', 3); end != std::string::npos;
         end = folder.find('\\', end + 1)) {
        CreateDirectoryA(folder.substr(0, end).c_str(), nullptr);
    }
}

void install(const std::string& source, const std::string& target) {
    EXPECT_TRUE(CopyFileA(source.c_str(), target.c_str(), FALSE)) << target;
}

class DesignersInstallation : public testing::Test {
  protected:
    void SetUp() override {
        releaseShift();
        deleteKvxKey();
        for (const std::string& folder : {kRouterFolder, kToolsFolder, kBoardsFolder}) {
            createFolders(folder);
        }
        install(buildFolder() + "stand_in_router.exe", kRouterFolder + "router.exe");
        install(buildFolder() + "morvane.exe", kToolsFolder + "morvane.exe");
        install(buildFolder() + "morvane-convert.exe", kToolsFolder + "morvane-convert.exe");
        install(exampleFile("cpu-board.pcb"), kBoardsFolder + "cpu-board.pcb");
        install(exampleFile("cpu-board.dsn"), kBoardsFolder + "cpu-board.dsn");
        writeWholeFile(kBoardsFolder + "route.do", "route 25\r\n");
    }
    void TearDown() override {
        releaseShift();
        deleteKvxKey();
        for (const std::string& folder : {kRouterFolder, kToolsTop, kDesignerFolder}) {
            removeTree(folder);
        }
    }
};

TEST_F(DesignersInstallation, TheSheetShowsTheInstalledProgramsAndTheBoardsViaStyles) {
    const std::string router = kRouterFolder + "router.exe";
    const std::string converter = kToolsFolder + "morvane-convert.exe";
    setRegistryText("SCPath", router);
    setRegistryText("SEXEPath", converter);
    setRegistryDword("SCEnable", 1);
    storeExampleJumperSettings();

    // As the board editor starts the router, each path with a space in quotes.
    const std::string arguments = "-design \"" + kBoardsFolder + "cpu-board.dsn\" -do \"" +
                                  kBoardsFolder + "route.do\" -quit";
    std::unique_ptr<MorvaneRun> run;
    {
        ShiftHeld shift;
        run = std::make_unique<MorvaneRun>(kToolsFolder + "morvane.exe", arguments);
        ASSERT_NE(run->waitForSheet(), nullptr) << "no sheet";
    }
    ASSERT_SHEET_OPENS(*run, sheet);

    HWND settings = sheet.showPage(0);
    EXPECT_EQ(controlText(settings, IDC_SETTINGS_ROUTER_PATH), router);
    EXPECT_EQ(controlText(settings, IDC_SETTINGS_CONVERTER_PATH), converter);
    EXPECT_EQ(controlText(settings, IDC_SETTINGS_COMMAND_LINE), run->commandLine());
    sheet.screenshotIfAsked("settings-page");

    HWND jumper = sheet.showPage(1);
    ComboState via = comboState(jumper, IDC_JUMPER_VIA_STYLE);
    EXPECT_EQ(via.entries, (std::vector<std::string>{"'CCTVIA_(Default)'", "V30", "CCTVIA_TH_62"}));
    EXPECT_EQ(via.selectedText(), "'CCTVIA_(Default)'");
    sheet.screenshotIfAsked("jumper-page");

    sheet.showPage(2);
    sheet.screenshotIfAsked("room-page");

    sheet.pressCancel();
    EXPECT_EQ(run->waitForExit(), 1u);
}

} // namespace
