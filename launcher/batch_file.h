// Starting a batch file (.bat, .cmd) as a child. Windows runs one through cmd.exe, which acts
// on & | < > ^ and %...% in its arguments even where the caller meant text: with a board in
// c:\jobs\r&d\, cmd.exe would run "d\cpu.dsn" as a command of its own. Morvane starts cmd.exe
// itself instead, with each argument that holds such a character in double quotes, inside
// which cmd.exe passes it on as it is.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

// Whether Windows would run `path` through cmd.exe: its name ends in .bat or .cmd, in any
// letter case, once the dots and blanks that Windows drops from the end of a name are gone.
bool isBatchFile(std::string_view path);

enum class LineOutcome { Built, TooLong, Unsafe };

struct BatchLine {
    LineOutcome outcome;
    // When Unsafe: the batch file's path or the argument that cannot be handed over.
    std::string_view unsafeText;
};

// Builds `"<interpreter>" /d /c ""<batch file>" <argument> ..."` into `line`, each argument
// after one space (an empty one adds just the space); cmd.exe takes the text after /c
// without its outer pair of quotes, and /d keeps the user's AutoRun commands out of the run.
// An argument goes as it is when cmd.exe acts on none of its characters or the editor
// quoted it, and in double quotes when Morvane must add them, its ending backslashes doubled
// as the C runtime needs; one that opens with a double quote gets its closing one if it
// lacks it. Quotes do not stop cmd.exe from expanding %...% and !...!, and a double quote or a
// line break within an argument would end them early: with one of those in the batch
// file's path or an argument, nothing is built (Unsafe). Nor is a line that does not fit
// (TooLong); either way `line` is left empty.
BatchLine buildBatchCommandLine(std::string_view interpreter, std::string_view batchFile,
                                std::span<const std::string_view> arguments, char* line,
                                std::size_t capacity);
