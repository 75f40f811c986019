// A Windows GUI program that only samples the Shift key, as Morvane does first: the cost of
// starting any program that reads the keyboard state.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0 ? 1 : 0;
}
