#include "fakes.h"
#include "settings/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

void storeText(const std::string& name, const std::string& bytes) {
    fakeRegistry.keyExists = true;
    fakeRegistry.values[name] = {FakeType::Sz, {bytes.begin(), bytes.end()}};
}

void storeDword(const std::string& name, int32_t value) {
    fakeRegistry.keyExists = true;
    const auto* bytes = reinterpret_cast<const uint8_t*>(&value);
    fakeRegistry.values[name] = {FakeType::Dword, {bytes, bytes + sizeof value}};
}

void fillRecordWithJunk() {
    std::memset(&settings, 'j', sizeof settings);
}

class SettingsStoreTest : public testing::Test {
  protected:
    void SetUp() override { resetFakes(); }
};

TEST_F(SettingsStoreTest, EachGroupWritesItsValuesInOrder) {
    const std::vector<std::string> converter = {"SCPath", "SPerlPath", "SScriptPath", "SEXEPath",
                                                "SCEnable"};
    const std::vector<std::string> jumper = {"JEnable", "JUnit", "JStep", "JMaxLength",
                                             "JVia",    "JDir",  "JLayer"};
    const std::vector<std::string> room = {"REnable", "RType", "RInc"};
    std::vector<std::string> all = converter;
    all.insert(all.end(), jumper.begin(), jumper.end());
    all.insert(all.end(), room.begin(), room.end());

    const std::pair<int, std::vector<std::string>> cases[] = {
        {kGroupAll, all}, {kGroupConverter, converter}, {kGroupJumper, jumper},
        {kGroupRoom, room}, {0, {}},  {5, {}}, {-1, {}},
    };
    for (const auto& [group, expected] : cases) {
        fakeRegistry.writes.clear();
        saveSettings(group);
        EXPECT_EQ(fakeRegistry.writes, expected) << "group " << group;
    }
}

TEST_F(SettingsStoreTest, FirstRunClearsEveryField) {
    fillRecordWithJunk();
    loadSettings(kGroupAll);
    SettingsRecord empty{};
    for (const SettingsValue& value : settingsValues()) {
        const char* field = reinterpret_cast<const char*>(&settings) + value.offset;
        const char* expected = reinterpret_cast<const char*>(&empty) + value.offset;
        std::size_t compared = value.kind == ValueKind::Text ? 1 : value.width;
        EXPECT_EQ(std::memcmp(field, expected, compared), 0) << value.name;
    }
    EXPECT_FALSE(fakeRegistry.keyExists);
}

TEST_F(SettingsStoreTest, LoadsStoredValuesAndClearsFailedReads) {
    fillRecordWithJunk();
    storeText("SCPath", std::string(R"(c:\sc\sc.exe)") + '\0');
    storeText("SEXEPath", std::string(260, 'x')); // wider than the field: does not load
    storeText("JStep", "2.54");                   // no terminator, room for one
    storeText("JMaxLength", std::string(10, '9')); // no terminator, no room
    storeDword("SCEnable", 1);
    storeDword("RType", 5);

    loadSettings(kGroupAll);

    EXPECT_STREQ(settings.SCPath, R"(c:\sc\sc.exe)");
    EXPECT_STREQ(settings.SEXEPath, "");
    EXPECT_STREQ(settings.SPerlPath, "");
    EXPECT_STREQ(settings.JStep, "2.54");
    EXPECT_STREQ(settings.JMaxLength, "");
    EXPECT_EQ(settings.SCEnable, 1);
    EXPECT_EQ(settings.RType, 5);
    EXPECT_EQ(settings.RInc, 0);
}

TEST_F(SettingsStoreTest, LoadingOneGroupLeavesTheOthers) {
    fillRecordWithJunk();
    storeDword("REnable", 1);
    loadSettings(kGroupRoom);
    EXPECT_EQ(settings.REnable, 1);
    EXPECT_EQ(settings.RType, 0);
    EXPECT_EQ(settings.SCPath[0], 'j');
    EXPECT_EQ(settings.JUnit, 0x6a6a6a6a);
}

TEST_F(SettingsStoreTest, AnUnknownGroupLoadsNothing) {
    fillRecordWithJunk();
    loadSettings(0);
    loadSettings(5);
    EXPECT_EQ(settings.SCPath[0], 'j');
    EXPECT_EQ(settings.RInc, 0x6a6a6a6a);
}

TEST_F(SettingsStoreTest, EmptyTextIsSavedAsOneNul) {
    saveSettings(kGroupConverter);
    EXPECT_EQ(fakeRegistry.values.at("SCPath").data, std::vector<uint8_t>{0});
}

TEST(TerminateReadText, AppendsATerminatorOnlyWhereOneFits) {
    struct Case {
        std::string bytes; // as returned by the registry
        std::size_t width;
        bool loads;
        std::string text;
    };
    const Case cases[] = {
        {std::string("abc") + '\0', 10, true, "abc"},
        {"abc", 10, true, "abc"},
        {"abcdefghi", 10, true, "abcdefghi"},
        {"abcdefghij", 10, false, ""},
        {std::string("ab\0cd", 5), 5, true, "ab"},
        {"", 10, true, ""},
    };
    for (const Case& testCase : cases) {
        char field[16];
        std::memset(field, 'z', sizeof field);
        std::memcpy(field, testCase.bytes.data(), testCase.bytes.size());
        bool loads = terminateReadText(field, testCase.width, testCase.bytes.size());
        EXPECT_EQ(loads, testCase.loads) << testCase.bytes;
        if (loads) {
            EXPECT_EQ(std::string(field), testCase.text) << testCase.bytes;
        }
    }
}

} // namespace
