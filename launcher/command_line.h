// Taking in the router's command line: lowering, splitting into the argument table and
// finding the board and design files from the -design argument.
#pragma once

#include "common/code_page.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Windows delivers at most 32,767 UTF-16 units of command line; in the ANSI code page each
// can take up to three bytes (UTF-8), so this holds any command line whole.
inline constexpr std::size_t kCommandLineCapacity = 3 * 32767 + 1;
inline constexpr int kMaxArguments = 30;
// One argument can be the whole command line.
inline constexpr std::size_t kArgumentSlotWidth = kCommandLineCapacity;

struct ArgTable {
    int32_t count;
    char slots[kMaxArguments][kArgumentSlotWidth];
};

// The design base name can be a whole argument; the file names add a four-byte suffix.
inline constexpr std::size_t kDesignBaseCapacity = kArgumentSlotWidth;
inline constexpr std::size_t kFileNameCapacity = kDesignBaseCapacity + 4;

// Lowers the ASCII letters A to Z that are characters of their own; every other byte, the
// second byte of a two-byte character among them, stays as it is.
void lowerAscii(char* text, LeadByteTest isLeadByte);

// Splits `commandLine` at spaces outside double quotes into `table`, which must start
// zero-filled. Quotes stay in the text; at most kMaxArguments arguments are stored, and a
// last argument whose quotes are unbalanced is not stored.
void splitCommandLine(std::string_view commandLine, ArgTable& table);

// Everything after argument 0 (the program's own path) as the line holds it, from the space
// that ends that argument: what the router gets after its own path. Empty when the line is
// the program's path alone.
std::string_view afterProgramPath(std::string_view commandLine);

// The arguments in `text` (as afterProgramPath gives it), split as splitCommandLine splits
// but all of them, a last one whose quote is still open included.
std::vector<std::string_view> argumentList(std::string_view text);

// The first non-empty argument after the first one after the program's own path that
// contains "-design", cut before the last '.' of its file name, or without its closing
// quote when it is quoted and its file name has no '.'; empty when no argument selects one.
std::string_view designBaseName(const ArgTable& table, LeadByteTest isLeadByte);

// Whether `argument` opens and closes with a double quote.
bool isQuotedWhole(std::string_view argument);

// Appends a space and `text` in double quotes, as the C runtime reads it back whole: the
// backslashes that end it are doubled, or the last would make the closing quote a literal
// one. False, leaving `line` as it was, when it does not fit.
bool appendQuotedArgument(char* line, std::size_t capacity, std::string_view text);

// Appends a space and `argument` as it is, with the closing quote it lacks when it opens
// with one (as appendQuotedArgument closes it). False, leaving `line` as it was, when it does
// not fit.
bool appendClosedArgument(char* line, std::size_t capacity, std::string_view argument);

// The program's directory from argument 0: everything up to and including its last
// backslash (not a second byte), or empty when there is none.
std::string_view programDirectory(std::string_view programPath, LeadByteTest isLeadByte);
