#include "system_libraries.h"

#include "bounded_text.h"

void searchDllsInSystemFolderOnly() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    // Looked up rather than imported: a Windows without it must still start Morvane.
    auto setDefaultDllDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories != nullptr) {
        setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
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
    // By its full path, not by name: a manifest beside the program (morvane.exe.manifest)
    // redirects a load by name to a file of its own folder, whatever the search order.
    char path[MAX_PATH];
    return systemFolderFile(name, path)[0] == '\0' ? nullptr : LoadLibraryA(path);
}
