// Which file a path leads to, whatever the path's spelling: Morvane asks it of the programs it
// starts, the converter of the design it replaces.
#pragma once

#include <windows.h>

// What tells two paths to the same file apart from paths to two files: the volume and the
// file's index on it.
struct FileIdentity {
    DWORD volume;
    DWORD indexHigh;
    DWORD indexLow;
    bool operator==(const FileIdentity&) const = default;
};

inline FileIdentity identityIn(const BY_HANDLE_FILE_INFORMATION& information) {
    return {information.dwVolumeSerialNumber, information.nFileIndexHigh,
            information.nFileIndexLow};
}

// Files opened only to ask what they are share everything: a running program, or a file that
// another program holds, can be asked too.
inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
