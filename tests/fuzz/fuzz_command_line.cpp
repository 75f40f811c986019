// Takes arbitrary bytes in as the process command line, the way start-up does, and checks
// the argument table, the design base name, the program directory and the line that hands
// the arguments to a batch file against what their callers rely on.
#include "common/ascii_text.h"
#include "common/bounded_text.h"
#include "launcher/batch_file.h"
#include "launcher/command_line.h"
#include "tests/support/shift_jis.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

namespace {

// Too large for the stack; zeroed again after each input, as far as it was written.
ArgTable table;
char commandLineCopy[kCommandLineCapacity];
char boardFileName[kFileNameCapacity];
// The arguments, each at most doubled by its quotes, its space and its ending backslashes,
// and the frame around them.
char batchLine[3 * kCommandLineCapacity + 64];

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "command line check failed: %s\n", what);
        std::abort();
    }
}

bool within(std::string_view part, const char* slot) {
    return part.empty() ||
           (part.data() >= slot && part.data() + part.size() <= slot + kArgumentSlotWidth);
}

// cmd.exe's view of a batch file's command line: outside quotes it acts on & | < > ^ and
// parentheses; it expands % and ! and stops at a line's end even inside them.
void checkBatchLine(std::span<const std::string_view> arguments) {
    constexpr std::string_view kHead = "\"cmd.exe\" /d /c \"";
    BatchLine built =
        buildBatchCommandLine("cmd.exe", "r.bat", arguments, batchLine, sizeof batchLine);
    std::string_view line = batchLine;
    if (built.outcome != LineOutcome::Built) {
        check(line.empty(), "a batch line not built is not empty");
        check(built.outcome == LineOutcome::Unsafe &&
                  built.unsafeText.find_first_of("%!\r\n\"") != std::string_view::npos,
              "a batch line refused for no reason");
        return;
    }
    check(line.starts_with(kHead) && line.ends_with('"'), "batch line without its frame");
    check(line.find_first_of("%!\r\n") == std::string_view::npos, "cmd.exe would expand text");
    std::string_view command = line.substr(kHead.size(), line.size() - kHead.size() - 1);
    bool quoted = false;
    for (char byte : command) {
        if (byte == '"') {
            quoted = !quoted;
        } else {
            check(quoted || std::string_view("&|<>^()").find(byte) == std::string_view::npos,
                  "cmd.exe would act on a character outside quotes");
        }
    }
    check(!quoted, "a quote left open on the batch line");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // The operating system hands over a NUL-terminated line.
    std::string_view input(reinterpret_cast<const char*>(data),
                           strnlen(reinterpret_cast<const char*>(data), size));
    bool copied = copyBounded(commandLineCopy, input);
    // Japanese Windows: the lead bytes that make most of the line two-byte characters.
    lowerAscii(commandLineCopy, isShiftJisLeadByte);
    std::string_view commandLine = commandLineCopy;
    if (copied) {
        check(commandLine.size() == input.size(), "lowering changed the length");
        for (std::size_t i = 0; i < input.size(); ++i) {
            check(commandLine[i] == input[i] || commandLine[i] == lowerAsciiLetter(input[i]),
                  "lowering changed more than a capital letter");
        }
    }
    splitCommandLine(commandLine, table);

    check(table.count >= 0 && table.count <= kMaxArguments, "argument count out of range");
    for (int index = 0; index < table.count; ++index) {
        const char* slot = table.slots[index];
        std::size_t length = strnlen(slot, kArgumentSlotWidth);
        check(length < kArgumentSlotWidth, "argument without terminator");
        check(commandLine.find(std::string_view(slot, length)) != std::string_view::npos,
              "argument not taken from the line");
    }

    std::string_view base = designBaseName(table, isShiftJisLeadByte);
    bool inSomeSlot = base.empty();
    // The design follows an option after the program's own path.
    for (int index = 2; index < table.count && !inSomeSlot; ++index) {
        inSomeSlot = within(base, table.slots[index]);
    }
    check(inSomeSlot, "design base name outside the argument table");
    // Start-up relies on the board file name holding any base name and its suffix.
    check(copyBounded(boardFileName, base) && appendBounded(boardFileName, ".pcb"),
          "board file name does not fit");

    if (table.count > 0) {
        std::string_view directory = programDirectory(table.slots[0], isShiftJisLeadByte);
        check(within(directory, table.slots[0]), "program directory outside argument 0");
        check(directory.empty() || directory.back() == '\\',
              "program directory without its backslash");
    }

    // The router's arguments are the table's after the program's path, where the table holds
    // them all, and a last one whose quote is open, which the table leaves out.
    std::vector<std::string_view> routerArguments = argumentList(afterProgramPath(commandLine));
    if (table.count > 0 && table.count < kMaxArguments) {
        std::size_t stored = static_cast<std::size_t>(table.count - 1);
        check(routerArguments.size() - stored <= 1, "the router's arguments are not the table's");
        for (int index = 1; index < table.count; ++index) {
            check(routerArguments[index - 1] == table.slots[index],
                  "the router's arguments are not the table's");
        }
    }
    checkBatchLine(routerArguments);

    // Only the first count slots were written, each no further than the line is long.
    for (int index = 0; index < table.count; ++index) {
        std::memset(table.slots[index], 0, std::min(commandLine.size() + 1, kArgumentSlotWidth));
    }
    table.count = 0;
    return 0;
}
