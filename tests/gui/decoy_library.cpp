// A DLL that stands in for a system library planted beside a program (built as
// comctl32.dll): once loaded, it leaves decoy-loaded.txt in its own folder. It exports
// nothing, so a program that takes it for the real library finds none of its functions.
#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    if (reason == DLL_PROCESS_ATTACH) {
        char path[MAX_PATH];
        DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
        std::string marker = std::string(path, length);
        marker = marker.substr(0, marker.rfind('\\') + 1) + "decoy-loaded.txt";
        HANDLE file = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
        }
    }
    return TRUE;
}
