#include "boardscan/board_scan.h"
#include "fakes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::string> names(const StyleNameList& list) {
    std::vector<std::string> result;
    for (const auto& entry : list.entries) {
        if (entry[0] == '\0') {
            break;
        }
        result.emplace_back(entry, strnlen(entry, kStyleNameWidth));
    }
    return result;
}

// Scans a copy of `text` in a buffer of exactly its size plus the terminator, so that the
// sanitizer sees any read past the end.
void scan(const std::string& text) {
    padStyles = {};
    viaStyles = {};
    capturedLog.clear();
    auto buffer = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(buffer.get(), text.data(), text.size());
    buffer[text.size()] = '\0';
    scanBoardText(buffer.get());
}

struct ScanCase {
    const char* name;
    std::string text;
    std::vector<std::string> pads;
    std::vector<std::string> vias;
    std::string log;
};

void PrintTo(const ScanCase& testCase, std::ostream* out) {
    *out << testCase.text;
}

class ScanTest : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanTest, ListsAndLogsTheStyleNames) {
    scan(GetParam().text);
    EXPECT_EQ(names(padStyles), GetParam().pads);
    EXPECT_EQ(names(viaStyles), GetParam().vias);
    EXPECT_EQ(capturedLog, GetParam().log);
}

INSTANTIATE_TEST_SUITE_P(
    BoardTexts, ScanTest,
    testing::Values(
        ScanCase{"ViaNamedLikeAPadIsPrefixedAndQuoted",
                 "(padStyleDef \"(Default)\" (holeDiam 0.8mm))\r\n"
                 "(viaStyleDef \"(Default)\" (holeDiam 0.3mm))\r\n"
                 "(viaStyleDef \"V30\" (holeDiam 0.3mm))\r\n",
                 {"(Default)"},
                 {"'CCTVIA_(Default)'", "V30"},
                 "Add pad: (Default)\r\nAdd via: CCTVIA_(Default)\r\nAdd via: V30\r\n"},
        ScanCase{"UnquotedViaNameLosesItsFirstCharacter",
                 "padStyleDef P1 viaStyleDef V30",
                 {"P1"},
                 {"30"},
                 "Add pad: P1\r\nAdd via: 30\r\n"},
        ScanCase{"QuotedNameIsTakenWhole",
                 "(padStyleDef \"Pad [12]\" (holeDiam 0.8mm))\r\n"
                 "(viaStyleDef \"Via1 [5]\" (holeDiam 0.3mm))\r\n(viaStyleDef \"Pad [12]\")",
                 {"Pad [12]"},
                 {"'Via1 [5]'", "'CCTVIA_Pad [12]'"},
                 "Add pad: Pad [12]\r\nAdd via: Via1 [5]\r\nAdd via: CCTVIA_Pad [12]\r\n"},
        ScanCase{"QuoteNotClosedOnItsLineIsReadAsAToken",
                 "padStyleDef \"Pad 1\r\n\" viaStyleDef \"Via 2\n\" viaStyleDef \"Via 3",
                 {"Pad"},
                 {"Via", "Via"},
                 "Add pad: Pad\r\nAdd via: Via\r\nAdd via: Via\r\n"},
        ScanCase{"EmptyQuotesAreReadAsAToken",
                 "(padStyleDef \"\" (layer \"Top\"))\r\n(viaStyleDef \"\" (layer \"Top\"))",
                 {"\"\""},
                 {"\""},
                 "Add pad: \"\"\r\nAdd via: \"\r\n"},
        ScanCase{"PadMatchIsCaseSensitive",
                 "padStyleDef \"Round\" viaStyleDef \"round\" viaStyleDef \"Round\"",
                 {"Round"},
                 {"round", "CCTVIA_Round"},
                 "Add pad: Round\r\nAdd via: round\r\nAdd via: CCTVIA_Round\r\n"},
        ScanCase{"PadMatchIsOnWholeNames",
                 "padStyleDef \"P1\" viaStyleDef \"P10\"",
                 {"P1"},
                 {"P10"},
                 "Add pad: P1\r\nAdd via: P10\r\n"},
        ScanCase{"KeywordsInsideLongerWordsCount",
                 "(padStyleDefault 3) (mypadStyleDef X ) (viaStyleDefs Y)",
                 {"ault", "X"},
                 {"'Y)'"},
                 "Add pad: ault\r\nAdd pad: X\r\nAdd via: Y)\r\n"},
        ScanCase{"NearMissesAreNotKeywords",
                 "padStyleRef \"A\" PadStyleDef \"B\" padstyleDef \"C\" viaStyle Def \"D\"",
                 {},
                 {},
                 ""},
        ScanCase{"NextSearchStartsJustAfterTheKeyword",
                 "padStyleDef padStyleDef \"x\"",
                 {"padStyleDef", "x"},
                 {},
                 "Add pad: padStyleDef\r\nAdd pad: x\r\n"},
        ScanCase{"PadsAreCompleteBeforeViasAreNamed",
                 "viaStyleDef \"Late\" padStyleDef \"Late\"",
                 {"Late"},
                 {"CCTVIA_Late"},
                 "Add pad: Late\r\nAdd via: CCTVIA_Late\r\n"},
        ScanCase{"AllSixWhitespaceBytesSeparate",
                 "padStyleDef\t\n\v\f\r A\t\n\v\f\rB",
                 {"A"},
                 {},
                 "Add pad: A\r\n"},
        ScanCase{"BlanksInQuotesBelongToTheName",
                 "viaStyleDef \" V30\" viaStyleDef V 30",
                 {},
                 {"' V30'", "30"},
                 "Add via:  V30\r\nAdd via: 30\r\n"},
        ScanCase{"QuotesInsideATokenSplitIt",
                 "padStyleDef \"a\"b\" padStyleDef a\"b",
                 {"a", "a"},
                 {},
                 "Add pad: a\r\nAdd pad: a\r\n"},
        ScanCase{"TokenOfQuotesOnlyStaysAsItWas",
                 "padStyleDef \"\" viaStyleDef \"\"",
                 {"\"\""},
                 {"\""},
                 "Add pad: \"\"\r\nAdd via: \"\r\n"},
        ScanCase{"ParenthesisAloneQuotesTheEntry",
                 "viaStyleDef \"(x\" viaStyleDef \"y)\"",
                 {},
                 {"'(x'", "'y)'"},
                 "Add via: (x\r\nAdd via: y)\r\n"},
        // A keyword without a name logs the name read last (shared by both lists) and adds
        // nothing.
        ScanCase{"PadKeywordAtTheEndLogsAnEmptyName", "padStyleDef", {}, {}, "Add pad: \r\n"},
        ScanCase{"PadKeywordAtTheEndRepeatsTheLastName",
                 "padStyleDef \"A\" padStyleDef  \r\n",
                 {"A"},
                 {},
                 "Add pad: A\r\nAdd pad: A\r\n"},
        ScanCase{"ViaKeywordAtTheEndRepeatsTheLastPadName",
                 "padStyleDef \"A\" viaStyleDef \"",
                 {"A"},
                 {},
                 "Add pad: A\r\nAdd via: CCTVIA_A\r\n"},
        ScanCase{"ViaKeywordAtTheVeryEndReadsNothingBeyond",
                 "viaStyleDef \"V\" viaStyleDef \t",
                 {},
                 {"V"},
                 "Add via: V\r\nAdd via: V\r\n"},
        ScanCase{"EmptyText", "", {}, {}, ""}),
    [](const testing::TestParamInfo<ScanCase>& paramInfo) { return paramInfo.param.name; });

// The keyword search, wherever a keyword, a near miss or the NUL ending the text falls.
std::string filler(std::size_t size) {
    std::string text;
    while (text.size() < size) {
        text += "StyleRef SxxxxD Def y \t";
    }
    text.resize(size);
    return text;
}

TEST(Scan, FindsKeywordsAtEveryOffset) {
    for (std::size_t offset = 0; offset < 200; ++offset) {
        std::string pad = filler(offset);
        scan(pad + "padStyleDef \"A\" " + pad + "viaStyleDef \"A\"" + pad);
        EXPECT_EQ(names(padStyles), std::vector<std::string>{"A"}) << offset;
        EXPECT_EQ(names(viaStyles), std::vector<std::string>{"CCTVIA_A"}) << offset;

        scan(pad + "padStyleDef");
        EXPECT_EQ(capturedLog, "Add pad: \r\n") << offset;

        scan(pad + "padStyleDe");
        EXPECT_EQ(capturedLog, "") << offset;
    }
}

TEST(Scan, StopsAtTheFirstNulWhereverItFalls) {
    const std::string plain(300, 'x');
    for (std::size_t offset = 0; offset < 200; ++offset) {
        std::string text = plain.substr(0, offset) + "padStyleDef \"A\" " + plain.substr(0, offset);
        text += '\0';
        text += plain.substr(0, offset) + "padStyleDef \"B\" viaStyleDef \"C\"" + plain;
        scan(text);
        EXPECT_EQ(capturedLog, "Add pad: A\r\n") << offset;
    }
}

std::string definitions(const char* keyword, int count, const char* prefix = "S") {
    std::string text;
    for (int index = 0; index < count; ++index) {
        text += "(" + std::string(keyword) + " \"" + prefix + std::to_string(index) +
                "\" (holeDiam 0.3mm))\r\n";
    }
    return text;
}

TEST(Scan, ListsHoldAtMost254NamesAndLogTheRest) {
    scan(definitions("padStyleDef", 254, "P") + definitions("viaStyleDef", 254, "V"));
    ASSERT_EQ(names(padStyles).size(), 254u);
    ASSERT_EQ(names(viaStyles).size(), 254u);
    EXPECT_EQ(capturedLog.find("left out"), std::string::npos);

    // Past the limit, and a trailing keyword whose stale name lands in the end-marker slot.
    scan(definitions("padStyleDef", 300, "P") + definitions("viaStyleDef", 300, "V") +
         "viaStyleDef");
    std::vector<std::string> pads = names(padStyles);
    std::vector<std::string> vias = names(viaStyles);
    ASSERT_EQ(pads.size(), 254u);
    ASSERT_EQ(vias.size(), 254u);
    EXPECT_EQ(pads.back(), "P253");
    EXPECT_EQ(vias.back(), "V253");
    EXPECT_EQ(padStyles.entries[kMaxStyleNames][0], '\0');
    EXPECT_EQ(viaStyles.entries[kMaxStyleNames][0], '\0');
    EXPECT_NE(capturedLog.find("Add pad: P253\r\nPad style left out, list full: P254\r\n"),
              std::string::npos);
    EXPECT_NE(capturedLog.find("Pad style left out, list full: P299\r\nAdd via: V0\r\n"),
              std::string::npos);
    EXPECT_TRUE(capturedLog.ends_with("Via style left out, list full: V299\r\n"
                                      "Add via: V299\r\n"));
}

TEST(Scan, ViasAreNamedAgainstEveryPadStyle) {
    scan(definitions("padStyleDef", 300, "Pad ") +
         "viaStyleDef \"Pad 299\" viaStyleDef \"Pad 300\"");
    EXPECT_EQ(names(viaStyles), (std::vector<std::string>{"'CCTVIA_Pad 299'", "'Pad 300'"}));
}

// Via definitions far more than the list holds, before the pads they are named like: every
// via is still named against the complete pad list, in file order.
TEST(Scan, ManyViasAreNamedAgainstPadsDefinedAfterThem) {
    const int vias = 70000;
    const std::string last = "V" + std::to_string(vias - 1);
    scan(definitions("viaStyleDef", vias, "V") + "padStyleDef \"V0\" padStyleDef \"" + last + "\"");
    EXPECT_EQ(names(viaStyles).front(), "CCTVIA_V0");
    EXPECT_TRUE(
        capturedLog.starts_with("Add pad: V0\r\nAdd pad: " + last + "\r\nAdd via: CCTVIA_V0\r\n"));
    EXPECT_TRUE(
        capturedLog.ends_with("Via style left out, list full: V" + std::to_string(vias - 2) +
                              "\r\nVia style left out, list full: CCTVIA_" + last + "\r\n"));
    std::size_t lines = 0;
    for (char byte : capturedLog) {
        lines += byte == '\n';
    }
    EXPECT_EQ(lines, static_cast<std::size_t>(vias) + 2);
}

TEST(Scan, NamesThatDoNotFitAnEntryAreLeftOutWhole) {
    const std::string fits(49, 'a');
    const std::string viaFits(49, 'g');
    const std::string tooLong(50, 'b');
    const std::string padFor42(42, 'c'); // CCTVIA_ makes 49
    const std::string padFor43(43, 'd'); // CCTVIA_ makes 50
    const std::string parens47 = "(" + std::string(46, 'e');
    const std::string parens48 = "(" + std::string(47, 'f');
    scan("padStyleDef \"" + fits + "\" padStyleDef \"" + tooLong + "\" padStyleDef " + padFor42 +
         " padStyleDef " + padFor43 + " padStyleDef ok\r\n" + "viaStyleDef \"" + viaFits +
         "\" viaStyleDef \"" + tooLong + "\" viaStyleDef \"" + padFor42 + "\" viaStyleDef \"" +
         padFor43 + "\" viaStyleDef \"" + parens47 + "\" viaStyleDef \"" + parens48 + "\"");
    EXPECT_EQ(names(padStyles), (std::vector<std::string>{fits, padFor42, padFor43, "ok"}));
    EXPECT_EQ(names(viaStyles),
              (std::vector<std::string>{viaFits, "CCTVIA_" + padFor42, "'" + parens47 + "'"}));
    EXPECT_EQ(capturedLog, "Add pad: " + fits + "\r\n" +                                  //
                               "Pad style left out, name too long: " + tooLong + "\r\n" + //
                               "Add pad: " + padFor42 + "\r\n" +                          //
                               "Add pad: " + padFor43 + "\r\n" +                          //
                               "Add pad: ok\r\n" +                                        //
                               "Add via: " + viaFits + "\r\n" +                           //
                               "Via style left out, name too long: " + tooLong + "\r\n" +
                               "Add via: CCTVIA_" + padFor42 + "\r\n" +
                               "Via style left out, name too long: CCTVIA_" + padFor43 + "\r\n" +
                               "Add via: " + parens47 + "\r\n" +
                               "Via style left out, name too long: " + parens48 + "\r\n");
}

TEST(Scan, TokensLongerThanTheTokenBufferAreLeftOutAndForgotten) {
    const std::string longest(259, 'x');
    const std::string overlong(260, 'y');
    const std::string huge(100000, 'z');
    // A trailing keyword repeats the name read last; after an overlong token that is none.
    scan("padStyleDef \"A\" padStyleDef " + longest + " padStyleDef " + overlong + " padStyleDef " +
         huge + "padStyleDef\r\n");
    EXPECT_EQ(names(padStyles), std::vector<std::string>{"A"});
    EXPECT_EQ(capturedLog, "Add pad: A\r\n"
                           "Pad style left out, name too long: " +
                               longest + "\r\n" + "Pad style left out, name too long: " +
                               overlong.substr(0, 259) + "...\r\n" +
                               "Pad style left out, name too long: " + huge.substr(0, 259) +
                               "...\r\n" + "Add pad: \r\n");
}

} // namespace
