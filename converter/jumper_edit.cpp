#include "jumper_edit.h"

#include "common/ascii_text.h"
#include "diag/log.h"
#include "dsn_reader.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <functional>
#include <limits>

namespace {

struct UnitLength {
    std::string_view name;
    int64_t nanometres;
};

constexpr std::array<UnitLength, 5> kUnits = {{
    {"inch", 25'400'000},
    {"mil", 25'400},
    {"cm", 10'000'000},
    {"mm", 1'000'000},
    {"um", 1'000},
}};

// Without a (resolution ...) a design is in inches at 2,540,000 steps per inch.
constexpr std::string_view kDefaultResolutionUnit = "inch";
constexpr int64_t kDefaultResolution = 2'540'000;
// A design's coordinates are 32-bit integers of resolution steps.
constexpr int64_t kLargestResolution = std::numeric_limits<int32_t>::max();
// Digits written after the point at most; enough for any grid of a usable resolution.
constexpr int kFractionDigits = 9;

std::string number(std::size_t value) {
    return std::to_string(value);
}

// Where a view into the design starts, for the log.
std::size_t offsetIn(std::string_view design, std::string_view part) {
    return static_cast<std::size_t>(part.data() - design.data());
}

ConvertResult refuse(std::size_t offset, std::string_view message) {
    writeLogLine({"Error: design refused: ", message, " at byte ", number(offset)});
    return ConvertResult::Refused;
}

// The blanks before an element, which its new neighbours take too; one space where the
// element follows its neighbour directly.
std::string separatorBefore(std::string_view design, const DsnElement& element) {
    std::string_view gap = design.substr(element.gapBegin, element.begin - element.gapBegin);
    return gap.empty() ? std::string(" ") : std::string(gap);
}

std::string joined(const std::vector<std::string>& parts, const std::string& separator) {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            text += separator;
        }
        text += parts[i];
    }
    return text;
}

// Removing an element takes the blanks before it along.
DesignEdit removal(const DsnElement& element) {
    return {element.gapBegin, element.end, {}};
}

// Replaces the first of `found` by `text` (inserting it with `insertAt` when there is none)
// and removes the others, so that a layer ends with exactly one such list.
void replaceAll(const std::vector<DsnElement>& found, const std::string& text, DesignEdit insertAt,
                std::vector<DesignEdit>& edits) {
    if (found.empty()) {
        insertAt.text += text;
        edits.push_back(std::move(insertAt));
        return;
    }
    edits.push_back({found[0].begin, found[0].end, text});
    for (std::size_t i = 1; i < found.size(); ++i) {
        edits.push_back(removal(found[i]));
    }
}

struct LengthUnit {
    std::string_view unit;
    const char* source;
};

LengthUnit libraryUnit(const DsnOutline& outline) {
    if (!outline.library.unit.empty()) {
        return {outline.library.unit, "the library's own unit"};
    }
    if (!outline.designUnit.empty()) {
        return {outline.designUnit, "the design's unit"};
    }
    if (!outline.resolutionUnit.empty()) {
        return {outline.resolutionUnit, "the unit of its resolution"};
    }
    return {kDefaultResolutionUnit, "no unit given"};
}

// The grid that lengths are rounded to: `steps` per `unit`.
struct Grid {
    std::string_view unit;
    int64_t steps = 0;
};

// The design's resolution grid. False when the design gives one that is not a known unit
// and a positive integer that a design's 32-bit coordinates can work with.
bool readGrid(const DsnOutline& outline, Grid& grid) {
    if (outline.resolutionUnit.empty()) {
        grid = {kDefaultResolutionUnit, kDefaultResolution};
        return true;
    }
    grid = {outline.resolutionUnit, 0};
    if (unitNanometres(outline.resolutionUnit) == 0 || outline.resolutionValue.empty()) {
        return false;
    }
    for (char c : outline.resolutionValue) {
        if (c < '0' || c > '9') {
            return false;
        }
        // Capped as it is read, so that no text overflows it.
        grid.steps = std::min(grid.steps * 10 + (c - '0'), kLargestResolution + 1);
    }
    return grid.steps > 0 && grid.steps <= kLargestResolution;
}

void logGrid(const DsnOutline& outline) {
    if (outline.resolutionUnit.empty()) {
        writeLogLine({"Resolution: none given, inch 2540000"});
    } else {
        writeLogLine({"Resolution: ", outline.resolutionUnit, " ", outline.resolutionValue});
    }
}

// A layer without a (type ...) is a signal layer.
bool isSignalLayer(const DsnLayer& layer) {
    return std::all_of(layer.typeValues.begin(), layer.typeValues.end(),
                       [](std::string_view value) { return equalsIgnoringCase(value, "signal"); });
}

// The first type of the layer that keeps jumpers off it: any but signal and jumper (an
// earlier run's). Empty when it has none.
std::string_view typeKeepingJumpersOff(const DsnLayer& layer) {
    for (std::string_view value : layer.typeValues) {
        if (!equalsIgnoringCase(value, "signal") && !equalsIgnoringCase(value, "jumper")) {
            return value;
        }
    }
    return {};
}

// Whether the chosen layer can become the jumper layer: a signal layer (a power or mixed
// layer would lose its plane), with another signal layer left to route on. Logs why not.
bool layerTakesJumpers(const DsnOutline& outline, std::size_t chosen) {
    const DsnLayer& layer = outline.layers[chosen];
    std::string_view barring = typeKeepingJumpersOff(layer);
    if (!barring.empty()) {
        writeLogLine({"Error: layer ", layer.nameText, " is a ", barring,
                      " layer; jumpers need a signal layer"});
        return false;
    }
    for (std::size_t i = 0; i < outline.layers.size(); ++i) {
        if (i != chosen && isSignalLayer(outline.layers[i])) {
            return true;
        }
    }
    writeLogLine({"Error: layer ", layer.nameText,
                  " is the only signal layer; the router needs another one to route on"});
    return false;
}

// Layer names compared as the padstack ids are: without quotes and, unless the design says
// its names are case sensitive, without regard to case.
bool sameName(const DsnOutline& outline, std::string_view a, std::string_view b) {
    std::string unquotedA = unquotedId(a, outline.stringQuote);
    std::string unquotedB = unquotedId(b, outline.stringQuote);
    return outline.caseSensitive ? unquotedA == unquotedB
                                 : equalsIgnoringCase(unquotedA, unquotedB);
}

std::string layerEditsFor(std::string_view design, const DsnLayer& layer,
                          std::string_view direction, std::vector<DesignEdit>& edits) {
    std::string afterName =
        layer.firstChild.end != 0 ? separatorBefore(design, layer.firstChild) : std::string(" ");
    replaceAll(layer.types, "(type jumper)", {layer.name.end, layer.name.end, afterName}, edits);

    // The direction follows the type and properties, as the Design Language orders them.
    DesignEdit directionAt{layer.name.end, layer.name.end, afterName};
    if (layer.lastTypeOrProperty.end != 0) {
        directionAt = {layer.lastTypeOrProperty.end, layer.lastTypeOrProperty.end,
                       separatorBefore(design, layer.lastTypeOrProperty)};
    }
    std::string directionText = "(direction " + std::string(direction) + ")";
    replaceAll(layer.directions, directionText, directionAt, edits);
    return layer.types.empty() ? std::string("no type") : std::string(layer.typeValues.front());
}

// What is on the jumper layer already, for the designer to see: a plane there (a pour on
// that side, common on both sides of a board) and wires (an earlier routing run's jumpers
// come back from the editor as wires there). Both stay as they are.
void logWhatTheLayerHolds(const DsnOutline& outline, const DsnLayer& layer) {
    for (const DsnPlane& plane : outline.planes) {
        if (sameName(outline, plane.layer, layer.nameText)) {
            writeLogLine({"Warning: the jumper layer ", layer.nameText, " holds a plane of net ",
                          plane.net, " at byte ", number(plane.offset)});
        }
    }
    std::size_t wires = 0;
    for (const DsnWireCount& count : outline.wiresByLayer) {
        if (sameName(outline, count.layer, layer.nameText)) {
            wires += count.wires;
        }
    }
    if (wires > 0) {
        writeLogLine({"Wires already on the jumper layer ", layer.nameText, ": ", number(wires),
                      ", kept as they are"});
    }
}

void chooseLayer(std::string_view design, const DsnOutline& outline, std::size_t chosen,
                 const JumperOptions& options, std::vector<DesignEdit>& edits) {
    const DsnLayer& layer = outline.layers[chosen];
    std::string previousType = layerEditsFor(design, layer, options.direction, edits);
    writeLogLine({"Jumper layer chosen: ", layer.nameText, " (the ",
                  options.bottomLayer ? "bottom" : "top", "-most of ",
                  number(outline.layers.size()), " layers, was ", previousType, "), direction ",
                  options.direction});
    for (std::size_t i = 0; i < outline.layers.size(); ++i) {
        const DsnLayer& other = outline.layers[i];
        if (i != chosen && !other.typeValues.empty() &&
            equalsIgnoringCase(other.typeValues.front(), "jumper")) {
            writeLogLine({"Warning: layer ", other.nameText, " is a jumper layer too"});
        }
    }
    logWhatTheLayerHolds(outline, layer);
}

// The padstack that use_via names, compared without quotes and, unless the design says its
// names are case sensitive, without regard to case. Empty when there is none.
std::string_view findVia(const DsnOutline& outline, const std::string& via) {
    const DsnPadstack* match = nullptr;
    for (const DsnPadstack& padstack : outline.library.padstacks) {
        std::string id = unquotedId(padstack.id, outline.stringQuote);
        if (id == via) {
            return padstack.id;
        }
        if (match == nullptr && !outline.caseSensitive && equalsIgnoringCase(id, via)) {
            match = &padstack;
        }
    }
    return match != nullptr ? match->id : std::string_view{};
}

std::string_view chooseVia(const DsnOutline& outline, const JumperOptions& options) {
    if (options.via.empty()) {
        writeLogLine({"Warning: no jumper via style chosen: use_via left out"});
        return {};
    }
    std::string_view via = findVia(outline, options.via);
    if (via.empty()) {
        writeLogLine({"Warning: no padstack ", options.via, " in the library: use_via left out"});
    } else {
        writeLogLine({"Jumper via: ", via});
    }
    return via;
}

// The descriptors for the lengths from the start to the maximum on the design's grid; empty,
// logged as the error it is, when there is no such length: a jumper layer without a length
// is no use to the router.
std::vector<std::string> jumperDescriptors(const DsnOutline& outline, const LengthUnit& unit,
                                           const Grid& grid, const JumperOptions& options) {
    std::vector<std::string> descriptors;
    const std::string start = formatMillimetres(options.startMicrometres);
    const std::string maximum = formatMillimetres(options.maximumMicrometres);
    std::vector<int32_t> lengths = jumperLengths(options);
    if (lengths.empty()) {
        writeLogLine({"Error: no jumper descriptor to write: the max. length ", maximum,
                      " mm is below the start ", start, " mm"});
        return descriptors;
    }
    logGrid(outline);
    writeLogLine({"Jumper lengths in ", unit.unit, " (", unit.source, "): ", start, " to ", maximum,
                  " mm in steps of ", formatMillimetres(options.stepMicrometres), " mm"});
    std::string_view via = chooseVia(outline, options);
    std::vector<std::string> written;
    for (int32_t length : lengths) {
        std::string millimetres = formatMillimetres(length);
        std::string text = formatLength(int64_t{length} * 1000, unit.unit, grid.unit, grid.steps);
        if (text.empty()) {
            writeLogLine(
                {"Warning: jumper length ", millimetres, " mm is below the resolution: left out"});
            continue;
        }
        if (std::find(written.begin(), written.end(), text) != written.end()) {
            writeLogLine({"Warning: jumper length ", millimetres, " mm rounds to ", text,
                          " like a shorter one: left out"});
            continue;
        }
        written.push_back(text);
        std::string descriptor = "(jumper (length " + text + ")";
        if (!via.empty()) {
            descriptor += " (use_via " + std::string(via) + ")";
        }
        descriptor += ")";
        writeLogLine({"Jumper descriptor: ", descriptor});
        descriptors.push_back(std::move(descriptor));
    }
    if (descriptors.empty()) {
        writeLogLine({"Error: no jumper descriptor to write: every length from ", start, " to ",
                      maximum, " mm is below the resolution"});
    }
    return descriptors;
}

// Descriptors already in the library are replaced where the first of them stands; otherwise
// the new ones go before the first padstack, where the Design Language puts them.
void libraryEdits(std::string_view design, const DsnLibrary& library,
                  const std::vector<std::string>& descriptors, std::vector<DesignEdit>& edits) {
    if (!library.jumpers.empty()) {
        writeLogLine({"Jumper descriptors replaced: ", number(library.jumpers.size()),
                      " found in the library"});
        const DsnElement& first = library.jumpers[0];
        edits.push_back(
            {first.begin, first.end, joined(descriptors, separatorBefore(design, first))});
        for (std::size_t i = 1; i < library.jumpers.size(); ++i) {
            edits.push_back(removal(library.jumpers[i]));
        }
        return;
    }
    if (!library.padstacks.empty()) {
        const DsnElement& first = library.padstacks[0].whole;
        std::string separator = separatorBefore(design, first);
        edits.push_back({first.begin, first.begin, joined(descriptors, separator) + separator});
    } else if (library.lastChild.end != 0) {
        std::string separator = separatorBefore(design, library.lastChild);
        edits.push_back({library.lastChild.end, library.lastChild.end,
                         separator + joined(descriptors, separator)});
    } else {
        // Before the blanks that precede the ')', which a second run would take as the
        // separator of the descriptors.
        std::size_t at = library.closeParen;
        while (at > 0 && isDsnBlank(design[at - 1])) {
            --at;
        }
        std::string text = " ";
        text += joined(descriptors, " ");
        edits.push_back({at, at, std::move(text)});
    }
}

// A removal must not take away the blank that ends an atom before it: without it the atom
// would run on into the next token. One blank stays there. The reader takes only designs
// whose quoted texts are all closed, so an atom never ends in a parenthesis or a blank:
// the byte before an edit tells whether an atom ends there. The token before may be the
// text of an earlier edit.
void keepTokensApart(std::string_view design, std::vector<DesignEdit>& edits) {
    auto isAtomByte = [](char c) { return c != '(' && c != ')' && !isDsnBlank(c); };
    char last = '(';
    std::size_t copied = 0;
    for (DesignEdit& edit : edits) {
        if (edit.begin > copied) {
            last = design[edit.begin - 1];
        }
        if (edit.text.empty() && edit.begin < edit.end && edit.end < design.size() &&
            isAtomByte(last) && !isDsnBlank(design[edit.end])) {
            edit.text.push_back(' ');
        }
        if (!edit.text.empty()) {
            last = edit.text.back();
        }
        copied = edit.end;
    }
}

std::string decimal(int64_t numerator, int64_t denominator) {
    int64_t whole = numerator / denominator;
    int64_t remainder = numerator % denominator;
    int64_t fraction = 0;
    for (int digit = 0; digit < kFractionDigits; ++digit) {
        remainder *= 10;
        fraction = fraction * 10 + remainder / denominator;
        remainder %= denominator;
    }
    int64_t limit = 1;
    for (int digit = 0; digit < kFractionDigits; ++digit) {
        limit *= 10;
    }
    if (remainder * 2 >= denominator && ++fraction == limit) {
        fraction = 0;
        ++whole;
    }
    char text[48];
    std::snprintf(text, sizeof text, "%" PRId64 ".%0*" PRId64, whole, kFractionDigits, fraction);
    std::string result = text;
    result.erase(result.find_last_not_of('0') + 1);
    if (result.back() == '.') {
        result.pop_back();
    }
    return result;
}

} // namespace

int64_t unitNanometres(std::string_view unit) {
    for (const UnitLength& known : kUnits) {
        if (equalsIgnoringCase(unit, known.name)) {
            return known.nanometres;
        }
    }
    return 0;
}

// The grid step is unitNanometres(resolutionUnit) / resolution; lengths are at most a
// metre and the resolution at most 2^31 - 1, so every product here fits 64 bits.
std::string formatLength(int64_t nanometres, std::string_view unit, std::string_view resolutionUnit,
                         int64_t resolution) {
    int64_t unitSize = unitNanometres(unit);
    int64_t gridUnit = unitNanometres(resolutionUnit);
    if (unitSize == 0 || nanometres <= 0) {
        return {};
    }
    if (resolution <= 0 || gridUnit == 0) {
        return decimal(nanometres, unitSize);
    }
    int64_t steps = (nanometres * resolution + gridUnit / 2) / gridUnit;
    if (steps == 0) {
        return {};
    }
    return decimal(steps * gridUnit, resolution * unitSize);
}

bool writeEdited(std::string_view text, const std::vector<DesignEdit>& edits,
                 const std::function<bool(std::string_view)>& write) {
    std::size_t copied = 0;
    for (const DesignEdit& edit : edits) {
        if (!write(text.substr(copied, edit.begin - copied)) || !write(edit.text)) {
            return false;
        }
        copied = edit.end;
    }
    return write(text.substr(copied));
}

// Compares the edited text with the text piece by piece, without building it: a second run
// must not rewrite a large design only to find it the same.
bool editsChangeNothing(std::string_view text, const std::vector<DesignEdit>& edits) {
    std::size_t compared = 0;
    bool same = writeEdited(text, edits, [text, &compared](std::string_view piece) {
        if (piece.size() > text.size() - compared || text.substr(compared, piece.size()) != piece) {
            return false;
        }
        compared += piece.size();
        return true;
    });
    return same && compared == text.size();
}

std::string applyEdits(std::string_view text, const std::vector<DesignEdit>& edits) {
    std::string result;
    writeEdited(text, edits, [&result](std::string_view piece) {
        result.append(piece);
        return true;
    });
    return result;
}

ConvertResult convertDesign(std::string_view design, const JumperOptions& options,
                            std::vector<DesignEdit>& edits) {
    edits.clear();
    DsnOutline outline;
    DsnProblem problem;
    if (!readDesignOutline(design, outline, problem)) {
        return refuse(problem.offset, problem.message);
    }
    if (outline.layers.empty()) {
        return refuse(outline.structureOffset, "the (structure ...) holds no (layer ...)");
    }
    LengthUnit unit = libraryUnit(outline);
    if (unitNanometres(unit.unit) == 0) {
        return refuse(offsetIn(design, unit.unit),
                      "unknown unit \"" + std::string(unit.unit) + "\"");
    }
    Grid grid;
    if (!readGrid(outline, grid)) {
        return refuse(outline.resolutionOffset,
                      "the resolution \"" + std::string(outline.resolutionUnit) + " " +
                          std::string(outline.resolutionValue) +
                          "\" is not a unit with a positive integer of at most " +
                          number(kLargestResolution));
    }
    const std::size_t chosen = options.bottomLayer ? outline.layers.size() - 1 : 0;
    if (!layerTakesJumpers(outline, chosen)) {
        return ConvertResult::Refused;
    }

    chooseLayer(design, outline, chosen, options, edits);
    std::vector<std::string> descriptors = jumperDescriptors(outline, unit, grid, options);
    if (descriptors.empty()) {
        edits.clear();
        return ConvertResult::Refused;
    }
    libraryEdits(design, outline.library, descriptors, edits);
    std::stable_sort(edits.begin(), edits.end(),
                     [](const DesignEdit& a, const DesignEdit& b) { return a.begin < b.begin; });
    keepTokensApart(design, edits);
    if (editsChangeNothing(design, edits)) {
        writeLogLine({"The design already holds these jumper settings"});
        return ConvertResult::Unchanged;
    }
    return ConvertResult::Changed;
}
