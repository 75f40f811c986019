#include "common/system_libraries.h"
#include "startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*showCommand*/) {
    // Sampled before anything else, so a Shift released during start-up still counts.
    bool shiftDown = (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0;
    searchDllsInSystemFolderOnly();
    return runStartup(instance, shiftDown);
}
