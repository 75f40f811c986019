// Taking in the router's command line: lowering, splitting into the argument table and
// finding the board and design files from the -design argument.
#pragma once

#include "common/code_page.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

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

// The argument after the first one after the program's own path that contains "-design"
// (not itself the last), cut before the last '.' of its file name, or without its closing
// quote when it is quoted and its file name has no '.'; empty when no argument selects one.
std::string_view designBaseName(const ArgTable& table, LeadByteTest isLeadByte);

// The program's directory from argument 0: everything up to and including its last
// backslash (not a second byte), or empty when there is none.
std::string_view programDirectory(std::string_view programPath, LeadByteTest isLeadByte);
