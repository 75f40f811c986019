#include "sheet_driver.h"

#include "common/win_handles.h"

#include <commctrl.h>
#include <tlhelp32.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

constexpr const char* kSheetCaption = "Morvane v1.4b";
constexpr DWORD kPollMs = 50;
constexpr DWORD kSendTimeoutMs = 5000;
constexpr const char* kDialogClass = "#32770";
// The file-name box of the open-file dialog: explorer style (a ComboBoxEx), then old style.
constexpr int kFileNameCombo = 0x47c;
constexpr int kFileNameEdit = 0x480;

LRESULT send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs,
                             &result)) {
        ADD_FAILURE() << "message 0x" << std::hex << message << " to window " << window
                      << " got no answer";
    }
    return static_cast<LRESULT>(result);
}

// Polls `condition` every 50 ms until it holds or the wait times out.
bool pollUntil(const std::function<bool()>& condition, DWORD timeoutMs = kWaitTimeoutMs) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) {
            return true;
        }
        if (GetTickCount() - start > timeoutMs) {
            return false;
        }
        Sleep(kPollMs);
    }
}

std::string className(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string windowText(HWND window) {
    char text[1024] = "";
    send(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

BOOL CALLBACK visitWindow(HWND window, LPARAM visitor) {
    (*reinterpret_cast<const std::function<void(HWND)>*>(visitor))(window);
    return TRUE;
}

void forEachWindow(const std::function<void(HWND)>& visit) {
    EnumWindows(visitWindow, reinterpret_cast<LPARAM>(&visit));
}

void forEachChild(HWND parent, const std::function<void(HWND)>& visit) {
    EnumChildWindows(parent, visitWindow, reinterpret_cast<LPARAM>(&visit));
}

// Visible dialogs (file dialogs, message boxes) whose owner is `owner`.
std::vector<HWND> ownedDialogs(HWND owner) {
    std::vector<HWND> dialogs;
    forEachWindow([&](HWND window) {
        if (GetWindow(window, GW_OWNER) == owner && IsWindowVisible(window) &&
            className(window) == kDialogClass) {
            dialogs.push_back(window);
        }
    });
    return dialogs;
}

void sendKey(WORD key, DWORD flags) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = flags;
    EXPECT_EQ(SendInput(1, &input, sizeof input), 1u) << "key " << key;
}

// Memory in another process, for the messages whose pointers are not carried across.
class RemoteBuffer {
  public:
    RemoteBuffer(HANDLE process, std::size_t size)
        : process_(process), address_(VirtualAllocEx(process, nullptr, size,
                                                     MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
    ~RemoteBuffer() {
        if (address_ != nullptr) {
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        }
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    char* address() const { return static_cast<char*>(address_); }
    bool write(std::size_t offset, const void* data, std::size_t size) const {
        return WriteProcessMemory(process_, address() + offset, data, size, nullptr);
    }
    bool read(std::size_t offset, void* data, std::size_t size) const {
        return ReadProcessMemory(process_, address() + offset, data, size, nullptr);
    }

  private:
    HANDLE process_;
    void* address_;
};

} // namespace

ShiftHeld::ShiftHeld() {
    sendKey(VK_SHIFT, 0);
}

ShiftHeld::~ShiftHeld() {
    releaseShift();
}

void releaseShift() {
    sendKey(VK_SHIFT, KEYEVENTF_KEYUP);
}

MorvaneRun::MorvaneRun(const std::string& program, const std::string& arguments,
                       const std::string& currentDirectory)
    : commandLine_("\"" + program + "\" " + arguments) {
    std::vector<char> line(commandLine_.begin(), commandLine_.end());
    line.push_back('\0');
    STARTUPINFOA startup{.cb = sizeof(STARTUPINFOA)};
    if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startup,
                        &process_)) {
        ADD_FAILURE() << "cannot start " << program << ": error " << GetLastError();
        process_ = {};
    }
}

MorvaneRun::~MorvaneRun() {
    if (!started()) {
        return;
    }
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, kWaitTimeoutMs);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

HWND MorvaneRun::findSheet() const {
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, nullptr, kSheetCaption)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == process_.dwProcessId && IsWindowVisible(window)) {
            return window;
        }
    }
    return nullptr;
}

HWND MorvaneRun::waitForSheet() const {
    HWND sheet = nullptr;
    bool ended = false;
    pollUntil([&] {
        sheet = findSheet();
        ended = WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0;
        return sheet != nullptr || ended;
    });
    return ended ? nullptr : sheet;
}

bool MorvaneRun::endsWithoutSheet() const {
    bool seen = false;
    bool ended = pollUntil([&] {
        seen = seen || findSheet() != nullptr;
        return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0;
    });
    EXPECT_TRUE(ended) << "the run did not end";
    return ended && !seen;
}

DWORD MorvaneRun::waitForExit() const {
    if (WaitForSingleObject(process_.hProcess, kWaitTimeoutMs) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the run did not end";
        return STILL_ACTIVE;
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

std::string Sheet::caption() const {
    return windowText(window_);
}

std::vector<std::string> Sheet::tabLabels() const {
    HWND tabs = reinterpret_cast<HWND>(send(window_, PSM_GETTABCONTROL));
    // TCM_GETITEM carries a pointer that Wine does not copy across processes: hand the tab
    // control an item and a text buffer that live in the sheet's own process.
    constexpr std::size_t kTextOffset = 256;
    constexpr int kTextCapacity = 256;
    RemoteBuffer remote(process_, kTextOffset + kTextCapacity);
    std::vector<std::string> labels;
    if (tabs == nullptr || remote.address() == nullptr) {
        ADD_FAILURE() << "no tab control or no memory in the sheet's process";
        return labels;
    }
    int count = static_cast<int>(send(tabs, TCM_GETITEMCOUNT));
    for (int index = 0; index < count; ++index) {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = remote.address() + kTextOffset;
        item.cchTextMax = kTextCapacity;
        char text[kTextCapacity] = "";
        if (!remote.write(0, &item, sizeof item) ||
            !send(tabs, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(remote.address())) ||
            !remote.read(kTextOffset, text, sizeof text)) {
            ADD_FAILURE() << "cannot read tab " << index;
        }
        text[kTextCapacity - 1] = '\0';
        labels.push_back(text);
    }
    return labels;
}

std::vector<std::string> Sheet::frameButtons() const {
    std::vector<std::pair<LONG, std::string>> buttons;
    forEachChild(window_, [&](HWND child) {
        RECT rect;
        if (GetParent(child) == window_ && IsWindowVisible(child) && className(child) == "Button" &&
            GetWindowRect(child, &rect)) {
            buttons.emplace_back(rect.left, windowText(child));
        }
    });
    std::sort(buttons.begin(), buttons.end());
    std::vector<std::string> labels;
    for (const auto& button : buttons) {
        labels.push_back(button.second);
    }
    return labels;
}

HWND Sheet::showPage(int index) const {
    send(window_, PSM_SETCURSEL, index, 0);
    return reinterpret_cast<HWND>(send(window_, PSM_INDEXTOHWND, index));
}

HWND Sheet::currentPage() const {
    return reinterpret_cast<HWND>(send(window_, PSM_GETCURRENTPAGEHWND));
}

HWND Sheet::openFileDialog(HWND page, int buttonId) const {
    // Posted: the page does not answer until the modal dialog closes.
    PostMessageA(page, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, buttonId)));
    HWND dialog = nullptr;
    pollUntil([&] {
        std::vector<HWND> dialogs = ownedDialogs(window_);
        dialog = dialogs.empty() ? nullptr : dialogs.front();
        return dialog != nullptr;
    });
    return dialog;
}

void Sheet::pressOk() const {
    // Posted: the sheet ends its modal loop while handling it.
    PostMessageA(window_, PSM_PRESSBUTTON, PSBTN_OK, 0);
}

void Sheet::pressCancel() const {
    PostMessageA(window_, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
}

void Sheet::screenshotIfAsked(const char* name) const {
    char folder[MAX_PATH] = "";
    DWORD length = GetEnvironmentVariableA("MORVANE_SCREENSHOTS", folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) {
        return;
    }
    // Painted now; Wine hands the painted window to the X server once the sheet's thread
    // is idle, which the pause leaves time for.
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(500);
    // ImageMagick cuts the sheet out of the screen. Wine starts host programs like any other
    // but does not wait for them, so the picture is written under a temporary name and
    // renamed when complete.
    RECT rect;
    GetWindowRect(window_, &rect);
    std::string picture = std::string(folder) + "/" + name + ".png";
    char commandLine[MAX_PATH * 4];
    snprintf(commandLine, sizeof commandLine,
             "Z:\\bin\\sh -c \"import -window root -crop %ldx%ld+%ld+%ld +repage png:'%s.part' && "
             "mv '%s.part' '%s'\"",
             rect.right - rect.left, rect.bottom - rect.top, rect.left, rect.top, picture.c_str(),
             picture.c_str(), picture.c_str());
    std::string windowsPicture = "Z:" + picture;
    DeleteFileA(windowsPicture.c_str());
    RunResult result = runProgram("Z:\\bin\\sh", commandLine);
    EXPECT_TRUE(result.started) << commandLine;
    EXPECT_TRUE(pollUntil([&] { return fileExists(windowsPicture); })) << "no " << picture;
}

std::string controlText(HWND page, int id) {
    HWND control = GetDlgItem(page, id);
    EXPECT_NE(control, nullptr) << "no control " << id;
    return windowText(control);
}

std::string textOnceEqual(HWND page, int id, const std::string& expected) {
    std::string text;
    pollUntil([&] { return (text = controlText(page, id)) == expected; });
    return text;
}

bool isChecked(HWND page, int id) {
    return send(GetDlgItem(page, id), BM_GETCHECK) == BST_CHECKED;
}

void setText(HWND page, int id, const char* text) {
    send(GetDlgItem(page, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void typeInto(HWND page, int id, const char* characters) {
    for (const char* character = characters; *character != '\0'; ++character) {
        send(GetDlgItem(page, id), WM_CHAR, static_cast<unsigned char>(*character), 1);
    }
}

void selectEntry(HWND page, int id, int index) {
    send(GetDlgItem(page, id), CB_SETCURSEL, static_cast<WPARAM>(index));
}

void click(HWND page, int id) {
    HWND control = GetDlgItem(page, id);
    ASSERT_NE(control, nullptr) << "no control " << id;
    send(control, BM_CLICK);
}

void doubleClickAt(HWND page, POINT client) {
    send(page, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(client.x, client.y));
}

void singleClickAt(HWND page, POINT client) {
    send(page, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.x, client.y));
    send(page, WM_LBUTTONUP, 0, MAKELPARAM(client.x, client.y));
}

RECT clientRectOf(HWND page, int id) {
    RECT rect{};
    GetWindowRect(GetDlgItem(page, id), &rect);
    MapWindowPoints(HWND_DESKTOP, page, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

ComboState comboState(HWND page, int id) {
    HWND combo = GetDlgItem(page, id);
    ComboState state;
    int count = static_cast<int>(send(combo, CB_GETCOUNT));
    for (int index = 0; index < count; ++index) {
        // Wine answers CB_GETLBTEXT in UTF-16 across processes, whichever way it is sent.
        std::wstring wide(send(combo, CB_GETLBTEXTLEN, index) + 1, L'\0');
        DWORD_PTR length = 0;
        SendMessageTimeoutW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(wide.data()),
                            SMTO_ABORTIFHUNG, kSendTimeoutMs, &length);
        char text[256] = "";
        WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, text, sizeof text, nullptr, nullptr);
        state.entries.push_back(text);
    }
    state.selected = static_cast<int>(send(combo, CB_GETCURSEL));
    return state;
}

bool chooseFile(HWND dialog, const std::string& windowsPath) {
    HWND nameBox = GetDlgItem(dialog, kFileNameCombo);
    if (nameBox == nullptr) {
        nameBox = GetDlgItem(dialog, kFileNameEdit);
    }
    EXPECT_NE(nameBox, nullptr) << "no file-name box";
    send(nameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(windowsPath.c_str()));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    bool refused = false;
    pollUntil([&] {
        refused = !ownedDialogs(dialog).empty();
        return refused || !IsWindow(dialog);
    });
    return !IsWindow(dialog);
}

LongPathCopy::LongPathCopy(const std::string& source, const std::string& folder,
                           const std::string& target)
    : folder_(extendedPath(folder)), target_(extendedPath(target)) {
    made_ = CreateDirectoryW(folder_.c_str(), nullptr) &&
            CopyFileW(extendedPath(source).c_str(), target_.c_str(), FALSE);
}

LongPathCopy::~LongPathCopy() {
    DeleteFileW(target_.c_str());
    RemoveDirectoryW(folder_.c_str());
}

namespace {

constexpr const char* kHttpsCommandKey = "https\\shell\\open\\command";

void setHttpsCommand(const StoredValue& value) {
    RegistryKey key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, kHttpsCommandKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, key.receive(), nullptr),
              ERROR_SUCCESS);
    if (value.exists) {
        RegSetValueExA(key.get(), nullptr, 0, value.type,
                       reinterpret_cast<const BYTE*>(value.bytes.data()),
                       static_cast<DWORD>(value.bytes.size()));
    } else {
        RegDeleteValueA(key.get(), nullptr);
    }
}

} // namespace

HttpsHandler::HttpsHandler(const std::string& program) {
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kHttpsCommandKey, 0, KEY_READ, key.receive()) ==
        ERROR_SUCCESS) {
        char data[1024];
        DWORD size = sizeof data;
        if (RegQueryValueExA(key.get(), nullptr, nullptr, &previous_.type,
                             reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS) {
            previous_.exists = true;
            previous_.bytes.assign(data, size);
        }
    }
    std::string command = "\"" + program + "\" \"%1\"";
    setHttpsCommand({true, REG_SZ, std::string(command.c_str(), command.size() + 1)});
}

HttpsHandler::~HttpsHandler() {
    setHttpsCommand(previous_);
}

void waitForNoProcessNamed(const char* exeName) {
    KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{.dwSize = sizeof(PROCESSENTRY32)};
    for (BOOL more = Process32First(snapshot.get(), &entry); more;
         more = Process32Next(snapshot.get(), &entry)) {
        if (lstrcmpiA(entry.szExeFile, exeName) == 0) {
            KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID));
            EXPECT_EQ(WaitForSingleObject(process.get(), kWaitTimeoutMs), WAIT_OBJECT_0)
                << exeName << " does not end";
        }
    }
}

void PrintTo(const StoredValue& value, std::ostream* out) {
    if (!value.exists) {
        *out << "(absent)";
    } else if (value.type == REG_DWORD && value.bytes.size() == 4) {
        uint32_t number;
        memcpy(&number, value.bytes.data(), 4);
        *out << "REG_DWORD " << number;
    } else if (value.type == REG_SZ) {
        *out << "REG_SZ \"" << value.bytes << "\"";
    } else {
        *out << "type " << value.type << " \"" << value.bytes << "\"";
    }
}

std::map<std::string, StoredValue> storedKvxValues() {
    std::map<std::string, StoredValue> values;
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\KVX", 0, KEY_READ, key.receive()) !=
        ERROR_SUCCESS) {
        return values;
    }
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameLength = sizeof name;
        if (RegEnumValueA(key.get(), index, name, &nameLength, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS) {
            break;
        }
        values[std::string(name, nameLength)] = readRegistryValue(name);
    }
    return values;
}

std::string storedText(const char* name) {
    StoredValue value = readRegistryValue(name);
    if (!value.exists || value.type != REG_SZ) {
        return "";
    }
    return std::string(value.bytes.c_str());
}

uint32_t storedDword(const char* name) {
    StoredValue value = readRegistryValue(name);
    if (!value.exists || value.type != REG_DWORD || value.bytes.size() != 4) {
        return 0xFFFFFFFF;
    }
    uint32_t number;
    memcpy(&number, value.bytes.data(), 4);
    return number;
}
