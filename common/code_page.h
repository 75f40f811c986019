// Text in the system's ANSI code page. In the code pages of Japanese, Chinese and Korean
// Windows (932, 936, 949, 950) most characters take two bytes: a lead byte, then a second
// byte that can be any value from 0x40 up, the ASCII letters and the backslash among them.
// No byte below 0x40 is ever a second byte, so a blank, a double quote, a dot or a
// parenthesis is always a character of its own; a backslash or a letter may not be.
#pragma once

#include <cstddef>
#include <string_view>

// Whether `byte` leads a two-byte character in the code page at hand.
using LeadByteTest = bool (*)(char byte);

// Single-byte code pages (1252 and the others) and UTF-8: no byte leads a two-byte character.
constexpr bool noLeadBytes(char) {
    return false;
}

// The system's ANSI code page, as Windows tells it (Windows builds only).
bool isAnsiLeadByte(char c);

// Whether the process's ANSI command line is its real (wide) command line unchanged (Windows
// builds only). A character that the code page lacks reaches GetCommandLineA as a look-alike
// ("best fit": a fullwidth quote becomes a plain one) or as a question mark.
bool commandLineHeldByCodePage();

// The position of the last `wanted` that is a character of its own, not the second byte of
// a two-byte character; npos when there is none. `wanted` is an ASCII character.
constexpr std::size_t findLastCharacter(std::string_view text, char wanted,
                                        LeadByteTest isLeadByte) {
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isLeadByte(text[i])) {
            ++i; // the second byte, which is never a character of its own
        } else if (text[i] == wanted) {
            found = i;
        }
    }
    return found;
}

// Where the file name of `path` starts: after its last backslash that is a character of its
// own, or after its last slash; 0 when it has neither.
constexpr std::size_t fileNameStart(std::string_view path, LeadByteTest isLeadByte) {
    std::size_t backslash = findLastCharacter(path, '\\', isLeadByte);
    std::size_t slash = path.rfind('/');
    std::size_t start = backslash == std::string_view::npos ? 0 : backslash + 1;
    return slash != std::string_view::npos && slash >= start ? slash + 1 : start;
}
