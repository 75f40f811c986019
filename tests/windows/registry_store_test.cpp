// The settings store against the real registry of the test prefix.
#include "settings/registry.h"
#include "settings/settings.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class RegistryStoreTest : public testing::Test {
  protected:
    void SetUp() override {
        deleteKvxKey();
        std::memset(&settings, 'j', sizeof settings);
    }
    void TearDown() override { deleteKvxKey(); }
};

TEST_F(RegistryStoreTest, FirstRunClearsEverythingAndCreatesNoKey) {
    loadSettings(kGroupAll);
    EXPECT_FALSE(kvxKeyExists());
    EXPECT_EQ(settings.SCEnable, 0);
    EXPECT_STREQ(settings.SCPath, "");
    EXPECT_STREQ(settings.SEXEPath, "");
    EXPECT_STREQ(settings.JLayer, "");
    EXPECT_EQ(settings.JUnit, 0);
    EXPECT_EQ(settings.RInc, 0);
}

TEST_F(RegistryStoreTest, APathWiderThanItsFieldDoesNotLoad) {
    std::string longest(259, 'a');
    setRegistryText("SCPath", longest);
    setRegistryText("SEXEPath", std::string(260, 'b'));
    loadSettings(kGroupConverter);
    EXPECT_EQ(std::string(settings.SCPath), longest);
    EXPECT_STREQ(settings.SEXEPath, "");
}

TEST_F(RegistryStoreTest, UnterminatedTextIsTerminatedWhenItFitsAndClearedWhenItFills) {
    setRegistryBytes("JStep", REG_SZ, "2.54");              // REG_SZ stored without its NUL
    setRegistryBytes("JDir", REG_BINARY, "vertical");       // another type, no NUL
    setRegistryBytes("JMaxLength", REG_BINARY, "123456789X"); // fills all ten bytes
    setRegistryBytes("JVia", REG_BINARY, std::string(50, 'v'));
    loadSettings(kGroupJumper);
    EXPECT_STREQ(settings.JStep, "2.54");
    EXPECT_STREQ(settings.JDir, "vertical");
    EXPECT_STREQ(settings.JMaxLength, "");
    EXPECT_STREQ(settings.JVia, "");
}

TEST_F(RegistryStoreTest, IntegersAreStoredAsFourByteDwords) {
    settings.REnable = 1;
    settings.RType = 2;
    settings.RInc = -1;
    saveSettings(kGroupRoom);
    StoredValue stored = readRegistryValue("RInc");
    ASSERT_TRUE(stored.exists);
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(stored.bytes, std::string("\xff\xff\xff\xff", 4));

    std::memset(&settings, 0, sizeof settings);
    loadSettings(kGroupRoom);
    EXPECT_EQ(settings.REnable, 1);
    EXPECT_EQ(settings.RType, 2);
    EXPECT_EQ(settings.RInc, -1);
}

TEST_F(RegistryStoreTest, EmptyTextIsSavedAsOneByteString) {
    settings.SCPath[0] = '\0';
    std::strcpy(settings.SEXEPath, R"(c:\conv\conv.exe)");
    saveSettings(kGroupConverter);
    StoredValue path = readRegistryValue("SCPath");
    ASSERT_TRUE(path.exists);
    EXPECT_EQ(path.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(path.bytes, std::string(1, '\0'));
    EXPECT_EQ(readRegistryValue("SEXEPath").bytes, std::string(R"(c:\conv\conv.exe)") + '\0');
}

TEST_F(RegistryStoreTest, SavingTheConverterGroupKeepsWhatOtherToolsStored) {
    setRegistryText("SPerlPath", R"(c:\perl\bin\perl.exe)");
    setRegistryText("SScriptPath", R"(c:\scripts\convert.pl)");
    loadSettings(kGroupAll);
    std::strcpy(settings.SCPath, R"(c:\router\router.exe)");
    saveSettings(kGroupConverter);

    EXPECT_EQ(readRegistryValue("SPerlPath").bytes, std::string(R"(c:\perl\bin\perl.exe)") + '\0');
    EXPECT_EQ(readRegistryValue("SScriptPath").bytes,
              std::string(R"(c:\scripts\convert.pl)") + '\0');
    EXPECT_EQ(readRegistryValue("SCPath").bytes, std::string(R"(c:\router\router.exe)") + '\0');
    EXPECT_FALSE(readRegistryValue("JStep").exists);
    EXPECT_FALSE(readRegistryValue("REnable").exists);
}

TEST_F(RegistryStoreTest, AGroupOutsideOneToFourTouchesNothing) {
    for (int group : {0, 5, -1}) {
        saveSettings(group);
        EXPECT_FALSE(kvxKeyExists()) << group;
        loadSettings(group);
        EXPECT_EQ(settings.SCPath[0], 'j') << group;
        EXPECT_EQ(settings.RInc, 0x6a6a6a6a) << group;
    }
}

TEST_F(RegistryStoreTest, DebugDirIsReadButNeverWritten) {
    setRegistryText("DebugDir", R"(c:\logs)");
    char directory[1024];
    uint32_t bytesReturned = 0;
    ASSERT_TRUE(readValue("DebugDir", directory, sizeof directory, &bytesReturned));
    ASSERT_TRUE(terminateReadText(directory, sizeof directory, bytesReturned));
    EXPECT_STREQ(directory, R"(c:\logs)");
    saveSettings(kGroupAll);
    EXPECT_EQ(readRegistryValue("DebugDir").bytes, std::string(R"(c:\logs)") + '\0');
}

} // namespace
