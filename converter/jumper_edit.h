// Writing the jumper options into a design's text: the jumper layer in (structure ...) and
// one (jumper ...) descriptor per length in (library ...). The text is edited at the places
// the reader found; every other byte stays as it was.
#pragma once

#include "jumper_options.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class ConvertResult {
    Refused,   // the design is not one the converter can safely edit
    Unchanged, // it already holds these settings
    Changed,
};

// Applies `options` (which must be enabled) to `design`, putting the new text in
// `converted`. Logs the layer chosen, each descriptor written and every warning; a refusal
// logs its reason and the byte offset where it was found.
ConvertResult convertDesign(std::string_view design, const JumperOptions& options,
                            std::string& converted);

// The length of a unit of the Design Language in nanometres; 0 for an unknown unit.
int64_t unitNanometres(std::string_view unit);

// A length written in `unit`, rounded to the resolution grid of `resolutionUnit` and
// `resolution` (steps per unit); a resolution of 0 means no grid. Empty when the length
// rounds to nothing.
std::string formatLength(int64_t nanometres, std::string_view unit,
                         std::string_view resolutionUnit, int64_t resolution);

struct DesignEdit {
    std::size_t begin;
    std::size_t end; // [begin, end) is replaced by text; begin == end inserts
    std::string text;
};

// The text with the edits made. Edits must not overlap; those at one place keep their order.
std::string applyEdits(std::string_view text, std::vector<DesignEdit> edits);
