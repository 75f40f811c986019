// The Jumper page's settings as the converter applies them to a design.
#pragma once

#include "settings/settings.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Lengths are held in micrometres: every step, start and maximum is a whole number of them.
struct JumperOptions {
    bool enabled = false;
    bool millimetres = false;     // the unit of the page; lengths are millimetres in both
    int32_t startMicrometres = 0; // the Start shown on the page
    int32_t stepMicrometres = 0;
    int32_t maximumMicrometres = 0;
    std::string_view direction; // one of the page's direction keywords
    bool bottomLayer = false;   // false: the top-most layer
    std::string via;            // the via style without its quotes; empty: none chosen
};

// The largest maximum length the page takes (three digits), in millimetres.
inline constexpr int32_t kLargestMaximumLength = 999;

// Reads the jumper group of `record` as the Jumper page shows it, logging each value that
// had to be read otherwise than it is stored.
JumperOptions jumperOptionsFrom(const SettingsRecord& record);

// The jumper lengths from the start up to the maximum in steps, in micrometres; empty when
// the maximum is below the start.
std::vector<int32_t> jumperLengths(const JumperOptions& options);

// "5.08" for 5080 micrometres: millimetres with two decimals.
std::string formatMillimetres(int32_t micrometres);
