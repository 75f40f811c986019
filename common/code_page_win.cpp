#include "code_page.h"

#include <windows.h>

#include <string>

bool isAnsiLeadByte(char c) {
    return IsDBCSLeadByte(static_cast<BYTE>(c)) != FALSE;
}

bool commandLineHeldByCodePage() {
    const wchar_t* wide = GetCommandLineW();
    // UTF-8 holds every character, and takes neither best fit nor a default character; only
    // a lone half of a surrogate pair has no UTF-8 form.
    bool utf8 = GetACP() == CP_UTF8;
    DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL lacking = FALSE;
    BOOL* lackingFlag = utf8 ? nullptr : &lacking;
    int size = WideCharToMultiByte(CP_ACP, flags, wide, -1, nullptr, 0, nullptr, lackingFlag);
    if (size <= 0 || lacking) {
        return false;
    }
    std::string ansi(static_cast<std::size_t>(size), '\0');
    if (WideCharToMultiByte(CP_ACP, flags, wide, -1, ansi.data(), size, nullptr, lackingFlag) !=
        size) {
        return false;
    }
    return !lacking && ansi.c_str() == std::string_view(GetCommandLineA());
}
