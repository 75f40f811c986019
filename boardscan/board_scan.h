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

// Via definitions are named once the pad list is complete; this many wait while the text is
// searched once. A text with more is searched a second time from the first one left waiting.
inline constexpr std::size_t kDeferredViaCapacity = 65536;

// Fills both lists from the board text and logs each name found. `text[length]` must be
// '\0'; the text ends at its first NUL, as a C string would.
void scanBoardText(const char* text, std::size_t length);

// How many bytes the keyword search reads at a time. The scan takes the widest search that
// this processor runs, up to a limit, which tests and fuzzing lower to reach every width.
enum class SearchWidth { Bytes, Sse2, Avx2, Avx512 };

// Sets the limit (initially Avx512) and returns the width that scans now take.
SearchWidth limitSearchWidth(SearchWidth widest);

// Reads the named board file whole and scans it. An empty name, or a file that cannot be
// opened, leaves both lists as they were and the log untouched. A file too large to hold
// is not scanned; one whose reading fails part way is scanned as far as it was read. Both
// are noted in the log.
void scanBoardFile(const char* boardFileName);
