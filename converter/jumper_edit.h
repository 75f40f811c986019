// Writing the jumper options into a design's text: the jumper layer in (structure ...) and
// one (jumper ...) descriptor per length in (library ...). The text is edited at the places
// the reader found; every other byte stays as it was.
#pragma once

#include "jumper_options.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// One change to the design's text: [begin, end) is replaced by text; begin == end inserts.
struct DesignEdit {
    std::size_t begin;
    std::size_t end;
    std::string text;
};

enum class ConvertResult {
    Refused,   // the design is not one the converter can safely edit
    Unchanged, // it already holds these settings
    Changed,
};

// Plans how `options` (which must be enabled) go into `design`: `edits` receives the changes
// in text order, none overlapping. Logs the layer chosen, each descriptor written and every
// warning. A design is refused, with no edit planned and its reason logged, when it cannot
// be read whole and soundly (with the byte offset where the problem was found), when the
// chosen layer cannot carry jumpers or leaves no other signal layer, and when no jumper
// length lies on the design's grid.
ConvertResult convertDesign(std::string_view design, const JumperOptions& options,
                            std::vector<DesignEdit>& edits);

// Hands the edited text to `write` piece by piece, in order, without building it whole.
// Stops, returning false, at the first piece that `write` refuses.
bool writeEdited(std::string_view text, const std::vector<DesignEdit>& edits,
                 const std::function<bool(std::string_view)>& write);

// The edited text, whole.
std::string applyEdits(std::string_view text, const std::vector<DesignEdit>& edits);

// The length of a unit of the Design Language in nanometres; 0 for an unknown unit.
int64_t unitNanometres(std::string_view unit);

// A length written in `unit`, rounded to the resolution grid of `resolutionUnit` and
// `resolution` (steps per unit); a resolution of 0 means no grid. Empty when the length
// rounds to nothing.
std::string formatLength(int64_t nanometres, std::string_view unit, std::string_view resolutionUnit,
                         int64_t resolution);
