// Small helpers over a page's controls, addressed by their template ids.
#pragma once

#include "settings/settings.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

inline void setControlText(HWND page, int id, const char* text) {
    SendMessageA(GetDlgItem(page, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

inline void setChecked(HWND page, int id, bool checked) {
    SendMessageA(GetDlgItem(page, id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

inline bool isChecked(HWND page, int id) {
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}

// A check box field stores 1 when checked and 0 otherwise.
inline void storeCheckBox(HWND page, int id, int32_t& field) {
    field = isChecked(page, id) ? 1 : 0;
}

// A radio button writes its field only when it reports checked after the click.
inline void storeRadioButton(HWND page, int id, int32_t& field, int32_t value) {
    if (isChecked(page, id)) {
        field = value;
    }
}

inline UINT notificationCode(LPARAM lParam) {
    return reinterpret_cast<const NMHDR*>(lParam)->code;
}

// The sheet-wide rule for a page's settings group: Cancel reloads it on the page on top
// (the only page asked), OK saves it on every page that was shown.
inline void saveOrReloadGroup(LPARAM lParam, int group) {
    switch (notificationCode(lParam)) {
    case PSN_QUERYCANCEL:
        loadSettings(group);
        break;
    case PSN_APPLY:
        saveSettings(group);
        break;
    }
}
