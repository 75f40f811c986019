// Comparing text without regard to the case of ASCII letters; every other byte compares as
// it is, whatever the code page.
#pragma once

#include <string_view>

constexpr char lowerAsciiLetter(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (lowerAsciiLetter(text[i]) != lowerAsciiLetter(prefix[i])) {
            return false;
        }
    }
    return true;
}

constexpr bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && startsWithIgnoringCase(a, b);
}
