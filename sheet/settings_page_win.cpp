// The Settings page: the router and converter paths and the converter switch.
#include "common/bounded_text.h"
#include "page_controls.h"
#include "settings/settings.h"
#include "sheet.h"
#include "sheet_ids.h"
#include "sheet_libraries.h"
#include "sheet_values.h"

#include <cstddef>
#include <string_view>
#include <windowsx.h>

namespace {

constexpr char kExecutableFilter[] = "Exe\0*.exe\0All\0*.*\0";
constexpr DWORD kPathBufferSize = sizeof(SettingsRecord::SCPath);

// The request layout without the Windows 2000 additions, sized for the target.
constexpr DWORD kOpenFileRequestSize =
    offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(OPENFILENAMEA::lpTemplateName);

#if !defined(_WIN64)
static_assert(kOpenFileRequestSize == 76, "the open-file request of a 32-bit build");
#endif

// One open-file request per path. The dialog works on its own buffer, not on the record's
// field: a pick that fails (a path too long for the buffer among them) writes into that
// buffer, and the field must then stay as it was.
struct PathRequest {
    OPENFILENAMEA request;
    char buffer[kPathBufferSize];
};

PathRequest routerRequest;
PathRequest converterRequest;

void setUpRequest(PathRequest& path, HWND page) {
    path = PathRequest{};
    path.request.lStructSize = kOpenFileRequestSize;
    path.request.hwndOwner = page;
    path.request.lpstrFilter = kExecutableFilter;
    path.request.nFilterIndex = 1;
    path.request.lpstrFile = path.buffer;
    path.request.nMaxFile = kPathBufferSize;
    path.request.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
}

// Lets the user pick a file, starting from the field's path. A chosen path lands in the
// field at once and in its edit box; anything else leaves both unchanged.
void browseForPath(PathRequest& path, char (&field)[kPathBufferSize], HWND page, int editId) {
    copyBounded(path.buffer, fieldText(field));
    if (loadSheetLibraries()->getOpenFileName(&path.request) != 1) {
        return;
    }
    std::string_view chosen = fieldText(path.buffer);
    if (chosen.size() < sizeof field) {
        copyBounded(field, chosen);
        setControlText(page, editId, field);
    }
}

void initialise(HWND page) {
    setUpRequest(routerRequest, page);
    setUpRequest(converterRequest, page);
    setControlText(page, IDC_SETTINGS_ROUTER_PATH, settings.SCPath);
    setControlText(page, IDC_SETTINGS_CONVERTER_PATH, settings.SEXEPath);
    setChecked(page, IDC_SETTINGS_ENABLE_CONVERTER, settings.SCEnable == 1);
    // The command line as given, upper case included; only the run's own copy is lowered.
    setControlText(page, IDC_SETTINGS_COMMAND_LINE, GetCommandLineA());
    setControlText(page, IDC_SETTINGS_WEB_ADDRESS, kMakerWebAddress);
    ShowWindow(page, SW_SHOW);
}

void command(HWND page, int id) {
    switch (id) {
    case IDC_SETTINGS_ENABLE_CONVERTER:
        storeCheckBox(page, id, settings.SCEnable);
        break;
    case IDC_SETTINGS_BROWSE_ROUTER:
        browseForPath(routerRequest, settings.SCPath, page, IDC_SETTINGS_ROUTER_PATH);
        break;
    case IDC_SETTINGS_BROWSE_CONVERTER:
        browseForPath(converterRequest, settings.SEXEPath, page, IDC_SETTINGS_CONVERTER_PATH);
        break;
    }
}

// The web address static does not notify, so double-clicks over it reach the page.
void doubleClick(HWND page, LPARAM lParam) {
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(page, &point);
    RECT rect;
    GetWindowRect(GetDlgItem(page, IDC_SETTINGS_WEB_ADDRESS), &rect);
    if (isStrictlyInside({rect.left, rect.top, rect.right, rect.bottom}, point.x, point.y)) {
        loadSheetLibraries()->shellExecute(nullptr, "open", kMakerWebAddress, nullptr, nullptr,
                                           SW_HIDE);
    }
}

} // namespace

INT_PTR CALLBACK settingsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        initialise(page);
        break;
    case WM_COMMAND:
        command(page, LOWORD(wParam));
        break;
    case WM_NOTIFY:
        saveOrReloadGroup(lParam, kGroupConverter);
        break;
    case WM_LBUTTONDBLCLK:
        doubleClick(page, lParam);
        break;
    }
    return 0;
}
