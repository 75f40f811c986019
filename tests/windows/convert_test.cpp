// morvane-convert.exe run under Wine as Morvane starts it: the jumper settings from the
// registry written into the design, the design kept whole whenever the converter cannot or
// must not change it, and the converter's own log, kvxconvert.txt.
#include "converter/design_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* kConverterName = "morvane-convert.exe";
constexpr const char* kLogName = "kvxconvert.txt";

// `text` with its one occurrence of `from` replaced by `to`.
std::string replacedOnce(const std::string& text, const std::string& from, const std::string& to) {
    std::size_t at = text.find(from);
    if (at == std::string::npos || text.find(from, at + 1) != std::string::npos) {
        ADD_FAILURE() << "not exactly once in the example: " << from;
        return text;
    }
    return text.substr(0, at) + to + text.substr(at + from.size());
}

// The example design as the example settings leave it: the bottom layer becomes the jumper
// layer and two descriptors (200 and 300 mil) stand before the first padstack.
std::string convertedExample(const std::string& original) {
    std::string design = replacedOnce(original,
                                      "    (layer Bottom\n"
                                      "      (type signal)\n"
                                      "      (property (index 1))\n"
                                      "    )\n",
                                      "    (layer Bottom\n"
                                      "      (type jumper)\n"
                                      "      (property (index 1))\n"
                                      "      (direction orthogonal)\n"
                                      "    )\n");
    return replacedOnce(design, "    (padstack TH_62\n",
                        "    (jumper (length 200) (use_via 'CCTVIA_(Default)'))\n"
                        "    (jumper (length 300) (use_via 'CCTVIA_(Default)'))\n"
                        "    (padstack TH_62\n");
}

// The log's lines without their CR LF; any other line end fails the test.
std::vector<std::string> logLines(const std::string& log) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < log.size()) {
        std::size_t end = log.find("\r\n", start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "the log's last line has no CR LF: " << log.substr(start);
            end = log.size();
        }
        std::string line = log.substr(start, end - start);
        if (line.find_first_of("\r\n") != std::string::npos) {
            ADD_FAILURE() << "a CR or LF alone in the log line: " << line;
        }
        lines.push_back(line);
        start = end + 2;
    }
    return lines;
}

std::vector<std::string> linesStartingWith(const std::vector<std::string>& lines,
                                           const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        if (line.rfind(prefix, 0) == 0) {
            found.push_back(line);
        }
    }
    return found;
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The names in `folder` as they are on disk, sorted: a temporary file or backup left behind
// shows here.
std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        std::string name = entry.cFileName;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

// Which file a path names and when it was last written: a file replaced by another one,
// even with the same bytes, has another identity.
std::string fileIdentity(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return "<no file>";
    }
    BY_HANDLE_FILE_INFORMATION information{};
    bool known = GetFileInformationByHandle(file, &information);
    CloseHandle(file);
    if (!known) {
        return "<unknown>";
    }
    char text[96];
    std::snprintf(text, sizeof text, "volume %lx index %lx:%lx written %lx:%lx",
                  static_cast<unsigned long>(information.dwVolumeSerialNumber),
                  static_cast<unsigned long>(information.nFileIndexHigh),
                  static_cast<unsigned long>(information.nFileIndexLow),
                  static_cast<unsigned long>(information.ftLastWriteTime.dwHighDateTime),
                  static_cast<unsigned long>(information.ftLastWriteTime.dwLowDateTime));
    return text;
}

unsigned long long lastWriteTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
        return 0;
    }
    return (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
           data.ftLastWriteTime.dwLowDateTime;
}

void deleteRegistryValue(const char* name) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\KVX", 0, KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

// Every value under HKCU\Software\KVX with its type and bytes, and the key's last write.
std::string kvxSnapshot() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\KVX", 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return "<no key>";
    }
    std::string snapshot;
    FILETIME written{};
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, &written);
    snapshot += "written " + std::to_string(written.dwHighDateTime) + ":" +
                std::to_string(written.dwLowDateTime) + "\n";
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameLength = sizeof name;
        DWORD type = 0;
        BYTE data[2048];
        DWORD dataSize = sizeof data;
        if (RegEnumValueA(key, index, name, &nameLength, nullptr, &type, data, &dataSize) !=
            ERROR_SUCCESS) {
            break;
        }
        snapshot += std::string(name, nameLength) + " type " + std::to_string(type) + ":";
        for (DWORD byte = 0; byte < dataSize; ++byte) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02x", data[byte]);
            snapshot += hex;
        }
        snapshot += "\n";
    }
    RegCloseKey(key);
    return snapshot;
}

class ConvertTest : public testing::Test {
  protected:
    void SetUp() override {
        deleteKvxKey();
        storeExampleJumperSettings();
        converter_ = folder_.path() + kConverterName;
        ASSERT_TRUE(CopyFileA((buildFolder() + kConverterName).c_str(), converter_.c_str(), FALSE));
        original_ = readWholeFile(exampleFile("cpu-board.dsn"));
        ASSERT_FALSE(original_.empty()) << exampleFile("cpu-board.dsn");
        design_ = folder_.path() + "cpu-board.dsn";
        board_ = folder_.path() + "cpu-board.pcb";
    }
    void TearDown() override { deleteKvxKey(); }

    // Copies the example design and board file into `folder` (ending with a backslash) as
    // <stem>.dsn and <stem>.pcb.
    void installExample(const std::string& folder, const std::string& stem = "cpu-board") {
        for (const char* suffix : {".dsn", ".pcb"}) {
            std::string example = exampleFile((std::string("cpu-board") + suffix).c_str());
            ASSERT_TRUE(CopyFileA(example.c_str(), (folder + stem + suffix).c_str(), FALSE));
        }
    }

    // Runs the converter with `names` after its quoted path, as Morvane does.
    RunResult convert(const std::string& names, const std::string& currentDirectory = "") {
        RunResult result = runProgram(converter_, commandLine(names), currentDirectory);
        EXPECT_TRUE(result.started);
        return result;
    }
    // The board and design names exactly as Morvane writes them for this folder's example.
    std::string exampleNames() const { return lowered(board_ + " " + design_); }
    std::string commandLine(const std::string& names) const {
        return "\"" + converter_ + "\" " + names;
    }
    std::string log() const { return readWholeFile(folder_.path() + kLogName); }

    ScratchFolder folder_;
    std::string converter_;
    std::string original_;
    std::string design_;
    std::string board_;
};

// What a run that converted the example leaves in its folder.
const std::vector<std::string> kConvertedFolder = {"cpu-board.dsn", "cpu-board.dsn.bak",
                                                   "cpu-board.pcb", kLogName, kConverterName};
// What a run that left the example alone leaves.
const std::vector<std::string> kUntouchedFolder = {"cpu-board.dsn", "cpu-board.pcb", kLogName,
                                                   kConverterName};

TEST_F(ConvertTest, WritesTheJumperSettingsIntoTheDesignAndKeepsThePreviousOne) {
    installExample(folder_.path());
    std::string names = exampleNames();

    RunResult result = convert(names);

    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(readWholeFile(design_), convertedExample(original_));
    EXPECT_EQ(readWholeFile(design_ + ".bak"), original_);
    EXPECT_EQ(folderEntries(folder_.path()), sorted(kConvertedFolder));

    std::vector<std::string> lines = logLines(log());
    std::string design = lowered(design_);
    std::vector<std::string> head = {"Converter command line:",
                                     commandLine(names),
                                     "Use pcb file: " + lowered(board_),
                                     "Use dsn file: " + design,
                                     "Load registry parameters",
                                     "Jumper status: 1",
                                     "Jumper unit: 0",
                                     "Jumper step: 2.54",
                                     "Jumper max. length: 10",
                                     "Jumper via style: 'CCTVIA_(Default)'",
                                     "Jumper direction: orthogonal",
                                     "Jumper layer: Bottom"};
    ASSERT_GT(lines.size(), head.size() + 2);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + head.size()), head);
    EXPECT_EQ(linesStartingWith(lines, "Jumper layer chosen: "),
              std::vector<std::string>{"Jumper layer chosen: Bottom (the bottom-most of 2 layers, "
                                       "was signal), direction orthogonal"});
    EXPECT_EQ(linesStartingWith(lines, "Jumper descriptor: "),
              (std::vector<std::string>{
                  "Jumper descriptor: (jumper (length 200) (use_via 'CCTVIA_(Default)'))",
                  "Jumper descriptor: (jumper (length 300) (use_via 'CCTVIA_(Default)'))"}));
    EXPECT_EQ(linesStartingWith(lines, "Error"), std::vector<std::string>{});
    EXPECT_EQ(
        std::vector<std::string>(lines.end() - 2, lines.end()),
        (std::vector<std::string>{"Previous design kept as " + design + ".bak", "Design written"}));
}

TEST_F(ConvertTest, ASecondRunWithTheSameSettingsChangesNothing) {
    installExample(folder_.path());
    ASSERT_EQ(convert(exampleNames()).exitCode, 0u);
    std::string converted = readWholeFile(design_);
    std::string designFile = fileIdentity(design_);
    std::string backupFile = fileIdentity(design_ + ".bak");

    RunResult result = convert(exampleNames());

    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(readWholeFile(design_), converted);
    EXPECT_EQ(fileIdentity(design_), designFile);
    EXPECT_EQ(readWholeFile(design_ + ".bak"), original_);
    EXPECT_EQ(fileIdentity(design_ + ".bak"), backupFile);
    EXPECT_EQ(folderEntries(folder_.path()), sorted(kConvertedFolder));
    EXPECT_TRUE(endsWith(log(), "\r\nThe design already holds these jumper settings\r\n"
                                "Design unchanged\r\n"))
        << log();
}

TEST_F(ConvertTest, ADesignItCannotEditIsRefusedAndLeftAsItWas) {
    struct Case {
        const char* name;
        std::string design;
        std::string reason;
    };
    // The reasons themselves are the reader's, tested on its own; here each kind of refusal
    // must leave the file alone.
    const std::string& example = original_;
    std::size_t quote = example.find("'Power (5V)'");
    ASSERT_NE(quote, std::string::npos);
    std::string unclosedQuote = example;
    unclosedQuote.erase(quote + std::string("'Power (5V)").size(), 1);
    const Case cases[] = {
        {"empty", "", "the design is empty at byte 0"},
        {"quote never closed", unclosedQuote,
         "a quoted text that is never closed at byte " + std::to_string(quote)},
        {"no layer", "(pcb b\n  (structure (rule (width 10)))\n  (library (padstack V30))\n)\n",
         "the (structure ...) holds no (layer ...) at byte 9"},
    };
    installExample(folder_.path());
    for (const Case& testCase : cases) {
        writeWholeFile(design_, testCase.design);

        RunResult result = convert(exampleNames());

        EXPECT_EQ(result.exitCode, 1u) << testCase.name;
        EXPECT_EQ(readWholeFile(design_), testCase.design) << testCase.name;
        EXPECT_EQ(folderEntries(folder_.path()), sorted(kUntouchedFolder)) << testCase.name;
        std::string tail =
            "\r\nError: design refused: " + testCase.reason + "\r\nDesign unchanged\r\n";
        EXPECT_TRUE(endsWith(log(), tail)) << testCase.name << ":\n" << log();
    }
}

TEST_F(ConvertTest, ADesignItCannotReadOrReplaceIsLeftAsItWas) {
    struct Case {
        const char* name;
        bool designThere;
        bool readOnly;
        bool heldOpen;       // by another program that shares nothing
        bool folderAtBackup; // the backup's name taken by a folder
        std::string failure; // the start of the error line
    };
    std::string design = lowered(design_);
    const Case cases[] = {
        {"missing", false, false, false, false,
         "Error: design not read: " + design + ": Windows error 2"},
        {"read-only", true, true, false, false, "Error: the design is read-only: " + design},
        {"held open", true, false, true, false,
         "Error: design not read: " + design + ": Windows error 32"},
        {"backup not possible", true, false, false, true,
         "Error: the previous design cannot be kept: " + design + ".bak is read-only or a folder"},
    };
    ASSERT_TRUE(CopyFileA(exampleFile("cpu-board.pcb").c_str(), board_.c_str(), FALSE));
    for (const Case& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        std::vector<std::string> expectedFolder = {"cpu-board.pcb", kLogName, kConverterName};
        if (testCase.designThere) {
            writeWholeFile(design_, original_);
            expectedFolder.push_back("cpu-board.dsn");
        }
        if (testCase.readOnly) {
            ASSERT_TRUE(SetFileAttributesA(design_.c_str(), FILE_ATTRIBUTE_READONLY));
        }
        if (testCase.folderAtBackup) {
            ASSERT_TRUE(CreateDirectoryA((design_ + ".bak").c_str(), nullptr));
            expectedFolder.push_back("cpu-board.dsn.bak");
        }
        HANDLE holder = INVALID_HANDLE_VALUE;
        if (testCase.heldOpen) {
            holder = CreateFileA(design_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(holder, INVALID_HANDLE_VALUE);
        }

        RunResult result = convert(exampleNames());

        if (holder != INVALID_HANDLE_VALUE) {
            CloseHandle(holder);
        }
        EXPECT_EQ(result.exitCode, 1u);
        EXPECT_EQ(folderEntries(folder_.path()), sorted(expectedFolder));
        if (testCase.designThere) {
            EXPECT_EQ(readWholeFile(design_), original_);
        }
        if (testCase.readOnly) {
            EXPECT_EQ(GetFileAttributesA(design_.c_str()) & FILE_ATTRIBUTE_READONLY,
                      DWORD{FILE_ATTRIBUTE_READONLY});
        }
        std::vector<std::string> lines = logLines(log());
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines.back(), "Design unchanged");
        EXPECT_EQ(lines[lines.size() - 2].rfind(testCase.failure, 0), 0u)
            << lines[lines.size() - 2];

        SetFileAttributesA(design_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(design_.c_str());
        RemoveDirectoryA((design_ + ".bak").c_str());
    }
}

TEST_F(ConvertTest, WithJumpersNotEnabledTheDesignIsLeftAlone) {
    struct Case {
        const char* name;
        std::optional<uint32_t> enable;
        const char* status;
    };
    installExample(folder_.path());
    for (const Case& testCase :
         {Case{"JEnable 0", 0, "Jumper status: 0"}, Case{"JEnable 2", 2, "Jumper status: 2"},
          Case{"JEnable absent", std::nullopt, "Jumper status: 0"}}) {
        SCOPED_TRACE(testCase.name);
        if (testCase.enable) {
            setRegistryDword("JEnable", *testCase.enable);
        } else {
            deleteRegistryValue("JEnable");
        }
        std::string designFile = fileIdentity(design_);

        RunResult result = convert(exampleNames());

        EXPECT_EQ(result.exitCode, 0u);
        EXPECT_EQ(readWholeFile(design_), original_);
        EXPECT_EQ(fileIdentity(design_), designFile);
        EXPECT_EQ(folderEntries(folder_.path()), sorted(kUntouchedFolder));
        std::vector<std::string> lines = logLines(log());
        EXPECT_EQ(linesStartingWith(lines, "Jumper status: "),
                  std::vector<std::string>{testCase.status});
        EXPECT_TRUE(endsWith(log(), "\r\nJumpers are not enabled: nothing to write\r\n"
                                    "Design unchanged\r\n"))
            << log();
    }
}

TEST_F(ConvertTest, TheLogGoesToDebugDirOrNextToTheConverterAndStartsAfresh) {
    ScratchFolder current;
    ScratchFolder logs;
    std::string logsWithout = logs.path().substr(0, logs.path().size() - 1);
    struct Case {
        const char* name;
        std::optional<std::string> debugDir;
        std::string logFolder; // empty: no log anywhere
    };
    // The current directory is another folder, so that "next to the converter" is not
    // mistaken for it.
    for (const Case& testCase : {Case{"no DebugDir", std::nullopt, folder_.path()},
                                 Case{"DebugDir with backslash", logs.path(), logs.path()},
                                 Case{"DebugDir without backslash", logsWithout, logs.path()},
                                 Case{"DebugDir naming no folder", logs.path() + "missing", ""}}) {
        SCOPED_TRACE(testCase.name);
        installExample(folder_.path());
        DeleteFileA((design_ + ".bak").c_str());
        for (const std::string& folder : {folder_.path(), current.path(), logs.path()}) {
            DeleteFileA((folder + kLogName).c_str());
        }
        // An earlier, longer log that the run must replace, not append to or overwrite in part.
        if (!testCase.logFolder.empty()) {
            writeWholeFile(testCase.logFolder + kLogName,
                           "earlier run\r\n" + std::string(8000, 'x') + "\r\n");
        }
        if (testCase.debugDir) {
            setRegistryText("DebugDir", *testCase.debugDir);
        } else {
            deleteRegistryValue("DebugDir");
        }

        RunResult result = convert(exampleNames(), current.path());

        // Without a log the conversion goes on all the same.
        EXPECT_EQ(result.exitCode, 0u);
        EXPECT_EQ(readWholeFile(design_), convertedExample(original_));
        for (const std::string& folder : {folder_.path(), current.path(), logs.path()}) {
            if (folder != testCase.logFolder) {
                EXPECT_FALSE(fileExists(folder + kLogName)) << folder;
            }
        }
        if (testCase.logFolder.empty()) {
            continue;
        }
        std::string written = readWholeFile(testCase.logFolder + kLogName);
        EXPECT_EQ(written.rfind("Converter command line:\r\n", 0), 0u) << written;
        EXPECT_EQ(written.find("earlier run"), std::string::npos);
        EXPECT_EQ(written.find("xxxx"), std::string::npos);
        EXPECT_TRUE(endsWith(written, "\r\nDesign written\r\n")) << written;
        logLines(written);
    }
}

TEST_F(ConvertTest, TheRegistryIsOnlyRead) {
    installExample(folder_.path());
    setRegistryText("SCPath", "c:\\router\\router.exe");
    setRegistryText("SEXEPath", converter_);
    setRegistryDword("SCEnable", 1);
    setRegistryDword("REnable", 1);
    setRegistryText("DebugDir", folder_.path());
    // Texts longer than their fields and a DWORD stored as text: a converter that saved the
    // settings it loaded would write them back cut or changed.
    setRegistryText("JStep", std::string(40, '7'));
    setRegistryBytes("JUnit", REG_SZ, std::string("1\0", 2));
    std::string before = kvxSnapshot();

    convert(exampleNames());
    convert(exampleNames());

    EXPECT_EQ(kvxSnapshot(), before);
    EXPECT_NE(log().find("Load registry parameters\r\n"), std::string::npos);

    deleteKvxKey();
    convert(exampleNames());
    EXPECT_FALSE(kvxKeyExists());
}

TEST_F(ConvertTest, TakesTheNamesMorvaneWrites) {
    ScratchFolder boards;
    std::string plainFolder = boards.path() + "Boards\\";
    std::string spacedFolder = boards.path() + "My Boards\\";
    for (const std::string& folder : {plainFolder, spacedFolder}) {
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    }
    std::string plainBase = lowered(plainFolder + "cpu-board");
    std::string spacedBase = lowered(spacedFolder + "cpu-board");
    struct Case {
        const char* name;
        std::string folder;
        std::string names; // after the converter's quoted path
        std::string base;  // of the names as logged
    };
    // Morvane lowers the names and writes a quoted -design argument's names as two quoted
    // arguments; earlier versions left both quotes open.
    for (const Case& testCase :
         {Case{"plain, lowered", plainFolder, plainBase + ".pcb " + plainBase + ".dsn", plainBase},
          Case{"with blanks, quotes left open", spacedFolder,
               "\"" + spacedBase + ".pcb \"" + spacedBase + ".dsn", spacedBase},
          Case{"two quoted arguments", spacedFolder,
               "\"" + spacedBase + ".pcb\" \"" + spacedBase + ".dsn\"", spacedBase}}) {
        SCOPED_TRACE(testCase.name);
        // Mixed case, as a board editor may name them: the lowered names must still find them,
        // and the design and its backup keep the name on disk.
        installExample(testCase.folder, "CPU-Board");
        DeleteFileA((testCase.folder + "cpu-board.dsn.bak").c_str());

        RunResult result = convert(testCase.names);

        EXPECT_EQ(result.exitCode, 0u);
        EXPECT_EQ(readWholeFile(testCase.folder + "cpu-board.dsn"), convertedExample(original_));
        EXPECT_EQ(readWholeFile(testCase.folder + "cpu-board.dsn.bak"), original_);
        EXPECT_EQ(folderEntries(testCase.folder),
                  sorted({"CPU-Board.dsn", "CPU-Board.dsn.bak", "CPU-Board.pcb"}));
        std::string written = log();
        EXPECT_NE(written.find("Converter command line:\r\n" + commandLine(testCase.names) +
                               "\r\nUse pcb file: " + testCase.base + ".pcb\r\nUse dsn file: " +
                               testCase.base + ".dsn\r\nLoad registry parameters\r\n"),
                  std::string::npos)
            << written;
        std::string folder = testCase.base.substr(0, testCase.base.rfind('\\') + 1);
        EXPECT_TRUE(endsWith(written, "\r\nPrevious design kept as " + folder +
                                          "CPU-Board.dsn.bak\r\nDesign written\r\n"))
            << written;
    }
}

TEST_F(ConvertTest, AMissingBoardFileIsLoggedAndTheDesignStillConverted) {
    installExample(folder_.path());
    DeleteFileA(board_.c_str());

    RunResult result = convert(exampleNames());

    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(readWholeFile(design_), convertedExample(original_));
    std::vector<std::string> lines = logLines(log());
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[3], "Use dsn file: " + lowered(design_));
    EXPECT_EQ(lines[4], "Board file not found (jumpers need nothing from it)");
    EXPECT_EQ(lines[5], "Load registry parameters");
    EXPECT_EQ(lines.back(), "Design written");
}

TEST_F(ConvertTest, WithoutADesignArgumentNothingIsWritten) {
    // Morvane run without -design hands over the bare suffixes.
    ScratchFolder current;
    installExample(current.path());

    RunResult result = convert(".pcb .dsn", current.path());

    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(folderEntries(current.path()), sorted({"cpu-board.dsn", "cpu-board.pcb"}));
    EXPECT_TRUE(endsWith(log(), "\r\nUse dsn file: .dsn\r\n"
                                "Board file not found (jumpers need nothing from it)\r\n"
                                "Load registry parameters\r\n"
                                "Jumper status: 1\r\n"
                                "Jumper unit: 0\r\n"
                                "Jumper step: 2.54\r\n"
                                "Jumper max. length: 10\r\n"
                                "Jumper via style: 'CCTVIA_(Default)'\r\n"
                                "Jumper direction: orthogonal\r\n"
                                "Jumper layer: Bottom\r\n"
                                "Error: design not read: .dsn: Windows error 2\r\n"
                                "Design unchanged\r\n"))
        << log();
}

// The design at the 259 characters of the ANSI file calls, and at 255: the converter's own
// names beside it are longer, and so is the backup.
TEST_F(ConvertTest, DesignsInTheDeepestFoldersConvertWithTheirBackups) {
    for (std::size_t length : {255u, 259u}) {
        SCOPED_TRACE(length);
        ScratchFolder boards;
        std::string folder = boards.path();
        const std::size_t folderLength = length - std::string("cpu-board.dsn").size();
        while (folder.size() < folderLength) {
            // Folders of up to 60 characters; the last one takes what is left, never nothing.
            std::size_t rest = folderLength - folder.size();
            folder += std::string(rest <= 61 ? rest - 1 : std::min<std::size_t>(60, rest - 3), 'd');
            folder += "\\";
            ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        }
        installExample(folder);
        std::string base = lowered(folder + "cpu-board");

        EXPECT_EQ(convert(base + ".pcb " + base + ".dsn").exitCode, 0u);

        EXPECT_EQ(readWholeFile(folder + "cpu-board.dsn"), convertedExample(original_));
        EXPECT_EQ(folderEntries(folder),
                  sorted({"cpu-board.dsn", "cpu-board.dsn.bak", "cpu-board.pcb"}));
    }
}

// A converter ended mid-run leaves its files beside the design under names that hold its
// process id, which a later run may get again. A leftover new design is removed; a leftover
// old design (the only copy of a design, had the run ended before the backup took its
// name) stays, and so does one that cannot be removed.
TEST_F(ConvertTest, ALeftoverOfAnEarlierRunNeverBlocks) {
    struct Case {
        const char* suffix; // after "<design>.morvane-<process id>"
        bool readOnly;
        bool removed;
    };
    installExample(folder_.path());
    for (const Case& testCase :
         {Case{".tmp", false, true}, Case{".tmp", true, false}, Case{".bak", false, false}}) {
        SCOPED_TRACE(std::string(testCase.suffix) + (testCase.readOnly ? ", read-only" : ""));
        writeWholeFile(design_, original_);
        std::string leftover;
        auto leaveLeftover = [&](DWORD processId) {
            leftover = "cpu-board.dsn.morvane-" + std::to_string(processId) + testCase.suffix;
            writeWholeFile(folder_.path() + leftover, "(pcb earlier)\n");
            if (testCase.readOnly) {
                SetFileAttributesA((folder_.path() + leftover).c_str(), FILE_ATTRIBUTE_READONLY);
            }
        };

        RunResult result = runProgram(converter_, commandLine(exampleNames()), "", leaveLeftover);

        EXPECT_EQ(result.exitCode, 0u);
        EXPECT_EQ(readWholeFile(design_), convertedExample(original_));
        std::vector<std::string> expectedFolder = kConvertedFolder;
        if (!testCase.removed) {
            expectedFolder.push_back(leftover);
            EXPECT_EQ(readWholeFile(folder_.path() + leftover), "(pcb earlier)\n");
        }
        EXPECT_EQ(folderEntries(folder_.path()), sorted(expectedFolder));
        EXPECT_EQ(log().find("Leftover of an earlier run removed: " + lowered(folder_.path()) +
                             leftover + "\r\n") != std::string::npos,
                  testCase.removed)
            << log();
        SetFileAttributesA((folder_.path() + leftover).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA((folder_.path() + leftover).c_str());
    }
}

// morvane.exe started by the board editor, with this converter set up and enabled, runs it
// on the design and only then starts the router.
TEST_F(ConvertTest, MorvaneConvertsTheDesignBeforeTheRouterStarts) {
    std::string morvane = installMorvane(folder_.path());
    std::string router = buildFolder() + "stand_in_router.exe";
    std::string records = folder_.path() + "records.txt";
    SetEnvironmentVariableA("STANDIN_ROUTER_RECORD", records.c_str());
    SetEnvironmentVariableA("STANDIN_ROUTER_SLEEP_MS", nullptr);
    SetEnvironmentVariableA("STANDIN_ROUTER_EXIT_CODE", nullptr);
    setRegistryText("SCPath", router);
    setRegistryText("SEXEPath", converter_);
    setRegistryDword("SCEnable", 1);
    std::string spacedFolder = folder_.path() + "My Boards\\";
    ASSERT_TRUE(CreateDirectoryA(spacedFolder.c_str(), nullptr));
    struct Case {
        const char* name;
        std::string folder;
        std::string designArgument;
        std::string names; // the converter's board and design names
    };
    std::string plainBase = lowered(folder_.path() + "cpu-board");
    std::string spacedBase = lowered(spacedFolder + "cpu-board");
    for (const Case& testCase :
         {Case{"plain", folder_.path(), folder_.path() + "cpu-board.dsn",
               plainBase + ".pcb " + plainBase + ".dsn"},
          Case{"quoted, with blanks", spacedFolder, "\"" + spacedFolder + "cpu-board.dsn\"",
               "\"" + spacedBase + ".pcb\" \"" + spacedBase + ".dsn\""}}) {
        SCOPED_TRACE(testCase.name);
        installExample(testCase.folder);
        DeleteFileA(records.c_str());
        std::string design = testCase.folder + "cpu-board.dsn";

        RunResult result = runProgram(morvane, "\"" + morvane + "\" -design " +
                                                   testCase.designArgument + " -quit");

        ASSERT_TRUE(result.started);
        EXPECT_EQ(result.exitCode, 1u);
        EXPECT_EQ(readWholeFile(design), convertedExample(original_));
        EXPECT_EQ(readWholeFile(design + ".bak"), original_);
        std::vector<StandInRecord> started = readStandInRecords(records);
        ASSERT_EQ(started.size(), 1u);
        EXPECT_EQ(started[0].commandLine,
                  router + " -design " + lowered(testCase.designArgument) + " -quit");
        // The design had its new text before the router was started.
        EXPECT_LE(lastWriteTime(design), started[0].started);

        std::string converterLine = "\"" + converter_ + "\" " + testCase.names;
        std::string morvaneLog = readWholeFile(folder_.path() + "kvxdebug.txt");
        EXPECT_NE(morvaneLog.find("Start converter with command line:\r\n" + converterLine +
                                  "\r\nEnd conversion\r\nStart Specctra\r\n"),
                  std::string::npos)
            << morvaneLog;
        std::vector<std::string> lines = logLines(log());
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[1], converterLine);
        EXPECT_EQ(lines.back(), "Design written");
    }
}

// Replacing a design by its name would lose what the editor saves while the converter
// works, and the other names of a file with several: such a design is left as it is.
TEST_F(ConvertTest, ADesignSavedMeanwhileOrWithTwoNamesIsLeftAsItIs) {
    installExample(folder_.path());
    const std::string otherName = folder_.path() + "cpu-board-2.dsn";
    ASSERT_TRUE(CreateHardLinkA(otherName.c_str(), design_.c_str(), nullptr));

    EXPECT_EQ(convert(exampleNames()).exitCode, 1u);
    EXPECT_EQ(readWholeFile(design_), original_);
    EXPECT_EQ(readWholeFile(otherName), original_);
    EXPECT_TRUE(endsWith(
        log(), "\r\nError: the design is one file with 2 names (hard links): " + lowered(design_) +
                   "; convert a copy of its own\r\nDesign unchanged\r\n"))
        << log();
    ASSERT_TRUE(DeleteFileA(otherName.c_str()));

    // Read in this process, the design keeps writers out until it is replaced...
    FilePath path;
    std::string text;
    HeldDesign held;
    ASSERT_TRUE(designFilePath(design_, path));
    ASSERT_TRUE(readDesign(path, text, held));
    HANDLE writer = CreateFileA(design_.c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD{ERROR_SHARING_VIOLATION});
    // ...and a design saved as some editors save, the old file renamed aside and the new
    // one renamed into its place, is kept.
    const std::string saved = "(pcb saved_meanwhile)\n";
    writeWholeFile(folder_.path() + "saved.tmp", saved);
    ASSERT_TRUE(MoveFileExA(design_.c_str(), (design_ + ".old").c_str(), 0));
    ASSERT_TRUE(MoveFileExA((folder_.path() + "saved.tmp").c_str(), design_.c_str(), 0));

    EXPECT_EQ(replaceDesign(held, text, {}), Replacement::Failed);
    EXPECT_EQ(readWholeFile(design_), saved);
    EXPECT_EQ(readWholeFile(design_ + ".old"), original_);
    EXPECT_FALSE(fileExists(design_ + ".bak"));
}

// A viewer that lets others read the design but not replace it: the run fails and must leave
// the design, and the backup of the design before it, as they were.
class ConvertWhileViewedTest : public ConvertTest {
  protected:
    void SetUp() override {
        ConvertTest::SetUp();
        installExample(folder_.path());
        ASSERT_EQ(convert(exampleNames()).exitCode, 0u);
        converted_ = readWholeFile(design_);
        designFile_ = fileIdentity(design_);
        setRegistryText("JDir", "vertical");
        HANDLE viewer = CreateFileA(design_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
        result_ = convert(exampleNames());
        CloseHandle(viewer);
    }

    std::string converted_;
    std::string designFile_;
    RunResult result_;
};

TEST_F(ConvertWhileViewedTest, TheDesignIsNotReplacedAndTheFailureReported) {
    EXPECT_EQ(result_.exitCode, 1u);
    EXPECT_EQ(readWholeFile(design_), converted_);
    EXPECT_EQ(fileIdentity(design_), designFile_);
    for (const std::string& name : folderEntries(folder_.path())) {
        EXPECT_FALSE(endsWith(name, ".tmp")) << name;
    }
    std::vector<std::string> lines = logLines(log());
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2].rfind("Error: design not replaced: ", 0), 0u)
        << lines[lines.size() - 2];
    EXPECT_EQ(lines.back(), "Design unchanged");
}

// The backup of the run before holds the only copy of the original design.
TEST_F(ConvertWhileViewedTest, TheEarlierBackupIsKept) {
    EXPECT_EQ(readWholeFile(design_ + ".bak"), original_);
}

// The new design is in place when the backup turns out to be held open by another program:
// the design from before is put back, and the backup stays as it was.
TEST_F(ConvertTest, WhenTheBackupCannotBeReplacedTheDesignIsPutBack) {
    installExample(folder_.path());
    const std::string earlierBackup = "(pcb earlier)\n";
    writeWholeFile(design_ + ".bak", earlierBackup);
    HANDLE holder = CreateFileA((design_ + ".bak").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);

    RunResult result = convert(exampleNames());
    CloseHandle(holder);

    EXPECT_EQ(result.exitCode, 1u);
    EXPECT_EQ(readWholeFile(design_), original_);
    EXPECT_EQ(readWholeFile(design_ + ".bak"), earlierBackup);
    for (const std::string& name : folderEntries(folder_.path())) {
        EXPECT_FALSE(name.find(".morvane-") != std::string::npos) << name;
    }
    std::vector<std::string> lines = logLines(log());
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 3].rfind("Error: previous design not kept as ", 0), 0u)
        << lines[lines.size() - 3];
    EXPECT_EQ(lines[lines.size() - 2], "Previous design put back");
    EXPECT_EQ(lines.back(), "Design unchanged");
}

} // namespace
