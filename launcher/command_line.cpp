#include "command_line.h"

#include "common/ascii_text.h"

#include <cstring>

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

void splitCommandLine(std::string_view commandLine, ArgTable& table) {
    // The command-line copy never holds more; a longer view is split as the copy would be.
    commandLine = commandLine.substr(0, kCommandLineCapacity - 1);
    std::size_t quoteCount = 0;
    std::size_t argumentStart = 0;
    // The position one past the text stands for its terminating NUL.
    for (std::size_t position = 0; position <= commandLine.size(); ++position) {
        bool atEnd = position == commandLine.size();
        char byte = atEnd ? '\0' : commandLine[position];
        if (byte == '"') {
            ++quoteCount;
        }
        if ((byte == ' ' || atEnd) && quoteCount % 2 == 0) {
            std::size_t length = position - argumentStart;
            // A slot holds a whole command line, so an argument always fits.
            std::memcpy(table.slots[table.count], commandLine.data() + argumentStart, length);
            table.slots[table.count][length] = '\0';
            ++table.count;
            argumentStart = position + 1;
            if (table.count == kMaxArguments) {
                return;
            }
        }
    }
}

std::string_view designBaseName(const ArgTable& table, LeadByteTest isLeadByte) {
    // The program's own path is not an option: a folder such as c:\pcb-designs\ must not
    // make "-design" itself the design.
    for (int index = 1; index + 1 < table.count; ++index) {
        std::string_view argument = table.slots[index];
        if (argument.find("-design") == std::string_view::npos) {
            continue;
        }
        std::string_view design = table.slots[index + 1];
        // Only the file name has an extension: a dot in a folder such as v1.2 is no cut.
        std::size_t lastDot = design.rfind('.');
        bool dotInFileName =
            lastDot != std::string_view::npos && lastDot >= fileNameStart(design, isLeadByte);
        if (dotInFileName) {
            return design.substr(0, lastDot);
        }
        // A quoted design loses its closing quote with the extension; without an extension
        // it loses it all the same, or the board file would be "c:\my boards\cpu".pcb.
        bool quoted = design.size() > 1 && design.starts_with('"') && design.ends_with('"');
        return quoted ? design.substr(0, design.size() - 1) : design;
    }
    return {};
}

std::string_view programDirectory(std::string_view programPath, LeadByteTest isLeadByte) {
    std::size_t lastBackslash = findLastCharacter(programPath, '\\', isLeadByte);
    return lastBackslash == std::string_view::npos ? std::string_view{}
                                                   : programPath.substr(0, lastBackslash + 1);
}
