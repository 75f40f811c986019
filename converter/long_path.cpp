#include "long_path.h"

std::wstring longPathForm(std::wstring_view fullPath) {
    if (fullPath.starts_with(L"\\\\?\\") || fullPath.starts_with(L"\\\\.\\")) {
        return std::wstring(fullPath);
    }
    if (fullPath.starts_with(L"\\\\")) {
        return L"\\\\?\\UNC\\" + std::wstring(fullPath.substr(2));
    }
    return L"\\\\?\\" + std::wstring(fullPath);
}
