// Keeps the Wine desktop of the GUI tests' prefix open between test programs. Wine closes a
// desktop about a second after the last program on it ends; the next window then waits for
// a new desktop process, which also inherits the pipes of whichever program started it.
// Started detached by the tests' Wine wrapper, it creates the file named by its argument
// once it has joined the desktop, and runs until the prefix's server is stopped.
#include <windows.h>

int main(int argc, char** argv) {
    // Any window call joins the desktop, starting it when none runs.
    GetDesktopWindow();
    if (argc > 1) {
        CloseHandle(CreateFileA(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    Sleep(INFINITE);
}
