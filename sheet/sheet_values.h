// The texts and rules of the settings sheet that need no window: value lists, the web
// address and the double-click test.
#pragma once

#include "common/ascii_text.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

// The maker's web page, shown on the Settings page and opened on a double-click.
inline constexpr const char* kMakerWebAddress = "https://morvane.example/";

inline constexpr const char* kSheetCaption = "Morvane v1.4b";

// Step lists, in display order; a change of unit keeps the position in the list.
inline constexpr std::array<const char*, 4> kMillimetreSteps = {"2.50", "5.00", "7.50", "10.00"};
inline constexpr std::array<const char*, 4> kInchSteps = {"2.54", "5.08", "7.62", "10.16"};
// The step list of a unit: JUnit 1 is millimetres, any other value inch.
constexpr std::span<const char* const> stepsFor(int32_t unit) {
    return unit == 1 ? std::span<const char* const>(kMillimetreSteps)
                     : std::span<const char* const>(kInchSteps);
}
inline constexpr const char* kMillimetreStart = "5.00";
inline constexpr const char* kInchStart = "5.08";
inline constexpr const char* kDefaultMaxLength = "100";
// Max. Length takes three typed characters; WM_GETTEXT reads at most this many back.
inline constexpr int kMaxLengthCharacters = 3;

inline constexpr std::array<const char*, 6> kDirectionKeywords = {
    "horizontal", "vertical", "orthogonal", "positive_diagonal", "negative_diagonal", "diagonal"};
inline constexpr std::array<const char*, 2> kLayerKeywords = {"Top", "Bottom"};

// The entry a combo box of the Jumper page selects for a stored text: the entry equal to it,
// otherwise the first entry that begins with it, letters compared without regard to case,
// each search from entry 1 round to entry 0; entry 0 when none does or the text is empty.
constexpr std::size_t storedEntry(std::span<const char* const> entries, std::string_view stored) {
    if (stored.empty()) {
        return 0;
    }
    for (auto matches : {equalsIgnoringCase, startsWithIgnoringCase}) {
        for (std::size_t i = 1; i <= entries.size(); ++i) {
            std::size_t index = i % entries.size();
            if (matches(entries[index], stored)) {
                return index;
            }
        }
    }
    return 0;
}

struct ScreenRect {
    long left;
    long top;
    long right;
    long bottom;
};

// True only strictly inside: a point on the left or top edge (or beyond the right or bottom
// edge) is outside.
constexpr bool isStrictlyInside(const ScreenRect& rect, long x, long y) {
    return rect.left < x && x < rect.right && rect.top < y && y < rect.bottom;
}
