// Bounded text helpers for the fixed-size, NUL-terminated buffers used throughout Morvane.
// Every copy and append stops at the buffer's capacity and always leaves a terminator.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

// Copies `text` into `destination` (capacity bytes, terminator included).
// Returns false, leaving `destination` empty, when the text does not fit whole:
// a cut path or name would silently become a different one.
inline bool copyBounded(char* destination, std::size_t capacity, std::string_view text) {
    if (capacity == 0) {
        return false;
    }
    if (text.size() >= capacity) {
        destination[0] = '\0';
        return false;
    }
    // An empty view may hold no pointer at all, which memcpy must not be given.
    if (!text.empty()) {
        std::memcpy(destination, text.data(), text.size());
    }
    destination[text.size()] = '\0';
    return true;
}

template <std::size_t N> bool copyBounded(char (&destination)[N], std::string_view text) {
    return copyBounded(destination, N, text);
}

// Appends `text` to the NUL-terminated text in `destination`. Returns false and leaves
// `destination` unchanged when the result would not fit.
inline bool appendBounded(char* destination, std::size_t capacity, std::string_view text) {
    std::size_t length = strnlen(destination, capacity);
    if (length >= capacity || text.size() >= capacity - length) {
        return false;
    }
    if (!text.empty()) {
        std::memcpy(destination + length, text.data(), text.size());
    }
    destination[length + text.size()] = '\0';
    return true;
}

template <std::size_t N> bool appendBounded(char (&destination)[N], std::string_view text) {
    return appendBounded(destination, N, text);
}

// The text held in a fixed field, up to its terminator or its full width.
template <std::size_t N> std::string_view fieldText(const char (&field)[N]) {
    return std::string_view(field, strnlen(field, N));
}
