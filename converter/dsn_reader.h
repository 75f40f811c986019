// Reading a Specctra design file (.dsn): one pass over its s-expression that checks it is a
// balanced (pcb ...) and finds the places the jumper edit needs, as byte offsets into the
// text. Nothing is copied; every view points into the text read.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A token or a list directly inside another list, with the blanks before it.
struct DsnElement {
    std::size_t gapBegin = 0; // end of the token before it: [gapBegin, begin) are blanks
    std::size_t begin = 0;    // first byte ('(' for a list)
    std::size_t end = 0;      // one past the last byte (past ')' for a list)
};

struct DsnLayer {
    DsnElement whole;
    DsnElement name;
    std::string_view nameText; // as written, quotes included
    std::vector<DsnElement> types;
    std::vector<std::string_view> typeValues; // of each of `types`, as written
    std::vector<DsnElement> directions;
    // The last (type ...) or (property ...) child: a direction goes after it. Empty (end 0)
    // when the layer has neither.
    DsnElement lastTypeOrProperty;
    DsnElement firstChild; // empty (end 0) when the layer has no list inside
};

struct DsnPadstack {
    std::string_view id; // as written, quotes included
    DsnElement whole;
};

struct DsnLibrary {
    DsnElement whole;
    std::string_view unit; // of its own (unit ...), empty when it has none
    std::vector<DsnElement> jumpers;
    std::vector<DsnPadstack> padstacks;
    DsnElement lastChild; // empty (end 0) when the library holds nothing
    std::size_t closeParen = 0;
};

// A (plane <net> <shape> ...) of the structure: copper of one net poured over a layer.
struct DsnPlane {
    std::size_t offset = 0;
    std::string_view net;   // as written
    std::string_view layer; // the first atom of its shape, as written
};

// How many (wire ...) lists of the wiring lie on one layer.
struct DsnWireCount {
    std::string_view layer; // as written
    std::size_t wires = 0;
};

// What the jumper edit needs to know of a design.
struct DsnOutline {
    char stringQuote = '\0'; // '\0' until (string_quote c) is read: no quoting
    bool spaceInQuotedTokens = false;
    bool caseSensitive = false;
    // The design's resolution and unit, given at the top of the design or at the start of
    // its structure; empty when neither gives one.
    std::string_view resolutionUnit;
    std::string_view resolutionValue;
    std::size_t resolutionOffset = 0;
    std::string_view designUnit;
    bool hasStructure = false;
    std::size_t structureOffset = 0;
    std::vector<DsnLayer> layers; // in file order: the first is the top-most
    std::vector<DsnPlane> planes;
    bool hasLibrary = false;
    DsnLibrary library;
    std::vector<DsnWireCount> wiresByLayer; // in the order the layers first appear
};

// Why a design was refused, and where.
struct DsnProblem {
    std::size_t offset = 0;
    std::string message;
};

// Reads `text` into `outline`. Returns false, with the reason in `problem`, when the text is
// not one balanced (pcb ...) s-expression holding one (structure ...) and one (library ...),
// when a part of either is in another file or folder, and when the design gives two
// resolutions or two units that differ: an edit of what is seen could contradict what is not.
bool readDesignOutline(std::string_view text, DsnOutline& outline, DsnProblem& problem);

// The bytes that separate tokens.
constexpr bool isDsnBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// An id without the quote characters that delimit its quoted parts.
std::string unquotedId(std::string_view id, char stringQuote);
