#include "converter_files.h"

#include <vector>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// The command line after the program path, which ends at its closing quote when it is
// quoted and at the first blank otherwise.
std::string_view afterProgramPath(std::string_view commandLine) {
    std::size_t end = 0;
    if (!commandLine.empty() && commandLine.front() == '"') {
        end = commandLine.find('"', 1);
        end = end == std::string_view::npos ? commandLine.size() : end + 1;
    }
    while (end < commandLine.size() && !isBlank(commandLine[end])) {
        ++end;
    }
    return trimmed(commandLine.substr(end));
}

std::string nameOf(std::string_view argument) {
    if (!argument.empty() && argument.front() == '"') {
        argument.remove_prefix(1);
        if (!argument.empty() && argument.back() == '"') {
            argument.remove_suffix(1);
        }
    }
    return std::string(argument);
}

// "<base>.pcb <base>.dsn" as Morvane builds it from the design argument.
bool splitMorvaneNames(std::string_view names, ConverterFiles& files) {
    constexpr std::string_view kBoardSuffix = ".pcb ";
    constexpr std::string_view kDesignSuffix = ".dsn";
    constexpr std::size_t kSuffixes = kBoardSuffix.size() + kDesignSuffix.size();
    if (names.size() < kSuffixes || (names.size() - kSuffixes) % 2 != 0) {
        return false;
    }
    std::size_t baseLength = (names.size() - kSuffixes) / 2;
    std::string_view base = names.substr(0, baseLength);
    std::string_view board = names.substr(0, baseLength + kBoardSuffix.size() - 1);
    std::string_view design = names.substr(baseLength + kBoardSuffix.size());
    if (names.substr(baseLength, kBoardSuffix.size()) != kBoardSuffix ||
        !design.starts_with(base) || !design.ends_with(kDesignSuffix)) {
        return false;
    }
    files = {nameOf(board), nameOf(design)};
    return true;
}

bool splitArguments(std::string_view names, ConverterFiles& files) {
    std::vector<std::string_view> arguments;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= names.size(); ++i) {
        bool atEnd = i == names.size();
        if (!atEnd && names[i] == '"') {
            quoted = !quoted;
        }
        if (atEnd || (isBlank(names[i]) && !quoted)) {
            if (i > start) {
                arguments.push_back(names.substr(start, i - start));
            }
            start = i + 1;
        }
    }
    if (arguments.size() != 2) {
        return false;
    }
    files = {nameOf(arguments[0]), nameOf(arguments[1])};
    return true;
}

} // namespace

bool converterFiles(std::string_view commandLine, ConverterFiles& files) {
    std::string_view names = afterProgramPath(commandLine);
    return splitMorvaneNames(names, files) || splitArguments(names, files);
}
