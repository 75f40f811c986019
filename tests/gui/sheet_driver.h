// Drives morvane.exe's settings sheet from another process, as a user would: starts the
// program without waiting, finds the sheet by its caption, switches tabs, reads and clicks
// controls, works the open-file dialog and closes the sheet. Every send has a timeout, so a
// hung sheet fails a test instead of blocking the run.
#pragma once

#include "test_support.h"

#include <windows.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

// How long a window or the end of a run may take before the test fails; generous, since
// only a broken program comes near it.
inline constexpr DWORD kWaitTimeoutMs = 15000;

// Holds Shift down in the key state that Wine keeps for the whole prefix, and lets it go
// when destroyed: a stuck Shift would open the sheet in every later run.
class ShiftHeld {
  public:
    ShiftHeld();
    ~ShiftHeld();
    ShiftHeld(const ShiftHeld&) = delete;
    ShiftHeld& operator=(const ShiftHeld&) = delete;
};
void releaseShift();

// One morvane.exe run, started with `program` quoted and followed by `arguments`, in
// `currentDirectory` (empty: this process's). A run still going when this is destroyed is
// ended.
class MorvaneRun {
  public:
    MorvaneRun(const std::string& program, const std::string& arguments,
               const std::string& currentDirectory = "");
    ~MorvaneRun();
    MorvaneRun(const MorvaneRun&) = delete;
    MorvaneRun& operator=(const MorvaneRun&) = delete;

    bool started() const { return process_.hProcess != nullptr; }
    HANDLE process() const { return process_.hProcess; }
    const std::string& commandLine() const { return commandLine_; }

    // The sheet's window once it shows, or nullptr when the run ends first or it takes too
    // long.
    HWND waitForSheet() const;
    // Waits for the end of the run, looking for the sheet all along; true when it never
    // showed. Fails the test when the run does not end.
    bool endsWithoutSheet() const;
    // The exit code, or a failed test and STILL_ACTIVE when the run does not end in time.
    DWORD waitForExit() const;

  private:
    HWND findSheet() const;
    std::string commandLine_;
    PROCESS_INFORMATION process_{};
};

// The open sheet of a run.
class Sheet {
  public:
    Sheet(HWND window, HANDLE process) : window_(window), process_(process) {}

    HWND window() const { return window_; }
    std::string caption() const;
    std::vector<std::string> tabLabels() const;
    // Labels of the visible buttons of the sheet's own frame, left to right.
    std::vector<std::string> frameButtons() const;
    // Brings a tab to the front (creating its page the first time) and returns its page.
    HWND showPage(int index) const;
    HWND currentPage() const;

    // Presses a browse button and returns the open-file dialog it opens (nullptr: none came).
    HWND openFileDialog(HWND page, int buttonId) const;

    void pressOk() const;
    void pressCancel() const;

    // When MORVANE_SCREENSHOTS names a folder (a path of the host), saves a picture of the
    // sheet there as `name`.png; otherwise does nothing.
    void screenshotIfAsked(const char* name) const;

  private:
    HWND window_;
    HANDLE process_;
};

// The controls of a page in another process. WM_GETTEXT, not GetWindowText, which reads
// nothing from another process's edit box.
std::string controlText(HWND page, int id);
// The text once it equals `expected`, or the last text read when it does not in time: for
// a change the page makes after a modal dialog closes.
std::string textOnceEqual(HWND page, int id, const std::string& expected);
bool isChecked(HWND page, int id);
// Replaces an edit box's text, as a program would (no typing rules apply).
void setText(HWND page, int id, const char* text);
// Types characters into an edit box one by one, as the keyboard would.
void typeInto(HWND page, int id, const char* characters);
// Selects a combo box entry by index (-1: none) without telling the page.
void selectEntry(HWND page, int id, int index);
// BM_CLICK, for check boxes and radio buttons; it returns once the page has handled it.
void click(HWND page, int id);
// A double-click of the left button at a point in the page's client area, handled before
// this returns.
void doubleClickAt(HWND page, POINT client);
void singleClickAt(HWND page, POINT client);
// A child window's rectangle in the page's client coordinates.
RECT clientRectOf(HWND page, int id);

struct ComboState {
    std::vector<std::string> entries;
    int selected = -1; // CB_ERR: nothing selected
    std::string selectedText() const { return selected >= 0 ? entries.at(selected) : ""; }
};
ComboState comboState(HWND page, int id);

// Types `windowsPath` into the dialog's file-name box and presses Open. True when the dialog
// then closed; false when it stays open (or a message box took its place).
bool chooseFile(HWND dialog, const std::string& windowsPath);

// A copy of `source` at `target` in a new `folder`, both of which may be longer than plain
// Windows paths allow; removed again when destroyed.
class LongPathCopy {
  public:
    LongPathCopy(const std::string& source, const std::string& folder, const std::string& target);
    ~LongPathCopy();
    LongPathCopy(const LongPathCopy&) = delete;
    LongPathCopy& operator=(const LongPathCopy&) = delete;
    bool made() const { return made_; }

  private:
    std::wstring folder_;
    std::wstring target_;
    bool made_ = false;
};

// Points the prefix's https association at `program` (its command gets the address as its
// argument) until destroyed, when the association is put back.
class HttpsHandler {
  public:
    explicit HttpsHandler(const std::string& program);
    ~HttpsHandler();
    HttpsHandler(const HttpsHandler&) = delete;
    HttpsHandler& operator=(const HttpsHandler&) = delete;

  private:
    StoredValue previous_;
};

// Waits until no process runs whose executable is named `exeName` (e.g. "browser.exe").
void waitForNoProcessNamed(const char* exeName);

inline bool operator==(const StoredValue& left, const StoredValue& right) {
    return left.exists == right.exists && left.type == right.type && left.bytes == right.bytes;
}
// Shows a stored value readably when a comparison fails.
void PrintTo(const StoredValue& value, std::ostream* out);

// Every value under HKCU\Software\KVX, by name.
std::map<std::string, StoredValue> storedKvxValues();
std::string storedText(const char* name); // the text without its terminator; "" if absent
uint32_t storedDword(const char* name);   // 0xFFFFFFFF if absent or not a DWORD
