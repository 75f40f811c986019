// The Room page: every click goes straight into the record.
#include "page_controls.h"
#include "settings/settings.h"
#include "sheet.h"
#include "sheet_ids.h"

namespace {

void initialise(HWND page) {
    setChecked(page, IDC_ROOM_ENABLE, settings.REnable == 1);
    // Any stored type other than 1 or 2 shows Room&Region; the field keeps its value.
    int typeButton = settings.RType == 1   ? IDC_ROOM_TYPE_ROOM
                     : settings.RType == 2 ? IDC_ROOM_TYPE_REGION
                                           : IDC_ROOM_TYPE_ROOM_AND_REGION;
    setChecked(page, typeButton, true);
    setChecked(page, settings.RInc == 1 ? IDC_ROOM_SOFT_INCLUDE : IDC_ROOM_HARD_INCLUDE, true);
}

void command(HWND page, int id) {
    switch (id) {
    case IDC_ROOM_ENABLE:
        storeCheckBox(page, id, settings.REnable);
        break;
    case IDC_ROOM_TYPE_ROOM_AND_REGION:
        storeRadioButton(page, id, settings.RType, 0);
        break;
    case IDC_ROOM_TYPE_ROOM:
        storeRadioButton(page, id, settings.RType, 1);
        break;
    case IDC_ROOM_TYPE_REGION:
        storeRadioButton(page, id, settings.RType, 2);
        break;
    case IDC_ROOM_HARD_INCLUDE:
        storeRadioButton(page, id, settings.RInc, 0);
        break;
    case IDC_ROOM_SOFT_INCLUDE:
        storeRadioButton(page, id, settings.RInc, 1);
        break;
    }
}

} // namespace

INT_PTR CALLBACK roomPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        initialise(page);
        break;
    case WM_COMMAND:
        command(page, LOWORD(wParam));
        break;
    case WM_NOTIFY:
        saveOrReloadGroup(lParam, kGroupRoom);
        break;
    }
    return 0;
}
