// Scans arbitrary bytes as a board text. Besides the sanitizers, it checks that the lists
// stay within their entries, that every keyword in the text gives exactly one log line, in
// order, and that every listed name was logged.
#include "boardscan/board_scan.h"
#include "diag/log.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string capturedLog;

struct LogLine {
    std::string_view label;
    std::string_view name;
};

constexpr std::string_view kPadLabels[] = {
    "Add pad: ", "Pad style left out, name too long: ", "Pad style left out, list full: "};
constexpr std::string_view kViaLabels[] = {
    "Add via: ", "Via style left out, name too long: ", "Via style left out, list full: "};

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "board scan check failed: %s\n", what);
    std::abort();
}

void check(bool condition, const char* what) {
    if (!condition) {
        fail(what);
    }
}

std::size_t countKeyword(std::string_view text, std::string_view keyword) {
    std::size_t count = 0;
    for (std::size_t at = text.find(keyword); at != std::string_view::npos;
         at = text.find(keyword, at + keyword.size())) {
        ++count;
    }
    return count;
}

// Splits the log into lines, each with the label it starts with.
std::vector<LogLine> splitLog(std::string_view log, std::size_t& padLines) {
    std::vector<LogLine> lines;
    padLines = 0;
    while (!log.empty()) {
        std::size_t end = log.find("\r\n");
        check(end != std::string_view::npos, "log line without CR LF");
        std::string_view line = log.substr(0, end);
        log.remove_prefix(end + 2);
        bool found = false;
        for (std::string_view label : kPadLabels) {
            if (!found && line.starts_with(label)) {
                check(lines.size() == padLines, "pad line after a via line");
                lines.push_back({label, line.substr(label.size())});
                ++padLines;
                found = true;
            }
        }
        for (std::string_view label : kViaLabels) {
            if (!found && line.starts_with(label)) {
                lines.push_back({label, line.substr(label.size())});
                found = true;
            }
        }
        check(found, "log line of unknown kind");
    }
    return lines;
}

std::vector<std::string> listNames(const StyleNameList& list) {
    std::vector<std::string> names;
    for (const auto& entry : list.entries) {
        check(std::memchr(entry, '\0', kStyleNameWidth) != nullptr, "entry without terminator");
    }
    for (const auto& entry : list.entries) {
        if (entry[0] == '\0') {
            break;
        }
        names.emplace_back(entry);
    }
    check(names.size() <= kMaxStyleNames, "list holds more than its names");
    return names;
}

// Each listed name was logged with an Add line, in list order.
void checkListed(const std::vector<std::string>& names, const std::vector<LogLine>& lines,
                 std::size_t first, std::size_t last, std::string_view addLabel, bool viaList) {
    std::size_t line = first;
    for (const std::string& name : names) {
        std::string logged = name;
        if (viaList && logged.size() >= 2 && logged.front() == '\'' && logged.back() == '\'' &&
            logged.find_first_of("() \t\v\f") != std::string::npos) {
            logged = logged.substr(1, logged.size() - 2);
        }
        while (line < last && !(lines[line].label == addLabel && lines[line].name == logged)) {
            ++line;
        }
        check(line < last, "listed name never logged");
        ++line;
    }
}

} // namespace

void writeLog(std::string_view text) {
    capturedLog.append(text);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte is not part of the text: the seeds were written with one in front.
    // A buffer of exactly the text and its terminator, so that any read past it is caught.
    std::vector<char> buffer(data + 1, data + size);
    buffer.push_back('\0');
    capturedLog.clear();
    padStyles = {};
    viaStyles = {};
    scanBoardText(buffer.data());

    std::string_view text(buffer.data());
    std::size_t padLines = 0;
    std::vector<LogLine> lines = splitLog(capturedLog, padLines);
    check(padLines == countKeyword(text, "padStyleDef"), "pad keywords and pad lines differ");
    check(lines.size() - padLines == countKeyword(text, "viaStyleDef"),
          "via keywords and via lines differ");

    checkListed(listNames(padStyles), lines, 0, padLines, kPadLabels[0], false);
    checkListed(listNames(viaStyles), lines, padLines, lines.size(), kViaLabels[0], true);
    return 0;
}
