// The sheet as a whole and its Settings page, worked in a real window.
#include "common/win_handles.h"
#include "sheet/sheet_ids.h"
#include "sheet/sheet_values.h"
#include "sheet_test.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Roles = std::vector<std::string>;

constexpr const char* kCreateSheetLine = "Create property sheet window\r\n";

class SettingsPageTest : public SheetTest {};

TEST_F(SettingsPageTest, TheSheetOpensOnlyWhenAProgramIsMissingOrShiftIsHeld) {
    struct Case {
        const char* name;
        std::string routerPath;
        std::string converterPath;
        uint32_t converterEnabled;
        bool shiftHeld;
        bool sheetOpens;
        Roles started; // after Cancel, with the settings as stored
    };
    const std::string gone = folder_.path() + "gone.exe";
    const Case cases[] = {
        {"both paths, Shift up", router(), converter(), 1, false, false, {"converter", "router"}},
        {"both paths, Shift held", router(), converter(), 1, true, true, {"converter", "router"}},
        {"no converter path, converter off", router(), "", 0, false, true, {"router"}},
        {"no router path", "", converter(), 1, false, true, {"converter"}},
        {"converter gone, converter off", router(), gone, 0, false, false, {"router"}},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        deleteKvxKey();
        DeleteFileA(records_.c_str());
        setRegistryText("SCPath", testCase.routerPath);
        setRegistryText("SEXEPath", testCase.converterPath);
        setRegistryDword("SCEnable", testCase.converterEnabled);

        std::unique_ptr<MorvaneRun> run;
        if (testCase.shiftHeld) {
            ShiftHeld shift;
            run = start();
            ASSERT_NE(run->waitForSheet(), nullptr);
        } else {
            run = start();
        }
        if (testCase.sheetOpens) {
            ASSERT_SHEET_OPENS(*run, sheet);
            sheet.pressCancel();
            EXPECT_EQ(run->waitForExit(), 1u);
        } else {
            EXPECT_TRUE(run->endsWithoutSheet());
        }

        EXPECT_EQ(started(), testCase.started);
        EXPECT_EQ(log().find(kCreateSheetLine) != std::string::npos, testCase.sheetOpens);
    }
}

// The router was moved: the sheet says nothing of it, but the log does, and choosing it
// anew lets this very run go on to route.
TEST_F(SettingsPageTest, AMovedRouterOpensTheSheetAndTheRouterChosenThereRuns) {
    storePaths();
    const std::string gone = folder_.path() + "old router\\router.exe";
    setRegistryText("SCPath", gone);

    MorvaneRun run(morvane_, editorArguments());
    ASSERT_SHEET_OPENS(run, sheet);
    HWND page = sheet.currentPage();
    EXPECT_EQ(controlText(page, IDC_SETTINGS_ROUTER_PATH), gone);
    HWND dialog = sheet.openFileDialog(page, IDC_SETTINGS_BROWSE_ROUTER);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(chooseFile(dialog, router()));
    ASSERT_EQ(textOnceEqual(page, IDC_SETTINGS_ROUTER_PATH, router()), router());
    sheet.pressOk();
    EXPECT_EQ(run.waitForExit(), 1u);

    EXPECT_EQ(started(), (Roles{"converter", "router"}));
    EXPECT_EQ(storedText("SCPath"), router());
    EXPECT_NE(log().find("Room include type: 0\r\nSpecctra not found: " + gone + "\r\n" +
                         kCreateSheetLine),
              std::string::npos)
        << log();
}

TEST_F(SettingsPageTest, AFirstRunOpensOnAnEmptySettingsPageWithOkAndCancelOnly) {
    MorvaneRun run(morvane_, editorArguments());
    ASSERT_SHEET_OPENS(run, sheet);

    EXPECT_EQ(sheet.caption(), "Morvane v1.4b");
    EXPECT_EQ(sheet.tabLabels(), (std::vector<std::string>{"Settings", "Jumper", "Room"}));
    EXPECT_EQ(sheet.frameButtons(), (std::vector<std::string>{"OK", "Cancel"}));
    HWND page = sheet.currentPage();
    ASSERT_EQ(page, sheet.showPage(0)) << "the sheet opens on another tab";
    EXPECT_EQ(controlText(page, IDC_SETTINGS_ROUTER_PATH), "");
    EXPECT_EQ(controlText(page, IDC_SETTINGS_CONVERTER_PATH), "");
    EXPECT_FALSE(isChecked(page, IDC_SETTINGS_ENABLE_CONVERTER));
    // The command line as the board editor gave it: the run lowers only its own copy.
    EXPECT_EQ(controlText(page, IDC_SETTINGS_COMMAND_LINE), run.commandLine());
    EXPECT_EQ(controlText(page, IDC_SETTINGS_WEB_ADDRESS), kMakerWebAddress);

    sheet.pressCancel();
    EXPECT_EQ(run.waitForExit(), 1u);
    EXPECT_EQ(started(), Roles{});
    EXPECT_FALSE(kvxKeyExists()) << "a cancelled first run stored something";
}

// A new user picks both programs, switches the converter on and confirms: the same run starts
// them, and the next run starts them without showing anything. Both start in the folder the
// editor started Morvane in, although the file dialog moved Morvane to the programs' folder:
// relative names in the router's arguments point there.
TEST_F(SettingsPageTest, PathsChosenOnAFirstRunAreUsedAtOnceAndStoredOnOk) {
    const std::string editorFolder = folder_.path();
    MorvaneRun run(morvane_, editorArguments(), editorFolder);
    ASSERT_SHEET_OPENS(run, sheet);
    HWND page = sheet.currentPage();

    for (const auto& [button, edit, path] :
         {std::tuple{IDC_SETTINGS_BROWSE_ROUTER, IDC_SETTINGS_ROUTER_PATH, router()},
          std::tuple{IDC_SETTINGS_BROWSE_CONVERTER, IDC_SETTINGS_CONVERTER_PATH, converter()}}) {
        HWND dialog = sheet.openFileDialog(page, button);
        ASSERT_NE(dialog, nullptr) << "no file dialog for button " << button;
        ASSERT_TRUE(chooseFile(dialog, path));
        EXPECT_EQ(textOnceEqual(page, edit, path), path);
    }
    click(page, IDC_SETTINGS_ENABLE_CONVERTER);
    sheet.pressOk();
    EXPECT_EQ(run.waitForExit(), 1u);

    EXPECT_EQ(started(), (Roles{"converter", "router"}));
    for (const StandInRecord& record : readStandInRecords(records_)) {
        EXPECT_EQ(record.currentDirectory + "\\", editorFolder) << record.role;
    }
    EXPECT_EQ(storedText("SCPath"), router());
    EXPECT_EQ(storedText("SEXEPath"), converter());
    EXPECT_EQ(storedDword("SCEnable"), 1u);

    MorvaneRun next(morvane_, editorArguments());
    EXPECT_TRUE(next.endsWithoutSheet());
    EXPECT_EQ(started(), (Roles{"converter", "router", "converter", "router"}));
}

TEST_F(SettingsPageTest, CancelOnTheSettingsPageForgetsAChosenPath) {
    MorvaneRun run(morvane_, editorArguments());
    ASSERT_SHEET_OPENS(run, sheet);
    HWND page = sheet.currentPage();
    HWND dialog = sheet.openFileDialog(page, IDC_SETTINGS_BROWSE_ROUTER);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(chooseFile(dialog, router()));
    ASSERT_EQ(textOnceEqual(page, IDC_SETTINGS_ROUTER_PATH, router()), router());

    sheet.pressCancel();
    EXPECT_EQ(run.waitForExit(), 1u);

    EXPECT_EQ(started(), Roles{}) << "the router path was not reloaded";
    EXPECT_FALSE(kvxKeyExists());
}

// The longest path the router's field holds, 259 characters, is taken whole, stored and run.
// The dialog itself cannot hand back a longer one: it works in a buffer of the field's size
// (and Wine's refuses a longer name as a file that does not exist).
TEST_F(SettingsPageTest, ThePickedPathOfTheLongestLengthLandsWhole) {
    const std::string name = "\\router.exe";
    std::string folder =
        folder_.path() + std::string(259 - folder_.path().size() - name.size(), 'd');
    std::string picked = folder + name;
    ASSERT_EQ(picked.size(), 259u);
    LongPathCopy copy(router(), folder, picked);
    ASSERT_TRUE(copy.made());
    setRegistryText("SCPath", router());

    MorvaneRun run(morvane_, editorArguments());
    ASSERT_SHEET_OPENS(run, sheet);
    HWND page = sheet.currentPage();
    HWND dialog = sheet.openFileDialog(page, IDC_SETTINGS_BROWSE_ROUTER);
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(chooseFile(dialog, picked));
    EXPECT_EQ(textOnceEqual(page, IDC_SETTINGS_ROUTER_PATH, picked), picked);
    sheet.pressOk();
    EXPECT_EQ(run.waitForExit(), 1u);

    EXPECT_EQ(storedText("SCPath"), picked);
    std::vector<StandInRecord> records = readStandInRecords(records_);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].commandLine.substr(0, picked.size()), picked);
}

// Has Wine prefer a native comctl32.dll for morvane.exe, searching for it as Windows does,
// until destroyed. Wine reads this for every program it starts; WINEDLLOVERRIDES would have to
// be in the Unix environment, which a Windows program cannot hand on.
class NativeCommonControls {
  public:
    NativeCommonControls() {
        RegistryKey key;
        EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                  key.receive(), nullptr),
                  ERROR_SUCCESS);
        constexpr char kNativeFirst[] = "native,builtin";
        EXPECT_EQ(RegSetValueExA(key.get(), "comctl32", 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(kNativeFirst), sizeof kNativeFirst),
                  ERROR_SUCCESS);
    }
    ~NativeCommonControls() { RegDeleteTreeA(HKEY_CURRENT_USER, kProgramKey); }
    NativeCommonControls(const NativeCommonControls&) = delete;
    NativeCommonControls& operator=(const NativeCommonControls&) = delete;

  private:
    static constexpr const char* kProgramKey = "Software\\Wine\\AppDefaults\\morvane.exe";
    static constexpr const char* kKey = "Software\\Wine\\AppDefaults\\morvane.exe\\DllOverrides";
};

// comctl32.dll is none of Windows' known DLLs: one placed beside morvane.exe would be loaded
// in the real one's place by a search that starts in the program's folder, or by a manifest
// beside it that names the file.
TEST_F(SettingsPageTest, TheSheetsLibrariesComeFromTheSystemFolderOnly) {
    ASSERT_TRUE(CopyFileA((buildFolder() + "decoy\\comctl32.dll").c_str(),
                          (folder_.path() + "comctl32.dll").c_str(), FALSE));
    NativeCommonControls nativeFirst;
    for (bool manifest : {false, true}) {
        SCOPED_TRACE(manifest ? "with a manifest" : "without a manifest");
        if (manifest) {
            writeWholeFile(
                morvane_ + ".manifest",
                R"(<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">)"
                R"(<assemblyIdentity type="win32" name="Planted" version="1.0.0.0"/>)"
                R"(<file name="comctl32.dll"/></assembly>)");
        }
        MorvaneRun run(morvane_, editorArguments());
        ASSERT_SHEET_OPENS(run, sheet);
        sheet.pressCancel();
        EXPECT_EQ(run.waitForExit(), 1u);
        EXPECT_FALSE(fileExists(folder_.path() + "decoy-loaded.txt"));
    }
}

// The web address static sends no mouse notifications, so its clicks reach the page, which
// opens the address only on a double-click strictly inside the static. The stand-in
// converter, renamed, plays the web browser.
TEST_F(SettingsPageTest, OnlyADoubleClickInsideTheWebAddressOpensIt) {
    std::string browser = folder_.path() + "browser.exe";
    ASSERT_TRUE(CopyFileA(converter().c_str(), browser.c_str(), FALSE));
    HttpsHandler handler(browser);
    MorvaneRun run(morvane_, editorArguments());
    ASSERT_SHEET_OPENS(run, sheet);
    HWND page = sheet.currentPage();
    RECT address = clientRectOf(page, IDC_SETTINGS_WEB_ADDRESS);
    LONG middle = (address.top + address.bottom) / 2;

    // Each is handled before the next is sent; anything it started runs before the last one.
    const POINT outside[] = {
        {address.left, middle},     {address.left + 5, address.top},
        {address.right, middle},    {address.left + 5, address.bottom},
        {address.left - 1, middle}, {10, 10},
    };
    for (POINT point : outside) {
        doubleClickAt(page, point);
    }
    singleClickAt(page, {address.left + 5, middle});
    // Inside, well to the right of the text.
    doubleClickAt(page, {address.right - 2, address.top + 1});
    waitForNoProcessNamed("browser.exe");

    std::vector<StandInRecord> opened = readStandInRecords(records_);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].commandLine, "\"" + browser + "\" \"" + kMakerWebAddress + "\"");
    sheet.pressCancel();
    EXPECT_EQ(run.waitForExit(), 1u);
}

} // namespace
