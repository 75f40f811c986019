#include "converter/dsn_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

std::string quoted(const char* parser) {
    return std::string("(pcb b (parser ") + parser + ")";
}

struct RefusalCase {
    const char* name;
    std::string design;
    std::string message;
    std::size_t offset;
};

class RefusalTest : public testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, NamesTheProblemAndWhereItIs) {
    const RefusalCase& refusal = GetParam();
    DsnOutline outline;
    DsnProblem problem;
    EXPECT_FALSE(readDesignOutline(refusal.design, outline, problem));
    EXPECT_EQ(problem.message, refusal.message);
    EXPECT_EQ(problem.offset, refusal.offset);
}

const std::string kBody = " (structure (layer T (type signal))) (library (padstack V))";

INSTANTIATE_TEST_SUITE_P(
    Designs, RefusalTest,
    testing::Values(
        RefusalCase{"Empty", " \r\n", "the design is empty", 3},
        RefusalCase{"NoList", "pcb b", "the design does not start with '('", 0},
        RefusalCase{"OtherList", "(session s)", "the design is not a (pcb ...) list", 1},
        RefusalCase{"ListFirst", "((pcb b))", "the design is not a (pcb ...) list", 1},
        RefusalCase{"PcbNotClosed", "(pcb b" + kBody,
                    "unbalanced: the (pcb ...) list is never closed", 0},
        RefusalCase{"SectionNotClosed", "(pcb b" + kBody + " (network (net N (pins U1-1))",
                    "unbalanced: the list opened here is never closed", 66},
        RefusalCase{"LayerNotClosed", "(pcb b (structure (layer T (type signal)",
                    "unbalanced: the (layer ...) list is never closed", 18},
        RefusalCase{"ClosedTooOften", "(pcb b" + kBody + "))",
                    "unbalanced: this ')' closes more lists than were opened", 66},
        RefusalCase{"TextAfterTheEnd", "(pcb b" + kBody + ")\n(pcb c)",
                    "text after the end of the (pcb ...) list", 67},
        RefusalCase{"NoStructure", "(pcb b (library))", "the design has no (structure ...)", 0},
        RefusalCase{"NoLibrary", "(pcb b (structure (layer T)))", "the design has no (library ...)",
                    0},
        RefusalCase{"SectionsOnlyInFiles", "(pcb b (file s.str) (file l.lib))",
                    "a (file ...) in the design: a section or a part of one is in another file", 7},
        RefusalCase{"LayerWithoutName", "(pcb b (structure (layer (type signal))) (library))",
                    "a (layer ...) without a name", 18},
        RefusalCase{"LetterAsQuote", quoted("(string_quote d)") + kBody + ")",
                    "the quote character is not ', \" or $", 15},
        RefusalCase{"NoQuoteCharacter", quoted("(string_quote)") + kBody + ")",
                    "the quote character is not ', \" or $", 15},
        RefusalCase{"QuoteNeverClosed",
                    quoted("(string_quote \")(space_in_quoted_tokens on)") +
                        " (structure (layer \"T (type signal))) (library))",
                    "a quoted text that is never closed", 78},
        RefusalCase{"QuoteNeverClosedInSkippedText",
                    quoted("(string_quote $)(space_in_quoted_tokens on)") + kBody +
                        " (network (net $N)))",
                    "a quoted text that is never closed", 133},
        // Without blanks in quotes a quote must close before the next blank: an open one
        // would take the parentheses up to that blank into the token.
        RefusalCase{"QuoteReachesABlank",
                    quoted("(string_quote \")(space_in_quoted_tokens off)") +
                        " (structure (layer \"a b\" (type signal))) (library))",
                    "a quoted text that is never closed", 79},
        RefusalCase{"OpenQuoteTakesAParenthesis",
                    "(pcb b (parser (string_quote $)) (structure (layer (direction vertical) "
                    "(type signal) $l) (type sigwer))) (library (padstack V30)))",
                    "a quoted text that is never closed", 86}),
    [](const testing::TestParamInfo<RefusalCase>& param) { return param.param.name; });

// How the ids of a layer and of a padstack read under each quoting rule of the parser.
struct QuotingCase {
    const char* name;
    std::string design;
    std::string layerName;
    std::string padstackId;
};

class QuotingTest : public testing::TestWithParam<QuotingCase> {};

TEST_P(QuotingTest, ReadsIdsAsTheParserSays) {
    const QuotingCase& quoting = GetParam();
    DsnOutline outline;
    DsnProblem problem;
    ASSERT_TRUE(readDesignOutline(quoting.design, outline, problem)) << problem.message;
    ASSERT_EQ(outline.layers.size(), 1u);
    EXPECT_EQ(outline.layers[0].nameText, quoting.layerName);
    ASSERT_EQ(outline.library.padstacks.size(), 1u);
    EXPECT_EQ(outline.library.padstacks[0].id, quoting.padstackId);
}

INSTANTIATE_TEST_SUITE_P(
    Parsers, QuotingTest,
    testing::Values(
        // Until the quote character is known a quote is an ordinary character, and
        // parentheses after it open lists (balanced here, so the design still reads).
        QuotingCase{"NoStringQuote",
                    "(pcb b (structure (layer \"a(b)\" (type signal))) (library (padstack "
                    "\"V(1)\")))",
                    "\"a", "\"V"},
        QuotingCase{"DoubleQuoteWithBlanks",
                    quoted("(string_quote \")\n(space_in_quoted_tokens on)") +
                        " (structure (layer \"Top Layer (1)\" (type signal))) (library "
                        "(padstack \"Via[0-1]_800:400_um\" (shape (circle \"Top Layer (1)\" "
                        "800)))))",
                    "\"Top Layer (1)\"", "\"Via[0-1]_800:400_um\""},
        QuotingCase{"SingleQuote",
                    quoted("(string_quote ')(space_in_quoted_tokens on)") +
                        " (structure (layer 'it''s' (type signal))) (library (padstack "
                        "'CCTVIA_(Default)')))",
                    "'it''s'", "'CCTVIA_(Default)'"},
        QuotingCase{"DollarQuote",
                    quoted("(string_quote $)") +
                        " (structure (layer $TOP$ (type signal))) (library (padstack $V)$)))",
                    "$TOP$", "$V)$"},
        QuotingCase{"NoBlanksInQuotes",
                    quoted("(string_quote \")(space_in_quoted_tokens off)") +
                        " (structure (layer \"a(b)\"\n(type signal))) (library (padstack "
                        "\"V(1)\")))",
                    "\"a(b)\"", "\"V(1)\""},
        // The closing quote need not be followed by a blank; a quote inside a token
        // opens a quoted part too.
        QuotingCase{"QuotedParts",
                    quoted("(string_quote \")(space_in_quoted_tokens on)") +
                        " (structure (layer L\"(1)\"x(type signal))) (library (padstack "
                        "\"U(1)\"-\"2)\")))",
                    "L\"(1)\"x", "\"U(1)\"-\"2)\""}),
    [](const testing::TestParamInfo<QuotingCase>& param) { return param.param.name; });

TEST(DesignOutline, FindsWhatTheJumperEditNeeds) {
    const std::string design =
        "(PCB b\n"
        "  (parser (string_quote \") (space_in_quoted_tokens on)\n"
        "    (case_sensitive on) (host_cad \"An (odd) editor\"))\n"
        "  (resolution mil 10) (unit mil)\n"
        "  (structure (resolution MIL 10) (layer Top (type signal) (property (index 0)))\n"
        "    (layer Inner (direction vertical) (type power))\n"
        "    (layer Bottom (type jumper) (direction off) (type signal))\n"
        "    (plane \"N)\" (polygon Inner 0 0 0 9 9) (window (rect Top 1 1 2 2))))\n"
        "  (placement (component A (place U1 0 0 front 0)))\n"
        "  (library (unit mm) (image A (pin P 1 0 0))\n"
        "    (jumper (length 5)) (padstack \"V 1\" (shape (circle Top 1)))\n"
        "    (jumper (length 7.5)))\n"
        "  (network (net \"N)\" (pins U1-1)))\n"
        "  (wiring (wire (path Top 8 0 0 1 1)) (via \"V 1\" 1 1)\n"
        "    (wire (path Bottom 8 1 1 2 2)) (wire (qarc Top 8 0 0 1 1 2 2)) (wire)))\n";
    DsnOutline outline;
    DsnProblem problem;
    ASSERT_TRUE(readDesignOutline(design, outline, problem)) << problem.message;
    EXPECT_EQ(outline.stringQuote, '"');
    EXPECT_TRUE(outline.spaceInQuotedTokens);
    EXPECT_TRUE(outline.caseSensitive);
    EXPECT_EQ(outline.resolutionUnit, "mil");
    EXPECT_EQ(outline.resolutionValue, "10");
    EXPECT_EQ(outline.designUnit, "mil");

    ASSERT_EQ(outline.layers.size(), 3u);
    const DsnLayer& top = outline.layers[0];
    EXPECT_EQ(top.nameText, "Top");
    EXPECT_EQ(top.typeValues, std::vector<std::string_view>{"signal"});
    EXPECT_EQ(design.substr(top.lastTypeOrProperty.begin,
                            top.lastTypeOrProperty.end - top.lastTypeOrProperty.begin),
              "(property (index 0))");
    const DsnLayer& bottom = outline.layers[2];
    EXPECT_EQ(bottom.typeValues, (std::vector<std::string_view>{"jumper", "signal"}));
    EXPECT_EQ(bottom.directions.size(), 1u);
    EXPECT_EQ(design.substr(bottom.whole.begin, 6), "(layer");
    EXPECT_EQ(design[bottom.whole.end - 1], ')');

    EXPECT_EQ(outline.library.unit, "mm");
    EXPECT_EQ(outline.library.jumpers.size(), 2u);
    ASSERT_EQ(outline.library.padstacks.size(), 1u);
    EXPECT_EQ(outline.library.padstacks[0].id, "\"V 1\"");
    EXPECT_EQ(design[outline.library.closeParen], ')');
    EXPECT_EQ(design.substr(outline.library.lastChild.begin, 8), "(jumper ");

    // The plane's layer is that of its shape, not of its window.
    ASSERT_EQ(outline.planes.size(), 1u);
    EXPECT_EQ(outline.planes[0].net, "\"N)\"");
    EXPECT_EQ(outline.planes[0].layer, "Inner");
    ASSERT_EQ(outline.wiresByLayer.size(), 2u);
    EXPECT_EQ(outline.wiresByLayer[0].layer, "Top");
    EXPECT_EQ(outline.wiresByLayer[0].wires, 2u);
    EXPECT_EQ(outline.wiresByLayer[1].layer, "Bottom");
    EXPECT_EQ(outline.wiresByLayer[1].wires, 1u);
}

TEST(DesignOutline, PassesOverAByteOrderMark) {
    const std::string design = "\xEF\xBB\xBF(pcb b (structure (layer T)) (library))";
    DsnOutline outline;
    DsnProblem problem;
    ASSERT_TRUE(readDesignOutline(design, outline, problem)) << problem.message;
    EXPECT_EQ(outline.layers[0].whole.begin, 21u); // offsets count the mark
    EXPECT_FALSE(
        readDesignOutline("\xEF\xBB(pcb b (structure (layer T)) (library))", outline, problem));
}

TEST(UnquotedId, DropsTheQuoteCharacterOnly) {
    EXPECT_EQ(unquotedId("\"Via[0-1]_800:400_um\"", '"'), "Via[0-1]_800:400_um");
    EXPECT_EQ(unquotedId("'CCTVIA_(Default)'", '\''), "CCTVIA_(Default)");
    EXPECT_EQ(unquotedId("'V\"1'", '\''), "V\"1");
    EXPECT_EQ(unquotedId("\"V1\"", '\0'), "\"V1\"");
}

} // namespace
