#include "jumper_options.h"

#include "common/ascii_text.h"
#include "common/bounded_text.h"
#include "diag/log.h"
#include "sheet/sheet_values.h"

#include <algorithm>
#include <cstdio>
#include <span>

namespace {

constexpr int32_t kDefaultMaximumMillimetres = 100;

// The page's step and start texts have two decimals: "10.16" is 10160 micrometres.
int32_t micrometresOf(std::string_view text) {
    int32_t whole = 0;
    int32_t hundredths = 0;
    std::size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        whole = whole * 10 + (text[i] - '0');
    }
    if (i < text.size() && text[i] == '.') {
        for (std::size_t digits = 0; digits < 2; ++digits) {
            ++i;
            int digit = i < text.size() ? text[i] - '0' : 0;
            hundredths = hundredths * 10 + digit;
        }
    }
    return whole * 1000 + hundredths * 10;
}

// An empty value takes the page's default, as the page shows it; any other value read
// otherwise than stored is a warning. Stored texts are at most 30 bytes.
void logSubstitution(const char* what, std::string_view stored, const char* reason,
                     const char* used) {
    char line[256];
    if (stored.empty()) {
        std::snprintf(line, sizeof line, "Jumper %s empty: %s used\r\n", what, used);
    } else {
        std::snprintf(line, sizeof line, "Warning: jumper %s \"%.*s\" %s: %s used\r\n", what,
                      static_cast<int>(stored.size()), stored.data(), reason, used);
    }
    writeLog(line);
}

bool readUnit(int32_t unit) {
    if (unit != 0 && unit != 1) {
        char line[96];
        std::snprintf(line, sizeof line, "Warning: jumper unit %d is not 1 (mm): inch used\r\n",
                      static_cast<int>(unit));
        writeLog(line);
    }
    return unit == 1;
}

const char* readStep(std::string_view stored, int32_t unit) {
    std::span<const char* const> steps = stepsFor(unit);
    const char* step = steps[storedEntry(steps, stored)];
    if (stored != step) {
        logSubstitution("step", stored, "is not in the list", step);
    }
    return step;
}

int32_t readMaximumMillimetres(std::string_view stored) {
    bool digits = !stored.empty();
    int32_t value = 0;
    for (char c : stored) {
        if (c < '0' || c > '9') {
            digits = false;
            break;
        }
        // Capped as it is read, so that no stored text overflows it.
        value = std::min(value * 10 + (c - '0'), kLargestMaximumLength + 1);
    }
    if (!digits) {
        logSubstitution("max. length", stored, "is not a number", kDefaultMaxLength);
        return kDefaultMaximumMillimetres;
    }
    if (value > kLargestMaximumLength) {
        logSubstitution("max. length", stored, "is more than the page takes", "999");
        return kLargestMaximumLength;
    }
    return value;
}

std::string_view readDirection(std::string_view stored) {
    for (const char* keyword : kDirectionKeywords) {
        if (equalsIgnoringCase(stored, keyword)) {
            return keyword;
        }
    }
    // The one direction in which a jumper layer allows wrong-way connections.
    constexpr const char* kFallback = "orthogonal";
    logSubstitution("direction", stored, "is not a direction keyword", kFallback);
    return kFallback;
}

bool readBottomLayer(std::string_view stored) {
    std::size_t entry = storedEntry(kLayerKeywords, stored);
    if (stored != kLayerKeywords[entry]) {
        logSubstitution("layer", stored, "is not a layer keyword", kLayerKeywords[entry]);
    }
    return entry == 1;
}

// The board scan puts a via style whose name holds a parenthesis or a blank in single quotes.
std::string readVia(std::string_view stored) {
    if (stored.size() >= 2 && stored.front() == '\'' && stored.back() == '\'') {
        stored = stored.substr(1, stored.size() - 2);
    }
    return std::string(stored);
}

} // namespace

JumperOptions jumperOptionsFrom(const SettingsRecord& record) {
    JumperOptions options;
    options.enabled = record.JEnable == 1;
    options.millimetres = readUnit(record.JUnit);
    options.startMicrometres = micrometresOf(options.millimetres ? kMillimetreStart : kInchStart);
    options.stepMicrometres = micrometresOf(readStep(fieldText(record.JStep), record.JUnit));
    options.maximumMicrometres = readMaximumMillimetres(fieldText(record.JMaxLength)) * 1000;
    options.direction = readDirection(fieldText(record.JDir));
    options.bottomLayer = readBottomLayer(fieldText(record.JLayer));
    options.via = readVia(fieldText(record.JVia));
    return options;
}

std::vector<int32_t> jumperLengths(const JumperOptions& options) {
    std::vector<int32_t> lengths;
    if (options.stepMicrometres <= 0) {
        return lengths;
    }
    for (int32_t length = options.startMicrometres; length <= options.maximumMicrometres;
         length += options.stepMicrometres) {
        lengths.push_back(length);
    }
    return lengths;
}

std::string formatMillimetres(int32_t micrometres) {
    char text[32];
    std::snprintf(text, sizeof text, "%d.%02d", static_cast<int>(micrometres / 1000),
                  static_cast<int>(micrometres % 1000 / 10));
    return text;
}
