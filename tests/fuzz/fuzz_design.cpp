// Takes arbitrary bytes as a design text and converts it with each of a few jumper settings.
// Besides the sanitizers, it checks that the edits are in text order and touch only the
// chosen layer and the library, that a refusal plans nothing, that an unchanged design is planned
// as itself, and that a changed one reads back as a balanced (pcb ...) with the jumper layer and
// every descriptor logged, which a second conversion leaves as it is.
#include "common/bounded_text.h"
#include "converter/dsn_reader.h"
#include "converter/jumper_edit.h"
#include "converter/jumper_options.h"
#include "diag/log.h"
#include "settings/settings.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string capturedLog;

// The jumper group as the Jumper page stores it.
struct StoredJumper {
    int32_t unit;
    const char* step;
    const char* maxLength;
    const char* via;
    const char* direction;
    const char* layer;
};

// Together they take both units, the largest and a zero maximum, both layers, several
// directions, and a via that is absent, plain, quoted as the board scan quotes it, and
// named in another case than the seeds' padstack.
constexpr StoredJumper kStored[] = {
    {1, "2.50", "10", "V30", "orthogonal", "Top"},
    {0, "7.62", "999", "'CCTVIA_(Default)'", "Diagonal", "Bottom"},
    {1, "10.00", "0", "", "horizontal", "Top"},
    {7, "2.54", "25", "via[0-1]_1200:600_UM", "positive_diagonal", "Bottom"},
};

std::vector<JumperOptions> allOptions() {
    std::vector<JumperOptions> options;
    for (const StoredJumper& stored : kStored) {
        SettingsRecord record{};
        record.JEnable = 1;
        record.JUnit = stored.unit;
        copyBounded(record.JStep, stored.step);
        copyBounded(record.JMaxLength, stored.maxLength);
        copyBounded(record.JVia, stored.via);
        copyBounded(record.JDir, stored.direction);
        copyBounded(record.JLayer, stored.layer);
        options.push_back(jumperOptionsFrom(record));
    }
    return options;
}

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "design check failed: %s\n", what);
        std::abort();
    }
}

std::size_t countOf(std::string_view text, std::string_view part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos;
         at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

bool within(const DesignEdit& edit, const DsnElement& list) {
    return list.begin < edit.begin && edit.end < list.end;
}

// In text order, none overlapping, each inside the chosen layer or the library.
void checkEdits(const DsnOutline& outline, const JumperOptions& options,
                const std::vector<DesignEdit>& edits) {
    const DsnLayer& layer = options.bottomLayer ? outline.layers.back() : outline.layers.front();
    std::size_t previousEnd = 0;
    for (const DesignEdit& edit : edits) {
        check(previousEnd <= edit.begin && edit.begin <= edit.end,
              "edits overlap or are out of order");
        check(within(edit, layer.whole) || within(edit, outline.library.whole),
              "an edit outside the chosen layer and the library");
        previousEnd = edit.end;
    }
}

void checkConverted(std::string_view design, const DsnOutline& before, const JumperOptions& options,
                    std::string_view converted, std::size_t descriptors) {
    check(converted != design, "a change that changes nothing");
    DsnOutline after;
    DsnProblem problem;
    check(readDesignOutline(converted, after, problem), "the converted design does not read");
    check(after.layers.size() == before.layers.size(), "the layers changed in number");
    const DsnLayer& layer = options.bottomLayer ? after.layers.back() : after.layers.front();
    check(layer.types.size() == 1 && layer.typeValues.front() == "jumper",
          "the chosen layer is not a jumper layer");
    check(layer.directions.size() == 1, "the chosen layer has not one direction");
    check(after.library.jumpers.size() == descriptors,
          "the library does not hold the descriptors written");

    capturedLog.clear();
    std::vector<DesignEdit> edits;
    check(convertDesign(converted, options, edits) == ConvertResult::Unchanged,
          "a second conversion changes the design again");
    checkEdits(after, options, edits);
    check(applyEdits(converted, edits) == converted, "an unchanged design planned otherwise");
}

// A refusal logs a line that says why. (A name from the design may hold a line break, so
// that line need not be the log's last.)
bool refusalLogged() {
    return capturedLog.starts_with("Error: ") ||
           capturedLog.find("\r\nError: ") != std::string::npos;
}

} // namespace

void writeLog(std::string_view text) {
    capturedLog.append(text);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const std::vector<JumperOptions> options = allOptions();
    // libFuzzer's buffer holds exactly the input, so that any read past it is caught.
    std::string_view design(reinterpret_cast<const char*>(data), size);

    DsnOutline outline;
    DsnProblem problem;
    bool readable = readDesignOutline(design, outline, problem);
    check(readable || problem.offset <= design.size(), "a problem outside the text");

    for (const JumperOptions& option : options) {
        capturedLog.clear();
        std::vector<DesignEdit> edits;
        ConvertResult result = convertDesign(design, option, edits);
        switch (result) {
        case ConvertResult::Refused:
            check(edits.empty(), "a refused design with edits");
            check(refusalLogged(), "a refusal not logged");
            break;
        case ConvertResult::Unchanged:
            check(readable, "an unreadable design taken");
            checkEdits(outline, option, edits);
            check(applyEdits(design, edits) == design, "an unchanged design planned otherwise");
            break;
        case ConvertResult::Changed: {
            check(readable, "an unreadable design taken");
            checkEdits(outline, option, edits);
            // Counted in the new text alone: the log also holds names from the design.
            std::size_t descriptors = 0;
            for (const DesignEdit& edit : edits) {
                descriptors += countOf(edit.text, "(jumper (length ");
            }
            checkConverted(design, outline, option, applyEdits(design, edits), descriptors);
            break;
        }
        }
    }
    return 0;
}
