// The design file on disk: read whole, and replaced by the new design so that the design's
// name holds a whole design at every moment. Its paths go to the wide file calls in the
// long-path form, since the names the converter makes beside a design are longer than the
// design's own, which may already be at the 259 characters of the ANSI calls.
#pragma once

#include "common/win_handles.h"
#include "jumper_edit.h"

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

// A path as the file calls take it and as the log shows it.
struct FilePath {
    std::wstring call; // full, in the long-path form
    std::string shown; // in the ANSI code page, as the caller wrote its folder

    // The same path with the ASCII `suffix` appended to its file name.
    FilePath operator+(std::string_view suffix) const;
};

// The design file named `path` (in the ANSI code page, as Morvane passes it, relative to
// the current directory or full). False, logging why, when it cannot be converted.
bool designFilePath(const std::string& path, FilePath& design);

// The design as it was read, held open from the read until it is replaced so that no other
// program writes it in between, and what it was then: a design saved by the editor while
// the converter works must not become a backup that the next run overwrites.
struct HeldDesign {
    KernelHandle file;
    FilePath onDisk;   // its name as it is on disk, letter case included
    bool link = false; // the name is a symbolic link or a junction
    BY_HANDLE_FILE_INFORMATION read{};
};

// Reads the design whole into `text` and holds it, logging its size or why it could not be
// read.
bool readDesign(const FilePath& design, std::string& text, HeldDesign& held);

enum class Replacement { Failed, Done, DoneWithoutBackup };

// Puts the design with `edits` applied to `text` in the held design's place, keeping the
// file's name as it is on disk, its creation time, attributes and permissions, and keeps the
// old design as <design>.bak. Left alone: a design that is a link, or one file with several
// names (replacing it by its name would turn the link into a file of its own, or leave the
// other names with the old design), and one whose name no longer leads to the file read as
// it was read. Every failure before the new design is in place leaves the design and an
// earlier backup as they were.
Replacement replaceDesign(const HeldDesign& held, std::string_view text,
                          const std::vector<DesignEdit>& edits);
