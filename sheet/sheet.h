// The modal settings sheet with its Settings, Jumper and Room pages, editing the settings
// record in place.
#pragma once

#include <windows.h>

// Runs the sheet until the user closes it. Each page that was shown saves its group on OK;
// on Cancel the page on top reloads its group.
void runSettingsSheet(HINSTANCE instance);

int CALLBACK sheetCallback(HWND window, UINT message, LPARAM lParam);
INT_PTR CALLBACK settingsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK jumperPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK roomPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
