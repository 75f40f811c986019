// The page templates as they are compiled into morvane.exe: the resource compiler decides
// the final style bits (defaults it adds, a NOT it may drop), so the built exe is read back
// and compared, control by control, with what each page expects of its template.
#include "sheet/sheet_ids.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Control {
    int id;
    std::string className;
    DWORD style;
    DWORD exStyle;
    short x, y, width, height;
    std::string text;
    bool operator==(const Control&) const = default;
};

void PrintTo(const Control& control, std::ostream* out) {
    *out << "{" << control.id << ", " << control.className << ", style 0x" << std::hex
         << control.style << ", ex 0x" << control.exStyle << std::dec << ", " << control.x << ","
         << control.y << "," << control.width << "," << control.height << ", \"" << control.text
         << "\"}";
}

struct Template {
    bool extended = false;
    DWORD style = 0;
    short width = 0, height = 0;
    std::string caption;
    int fontSize = 0;
    std::string fontName;
    std::vector<Control> controls;
};

// Reads the packed DLGTEMPLATE(EX) layout: words, ordinals or UTF-16 strings, and items
// aligned to four bytes.
class TemplateReader {
  public:
    TemplateReader(const BYTE* data, std::size_t size) : data_(data), size_(size) {}

    Template read() {
        Template result;
        result.extended = peekWord(2) == 0xFFFF && peekWord(0) == 1;
        int count = 0;
        if (result.extended) {
            skip(4 + 4); // version and signature, help id
            skip(4);     // extended style
            result.style = dword();
        } else {
            result.style = dword();
            skip(4);
        }
        count = word();
        skip(4); // x, y
        result.width = static_cast<short>(word());
        result.height = static_cast<short>(word());
        nameOrOrdinal(); // menu
        nameOrOrdinal(); // class
        result.caption = string();
        if (result.style & DS_SETFONT) {
            result.fontSize = word();
            if (result.extended) {
                skip(2 + 1 + 1); // weight, italic, character set
            }
            result.fontName = string();
        }
        for (int index = 0; index < count && ok_; ++index) {
            result.controls.push_back(control(result.extended));
        }
        EXPECT_TRUE(ok_) << "template ends early";
        return result;
    }

  private:
    Control control(bool extended) {
        align();
        Control item{};
        if (extended) {
            skip(4); // help id
            item.exStyle = dword();
            item.style = dword();
        } else {
            item.style = dword();
            item.exStyle = dword();
        }
        item.x = static_cast<short>(word());
        item.y = static_cast<short>(word());
        item.width = static_cast<short>(word());
        item.height = static_cast<short>(word());
        item.id = extended ? static_cast<int>(dword()) : static_cast<short>(word());
        item.className = className();
        item.text = nameOrOrdinal();
        skip(word()); // creation data
        return item;
    }

    // A string, or an ordinal written as "#n".
    std::string nameOrOrdinal() {
        if (peekWord(0) != 0xFFFF) {
            return string();
        }
        skip(2);
        std::string ordinal = "#";
        ordinal += std::to_string(word());
        return ordinal;
    }
    // The predefined control classes come as atoms or as names in any letter case; both
    // read as the class's usual spelling.
    std::string className() {
        static const std::pair<const char*, const char*> kClasses[] = {
            {"#128", "Button"}, {"#129", "Edit"}, {"#130", "Static"}, {"#133", "ComboBox"}};
        std::string name = nameOrOrdinal();
        for (const auto& [atom, usual] : kClasses) {
            if (name == atom || lstrcmpiA(name.c_str(), usual) == 0) {
                return usual;
            }
        }
        return name;
    }
    std::string string() {
        std::string text;
        for (uint16_t character; ok_ && (character = word()) != 0;) {
            text += character < 0x80 ? static_cast<char>(character) : '?';
        }
        return text;
    }
    uint16_t peekWord(std::size_t offset) const {
        uint16_t value = 0;
        if (position_ + offset + 2 <= size_) {
            std::memcpy(&value, data_ + position_ + offset, 2);
        }
        return value;
    }
    uint16_t word() {
        uint16_t value = peekWord(0);
        skip(2);
        return value;
    }
    DWORD dword() {
        DWORD low = word();
        return low | (static_cast<DWORD>(word()) << 16);
    }
    void skip(std::size_t bytes) {
        position_ += bytes;
        ok_ = ok_ && position_ <= size_;
    }
    void align() { skip((4 - position_ % 4) % 4); }

    const BYTE* data_;
    std::size_t size_;
    std::size_t position_ = 0;
    bool ok_ = true;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kPageFrame =
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_3DLOOK;
constexpr DWORD kPathEdit = kChild | ES_READONLY | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
constexpr DWORD kListCombo = kChild | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kLabel = kChild | SS_LEFT | WS_GROUP;
constexpr DWORD kRadio = kChild | BS_AUTORADIOBUTTON;

class SheetTemplateTest : public testing::Test {
  protected:
    void SetUp() override {
        module_ = LoadLibraryExA((buildFolder() + "morvane.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr) << GetLastError();
    }
    void TearDown() override { FreeLibrary(module_); }

    Template load(int id) const {
        HRSRC resource = FindResourceA(module_, MAKEINTRESOURCEA(id), RT_DIALOG);
        EXPECT_NE(resource, nullptr) << "no template " << id;
        if (resource == nullptr) {
            return {};
        }
        const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module_, resource)));
        return TemplateReader(data, SizeofResource(module_, resource)).read();
    }

    void expectFrame(const Template& page, bool extended, const char* caption, short width,
                     short height) const {
        EXPECT_EQ(page.extended, extended);
        EXPECT_EQ(page.style, kPageFrame);
        EXPECT_EQ(page.caption, caption);
        EXPECT_EQ(page.width, width);
        EXPECT_EQ(page.height, height);
        EXPECT_EQ(page.fontSize, 8);
        EXPECT_EQ(page.fontName, "MS Sans Serif");
    }

    HMODULE module_ = nullptr;
};

TEST_F(SheetTemplateTest, TheSettingsPageTemplate) {
    Template page = load(IDD_SETTINGS_PAGE);
    expectFrame(page, true, "Settings", 273, 127);
    const std::vector<Control> expected = {
        {1002, "Button", kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 0, 7, 8, 73, 10,
         "Enable converter"},
        {1010, "Edit", kPathEdit, 0, 14, 34, 196, 12, ""},
        {1011, "Button", kChild | BS_PUSHBUTTON | WS_TABSTOP, 0, 224, 34, 35, 12, "Specctra"},
        {1014, "Edit", kPathEdit, 0, 14, 56, 196, 12, ""},
        {1015, "Button", kChild | BS_PUSHBUTTON | WS_TABSTOP, 0, 224, 56, 35, 12, "Converter"},
        // No border, no tab stop, transparent: the command line reads as text on the page.
        {1013, "Edit", kChild | ES_MULTILINE | ES_READONLY, WS_EX_TRANSPARENT, 14, 73, 247, 21, ""},
        // No SS_NOTIFY: clicks on the web address reach the page.
        {1022, "Static", kLabel, 0, 17, 102, 175, 8, "Static"},
    };
    EXPECT_EQ(page.controls, expected);
}

TEST_F(SheetTemplateTest, TheJumperPageTemplate) {
    Template page = load(IDD_JUMPER_PAGE);
    expectFrame(page, false, "Jumper", 253, 127);
    const std::vector<Control> expected = {
        {1003, "Button", kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 0, 7, 8, 61, 10, "Enable jumper"},
        {1005, "Button", kRadio, 0, 13, 33, 27, 10, "mm"},
        {1006, "Button", kRadio, 0, 13, 52, 29, 10, "inch"},
        {1008, "ComboBox", kChild | CBS_DROPDOWN | WS_VSCROLL, 0, 116, 42, 36, 53, ""},
        {1010, "Edit", kChild | ES_NUMBER | WS_BORDER | WS_TABSTOP, 0, 175, 42, 36, 12, ""},
        {1014, "Edit", kChild | ES_NUMBER | ES_READONLY | WS_BORDER | WS_TABSTOP, 0, 57, 42, 36, 12,
         ""},
        {1017, "ComboBox", kListCombo, 0, 7, 85, 88, 54, ""},
        {-1, "Static", kLabel, 0, 57, 30, 43, 8, "Start"},
        {-1, "Static", kLabel, 0, 116, 30, 43, 8, "Step"},
        {-1, "Static", kLabel, 0, 175, 30, 43, 8, "Max. Length"},
        {-1, "Static", kLabel, 0, 35, 74, 34, 8, "Via Style"},
        {1018, "ComboBox", kListCombo, 0, 102, 85, 88, 54, ""},
        {-1, "Static", kLabel, 0, 127, 74, 34, 8, "Direction"},
        {1019, "ComboBox", kListCombo, 0, 198, 85, 48, 54, ""},
        {-1, "Static", kLabel, 0, 207, 74, 34, 8, "Layer"},
    };
    EXPECT_EQ(page.controls, expected);
}

TEST_F(SheetTemplateTest, TheRoomPageTemplate) {
    Template page = load(IDD_ROOM_PAGE);
    expectFrame(page, false, "Room", 270, 122);
    const std::vector<Control> expected = {
        {1004, "Button", kChild | BS_AUTOCHECKBOX | WS_TABSTOP, 0, 7, 8, 55, 10, "Enable room"},
        {1018, "Button", kRadio | WS_GROUP | WS_TABSTOP, 0, 21, 31, 61, 10, "Room&&Region"},
        {1019, "Button", kRadio | WS_TABSTOP, 0, 21, 55, 61, 10, "Room"},
        {1007, "Button", kRadio | WS_TABSTOP, 0, 21, 79, 61, 10, "Region"},
        {1022, "Button", kRadio | WS_GROUP | WS_TABSTOP, 0, 161, 31, 60, 10, "Hard include"},
        {1023, "Button", kRadio | WS_TABSTOP, 0, 161, 55, 60, 10, "Soft include"},
        // Never shown; the first one ends the include group.
        {-1, "Button", WS_CHILD | BS_GROUPBOX | WS_GROUP, 0, 149, 20, 89, 76, ""},
        {-1, "Button", WS_CHILD | BS_GROUPBOX | WS_TABSTOP, 0, 7, 22, 86, 73, ""},
    };
    EXPECT_EQ(page.controls, expected);
}

std::string resourceName(LPCSTR name) {
    return IS_INTRESOURCE(name) ? std::to_string(reinterpret_cast<uintptr_t>(name)) : name;
}

BOOL CALLBACK addName(HMODULE, LPCSTR type, LPSTR name, LONG_PTR found) {
    reinterpret_cast<std::set<std::string>*>(found)->insert(resourceName(type) + "/" +
                                                            resourceName(name));
    return TRUE;
}

BOOL CALLBACK addNamesOfType(HMODULE module, LPSTR type, LONG_PTR found) {
    EnumResourceNamesA(module, type, addName, found);
    return TRUE;
}

// No icon or version record: the three page templates and the program's manifest, which
// keeps Windows from taking one placed beside it, are all the exe carries.
TEST_F(SheetTemplateTest, TheTemplatesAndTheManifestAreTheOnlyResources) {
    std::set<std::string> found;
    EnumResourceTypesA(module_, addNamesOfType, reinterpret_cast<LONG_PTR>(&found));
    EXPECT_EQ(found, (std::set<std::string>{"5/102", "5/103", "5/106", "24/1"}));
}

} // namespace
