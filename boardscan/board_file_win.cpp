#include "board_scan.h"

#include "common/win_handles.h"
#include "diag/log.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace {

constexpr const char* kOpenLine = "Open .pcb file\r\n";
constexpr const char* kReadLine = "Read .pcb file\r\n";
// Failures that would otherwise leave the log silent about missing style names.
constexpr const char* kSizeUnknownLine = ".pcb file not read: size unknown\r\n";
constexpr const char* kNoMemoryFormat = ".pcb file not read: no memory for %llu bytes\r\n";
constexpr const char* kIncompleteFormat = ".pcb file read incomplete: %llu of %llu bytes\r\n";

// Large reads are split, since one ReadFile takes at most 4 GiB and some file systems
// refuse even less.
constexpr DWORD kReadChunk = 64u << 20;

// Zero-filled pages holding the file and the NUL after it.
class PageBuffer {
  public:
    explicit PageBuffer(std::size_t size)
        : bytes_(static_cast<char*>(
              VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))) {}
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;
    ~PageBuffer() {
        if (bytes_ != nullptr) {
            VirtualFree(bytes_, 0, MEM_RELEASE);
        }
    }

    char* get() const { return bytes_; }

  private:
    char* bytes_;
};

void logCounts(const char* format, unsigned long long first, unsigned long long second = 0) {
    char line[96];
    std::snprintf(line, sizeof line, format, first, second);
    writeLog(line);
}

// Reads until `size` bytes are in or a read fails or returns nothing; returns the count.
std::size_t readWhole(HANDLE file, char* buffer, std::size_t size) {
    std::size_t total = 0;
    while (total < size) {
        std::size_t remaining = size - total;
        DWORD request = remaining < kReadChunk ? static_cast<DWORD>(remaining) : kReadChunk;
        DWORD received = 0;
        if (!ReadFile(file, buffer + total, request, &received, nullptr) || received == 0) {
            break;
        }
        total += received;
    }
    return total;
}

} // namespace

void scanBoardFile(const char* boardFileName) {
    if (boardFileName == nullptr) {
        return;
    }
    // A design argument in quotes (a folder with a space) leaves its opening quote on the
    // name; the file's own name has none.
    if (boardFileName[0] == '"') {
        ++boardFileName;
    }
    if (boardFileName[0] == '\0') {
        return;
    }
    KernelHandle file(CreateFileA(boardFileName, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return;
    }
    writeLog(kOpenLine);

    LARGE_INTEGER fileSize;
    if (!GetFileSizeEx(file.get(), &fileSize) || fileSize.QuadPart < 0) {
        writeLog(kSizeUnknownLine);
        return;
    }
    unsigned long long size = static_cast<unsigned long long>(fileSize.QuadPart);
    // The terminator needs one byte more than the file; a size the address space cannot
    // hold is refused like a failed allocation.
    if (size >= SIZE_MAX) {
        logCounts(kNoMemoryFormat, size);
        return;
    }
    PageBuffer buffer(static_cast<std::size_t>(size) + 1);
    if (buffer.get() == nullptr) {
        logCounts(kNoMemoryFormat, size);
        return;
    }
    std::size_t bytesRead = readWhole(file.get(), buffer.get(), static_cast<std::size_t>(size));
    writeLog(kReadLine);
    file.reset();
    if (bytesRead < size) {
        logCounts(kIncompleteFormat, bytesRead, size);
    }
    // A failed read may have left bytes behind the ones it reported; the text ends here.
    buffer.get()[bytesRead] = '\0';
    scanBoardText(buffer.get());
}
