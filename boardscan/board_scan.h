// The pad and via style names of the board file. The via names, prefixed and quoted as
// the converter expects them, are the choices for the jumper via style; the pad names only
// reveal via styles that share a pad style's name.
#pragma once

#include <cstddef>

inline constexpr std::size_t kStyleNameWidth = 50;
inline constexpr std::size_t kStyleListEntries = 255;
// The list ends at its first empty entry, so the last entry is always the end marker.
inline constexpr std::size_t kMaxStyleNames = kStyleListEntries - 1;

// Names of at most kStyleNameWidth - 1 bytes each, in file order, ended by the first empty
// entry.
struct StyleNameList {
    char entries[kStyleListEntries][kStyleNameWidth];
};

extern StyleNameList padStyles;
extern StyleNameList viaStyles;

// Room for the longest name a definition may carry; a longer one is left out.
inline constexpr std::size_t kTokenCapacity = 260;

// Fills both lists from the board text, which ends at its first NUL, and logs each name
// found.
void scanBoardText(const char* text);

// Reads the named board file whole and scans it; a name that starts with a double quote
// names the file without it. An empty name, or a file that cannot be opened, leaves both
// lists as they were and the log untouched. A file too large to hold is not scanned; one
// whose reading fails part way is scanned as far as it was read. Both are noted in the log.
void scanBoardFile(const char* boardFileName);
