#include "sheet_libraries.h"

#include "common/system_libraries.h"

namespace {

template <typename Function>
bool loadFunction(Function& function, HMODULE library, const char* name) {
    function =
        library == nullptr
            ? nullptr
            : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return function != nullptr;
}

} // namespace

const SheetLibraries* loadSheetLibraries() {
    static SheetLibraries functions{};
    static bool loaded = [] {
        HMODULE commonControls = loadSystemLibrary("comctl32.dll");
        HMODULE commonDialogs = loadSystemLibrary("comdlg32.dll");
        HMODULE shell = loadSystemLibrary("shell32.dll");
        return loadFunction(functions.createPropertySheetPage, commonControls,
                            "CreatePropertySheetPageA") &&
               loadFunction(functions.propertySheet, commonControls, "PropertySheetA") &&
               loadFunction(functions.getOpenFileName, commonDialogs, "GetOpenFileNameA") &&
               loadFunction(functions.shellExecute, shell, "ShellExecuteA");
    }();
    return loaded ? &functions : nullptr;
}
