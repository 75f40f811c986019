#include "sheet.h"

#include "sheet_ids.h"
#include "sheet_libraries.h"
#include "sheet_values.h"

#include <array>
#include <cstddef>
#include <string>

namespace {

// Version-2 layouts, sized for the target: mingw's size macros do not compile in C++.
constexpr UINT kPageRecordSize =
    offsetof(PROPSHEETPAGEA, pszHeaderSubTitle) + sizeof(PROPSHEETPAGEA::pszHeaderSubTitle);
constexpr UINT kSheetHeaderSize =
    offsetof(PROPSHEETHEADERA, hbmHeader) + sizeof(PROPSHEETHEADERA::hbmHeader);

#if !defined(_WIN64)
static_assert(kPageRecordSize == 48 && kSheetHeaderSize == 52, "the records of a 32-bit build");
#endif

struct PageDefinition {
    int templateId;
    DLGPROC procedure;
};

constexpr std::array<PageDefinition, 3> kPages = {{
    {IDD_SETTINGS_PAGE, settingsPageProc},
    {IDD_JUMPER_PAGE, jumperPageProc},
    {IDD_ROOM_PAGE, roomPageProc},
}};

// The process's current directory; empty when it cannot be had.
std::wstring currentDirectory() {
    DWORD size = GetCurrentDirectoryW(0, nullptr);
    std::wstring directory(size, L'\0');
    DWORD length = GetCurrentDirectoryW(size, directory.data());
    directory.resize(length > 0 && length < size ? length : 0);
    return directory;
}

} // namespace

int CALLBACK sheetCallback(HWND window, UINT /*message*/, LPARAM /*lParam*/) {
    ShowWindow(window, SW_SHOW);
    return 0;
}

void runSettingsSheet(HINSTANCE instance) {
    // Without its libraries there is no sheet; the run goes on with the settings as loaded.
    const SheetLibraries* libraries = loadSheetLibraries();
    if (libraries == nullptr) {
        return;
    }
    std::array<HPROPSHEETPAGE, kPages.size()> pages{};
    for (std::size_t index = 0; index < kPages.size(); ++index) {
        PROPSHEETPAGEA page{};
        page.dwSize = kPageRecordSize;
        page.dwFlags = 0;
        page.hInstance = instance;
        page.pszTemplate = MAKEINTRESOURCEA(kPages[index].templateId);
        page.pfnDlgProc = kPages[index].procedure;
        page.lParam = 0;
        pages[index] = libraries->createPropertySheetPage(&page);
    }

    PROPSHEETHEADERA header{};
    header.dwSize = kSheetHeaderSize;
    header.dwFlags = PSH_NOAPPLYNOW | PSH_USECALLBACK;
    header.hwndParent = nullptr;
    header.hInstance = instance;
    header.pszCaption = kSheetCaption;
    header.nPages = static_cast<UINT>(pages.size());
    header.nStartPage = 0;
    header.phpage = pages.data();
    header.pfnCallback = sheetCallback;
    // The open-file dialog moves the process to the folder browsed, whatever its flags say,
    // and the converter and the router inherit it: they must start where the editor started
    // Morvane, the folder that relative names in their arguments point into.
    const std::wstring startDirectory = currentDirectory();
    // Confirmed or cancelled, the run goes on with the record as the pages left it.
    libraries->propertySheet(&header);
    if (!startDirectory.empty()) {
        SetCurrentDirectoryW(startDirectory.c_str());
    }
}
