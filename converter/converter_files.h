// The two file names in the converter's command line.
#pragma once

#include <string>
#include <string_view>

struct ConverterFiles {
    std::string board;
    std::string design;
};

// Finds the board and design file names after the program path in `commandLine`.
// Morvane writes "<base>.pcb <base>.dsn" with one base name that may hold blanks and a
// leading double quote; any other caller gives two arguments, separated by blanks outside
// double quotes. Each name loses one leading double quote (and, with it, a closing one).
// False when no two names are found.
bool converterFiles(std::string_view commandLine, ConverterFiles& files);
