#include "common/bounded_text.h"
#include "converter/converter_files.h"
#include "converter/dsn_reader.h"
#include "converter/jumper_edit.h"
#include "converter/jumper_options.h"
#include "fakes.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct StoredJumper {
    int32_t unit = 1;
    const char* step = "2.50";
    const char* maxLength = "10";
    const char* via = "V30";
    const char* direction = "orthogonal";
    const char* layer = "Top";
};

SettingsRecord recordOf(const StoredJumper& stored) {
    SettingsRecord record{};
    record.JEnable = 1;
    record.JUnit = stored.unit;
    copyBounded(record.JStep, stored.step);
    copyBounded(record.JMaxLength, stored.maxLength);
    copyBounded(record.JVia, stored.via);
    copyBounded(record.JDir, stored.direction);
    copyBounded(record.JLayer, stored.layer);
    return record;
}

JumperOptions optionsOf(const StoredJumper& stored) {
    return jumperOptionsFrom(recordOf(stored));
}

// The text the edits planned would give, whatever the result: a refused design is planned
// as itself.
ConvertResult convert(std::string_view design, const JumperOptions& options,
                      std::string& converted) {
    std::vector<DesignEdit> edits;
    ConvertResult result = convertDesign(design, options, edits);
    converted = applyEdits(design, edits);
    return result;
}

// ---- The settings as the page shows them

struct OptionsCase {
    const char* name;
    StoredJumper stored;
    bool millimetres;
    int32_t start, step, maximum;
    const char* direction;
    bool bottom;
    const char* via;
    const char* log;
};

class OptionsTest : public testing::TestWithParam<OptionsCase> {};

TEST_P(OptionsTest, ReadsTheStoredValuesAsThePageShowsThem) {
    const OptionsCase& expected = GetParam();
    resetFakes();
    JumperOptions options = optionsOf(expected.stored);
    EXPECT_TRUE(options.enabled);
    EXPECT_EQ(options.millimetres, expected.millimetres);
    EXPECT_EQ(options.startMicrometres, expected.start);
    EXPECT_EQ(options.stepMicrometres, expected.step);
    EXPECT_EQ(options.maximumMicrometres, expected.maximum);
    EXPECT_EQ(options.direction, expected.direction);
    EXPECT_EQ(options.bottomLayer, expected.bottom);
    EXPECT_EQ(options.via, expected.via);
    EXPECT_EQ(capturedLog, expected.log);
}

INSTANTIATE_TEST_SUITE_P(
    Stored, OptionsTest,
    testing::Values(
        OptionsCase{"Millimetres", {}, true, 5000, 2500, 10000, "orthogonal", false, "V30", ""},
        OptionsCase{"Inch",
                    {.unit = 0,
                     .step = "7.62",
                     .maxLength = "999",
                     .via = "'CCTVIA_(Default)'",
                     .direction = "Diagonal",
                     .layer = "Bottom"},
                    false,
                    5080,
                    7620,
                    999000,
                    "diagonal",
                    true,
                    "CCTVIA_(Default)",
                    ""},
        OptionsCase{
            "NothingStored",
            {.unit = 0, .step = "", .maxLength = "", .via = "", .direction = "", .layer = ""},
            false,
            5080,
            2540,
            100000,
            "orthogonal",
            false,
            "",
            "Jumper step empty: 2.54 used\r\n"
            "Jumper max. length empty: 100 used\r\n"
            "Jumper direction empty: orthogonal used\r\n"
            "Jumper layer empty: Top used\r\n"},
        OptionsCase{
            "OtherToolsValues",
            {.unit = 7, .step = "5.00", .maxLength = "12a", .direction = "up", .layer = "bot"},
            false,
            5080,
            2540,
            100000,
            "orthogonal",
            true,
            "V30",
            "Warning: jumper unit 7 is not 1 (mm): inch used\r\n"
            "Warning: jumper step \"5.00\" is not in the list: 2.54 used\r\n"
            "Warning: jumper max. length \"12a\" is not a number: 100 used\r\n"
            "Warning: jumper direction \"up\" is not a direction keyword: orthogonal "
            "used\r\n"
            "Warning: jumper layer \"bot\" is not a layer keyword: Bottom used\r\n"},
        // The page's combo boxes select the first entry a stored text begins with, searching
        // from the second entry round to the first.
        OptionsCase{"PrefixesSelectAsThePageDoes",
                    {.step = "1", .maxLength = "0050", .layer = "top"},
                    true,
                    5000,
                    10000,
                    50000,
                    "orthogonal",
                    false,
                    "V30",
                    "Warning: jumper step \"1\" is not in the list: 10.00 used\r\n"
                    "Warning: jumper layer \"top\" is not a layer keyword: Top used\r\n"},
        OptionsCase{"LongestMaximum",
                    {.maxLength = "999999999"},
                    true,
                    5000,
                    2500,
                    999000,
                    "orthogonal",
                    false,
                    "V30",
                    "Warning: jumper max. length \"999999999\" is more than the page takes: 999 "
                    "used\r\n"}),
    [](const testing::TestParamInfo<OptionsCase>& param) { return param.param.name; });

TEST(JumperLengths, RunFromTheStartToTheMaximumInSteps) {
    JumperOptions options{
        .startMicrometres = 5080, .stepMicrometres = 2540, .maximumMicrometres = 12000};
    EXPECT_EQ(jumperLengths(options), (std::vector<int32_t>{5080, 7620, 10160}));
    options.maximumMicrometres = 5080;
    EXPECT_EQ(jumperLengths(options), (std::vector<int32_t>{5080}));
    options.maximumMicrometres = 5000;
    EXPECT_TRUE(jumperLengths(options).empty());
}

// ---- Lengths in the design's units

TEST(FormatLength, WritesTheLengthInTheUnitRoundedToTheResolution) {
    struct Case {
        int64_t nanometres;
        const char* unit;
        const char* resolutionUnit;
        int64_t resolution;
        const char* text;
    };
    const Case cases[] = {
        {5'080'000, "um", "um", 10, "5080"},
        {5'000'000, "mil", "mil", 10, "196.9"}, // 196.85 mil on a 0.1 mil grid
        {5'080'000, "inch", "inch", 2'540'000, "0.2"},
        {7'500'000, "mm", "mil", 10, "7.50062"}, // 295.3 mil, written in mm
        {2'540'000, "inch", "inch", 1, ""},      // below the grid
        {2'540'000, "INCH", "mm", 100'000, "0.1"},
        {7'620'000, "cm", "mm", 0, "0.762"},          // no grid: as exact as written
        {5'000'000, "mil", "mm", 3, "196.850393701"}, // 5 mm in mil, cut to nine places
        {5'000'000, "furlong", "mm", 1, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(formatLength(c.nanometres, c.unit, c.resolutionUnit, c.resolution), c.text)
            << c.nanometres << " nm in " << c.unit;
    }
}

// ---- The edit

struct EditCase {
    const char* name;
    std::string design;
    StoredJumper stored;
    std::string converted;
};

class EditTest : public testing::TestWithParam<EditCase> {};

TEST_P(EditTest, EditsOnlyTheLayerAndTheJumpersAndDoesItOnce) {
    const EditCase& edit = GetParam();
    resetFakes();
    JumperOptions options = optionsOf(edit.stored);
    std::string converted;
    ASSERT_EQ(convert(edit.design, options, converted), ConvertResult::Changed) << capturedLog;
    EXPECT_EQ(converted, edit.converted);
    std::string again;
    EXPECT_EQ(convert(converted, options, again), ConvertResult::Unchanged) << again;
}

const std::string kPcb = "(pcb b (resolution mil 10)";
// A second signal layer, for designs whose first layer becomes the jumper layer.
const std::string kInner = " (layer B (type signal))";

INSTANTIATE_TEST_SUITE_P(
    Designs, EditTest,
    testing::Values(
        EditCase{"OneLine",
                 kPcb + " (structure (layer Top (type signal)) (layer Bottom (type signal))) "
                        "(library (image A) (padstack V30 (shape (circle Top 30)))))",
                 {},
                 kPcb + " (structure (layer Top (type jumper) (direction orthogonal)) (layer "
                        "Bottom (type signal))) (library (image A) (jumper (length 196.9) "
                        "(use_via V30)) (jumper (length 295.3) (use_via V30)) (jumper (length "
                        "393.7) (use_via V30)) (padstack V30 (shape (circle Top 30)))))"},
        // The resolution at the start of the structure is the design's, as at its top.
        EditCase{"ResolutionInTheStructure",
                 "(pcb b (structure (resolution mil 10) (layer Top (type signal)) (layer "
                 "Bottom (type signal))) (library (image A) (padstack V30)))",
                 {},
                 "(pcb b (structure (resolution mil 10) (layer Top (type jumper) (direction "
                 "orthogonal)) (layer Bottom (type signal))) (library (image A) (jumper (length "
                 "196.9) (use_via V30)) (jumper (length 295.3) (use_via V30)) (jumper (length "
                 "393.7) (use_via V30)) (padstack V30)))"},
        EditCase{"UnitInTheStructure",
                 kPcb + " (structure (unit mm) (layer T (type signal))" + kInner +
                     ") (library (padstack V30)))",
                 {.maxLength = "5"},
                 kPcb + " (structure (unit mm) (layer T (type jumper) (direction orthogonal))" +
                     kInner +
                     ") (library (jumper (length 5.00126) (use_via V30)) (padstack "
                     "V30)))"},
        EditCase{"Indented",
                 "(pcb b\n  (unit um)\n  (structure\n    (layer F.Cu\n      (type signal)\n"
                 "      (property\n        (index 0)\n      )\n    )\n    (layer B.Cu\n"
                 "      (type signal)\n    )\n  )\n  (library\n    (image A\n    )\n"
                 "    (padstack V30\n    )\n  )\n)\n",
                 {.maxLength = "7", .layer = "Bottom"},
                 "(pcb b\n  (unit um)\n  (structure\n    (layer F.Cu\n      (type signal)\n"
                 "      (property\n        (index 0)\n      )\n    )\n    (layer B.Cu\n"
                 "      (type jumper)\n      (direction orthogonal)\n    )\n  )\n  (library\n"
                 "    (image A\n    )\n    (jumper (length 5000) (use_via V30))\n"
                 "    (padstack V30\n    )\n  )\n)\n"},
        // Of several types or directions one is left; the direction stays where it was.
        EditCase{"LayerTypesAndDirectionsReplaced",
                 kPcb +
                     " (structure (layer T (direction horizontal) (type signal) (rule (width "
                     "8)) (type signal) (direction vertical))" +
                     kInner + ") (library))",
                 {.maxLength = "5", .via = "", .direction = "negative_diagonal"},
                 kPcb +
                     " (structure (layer T (direction negative_diagonal) (type jumper) (rule "
                     "(width 8)))" +
                     kInner + ") (library (jumper (length 196.9))))"},
        // A removed list takes the blanks before it, but never the one between two atoms.
        EditCase{"RemovalKeepsAtomsApart",
                 kPcb + " (structure (layer T (type signal) x (type signal)y)" + kInner +
                     ") (library))",
                 {.maxLength = "5", .via = ""},
                 kPcb + " (structure (layer T (type jumper) x  (direction orthogonal)y)" + kInner +
                     ") (library (jumper (length 196.9))))"},
        EditCase{"EmptyLibraryWithBlanks",
                 kPcb + " (structure (layer T (type signal))" + kInner + ") (library  ))",
                 {.maxLength = "8", .via = ""},
                 kPcb + " (structure (layer T (type jumper) (direction orthogonal))" + kInner +
                     ") (library (jumper (length 196.9)) (jumper (length 295.3))  ))"},
        EditCase{"LayerWithoutType",
                 kPcb + " (structure (layer T) (layer U (property (index 1)))) (library (image "
                        "A)))",
                 {.maxLength = "5", .via = ""},
                 kPcb + " (structure (layer T (type jumper) (direction orthogonal)) (layer U "
                        "(property (index 1)))) (library (image A) (jumper (length 196.9))))"},
        EditCase{"LayerWithPropertyOnly",
                 kPcb + " (structure (layer T (property (index 0)))" + kInner + ") (library))",
                 {.maxLength = "5", .via = "", .direction = "vertical"},
                 kPcb +
                     " (structure (layer T (type jumper) (property (index 0)) (direction "
                     "vertical))" +
                     kInner + ") (library (jumper (length 196.9))))"},
        // Existing descriptors are replaced where the first of them stands.
        EditCase{"JumpersReplaced",
                 kPcb + " (structure (layer T (type signal))" + kInner +
                     ")\n (library\n  (image A)\n  (jumper (length 100))\n  (padstack V30)\n  "
                     "(jumper (length 200) (use_via X))\n))",
                 {.maxLength = "7"},
                 kPcb + " (structure (layer T (type jumper) (direction orthogonal))" + kInner +
                     ")\n (library\n  (image A)\n  (jumper (length 196.9) (use_via V30))\n  "
                     "(padstack V30)\n))"},
        // The library's own unit wins over the design's, and lengths keep the resolution's
        // grid of 0.1 mil.
        EditCase{"LibraryUnit",
                 kPcb + " (unit inch) (structure (layer T (type signal))" + kInner +
                     ") (library (unit mm) (padstack V30)))",
                 {.unit = 0, .step = "2.54", .maxLength = "8"},
                 kPcb + " (unit inch) (structure (layer T (type jumper) (direction orthogonal))" +
                     kInner +
                     ") (library (unit mm) (jumper (length 5.08) (use_via V30)) (jumper (length "
                     "7.62) (use_via V30)) (padstack V30)))"},
        EditCase{"NoResolution",
                 "(pcb b (structure (layer T (type signal))" + kInner +
                     ") (library (padstack V30)))",
                 {.unit = 0, .maxLength = "6"},
                 "(pcb b (structure (layer T (type jumper) (direction orthogonal))" + kInner +
                     ") (library (jumper (length 0.2) (use_via V30)) (padstack V30)))"},
        // use_via names the padstack as the design writes it.
        EditCase{"ViaQuotedInTheDesign",
                 "(pcb b (parser (string_quote ') (space_in_quoted_tokens on)) (unit mil) "
                 "(structure (layer T (type signal))" +
                     kInner +
                     ") (library (padstack 'V (1)') (padstack "
                     "'CCTVIA_(Default)')))",
                 {.maxLength = "5", .via = "'CCTVIA_(Default)'"},
                 "(pcb b (parser (string_quote ') (space_in_quoted_tokens on)) (unit mil) "
                 "(structure (layer T (type jumper) (direction orthogonal))" +
                     kInner +
                     ") (library (jumper "
                     "(length 196.850393701) (use_via 'CCTVIA_(Default)')) (padstack 'V (1)') "
                     "(padstack 'CCTVIA_(Default)')))"},
        // A copied style's padstack, by its whole name.
        EditCase{"ViaNamedWithABlank",
                 kPcb +
                     " (parser (string_quote \") (space_in_quoted_tokens on)) (structure (layer T "
                     "(type signal))" +
                     kInner + ") (library (padstack \"Via1\") (padstack \"Via1 [5]\")))",
                 {.maxLength = "5", .via = "'Via1 [5]'"},
                 kPcb +
                     " (parser (string_quote \") (space_in_quoted_tokens on)) (structure (layer T "
                     "(type jumper) (direction orthogonal))" +
                     kInner +
                     ") (library (jumper (length 196.9) (use_via \"Via1 [5]\")) (padstack "
                     "\"Via1\") (padstack \"Via1 [5]\")))"},
        EditCase{"ViaInAnotherCase",
                 kPcb + " (parser (string_quote \")) (structure (layer T (type signal))" + kInner +
                     ") (library (padstack \"v30\")))",
                 {.maxLength = "5"},
                 kPcb +
                     " (parser (string_quote \")) (structure (layer T (type jumper) "
                     "(direction orthogonal))" +
                     kInner +
                     ") (library (jumper (length 196.9) (use_via \"v30\")) (padstack "
                     "\"v30\")))"},
        EditCase{"ViaCaseSensitive",
                 "(pcb b (parser (case_sensitive on)) (unit mm) (structure (layer T (type "
                 "signal))" +
                     kInner + ") (library (padstack v30)))",
                 {.maxLength = "5"},
                 "(pcb b (parser (case_sensitive on)) (unit mm) (structure (layer T (type "
                 "jumper) (direction orthogonal))" +
                     kInner + ") (library (jumper (length 5)) (padstack v30)))"}),
    [](const testing::TestParamInfo<EditCase>& param) { return param.param.name; });

// A plane and wires already on the jumper layer stay, named in the log.
TEST(Edit, LogsTheLayerWhatItHoldsTheLengthsAndTheVia) {
    resetFakes();
    std::string converted;
    std::string design =
        kPcb + " (structure (layer Top (type signal)) (layer Inner (type signal)) (layer Bottom "
               "(type jumper)) (plane GND (polygon Top 0 0 0 0 10 10 10)) (plane VCC (rect "
               "Inner 0 0 5 5))) (library (padstack V30)) (wiring (wire (path Top 8 0 0 9 0) "
               "(net N)) (wire (path Inner 8 0 0 9 0)) (via V30 9 0) (wire (path top 8 9 0 9 "
               "9))))";
    ASSERT_EQ(convert(design, optionsOf({.maxLength = "7"}), converted), ConvertResult::Changed);
    EXPECT_EQ(capturedLog, "Jumper layer chosen: Top (the top-most of 3 layers, was signal), "
                           "direction orthogonal\r\n"
                           "Warning: layer Bottom is a jumper layer too\r\n"
                           "Warning: the jumper layer Top holds a plane of net GND at byte 121\r\n"
                           "Wires already on the jumper layer Top: 2, kept as they are\r\n"
                           "Resolution: mil 10\r\n"
                           "Jumper lengths in mil (the unit of its resolution): 5.00 to 7.00 mm "
                           "in steps of 2.50 mm\r\n"
                           "Jumper via: V30\r\n"
                           "Jumper descriptor: (jumper (length 196.9) (use_via V30))\r\n");
}

// On a grid of one inch, 5 to 12.5 mm round to nothing and 15 to 20 mm all to one inch.
TEST(Edit, LeavesOutLengthsTheGridCannotHold) {
    resetFakes();
    std::string converted;
    std::string design = "(pcb b (resolution inch 1) (structure (layer T (type signal))" + kInner +
                         ") (library (padstack W)))";
    ASSERT_EQ(convert(design, optionsOf({.maxLength = "20"}), converted), ConvertResult::Changed);
    EXPECT_EQ(converted, "(pcb b (resolution inch 1) (structure (layer T (type jumper) "
                         "(direction orthogonal))" +
                             kInner + ") (library (jumper (length 1)) (padstack W)))");
    for (const char* line : {"Warning: no padstack V30 in the library: use_via left out\r\n",
                             "Warning: jumper length 12.50 mm is below the resolution: left "
                             "out\r\n",
                             "Warning: jumper length 17.50 mm rounds to 1 like a shorter one: "
                             "left out\r\n"}) {
        EXPECT_NE(capturedLog.find(line), std::string::npos) << line << capturedLog;
    }
}

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

// Each refusal plans nothing, so the design stays byte for byte as it was, and its one
// error line is the log's last.
TEST(Edit, RefusesDesignsItCannotEditSoundly) {
    struct Case {
        std::string design;
        StoredJumper stored;
        std::string error;
    };
    const std::string twoLayers = " (structure (layer T (type signal))" + kInner + ")";
    const Case cases[] = {
        {"(pcb b (structure (via V)) (library))",
         {},
         "Error: design refused: the (structure ...) holds no (layer ...) at byte 7"},
        {"(pcb b (unit furlong)" + twoLayers + " (library))",
         {},
         "Error: design refused: unknown unit \"furlong\" at byte 13"},
        {"(pcb b" + twoLayers + " (library)",
         {},
         "Error: design refused: unbalanced: the (pcb ...) list is never closed at byte 0"},
        // Only a signal layer can become the jumper layer, and another must stay.
        {kPcb + " (structure (layer Top (type power)) (layer Bottom (type signal))) (library))",
         {},
         "Error: layer Top is a power layer; jumpers need a signal layer"},
        {kPcb + " (structure (layer Top (type signal)) (layer Bottom (type signal) (type "
                "Mixed))) (library))",
         {.layer = "Bottom"},
         "Error: layer Bottom is a Mixed layer; jumpers need a signal layer"},
        {kPcb + " (structure (layer Top (type signal))) (library))",
         {},
         "Error: layer Top is the only signal layer; the router needs another one to route on"},
        {kPcb + " (structure (layer Top (type jumper)) (layer In (type power)) (layer Bottom "
                "(type signal))) (library))",
         {.layer = "Bottom"},
         "Error: layer Bottom is the only signal layer; the router needs another one to route "
         "on"},
        // A board editor's design with a power plane on top.
        {readFile(std::string(MORVANE_SOURCE_DIR) +
                  "/tests/data/dsn-samples/complex_hierarchy.dsn"),
         {},
         "Error: layer top_copper is a power layer; jumpers need a signal layer"},
        // What is not in this file, or given twice, cannot be edited soundly.
        {"(pcb b (structure (layer T) (file \"layers.dsn\")) (library))",
         {},
         "Error: design refused: a (file ...) inside the (structure ...): a part of it is in "
         "another file at byte 28"},
        {"(pcb b" + twoLayers + " (library (image A) (DIRECTORY lib) (padstack V30)))",
         {},
         "Error: design refused: a (DIRECTORY ...) inside the (library ...): a part of it is in "
         "another file at byte 86"},
        {"(pcb b" + twoLayers + " (file placement.dsn) (library))",
         {},
         "Error: design refused: a (file ...) in the design: a section or a part of one is in "
         "another file at byte 67"},
        {"(pcb b" + twoLayers + " (library)" + twoLayers + ")",
         {},
         "Error: design refused: a second (structure ...) at byte 77"},
        {"(pcb b" + twoLayers + " (library) (library (jumper (length 5))))",
         {},
         "Error: design refused: a second (library ...) at byte 77"},
        {"(pcb b (resolution mil 10) (structure (resolution um 10) (layer T)" + kInner +
             ") (library))",
         {},
         "Error: design refused: a resolution that differs from the design's first one at byte "
         "38"},
        {"(pcb b (unit mm) (structure (unit mil) (layer T)" + kInner + ") (library))",
         {},
         "Error: design refused: a unit that differs from the design's first one at byte 28"},
        {"(pcb b (resolution mil 0)" + twoLayers + " (library))",
         {},
         "Error: design refused: the resolution \"mil 0\" is not a unit with a positive integer "
         "of at most 2147483647 at byte 7"},
        {"(pcb b" + twoLayers.substr(0, 11) + " (resolution mm 1e3)" + twoLayers.substr(11) +
             " (library))",
         {},
         "Error: design refused: the resolution \"mm 1e3\" is not a unit with a positive "
         "integer of at most 2147483647 at byte 18"},
        // No length, no edit: the library keeps what it holds.
        {kPcb + twoLayers + " (library (jumper (length 100)) (padstack V30)))",
         {.unit = 0, .maxLength = "5"},
         "Error: no jumper descriptor to write: the max. length 5.00 mm is below the start 5.08 "
         "mm"},
        {"(pcb b (resolution inch 1)" + twoLayers + " (library))",
         {.maxLength = "12"},
         "Error: no jumper descriptor to write: every length from 5.00 to 12.00 mm is below "
         "the resolution"},
    };
    for (const Case& c : cases) {
        resetFakes();
        std::string converted;
        EXPECT_EQ(convert(c.design, optionsOf(c.stored), converted), ConvertResult::Refused)
            << c.error;
        EXPECT_EQ(converted, c.design);
        EXPECT_TRUE(capturedLog.ends_with("\r\n" + c.error + "\r\n") ||
                    capturedLog == c.error + "\r\n")
            << capturedLog;
    }
}

// ---- Designs written by a board editor, and the example

// The converted design with the edited tokens taken back out: the chosen layer's type as
// it was, its direction and the library's descriptors removed with the blanks before them.
// What is left must be the original, byte for byte.
std::string withoutTheEdits(const std::string& converted, const std::string& original,
                            bool bottom) {
    DsnOutline before;
    DsnOutline after;
    DsnProblem problem;
    EXPECT_TRUE(readDesignOutline(original, before, problem)) << problem.message;
    EXPECT_TRUE(readDesignOutline(converted, after, problem)) << problem.message;
    if (before.layers.empty() || after.layers.size() != before.layers.size()) {
        ADD_FAILURE() << "the layers changed";
        return converted;
    }
    const DsnLayer& was = bottom ? before.layers.back() : before.layers.front();
    const DsnLayer& layer = bottom ? after.layers.back() : after.layers.front();
    // The samples' layers have one type and no direction; their libraries no descriptor.
    EXPECT_EQ(was.types.size(), 1u);
    EXPECT_TRUE(was.directions.empty() && before.library.jumpers.empty());
    EXPECT_EQ(layer.typeValues, std::vector<std::string_view>{"jumper"});
    std::vector<DesignEdit> undo;
    const DsnElement& type = was.types[0];
    undo.push_back({layer.types[0].begin, layer.types[0].end,
                    original.substr(type.begin, type.end - type.begin)});
    for (const DsnElement& direction : layer.directions) {
        undo.push_back({direction.gapBegin, direction.end, {}});
    }
    for (const DsnElement& jumper : after.library.jumpers) {
        undo.push_back({jumper.gapBegin, jumper.end, {}});
    }
    return applyEdits(converted, undo);
}

class DesignFileTest : public testing::TestWithParam<const char*> {};

TEST_P(DesignFileTest, ConvertsOnceAndKeepsEveryOtherByte) {
    std::string design = readFile(std::string(MORVANE_SOURCE_DIR) + "/" + GetParam());
    ASSERT_FALSE(design.empty());
    for (bool bottom : {false, true}) {
        resetFakes();
        StoredJumper stored{.unit = 0,
                            .step = "2.54",
                            .maxLength = "20",
                            .via = "Via[0-1]_800:400_um",
                            .direction = "diagonal",
                            .layer = bottom ? "Bottom" : "Top"};
        JumperOptions options = optionsOf(stored);
        std::string converted;
        ASSERT_EQ(convert(design, options, converted), ConvertResult::Changed) << capturedLog;
        EXPECT_EQ(withoutTheEdits(converted, design, bottom), design);
        std::string again;
        EXPECT_EQ(convert(converted, options, again), ConvertResult::Unchanged);
        EXPECT_NE(converted.find("(direction diagonal)"), std::string::npos);
        EXPECT_NE(converted.find("(jumper (length "), std::string::npos);
        // Every sample pours GND over its bottom layer.
        EXPECT_EQ(capturedLog.find(" holds a plane of net GND at byte ") != std::string::npos,
                  bottom && GetParam() != std::string("examples/cpu-board.dsn"))
            << capturedLog;
    }
}

INSTANTIATE_TEST_SUITE_P(Samples, DesignFileTest,
                         testing::Values("tests/data/dsn-samples/ecc83-pp.dsn",
                                         "tests/data/dsn-samples/interf_u.dsn",
                                         "tests/data/dsn-samples/pic_programmer.dsn",
                                         "tests/data/dsn-samples/sonde_xilinx.dsn",
                                         "examples/cpu-board.dsn"));

TEST(DesignFile, TheExampleGetsTheBoardsVia) {
    resetFakes();
    std::string design = readFile(std::string(MORVANE_SOURCE_DIR) + "/examples/cpu-board.dsn");
    std::string converted;
    ASSERT_EQ(
        convert(design, optionsOf({.maxLength = "6", .via = "'CCTVIA_(Default)'"}), converted),
        ConvertResult::Changed);
    EXPECT_NE(converted.find("    (jumper (length 196.9) (use_via 'CCTVIA_(Default)'))\n"
                             "    (padstack TH_62\n"),
              std::string::npos)
        << converted;
}

// ---- The converter's command line

TEST(ConverterFiles, FindsTheBoardAndTheDesign) {
    struct Case {
        const char* commandLine;
        const char* board;
        const char* design;
    };
    const Case cases[] = {
        {R"("c:\tools\morvane-convert.exe" c:\b\x.pcb c:\b\x.dsn)", R"(c:\b\x.pcb)",
         R"(c:\b\x.dsn)"},
        // A design argument in quotes keeps its opening quote in both names, and may hold
        // blanks.
        {R"("c:\tools\convert.exe" "c:\my boards\x.pcb "c:\my boards\x.dsn)",
         R"(c:\my boards\x.pcb)", R"(c:\my boards\x.dsn)"},
        {R"("c:\tools\convert.exe" "c:\my boards\x.pcb" "c:\my boards\x.dsn")",
         R"(c:\my boards\x.pcb)", R"(c:\my boards\x.dsn)"},
        {R"("c:\tools\convert.exe" .pcb .dsn)", ".pcb", ".dsn"},
        {R"(convert.exe   a.pcb   "c:\x y\b.dsn"  )", "a.pcb", R"(c:\x y\b.dsn)"},
        {R"("c:\a b\convert.exe" c:\b\x.pcb c:\b\x.dsn)", R"(c:\b\x.pcb)", R"(c:\b\x.dsn)"},
    };
    for (const Case& c : cases) {
        ConverterFiles files;
        ASSERT_TRUE(converterFiles(c.commandLine, files)) << c.commandLine;
        EXPECT_EQ(files.board, c.board) << c.commandLine;
        EXPECT_EQ(files.design, c.design) << c.commandLine;
    }
    ConverterFiles files;
    EXPECT_FALSE(converterFiles(R"("c:\tools\convert.exe")", files));
    EXPECT_FALSE(converterFiles(R"("c:\tools\convert.exe" c:\b\x.dsn)", files));
    EXPECT_FALSE(converterFiles(R"(convert.exe a b c)", files));
}

} // namespace
