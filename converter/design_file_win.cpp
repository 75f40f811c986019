#include "design_file.h"

#include "common/code_page.h"
#include "common/file_identity.h"
#include "common/win_handles.h"
#include "diag/log.h"
#include "long_path.h"

#include <windows.h>

#include <algorithm>
#include <new>

namespace {

// ReadFile and WriteFile take at most a DWORD of bytes at a time.
constexpr DWORD kIoChunk = 1u << 30;

// Names of this process's own beside a design tried before giving up: each one taken is
// a leftover of an earlier run that could not be removed.
constexpr int kOwnNameAttempts = 100;

std::string number(unsigned long long value) {
    return std::to_string(value);
}

std::string windowsError(DWORD error) {
    return "Windows error " + number(error);
}

bool wideFromAnsi(std::string_view text, std::wstring& wide) {
    if (text.empty()) {
        wide.clear();
        return true;
    }
    int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(),
                                     static_cast<int>(text.size()), nullptr, 0);
    if (length == 0) {
        return false;
    }
    wide.resize(static_cast<std::size_t>(length));
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(),
                               static_cast<int>(text.size()), wide.data(), length) == length;
}

// For the log only: a character the code page lacks shows as its default character.
std::string ansiFromWide(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    int length = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                     0, nullptr, nullptr);
    std::string ansi(static_cast<std::size_t>(std::max(length, 0)), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), ansi.data(), length,
                        nullptr, nullptr);
    return ansi;
}

bool exists(const FilePath& path) {
    return GetFileAttributesW(path.call.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool isReadOnlyOrFolder(const FilePath& path) {
    DWORD attributes = GetFileAttributesW(path.call.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0;
}

// What the design's name leads to, as FindFirstFile tells without following a link: the
// name as it is on disk, letter case included (Morvane passes the name lowered, and a file
// renamed into place takes the name it is given), and whether it is a symbolic link or a
// junction. A reparse point of another kind, such as a file of a cloud folder, is the file.
struct NameOnDisk {
    FilePath path;
    bool link = false;
};

NameOnDisk nameOnDisk(const FilePath& design) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(design.call.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return {design, false};
    }
    FindClose(search);
    std::wstring_view name = found.cFileName;
    std::size_t callFolder = design.call.rfind(L'\\') + 1;
    std::size_t shownFolder = fileNameStart(design.shown, isAnsiLeadByte);
    bool link = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
                IsReparseTagNameSurrogate(found.dwReserved0);
    return {{design.call.substr(0, callFolder) + std::wstring(name),
             design.shown.substr(0, shownFolder) + ansiFromWide(name)},
            link};
}

bool sameFileAsRead(const BY_HANDLE_FILE_INFORMATION& now, const BY_HANDLE_FILE_INFORMATION& read) {
    auto same = [](const FILETIME& a, const FILETIME& b) {
        return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
    };
    return identityIn(now) == identityIn(read) && now.nFileSizeHigh == read.nFileSizeHigh &&
           now.nFileSizeLow == read.nFileSizeLow && same(now.ftLastWriteTime, read.ftLastWriteTime);
}

// Whether the design's name still leads to the file that was read, as it was read. The held
// design keeps writers out, but not a program that puts another file under its name.
bool unchangedSinceRead(const HeldDesign& held) {
    KernelHandle file(CreateFileW(held.onDisk.call.c_str(), FILE_READ_ATTRIBUTES, kShareAll,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION now{};
    return file.valid() && GetFileInformationByHandle(file.get(), &now) &&
           sameFileAsRead(now, held.read);
}

// A file that this run makes beside the design: removed at the end unless it was renamed.
class OwnFile {
  public:
    OwnFile() = default;
    OwnFile(const OwnFile&) = delete;
    OwnFile& operator=(const OwnFile&) = delete;
    ~OwnFile() {
        if (owned_) {
            DeleteFileW(path_.call.c_str());
        }
    }
    const FilePath& path() const { return path_; }
    void created(FilePath path) {
        path_ = std::move(path);
        owned_ = true;
    }
    void release() { owned_ = false; }

  private:
    FilePath path_;
    bool owned_ = false;
};

KernelHandle createNew(const FilePath& path) {
    return KernelHandle(CreateFileW(path.call.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool isTaken(DWORD error) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

// Creates the file for the new design beside the design, under the first name of this
// process's that is free, and names in `previous` where the old design is to wait. Process
// ids are unique among running processes, so a file under such a name is a leftover of an
// earlier run that has ended. A leftover new design never took the design's place and is
// removed; a leftover old design may be the only copy of a design and is left alone.
KernelHandle createConverted(const FilePath& design, OwnFile& converted, FilePath& previous) {
    const std::string ownName = ".morvane-" + number(GetCurrentProcessId());
    DWORD error = ERROR_FILE_EXISTS;
    FilePath temporary;
    for (int attempt = 1; attempt <= kOwnNameAttempts && isTaken(error); ++attempt) {
        FilePath own = design + (attempt == 1 ? ownName : ownName + "-" + number(attempt));
        temporary = own + ".tmp";
        if (exists(own + ".bak")) {
            continue;
        }
        KernelHandle handle = createNew(temporary);
        error = GetLastError();
        if (!handle.valid() && isTaken(error) && DeleteFileW(temporary.call.c_str())) {
            writeLogLine({"Leftover of an earlier run removed: ", temporary.shown});
            handle = createNew(temporary);
            error = GetLastError();
        }
        if (handle.valid()) {
            converted.created(temporary);
            previous = own + ".bak";
            return handle;
        }
    }
    writeLogLine({"Error: new design not created: ", temporary.shown, ": ", windowsError(error)});
    return KernelHandle();
}

bool writeAll(HANDLE file, std::string_view piece) {
    while (!piece.empty()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(piece.size(), kIoChunk));
        DWORD written = 0;
        if (!WriteFile(file, piece.data(), chunk, &written, nullptr) || written == 0) {
            return false;
        }
        piece.remove_prefix(written);
    }
    return true;
}

// Writes the new design beside the old one and flushes it.
bool writeNewDesign(const FilePath& design, OwnFile& converted, FilePath& previous,
                    std::string_view text, const std::vector<DesignEdit>& edits) {
    KernelHandle handle = createConverted(design, converted, previous);
    if (!handle.valid()) {
        return false;
    }
    bool written = writeEdited(
        text, edits, [&handle](std::string_view piece) { return writeAll(handle.get(), piece); });
    if (!written || !FlushFileBuffers(handle.get())) {
        writeLogLine({"Error: new design not written: ", converted.path().shown, ": ",
                      windowsError(GetLastError())});
        return false;
    }
    return true;
}

constexpr DWORD kReplace = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;

// Puts the old design back under the design's name after the new one could not stay there.
bool putBack(const FilePath& previous, const FilePath& design) {
    if (MoveFileExW(previous.call.c_str(), design.call.c_str(), kReplace)) {
        writeLogLine({"Previous design put back"});
        return true;
    }
    writeLogLine({"Error: previous design not put back: ", windowsError(GetLastError()),
                  "; it is kept as ", previous.shown});
    return false;
}

} // namespace

FilePath FilePath::operator+(std::string_view suffix) const {
    return {call + std::wstring(suffix.begin(), suffix.end()), shown + std::string(suffix)};
}

bool designFilePath(const std::string& path, FilePath& design) {
    std::wstring wide;
    if (!wideFromAnsi(path, wide)) {
        writeLogLine({"Error: design not read: ", path, ": ", windowsError(GetLastError())});
        return false;
    }
    DWORD capacity = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full(capacity, L'\0');
    DWORD length =
        capacity == 0 ? 0 : GetFullPathNameW(wide.c_str(), capacity, full.data(), nullptr);
    if (length == 0 || length >= capacity) {
        writeLogLine({"Error: design not read: ", path, ": ", windowsError(GetLastError())});
        return false;
    }
    full.resize(length);
    design = {longPathForm(full), path};
    return true;
}

bool readDesign(const FilePath& design, std::string& text, HeldDesign& held) {
    NameOnDisk name = nameOnDisk(design);
    held.onDisk = name.path;
    held.link = name.link;
    // Others may read the design and rename it (ReplaceFile renames it to the backup), but
    // not write it until it is replaced.
    held.file = KernelHandle(CreateFileW(design.call.c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held.file.valid()) {
        writeLogLine(
            {"Error: design not read: ", design.shown, ": ", windowsError(GetLastError())});
        return false;
    }
    if (!GetFileInformationByHandle(held.file.get(), &held.read)) {
        writeLogLine({"Error: design not read: ", windowsError(GetLastError())});
        return false;
    }
    auto bytes =
        (static_cast<unsigned long long>(held.read.nFileSizeHigh) << 32) | held.read.nFileSizeLow;
    try {
        if (bytes > text.max_size()) {
            throw std::bad_alloc();
        }
        text.resize(static_cast<std::size_t>(bytes));
    } catch (const std::bad_alloc&) {
        writeLogLine({"Error: design not read: no memory for ", number(bytes), " bytes"});
        return false;
    }
    std::size_t total = 0;
    while (total < text.size()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - total, kIoChunk));
        DWORD read = 0;
        if (!ReadFile(held.file.get(), text.data() + total, chunk, &read, nullptr)) {
            writeLogLine({"Error: design not read: ", windowsError(GetLastError())});
            return false;
        }
        if (read == 0) {
            writeLogLine({"Error: design read incomplete: ", number(total), " of ",
                          number(text.size()), " bytes"});
            return false;
        }
        total += read;
    }
    writeLogLine({"Read design: ", number(text.size()), " bytes"});
    return true;
}

// The old design waits under a name of its own until the new one is in place, and
// <design>.bak changes only then. ReplaceFile puts the new design in place under the
// design's name with the old file's creation time, attributes and permissions. Should the
// old design not become the backup, it is put back, so that a failed run leaves both files
// as they were.
Replacement replaceDesign(const HeldDesign& held, std::string_view text,
                          const std::vector<DesignEdit>& edits) {
    const FilePath& design = held.onDisk;
    const FilePath backup = design + ".bak";
    if (held.link) {
        writeLogLine({"Error: the design is a link to another file: ", design.shown,
                      "; convert the file it leads to"});
        return Replacement::Failed;
    }
    if (held.read.nNumberOfLinks > 1) {
        writeLogLine({"Error: the design is one file with ", number(held.read.nNumberOfLinks),
                      " names (hard links): ", design.shown, "; convert a copy of its own"});
        return Replacement::Failed;
    }
    if (isReadOnlyOrFolder(design)) {
        writeLogLine({"Error: the design is read-only: ", design.shown});
        return Replacement::Failed;
    }
    if (isReadOnlyOrFolder(backup)) {
        writeLogLine({"Error: the previous design cannot be kept: ", backup.shown,
                      " is read-only or a folder"});
        return Replacement::Failed;
    }
    OwnFile converted;
    FilePath previous;
    if (!writeNewDesign(design, converted, previous, text, edits)) {
        return Replacement::Failed;
    }
    if (!unchangedSinceRead(held)) {
        writeLogLine({"Error: the design changed while it was converted: ", design.shown,
                      "; run the routing again"});
        return Replacement::Failed;
    }
    if (!ReplaceFileW(design.call.c_str(), converted.path().call.c_str(), previous.call.c_str(), 0,
                      nullptr, nullptr)) {
        writeLogLine({"Error: design not replaced: ", windowsError(GetLastError())});
        // ReplaceFile may fail after it has moved the old design aside.
        if (!exists(design) && exists(previous)) {
            putBack(previous, design);
        }
        return Replacement::Failed;
    }
    converted.release();
    if (!MoveFileExW(previous.call.c_str(), backup.call.c_str(), kReplace)) {
        writeLogLine({"Error: previous design not kept as ", backup.shown, ": ",
                      windowsError(GetLastError())});
        return putBack(previous, design) ? Replacement::Failed : Replacement::DoneWithoutBackup;
    }
    writeLogLine({"Previous design kept as ", backup.shown});
    return Replacement::Done;
}
