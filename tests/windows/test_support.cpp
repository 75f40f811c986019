#include "test_support.h"

#include "common/win_handles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

namespace {

constexpr const char* kKvxKeyPath = "Software\\KVX";

RegistryKey createKvxKeyForTest() {
    RegistryKey key;
    LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, kKvxKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, key.receive(), nullptr);
    EXPECT_EQ(status, ERROR_SUCCESS);
    return key;
}

} // namespace

namespace {

// `folder` is in the long-path form and ends with a backslash: a converter's backup beside
// a design at MAX_PATH is longer than the ANSI calls take.
void removeLongTree(const std::wstring& folder) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            std::wstring path = folder + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeLongTree(path + L"\\");
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

} // namespace

std::wstring wideText(const std::string& text) {
    int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::wstring extendedPath(const std::string& path) {
    return L"\\\\?\\" + wideText(path);
}

void removeTree(const std::string& folder) {
    removeLongTree(extendedPath(folder));
}

namespace {

std::string temporaryFolder() {
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, temp);
    return std::string(temp, length);
}

bool isDigitAt(const std::string& text, std::size_t position) {
    return position < text.size() && std::isdigit(static_cast<unsigned char>(text[position]));
}

// Masks "dd?dd?dd" at `position` when the separators match.
bool maskField(std::string& text, std::size_t position, char separator, const char* mask) {
    for (std::size_t offset : {0u, 1u, 3u, 4u, 6u, 7u}) {
        if (!isDigitAt(text, position + offset)) {
            return false;
        }
    }
    if (text[position + 2] != separator || text[position + 5] != separator) {
        return false;
    }
    text.replace(position, 8, mask);
    return true;
}

} // namespace

void deleteKvxKey() {
    LONG status = RegDeleteTreeA(HKEY_CURRENT_USER, kKvxKeyPath);
    ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << status;
}

bool kvxKeyExists() {
    RegistryKey key;
    return RegOpenKeyExA(HKEY_CURRENT_USER, kKvxKeyPath, 0, KEY_READ, key.receive()) ==
           ERROR_SUCCESS;
}

void setRegistryText(const char* name, const std::string& text) {
    setRegistryBytes(name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

void setRegistryDword(const char* name, uint32_t value) {
    setRegistryBytes(name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), 4));
}

void setRegistryBytes(const char* name, DWORD type, const std::string& bytes) {
    RegistryKey key = createKvxKeyForTest();
    LONG status = RegSetValueExA(key.get(), name, 0, type,
                                 reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size()));
    ASSERT_EQ(status, ERROR_SUCCESS);
}

StoredValue readRegistryValue(const char* name) {
    StoredValue value;
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKvxKeyPath, 0, KEY_READ, key.receive()) !=
        ERROR_SUCCESS) {
        return value;
    }
    std::vector<char> buffer(4096);
    DWORD size = static_cast<DWORD>(buffer.size());
    if (RegQueryValueExA(key.get(), name, nullptr, &value.type,
                         reinterpret_cast<BYTE*>(buffer.data()), &size) == ERROR_SUCCESS) {
        value.exists = true;
        value.bytes.assign(buffer.data(), size);
    }
    return value;
}

ScratchFolder::ScratchFolder() : ScratchFolder(temporaryFolder()) {}

ScratchFolder::ScratchFolder(const std::string& parent) {
    static unsigned counter = 0;
    for (;;) {
        path_ = parent + "morvane-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++counter) + "\\";
        if (CreateDirectoryA(path_.c_str(), nullptr)) {
            break;
        }
    }
}

ScratchFolder::~ScratchFolder() {
    removeTree(path_);
}

std::string programFilesFolder() {
    char folder[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("ProgramFiles", folder, sizeof folder);
    EXPECT_TRUE(length > 0 && length < sizeof folder);
    return std::string(folder, length) + "\\";
}

std::string buildFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.rfind('\\') + 1);
}

std::string readWholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
}

void writeWholeFile(const std::string& path, const std::string& contents) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << contents;
}

bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
    return text;
}

std::string exampleFile(const char* name) {
    return buildFolder() + "examples\\" + name;
}

void storeExampleJumperSettings() {
    setRegistryDword("JEnable", 1);
    setRegistryDword("JUnit", 0);
    setRegistryText("JStep", "2.54");
    setRegistryText("JMaxLength", "10");
    setRegistryText("JVia", "'CCTVIA_(Default)'");
    setRegistryText("JDir", "orthogonal");
    setRegistryText("JLayer", "Bottom");
}

std::string installMorvane(const std::string& folder) {
    std::string target = folder + "morvane.exe";
    EXPECT_TRUE(CopyFileA((buildFolder() + "morvane.exe").c_str(), target.c_str(), FALSE));
    return target;
}

namespace {

// Runs a process made suspended to its end, in a job that counts every process started under
// it and whose closing ends those still running.
RunResult runSuspended(const PROCESS_INFORMATION& process,
                       const std::function<void(DWORD processId)>& whileSuspended) {
    RunResult result;
    KernelHandle processHandle(process.hProcess);
    KernelHandle threadHandle(process.hThread);
    KernelHandle job(CreateJobObjectA(nullptr, nullptr));
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    EXPECT_TRUE(SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits,
                                        sizeof limits));
    result.started = true;
    EXPECT_TRUE(AssignProcessToJobObject(job.get(), processHandle.get()));
    if (whileSuspended) {
        whileSuspended(process.dwProcessId);
    }
    ResumeThread(threadHandle.get());
    result.ended = WaitForSingleObject(processHandle.get(), 60000) == WAIT_OBJECT_0;
    if (!result.ended) {
        TerminateJobObject(job.get(), 1);
    }
    GetExitCodeProcess(processHandle.get(), &result.exitCode);
    FILETIME creation, exit, kernel, user;
    if (GetProcessTimes(processHandle.get(), &creation, &exit, &kernel, &user)) {
        result.exitTime =
            (static_cast<unsigned long long>(exit.dwHighDateTime) << 32) | exit.dwLowDateTime;
    }
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
    if (QueryInformationJobObject(job.get(), JobObjectBasicAccountingInformation, &accounting,
                                  sizeof accounting, nullptr)) {
        result.processes = accounting.TotalProcesses;
    }
    return result;
}

} // namespace

RunResult runProgram(const std::string& application, const std::string& commandLine,
                     const std::string& currentDirectory,
                     const std::function<void(DWORD processId)>& whileSuspended) {
    std::vector<char> writableLine(commandLine.begin(), commandLine.end());
    writableLine.push_back('\0');
    STARTUPINFOA startup{.cb = sizeof(STARTUPINFOA)};
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(application.c_str(), writableLine.data(), nullptr, nullptr, FALSE,
                        CREATE_SUSPENDED, nullptr,
                        currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startup,
                        &process)) {
        return {};
    }
    return runSuspended(process, whileSuspended);
}

RunResult runProgramWide(const std::wstring& commandLine) {
    std::vector<wchar_t> writableLine(commandLine.begin(), commandLine.end());
    writableLine.push_back(L'\0');
    STARTUPINFOW startup{.cb = sizeof(STARTUPINFOW)};
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, writableLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &process)) {
        return {};
    }
    return runSuspended(process, nullptr);
}

std::string maskClock(const std::string& log) {
    std::string masked = log;
    std::size_t time = masked.find("Time: ");
    if (time == std::string::npos || !maskField(masked, time + 6, ':', "HH:MM:SS")) {
        return masked;
    }
    std::size_t date = masked.find("\tDate: ", time);
    if (date != std::string::npos) {
        maskField(masked, date + 7, '/', "MM/DD/YY");
    }
    return masked;
}

std::vector<StandInRecord> readStandInRecords(const std::string& path) {
    std::vector<StandInRecord> records;
    std::istringstream lines(readWholeFile(path));
    std::string line;
    auto valueAfter = [&line](const char* field) -> std::optional<std::string> {
        std::string prefix = std::string(field) + ": ";
        if (line.rfind(prefix, 0) != 0) {
            return std::nullopt;
        }
        return line.substr(prefix.size());
    };
    while (std::getline(lines, line)) {
        if (auto role = valueAfter("role")) {
            records.push_back({.role = *role});
        } else if (records.empty()) {
            continue;
        } else if (auto commandLine = valueAfter("command line")) {
            records.back().commandLine = *commandLine;
        } else if (auto argument = valueAfter("argument")) {
            records.back().arguments.push_back(*argument);
        } else if (auto directory = valueAfter("current directory")) {
            records.back().currentDirectory = *directory;
        } else if (auto started = valueAfter("started")) {
            records.back().started = std::stoull(*started);
        } else if (auto ended = valueAfter("ended")) {
            records.back().ended = std::stoull(*ended);
        }
    }
    return records;
}
