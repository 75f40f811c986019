#include "system_libraries.h"

#include "bounded_text.h"

namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

// Looked up rather than imported: a Windows without it must still start Morvane. Where it
// exists, LoadLibraryExA knows the LOAD_LIBRARY_SEARCH_ flags too.
SetDefaultDllDirectoriesFunction setDefaultDllDirectories() {
    static const auto function =
        reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    return function;
}

} // namespace

void searchDllsInSystemFolderOnly() {
    if (SetDefaultDllDirectoriesFunction function = setDefaultDllDirectories()) {
        function(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

const char* systemFolderFile(const char* name, char (&path)[MAX_PATH]) {
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !appendBounded(path, "\\") ||
        !appendBounded(path, name)) {
        path[0] = '\0';
    }
    return path;
}

HMODULE loadSystemLibrary(const char* name) {
    if (setDefaultDllDirectories() != nullptr) {
        return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    char path[MAX_PATH];
    return systemFolderFile(name, path)[0] == '\0' ? nullptr : LoadLibraryA(path);
}
