// The system libraries only the settings sheet needs, loaded the first time it opens. A
// configured run never shows the sheet, and loading these at start-up would cost it more
// than all of Morvane's own work.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

struct SheetLibraries {
    decltype(&CreatePropertySheetPageA) createPropertySheetPage;
    decltype(&PropertySheetA) propertySheet;
    decltype(&GetOpenFileNameA) getOpenFileName;
    decltype(&ShellExecuteA) shellExecute;
};

// The sheet's functions, or nullptr when a library or function cannot be loaded.
const SheetLibraries* loadSheetLibraries();
