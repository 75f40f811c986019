// The Jumper and Room pages, and the rules that span the pages of the sheet: what OK saves
// and what Cancel reloads.
#include "sheet/sheet_ids.h"
#include "sheet_test.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

enum Page { kSettings = 0, kJumper = 1, kRoom = 2 };

const Texts kInchSteps = {"2.54", "5.08", "7.62", "10.16"};
const Texts kMillimetreSteps = {"2.50", "5.00", "7.50", "10.00"};
const Texts kDirections = {"horizontal",        "vertical",          "orthogonal",
                           "positive_diagonal", "negative_diagonal", "diagonal"};
const Texts kLayers = {"Top", "Bottom"};

// A board whose first via style shares its name with a pad style and is listed prefixed and
// quoted.
const std::string kBoardWithVias = "(library\r\n"
                                   "  (padStyleDef \"(Default)\" (holeDiam 35))\r\n"
                                   "  (viaStyleDef \"(Default)\" (holeDiam 28))\r\n"
                                   "  (viaStyleDef \"V30\" (holeDiam 15))\r\n"
                                   ")\r\n";
// Via styles of which one name begins another, as copied styles are named.
const std::string kBoardWithLookAlikeVias = "(viaStyleDef \"V1\" (holeDiam 15))\r\n"
                                            "(viaStyleDef \"V10\" (holeDiam 25))\r\n"
                                            "(viaStyleDef \"Via1 [5]\" (holeDiam 15))\r\n"
                                            "(viaStyleDef \"Via1\" (holeDiam 15))\r\n";

// A registry value as a test stores or expects it.
struct Value {
    const char* name;
    std::variant<std::string, uint32_t> data;
};

void store(const Value& value) {
    if (const auto* text = std::get_if<std::string>(&value.data)) {
        setRegistryText(value.name, *text);
    } else {
        setRegistryDword(value.name, std::get<uint32_t>(value.data));
    }
}

void expectStored(const Value& value) {
    if (const auto* text = std::get_if<std::string>(&value.data)) {
        EXPECT_EQ(readRegistryValue(value.name),
                  (StoredValue{true, REG_SZ, std::string(text->c_str(), text->size() + 1)}))
            << value.name;
    } else {
        EXPECT_EQ(storedDword(value.name), std::get<uint32_t>(value.data)) << value.name;
    }
}

// What one control of a page shows: a check box or radio button's state, an edit's text, or
// a combo box's selected entry.
struct Shown {
    Page page;
    int id;
    enum Kind { Checked, Unchecked, Text, Selected } kind;
    std::string text = "";
};

void expectShown(const Sheet& sheet, const Shown& shown) {
    HWND page = sheet.showPage(shown.page);
    switch (shown.kind) {
    case Shown::Checked:
    case Shown::Unchecked:
        EXPECT_EQ(isChecked(page, shown.id), shown.kind == Shown::Checked)
            << "page " << shown.page << " control " << shown.id;
        break;
    case Shown::Text:
        EXPECT_EQ(controlText(page, shown.id), shown.text) << "control " << shown.id;
        break;
    case Shown::Selected:
        EXPECT_EQ(comboState(page, shown.id).selectedText(), shown.text) << "combo " << shown.id;
        break;
    }
}

class PagesTest : public SheetTest {
  protected:
    // Stores `values`, holds Shift so that the sheet opens whatever is stored, and starts.
    std::unique_ptr<MorvaneRun> startWith(const std::vector<Value>& values) {
        for (const Value& value : values) {
            store(value);
        }
        ShiftHeld shift;
        std::unique_ptr<MorvaneRun> run = start();
        EXPECT_NE(run->waitForSheet(), nullptr);
        return run;
    }
};

TEST_F(PagesTest, AFirstRunShowsTheDefaultsAndOkStoresThem) {
    struct Case {
        const char* name;
        std::optional<std::string> board;
        Texts viaStyles;
    };
    const Case cases[] = {
        {"board with via styles", kBoardWithVias, {"'CCTVIA_(Default)'", "V30"}},
        {"no board file", std::nullopt, {}},
    };
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        deleteKvxKey();
        DeleteFileA((folder_.path() + "board.pcb").c_str());
        if (testCase.board) {
            writeBoard(*testCase.board);
        }
        std::unique_ptr<MorvaneRun> run = start();
        ASSERT_SHEET_OPENS(*run, sheet);

        HWND jumper = sheet.showPage(kJumper);
        EXPECT_FALSE(isChecked(jumper, IDC_JUMPER_ENABLE));
        EXPECT_FALSE(isChecked(jumper, IDC_JUMPER_UNIT_MM));
        EXPECT_TRUE(isChecked(jumper, IDC_JUMPER_UNIT_INCH));
        EXPECT_EQ(controlText(jumper, IDC_JUMPER_START), "5.08");
        ComboState step = comboState(jumper, IDC_JUMPER_STEP);
        EXPECT_EQ(step.entries, kInchSteps);
        EXPECT_EQ(step.selectedText(), "2.54");
        EXPECT_EQ(controlText(jumper, IDC_JUMPER_MAX_LENGTH), "100");
        ComboState via = comboState(jumper, IDC_JUMPER_VIA_STYLE);
        EXPECT_EQ(via.entries, testCase.viaStyles);
        EXPECT_EQ(via.selected, testCase.viaStyles.empty() ? -1 : 0);
        ComboState direction = comboState(jumper, IDC_JUMPER_DIRECTION);
        EXPECT_EQ(direction.entries, kDirections);
        EXPECT_EQ(direction.selectedText(), "horizontal");
        ComboState layer = comboState(jumper, IDC_JUMPER_LAYER);
        EXPECT_EQ(layer.entries, kLayers);
        EXPECT_EQ(layer.selectedText(), "Top");

        HWND room = sheet.showPage(kRoom);
        EXPECT_FALSE(isChecked(room, IDC_ROOM_ENABLE));
        EXPECT_TRUE(isChecked(room, IDC_ROOM_TYPE_ROOM_AND_REGION));
        EXPECT_FALSE(isChecked(room, IDC_ROOM_TYPE_ROOM));
        EXPECT_FALSE(isChecked(room, IDC_ROOM_TYPE_REGION));
        EXPECT_TRUE(isChecked(room, IDC_ROOM_HARD_INCLUDE));
        EXPECT_FALSE(isChecked(room, IDC_ROOM_SOFT_INCLUDE));

        sheet.pressOk();
        EXPECT_EQ(run->waitForExit(), 1u);
        std::string firstVia = testCase.viaStyles.empty() ? "" : testCase.viaStyles[0];
        for (const Value& value : {Value{"JEnable", 0u}, Value{"JUnit", 0u}, Value{"JStep", "2.54"},
                                   Value{"JMaxLength", "100"}, Value{"JVia", firstVia},
                                   Value{"JDir", "horizontal"}, Value{"JLayer", "Top"},
                                   Value{"REnable", 0u}, Value{"RType", 0u}, Value{"RInc", 0u}}) {
            expectStored(value);
        }
    }
}

// Stored values are matched against the lists (the entry equal to the stored text, else the
// first entry that begins with it, ignoring case, searching from the second entry round to
// the first), kept when they are out of range and no button is clicked, and written back as
// the controls hold them.
TEST_F(PagesTest, StoredValuesAreShownAsFoundAndSavedBackOnOk) {
    struct Case {
        const char* name;
        std::vector<Value> stored;
        std::vector<Shown> shown;
        std::vector<Value> saved;
    };
    const Case cases[] = {
        {"kept and matched",
         {{"JUnit", 7u},
          {"JVia", "V1"},
          {"JDir", "VERT"},
          {"JLayer", "top"},
          {"JMaxLength", "12345"},
          {"RType", 5u},
          {"RInc", 3u}},
         {{kJumper, IDC_JUMPER_UNIT_INCH, Shown::Checked},
          {kJumper, IDC_JUMPER_UNIT_MM, Shown::Unchecked},
          {kJumper, IDC_JUMPER_VIA_STYLE, Shown::Selected, "V1"},
          {kJumper, IDC_JUMPER_DIRECTION, Shown::Selected, "vertical"},
          {kJumper, IDC_JUMPER_LAYER, Shown::Selected, "Top"},
          {kJumper, IDC_JUMPER_MAX_LENGTH, Shown::Text, "12345"},
          {kRoom, IDC_ROOM_TYPE_ROOM_AND_REGION, Shown::Checked},
          {kRoom, IDC_ROOM_HARD_INCLUDE, Shown::Checked}},
         {{"JUnit", 7u},
          {"JStep", "2.54"},
          {"JVia", "V1"},
          {"JDir", "vertical"},
          {"JLayer", "Top"},
          {"JMaxLength", "123"},
          {"RType", 5u},
          {"RInc", 3u}}},
        {"not found in the lists",
         {{"JUnit", 1u}, {"JStep", "5.08"}, {"JVia", "Unknown"}, {"JEnable", 1u}, {"RType", 2u}},
         {{kJumper, IDC_JUMPER_UNIT_MM, Shown::Checked},
          {kJumper, IDC_JUMPER_ENABLE, Shown::Checked},
          {kJumper, IDC_JUMPER_START, Shown::Text, "5.00"},
          {kJumper, IDC_JUMPER_STEP, Shown::Selected, "2.50"},
          {kJumper, IDC_JUMPER_VIA_STYLE, Shown::Selected, "V1"},
          {kRoom, IDC_ROOM_TYPE_REGION, Shown::Checked}},
         {{"JUnit", 1u}, {"JStep", "2.50"}, {"JVia", "V1"}, {"JEnable", 1u}, {"RType", 2u}}},
        {"a copied style's original",
         {{"JVia", "Via1"}},
         {{kJumper, IDC_JUMPER_VIA_STYLE, Shown::Selected, "Via1"}},
         {{"JVia", "Via1"}}},
    };
    writeBoard(kBoardWithLookAlikeVias);
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        deleteKvxKey();
        std::unique_ptr<MorvaneRun> run = startWith(testCase.stored);
        ASSERT_SHEET_OPENS(*run, sheet);
        for (const Shown& shown : testCase.shown) {
            expectShown(sheet, shown);
        }
        sheet.pressOk();
        EXPECT_EQ(run->waitForExit(), 1u);
        for (const Value& value : testCase.saved) {
            expectStored(value);
        }
    }
}

// A change of unit keeps the step's position in the list, or keeps no selection at all.
TEST_F(PagesTest, AUnitChangeKeepsTheStepsPosition) {
    setRegistryText("JStep", "7.50");
    std::unique_ptr<MorvaneRun> run = startWith({{"JUnit", 1u}});
    ASSERT_SHEET_OPENS(*run, sheet);
    HWND jumper = sheet.showPage(kJumper);
    ASSERT_EQ(comboState(jumper, IDC_JUMPER_STEP).selectedText(), "7.50");

    struct Step {
        int unitButton;
        Texts steps;
        const char* selected;
        const char* start;
    };
    for (const Step& step : {Step{IDC_JUMPER_UNIT_INCH, kInchSteps, "7.62", "5.08"},
                             Step{IDC_JUMPER_UNIT_MM, kMillimetreSteps, "7.50", "5.00"},
                             Step{IDC_JUMPER_UNIT_INCH, kInchSteps, "7.62", "5.08"}}) {
        click(jumper, step.unitButton);
        ComboState state = comboState(jumper, IDC_JUMPER_STEP);
        EXPECT_EQ(state.entries, step.steps);
        EXPECT_EQ(state.selectedText(), step.selected);
        EXPECT_EQ(controlText(jumper, IDC_JUMPER_START), step.start);
        EXPECT_TRUE(isChecked(jumper, step.unitButton));
    }
    EXPECT_FALSE(isChecked(jumper, IDC_JUMPER_UNIT_MM));
    sheet.pressOk();
    EXPECT_EQ(run->waitForExit(), 1u);
    expectStored({"JUnit", 0u});
    expectStored({"JStep", "7.62"});

    // Without a selection (as after typing into the step box) a unit change keeps none, and
    // OK stores the empty text.
    std::unique_ptr<MorvaneRun> second = startWith({});
    ASSERT_SHEET_OPENS(*second, secondSheet);
    jumper = secondSheet.showPage(kJumper);
    selectEntry(jumper, IDC_JUMPER_STEP, -1);
    click(jumper, IDC_JUMPER_UNIT_MM);
    EXPECT_EQ(comboState(jumper, IDC_JUMPER_STEP).selected, -1);
    secondSheet.pressOk();
    EXPECT_EQ(second->waitForExit(), 1u);
    expectStored({"JUnit", 1u});
    expectStored({"JStep", ""});
}

// Max. Length takes digits only, three at most; left empty it is stored empty and shows the
// default again on the next run.
TEST_F(PagesTest, MaxLengthTakesThreeDigitsAndAnEmptyOneShowsTheDefaultAgain) {
    struct Case {
        const char* typed;
        const char* shown;
    };
    for (const Case& testCase : {Case{"1a2-34", "123"}, Case{"", ""}}) {
        SCOPED_TRACE(testCase.typed);
        std::unique_ptr<MorvaneRun> run = startWith({});
        ASSERT_SHEET_OPENS(*run, sheet);
        HWND jumper = sheet.showPage(kJumper);
        setText(jumper, IDC_JUMPER_MAX_LENGTH, "");
        typeInto(jumper, IDC_JUMPER_MAX_LENGTH, testCase.typed);
        EXPECT_EQ(controlText(jumper, IDC_JUMPER_MAX_LENGTH), testCase.shown);
        sheet.pressOk();
        EXPECT_EQ(run->waitForExit(), 1u);
        expectStored({"JMaxLength", testCase.shown});
    }
    std::unique_ptr<MorvaneRun> next = startWith({});
    ASSERT_SHEET_OPENS(*next, sheet);
    EXPECT_EQ(controlText(sheet.showPage(kJumper), IDC_JUMPER_MAX_LENGTH), "100");
    sheet.pressCancel();
    EXPECT_EQ(next->waitForExit(), 1u);
}

// OK saves the group of every page that was shown and nothing of the others; values that
// only other tools use survive.
TEST_F(PagesTest, OkSavesTheGroupsOfShownPagesOnly) {
    const std::vector<Value> byOtherTools = {{"SCPath", ""},
                                             {"SPerlPath", "C:\\Perl\\bin\\perl.exe"},
                                             {"SScriptPath", "C:\\Scripts\\convert.pl"},
                                             {"JMaxLength", "12345"},
                                             {"RType", 5u}};
    // What saving each group adds to or changes in the values above.
    const std::map<Page, std::vector<Value>> savedBy = {
        {kSettings, {{"SEXEPath", ""}, {"SCEnable", 0u}}},
        {kJumper,
         {{"JEnable", 0u},
          {"JUnit", 0u},
          {"JStep", "2.54"},
          {"JMaxLength", "123"},
          {"JVia", ""},
          {"JDir", "horizontal"},
          {"JLayer", "Top"}}},
        {kRoom, {{"REnable", 0u}, {"RInc", 0u}}},
    };
    const std::vector<Page> cases[] = {
        {kSettings}, {kSettings, kJumper}, {kSettings, kRoom}, {kSettings, kJumper, kRoom}};
    for (const std::vector<Page>& shownPages : cases) {
        SCOPED_TRACE(testing::PrintToString(shownPages));
        deleteKvxKey();
        for (const Value& value : byOtherTools) {
            store(value);
        }
        std::unique_ptr<MorvaneRun> run = start();
        ASSERT_SHEET_OPENS(*run, sheet);
        for (Page page : shownPages) {
            sheet.showPage(page);
        }
        sheet.pressOk();
        EXPECT_EQ(run->waitForExit(), 1u);
        std::map<std::string, StoredValue> saved = storedKvxValues();

        deleteKvxKey();
        for (const Value& value : byOtherTools) {
            store(value);
        }
        for (Page page : shownPages) {
            for (const Value& value : savedBy.at(page)) {
                store(value);
            }
        }
        EXPECT_EQ(saved, storedKvxValues());
    }
}

// Cancel reloads the group of the page on top only. Edits on the other pages stay for the
// run without being stored: the converter switched off on the Settings page stays off for
// the launch unless the Settings page was on top.
TEST_F(PagesTest, CancelReloadsOnlyTheGroupOfThePageOnTop) {
    struct Case {
        Page onTop;
        bool converterRuns;
    };
    for (const Case& testCase : {Case{kSettings, true}, Case{kJumper, false}, Case{kRoom, false}}) {
        SCOPED_TRACE(testCase.onTop);
        deleteKvxKey();
        DeleteFileA(records_.c_str());
        storePaths();
        setRegistryDword("RType", 1);
        std::map<std::string, StoredValue> before = storedKvxValues();
        std::unique_ptr<MorvaneRun> run = startWith({});
        ASSERT_SHEET_OPENS(*run, sheet);

        HWND settingsPage = sheet.showPage(kSettings);
        ASSERT_TRUE(isChecked(settingsPage, IDC_SETTINGS_ENABLE_CONVERTER));
        click(settingsPage, IDC_SETTINGS_ENABLE_CONVERTER);
        click(sheet.showPage(kJumper), IDC_JUMPER_UNIT_MM);
        HWND room = sheet.showPage(kRoom);
        click(room, IDC_ROOM_TYPE_REGION);
        click(room, IDC_ROOM_SOFT_INCLUDE);
        EXPECT_TRUE(isChecked(room, IDC_ROOM_TYPE_REGION));
        EXPECT_FALSE(isChecked(room, IDC_ROOM_TYPE_ROOM));
        sheet.showPage(testCase.onTop);
        sheet.pressCancel();
        EXPECT_EQ(run->waitForExit(), 1u);

        Texts expected = testCase.converterRuns ? Texts{"converter", "router"} : Texts{"router"};
        EXPECT_EQ(started(), expected);
        EXPECT_EQ(storedKvxValues(), before) << "Cancel stored something";
    }
    // The registry still says enabled, so the next run converts again.
    DeleteFileA(records_.c_str());
    MorvaneRun next(morvane_, editorArguments());
    EXPECT_TRUE(next.endsWithoutSheet());
    EXPECT_EQ(started(), (Texts{"converter", "router"}));
}

} // namespace
