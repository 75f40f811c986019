// Helpers for the tests that run under Wine: the test prefix's registry, scratch folders,
// and running morvane.exe as the board editor would.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Deletes HKCU\Software\KVX with everything under it.
void deleteKvxKey();
bool kvxKeyExists();
void setRegistryText(const char* name, const std::string& text);
void setRegistryDword(const char* name, uint32_t value);
// Stores raw bytes under a given type, as a careless tool might.
void setRegistryBytes(const char* name, DWORD type, const std::string& bytes);

struct StoredValue {
    bool exists = false;
    DWORD type = REG_NONE;
    std::string bytes;
};
StoredValue readRegistryValue(const char* name);

// `text` in the ANSI code page as wide text.
std::wstring wideText(const std::string& text);

// The full `path` (in the ANSI code page) in the \\?\ form, which the wide file calls take
// beyond MAX_PATH.
std::wstring extendedPath(const std::string& path);

// Removes `folder` (a full path ending with a backslash) with everything in it, however deep.
void removeTree(const std::string& folder);

// A fresh, empty folder under the temporary directory, removed with its contents at the end.
class ScratchFolder {
  public:
    ScratchFolder();
    // The same under `parent` (ending with a backslash).
    explicit ScratchFolder(const std::string& parent);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; } // ends with a backslash
  private:
    std::string path_;
};

// The folder holding the test programs and morvane.exe, with a trailing backslash.
std::string buildFolder();
// Where programs are installed (C:\Program Files\), with a trailing backslash.
std::string programFilesFolder();

std::string readWholeFile(const std::string& path);
void writeWholeFile(const std::string& path, const std::string& contents);
bool fileExists(const std::string& path);

// The text with A to Z lowered, as Morvane lowers its command line.
std::string lowered(std::string text);

// The example design and board file, copied beside the test programs by the build.
std::string exampleFile(const char* name);

// The Jumper page's settings that the example is converted with: jumpers on the bottom
// layer through the example's default via.
void storeExampleJumperSettings();

// Copies morvane.exe into `folder` and returns its full path.
std::string installMorvane(const std::string& folder);

struct RunResult {
    bool started = false;
    bool ended = false; // within a minute; otherwise it and all it started were ended
    DWORD exitCode = 0;
    unsigned long long exitTime = 0; // FILETIME units, as the stand-ins record them
    DWORD processes = 0;             // it and every process started under it
};

// Starts `application` with `commandLine` exactly as given, in `currentDirectory` (empty:
// this process's), and waits for it. `whileSuspended` is called with the new process's id
// before it runs its first instruction.
RunResult runProgram(const std::string& application, const std::string& commandLine,
                     const std::string& currentDirectory = "",
                     const std::function<void(DWORD processId)>& whileSuspended = nullptr);

// The same for a wide `commandLine`, as a Unicode board editor starts a program (the
// program's path first on it).
RunResult runProgramWide(const std::wstring& commandLine);

// Replaces the "Time: HH:MM:SS\tDate: MM/DD/YY" values by "HH:MM:SS" and "MM/DD/YY" after
// checking their shape, so that logs compare byte for byte.
std::string maskClock(const std::string& log);

// One record a stand-in converter or router appended to its record file.
struct StandInRecord {
    std::string role;
    std::string commandLine;
    std::vector<std::string> arguments; // as the stand-in's C runtime split its command line
    std::string currentDirectory;
    unsigned long long started = 0;
    unsigned long long ended = 0;
};
std::vector<StandInRecord> readStandInRecords(const std::string& path);
