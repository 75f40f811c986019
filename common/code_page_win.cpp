#include "code_page.h"

#include <windows.h>

bool isAnsiLeadByte(char c) {
    return IsDBCSLeadByte(static_cast<BYTE>(c)) != FALSE;
}
