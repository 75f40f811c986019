#include "batch_file.h"

#include "command_line.h"
#include "common/ascii_text.h"
#include "common/bounded_text.h"

namespace {

// What cmd.exe acts on outside quotes: commands (& |), redirections (< >), its escape (^),
// blocks and echo control (( ) @) and the separators of a batch file's arguments.
constexpr std::string_view kQuotedCharacters = "&|<>^()@,;= \t";
// What it acts on within quotes too: variables (%...%, and !...! where delayed expansion is
// on) and the line's end. A double quote within an argument would end the quotes early.
constexpr std::string_view kUnsafeCharacters = "%!\r\n";

bool holdsAny(std::string_view text, std::string_view characters) {
    return text.find_first_of(characters) != std::string_view::npos;
}

// The argument without the opening and closing quote of an argument quoted whole (the
// closing one may be missing); the argument itself when it does not open with a quote.
std::string_view withoutEnclosingQuotes(std::string_view argument) {
    if (!argument.starts_with('"')) {
        return argument;
    }
    argument.remove_prefix(1);
    if (argument.ends_with('"')) {
        argument.remove_suffix(1);
    }
    return argument;
}

bool isUnsafe(std::string_view argument) {
    return holdsAny(argument, kUnsafeCharacters) ||
           withoutEnclosingQuotes(argument).find('"') != std::string_view::npos;
}

// An argument the editor quoted goes on as it is; Morvane quotes one that holds a character
// cmd.exe acts on, as the C runtime reads it back, so that the program the batch file hands
// %* to splits its line as it would when started directly.
bool appendArgument(char* line, std::size_t capacity, std::string_view argument) {
    if (!argument.starts_with('"') && holdsAny(argument, kQuotedCharacters)) {
        return appendQuotedArgument(line, capacity, argument);
    }
    return appendClosedArgument(line, capacity, argument);
}

BatchLine notBuilt(char* line, std::size_t capacity, BatchLine outcome) {
    if (capacity > 0) {
        line[0] = '\0';
    }
    return outcome;
}

} // namespace

bool isBatchFile(std::string_view path) {
    std::size_t end = path.find_last_not_of(". ");
    path = end == std::string_view::npos ? std::string_view{} : path.substr(0, end + 1);
    std::size_t dot = path.rfind('.');
    if (dot == std::string_view::npos) {
        return false;
    }
    std::string_view extension = path.substr(dot);
    return equalsIgnoringCase(extension, ".bat") || equalsIgnoringCase(extension, ".cmd");
}

BatchLine buildBatchCommandLine(std::string_view interpreter, std::string_view batchFile,
                                std::span<const std::string_view> arguments, char* line,
                                std::size_t capacity) {
    // A path cannot hold a double quote; cmd.exe would still expand a % or ! in it.
    if (holdsAny(batchFile, kUnsafeCharacters) || batchFile.find('"') != std::string_view::npos) {
        return notBuilt(line, capacity, {LineOutcome::Unsafe, batchFile});
    }
    for (std::string_view argument : arguments) {
        if (isUnsafe(argument)) {
            return notBuilt(line, capacity, {LineOutcome::Unsafe, argument});
        }
    }
    bool fits = copyBounded(line, capacity, "\"") && appendBounded(line, capacity, interpreter) &&
                appendBounded(line, capacity, "\" /d /c \"\"") &&
                appendBounded(line, capacity, batchFile) && appendBounded(line, capacity, "\"");
    for (std::size_t index = 0; fits && index < arguments.size(); ++index) {
        fits = appendArgument(line, capacity, arguments[index]);
    }
    fits = fits && appendBounded(line, capacity, "\"");
    return fits ? BatchLine{LineOutcome::Built, {}}
                : notBuilt(line, capacity, {LineOutcome::TooLong, {}});
}
