#include "command_line.h"

#include "common/ascii_text.h"
#include "common/bounded_text.h"

#include <cstring>
#include <initializer_list>

void lowerAscii(char* text, LeadByteTest isLeadByte) {
    while (*text != '\0') {
        if (isLeadByte(*text) && text[1] != '\0') {
            text += 2;
        } else {
            *text = lowerAsciiLetter(*text);
            ++text;
        }
    }
}

namespace {

// Where the argument that starts at `start` ends: at the first space outside double quotes,
// or at the end of the text, where `quotesClosed` tells whether its quotes are balanced.
std::size_t argumentEnd(std::string_view text, std::size_t start, bool& quotesClosed) {
    bool quoted = false;
    std::size_t position = start;
    for (; position < text.size(); ++position) {
        if (text[position] == '"') {
            quoted = !quoted;
        } else if (text[position] == ' ' && !quoted) {
            break;
        }
    }
    quotesClosed = !quoted;
    return position;
}

// Appends every part or, when they do not fit together, none.
bool appendWhole(char* line, std::size_t capacity, std::initializer_list<std::string_view> parts) {
    std::size_t length = strnlen(line, capacity);
    std::size_t needed = 0;
    for (std::string_view part : parts) {
        needed += part.size();
    }
    if (length >= capacity || needed >= capacity - length) {
        return false;
    }
    for (std::string_view part : parts) {
        appendBounded(line, capacity, part);
    }
    return true;
}

} // namespace

void splitCommandLine(std::string_view commandLine, ArgTable& table) {
    // The command-line copy never holds more; a longer view is split as the copy would be.
    commandLine = commandLine.substr(0, kCommandLineCapacity - 1);
    std::size_t start = 0;
    while (table.count < kMaxArguments) {
        bool quotesClosed = true;
        std::size_t end = argumentEnd(commandLine, start, quotesClosed);
        if (!quotesClosed) {
            return;
        }
        // A slot holds a whole command line, so an argument always fits.
        std::memcpy(table.slots[table.count], commandLine.data() + start, end - start);
        table.slots[table.count][end - start] = '\0';
        ++table.count;
        if (end == commandLine.size()) {
            return;
        }
        start = end + 1;
    }
}

std::string_view afterProgramPath(std::string_view commandLine) {
    bool quotesClosed = true;
    return commandLine.substr(argumentEnd(commandLine, 0, quotesClosed));
}

std::vector<std::string_view> argumentList(std::string_view text) {
    std::vector<std::string_view> arguments;
    if (text.empty()) {
        return arguments;
    }
    // The space that ends the program's path starts the first argument.
    for (std::size_t start = 1;;) {
        bool quotesClosed = true;
        std::size_t end = argumentEnd(text, start, quotesClosed);
        arguments.push_back(text.substr(start, end - start));
        if (end == text.size()) {
            return arguments;
        }
        start = end + 1;
    }
}

std::string_view designBaseName(const ArgTable& table, LeadByteTest isLeadByte) {
    // The program's own path is not an option: a folder such as c:\pcb-designs\ must not
    // make "-design" itself the design.
    int option = 1;
    while (option < table.count &&
           std::string_view(table.slots[option]).find("-design") == std::string_view::npos) {
        ++option;
    }
    // Two spaces after the option leave an empty argument between them, which is no design.
    for (int index = option + 1; index < table.count; ++index) {
        std::string_view design = table.slots[index];
        if (design.empty()) {
            continue;
        }
        // Only the file name has an extension: a dot in a folder such as v1.2 is no cut.
        std::size_t lastDot = design.rfind('.');
        bool dotInFileName =
            lastDot != std::string_view::npos && lastDot >= fileNameStart(design, isLeadByte);
        if (dotInFileName) {
            return design.substr(0, lastDot);
        }
        // A quoted design loses its closing quote with the extension; without an extension
        // it loses it all the same, or the board file would be "c:\my boards\cpu".pcb.
        return isQuotedWhole(design) ? design.substr(0, design.size() - 1) : design;
    }
    return {};
}

bool isQuotedWhole(std::string_view argument) {
    return argument.size() > 1 && argument.starts_with('"') && argument.ends_with('"');
}

bool appendQuotedArgument(char* line, std::size_t capacity, std::string_view text) {
    std::size_t lastKept = text.find_last_not_of('\\');
    std::string_view endingBackslashes =
        text.substr(lastKept == std::string_view::npos ? 0 : lastKept + 1);
    return appendWhole(line, capacity, {" \"", text, endingBackslashes, "\""});
}

bool appendClosedArgument(char* line, std::size_t capacity, std::string_view argument) {
    if (argument.starts_with('"') && !isQuotedWhole(argument)) {
        return appendQuotedArgument(line, capacity, argument.substr(1));
    }
    return appendWhole(line, capacity, {" ", argument});
}

std::string_view programDirectory(std::string_view programPath, LeadByteTest isLeadByte) {
    std::size_t lastBackslash = findLastCharacter(programPath, '\\', isLeadByte);
    return lastBackslash == std::string_view::npos ? std::string_view{}
                                                   : programPath.substr(0, lastBackslash + 1);
}
