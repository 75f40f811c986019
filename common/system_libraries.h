// DLLs from the system folder only. Windows' usual search looks in the program's own folder
// first, where a file named like a system library that is not one of Windows' known DLLs
// (comctl32.dll among them) would be loaded and run in its place.
#pragma once

#include <windows.h>

// Restricts every later DLL search of the process to the system folder, where this Windows
// can (from Windows 8, and Windows 7 with its update); elsewhere it changes nothing. Called
// first thing, before any DLL is loaded.
void searchDllsInSystemFolderOnly();

// Loads the system library `name` ("comctl32.dll") by its full path in the system folder;
// nullptr when it cannot be loaded.
HMODULE loadSystemLibrary(const char* name);

// The full path of the file `name` in the system folder; empty when it cannot be had.
const char* systemFolderFile(const char* name, char (&path)[MAX_PATH]);
