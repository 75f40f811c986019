#include "sheet.h"

#include "sheet_ids.h"
#include "sheet_libraries.h"
#include "sheet_values.h"

#include <array>
#include <cstddef>

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
    // Confirmed or cancelled, the run goes on with the record as the pages left it.
    libraries->propertySheet(&header);
}
