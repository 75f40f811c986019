// The Jumper page: the via styles offered are those of the board being routed.
#include "boardscan/board_scan.h"
#include "common/bounded_text.h"
#include "page_controls.h"
#include "settings/settings.h"
#include "sheet.h"
#include "sheet_ids.h"
#include "sheet_values.h"

#include <commctrl.h>

#include <span>

namespace {

LRESULT sendToControl(HWND page, int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendDlgItemMessageA(page, id, message, wParam, lParam);
}

void addEntries(HWND page, int id, std::span<const char* const> entries) {
    for (const char* entry : entries) {
        sendToControl(page, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    }
}

// Selects the entry equal to `stored`, so that V1 stays V1 beside V10; without one, the
// first entry that begins with it; entry 0 when none does. Both searches ignore case and run
// from entry 1 round to entry 0. An empty text matches nothing.
void selectStored(HWND page, int id, const char* stored) {
    LRESULT found = CB_ERR;
    if (stored[0] != '\0') {
        auto text = reinterpret_cast<LPARAM>(stored);
        found = sendToControl(page, id, CB_FINDSTRINGEXACT, 0, text);
        if (found == CB_ERR) {
            found = sendToControl(page, id, CB_FINDSTRING, 0, text);
        }
    }
    sendToControl(page, id, CB_SETCURSEL, found == CB_ERR ? 0 : found);
}

// Only a selected list entry counts; text typed into the combo box is never read.
template <std::size_t N> void readSelection(HWND page, int id, char (&field)[N]) {
    field[0] = '\0';
    LRESULT selected = sendToControl(page, id, CB_GETCURSEL);
    if (selected == CB_ERR) {
        return;
    }
    LRESULT length = sendToControl(page, id, CB_GETLBTEXTLEN, selected);
    if (length == CB_ERR || static_cast<std::size_t>(length) >= N) {
        return;
    }
    sendToControl(page, id, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(field));
}

void showUnit(HWND page, int32_t unit) {
    setChecked(page, unit == 1 ? IDC_JUMPER_UNIT_MM : IDC_JUMPER_UNIT_INCH, true);
    addEntries(page, IDC_JUMPER_STEP, stepsFor(unit));
    setControlText(page, IDC_JUMPER_START, unit == 1 ? kMillimetreStart : kInchStart);
}

// A unit change keeps the step's position: 2.50 and 2.54, 5.00 and 5.08, and so on.
void switchUnit(HWND page, int id, int32_t unit) {
    if (!isChecked(page, id)) {
        return;
    }
    settings.JUnit = unit;
    LRESULT selected = sendToControl(page, IDC_JUMPER_STEP, CB_GETCURSEL);
    sendToControl(page, IDC_JUMPER_STEP, CB_RESETCONTENT);
    addEntries(page, IDC_JUMPER_STEP, stepsFor(unit));
    sendToControl(page, IDC_JUMPER_STEP, CB_SETCURSEL, selected);
    setControlText(page, IDC_JUMPER_START, unit == 1 ? kMillimetreStart : kInchStart);
}

void addViaStyles(HWND page) {
    for (const auto& name : viaStyles.entries) {
        if (name[0] == '\0') {
            break;
        }
        sendToControl(page, IDC_JUMPER_VIA_STYLE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
}

void initialise(HWND page) {
    sendToControl(page, IDC_JUMPER_MAX_LENGTH, EM_LIMITTEXT, kMaxLengthCharacters);
    setChecked(page, IDC_JUMPER_ENABLE, settings.JEnable == 1);
    // JUnit keeps a stored value other than 0 or 1 until a unit button is clicked.
    showUnit(page, settings.JUnit);
    selectStored(page, IDC_JUMPER_STEP, settings.JStep);
    setControlText(page, IDC_JUMPER_MAX_LENGTH,
                   settings.JMaxLength[0] != '\0' ? settings.JMaxLength : kDefaultMaxLength);
    addViaStyles(page);
    sendToControl(page, IDC_JUMPER_VIA_STYLE, CB_SETCURSEL, 0);
    selectStored(page, IDC_JUMPER_VIA_STYLE, settings.JVia);
    addEntries(page, IDC_JUMPER_DIRECTION, kDirectionKeywords);
    selectStored(page, IDC_JUMPER_DIRECTION, settings.JDir);
    addEntries(page, IDC_JUMPER_LAYER, kLayerKeywords);
    selectStored(page, IDC_JUMPER_LAYER, settings.JLayer);
}

// Copies what the controls hold and the record does not yet: the selections and the
// maximum length.
void readBack(HWND page) {
    readSelection(page, IDC_JUMPER_STEP, settings.JStep);
    readSelection(page, IDC_JUMPER_VIA_STYLE, settings.JVia);
    readSelection(page, IDC_JUMPER_DIRECTION, settings.JDir);
    readSelection(page, IDC_JUMPER_LAYER, settings.JLayer);
    // At most three characters, whatever another tool stored.
    sendToControl(page, IDC_JUMPER_MAX_LENGTH, WM_GETTEXT, kMaxLengthCharacters + 1,
                  reinterpret_cast<LPARAM>(settings.JMaxLength));
}

void command(HWND page, int id) {
    switch (id) {
    case IDC_JUMPER_ENABLE:
        storeCheckBox(page, id, settings.JEnable);
        break;
    case IDC_JUMPER_UNIT_MM:
        switchUnit(page, id, 1);
        break;
    case IDC_JUMPER_UNIT_INCH:
        switchUnit(page, id, 0);
        break;
    }
}

void notify(HWND page, LPARAM lParam) {
    if (notificationCode(lParam) == PSN_APPLY) {
        readBack(page);
    }
    saveOrReloadGroup(lParam, kGroupJumper);
}

} // namespace

INT_PTR CALLBACK jumperPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        initialise(page);
        break;
    case WM_COMMAND:
        command(page, LOWORD(wParam));
        break;
    case WM_NOTIFY:
        notify(page, lParam);
        break;
    }
    return 0;
}
