// Windows set to Japanese, Chinese or Korean: paths come in a code page where most characters
// are two bytes and the second byte may be an ASCII capital or a backslash. This program runs
// once per locale, in a Wine prefix of that locale (tests/wine/code-page-run.sh), and takes
// the row of the code page that Wine then gives it.
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct CodePageCase {
    UINT codePage;
    // The board's folder: it holds a character whose second byte is an ASCII capital and,
    // where the code page has one, ends with a character whose second byte is a backslash.
    const wchar_t* folder;
    const wchar_t* padStyle;
    const wchar_t* viaStyle;
};

const CodePageCase kCases[] = {
    {932, L"アナログ表", L"パッド", L"ビア"}, // ア 83 41, 表 95 5C
    {950, L"電路板許", L"焊墊", L"導通孔"},   // 板 AA 4F, 許 B3 5C
    {936, L"丄电路板乗", L"焊盘", L"过孔"},   // 丄 81 41, 乗 81 5C
    {949, L"회로기판갂", L"패드", L"비아"},   // 갂 81 41; no second byte is a backslash
};

std::string ansi(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    return bytes;
}

TEST(CodePage, ABoardInAFolderNamedInTheSystemsLanguageIsFoundConvertedAndRouted) {
    const CodePageCase* row = nullptr;
    for (const CodePageCase& candidate : kCases) {
        row = candidate.codePage == GetACP() ? &candidate : row;
    }
    ASSERT_NE(row, nullptr) << "code page " << GetACP() << ": the locale did not take";
    const std::string folderName = ansi(row->folder);

    ScratchFolder scratch;
    const std::string morvane = installMorvane(scratch.path());
    const std::string boards = scratch.path() + folderName;
    ASSERT_TRUE(CreateDirectoryA(boards.c_str(), nullptr));
    writeWholeFile(boards + "\\cpu-board.pcb",
                   "(library\r\n  (padStyleDef \"" + ansi(row->padStyle) +
                       "\")\r\n  (viaStyleDef \"" + ansi(row->viaStyle) + "\")\r\n)\r\n");
    writeWholeFile(boards + "\\cpu-board.dsn", readWholeFile(exampleFile("cpu-board.dsn")));
    const std::string records = scratch.path() + "records.txt";
    SetEnvironmentVariableA("STANDIN_ROUTER_RECORD", records.c_str());

    deleteKvxKey();
    setRegistryText("SCPath", buildFolder() + "stand_in_router.exe");
    setRegistryText("SEXEPath", buildFolder() + "morvane-convert.exe");
    setRegistryDword("SCEnable", 1);
    storeExampleJumperSettings();
    // Without a closing backslash: the folder's last character may end in a backslash byte.
    setRegistryText("DebugDir", boards);

    // As the editor gives it, in that code page: capitals lowered must leave the folder be.
    const std::string design = boards + "\\CPU-Board.DSN";
    RunResult run = runProgram(morvane, "\"" + morvane + "\" -design " + design + " -quit");
    ASSERT_TRUE(run.started);
    deleteKvxKey();

    // The folder's characters in the code page's bytes, read back as they were written.
    const std::string base = lowered(scratch.path()) + folderName + "\\cpu-board";
    const std::string log = readWholeFile(boards + "\\kvxdebug.txt");
    for (const std::string& line :
         {"Use pcb file: " + base + ".pcb", "Use dsn file: " + base + ".dsn",
          "Add pad: " + ansi(row->padStyle), "Add via: " + ansi(row->viaStyle)}) {
        EXPECT_NE(log.find(line + "\r\n"), std::string::npos) << line << "\nin:\n" << log;
    }

    EXPECT_NE(readWholeFile(boards + "\\kvxconvert.txt").find("Design written"), std::string::npos);
    EXPECT_NE(readWholeFile(boards + "\\cpu-board.dsn").find("(jumper (length"), std::string::npos);

    std::vector<StandInRecord> routed = readStandInRecords(records);
    ASSERT_EQ(routed.size(), 1u);
    EXPECT_EQ(std::vector<std::string>(routed[0].arguments.begin() + 1, routed[0].arguments.end()),
              (std::vector<std::string>{"-design", base + ".dsn", "-quit"}));
}

} // namespace
